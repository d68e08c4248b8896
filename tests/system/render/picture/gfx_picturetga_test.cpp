#include "gfx_picturetga.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "os_file.h"
#include "test_dir.h"
#include "tools_archive.h"
#include "tools_bytes.h"
#include "tools_tga.h"

namespace
{

enum Reader
{
    RGB565,
    ARGB1555,
    RGBA8888,
    BGRA8888
};

u32 BytesPerPixel(Reader _reader) { return _reader == RGB565 || _reader == ARGB1555 ? 2 : 4; }

u32 Read(GFX_PictureTGA& _picture, Reader _reader, void* _to, s32 _pitch, u32 _bottomUp)
{
    switch (_reader) {
    case RGB565:
        return _picture.ReadData_RGB565(_to, _pitch, _bottomUp);
    case ARGB1555:
        return _picture.ReadData_ARGB1555(_to, _pitch, _bottomUp);
    case RGBA8888:
        return _picture.ReadData_RGBA8888(_to, _pitch, _bottomUp);
    case BGRA8888:
        return _picture.ReadData_BGRA8888(_to, _pitch, _bottomUp);
    }
    return 0;
}

// Reads the whole picture; every row has 3 guard bytes after it that must stay untouched.
std::vector<u8> ReadAll(GFX_PictureTGA& _picture, Reader _reader, u32 _bottomUp)
{
    const s32 rowBytes = _picture.GetWidth() * (s32)BytesPerPixel(_reader);
    const s32 pitch = rowBytes + 3;
    std::vector<u8> memory((size_t)(pitch * _picture.GetHeight()), 0xCD);
    EXPECT_EQ(1u, Read(_picture, _reader, memory.data(), pitch, _bottomUp));
    std::vector<u8> rows;
    for (s32 y = 0; y < _picture.GetHeight(); ++y) {
        const u8* row = memory.data() + y * pitch;
        rows.insert(rows.end(), row, row + rowBytes);
        for (s32 i = rowBytes; i < pitch; ++i)
            EXPECT_EQ(0xCD, row[i]) << "row " << y << " padding overwritten";
    }
    return rows;
}

}  // namespace

// The rows of a 2x3 picture in every depth and origin come out top-down with flag 0 and
// bottom-up with flag 1; other non-zero flags count as bottom-up only for a bottom-left file.
TEST(GfxPictureTGATest, RowOrderForBothOriginsAndAllDepths)
{
    TST_TempDir dir;
    // Top row first: 0x11.., 0x22.. / 0x33.., 0x44.. / 0x55.., 0x66..
    const u32 colors[6] = {0xFF110000, 0xFF220000, 0xFF330000, 0xFF440000, 0xFF550000, 0xFF660000};
    for (u8 depth : {16, 24, 32}) {
        for (u8 origin : {0, 2}) {
            for (u32 flag : {0u, 1u, 2u}) {
                SCOPED_TRACE(testing::Message()
                             << "depth " << (int)depth << " origin " << (int)origin << " flag " << flag);
                TOOL_TGA tga = TOOL_MakeTGA(2, 3, depth, 0);
                for (int i = 0; i < 6; ++i)
                    tga.pixels[i] = depth == 16 ? (u32)(i + 1) << 10 : colors[i];
                tga.origin = origin;
                dir.Write("p.tga", TOOL_TGABytes(tga));

                GFX_PictureTGA picture;
                ASSERT_EQ(1u, picture.Open("p.tga", 1));
                EXPECT_EQ(2, picture.GetWidth());
                EXPECT_EQ(3, picture.GetHeight());
                EXPECT_EQ(depth, picture.GetDepth());
                const Reader reader = depth == 16 ? ARGB1555 : BGRA8888;
                const std::vector<u8> rows = ReadAll(picture, reader, flag);
                const bool bottomUp = flag == 1 || (flag != 0 && origin == 0);
                for (int y = 0; y < 3; ++y) {
                    const int imageRow = bottomUp ? 2 - y : y;
                    for (int x = 0; x < 2; ++x) {
                        const int index = imageRow * 2 + x;
                        if (depth == 16) {
                            const size_t at = (size_t)(y * 4 + x * 2);
                            EXPECT_EQ(0x8000 | ((index + 1) << 10), rows[at] | (rows[at + 1] << 8));
                        } else {
                            EXPECT_EQ(0x11 * (index + 1), rows[(size_t)(y * 8 + x * 4 + 2)])
                                << "red of " << x << "," << y;
                        }
                    }
                }
            }
        }
    }
}

