// The head-up display's statistics panel.
#include "hud_statistic.h"

#include "hud_common.h"
#include "os_string.h"

HUD_Statistic::HUD_Statistic(NOD_Hud* _owner) : m_owner(_owner)
{
    HUD_OpenRendererFont(m_font);
    m_writer.SetTarget(&m_picture);
    m_writer.SetMode(GFX_TextWriter::MODE_COPY);
    if (m_font.GetIndex() >= 0)
        m_writer.SetFont(&m_font);
    m_texture = HUD_RegisterTexture("vfx\\tex\\hud\\hud_statistic");
}

void HUD_Statistic::SetLine(s32 _index, const char* _text)
{
    if (_index < 0 || _index > m_lineCount - 1)
        return;
    OS_StrCopyBounded(m_lines[_index], _text != nullptr ? _text : "", LINE_BYTES);
    m_changed = 1;
}

const char* HUD_Statistic::GetLine(s32 _index) const
{
    return _index >= 0 && _index < m_lineCount ? m_lines[_index] : "";
}

u32 HUD_Statistic::Update()
{
    if (m_changed != 1)
        return 0;
    Redraw();
    HUD_RefreshTexture(m_texture, m_picture);
    m_changed = 0;
    return 1;
}

void HUD_Statistic::Redraw()
{
    m_picture.Fill(0);
    m_writer.SetCursor(0, 0);
    const s32 lineHeight = m_font.GetIndex() >= 0 ? m_font.GetLineHeight() : 0;
    s32 y = 0;
    for (s32 i = 0; i < m_lineCount; ++i) {
        m_writer.SetCursor(m_picture.GetWidth() - m_writer.GetStringWidth(m_lines[i]), y);
        m_writer.PutString(m_lines[i]);
        y += lineHeight;
    }
}
