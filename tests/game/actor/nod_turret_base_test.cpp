// Turret bases: the long-way rule, the settled and within-angles tests across +/-180 degrees,
// the angle area and the sensors, whose slots the behaviours get, the fatal cases, the mesh at
// the mount while the frame turns, the NPC gun on the turning frame, and death.
#include <cmath>
#include <string>

#include "actor_fixture.h"
#include "bhv_attackerslots.h"
#include "bhv_turretaiming.h"
#include "cod_sensor.h"
#include "nod_body.h"
#include "nod_generic.h"
#include "nod_launcher.h"
#include "nod_shieldedbody.h"
#include "nod_turret_gun.h"
#include "rti_class.h"

namespace
{
constexpr f32 DEG = 0.017453292f;
}

class NodTurretBaseTest : public TST_ActorTest
{
protected:
    // The turret's heading (and its rates) set as a turn would leave them.
    static void Place(NOD_Turret_Base* _turret, f32 _heading, f32 _headingRate = 0.0f)
    {
        MOT_MotionState& state = _turret->GetTurn().State;
        state.rotation[MOT_MotionState::HEADING].angle.Set(_heading);
        state.rotation[MOT_MotionState::HEADING].rate = _headingRate;
    }
    static void SetAngleArea(NOD_Turret_Base* _turret, f32 _alpha, f32 _minBeta, f32 _maxBeta)
    {
        EXPECT_EQ(nullptr, _turret->ProcessMessage(NOD_Turret_Base_SetAngleArea::Create(_alpha, _minBeta, _maxBeta)));
    }
};

TEST_F(NodTurretBaseTest, TheHeadingTargetTakesTheLongWayOnlyForAPartialSweep)
{
    NOD_Turret_Base* turret = Turret({});
    ASSERT_NE(nullptr, turret);
    const struct
    {
        f32 range;    // degrees
        f32 current;  // degrees
        f32 alpha;    // degrees
        f32 target;   // degrees
    } cases[] = {
        // Clamped to -90: 170 degrees away, the short way stands.
        {90.0f, 80.0f, -100.0f, -90.0f},
        // 339 degrees away: back through 0, a step short of half a turn.
        {170.0f, 169.0f, -170.0f, 169.0f - 179.94f},
        // The full circle: the clamped target stands.
        {180.0f, 169.0f, -170.0f, -170.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.range);
        SetAngleArea(turret, c.range, -10.0f, 45.0f);
        Place(turret, c.current * DEG);
        turret->SetTargetAngles(c.alpha * DEG, 60.0f * DEG);
        const PHY_RotationControl& turn = turret->GetTurn().Rotation;
        EXPECT_NEAR(c.target, turn.TargetAngle[0] / DEG, 0.01f);
        EXPECT_EQ(8u, turn.AngleTargetMask & 8u);
        // Without a gun body the turret pitches itself, clamped to MaxBeta.
        EXPECT_EQ(16u, turn.AngleTargetMask & 16u);
        EXPECT_NEAR(45.0f, turn.TargetAngle[1] / DEG, 1e-3f);
    }
    // Later calls lead the turret on: once it has turned past 0, the target is reached.
    SetAngleArea(turret, 170.0f, -10.0f, 45.0f);
    Place(turret, -10.94f * DEG);
    turret->SetTargetAngles(-170.0f * DEG, 0.0f);
    EXPECT_NEAR(-170.0f, turret->GetTurn().Rotation.TargetAngle[0] / DEG, 0.01f);
}

TEST_F(NodTurretBaseTest, WithinAnglesDoesNotWrapButAimedAtDoes)
{
    NOD_Turret_Base* turret = Turret({});
    ASSERT_NE(nullptr, turret);
    Place(turret, -179.0f * DEG);
    EXPECT_EQ(0, turret->IsWithinAngles(179.0f * DEG, 0.0f, 5.0f));
    EXPECT_EQ(1, turret->IsAimedAt(179.0f * DEG, 0.0f));
    EXPECT_EQ(1, turret->IsWithinAngles(-176.0f * DEG, 0.0f, 5.0f));
    EXPECT_EQ(0, turret->IsAimedAt(170.0f * DEG, 0.0f));
    // Still turning faster than a degree per second: not settled.
    Place(turret, -179.0f * DEG, 2.0f * DEG);
    EXPECT_EQ(0, turret->IsAimedAt(179.0f * DEG, 0.0f));

    EXPECT_EQ(1, turret->IsBetaInRange(turret->GetMaxBeta()));
    EXPECT_EQ(0, turret->IsBetaInRange(turret->GetMaxBeta() + 0.001f));
    EXPECT_EQ(1, turret->IsAlphaInRange(-turret->GetAlphaRange()));
    EXPECT_EQ(0, turret->IsAlphaInRange(turret->GetAlphaRange() + 0.001f));
    f32 alpha = 3.0f;
    f32 beta = -1.0f;
    turret->ClampAngles(&alpha, &beta);
    EXPECT_EQ(turret->GetAlphaRange(), alpha);
    EXPECT_EQ(turret->GetMinBeta(), beta);
}

