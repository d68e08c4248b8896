// Writer of TGA pictures (uncompressed true colour, 16, 24 or 32 bits, either origin) for test
// fixtures, texture levels, font sheets and the sample scene. The header fields that the
// engine refuses (other image types, origins, depths) can be set too, so that tests can
// describe bad files; an image ID and a colour map can be added before the pixels.
#pragma once

#include <string>
#include <vector>

#include "os_types.h"

struct TOOL_TGA
{
    s32 width = 0;
    s32 height = 0;
    u8 depth = 32;              // bits per pixel: 16, 24 or 32 (others are written as 32-bit pixels)
    u8 origin = 0;              // descriptor bits 4-5: 0 bottom-left, 2 top-left (1 and 3 only for tests)
    u8 imageType = 2;           // 2: uncompressed true colour
    std::string imageId;        // written after the header (255 bytes at most)
    u16 colorMapLength = 0;     // entries of a colour map (type 1) written after the ID
    u8 colorMapEntryBits = 24;  // its entry size; the entries are filler bytes
    // Row-major, row 0 the top of the picture. 32 bits: 0xAARRGGBB; 24 bits: 0x..RRGGBB;
    // 16 bits: the low word is the stored X1R5G5B5 pixel.
    std::vector<u32> pixels;
};

// A picture of _width x _height pixels of one colour.
TOOL_TGA TOOL_MakeTGA(s32 _width, s32 _height, u8 _depth, u32 _color);

// The file bytes; pixel rows go bottom row first for origins 0 and 1, top row first otherwise.
std::string TOOL_TGABytes(const TOOL_TGA& _picture);

// Writes the file (no directories are created); 0 when it cannot be written.
u32 TOOL_WriteTGA(const std::string& _path, const TOOL_TGA& _picture);

// The X1R5G5B5 word of an 8-bit colour (the top bit clear).
u16 TOOL_Color555(u8 _red, u8 _green, u8 _blue);
