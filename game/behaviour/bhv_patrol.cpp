#include "bhv_patrol.h"

BHV_INERT_OPERATIONS(BHV_Vessel_A_Patrol)

BHV_INERT_OPERATIONS(BHV_Vehicle_A_Patrol)

BHV_INERT_OPERATIONS(BHV_Vehicle_A_PatrolPark)