TEST_F(NodTurretBaseTest, AngleAreaSetsTheLimitsAndTheTargetWindow)
{
    NOD_Turret_Base* turret = Turret({});
    ASSERT_NE(nullptr, turret);
    SetAngleArea(turret, 30.0f, -10.0f, 45.0f);
    EXPECT_NEAR(0.5236f, turret->GetAlphaRange(), 1e-4f);
    EXPECT_NEAR(-0.1745f, turret->GetMinBeta(), 1e-4f);
    EXPECT_NEAR(0.7854f, turret->GetMaxBeta(), 1e-4f);
    const COD_Sensor* window = turret->GetAggregate().GetSensor2();
    ASSERT_NE(nullptr, window);
    EXPECT_NEAR(0.8660f, window->m_coneCosine, 1e-4f);
    EXPECT_NEAR(-0.1736f, window->m_minElevation, 1e-4f);
    EXPECT_NEAR(0.7071f, window->m_maxElevation, 1e-4f);
    EXPECT_NE(0u, window->m_flags & COD_SENSOR_SECTOR);
    EXPECT_EQ(32, window->m_blockingCapacity);
    EXPECT_EQ(32, window->m_seenCapacity);
    EXPECT_EQ(0, window->m_heardCapacity);

    const COD_Sensor* cone = turret->GetAggregate().GetSensor4();
    ASSERT_NE(nullptr, cone);
    EXPECT_NEAR(0.9659258f, cone->m_coneCosine, 1e-6f);
    EXPECT_NE(0u, cone->m_flags & COD_SENSOR_SEEING);
    EXPECT_EQ(0u, cone->m_flags & COD_SENSOR_VISIBILITY_TESTED);
    const s32 bulletType = turret->GetGun()->GetBulletType();
    EXPECT_FLOAT_EQ(m_world->Spawn()->GetBulletRange(bulletType) * 1.1f, cone->m_seeingRange);
    EXPECT_FLOAT_EQ(m_world->Spawn()->NOD_GetBulletVelocity(bulletType), turret->GetBulletVelocity());
    // The firing cone follows the aim body.
    EXPECT_EQ(&turret->GetAggregate().GetMatrix(), cone->m_transform);
    EXPECT_EQ(turret, BHV_TurretAiming::DynamicCast(turret));
    EXPECT_EQ(nullptr, BHV_TurretAiming::DynamicCast(turret->GetFather()));
}

TEST_F(NodTurretBaseTest, ABuildingsTurretKeepsItsOwnSlotsAVesselsCountsAgainstTheVessel)
{
    TOOL_TurretDescription description;
    NOD_Turret_Base* onBuilding = Turret(description);
    ASSERT_NE(nullptr, onBuilding);
    EXPECT_EQ(0u, onBuilding->IsMobileMount());
    EXPECT_EQ(&onBuilding->GetOwnAttackers(), onBuilding->GetAttackerSlots());
    EXPECT_EQ(&onBuilding->GetOwnTorpedoes(), onBuilding->GetTorpedoSlots());
    EXPECT_EQ(6, onBuilding->GetAttackerSlots()->GetCapacity());
    EXPECT_EQ(2, onBuilding->GetTorpedoSlots()->GetCapacity());

    // On a vessel (not read from a description: only its slots matter here).
    {
        NOD_Body* vessel = NOD_Body::DynamicCast(m_world->root->AddSon(NOD_Node::CreateNode("NOD_Vessel", "ship")));
        ASSERT_NE(nullptr, vessel);
        const f32 place[3] = {0.0f, 0.0f, 2.0f};
        LoadSons(vessel, TOOL_TurretChildText(0, description, place));
        NOD_Turret_Base* onVessel = NOD_Turret_Base::DynamicCast(vessel->GetSon(0));
        ASSERT_NE(nullptr, onVessel);
        EXPECT_EQ(1u, onVessel->IsMobileMount());
        EXPECT_EQ(vessel->GetAttackerSlots(), onVessel->GetAttackerSlots());
        EXPECT_EQ(vessel->GetTorpedoSlots(), onVessel->GetTorpedoSlots());
        EXPECT_NE(nullptr, onVessel->GetAttackerSlots());
        delete m_world->root->SubSon(vessel);
    }
}

