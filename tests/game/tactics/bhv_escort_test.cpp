// Escort and escape on a fake vessel: the escort's station, speeds and reports, the escape's
// failed starts, legs against the generator's draw order, break-aways by impact and ratio,
// the hit cool-down, zero-length directions, arrival, and the description section.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bhv_escort.h"
#include "bhv_move_fixture.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "mat_angle.h"
#include "mat_random.h"
#include "tools_escape.h"

namespace
{
using Strings = std::vector<std::string>;

// The fake vessel with its escort and escape registered after the lower folders' behaviours.
class EscortOwner : public TST_MoveOwner
{
public:
    explicit EscortOwner(const TST_TempDir& _dir) : TST_MoveOwner(TST_MOVE_VESSEL, _dir)
    {
        actions.Register(&escort, &parts);
        actions.Register(&escape, &parts);
    }
    BHV_Vessel_A_Escort escort;
    BHV_Vessel_A_EscapeTo escape;
};

// A body that moves at a set velocity (as GetVelocity answers it) and may have a shooter.
class Other : public NOD_Body
{
public:
    MAT_Vector3* GetVelocity(MAT_Vector3* _velocity) override
    {
        *_velocity = velocity;
        return _velocity;
    }
    NOD_Node* GetShooter() override { return shooter; }
    MAT_Vector3 velocity;
    NOD_Node* shooter = nullptr;
};

class EscortTest : public TST_MoveScene
{
protected:
    EscortOwner* AddVessel(const MAT_Vector3& _position, f32 _heading = 0.0f)
    {
        EscortOwner* owner = new EscortOwner(m_dir);
        m_root->AddSon(owner);
        owner->Place(_position, _heading);
        return owner;
    }
    Other* AddOther(const char* _name, const MAT_Vector3& _position, f32 _heading = 0.0f)
    {
        Other* other = new Other();
        other->SetName(_name);
        m_root->AddSon(other);
        MAT_Matrix34 transform;
        transform.SetPositionAngles(_position, MAT_Angle(_heading), MAT_Angle(), MAT_Angle());
        other->SetTransform(SIM_GetSimulationClock().time, transform);
        return other;
    }
    NOD_Position* AddPosition(const char* _name, const MAT_Vector3& _point)
    {
        NOD_Position* position = new NOD_Position();
        position->SetName(_name);
        position->SetPosition(_point);
        m_root->AddSon(position);
        return position;
    }
    static NOD_Message* EscapeTo(const char* _position, f32 _mean, f32 _deviation, f32 _impact, f32 _timeOut,
                                 f32 _velocity = 1.0f, f32 _ratio = 0.0f, f32 _factor = 1.0f, const char* _enemy1 = "",
                                 const char* _enemy2 = "", const char* _enemy3 = "")
    {
        return NOD_Vessel_EscapeToPosition::Create(SIM_Path(_position), _mean, _deviation, _impact, _timeOut,
                                                   SIM_Path(_enemy1), SIM_Path(_enemy2), SIM_Path(_enemy3), _velocity,
                                                   _ratio, _factor);
    }
    MAT_Random& Random() { return m_simulation->random; }
};

TEST_F(EscortTest, TheStationAndSpeedFollowTheEscortedBodysMotionAndDistance)
{
    // The escorted body at the origin facing +y; the station 10 along x, 5 up; the vessel d
    // behind the station along y.
    struct Case
    {
        bool moving;
        f32 d;
        bool plusVelocity;  // T = P + v, else P
        f32 speed;
    };
    const std::vector<Case> cases = {
        {true, 60.0f, true, 1.0f},  {true, 30.0f, true, 0.6f},   {true, 10.0f, false, 0.2f},
        {false, 60.0f, true, 1.0f}, {false, 40.0f, false, 0.6f}, {false, 10.0f, false, 0.0f},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.moving) + " " + std::to_string(k.d));
        Other* escorted = AddOther("leader", {0, 0, 0});
        escorted->velocity = k.moving ? MAT_Vector3(0, 2, 0) : MAT_Vector3(0, 0.05f, 0);
        const MAT_Vector3 station(10, 0, 5);
        EscortOwner* owner = AddVessel(station - MAT_Vector3(0, k.d, 0));
        owner->Send(NOD_Vessel_Escort::Create(escorted, MAT_Vector3(10, 0, 5), 0.0f));
        owner->Step();
        const MAT_Vector3 goal = owner->parts.avoider->m_goal;
        const MAT_Vector3 own = station - MAT_Vector3(0, k.d, 0);
        const MAT_Vector3 expected = !k.moving && k.d <= 25.0f ? own + MAT_Vector3(0, 1, 0)
                                     : k.plusVelocity          ? station + escorted->velocity
                                                               : station;
        EXPECT_NEAR(expected.x, goal.x, 1e-4f);
        EXPECT_NEAR(expected.y, goal.y, 1e-4f);
        EXPECT_NEAR(expected.z, goal.z, 1e-4f);
        // Straight ahead the speed is the top of the band: s x the top speed.
        EXPECT_NEAR(k.speed * owner->vessel.MovePV, owner->vessel.Translation.TargetVelocity[1], 1e-3f);
        EXPECT_EQ(Strings{}, owner->TakeSent());
        delete owner;
        delete escorted;
    }
}

