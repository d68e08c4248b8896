// Turret guns: the messages they leave unanswered, a father that is no turret (or none), the
// pitch under the turret's turning heading, and broken descriptions.
#include <cmath>
#include <string>

#include "actor_fixture.h"
#include "cod_physical.h"
#include "nod_body.h"
#include "nod_launcher.h"
#include "nod_turret_gun.h"

class NodTurretGunTest : public TST_ActorTest
{
protected:
    static TOOL_TurretDescription WithGunBody()
    {
        TOOL_TurretDescription turret;
        turret.mount = TOOL_TURRET_TURRGUN;
        return turret;
    }
    static std::string GunBodyText(const TOOL_TurretGunDescription& _d = {})
    {
        return TOOL_TurretGunDescriptionText(_d);
    }
};

TEST_F(NodTurretGunTest, OnlyTheSimulationMessagesAndBodySetCSAreAnswered)
{
    NOD_Turret_Base* turret = Turret(WithGunBody());
    ASSERT_NE(nullptr, turret);
    NOD_Turret_Gun* gunBody = NOD_Turret_Gun::DynamicCast(turret->Find(SIM_Path("turrGun")));
    ASSERT_NE(nullptr, gunBody);
    const MAT_Vector3 before = gunBody->GetCS().GetTrack().GetAt(Now(), nullptr)->t;

    EXPECT_EQ(nullptr, gunBody->ProcessMessage(NOD_Node_GetName::Create()));
    EXPECT_EQ(nullptr, gunBody->ProcessMessage(NOD_Body_GetPosition::Create()));
    EXPECT_EQ(nullptr, gunBody->ProcessMessage(NOD_Body_SetPosition::Create(MAT_Vector3(50.0f, 60.0f, 70.0f))));
    EXPECT_EQ(nullptr, gunBody->ProcessMessage(NOD_Node_SetName::Create(SIM_Name("renamed"))));
    EXPECT_STREQ("turrGun", gunBody->GetName().GetName());
    const MAT_Vector3 after = gunBody->GetCS().GetTrack().GetAt(Now(), nullptr)->t;
    EXPECT_EQ(before.x, after.x);
    EXPECT_EQ(before.y, after.y);
    EXPECT_EQ(before.z, after.z);

    // Body_SetCS reaches the body.
    EXPECT_EQ(nullptr, gunBody->ProcessMessage(NOD_Body_SetCS::Create(MAT_Vector3(1.0f, 2.0f, 3.0f), MAT_Vector3())));
    const MAT_Vector3 placed = gunBody->GetCS().GetTrack().GetAt(Now(), nullptr)->t;
    EXPECT_FLOAT_EQ(1.0f, placed.x);
    EXPECT_FLOAT_EQ(2.0f, placed.y);
    EXPECT_FLOAT_EQ(3.0f, placed.z);
}

TEST_F(NodTurretGunTest, AFatherThatIsNoTurretLeavesTheFrameAWorldPlacement)
{
    // Under a plain node, under a building, and without any father: the ground switch is off
    // and nothing is read from a father that is not there.
    NOD_Node* building = Load("NOD_Generic", "house", TOOL_GenericDescriptionText({}), nullptr, "house.osd");
    Enter(building);
    for (NOD_Node* father : {m_world->root, building}) {
        NOD_Turret_Gun* gunBody = LoadAs<NOD_Turret_Gun>("NOD_Turret_Gun", "turrGun", GunBodyText(), father);
        ASSERT_NE(nullptr, gunBody);
        EXPECT_EQ(0, gunBody->GetAggregate().GetPhysical()->m_activeFlag);
        const MAT_Matrix34 place = Frame(MAT_Vector3(7.0f, 8.0f, 9.0f), 0.5f);
        gunBody->SetTransform(Now(), place);
        Enter(gunBody);
        EXPECT_EQ(nullptr, gunBody->GetCS().GetParent());
        const MAT_Matrix34& world = *gunBody->GetWorldTransform(Now());
        EXPECT_NEAR(7.0f, world.t.x, 1e-5f);
        EXPECT_NEAR(8.0f, world.t.y, 1e-5f);
        EXPECT_NEAR(9.0f, world.t.z, 1e-5f);
        EXPECT_NE(nullptr, gunBody->GetGun());
        Steps(2);
        delete gunBody->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    }
    m_dir.Write("vfx/alone.osd", GunBodyText());
    NOD_Node* alone = NOD_Node::CreateNode("NOD_Turret_Gun", "alone");
    alone->ParseIniFile_File("alone.osd");
    EXPECT_EQ(0, NOD_Body::DynamicCast(alone)->GetAggregate().GetPhysical()->m_activeFlag);
    delete alone;
}

