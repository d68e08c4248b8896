// The head-up display's crosshair: the normal reticle and the zoomed sniper sight, drawn in
// the screen centre while the camera looks from a body. One thread.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class NOD_Hud;

class HUD_Reticle : public MEM_Object
{
public:
    // Registers "vfx\tex\hud\hud_reticle2" and "vfx\tex\hud\hud_snipe1".
    explicit HUD_Reticle(NOD_Hud* _owner);
    HUD_Reticle(const HUD_Reticle&) = delete;
    HUD_Reticle& operator=(const HUD_Reticle&) = delete;

    NOD_Hud* GetOwner() const { return m_owner; }
    u32 IsVisible() const { return m_visible; }
    void SetVisible(u32 _visible) { m_visible = _visible; }
    s32 GetReticleTexture() const { return m_reticleTexture; }
    s32 GetSnipeTexture() const { return m_snipeTexture; }

private:
    NOD_Hud* m_owner = nullptr;
    u32 m_visible = 1;
    s32 m_reticleTexture = -1;
    s32 m_snipeTexture = -1;
};
