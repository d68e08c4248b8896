#include "coh_shadow.h"

COH_ShadowCaster::~COH_ShadowCaster() = default;

void COH_ShadowCaster::SetType(u32 _type) { CheckType(_type, COS_TYPE_SHADOW_CASTER, "COH_ShadowCaster::SetType"); }

COH_ShadowReceiver::~COH_ShadowReceiver() = default;

void COH_ShadowReceiver::SetType(u32 _type)
{
    CheckType(_type, COS_TYPE_SHADOW_RECEIVER, "COH_ShadowReceiver::SetType");
}

void COH_ShadowReceiver::BeginStep()
{
    for (s32 i = 0; i < m_count; ++i)
        m_objects[i]->ClearResults();
}
