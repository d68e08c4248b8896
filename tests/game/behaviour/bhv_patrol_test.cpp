// The patrols on fake owners: goals against the draw order on a copy of the driver's generator
// (distance, direction unless on the far edge, height), the far edge, the arc clamp, ten tries,
// the body on the area's centre, goals without ground under them, timed patrols, parking.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "bhv_move_fixture.h"
#include "bhv_requests.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "mat_angle.h"
#include "mat_random.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"

namespace
{
using Strings = std::vector<std::string>;

class PatrolTest : public TST_MoveScene
{
protected:
    ~PatrolTest() override { m_simulation->terrainCell->terrain = nullptr; }

    MAT_Random& Random() { return m_simulation->random; }
    // The owner's size: the radius of its hull tree's root sphere.
    static f32 Size(TST_MoveOwner* _owner) { return _owner->Physical().GetRootRadius(); }
    // A flat terrain at height _height over (0..512, 0..512).
    void FlatTerrain(f32 _height)
    {
        TST_BuildTerrain(m_terrain, 2, 17, {0, 0, _height}, {16.0f, 16.0f, 1.0f}, [](s32, s32) { return (u16)0; });
        m_simulation->terrainCell->terrain = &m_terrain;
    }
    static NOD_Message* VesselPatrol(f32 _height, f32 _heightDeviation, f32 _distance, f32 _distanceDeviation,
                                     f32 _direction, f32 _legTime = 10.0f, f32 _duration = 0.0f, f32 _speed = 1.0f)
    {
        return NOD_Vessel_Patrol::Create(SIM_Path("/area"), _height, _heightDeviation, _distance, _distanceDeviation,
                                         _direction, _legTime, _duration, _speed);
    }

    MRT_Terrain m_terrain;
};

TEST_F(PatrolTest, VesselGoalsFollowTheDrawOrder)
{
    // Area centre (0, 0, 100), radius 200, band 100-20 .. 100+40.
    struct Case
    {
        const char* what;
        MAT_Vector3 body;
        f32 heading;
        f32 distance;   // mean, in radii; deviation 0.1 radii
        f32 direction;  // deviation, degrees
        bool farEdge;
    };
    const std::vector<Case> cases = {
        {"inside, ahead", {20, 10, 100}, 0.3f, 0.3f, 20.0f, false},
        {"inside, wrapped", {-30, 5, 100}, 3.1f, 0.2f, 40.0f, false},
        {"outside, far edge", {900, 0, 100}, 0.0f, 10.0f, 20.0f, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL, k.body, k.heading);
        NOD_PatrolArea* area = AddArea("area", {0, 0, 100}, 200.0f, -20.0f, 40.0f);
        const f32 heading = owner->vessel.State.rotation[MOT_MotionState::HEADING].angle.Get();
        MAT_Random expected = Random();
        owner->Send(VesselPatrol(0.5f, 0.25f, k.distance, 0.1f, k.direction));

        const f32 d = std::max(0.0f, expected.Gaussian(k.distance * 200.0f, 0.1f * 200.0f));
        MAT_Vector3 goal;
        if (k.farEdge) {
            const MAT_Vector3 u = MAT_Vector3(-k.body.x, -k.body.y, 0).GetNormalized();
            goal = MAT_Vector3(u.x * 200.0f, u.y * 200.0f, 0);
        } else {
            const f32 a = MAT_WrapAngle(expected.Gaussian(heading, k.direction * 0.017453292f));
            goal = MAT_Vector3(k.body.x + d * std::cos(a), k.body.y + d * std::sin(a), 0);
        }
        // mean ((140 - 80) x 0.5 + 140 + 80) / 2 = 125, deviation 0.25 x 30.
        goal.z = std::min(140.0f, std::max(80.0f, expected.Gaussian(125.0f, 7.5f)));
        const MAT_Vector3 got = owner->parts.avoider->m_goal;
        EXPECT_NEAR(goal.x, got.x, 1e-3f);
        EXPECT_NEAR(goal.y, got.y, 1e-3f);
        EXPECT_EQ(goal.z, got.z);
        // The generator went exactly as far as the transcription.
        EXPECT_EQ(expected.Next(), Random().Next());
        delete owner;
        delete area;
    }
}

TEST_F(PatrolTest, GoalsStayInsideTheAreaWhereTheirCircleLeavesIt)
{
    // Near the edge, with goals far enough to leave the area straight ahead: the direction is
    // folded back and clamped to the arc inside.
    TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL, {90, 0, 0}, 0.0f);
    NOD_PatrolArea* area = AddArea("area", {0, 0, 0}, 100.0f, -10.0f, 10.0f);
    for (s32 i = 0; i < 50; ++i) {
        owner->Send(VesselPatrol(0.0f, 0.0f, 0.9f, 0.2f, 90.0f));
        const MAT_Vector3 goal = owner->parts.avoider->m_goal;
        EXPECT_LE(std::sqrt(goal.x * goal.x + goal.y * goal.y), 100.0f + 1e-3f) << i;
    }
    delete owner;
    delete area;
}

