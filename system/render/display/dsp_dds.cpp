// DDS header decoding and level layout. The header comes from outside the program: every
// field is decoded on its own and nothing here trusts a size the file states.
#include "dsp_dds.h"

#include "dsp_texture.h"

u32 DSP_DdsDecodeHeader(const u8* _bytes, u32 _count, DSP_DdsHeader* _header)
{
    *_header = DSP_DdsHeader();
    if (_bytes == nullptr || _count < (u32)DSP_DDS_DATA_OFFSET)
        return 0;
    if (_bytes[0] != 'D' || _bytes[1] != 'D' || _bytes[2] != 'S' || _bytes[3] != ' ')
        return 0;
    const u8* header = _bytes + DSP_DDS_MAGIC_BYTES;
    _header->flags = OS_ReadU32LE(header + 4);
    _header->height = OS_ReadU32LE(header + 8);
    _header->width = OS_ReadU32LE(header + 12);
    _header->mipCount = OS_ReadU32LE(header + 24);
    _header->fourCC = OS_ReadU32LE(header + 80);
    return 1;
}

s32 DSP_DdsTypeOfCode(u32 _fourCC)
{
    const u32 prefix = (u32)'D' | ((u32)'X' << 8) | ((u32)'T' << 16);
    if ((_fourCC & 0xFFFFFFu) != prefix)
        return DSP_TEXTURE_NONE;
    const u32 digit = _fourCC >> 24;
    if (digit < '1' || digit > '5')
        return DSP_TEXTURE_NONE;
    return (s32)(digit - '1') + DSP_TEXTURE_DXT1;
}

s32 DSP_DdsLevelOfSide(u32 _side)
{
    for (s32 level = 0; level < DSP_TEXTURE_NUM_LEVELS; ++level)
        if (_side == (1u << level))
            return level;
    return -1;
}

u32 DSP_DdsStoredLevels(const DSP_DdsHeader& _header) { return _header.mipCount == 0 ? 1 : _header.mipCount; }

u64 DSP_DdsLevelOffset(s32 _type, s32 _fileLevel, s32 _level)
{
    u64 offset = DSP_DDS_DATA_OFFSET;
    for (s32 level = _fileLevel; level > _level; --level)
        offset += (u64)DSP_Texture::GetLevelSize(_type, level);
    return offset;
}
