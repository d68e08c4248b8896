#include "gfx_picturetga.h"

#include <cstring>

#include "os_fatal.h"
#include "os_file.h"
#include "os_string.h"

GFX_PictureTGA::GFX_PictureTGA() {}

GFX_PictureTGA::~GFX_PictureTGA() { Close(); }

void GFX_PictureTGA::Close()
{
    m_file.Close();
    m_name[0] = 0;
    m_idLength = 0;
    m_colorMapType = 0;
    m_imageType = 0;
    m_colorMapFirst = 0;
    m_colorMapLength = 0;
    m_colorMapEntrySize = 0;
    m_originX = 0;
    m_originY = 0;
    m_width = 0;
    m_height = 0;
    m_depth = 0;
    m_descriptor = 0;
    m_dataSize = 0;
}

u32 GFX_PictureTGA::Open(const char* _name, u32 _require)
{
    Close();
    if (_require != 0)
        OS_RequireFile(_name);
    if (!m_file.Open(_name))
        return 0;
    OS_StrCopyBounded(m_name, _name, sizeof(m_name));

    u8 header[HEADER_BYTES];
    u32 got = m_file.Read(header, HEADER_BYTES);
    if (got < HEADER_BYTES)
        OS_Log(OS_Format("GFX_PictureTGA::Open(): %s has a header of %u bytes", m_name, got));
    m_idLength = header[0];
    m_colorMapType = header[1];
    m_imageType = header[2];
    m_colorMapFirst = OS_ReadU16LE(header + 3);
    m_colorMapLength = OS_ReadU16LE(header + 5);
    m_colorMapEntrySize = header[7];
    m_originX = OS_ReadU16LE(header + 8);
    m_originY = OS_ReadU16LE(header + 10);
    m_width = OS_ReadU16LE(header + 12);
    m_height = OS_ReadU16LE(header + 14);
    m_depth = header[16];
    m_descriptor = header[17];
    m_dataSize = (u64)(m_depth / 8) * (u64)m_width * (u64)m_height;

    if (m_depth != 16 && m_depth != 24 && m_depth != 32)
        OS_Fatal("GFX_PictureTGA::Open() : only 16, 24 or 32 bit pixel depth is supported", _name);
    if (m_imageType != 2)
        OS_Fatal("GFX_PictureTGA::Open() : only uncompressed, true color (24/32) is supported", _name);
    u32 origin = (m_descriptor >> 4) & 3;
    if (origin != ORIGIN_BOTTOM_LEFT && origin != ORIGIN_TOP_LEFT)
        OS_Fatal("GFX_PictureTGA::Open() : only bottomleft or topleft origin is supported", _name);

    // Pixels follow the image ID and, when present, the colour map.
    u32 skip = m_idLength;
    if (m_colorMapType == 1)
        skip += (u32)m_colorMapLength * (((u32)m_colorMapEntrySize + 7) / 8);
    m_file.SeekSet((s32)(HEADER_BYTES + skip));
    return 1;
}

namespace
{

// One converter per memory format and source depth; each converts one row. The pixel size
// is a template argument so that every loop is compiled for its source depth.
inline void StoreU16(u8* _to, u16 _value) { memcpy(_to, &_value, 2); }

template <s32 STEP>
void Row565(const u8* _src, u8* _dst, s32 _count)
{
    for (s32 i = 0; i < _count; ++i, _src += STEP, _dst += 2) {
        u32 b = _src[0], g = _src[1], r = _src[2];
        StoreU16(_dst, (u16)(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3)));
    }
}

void Row1555From16(const u8* _src, u8* _dst, s32 _count)
{
    for (s32 i = 0; i < _count; ++i, _src += 2, _dst += 2) {
        u16 pixel = OS_ReadU16LE(_src);
        // Pure magenta is the transparent colour of 16-bit pictures.
        StoreU16(_dst, (pixel & 0x7FFF) == 0x7C1F ? (u16)0 : (u16)(pixel | 0x8000));
    }
}

template <s32 STEP>
void Row1555(const u8* _src, u8* _dst, s32 _count)
{
    for (s32 i = 0; i < _count; ++i, _src += STEP, _dst += 2) {
        u32 b = _src[0], g = _src[1], r = _src[2];
        u32 opaque = (STEP == 3 || _src[3] == 255) ? 0x8000 : 0;
        StoreU16(_dst, (u16)(opaque | ((r & 0xF8) << 7) | ((g & 0xF8) << 2) | (b >> 3)));
    }
}

