// The DDS form of a texture, as far as the texture files use it: the magic "DDS ", a 124-byte
// header, then the stored levels largest first, each as DXT blocks back to back.
//
// Only the fields below are decoded; everything else in the header is ignored. The sizes of
// the stored levels come from the texture type, never from the header's pitch or linear size.
#pragma once

#include "os_types.h"

enum
{
    DSP_DDS_MAGIC_BYTES = 4,
    DSP_DDS_HEADER_BYTES = 124,
    DSP_DDS_DATA_OFFSET = DSP_DDS_MAGIC_BYTES + DSP_DDS_HEADER_BYTES,
    DSP_DDS_FLAG_WIDTH = 0x4,  // header flag: the width field is valid
};

// The decoded header fields (offsets relative to the header, after the magic).
struct DSP_DdsHeader
{
    u32 flags = 0;     // bytes 4-7
    u32 height = 0;    // bytes 8-11
    u32 width = 0;     // bytes 12-15
    u32 mipCount = 0;  // bytes 24-27: stored levels; 0 counts as 1
    u32 fourCC = 0;    // bytes 80-83, first character in the lowest byte
};

// Decodes magic and header from the first _count bytes of a file: 0 when fewer than
// DSP_DDS_DATA_OFFSET bytes are given or the magic is not "DDS ".
u32 DSP_DdsDecodeHeader(const u8* _bytes, u32 _count, DSP_DdsHeader* _header);

// The texture type of "DXT1".."DXT5" (0-4), else DSP_TEXTURE_NONE.
s32 DSP_DdsTypeOfCode(u32 _fourCC);

// The level of a side 1, 2, 4 .. 2048 (0-11), else -1.
s32 DSP_DdsLevelOfSide(u32 _side);

// The number of levels the file claims to store.
u32 DSP_DdsStoredLevels(const DSP_DdsHeader& _header);

// File offset of _level in a file whose largest level is _fileLevel, levels of _type stored
// largest first (_level <= _fileLevel).
u64 DSP_DdsLevelOffset(s32 _type, s32 _fileLevel, s32 _level);
