#include "bhv_escort.h"

void BHV_Vessel_A_Escort::SetMotion(MOT_Vessel* /*_motion*/) {}
void BHV_Vessel_A_Escort::SetAvoider(COD_ActiveAvoid* /*_avoider*/) {}
void BHV_Vessel_A_Escort::SetOwner(NOD_Body* /*_owner*/) {}
BHV_INERT_OPERATIONS(BHV_Vessel_A_Escort)

void BHV_Vessel_A_EscapeTo::SetMotion(MOT_Vessel* /*_motion*/) {}
void BHV_Vessel_A_EscapeTo::SetAvoider(COD_ActiveAvoid* /*_avoider*/) {}
void BHV_Vessel_A_EscapeTo::SetOwner(NOD_Body* /*_owner*/) {}
void BHV_Vessel_A_EscapeTo::SetAttackers(BHV_AttackerSlots* /*_attackers*/) {}
void BHV_Vessel_A_EscapeTo::SetEmitter(COD_Emitter* /*_emitter*/) {}
void BHV_Vessel_A_EscapeTo::SetPhysical(COD_Physical_Vessel* /*_physical*/) {}
void BHV_Vessel_A_EscapeTo::ReadDataFrom(DES_Section* /*_section*/) {}
BHV_INERT_OPERATIONS(BHV_Vessel_A_EscapeTo)
