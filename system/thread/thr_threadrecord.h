// THR_ThreadRecord: what the thread layer knows of one system thread, and the wait rule.
//
// The record holds the thread's handle and id once attached, and a manual-reset cancel event
// that Stop sets. Every wait of the layer goes through Wait, the wait rule:
// - no threads registered (before THR_InitProcess, after THR_ShutdownProcess): the handle
//   alone; only a failed wait is an error ("Waiting on single object failed");
// - otherwise the calling thread's THR_Thread (THR_GetCurrentThread) decides: when it has
//   none, or its record is not cancellable, the handle alone; else the first of the handle and
//   the cancel event, the handle first. The cancel event throws THR_ThreadDeath "Canceled while
//   waiting."; any other failure THR_SyncException "Waiting failed.".
// Wait answers THR_WAIT_OBJECT_0 when the handle was signalled (or abandoned), or
// THR_WAIT_TIMEOUT.
#pragma once

#include "thr_kernel.h"

class THR_ThreadRecord
{
public:
    // THR_SyncException "Event creation error" when the cancel event cannot be made.
    THR_ThreadRecord();
    ~THR_ThreadRecord();
    THR_ThreadRecord(const THR_ThreadRecord&) = delete;
    THR_ThreadRecord& operator=(const THR_ThreadRecord&) = delete;

    // Describes the calling thread from now on (its own reference to the thread's handle).
    void AttachCurrent();
    // Not cancellable: nothing. Terminate when stopped: the thread ends at its next wait with
    // exit code all ones. Otherwise the cancel event is set.
    void Stop();
    // Waits for the thread to end, stores its exit code and lets the handle go.
    // THR_SyncException "deadlock, can not join myself." for the calling thread's own record.
    void Join(u32* _exitCode);

    static u32 Wait(THR_Handle _handle, u32 _timeout);

    THR_Handle GetThreadHandle() const { return m_thread; }
    u32 GetThreadId() const { return m_threadId; }
    THR_Handle GetCancelEvent() const { return m_cancelEvent; }
    u8 IsNotCancellable() const { return m_notCancellable; }
    void SetNotCancellable(u8 _on) { m_notCancellable = _on; }
    u8 IsTerminateWhenStopped() const { return m_terminateWhenStopped; }
    void SetTerminateWhenStopped(u8 _on) { m_terminateWhenStopped = _on; }

private:
    THR_Handle m_thread = nullptr;
    u32 m_threadId = 0;
    THR_Handle m_cancelEvent = nullptr;
    u8 m_notCancellable = 0;
    u8 m_terminateWhenStopped = 0;
};
