#include "bhv_patrol.h"

void BHV_Vessel_A_Patrol::SetMotion(MOT_Vessel* /*_motion*/) {}
void BHV_Vessel_A_Patrol::SetAvoider(COD_ActiveAvoid* /*_avoider*/) {}
void BHV_Vessel_A_Patrol::SetOwner(NOD_Body* /*_owner*/) {}
BHV_INERT_OPERATIONS(BHV_Vessel_A_Patrol)

void BHV_Vehicle_A_Patrol::SetMotion(MOT_Vehicle* /*_motion*/) {}
void BHV_Vehicle_A_Patrol::SetAvoider(COD_ActiveAvoid* /*_avoider*/) {}
void BHV_Vehicle_A_Patrol::SetOwner(NOD_Body* /*_owner*/) {}
BHV_INERT_OPERATIONS(BHV_Vehicle_A_Patrol)

void BHV_Vehicle_A_PatrolPark::SetMotion(MOT_Vehicle* /*_motion*/) {}
void BHV_Vehicle_A_PatrolPark::SetAvoider(COD_ActiveAvoid* /*_avoider*/) {}
void BHV_Vehicle_A_PatrolPark::SetOwner(NOD_Body* /*_owner*/) {}
void BHV_Vehicle_A_PatrolPark::SetPhysical(COD_Physical* /*_physical*/) {}
BHV_INERT_OPERATIONS(BHV_Vehicle_A_PatrolPark)
