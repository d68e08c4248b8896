// The real clock: raw platform ticks plus an offset. The shell freezes it while the program is
// inactive by moving the offset, so readings never jump; everything below the shell may read it.
#pragma once

#include "os_types.h"

// Chooses the clock source (the high-resolution counter when it has a frequency, else the
// millisecond timer at 1000 ticks per second) and sets the offset to 0. Reading the clock
// before any start chooses the source then.
void OS_ClockStart();

// Real clock in seconds: (raw counter + offset) / frequency. Frozen while inactive.
f64 OS_Time();
s64 OS_GetTicks();
// Moves the clock so that it reads _ticks now and runs on from there.
void OS_SetTicks(s64 _ticks);
s64 OS_GetTickFrequency();
