// The turret's own attacks, patrol and follow on a real turret standing on a building, against
// attackable buildings: the end when nothing can be taken, the direct attack's sweep and silent
// stop, the castrated-mode reports, the firing hysteresis, the sweep's draws, the angle keys,
// the primary target against hit shooters, the patrol's duration and the follow's lost target.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "armed_fixture.h"
#include "bhv_attackerslots.h"
#include "cod_collidable.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "mat_random.h"
#include "nod_actorclasses.h"
#include "nod_bodyclasses.h"
#include "nod_launcher.h"
#include "nod_sceneclasses.h"
#include "nod_script.h"
#include "nod_turret_base.h"
#include "nod_weaponclasses.h"
#include "os_fatal.h"
#include "tactics_hits.h"
#include "test_dir.h"
#include "tools_turret.h"

namespace
{
constexpr f32 DEG = 0.017453292f;

// What the turret's script thread received, by message id.
std::vector<u32>& s_sent = TST_SentIds();
}  // namespace

class BhvTurretTest : public testing::Test
{
protected:
    // The classes of the layers above this program's own registration, in their start-up order
    // (the program's other suites register the body classes themselves around each test).
    static void SetUpTestSuite()
    {
        NOD_RegisterScriptClasses();
        COD_RegisterClasses();
        NOD_RegisterBodyClasses();
        NOD_RegisterSceneClasses();
        NOD_RegisterWeaponClasses();
        NOD_RegisterActorClasses();
    }
    static void TearDownTestSuite()
    {
        NOD_UnregisterActorClasses();
        NOD_UnregisterWeaponClasses();
        NOD_UnregisterSceneClasses();
        NOD_UnregisterBodyClasses();
        COD_UnregisterClasses();
        NOD_UnregisterScriptClasses();
    }

