// The simulation driver with the game's node classes: the fixed top of the tree around a
// scenario script, the step's camera, and whole scripted scenes stepped and drawn headless.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "brisel_simulation.h"
#include "lua_state.h"
#include "mrt_terrain.h"
#include "nod_camera.h"
#include "nod_fx_plant.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_script.h"
#include "scene_render_fixture.h"
#include "sim_clock.h"
#include "sim_scene_fixture.h"
#include "snd_sounddevice.h"
#include "tools_scenario.h"
#include "vec_camera.h"
#include "vfx_particle.h"
#include "vfx_trail.h"

namespace
{

// What the probe camera saw, in order.
std::vector<std::string> g_events;

// A camera that reports when the driver asks it for its camera and when it steps.
class TST_ProbeCamera : public NOD_Camera
{
public:
    const VEC_Camera* GetCameraAtTime(f32 _time) override
    {
        g_events.push_back("camera " + std::to_string(_time));
        const VEC_Camera* camera = NOD_Camera::GetCameraAtTime(_time);
        answered = *camera;
        return camera;
    }
    void HeartBeat() override
    {
        g_events.push_back("heartbeat " + std::to_string(SIM_GetSimulationClock().time));
        NOD_Camera::HeartBeat();
    }

    VEC_Camera answered;  // the last camera GetCameraAtTime answered
};

// A node that feeds the run's effects in its HeartBeat: in its first step it starts a trail
// and spawns a particle born at the step's time, in every later step it adds the trail's
// sample at the step's time.
class TST_EffectsProbe : public NOD_Node
{
public:
    static constexpr f32 LIFETIME = 0.04f;  // shorter than a step

    void HeartBeat() override
    {
        Brisel_Simulation* simulation = Brisel_TheSimulation;
        const SIM_Clock& clock = SIM_GetSimulationClock();
        MAT_Matrix34 frame;
        frame.r.SetDiagonal(1.0f);
        frame.t = {1.0f, 2.0f, (f32)beats};
        if (beats++ > 0) {
            simulation->trailSystem->GetTrail(trail)->AddSample(clock.time, frame);
            return;
        }
        trail = simulation->trailSystem->AllocateTrail();
        simulation->trailSystem->GetTrail(trail)->SetSampling(6, LIFETIME, 1.0f);
        simulation->trailSystem->StartTrail(trail, clock.time, frame);
        VFX_Particle particle;
        particle.birth = clock.time;
        particle.lifetime = 100.0f;
        particle.inverseLifetime = 0.01f;
        particle.position = start;
        particle.velocity = velocity;
        simulation->particleSystem->Spawn(particle, clock);
    }

    const MAT_Vector3 start{10.0f, 20.0f, 30.0f};
    const MAT_Vector3 velocity{1.0f, -2.0f, 4.0f};
    s32 beats = 0;
    s32 trail = -1;
};

class SimulationSceneTest : public TST_SceneRenderTest
{
protected:
    void SetUp() override
    {
        TST_WriteRendererData(m_dir);
        // The music the game controller loads is read through the sound output's file access:
        // a device on SDL's dummy audio driver.
        m_dir.Write("ini/sound.des", "[Sound]\n{\n    SoundOn = 1\n    NumOfChannels = 2\n    Rate = 22050\n"
                                     "    Bits = 16\n}\n");
        CreateWorld(QV_DATA_SOURCE_DIR);
        g_events.clear();
    }

    // Writes the scenario's files and its script "missions\scene" and builds the scene.
    void Build(const TOOL_Scenario& _scenario)
    {
        for (const auto& file : TOOL_ScenarioFiles(_scenario))
            m_dir.Write(file.first, file.second);
        m_dir.Write("missions/scene.sco", TOOL_ScenarioScript(_scenario));
        BuildScene("missions\\scene");
    }
    // A scene of the fixed top only, with the player the head-up display needs.
    void BuildBare(bool _player = true)
    {
        TOOL_Scenario scenario;
        scenario.terrain = scenario.camera = scenario.plants = scenario.plankton = scenario.rays = false;
        scenario.player = _player;
        Build(scenario);
    }

    // Draws _frames frames at 30 frames per second of scene time, two simulation steps per three
    // frames: before frame k (from 1) the steps run until the simulation clock is past the
    // frame's time k / 30, so that the frame lies between the last two steps.
    void Run(s32 _frames)
    {
        for (s32 k = 1; k <= _frames; ++k) {
            while (3 * m_scene->simulation->stepCounter <= 2 * (u32)k)
                m_scene->Step();
            TST_SimScene::SetFrameTime((f32)k * SIM_STEP * 2.0f / 3.0f);
            m_renderer->Render();
        }
    }