TEST_F(PatrolTest, ABodyOnTheCentreDrawsAFiniteGoal)
{
    // Drawn farther than the area reaches: the far edge along a direction of length 0.
    for (TST_MoveKind kind : {TST_MOVE_VESSEL, TST_MOVE_VEHICLE}) {
        SCOPED_TRACE(kind);
        TST_MoveOwner* owner = AddOwner(kind, {30, 40, 0});
        NOD_PatrolArea* area = AddArea("area", {30, 40, 0}, 50.0f, -5.0f, 5.0f);
        owner->Send(kind == TST_MOVE_VESSEL
                        ? VesselPatrol(0.0f, 0.0f, 3.0f, 0.0f, 10.0f)
                        : NOD_Vehicle_Patrol::Create(SIM_Path("/area"), 3.0f, 0.0f, 10.0f, 10.0f, 0.0f));
        const MAT_Vector3 goal = owner->parts.avoider->m_goal;
        EXPECT_EQ(30.0f, goal.x);
        EXPECT_EQ(40.0f, goal.y);
        EXPECT_TRUE(std::isfinite(goal.z));
        owner->Step();
        EXPECT_TRUE(std::isfinite(owner->vessel.Rotation.TargetPoint.x + owner->vehicle.Rotation.TargetPoint.x));
        delete owner;
        delete area;
    }
}

TEST_F(PatrolTest, GroundLiftsGoalsAndTenInvalidDrawsKeepTheLast)
{
    // The ground at 500 lies above the band (-10 .. 10): every draw is lifted out of the band.
    FlatTerrain(500.0f);
    TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL, {200, 200, 0});
    NOD_PatrolArea* area = AddArea("area", {200, 200, 0}, 100.0f, -10.0f, 10.0f);
    MAT_Random expected = Random();
    owner->Send(VesselPatrol(0.0f, 0.5f, 0.3f, 0.1f, 30.0f));
    for (s32 i = 0; i < 10; ++i) {
        expected.Gaussian(0.0f, 0.0f);  // distance
        expected.Gaussian(0.0f, 0.0f);  // direction
        expected.Gaussian(0.0f, 0.0f);  // height
    }
    EXPECT_EQ(expected.Next(), Random().Next());
    EXPECT_EQ(500.0f + Size(owner), owner->parts.avoider->m_goal.z);

    // Ground inside the band lifts a low goal to it and the goal is valid at once.
    FlatTerrain(5.0f - Size(owner));
    expected = Random();
    owner->Send(VesselPatrol(-1.0f, 0.0f, 0.3f, 0.1f, 30.0f));
    for (s32 i = 0; i < 3; ++i)
        expected.Gaussian(0.0f, 0.0f);
    EXPECT_EQ(expected.Next(), Random().Next());
    EXPECT_NEAR(5.0f, owner->parts.avoider->m_goal.z, 1e-4f);
    delete owner;
    delete area;
}

