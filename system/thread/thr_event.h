// THR_Event: an auto-reset event that threads wait on while holding a THR_Mutex.
//
// Wait releases the caller's mutex, waits for the event by the wait rule and retakes the
// mutex, also when the wait throws. Only destruction sets the event: once per registered
// waiter, so each waiter is released. The waiter count lives with the kernel object and each
// waiter keeps its own reference to it, so waiters woken by the destruction never touch the
// destroyed THR_Event; the mutex they retake must still exist.
#pragma once

#include "mem_alloc.h"
#include "thr_kernel.h"

class THR_Mutex;

class THR_Event : public MEM_Object
{
public:
    // THR_SyncException "Event creation error", or "Mutex creation error" (the event is
    // closed again first).
    THR_Event();
    // Sets the event once per registered waiter, then closes it.
    ~THR_Event();
    THR_Event(const THR_Event&) = delete;
    THR_Event& operator=(const THR_Event&) = delete;

    // _held must be locked by the caller. THR_SyncException "Releaseing of mutex failed" when
    // it is not; THR_ThreadDeath "Canceled while waiting." when the thread is cancelled.
    void Wait(THR_Mutex& _held);
    u32 GetWaiterCount() const;
    THR_Handle GetHandle() const { return m_event; }

private:
    THR_Handle m_event = nullptr;
    THR_Handle m_mutex = nullptr;  // made and closed with the event; nothing waits on it
};
