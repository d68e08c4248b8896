// The one "floor by rounding" of the program.
//
// Float-to-integer floors are computed as the rounding to nearest of x - 0.49999988, in the
// default rounding mode (ties to even). This is not floor(): values just below an integer can
// round up to it (0.99999994 gives 1, 1.99999988 gives 2). Every machine must agree on these
// results, so every such floor goes through here.
// The difference is taken in double: in single precision x - 0.49999988 lands exactly on a
// tie for odd integers from 3 up and would round 3.0 down to 2. Results outside s32 are
// pinned to its range; NaN gives 0.
#pragma once

#include <cmath>

#include "os_types.h"

inline s32 MAT_FloorByRounding(f32 _x)
{
    const f64 rounded = std::rint((f64)_x - (f64)0.49999988f);
    if (rounded >= 2147483647.0)
        return 2147483647;
    if (rounded <= -2147483648.0)
        return (s32)(-2147483647 - 1);
    return rounded == rounded ? (s32)rounded : 0;
}

// The matching "rounded up": the nearest integer to x + 0.49999988, with the same care (the sum
// in double, pinned to s32, NaN 0). Values just above an integer can round down to it.
inline s32 MAT_CeilByRounding(f32 _x)
{
    const f64 rounded = std::rint((f64)_x + (f64)0.49999988f);
    if (rounded >= 2147483647.0)
        return 2147483647;
    if (rounded <= -2147483648.0)
        return (s32)(-2147483647 - 1);
    return rounded == rounded ? (s32)rounded : 0;
}
