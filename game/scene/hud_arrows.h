// The head-up display's surroundings element: collects, every half second of simulation time,
// the scenario's bodies that the display's sensor sees (at most 64, in the sensor's order).
// Its five textures are registered; nothing draws the element or reads its bodies yet. The
// sensor's active bit paces the collection: the element clears it after collecting and sets it
// again once the interval has passed. One thread.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"
#include "rti_pointer.h"

class COD_Sensor;
class NOD_Body;
class NOD_Hud;

class HUD_Arrows : public MEM_Object
{
public:
    enum : s32
    {
        MAX_BODIES = 64,
        TEXTURE_COUNT = 5,
    };
    // The simulation time between two collections.
    static constexpr f32 COLLECT_INTERVAL = 0.5f;

    // Registers "vfx\tex\hud\hud_arrow", "hud_terrain", "hud_lock3", "hud_lock4" and "hud_rect".
    explicit HUD_Arrows(NOD_Hud* _owner);
    HUD_Arrows(const HUD_Arrows&) = delete;
    HUD_Arrows& operator=(const HUD_Arrows&) = delete;

    // Once per simulation step at time _time; nothing unless visible with a sensor and a
    // followed body. With the sensor active: the seen emitters' owners that are bodies whose
    // father is a scenario node become the found bodies, the sensor is made inactive and the
    // time noted. Inactive for longer than the interval: the sensor is made active again.
    void Update(f32 _time);

    NOD_Hud* GetOwner() const { return m_owner; }
    u32 IsVisible() const { return m_visible; }
    void SetVisible(u32 _visible) { m_visible = _visible; }
    s32 GetTexture(s32 _index) const { return m_textures[_index]; }
    NOD_Body* GetFollowedBody() const;
    void SetFollowedBody(NOD_Body* _body);
    COD_Sensor* GetSensor() const { return m_sensor; }
    void SetSensor(COD_Sensor* _sensor) { m_sensor = _sensor; }
    f32 GetLastCollectionTime() const { return m_lastCollectionTime; }
    s32 GetFoundCount() const { return m_foundCount; }
    // The found body _index (0..count-1); null when it died since or outside the range.
    NOD_Body* GetFoundBody(s32 _index) const;

private:
    NOD_Hud* m_owner = nullptr;
    u32 m_visible = 1;
    s32 m_textures[TEXTURE_COUNT] = {-1, -1, -1, -1, -1};
    RTI_Pointer m_followedBody;
    COD_Sensor* m_sensor = nullptr;
    f32 m_lastCollectionTime = 1.1754944e-38f;  // the smallest normal f32
    RTI_Pointer m_found[MAX_BODIES];
    s32 m_foundCount = 0;
};
