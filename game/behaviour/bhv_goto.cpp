#include "bhv_goto.h"

s32 BHV_Goto3D::Handle() { return 0; }

BHV_INERT_OPERATIONS_EXCEPT_HANDLE(BHV_Vessel_A_Goto)

BHV_INERT_OPERATIONS_EXCEPT_HANDLE(BHV_Vehicle_A_Goto)

void BHV_PhysicalCharacter_A_Goto::SetSteeringMode(s32 /*_mode*/) {}
BHV_INERT_OPERATIONS_EXCEPT_HANDLE(BHV_PhysicalCharacter_A_Goto)
