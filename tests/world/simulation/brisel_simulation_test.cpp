// The simulation driver's construction and destruction: the shared systems it owns, the nine
// collision handlers registered under their types and masks, and what it installs.
#include <gtest/gtest.h>

#include "brisel_scene.h"
#include "brisel_simulation.h"
#include "coh_avoid.h"
#include "coh_physical.h"
#include "coh_sense.h"
#include "coh_shadow.h"
#include "cos_collisionsystem.h"
#include "cos_collisiontreecounters.h"
#include "mrt_terrain.h"
#include "pcs_handlers.h"
#include "vfx_particle.h"

namespace
{

TEST(BriselSimulationTest, BuildsItsSystemsAndRegistersTheHandlers)
{
    Brisel_Simulation* simulation = new Brisel_Simulation();
    EXPECT_EQ(0u, simulation->stepCounter);
    EXPECT_EQ(nullptr, simulation->cameraNode);
    ASSERT_NE(nullptr, simulation->camera);
    ASSERT_NE(nullptr, simulation->terrainCell);
    EXPECT_EQ(nullptr, simulation->terrainCell->terrain);
    ASSERT_NE(nullptr, simulation->particleSystem);
    EXPECT_EQ(8192u, simulation->particleSystem->GetCapacity());
    EXPECT_EQ(0u, simulation->particleSystem->GetLiveCount());
    EXPECT_NE(nullptr, simulation->trailSystem);
    EXPECT_EQ(4357u, simulation->random.GetSeed());
    EXPECT_EQ(simulation->particleSystem, Brisel_Scene::GetParticles());
    ASSERT_NE(nullptr, simulation->treeCounters);
    const COS_CollisionTreeCounters& counters = *simulation->treeCounters;
    EXPECT_EQ(0u, counters.nearestHitNodes + counters.triangles + counters.treePairs + counters.terrainTriangles +
                      counters.anyHitNodes);

    const COS_CollisionSystem* system = simulation->collisionSystem;
    ASSERT_NE(nullptr, system);
    const struct
    {
        COH_HandlerBase* handler;
        u32 type;
        u32 mask;
    } cases[] = {
        {simulation->physicalHandler, 0, 1},         {simulation->visibleObjectHandler, 2, 0},
        {simulation->viewerHandler, 3, 4},           {simulation->passiveAvoidHandler, 4, 0},
        {simulation->activeAvoidHandler, 5, 16},     {simulation->emitterHandler, 6, 0},
        {simulation->sensorHandler, 7, 64},          {simulation->shadowCasterHandler, 8, 0},
        {simulation->shadowReceiverHandler, 9, 256},
    };
    for (const auto& c : cases) {
        ASSERT_NE(nullptr, c.handler) << c.type;
        EXPECT_EQ(c.handler, system->GetHandler(c.type)) << c.type;
        EXPECT_EQ(c.mask, system->GetCollideMask(c.type)) << c.type;
        EXPECT_EQ(system, c.handler->GetSystem()) << c.type;
    }
    EXPECT_EQ(nullptr, system->GetHandler(1));

    delete simulation;
    EXPECT_EQ(nullptr, Brisel_Scene::GetParticles());
}

}  // namespace
