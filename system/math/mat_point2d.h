// A point of the plane, as the hull builder and the scan converter take their outlines.
#pragma once

#include "os_types.h"

struct MAT_Point2D
{
    f32 x = 0.0f;
    f32 y = 0.0f;

    bool operator==(const MAT_Point2D& _o) const = default;
};
static_assert(sizeof(MAT_Point2D) == 8, "MAT_Point2D is two floats");