// SWAP: R, G, B, A in memory; otherwise B, G, R, A as the file stores them.
template <s32 STEP, bool SWAP>
void Row8888(const u8* _src, u8* _dst, s32 _count)
{
    for (s32 i = 0; i < _count; ++i, _src += STEP, _dst += 4) {
        _dst[0] = _src[SWAP ? 2 : 0];
        _dst[1] = _src[1];
        _dst[2] = _src[SWAP ? 0 : 2];
        _dst[3] = STEP == 4 ? _src[3] : 255;
    }
}

}  // namespace

u32 GFX_PictureTGA::ReadData(Format _format, const char* _caption, const char* _no16Message, u8* _destination,
                             s32 _pitch, u32 _bottomUp)
{
    if (m_depth != 16 && m_depth != 24 && m_depth != 32)
        OS_Fatal(_caption, "unsupported pixel depth");
    u32 origin = (m_descriptor >> 4) & 3;
    if (origin != ORIGIN_BOTTOM_LEFT && origin != ORIGIN_TOP_LEFT)
        OS_Fatal(_caption, "unsupported origin");
    if (m_depth == 16 && _format != FORMAT_ARGB1555)
        OS_Fatal(_caption, _no16Message);
    if (m_width == 0 || m_height == 0)
        return 1;

    u32 start = m_file.Tell();
    s32 step = m_depth / 8;
    u32 rowBytes = (u32)m_width * (u32)step;
    u8* row = (u8*)MEM_AllocOrDie(rowBytes, _caption);

    // A bottom-left file stores its bottom row first. It is turned over for top-down output
    // (flag 0); a top-left file only for a flag of exactly 1. Rather than flipping afterwards,
    // each row goes straight to its final place.
    u32 flip = origin == ORIGIN_BOTTOM_LEFT ? (_bottomUp == 0) : (_bottomUp == 1);

    u64 missing = 0;
    for (s32 y = 0; y < m_height; ++y) {
        u32 got = m_file.Read(row, rowBytes);  // zero-fills what the file does not hold
        missing += rowBytes - got;
        s32 target = flip ? m_height - 1 - y : y;
        u8* out = _destination + (ptrdiff_t)target * _pitch;
        switch (_format) {
        case FORMAT_RGB565:
            (step == 3 ? Row565<3> : Row565<4>)(row, out, m_width);
            break;
        case FORMAT_ARGB1555:
            (step == 2 ? Row1555From16 : step == 3 ? Row1555<3> : Row1555<4>)(row, out, m_width);
            break;
        case FORMAT_RGBA8888:
            (step == 3 ? Row8888<3, true> : Row8888<4, true>)(row, out, m_width);
            break;
        case FORMAT_BGRA8888:
            if (step == 4)
                memcpy(out, row, rowBytes);
            else
                Row8888<3, false>(row, out, m_width);
            break;
        }
    }
    MEM_Free(row);
    if (missing != 0)
        OS_Log(OS_Format("%s: %s is %llu bytes shorter than its header promises, read as zeros", _caption, m_name,
                         (unsigned long long)missing));
    m_file.SeekSet((s32)start);
    return 1;
}

u32 GFX_PictureTGA::ReadData_RGB565(void* _destination, s32 _pitch, u32 _bottomUp)
{
    return ReadData(FORMAT_RGB565, "GFX_PictureTGA::ReadData_RGB565()", "555 to 565 conversion not supported",
                    (u8*)_destination, _pitch, _bottomUp);
}

u32 GFX_PictureTGA::ReadData_ARGB1555(void* _destination, s32 _pitch, u32 _bottomUp)
{
    return ReadData(FORMAT_ARGB1555, "GFX_PictureTGA::ReadData_ARGB1555()", "", (u8*)_destination, _pitch, _bottomUp);
}

u32 GFX_PictureTGA::ReadData_RGBA8888(void* _destination, s32 _pitch, u32 _bottomUp)
{
    return ReadData(FORMAT_RGBA8888, "GFX_PictureTGA::ReadData_RGBA8888()", "555 to rgba8888 conversion not supported",
                    (u8*)_destination, _pitch, _bottomUp);
}

u32 GFX_PictureTGA::ReadData_BGRA8888(void* _destination, s32 _pitch, u32 _bottomUp)
{
    return ReadData(FORMAT_BGRA8888, "GFX_PictureTGA::ReadData_BGRA8888()", "555 to bgra8888 conversion not supported",
                    (u8*)_destination, _pitch, _bottomUp);
}
