// Building and tearing down the thread layer's process-wide objects, in a fixed order.
#include "thr_process.h"

#include <atomic>

#include "thr_local.h"
#include "thr_lockguard.h"
#include "thr_mutex.h"
#include "thr_thread.h"
#include "thr_threadgroup.h"
#include "thr_tlskey.h"

namespace
{
THR_Mutex* s_processMutex = nullptr;
THR_TlsKey* s_lockGuardKey = nullptr;
THR_ThreadGroup* s_mainGroup = nullptr;
THR_Thread* s_mainThread = nullptr;
THR_TlsKey* s_currentThreadKey = nullptr;
u32 s_initialised = 0;
// Read by the waits of every thread.
std::atomic<u32> s_threadsRegistered{0};
}  // namespace

void THR_InitProcess()
{
    if (s_initialised)
        return;
    s_initialised = 1;
    s_processMutex = new THR_Mutex;
    s_lockGuardKey = new THR_TlsKey(THR_Cleanup::ReleaseChain);
    s_mainGroup = new THR_ThreadGroup("Main", nullptr);
    s_mainThread = new THR_Thread("Main", s_mainGroup, THR_Thread::MAIN);
    s_currentThreadKey = new THR_TlsKey(nullptr);
    s_currentThreadKey->Set(s_mainThread);
}

void THR_ShutdownProcess()
{
    if (!s_initialised)
        return;
    delete s_currentThreadKey;
    s_currentThreadKey = nullptr;
    delete s_mainThread;
    s_mainThread = nullptr;
    delete s_mainGroup;
    s_mainGroup = nullptr;
    delete s_lockGuardKey;
    s_lockGuardKey = nullptr;
    delete s_processMutex;
    s_processMutex = nullptr;
    s_initialised = 0;
}

u32 THR_AreThreadsRegistered() { return s_threadsRegistered.load(); }
void THR_SetThreadsRegistered(u32 _registered) { s_threadsRegistered.store(_registered); }
THR_TlsKey* THR_GetLockGuardKey() { return s_lockGuardKey; }
THR_Thread* THR_GetMainThread() { return s_mainThread; }
THR_ThreadGroup* THR_GetMainGroup() { return s_mainGroup; }

THR_Thread* THR_GetCurrentThread() { return s_currentThreadKey ? (THR_Thread*)s_currentThreadKey->Get() : nullptr; }

void THR_SetCurrentThread(THR_Thread* _thread)
{
    if (s_currentThreadKey)
        s_currentThreadKey->Set(_thread);
}
