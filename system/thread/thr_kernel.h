// Waitable kernel objects over pthreads, with the semantics of the Win32 objects that the
// thread layer's design assumes: recursive mutexes that know their owner, auto- and
// manual-reset events, and thread handles that become signalled when their thread ends.
//
// The point is THR_WaitForObjects: a thread can wait for the first of several objects (a
// mutex or its cancel event), which pthreads cannot do with its own primitives. All objects
// share one process-wide lock and condition; every wait is queued, and each change of state
// hands the object to the queued waits in arrival order, so a set of an auto-reset event
// releases exactly one waiter, as a Win32 SetEvent does.
//
// Handles are counted references: a wait holds its own, so closing a handle while another
// thread waits on it is safe; waiting on a handle after its last close is undefined. A mutex
// whose owner thread ends is abandoned: the next wait takes it and is told so. Objects may be
// made and closed on any thread, so they come from the C++ heap, not the engine's pools.
#pragma once

#include <atomic>

#include "os_types.h"

struct THR_Object;
typedef THR_Object* THR_Handle;

constexpr u32 THR_INFINITE = 0xFFFFFFFFu;
// Results of THR_WaitForObjects, numbered as the Win32 waits number them.
constexpr u32 THR_WAIT_OBJECT_0 = 0x00000000u;
constexpr u32 THR_WAIT_ABANDONED_0 = 0x00000080u;
constexpr u32 THR_WAIT_TIMEOUT = 0x00000102u;
constexpr u32 THR_WAIT_FAILED = 0xFFFFFFFFu;
constexpr u32 THR_MAX_WAIT_OBJECTS = 64;
// The exit code of a thread that has not ended yet.
constexpr u32 THR_STILL_ACTIVE = 259;

// Null when no object can be made.
THR_Handle THR_CreateMutex();                  // unowned
THR_Handle THR_CreateEvent(u32 _manualReset);  // not signalled
// A handle to the calling thread, signalled when the thread ends.
THR_Handle THR_OpenCurrentThread();
// Another counted reference to the same object (null for null).
THR_Handle THR_DuplicateHandle(THR_Handle _handle);
u32 THR_CloseHandle(THR_Handle _handle);  // 0 for null

// 1, 2, 3 ... in the order threads first ask; never reused, never 0.
u32 THR_GetCurrentThreadId();

// 0 when the calling thread does not own the mutex.
u32 THR_ReleaseMutex(THR_Handle _mutex);
u32 THR_SetEvent(THR_Handle _event);
// The count of threads waiting in THR_Event::Wait, kept with the event object so that a
// waiter woken by the event's destruction never touches the destroyed THR_Event.
u32* THR_GetEventWaiters(THR_Handle _event);
// THR_STILL_ACTIVE until the thread ended; 0 for a thread that ended by returning.
u32 THR_GetExitCodeThread(THR_Handle _thread, u32* _code);
// Cancels the thread at its next wait (pthread cancellation: its stack unwinds); its exit code
// becomes _code. 0 when it has already ended.
u32 THR_TerminateThread(THR_Handle _thread, u32 _code);

// Waits until one of the objects is signalled and acquires the first such in the given order
// (takes a mutex, resets an auto-reset event). Answers THR_WAIT_OBJECT_0 + index,
// THR_WAIT_ABANDONED_0 + index for a mutex whose owner ended, THR_WAIT_TIMEOUT after _timeout
// milliseconds, THR_WAIT_FAILED for null handles or a count outside 1..64.
u32 THR_WaitForObjects(u32 _count, const THR_Handle* _handles, u32 _timeout);

// Interlocked counters: the new value.
inline u32 THR_InterlockedIncrement(u32* _value) { return std::atomic_ref<u32>(*_value).fetch_add(1) + 1; }
inline u32 THR_InterlockedDecrement(u32* _value) { return std::atomic_ref<u32>(*_value).fetch_sub(1) - 1; }
