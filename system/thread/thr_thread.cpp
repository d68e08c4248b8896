// Thread objects: cancel, join and stop under the object's own mutex.
#include "thr_thread.h"

#include "thr_exception.h"
#include "thr_local.h"
#include "thr_lockguard.h"
#include "thr_process.h"
#include "thr_threadgroup.h"

THR_Thread::THR_Thread(const char* _name, THR_ThreadGroup* _group, THR_Thread* _parent)
    : m_name(_name), m_group(_group), m_parent(_parent ? _parent : this), m_eventMutex(&m_mutex)
{
    m_group->AddThread(this);
}

THR_Thread::THR_Thread(const char* _name, THR_ThreadGroup* _group, MainTag)
    : m_name(_name), m_group(_group), m_parent(this), m_eventMutex(&m_mutex)
{
    m_record.AttachCurrent();
    m_started = 1;
    m_running = 1;
    m_noJoinNeeded = 1;
    m_mainThread = 1;
    m_group->AddThread(this);
    THR_SetThreadsRegistered(1);
}

THR_Thread::~THR_Thread()
{
    if (m_mainThread) {
        THR_SetThreadsRegistered(0);
        return;
    }
    if (m_started) {
        Cancel();
        Join();
    }
    m_group->RemoveThread(this);
}

void THR_Thread::Cancel()
{
    THR_LockGuard guard(m_mutex);
    if (m_started && !m_cancelRequested) {
        m_cancelRequested = 1;
        m_record.Stop();
    }
}

void THR_Thread::Join()
{
    if (THR_GetCurrentThread() == this)
        throw THR_SyncException("Cant join myself");
    if (m_noJoinNeeded || !m_started)
        return;
    THR_LockGuard guard(m_mutex);
    if (!m_noJoinNeeded && m_started) {
        m_event.Wait(*m_eventMutex);
        m_record.Join(&m_exitCode);
    }
}

void THR_Thread::Stop()
{
    if (!m_started)
        return;
    if (m_mainThread)
        throw THR_SyncException("Can not stop main thread");
    Cancel();
    Join();
}
