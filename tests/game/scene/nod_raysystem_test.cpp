// The light rays: their settings file, placement around the viewer on the ground, the fades,
// the turn about their length, the drawing by the view's pitch and the permanent-body entry.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "brisel_scene_fake.h"
#include "brisel_simulation.h"
#include "crt_rand.h"
#include "display_fixture.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_camera.h"
#include "nod_message.h"
#include "nod_raysystem.h"
#include "reb_mesh.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_rays.h"
#include "vec_camera.h"

namespace
{
constexpr f32 START = 10.0f;
constexpr f32 PI = 3.14159265f;

class RaySystemTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        SITO_DISPLAY = Open();
        m_resources.reset(new TST_FakeResources());
        SIM_GetSimulationClock().Set(START, SIM_STEP);
        m_simulation = new Brisel_Simulation();
        Brisel_TheSimulation = m_simulation;
        // A sloped sea floor of 4 x 4 cells of 512 units around the origin.
        TST_BuildTerrain(m_ground, 4, 17, {-1024.0f, -1024.0f, -80.0f}, {32.0f, 32.0f, 0.25f},
                         [](s32 _x, s32 _y) { return (u16)(_x * 8 + _y * 3); });
        Viewer({0.0f, 0.0f, 0.0f});
    }
    void TearDown() override
    {
        m_rays.reset();
        Brisel_TheSimulation = nullptr;
        // The driver deletes the root's tree: the fake scene's root is the scene's own.
        NOD_Node* root = NOD_Node::GetRoot();
        NOD_Node::SetRoot(nullptr);
        delete m_simulation;
        NOD_Node::SetRoot(root);
        m_renderer.reset();
        m_scene.reset();
        m_resources.reset();
        SIM_GetSimulationClock().Reset();
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    void Write(const TOOL_RaySystem& _rays)
    {
        for (const auto& file : TOOL_RaySystemFiles(_rays))
            m_dir.Write(file.first, file.second);
    }
    NOD_RaySystem* Make(const TOOL_RaySystem& _rays)
    {
        Write(_rays);
        m_rays.reset(NOD_RaySystem::DynamicCast(NOD_Node::CreateNode("NOD_RaySystem", "rays")));
        return m_rays.get();
    }
    void Ground(bool _on) { m_simulation->terrainCell->terrain = _on ? &m_ground : nullptr; }
    void Viewer(const MAT_Vector3& _position, f32 _pitch = 0.0f)
    {
        MAT_Matrix34 frame;
        frame.r.FromAngles(MAT_Angle(0.0f), MAT_Angle(_pitch), MAT_Angle(0.0f));
        frame.t = _position;
        m_simulation->camera->SetTransform(frame);
    }
    // The rays' heart beat, then the clock moves on.
    void Step(s32 _count = 1)
    {
        for (s32 i = 0; i < _count; ++i) {
            m_rays->HeartBeat();
            SIM_Clock& clock = SIM_GetSimulationClock();
            clock.SetTime(clock.time + clock.dt);
        }
    }
    RAY_Ray& Ray(s32 _index) { return m_rays->GetRays().GetRay(_index); }
    static MAT_Vector3 GroundPoint(const RAY_Ray& _ray)
    {
        return _ray.motion.frame.t + _ray.motion.frame.r.GetAxis(1) * _ray.length;
    }
    // A renderer over the display with "/camera" under a root, looking from _eye with _pitch.
    void Renderer()
    {
        TST_WriteRendererData(m_dir);
        TST_ResetRendererGlobals();
        m_scene.reset(new TST_FakeScene());
        m_renderer.reset(new Brisel_Renderer());
        m_renderer->CreateDisplay();
        m_scene->camera->camera.SetProjection(-1.0f, 1.0f, -1.0f, 1.0f, 1.0f, 5000.0f, 1.0f);
        m_fake.Forget();
    }
    void RendererCamera(const MAT_Vector3& _eye, f32 _pitch)
    {
        MAT_Matrix34 frame;
        frame.r.FromAngles(MAT_Angle(0.0f), MAT_Angle(_pitch), MAT_Angle(0.0f));
        frame.t = _eye;
        m_scene->camera->camera.SetTransform(frame);
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_FakeResources> m_resources;
    std::unique_ptr<TST_FakeScene> m_scene;
    std::unique_ptr<Brisel_Renderer> m_renderer;
    Brisel_Simulation* m_simulation = nullptr;
    MRT_Terrain m_ground;
    std::unique_ptr<NOD_RaySystem> m_rays;
};

TEST_F(RaySystemTest, TheFileGivesThePoolTheQuadAndTheTexture)
{
    TOOL_RaySystem file;
    file.maxRays = 3;
    file.minLifeTime = 1.5f;
    file.maxLifeTime = 4.0f;
    file.velocity[0] = 1.0f;
    file.width = 9.0f;
    file.height = 77.0f;
    file.birthOffsetZ = -3.0f;
    file.maxOpacity = 0.6f;
    file.bbGenerationScale = 2.0f;
    NOD_RaySystem* node = Make(file);
    ASSERT_NE(nullptr, node);
    EXPECT_EQ(BRISEL_BUCKET_PLANTS, node->GetRenderBucket());
    const RAY_RaySystem& rays = node->GetRays();
    EXPECT_EQ(3, rays.GetMaxRays());
    EXPECT_EQ(1.5f, rays.GetMinLifeTime());
    EXPECT_EQ(4.0f, rays.GetMaxLifeTime());
    EXPECT_EQ(1.0f, rays.GetVelocity().x);
    EXPECT_EQ(9.0f, rays.GetWidth());
    EXPECT_EQ(77.0f, rays.GetHeight());
    EXPECT_EQ(-3.0f, rays.GetBirthOffsetZ());
    EXPECT_EQ(0.6f, rays.GetMaxOpacity());
    EXPECT_EQ(2.0f, rays.GetBBGenerationScale());
    EXPECT_EQ(m_resources->names.RegisterTextureName("vfx\\tex\\fx\\ray", 32), rays.GetTexture());
    for (s32 i = 0; i < 3; ++i) {
        EXPECT_EQ(0, rays.GetRay(i).active);
        EXPECT_EQ(0x27u, rays.GetRay(i).motion.flags);
        EXPECT_EQ((u32)MOT_MotionState::REGIME_INCREMENTAL, rays.GetRay(i).motion.regime);
    }

    const REB_Mesh* mesh = rays.GetMesh();
    ASSERT_NE(nullptr, mesh);
    ASSERT_EQ(1, mesh->GetMaterialCount());
    const REB_Material& part = *mesh->GetMaterial(0);
    EXPECT_EQ(4, part.vertexCount);
    EXPECT_EQ(6, part.indexCount);
    EXPECT_EQ((u32)rays.GetTexture(), part.material.diffuseMap.textureId);
    EXPECT_EQ(1, part.material.diffuseMap.blendMode);
    EXPECT_EQ(0, part.material.diffuseMap.flags);
    EXPECT_EQ(0u, part.material.diffuseColor);
    EXPECT_EQ(0xFF334C4Cu, part.material.selfIllumination);
    EXPECT_EQ(-0.5f, mesh->boxMin.x);
    EXPECT_EQ(0.0f, mesh->boxMin.y);
    EXPECT_EQ(0.5f, mesh->boxMax.x);
    EXPECT_EQ(1.0f, mesh->boxMax.y);
}

TEST_F(RaySystemTest, OpacityOutsideZeroToOneIsClampedAndAnEmptyPoolIsAllowed)
{
    const f32 cases[][2] = {{1.5f, 1.0f}, {-0.2f, 0.0f}, {0.25f, 0.25f}};
    for (const auto& c : cases) {
        TOOL_RaySystem file;
        file.maxOpacity = c[0];
        EXPECT_EQ(c[1], Make(file)->GetRays().GetMaxOpacity()) << c[0];
    }
    TOOL_RaySystem empty;
    empty.maxRays = 0;
    Make(empty);
    EXPECT_EQ(0, m_rays->GetRays().GetMaxRays());
    Step(3);  // nothing to place
    TOOL_RaySystem largest;
    largest.maxRays = 65535;
    EXPECT_EQ(65535, Make(largest)->GetRays().GetMaxRays());
}

TEST_F(RaySystemTest, BadFilesStopTheProgram)
{
    struct Case
    {
        const char* what;
        TOOL_RaySystem file;
        const char* caption;
        const char* message;
    };
    std::vector<Case> cases(6);
    cases[0] = {"65536 rays", {}, "maxrays too high", "RAY_RaySystem::RAY_RaySystem"};
    cases[0].file.maxRays = 65536;
    cases[1] = {"negative count", {}, "maxrays too high", "RAY_RaySystem::RAY_RaySystem"};
    cases[1].file.maxRays = -1;
    cases[2] = {"no section",
                {},
                "DES FILE ERROR",
                "(NOD_RaySystem::NOD_RaySystem()): Get [\"RaySystem\"] in file \"ini\\raysystem.des\" failed"};
    cases[2].file.writeSection = false;
    cases[3] = {"no width", {}, "DesFile Error", "data \"Width\" not found in file \"ini\\raysystem.des\""};
    cases[3].file.omit = "Width";
    cases[4] = {
        "no last key", {}, "DesFile Error", "data \"BBGenerationScale\" not found in file \"ini\\raysystem.des\""};
    cases[4].file.omit = "BBGenerationScale";
    cases[5] = {
        "texture as a number", {}, "DesFile Error", "data \"Texture\" in file \"ini\\raysystem.des\" has wrong type"};
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write(c.file);
        if (std::string(c.what) == "texture as a number") {
            std::string text = TOOL_RaySystemText(c.file);
            text.replace(text.find("\"vfx\\tex\\fx\\ray\""), 16, "12");
            m_dir.Write(TOOL_RAYSYSTEM_FILE, text);
        }
        EXPECT_FATAL(NOD_Node::CreateNode("NOD_RaySystem", "rays"), c.caption, c.message);
    }
}

