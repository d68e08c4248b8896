#include "nod_simulationworld.h"

#include "brisel_simulation.h"
#include "coh_avoid.h"
#include "coh_physical.h"
#include "coh_sense.h"
#include "coh_shadow.h"
#include "contactaggregate.h"
#include "nod_camera.h"
#include "pcs_handlers.h"

namespace
{
NOD_ContactWorld s_world;
}  // namespace

void NOD_ConnectSimulation(Brisel_Simulation* _simulation)
{
    if (_simulation == nullptr) {
        ContactAggregate::SetWorld(nullptr);
        s_world = NOD_ContactWorld();
        return;
    }
    s_world = NOD_ContactWorld();
    s_world.system = _simulation->collisionSystem;
    s_world.handlers[0] = _simulation->physicalHandler;
    s_world.handlers[2] = _simulation->visibleObjectHandler;
    s_world.handlers[3] = _simulation->viewerHandler;
    s_world.handlers[4] = _simulation->passiveAvoidHandler;
    s_world.handlers[5] = _simulation->activeAvoidHandler;
    s_world.handlers[6] = _simulation->emitterHandler;
    s_world.handlers[7] = _simulation->sensorHandler;
    s_world.handlers[8] = _simulation->shadowCasterHandler;
    s_world.handlers[9] = _simulation->shadowReceiverHandler;
    s_world.getViewBox = &NOD_Camera::GetViewBoxOf;
    ContactAggregate::SetWorld(&s_world);
}
