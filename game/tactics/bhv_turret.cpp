#include "bhv_turret.h"

// Inert until filled: the set-up calls keep nothing.
void BHV_Turret_A_ComplexAttack::SetOwner(NOD_Body* /*_owner*/) {}
void BHV_Turret_A_ComplexAttack::SetGun(NOD_NPC_Gun* /*_gun*/) {}
void BHV_Turret_A_ComplexAttack::SetSensor(COD_Sensor* /*_sensor*/) {}
void BHV_Turret_A_ComplexAttack::SetAttackerSlots(BHV_AttackerSlots* /*_slots*/) {}
void BHV_Turret_A_ComplexAttack::SetTorpedoSlots(BHV_AttackerSlots* /*_slots*/) {}
void BHV_Turret_A_ComplexAttack::ParseIniFile(DES_Section& /*_section*/) {}
BHV_INERT_OPERATIONS(BHV_Turret_A_ComplexAttack)

void BHV_Turret_A_Patrol::SetOwner(NOD_Body* /*_owner*/) {}
void BHV_Turret_A_Patrol::ParseIniFile(DES_Section& /*_section*/) {}
BHV_INERT_OPERATIONS(BHV_Turret_A_Patrol)

void BHV_Turret_A_Follow::SetOwner(NOD_Body* /*_owner*/) {}
BHV_INERT_OPERATIONS(BHV_Turret_A_Follow)