TEST_F(EscortTest, TheFrameTurnsSmoothlyTowardsTheEscortedHeading)
{
    Other* escorted = AddOther("leader", {0, 0, 0});
    EscortOwner* owner = AddVessel({0, -100, 0});
    const MAT_Vector3 offset(30, 40, 0);  // |offset| 50: tau 4 s
    owner->Send(NOD_Vessel_Escort::Create(escorted, offset, 0.0f));
    MAT_Matrix34 turned;
    turned.SetPositionAngles({0, 0, 0}, MAT_Angle(1.5707964f), MAT_Angle(), MAT_Angle());
    escorted->SetTransform(SIM_GetSimulationClock().time, turned);
    owner->Step();
    // One step of first-order smoothing from the identity: w = 0.05 / 4.05.
    const f32 w = 0.05f / (4.0f + 0.05f);
    MAT_Matrix33 frame;
    frame.SetDiagonal(1.0f);
    for (s32 i = 0; i < 9; ++i)
        frame.m[i] = frame.m[i] + (turned.r.m[i] - frame.m[i]) * w;
    const MAT_Vector3 x = frame.GetX();
    const MAT_Vector3 y = frame.GetY();
    const MAT_Vector3 station(30 * x.x + 40 * y.x, 30 * x.y + 40 * y.y, 0);
    EXPECT_NEAR(station.x, owner->parts.avoider->m_goal.x, 1e-4f);
    EXPECT_NEAR(station.y, owner->parts.avoider->m_goal.y, 1e-4f);
    delete owner;
    delete escorted;
}

TEST_F(EscortTest, ReachedOncePerStartAndTheLossEndsIt)
{
    Other* escorted = AddOther("leader", {0, 0, 0});
    EscortOwner* owner = AddVessel({0, 0, 0});
    const std::string reached = std::to_string(NOD_Vessel_EscortPosReached::ID);
    owner->Send(NOD_Vessel_Escort::Create(escorted, MAT_Vector3(0, 10, 0), 50.0f));
    for (s32 i = 0; i < 5; ++i)
        owner->Step();
    EXPECT_EQ(Strings{reached}, owner->TakeSent());
    // A restart overrides and may report again.
    owner->Send(NOD_Vessel_Escort::Create(escorted, MAT_Vector3(0, 10, 0), 50.0f));
    owner->Step();
    EXPECT_EQ((Strings{std::to_string(NOD_Vessel_EscortOverride::ID), reached}), owner->TakeSent());

    // Gone: reported at the next step, which ends the escort; the targets stay.
    delete escorted;
    const MAT_Vector3 target = owner->vessel.Rotation.TargetPoint;
    owner->Step();
    EXPECT_EQ(Strings{std::to_string(NOD_Vessel_EscortObjectLost::ID)}, owner->TakeSent());
    EXPECT_EQ(nullptr, owner->actions.GetCurrent());
    EXPECT_EQ(target, owner->vessel.Rotation.TargetPoint);

    // No body at all: accepted, lost at the first step.
    NOD_Position* spot = AddPosition("spot", {});
    owner->Send(NOD_Vessel_Escort::Create(spot, MAT_Vector3(), 1.0f));
    owner->Step();
    EXPECT_EQ(Strings{std::to_string(NOD_Vessel_EscortObjectLost::ID)}, owner->TakeSent());
    delete owner;
}

