// The head-up display: statistics lines, visibility, zoom and crosshair, the surroundings
// collection, the sensor's registration, and the panels drawn by the renderer.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "brisel_scene_fake.h"
#include "brisel_simulation.h"
#include "cod_emitter.h"
#include "cod_sensor.h"
#include "coh_sense.h"
#include "display_fixture.h"
#include "hud_arrows.h"
#include "hud_enemy.h"
#include "hud_reticle.h"
#include "hud_statistic.h"
#include "nod_body.h"
#include "nod_camera.h"
#include "nod_hud.h"
#include "nod_message.h"
#include "nod_scenario.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_font.h"
#include "tools_hud.h"
#include "tools_tga.h"

namespace
{

constexpr f32 DEGREES_TO_RADIANS = 3.14159265358979f / 180.0f;

// A scene of a running simulation: the root with "camera", "scenario", the player's plain body
// "player1" and "hud" (not yet in the simulation).
class HudTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_savedClock = SIM_GetSimulationClock();
        SIM_GetSimulationClock().time = 1.0f;
        m_simulation = new Brisel_Simulation();
        Brisel_TheSimulation = m_simulation;
        m_root = NOD_Node::CreateNode("NOD_Node", "root");
        NOD_Node::SetRoot(m_root);
        m_camera = NOD_Camera::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Camera", "camera")));
        m_scenario = m_root->AddSon(NOD_Node::CreateNode("NOD_Scenario", "scenario"));
        m_player = Body(m_root, "player1");
        MAT_Matrix34 frame;
        frame.r.SetDiagonal(1.0f);
        frame.t = MAT_Vector3(10.0f, 20.0f, 30.0f);
        m_player->SetTransform(1.0f, frame);
        m_hud = NOD_Hud::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Hud", "hud")));
        ASSERT_NE(nullptr, m_camera);
        ASSERT_NE(nullptr, m_hud);
    }
    void TearDown() override
    {
        m_emitters.clear();
        // As the run tears down: the pointer first, then the driver, which takes the tree.
        Brisel_TheSimulation = nullptr;
        delete m_simulation;
        SIM_GetSimulationClock() = m_savedClock;
    }

    NOD_Body* Body(NOD_Node* _father, const char* _name)
    {
        return NOD_Body::DynamicCast(_father->AddSon(NOD_Node::CreateNode("NOD_Body", _name)));
    }
    void Enter() { delete m_hud->ProcessMessage(NOD_Node_EnterSimulation::Create()); }
    void Leave() { delete m_hud->ProcessMessage(NOD_Node_LeaveSimulation::Create()); }
    void Step(f32 _time)
    {
        SIM_GetSimulationClock().time = _time;
        m_hud->HeartBeat();
    }
    s32 Registered() const { return m_simulation->sensorHandler->GetCount(); }
    // The quads of a frame.
    std::vector<HUD_Quad> Quads()
    {
        HUD_Quad quads[NOD_Hud::MAX_QUADS];
        const s32 count = m_hud->PrepareQuads(quads);
        return std::vector<HUD_Quad>(quads, quads + count);
    }
    // The crosshair's extent in this frame; 0 when none is drawn.
    f32 Crosshair()
    {
        for (const HUD_Quad& quad : Quads())
            if (quad.x == 320.0f && quad.y == 240.0f)
                return quad.width;
        return 0.0f;
    }
    // Makes the sensor see an emitter of each node, in order.
    void See(const std::vector<NOD_Node*>& _owners)
    {
        COD_Sensor* sensor = m_hud->GetSensor();
        sensor->SetCapacities(0, 0, 0, (s32)_owners.size());
        for (size_t i = 0; i < _owners.size(); ++i) {
            m_emitters.emplace_back(new COD_Emitter());
            m_emitters.back()->SetOwner(_owners[i], nullptr, nullptr);
            sensor->m_seen[i].Set(m_emitters.back().get());
        }
        sensor->m_seenCount = (s32)_owners.size();
    }

    SIM_Clock m_savedClock;
    Brisel_Simulation* m_simulation = nullptr;
    NOD_Node* m_root = nullptr;
    NOD_Camera* m_camera = nullptr;
    NOD_Node* m_scenario = nullptr;
    NOD_Body* m_player = nullptr;
    NOD_Hud* m_hud = nullptr;
    std::vector<std::unique_ptr<COD_Emitter>> m_emitters;
};

