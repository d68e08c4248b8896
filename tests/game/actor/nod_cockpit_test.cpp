// The cockpit: shown only while the camera looks from its father, fixed at its offset and
// turned with the father, drawn without depth, and deaf to body messages.
#include "nod_cockpit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dsp_display.h"
#include "mat_fixture.h"
#include "nod_message.h"
#include "run_world_fixture.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "test_dir.h"
#include "tools_player.h"

class NodCockpitTest : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const auto& file : TOOL_PlayerFiles())
            m_dir.Write(file.first, file.second);
        m_dir.Write("vfx/cockpit.osd", TOOL_CockpitDescriptionText({}));
        try {
            m_world.reset(new TST_RunWorld(m_dir));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
        m_ship = NOD_Body::DynamicCast(m_world->root->AddSon(NOD_Node::CreateNode("NOD_Body", "ship")));
        m_other = NOD_Body::DynamicCast(m_world->root->AddSon(NOD_Node::CreateNode("NOD_Body", "other")));
        MAT_Matrix34 frame = TST_TranslationFrame(100.0f, 50.0f, 20.0f);
        frame.r.FromAngles(MAT_Angle(1.5707964f), MAT_Angle(0.0f), MAT_Angle(0.0f));
        m_ship->SetTransform(m_world->Now(), frame);
        // Plain bodies: entering only sets the flag that lets their sons step.
        delete m_ship->ProcessMessage(NOD_Node_EnterSimulation::Create());
        delete m_other->ProcessMessage(NOD_Node_EnterSimulation::Create());
    }
    void TearDown() override { m_world.reset(); }

    // A cockpit under the ship at _offset, turned by 30 degrees about its own up axis, entered.
    NOD_Cockpit* Make(const MAT_Vector3& _offset = MAT_Vector3(0.0f, 1.0f, 0.5f))
    {
        NOD_Cockpit* cockpit = NOD_Cockpit::DynamicCast(NOD_Node::CreateNode("NOD_Cockpit", "cockpit"));
        m_ship->AddSon(cockpit);
        cockpit->ParseIniFile_File("cockpit.osd");
        MAT_Matrix34 local = TST_TranslationFrame(_offset.x, _offset.y, _offset.z);
        local.r.FromAngles(MAT_Angle(0.5235988f), MAT_Angle(0.0f), MAT_Angle(0.0f));
        cockpit->SetTransform(m_world->Now(), local);
        delete cockpit->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return cockpit;
    }

    void Camera(NOD_Message* _message) { delete m_world->camera->ProcessMessage(_message); }
    s32 Listed() const { return m_world->renderer->GetPermanentBodyCount(); }
    bool Logged(const std::string& _line) const
    {
        return m_dir.Exists("log.txt") && m_dir.Read("log.txt").find(_line + "\n") != std::string::npos;
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_RunWorld> m_world;
    NOD_Body* m_ship = nullptr;
    NOD_Body* m_other = nullptr;
};

TEST_F(NodCockpitTest, ShownOnlyWhileTheCameraLooksFromItsFather)
{
    NOD_Cockpit* cockpit = Make();
    EXPECT_EQ(9, cockpit->GetRenderBucket());
    m_world->Step();
    EXPECT_EQ(0u, cockpit->IsShown()) << "a still camera";

    Camera(NOD_Camera_LookFrom::Create(SIM_Path("/ship")));
    m_world->Step();
    EXPECT_EQ(1u, cockpit->IsShown());
    ASSERT_EQ(1, Listed());
    EXPECT_EQ(static_cast<Brisel_Renderable*>(cockpit), m_world->renderer->GetPermanentBody(0));
    m_world->Step();
    EXPECT_EQ(1, Listed()) << "listed once";

    Camera(NOD_Camera_LookFrom::Create(SIM_Path("/other")));
    m_world->Step();
    EXPECT_EQ(0u, cockpit->IsShown()) << "looking from another body";
    EXPECT_EQ(0, Listed());

    Camera(NOD_Camera_LookFrom::Create(SIM_Path("/ship")));
    m_world->Step();
    ASSERT_EQ(1, Listed());
    Camera(NOD_Camera_Follow::Create(SIM_Path("/ship"), 20.0f, 0.0f, -0.5f));
    EXPECT_EQ(1, Listed()) << "removed by the cockpit's own step";
    m_world->Step();
    EXPECT_EQ(0u, cockpit->IsShown()) << "following its father";
    EXPECT_EQ(0, Listed());
}

