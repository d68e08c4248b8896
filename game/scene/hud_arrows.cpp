// The head-up display's surroundings element.
#include "hud_arrows.h"

#include "cod_emitter.h"
#include "cod_sensor.h"
#include "hud_common.h"
#include "nod_body.h"
#include "nod_scenario.h"

HUD_Arrows::HUD_Arrows(NOD_Hud* _owner) : m_owner(_owner)
{
    static const char* const s_names[TEXTURE_COUNT] = {
        "vfx\\tex\\hud\\hud_arrow", "vfx\\tex\\hud\\hud_terrain", "vfx\\tex\\hud\\hud_lock3",
        "vfx\\tex\\hud\\hud_lock4", "vfx\\tex\\hud\\hud_rect",
    };
    for (s32 i = 0; i < TEXTURE_COUNT; ++i)
        m_textures[i] = HUD_RegisterTexture(s_names[i]);
}

NOD_Body* HUD_Arrows::GetFollowedBody() const { return NOD_Body::DynamicCast((NOD_Node*)m_followedBody.Get()); }

void HUD_Arrows::SetFollowedBody(NOD_Body* _body) { m_followedBody.Set(_body); }

NOD_Body* HUD_Arrows::GetFoundBody(s32 _index) const
{
    if (_index < 0 || _index >= m_foundCount)
        return nullptr;
    return NOD_Body::DynamicCast((NOD_Node*)m_found[_index].Get());
}

void HUD_Arrows::Update(f32 _time)
{
    if (!m_visible || m_sensor == nullptr || m_followedBody.Get() == nullptr)
        return;
    if ((m_sensor->m_flags & COD_SENSOR_ACTIVE) != 0) {
        s32 count = 0;
        for (s32 i = 0; i < m_sensor->m_seenCount && count < MAX_BODIES; ++i) {
            const COD_Emitter* emitter = m_sensor->GetSeen(i);
            NOD_Node* owner = emitter != nullptr ? (NOD_Node*)emitter->m_owner.Get() : nullptr;
            if (owner == nullptr || NOD_Scenario::DynamicCast(owner->GetFather()) == nullptr)
                continue;
            NOD_Body* body = NOD_Body::DynamicCast(owner);
            if (body != nullptr)
                m_found[count++].Set(body);
        }
        // Entries beyond this collection's bodies are left to read null.
        for (s32 i = count; i < m_foundCount; ++i)
            m_found[i].Set(nullptr);
        m_foundCount = count;
        m_sensor->m_flags &= ~COD_SENSOR_ACTIVE;
        m_lastCollectionTime = _time;
    } else if (m_lastCollectionTime + COLLECT_INTERVAL < _time) {
        m_sensor->m_flags |= COD_SENSOR_ACTIVE;
    }
}
