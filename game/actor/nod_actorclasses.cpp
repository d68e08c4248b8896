// Registration of the actor library's node classes, in one place so that the order is fixed.
#include "nod_actorclasses.h"

#include "nod_player.h"

void NOD_RegisterActorClasses() { NOD_Player::RegisterClassDefinition(); }

void NOD_UnregisterActorClasses() { NOD_Player::UnregisterClassDefinition(); }
