// Float colours packed into the display's colour bytes (B, G, R, A in memory).
#pragma once

#include "mat_vector.h"
#include "os_types.h"

// Bytes B, G, R = floor(value x 255) of blue, green and red, held to 0..255 so that a value
// a little outside 0..1 saturates instead of wrapping into the opposite colour; A = 255.
void REB_PackColor(u8 _bytes[4], const MAT_Vector3& _color);
// One component: floor(value x 255) by rounding, held to 0..255.
u8 REB_ColorByte(f32 _value);
