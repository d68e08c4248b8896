#include "bhv_escort.h"

BHV_INERT_OPERATIONS(BHV_Vessel_A_Escort)

void BHV_Vessel_A_EscapeTo::ReadDataFrom(DES_Section* /*_section*/) {}
BHV_INERT_OPERATIONS(BHV_Vessel_A_EscapeTo)
