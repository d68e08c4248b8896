// Waitable objects on one lock and one condition: queued waits, handed objects in order.
#include "thr_kernel.h"

#include <pthread.h>
#include <time.h>

#include <cerrno>
#include <new>

#include "thr_local.h"

namespace
{
enum ObjectKind : u32
{
    KIND_MUTEX,
    KIND_AUTO_EVENT,
    KIND_MANUAL_EVENT,
    KIND_THREAD,
};
}  // namespace

struct THR_Object
{
    u32 kind = KIND_MUTEX;
    u32 references = 1;
    u32 waiting = 0;  // queued waits that name the object
    // Mutex.
    u32 owner = 0;  // thread id; 0 while free
    u32 recursion = 0;
    u32 abandoned = 0;  // its owner ended while holding it
    // Events.
    u32 signalled = 0;
    u32 eventWaiters = 0;
    // Thread.
    pthread_t thread{};
    u32 ended = 0;
    u32 exitCode = 0;
    u32 exitCodeSet = 0;
    // Every live object, so that a thread's end can abandon the mutexes it holds.
    THR_Object* previous = nullptr;
    THR_Object* next = nullptr;
};

namespace
{
constexpr u32 PENDING = 0xFFFFFFFEu;

struct WaitBlock
{
    const THR_Handle* handles = nullptr;
    u32 count = 0;
    u32 threadId = 0;
    u32 result = PENDING;
    u32 queued = 0;
    WaitBlock* previous = nullptr;
    WaitBlock* next = nullptr;
};

pthread_mutex_t s_lock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t s_changed;
pthread_once_t s_conditionOnce = PTHREAD_ONCE_INIT;
THR_Object* s_objects = nullptr;
u32 s_objectCount = 0;
u32 s_failArmed = 0;
u32 s_failAfter = 0;
WaitBlock* s_waitsHead = nullptr;
WaitBlock* s_waitsTail = nullptr;
std::atomic<u32> s_nextThreadId{1};

// Time-outs are measured on the monotonic clock, so a change of the wall clock moves none.
void InitCondition()
{
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    pthread_cond_init(&s_changed, &attributes);
    pthread_condattr_destroy(&attributes);
}

// Scoped hold of the kernel lock. Also released while a cancelled thread unwinds out of a wait.
class KernelLock
{
public:
    KernelLock()
    {
        pthread_once(&s_conditionOnce, InitCondition);
        pthread_mutex_lock(&s_lock);
    }
    ~KernelLock() { pthread_mutex_unlock(&s_lock); }
    KernelLock(const KernelLock&) = delete;
    KernelLock& operator=(const KernelLock&) = delete;
};

// The calling thread's id and its own reference to its thread object. The destructor runs when
// the thread ends (also when it is cancelled) and gives up what the thread held.
struct ThreadInfo
{
    u32 id = 0;
    THR_Object* self = nullptr;
    ~ThreadInfo();
};
thread_local ThreadInfo t_info;

u32 CurrentId()
{
    if (t_info.id == 0)
        t_info.id = s_nextThreadId.fetch_add(1);
    return t_info.id;
}

THR_Object* CreateLocked(u32 _kind)
{
    if (s_failArmed) {
        if (s_failAfter == 0) {
            s_failArmed = 0;
            return nullptr;
        }
        --s_failAfter;
    }
    THR_Object* object = new (std::nothrow) THR_Object;
    if (!object)
        return nullptr;
    object->kind = _kind;
    object->next = s_objects;
    if (s_objects)
        s_objects->previous = object;
    s_objects = object;
    ++s_objectCount;
    return object;
}

void UnrefLocked(THR_Object* _object)
{
    if (--_object->references != 0)
        return;
    if (_object->previous)
        _object->previous->next = _object->next;
    else
        s_objects = _object->next;
    if (_object->next)
        _object->next->previous = _object->previous;
    --s_objectCount;
    delete _object;
}

// 0: not available; 1: acquired; 2: acquired, abandoned by its owner.
u32 TryAcquire(THR_Object* _object, u32 _threadId)
{
    switch (_object->kind) {
    case KIND_MUTEX:
        if (_object->owner == 0) {
            _object->owner = _threadId;
            _object->recursion = 1;
            if (_object->abandoned) {
                _object->abandoned = 0;
                return 2;
            }
            return 1;
        }
        if (_object->owner == _threadId) {
            ++_object->recursion;
            return 1;
        }
        return 0;
    case KIND_AUTO_EVENT:
        if (!_object->signalled)
            return 0;
        _object->signalled = 0;
        return 1;
    case KIND_MANUAL_EVENT:
        return _object->signalled ? 1 : 0;
    default:
        return _object->ended ? 1 : 0;
    }
}

// Acquires the first available object in the given order.
u32 TryAny(const THR_Handle* _handles, u32 _count, u32 _threadId)
{
    for (u32 i = 0; i < _count; ++i) {
        const u32 acquired = TryAcquire(_handles[i], _threadId);
        if (acquired == 1)
            return THR_WAIT_OBJECT_0 + i;
        if (acquired == 2)
            return THR_WAIT_ABANDONED_0 + i;
    }
    return PENDING;
}

void Dequeue(WaitBlock* _block)
{
    if (_block->previous)
        _block->previous->next = _block->next;
    else
        s_waitsHead = _block->next;
    if (_block->next)
        _block->next->previous = _block->previous;
    else
        s_waitsTail = _block->previous;
    _block->previous = _block->next = nullptr;
    _block->queued = 0;
}

// After any change of state: the queued waits, oldest first, take what they can.
void SatisfyWaitsLocked()
{
    WaitBlock* block = s_waitsHead;
    while (block) {
        WaitBlock* next = block->next;
        const u32 result = TryAny(block->handles, block->count, block->threadId);
        if (result != PENDING) {
            block->result = result;
            Dequeue(block);
        }
        block = next;
    }
    pthread_cond_broadcast(&s_changed);
}

// A queued wait: it holds its objects while it waits, and leaves the queue however the wait
// ends, also when the thread is cancelled inside it.
class QueuedWait
{
public:
    explicit QueuedWait(WaitBlock* _block) : m_block(_block)
    {
        for (u32 i = 0; i < m_block->count; ++i) {
            ++m_block->handles[i]->references;
            ++m_block->handles[i]->waiting;
        }
        m_block->previous = s_waitsTail;
        if (s_waitsTail)
            s_waitsTail->next = m_block;
        else
            s_waitsHead = m_block;
        s_waitsTail = m_block;
        m_block->queued = 1;
    }
    ~QueuedWait()
    {
        if (m_block->queued)
            Dequeue(m_block);
        for (u32 i = 0; i < m_block->count; ++i) {
            --m_block->handles[i]->waiting;
            UnrefLocked(m_block->handles[i]);
        }
    }
    QueuedWait(const QueuedWait&) = delete;
    QueuedWait& operator=(const QueuedWait&) = delete;

private:
    WaitBlock* m_block;
};

ThreadInfo::~ThreadInfo()
{
    if (id == 0 && !self)
        return;
    KernelLock lock;
    for (THR_Object* object = s_objects; object; object = object->next) {
        if (object->kind == KIND_MUTEX && id != 0 && object->owner == id) {
            object->owner = 0;
            object->recursion = 0;
            object->abandoned = 1;
        }
    }
    if (self) {
        self->ended = 1;
        if (!self->exitCodeSet)
            self->exitCode = 0;
        UnrefLocked(self);
        self = nullptr;
    }
    SatisfyWaitsLocked();
}
}  // namespace