// Each reader's conversion of single pixels.
TEST(GfxPictureTGATest, ConversionsOfTheFourReaders)
{
    struct Case
    {
        u8 depth;
        u32 pixel;  // as TOOL_TGA stores it
        Reader reader;
        std::vector<u8> expected;
    };
    const std::vector<Case> cases = {
        {24, 0xD58E47, RGB565, TOOL_U16Bytes({0xD468})},
        {32, 0x00D58E47, RGB565, TOOL_U16Bytes({0xD468})},  // alpha ignored
        {24, 0xD58E47, ARGB1555, TOOL_U16Bytes({0xEA28})},
        {32, 0xFFD58E47, ARGB1555, TOOL_U16Bytes({0xEA28})},
        {32, 0xFED58E47, ARGB1555, TOOL_U16Bytes({0x6A28})},  // only alpha 255 is opaque
        {16, 0x7C1F, ARGB1555, TOOL_U16Bytes({0x0000})},      // pure magenta is transparent
        {16, 0xFC1F, ARGB1555, TOOL_U16Bytes({0x0000})},
        {16, 0x7C1E, ARGB1555, TOOL_U16Bytes({0xFC1E})},  // one bit off magenta keeps its colour
        {16, 0x7C3F, ARGB1555, TOOL_U16Bytes({0xFC3F})},
        {16, 0x1234, ARGB1555, TOOL_U16Bytes({0x9234})},
        {16, 0x0000, ARGB1555, TOOL_U16Bytes({0x8000})},
        {24, 0xD58E47, RGBA8888, {0xD5, 0x8E, 0x47, 0xFF}},
        {32, 0x12D58E47, RGBA8888, {0xD5, 0x8E, 0x47, 0x12}},
        {24, 0xD58E47, BGRA8888, {0x47, 0x8E, 0xD5, 0xFF}},
        {32, 0x12D58E47, BGRA8888, {0x47, 0x8E, 0xD5, 0x12}},
    };
    TST_TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "depth " << (int)c.depth << " pixel " << std::hex << c.pixel << " reader "
                                        << (int)c.reader);
        dir.Write("p.tga", TOOL_TGABytes(TOOL_MakeTGA(1, 1, c.depth, c.pixel)));
        GFX_PictureTGA picture;
        ASSERT_EQ(1u, picture.Open("p.tga", 0));
        EXPECT_EQ(c.expected, ReadAll(picture, c.reader, 0));
    }
}

// A reader leaves the file where it was, so one open picture reads in several formats.
TEST(GfxPictureTGATest, ReadsTheSamePixelsTwiceInTwoFormats)
{
    TST_TempDir dir;
    TOOL_TGA tga = TOOL_MakeTGA(3, 2, 32, 0);
    tga.pixels = {0xFF102030, 0xFE405060, 0xFF708090, 0x00A0B0C0, 0xFFD0E0F0, 0x80010203};
    dir.Write("p.tga", TOOL_TGABytes(tga));

    GFX_PictureTGA once;
    ASSERT_EQ(1u, once.Open("p.tga", 1));
    const std::vector<u8> fresh1555 = ReadAll(once, ARGB1555, 0);

    GFX_PictureTGA twice;
    ASSERT_EQ(1u, twice.Open("p.tga", 1));
    const std::vector<u8> bgra = ReadAll(twice, BGRA8888, 0);
    EXPECT_EQ(fresh1555, ReadAll(twice, ARGB1555, 0));
    EXPECT_EQ(bgra, ReadAll(twice, BGRA8888, 0));
    EXPECT_EQ(0x30, bgra[0]);
    EXPECT_EQ(0x80, bgra[23]);
}

// The pixels follow the image ID and the colour map, whatever their sizes.
TEST(GfxPictureTGATest, SkipsImageIdAndColourMap)
{
    TST_TempDir dir;
    TOOL_TGA plain = TOOL_MakeTGA(2, 2, 24, 0);
    plain.pixels = {0x010203, 0x040506, 0x070809, 0x0A0B0C};
    dir.Write("plain.tga", TOOL_TGABytes(plain));
    GFX_PictureTGA reference;
    ASSERT_EQ(1u, reference.Open("plain.tga", 1));
    const std::vector<u8> expected = ReadAll(reference, RGBA8888, 0);

    struct Extra
    {
        const char* id;
        u16 mapLength;
        u8 mapBits;
    };
    for (const Extra& extra :
         {Extra{"name of the picture", 0, 24}, Extra{"", 5, 24}, Extra{"x", 3, 15}, Extra{"id", 256, 32}}) {
        SCOPED_TRACE(testing::Message() << "id '" << extra.id << "' map " << extra.mapLength << "x"
                                        << (int)extra.mapBits);
        TOOL_TGA tga = plain;
        tga.imageId = extra.id;
        tga.colorMapLength = extra.mapLength;
        tga.colorMapEntryBits = extra.mapBits;
        dir.Write("extra.tga", TOOL_TGABytes(tga));
        GFX_PictureTGA picture;
        ASSERT_EQ(1u, picture.Open("extra.tga", 1));
        EXPECT_EQ(expected, ReadAll(picture, RGBA8888, 0));
    }
}