TEST_F(EscortTest, BadEscapeStartsAreLoggedAndAbandoned)
{
    AddPosition("home", {500, 0, 0});
    AddOther("blind", {0, 0, 0});
    struct Case
    {
        const char* position;
        const char* enemy;
        const char* line;
    };
    const std::vector<Case> cases = {
        {"/none", "", "Node /none is not a node in BHV_Vessel_A_EscapeTo::ProcessMessage"},
        {"/blind", "", "Node /blind is not a position node in BHV_Vessel_A_EscapeTo::ProcessMessage"},
        {"/home", "/ghost", "Node /ghost is not a node in BHV_Vessel_A_EscapeTo::ProcessMessage"},
        {"/home", "/home", "Node /home is not a body node in BHV_Vessel_A_EscapeTo::ProcessMessage"},
        {"/home", "/blind", "Body /blind ca not be esacped from in BHV_Vessel_A_EscapeTo::ProcessMessage"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.line);
        EscortOwner* owner = AddVessel({0, 0, 0});
        owner->Send(EscapeTo(k.position, 100.0f, 10.0f, 0.5f, 10.0f, 1.0f, 0.0f, 1.0f, "", k.enemy));
        EXPECT_TRUE(Logged(k.line));
        owner->Step();
        EXPECT_EQ(nullptr, owner->actions.GetCurrent());
        EXPECT_EQ(Strings{}, owner->TakeSent());
        // The override goes out even for a start that never ran.
        owner->Send(EscapeTo(k.position, 100.0f, 10.0f, 0.5f, 10.0f));
        owner->Send(NOD_Vessel_Stop::Create((u8)0));
        EXPECT_EQ(Strings{std::to_string(NOD_Vessel_EscapeToPositionOverride::ID)}, owner->TakeSent());
        delete owner;
    }
}

TEST_F(EscortTest, LegsFollowTheDrawOrder)
{
    AddPosition("far", {1000, 0, 0});
    AddPosition("near", {150, 0, 0});
    EscortOwner* owner = AddVessel({0, 0, 0});
    // Far: an ordinary leg, L then r1 to r3 then the turn.
    MAT_Random expected = Random();
    owner->Send(EscapeTo("/far", 100.0f, 10.0f, 0.5f, 10.0f));
    const f32 length = expected.Gaussian(100.0f, 10.0f);
    MAT_Vector3 r;
    r.x = (f32)(expected.Next() * MAT_RANDOM_SIGNED_TEN - 10.0);
    r.y = (f32)(expected.Next() * MAT_RANDOM_SIGNED_TEN - 10.0);
    r.z = (f32)(expected.Next() * MAT_RANDOM_SIGNED_TEN - 10.0);
    MAT_Angle theta;
    theta = MAT_WrapAngle(expected.Gaussian(0.0f, 0.34906584f));
    const MAT_Vector3 u(1, 0, 0);
    MAT_Matrix33 turn;
    turn.FromAxisAngle(theta, r - u * r.Dot(u));
    const MAT_Vector3 goal = turn.Transform(u) * length;
    EXPECT_EQ(expected.Next(), Random().Next());
    EXPECT_NEAR(goal.x, owner->escape.GetGoal().x, 1e-3f);
    EXPECT_NEAR(goal.y, owner->escape.GetGoal().y, 1e-3f);
    EXPECT_NEAR(goal.z, owner->escape.GetGoal().z, 1e-3f);
    EXPECT_EQ(0, owner->escape.IsFinalLeg());
    EXPECT_EQ(owner->escape.GetGoal(), owner->parts.avoider->m_goal);

    // Near (closer than twice the mean): the final leg at once, after one draw.
    expected = Random();
    owner->Send(EscapeTo("/near", 100.0f, 10.0f, 0.5f, 10.0f));
    expected.Gaussian(0.0f, 0.0f);
    EXPECT_EQ(expected.Next(), Random().Next());
    EXPECT_EQ(MAT_Vector3(150, 0, 0), owner->escape.GetGoal());
    EXPECT_EQ(1, owner->escape.IsFinalLeg());
    delete owner;
}

