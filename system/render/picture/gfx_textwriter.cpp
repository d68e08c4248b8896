#include "gfx_textwriter.h"

#include <cmath>
#include <cstdio>

GFX_TextWriter::GFX_TextWriter() {}

u32 GFX_TextWriter::Control(char _character)
{
    if ((s8)_character >= 32)
        return 0;
    if (_character == '\n')
        m_cursorY += m_font != nullptr ? m_font->GetLineHeight() : 0;
    else if (_character == '\r')
        m_cursorX = 0;
    return 1;
}

GFX_TextWriter& GFX_TextWriter::PutChar(char _character)
{
    if (Control(_character) || m_font == nullptr)
        return *this;
    const GFX_Rect* glyph = m_font->GetGlyph((u32)(u8)_character);
    if (glyph == nullptr)
        return *this;
    // Without a target the text would go to the display's screen copy, which draws nothing.
    GFX_Picture16* picture = m_font->GetPicture();
    if (m_target != nullptr && picture != nullptr) {
        if (m_mode == MODE_COPY)
            m_target->Blit(*picture, *glyph, m_cursorX, m_cursorY);
        else if (m_mode == MODE_KEYED)
            m_target->BlitKeyed(*picture, *glyph, m_cursorX, m_cursorY, m_font->GetKeyColor());
    }
    m_cursorX += glyph->width;
    return *this;
}

GFX_TextWriter& GFX_TextWriter::PutString(const char* _string)
{
    if (_string == nullptr)
        return *this;
    for (const char* p = _string; *p != 0; ++p)
        PutChar(*p);
    return *this;
}

GFX_TextWriter& GFX_TextWriter::PutNumber(f64 _value)
{
    if (!std::isfinite(_value))
        return PutString(std::isnan(_value) ? "nan" : _value < 0 ? "-inf" : "inf");

    // The magnitude rounded to the decimals; the largest double has 309 integer digits.
    char fixed[400];
    snprintf(fixed, sizeof(fixed), "%.*f", (int)m_decimals, std::fabs(_value));

    // Digits without the point and without leading zeros; the point's position counts from
    // the first digit kept, so it is 0 or negative for a magnitude below 1.
    char digits[400];
    s32 count = 0;
    s32 point = 0;
    for (const char* p = fixed; *p != 0; ++p) {
        if (*p == '.') {
            point = count;
            continue;
        }
        digits[count++] = *p;
    }
    if (m_decimals <= 0)
        point = count;  // no point printed
    s32 first = 0;
    while (first < count && digits[first] == '0')
        ++first;

    char text[420];
    s32 length = 0;
    if (_value < 0)
        text[length++] = '-';
    for (s32 i = first; i < point; ++i)
        text[length++] = digits[i];
    text[length++] = '.';
    // Zeros between the point and the first significant digit.
    for (s32 i = point; i < first && i < count; ++i)
        text[length++] = '0';
    for (s32 i = first > point ? first : point; i < count; ++i)
        text[length++] = digits[i];
    text[length] = 0;
    return PutString(text);
}

s32 GFX_TextWriter::GetStringWidth(const char* _string)
{
    s32 width = 0;
    if (_string == nullptr)
        return 0;
    for (const char* p = _string; *p != 0; ++p) {
        if (Control(*p) || m_font == nullptr)
            continue;
        const GFX_Rect* glyph = m_font->GetGlyph((u32)(u8)*p);
        if (glyph != nullptr)
            width += glyph->width;
    }
    return width;
}

void GFX_TextWriter::SetCursorCentred(s32 _centreX, s32 _y, s32 _width)
{
    m_cursorX = _centreX - _width / 2;
    m_cursorY = _y;
}
