#include "gfx_font.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_dir.h"
#include "tools_font.h"
#include "tools_tga.h"

namespace
{

TOOL_FontSheet SheetOfSizes(const std::vector<std::pair<s32, s32>>& _sizes, u8 _depth = 32)
{
    TOOL_FontSheet sheet;
    sheet.depth = _depth;
    sheet.sheetWidth = 24;
    for (const auto& size : _sizes) {
        TOOL_FontGlyph glyph;
        glyph.width = size.first;
        glyph.height = size.second;
        sheet.glyphs.push_back(glyph);
    }
    return sheet;
}

std::vector<TOOL_FontRect> WriteSheet(const TST_TempDir& _dir, const std::string& _path, const TOOL_FontSheet& _sheet)
{
    std::vector<TOOL_FontRect> placed;
    _dir.Write(_path, TOOL_TGABytes(TOOL_FontSheetPicture(_sheet, &placed)));
    return placed;
}

void ExpectAllEntriesFree()
{
    for (s32 i = 0; i < GFX_Font::TABLE_SIZE; ++i)
        EXPECT_EQ(0, GFX_Font::GetReferenceCount(i)) << "entry " << i;
}

}  // namespace

// Glyph n is framed by the n-th start and n-th end marker, over several lines of the sheet
// and whatever the sheet's depth and origin.
TEST(GfxFontTest, GlyphsComeFromTheMarkers)
{
    TST_TempDir dir;
    // Heights that fall within a line force new lines; the sheet is 24 pixels wide.
    const std::vector<std::pair<s32, s32>> sizes = {{3, 4}, {5, 4}, {1, 6}, {2, 2}, {7, 9}, {0, 3}, {4, 3}, {8, 1}};
    for (u8 depth : {16, 24, 32}) {
        for (u8 origin : {0, 2}) {
            SCOPED_TRACE(testing::Message() << "depth " << (int)depth << " origin " << (int)origin);
            TOOL_FontSheet sheet = SheetOfSizes(sizes, depth);
            std::vector<TOOL_FontRect> placed;
            TOOL_TGA picture = TOOL_FontSheetPicture(sheet, &placed);
            picture.origin = origin;
            dir.Write("font.tga", TOOL_TGABytes(picture));

            GFX_Font font;
            ASSERT_TRUE(font.Open("font.tga"));
            ASSERT_EQ((s32)sizes.size(), font.GetGlyphCount());
            EXPECT_EQ(9, font.GetLineHeight());
            EXPECT_EQ(0x8000, font.GetKeyColor());  // black, opaque
            EXPECT_EQ(nullptr, font.GetGlyph(31));
            EXPECT_EQ(nullptr, font.GetGlyph(32 + (u32)sizes.size()));
            EXPECT_EQ(nullptr, font.GetGlyph(0xFFFFFFFFu));
            for (size_t i = 0; i < sizes.size(); ++i) {
                const GFX_Rect* glyph = font.GetGlyph(32 + (u32)i);
                ASSERT_NE(nullptr, glyph);
                EXPECT_EQ(placed[i].x, glyph->left) << "glyph " << i;
                EXPECT_EQ(placed[i].y, glyph->top) << "glyph " << i;
                EXPECT_EQ(placed[i].width, glyph->width) << "glyph " << i;
                EXPECT_EQ(placed[i].height, glyph->height) << "glyph " << i;
                EXPECT_EQ(glyph->left + glyph->width, glyph->right);
                EXPECT_EQ(glyph->top + glyph->height, glyph->bottom);
            }
            const GFX_Picture16* pixels = font.GetPicture();
            ASSERT_NE(nullptr, pixels);
            EXPECT_EQ(picture.width, pixels->GetWidth());
            EXPECT_EQ(picture.height, pixels->GetHeight());
            // Ink is white: opaque A1R5G5B5 white.
            EXPECT_EQ(0xFFFF, pixels->GetPixels()[placed[0].y * pixels->GetWidth() + placed[0].x]);
        }
    }
}

// A 16-bit sheet's magenta becomes 0 in the font picture (transparent when keyed on 0).
TEST(GfxFontTest, SixteenBitSheetMagentaBecomesZero)
{
    TST_TempDir dir;
    TOOL_FontSheet sheet = SheetOfSizes({{2, 1}}, 16);
    sheet.glyphs[0].pixels = {0xFFFF00FF, 0xFF00FF00};
    const std::vector<TOOL_FontRect> placed = WriteSheet(dir, "f16.tga", sheet);
    GFX_Font font;
    ASSERT_TRUE(font.Open("f16.tga"));
    const GFX_Picture16* picture = font.GetPicture();
    const u16* row = picture->GetPixels() + placed[0].y * picture->GetWidth();
    EXPECT_EQ(0x0000, row[placed[0].x]);
    EXPECT_EQ(0x83E0, row[placed[0].x + 1]);
}

