// The fixed registration order of the engine's modules.
#include "sys_register.h"

#include "mat_sqrt.h"
#include "rti_class.h"
#include "sim_name.h"

void SYS_RegisterAll()
{
    MAT_SqrtTables();
    RTI_RegisterClasses();
    SIM_RegisterClasses();
}

void SYS_UnregisterAll()
{
    SIM_UnregisterClasses();
    RTI_UnregisterClasses();
}
