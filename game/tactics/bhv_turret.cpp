#include "bhv_turret.h"

// Inert until filled: the set-up calls keep nothing.
void BHV_Turret_A_ComplexAttack::SetGun(NOD_NPC_Gun* /*_gun*/) {}
void BHV_Turret_A_ComplexAttack::ParseIniFile(DES_Section& /*_section*/) {}
BHV_INERT_OPERATIONS(BHV_Turret_A_ComplexAttack)

void BHV_Turret_A_Patrol::ParseIniFile(DES_Section& /*_section*/) {}
BHV_INERT_OPERATIONS(BHV_Turret_A_Patrol)

BHV_INERT_OPERATIONS(BHV_Turret_A_Follow)