THR_Handle THR_CreateMutex()
{
    KernelLock lock;
    return CreateLocked(KIND_MUTEX);
}

THR_Handle THR_CreateEvent(u32 _manualReset)
{
    KernelLock lock;
    return CreateLocked(_manualReset ? KIND_MANUAL_EVENT : KIND_AUTO_EVENT);
}

THR_Handle THR_OpenCurrentThread()
{
    CurrentId();
    KernelLock lock;
    if (!t_info.self) {
        t_info.self = CreateLocked(KIND_THREAD);
        if (!t_info.self)
            return nullptr;
        t_info.self->thread = pthread_self();
    }
    ++t_info.self->references;
    return t_info.self;
}

THR_Handle THR_DuplicateHandle(THR_Handle _handle)
{
    if (!_handle)
        return nullptr;
    KernelLock lock;
    ++_handle->references;
    return _handle;
}

u32 THR_CloseHandle(THR_Handle _handle)
{
    if (!_handle)
        return 0;
    KernelLock lock;
    UnrefLocked(_handle);
    return 1;
}

u32 THR_GetCurrentThreadId() { return CurrentId(); }

u32 THR_ReleaseMutex(THR_Handle _mutex)
{
    if (!_mutex)
        return 0;
    const u32 id = CurrentId();
    KernelLock lock;
    if (_mutex->kind != KIND_MUTEX || _mutex->owner != id)
        return 0;
    if (--_mutex->recursion == 0) {
        _mutex->owner = 0;
        SatisfyWaitsLocked();
    }
    return 1;
}

