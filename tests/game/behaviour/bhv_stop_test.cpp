// The stop and sink behaviours on fake owners: what each start leaves in the motion
// controller, the log lines, the sinking stop's mode and acceleration, the sink's ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bhv_move_fixture.h"
#include "cod_physical.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"

namespace
{
using Strings = std::vector<std::string>;

class StopTest : public TST_MoveScene
{
protected:
    // A controller with every request on, as a steering behaviour leaves it.
    static void Busy(MOT_Model& _model)
    {
        _model.Translation.PositionModeMask = 0x40;
        _model.Translation.VelocityModeMask = 2;
        _model.Translation.TargetVelocity[1] = 9.0f;
        _model.Rotation.PointTargetMask = 0x18;
        _model.Rotation.AngleTargetMask = 0x20;
        _model.Rotation.RateTargetMask = 0;
        _model.Rotation.TargetPoint = MAT_Vector3(1, 2, 3);
    }
    struct Masks
    {
        u32 position, velocity, point, angle, rate;
        bool operator==(const Masks&) const = default;
    };
    static Masks MasksOf(const MOT_Model& _model)
    {
        return {_model.Translation.PositionModeMask, _model.Translation.VelocityModeMask,
                _model.Rotation.PointTargetMask, _model.Rotation.AngleTargetMask, _model.Rotation.RateTargetMask};
    }
};

TEST_F(StopTest, VesselStopsReleaseBrakeOrRefuse)
{
    struct Case
    {
        u8 status;
        Masks masks;
        const char* line;
    };
    const std::vector<Case> cases = {
        {0, {0, 0, 0, 0, 0}, nullptr},
        {1, {0, 7, 0, 0, 0x38}, nullptr},
        {2, {0x40, 2, 0x18, 0x20, 0}, "Unknown activation status 2 in Vessel_StopStart"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.status);
        TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL);
        Busy(owner->vessel);
        owner->Send(NOD_Vessel_Stop::Create(k.status));
        EXPECT_EQ(k.masks, MasksOf(owner->vessel));
        if (k.status == 1) {
            for (s32 i = 0; i < 3; ++i) {
                EXPECT_EQ(0.0f, owner->vessel.Translation.TargetVelocity[i]);
                EXPECT_EQ(0.0f, owner->vessel.Rotation.TargetRate[i]);
            }
        }
        if (k.line != nullptr) {
            EXPECT_TRUE(Logged(k.line));
        }
        // One-shot: gone at the next step, without a word, also when interrupted.
        owner->Step();
        EXPECT_EQ(nullptr, owner->actions.GetCurrent());
        owner->Send(NOD_Vessel_Stop::Create((u8)0));
        owner->Send(NOD_Vessel_Stop::Create((u8)0));
        EXPECT_EQ(Strings{}, owner->TakeSent());
        delete owner;
    }
}

TEST_F(StopTest, AReleasedVesselDriftsABrakedOneStops)
{
    for (u8 status : {(u8)0, (u8)1}) {
        SCOPED_TRACE(status);
        TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL);
        owner->vessel.Friction.flags = 0;
        owner->vessel.State.SetVelocity({0, 10, 0});
        owner->Send(NOD_Vessel_Stop::Create(status));
        for (s32 i = 0; i < 200; ++i)
            owner->Step();
        const f32 speed = owner->vessel.State.GetVelocity().Length();
        if (status == 0) {
            EXPECT_NEAR(10.0f, speed, 1e-3f);
        } else {
            EXPECT_LT(speed, 0.1f);
        }
        delete owner;
    }
}