    // _camera enters the tree as "/camera", following the player.
    static void AddCamera(NOD_Camera* _camera)
    {
        _camera->SetName("camera");
        NOD_Node::GetRoot()->AddSon(_camera);
        delete _camera->ProcessMessage(NOD_Node_EnterSimulation::Create());
        delete _camera->ProcessMessage(NOD_Camera_Follow::Create(SIM_Path("/player1"), 20.0f, 0.0f, -20.0f));
    }

    f64 ScriptNumber(const char* _field)
    {
        NOD_Node* node = Find("/script")->GetSon(0);
        EXPECT_TRUE(node->IsKindOf(RTI_ClassDefinition::Find("NOD_Script")));
        NOD_Script* script = static_cast<NOD_Script*>(node);
        lua_State* state = script->GetLuaState();
        lua_getglobal(state, "Scene");
        lua_getfield(state, -1, _field);
        const f64 value = lua_tonumber(state, -1);
        lua_pop(state, 2);
        return value;
    }
};

TEST_F(SimulationSceneTest, TheRootHasSixSonsInOrderAndTheScriptUnderScript)
{
    BuildBare();
    NOD_Node* root = NOD_Node::GetRoot();
    ASSERT_NE(nullptr, root);
    EXPECT_STREQ("root", root->GetName().GetName());
    EXPECT_TRUE(root->IsKindOf(RTI_ClassDefinition::Find("NOD_Game")));
    const struct
    {
        const char* name;
        const char* className;
    } sons[] = {{"debug", "NOD_Debug"},       {"garbage", "NOD_Scenario"}, {"console", "NOD_Console"},
                {"scenario", "NOD_Scenario"}, {"script", "NOD_Scenario"},  {"hud", "NOD_Hud"}};
    // The script added "player1" after the six.
    ASSERT_EQ(7, root->GetNumOfSons());
    for (s32 i = 0; i < 6; ++i) {
        SCOPED_TRACE(sons[i].name);
        NOD_Node* son = root->GetSon(i);
        EXPECT_STREQ(sons[i].name, son->GetName().GetName());
        EXPECT_TRUE(son->IsKindOf(RTI_ClassDefinition::Find(sons[i].className)));
    }
    EXPECT_STREQ("player1", root->GetSon(6)->GetName().GetName());
    NOD_Node* scripts = Find("/script");
    ASSERT_EQ(1, scripts->GetNumOfSons());
    EXPECT_STREQ("script0", scripts->GetSon(0)->GetName().GetName());
    EXPECT_EQ(0u, m_scene->simulation->stepCounter);
    EXPECT_EQ(nullptr, m_scene->simulation->cameraNode);
}

TEST_F(SimulationSceneTest, TheHudEntersOnlyAfterTheScriptMadeThePlayer)
{
    // The display's entry needs "/player1": made by the script, it is there in time.
    BuildBare(true);
    m_scene.reset();

    // Without it the display's entry stops the run, after the script ran.
    EXPECT_FATAL(BuildBare(false), "NOD_Hud::PM_EnterSimulation()", "player1 not found");
    EXPECT_EQ(1, Find("/script")->GetNumOfSons());
}

TEST_F(SimulationSceneTest, TheStepNeedsACameraAtCamera)
{
    const struct
    {
        const char* extra;  // what the script adds
        const char* text;
    } rows[] = {
        {"", "no camera node"},
        {"Node_AddSon(Scene.root, Node_CreateNode(nil, 'nod_scenario', 'camera'))\n", "wrong camera node type"},
        {"Node_AddSon(Scene.player1, Node_CreateNode(nil, 'nod_camera', 'camera'))\n", "no camera node"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        TOOL_Scenario scenario;
        scenario.terrain = scenario.camera = scenario.plants = scenario.plankton = scenario.rays = false;
        scenario.extraStartUp = row.extra;
        Build(scenario);
        EXPECT_FATAL(m_scene->Step(), "Brisel_Simulation::HandleSimulation()", row.text);
        EXPECT_EQ(nullptr, m_scene->simulation->cameraNode);
        m_scene.reset();
    }
}

TEST_F(SimulationSceneTest, TheCameraIsCopiedAtTheStepsTimeBeforeTheTreeMoves)
{
    BuildBare();
    TST_ProbeCamera* camera = new TST_ProbeCamera();
    AddCamera(camera);

    for (s32 step = 0; step < 3; ++step) {
        const f32 time = SIM_GetSimulationClock().time;
        g_events.clear();
        m_scene->Step();
        ASSERT_EQ(2u, g_events.size());
        EXPECT_EQ("camera " + std::to_string(time), g_events[0]);
        EXPECT_EQ("heartbeat " + std::to_string(time), g_events[1]);
        EXPECT_EQ(camera, m_scene->simulation->cameraNode);
        // The copy is the whole camera the node answered for that time.
        const VEC_Camera& expected = camera->answered;
        const VEC_Camera& copy = *m_scene->simulation->camera;
        EXPECT_EQ(0, std::memcmp(&expected.GetWorldTransform(), &copy.GetWorldTransform(), sizeof(MAT_Matrix34)));
        EXPECT_EQ(expected.GetFar(), copy.GetFar());
        EXPECT_EQ((u32)step + 1, m_scene->simulation->stepCounter);
    }
}

TEST_F(SimulationSceneTest, TrailsAndParticlesAdvanceAfterTheTreesHeartBeats)
{
    BuildBare();
    AddCamera(new NOD_Camera());
    TST_EffectsProbe* probe = new TST_EffectsProbe();
    NOD_Node::GetRoot()->AddSon(probe);
    Brisel_Simulation* simulation = m_scene->simulation;

    // The particle spawned in the first HeartBeat is moved by the same step.
    m_scene->Step();
    ASSERT_EQ(1u, simulation->particleSystem->GetLiveCount());
    const VFX_Particle& particle = *simulation->particleSystem->GetHead();
    const MAT_Vector3 moved = probe->start + probe->velocity * SIM_STEP;
    EXPECT_EQ(probe->start, particle.previousPosition);
    EXPECT_FLOAT_EQ(moved.x, particle.position.x);
    EXPECT_FLOAT_EQ(moved.y, particle.position.y);
    EXPECT_FLOAT_EQ(moved.z, particle.position.z);

    // A trail living shorter than a step keeps the samples its HeartBeat adds: the ageing of the
    // same step sees the new sample, and returns only what that sample left behind.
    for (s32 step = 1; step <= 3; ++step) {
        SCOPED_TRACE(step);
        const f32 time = SIM_GetSimulationClock().time;
        m_scene->Step();
        const VFX_Trail* trail = simulation->trailSystem->GetTrail(probe->trail);
        ASSERT_EQ(VFX_Trail::STATE_RUNNING, trail->GetState());
        EXPECT_EQ(time, trail->GetTail()->time);
        ASSERT_NE(nullptr, trail->GetHead()->next);
        EXPECT_GE(trail->GetHead()->next->time, time - TST_EffectsProbe::LIFETIME);
        EXPECT_LT(trail->GetHead()->time, time - TST_EffectsProbe::LIFETIME);
    }
}

TEST_F(SimulationSceneTest, AScriptedSceneRunsAndIsDrawnForSecondsAndTearsDown)
{
    TOOL_Scenario scenario;
    Build(scenario);
    Brisel_Simulation* simulation = m_scene->simulation;
    ASSERT_NE(nullptr, simulation->terrainCell->terrain);
    for (const char* path : {"/terrain", "/player1", "/camera", "/plants", "/plankton", "/rays"}) {
        SCOPED_TRACE(path);
        ASSERT_NE(nullptr, Find(path));
    }
    m_fake.Forget();

    Run(120);  // four seconds
    EXPECT_EQ(81u, simulation->stepCounter);
    EXPECT_GT(m_fake.Count("DrawIndexedPrimitive"), 0u);
    EXPECT_EQ(Find("/camera"), simulation->cameraNode);

    // The player moved once per step (its first timer fires in the second step) and the
    // camera followed it.
    EXPECT_GE(ScriptNumber("moves"), 79.0);
    const MAT_Vector3 eye = simulation->camera->GetWorldTransform().t;
    const f32 x = scenario.playerStart[0] + scenario.playerVelocity[0] * 4.0f;
    const f32 y = scenario.playerStart[1] + scenario.playerVelocity[1] * 4.0f;
    EXPECT_NEAR(x, eye.x, 40.0f);
    EXPECT_NEAR(y, eye.y, 40.0f);

    // Plants grew in the cells around the camera.
    NOD_FX_Plant* plants = NOD_FX_Plant::DynamicCast(Find("/plants"));
    ASSERT_NE(nullptr, plants);
    EXPECT_GT(plants->GetActiveCount(), 0);

    // The teardown (the driver first, the tree with it) runs clean under the sanitizers.
    m_scene.reset();
    EXPECT_EQ(nullptr, NOD_Node::GetRoot());
    EXPECT_EQ(nullptr, Brisel_TheSimulation);
}

TEST_F(SimulationSceneTest, TwoRunsOfTheSameSceneDrawTheSameRandomSequence)
{
    std::vector<u32> draws[2];
    for (std::vector<u32>& sequence : draws) {
        TOOL_Scenario scenario;
        Build(scenario);
        Run(30);
        for (s32 i = 0; i < 4; ++i)
            sequence.push_back(m_scene->simulation->random.Next());
        m_scene.reset();
    }
    EXPECT_EQ(draws[0], draws[1]);
}

}  // namespace