TEST_F(EscortTest, BreakAwaysWeighImpactAndRatio)
{
    // The threat faces +y: its first axis is +x, its third +z. The target lies far along +y.
    AddPosition("far", {0, 5000, 0});
    Other* threat = AddOther("threat", {0, -50, 0});
    struct Case
    {
        f32 impact;
        f32 ratio;
        MAT_Vector3 axis;  // the break-away direction lies along it (either sense)
    };
    const std::vector<Case> cases = {
        {0.0f, 0.3f, {0, 1, 0}},   // straight for the target
        {1.0f, 1.0f, {0, 0, 1}},   // only the third axis
        {1.0f, -1.0f, {1, 0, 0}},  // only the first axis
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.impact + k.ratio);
        EscortOwner* owner = AddVessel({0, 0, 0});
        owner->Send(EscapeTo("/far", 100.0f, 10.0f, k.impact, 10.0f, 1.0f, k.ratio, 2.0f));
        MAT_Random expected = Random();
        owner->escape.EscapeFrom(threat);
        const f32 length = expected.Gaussian(100.0f, 10.0f) * 2.0f;
        const MAT_Vector3 goal = owner->escape.GetGoal();
        EXPECT_NEAR(length, goal.Length(), 1e-3f);
        EXPECT_NEAR(length, std::fabs(goal.Dot(k.axis)), 1e-2f);
        EXPECT_EQ(0, owner->escape.IsFinalLeg());
        delete owner;
    }
    delete threat;
}

TEST_F(EscortTest, ZeroLengthDirectionsGiveFiniteGoals)
{
    // On the destination with legs of mean 0: no direction to the target at all.
    AddPosition("here", {20, 30, 40});
    Other* threat = AddOther("threat", {0, 0, 0});
    EscortOwner* owner = AddVessel({20, 30, 40});
    owner->Send(EscapeTo("/here", 0.0f, 0.0f, 0.5f, 10.0f));
    EXPECT_TRUE(std::isfinite(owner->escape.GetGoal().Length()));
    owner->escape.EscapeFrom(threat);
    EXPECT_TRUE(std::isfinite(owner->escape.GetGoal().Length()));
    owner->Step();
    EXPECT_TRUE(std::isfinite(owner->vessel.Rotation.TargetPoint.Length()));
    delete owner;
    delete threat;
}

TEST_F(EscortTest, AHitStartsABreakAwayAtMostOnceInEighteenSteps)
{
    AddPosition("far", {0, 5000, 0});
    Other* shooter = AddOther("shooter", {0, -100, 0});
    Other* projectile = AddOther("shot", {0, -1, 0});
    projectile->shooter = shooter;
    EscortOwner* owner = AddVessel({0, 0, 0});
    COD_PhysicalShotHits& hits = owner->Physical().m_shotHits;
    if (hits.capacity == 0)
        hits.Allocate(4);
    owner->Send(EscapeTo("/far", 100.0f, 10.0f, 0.5f, 1000.0f));
    std::vector<s32> counted;
    for (s32 step = 0; step < 40; ++step) {
        hits.count = 0;
        hits.Record(0.5f, projectile, {0, 0, 0}, 0);
        const f32 before = owner->escape.GetHitCooldown();
        owner->Step();
        if (owner->escape.GetHitCooldown() > before)
            counted.push_back(step);
    }
    EXPECT_EQ((std::vector<s32>{0, 18, 36}), counted);

    // A projectile nobody fired names no threat: the vessel runs an ordinary leg.
    projectile->shooter = nullptr;
    for (s32 step = 0; step < 20; ++step) {
        hits.count = 0;
        hits.Record(0.5f, projectile, {0, 0, 0}, 0);
        owner->Step();
    }
    EXPECT_EQ(0, owner->escape.IsEscaping());
    hits.count = 0;
    delete owner;
    delete projectile;
    delete shooter;
}