TEST_F(StopTest, StopWithHeadingFacesThePositionOrTheOrigin)
{
    AddPath("route", {{50, 60, 70}});
    NOD_Node* stray = new NOD_Node();
    stray->SetName("stray");
    m_root->Find(SIM_Path("/route"))->AddSon(stray);
    struct Case
    {
        const char* path;
        const char* name;
        MAT_Vector3 point;
        const char* line;
        bool changes;
    };
    const std::vector<Case> cases = {
        {"/route", "P0", {50, 60, 70}, nullptr, true},
        {"/route",
         "px",
         {0, 0, 0},
         "Node px as position node in BHV_Vessel_A_Stop::PM_StopStartWithHeading not found",
         true},
        {"/route",
         "stray",
         {0, 0, 0},
         "Node stray is not a position node in  BHV_Vessel_A_Stop::PM_StopStartWithHeading",
         true},
        {"/none", "p0", {}, "Path /none is not a node in BHV_Vessel_A_Stop::PM_StopStartWithHeading", false},
        {"/route/p0",
         "p0",
         {},
         "Path /route/p0 is not a path node in BHV_Vessel_A_Stop::PM_StopStartWithHeading",
         false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL);
        Busy(owner->vessel);
        owner->Send(NOD_Vessel_StopWithHeading::Create(SIM_Path(k.path), SIM_Name(k.name)));
        if (k.changes) {
            // Linear axes braked, heading and pitch turned to the point, nothing else.
            EXPECT_EQ((Masks{0x40, 7, 0x18, 0, 0}), MasksOf(owner->vessel));
            EXPECT_EQ(k.point, owner->vessel.Rotation.TargetPoint);
            EXPECT_EQ(0.0f, owner->vessel.Translation.TargetVelocity[1]);
        } else {
            EXPECT_EQ((Masks{0x40, 2, 0x18, 0x20, 0}), MasksOf(owner->vessel));
        }
        if (k.line != nullptr) {
            EXPECT_TRUE(Logged(k.line));
        }
        delete owner;
    }
}

TEST_F(StopTest, TheSinkingStopPushesDownUntilInterruptedAndPutsTheModeBack)
{
    for (u32 regime : {0u, 1u}) {
        SCOPED_TRACE(regime);
        TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL);
        owner->vessel.State.regime = regime;
        owner->Send(NOD_Vessel_StopWithSinking::Create(2.0f));
        EXPECT_EQ(1u, owner->vessel.State.regime);
        EXPECT_EQ((Masks{0, 0, 0, 0, 0}), MasksOf(owner->vessel));
        owner->vessel.ControlStep(SIM_GetSimulationClock());
        const f32 before = owner->vessel.State.translation[2].acceleration;
        EXPECT_EQ(1, owner->vesselStop.Handle());
        EXPECT_EQ(before - 2.0f, owner->vessel.State.translation[2].acceleration);
        for (s32 i = 0; i < 20; ++i)
            owner->Step();
        EXPECT_LT(owner->vessel.State.frame.t.z, -0.1f);
        EXPECT_EQ(&owner->vesselStop, owner->actions.GetCurrent());
        owner->Send(NOD_Vessel_Stop::Create((u8)1));
        EXPECT_EQ(regime, owner->vessel.State.regime);
        EXPECT_EQ(Strings{}, owner->TakeSent());
        delete owner;
    }
    // Rate 0: a plain release, gone at the next step, the mode untouched.
    TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL);
    Busy(owner->vessel);
    owner->Send(NOD_Vessel_StopWithSinking::Create(0.0f));
    EXPECT_EQ(0u, owner->vessel.State.regime);
    EXPECT_EQ((Masks{0, 0, 0, 0, 0}), MasksOf(owner->vessel));
    owner->Step();
    EXPECT_EQ(nullptr, owner->actions.GetCurrent());
    delete owner;
}

TEST_F(StopTest, TheVehicleStopBrakesOnce)
{
    TST_MoveOwner* owner = AddOwner(TST_MOVE_VEHICLE);
    Busy(owner->vehicle);
    owner->Send(NOD_Vehicle_Stop::Create());
    EXPECT_EQ((Masks{0, 7, 0, 0, 0x38}), MasksOf(owner->vehicle));
    owner->Step();
    EXPECT_EQ(nullptr, owner->actions.GetCurrent());
    EXPECT_EQ(Strings{}, owner->TakeSent());
    delete owner;
}

