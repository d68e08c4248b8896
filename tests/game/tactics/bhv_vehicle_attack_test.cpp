// The vehicle attack on real vehicles in a run: the start (names packed into the sensor's
// filter, the wait for the sensing pass, the gun's shooter), the target choice with a homing
// torpedo first, the align band with its mirrored point and time limit, stick, castrated goals
// drawn from the run's generator, the gun's range hysteresis, the end and the interrupt (no slot
// kept, the shooter put back), and the attack without an area or without a turret.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "armed_fixture.h"
#include "bhv_attackerslots.h"
#include "bhv_vehicle_attack.h"
#include "cod_activeavoid.h"
#include "cod_collidable.h"
#include "cod_sensor.h"
#include "mat_random.h"
#include "nod_actorclasses.h"
#include "nod_bodyclasses.h"
#include "nod_launcher.h"
#include "nod_patrolarea.h"
#include "nod_sceneclasses.h"
#include "nod_torpedo.h"
#include "nod_turret_base.h"
#include "nod_vehicle.h"
#include "nod_weaponclasses.h"
#include "os_fatal.h"
#include "test_dir.h"
#include "tools_turret.h"
#include "tools_vehicleattack.h"

namespace
{
using State = BHV_Vehicle_AttackState;

// Steps enough for the collision system's next sensing pass.
constexpr s32 SENSING_WAIT = 60;

// A vehicle whose notifications to its script are kept by id.
class WatchedVehicle : public NOD_Vehicle
{
public:
    NOD_Message* SendToThread(NOD_Message* _message, u32 /*_queued*/) override
    {
        sent.push_back(_message->GetType());
        delete _message;
        return nullptr;
    }
    bool Sent(u32 _id) const
    {
        for (u32 id : sent)
            if (id == _id)
                return true;
        return false;
    }
    std::vector<u32> sent;
};

// Keys that keep the vehicle standing in stick once it has a target, and fire at any angle.
TOOL_VehicleAttackSection Standing()
{
    TOOL_VehicleAttackSection keys;
    keys.alignMinDistance = 0.0f;
    keys.alignMaxDistance = 10000.0f;
    keys.minimumTimeToStick = 1000.0f;
    keys.coneOfFire = 360.0f;
    return keys;
}

class BhvVehicleAttackTest : public testing::Test
{
protected:
    // This program registers up to the node classes; the run's bodies need the rest, as the
    // program would register them, and give them back in reverse.
    BhvVehicleAttackTest()
    {
        COD_RegisterClasses();
        NOD_RegisterBodyClasses();
        NOD_RegisterSceneClasses();
        NOD_RegisterWeaponClasses();
        NOD_RegisterActorClasses();
    }
    ~BhvVehicleAttackTest() override
    {
        NOD_UnregisterActorClasses();
        NOD_UnregisterWeaponClasses();
        NOD_UnregisterSceneClasses();
        NOD_UnregisterBodyClasses();
        COD_UnregisterClasses();
    }
    void SetUp() override
    {
        try {
            m_world.reset(new TST_ArmedWorld(m_dir));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
        m_world->scene->simulation->random.Seed(1234);
        NOD_PatrolArea* area = static_cast<NOD_PatrolArea*>(NOD_Node::CreateNode("NOD_PatrolArea", "area"));
        m_world->root->AddSon(area);
        delete area->ProcessMessage(NOD_PatrolArea_SetPosition::Create(MAT_Vector3(0.0f, 0.0f, 0.0f)));
        delete area->ProcessMessage(NOD_PatrolArea_SetRadius::Create(500.0f));
        delete area->ProcessMessage(NOD_PatrolArea_SetMinZ::Create(-50.0f));
        delete area->ProcessMessage(NOD_PatrolArea_SetMaxZ::Create(50.0f));
    }
    void TearDown() override { m_world.reset(); }

    // The attacking vehicle at _position with the keys and, with _turret, the turret "Turm1".
    WatchedVehicle* Attacker(const TOOL_VehicleAttackSection& _keys, const MAT_Vector3& _position = {0, 0, 1},
                             bool _turret = true)
    {
        TOOL_VehicleDescription description;
        description.attackBehaviour = _keys;
        if (_turret) {
            TOOL_TurretDescription turret;
            turret.turretName = "Turm1";
            const f32 top[3] = {0.0f, 0.0f, 2.0f};
            description.children.push_back(TOOL_TurretChildText(0, turret, top));
        }
        const std::string file = m_world->Describe("attacker", TOOL_VehicleDescriptionText(description));
        WatchedVehicle* vehicle = new WatchedVehicle();
        vehicle->SetName("attacker");
        m_world->root->AddSon(vehicle);
        vehicle->SetTransform(m_world->Now(), TST_HeadingAt(_position));
        vehicle->ParseIniFile_File(file.c_str());
        delete vehicle->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return vehicle;
    }
    // A plain vehicle to attack.
    NOD_Vehicle* Target(const std::string& _name, const MAT_Vector3& _position)
    {
        return NOD_Vehicle::DynamicCast(m_world->Make(
            "NOD_Vehicle", _name, TOOL_VehicleDescriptionText(TOOL_VehicleDescription()), TST_HeadingAt(_position)));
    }
    static void Start(NOD_Vehicle* _vehicle, const char* _a, const char* _b = "", const char* _c = "",
                      const char* _d = "", const char* _area = "/area", f32 _range = 400.0f)
    {
        delete _vehicle->ProcessMessage(NOD_Vehicle_AttackPatrol::Create(_range, SIM_Name(_a), SIM_Name(_b),
                                                                         SIM_Name(_c), SIM_Name(_d), SIM_Path(_area)));
    }
    static const BHV_Vehicle_A_Attack& Attack(NOD_Vehicle* _vehicle) { return _vehicle->GetAttack(); }
    static s32 StateOf(NOD_Vehicle* _vehicle) { return Attack(_vehicle).GetCurrentStateType(); }
    static bool Running(NOD_Vehicle* _vehicle)
    {
        return _vehicle->GetActionSlot().GetCurrent() ==
               static_cast<const BHV_ActionBehaviour*>(&_vehicle->GetAttack());
    }
    static NOD_NPC_Gun* Gun(NOD_Vehicle* _vehicle) { return _vehicle->GetTurret()->GetGun(); }
    // Steps until the attack has a state (at most _limit steps).
    void StepsUntilState(NOD_Vehicle* _vehicle, s32 _limit = SENSING_WAIT)
    {
        for (s32 i = 0; i < _limit && Attack(_vehicle).GetCurrentState() == nullptr && Running(_vehicle); ++i)
            m_world->Step();
    }
    MAT_Vector3 Position(NOD_Body* _body) { return _body->GetWorldPositionAtTime(m_world->Now()); }
    // Makes _node's attacker slots full with nodes of their own.
    void FillSlots(NOD_Body* _body)
    {
        BHV_AttackerSlots* slots = _body->GetAttackerSlots();
        while (slots->HasFreeSlot() != 0) {
            NOD_Node* filler = NOD_Node::CreateNode("NOD_Node", "filler");
            m_world->root->AddSon(filler);
            slots->Add(filler);
        }
    }
    bool Logged(const std::string& _line) const { return m_dir.Read("log.txt").find(_line) != std::string::npos; }

    TST_TempDir m_dir;
    std::unique_ptr<TST_ArmedWorld> m_world;
};

TEST_F(BhvVehicleAttackTest, StartPacksNamesWaitsForTheSensorAndFiresForTheVehicle)
{
    WatchedVehicle* vehicle = Attacker(Standing());
    NOD_Turret_Base* turret = vehicle->GetTurret();
    ASSERT_NE(nullptr, turret);
    EXPECT_EQ(turret, Gun(vehicle)->GetShooterNode());
    Target("tank1", {0, 60, 1});

    Start(vehicle, "", "tank", "", "jeep");
    ASSERT_TRUE(Running(vehicle));
    const COD_Sensor* sensor = vehicle->GetAggregate().GetSensor2();
    EXPECT_EQ(2, sensor->m_filterCount);
    EXPECT_STREQ("tank", sensor->m_filter[0].GetName());
    EXPECT_STREQ("jeep", sensor->m_filter[1].GetName());
    EXPECT_STREQ("tank", Attack(vehicle).GetInterestName(0).GetName());
    EXPECT_STREQ("jeep", Attack(vehicle).GetInterestName(1).GetName());
    EXPECT_STREQ("", Attack(vehicle).GetInterestName(2).GetName());
    EXPECT_STREQ("", Attack(vehicle).GetInterestName(3).GetName());
    EXPECT_EQ(COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER | COD_SENSOR_PRESENCE,
              sensor->m_flags & (COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER | COD_SENSOR_PRESENCE | COD_SENSOR_SEEING |
                                 COD_SENSOR_HEARING | COD_SENSOR_VISIBILITY_TESTED));
    EXPECT_FLOAT_EQ(400.0f, sensor->m_presenceRange);
    EXPECT_EQ(vehicle, Gun(vehicle)->GetShooterNode());
    EXPECT_EQ(turret, Attack(vehicle).GetSavedShooter());
    // Nothing is chosen before the sensing pass.
    EXPECT_EQ(nullptr, Attack(vehicle).GetCurrentState());

    StepsUntilState(vehicle);
    EXPECT_EQ(State::STICK, StateOf(vehicle));
    NOD_Body* target = Attack(vehicle).GetCurrentTarget();
    ASSERT_NE(nullptr, target);
    EXPECT_STREQ("tank1", target->GetName().GetName());
    EXPECT_EQ(1, target->GetAttackerSlots()->Contains(vehicle));
}

TEST_F(BhvVehicleAttackTest, FourEmptyNamesEndAtTheFirstDecisionAndGiveTheGunBack)
{
    WatchedVehicle* vehicle = Attacker(Standing());
    Target("tank1", {0, 60, 1});
    Start(vehicle, "", "", "", "");
    EXPECT_EQ(0, vehicle->GetAggregate().GetSensor2()->m_filterCount);
    m_world->Steps(SENSING_WAIT);
    EXPECT_FALSE(Running(vehicle));
    EXPECT_TRUE(vehicle->Sent(NOD_Vehicle_AttackOver::ID));
    EXPECT_FALSE(vehicle->Sent(NOD_Vehicle_AttackOverride::ID));
    EXPECT_EQ(0u, vehicle->GetAggregate().GetSensor2()->m_flags & (COD_SENSOR_ACTIVE | COD_SENSOR_PRESENCE));

    // The turret's gun fires for the turret again.
    NOD_NPC_Gun* gun = Gun(vehicle);
    EXPECT_EQ(vehicle->GetTurret(), gun->GetShooterNode());
    gun->StartFire();
    EXPECT_EQ(vehicle->GetTurret(), gun->GetFiring());
    gun->StopFire();
}

TEST_F(BhvVehicleAttackTest, NameMatchesOnlyLongerNames)
{
    WatchedVehicle* vehicle = Attacker(Standing());
    Target("tank", {0, 60, 1});
    Start(vehicle, "tank");
    m_world->Steps(SENSING_WAIT);
    EXPECT_TRUE(vehicle->Sent(NOD_Vehicle_AttackOver::ID));
}

TEST_F(BhvVehicleAttackTest, HomingTorpedoIsTakenAtOnce)
{
    WatchedVehicle* vehicle = Attacker(Standing());
    Target("tank1", {0, 60, 1});
    Start(vehicle, "tank");
    StepsUntilState(vehicle);
    ASSERT_STREQ("tank1", Attack(vehicle).GetCurrentTarget()->GetName().GetName());

    // Heading at the vehicle from its right flank; the vehicle steps before it in the tree.
    NOD_Torpedo* torpedo = m_world->Spawn()->SpawnTorpedo(1, m_world->root, TST_HeadingAt({200, -150, 5}, 0.9272952f),
                                                          MAT_Vector3(), vehicle);
    ASSERT_NE(nullptr, torpedo);
    if (vehicle->GetTorpedoSlots()->Contains(torpedo) == 0)
        vehicle->GetTorpedoSlots()->Add(torpedo);
    m_world->Step();
    EXPECT_EQ(torpedo, Attack(vehicle).GetCurrentTarget());
}

TEST_F(BhvVehicleAttackTest, PrimaryTargetTakesOverWhileRunning)
{
    WatchedVehicle* vehicle = Attacker(Standing());
    NOD_Vehicle* near = Target("tank1", {0, 60, 1});
    NOD_Vehicle* far = Target("tank2", {0, -150, 1});
    // Not handled before the attack runs.
    delete vehicle->ProcessMessage(NOD_Vehicle_SetPrimaryTarget::Create(far));
    EXPECT_TRUE(Logged("received lost message of type 14022"));
    Start(vehicle, "tank");
    StepsUntilState(vehicle);
    ASSERT_EQ(near, Attack(vehicle).GetCurrentTarget());

    delete vehicle->ProcessMessage(NOD_Vehicle_SetPrimaryTarget::Create(far));
    EXPECT_EQ(far, Attack(vehicle).GetPrimaryTarget());
    m_world->Step();
    EXPECT_EQ(far, Attack(vehicle).GetCurrentTarget());
    EXPECT_EQ(0, near->GetAttackerSlots()->Contains(vehicle));
    EXPECT_EQ(1, far->GetAttackerSlots()->Contains(vehicle));

    // A node that is no body clears it.
    delete vehicle->ProcessMessage(NOD_Vehicle_SetPrimaryTarget::Create(m_world->root));
    EXPECT_EQ(nullptr, Attack(vehicle).GetPrimaryTarget());
}

TEST_F(BhvVehicleAttackTest, AlignBacksAwayToTheMirroredPointUntilAlignMaxTime)
{
    TOOL_VehicleAttackSection keys;
    keys.alignMinDistance = 40.0f;
    keys.alignMaxDistance = 80.0f;
    keys.alignMaxTime = 1.0f;
    keys.normalVelocity = 5.0f;
    WatchedVehicle* vehicle = Attacker(keys);
    NOD_Vehicle* target = Target("tank1", {0, 10, 1});
    Start(vehicle, "tank");
    StepsUntilState(vehicle);
    ASSERT_EQ(State::ALIGN, StateOf(vehicle));

    // The goal lies on the far side of the vehicle: 2V - T.
    const MAT_Vector3 v = Position(vehicle);
    const MAT_Vector3 t = Position(target);
    const MAT_Vector3& goal = vehicle->GetAggregate().GetAvoider()->m_goal;
    EXPECT_NEAR(2.0f * v.x - t.x, goal.x, 0.5f);
    EXPECT_NEAR(2.0f * v.y - t.y, goal.y, 0.5f);

    // Too close all along: stick only once AlignMaxTime has passed.
    m_world->Steps(15);
    EXPECT_EQ(State::ALIGN, StateOf(vehicle));
    EXPECT_LT(Position(vehicle).y, v.y);
    m_world->Steps(10);
    EXPECT_EQ(State::STICK, StateOf(vehicle));
}

TEST_F(BhvVehicleAttackTest, AlignBandEdgesAndStickBackToAlign)
{
    struct Case
    {
        f32 distance;
        s32 state;
    };
    // The band is open at both ends.
    const Case cases[] = {{30.0f, State::ALIGN}, {60.0f, State::STICK}, {120.0f, State::ALIGN}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        TOOL_VehicleAttackSection keys;
        keys.alignMinDistance = 40.0f;
        keys.alignMaxDistance = 80.0f;
        keys.minimumTimeToStick = 0.5f;
        WatchedVehicle* vehicle = Attacker(keys);
        NOD_Vehicle* target = Target("tank1", {0, c.distance, 1});
        Start(vehicle, "tank");
        StepsUntilState(vehicle);
        // The decision enters align; the band test runs in the same step.
        EXPECT_EQ(c.state, StateOf(vehicle));
        if (c.state == State::STICK) {
            // Standing for MinimumTimeToStick, then align for a step, which finds the band again.
            m_world->Steps(8);
            EXPECT_EQ(State::STICK, StateOf(vehicle));
            std::vector<s32> states;
            for (s32 i = 0; i < 4; ++i) {
                m_world->Step();
                states.push_back(StateOf(vehicle));
            }
            EXPECT_EQ((std::vector<s32>{State::STICK, State::ALIGN, State::STICK, State::STICK}), states);
        }
        delete vehicle->ProcessMessage(NOD_Vehicle_Stop::Create());
        vehicle->GetShieldRef().SetFaceRatio(0.0f, 0);
        target->GetShieldRef().SetFaceRatio(0.0f, 0);
        m_world->Steps(2);
    }
}

TEST_F(BhvVehicleAttackTest, GunStartsBelowEightTenthsOfTheRangeAndStopsAtNineTenths)
{
    WatchedVehicle* vehicle = Attacker(Standing());
    NOD_Vehicle* target = Target("tank1", {0, 60, 1});
    Start(vehicle, "tank");
    StepsUntilState(vehicle);
    ASSERT_EQ(State::STICK, StateOf(vehicle));
    NOD_NPC_Gun* gun = Gun(vehicle);
    const f32 range = m_world->Spawn()->GetBulletRange(gun->GetBulletType());
    // The hulls' share of the centre distance.
    const f32 hulls = (Position(target) - Position(vehicle)).Length() - BHV_SurfaceDistance(target, vehicle);
    auto placeAt = [&](f32 _surface) {
        const MAT_Vector3 v = Position(vehicle);
        delete target->ProcessMessage(
            NOD_Body_SetCS::Create(MAT_Vector3(v.x, v.y + _surface + hulls, Position(target).z), MAT_Vector3()));
        m_world->Step();
    };
    struct Case
    {
        f32 share;
        bool firing;
    };
    const Case cases[] = {{0.85f, false}, {0.75f, true}, {0.85f, true}, {0.95f, false}, {0.85f, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.share);
        placeAt(c.share * range);
        m_world->Step();
        EXPECT_EQ(c.firing, gun->GetFiring() != nullptr);
    }
}

TEST_F(BhvVehicleAttackTest, FullTargetIsCircledWithoutFireOrSlot)
{
    TOOL_VehicleAttackSection keys = Standing();
    keys.castratedMinRad = 60.0f;
    keys.castratedMaxRad = 90.0f;
    keys.castratedMeanDist = 30.0f;
    keys.castratedDevDist = 5.0f;
    WatchedVehicle* vehicle = Attacker(keys);
    NOD_Vehicle* target = Target("tank1", {0, 70, 1});
    FillSlots(target);

    Start(vehicle, "tank");
    // The draws of the goal against a copy of the generator.
    MAT_Random reference = m_world->scene->simulation->random;
    StepsUntilState(vehicle);
    ASSERT_EQ(State::CASTRATED, StateOf(vehicle));
    EXPECT_EQ(target, Attack(vehicle).GetCurrentTarget());
    EXPECT_EQ(0, target->GetAttackerSlots()->Contains(vehicle));
    EXPECT_EQ(nullptr, Gun(vehicle)->GetFiring());

    const BHV_Vehicle_AttackState2& castrated = Attack(vehicle).GetCastratedState();
    const MAT_Vector3 t = Position(target);
    const f32 radius = (castrated.GetGoal() - t).Length();
    EXPECT_GE(radius, 60.0f - 1e-3f);
    EXPECT_LE(radius, 90.0f + 1e-3f);
    EXPECT_GE(castrated.GetArrivalRadius(), 15.0f);

    f32 step = reference.Gaussian(30.0f, 5.0f);
    step = step < 0.0f ? 0.0f : step;
    const bool right = MAT_RandomUnit(reference.Next()) > 0.5;
    const MAT_Vector3 v = Position(vehicle);
    const MAT_Vector3 d = t - v;
    MAT_Vector3 side = right ? MAT_Vector3(d.y, -d.x, 0.0f) : MAT_Vector3(-d.y, d.x, 0.0f);
    side = side.GetNormalized() * step;
    MAT_Vector3 r = v + side - t;
    if (r.Length() < 60.0f)
        r = r.GetNormalized() * 60.0f;
    EXPECT_NEAR(t.x + r.x, castrated.GetGoal().x, 0.5f);
    EXPECT_NEAR(t.y + r.y, castrated.GetGoal().y, 0.5f);

    // Never fires while castrated.
    m_world->Steps(20);
    EXPECT_EQ(State::CASTRATED, StateOf(vehicle));
    EXPECT_EQ(nullptr, Gun(vehicle)->GetFiring());
}

TEST_F(BhvVehicleAttackTest, CircledTargetDyingHandsOverToAnotherFullOne)
{
    WatchedVehicle* vehicle = Attacker(Standing());
    NOD_Vehicle* first = Target("tank1", {0, 70, 1});
    NOD_Vehicle* second = Target("tank2", {0, -200, 1});
    FillSlots(first);
    FillSlots(second);
    Start(vehicle, "tank");
    StepsUntilState(vehicle);
    ASSERT_EQ(State::CASTRATED, StateOf(vehicle));
    NOD_Body* circled = Attack(vehicle).GetCurrentTarget();
    ASSERT_NE(nullptr, circled);
    NOD_Vehicle* other = circled == first ? second : first;

    static_cast<NOD_Vehicle*>(circled)->GetShieldRef().SetFaceRatio(0.0f, 0);
    m_world->Steps(4);
    EXPECT_TRUE(Running(vehicle));
    EXPECT_EQ(State::CASTRATED, StateOf(vehicle));
    EXPECT_EQ(other, Attack(vehicle).GetCurrentTarget());
    m_world->Steps(20);
    EXPECT_EQ(other, Attack(vehicle).GetCurrentTarget());
}

TEST_F(BhvVehicleAttackTest, InterruptKeepsNoSlotAndGivesTheGunBack)
{
    WatchedVehicle* vehicle = Attacker(Standing());
    NOD_Vehicle* target = Target("tank1", {0, 60, 1});
    Start(vehicle, "tank");
    StepsUntilState(vehicle);
    ASSERT_EQ(1, target->GetAttackerSlots()->Contains(vehicle));

    delete vehicle->ProcessMessage(NOD_Vehicle_Stop::Create());
    EXPECT_FALSE(Running(vehicle));
    EXPECT_TRUE(vehicle->Sent(NOD_Vehicle_AttackOverride::ID));
    EXPECT_EQ(0, target->GetAttackerSlots()->Contains(vehicle));
    EXPECT_EQ(nullptr, Gun(vehicle)->GetFiring());
    EXPECT_EQ(vehicle->GetTurret(), Gun(vehicle)->GetShooterNode());
    EXPECT_EQ(0u, vehicle->GetAggregate().GetSensor2()->m_flags & COD_SENSOR_ACTIVE);

    // A restart after the interrupt saves the turret again, not the vehicle.
    Start(vehicle, "tank");
    Start(vehicle, "tank");
    EXPECT_EQ(vehicle->GetTurret(), Attack(vehicle).GetSavedShooter());
    delete vehicle->ProcessMessage(NOD_Vehicle_Stop::Create());
    EXPECT_EQ(vehicle->GetTurret(), Gun(vehicle)->GetShooterNode());
}

TEST_F(BhvVehicleAttackTest, InvalidAreaStopsTheVehicleEachStep)
{
    WatchedVehicle* vehicle = Attacker(Standing());
    Target("tank1", {0, 60, 1});
    vehicle->GetModel().State.SetVelocity(MAT_Vector3(0.0f, 5.0f, 0.0f));
    Start(vehicle, "tank", "", "", "", "/nowhere");
    EXPECT_TRUE(Logged("PatrolArea /nowhere is invalid"));
    m_world->Steps(SENSING_WAIT);
    EXPECT_TRUE(Running(vehicle));
    EXPECT_EQ(nullptr, Attack(vehicle).GetCurrentState());
    EXPECT_EQ(nullptr, Attack(vehicle).GetCurrentTarget());
    EXPECT_LT(vehicle->GetModel().State.GetVelocity().Length(), 0.5f);
    EXPECT_TRUE(vehicle->sent.empty());
}

TEST_F(BhvVehicleAttackTest, WithoutTurretItChoosesAndManoeuvres)
{
    WatchedVehicle* vehicle = Attacker(Standing(), {0, 0, 1}, false);
    ASSERT_EQ(nullptr, vehicle->GetTurret());
    NOD_Vehicle* target = Target("tank1", {0, 60, 1});
    Start(vehicle, "tank");
    StepsUntilState(vehicle);
    EXPECT_EQ(State::STICK, StateOf(vehicle));
    EXPECT_EQ(1, target->GetAttackerSlots()->Contains(vehicle));
    m_world->Steps(10);
    delete vehicle->ProcessMessage(NOD_Vehicle_Stop::Create());
    EXPECT_EQ(0, target->GetAttackerSlots()->Contains(vehicle));
}

TEST_F(BhvVehicleAttackTest, MissingKeyIsFatal)
{
    TOOL_VehicleAttackSection keys;
    keys.omitKey = "CastratedMaxRad";
    try {
        Attacker(keys);
        FAIL() << "no fatal error";
    } catch (const OS_FatalError& error) {
        EXPECT_NE(std::string::npos, std::string(error.Message()).find("CastratedMaxRad")) << error.Message();
    }
}
}  // namespace