TEST_F(PatrolTest, NoGroundNoLift)
{
    // Off the terrain's grid, and before any terrain: the goal keeps its height in the band.
    for (bool terrain : {true, false}) {
        SCOPED_TRACE(terrain);
        if (terrain)
            FlatTerrain(0.0f);
        TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL, {-5000, -5000, 0});
        NOD_PatrolArea* area = AddArea("area", {-5000, -5000, 0}, 100.0f, -10.0f, 10.0f);
        MAT_Random expected = Random();
        owner->Send(VesselPatrol(0.0f, 0.5f, 0.3f, 0.1f, 30.0f));
        for (s32 i = 0; i < 3; ++i)
            expected.Gaussian(0.0f, 0.0f);
        EXPECT_EQ(expected.Next(), Random().Next());  // valid at the first draw
        const f32 z = owner->parts.avoider->m_goal.z;
        EXPECT_GE(z, -10.0f);
        EXPECT_LE(z, 10.0f);
        delete owner;
        delete area;
        m_simulation->terrainCell->terrain = nullptr;
    }
}

TEST_F(PatrolTest, VehicleGoalsKeepTheVehiclesHeightAndAreNotWrapped)
{
    TST_MoveOwner* owner = AddOwner(TST_MOVE_VEHICLE, {10, 0, 7}, 3.1f);
    NOD_PatrolArea* area = AddArea("area", {0, 0, 0}, 1000.0f, 0.0f, 0.0f);
    const f32 heading = owner->vehicle.State.rotation[MOT_MotionState::HEADING].angle.Get();
    MAT_Random expected = Random();
    owner->Send(NOD_Vehicle_Patrol::Create(SIM_Path("/area"), 0.1f, 0.01f, 60.0f, 10.0f, 0.0f));
    const f32 d = expected.Gaussian(100.0f, 10.0f);
    const f32 a = expected.Gaussian(heading, 60.0f * 0.017453292f);
    EXPECT_EQ(expected.Next(), Random().Next());
    const MAT_Vector3 goal = owner->parts.avoider->m_goal;
    EXPECT_NEAR(10.0f + d * std::cos(a), goal.x, 1e-3f);
    EXPECT_NEAR(d * std::sin(a), goal.y, 1e-3f);
    EXPECT_EQ(7.0f, goal.z);  // the body's height at the next step, at rest
    delete owner;
    delete area;
}

TEST_F(PatrolTest, BadAreasAreLoggedAndTheBehaviourLeavesAtItsNextStep)
{
    NOD_Position* lone = new NOD_Position();
    lone->SetName("lone");
    m_root->AddSon(lone);
    struct Case
    {
        TST_MoveKind kind;
        NOD_Message* start;
        const char* line;
    };
    const std::vector<Case> cases = {
        {TST_MOVE_VESSEL, NOD_Vessel_Patrol::Create(SIM_Path("/none"), 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f),
         "Patrol /none is not a node in BHV_Vessel_A_Patrol::PM_PatrolStart"},
        {TST_MOVE_VESSEL, NOD_Vessel_Patrol::Create(SIM_Path("/lone"), 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f),
         "Patrol /lone is not a patrol node in BHV_Vessel_A_Patrol::PM_PatrolStart"},
        {TST_MOVE_VEHICLE, NOD_Vehicle_Patrol::Create(SIM_Path("/none"), 0.f, 0.f, 0.f, 0.f, 0.f),
         "Patrol /none is not a node in BHV_Vehicle_A_Patrol::PM_PatrolStart"},
        {TST_MOVE_VEHICLE, NOD_Vehicle_Patrol::Create(SIM_Path("/lone"), 0.f, 0.f, 0.f, 0.f, 0.f),
         "Patrol /lone is not a patrol node in BHV_Vehicle_A_Patrol::PM_PatrolStart"},
        {TST_MOVE_VEHICLE, NOD_Vehicle_ParkPatrol::Create(SIM_Path("/none")),
         "Patrol /none is not a node in BHV_Vehicle_A_PatrolPark::PM_PatrolParkStart"},
        {TST_MOVE_VEHICLE, NOD_Vehicle_ParkPatrol::Create(SIM_Path("/lone")),
         "Patrol /lone is not a patrol node in BHV_Vehicle_A_PatrolPark::PM_PatrolParkStart"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.line);
        TST_MoveOwner* owner = AddOwner(k.kind);
        owner->Send(k.start);
        EXPECT_TRUE(Logged(k.line));
        EXPECT_NE(nullptr, owner->actions.GetCurrent());
        owner->Step();
        EXPECT_EQ(nullptr, owner->actions.GetCurrent());
        EXPECT_EQ(Strings{}, owner->TakeSent());
        delete owner;
    }
}

