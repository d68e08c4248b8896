// Reader of uncompressed true-colour TGA pictures (16, 24 or 32 bits, bottom-left or top-left
// origin), converting on the fly into one of the four memory formats the program uses.
//
// The file comes through OS_File (disk first, then the packed archive). Open reads and checks
// the header; each reader then converts all pixels into the caller's destination, which must
// hold height rows of pitch bytes (width x 2 or width x 4 bytes used per row). A reader leaves
// the file where it found it, so one open picture can be read several times in several formats.
// The image ID and colour map are skipped. A file shorter than its header promises reads as
// zeros past its end (logged once per read); nothing is read beyond the file.
#pragma once

#include "mem_alloc.h"
#include "os_file.h"
#include "os_types.h"

class GFX_PictureTGA : public MEM_Object
{
public:
    enum
    {
        HEADER_BYTES = 18
    };
    enum
    {
        ORIGIN_BOTTOM_LEFT = 0,
        ORIGIN_TOP_LEFT = 2
    };

    GFX_PictureTGA();
    ~GFX_PictureTGA();  // closes the file
    GFX_PictureTGA(const GFX_PictureTGA&) = delete;
    GFX_PictureTGA& operator=(const GFX_PictureTGA&) = delete;

    // With _require non-zero a missing file is fatal (OS_RequireFile). Returns 0 when the file
    // cannot be opened, 1 when the header was read and accepted; a header of another depth,
    // image type or origin is fatal with the problem as caption and the file name as message.
    u32 Open(const char* _name, u32 _require);
    void Close();

    s32 GetWidth() const { return m_width; }
    s32 GetHeight() const { return m_height; }
    s32 GetDepth() const { return m_depth; }  // bits per pixel: 16, 24 or 32

    // Each converts every pixel into _destination, row r at _destination + r x _pitch. With
    // _bottomUp 0 row 0 is the top row of the picture; with 1 the bottom row (textures). They
    // return 1. Only ReadData_ARGB1555 accepts 16-bit pictures (the others are fatal for them).
    u32 ReadData_RGB565(void* _destination, s32 _pitch, u32 _bottomUp);
    // 16-bit: pure magenta (low 15 bits 0x7C1F) becomes 0, any other pixel gets bit 15;
    // 32-bit: bit 15 only for alpha 255; 24-bit: always bit 15.
    u32 ReadData_ARGB1555(void* _destination, s32 _pitch, u32 _bottomUp);
    u32 ReadData_RGBA8888(void* _destination, s32 _pitch, u32 _bottomUp);  // bytes R, G, B, A
    u32 ReadData_BGRA8888(void* _destination, s32 _pitch, u32 _bottomUp);  // bytes B, G, R, A

private:
    enum Format
    {
        FORMAT_RGB565,
        FORMAT_ARGB1555,
        FORMAT_RGBA8888,
        FORMAT_BGRA8888
    };
    u32 ReadData(Format _format, const char* _caption, const char* _no16Message, u8* _destination, s32 _pitch,
                 u32 _bottomUp);

    OS_File m_file;
    char m_name[256] = {};  // for the log line of a short file
    // The header fields as read.
    u8 m_idLength = 0;
    u8 m_colorMapType = 0;
    u8 m_imageType = 0;
    u16 m_colorMapFirst = 0;
    u16 m_colorMapLength = 0;
    u8 m_colorMapEntrySize = 0;
    u16 m_originX = 0;
    u16 m_originY = 0;
    s32 m_width = 0;
    s32 m_height = 0;
    s32 m_depth = 0;
    u8 m_descriptor = 0;
    u64 m_dataSize = 0;  // (depth / 8) x width x height: more than 32 bits can hold
};
