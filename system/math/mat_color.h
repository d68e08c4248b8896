// Colour bytes as the display stores them (B, G, R, A in memory) turned into float colours.
#pragma once

#include "mat_vector.h"
#include "os_types.h"

// (red, green, blue) = bytes 2, 1, 0 times 1/255; the alpha byte is not read.
void MAT_ColorFromBytes(const u8 _bytes[4], MAT_Vector3& _color);
