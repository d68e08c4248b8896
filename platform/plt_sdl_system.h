// The SDL2 implementation of PLT_System (private to platform/).
#pragma once

#include "plt_system.h"

// The one process-wide SDL implementation, built at its first use.
PLT_System* PLT_GetSdlSystem();