    void SetUp() override
    {
        s_sent.clear();
        m_delivery = NOD_Node::SetThreadDelivery(&TST_RecordSent);
        try {
            m_world.reset(new TST_ArmedWorld(m_dir));
            m_world->scene->simulation->random.Seed(77);
            // The node the turret is bound to; its (empty) glue library is never run.
            m_dir.Write("dat/script/lib/glue.sco", "-- glue\n");
            m_script = NOD_Node::CreateNode("NOD_Script", "script");
            m_hits = new TST_HitMaker();
            m_world->root->AddSon(m_hits);
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
    }
    void TearDown() override
    {
        m_world.reset();
        delete m_script;
        NOD_Node::SetThreadDelivery(m_delivery);
    }

    // A building at _position carrying the turret _turret 5 units above its origin, both in the
    // simulation (the turret with its gun only then); the turret reports to the recorder.
    NOD_Turret_Base* Turret(const TOOL_TurretDescription& _turret = {}, const MAT_Vector3& _position = {},
                            bool _enter = true)
    {
        TOOL_GenericDescription house;
        const f32 place[3] = {0.0f, 0.0f, 5.0f};
        house.children = TOOL_TurretChildText(0, _turret, place);
        const std::string name = "house" + std::to_string(m_houses++);
        NOD_Body* building = m_world->Make("NOD_Generic", name, TOOL_GenericDescriptionText(house),
                                           TST_HeadingAt(_position), nullptr, _enter);
        NOD_Turret_Base* turret = NOD_Turret_Base::DynamicCast(building->GetSon(0));
        turret->BindThread(m_script, 1);
        return turret;
    }
    // An attackable building named _name at _position.
    NOD_Body* Target(const std::string& _name, const MAT_Vector3& _position)
    {
        TOOL_GenericDescription target;
        target.attackable = true;
        return m_world->Make("NOD_Generic", _name, TOOL_GenericDescriptionText(target), TST_HeadingAt(_position));
    }

    static void Send(NOD_Turret_Base* _turret, NOD_Message* _message) { delete _turret->ProcessMessage(_message); }
    static void ComplexAttack(NOD_Turret_Base* _turret, f32 _range, const char* _name = "foe")
    {
        Send(_turret,
             NOD_Turret_Base_ComplexAttack::Create(_range, SIM_Name(""), SIM_Name(_name), SIM_Name(""), SIM_Name("")));
    }
    static void DirectAttack(NOD_Turret_Base* _turret, const char* _name = "foe")
    {
        Send(_turret, NOD_Turret_Base_DirectAttack::Create(SIM_Name(_name), SIM_Name(""), SIM_Name(""), SIM_Name("")));
    }
    static bool Attacks(NOD_Turret_Base* _turret, NOD_Body* _target)
    {
        return _target->GetAttackerSlots()->Contains(_turret) != 0;
    }
    static bool Firing(NOD_Turret_Base* _turret) { return _turret->GetGun()->GetFiring() != nullptr; }
    static bool Busy(NOD_Turret_Base* _turret) { return _turret->GetActions().GetCurrent() != nullptr; }
    static const PHY_RotationControl& Targets(NOD_Turret_Base* _turret) { return _turret->GetTurn().Rotation; }
    static s32 Count(u32 _id) { return (s32)std::count(s_sent.begin(), s_sent.end(), _id); }

    void Step() { m_world->Step(); }
    // Steps until _done holds, at most _limit steps; answers the steps taken (_limit + 1 when never).
    template <class Done>
    s32 StepUntil(Done _done, s32 _limit = 200)
    {
        for (s32 step = 1; step <= _limit; ++step) {
            Step();
            if (_done())
                return step;
        }
        return _limit + 1;
    }
    bool Logged(const std::string& _line) const { return m_dir.Read("log.txt").find(_line) != std::string::npos; }

    TST_TempDir m_dir;
    std::unique_ptr<TST_ArmedWorld> m_world;
    NOD_Node* m_script = nullptr;
    TST_HitMaker* m_hits = nullptr;
    s32 m_houses = 0;
    NOD_Node::ThreadDelivery m_delivery = nullptr;
};

TEST_F(BhvTurretTest, NothingAcceptableEndsTheComplexAttackAtRest)
{
    NOD_Turret_Base* turret = Turret();
    // A body of another name is no target.
    Target("friend1", {0.0f, 60.0f, 15.0f});
    turret->SetTargetAngles(0.5f, 0.2f);
    ComplexAttack(turret, 200.0f);
    ASSERT_TRUE(Busy(turret));
    // It waits for the first sensing pass over its new sensor, then ends at once.
    const COD_Sensor* sensor = turret->GetAggregate().GetSensor2();
    s32 waited = 0;
    while (Busy(turret) && (sensor->m_flags & COD_SENSOR_VISIBILITY_TESTED) == 0 && waited < 40) {
        EXPECT_TRUE(s_sent.empty());
        Step();
        ++waited;
    }
    EXPECT_FALSE(Busy(turret));
    EXPECT_EQ(std::vector<u32>{NOD_Turret_Base_ComplexAttackOver::ID}, s_sent);
    EXPECT_EQ(0.0f, Targets(turret).TargetAngle[0]);
    EXPECT_EQ(0.0f, Targets(turret).TargetAngle[1]);
    EXPECT_EQ(0u, sensor->m_flags & (COD_SENSOR_ACTIVE | COD_SENSOR_SEEING));
    EXPECT_FALSE(Firing(turret));
}

TEST_F(BhvTurretTest, ADirectAttackSweepsUntilItsSilentStop)
{
    NOD_Turret_Base* turret = Turret();
    DirectAttack(turret);
    const COD_Sensor* sensor = turret->GetAggregate().GetSensor2();
    EXPECT_FLOAT_EQ(0.9f * m_world->Spawn()->GetBulletRange(turret->GetGun()->GetBulletType()), sensor->m_seeingRange);
    f32 lowest = 0.0f;
    f32 highest = 0.0f;
    std::vector<f32> points;
    for (s32 step = 0; step < 400; ++step) {
        Step();
        const f32 alpha = Targets(turret).TargetAngle[0];
        if (points.empty() || points.back() != alpha)
            points.push_back(alpha);
        lowest = std::min(lowest, alpha);
        highest = std::max(highest, alpha);
    }
    // Nothing to shoot: it sweeps through new points within its range, and tells nobody.
    EXPECT_TRUE(Busy(turret));
    EXPECT_GE(points.size(), 3u);
    EXPECT_GE(lowest, -turret->GetAlphaRange());
    EXPECT_LE(highest, turret->GetAlphaRange());
    EXPECT_TRUE(s_sent.empty());

    Send(turret, NOD_Turret_Base_DirectAttackStop::Create());
    EXPECT_FALSE(Busy(turret));
    EXPECT_TRUE(s_sent.empty());
    EXPECT_EQ(0u, sensor->m_flags & (COD_SENSOR_ACTIVE | COD_SENSOR_SEEING));
}

TEST_F(BhvTurretTest, CastratedModeIsReportedEveryStepAndLeftOnce)
{
    NOD_Turret_Base* turret = Turret();
    NOD_Body* foe = Target("foe1", {0.0f, 80.0f, 15.0f});
    BHV_AttackerSlots* slots = foe->GetAttackerSlots();
    for (s32 i = 0; i < slots->GetCapacity(); ++i)
        slots->Add(m_script);
    ComplexAttack(turret, 200.0f);
    s32 evaluated = 0;
    for (s32 step = 0; step < 30; ++step) {
        Step();
        evaluated += turret->GetAggregate().GetSensor2()->m_flags & COD_SENSOR_VISIBILITY_TESTED ? 1 : 0;
    }
    EXPECT_GE(evaluated, 10);
    EXPECT_EQ(std::vector<u32>(evaluated, NOD_Turret_Base_EnteringCastratedMode::ID), s_sent);
    EXPECT_FALSE(Attacks(turret, foe));

    // A slot comes free: the turret takes it and says so once.
    slots->Remove(m_script);
    s_sent.clear();
    for (s32 step = 0; step < 10; ++step)
        Step();
    EXPECT_EQ(std::vector<u32>{NOD_Turret_Base_LeavingCastratedMode::ID}, s_sent);
    EXPECT_TRUE(Attacks(turret, foe));

    // A new start begins in the sweep: the first target brings a Leaving without an Entering;
    // the interrupted attack gave up its slot first.
    s_sent.clear();
    ComplexAttack(turret, 200.0f);
    EXPECT_FALSE(Attacks(turret, foe));
    for (s32 step = 0; step < 10; ++step)
        Step();
    EXPECT_EQ((std::vector<u32>{NOD_Turret_Base_ComplexAttackOverride::ID, NOD_Turret_Base_LeavingCastratedMode::ID}),
              s_sent);
    EXPECT_TRUE(Attacks(turret, foe));
}

TEST_F(BhvTurretTest, FiringStartsWithinFiveDegreesAndStopsBeyondSeven)
{
    NOD_Turret_Base* turret = Turret();
    NOD_Body* foe = Target("foe1", {0.0f, 100.0f, 15.0f});
    ComplexAttack(turret, 200.0f);
    ASSERT_LE(StepUntil([&] { return Attacks(turret, foe); }), 20);

    // The turret stood still at the given heading off the aim (the pitch on it) as each step
    // begins.
    const auto offAim = [&](f32 _degrees) {
        f32 alpha = 0.0f;
        f32 beta = 0.0f;
        turret->ComputeAnglesTo(foe, &alpha, &beta);
        MOT_MotionState& state = turret->GetTurn().State;
        state.rotation[MOT_MotionState::HEADING].angle.Set(alpha + _degrees * DEG);
        state.rotation[MOT_MotionState::HEADING].rate = 0.0f;
        state.rotation[MOT_MotionState::PITCH].angle.Set(beta);
        state.rotation[MOT_MotionState::PITCH].rate = 0.0f;
        Step();
        return Firing(turret);
    };
    const struct
    {
        f32 degrees;
        bool firing;
    } steps[] = {
        {7.5f, false}, {5.5f, false}, {-5.5f, false}, {4.5f, true},  {6.5f, true},
        {-6.5f, true}, {7.5f, false}, {6.5f, false},  {-4.5f, true}, {-7.5f, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.degrees);
        EXPECT_EQ(step.firing, offAim(step.degrees));
    }
    EXPECT_TRUE(Attacks(turret, foe));
}

TEST_F(BhvTurretTest, ASweepStepLeavingTheRangeIsTakenBackThenClamped)
{
    // Alpha steps of 120 degrees (range 90) leave it either way; beta steps of 30 leave the
    // range (-10 to 45) only downward, 60 either way.
    const struct
    {
        f32 meanBeta;
        u32 seed;
    } cases[] = {{30.0f, 3}, {30.0f, 8}, {60.0f, 3}, {60.0f, 8}, {60.0f, 21}, {60.0f, 40}};
    s32 index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(index);
        TOOL_TurretDescription description;
        description.attack.meanAngleAlpha = 120.0f;
        description.attack.standardDeviationAlpha = 0.0f;
        description.attack.meanAngleBeta = c.meanBeta;
        description.attack.standardDeviationBeta = 0.0f;
        NOD_Turret_Base* turret = Turret(description, {100.0f * (f32)index++, -200.0f, 0.0f});
        MAT_Random& random = m_world->scene->simulation->random;
        random.Seed(c.seed);
        MAT_Random reference(c.seed);
        Send(turret, NOD_Turret_Base_Patrol::Create(0.0f));

        // The draws in order: alpha step, its sign, beta step, its sign, the wait.
        reference.Gaussian(0.0f, 0.0f);
        const f32 alphaSign = MAT_RandomUnit(reference.Next()) > 0.5 ? -1.0f : 1.0f;
        reference.Gaussian(0.0f, 0.0f);
        const f32 betaSign = MAT_RandomUnit(reference.Next()) > 0.5 ? -1.0f : 1.0f;
        reference.Gaussian(0.0f, 0.0f);
        EXPECT_EQ(reference.Next(), random.Next());

        // From (0, 0): flipped, then clamped.
        EXPECT_NEAR(-alphaSign * 90.0f, Targets(turret).TargetAngle[0] / DEG, 1e-3f);
        const f32 beta = c.meanBeta == 30.0f ? 30.0f : (betaSign > 0.0f ? -10.0f : 45.0f);
        EXPECT_NEAR(beta, Targets(turret).TargetAngle[1] / DEG, 1e-3f);
    }
}