TEST_F(RaySystemTest, AllRaysArePlacedOnTheFirstBeatFromAboveTheViewerToTheGround)
{
    TOOL_RaySystem file;
    file.maxRays = 40;
    file.minLifeTime = 2.0f;
    file.maxLifeTime = 3.0f;
    file.width = 10.0f;
    Make(file);
    Ground(true);
    const MAT_Vector3 viewer(100.0f, -200.0f, 20.0f);
    Viewer(viewer);
    CRT_SRand(99);
    Step();
    // Five random values per placement, no more.
    const s32 next = CRT_Rand();
    CRT_SRand(99);
    for (s32 i = 0; i < 5 * 40; ++i)
        CRT_Rand();
    EXPECT_EQ(CRT_Rand(), next);

    for (s32 i = 0; i < 40; ++i) {
        SCOPED_TRACE(i);
        const RAY_Ray& ray = Ray(i);
        ASSERT_EQ(1, ray.active);
        EXPECT_EQ(RAY_Ray::STATE_FADING_IN, ray.state);
        EXPECT_EQ(START, ray.birthTime);
        EXPECT_EQ(START, ray.stateTime);
        EXPECT_EQ(0.0f, ray.opacity);
        EXPECT_EQ(viewer.x, ray.motion.frame.t.x);
        EXPECT_EQ(viewer.y, ray.motion.frame.t.y);
        EXPECT_EQ(viewer.z + 1000.0f, ray.motion.frame.t.z);
        const MAT_Vector3 ground = GroundPoint(ray);
        EXPECT_LE(std::fabs(ground.x - viewer.x), 400.5f);
        EXPECT_LE(std::fabs(ground.y - viewer.y), 400.5f);
        EXPECT_NEAR(m_ground.GetHeightAt(ground.x, ground.y), ground.z, 0.5f);
        EXPECT_GE(ray.width, 6.0f);
        EXPECT_LE(ray.width, 14.0f);
        EXPECT_GE(ray.lifeTime, 2.0f);
        EXPECT_LE(ray.lifeTime, 3.0f);
        const f32 roll = ray.motion.rotation[MOT_MotionState::ROLL].rate;
        EXPECT_GE(roll, 0.7f * PI / 8.0f - 1e-6f);
        EXPECT_LE(roll, 1.3f * PI / 8.0f + 1e-6f);
        EXPECT_EQ(0.0f, ray.motion.rotation[MOT_MotionState::HEADING].rate);
        EXPECT_EQ(0.0f, ray.motion.rotation[MOT_MotionState::PITCH].rate);
    }

    // The next beat turns each ray about its own length and leaves its ends in place.
    const RAY_Ray before = Ray(0);
    const f32 roll = before.motion.rotation[MOT_MotionState::ROLL].rate;
    Viewer({900.0f, 900.0f, 0.0f});  // the viewer moves: placed rays stay
    Step();
    const RAY_Ray& after = Ray(0);
    EXPECT_EQ(before.motion.frame.t.x, after.motion.frame.t.x);
    EXPECT_EQ(before.motion.frame.t.z, after.motion.frame.t.z);
    const MAT_Vector3 along0 = before.motion.frame.r.GetAxis(1);
    const MAT_Vector3 along1 = after.motion.frame.r.GetAxis(1);
    EXPECT_NEAR(1.0f, along0.x * along1.x + along0.y * along1.y + along0.z * along1.z, 1e-5f);
    const MAT_Vector3 across0 = before.motion.frame.r.GetAxis(0);
    const MAT_Vector3 across1 = after.motion.frame.r.GetAxis(0);
    EXPECT_NEAR(std::cos(roll * SIM_STEP), across0.x * across1.x + across0.y * across1.y + across0.z * across1.z,
                1e-5f);
}

