// Thread records and the one wait rule of the thread layer.
#include "thr_threadrecord.h"

#include "thr_exception.h"
#include "thr_local.h"
#include "thr_process.h"
#include "thr_thread.h"

THR_ThreadRecord::THR_ThreadRecord() : m_cancelEvent(THR_CreateEvent(1))
{
    if (!m_cancelEvent)
        throw THR_SyncException("Event creation error");
}

THR_ThreadRecord::~THR_ThreadRecord()
{
    THR_CloseHandle(m_thread);
    THR_CloseHandle(m_cancelEvent);
}

void THR_ThreadRecord::AttachCurrent()
{
    THR_CloseHandle(m_thread);
    m_thread = THR_OpenCurrentThread();
    m_threadId = THR_GetCurrentThreadId();
}

void THR_ThreadRecord::Stop()
{
    if (m_notCancellable)
        return;
    if (m_terminateWhenStopped)
        THR_TerminateThread(m_thread, 0xFFFFFFFFu);
    else
        THR_SetEvent(m_cancelEvent);
}

void THR_ThreadRecord::Join(u32* _exitCode)
{
    if (m_threadId == THR_GetCurrentThreadId())
        throw THR_SyncException("deadlock, can not join myself.");
    Wait(m_thread, THR_INFINITE);
    THR_GetExitCodeThread(m_thread, _exitCode);
    THR_CloseHandle(m_thread);
    m_thread = nullptr;
}

u32 THR_ThreadRecord::Wait(THR_Handle _handle, u32 _timeout)
{
    if (!THR_AreThreadsRegistered()) {
        const u32 result = THR_WaitForObjects(1, &_handle, _timeout);
        if (result == THR_WAIT_FAILED)
            throw THR_SyncException("Waiting on single object failed");
        return result == THR_WAIT_TIMEOUT ? THR_WAIT_TIMEOUT : THR_WAIT_OBJECT_0;
    }
    // A thread without a thread object (one the layer did not start) cannot be cancelled.
    THR_Thread* thread = THR_GetCurrentThread();
    const THR_ThreadRecord* record = thread ? &thread->GetRecord() : nullptr;
    u32 result;
    if (!record || record->m_notCancellable) {
        result = THR_WaitForObjects(1, &_handle, _timeout);
    } else {
        const THR_Handle handles[2] = {_handle, record->m_cancelEvent};
        result = THR_WaitForObjects(2, handles, _timeout);
    }
    switch (result) {
    case THR_WAIT_OBJECT_0:
    case THR_WAIT_ABANDONED_0:
        return THR_WAIT_OBJECT_0;
    case THR_WAIT_OBJECT_0 + 1:
    case THR_WAIT_ABANDONED_0 + 1:
        throw THR_ThreadDeath("Canceled while waiting.");
    case THR_WAIT_TIMEOUT:
        return THR_WAIT_TIMEOUT;
    default:
        throw THR_SyncException("Waiting failed.");
    }
}