u32 THR_SetEvent(THR_Handle _event)
{
    if (!_event)
        return 0;
    KernelLock lock;
    if (_event->kind != KIND_AUTO_EVENT && _event->kind != KIND_MANUAL_EVENT)
        return 0;
    _event->signalled = 1;
    SatisfyWaitsLocked();
    return 1;
}

u32* THR_GetEventWaiters(THR_Handle _event)
{
    if (!_event || (_event->kind != KIND_AUTO_EVENT && _event->kind != KIND_MANUAL_EVENT))
        return nullptr;
    return &_event->eventWaiters;
}

u32 THR_GetExitCodeThread(THR_Handle _thread, u32* _code)
{
    if (!_thread || !_code)
        return 0;
    KernelLock lock;
    if (_thread->kind != KIND_THREAD)
        return 0;
    *_code = _thread->ended ? _thread->exitCode : THR_STILL_ACTIVE;
    return 1;
}

u32 THR_TerminateThread(THR_Handle _thread, u32 _code)
{
    if (!_thread)
        return 0;
    KernelLock lock;
    // Until its end is recorded under this lock the thread still exists, so it can be named.
    if (_thread->kind != KIND_THREAD || _thread->ended)
        return 0;
    _thread->exitCode = _code;
    _thread->exitCodeSet = 1;
    pthread_cancel(_thread->thread);
    return 1;
}

u32 THR_WaitForObjects(u32 _count, const THR_Handle* _handles, u32 _timeout)
{
    if (_count == 0 || _count > THR_MAX_WAIT_OBJECTS || !_handles)
        return THR_WAIT_FAILED;
    for (u32 i = 0; i < _count; ++i)
        if (!_handles[i])
            return THR_WAIT_FAILED;
    const u32 id = CurrentId();

    KernelLock lock;
    const u32 now = TryAny(_handles, _count, id);
    if (now != PENDING)
        return now;
    if (_timeout == 0)
        return THR_WAIT_TIMEOUT;

    timespec deadline{};
    if (_timeout != THR_INFINITE) {
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += _timeout / 1000;
        deadline.tv_nsec += (long)(_timeout % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_nsec -= 1000000000L;
            ++deadline.tv_sec;
        }
    }
    WaitBlock block;
    block.handles = _handles;
    block.count = _count;
    block.threadId = id;
    QueuedWait queued(&block);
    pthread_cond_broadcast(&s_changed);  // a new waiter is news too (THR_KernelAwaitWaiters)
    while (block.result == PENDING) {
        if (_timeout == THR_INFINITE) {
            pthread_cond_wait(&s_changed, &s_lock);
        } else if (pthread_cond_timedwait(&s_changed, &s_lock, &deadline) == ETIMEDOUT) {
            if (block.result == PENDING)
                block.result = THR_WAIT_TIMEOUT;
        }
    }
    return block.result;
}

u32 THR_KernelObjectCount()
{
    KernelLock lock;
    return s_objectCount;
}

void THR_KernelFailCreation(u32 _after)
{
    KernelLock lock;
    s_failArmed = 1;
    s_failAfter = _after;
}

void THR_KernelAwaitWaiters(THR_Handle _handle, u32 _count)
{
    KernelLock lock;
    while (_handle->waiting < _count)
        pthread_cond_wait(&s_changed, &s_lock);
}
