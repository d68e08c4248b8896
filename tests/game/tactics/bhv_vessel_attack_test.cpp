// The vessel attack on real vessels in a run: the wait for the attack sensor's first pass, the
// target decisions, the gun's range hysteresis and cone, the torpedo waiting for the vessel to
// point, the castrated mode, interruption and restart, the end for lack of targets, and the
// attack without a patrol area. The tactic states are stepped as they are; none of these
// cases needs them to move the vessel.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "armed_fixture.h"
#include "bhv_attackerslots.h"
#include "bhv_vessel_attack.h"
#include "brisel_spawn.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "nod_launcher.h"
#include "nod_patrolarea.h"
#include "nod_vessel.h"
#include "os_fatal.h"
#include "rti_class.h"
#include "tactics_hits.h"
#include "test_dir.h"
#include "tools_launch.h"
#include "tools_vessel.h"

// A node the vessels may bind to as their script thread.
class TST_AttackScript : public NOD_Node
{
    RTI_DECLARE_CLASS(TST_AttackScript)
};
RTI_IMPLEMENT_CLASS(TST_AttackScript, "NOD_Script")

namespace
{
using Ids = std::vector<u32>;

// What the vessels send to their script threads.
Ids& s_sent = TST_SentIds();

TOOL_ChildSection Son(s32 _index, const char* _className)
{
    TOOL_ChildSection child;
    child.index = _index;
    child.nameCLA = _className;
    return child;
}

class BhvVesselAttackTest : public testing::Test
{
public:  // the decision cases reach the fixture
    void SetUp() override
    {
        m_previous = NOD_Node::SetThreadDelivery(&TST_RecordSent);
        s_sent.clear();
        // Bound to it, the vessels hand their notifications to TST_RecordSent.
        TST_AttackScript::RegisterClassDefinition();
        m_script = NOD_Node::CreateNode("TST_AttackScript", "script");
        NewWorld();
    }
    void TearDown() override
    {
        m_world.reset();
        delete m_script;
        TST_AttackScript::UnregisterClassDefinition();
        NOD_Node::SetThreadDelivery(m_previous);
    }

