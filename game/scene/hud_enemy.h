// The head-up display's target panel: a 128 x 128 picture of 16-bit pixels in the texture
// "vfx\tex\hud\hud_enemy", cleared and copied into the texture at most every half second of
// simulation time. Nothing in the game names a target, so the panel is always drawn empty.
// One thread.
#pragma once

#include "gfx_picture16.h"
#include "mem_alloc.h"
#include "os_types.h"

class NOD_Hud;

class HUD_Enemy : public MEM_Object
{
public:
    enum : s32
    {
        PICTURE_SIZE = 128,
    };
    // The simulation time between two redraws.
    static constexpr f32 REDRAW_INTERVAL = 0.5f;

    explicit HUD_Enemy(NOD_Hud* _owner);
    HUD_Enemy(const HUD_Enemy&) = delete;
    HUD_Enemy& operator=(const HUD_Enemy&) = delete;

    // Once per simulation step at time _time: asks for a redraw when the interval has passed.
    void Step(f32 _time);
    // When a redraw is due: clears the picture and refreshes the texture. Answers 1 when it
    // redrew.
    u32 Update();

    NOD_Hud* GetOwner() const { return m_owner; }
    s32 GetTexture() const { return m_texture; }
    u32 IsRedrawDue() const { return m_redraw; }
    f32 GetLastRedrawTime() const { return m_lastRedrawTime; }
    const GFX_Picture16& GetPicture() const { return m_picture; }

private:
    NOD_Hud* m_owner = nullptr;
    s32 m_texture = -1;
    GFX_Picture16 m_picture{PICTURE_SIZE, PICTURE_SIZE};
    u32 m_redraw = 0;
    f32 m_lastRedrawTime = 1.1754944e-38f;  // the smallest normal f32: the first step redraws
};
