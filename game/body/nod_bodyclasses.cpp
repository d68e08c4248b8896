// Registration of the body library's node classes, in one place so that the order is fixed.
#include "nod_bodyclasses.h"

#include "nod_body.h"
#include "nod_path.h"
#include "nod_patrolarea.h"
#include "nod_position.h"
#include "nod_shieldedbody.h"

void NOD_RegisterBodyClasses()
{
    NOD_Position::RegisterClassDefinition();
    NOD_Path::RegisterClassDefinition();
    NOD_PatrolArea::RegisterClassDefinition();
    NOD_Body::RegisterClassDefinition();
    NOD_ShieldedBody::RegisterClassDefinition();
    NOD_Body::InstallHasBodyAncestorTest(true);
}

void NOD_UnregisterBodyClasses()
{
    NOD_Body::InstallHasBodyAncestorTest(false);
    NOD_ShieldedBody::UnregisterClassDefinition();
    NOD_Body::UnregisterClassDefinition();
    NOD_PatrolArea::UnregisterClassDefinition();
    NOD_Path::UnregisterClassDefinition();
    NOD_Position::UnregisterClassDefinition();
}
