#include "tools_tga.h"

#include <fstream>

TOOL_TGA TOOL_MakeTGA(s32 _width, s32 _height, u8 _depth, u32 _color)
{
    TOOL_TGA picture;
    picture.width = _width;
    picture.height = _height;
    picture.depth = _depth;
    picture.pixels.assign((size_t)(_width > 0 && _height > 0 ? _width * _height : 0), _color);
    return picture;
}

std::string TOOL_TGABytes(const TOOL_TGA& _picture)
{
    const u32 idLength = _picture.imageId.size() < 255 ? (u32)_picture.imageId.size() : 255;
    const u32 mapEntryBytes = ((u32)_picture.colorMapEntryBits + 7) / 8;
    const u32 mapBytes = (u32)_picture.colorMapLength * mapEntryBytes;

    std::string bytes(18, '\0');
    u8* header = (u8*)bytes.data();
    header[0] = (u8)idLength;
    header[1] = _picture.colorMapLength != 0 ? 1 : 0;
    header[2] = _picture.imageType;
    OS_WriteU16LE(header + 3, 0);
    OS_WriteU16LE(header + 5, _picture.colorMapLength);
    header[7] = _picture.colorMapLength != 0 ? _picture.colorMapEntryBits : 0;
    OS_WriteU16LE(header + 12, (u16)_picture.width);
    OS_WriteU16LE(header + 14, (u16)_picture.height);
    header[16] = _picture.depth;
    header[17] = (u8)(((_picture.origin & 3) << 4) | (_picture.depth == 32 ? 8 : 0));

    bytes.append(_picture.imageId, 0, idLength);
    // Filler that would show up as pixels if a reader did not skip the map.
    for (u32 i = 0; i < mapBytes; ++i)
        bytes.push_back((char)(0xA5 ^ i));

    const u32 pixelBytes = _picture.depth == 16 ? 2 : _picture.depth == 24 ? 3 : 4;
    const bool topFirst = (_picture.origin & 2) != 0;
    for (s32 row = 0; row < _picture.height; ++row) {
        const s32 y = topFirst ? row : _picture.height - 1 - row;
        for (s32 x = 0; x < _picture.width; ++x) {
            const size_t index = (size_t)y * (size_t)_picture.width + (size_t)x;
            const u32 color = index < _picture.pixels.size() ? _picture.pixels[index] : 0;
            u8 pixel[4];
            OS_WriteU32LE(pixel, color);  // B, G, R, A; a 16-bit pixel's word first
            bytes.append((const char*)pixel, pixelBytes);
        }
    }
    return bytes;
}

u32 TOOL_WriteTGA(const std::string& _path, const TOOL_TGA& _picture)
{
    const std::string bytes = TOOL_TGABytes(_picture);
    std::ofstream out(_path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    out.close();
    return out.good() ? 1 : 0;
}

u16 TOOL_Color555(u8 _red, u8 _green, u8 _blue)
{
    return (u16)(((_red >> 3) << 10) | ((_green >> 3) << 5) | (_blue >> 3));
}
