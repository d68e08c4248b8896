#include "cod_physical.h"

RTI_IMPLEMENT_CLASS(COD_Physical, "RTI_Class")

COD_Physical::~COD_Physical() = default;

void COD_Physical::Collide(COD_Physical*, const SIM_Clock&) {}

void COD_Physical::EndStep() {}

void COD_Physical::BeginStep() {}

void COD_Physical::CollideTerrain(MRT_TerrainCell*, MAT_Triangle*, s32, const SIM_Clock&) {}

COS_OBBS_Tree* COD_Physical::GetCollisionTree() const { return nullptr; }

void COD_Physical::CopyFrom(const COD_Physical& _source)
{
    m_kind = _source.m_kind;
    m_owner = _source.m_owner;
    m_active = _source.m_active;
    m_activeFlag = _source.m_activeFlag;
    m_restitution = _source.m_restitution;
    m_contactFlag = _source.m_contactFlag;
    m_endStepDone = _source.m_endStepDone;
}
