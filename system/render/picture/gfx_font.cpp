#include "gfx_font.h"

#include <cstring>

#include "gfx_picturetga.h"
#include "os_fatal.h"
#include "os_string.h"

namespace
{

struct FontEntry
{
    GFX_Picture16* picture;
    GFX_Rect glyphs[GFX_Font::MAX_GLYPHS];
    char name[GFX_Font::NAME_BYTES];  // base name of the sheet: no directory, no extension
    s32 references;                   // 0: free
    u16 keyColor;
    s32 lineHeight;
    s32 glyphCount;
};

// Static storage starts zeroed, so the table is clear before the first font is constructed
// whatever the order of start-up.
FontEntry s_fonts[GFX_Font::TABLE_SIZE];

void ClearEntry(FontEntry* _entry)
{
    delete _entry->picture;
    _entry->picture = nullptr;
    for (GFX_Rect& glyph : _entry->glyphs)
        glyph = GFX_Rect();
    _entry->name[0] = 0;
    _entry->references = 0;
    _entry->keyColor = 0;
    _entry->lineHeight = 0;
    _entry->glyphCount = 0;
}

// The base name of a path: after the last '\', '/' or drive colon, up to the last '.'.
void BaseName(const char* _path, char* _out, u32 _outSize)
{
    const char* start = _path;
    for (const char* p = _path; *p != 0; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            start = p + 1;
    const char* end = start + OS_StrLen(start);
    for (const char* p = end; p > start; --p)
        if (p[-1] == '.') {
            end = p - 1;
            break;
        }
    u32 length = (u32)(end - start);
    if (length > _outSize - 1)
        length = _outSize - 1;
    memcpy(_out, start, length);
    _out[length] = 0;
}

u16 PixelAt(const GFX_Picture16& _picture, s32 _x, s32 _y)
{
    if (_x >= _picture.GetWidth() || _y >= _picture.GetHeight())
        return 0;  // a sheet too small for its marker row
    return _picture.GetPixels()[(size_t)_y * (size_t)_picture.GetWidth() + (size_t)_x];
}

}  // namespace

GFX_Font::GFX_Font() {}

GFX_Font::~GFX_Font() { Close(); }

bool GFX_Font::Open(const char* _path)
{
    Close();
    char name[NAME_BYTES];
    BaseName(_path, name, sizeof(name));
    for (s32 i = 0; i < TABLE_SIZE; ++i) {
        if (s_fonts[i].references != 0 && OS_StrCmp(s_fonts[i].name, name) == 0) {
            ++s_fonts[i].references;
            m_index = i;
            return true;
        }
    }
    m_index = OpenFont(_path);
    return m_index >= 0;
}

s32 GFX_Font::OpenFont(const char* _path)
{
    s32 index = 0;
    while (index < TABLE_SIZE && s_fonts[index].references != 0)
        ++index;
    if (index == TABLE_SIZE)
        return -1;

    // The entry is taken only once the sheet has loaded, so a fatal sheet leaves it free.
    GFX_PictureTGA tga;
    if (!tga.Open(_path, 1))
        return -1;
    GFX_Picture16* picture = new GFX_Picture16(tga.GetWidth(), tga.GetHeight());
    tga.ReadData_ARGB1555(picture->GetPixels(), picture->GetWidth() * 2, 0);
    tga.Close();

    const u16 startColor = PixelAt(*picture, 0, 0);
    const u16 endColor = PixelAt(*picture, 1, 0);
    if (startColor == endColor) {
        delete picture;
        OS_Fatal("GFX_Font::OpenFont()", "special pixels (0,0)(0,1) are equal");
    }

    GFX_Rect glyphs[MAX_GLYPHS];
    s32 starts = 0;
    s32 ends = 0;
    s32 lineHeight = 0;
    u32 surplus = 0;
    const u16* pixels = picture->GetPixels();
    for (s32 y = 1; y < picture->GetHeight(); ++y) {
        const u16* row = pixels + (size_t)y * (size_t)picture->GetWidth();
        for (s32 x = 0; x < picture->GetWidth(); ++x) {
            if (row[x] == startColor) {
                if (starts < MAX_GLYPHS)
                    glyphs[starts++].SetTopLeft(x + 1, y + 1);
                else
                    ++surplus;
            } else if (row[x] == endColor) {
                if (ends < MAX_GLYPHS) {
                    GFX_Rect& glyph = glyphs[ends++];
                    glyph.SetBottomRight(x, y);
                    if (glyph.height > lineHeight)
                        lineHeight = glyph.height;
                } else {
                    ++surplus;
                }
            }
        }
    }
    if (surplus != 0)
        OS_Log(OS_Format("GFX_Font::OpenFont(): font %s has more than %d start or end markers, %u ignored", _path,
                         (int)MAX_GLYPHS, surplus));

    for (s32 i = 0; i < starts; ++i) {
        if (glyphs[i].width < 0 || glyphs[i].height < 0) {
            delete picture;
            OS_Fatal("GFX_Font::OpenFont()", OS_Format("font %s has corrupted character %d", _path, (int)i));
        }
    }

    FontEntry& entry = s_fonts[index];
    ClearEntry(&entry);
    entry.picture = picture;
    for (s32 i = 0; i < MAX_GLYPHS; ++i)
        entry.glyphs[i] = glyphs[i];
    BaseName(_path, entry.name, sizeof(entry.name));
    entry.references = 1;
    entry.keyColor = PixelAt(*picture, 2, 0);
    entry.lineHeight = lineHeight;
    entry.glyphCount = starts;
    return index;
}

void GFX_Font::Close()
{
    if (m_index < 0 || m_index >= TABLE_SIZE)
        return;
    FontEntry& entry = s_fonts[m_index];
    m_index = -1;
    if (entry.references <= 0)
        return;
    if (--entry.references == 0)
        ClearEntry(&entry);
}

const GFX_Rect* GFX_Font::GetGlyph(u32 _character) const
{
    if (m_index < 0 || m_index >= TABLE_SIZE || _character < FIRST_CHARACTER)
        return nullptr;
    const FontEntry& entry = s_fonts[m_index];
    if (_character - FIRST_CHARACTER >= (u32)entry.glyphCount)
        return nullptr;
    return &entry.glyphs[_character - FIRST_CHARACTER];
}

GFX_Picture16* GFX_Font::GetPicture() const
{
    return m_index >= 0 && m_index < TABLE_SIZE ? s_fonts[m_index].picture : nullptr;
}

u16 GFX_Font::GetKeyColor() const { return m_index >= 0 && m_index < TABLE_SIZE ? s_fonts[m_index].keyColor : 0; }

s32 GFX_Font::GetLineHeight() const { return m_index >= 0 && m_index < TABLE_SIZE ? s_fonts[m_index].lineHeight : 0; }

s32 GFX_Font::GetGlyphCount() const { return m_index >= 0 && m_index < TABLE_SIZE ? s_fonts[m_index].glyphCount : 0; }

s32 GFX_Font::GetReferenceCount(s32 _index)
{
    return _index >= 0 && _index < TABLE_SIZE ? s_fonts[_index].references : 0;
}
