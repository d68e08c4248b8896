// The collision system as the simulation driver builds it: nine handlers registered in type
// order with their masks, on one terrain cell (empty until a test fills it).
#pragma once

#include "coh_avoid.h"
#include "coh_physical.h"
#include "coh_sense.h"
#include "coh_shadow.h"
#include "cos_collisionsystem.h"
#include "mrt_terrain.h"
#include "pcs_handlers.h"
#include "sim_clock.h"

struct TST_CollisionWorld
{
    explicit TST_CollisionWorld(s32 _axes = 2)
        : system(_axes, 512, 4096), physical(&system, 1024, 1024, 1024, &cell), visible(&system), viewers(&system, 2),
          passive(&system), active(&system, 512, &cell), emitters(&system), sensors(&system, 512), casters(&system),
          receivers(&system, 512)
    {
        system.RegisterHandler(&physical, 0, 1);
        system.RegisterHandler(&visible, 2, 0);
        system.RegisterHandler(&viewers, 3, 4);
        system.RegisterHandler(&passive, 4, 0);
        system.RegisterHandler(&active, 5, 16);
        system.RegisterHandler(&emitters, 6, 0);
        system.RegisterHandler(&sensors, 7, 64);
        system.RegisterHandler(&casters, 8, 0);
        system.RegisterHandler(&receivers, 9, 256);
    }

    MRT_TerrainCell cell;
    SIM_Clock clock;
    COS_CollisionSystem system;
    COH_Physical physical;
    PCS_VisibleObjectHandler visible;
    PCS_ViewerHandler viewers;
    COH_PassiveAvoid passive;
    COH_ActiveAvoid active;
    COH_Emitter emitters;
    COH_Sensor sensors;
    COH_ShadowCaster casters;
    COH_ShadowReceiver receivers;
};
