// Registration of the actor library's node classes, in one place so that the order is fixed.
#include "nod_actorclasses.h"

#include "nod_character.h"
#include "nod_physicalcharacter.h"
#include "nod_player.h"

void NOD_RegisterActorClasses()
{
    NOD_Player::RegisterClassDefinition();
    NOD_PhysicalCharacter::RegisterClassDefinition();
    NOD_Character::RegisterClassDefinition();
}

void NOD_UnregisterActorClasses()
{
    NOD_Character::UnregisterClassDefinition();
    NOD_PhysicalCharacter::UnregisterClassDefinition();
    NOD_Player::UnregisterClassDefinition();
}
