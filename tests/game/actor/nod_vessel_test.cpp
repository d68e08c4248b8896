// Vessels in a run: the description with its fatal texts, the sons found and wired, the
// buzzer defence, the collision and avoidance switches, leaving and entering, the firing cone
// and death with debris and shrapnel.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "armed_test.h"
#include "bhv_attackerslots.h"
#include "brisel_mesh.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "mat_random.h"
#include "nod_launcher.h"
#include "nod_turret_base.h"
#include "nod_vessel.h"
#include "owner_fixture.h"
#include "shrapnel_fixture.h"
#include "tools_ash.h"
#include "tools_launch.h"
#include "tools_turret.h"

namespace
{
constexpr f32 FIRING_CONE_COSINE = 0.9659258f;

TOOL_ChildSection Son(s32 _index, const char* _className)
{
    TOOL_ChildSection child;
    child.index = _index;
    child.nameCLA = _className;
    return child;
}

// The three weapon sons a vessel looks for, Child0 .. Child2.
std::vector<std::string> WeaponSons(s32 _bulletType = 1)
{
    TOOL_NPCGunDescription gun;
    gun.bulletType = _bulletType;
    return {
        TOOL_WeaponChildText(Son(0, "NOD_TorpedoLauncher"), "torlaunch",
                             TOOL_TorpedoLauncherDescriptionText(TOOL_TorpedoLauncherDescription())),
        TOOL_WeaponChildText(Son(1, "NOD_BuzzerLauncher"), "buzzlaunch",
                             TOOL_BuzzerLauncherDescriptionText(TOOL_BuzzerLauncherDescription())),
        TOOL_WeaponChildText(Son(2, "NOD_NPC_Gun"), "gun", TOOL_NPCGunDescriptionText(gun)),
    };
}

TOOL_VesselDescription ArmedVessel(f32 _intelligence = 1.0f, f32 _radius = 50.0f, f32 _time = 0.52f, s32 _buzzers = 3)
{
    TOOL_VesselDescription description;
    description.buzzerParam = TOOL_BuzzerParamSection{_radius, _time, _intelligence, _buzzers};
    description.children = WeaponSons();
    return description;
}

class NodVesselTest : public TST_ArmedTest
{
protected:
    NOD_Vessel* Vessel(const TOOL_VesselDescription& _description, const MAT_Vector3& _position = MAT_Vector3(),
                       const std::string& _name = "vessel", bool _enter = true)
    {
        return NOD_Vessel::DynamicCast(m_world->Make("NOD_Vessel", _name, TOOL_VesselDescriptionText(_description),
                                                     TST_HeadingAt(_position), nullptr, _enter));
    }

    // A still body standing where a torpedo would be, counted in the vessel's torpedo slots.
    TST_OwnerBody* Torpedo(NOD_Vessel* _vessel, const MAT_Vector3& _position)
    {
        TST_OwnerBody* body = new TST_OwnerBody(TST_FrameAt(_position));
        m_world->root->AddSon(body);
        _vessel->GetTorpedoSlots()->Add(body);
        return body;
    }

