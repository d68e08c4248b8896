// Registration of the control library's node classes, in one place so that the order is fixed.
#include "nod_controlclasses.h"

#include "nod_console.h"
#include "nod_debug.h"
#include "nod_game.h"

void NOD_RegisterControlClasses()
{
    NOD_Game::RegisterClassDefinition();
    NOD_Console::RegisterClassDefinition();
    NOD_Console::InstallCast(true);
    NOD_Debug::RegisterClassDefinition();
}

void NOD_UnregisterControlClasses()
{
    NOD_Debug::UnregisterClassDefinition();
    NOD_Console::InstallCast(false);
    NOD_Console::UnregisterClassDefinition();
    NOD_Game::UnregisterClassDefinition();
}
