// The world of one benchmark run: the services every node of the scene shares while the run
// lasts (the scene's random generator, the collision system and its nine handlers, the trail
// and particle systems, the terrain cell, the camera of the current step and the step counter),
// the fixed top of the scene tree with the scenario script loaded into it, and one fixed
// simulation step on request.
//
// One driver per run, reached through Brisel_TheSimulation, which the benchmark run sets when
// it creates the driver and clears when it deletes it (first in the teardown). The driver
// reaches the game layer only through NOD_Node and the renderer's scene casts: the root is
// created by class name, "/camera" is found by path and asked for its camera through the
// camera cast its registration installs. No virtual operations, not a registered class. One
// thread.
#pragma once

#include "mat_random.h"
#include "mem_alloc.h"
#include "os_types.h"

class COH_ActiveAvoid;
class COH_Emitter;
class COH_PassiveAvoid;
class COH_Physical;
class COH_Sensor;
class COH_ShadowCaster;
class COH_ShadowReceiver;
class COS_CollisionSystem;
class NOD_Body;
class NOD_Node;
class PCS_ViewerHandler;
class PCS_VisibleObjectHandler;
class VEC_Camera;
class VFX_ParticleSystem;
class VFX_TrailSystem;
struct COS_CollisionTreeCounters;
struct MRT_TerrainCell;

class Brisel_Simulation : public MEM_Object
{
public:
    // Capacities of the shared systems.
    static constexpr s32 MAX_TRAILS = 64;
    static constexpr s32 MAX_TRAIL_SAMPLES = 4000;
    static constexpr s32 MAX_PARTICLES = 8192;
    static constexpr s32 MAX_FLOWS = 16;

    // Builds, in order: the generator, the trail system, the particle system, the camera, the
    // terrain cell and the collision system with its handlers.
    Brisel_Simulation();
    // The collision system and its handlers, the cell and the camera, then the whole scene tree
    // (the root is set to none), then the particle and trail systems.
    ~Brisel_Simulation();

    Brisel_Simulation(const Brisel_Simulation&) = delete;
    Brisel_Simulation& operator=(const Brisel_Simulation&) = delete;

    // The root "root" with the sons debug, garbage, console, scenario, script and hud; the
    // scenario script _script is loaded under "/script" before "hud" enters the simulation.
    void BuildSceneGraph(const char* _script);
    // One step at the simulation clock's time: the camera copied, the collision pass, the
    // tree's heartbeats, the trail and particle systems.
    void HandleSimulation();

    // Capacities of every body's attacker and homing-torpedo lists; the body is not consulted.
    static s32 GetMaxAttackers(NOD_Body* /*_body*/) { return 6; }
    static s32 GetMaxTorpedoes(NOD_Body* /*_body*/) { return 2; }

    // Public state, read by nodes, behaviours and the renderer through Brisel_TheSimulation.
    u32 stepCounter = 0;                     // steps run since the scene was built
    NOD_Node* cameraNode = nullptr;          // "/camera" as the latest step found it
    VEC_Camera* camera = nullptr;            // the camera at the current step's time
    MRT_TerrainCell* terrainCell = nullptr;  // the terrain node stores its terrain here
    COS_CollisionSystem* collisionSystem = nullptr;
    COH_Physical* physicalHandler = nullptr;                   // type 0
    PCS_VisibleObjectHandler* visibleObjectHandler = nullptr;  // type 2
    PCS_ViewerHandler* viewerHandler = nullptr;                // type 3
    COH_PassiveAvoid* passiveAvoidHandler = nullptr;           // type 4
    COH_ActiveAvoid* activeAvoidHandler = nullptr;             // type 5
    COH_Emitter* emitterHandler = nullptr;                     // type 6
    COH_Sensor* sensorHandler = nullptr;                       // type 7
    COH_ShadowCaster* shadowCasterHandler = nullptr;           // type 8
    COH_ShadowReceiver* shadowReceiverHandler = nullptr;       // type 9
    COS_CollisionTreeCounters* treeCounters = nullptr;
    VFX_ParticleSystem* particleSystem = nullptr;
    VFX_TrailSystem* trailSystem = nullptr;
    MAT_Random random;  // the scene's generator, seeded with 4357

private:
    void CreateCollisionSystem();
    void DeleteCollisionSystem();
};

extern Brisel_Simulation* Brisel_TheSimulation;
