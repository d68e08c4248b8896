// The sample scene's fonts and the letters they are made of, which the menu's pictures use as
// well: the characters 32 to 127, drawn by hand on a grid of 5 x 9 pixels.
#pragma once

#include "os_types.h"
#include "tools_sample.h"

constexpr s32 TOOL_GLYPH_COLUMNS = 5;
// Capitals and digits take rows 0-6, lower-case letters start at row 2, descenders reach row 8.
constexpr s32 TOOL_GLYPH_ROWS = 9;

// Whether pixel (_x, _y) of the character 32 + _glyph is ink; row 0 is the top, and every
// pixel outside the grid is not.
bool TOOL_GlyphInk(s32 _glyph, s32 _x, s32 _y);

// gfx\font\font1.tga, the small font, and gfx\font\font2.tga, the same letters twice the size
// with a shadow.
bool TOOL_SampleFonts(TOOL_SampleOutput& _output);