// What the file does not hold reads as zeros and is logged; nothing past the end is read.
TEST(GfxPictureTGATest, ShortFileIsZeroFilledAndLogged)
{
    TST_TempDir dir;
    TOOL_TGA tga = TOOL_MakeTGA(4, 4, 32, 0xFFFFFFFF);
    tga.origin = 2;
    const std::string whole = TOOL_TGABytes(tga);
    // Two rows and one pixel and a half of the third.
    dir.Write("short.tga", whole.substr(0, 18 + 2 * 16 + 6));

    GFX_PictureTGA picture;
    ASSERT_EQ(1u, picture.Open("short.tga", 1));
    const std::vector<u8> rows = ReadAll(picture, BGRA8888, 0);
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(i < 38 ? 0xFF : 0x00, rows[i]) << "byte " << i;
    const std::vector<u8> again = ReadAll(picture, BGRA8888, 0);
    EXPECT_EQ(rows, again);
    EXPECT_NE(std::string::npos,
              dir.Read("log.txt").find("GFX_PictureTGA::ReadData_BGRA8888(): short.tga is 26 bytes shorter than "
                                       "its header promises, read as zeros"));
}

TEST(GfxPictureTGATest, ReadsFromTheArchive)
{
    TST_TempDir dir;
    ASSERT_EQ(1u, TOOL_WriteArchive(".", {{"gfx\\pic.tga", TOOL_TGABytes(TOOL_MakeTGA(1, 1, 24, 0x102030))}}));
    OS_Archive::Open();
    {
        GFX_PictureTGA picture;
        ASSERT_EQ(1u, picture.Open("GFX/PIC.TGA", 1));
        EXPECT_EQ((std::vector<u8>{0x30, 0x20, 0x10, 0xFF}), ReadAll(picture, BGRA8888, 1));
    }
    OS_Archive::Close();
}

TEST(GfxPictureTGATest, MissingFileFailsOrIsFatalWhenRequired)
{
    TST_TempDir dir;
    GFX_PictureTGA picture;
    EXPECT_EQ(0u, picture.Open("none.tga", 0));
    EXPECT_FATAL(picture.Open("none.tga", 1), "none.tga", "ERROR: FILE NOT FOUND");
}

// Open names the fault in the caption and the file in the message, depth checked first.
TEST(GfxPictureTGATest, RefusedHeadersAreFatal)
{
    const char* depthCaption = "GFX_PictureTGA::Open() : only 16, 24 or 32 bit pixel depth is supported";
    const char* typeCaption = "GFX_PictureTGA::Open() : only uncompressed, true color (24/32) is supported";
    const char* originCaption = "GFX_PictureTGA::Open() : only bottomleft or topleft origin is supported";
    struct Case
    {
        u8 depth;
        u8 imageType;
        u8 origin;
        const char* caption;
    };
    TST_TempDir dir;
    for (const Case& c : {Case{8, 2, 0, depthCaption}, Case{15, 2, 0, depthCaption}, Case{8, 10, 1, depthCaption},
                          Case{24, 10, 0, typeCaption}, Case{32, 1, 3, typeCaption}, Case{24, 2, 1, originCaption},
                          Case{16, 2, 3, originCaption}}) {
        SCOPED_TRACE(c.caption);
        TOOL_TGA tga = TOOL_MakeTGA(2, 2, c.depth, 0);
        tga.imageType = c.imageType;
        tga.origin = c.origin;
        dir.Write("bad.tga", TOOL_TGABytes(tga));
        GFX_PictureTGA picture;
        EXPECT_FATAL(picture.Open("bad.tga", 1), c.caption, "bad.tga");
    }
    // A file too short for its header reads as a header of zeros.
    dir.Write("tiny.tga", std::string("\0\0\2\0\0", 5));
    GFX_PictureTGA picture;
    EXPECT_FATAL(picture.Open("tiny.tga", 0), depthCaption, "tiny.tga");
}

TEST(GfxPictureTGATest, ReadersRefuseWhatTheyCannotConvert)
{
    TST_TempDir dir;
    dir.Write("p16.tga", TOOL_TGABytes(TOOL_MakeTGA(2, 2, 16, 0)));
    GFX_PictureTGA picture;
    ASSERT_EQ(1u, picture.Open("p16.tga", 1));
    u8 memory[64] = {};
    EXPECT_FATAL(picture.ReadData_RGB565(memory, 8, 0), "GFX_PictureTGA::ReadData_RGB565()",
                 "555 to 565 conversion not supported");
    EXPECT_FATAL(picture.ReadData_RGBA8888(memory, 8, 0), "GFX_PictureTGA::ReadData_RGBA8888()",
                 "555 to rgba8888 conversion not supported");
    EXPECT_FATAL(picture.ReadData_BGRA8888(memory, 8, 0), "GFX_PictureTGA::ReadData_BGRA8888()",
                 "555 to bgra8888 conversion not supported");

    // A picture that never opened has no valid depth.
    GFX_PictureTGA closed;
    EXPECT_FATAL(closed.ReadData_ARGB1555(memory, 8, 0), "GFX_PictureTGA::ReadData_ARGB1555()",
                 "unsupported pixel depth");
}
