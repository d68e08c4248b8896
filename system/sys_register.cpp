// The fixed registration order of the engine's modules.
#include "sys_register.h"

#include "mat_sqrt.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_script.h"
#include "rti_class.h"
#include "sim_name.h"
#include "thr_process.h"

void SYS_RegisterAll()
{
    // The thread layer comes first and goes last, so every module can lock from the start.
    THR_InitProcess();
    MAT_SqrtTables();
    RTI_RegisterClasses();
    SIM_RegisterClasses();
    NOD_RegisterMessages();
    NOD_RegisterNodeClasses();
    NOD_RegisterScriptClasses();
}

void SYS_UnregisterAll()
{
    NOD_UnregisterScriptClasses();
    NOD_UnregisterNodeClasses();
    NOD_UnregisterMessages();
    SIM_UnregisterClasses();
    RTI_UnregisterClasses();
    THR_ShutdownProcess();
}