TEST_F(RaySystemTest, ARayFadesInShinesFadesOutAndIsPlacedAnewAroundTheNewViewer)
{
    TOOL_RaySystem file;
    file.maxRays = 1;
    file.minLifeTime = 0.3f;
    file.maxLifeTime = 0.3f;
    file.maxOpacity = 0.8f;
    Make(file);
    Ground(true);
    Step();  // placed at START
    const RAY_Ray& ray = Ray(0);
    ASSERT_EQ(1, ray.active);
    Step();  // START + 0.05
    EXPECT_NEAR(0.08f, ray.opacity, 1e-5f);
    EXPECT_EQ(0.0f, ray.previousOpacity);
    EXPECT_EQ(RAY_Ray::STATE_FADING_IN, ray.state);
    // Full opacity 0.5 s after the placement.
    s32 steps = 1;
    while (ray.state == RAY_Ray::STATE_FADING_IN && steps < 20) {
        Step();
        ++steps;
    }
    EXPECT_EQ(RAY_Ray::STATE_SHINING, ray.state);
    EXPECT_EQ(0.8f, ray.opacity);
    EXPECT_GE(steps, 10);
    EXPECT_LE(steps, 11);
    // The life time of 0.3 s has passed already: it fades from the next step on.
    const f32 fadeStart = SIM_GetSimulationClock().time;
    Step();
    EXPECT_EQ(RAY_Ray::STATE_FADING_OUT, ray.state);
    EXPECT_EQ(fadeStart, ray.stateTime);
    EXPECT_EQ(0.8f, ray.opacity);
    steps = 0;
    while (ray.active == 1 && steps < 20) {
        Step();
        ++steps;
    }
    EXPECT_EQ(0, ray.active);
    EXPECT_EQ(0.0f, ray.opacity);
    EXPECT_GE(steps, 10);
    EXPECT_LE(steps, 11);

    // Out on this step; placed on the next around where the viewer is then.
    Viewer({-300.0f, 250.0f, 5.0f});
    const f32 now = SIM_GetSimulationClock().time;
    Step();
    EXPECT_EQ(1, ray.active);
    EXPECT_EQ(now, ray.birthTime);
    EXPECT_EQ(-300.0f, ray.motion.frame.t.x);
    EXPECT_EQ(250.0f, ray.motion.frame.t.y);
    EXPECT_EQ(1005.0f, ray.motion.frame.t.z);
}

