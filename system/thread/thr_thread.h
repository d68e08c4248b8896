// THR_Thread: a thread object in a thread group, cancellable while it waits.
//
// The layer has no operation that starts a thread: the one started thread object is "Main",
// which THR_InitProcess makes for the thread that starts the program (attached to it, marked
// started, no join needed, and it cannot be stopped). Any other thread object is registered in
// its group and stays unstarted; for it Cancel, Join and Stop do nothing. Everything of the
// object is changed under its own mutex. A thread group's mutex is taken before the mutex of
// a thread it stops.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"
#include "thr_event.h"
#include "thr_mutex.h"
#include "thr_threadrecord.h"

class THR_ThreadGroup;

class THR_Thread : public MEM_Object
{
public:
    // Registers in _group (which must exist). A null parent means the thread itself. The
    // name is kept, not copied.
    THR_Thread(const char* _name, THR_ThreadGroup* _group, THR_Thread* _parent);
    // "Main" clears the threads-registered flag; another thread is cancelled and joined when
    // started and leaves its group.
    virtual ~THR_Thread();

    virtual u32 Run() { return 0; }

    // Started: marks the cancel request and stops the record, the first time only.
    void Cancel();
    // THR_SyncException "Cant join myself" for the calling thread's own object. Started and
    // to be joined: waits once on the state event, then joins the record.
    void Join();
    // Started: "Main" throws THR_SyncException "Can not stop main thread"; others Cancel, Join.
    void Stop();

    const char* GetName() const { return m_name; }
    THR_ThreadGroup* GetGroup() const { return m_group; }
    THR_Thread* GetParent() const { return m_parent; }
    THR_ThreadRecord& GetRecord() { return m_record; }
    THR_Event& GetEvent() { return m_event; }
    u32 GetExitCode() const { return m_exitCode; }
    u8 IsStarted() const { return m_started; }
    u8 IsRunning() const { return m_running; }
    u8 IsNoJoinNeeded() const { return m_noJoinNeeded; }
    u8 IsCancelRequested() const { return m_cancelRequested; }
    u8 IsMainThread() const { return m_mainThread; }

private:
    friend void THR_InitProcess();
    enum MainTag
    {
        MAIN
    };
    // The one "Main" object, for the calling thread.
    THR_Thread(const char* _name, THR_ThreadGroup* _group, MainTag);

    THR_Mutex m_mutex;
    THR_ThreadRecord m_record;
    const char* m_name = nullptr;
    u32 m_exitCode = 0;
    THR_ThreadGroup* m_group = nullptr;
    THR_Thread* m_parent = nullptr;
    THR_Event m_event;
    THR_Mutex* m_eventMutex = nullptr;  // the mutex that waiters on m_event hold
    u8 m_started = 0;
    u8 m_running = 0;
    u8 m_noJoinNeeded = 0;
    u8 m_cancelRequested = 0;
    u8 m_mainThread = 0;
};
