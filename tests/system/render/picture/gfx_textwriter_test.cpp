#include "gfx_textwriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_dir.h"
#include "tools_font.h"
#include "tools_tga.h"

namespace
{

const s32 LINE_HEIGHT = 3;

// Characters 32 to 126 (no glyph for 127): character c is 1 + c % 3 pixels wide and filled
// with a colour of its own; 'M' has a key-coloured (black) left column.
s32 WidthOf(char _c) { return 1 + _c % 3; }

u32 ColorOf(char _c) { return 0xFF000040u | ((u32)(_c & 31) << 19) | ((u32)(_c >> 5) << 11); }

u16 PixelOf(char _c) { return (u16)(0x8000 | ((_c & 31) << 10) | ((_c >> 5) << 5) | (0x40 >> 3)); }

class GfxTextWriterTest : public testing::Test
{
protected:
    void SetUp() override
    {
        TOOL_FontSheet sheet;
        for (char c = 32; c < 127; ++c) {
            TOOL_FontGlyph glyph;
            glyph.width = WidthOf(c);
            glyph.height = LINE_HEIGHT;
            glyph.pixels.assign((size_t)(glyph.width * glyph.height), ColorOf(c));
            if (c == 'M')
                for (s32 y = 0; y < glyph.height; ++y)
                    glyph.pixels[(size_t)(y * glyph.width)] = sheet.keyColor;
            sheet.glyphs.push_back(glyph);
        }
        m_dir.Write("gfx/font/text.tga", TOOL_TGABytes(TOOL_FontSheetPicture(sheet, nullptr)));
        ASSERT_TRUE(m_font.Open("gfx\\font\\text.tga"));
        ASSERT_EQ(95, m_font.GetGlyphCount());
        m_writer.SetFont(&m_font);
        m_writer.SetTarget(&m_target);
        m_target.Fill(BACKGROUND);
    }

    u16 At(s32 _x, s32 _y) const { return m_target.GetPixels()[_y * m_target.GetWidth() + _x]; }

    std::vector<u16> Pixels() const
    {
        return std::vector<u16>(m_target.GetPixels(),
                                m_target.GetPixels() + m_target.GetWidth() * m_target.GetHeight());
    }

    static constexpr u16 BACKGROUND = 0x1234;
    TST_TempDir m_dir;
    GFX_Font m_font;
    GFX_Picture16 m_target{200, 16};
    GFX_TextWriter m_writer;
};

}  // namespace

// A line feed only moves down and a carriage return only back, so A, B, carriage return,
// line feed, C from (0, 0) ends at (width of C, line height).
TEST_F(GfxTextWriterTest, StringsAdvanceTheCursorAndDrawGlyphs)
{
    EXPECT_EQ(&m_writer, &m_writer.PutString("AB\r\nC"));
    EXPECT_EQ(WidthOf('C'), m_writer.GetCursorX());
    EXPECT_EQ(LINE_HEIGHT, m_writer.GetCursorY());
    EXPECT_EQ(PixelOf('A'), At(0, 0));
    EXPECT_EQ(PixelOf('A'), At(WidthOf('A') - 1, LINE_HEIGHT - 1));
    EXPECT_EQ(PixelOf('B'), At(WidthOf('A'), 0));
    EXPECT_EQ(BACKGROUND, At(WidthOf('A') + WidthOf('B'), 0));
    EXPECT_EQ(PixelOf('C'), At(0, LINE_HEIGHT));
    EXPECT_EQ(BACKGROUND, At(0, 2 * LINE_HEIGHT));

    m_writer.PutString("x\ny");
    EXPECT_EQ(WidthOf('C') + WidthOf('x') + WidthOf('y'), m_writer.GetCursorX());
    EXPECT_EQ(2 * LINE_HEIGHT, m_writer.GetCursorY());
    EXPECT_EQ(PixelOf('y'), At(WidthOf('C') + WidthOf('x'), 2 * LINE_HEIGHT));
}

// Codes 128 and up are negative and so control characters; control characters other than
// line feed and carriage return, and characters without a glyph, change nothing.
TEST_F(GfxTextWriterTest, CharactersWithoutGlyphsDoNothing)
{
    m_writer.SetCursor(5, 6);
    for (int code : {0x80, 0xC4, 0xFF, 127, (int)'\t', 1, 31})
        m_writer.PutChar((char)code);
    EXPECT_EQ(5, m_writer.GetCursorX());
    EXPECT_EQ(6, m_writer.GetCursorY());
    EXPECT_EQ(std::vector<u16>(200 * 16, BACKGROUND), Pixels());
    EXPECT_EQ(0, m_writer.GetStringWidth("\x80\x7F\t"));
}