TEST_F(StopTest, SinksMoveToThePositionsHeightAndReport)
{
    struct Case
    {
        const char* what;
        f32 start;
        const char* position;  // "/deep" lies at -40
        s32 contactAt;         // the step with a contact, or -1
        std::string finished;
        f32 end;  // the height reached, within one step distance
    };
    const std::string done = std::to_string(NOD_Vessel_SinkFinished::ID);
    const std::vector<Case> cases = {
        {"down", 0.0f, "/deep", -1, done + " 0", -40.0f},
        {"up", -100.0f, "/deep", -1, done + " 0", -40.0f},
        {"within a step", -40.2f, "/deep", -1, done + " 0", -40.2f},
        {"touching", 0.0f, "/deep", 10, done + " 1", 0.0f},
        {"no position", 30.0f, "/none", -1, done + " 0", 0.0f},
    };
    NOD_Position* deep = new NOD_Position();
    deep->SetName("deep");
    deep->SetPosition({500, 500, -40});
    m_root->AddSon(deep);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL, {0, 0, k.start});
        owner->Send(NOD_Vessel_Sink::Create(SIM_Path(k.position), 0.25f));
        // Held attitude: heading kept, pitch and roll level.
        EXPECT_EQ(0x38u, owner->vessel.Rotation.AngleTargetMask);
        const f32 step = 0.25f * owner->vessel.GetMaxForwardSpeed() * SIM_STEP;
        s32 steps = 0;
        while (owner->actions.GetCurrent() != nullptr && steps < 2000) {
            owner->Physical().m_contactFlag = steps == k.contactAt ? 1 : 0;
            owner->Step();
            ++steps;
        }
        EXPECT_EQ(Strings{k.finished}, owner->TakeSent());
        if (k.contactAt >= 0) {
            EXPECT_EQ(k.contactAt + 1, steps);
        } else {
            EXPECT_NEAR(k.end, owner->vessel.State.frame.t.z, step + 0.5f);
        }
        if (std::string(k.what) == "within a step") {
            EXPECT_EQ(1, steps);
        }
        if (std::string(k.what) == "no position") {
            EXPECT_TRUE(Logged("Illegal position argument in SinkStart"));
        }
        // Finished: vertical speed 0 on the world's vertical axis alone.
        EXPECT_EQ(0x100u, owner->vessel.Translation.VelocityModeMask);
        EXPECT_EQ(0.0f, owner->vessel.Translation.TargetVelocity[2]);
        delete owner;
    }
}

TEST_F(StopTest, InterruptingASinkOverrides)
{
    TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL);
    owner->Send(NOD_Vessel_Sink::Create(SIM_Path("/none"), 0.25f));
    owner->Place({0, 0, 100});
    owner->Step();
    owner->Send(NOD_Vessel_Stop::Create((u8)1));
    EXPECT_EQ(Strings{std::to_string(NOD_Vessel_SinkOverride::ID)}, owner->TakeSent());
    delete owner;
}
}  // namespace

namespace
{
TEST_F(StopTest, ASinkingVesselTouchingTheGroundReportsTheContact)
{
    // Through the collision system: flat ground at 0, the target far below it.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 2, 17, {0, 0, 0}, {16.0f, 16.0f, 1.0f}, [](s32, s32) { return (u16)0; });
    m_simulation->terrainCell->terrain = &terrain;
    ConnectCollision();
    NOD_Position* deep = new NOD_Position();
    deep->SetName("deep");
    deep->SetPosition({200, 200, -300});
    m_root->AddSon(deep);
    TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL, {200, 200, 40});
    owner->EnterWorld();
    owner->Send(NOD_Vessel_Sink::Create(SIM_Path("/deep"), 0.5f));
    s32 steps = 0;
    while (owner->actions.GetCurrent() != nullptr && steps < 2000) {
        StepWorld({owner});
        ++steps;
    }
    EXPECT_LT(steps, 2000);
    EXPECT_EQ(Strings{std::to_string(NOD_Vessel_SinkFinished::ID) + " 1"}, owner->TakeSent());
    // Stopped by the ground, far above the target.
    EXPECT_GT(owner->vessel.State.frame.t.z, -30.0f);
    delete owner;
    m_simulation->terrainCell->terrain = nullptr;
}
}  // namespace
