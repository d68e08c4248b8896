// The program's registrations: every line of the ordered list.
#include "app_register.h"

#include "cod_collidable.h"
#include "mat_sqrt.h"
#include "nod_actorclasses.h"
#include "nod_bodyclasses.h"
#include "nod_controlclasses.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_sceneclasses.h"
#include "nod_script.h"
#include "nod_weaponclasses.h"
#include "os_types.h"
#include "rti_class.h"
#include "sim_name.h"
#include "thr_process.h"

void Brisel_RegisterModules()
{
#define QV_REGISTRATION(_register, _unregister) _register();
#define QV_REGISTRATION_ONLY(_register) _register();
#include "app_registration.inc"
#undef QV_REGISTRATION
#undef QV_REGISTRATION_ONLY
}

void Brisel_UnregisterModules()
{
    // The list backwards: each entry's counterpart, last entry first.
    using Step = void (*)();
    static const Step s_steps[] = {
#define QV_REGISTRATION(_register, _unregister) _unregister,
#define QV_REGISTRATION_ONLY(_register) nullptr,
#include "app_registration.inc"
#undef QV_REGISTRATION
#undef QV_REGISTRATION_ONLY
    };
    for (u32 i = sizeof(s_steps) / sizeof(s_steps[0]); i-- > 0;)
        if (s_steps[i] != nullptr)
            s_steps[i]();
}