TEST_F(PatrolTest, TimedPatrolsFinishOnceTheirTimeIsPastAndInterruptionsOverride)
{
    // Patrol time counts in f32 steps of 0.05 s; the patrol finishes at the first step that
    // finds it above the duration. A duration of 0 never finishes.
    for (f32 duration : {0.0f, 0.2f, 0.35f, 1.0f}) {
        SCOPED_TRACE(duration);
        for (TST_MoveKind kind : {TST_MOVE_VESSEL, TST_MOVE_VEHICLE}) {
            TST_MoveOwner* owner = AddOwner(kind, {0, 0, 0});
            NOD_PatrolArea* area = AddArea("area", {0, 0, 0}, 500.0f, -10.0f, 10.0f);
            owner->Send(kind == TST_MOVE_VESSEL
                            ? VesselPatrol(0.0f, 0.0f, 0.5f, 0.1f, 20.0f, 1.0f, duration)
                            : NOD_Vehicle_Patrol::Create(SIM_Path("/area"), 0.5f, 0.1f, 20.0f, 1.0f, duration));
            s32 expectedSteps = 0;
            f32 time = 0.0f;
            while (!(time > duration)) {
                time += 0.05f;
                ++expectedSteps;
            }
            ++expectedSteps;  // the step that finds the time past
            s32 steps = 0;
            while (owner->actions.GetCurrent() != nullptr && steps < 100) {
                owner->Step();
                ++steps;
            }
            const u32 finished =
                kind == TST_MOVE_VESSEL ? (u32)NOD_Vessel_PatrolFinished::ID : (u32)NOD_Vehicle_PatrolFinished::ID;
            const u32 override =
                kind == TST_MOVE_VESSEL ? (u32)NOD_Vessel_PatrolOverride::ID : (u32)NOD_Vehicle_PatrolOverride::ID;
            if (duration > 0.0f) {
                EXPECT_EQ(expectedSteps, steps);
                EXPECT_EQ(Strings{std::to_string(finished)}, owner->TakeSent());
            } else {
                EXPECT_EQ(100, steps);
                owner->Send(kind == TST_MOVE_VESSEL ? NOD_Vessel_Stop::Create((u8)0) : NOD_Vehicle_Stop::Create());
                EXPECT_EQ(Strings{std::to_string(override)}, owner->TakeSent());
            }
            delete owner;
            delete area;
        }
    }
}

