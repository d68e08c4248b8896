#include "tools_sample_font.h"

#include <cstring>

#include "tools_font.h"
#include "tools_sample_local.h"
#include "tools_tga.h"

namespace
{

// The characters 32 to 127, five pixels wide: rows of '#' (ink) and '.', top first. Rows 0-6
// hold capitals and digits, lower-case letters start at row 2, rows 7 and 8 take descenders.
const char* const s_glyphs[96] = {
    ".....",                                                  // space
    "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#..",              // !
    ".#.#. .#.#. .#.#.",                                      // "
    ".#.#. .#.#. ##### .#.#. ##### .#.#. .#.#.",              // #
    "..#.. .#### #.#.. .###. ..#.# ####. ..#..",              // $
    "##... ##..# ...#. ..#.. .#... #..## ...##",              // %
    ".##.. #..#. #.#.. .#... #.#.# #..#. .##.#",              // &
    "..#.. ..#.. .#...",                                      // '
    "...#. ..#.. .#... .#... .#... ..#.. ...#.",              // (
    ".#... ..#.. ...#. ...#. ...#. ..#.. .#...",              // )
    "..... ..#.. #.#.# .###. #.#.# ..#.. .....",              // *
    "..... ..#.. ..#.. ##### ..#.. ..#.. .....",              // +
    "..... ..... ..... ..... ..... .##.. .##.. ..#.. .#...",  // ,
    "..... ..... ..... ##### ..... ..... .....",              // -
    "..... ..... ..... ..... ..... .##.. .##..",              // .
    "..... ....# ...#. ..#.. .#... #.... .....",              // /
    ".###. #...# #..## #.#.# ##..# #...# .###.",              // 0
    "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###.",              // 1
    ".###. #...# ....# ...#. ..#.. .#... #####",              // 2
    "##### ...#. ..#.. ...#. ....# #...# .###.",              // 3
    "...#. ..##. .#.#. #..#. ##### ...#. ...#.",              // 4
    "##### #.... ####. ....# ....# #...# .###.",              // 5
    "..##. .#... #.... ####. #...# #...# .###.",              // 6
    "##### ....# ...#. ..#.. .#... .#... .#...",              // 7
    ".###. #...# #...# .###. #...# #...# .###.",              // 8
    ".###. #...# #...# .#### ....# ...#. .##..",              // 9
    "..... .##.. .##.. ..... .##.. .##.. .....",              // :
    "..... .##.. .##.. ..... .##.. .##.. ..#.. .#...",        // ;
    "...#. ..#.. .#... #.... .#... ..#.. ...#.",              // <
    "..... ..... ##### ..... ##### ..... .....",              // =
    ".#... ..#.. ...#. ....# ...#. ..#.. .#...",              // >
    ".###. #...# ....# ...#. ..#.. ..... ..#..",              // ?
    ".###. #...# ....# .##.# #.#.# #.#.# .###.",              // @
    ".###. #...# #...# ##### #...# #...# #...#",              // A
    "####. #...# #...# ####. #...# #...# ####.",              // B
    ".###. #...# #.... #.... #.... #...# .###.",              // C
    "###.. #..#. #...# #...# #...# #..#. ###..",              // D
    "##### #.... #.... ####. #.... #.... #####",              // E
    "##### #.... #.... ####. #.... #.... #....",              // F
    ".###. #...# #.... #.### #...# #...# .####",              // G
    "#...# #...# #...# ##### #...# #...# #...#",              // H
    ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",              // I
    "..### ...#. ...#. ...#. ...#. #..#. .##..",              // J
    "#...# #..#. #.#.. ##... #.#.. #..#. #...#",              // K
    "#.... #.... #.... #.... #.... #.... #####",              // L
    "#...# ##.## #.#.# #.#.# #...# #...# #...#",              // M
    "#...# #...# ##..# #.#.# #..## #...# #...#",              // N
    ".###. #...# #...# #...# #...# #...# .###.",              // O
    "####. #...# #...# ####. #.... #.... #....",              // P
    ".###. #...# #...# #...# #.#.# #..#. .##.#",              // Q
    "####. #...# #...# ####. #.#.. #..#. #...#",              // R
    ".#### #.... #.... .###. ....# ....# ####.",              // S
    "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#..",              // T
    "#...# #...# #...# #...# #...# #...# .###.",              // U
    "#...# #...# #...# #...# #...# .#.#. ..#..",              // V
    "#...# #...# #...# #.#.# #.#.# #.#.# .#.#.",              // W
    "#...# #...# .#.#. ..#.. .#.#. #...# #...#",              // X
    "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#..",              // Y
    "##### ....# ...#. ..#.. .#... #.... #####",              // Z
    ".###. .#... .#... .#... .#... .#... .###.",              // [
    "..... #.... .#... ..#.. ...#. ....# .....",              // backslash
    ".###. ...#. ...#. ...#. ...#. ...#. .###.",              // ]
    "..#.. .#.#. #...#",                                      // ^
    "..... ..... ..... ..... ..... ..... ..... #####",        // _
    ".#... ..#.. ...#.",                                      // `
    "..... ..... .###. ....# .#### #...# .####",              // a
    "#.... #.... #.##. ##..# #...# #...# ####.",              // b
    "..... ..... .###. #.... #.... #...# .###.",              // c
    "....# ....# .##.# #..## #...# #...# .####",              // d
    "..... ..... .###. #...# ##### #.... .###.",              // e
    "..##. .#..# .#... ###.. .#... .#... .#...",              // f
    "..... ..... .#### #...# #...# .#### ....# #...# .###.",  // g
    "#.... #.... #.##. ##..# #...# #...# #...#",              // h
    "..#.. ..... .##.. ..#.. ..#.. ..#.. .###.",              // i
    "...#. ..... ..##. ...#. ...#. ...#. ...#. #..#. .##..",  // j
    "#.... #.... #..#. #.#.. ##... #.#.. #..#.",              // k
    ".##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",              // l
    "..... ..... ##.#. #.#.# #.#.# #.#.# #.#.#",              // m
    "..... ..... #.##. ##..# #...# #...# #...#",              // n
    "..... ..... .###. #...# #...# #...# .###.",              // o
    "..... ..... ####. #...# #...# ####. #.... #.... #....",  // p
    "..... ..... .#### #...# #...# .#### ....# ....# ....#",  // q
    "..... ..... #.##. ##..# #.... #.... #....",              // r
    "..... ..... .###. #.... .###. ....# ####.",              // s
    ".#... .#... ###.. .#... .#... .#..# ..##.",              // t
    "..... ..... #...# #...# #...# #..## .##.#",              // u
    "..... ..... #...# #...# #...# .#.#. ..#..",              // v
    "..... ..... #...# #...# #.#.# #.#.# .#.#.",              // w
    "..... ..... #...# .#.#. ..#.. .#.#. #...#",              // x
    "..... ..... #...# #...# #...# .#### ....# #...# .###.",  // y
    "..... ..... ##### ...#. ..#.. .#... #####",              // z
    "...#. ..#.. ..#.. .#... ..#.. ..#.. ...#.",              // {
    "..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..#..",              // |
    ".#... ..#.. ..#.. ...#. ..#.. ..#.. .#...",              // }
    "..... ..... .#... #.#.# ...#. ..... .....",              // ~
    "##### #...# #...# #...# #...# #...# #####",              // 127: a box
};

// A font sheet with every glyph scaled by _scale into a cell one column (scaled) wider than the
// glyph, which spaces the characters, and _cellHeight pixels high (the font's line height);
// with _shadow, ink casts a dark shadow one pixel down and to the right. Ground and key colour
// are transparent black, so text blitted plain or keyed leaves the surface under it alone.
TOOL_FontSheet FontSheet(s32 _scale, bool _shadow, s32 _sheetWidth, s32 _cellHeight)
{
    constexpr u32 INK = 0xFFFFFFFF;
    constexpr u32 SHADOW = 0xFF102030;
    constexpr u32 GROUND = 0x00000000;
    TOOL_FontSheet sheet;
    sheet.depth = 32;
    sheet.keyColor = GROUND;
    sheet.backgroundColor = GROUND;
    sheet.sheetWidth = _sheetWidth;
    for (s32 glyph = 0; glyph < 96; ++glyph) {
        TOOL_FontGlyph cell;
        cell.width = (TOOL_GLYPH_COLUMNS + 1) * _scale;
        cell.height = _cellHeight;
        cell.pixels.assign((size_t)(cell.width * cell.height), GROUND);
        for (s32 y = 0; y < cell.height; ++y)
            for (s32 x = 0; x < cell.width; ++x) {
                u32& pixel = cell.pixels[(size_t)(y * cell.width + x)];
                if (TOOL_GlyphInk(glyph, x / _scale, y / _scale))
                    pixel = INK;
                else if (_shadow && x > 0 && y > 0 && TOOL_GlyphInk(glyph, (x - 1) / _scale, (y - 1) / _scale))
                    pixel = SHADOW;
            }
        sheet.glyphs.push_back(cell);
    }
    return sheet;
}

// gfx\font\font1.tga, the small font (6 x 10 cells), and gfx\font\font2.tga, the same letters
// twice the size with a shadow (12 x 18 cells: the descenders reach the cell's last row). A menu
// page of 512 pixels gives each line the font's height and two pixels: 42 characters of font 1
// (the results page) and 25 of font 2 (main and setup pages), enough for their longest texts.
constexpr s32 FONT1_LINE_HEIGHT = (TOOL_GLYPH_ROWS + 1);
constexpr s32 FONT2_LINE_HEIGHT = TOOL_GLYPH_ROWS * 2;
static_assert(FONT1_LINE_HEIGHT <= 18 && FONT2_LINE_HEIGHT <= 18, "a menu page holds 25 lines of 20 pixels");

}  // namespace

bool TOOL_GlyphInk(s32 _glyph, s32 _x, s32 _y)
{
    if (_x < 0 || _x >= TOOL_GLYPH_COLUMNS || _y < 0 || _y >= TOOL_GLYPH_ROWS)
        return false;
    const char* row = s_glyphs[_glyph];
    for (s32 y = 0; y < _y; ++y) {
        row = std::strchr(row, ' ');
        if (row == nullptr)
            return false;
        ++row;
    }
    return (s32)std::strcspn(row, " ") > _x && row[_x] == '#';
}

bool TOOL_SampleFonts(TOOL_SampleOutput& _output)
{
    bool ok =
        TOOL_SampleFile(TOOL_SamplePath(_output.dir, "gfx\\font\\font1.tga"),
                        TOOL_TGABytes(TOOL_FontSheetPicture(FontSheet(1, false, 256, FONT1_LINE_HEIGHT), nullptr)));
    ok = TOOL_SampleFile(TOOL_SamplePath(_output.dir, "gfx\\font\\font2.tga"),
                         TOOL_TGABytes(TOOL_FontSheetPicture(FontSheet(2, true, 512, FONT2_LINE_HEIGHT), nullptr))) &&
         ok;
    return ok;
}