    // The steps (0-based) of the first _steps in which the vessel launched a buzzer.
    std::vector<s32> LaunchSteps(NOD_Vessel* _vessel, s32 _steps)
    {
        std::vector<s32> steps;
        for (s32 i = 0; i < _steps; ++i) {
            const s32 before = _vessel->GetNumOfBuzzers();
            m_world->Step();
            if (_vessel->GetNumOfBuzzers() != before)
                steps.push_back(i);
        }
        return steps;
    }
};

TEST_F(NodVesselTest, DescriptionWiresSonsBehavioursAndParts)
{
    NOD_Vessel* vessel = Vessel(ArmedVessel(0.5f, 40.0f), MAT_Vector3(10.0f, 20.0f, 30.0f));
    ASSERT_NE(nullptr, vessel);
    EXPECT_TRUE(vessel->IsInSimulation());
    EXPECT_NE(0, vessel->GetVisual().GetMeshHandle());
    EXPECT_EQ(0, vessel->GetVisual().GetVisualHandle());

    // The sons, owned by the vessel.
    ASSERT_NE(nullptr, vessel->GetTorpedoLauncher());
    ASSERT_NE(nullptr, vessel->GetBuzzerLauncher());
    ASSERT_NE(nullptr, vessel->GetGun());
    EXPECT_EQ(vessel, vessel->GetTorpedoLauncher()->GetOwner());
    EXPECT_EQ(vessel, vessel->GetBuzzerLauncher()->GetOwner());
    EXPECT_EQ(vessel, vessel->GetGun()->GetShooterNode());

    // Buzzer parameters: the chance per second as a chance per step.
    EXPECT_FLOAT_EQ(1600.0f, vessel->GetBuzzerRadiusSq());
    EXPECT_FLOAT_EQ(0.52f, vessel->GetBuzzerTime());
    EXPECT_EQ(3, vessel->GetNumOfBuzzers());
    EXPECT_NEAR(1.0f - std::pow(0.5f, 0.05f), vessel->GetBuzzerChance(), 1e-6f);
    EXPECT_NEAR(0.0341, vessel->GetBuzzerChance(), 1e-4);

    // Seven actions and four states; the motion state at the track's frame with flags 39.
    EXPECT_EQ(7, vessel->GetActionSlot().GetCount());
    EXPECT_EQ(4, vessel->GetStateList().GetCount());
    EXPECT_EQ(39u, vessel->GetModel().State.flags);
    EXPECT_FLOAT_EQ(20.0f, vessel->GetModel().State.frame.t.y);

    // Contact parts: a free body, terrain collisions off; the sensors' places and capacities.
    ContactAggregate& aggregate = vessel->GetAggregate();
    ASSERT_NE(nullptr, aggregate.GetPhysical());
    EXPECT_EQ(COD_KIND_FREE_BODY, aggregate.GetPhysical()->m_kind);
    EXPECT_FALSE(aggregate.GetPhysical()->CollidesWithGround());
    EXPECT_TRUE(aggregate.GetPhysical()->CollidesWithObjects());
    EXPECT_NE(nullptr, aggregate.GetAvoider());
    EXPECT_NE(nullptr, aggregate.GetEmitter());
    EXPECT_NE(nullptr, aggregate.GetSensor1());
    EXPECT_NE(nullptr, aggregate.GetSensor2());
    EXPECT_EQ(nullptr, aggregate.GetSensor3());
    ASSERT_NE(nullptr, aggregate.GetSensor4());
    EXPECT_EQ(aggregate.GetSensor4(), vessel->GetSensor());
    EXPECT_FLOAT_EQ(10.0f, vessel->GetMass());
}

TEST_F(NodVesselTest, FiringConeRangeFollowsTheGun)
{
    struct Case
    {
        bool gun;
        s32 bulletType;
    };
    for (const Case c : {Case{false, 0}, Case{true, 1}, Case{true, 3}}) {
        SCOPED_TRACE(c.bulletType);
        TOOL_VesselDescription description;
        if (c.gun) {
            TOOL_NPCGunDescription gun;
            gun.bulletType = c.bulletType;
            description.children = {
                TOOL_WeaponChildText(Son(0, "NOD_NPC_Gun"), "gun", TOOL_NPCGunDescriptionText(gun))};
        }
        NOD_Vessel* vessel = Vessel(description, MAT_Vector3(), "v" + std::to_string(c.bulletType));
        const COD_Sensor* cone = vessel->GetAggregate().GetSensor4();
        const f32 expected = c.gun ? m_world->Spawn()->GetBulletRange(c.bulletType) * 1.1f : 300.0f;
        EXPECT_FLOAT_EQ(expected, cone->m_seeingRange);
        EXPECT_NEAR(FIRING_CONE_COSINE, cone->m_coneCosine, 1e-6f);
        EXPECT_NE(0u, cone->m_flags & COD_SENSOR_SEEING);
        EXPECT_EQ(0u, cone->m_flags & COD_SENSOR_VISIBILITY_TESTED);
    }
}

TEST_F(NodVesselTest, PlainMeshWinsOverBodyVisual)
{
    TOOL_Ash ash;
    ash.m0 = TOOL_VESSEL_MESH;
    m_dir.Write("vfx/ash/vessel.ash", TOOL_AshText(ash));
    TOOL_VesselDescription both;
    both.visual.briselMesh = "vessel.ash";
    NOD_Vessel* plain = Vessel(both, MAT_Vector3(), "plain");
    EXPECT_NE(0, plain->GetVisual().GetMeshHandle());
    EXPECT_EQ(0, plain->GetVisual().GetVisualHandle());
    EXPECT_EQ(0, m_world->cache->GetVisualCache()->GetCount());

    // A visual without "CMesh": the contact box is its level-0 box.
    TOOL_VesselDescription visual;
    visual.visual = {"", "vessel.ash"};
    NOD_Vessel* vessel = Vessel(visual, MAT_Vector3(), "visual");
    EXPECT_NE(0, vessel->GetVisual().GetVisualHandle());
    f32 box[6];
    ASSERT_TRUE(vessel->GetVisual().GetContactBox(box));
    EXPECT_FLOAT_EQ(-5.0f, box[1]);
    EXPECT_FLOAT_EQ(5.0f, box[4]);
    // The world box follows the frame: the vessel at the origin spans its hull.
    f32 world[6];
    vessel->GetBoundingBox(world, m_world->Now());
    EXPECT_FLOAT_EQ(-2.0f, world[0]);
    EXPECT_FLOAT_EQ(1.5f, world[5]);
}

TEST_F(NodVesselTest, MissingSectionsAndKeysAreFatal)
{
    for (const char* section : {"Visual", "Control", "Collision", "Avoidance", "Emitter", "BuzzerParam"}) {
        SCOPED_TRACE(section);
        TOOL_VesselDescription description = ArmedVessel();
        description.omitSection = section;
        const std::string name = std::string("no") + section;
        const std::string text = std::string("(NOD_Vessel::ParseIniFile()): Get [\"") + section +
                                 "\"] in file \"vfx\\osd/test/" + name + ".osd\" failed";
        EXPECT_FATAL(Vessel(description, MAT_Vector3(), name, false), "DES FILE ERROR", text.c_str());
    }
    // Without a buzzer launcher "BuzzerParam" is not read.
    TOOL_VesselDescription unarmed;
    unarmed.buzzerParam = TOOL_BuzzerParamSection();
    unarmed.omitSection = "BuzzerParam";
    EXPECT_NE(nullptr, Vessel(unarmed, MAT_Vector3(), "unarmed"));

    for (const char* key : {"NameMesh", "BuzzerRadius", "NumOfBuzzers"}) {
        SCOPED_TRACE(key);
        TOOL_VesselDescription description = ArmedVessel();
        description.omitKey = key;
        const std::string name = std::string("k") + key;
        const char* missing = std::string(key) == "NameMesh" ? "BriselMesh" : key;
        const std::string text =
            std::string("data \"") + missing + "\" not found in file \"vfx\\osd/test/" + name + ".osd\"";
        EXPECT_FATAL(Vessel(description, MAT_Vector3(), name, false), "DesFile Error", text.c_str());
    }
}

TEST_F(NodVesselTest, BuzzersLaunchOnTheTimerAndCountDown)
{
    // Chance 1: a launch in the first step, then every ceil(0.52 / 0.05) = 11 steps, three in all.
    NOD_Vessel* vessel = Vessel(ArmedVessel(1.0f, 50.0f, 0.52f, 3));
    Torpedo(vessel, MAT_Vector3(0.0f, 30.0f, 0.0f));
    EXPECT_EQ((std::vector<s32>{0, 11, 22}), LaunchSteps(vessel, 40));
    EXPECT_EQ(0, vessel->GetNumOfBuzzers());
    EXPECT_EQ(3, Count("NOD_Buzzer"));
}

TEST_F(NodVesselTest, BuzzerChanceAndRadiusEdge)
{
    struct Case
    {
        f32 intelligence;
        f32 distance;
        s32 buzzers;
        bool launches;
    };
    const Case cases[] = {
        {1.0f, 49.9f, 3, true},   // inside
        {1.0f, 50.0f, 3, false},  // exactly on the radius
        {0.0f, 10.0f, 3, false},  // chance 0
        {1.0f, 10.0f, 0, false},  // no buzzers left
    };
    s32 index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index);
        NOD_Vessel* vessel =
            Vessel(ArmedVessel(c.intelligence, 50.0f, 0.5f, c.buzzers), MAT_Vector3(), "v" + std::to_string(index));
        EXPECT_EQ(c.intelligence, vessel->GetBuzzerChance());
        TST_OwnerBody* torpedo = Torpedo(vessel, MAT_Vector3(0.0f, c.distance, 0.0f));
        EXPECT_EQ(c.launches ? 1u : 0u, LaunchSteps(vessel, 5).size());
        vessel->GetTorpedoSlots()->Remove(torpedo);
        delete vessel->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        ++index;
    }
}

