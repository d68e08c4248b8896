// The terrain node: loading a terrain directory into the simulation's terrain cell and the
// renderer, the view renewed on every fourth step and after camera jumps, reloading, the cell
// cleared with the terrain it holds, and the permanent-body entry.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "brisel_scene_fake.h"
#include "brisel_simulation.h"
#include "display_fixture.h"
#include "mrt_terrain.h"
#include "nod_camera.h"
#include "nod_message.h"
#include "nod_terrain.h"
#include "reb_mesh.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_terrain.h"
#include "tools_terrainnode.h"
#include "vec_camera.h"

namespace
{
constexpr f32 START = 10.0f;
const MAT_Vector3 NOWHERE(-12345.0f, -12345.0f, -12345.0f);

class TerrainNodeTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        TST_WriteRendererData(m_dir);
        TST_ResetRendererGlobals();
        SITO_DISPLAY = Open();
        m_resources.reset(new TST_FakeResources());
        m_renderer.reset(new Brisel_Renderer());
        m_renderer->CreateDisplay();
        SIM_GetSimulationClock().Set(START, SIM_STEP);
        m_simulation = new Brisel_Simulation();
        Brisel_TheSimulation = m_simulation;
        m_root = NOD_Node::CreateNode("NOD_Node", "root");
        NOD_Node::SetRoot(m_root);
        m_camera = NOD_Camera::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Camera", "camera")));
        ASSERT_NE(nullptr, m_camera);
        m_node = NOD_Terrain::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Terrain", "terrain")));
        ASSERT_NE(nullptr, m_node);
        m_simulation->cameraNode = m_camera;
        // Above the middle of the ground, looking ahead and down.
        MAT_Matrix34 frame;
        frame.r.FromAngles(MAT_Angle(0.0f), MAT_Angle(-0.5f), MAT_Angle(0.0f));
        frame.t = {64.0f, 10.0f, 80.0f};
        m_camera->SetTransform(START, frame);
        m_fake.Forget();
    }
    void TearDown() override
    {
        NOD_Node::SetRoot(nullptr);
        delete m_root;
        NOD_Node::GC_Collect();
        Brisel_TheSimulation = nullptr;
        delete m_simulation;
        m_renderer.reset();
        m_resources.reset();
        SIM_GetSimulationClock().Reset();
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    void WriteTerrain(const TOOL_TerrainDirectory& _terrain)
    {
        for (const auto& file : TOOL_TerrainDirectoryFiles(_terrain))
            m_dir.Write(file.first, file.second);
    }
    static TOOL_TerrainDirectory Directory(const char* _name = "terrain", s32 _lines = 2)
    {
        TOOL_TerrainDirectory terrain;
        terrain.directory = _name;
        terrain.lines = _lines;
        terrain.heights = TOOL_RandomHeightField(17, 3, 100, 120);
        return terrain;
    }
    void Send(NOD_Message* _message) { EXPECT_EQ(nullptr, m_node->ProcessMessage(_message)); }
    void Load(const char* _directory) { Send(NOD_Terrain_LoadTerrain::Create(SIM_ClassName(_directory))); }
    void Enter() { Send(NOD_Node_EnterSimulation::Create()); }
    void Leave() { Send(NOD_Node_LeaveSimulation::Create()); }
    // One step of the tree (camera, then terrain); then the clock and the counter move on.
    void Step()
    {
        m_root->HeartBeat();
        SIM_Clock& clock = SIM_GetSimulationClock();
        clock.SetTime(clock.time + clock.dt);
        ++m_simulation->stepCounter;
    }
    // Whether the step renewed the terrain's view.
    bool StepRenews()
    {
        m_node->GetTerrain()->view.position = NOWHERE;
        Step();
        const MAT_Vector3& p = m_node->GetTerrain()->view.position;
        return p.x != NOWHERE.x || p.y != NOWHERE.y || p.z != NOWHERE.z;
    }
    s32 Texture(const std::string& _name) { return m_resources->names.RegisterTextureName(_name.c_str(), 32); }

    TST_TempDir m_dir;
    std::unique_ptr<TST_FakeResources> m_resources;
    std::unique_ptr<Brisel_Renderer> m_renderer;
    Brisel_Simulation* m_simulation = nullptr;
    NOD_Node* m_root = nullptr;
    NOD_Camera* m_camera = nullptr;
    NOD_Terrain* m_node = nullptr;
};

