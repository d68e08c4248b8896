#include "coh_avoid.h"

COH_PassiveAvoid::~COH_PassiveAvoid() = default;

void COH_PassiveAvoid::SetType(u32 _type) { CheckType(_type, COS_TYPE_PASSIVE_AVOID, "COH_PassiveAvoid::SetType"); }

COH_ActiveAvoid::~COH_ActiveAvoid() = default;

void COH_ActiveAvoid::SetType(u32 _type) { CheckType(_type, COS_TYPE_ACTIVE_AVOID, "COH_ActiveAvoid::SetType"); }

void COH_ActiveAvoid::Step(const SIM_Clock&)
{
    if (m_counter == 0) {
        for (s32 i = 0; i < m_count; ++i)
            m_objects[i]->Predict(m_cell);
    }
    m_counter = (m_counter + 1) % COH_AVOIDANCE_PERIOD;
}
