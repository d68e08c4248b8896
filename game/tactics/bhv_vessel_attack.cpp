#include "bhv_vessel_attack.h"

// Inert until filled: the states stay where they are and the set-up calls keep nothing.
void BHV_Vessel_AttackState0::Enter(BHV_Vessel_A_Attack* /*_attack*/) {}
void BHV_Vessel_AttackState0::Leave() {}
s32 BHV_Vessel_AttackState0::Handle() { return STAY; }

void BHV_Vessel_AttackState1::Enter(BHV_Vessel_A_Attack* /*_attack*/) {}
void BHV_Vessel_AttackState1::Leave() {}
s32 BHV_Vessel_AttackState1::Handle() { return STAY; }

void BHV_Vessel_AttackState2::Enter(BHV_Vessel_A_Attack* /*_attack*/) {}
void BHV_Vessel_AttackState2::Leave() {}
s32 BHV_Vessel_AttackState2::Handle() { return STAY; }

void BHV_Vessel_AttackState3::Enter(BHV_Vessel_A_Attack* /*_attack*/) {}
void BHV_Vessel_AttackState3::Leave() {}
s32 BHV_Vessel_AttackState3::Handle() { return STAY; }

void BHV_Vessel_AttackState4::Enter(BHV_Vessel_A_Attack* /*_attack*/) {}

void BHV_Vessel_AttackState5::Enter(BHV_Vessel_A_Attack* /*_attack*/) {}
void BHV_Vessel_AttackState5::Leave() {}
s32 BHV_Vessel_AttackState5::Handle() { return STAY; }

void BHV_Vessel_A_Attack::SetGun(NOD_NPC_Gun* /*_gun*/) {}
void BHV_Vessel_A_Attack::SetTorpedoLauncher(NOD_TorpedoLauncher* /*_launcher*/) {}
void BHV_Vessel_A_Attack::ParseIniFile(DES_Section& /*_section*/) {}
BHV_INERT_OPERATIONS(BHV_Vessel_A_Attack)