TEST_F(EscortTest, TheFinalLegEndsWithTheArrival)
{
    AddPosition("near", {0, 120, 0});
    EscortOwner* owner = AddVessel({0, 0, 0});
    owner->Send(EscapeTo("/near", 100.0f, 10.0f, 0.5f, 1000.0f));
    ASSERT_EQ(1, owner->escape.IsFinalLeg());
    s32 steps = 0;
    while (owner->actions.GetCurrent() != nullptr && steps < 4000) {
        owner->Step();
        ++steps;
    }
    EXPECT_LT(steps, 4000);
    EXPECT_EQ(Strings{std::to_string(NOD_Vessel_EscapeToPositionFinished::ID)}, owner->TakeSent());
    EXPECT_GT(owner->vessel.State.frame.t.y, 60.0f);
    delete owner;
}

TEST_F(EscortTest, TheDescriptionSectionFeedsTheSimulatedStart)
{
    AddPosition("far", {1000, 0, 0});
    EscortOwner* owner = AddVessel({0, 0, 0});
    // Without a section the legs have length 0, and the start says so.
    owner->Send(NOD_Vessel_EscapeToPosSim::Create(SIM_Path("/far"), SIM_Path(""), SIM_Path(""), SIM_Path("")));
    EXPECT_TRUE(Logged("Vessel owner has no EscapeBehaviour section"));
    EXPECT_NEAR(0.0f, owner->escape.GetGoal().Length(), 1e-4f);

    TOOL_EscapeSection section;
    section.meanDist = 80.0f;
    section.devDist = 5.0f;
    TST_WithSection(m_dir, TOOL_EscapeSectionText(section), "EscapeBehaviour",
                    [&](DES_Section* _s) { owner->escape.ReadDataFrom(_s); });
    MAT_Random expected = Random();
    owner->Send(NOD_Vessel_EscapeToPosSim::Create(SIM_Path("/far"), SIM_Path(""), SIM_Path(""), SIM_Path("")));
    const f32 length = expected.Gaussian(80.0f, 5.0f);
    EXPECT_NEAR(length, owner->escape.GetGoal().Length(), 1e-3f);
    delete owner;

    // Broken sections stop the reader.
    for (const char* key : {"EscVelocity", "EscImpact"}) {
        SCOPED_TRACE(key);
        EscortOwner* broken = AddVessel({0, 0, 0});
        TOOL_EscapeSection missing;
        missing.omitKey = key;
        TST_WithSection(m_dir, TOOL_EscapeSectionText(missing), "EscapeBehaviour", [&](DES_Section* _s) {
            EXPECT_FATAL(broken->escape.ReadDataFrom(_s), "DesFile Error",
                         (std::string("data \"") + key + "\" not found in file \"obj.des\"").c_str());
        });
        TOOL_EscapeSection mistyped;
        mistyped.mistypedKey = key;
        TST_WithSection(m_dir, TOOL_EscapeSectionText(mistyped), "EscapeBehaviour", [&](DES_Section* _s) {
            EXPECT_FATAL(broken->escape.ReadDataFrom(_s), "DesFile Error",
                         (std::string("data \"") + key + "\" in file \"obj.des\" has wrong type").c_str());
        });
        delete broken;
    }
}
}  // namespace
