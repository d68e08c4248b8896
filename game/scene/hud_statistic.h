// The head-up display's statistics panel: 32 text lines of at most 31 characters that the
// benchmark writes its figures into, drawn right-aligned into a 256 x 256 picture of 16-bit
// pixels and copied into the texture "vfx\tex\hud\hud_statistic" when a line was set. Hidden
// until the benchmark shows it. One thread.
#pragma once

#include "gfx_font.h"
#include "gfx_picture16.h"
#include "gfx_textwriter.h"
#include "mem_alloc.h"
#include "os_types.h"

class NOD_Hud;

class HUD_Statistic : public MEM_Object
{
public:
    enum : s32
    {
        LINE_COUNT = 32,
        LINE_BYTES = 32,  // 31 characters and the terminator
        PICTURE_SIZE = 256,
    };

    explicit HUD_Statistic(NOD_Hud* _owner);
    HUD_Statistic(const HUD_Statistic&) = delete;
    HUD_Statistic& operator=(const HUD_Statistic&) = delete;

    // Copies at most 31 characters of _text (null: none) into line _index and marks the panel
    // changed, even when the text is the same; an index outside 0..31 is ignored.
    void SetLine(s32 _index, const char* _text);
    // The line _index; "" outside 0..31.
    const char* GetLine(s32 _index) const;
    // When a line was set since the last redraw: redraws the picture and refreshes the texture.
    // Answers 1 when it redrew.
    u32 Update();
    // Clears the picture and writes every line right-aligned at its right edge, one font line
    // apart (empty lines keep their place).
    void Redraw();

    NOD_Hud* GetOwner() const { return m_owner; }
    u32 IsVisible() const { return m_visible; }
    void SetVisible(u32 _visible) { m_visible = _visible; }
    u32 IsChanged() const { return m_changed; }
    s32 GetTexture() const { return m_texture; }
    s32 GetLineCount() const { return m_lineCount; }
    const GFX_Picture16& GetPicture() const { return m_picture; }

private:
    NOD_Hud* m_owner = nullptr;
    u32 m_visible = 0;
    GFX_Font m_font;
    GFX_TextWriter m_writer;
    GFX_Picture16 m_picture{PICTURE_SIZE, PICTURE_SIZE};
    u32 m_changed = 1;
    s32 m_texture = -1;
    char m_lines[LINE_COUNT][LINE_BYTES] = {};
    s32 m_lineCount = LINE_COUNT;
};