    // A fresh run with the hit maker first under the root and an area of radius 1000 at the
    // origin, holding heights -500 .. 500.
    void NewWorld()
    {
        m_world.reset();
        try {
            m_world.reset(new TST_ArmedWorld(m_dir));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
        m_hits = new TST_HitMaker();
        m_hits->SetName("hits");
        m_world->root->AddSon(m_hits);
        m_area = NOD_PatrolArea::DynamicCast(NOD_Node::CreateNode("NOD_PatrolArea", "area"));
        m_world->root->AddSon(m_area);
        SetArea(1000.0f);
        delete m_area->ProcessMessage(NOD_PatrolArea_SetMinZ::Create(-500.0f));
        delete m_area->ProcessMessage(NOD_PatrolArea_SetMaxZ::Create(500.0f));
    }
    void SetArea(f32 _radius) { delete m_area->ProcessMessage(NOD_PatrolArea_SetRadius::Create(_radius)); }

    // The attacking vessel "hunter" at _position facing +y, with a gun and a torpedo launcher.
    NOD_Vessel* Hunter(const TOOL_VesselAttackSection& _section, const MAT_Vector3& _position = {0, 0, 50})
    {
        TOOL_VesselDescription description;
        description.attackBehaviour = _section;
        description.children = {
            TOOL_WeaponChildText(Son(0, "NOD_TorpedoLauncher"), "torlaunch",
                                 TOOL_TorpedoLauncherDescriptionText(TOOL_TorpedoLauncherDescription())),
            TOOL_WeaponChildText(Son(1, "NOD_NPC_Gun"), "gun", TOOL_NPCGunDescriptionText(TOOL_NPCGunDescription())),
        };
        NOD_Vessel* hunter = NOD_Vessel::DynamicCast(
            m_world->Make("NOD_Vessel", "hunter", TOOL_VesselDescriptionText(description), TST_HeadingAt(_position)));
        hunter->BindThread(m_script, 1);
        m_hits->victim = hunter;
        return hunter;
    }
    // An unarmed vessel, a candidate target.
    NOD_Vessel* Other(const std::string& _name, const MAT_Vector3& _position)
    {
        return NOD_Vessel::DynamicCast(
            m_world->Make("NOD_Vessel", _name, TOOL_VesselDescriptionText({}), TST_HeadingAt(_position)));
    }
    static void Teleport(NOD_Vessel* _vessel, const MAT_Vector3& _position)
    {
        const MAT_Matrix34 frame = TST_HeadingAt(_position);
        _vessel->SetTransform(SIM_GetSimulationClock().time, frame);
        _vessel->GetModel().State.SetMatrix(frame);
    }

    static void Start(NOD_Vessel* _hunter, const char* _area = "/area", const char* _name = "red")
    {
        delete _hunter->ProcessMessage(NOD_Vessel_AttackPatrol::Create(600.0f, SIM_Name(""), SIM_Name(_name),
                                                                       SIM_Name(""), SIM_Name(""), SIM_Path(_area)));
    }
    // Started, and stepped past the sensor's first pass.
    void StartAndSettle(NOD_Vessel* _hunter)
    {
        Start(_hunter);
        m_world->Steps(11);
    }
    static bool Current(NOD_Vessel* _hunter) { return _hunter->GetActionSlot().GetCurrent() == &_hunter->GetAttack(); }
    static bool Registered(NOD_Vessel* _hunter, NOD_Body* _target)
    {
        return _target->GetAttackerSlots()->Contains(_hunter) != 0;
    }
    // Fills the body's attacker slots with stand-ins.
    void Fill(NOD_Body* _body)
    {
        for (s32 i = 0; i < 6; ++i)
            _body->GetAttackerSlots()->Add(m_world->garbage);
    }
    static s32 Torpedoes(NOD_Node* _node)
    {
        s32 count = _node->IsKindOf(RTI_ClassDefinition::Find("NOD_Torpedo")) ? 1 : 0;
        for (s32 i = 0; i < (s32)_node->GetNumOfSons(); ++i)
            count += Torpedoes(_node->GetSon(i));
        return count;
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_ArmedWorld> m_world;
    TST_HitMaker* m_hits = nullptr;
    NOD_PatrolArea* m_area = nullptr;
    NOD_Node::ThreadDelivery m_previous = nullptr;
    NOD_Node* m_script = nullptr;
};

TEST_F(BhvVesselAttackTest, DescriptionKeysAndTheirTransforms)
{
    TOOL_VesselAttackSection section;
    section.coneOfFire = 60.0f;
    section.escMeanDist = 40.0f;
    section.escDevDist = 10.0f;
    section.escFactor = 1.5f;
    section.defensivity = 0.5f;
    NOD_Vessel* hunter = Hunter(section);
    BHV_Vessel_A_Attack& attack = hunter->GetAttack();
    EXPECT_NEAR(0.5f, attack.GetConeCosine(), 1e-6f);
    EXPECT_FLOAT_EQ(60.0f, attack.GetEscapeMean());
    EXPECT_FLOAT_EQ(15.0f, attack.GetEscapeDeviation());
    EXPECT_NEAR(1.0f - std::pow(0.5f, 0.075f), attack.GetDefensivity(), 1e-6f);

    // 0 and 1 stay 0 and 1; without the section a vessel never fires (cone cosine 1).
    for (f32 d : {0.0f, 1.0f}) {
        NewWorld();
        section.defensivity = d;
        EXPECT_EQ(d, Hunter(section)->GetAttack().GetDefensivity());
    }
    NewWorld();
    TOOL_VesselDescription plain;
    NOD_Vessel* unarmed = NOD_Vessel::DynamicCast(
        m_world->Make("NOD_Vessel", "plain", TOOL_VesselDescriptionText(plain), TST_HeadingAt({})));
    EXPECT_EQ(1.0f, unarmed->GetAttack().GetConeCosine());
    EXPECT_EQ(0.0f, unarmed->GetAttack().GetDefensivity());

    // Every key is required.
    section.omitKey = "TorpedoDeviation";
    TOOL_VesselDescription broken;
    broken.attackBehaviour = section;
    try {
        m_world->Make("NOD_Vessel", "broken", TOOL_VesselDescriptionText(broken), TST_HeadingAt({}), nullptr, false);
        ADD_FAILURE() << "no fatal error";
    } catch (const OS_FatalError& error) {
        EXPECT_STREQ("DesFile Error", error.Caption());
        EXPECT_NE(std::string::npos, std::string(error.Message()).find("TorpedoDeviation"));
    }
}

TEST_F(BhvVesselAttackTest, WaitsForTheSensorsFirstPassThenTakesTheNearestNamedBody)
{
    NOD_Vessel* hunter = Hunter({});
    NOD_Vessel* far = Other("red2", {0, 300, 50});
    NOD_Vessel* near = Other("red1", {0, 100, 50});
    Other("blue1", {0, 60, 50});
    Start(hunter);
    EXPECT_TRUE(Current(hunter));
    BHV_Vessel_A_Attack& attack = hunter->GetAttack();
    COD_Sensor* sensor = hunter->GetAggregate().GetSensor2();
    ASSERT_NE(nullptr, sensor);
    EXPECT_EQ(600.0f, sensor->m_presenceRange);
    EXPECT_EQ(1, sensor->m_filterCount);
    // Steps whose sensing pass has not run yet decide nothing; the one that ran it chooses.
    s32 waited = 0;
    for (; waited < 20; ++waited) {
        m_world->Step();
        if ((sensor->m_flags & COD_SENSOR_VISIBILITY_TESTED) != 0)
            break;
        EXPECT_EQ(-1, attack.GetStateType());
        EXPECT_EQ(nullptr, attack.GetTarget());
        EXPECT_TRUE(Current(hunter));
    }
    EXPECT_LE(waited, 10);
    EXPECT_EQ(near, attack.GetTarget());
    // The align state entered (it may hand over to sit or wave in the same step).
    EXPECT_NE(-1, attack.GetStateType());
    EXPECT_NE(BHV_Vessel_AttackState::CASTRATED, attack.GetStateType());
    EXPECT_TRUE(Registered(hunter, near));
    EXPECT_FALSE(Registered(hunter, far));
    EXPECT_TRUE(s_sent.empty());
}

TEST_F(BhvVesselAttackTest, TargetDecisions)
{
    // Each case: the hunter on red1 (nearest) with red2 and red3 about, then an event, then
    // the target after the next step.
    struct Case
    {
        const char* name;
        std::function<void(BhvVesselAttackTest&, NOD_Vessel*, std::vector<NOD_Vessel*>&)> event;
        s32 expected;  // index of the target afterwards
    };
    const std::vector<Case> cases = {
        {"primary target",
         [](BhvVesselAttackTest&, NOD_Vessel* _h, std::vector<NOD_Vessel*>& _o) {
             delete _h->ProcessMessage(NOD_Vessel_SetPrimaryTarget::Create(_o[2]));
         },
         2},
        {"a full primary target is not taken",
         [](BhvVesselAttackTest& _t, NOD_Vessel* _h, std::vector<NOD_Vessel*>& _o) {
             _t.Fill(_o[2]);
             delete _h->ProcessMessage(NOD_Vessel_SetPrimaryTarget::Create(_o[2]));
         },
         0},
        {"shooter after a choice from the sensor",
         [](BhvVesselAttackTest& _t, NOD_Vessel*, std::vector<NOD_Vessel*>& _o) { _t.m_hits->shot.shooter = _o[1]; },
         1},
        {"hit by the current target",
         [](BhvVesselAttackTest& _t, NOD_Vessel*, std::vector<NOD_Vessel*>& _o) { _t.m_hits->shot.shooter = _o[0]; },
         0},
        {"target leaves the area",
         [](BhvVesselAttackTest& _t, NOD_Vessel*, std::vector<NOD_Vessel*>& _o) {
             Teleport(_o[0], {0, 900, 50});
             _t.SetArea(500.0f);
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewWorld();
        NOD_Vessel* hunter = Hunter({});
        std::vector<NOD_Vessel*> others = {Other("red1", {0, 100, 50}), Other("red2", {0, 200, 50}),
                                           Other("red3", {0, 300, 50})};
        StartAndSettle(hunter);
        ASSERT_EQ(others[0], hunter->GetAttack().GetTarget());
        c.event(*this, hunter, others);
        m_world->Step();
        m_hits->shot.shooter = nullptr;
        NOD_Vessel* expected = others[c.expected];
        EXPECT_EQ(expected, hunter->GetAttack().GetTarget());
        // Not castrated: the align state runs, or whatever it handed over to.
        EXPECT_NE(BHV_Vessel_AttackState::CASTRATED, hunter->GetAttack().GetStateType());
        EXPECT_NE(-1, hunter->GetAttack().GetStateType());
        for (NOD_Vessel* other : others)
            EXPECT_EQ(other == expected, Registered(hunter, other)) << other->GetName().GetName();
    }
}

TEST_F(BhvVesselAttackTest, ShootersAreIgnoredWithinWaitingTimeAfterATakeoverOrAHitByTheTarget)
{
    TOOL_VesselAttackSection section;
    section.waitingTime = 1.0f;  // 20 steps
    NOD_Vessel* hunter = Hunter(section);
    NOD_Vessel* red1 = Other("red1", {0, 100, 50});
    NOD_Vessel* red2 = Other("red2", {0, 200, 50});
    NOD_Vessel* red3 = Other("red3", {0, 300, 50});
    StartAndSettle(hunter);
    BHV_Vessel_A_Attack& attack = hunter->GetAttack();

    // red2 takes over at once; red3 must wait out WaitingTime from then.
    m_hits->shot.shooter = red2;
    m_world->Step();
    EXPECT_EQ(red2, attack.GetTarget());
    m_hits->shot.shooter = red3;
    for (s32 i = 0; i < 19; ++i) {
        m_world->Step();
        ASSERT_EQ(red2, attack.GetTarget()) << i;
    }
    // Now 20 steps on: the timer is 1.0 (not above); each hit by red2 restarts it.
    m_hits->shot.shooter = red2;
    m_world->Step();
    EXPECT_EQ(0.0f, attack.GetSwitchTimer());
    m_hits->shot.shooter = red3;
    for (s32 i = 0; i < 19; ++i) {
        m_world->Step();
        ASSERT_EQ(red2, attack.GetTarget()) << i;
    }
    // The timer passes WaitingTime in the 20th or 21st step (f32 sums of the step).
    m_world->Steps(2);
    EXPECT_EQ(red3, attack.GetTarget());
    EXPECT_TRUE(Registered(hunter, red3));
    EXPECT_FALSE(Registered(hunter, red2));
    EXPECT_FALSE(Registered(hunter, red1));
}

TEST_F(BhvVesselAttackTest, CastratedNeitherFiresNorRegistersUntilABodyIsFree)
{
    TOOL_VesselAttackSection section;
    section.coneOfFire = 30.0f;
    section.torpedoMeanTime = 0.0f;
    section.torpedoDeviation = 0.0f;
    NOD_Vessel* hunter = Hunter(section);
    NOD_Vessel* red1 = Other("red1", {0, 60, 50});
    Fill(red1);
    StartAndSettle(hunter);
    BHV_Vessel_A_Attack& attack = hunter->GetAttack();
    EXPECT_EQ(red1, attack.GetTarget());
    EXPECT_EQ(BHV_Vessel_AttackState::CASTRATED, attack.GetStateType());
    m_world->Steps(10);
    EXPECT_EQ(nullptr, hunter->GetGun()->GetFiring());
    EXPECT_FALSE(Registered(hunter, red1));
    EXPECT_EQ(0.0f, attack.GetTorpedoTimer());  // not even counting down

    // A free slot: the next step takes it, registers and fires (straight ahead, in range).
    red1->GetAttackerSlots()->Remove(m_world->garbage);
    m_world->Step();
    EXPECT_NE(BHV_Vessel_AttackState::CASTRATED, attack.GetStateType());
    EXPECT_TRUE(Registered(hunter, red1));
    EXPECT_NE(nullptr, hunter->GetGun()->GetFiring());
}

TEST_F(BhvVesselAttackTest, GunStartsInsideEightTenthsAndStopsBeyondNineTenthsOfItsRange)
{
    struct Case
    {
        f32 share;  // surface distance / range
        f32 cone;   // ConeOfFire
        bool firingBefore;
        bool firingAfter;
    };
    const std::vector<Case> cases = {
        {0.75f, 10.0f, false, true}, {0.85f, 10.0f, false, false}, {0.85f, 10.0f, true, true},
        {0.95f, 10.0f, true, false}, {0.75f, 0.0f, false, false},  {0.75f, 0.0f, true, true},
        {0.95f, 0.0f, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.share) + " cone " + std::to_string(c.cone) + " " +
                     std::to_string(c.firingBefore));
        NewWorld();
        TOOL_VesselAttackSection section;
        section.coneOfFire = c.cone;
        section.torpedoMeanTime = 1000.0f;
        NOD_Vessel* hunter = Hunter(section);
        NOD_NPC_Gun* gun = hunter->GetGun();
        const f32 range = m_world->Spawn()->GetBulletRange(gun->GetBulletType());
        NOD_Vessel* red1 = Other("red1", {0, 100, 50});
        // The hulls' allowance: centre distance less surface distance.
        const f32 allowance = 100.0f - BHV_SurfaceDistance(red1, hunter);
        Teleport(red1, {0, c.share * range + allowance, 50});
        StartAndSettle(hunter);
        ASSERT_EQ(red1, hunter->GetAttack().GetTarget());
        if (c.firingBefore)
            gun->StartFire();
        else
            gun->StopFire();
        m_world->Step();
        EXPECT_EQ(c.firingAfter, gun->GetFiring() != nullptr);
    }
}

TEST_F(BhvVesselAttackTest, TorpedoWaitsUntilTheVesselPointsAtTheTarget)
{
    TOOL_VesselAttackSection section;
    section.torpedoMeanTime = 0.5f;
    section.torpedoDeviation = 0.0f;
    NOD_Vessel* hunter = Hunter(section);
    NOD_Vessel* red1 = Other("red1", {200, 0, 50});  // abeam
    StartAndSettle(hunter);
    BHV_Vessel_A_Attack& attack = hunter->GetAttack();
    ASSERT_EQ(red1, attack.GetTarget());
    // The hunter manoeuvres: the target is kept abeam of wherever it points, 200 away.
    const auto place = [&](f32 _right, f32 _ahead) {
        const MAT_Matrix34& frame = *hunter->GetWorldTransform(m_world->Now());
        Teleport(red1, frame.t + frame.r.GetX() * _right + frame.r.GetY() * _ahead);
    };
    for (s32 step = 0; step < 20; ++step) {
        place(200.0f, 0.0f);
        m_world->Step();
    }
    EXPECT_LT(attack.GetTorpedoTimer(), 0.0f);
    EXPECT_EQ(0, Torpedoes(m_world->root));

    // Ahead of the vessel: launched in the next step, the timer drawn afresh.
    place(0.0f, 200.0f);
    m_world->Step();
    EXPECT_EQ(1, Torpedoes(m_world->root));
    EXPECT_FLOAT_EQ(0.5f, attack.GetTorpedoTimer());
}

TEST_F(BhvVesselAttackTest, InterruptAndRestartKeepNoSlot)
{
    NOD_Vessel* hunter = Hunter({});
    NOD_Vessel* red1 = Other("red1", {0, 60, 50});
    StartAndSettle(hunter);
    ASSERT_TRUE(Registered(hunter, red1));
    ASSERT_NE(nullptr, hunter->GetGun()->GetFiring());
    Start(hunter);
    EXPECT_EQ(Ids{NOD_Vessel_AttackOverride::ID}, s_sent);
    EXPECT_FALSE(Registered(hunter, red1));
    EXPECT_EQ(nullptr, hunter->GetGun()->GetFiring());
    EXPECT_TRUE(Current(hunter));
    EXPECT_EQ(-1, hunter->GetAttack().GetStateType());
    m_world->Steps(11);
    EXPECT_TRUE(Registered(hunter, red1));

    // Another action takes over: the sensor goes off and the slot is given up.
    delete hunter->ProcessMessage(NOD_Vessel_Stop::Create((u8)1));
    EXPECT_EQ((Ids{NOD_Vessel_AttackOverride::ID, NOD_Vessel_AttackOverride::ID}), s_sent);
    EXPECT_FALSE(Registered(hunter, red1));
    EXPECT_EQ(0u, hunter->GetAggregate().GetSensor2()->m_flags & COD_SENSOR_ACTIVE);
}

TEST_F(BhvVesselAttackTest, AttackOverWhenNoTargetIsLeft)
{
    NOD_Vessel* hunter = Hunter({});
    NOD_Vessel* red1 = Other("red1", {0, 60, 50});
    StartAndSettle(hunter);
    ASSERT_TRUE(Registered(hunter, red1));
    SetArea(20.0f);
    m_world->Step();
    EXPECT_EQ(Ids{NOD_Vessel_AttackOver::ID}, s_sent);
    EXPECT_FALSE(Current(hunter));
    EXPECT_FALSE(Registered(hunter, red1));
    EXPECT_EQ(nullptr, hunter->GetGun()->GetFiring());
    EXPECT_EQ(0u, hunter->GetAggregate().GetSensor2()->m_flags & COD_SENSOR_ACTIVE);
}

TEST_F(BhvVesselAttackTest, WithoutPatrolAreaTheVesselHoldsStillAndStaysCurrent)
{
    NOD_Vessel* hunter = Hunter({});
    Other("red1", {0, 60, 50});
    MOT_Vessel& model = hunter->GetModel();
    model.Translation.VelocityModeMask = 0x2;
    model.Translation.TargetVelocity[1] = 5.0f;
    Start(hunter, "/nowhere");
    EXPECT_NE(std::string::npos, m_dir.Read("log.txt").find("PatrolArea /nowhere is invalid"));
    m_world->Steps(40);
    EXPECT_TRUE(Current(hunter));
    EXPECT_EQ(-1, hunter->GetAttack().GetStateType());
    EXPECT_EQ(nullptr, hunter->GetAttack().GetTarget());
    EXPECT_EQ(0x1C0u, model.Translation.VelocityModeMask);
    EXPECT_EQ(0.0f, model.Translation.TargetVelocity[1]);
    EXPECT_EQ(nullptr, hunter->GetGun()->GetFiring());
    EXPECT_TRUE(s_sent.empty());
}

TEST_F(BhvVesselAttackTest, CastratedTargetDyingHandsOverToAnotherFullBody)
{
    NOD_Vessel* hunter = Hunter({});
    NOD_Vessel* red1 = Other("red1", {0, 60, 50});
    NOD_Vessel* red2 = Other("red2", {0, 200, 50});
    Fill(red1);
    Fill(red2);
    StartAndSettle(hunter);
    BHV_Vessel_A_Attack& attack = hunter->GetAttack();
    // With every body full the choice answers the last one found.
    NOD_Vessel* first = NOD_Vessel::DynamicCast(attack.GetTarget());
    ASSERT_TRUE(first == red1 || first == red2);
    NOD_Vessel* other = first == red1 ? red2 : red1;
    ASSERT_EQ(BHV_Vessel_AttackState::CASTRATED, attack.GetStateType());
    NOD_Node::GC_AddNode(first);
    m_world->Steps(12);
    EXPECT_EQ(other, attack.GetTarget());
    EXPECT_FALSE(Registered(hunter, other));
    EXPECT_TRUE(Current(hunter));
}
}  // namespace