TEST_F(BhvTurretTest, AngleKeysAreWrappedIntoAHalfTurnEitherWay)
{
    const struct
    {
        f32 key;      // degrees, as written (180 x 0.017453292 rounds to pi)
        f32 wrapped;  // degrees
    } cases[] = {
        {30.0f, 30.0f}, {180.0f, -180.0f}, {-180.0f, -180.0f}, {190.0f, -170.0f}, {-190.0f, 170.0f},
        {360.0f, 0.0f}, {400.0f, 40.0f},   {725.0f, 5.0f},     {-725.0f, -5.0f},  {1000.0f, -80.0f},
    };
    s32 index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        // A full circle of heading, so no step is taken back or clamped.
        TOOL_TurretDescription description;
        description.alphaRange = 180.0f;
        description.attack.meanAngleAlpha = c.key;
        description.attack.standardDeviationAlpha = 0.0f;
        NOD_Turret_Base* turret = Turret(description, {100.0f * (f32)index++, -200.0f, 0.0f});
        const u32 seed = 5;
        m_world->scene->simulation->random.Seed(seed);
        MAT_Random reference(seed);
        reference.Gaussian(0.0f, 0.0f);
        const f32 sign = MAT_RandomUnit(reference.Next()) > 0.5 ? -1.0f : 1.0f;
        Send(turret, NOD_Turret_Base_Patrol::Create(0.0f));
        EXPECT_NEAR(sign * c.wrapped, Targets(turret).TargetAngle[0] / DEG, 1e-3f);
    }
}

