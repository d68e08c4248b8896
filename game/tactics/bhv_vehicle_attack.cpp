#include "bhv_vehicle_attack.h"

// Inert until filled: the states stay where they are and the set-up calls keep nothing.
void BHV_Vehicle_AttackState0::Enter(BHV_Vehicle_A_Attack* /*_attack*/) {}
void BHV_Vehicle_AttackState0::Leave() {}
s32 BHV_Vehicle_AttackState0::Handle() { return STAY; }

void BHV_Vehicle_AttackState1::Enter(BHV_Vehicle_A_Attack* /*_attack*/) {}
void BHV_Vehicle_AttackState1::Leave() {}
s32 BHV_Vehicle_AttackState1::Handle() { return STAY; }

void BHV_Vehicle_AttackState2::Enter(BHV_Vehicle_A_Attack* /*_attack*/) {}
void BHV_Vehicle_AttackState2::Leave() {}
s32 BHV_Vehicle_AttackState2::Handle() { return STAY; }

void BHV_Vehicle_A_Attack::SetTurret(NOD_Body* /*_turret*/) {}
void BHV_Vehicle_A_Attack::ParseIniFile(DES_Section& /*_section*/) {}
BHV_INERT_OPERATIONS(BHV_Vehicle_A_Attack)
