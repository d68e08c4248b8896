#include "bhv_vessel_attack.h"

// Inert until filled: the set-up calls keep nothing.
void BHV_Vessel_A_Attack::SetGun(NOD_NPC_Gun* /*_gun*/) {}
void BHV_Vessel_A_Attack::SetTorpedoLauncher(NOD_TorpedoLauncher* /*_launcher*/) {}
void BHV_Vessel_A_Attack::ParseIniFile(DES_Section& /*_section*/) {}
BHV_INERT_OPERATIONS(BHV_Vessel_A_Attack)
