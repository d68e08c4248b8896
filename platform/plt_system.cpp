// Which platform implementation the engine talks to: the SDL one, or a test's stand-in.
#include "plt_system.h"

#include "plt_sdl_system.h"

namespace
{
PLT_System* s_replacement = nullptr;
}

PLT_System* PLT_GetSystem() { return s_replacement != nullptr ? s_replacement : PLT_GetSdlSystem(); }

void PLT_SetSystem(PLT_System* _system) { s_replacement = _system; }