TEST_F(NodTurretGunTest, ItPitchesWhileItsHeadingFollowsTheTurret)
{
    NOD_Turret_Base* turret = Turret(WithGunBody());
    ASSERT_NE(nullptr, turret);
    NOD_Turret_Gun* gunBody = NOD_Turret_Gun::DynamicCast(turret->Find(SIM_Path("turrGun")));
    ASSERT_NE(nullptr, gunBody);
    EXPECT_EQ(&turret->GetTurretCS(), gunBody->GetCS().GetParent());
    EXPECT_EQ(gunBody, turret->GetAimBody());
    EXPECT_EQ(&gunBody->GetTurn(), turret->GetAimTurn());
    EXPECT_EQ(gunBody->GetGun(), turret->GetGun());

    turret->SetTargetAngles(0.6f, 0.3f);
    Steps(100);
    EXPECT_NEAR(0.6f, turret->GetCurrentAlpha(), 0.02f);
    EXPECT_NEAR(0.3f, turret->GetCurrentBeta(), 0.02f);
    // The turning frame turns only; the gun body pitches only.
    EXPECT_NEAR(0.0f, turret->GetTurn().State.rotation[MOT_MotionState::PITCH].angle.Get(), 1e-6f);
    EXPECT_NEAR(0.0f, gunBody->GetTurn().State.rotation[MOT_MotionState::HEADING].angle.Get(), 1e-6f);
    f32 heading = 0.0f;
    f32 pitch = 0.0f;
    HeadingPitch(*gunBody->GetWorldTransform(Now()), &heading, &pitch);
    EXPECT_NEAR(0.6f, heading, 0.02f);
    EXPECT_NEAR(0.3f, pitch, 0.02f);
    // The firing gun rides on the gun body.
    HeadingPitch(*turret->GetGun()->GetWorldTransform(Now()), &heading, &pitch);
    EXPECT_NEAR(0.6f, heading, 0.02f);
    EXPECT_NEAR(0.3f, pitch, 0.02f);
}

TEST_F(NodTurretGunTest, BrokenDescriptionsStopWithTheTurretsTexts)
{
    const std::string file = "\"vfx\\obj.osd\"";
    for (const char* name : {"Visual", "Control", "Collision", "Avoidance"}) {
        SCOPED_TRACE(name);
        TOOL_TurretGunDescription d;
        d.omitSection = name;
        const std::string text =
            std::string("(NOD_Turret_Base::ParseIniFile()): Get [\"") + name + "\"] in file " + file + " failed";
        EXPECT_FATAL(Load("NOD_Turret_Gun", "turrGun", GunBodyText(d)), "DES FILE ERROR", text.c_str());
    }
    TOOL_TurretGunDescription noMesh;
    noMesh.nameMesh = "";
    EXPECT_FATAL(Load("NOD_Turret_Gun", "turrGun", GunBodyText(noMesh)), "CON_Cache::Allocate() file not found",
                 "vfx\\msh\\");
    TOOL_TurretGunDescription mistyped;
    mistyped.mistypedKey = "TurnPV";
    EXPECT_FATAL(Load("NOD_Turret_Gun", "turrGun", GunBodyText(mistyped)), "DesFile Error",
                 ("data \"TurnPV\" in file " + file + " has wrong type").c_str());
}
