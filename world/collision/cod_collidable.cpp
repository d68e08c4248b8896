#include "cod_collidable.h"

#include "cod_emitter.h"
#include "cod_physical.h"

void COD_RegisterClasses()
{
    COD_Physical::RegisterClassDefinition();
    COD_Emitter::RegisterClassDefinition();
}

void COD_UnregisterClasses()
{
    COD_Emitter::UnregisterClassDefinition();
    COD_Physical::UnregisterClassDefinition();
}
