// Fuzzes the TGA reader: the input becomes "in.tga", which is opened and read through all four
// readers (both row orders, into buffers of exactly the promised size, so any write past a
// row or read past the file traps), then loaded as a font sheet. Fatal refusals are expected;
// anything else that goes wrong (a crash, a leak, readers that disagree with each other) traps.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_workdir.h"
#include "gfx_font.h"
#include "gfx_picturetga.h"
#include "mem_alloc.h"
#include "os_fatal.h"

namespace
{

// Pictures above this many pixels are only opened: reading them would spend the run on
// zero-filling what a small input cannot hold.
const u64 MAX_PIXELS = 1u << 14;

void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

// Reads in one format both ways up and checks that the two are each other's mirror.
std::vector<u8> ReadBothWays(GFX_PictureTGA& _picture, u32 _format, u32 _bytesPerPixel)
{
    const s32 pitch = _picture.GetWidth() * (s32)_bytesPerPixel;
    const size_t size = (size_t)pitch * (size_t)_picture.GetHeight();
    std::vector<u8> down(size), up(size);
    u32 (GFX_PictureTGA::*reader)(void*, s32, u32) = _format == 0   ? &GFX_PictureTGA::ReadData_RGB565
                                                     : _format == 1 ? &GFX_PictureTGA::ReadData_ARGB1555
                                                     : _format == 2 ? &GFX_PictureTGA::ReadData_RGBA8888
                                                                    : &GFX_PictureTGA::ReadData_BGRA8888;
    Check((_picture.*reader)(down.data(), pitch, 0) == 1);
    Check((_picture.*reader)(up.data(), pitch, 1) == 1);
    const s32 height = _picture.GetHeight();
    // A picture no pixel wide has no bytes to compare (and its vectors no storage to point at).
    for (s32 y = 0; pitch != 0 && y < height; ++y)
        Check(memcmp(down.data() + (size_t)y * pitch, up.data() + (size_t)(height - 1 - y) * pitch, (size_t)pitch) ==
              0);
    return down;
}

void ReadPicture()
{
    GFX_PictureTGA picture;
    try {
        if (!picture.Open("in.tga", 0))
            return;
    } catch (const OS_FatalError&) {
        return;  // a refused header
    }
    const s32 depth = picture.GetDepth();
    Check(depth == 16 || depth == 24 || depth == 32);
    if ((u64)picture.GetWidth() * (u64)picture.GetHeight() > MAX_PIXELS)
        return;
    const u64 pixels = (u64)picture.GetWidth() * (u64)picture.GetHeight();

    const std::vector<u8> argb = ReadBothWays(picture, 1, 2);
    if (depth == 16) {
        // Only the one reader takes 16-bit pictures, and it never leaves an unmarked colour.
        for (u64 i = 0; i < pixels; ++i) {
            const u16 value = (u16)(argb[i * 2] | (argb[i * 2 + 1] << 8));
            Check(value == 0 || (value & 0x8000) != 0);
        }
        return;
    }
    const std::vector<u8> rgb = ReadBothWays(picture, 0, 2);
    const std::vector<u8> rgba = ReadBothWays(picture, 2, 4);
    const std::vector<u8> bgra = ReadBothWays(picture, 3, 4);
    // The four conversions must agree about every pixel.
    for (u64 i = 0; i < pixels; ++i) {
        const u8* c = &rgba[i * 4];
        Check(c[0] == bgra[i * 4 + 2] && c[1] == bgra[i * 4 + 1] && c[2] == bgra[i * 4] && c[3] == bgra[i * 4 + 3]);
        Check(depth == 32 || c[3] == 255);
        const u16 wide = (u16)(((c[0] & 0xF8) << 8) | ((c[1] & 0xFC) << 3) | (c[2] >> 3));
        const u16 alpha = (u16)((c[0] & 0xF8) << 7 | (c[1] & 0xF8) << 2 | c[2] >> 3 | (c[3] == 255 ? 0x8000 : 0));
        Check((u16)(rgb[i * 2] | (rgb[i * 2 + 1] << 8)) == wide);
        Check((u16)(argb[i * 2] | (argb[i * 2 + 1] << 8)) == alpha);
    }
}

void LoadFont()
{
    GFX_Font font;
    try {
        {
            GFX_PictureTGA picture;
            if (!picture.Open("in.tga", 0) || (u64)picture.GetWidth() * (u64)picture.GetHeight() > MAX_PIXELS)
                return;
        }
        if (!font.Open("in.tga"))
            return;
    } catch (const OS_FatalError&) {
        Check(font.GetIndex() == -1);
        return;  // a refused header or a broken sheet
    }
    const GFX_Picture16* picture = font.GetPicture();
    Check(picture != nullptr && font.GetGlyphCount() <= GFX_Font::MAX_GLYPHS);
    for (s32 i = 0; i < font.GetGlyphCount(); ++i) {
        const GFX_Rect* glyph = font.GetGlyph(32 + (u32)i);
        Check(glyph != nullptr && glyph->width >= 0 && glyph->height >= 0);
        Check(glyph->height <= font.GetLineHeight());
        // Glyphs always lie inside the sheet: between markers that are pixels of it.
        Check(glyph->left >= 1 && glyph->top >= 2 && glyph->right < picture->GetWidth() &&
              glyph->bottom < picture->GetHeight());
    }
    Check(font.GetGlyph(32 + (u32)font.GetGlyphCount()) == nullptr);
    font.Close();
    Check(GFX_Font::GetReferenceCount(0) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    FUZZ_EnterWorkDirectory("tga");
    // Short files and refusals are logged: keep the log from growing over a long run. Emptied
    // rather than removed, so that the directory (and the path resolver's listing) stays put.
    static u32 s_runs = 0;
    if (++s_runs % 256 == 0) {
        const int ignored = truncate("log.txt", 0);  // no log yet is fine
        (void)ignored;
    }
    FUZZ_WriteFile("in.tga", _data, _size);
    const u32 bytesBefore = MEM_GetBytesInUse();
    ReadPicture();
    LoadFont();
    Check(MEM_GetBytesInUse() == bytesBefore);
    return 0;
}