TEST_F(TerrainNodeTest, LoadingPublishesTheTerrainAndHandsItsMaterialsToTheRenderer)
{
    EXPECT_EQ(BRISEL_BUCKET_TERRAIN, m_node->GetRenderBucket());
    EXPECT_EQ(160.0f, m_node->GetDetail());
    EXPECT_EQ(nullptr, m_node->GetTerrain());
    TOOL_TerrainDirectory terrain = Directory();
    terrain.material.wrapping[0] = 4.0f;
    terrain.material.wrapping[1] = 8.0f;
    terrain.material.wrapping[2] = 16.0f;
    terrain.material.wrapping[3] = 2.0f;
    WriteTerrain(terrain);
    Load("terrain");

    ASSERT_NE(nullptr, m_node->GetTerrain());
    EXPECT_EQ(m_node->GetTerrain(), m_simulation->terrainCell->terrain);
    EXPECT_EQ(2, m_node->GetTerrain()->GetNumOfLines());
    EXPECT_LT(m_node->GetTerrain()->GetHeightAt(30.0f, 30.0f), 1000.0f);
    const f32 scales[4] = {0.25f, 0.125f, 0.0625f, 0.5f};
    for (s32 i = 0; i < 4; ++i) {
        EXPECT_EQ(Texture("terrain\\material_" + std::to_string(i)), m_renderer->GetTerrainMaterial(i)) << i;
        EXPECT_EQ(scales[i], m_renderer->GetTerrainScale(i)) << i;
    }
    EXPECT_EQ(Texture("terrain\\lightmap"), m_renderer->GetTerrainLightmap());

    // Terrain_SetPoly changes nothing and is no lost message.
    MRT_Terrain* before = m_node->GetTerrain();
    Send(NOD_Terrain_SetPoly::Create(7u));
    EXPECT_EQ(before, m_node->GetTerrain());
    EXPECT_FALSE(m_node->IsInSimulation());
    EXPECT_EQ(std::string::npos, m_dir.Read("log.txt").find("9001"));
}

TEST_F(TerrainNodeTest, TheViewIsRenewedOnEveryFourthStepAndAfterACameraJump)
{
    WriteTerrain(Directory());
    // Neither before entering nor without a terrain does the beat do anything.
    Enter();
    Step();
    Leave();
    Load("terrain");
    EXPECT_FALSE(StepRenews());
    m_simulation->stepCounter = 0;
    Enter();

    std::vector<u32> renewed;
    MRT_Frustum view;
    for (s32 i = 0; i < 10; ++i) {
        const u32 step = m_simulation->stepCounter;
        if (StepRenews())
            renewed.push_back(step);
        if (step == 8)
            view = m_node->GetTerrain()->view;
    }
    EXPECT_EQ((std::vector<u32>{0, 4, 8}), renewed);

    // The view is the camera's, 0.1 s ahead, every plane 100 units further out.
    const VEC_Camera camera = *m_camera->GetCameraAtTime(START + 8.0f * SIM_STEP + 2.0f * SIM_STEP);
    EXPECT_EQ(0x3Eu, view.planeFlags);
    EXPECT_EQ(3, view.cullLevel);
    EXPECT_EQ(8, view.cullSize);
    EXPECT_NEAR(camera.GetWorldTransform().t.x, view.position.x, 1e-4f);
    EXPECT_NEAR(camera.GetWorldTransform().t.z, view.position.z, 1e-4f);
    for (s32 k = 0; k < 6; ++k) {
        f32 a, b, c, d;
        camera.GetViewFrustumPlaneWP(k, a, b, c, d);
        EXPECT_NEAR(a, view.planes[k].a, 1e-4f) << k;
        EXPECT_NEAR(c, view.planes[k].c, 1e-4f) << k;
        EXPECT_NEAR(d - 100.0f, view.planes[k].d, 1e-3f) << k;
    }
    // The renderer took the triangulation.
    EXPECT_GT(m_renderer->GetTerrainMesh()->GetMaterial(0)->indexCount, 0);

    // A jump on step 10 (the camera entering places it anew): renewed on that step and the next.
    delete m_camera->ProcessMessage(NOD_Node_EnterSimulation::Create());
    ASSERT_EQ(1, m_camera->GetJumpFlag());
    renewed.clear();
    for (s32 i = 0; i < 8; ++i) {
        const u32 step = m_simulation->stepCounter;
        if (StepRenews())
            renewed.push_back(step);
    }
    EXPECT_EQ((std::vector<u32>{10, 11, 12, 16}), renewed);
}

