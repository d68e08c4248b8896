#include "coh_sense.h"

COH_Emitter::~COH_Emitter() = default;

void COH_Emitter::SetType(u32 _type) { CheckType(_type, COS_TYPE_EMITTER, "COH_Emitter::SetType"); }

COH_Sensor::~COH_Sensor() = default;

void COH_Sensor::SetType(u32 _type) { CheckType(_type, COS_TYPE_SENSOR, "COH_Sensor::SetType"); }

void COH_Sensor::BeginStep()
{
    if (m_counter != 0)
        return;
    for (s32 i = 0; i < m_count; ++i)
        m_objects[i]->ClearResults();
}

void COH_Sensor::Step(const SIM_Clock&)
{
    if (m_counter != 0)
        return;
    for (s32 i = 0; i < m_count; ++i)
        m_objects[i]->CheckTerrainOcclusion();
}

void COH_Sensor::EndStep(const SIM_Clock&)
{
    if (m_counter == 0) {
        for (s32 i = 0; i < m_count; ++i)
            m_objects[i]->CheckVisibility();
    }
    m_counter = (m_counter + 1) % COH_SENSING_PERIOD;
}
