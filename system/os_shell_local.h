// Shell internals shared by its source files (not for other components).
#pragma once

#include "../platform/plt_system.h"
#include "os_types.h"

// Chooses the clock source (the high-resolution counter when it has a frequency, else the
// millisecond timer at 1000 ticks per second) and sets the offset to 0.
void OS_ClockStart();

// Acts on one event the way the window procedure does. May raise OS_Fatal (phase 2).
void OS_WindowProc(const PLT_Event& _event);