TEST_F(TerrainNodeTest, ASecondLoadReplacesTheTerrainInTheNodeTheCellAndTheRenderer)
{
    WriteTerrain(Directory("terrain"));
    WriteTerrain(Directory("terrain2", 3));
    Load("terrain");
    Enter();
    Load("terrain2");
    ASSERT_NE(nullptr, m_node->GetTerrain());
    EXPECT_EQ(3, m_node->GetTerrain()->GetNumOfLines());
    EXPECT_EQ(m_node->GetTerrain(), m_simulation->terrainCell->terrain);
    EXPECT_EQ(Texture("terrain2\\material_0"), m_renderer->GetTerrainMaterial(0));
    EXPECT_EQ(Texture("terrain2\\lightmap"), m_renderer->GetTerrainLightmap());
    // Stepping on the new terrain reads nothing of the old one (ASan watches).
    m_simulation->stepCounter = 0;
    EXPECT_TRUE(StepRenews());
}

TEST_F(TerrainNodeTest, FreeingTheTerrainClearsTheCellOnlyWhileItHoldsThatTerrain)
{
    WriteTerrain(Directory());
    Load("terrain");
    ASSERT_EQ(m_node->GetTerrain(), m_simulation->terrainCell->terrain);
    // Destruction clears the cell it filled.
    delete m_node;
    m_node = nullptr;
    EXPECT_EQ(nullptr, m_simulation->terrainCell->terrain);

    // A cell holding another terrain keeps it, on reload and on destruction.
    m_node = NOD_Terrain::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Terrain", "terrain")));
    Load("terrain");
    MRT_Terrain other;
    m_simulation->terrainCell->terrain = &other;
    Load("terrain");
    EXPECT_EQ(m_node->GetTerrain(), m_simulation->terrainCell->terrain);  // the load publishes
    m_simulation->terrainCell->terrain = &other;
    delete m_node;
    m_node = nullptr;
    EXPECT_EQ(&other, m_simulation->terrainCell->terrain);
    m_simulation->terrainCell->terrain = nullptr;

    // Without a driver the node loads and frees its terrain all the same.
    Brisel_TheSimulation = nullptr;
    NOD_Terrain* alone = NOD_Terrain::DynamicCast(NOD_Node::CreateNode("NOD_Terrain", "alone"));
    alone->LoadTerrain("terrain");
    EXPECT_NE(nullptr, alone->GetTerrain());
    delete alone;
    Brisel_TheSimulation = m_simulation;
}

TEST_F(TerrainNodeTest, ABrokenMaterialFileStopsTheProgram)
{
    struct Case
    {
        const char* what;
        void (*change)(TOOL_TerrainMaterial&);
        const char* caption;
        const char* message;
    };
    const Case cases[] = {
        {"no section", [](TOOL_TerrainMaterial& _m) { _m.writeSection = false; }, "DES FILE ERROR",
         "(NOD_Terrain::LoadTerrain()): Get [\"Wrapping\"] in file \"terrain\\material.des\" failed"},
        {"no W3", [](TOOL_TerrainMaterial& _m) { _m.keys = 3; }, "DesFile Error",
         "data \"W3\" not found in file \"terrain\\material.des\""},
        {"integers", [](TOOL_TerrainMaterial& _m) { _m.integerKeys = true; }, "DesFile Error",
         "data \"W0\" in file \"terrain\\material.des\" has wrong type"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TOOL_TerrainDirectory terrain = Directory();
        c.change(terrain.material);
        WriteTerrain(terrain);
        EXPECT_FATAL(Load("terrain"), c.caption, c.message);
    }
    // A directory without a terrain set stops in the terrain's own loader; the cell holds no
    // freed terrain afterwards.
    bool thrown = false;
    try {
        Load("nothing");
    } catch (const OS_FatalError&) {
        thrown = true;
    }
    EXPECT_TRUE(thrown);
    EXPECT_TRUE(m_simulation->terrainCell->terrain == nullptr ||
                m_simulation->terrainCell->terrain == m_node->GetTerrain());
}

TEST_F(TerrainNodeTest, EnteringTwiceRegistersOnceAndLeavingRemovesOnlyWhatWasRegistered)
{
    TST_FakeBody other(nullptr, BRISEL_BUCKET_SOLID, {});
    m_renderer->AddPermanentBody(&other);
    Enter();
    Enter();
    EXPECT_TRUE(m_node->IsInSimulation());
    EXPECT_EQ(2, m_renderer->GetPermanentBodyCount());
    Leave();
    EXPECT_FALSE(m_node->IsInSimulation());
    Leave();
    ASSERT_EQ(1, m_renderer->GetPermanentBodyCount());
    EXPECT_EQ(&other, m_renderer->GetPermanentBody(0));
    // Deleted while registered: no entry outlives the node.
    Enter();
    delete m_node;
    m_node = nullptr;
    ASSERT_EQ(1, m_renderer->GetPermanentBodyCount());
    EXPECT_EQ(&other, m_renderer->GetPermanentBody(0));
    m_renderer->RemovePermanentBody(&other);
}
}  // namespace
