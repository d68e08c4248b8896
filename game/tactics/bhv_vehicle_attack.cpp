#include "bhv_vehicle_attack.h"

#include "nod_body.h"

// Inert until filled: the states stay where they are and the set-up calls keep nothing but the
// turret, which is held weakly from the start (it can die before its vehicle).
void BHV_Vehicle_AttackState0::Enter(BHV_Vehicle_A_Attack* /*_attack*/) {}
void BHV_Vehicle_AttackState0::Leave() {}
s32 BHV_Vehicle_AttackState0::Handle() { return STAY; }

void BHV_Vehicle_AttackState1::Enter(BHV_Vehicle_A_Attack* /*_attack*/) {}
void BHV_Vehicle_AttackState1::Leave() {}
s32 BHV_Vehicle_AttackState1::Handle() { return STAY; }

void BHV_Vehicle_AttackState2::Enter(BHV_Vehicle_A_Attack* /*_attack*/) {}
void BHV_Vehicle_AttackState2::Leave() {}
s32 BHV_Vehicle_AttackState2::Handle() { return STAY; }

void BHV_Vehicle_A_Attack::SetTurret(NOD_Body* _turret) { m_turret.Set(_turret); }

NOD_Body* BHV_Vehicle_A_Attack::GetTurret() const
{
    return NOD_Body::DynamicCast(static_cast<NOD_Node*>(m_turret.Get()));
}
void BHV_Vehicle_A_Attack::ParseIniFile(DES_Section& /*_section*/) {}
BHV_INERT_OPERATIONS(BHV_Vehicle_A_Attack)
