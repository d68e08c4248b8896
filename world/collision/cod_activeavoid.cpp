#include "cod_activeavoid.h"

COD_ActiveAvoid::~COD_ActiveAvoid() = default;

void COD_ActiveAvoid::NoteObstacle(COD_PassiveAvoid*) {}

s32 COD_ActiveAvoid::Predict(MRT_TerrainCell*)
{
    m_notedCount = 0;
    return m_resultFlag;
}

void COD_ActiveAvoid::ClearResults() { m_notedCount = 0; }
