#include "bhv_stop.h"

BHV_INERT_OPERATIONS(BHV_Vessel_A_Stop)

BHV_INERT_OPERATIONS(BHV_Vehicle_A_Stop)

BHV_INERT_OPERATIONS(BHV_Vessel_A_Sink)
