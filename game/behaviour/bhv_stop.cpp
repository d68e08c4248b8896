#include "bhv_stop.h"

void BHV_Vessel_A_Stop::SetMotion(MOT_Vessel* /*_motion*/) {}
void BHV_Vessel_A_Stop::SetOwner(NOD_Body* /*_owner*/) {}
BHV_INERT_OPERATIONS(BHV_Vessel_A_Stop)

void BHV_Vehicle_A_Stop::SetMotion(MOT_Vehicle* /*_motion*/) {}
BHV_INERT_OPERATIONS(BHV_Vehicle_A_Stop)

void BHV_Vessel_A_Sink::SetMotion(MOT_Vessel* /*_motion*/) {}
void BHV_Vessel_A_Sink::SetPhysical(COD_Physical* /*_physical*/) {}
void BHV_Vessel_A_Sink::SetOwner(NOD_Body* /*_owner*/) {}
BHV_INERT_OPERATIONS(BHV_Vessel_A_Sink)
