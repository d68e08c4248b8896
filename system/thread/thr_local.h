// Inside the thread layer: the process-wide state that the waits consult, and the seams that
// let tests see into the kernel objects and make their creation fail.
#pragma once

#include "thr_kernel.h"

class THR_Thread;
class THR_TlsKey;

// The thread-layer state shared by the thr_*.cpp files (thr_process.cpp owns it).
void THR_SetThreadsRegistered(u32 _registered);
THR_TlsKey* THR_GetLockGuardKey();  // null before THR_InitProcess

// Kernel objects alive now.
u32 THR_KernelObjectCount();
// Lets _after more objects be made, fails the one after, then succeeds again.
void THR_KernelFailCreation(u32 _after);
// Blocks until at least _count threads are queued in a wait that names the object.
void THR_KernelAwaitWaiters(THR_Handle _handle, u32 _count);
