#include "bhv_character.h"

// Inert until filled: the set-up calls keep nothing.
void BHV_PhysicalCharacter_A_LookTo::SetMotion(MOT_OldOne* /*_motion*/) {}
void BHV_PhysicalCharacter_A_LookTo::SetOwner(NOD_Body* /*_owner*/) {}
BHV_INERT_OPERATIONS(BHV_PhysicalCharacter_A_LookTo)

void BHV_Character_A_Animation::Init(NOD_Body* /*_owner*/, s32 /*_count*/, const SIM_Name* /*_names*/,
                                     const s32* /*_handles*/, VCA_AnimationController* /*_controller*/)
{
}
BHV_INERT_OPERATIONS(BHV_Character_A_Animation)