TEST_F(NodVesselTest, OnlyTheFirstTorpedoInsideTheRadiusIsTested)
{
    // A torpedo outside the radius is skipped: the second, inside, triggers the launch.
    NOD_Vessel* vessel = Vessel(ArmedVessel(1.0f, 50.0f));
    Torpedo(vessel, MAT_Vector3(0.0f, 80.0f, 0.0f));
    Torpedo(vessel, MAT_Vector3(0.0f, 20.0f, 0.0f));
    EXPECT_EQ(1u, LaunchSteps(vessel, 1).size());

    // Two inside with chance 0: one draw per step, for the first only.
    NOD_Vessel* calm = Vessel(ArmedVessel(0.0f, 50.0f), MAT_Vector3(0.0f, 300.0f, 0.0f), "calm");
    delete vessel->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    Torpedo(calm, MAT_Vector3(0.0f, 310.0f, 0.0f));
    Torpedo(calm, MAT_Vector3(0.0f, 320.0f, 0.0f));
    MAT_Random expected = m_world->scene->simulation->random;
    m_world->Step();
    expected.Next();
    EXPECT_EQ(expected.Next(), m_world->scene->simulation->random.Next());
}

TEST_F(NodVesselTest, CollisionAndAvoidanceSwitches)
{
    TOOL_VesselDescription description;
    TOOL_ChildSection sonBody = Son(0, "NOD_Vessel");
    sonBody.nameOSD = m_world->Describe("son", TOOL_VesselDescriptionText(TOOL_VesselDescription()));
    sonBody.nameSON = "son";
    description.children = {TOOL_ChildSectionText(sonBody)};
    NOD_Vessel* vessel = Vessel(description);
    NOD_Vessel* son = NOD_Vessel::DynamicCast(vessel->Find(SIM_Path("son")));
    ASSERT_NE(nullptr, son);
    COD_Physical* own = vessel->GetAggregate().GetPhysical();
    COD_Physical* sons = son->GetAggregate().GetPhysical();
    EXPECT_FALSE(own->CollidesWithGround());
    EXPECT_FALSE(sons->CollidesWithGround());

    delete vessel->ProcessMessage(NOD_Vessel_CollisionTerrain::Create((u8)1));
    EXPECT_TRUE(own->CollidesWithGround());
    EXPECT_TRUE(sons->CollidesWithGround());
    delete vessel->ProcessMessage(NOD_Vessel_CollisionObjects::Create((u8)0));
    EXPECT_FALSE(own->CollidesWithObjects());
    EXPECT_FALSE(sons->CollidesWithObjects());
    EXPECT_TRUE(own->CollidesWithGround());

    // Each avoidance switch touches its own bit only.
    COD_ActiveAvoid* avoider = vessel->GetAggregate().GetAvoider();
    avoider->m_avoidanceFlags = 0xF0u | COD_AVOID_OBJECTS | COD_AVOID_TERRAIN;
    delete vessel->ProcessMessage(NOD_Vessel_AvoidanceTerrain::Create((u8)0));
    EXPECT_EQ(0xF0u | COD_AVOID_OBJECTS, avoider->m_avoidanceFlags);
    delete vessel->ProcessMessage(NOD_Vessel_AvoidanceObjects::Create((u8)0));
    EXPECT_EQ(0xF0u, avoider->m_avoidanceFlags);
    delete vessel->ProcessMessage(NOD_Vessel_AvoidanceTerrain::Create((u8)7));
    EXPECT_EQ(0xF0u | COD_AVOID_TERRAIN, avoider->m_avoidanceFlags);
}