TEST_F(BhvTurretTest, APrimaryTargetFreezesTheSwitchTimer)
{
    NOD_Turret_Base* turret = Turret();
    NOD_Body* primary = Target("foe1", {-20.0f, 100.0f, 15.0f});
    NOD_Body* shooter = Target("foe2", {20.0f, 100.0f, 15.0f});
    m_hits->victim = NOD_Body::DynamicCast(turret->GetFather());
    ComplexAttack(turret, 200.0f);
    ASSERT_LE(StepUntil([&] { return Attacks(turret, primary) || Attacks(turret, shooter); }), 20);
    // Hit by its own target: the timer starts from 0.
    NOD_Body* current = Attacks(turret, primary) ? primary : shooter;
    NOD_Body* other = current == primary ? shooter : primary;
    m_hits->shot.shooter = current;
    Step();
    Send(turret, NOD_Turret_Base_SetPrimaryTarget::Create(current));

    // Hits from the other one for longer than MinimumTimeToStick (2 s): the primary target stays.
    m_hits->shot.shooter = other;
    for (s32 step = 0; step < 60; ++step)
        Step();
    EXPECT_TRUE(Attacks(turret, current));
    EXPECT_FALSE(Attacks(turret, other));

    // Without a primary target the timer runs on from where it stood: the switch comes after
    // two more seconds, not at once.
    Send(turret, NOD_Turret_Base_SetPrimaryTarget::Create(nullptr));
    const s32 steps = StepUntil([&] { return Attacks(turret, other); });
    EXPECT_GE(steps, 40);
    EXPECT_LE(steps, 42);
    EXPECT_FALSE(Attacks(turret, current));
    EXPECT_TRUE(Busy(turret));
}

TEST_F(BhvTurretTest, APatrolEndsOnTheFirstStepPastItsDuration)
{
    NOD_Turret_Base* turret = Turret();
    Send(turret, NOD_Turret_Base_Patrol::Create(2.0f));
    f32 elapsed = 0.0f;
    s32 expected = 1;
    for (; !(elapsed > 2.0f); ++expected)
        elapsed += 0.05f;
    const s32 steps = StepUntil([] { return !s_sent.empty(); });
    EXPECT_EQ(expected, steps);
    EXPECT_EQ(std::vector<u32>{NOD_Turret_Base_PatrolFinished::ID}, s_sent);
    EXPECT_FALSE(Busy(turret));
    EXPECT_EQ(0.0f, Targets(turret).TargetAngle[0]);

    // Duration 0: endless, until a follow takes over; the patrol reports FollowOverride.
    s_sent.clear();
    Send(turret, NOD_Turret_Base_Patrol::Create(0.0f));
    for (s32 step = 0; step < 400; ++step)
        Step();
    EXPECT_TRUE(s_sent.empty());
    EXPECT_TRUE(Busy(turret));
    Send(turret, NOD_Turret_Base_Follow::Create(m_world->camera, 0.0f));
    EXPECT_EQ(std::vector<u32>{NOD_Turret_Base_FollowOverride::ID}, s_sent);
    EXPECT_EQ(0, Count(NOD_Turret_Base_PatrolOverride::ID));
}

