// A text cursor over one 16-bit target picture and one font: writes characters, strings and
// numbers by copying glyph rectangles out of the font picture. The writer owns neither.
//
// Characters are signed 8-bit: codes below 32 (and so every code from 128 up) are control
// characters; line feed moves the cursor down one line height, carriage return back to x 0,
// the others do nothing. A character without a glyph is skipped and does not move the cursor.
#pragma once

#include "gfx_font.h"
#include "gfx_picture16.h"
#include "mem_alloc.h"
#include "os_types.h"

class GFX_TextWriter : public MEM_Object
{
public:
    enum
    {
        MODE_COPY = 0,
        MODE_KEYED = 1
    };  // keyed: the font's key colour is left out

    GFX_TextWriter();

    void SetTarget(GFX_Picture16* _target) { m_target = _target; }
    void SetFont(GFX_Font* _font) { m_font = _font; }
    void SetMode(s32 _mode) { m_mode = _mode; }
    void SetCursor(s32 _x, s32 _y)
    {
        m_cursorX = _x;
        m_cursorY = _y;
    }
    s32 GetCursorX() const { return m_cursorX; }
    s32 GetCursorY() const { return m_cursorY; }

    GFX_TextWriter& PutChar(char _character);
    GFX_TextWriter& PutString(const char* _string);
    // Fixed point with four decimals and no leading zero: -12.3457, .5000, .0500.
    GFX_TextWriter& PutNumber(f64 _value);

    // The summed glyph widths of the string. Control characters still act on the cursor.
    s32 GetStringWidth(const char* _string);
    // Places the cursor so that a string of _width pixels is centred on _centreX.
    void SetCursorCentred(s32 _centreX, s32 _y, s32 _width);

private:
    u32 Control(char _character);  // 1 when _character is a control character (and acted on)

    GFX_Picture16* m_target = nullptr;  // null: the display's screen copy, which draws nothing
    GFX_Font* m_font = nullptr;
    s32 m_mode = MODE_COPY;
    s32 m_cursorX = 0;
    s32 m_cursorY = 0;
    s32 m_decimals = 4;  // of PutNumber
};
