// Registration of the actor library's node classes, in one place so that the order is fixed.
#include "nod_actorclasses.h"

#include "bhv_turretaiming.h"
#include "nod_cockpit.h"
#include "nod_generic.h"
#include "nod_player.h"
#include "nod_trigger.h"
#include "nod_turret_base.h"
#include "nod_turret_gun.h"
#include "nod_vehicle.h"
#include "nod_vessel.h"
#include "nod_wheel.h"

void NOD_RegisterActorClasses()
{
    NOD_Player::RegisterClassDefinition();
    NOD_Generic::RegisterClassDefinition();
    NOD_Turret_Gun::RegisterClassDefinition();
    NOD_Turret_Base::RegisterClassDefinition();
    // The turret behaviours below reach turrets through their aiming interface.
    BHV_TurretAiming::InstallCast(&NOD_Turret_Base::AimingCast);
    NOD_Vessel::RegisterClassDefinition();
    NOD_Vehicle::RegisterClassDefinition();
    NOD_Wheel::RegisterClassDefinition();
    NOD_Cockpit::RegisterClassDefinition();
    NOD_Trigger::RegisterClassDefinition();
}

void NOD_UnregisterActorClasses()
{
    NOD_Trigger::UnregisterClassDefinition();
    NOD_Cockpit::UnregisterClassDefinition();
    NOD_Wheel::UnregisterClassDefinition();
    NOD_Vehicle::UnregisterClassDefinition();
    NOD_Vessel::UnregisterClassDefinition();
    BHV_TurretAiming::InstallCast(nullptr);
    NOD_Turret_Base::UnregisterClassDefinition();
    NOD_Turret_Gun::UnregisterClassDefinition();
    NOD_Generic::UnregisterClassDefinition();
    NOD_Player::UnregisterClassDefinition();
}
