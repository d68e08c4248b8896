// Registration of the body library's node classes, in one place so that the order is fixed.
#include "nod_bodyclasses.h"

#include "nod_path.h"
#include "nod_patrolarea.h"
#include "nod_position.h"

void NOD_RegisterBodyClasses()
{
    NOD_Position::RegisterClassDefinition();
    NOD_Path::RegisterClassDefinition();
    NOD_PatrolArea::RegisterClassDefinition();
}

void NOD_UnregisterBodyClasses()
{
    NOD_PatrolArea::UnregisterClassDefinition();
    NOD_Path::UnregisterClassDefinition();
    NOD_Position::UnregisterClassDefinition();
}
