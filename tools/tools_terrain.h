// Terrain fixtures: height-field pictures and random height fields for tests, fuzz seeds and
// the sample scene.
#pragma once

#include <string>
#include <vector>

#include "os_types.h"
#include "tools_tga.h"

// ---- Height fields --------------------------------------------------------------------------
// A height field is _size x _size u16 samples, row-major, row 0 the field's lowest row.

// The picture the terrain reads a height field from: red holds a sample's high byte, green its
// low byte, blue 0 (alpha 255 at 32 bits). Row 0 of the field is the picture's bottom row.
// _depth 24 or 32. Samples missing from the vector count as 0.
TOOL_TGA TOOL_HeightFieldTGA(s32 _size, const std::vector<u16>& _samples, u8 _depth = 24);
// Writes that picture; 0 when it cannot be written.
u32 TOOL_WriteHeightField(const std::string& _path, s32 _size, const std::vector<u16>& _samples, u8 _depth = 24);

// A smooth random height field of _size = 2^n + 1 samples (n >= 1; any other size gives an empty
// vector), from the seed alone: the same seed gives the same field on every machine. Midpoint
// displacement on a grid that wraps around, so the first and last row (and column) are equal
// and the field continues seamlessly into copies of itself in any grid arrangement. The
// samples span _low .. _high (the lowest sample is _low, the highest _high, unless all equal).
std::vector<u16> TOOL_RandomHeightField(s32 _size, u32 _seed, u16 _low, u16 _high);
// ---- End of height fields -------------------------------------------------------------------