TEST_F(RaySystemTest, WithoutATerrainNothingIsPlacedOrDrawnUntilOneExists)
{
    TOOL_RaySystem file;
    file.maxRays = 5;
    Make(file);
    Ground(false);
    CRT_SRand(5);
    Step(3);
    const s32 next = CRT_Rand();
    CRT_SRand(5);
    EXPECT_EQ(CRT_Rand(), next);  // no random value drawn
    for (s32 i = 0; i < 5; ++i)
        EXPECT_EQ(0, Ray(i).active);
    Ground(true);
    Step();
    for (s32 i = 0; i < 5; ++i)
        EXPECT_EQ(1, Ray(i).active);
}

TEST_F(RaySystemTest, AGroundPointOffTheGridLeavesTheRayWaitingForTheNextStep)
{
    TOOL_RaySystem file;
    file.maxRays = 4;
    Make(file);
    Ground(true);
    // Far beyond the grid: every ground point answers FLT_MAX.
    Viewer({50000.0f, 0.0f, 0.0f});
    CRT_SRand(11);
    Step();
    for (s32 i = 0; i < 4; ++i)
        EXPECT_EQ(0, Ray(i).active) << i;
    // The five values of each try were drawn all the same.
    const s32 next = CRT_Rand();
    CRT_SRand(11);
    for (s32 i = 0; i < 5 * 4; ++i)
        CRT_Rand();
    EXPECT_EQ(next, CRT_Rand());
    Viewer({0.0f, 0.0f, 0.0f});
    Step();
    for (s32 i = 0; i < 4; ++i) {
        EXPECT_EQ(1, Ray(i).active) << i;
        EXPECT_LT(GroundPoint(Ray(i)).z, 1000.0f) << i;
    }
}

