// The one "floor by rounding" of the program.
//
// Float-to-integer floors are computed as the rounding to nearest of x - 0.49999988, in the
// default rounding mode (ties to even). This is not floor(): values just below an integer can
// round up to it (0.99999994 gives 1, 1.99999988 gives 2). Every machine must agree on these
// results, so every such floor goes through here.
#pragma once

#include <cmath>

#include "os_types.h"

inline s32 MAT_FloorByRounding(f32 _x) { return (s32)lrintf(_x - 0.49999988f); }
