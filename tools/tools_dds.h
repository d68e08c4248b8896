// Writer of DDS texture files: square DXT1 to DXT5 pictures with their mip levels, for test
// fixtures and the sample scene. The header fields a reader checks (flags, sides, mip count,
// four-character code) are written as given and the levels as given, so that tests can
// describe broken files (short levels, too few mips, odd sides) as easily as good ones.
#pragma once

#include <string>
#include <vector>

#include "os_types.h"

enum
{
    TOOL_DDS_FLAGS = 0x000A1007,  // caps, height, width, pixel format, mip count, linear size
    TOOL_DDS_HEADER_BYTES = 128,  // magic and header: the first level follows
};

struct TOOL_DDS
{
    u32 dxt = 0;  // 0-4: "DXT1".."DXT5"
    u32 width = 0;
    u32 height = 0;
    u32 mipCount = 0;  // the header's stored level count, written as given
    u32 flags = TOOL_DDS_FLAGS;
    std::vector<std::string> levels;  // stored levels, largest first, written back to back
};

// Bytes of one level of side _side: 4x4 blocks of 8 (DXT1) or 16 bytes, at least one block.
u32 TOOL_DxtLevelBytes(u32 _dxt, u32 _side);

// One 4x4 block of a single colour (0xAARRGGBB). DXT2 and DXT4 store the colour multiplied
// by its alpha; DXT1 makes a block with alpha below 128 transparent black.
std::string TOOL_DxtSolidBlock(u32 _dxt, u32 _color);

// The level of side _side filled with _block repeated.
std::string TOOL_DxtLevel(u32 _dxt, u32 _side, const std::string& _block);

// A square picture of side _side in one colour with _levelCount levels from _side down.
TOOL_DDS TOOL_MakeDDS(u32 _dxt, u32 _side, u32 _levelCount, u32 _color);

std::string TOOL_DDSBytes(const TOOL_DDS& _dds);

// Writes the file (no directories are created); 0 when it cannot be written.
u32 TOOL_WriteDDS(const std::string& _path, const TOOL_DDS& _dds);