TEST_F(NodVesselTest, NonCollideAvoidSetsClearsAndLogs)
{
    NOD_Vessel* vessel = Vessel(TOOL_VesselDescription());
    NOD_Vessel* other = Vessel(TOOL_VesselDescription(), MAT_Vector3(0.0f, 50.0f, 0.0f), "other");
    NOD_Node* plain = m_world->root->AddSon(NOD_Node::CreateNode("NOD_Node", "plain"));
    NOD_Body* bare = NOD_Body::DynamicCast(m_world->root->AddSon(NOD_Node::CreateNode("NOD_Body", "bare")));
    COD_Physical_Vessel* physical = vessel->GetAggregate().GetPhysical()->GetVessel();
    COD_ActiveAvoid* avoider = vessel->GetAggregate().GetAvoider();

    delete vessel->ProcessMessage(NOD_Vessel_NonCollideAvoid::Create(other, other));
    EXPECT_EQ(other, physical->m_ignore.Get());
    EXPECT_EQ(other, avoider->m_ignore.Get());

    // Unsuitable nodes are logged and change nothing.
    delete vessel->ProcessMessage(NOD_Vessel_NonCollideAvoid::Create(plain, plain));
    EXPECT_TRUE(Logged("Illegal non collision object plain in object vessel"));
    EXPECT_TRUE(Logged("Illegal non avoidance object plain in object vessel"));
    delete vessel->ProcessMessage(NOD_Vessel_NonCollideAvoid::Create(bare, bare));
    EXPECT_TRUE(Logged("Illegeal non collision object bare in object vessel"));
    EXPECT_TRUE(Logged("Illegal non avoidance object bare in object vessel"));
    EXPECT_EQ(other, physical->m_ignore.Get());
    EXPECT_EQ(other, avoider->m_ignore.Get());

    delete vessel->ProcessMessage(NOD_Vessel_NonCollideAvoid::Create(nullptr, nullptr));
    EXPECT_EQ(nullptr, physical->m_ignore.Get());
    EXPECT_EQ(nullptr, avoider->m_ignore.Get());
}

