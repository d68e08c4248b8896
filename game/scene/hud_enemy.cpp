// The head-up display's target panel.
#include "hud_enemy.h"

#include "hud_common.h"

HUD_Enemy::HUD_Enemy(NOD_Hud* _owner) : m_owner(_owner) { m_texture = HUD_RegisterTexture("vfx\\tex\\hud\\hud_enemy"); }

void HUD_Enemy::Step(f32 _time)
{
    if (m_lastRedrawTime + REDRAW_INTERVAL <= _time) {
        m_redraw = 1;
        m_lastRedrawTime = _time;
    }
}

u32 HUD_Enemy::Update()
{
    if (m_redraw != 1)
        return 0;
    m_picture.Fill(0);
    HUD_RefreshTexture(m_texture, m_picture);
    m_redraw = 0;
    return 1;
}
