// Registration of the weapon library's node classes, in one place so that the order is fixed.
#include "nod_weaponclasses.h"

#include "nod_bullet.h"
#include "nod_buzzer.h"
#include "nod_debris.h"
#include "nod_guns.h"
#include "nod_launcher.h"
#include "nod_mine.h"
#include "nod_particleemitter.h"
#include "nod_shrapnel.h"
#include "nod_torpedo.h"
#include "nod_trail.h"

void NOD_RegisterWeaponClasses()
{
    NOD_Bullet::RegisterClassDefinition();
    NOD_ParticleEmitter::RegisterClassDefinition();
    NOD_Debris::RegisterClassDefinition();
    NOD_Shrapnel::RegisterClassDefinition();
    NOD_Trail::RegisterClassDefinition();
    NOD_RegisterGunClasses();
    NOD_TorpedoLauncher::RegisterClassDefinition();
    NOD_BuzzerLauncher::RegisterClassDefinition();
    NOD_NPC_Gun::RegisterClassDefinition();
    NOD_Torpedo::RegisterClassDefinition();
    NOD_Buzzer::RegisterClassDefinition();
    NOD_Mine::RegisterClassDefinition();
}

void NOD_UnregisterWeaponClasses()
{
    NOD_Mine::UnregisterClassDefinition();
    NOD_Buzzer::UnregisterClassDefinition();
    NOD_Torpedo::UnregisterClassDefinition();
    NOD_NPC_Gun::UnregisterClassDefinition();
    NOD_BuzzerLauncher::UnregisterClassDefinition();
    NOD_TorpedoLauncher::UnregisterClassDefinition();
    NOD_UnregisterGunClasses();
    NOD_Trail::UnregisterClassDefinition();
    NOD_Shrapnel::UnregisterClassDefinition();
    NOD_Debris::UnregisterClassDefinition();
    NOD_ParticleEmitter::UnregisterClassDefinition();
    NOD_Bullet::UnregisterClassDefinition();
}
