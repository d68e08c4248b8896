// Registration of the actor library's node classes, in one place so that the order is fixed.
#include "nod_actorclasses.h"

#include "nod_player.h"
#include "nod_vehicle.h"
#include "nod_vessel.h"
#include "nod_wheel.h"

void NOD_RegisterActorClasses()
{
    NOD_Player::RegisterClassDefinition();
    NOD_Vessel::RegisterClassDefinition();
    NOD_Vehicle::RegisterClassDefinition();
    NOD_Wheel::RegisterClassDefinition();
}

void NOD_UnregisterActorClasses()
{
    NOD_Wheel::UnregisterClassDefinition();
    NOD_Vehicle::UnregisterClassDefinition();
    NOD_Vessel::UnregisterClassDefinition();
    NOD_Player::UnregisterClassDefinition();
}
