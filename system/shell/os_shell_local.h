// Shell internals shared by its source files (not for other components).
#pragma once

#include "os_types.h"
#include "plt_system.h"

// Acts on one event the way the window procedure does. May raise OS_Fatal (phase 2).
void OS_WindowProc(const PLT_Event& _event);
