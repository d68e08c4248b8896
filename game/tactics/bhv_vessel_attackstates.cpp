// The six tactic states of the vessel attack, the attack position and the goal computations
// the states share.
#include "bhv_vessel_attack.h"

// Inert until filled: the states stay where they are.
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

void BHV_AlignPosition::Choose(NOD_Body* /*_target*/, NOD_Body* /*_vessel*/, f32 /*_aheadProb*/, f32 /*_leftProb*/,
                               f32 /*_backProb*/, f32 /*_minHeight*/, f32 /*_maxHeight*/, f32 /*_minDistance*/,
                               f32 /*_maxDistance*/)
{
}
MAT_Vector3 BHV_AlignPosition::GetGoal() { return MAT_Vector3(); }
s32 BHV_AlignPosition::IsReached(NOD_Body* /*_vessel*/) { return 0; }

MAT_Vector3 BHV_Vessel_A_Attack::ComputeEscapeGoal() { return MAT_Vector3(); }
MAT_Vector3 BHV_Vessel_A_Attack::ComputeCastratedGoal() { return MAT_Vector3(); }
void BHV_Vessel_A_Attack::KeepAboveTerrain(MAT_Vector3& /*_point*/) {}
s32 BHV_Vessel_A_Attack::ChooseSitOrWave() { return BHV_Vessel_AttackState::SIT; }
s32 BHV_Vessel_A_Attack::IsSeenByTarget() { return 0; }
