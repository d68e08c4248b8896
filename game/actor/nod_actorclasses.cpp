// Registration of the actor library's node classes, in one place so that the order is fixed.
#include "nod_actorclasses.h"

#include "nod_cockpit.h"
#include "nod_player.h"
#include "nod_trigger.h"

void NOD_RegisterActorClasses()
{
    NOD_Player::RegisterClassDefinition();
    NOD_Cockpit::RegisterClassDefinition();
    NOD_Trigger::RegisterClassDefinition();
}

void NOD_UnregisterActorClasses()
{
    NOD_Trigger::UnregisterClassDefinition();
    NOD_Cockpit::UnregisterClassDefinition();
    NOD_Player::UnregisterClassDefinition();
}