TEST_F(PatrolTest, PatrolsDriveToTheirGoalsAndDrawNewOnes)
{
    // Legs end at the goal or when too long: the goals change, the body keeps inside the area.
    for (TST_MoveKind kind : {TST_MOVE_VESSEL, TST_MOVE_VEHICLE}) {
        SCOPED_TRACE(kind);
        TST_MoveOwner* owner = AddOwner(kind, {0, 0, 0});
        NOD_PatrolArea* area = AddArea("area", {0, 0, 0}, 150.0f, -10.0f, 10.0f);
        owner->Send(kind == TST_MOVE_VESSEL
                        ? VesselPatrol(0.0f, 0.2f, 0.5f, 0.2f, 45.0f, 30.0f)
                        : NOD_Vehicle_Patrol::Create(SIM_Path("/area"), 0.5f, 0.2f, 45.0f, 30.0f, 0.0f));
        std::vector<MAT_Vector3> goals{owner->parts.avoider->m_goal};
        for (s32 i = 0; i < 3000; ++i) {
            owner->Step();
            if (!(owner->parts.avoider->m_goal == goals.back()))
                goals.push_back(owner->parts.avoider->m_goal);
        }
        EXPECT_GE(goals.size(), 4u);
        const MAT_Vector3 p = owner->Model().State.frame.t;
        EXPECT_LT(std::sqrt(p.x * p.x + p.y * p.y), 150.0f + 30.0f);
        delete owner;
        delete area;
    }
}

TEST_F(PatrolTest, TheParkPatrolDrawsAPointOfTheDiscAndParksThere)
{
    TST_MoveOwner* owner = AddOwner(TST_MOVE_VEHICLE, {0, 0, 3});
    NOD_PatrolArea* area = AddArea("area", {100, 50, 0}, 80.0f, 0.0f, 0.0f);
    MAT_Random expected = Random();
    owner->Send(NOD_Vehicle_ParkPatrol::Create(SIM_Path("/area")));
    f32 x = 0.0f;
    f32 y = 0.0f;
    do {
        x = (f32)(expected.Next() * MAT_RANDOM_SIGNED - 1.0);
        y = (f32)(expected.Next() * MAT_RANDOM_SIGNED - 1.0);
    } while (x * x + y * y > 1.0f);
    EXPECT_EQ(expected.Next(), Random().Next());
    const MAT_Vector3 goal = owner->parts.avoider->m_goal;
    EXPECT_EQ(100.0f + 80.0f * x, goal.x);
    EXPECT_EQ(50.0f + 80.0f * y, goal.y);
    EXPECT_EQ(3.0f, goal.z);

    s32 steps = 0;
    while (owner->actions.GetCurrent() != nullptr && steps < 4000) {
        owner->Step();
        ++steps;
    }
    EXPECT_LT(steps, 4000);
    EXPECT_EQ(Strings{std::to_string(NOD_Vehicle_ParkPatrolFinished::ID)}, owner->TakeSent());
    // Parked: braked on every axis.
    EXPECT_EQ(7u, owner->vehicle.Translation.VelocityModeMask & 7u);
    EXPECT_EQ(0x38u, owner->vehicle.Rotation.RateTargetMask);
    EXPECT_LE(BHV_HorizontalDistance(owner->vehicle, goal), std::max(3.0f * Size(owner), 25.0f) + 1.0f);
    delete owner;
    delete area;
}

TEST_F(PatrolTest, AContactInsideTheAreaParksAtOnceOutsideItDoesNot)
{
    for (bool inside : {true, false}) {
        SCOPED_TRACE(inside);
        TST_MoveOwner* owner = AddOwner(TST_MOVE_VEHICLE, {inside ? 60.0f : 300.0f, 0, 0});
        NOD_PatrolArea* area = AddArea("area", {0, 0, 0}, 100.0f, 0.0f, 0.0f);
        owner->Send(NOD_Vehicle_ParkPatrol::Create(SIM_Path("/area")));
        owner->Step();
        owner->Physical().m_contactFlag = 1;
        owner->Step();
        EXPECT_EQ(inside ? Strings{std::to_string(NOD_Vehicle_ParkPatrolFinished::ID)} : Strings{}, owner->TakeSent());
        EXPECT_EQ(inside, owner->actions.GetCurrent() == nullptr);
        if (!inside) {
            owner->Send(NOD_Vehicle_Stop::Create());
            EXPECT_EQ(Strings{std::to_string(NOD_Vehicle_ParkPatrolOverride::ID)}, owner->TakeSent());
        }
        delete owner;
        delete area;
    }
}
}  // namespace
