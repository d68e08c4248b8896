// Registration of the control library's node classes, in one place so that the order is fixed.
#include "nod_controlclasses.h"

#include "nod_console.h"
#include "nod_debug.h"
#include "nod_game.h"
#include "nod_hud.h"

void NOD_RegisterControlClasses()
{
    NOD_Game::RegisterClassDefinition();
    NOD_Console::RegisterClassDefinition();
    NOD_Console::InstallCast(true);
    NOD_Debug::RegisterClassDefinition();
    NOD_Hud::RegisterClassDefinition();
    NOD_Hud::InstallCast(true);
}

void NOD_UnregisterControlClasses()
{
    NOD_Hud::InstallCast(false);
    NOD_Hud::UnregisterClassDefinition();
    NOD_Debug::UnregisterClassDefinition();
    NOD_Console::InstallCast(false);
    NOD_Console::UnregisterClassDefinition();
    NOD_Game::UnregisterClassDefinition();
}
