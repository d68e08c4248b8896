// Events with a waiter count, for waits under a held mutex.
#include "thr_event.h"

#include "thr_exception.h"
#include "thr_mutex.h"
#include "thr_threadrecord.h"

namespace
{
// Retakes the caller's mutex without the cancel event: a cancelled waiter must still return
// to its caller with the lock it came in with.
void Relock(THR_Mutex& _mutex)
{
    THR_Handle handle = _mutex.GetHandle();
    if (THR_WaitForObjects(1, &handle, THR_INFINITE) == THR_WAIT_FAILED)
        throw THR_SyncException("Waiting on single object failed");
}

// The wait's own reference to the event and its waiter count, given back however it ends.
class WaiterSlot
{
public:
    explicit WaiterSlot(THR_Handle _event) : m_event(THR_DuplicateHandle(_event)) {}
    ~WaiterSlot() { THR_CloseHandle(m_event); }
    WaiterSlot(const WaiterSlot&) = delete;
    WaiterSlot& operator=(const WaiterSlot&) = delete;
    THR_Handle Event() const { return m_event; }
    u32* Waiters() const { return THR_GetEventWaiters(m_event); }

private:
    THR_Handle m_event;
};
}  // namespace

THR_Event::THR_Event() : m_event(THR_CreateEvent(0))
{
    if (!m_event)
        throw THR_SyncException("Event creation error");
    m_mutex = THR_CreateMutex();
    if (!m_mutex) {
        THR_CloseHandle(m_event);
        m_event = nullptr;
        throw THR_SyncException("Mutex creation error");
    }
}

THR_Event::~THR_Event()
{
    // A set of a live event cannot fail here, so destruction never throws.
    const u32 waiters = GetWaiterCount();
    for (u32 i = 0; i < waiters; ++i)
        THR_SetEvent(m_event);
    THR_CloseHandle(m_mutex);
    THR_CloseHandle(m_event);
}

u32 THR_Event::GetWaiterCount() const
{
    u32* waiters = THR_GetEventWaiters(m_event);
    return waiters ? std::atomic_ref<u32>(*waiters).load() : 0;
}

void THR_Event::Wait(THR_Mutex& _held)
{
    WaiterSlot slot(m_event);
    _held.Unlock();
    THR_InterlockedIncrement(slot.Waiters());
    try {
        THR_ThreadRecord::Wait(slot.Event(), THR_INFINITE);
    } catch (...) {
        THR_InterlockedDecrement(slot.Waiters());
        Relock(_held);
        throw;
    }
    THR_InterlockedDecrement(slot.Waiters());
    Relock(_held);
}
