#include "brisel_simulation.h"

#include <new>

#include "brisel_scene.h"
#include "coh_avoid.h"
#include "coh_physical.h"
#include "coh_sense.h"
#include "coh_shadow.h"
#include "cos_collisionsystem.h"
#include "cos_collisiontreecounters.h"
#include "mrt_terrain.h"
#include "nod_node.h"
#include "pcs_handlers.h"
#include "vec_camera.h"
#include "vfx_particle.h"
#include "vfx_trail.h"

Brisel_Simulation* Brisel_TheSimulation = nullptr;

namespace
{
// The sweep lists of the collision system: two axes, 512 entries, 4096 pairs.
const s32 COLLISION_AXES = 2;
const s32 COLLISION_ENTRIES = 512;
const s32 COLLISION_PAIRS = 4096;
// Contact records, physical objects and terrain-tested objects of the physical handler.
const s32 PHYSICAL_CAPACITY = 1024;
const s32 VIEWER_CAPACITY = 2;
const s32 AVOIDER_CAPACITY = 512;
const s32 SENSOR_CAPACITY = 512;
const s32 RECEIVER_CAPACITY = 512;
}  // namespace

Brisel_Simulation::Brisel_Simulation()
{
    random.Seed(MAT_RANDOM_SEED);
    trailSystem = new VFX_TrailSystem(MAX_TRAILS, MAX_TRAIL_SAMPLES);
    particleSystem = new VFX_ParticleSystem(MAX_PARTICLES, MAX_FLOWS);
    camera = new VEC_Camera();
    cameraNode = nullptr;
    terrainCell =
        new (MEM_AllocOrDie(sizeof(MRT_TerrainCell), "Brisel_Simulation::Brisel_Simulation()")) MRT_TerrainCell();
    CreateCollisionSystem();
    stepCounter = 0;
    // The renderer draws the particles of the run's system while the driver lives.
    Brisel_Scene::SetParticles(particleSystem);
}

Brisel_Simulation::~Brisel_Simulation()
{
    if (Brisel_Scene::GetParticles() == particleSystem)
        Brisel_Scene::SetParticles(nullptr);
    DeleteCollisionSystem();
    MEM_Free(terrainCell);  // a plain record
    terrainCell = nullptr;
    delete camera;
    camera = nullptr;
    cameraNode = nullptr;
    // Deleting the root takes the whole tree down; nodes give their particles' descriptions
    // and trails back before the systems go.
    delete NOD_Node::GetRoot();
    NOD_Node::SetRoot(nullptr);
    delete particleSystem;
    particleSystem = nullptr;
    delete trailSystem;
    trailSystem = nullptr;
}

void Brisel_Simulation::CreateCollisionSystem()
{
    collisionSystem = new COS_CollisionSystem(COLLISION_AXES, COLLISION_ENTRIES, COLLISION_PAIRS);
    physicalHandler =
        new COH_Physical(collisionSystem, PHYSICAL_CAPACITY, PHYSICAL_CAPACITY, PHYSICAL_CAPACITY, terrainCell);
    visibleObjectHandler = new PCS_VisibleObjectHandler(collisionSystem);
    viewerHandler = new PCS_ViewerHandler(collisionSystem, VIEWER_CAPACITY);
    passiveAvoidHandler = new COH_PassiveAvoid(collisionSystem);
    activeAvoidHandler = new COH_ActiveAvoid(collisionSystem, AVOIDER_CAPACITY, terrainCell);
    emitterHandler = new COH_Emitter(collisionSystem);
    sensorHandler = new COH_Sensor(collisionSystem, SENSOR_CAPACITY);
    shadowCasterHandler = new COH_ShadowCaster(collisionSystem);
    shadowReceiverHandler = new COH_ShadowReceiver(collisionSystem, RECEIVER_CAPACITY);
    treeCounters = new (MEM_AllocOrDie(sizeof(COS_CollisionTreeCounters), "Brisel_Simulation::CreateCollisionSystem()"))
        COS_CollisionTreeCounters();

    // Each collide mask pairs the handler's objects with the objects of the type below it.
    collisionSystem->RegisterHandler(physicalHandler, COS_TYPE_PHYSICAL, 1u << COS_TYPE_PHYSICAL);
    collisionSystem->RegisterHandler(visibleObjectHandler, COS_TYPE_VISIBLE, 0);
    collisionSystem->RegisterHandler(viewerHandler, COS_TYPE_VIEWER, 1u << COS_TYPE_VISIBLE);
    collisionSystem->RegisterHandler(passiveAvoidHandler, COS_TYPE_PASSIVE_AVOID, 0);
    collisionSystem->RegisterHandler(activeAvoidHandler, COS_TYPE_ACTIVE_AVOID, 1u << COS_TYPE_PASSIVE_AVOID);
    collisionSystem->RegisterHandler(emitterHandler, COS_TYPE_EMITTER, 0);
    collisionSystem->RegisterHandler(sensorHandler, COS_TYPE_SENSOR, 1u << COS_TYPE_EMITTER);
    collisionSystem->RegisterHandler(shadowCasterHandler, COS_TYPE_SHADOW_CASTER, 0);
    collisionSystem->RegisterHandler(shadowReceiverHandler, COS_TYPE_SHADOW_RECEIVER, 1u << COS_TYPE_SHADOW_CASTER);
}

void Brisel_Simulation::DeleteCollisionSystem()
{
    delete physicalHandler;
    physicalHandler = nullptr;
    delete visibleObjectHandler;
    visibleObjectHandler = nullptr;
    delete viewerHandler;
    viewerHandler = nullptr;
    delete passiveAvoidHandler;
    passiveAvoidHandler = nullptr;
    delete activeAvoidHandler;
    activeAvoidHandler = nullptr;
    delete emitterHandler;
    emitterHandler = nullptr;
    delete sensorHandler;
    sensorHandler = nullptr;
    delete shadowCasterHandler;
    shadowCasterHandler = nullptr;
    delete shadowReceiverHandler;
    shadowReceiverHandler = nullptr;
    delete collisionSystem;
    collisionSystem = nullptr;
    MEM_Free(treeCounters);  // a plain record
    treeCounters = nullptr;
}
