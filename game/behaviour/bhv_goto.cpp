#include "bhv_goto.h"

s32 BHV_Goto3D::Handle() { return 0; }
void BHV_Goto3D::SetOwner(NOD_Body* /*_owner*/) {}

void BHV_Vessel_A_Goto::SetMotion(MOT_Vessel* /*_motion*/) {}
void BHV_Vessel_A_Goto::SetAvoider(COD_ActiveAvoid* /*_avoider*/) {}
BHV_INERT_OPERATIONS_EXCEPT_HANDLE(BHV_Vessel_A_Goto)

void BHV_Vehicle_A_Goto::SetMotion(MOT_Vehicle* /*_motion*/) {}
void BHV_Vehicle_A_Goto::SetAvoider(COD_ActiveAvoid* /*_avoider*/) {}
BHV_INERT_OPERATIONS_EXCEPT_HANDLE(BHV_Vehicle_A_Goto)

void BHV_PhysicalCharacter_A_Goto::SetMotion(MOT_OldOne* /*_motion*/) {}
void BHV_PhysicalCharacter_A_Goto::SetSteeringMode(s32 /*_mode*/) {}
BHV_INERT_OPERATIONS_EXCEPT_HANDLE(BHV_PhysicalCharacter_A_Goto)