TEST_F(NodTurretBaseTest, AFatherOrAGunMissingStopsTheProgram)
{
    const char* const mountCaption = "NOD_Turret_Base::ParseIniFile";
    const char* const mountText = "A turret must be either attached to building, a vessel or vehicle.";
    const f32 place[3] = {0.0f, 0.0f, 2.0f};
    const std::string text = TOOL_TurretChildText(0, {}, place);
    // A plain node is no mount, and has no physical description to read.
    EXPECT_FATAL(LoadSons(m_world->root, text), mountCaption, mountText);
    // Nor is no father at all: nothing is read from it on the way.
    m_dir.Write("vfx/alone.osd", text);
    NOD_Node* alone = NOD_Node::CreateNode("NOD_Turret_Base", "alone");
    DES_File aloneFile;
    DES_Section root;
    DES_Section child;
    aloneFile.Open(&root, "vfx/alone.osd");
    ASSERT_TRUE(root.FindSection(&child, "Child0"));
    EXPECT_FATAL(alone->ParseIniFile_CtxDes(child, child), mountCaption, mountText);
    delete alone;

    // No firing gun: none at all, a gun body without one, a son "gun" of another class.
    TOOL_TurretDescription noGun;
    noGun.mount = TOOL_TURRET_NO_GUN;
    TOOL_TurretDescription bareGunBody;
    bareGunBody.mount = TOOL_TURRET_TURRGUN;
    bareGunBody.turretGunFile = "bare.osd";
    TOOL_TurretGunDescription bare;
    bare.writeGun = false;
    m_dir.Write("vfx/bare.osd", TOOL_TurretGunDescriptionText(bare));
    TOOL_TurretDescription wrongGun;
    wrongGun.mount = TOOL_TURRET_NO_GUN;
    TOOL_ChildSection plain;
    plain.nameCLA = "NOD_Body";
    plain.nameSON = "gun";
    wrongGun.children = TOOL_ChildSectionText(plain);
    for (const TOOL_TurretDescription* d : {&noGun, &bareGunBody, &wrongGun}) {
        EXPECT_FATAL(Turret(*d, false), "NOD_NPC_Gun child not found", "NOD_Turret_Base::PM_EnterSimulation()");
        delete m_world->root->SubSon(m_world->root->Find(SIM_Path("house")));
    }

    const std::string file = "\"vfx\\house.osd\"";
    for (const char* name : {"Visual", "Control", "Collision", "Avoidance", "Emitter"}) {
        SCOPED_TRACE(name);
        TOOL_TurretDescription d;
        d.omitSection = name;
        const std::string message =
            std::string("(NOD_Turret_Base::ParseIniFile()): Get [\"") + name + "\"] in file " + file + " failed";
        EXPECT_FATAL(Turret(d, false), "DES FILE ERROR", message.c_str());
        delete m_world->root->SubSon(m_world->root->Find(SIM_Path("house")));
    }
    for (const char* key : {"TurretName", "AlphaRange", "MinBeta", "MaxBeta"}) {
        SCOPED_TRACE(key);
        TOOL_TurretDescription d;
        d.omitKey = key;
        EXPECT_FATAL(Turret(d, false), "DesFile Error",
                     (std::string("data \"") + key + "\" not found in file " + file).c_str());
        delete m_world->root->SubSon(m_world->root->Find(SIM_Path("house")));
    }
}

