// The head-up display's crosshair.
#include "hud_reticle.h"

#include "hud_common.h"

HUD_Reticle::HUD_Reticle(NOD_Hud* _owner) : m_owner(_owner)
{
    m_reticleTexture = HUD_RegisterTexture("vfx\\tex\\hud\\hud_reticle2");
    m_snipeTexture = HUD_RegisterTexture("vfx\\tex\\hud\\hud_snipe1");
}
