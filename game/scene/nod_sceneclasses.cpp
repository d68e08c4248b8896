// Registration of the scene library's node classes, in one place so that the order is fixed.
#include "nod_sceneclasses.h"

#include "nod_camera.h"
#include "nod_flare.h"
#include "nod_fx_plant.h"
#include "nod_halo.h"
#include "nod_hud.h"
#include "nod_light.h"
#include "nod_plankton.h"
#include "nod_raysystem.h"
#include "nod_scenario.h"
#include "nod_story.h"
#include "nod_terrain.h"

void NOD_RegisterSceneClasses()
{
    NOD_Scenario::RegisterClassDefinition();
    NOD_Camera::RegisterClassDefinition();
    NOD_Camera::InstallCameraCast();
    NOD_FX_Plant::RegisterClassDefinition();
    NOD_Plankton::RegisterClassDefinition();
    NOD_Terrain::RegisterClassDefinition();
    NOD_RaySystem::RegisterClassDefinition();
    NOD_Hud::RegisterClassDefinition();
    NOD_Hud::InstallCast(true);
    NOD_Light::RegisterClassDefinition();
    NOD_Halo::RegisterClassDefinition();
    NOD_Cone::RegisterClassDefinition();
    NOD_Flare::RegisterClassDefinition();
    NOD_Story_Character::RegisterClassDefinition();
    NOD_Story_Station::RegisterClassDefinition();
    NOD_Story_Area::RegisterClassDefinition();
    NOD_Story_Room::RegisterClassDefinition();
    NOD_Story_Dialog::RegisterClassDefinition();
}

void NOD_UnregisterSceneClasses()
{
    NOD_Story_Dialog::UnregisterClassDefinition();
    NOD_Story_Room::UnregisterClassDefinition();
    NOD_Story_Area::UnregisterClassDefinition();
    NOD_Story_Station::UnregisterClassDefinition();
    NOD_Story_Character::UnregisterClassDefinition();
    NOD_Flare::UnregisterClassDefinition();
    NOD_Cone::UnregisterClassDefinition();
    NOD_Halo::UnregisterClassDefinition();
    NOD_Light::UnregisterClassDefinition();
    NOD_Hud::InstallCast(false);
    NOD_Hud::UnregisterClassDefinition();
    NOD_RaySystem::UnregisterClassDefinition();
    NOD_Terrain::UnregisterClassDefinition();
    NOD_Plankton::UnregisterClassDefinition();
    NOD_FX_Plant::UnregisterClassDefinition();
    NOD_Camera::UninstallCameraCast();
    NOD_Camera::UnregisterClassDefinition();
    NOD_Scenario::UnregisterClassDefinition();
}