TEST_F(HudTest, SetLineKeepsIndicesWithinTheLinesAndCutsAt31Characters)
{
    HUD_Statistic& statistic = *m_hud->GetStatistic();
    const std::string forty(40, 'x');
    struct Case
    {
        s32 index;
        const char* text;
        const char* line11;  // line 11 afterwards
        u32 changed;
    };
    const Case cases[] = {
        {11, "fps 60", "fps 60", 1},
        {32, "beyond", "fps 60", 0},
        {-1, "before", "fps 60", 0},
        {11, forty.c_str(), "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 1},
        {11, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 1},  // same text: redrawn
        {0, nullptr, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        statistic.Update();
        ASSERT_EQ(0u, statistic.IsChanged());
        statistic.SetLine(c.index, c.text);
        EXPECT_STREQ(c.line11, statistic.GetLine(11));
        EXPECT_EQ(c.changed, statistic.IsChanged());
        EXPECT_EQ(c.changed, statistic.Update());
    }
    EXPECT_EQ(31u, std::string(statistic.GetLine(11)).size());
    for (s32 i = 0; i < HUD_Statistic::LINE_COUNT; ++i) {
        if (i != 11) {
            EXPECT_STREQ("", statistic.GetLine(i)) << i;
        }
    }
    EXPECT_STREQ("", statistic.GetLine(32));
    EXPECT_STREQ("", statistic.GetLine(-1));
}

TEST_F(HudTest, AHiddenDisplayDrawsNothingWhileItGoesOnSensing)
{
    Enter();
    m_hud->SetTextPanelVisible(1);
    ASSERT_EQ(2u, Quads().size());  // statistics and target panel
    m_hud->SetHudFlags(m_hud->GetHudFlags() & ~NOD_Hud::FLAG_VISIBLE);
    See({Body(m_scenario, "vessel")});
    MAT_Matrix34 frame = *m_player->GetWorldTransform(1.0f);
    frame.t = MAT_Vector3(-5.0f, 0.0f, 2.0f);
    m_player->SetTransform(2.0f, frame);
    Step(2.0f);
    EXPECT_TRUE(Quads().empty());
    EXPECT_EQ(1, m_hud->GetArrows()->GetFoundCount());
    EXPECT_EQ(MAT_Vector3(-5.0f, 0.0f, 2.0f), m_hud->GetPlayerMatrix().t);
    EXPECT_EQ(0u, m_hud->GetSensor()->m_flags & COD_SENSOR_ACTIVE);
    EXPECT_EQ(1u, m_hud->GetEnemy()->IsRedrawDue());
}

TEST_F(HudTest, ZoomSwitchesTheFieldOfViewAndTheCrosshair)
{
    ASSERT_EQ(NOD_Camera::MODE_LOOK_FROM, (m_camera->PM_LookFrom(SIM_Path("/player1")), m_camera->GetMode()));
    EXPECT_EQ(64.0f, Crosshair());
    m_hud->ZoomOn();
    EXPECT_EQ(NOD_Hud::FLAG_ZOOM, m_hud->IsZoomOn());
    EXPECT_NEAR(10.0f * DEGREES_TO_RADIANS, m_camera->GetFieldOfView(), 1e-6f);
    EXPECT_EQ(32.0f, Crosshair());
    m_hud->ZoomOff();
    EXPECT_EQ(0u, m_hud->IsZoomOn());
    EXPECT_NEAR(90.0f * DEGREES_TO_RADIANS, m_camera->GetFieldOfView(), 1e-6f);
    EXPECT_EQ(64.0f, Crosshair());

    // Without a camera only the flag changes.
    delete m_camera;
    m_hud->ZoomOn();
    EXPECT_EQ(NOD_Hud::FLAG_ZOOM, m_hud->IsZoomOn());
    EXPECT_EQ(0.0f, Crosshair());
}

TEST_F(HudTest, TheCrosshairIsDrawnOnlyWhileTheCameraLooksFromABody)
{
    NOD_Body* other = Body(m_scenario, "other");
    struct Case
    {
        const char* what;
        std::function<void()> set;
        f32 crosshair;
    };
    const Case cases[] = {
        {"still", [] {}, 0.0f},
        {"look from", [&] { m_camera->PM_LookFrom(SIM_Path("/player1")); }, 64.0f},
        {"follow", [&] { m_camera->PM_Follow(SIM_Path("/player1"), 20.0f, 0.0f, -0.5f); }, 0.0f},
        {"watch",
         [&] {
             m_camera->PM_Watch(SIM_Path("/player1"), SIM_Path("/scenario/other"), MAT_Vector3(), MAT_Vector3(), 0);
         },
         0.0f},
        {"look from a dead body",
         [&] {
             m_camera->PM_LookFrom(SIM_Path("/scenario/other"));
             delete other;
         },
         0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.set();
        EXPECT_EQ(c.crosshair, Crosshair());
    }
    // A hidden reticle is never drawn.
    m_camera->PM_LookFrom(SIM_Path("/player1"));
    m_hud->GetReticle()->SetVisible(0);
    EXPECT_EQ(0.0f, Crosshair());
}

TEST_F(HudTest, TheCollectionTakesAtMost64ScenarioBodiesEveryHalfSecond)
{
    Enter();
    NOD_Node* vessel = Body(m_scenario, "vessel");
    std::vector<NOD_Node*> owners = {Body(vessel, "turret"),
                                     m_scenario->AddSon(NOD_Node::CreateNode("NOD_Node", "plain"))};
    for (s32 i = 0; i < 70; ++i)
        owners.push_back(Body(m_scenario, ("b" + std::to_string(i)).c_str()));
    See(owners);

    Step(3.0f);
    HUD_Arrows& arrows = *m_hud->GetArrows();
    ASSERT_EQ(HUD_Arrows::MAX_BODIES, arrows.GetFoundCount());
    EXPECT_EQ(owners[2], arrows.GetFoundBody(0));  // the turret and the plain node are left out
    EXPECT_EQ(owners[65], arrows.GetFoundBody(63));
    EXPECT_EQ(3.0f, arrows.GetLastCollectionTime());
    EXPECT_EQ(0u, m_hud->GetSensor()->m_flags & COD_SENSOR_ACTIVE);

    Step(3.5f);  // not more than half a second yet
    EXPECT_EQ(0u, m_hud->GetSensor()->m_flags & COD_SENSOR_ACTIVE);
    Step(3.6f);
    EXPECT_EQ(COD_SENSOR_ACTIVE, m_hud->GetSensor()->m_flags & COD_SENSOR_ACTIVE);
    See({owners[2]});
    Step(3.7f);
    EXPECT_EQ(1, arrows.GetFoundCount());
    EXPECT_EQ(nullptr, arrows.GetFoundBody(1));
}

TEST_F(HudTest, EnteringTwiceRegistersTheSensorOnceAndOneLeaveRemovesIt)
{
    Enter();
    Enter();
    EXPECT_EQ(1, Registered());
    EXPECT_EQ(1u, m_hud->IsSensorRegistered());
    const COD_Sensor& sensor = *m_hud->GetSensor();
    EXPECT_EQ(500.0f, sensor.m_seeingRange);
    EXPECT_EQ(-1.0f, sensor.m_coneCosine);
    EXPECT_EQ(COD_SENSOR_ACTIVE | COD_SENSOR_SEEING, sensor.m_flags);
    EXPECT_EQ(&m_hud->GetPlayerMatrix(), sensor.m_transform);
    EXPECT_EQ(m_player, m_hud->GetPlayer());
    EXPECT_EQ(m_player, m_hud->GetArrows()->GetFollowedBody());

    Leave();
    EXPECT_EQ(0, Registered());
    EXPECT_EQ(0u, m_hud->IsSensorRegistered());
    EXPECT_EQ(nullptr, m_hud->GetArrows()->GetSensor());
    EXPECT_EQ(nullptr, m_hud->GetArrows()->GetFollowedBody());
    Leave();
    Step(2.0f);  // steps on without a registered sensor
    EXPECT_EQ(0, Registered());

    // Back in, then deleted while registered: the handler lets the sensor go.
    Enter();
    EXPECT_EQ(1, Registered());
    delete m_hud;
    EXPECT_EQ(0, Registered());
}

TEST_F(HudTest, WithoutPlayer1EnteringAndSteppingAreFatal)
{
    delete m_player;
    EXPECT_FATAL(Enter(), "NOD_Hud::PM_EnterSimulation()", "player1 not found");
    EXPECT_FATAL(Step(2.0f), "NOD_Hud::PM_EnterSimulation()", "player1 not found");
    Body(m_root, "player1");  // any body of that name serves
    Enter();
    EXPECT_EQ(1, Registered());
    delete NOD_Body::DynamicCast(m_root->Find(SIM_Path("/player1")));
    m_root->AddSon(NOD_Node::CreateNode("NOD_Node", "player1"));  // not a body
    EXPECT_FATAL(Step(3.0f), "NOD_Hud::PM_EnterSimulation()", "player1 not found");
}

TEST_F(HudTest, TheTargetPanelIsRedrawnEveryHalfSecondAndAlwaysDrawn)
{
    HUD_Enemy& enemy = *m_hud->GetEnemy();
    Enter();
    Step(0.4f);
    EXPECT_EQ(0u, enemy.IsRedrawDue());  // the first redraw comes half a second after time 0
    Step(0.5f);
    EXPECT_EQ(1u, enemy.IsRedrawDue());
    EXPECT_EQ(0.5f, enemy.GetLastRedrawTime());
    for (u32 due : {1u, 0u}) {
        SCOPED_TRACE(due);
        const std::vector<HUD_Quad> quads = Quads();  // the statistics are hidden, the camera stands
        ASSERT_EQ(1u, quads.size());
        EXPECT_EQ(80.0f, quads[0].x);
        EXPECT_EQ(80.0f, quads[0].y);
        EXPECT_EQ(128.0f, quads[0].width);
        EXPECT_EQ(200, quads[0].color[3]);
        EXPECT_EQ(255, quads[0].alpha);
        EXPECT_EQ(0u, enemy.IsRedrawDue());
    }
    Step(0.9f);
    EXPECT_EQ(0u, enemy.IsRedrawDue());
    Step(1.0f);
    EXPECT_EQ(1u, enemy.IsRedrawDue());
}

TEST_F(HudTest, TheRegistrationInstallsTheHudCast)
{
    const Brisel_SceneCasts& casts = Brisel_Scene::GetCasts();
    ASSERT_NE(nullptr, casts.hud);
    EXPECT_EQ(static_cast<Brisel_ScreenLayer*>(m_hud), casts.hud(m_hud));
    EXPECT_EQ(nullptr, casts.hud(m_camera));
    EXPECT_EQ(nullptr, casts.hud(nullptr));
    EXPECT_NE(nullptr, casts.camera);  // the other hooks are kept
}

// ---- drawn by the renderer ----

class HudRenderTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        TST_WriteRendererData(m_dir);
        TOOL_FontSheet sheet;
        for (s32 i = 32; i < 96; ++i) {
            TOOL_FontGlyph glyph;
            glyph.width = 4;
            glyph.height = 6;
            sheet.glyphs.push_back(glyph);
        }
        m_dir.Write("gfx/font/font1.tga", TOOL_TGABytes(TOOL_FontSheetPicture(sheet, nullptr)));
        m_dir.Write(TOOL_HUD_STATISTIC_TEXTURE_FILE, TOOL_TGABytes(TOOL_HudStatisticTexture()));
        m_dir.Write(TOOL_HUD_ENEMY_TEXTURE_FILE, TOOL_TGABytes(TOOL_HudEnemyTexture()));
        TST_ResetRendererGlobals();
        SITO_DISPLAY = Open();
        m_resources.reset(new TST_FakeResources());
        const Brisel_SceneCasts installed = Brisel_Scene::GetCasts();
        m_scene.reset(new TST_FakeScene());
        // The fake scene's casts replaced the hud's (installed at start-up): put it back.
        Brisel_SceneCasts casts = Brisel_Scene::GetCasts();
        casts.hud = installed.hud;
        Brisel_Scene::SetCasts(casts);
        m_renderer.reset(new Brisel_Renderer());
        m_renderer->CreateDisplay();
        m_hud = NOD_Hud::DynamicCast(m_scene->root->AddSon(NOD_Node::CreateNode("NOD_Hud", "hud")));
        ASSERT_NE(nullptr, m_hud);
        m_renderer->LoadTextures();
        m_fake.Forget();
    }
    void TearDown() override
    {
        m_renderer.reset();
        m_scene.reset();
        m_resources.reset();
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }
    u32 Ink(s32 _x, s32 _y) const
    {
        return m_hud->GetStatistic()->GetPicture().GetPixels()[_y * HUD_Statistic::PICTURE_SIZE + _x] != 0;
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_FakeResources> m_resources;
    std::unique_ptr<TST_FakeScene> m_scene;
    std::unique_ptr<Brisel_Renderer> m_renderer;
    NOD_Hud* m_hud = nullptr;
};

TEST_F(HudRenderTest, TheStatisticsPanelIsRedrawnRightAlignedOnlyAfterALineWasSet)
{
    HUD_Statistic& statistic = *m_hud->GetStatistic();
    EXPECT_EQ(m_resources->names.RegisterTextureName("vfx\\tex\\hud\\hud_statistic", 32), statistic.GetTexture());
    m_hud->SetTextPanelVisible(1);
    statistic.SetLine(1, "ABC");
    m_renderer->Render();
    EXPECT_EQ(0u, statistic.IsChanged());
    const size_t draws = m_fake.Count("DrawIndexedPrimitive");
    const size_t locks = m_fake.Count("LockRect");
    // Line 1 ends at the right edge: 3 glyphs of 4 pixels from x 244, one line of 6 down.
    EXPECT_EQ(0u, Ink(243, 6));
    EXPECT_EQ(1u, Ink(244, 6));
    EXPECT_EQ(1u, Ink(255, 6));
    EXPECT_EQ(0u, Ink(255, 0));

    // Unchanged: the same quads without a statistics refresh.
    m_fake.Forget();
    m_renderer->Render();
    EXPECT_EQ(draws, m_fake.Count("DrawIndexedPrimitive"));
    EXPECT_GT(locks, m_fake.Count("LockRect"));

    // Hidden: nothing of the display is drawn.
    m_hud->SetHudFlags(0);
    const size_t shown = m_fake.Count("DrawIndexedPrimitive");
    m_fake.Forget();
    m_renderer->Render();
    EXPECT_EQ(shown - 2, m_fake.Count("DrawIndexedPrimitive"));
}

}  // namespace
