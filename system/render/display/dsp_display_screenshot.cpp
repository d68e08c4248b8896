// Reading back the shown frame, screenshots and the TGA writer.
#include <cstdio>

#include "dsp_display.h"
#include "dsp_display_local.h"
#include "os_fatal.h"
#include "os_file.h"

#define DSP_SITE_BASE 6000

namespace
{

// The TGA file; false when it cannot be created.
bool WriteTGAFile(const char* _name, const u8* _pixels, s32 _width, s32 _height)
{
    OS_File file;
    if (!file.OpenWrite(_name))
        return false;
    u8 header[18] = {};
    header[2] = 2;  // uncompressed true colour
    OS_WriteU16LE(header + 12, (u16)_width);
    OS_WriteU16LE(header + 14, (u16)_height);
    header[16] = 24;
    header[17] = 32;  // origin at the top left
    file.Write(header, sizeof(header));
    file.Write(_pixels, (u32)_width * (u32)_height * 3);
    u8 footer[26] = {};
    const char signature[] = "TRUEVISION-XFILE.";
    for (u32 i = 0; i < 17; ++i)
        footer[8 + i] = (u8)signature[i];
    file.Write(footer, sizeof(footer));
    file.Close();
    return true;
}

}  // namespace

s32 DSP_Display::Export(u8* _pixels, s32* _width, s32* _height, s32* _size)
{
    const char* caption = "DSP_Display::Export()";
    if (m_windowed)
        return 1;
    if (_width == nullptr)
        OS_Fatal(caption, "illegal width pointer");
    if (_height == nullptr)
        OS_Fatal(caption, "illegal height pointer");
    if (_size == nullptr)
        OS_Fatal(caption, "illegal depth pointer");
    DSP_RequireDevice(m_device, caption);
    const u32 width = m_present.backBufferWidth;
    const u32 height = m_present.backBufferHeight;
    *_width = (s32)width;
    *_height = (s32)height;
    const u64 needed = (u64)width * height * 3;
    if (_pixels == nullptr) {
        *_size = (s32)needed;
        return 0;
    }
    if (*_size < 0 || (u64)*_size < needed)
        return 1;

    const u32 frameBytes = width * height * 4;
    u8* frame = (u8*)MEM_AllocOrDie(frameBytes > 0 ? frameBytes : 1, caption);
    const s32 result = m_device->GetFrontBuffer(frame, width, height);
    if (result != DEV_OK) {
        MEM_Free(frame);
        DSP_CHECK(result);
    }
    for (u32 i = 0; i < width * height; ++i) {
        _pixels[i * 3 + 0] = frame[i * 4 + 0];
        _pixels[i * 3 + 1] = frame[i * 4 + 1];
        _pixels[i * 3 + 2] = frame[i * 4 + 2];
    }
    MEM_Free(frame);
    return 0;
}

s32 DSP_Display::SaveScreenshot(const char* _base, s32 _number)
{
    if (m_windowed)
        return 1;
    s32 width = 0, height = 0, size = 0;
    if (Export(nullptr, &width, &height, &size) != 0)
        return 1;
    u8* pixels = (u8*)MEM_AllocOrDie((u32)(size > 0 ? size : 1), "DSP_Display::SaveScreenshot()");
    if (Export(pixels, &width, &height, &size) != 0) {
        MEM_Free(pixels);
        return 1;
    }
    char name[1024];
    snprintf(name, sizeof(name), "%s%05d.tga", _base, (int)_number);
    const bool written = WriteTGAFile(name, pixels, width, height);
    MEM_Free(pixels);
    return written ? 0 : 1;
}

s32 DSP_WriteTGA(const char* _name, const u8* _pixels, s32 _width, s32 _height)
{
    WriteTGAFile(_name, _pixels, _width, _height);
    return 1;
}
