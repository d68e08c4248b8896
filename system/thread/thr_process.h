// The thread layer's process-wide state: the lock-guard key, the current-thread key, the main
// thread group "Main", the thread object "Main" of the thread that starts the program, and a
// process-wide mutex (made and closed; nothing locks it).
//
// THR_InitProcess builds them in that order (mutex, lock-guard key, group, thread, current-
// thread key, which then holds "Main" for the calling thread); start-up registration calls it before
// anything else runs, and unregistration at exit calls THR_ShutdownProcess, which destroys them in
// reverse order. Both do nothing when already done. Threads count as registered while "Main"
// exists; until then every wait of the layer is a plain wait.
#pragma once

#include "os_types.h"

class THR_Thread;
class THR_ThreadGroup;

void THR_InitProcess();
void THR_ShutdownProcess();

// 1 while the thread object "Main" exists.
u32 THR_AreThreadsRegistered();
THR_Thread* THR_GetMainThread();
THR_ThreadGroup* THR_GetMainGroup();

// The thread object whose record the calling thread's waits consult; null for a thread that
// has none (such a thread cannot be cancelled). Code that starts a thread sets it there.
THR_Thread* THR_GetCurrentThread();
void THR_SetCurrentThread(THR_Thread* _thread);