TEST_F(NodVesselTest, UnhandledMessagesAreLost)
{
    Vessel(TOOL_VesselDescription());
    NOD_Vessel* vessel = NOD_Vessel::DynamicCast(m_world->Find("vessel"));
    EXPECT_EQ(nullptr,
              vessel->ProcessMessage(NOD_Vessel_Dock::Create(SIM_Path("p"), SIM_Name("a"), SIM_Name("b"), nullptr)));
    EXPECT_TRUE(Logged("node \"vessel\" received lost message of type 15030"));
}

TEST_F(NodVesselTest, LeavingAndEnteringKeepsItWhereItWasAtRest)
{
    NOD_Vessel* vessel = Vessel(TOOL_VesselDescription(), MAT_Vector3(5.0f, 6.0f, 7.0f));
    vessel->GetModel().State.SetVelocity(MAT_Vector3(0.0f, 8.0f, 0.0f));
    m_world->Steps(4);
    MAT_Vector3 before;
    vessel->GetMatrixAtTime(&before, m_world->Now());
    EXPECT_GT(before.y, 6.5f);

    delete vessel->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(vessel->IsInSimulation());
    EXPECT_NE(NOD_PART_REGISTERED, vessel->GetAggregate().GetState(NOD_PART_PHYSICAL));
    m_world->Steps(3);
    delete vessel->ProcessMessage(NOD_Node_EnterSimulation::Create());
    m_world->Steps(3);

    MAT_Vector3 after;
    vessel->GetMatrixAtTime(&after, m_world->Now());
    EXPECT_NEAR(before.x, after.x, 1e-4f);
    EXPECT_NEAR(before.y, after.y, 1e-4f);
    EXPECT_NEAR(before.z, after.z, 1e-4f);
    MAT_Vector3 velocity;
    EXPECT_NEAR(0.0f, vessel->GetVelocity(&velocity)->Length(), 1e-5f);
}

TEST_F(NodVesselTest, TurretOrdersReachTurretsWhoseNameExtendsThePrefix)
{
    TOOL_VesselDescription description;
    const char* names[] = {"turret1", "turretA", "turret", "Turret1", "turret2"};
    for (s32 i = 0; i < 5; ++i) {
        TOOL_TurretDescription turret;
        turret.turretName = names[i];
        const f32 place[3] = {(f32)i, 0.0f, 2.0f};
        description.children.push_back(TOOL_TurretChildText(i, turret, place));
    }
    // A son that extends the prefix but is no turret.
    description.children.push_back(
        TOOL_WeaponChildText(Son(5, "NOD_NPC_Gun"), "turretGun", TOOL_NPCGunDescriptionText(TOOL_NPCGunDescription())));
    NOD_Vessel* vessel = Vessel(description);
    // The terrain switch reaches the turrets.
    NOD_Body* turret = NOD_Body::DynamicCast(vessel->Find(SIM_Path("turret1")));
    ASSERT_NE(nullptr, turret);
    delete vessel->ProcessMessage(NOD_Vessel_CollisionTerrain::Create((u8)0));
    EXPECT_FALSE(turret->GetAggregate().GetPhysical()->CollidesWithGround());
    delete vessel->ProcessMessage(NOD_Vessel_CollisionTerrain::Create((u8)1));
    EXPECT_TRUE(turret->GetAggregate().GetPhysical()->CollidesWithGround());

    // Each turret an order reaches starts its direct attack; the stops here reach none.
    EXPECT_EQ(nullptr, vessel->ProcessMessage(NOD_Vessel_AttackTurrets::Create(
                           SIM_Name("turret"), SIM_Name("a"), SIM_Name("b"), SIM_Name(""), SIM_Name(""))));
    EXPECT_EQ(nullptr, vessel->ProcessMessage(NOD_Vessel_AttackTurretsStop::Create(SIM_Name("turret2"))));
    EXPECT_EQ(nullptr, vessel->ProcessMessage(NOD_Vessel_AttackTurretsStop::Create(SIM_Name("turretA"))));
    struct Case
    {
        const char* name;
        bool attack;
    };
    for (const Case c : {Case{"turret1", true}, Case{"turretA", true}, Case{"turret2", true}, Case{"turret", false},
                         Case{"Turret1", false}}) {
        SCOPED_TRACE(c.name);
        NOD_Turret_Base* named = NOD_Turret_Base::DynamicCast(vessel->Find(SIM_Path(c.name)));
        ASSERT_NE(nullptr, named);
        // Paths find names without regard to case: "Turret1" finds "turret1".
        if (std::string(named->GetName().GetName()) == c.name) {
            EXPECT_EQ(c.attack, named->GetActions().GetCurrent() != nullptr);
        }
        EXPECT_FALSE(Logged(std::string("node \"") + c.name + "\" received lost message of type 25014"));
        EXPECT_FALSE(Logged(std::string("node \"") + c.name + "\" received lost message of type 25015"));
    }
    EXPECT_FALSE(Logged("node \"turretGun\" received lost"));
}

