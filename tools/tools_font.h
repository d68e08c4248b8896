// Writer of font sheets: glyph pictures laid out on a TGA sheet with the marker pixels the
// engine's fonts look for. Pixel (0, 0) holds the start-marker colour, (1, 0) the end-marker
// colour, (2, 0) the key colour; each glyph is framed by a start marker one pixel above and
// left of its top-left pixel and an end marker one pixel below and right of its bottom-right
// pixel. Glyphs go left to right in lines, top-aligned; a line ends where the sheet width is
// reached or where a glyph is lower than the one before it (so that the end markers follow
// the glyphs' order in a row-by-row scan).
#pragma once

#include <vector>

#include "os_types.h"
#include "tools_tga.h"

struct TOOL_FontGlyph
{
    s32 width = 0;
    s32 height = 0;
    std::vector<u32> pixels;  // width x height colours (0xAARRGGBB), row 0 at the top; empty: ink
};

struct TOOL_FontSheet
{
    u8 depth = 32;                // of the written picture: 16, 24 or 32
    u32 startColor = 0xFFFF0000;  // colours as 0xAARRGGBB; the markers must stay distinct
    u32 endColor = 0xFF0000FF;    // from each other and from every other pixel at the
    u32 keyColor = 0xFF000000;    // chosen depth
    u32 backgroundColor = 0xFF000000;
    u32 inkColor = 0xFFFFFFFF;
    s32 sheetWidth = 256;                // wider only when a single glyph needs it
    std::vector<TOOL_FontGlyph> glyphs;  // glyph n is the character 32 + n
};

// Where a glyph's pixels were put, as the engine reads it back.
struct TOOL_FontRect
{
    s32 x = 0;
    s32 y = 0;
    s32 width = 0;
    s32 height = 0;
};

// The sheet as a picture (bottom-left origin); _placed (may be null) gets each glyph's place.
TOOL_TGA TOOL_FontSheetPicture(const TOOL_FontSheet& _sheet, std::vector<TOOL_FontRect>* _placed);

// A colour (0xAARRGGBB) as a TOOL_TGA pixel of _depth bits: the X1R5G5B5 word for 16 bits.
u32 TOOL_TGAPixel(u32 _color, u8 _depth);
