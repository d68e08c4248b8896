// Bitmap fonts: a TGA sheet in which each glyph is framed by marker pixels, converted to
// A1R5G5B5 and shared through a fixed table of eight entries keyed by the file's base name
// (compared with case), with a reference count per entry.
//
// Sheet layout (row 0 at the top): pixel (0, 0) is the start-marker colour, (1, 0) the
// end-marker colour, (2, 0) the key colour of keyed drawing. From row 1 on, a start marker at
// (x, y) opens a glyph whose top-left pixel is (x + 1, y + 1) and an end marker at (x, y)
// closes one whose right and bottom edges are x and y (exclusive); the n-th start and n-th end
// marker in row-major order belong to glyph n, which is the character 32 + n. A sheet holds
// 256 glyphs at most: further markers are ignored (and logged).
//
// A GFX_Font is a handle on one entry. Each handle holds at most one reference: Close (or the
// destructor) gives it back, and the last reference frees the entry's picture.
#pragma once

#include "gfx_picture16.h"
#include "gfx_rect.h"
#include "mem_alloc.h"
#include "os_types.h"

class GFX_Font : public MEM_Object
{
public:
    enum
    {
        TABLE_SIZE = 8,
        MAX_GLYPHS = 256,
        NAME_BYTES = 256,
        FIRST_CHARACTER = 32
    };

    GFX_Font();
    ~GFX_Font();  // gives back the handle's reference, if any
    GFX_Font(const GFX_Font&) = delete;
    GFX_Font& operator=(const GFX_Font&) = delete;

    // Shares an open entry of the same base name, else loads the sheet (a missing file or a
    // broken sheet is fatal). False when all eight entries are in use; the handle stays -1.
    bool Open(const char* _path);
    void Close();  // drops the handle's reference; a handle of -1 is ignored

    s32 GetIndex() const { return m_index; }  // the entry, -1 for none
    // The rectangle of character _character in the picture; null without a glyph or entry.
    const GFX_Rect* GetGlyph(u32 _character) const;
    GFX_Picture16* GetPicture() const;
    u16 GetKeyColor() const;
    s32 GetLineHeight() const;  // height of the tallest glyph
    s32 GetGlyphCount() const;

    // The references held on table entry _index (0 for a free entry or an index out of range).
    static s32 GetReferenceCount(s32 _index);

private:
    static s32 OpenFont(const char* _path);

    s32 m_index = -1;
};