// Fonts are shared by base name, compared with case; each handle holds one reference.
TEST(GfxFontTest, SharingByBaseNameWithCounts)
{
    TST_TempDir dir;
    WriteSheet(dir, "gfx/font/font1.tga", SheetOfSizes({{2, 2}}));
    {
        GFX_Font a, b, c, d;
        ASSERT_TRUE(a.Open("gfx\\font\\font1.tga"));
        ASSERT_TRUE(b.Open("gfx\\font\\font1.tga"));
        EXPECT_EQ(a.GetIndex(), b.GetIndex());
        EXPECT_EQ(2, GFX_Font::GetReferenceCount(a.GetIndex()));
        ASSERT_TRUE(c.Open("c:\\elsewhere\\font1.tga"));  // no such file: shared by name alone
        EXPECT_EQ(a.GetIndex(), c.GetIndex());
        EXPECT_EQ(3, GFX_Font::GetReferenceCount(a.GetIndex()));
        c.Open("gfx/font/font1.tga");  // a handle re-opened gives back its old reference first
        EXPECT_EQ(3, GFX_Font::GetReferenceCount(a.GetIndex()));

        ASSERT_TRUE(d.Open("gfx\\font\\FONT1.tga"));  // same file on disk, another key
        EXPECT_NE(a.GetIndex(), d.GetIndex());
        EXPECT_EQ(1, GFX_Font::GetReferenceCount(d.GetIndex()));

        const s32 shared = a.GetIndex();
        b.Close();
        EXPECT_EQ(-1, b.GetIndex());
        b.Close();  // an invalid handle is ignored
        EXPECT_EQ(2, GFX_Font::GetReferenceCount(shared));
        {
            GFX_Font e;
            e.Open("font1.tga");
            EXPECT_EQ(3, GFX_Font::GetReferenceCount(shared));
        }
        // The destructor gave back one reference only: the other handles still draw.
        EXPECT_EQ(2, GFX_Font::GetReferenceCount(shared));
        ASSERT_NE(nullptr, a.GetPicture());
        EXPECT_NE(nullptr, a.GetGlyph(32));
    }
    ExpectAllEntriesFree();
}

TEST(GfxFontTest, EightEntriesThenNoMore)
{
    TST_TempDir dir;
    std::vector<std::unique_ptr<GFX_Font>> fonts;
    for (int i = 0; i < 9; ++i)
        WriteSheet(dir, "f" + std::to_string(i) + ".tga", SheetOfSizes({{1 + i, 2}}));
    for (int i = 0; i < 8; ++i) {
        fonts.push_back(std::make_unique<GFX_Font>());
        ASSERT_TRUE(fonts.back()->Open(("f" + std::to_string(i) + ".tga").c_str()));
        EXPECT_EQ(i, fonts.back()->GetIndex());
    }
    GFX_Font ninth;
    EXPECT_FALSE(ninth.Open("f8.tga"));
    EXPECT_EQ(-1, ninth.GetIndex());
    EXPECT_EQ(nullptr, ninth.GetGlyph(32));
    EXPECT_TRUE(ninth.Open("f3.tga"));  // an open one is still shared
    ninth.Close();

    // The last reference frees the entry, and the next font loads into it.
    fonts[5]->Close();
    EXPECT_EQ(0, GFX_Font::GetReferenceCount(5));
    ASSERT_TRUE(ninth.Open("f8.tga"));
    EXPECT_EQ(5, ninth.GetIndex());
    EXPECT_EQ(9, ninth.GetGlyph(32)->width);
    ninth.Close();
    fonts.clear();
    ExpectAllEntriesFree();
}

// A handle without an entry has no glyph, picture, key or line height.
TEST(GfxFontTest, InvalidHandleHasNothing)
{
    GFX_Font font;
    EXPECT_EQ(-1, font.GetIndex());
    EXPECT_EQ(nullptr, font.GetGlyph(65));
    EXPECT_EQ(nullptr, font.GetPicture());
    EXPECT_EQ(0, font.GetKeyColor());
    EXPECT_EQ(0, font.GetLineHeight());
    EXPECT_EQ(0, GFX_Font::GetReferenceCount(-1));
    EXPECT_EQ(0, GFX_Font::GetReferenceCount(GFX_Font::TABLE_SIZE));
}