TEST_F(NodCockpitTest, LeavingOrDyingTakesItOffTheList)
{
    NOD_Cockpit* cockpit = Make();
    Camera(NOD_Camera_LookFrom::Create(SIM_Path("/ship")));
    m_world->Step();
    ASSERT_EQ(1, Listed());
    delete cockpit->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_EQ(0u, cockpit->IsShown());
    EXPECT_EQ(0, Listed());

    delete cockpit->ProcessMessage(NOD_Node_EnterSimulation::Create());
    m_world->Step();
    ASSERT_EQ(1, Listed());
    delete cockpit;  // straight out of the tree, as a dying father takes it
    EXPECT_EQ(0, Listed());
    m_world->Render();
}

TEST_F(NodCockpitTest, ItKeepsItsOffsetAndTakesTheFathersTurn)
{
    NOD_Cockpit* cockpit = Make(MAT_Vector3(0.0f, 1.0f, 0.5f));
    m_world->Step();
    const MAT_Matrix34& ship = *m_ship->GetWorldTransform(m_world->Now());
    const MAT_Matrix34& world = *cockpit->GetWorldTransform(m_world->Now());
    TST_ExpectNear(ship.TransformPoint(MAT_Vector3(0.0f, 1.0f, 0.5f)), world.t, 1e-4f, "offset kept");
    for (s32 axis = 0; axis < 3; ++axis)
        TST_ExpectNear(ship.r.GetAxis(axis), world.r.GetAxis(axis), 1e-6f, "its own turn is lost");
}

TEST_F(NodCockpitTest, DrawingSwitchesDepthOffAndRestoresIt)
{
    NOD_Cockpit* cockpit = Make();
    SITO_DISPLAY->SetRenderState(DSP_RS_ZENABLE, 1);
    SITO_DISPLAY->SetRenderState(DSP_RS_ZWRITEENABLE, 1);
    m_world->fake.Forget();
    cockpit->Render();
    // The device's codes: 7 depth test, 14 depth writes.
    EXPECT_EQ((std::vector<std::string>{"SetRenderState 7 0", "SetRenderState 7 1"}),
              m_world->fake.Matching("SetRenderState 7 "));
    EXPECT_EQ((std::vector<std::string>{"SetRenderState 14 0", "SetRenderState 14 1"}),
              m_world->fake.Matching("SetRenderState 14 "));
    u32 value = 0;
    SITO_DISPLAY->GetRenderState(DSP_RS_ZENABLE, &value);
    EXPECT_EQ(1u, value);
    SITO_DISPLAY->GetRenderState(DSP_RS_ZWRITEENABLE, &value);
    EXPECT_EQ(1u, value);
}

TEST_F(NodCockpitTest, BodyMessagesAreLost)
{
    NOD_Cockpit* cockpit = Make();
    NOD_Message* reply = cockpit->ProcessMessage(NOD_Body_GetPosition::Create());
    EXPECT_EQ(nullptr, reply);
    delete reply;
    EXPECT_TRUE(Logged("NOD_Node::ProcessMessage() : node \"cockpit\" received lost message of type 1002 "
                       "[Body_GetPosition]."));
}

TEST_F(NodCockpitTest, ABrokenDescriptionStops)
{
    NOD_Cockpit* cockpit = NOD_Cockpit::DynamicCast(NOD_Node::CreateNode("NOD_Cockpit", "cockpit"));
    m_ship->AddSon(cockpit);
    TOOL_CockpitDescription description;
    description.writeVisual = false;
    m_dir.Write("vfx/broken.osd", TOOL_CockpitDescriptionText(description) + "[Other]\n{\n    Key = 1\n}\n");
    EXPECT_FATAL(cockpit->ParseIniFile_File("broken.osd"), "DES FILE ERROR",
                 "(NOD_Cockpit::ParseIniFile()): Get [\"Visual\"] in file \"vfx\\broken.osd\" failed");
    description.writeVisual = true;
    description.mistypedKey = "NameMesh";
    m_dir.Write("vfx/broken.osd", TOOL_CockpitDescriptionText(description));
    EXPECT_FATAL(cockpit->ParseIniFile_File("broken.osd"), "DesFile Error",
                 "data \"NameMesh\" in file \"vfx\\broken.osd\" has wrong type");
}