class NodVesselDeathTest : public NodVesselTest
{
protected:
    void TearDown() override
    {
        // The pieces go with the tree before the visuals are given back.
        if (m_world != nullptr)
            m_world->StopDriver();
        NodVesselTest::TearDown();
    }
};

TEST_F(NodVesselDeathTest, DeathLeavesDebrisAndShrapnelOfTheVisual)
{
    const std::vector<TST_PieceShape> shapes(8, TST_PieceShape{1.0f, 1.0f, 1.0f});
    ASSERT_NO_FATAL_FAILURE(TST_WritePieces(m_dir, shapes, "pieces.msh", "pieces.top", {0, 1, 2, 3, 4, 5, 6, 7}));
    ASSERT_NO_FATAL_FAILURE(TST_WritePieces(m_dir, shapes, "three.msh", "three.top", {0, 1, 2}));
    struct Case
    {
        const char* name;
        std::string mesh;  // a plain mesh; else a visual
        s32 pieces;
        s32 shrapnel;  // bursts made: five asked, one per piece there is
    };
    const Case cases[] = {
        {"plain", TOOL_VESSEL_MESH, 0, 0}, {"none", "", 0, 0}, {"three", "", 3, 3}, {"eight", "", 8, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TOOL_VesselDescription description;
        if (c.mesh.empty()) {
            TOOL_Ash ash;
            ash.m0 = TOOL_VESSEL_MESH;
            ash.cMesh = TOOL_VESSEL_MESH;
            if (c.pieces == 3)
                ash.shrapnel = TOOL_AshShrapnel{"three.msh", "vfx\\top\\three.top", 3};
            if (c.pieces == 8)
                ash.shrapnel = TOOL_AshShrapnel{"pieces.msh", "vfx\\top\\pieces.top", 8};
            m_dir.Write(std::string("vfx/ash/") + c.name + ".ash", TOOL_AshText(ash));
            description.visual = {"", std::string(c.name) + ".ash"};
        }
        NOD_Vessel* vessel = Vessel(description, MAT_Vector3(0.0f, 100.0f, 0.0f), c.name);
        if (c.mesh.empty()) {
            const Brisel_Mesh* visual = m_world->cache->GetVisualCache()->Get(vessel->GetVisual().GetVisualHandle());
            ASSERT_EQ(c.pieces, visual->GetShrapnelCount());
        }
        const s32 debris = Count("NOD_Debris");
        const s32 shrapnel = Count("NOD_Shrapnel");
        m_world->Step();
        EXPECT_TRUE(Alive(vessel));
        vessel->GetShieldRef().SetFaceRatio(0.0f, 0);
        ASSERT_NE(0u, vessel->GetShieldRef().IsExhausted());
        m_world->Step();
        EXPECT_FALSE(Alive(vessel));
        EXPECT_EQ(debris + 1, Count("NOD_Debris"));
        EXPECT_EQ(shrapnel + c.shrapnel, Count("NOD_Shrapnel"));
    }
}
}  // namespace