TEST_F(NodTurretBaseTest, TheMeshStaysAtTheMountWhileTheFrameTurns)
{
    NOD_Turret_Base* turret = Turret({});
    ASSERT_NE(nullptr, turret);
    const MAT_Matrix34 mount = *turret->GetWorldTransform(Now());
    EXPECT_NEAR(5.0f, mount.t.z, 1e-5f);
    turret->SetTargetAngles(0.8f, 0.0f);
    Steps(100);
    const MAT_Matrix34& still = *turret->GetWorldTransform(Now());
    for (s32 axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(mount.r.GetAxis(axis).x, still.r.GetAxis(axis).x, 1e-6f);
    EXPECT_NEAR(mount.t.z, still.t.z, 1e-6f);
    EXPECT_NEAR(mount.t.x, turret->GetMountMatrix().t.x, 1e-6f);
    f32 heading = 0.0f;
    f32 pitch = 0.0f;
    HeadingPitch(*turret->GetTurretCS().GetWorldTransform(Now()), &heading, &pitch);
    EXPECT_NEAR(0.8f, heading, 0.02f);
    EXPECT_EQ(1, turret->IsAimedAt(0.8f, 0.0f));
    // The box and the position follow the turning frame.
    f32 box[6];
    turret->GetBoundingBox(box, Now());
    EXPECT_GT(box[3] - box[0], TOOL_TURRET_SIZE[0] + 0.1f);
    m_world->Render();
}

TEST_F(NodTurretBaseTest, TheNpcGunHangsOnTheTurningFrame)
{
    NOD_Turret_Base* turret = Turret({});
    ASSERT_NE(nullptr, turret);
    NOD_NPC_Gun* gun = turret->GetGun();
    ASSERT_NE(nullptr, gun);
    EXPECT_EQ(&turret->GetTurretCS(), gun->GetCS().GetParent());
    EXPECT_EQ(turret, gun->GetShooterNode());
    EXPECT_EQ(turret, turret->GetAimBody());
    EXPECT_EQ(&turret->GetTurn(), turret->GetAimTurn());
    // Before the first step the turning frame stands at the mount, unturned.
    const MAT_Matrix34& start = *turret->GetTurretCS().GetWorldTransform(Now());
    EXPECT_NEAR(1.0f, start.r.GetAxis(0).x, 1e-6f);
    EXPECT_NEAR(1.0f, start.r.GetAxis(1).y, 1e-6f);
    EXPECT_NEAR(5.0f, start.t.z, 1e-6f);

    turret->SetTargetAngles(-0.5f, 0.2f);
    Steps(100);
    f32 heading = 0.0f;
    f32 pitch = 0.0f;
    HeadingPitch(*gun->GetWorldTransform(Now()), &heading, &pitch);
    EXPECT_NEAR(-0.5f, heading, 0.02f);
    EXPECT_NEAR(0.2f, pitch, 0.02f);

    // Aiming at a point straight behind the barrel's sweep stays within the limits.
    turret->AimAtPoint(MAT_Vector3(0.0f, 100.0f, 5.0f));
    EXPECT_NEAR(0.0f, turret->GetTurn().Rotation.TargetAngle[0], 0.05f);
    f32 alpha = 0.0f;
    f32 beta = 0.0f;
    NOD_Node* target = m_world->root->AddSon(NOD_Node::CreateNode("NOD_Body", "target"));
    NOD_Body::DynamicCast(target)->SetTransform(Now(), Frame(MAT_Vector3(-100.0f, 0.0f, 5.0f)));
    turret->ComputeAnglesTo(NOD_Body::DynamicCast(target), &alpha, &beta);
    EXPECT_NEAR(1.5707964f, alpha, 0.05f);
    // A target already gone: the angles the turret stands at.
    turret->ComputeAnglesTo(nullptr, &alpha, &beta);
    EXPECT_EQ(turret->GetCurrentAlpha(), alpha);
    EXPECT_EQ(turret->GetCurrentBeta(), beta);
}

TEST_F(NodTurretBaseTest, AnExhaustedTurretDiesAndLeavesDebris)
{
    NOD_Turret_Base* turret = Turret({});
    ASSERT_NE(nullptr, turret);
    const TST_ActorWatch watch(turret);
    const s32 debris = m_world->Spawn()->GetDebrisCounter();
    Steps(2);
    EXPECT_TRUE(watch.Alive());
    for (s32 face = 0; face < 6; ++face)
        turret->GetShieldRef().SetFaceRatio(0.0f, face);
    Steps(2);
    EXPECT_FALSE(watch.Alive());
    EXPECT_EQ(debris + 1, m_world->Spawn()->GetDebrisCounter());
    Steps(2);
}