TEST_F(GfxTextWriterTest, PutNumberFormats)
{
    struct Case
    {
        f64 value;
        const char* text;
    };
    for (const Case& c : {Case{-12.345678, "-12.3457"}, Case{0.5, ".5000"}, Case{0.05, ".0500"}, Case{0.00123, ".0012"},
                          Case{-0.0012, "-.0012"}, Case{0.0, ".0000"}, Case{100.0, "100.0000"}, Case{0.99999, "1.0000"},
                          Case{1234567.25, "1234567.2500"}}) {
        SCOPED_TRACE(c.text);
        m_target.Fill(BACKGROUND);
        m_writer.SetCursor(1, 2);
        EXPECT_EQ(&m_writer, &m_writer.PutNumber(c.value));
        const std::vector<u16> drawn = Pixels();
        const s32 cursorX = m_writer.GetCursorX();

        m_target.Fill(BACKGROUND);
        m_writer.SetCursor(1, 2);
        m_writer.PutString(c.text);
        EXPECT_EQ(m_writer.GetCursorX(), cursorX);
        EXPECT_TRUE(drawn == Pixels()) << "PutNumber drew something else than " << c.text;
    }
}

TEST_F(GfxTextWriterTest, StringWidthSumsGlyphsAndActsOnControls)
{
    m_writer.SetCursor(50, 5);
    EXPECT_EQ(WidthOf('A') + WidthOf('B'), m_writer.GetStringWidth("AB"));
    EXPECT_EQ(50, m_writer.GetCursorX());
    EXPECT_EQ(5, m_writer.GetCursorY());
    EXPECT_EQ(std::vector<u16>(200 * 16, BACKGROUND), Pixels());

    EXPECT_EQ(WidthOf('A') + WidthOf('B'), m_writer.GetStringWidth("A\rB"));
    EXPECT_EQ(0, m_writer.GetCursorX());
    EXPECT_EQ(WidthOf('W') * 2, m_writer.GetStringWidth("W\nW"));
    EXPECT_EQ(5 + LINE_HEIGHT, m_writer.GetCursorY());
    EXPECT_EQ(0, m_writer.GetStringWidth(""));
}

TEST_F(GfxTextWriterTest, SetCursorCentredTruncatesTowardsZero)
{
    struct Case
    {
        s32 centre, y, width, x;
    };
    for (const Case& c : {Case{100, 7, 31, 85}, Case{100, 7, 30, 85}, Case{0, 1, -31, 15}, Case{2, 0, 9, -2}}) {
        m_writer.SetCursorCentred(c.centre, c.y, c.width);
        EXPECT_EQ(c.x, m_writer.GetCursorX()) << c.centre << " " << c.width;
        EXPECT_EQ(c.y, m_writer.GetCursorY());
    }
}

// Mode 1 leaves the target alone under key-coloured glyph pixels; mode 0 copies them; other
// modes and a missing target draw nothing, but the cursor moves in every case.
TEST_F(GfxTextWriterTest, ModesAndTargets)
{
    m_writer.SetMode(GFX_TextWriter::MODE_KEYED);
    m_writer.PutChar('M');
    EXPECT_EQ(BACKGROUND, At(0, 0));
    EXPECT_EQ(BACKGROUND, At(0, 2));
    EXPECT_EQ(PixelOf('M'), At(1, 0));
    EXPECT_EQ(WidthOf('M'), m_writer.GetCursorX());

    m_writer.SetMode(GFX_TextWriter::MODE_COPY);
    m_writer.SetCursor(0, 0);
    m_writer.PutChar('M');
    EXPECT_EQ(m_font.GetKeyColor(), At(0, 0));
    EXPECT_EQ(PixelOf('M'), At(1, 0));

    m_target.Fill(BACKGROUND);
    m_writer.SetMode(2);
    m_writer.SetCursor(0, 0);
    m_writer.PutString("MA");
    EXPECT_EQ(WidthOf('M') + WidthOf('A'), m_writer.GetCursorX());
    m_writer.SetMode(GFX_TextWriter::MODE_COPY);
    m_writer.SetTarget(nullptr);
    m_writer.PutString("MA");
    EXPECT_EQ(2 * (WidthOf('M') + WidthOf('A')), m_writer.GetCursorX());
    EXPECT_EQ(std::vector<u16>(200 * 16, BACKGROUND), Pixels());

    // Text running off the target is clipped.
    m_writer.SetTarget(&m_target);
    m_writer.SetCursor(199, 15);
    m_writer.PutChar('B');
    EXPECT_EQ(PixelOf('B'), At(199, 15));
}
