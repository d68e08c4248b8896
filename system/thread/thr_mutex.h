// THR_Mutex: a recursive mutex whose Lock a thread can be cancelled out of.
//
// Lock waits without time limit by the thread layer's wait rule (thr_threadrecord.h): while
// threads are registered, the first of the mutex and the calling thread's cancel event, the
// mutex first, so a free mutex or one the caller already holds is taken even when the cancel
// event is set. The same thread may lock it again; each Lock needs its Unlock.
#pragma once

#include "mem_alloc.h"
#include "thr_kernel.h"

class THR_Mutex : public MEM_Object
{
public:
    // THR_SyncException "Mutex creation error" when no mutex can be made.
    THR_Mutex();
    ~THR_Mutex();
    THR_Mutex(const THR_Mutex&) = delete;
    THR_Mutex& operator=(const THR_Mutex&) = delete;

    // THR_ThreadDeath "Canceled while waiting." when the calling thread is cancelled first.
    void Lock();
    // THR_SyncException "Releaseing of mutex failed" when the calling thread does not hold it.
    void Unlock();
    THR_Handle GetHandle() const { return m_handle; }

private:
    THR_Handle m_handle = nullptr;
};
