// Recursive mutexes on the kernel objects.
#include "thr_mutex.h"

#include "thr_exception.h"
#include "thr_threadrecord.h"

THR_Mutex::THR_Mutex() : m_handle(THR_CreateMutex())
{
    if (!m_handle)
        throw THR_SyncException("Mutex creation error");
}

THR_Mutex::~THR_Mutex() { THR_CloseHandle(m_handle); }

void THR_Mutex::Lock() { THR_ThreadRecord::Wait(m_handle, THR_INFINITE); }

void THR_Mutex::Unlock()
{
    if (!THR_ReleaseMutex(m_handle))
        throw THR_SyncException("Releaseing of mutex failed");
}
