#include "tools_dds.h"

#include <fstream>

namespace
{

u16 Color565(u32 _color)
{
    const u32 red = (_color >> 16) & 0xFF;
    const u32 green = (_color >> 8) & 0xFF;
    const u32 blue = _color & 0xFF;
    return (u16)(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
}

u32 Premultiplied(u32 _color)
{
    const u32 alpha = _color >> 24;
    u32 result = _color & 0xFF000000u;
    for (u32 shift = 0; shift < 24; shift += 8)
        result |= ((((_color >> shift) & 0xFF) * alpha / 255) << shift);
    return result;
}

// A colour block of one colour: both end points equal, every index 0.
std::string ColorBlock(u32 _color)
{
    std::string block(8, '\0');
    u8* bytes = (u8*)block.data();
    OS_WriteU16LE(bytes, Color565(_color));
    OS_WriteU16LE(bytes + 2, Color565(_color));
    return block;
}

}  // namespace

u32 TOOL_DxtLevelBytes(u32 _dxt, u32 _side)
{
    const u32 blocks = (_side + 3) / 4;
    return (blocks == 0 ? 1 : blocks * blocks) * (_dxt == 0 ? 8u : 16u);
}

std::string TOOL_DxtSolidBlock(u32 _dxt, u32 _color)
{
    const u32 alpha = _color >> 24;
    if (_dxt == 0) {
        if (alpha >= 128)
            return ColorBlock(_color);
        // End points in the three-colour order, every index 3: transparent black.
        std::string block(8, '\0');
        OS_WriteU32LE((u8*)block.data() + 4, 0xFFFFFFFFu);
        return block;
    }
    const u32 color = (_dxt == 1 || _dxt == 3) ? Premultiplied(_color) : _color;
    std::string alphaBlock(8, '\0');
    u8* bytes = (u8*)alphaBlock.data();
    if (_dxt <= 2) {
        // Explicit alpha: sixteen 4-bit values.
        const u32 nibble = alpha >> 4;
        for (u32 i = 0; i < 8; ++i)
            bytes[i] = (u8)(nibble | (nibble << 4));
    } else {
        // Interpolated alpha: both end points the alpha, every index 0.
        bytes[0] = (u8)alpha;
        bytes[1] = (u8)alpha;
    }
    return alphaBlock + ColorBlock(color);
}

std::string TOOL_DxtLevel(u32 _dxt, u32 _side, const std::string& _block)
{
    const u32 count = TOOL_DxtLevelBytes(_dxt, _side) / (_dxt == 0 ? 8u : 16u);
    std::string level;
    level.reserve((size_t)count * _block.size());
    for (u32 i = 0; i < count; ++i)
        level += _block;
    return level;
}

TOOL_DDS TOOL_MakeDDS(u32 _dxt, u32 _side, u32 _levelCount, u32 _color)
{
    TOOL_DDS dds;
    dds.dxt = _dxt;
    dds.width = _side;
    dds.height = _side;
    dds.mipCount = _levelCount;
    const std::string block = TOOL_DxtSolidBlock(_dxt, _color);
    u32 side = _side;
    for (u32 i = 0; i < _levelCount; ++i) {
        dds.levels.push_back(TOOL_DxtLevel(_dxt, side, block));
        side = side > 1 ? side / 2 : 1;
    }
    return dds;
}

std::string TOOL_DDSBytes(const TOOL_DDS& _dds)
{
    std::string bytes(TOOL_DDS_HEADER_BYTES, '\0');
    u8* p = (u8*)bytes.data();
    p[0] = 'D';
    p[1] = 'D';
    p[2] = 'S';
    p[3] = ' ';
    u8* header = p + 4;
    OS_WriteU32LE(header + 0, 124);
    OS_WriteU32LE(header + 4, _dds.flags);
    OS_WriteU32LE(header + 8, _dds.height);
    OS_WriteU32LE(header + 12, _dds.width);
    OS_WriteU32LE(header + 16, TOOL_DxtLevelBytes(_dds.dxt, _dds.width));  // linear size
    OS_WriteU32LE(header + 24, _dds.mipCount);
    // Pixel format: its size, "four-character code present", the code.
    OS_WriteU32LE(header + 72, 32);
    OS_WriteU32LE(header + 76, 0x4);
    header[80] = 'D';
    header[81] = 'X';
    header[82] = 'T';
    header[83] = (u8)('1' + _dds.dxt);
    // Caps: a texture, with mipmaps when there are several levels.
    OS_WriteU32LE(header + 104, _dds.mipCount > 1 ? 0x00401008u : 0x00001000u);
    for (const std::string& level : _dds.levels)
        bytes += level;
    return bytes;
}

u32 TOOL_WriteDDS(const std::string& _path, const TOOL_DDS& _dds)
{
    const std::string bytes = TOOL_DDSBytes(_dds);
    std::ofstream out(_path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    out.close();
    return out.good() ? 1 : 0;
}
