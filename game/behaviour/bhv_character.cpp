#include "bhv_character.h"

// Inert until filled: the set-up calls keep nothing.
BHV_INERT_OPERATIONS(BHV_PhysicalCharacter_A_LookTo)

void BHV_Character_A_Animation::Init(s32 /*_count*/, const SIM_Name* /*_names*/, const s32* /*_handles*/,
                                     VCA_AnimationController* /*_controller*/)
{
}
BHV_INERT_OPERATIONS(BHV_Character_A_Animation)