TEST_F(RaySystemTest, ThePitchOfTheViewScalesTheRays)
{
    struct Case
    {
        f32 pitch, factor;
    };
    const Case cases[] = {{PI / 2.0f, 1.0f}, {0.0f, 0.70710677f}, {-PI / 2.0f, 0.0f}, {PI / 6.0f, 0.8660254f}};
    for (const Case& c : cases)
        EXPECT_NEAR(c.factor, RAY_RaySystem::PitchFactor(MAT_Angle(c.pitch)), 1e-4f) << c.pitch;
}

TEST_F(RaySystemTest, FramesDrawEachActiveRayByPitchAndFrameFraction)
{
    Renderer();
    TOOL_RaySystem file;
    file.maxRays = 6;
    file.maxOpacity = 1.0f;
    file.minLifeTime = file.maxLifeTime = 100.0f;
    NOD_RaySystem* node = Make(file);
    Ground(true);
    Step(12);  // all at full opacity
    for (s32 i = 0; i < 6; ++i)
        ASSERT_EQ(1.0f, Ray(i).opacity);
    delete node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    REB_Mesh* mesh = const_cast<REB_Mesh*>(node->GetRays().GetMesh());
    u8& alpha = mesh->GetMaterial(0)->material.diffuseMap.alpha;

    struct Case
    {
        const char* what;
        f32 pitch;
        f32 fraction;
        bool drawn;
        u8 alpha;
    };
    const Case cases[] = {
        {"level", 0.0f, 1.0f, true, 180},      // 0.7071 x 255
        {"up", PI / 2.0f, 1.0f, true, 255},    // full
        {"down", -PI / 2.0f, 1.0f, false, 0},  // hidden
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Far behind the rays, looking at them over the whole placement box.
        RendererCamera({0.0f, -1500.0f, 400.0f}, c.pitch);
        SIM_GetFrameClock().fraction = c.fraction;
        alpha = 7;
        const size_t before = m_fake.Count("DrawIndexedPrimitive");
        m_renderer->Render();
        const size_t draws = m_fake.Count("DrawIndexedPrimitive") - before;
        if (c.drawn) {
            EXPECT_GE(draws, 1u);
            EXPECT_EQ(c.alpha, alpha);
        } else {
            EXPECT_EQ(7, alpha);  // no ray reached the mesh
        }
    }

    // Halfway between a step's opacities; rays at no opacity are left out.
    Ray(0).previousOpacity = 0.0f;
    Ray(0).opacity = 0.5f;
    for (s32 i = 1; i < 6; ++i)
        Ray(i).opacity = Ray(i).previousOpacity = 0.0f;
    RendererCamera({0.0f, -1500.0f, 400.0f}, PI / 2.0f);
    SIM_GetFrameClock().fraction = 0.5f;
    alpha = 7;
    m_renderer->Render();
    EXPECT_EQ(63, alpha);  // 0.25 x 255, truncated

    // Without a terrain nothing is drawn.
    Ground(false);
    alpha = 7;
    m_renderer->Render();
    EXPECT_EQ(7, alpha);
    delete node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
}

TEST_F(RaySystemTest, EnteringTwiceRegistersOnceAndLeavingRemovesOnlyWhatWasRegistered)
{
    Renderer();
    NOD_RaySystem* node = Make(TOOL_RaySystem());
    TST_FakeBody other(nullptr, BRISEL_BUCKET_SOLID, {});
    m_renderer->AddPermanentBody(&other);
    delete node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    delete node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    EXPECT_TRUE(node->IsInSimulation());
    EXPECT_EQ(2, m_renderer->GetPermanentBodyCount());
    delete node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(node->IsInSimulation());
    ASSERT_EQ(1, m_renderer->GetPermanentBodyCount());
    delete node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    ASSERT_EQ(1, m_renderer->GetPermanentBodyCount());
    EXPECT_EQ(&other, m_renderer->GetPermanentBody(0));

    // A node deleted while registered leaves no entry behind.
    delete node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    EXPECT_EQ(2, m_renderer->GetPermanentBodyCount());
    m_rays.reset();
    ASSERT_EQ(1, m_renderer->GetPermanentBodyCount());
    EXPECT_EQ(&other, m_renderer->GetPermanentBody(0));
    m_renderer->RemovePermanentBody(&other);
}
}  // namespace