// Markers beyond the 256 glyphs a font holds are ignored and logged.
TEST(GfxFontTest, SurplusMarkersAreIgnored)
{
    TST_TempDir dir;
    std::vector<std::pair<s32, s32>> sizes(300, {1, 1});
    TOOL_FontSheet sheet = SheetOfSizes(sizes);
    sheet.sheetWidth = 256;
    const std::vector<TOOL_FontRect> placed = WriteSheet(dir, "many.tga", sheet);
    GFX_Font font;
    ASSERT_TRUE(font.Open("many.tga"));
    EXPECT_EQ(256, font.GetGlyphCount());
    const GFX_Rect* last = font.GetGlyph(32 + 255);
    ASSERT_NE(nullptr, last);
    EXPECT_EQ(placed[255].x, last->left);
    EXPECT_EQ(placed[255].y, last->top);
    EXPECT_EQ(1, last->width);
    EXPECT_EQ(nullptr, font.GetGlyph(32 + 256));
    EXPECT_NE(std::string::npos,
              dir.Read("log.txt").find("GFX_Font::OpenFont(): font many.tga has more than 256 start or end "
                                       "markers, 88 ignored"));
}

// Broken sheets are fatal and leave the table as it was.
TEST(GfxFontTest, BrokenSheetsAreFatal)
{
    TST_TempDir dir;
    TOOL_TGA equal = TOOL_MakeTGA(4, 3, 32, 0xFF000000);
    equal.pixels[0] = equal.pixels[1] = 0xFFFF0000;
    dir.Write("equal.tga", TOOL_TGABytes(equal));

    // One start marker at (0, 1) and no end marker: the glyph's right edge stays 0.
    TOOL_TGA unpaired = TOOL_MakeTGA(4, 3, 32, 0xFF000000);
    unpaired.pixels[0] = 0xFFFF0000;
    unpaired.pixels[1] = 0xFF0000FF;
    unpaired.pixels[4] = 0xFFFF0000;
    dir.Write("gfx/unpaired.tga", TOOL_TGABytes(unpaired));

    // Two glyphs whose end markers come in the other order: glyph 1 ends above its start.
    TOOL_TGA crossed = TOOL_MakeTGA(8, 8, 32, 0xFF000000);
    crossed.pixels[0] = 0xFFFF0000;
    crossed.pixels[1] = 0xFF0000FF;
    crossed.pixels[1 * 8 + 0] = 0xFFFF0000;  // glyph 0 opens at (0, 1)
    crossed.pixels[1 * 8 + 4] = 0xFFFF0000;  // glyph 1 opens at (4, 1)
    crossed.pixels[3 * 8 + 6] = 0xFF0000FF;  // ends glyph 0 at (6, 3)
    crossed.pixels[6 * 8 + 2] = 0xFF0000FF;  // ends glyph 1 at (2, 6): width -3
    dir.Write("crossed.tga", TOOL_TGABytes(crossed));

    GFX_Font font;
    EXPECT_FATAL(font.Open("equal.tga"), "GFX_Font::OpenFont()", "special pixels (0,0)(0,1) are equal");
    EXPECT_FATAL(font.Open("gfx\\unpaired.tga"), "GFX_Font::OpenFont()",
                 "font gfx\\unpaired.tga has corrupted character 0");
    EXPECT_FATAL(font.Open("crossed.tga"), "GFX_Font::OpenFont()", "font crossed.tga has corrupted character 1");
    EXPECT_FATAL(font.Open("missing.tga"), "missing.tga", "ERROR: FILE NOT FOUND");
    EXPECT_EQ(-1, font.GetIndex());
    ExpectAllEntriesFree();

    // A sheet too small for its marker row reads the missing markers as 0: no glyphs.
    dir.Write("tiny.tga", TOOL_TGABytes(TOOL_MakeTGA(1, 1, 24, 0)));
    ASSERT_TRUE(font.Open("tiny.tga"));
    EXPECT_EQ(0, font.GetGlyphCount());
    font.Close();

    // A name longer than an entry holds is cut, never overrun.
    const std::string longName = "dir\\" + std::string(400, 'n') + ".tga";
    EXPECT_FATAL(font.Open(longName.c_str()), longName.c_str(), "ERROR: FILE NOT FOUND");
    ExpectAllEntriesFree();
}