TEST_F(BhvTurretTest, AFollowEndsWithTargetLostOnceItsBodyIsDeleted)
{
    NOD_Turret_Base* turret = Turret();
    NOD_Body* foe = Target("foe1", {-40.0f, 80.0f, 15.0f});
    Send(turret, NOD_Turret_Base_Follow::Create(foe, 0.0f));
    for (s32 step = 0; step < 40; ++step)
        Step();
    // Turned towards the body (to the left: a positive heading), without end.
    EXPECT_GT(Targets(turret).TargetAngle[0], 20.0f * DEG);
    EXPECT_TRUE(Busy(turret));
    EXPECT_TRUE(s_sent.empty());

    // Deleted after this step's heartbeats: the next step finds it gone.
    NOD_Node::GC_AddNode(foe);
    Step();
    EXPECT_TRUE(s_sent.empty());
    Step();
    EXPECT_EQ(std::vector<u32>{NOD_Turret_Base_TargetLost::ID}, s_sent);
    EXPECT_EQ(0.0f, Targets(turret).TargetAngle[0]);
    EXPECT_FALSE(Busy(turret));

    // A node that is no body, or none: a log line, and the first step ends the follow silently
    // (a restart still interrupts the inactive follow: FollowOverride).
    s_sent.clear();
    Send(turret, NOD_Turret_Base_Follow::Create(m_world->garbage, 1.0f));
    EXPECT_TRUE(Logged("garbage is not a nod_body in BHV_Turret_A_Follow::PM_FollowStart"));
    Send(turret, NOD_Turret_Base_Follow::Create(nullptr, 1.0f));
    EXPECT_TRUE(Logged("(null) is not a nod_body in BHV_Turret_A_Follow::PM_FollowStart"));
    Step();
    EXPECT_FALSE(Busy(turret));
    EXPECT_EQ(std::vector<u32>{NOD_Turret_Base_FollowOverride::ID}, s_sent);

    // A timed follow ends with FollowFinished on the first step past its time; an interrupted
    // one with FollowOverride.
    s_sent.clear();
    NOD_Body* other = Target("foe2", {40.0f, 80.0f, 15.0f});
    Send(turret, NOD_Turret_Base_Follow::Create(other, 1.0f));
    const s32 steps = StepUntil([] { return !s_sent.empty(); });
    EXPECT_GE(steps, 21);
    EXPECT_LE(steps, 22);
    Send(turret, NOD_Turret_Base_Follow::Create(other, 0.0f));
    Send(turret, NOD_Turret_Base_Patrol::Create(1.0f));
    EXPECT_EQ((std::vector<u32>{NOD_Turret_Base_FollowFinished::ID, NOD_Turret_Base_FollowOverride::ID}), s_sent);
}

TEST_F(BhvTurretTest, AnAttackStartedBeforeTheGunArrivesEndsWithoutFiring)
{
    NOD_Turret_Base* turret = Turret({}, {}, false);
    Target("foe1", {0.0f, 80.0f, 15.0f});
    DirectAttack(turret);
    EXPECT_TRUE(Logged("Turret turret has no gun to attack with: the attack ends"));
    Send(turret, NOD_Turret_Base_DirectAttackStop::Create());
    EXPECT_FALSE(Busy(turret));
    ComplexAttack(turret, 200.0f);
    // Interrupted by a patrol: reported, and the missing gun left alone.
    Send(turret, NOD_Turret_Base_Patrol::Create(0.0f));
    EXPECT_EQ(std::vector<u32>{NOD_Turret_Base_ComplexAttackOverride::ID}, s_sent);

    ComplexAttack(turret, 200.0f);
    delete turret->GetFather()->ProcessMessage(NOD_Node_EnterSimulation::Create());
    s_sent.clear();
    Step();
    EXPECT_FALSE(Busy(turret));
    EXPECT_TRUE(s_sent.empty());
    EXPECT_FALSE(Firing(turret));
}
