// The go-to behaviours on fake owners: walks and their reports, the log lines of bad names,
// reaching targets by driving, the avoider's steering point, failed starts, paths cut or
// deleted under a walk, stops and restarts, per class.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "bhv_move_fixture.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"

namespace
{
using Strings = std::vector<std::string>;

// The message ids of one class, and its start forms built from their arguments.
struct GotoClass
{
    TST_MoveKind kind;
    const char* name;  // for traces
    u32 reached;
    u32 arrived;
    u32 override;
    std::function<NOD_Message*(const char* _path, const char* _from, const char* _to, s32 _form)> start;
};

const f32 SPEED = 0.5f;
const f32 REACH = 1.0f;

std::vector<GotoClass> Classes()
{
    return {
        {TST_MOVE_VESSEL, "vessel", NOD_Vessel_GotoPosReached::ID, NOD_Vessel_GotoArrived::ID,
         NOD_Vessel_GotoOverride::ID,
         [](const char* _path, const char* _from, const char* _to, s32 _form) -> NOD_Message* {
             if (_form == 0)
                 return NOD_Vessel_Goto::Create(SIM_Path(_path), SPEED, REACH);
             if (_form == 1)
                 return NOD_Vessel_GotoFromPosition::Create(SIM_Path(_path), SIM_Name(_from), SPEED, REACH);
             return NOD_Vessel_GotoFromTo::Create(SIM_Path(_path), SIM_Name(_from), SIM_Name(_to), SPEED, REACH);
         }},
        {TST_MOVE_VEHICLE, "vehicle", NOD_Vehicle_GotoPosReached::ID, NOD_Vehicle_GotoArrived::ID,
         NOD_Vehicle_GotoOverride::ID,
         [](const char* _path, const char* _from, const char* _to, s32 _form) -> NOD_Message* {
             if (_form == 0)
                 return NOD_Vehicle_Goto::Create(SIM_Path(_path), SPEED, REACH);
             if (_form == 1)
                 return NOD_Vehicle_GotoFromPosition::Create(SIM_Path(_path), SIM_Name(_from), SPEED, REACH);
             return NOD_Vehicle_GotoFromTo::Create(SIM_Path(_path), SIM_Name(_from), SIM_Name(_to), SPEED, REACH);
         }},
        {TST_MOVE_CHARACTER, "character", NOD_PhysicalCharacter_GotoPosReached::ID,
         NOD_PhysicalCharacter_GotoArrived::ID, NOD_PhysicalCharacter_GotoOverride::ID,
         [](const char* _path, const char* _from, const char* _to, s32 _form) -> NOD_Message* {
             if (_form == 0)
                 return NOD_PhysicalCharacter_GotoStart::Create(SIM_Path(_path), SPEED);
             if (_form == 1)
                 return NOD_PhysicalCharacter_GotoStartFromPosition::Create(SIM_Path(_path), SIM_Name(_from), SPEED);
             return NOD_PhysicalCharacter_GotoStartFromTo::Create(SIM_Path(_path), SIM_Name(_from), SIM_Name(_to),
                                                                  SPEED);
         }},
    };
}

std::string Reached(const GotoClass& _c, const char* _path, const char* _position)
{
    return std::to_string(_c.reached) + " " + _path + " " + _position;
}
std::string Arrived(const GotoClass& _c, const char* _path) { return std::to_string(_c.arrived) + " " + _path; }
std::string Override(const GotoClass& _c, const char* _path, const char* _before, const char* _target)
{
    return std::to_string(_c.override) + " " + _path + " " + _before + " " + _target;
}

class GotoTest : public TST_MoveScene
{
protected:
    // Steps until the slot drops the behaviour (at most _limit steps); the steps taken.
    static s32 RunOut(TST_MoveOwner* _owner, s32 _limit)
    {
        s32 steps = 0;
        while (_owner->actions.GetCurrent() != nullptr && steps < _limit) {
            _owner->Step();
            ++steps;
        }
        return steps;
    }
};

TEST_F(GotoTest, WalksReportEachPositionPassedThenTheArrival)
{
    // Positions so wide that each is reached in the step after it is taken: the reports show
    // the walk's order alone.
    struct Case
    {
        const char* what;
        s32 form;
        const char* from;
        const char* to;
        Strings positions;  // reported as reached, in order, before the arrival
        s32 steps;          // until the slot drops the behaviour
    };
    const std::vector<Case> cases = {
        {"whole", 0, "", "", {"p0", "p1"}, 7},
        {"from p1", 1, "p1", "", {"p1"}, 5},
        {"from-to forward", 2, "p0", "p2", {"p0", "p1"}, 7},
        {"from-to backward", 2, "p2", "p0", {"p2", "p1"}, 7},
        {"from-to one position", 2, "P1", "p1", {}, 3},
        {"from-to part", 2, "p2", "p1", {"p2"}, 5},
    };
    for (const GotoClass& c : Classes()) {
        for (const Case& k : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + k.what);
            TST_MoveOwner* owner = AddOwner(c.kind);
            NOD_Path* path = AddPath("route", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}, 1.0e6f);
            // The character's reach ignores the radii: its positions lie on the spot.
            if (c.kind == TST_MOVE_CHARACTER)
                path->SetName("route");
            EXPECT_EQ(nullptr, owner->Send(c.start("/route", k.from, k.to, k.form)));
            if (c.kind == TST_MOVE_CHARACTER) {
                for (s32 i = 0; i < 3; ++i)
                    NOD_Position::DynamicCast(path->GetSon(i))->SetPosition({0, 0, 0});
            }
            EXPECT_EQ(k.steps, RunOut(owner, 100));
            Strings expected;
            for (const std::string& p : k.positions)
                expected.push_back(Reached(c, "route", p.c_str()));
            expected.push_back(Arrived(c, "route"));
            EXPECT_EQ(expected, owner->TakeSent());
            delete owner;
            delete path;
        }
    }
}

TEST_F(GotoTest, AnEmptyPathArrivesAtTheFirstStep)
{
    for (const GotoClass& c : Classes()) {
        SCOPED_TRACE(c.name);
        TST_MoveOwner* owner = AddOwner(c.kind);
        NOD_Path* path = AddPath("empty", {});
        owner->Send(c.start("/empty", "", "", 0));
        EXPECT_EQ(1, RunOut(owner, 10));
        EXPECT_EQ(Strings{Arrived(c, "empty")}, owner->TakeSent());
        delete owner;
        delete path;
    }
}

TEST_F(GotoTest, BadNamesAreLoggedWithTheirFormsContextAndNothingStarts)
{
    struct Case
    {
        TST_MoveKind kind;
        s32 form;
        const char* path;
        const char* from;
        const char* to;
        const char* line;
        bool starts;  // only a missing "from" of a from-to start falls back to the first son
    };
    const std::vector<Case> cases = {
        {TST_MOVE_VESSEL, 0, "/nowhere", "", "", "Path /nowhere is not a node in BHV_Vessel_A_Goto::PM_GotoStart",
         false},
        {TST_MOVE_VESSEL, 0, "/lone", "", "", "Path /lone is not a path node in BHV_Vessel_A_Goto::PM_GotoStart",
         false},
        {TST_MOVE_VESSEL, 1, "/nowhere", "p0", "",
         "Path /nowhere is not a node in BHV_Vessel_A_Goto::PM_GotoStartFromPosition", false},
        {TST_MOVE_VESSEL, 1, "/lone", "p0", "",
         "Path /lone is not a path node in BHV_Vessel_A_Goto::PM_GotoStartFromPosition", false},
        {TST_MOVE_VESSEL, 1, "/route", "px", "",
         "Position px is not a position in path /route  in BHV_Vessel_A_Goto::PM_GotoStartFromPosition", false},
        {TST_MOVE_VESSEL, 2, "/nowhere", "p0", "p1",
         "Path /nowhere is not a node in BHV_Vessel_A_Goto::PM_GotoStartFromTo", false},
        {TST_MOVE_VESSEL, 2, "/lone", "p0", "p1",
         "Path /lone is not a path node in BHV_Vessel_A_Goto::PM_GotoStartFromTo", false},
        {TST_MOVE_VESSEL, 2, "/route", "px", "p1",
         "Position px is not a position in path /route  in BHV_Vessel_A_Goto::PM_GotoStartFromPosition", true},
        {TST_MOVE_VESSEL, 2, "/route", "p0", "py",
         "Position py is not a position in path /route  in BHV_Vessel_A_Goto::PM_GotoStartFromTo", false},
        {TST_MOVE_VEHICLE, 0, "/nowhere", "", "", "Path /nowhere is not a node in BHV_Vehicle_A_Goto::PM_GotoStart",
         false},
        {TST_MOVE_VEHICLE, 0, "/lone", "", "", "Path /lone is not a path node in BHV_Vehicle_A_Goto::PM_GotoStart",
         false},
        {TST_MOVE_VEHICLE, 1, "/nowhere", "p0", "",
         "Path /nowhere is not a node in BHV_Vehicle_A_Goto::PM_GotoFromPosition", false},
        {TST_MOVE_VEHICLE, 1, "/lone", "p0", "",
         "Path /lone is not a path node in BHV_Vehicle_A_Goto::PM_GotoStartFromPosition", false},
        {TST_MOVE_VEHICLE, 1, "/route", "px", "",
         "Position px is not a position in path /route  in BHV_Vehicle_A_Goto::PM_GotoStartFromPosition", false},
        {TST_MOVE_VEHICLE, 2, "/nowhere", "p0", "p1",
         "Path /nowhere is not a node in BHV_Vehicle_A_Goto::PM_GotoStartFromPosition", false},
        {TST_MOVE_VEHICLE, 2, "/lone", "p0", "p1",
         "Path /lone is not a path node in BHV_Vehicle_A_Goto::PM_GotoStartFromTo", false},
        {TST_MOVE_VEHICLE, 2, "/route", "px", "p1",
         "Position px is not a position in path /route  in BHV_Vehicle_A_Goto::PM_GotoStartFromTo", true},
        {TST_MOVE_VEHICLE, 2, "/route", "p0", "py",
         "Position py is not a position in path /route  in BHV_Vehicle_A_Goto::PM_GotoStartFromTo", false},
        {TST_MOVE_CHARACTER, 0, "/nowhere", "", "",
         "Path /nowhere is not a node in BHV_PhysicalCharacter_A_Goto::PM_GotoStart", false},
        {TST_MOVE_CHARACTER, 0, "/lone", "", "",
         "Path /lone is not a path node in BHV_PhysicalCharacter_A_Goto::PM_GotoStart", false},
        {TST_MOVE_CHARACTER, 1, "/lone", "p0", "",
         "Path /lone is not a path node in BHV_PhysicalCharacter_A_Goto::PM_GotoStartFromPosition", false},
        {TST_MOVE_CHARACTER, 1, "/route", "px", "",
         "Position px is not a position in path /route  in BHV_PhysicalCharacter_A_Goto::PM_GotoStartFromPosition",
         false},
        {TST_MOVE_CHARACTER, 2, "/nowhere", "p0", "p1",
         "Path /nowhere is not a node in BHV_PhysicalCharacter_A_Goto::PM_GotoStartFromTo", false},
        {TST_MOVE_CHARACTER, 2, "/route", "px", "p1",
         "Position px is not a position in path /route  in BHV_PhysicalCharacter_A_Goto::PM_GotoStartFromPosition",
         true},
        {TST_MOVE_CHARACTER, 2, "/route", "p0", "py",
         "Position py is not a position in path /route  in BHV_PhysicalCharacter_A_Goto::PM_GotoStartFromTo", false},
    };
    NOD_Position* lone = new NOD_Position();
    lone->SetName("lone");
    m_root->AddSon(lone);
    AddPath("route", {{0, 0, 0}, {0, 0, 0}}, 1.0e6f);
    const std::vector<GotoClass> classes = Classes();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.line);
        TST_MoveOwner* owner = AddOwner(k.kind);
        const MAT_Vector3 before = owner->Model().State.frame.t;
        owner->Model().Translation.VelocityModeMask = 2;
        owner->Send(classes[(size_t)k.kind].start(k.path, k.from, k.to, k.form));
        EXPECT_TRUE(Logged(k.line));
        if (k.starts) {
            // From the first son to p1: p0 passed, then the arrival.
            RunOut(owner, 100);
            const GotoClass& c = classes[(size_t)k.kind];
            EXPECT_EQ((Strings{Reached(c, "route", "p0"), Arrived(c, "route")}), owner->TakeSent());
        } else {
            // Nothing touched the controller; the first step ends the behaviour quietly.
            EXPECT_EQ(2u, owner->Model().Translation.VelocityModeMask);
            EXPECT_EQ(1, RunOut(owner, 100));
            EXPECT_EQ(before, owner->Model().State.frame.t);
            EXPECT_EQ(Strings{}, owner->TakeSent());
        }
        delete owner;
    }
}

TEST_F(GotoTest, AStartResetsTheControllerAndSetsTheAxisFlagsOnlyInItsForms)
{
    // Per class and form (whole, from a position, from-to): whether the flags go back to 39.
    const s32 sets[3][3] = {{1, 0, 1}, {1, 1, 0}, {1, 0, 1}};
    AddPath("route", {{0, 0, 0}, {5, 0, 0}});
    const std::vector<GotoClass> classes = Classes();
    for (const GotoClass& c : classes) {
        for (s32 form = 0; form < 3; ++form) {
            SCOPED_TRACE(std::string(c.name) + " form " + std::to_string(form));
            TST_MoveOwner* owner = AddOwner(c.kind, {7, 8, 9}, 0.5f);
            MOT_Model& model = owner->Model();
            model.State.flags = 7;
            model.State.SetPosition({0, 0, 0});
            model.Rotation.RateTargetMask = 0x38;
            model.Translation.PositionModeMask = 7;
            owner->Send(c.start("/route", "p0", "p1", form));
            EXPECT_EQ(sets[c.kind][form] != 0 ? 39u : 7u, model.State.flags);
            EXPECT_EQ(0u, model.Rotation.RateTargetMask);
            EXPECT_EQ(0u, model.Translation.PositionModeMask);
            EXPECT_EQ(MAT_Vector3(7, 8, 9), model.State.frame.t);
            EXPECT_NEAR(0.5f, model.State.rotation[MOT_MotionState::HEADING].angle.Get(), 1e-6f);
            delete owner;
        }
    }
}

TEST_F(GotoTest, BodiesDriveToEveryPositionAndArrive)
{
    for (const GotoClass& c : Classes()) {
        SCOPED_TRACE(c.name);
        TST_MoveOwner* owner = AddOwner(c.kind);
        owner->characterGoto.SetSteeringMode(1);
        const f32 z = c.kind == TST_MOVE_VEHICLE ? 0.0f : 5.0f;
        AddPath("route", {{0, 60, z}, {60, 120, z}, {0, 180, z}}, 2.0f);
        owner->Send(c.start("/route", "", "", 0));
        const s32 steps = RunOut(owner, 4000);
        EXPECT_LT(steps, 4000);
        EXPECT_EQ((Strings{Reached(c, "route", "p0"), Reached(c, "route", "p1"), Arrived(c, "route")}),
                  owner->TakeSent());
        // Arrived means within reach of the last position: the body is there, not still at the start.
        const MAT_Vector3 p = owner->Model().State.frame.t;
        EXPECT_GT(p.y, 120.0f);
        delete owner;
        m_root->SubSon(NOD_Node::GetRoot()->Find(SIM_Path("/route")));
    }
}

TEST_F(GotoTest, ReachTestsIgnoreHeightForVesselsAndVehiclesAndRadiiForCharacters)
{
    struct Case
    {
        TST_MoveKind kind;
        MAT_Vector3 target;
        f32 radius;
        bool reached;  // in the step after it is taken, the body at rest at the origin
    };
    const std::vector<Case> cases = {
        {TST_MOVE_VESSEL, {0, 0, 500}, 0.5f, true},  // straight above: horizontal distance 0
        {TST_MOVE_VESSEL, {3, 0, 0}, 0.5f, false},   // beyond radius + margin 0
        {TST_MOVE_VEHICLE, {0, 0, -300}, 0.5f, true},
        {TST_MOVE_VEHICLE, {2.6f, 0, 0}, 2.5f, false},
        {TST_MOVE_VEHICLE, {2.4f, 0, 0}, 2.5f, true},
        {TST_MOVE_CHARACTER, {0, 0, 16}, 100.0f, false},  // fixed reach 15 in three dimensions
        {TST_MOVE_CHARACTER, {0, 9, 11}, 0.0f, true},
    };
    const std::vector<GotoClass> classes = Classes();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.target.x + k.target.z);
        TST_MoveOwner* owner = AddOwner(k.kind);
        NOD_Path* path = AddPath("spot", {k.target, k.target}, k.radius);
        const GotoClass& c = classes[(size_t)k.kind];
        // Reach factor 0: the reach radius is the position's own.
        NOD_Message* start = k.kind == TST_MOVE_CHARACTER
                                 ? NOD_PhysicalCharacter_GotoStart::Create(SIM_Path("/spot"), 0.0f)
                                 : c.start("/spot", "", "", 0);
        if (k.kind != TST_MOVE_CHARACTER) {
            delete start;
            start = k.kind == TST_MOVE_VESSEL ? NOD_Vessel_Goto::Create(SIM_Path("/spot"), 0.0f, 0.0f)
                                              : NOD_Vehicle_Goto::Create(SIM_Path("/spot"), 0.0f, 0.0f);
        }
        owner->Send(start);
        owner->Model().Translation.VelocityModeMask = 0;
        // The steps are taken without moving: the state is put back each time.
        auto still = [&] {
            owner->Place({0, 0, 0});
            owner->Step();
            owner->Place({0, 0, 0});
        };
        still();  // takes p0
        still();  // travels; reached or not
        still();  // a reached p0 is reported as p1 is taken
        EXPECT_EQ(k.reached ? Strings{Reached(c, "spot", "p0")} : Strings{}, owner->TakeSent());
        delete owner;
        delete path;
    }
}

TEST_F(GotoTest, TheAvoidersPointIsSteeredToWhileTheReachMeasuresTheTarget)
{
    for (TST_MoveKind kind : {TST_MOVE_VESSEL, TST_MOVE_VEHICLE}) {
        SCOPED_TRACE(kind);
        TST_MoveOwner* owner = AddOwner(kind);
        COD_ActiveAvoid& avoider = *owner->parts.avoider;
        NOD_Path* path = AddPath("route", {{0, 100, 10}, {0, 200, 0}}, 2.0f);
        owner->Send(kind == TST_MOVE_VESSEL ? NOD_Vessel_Goto::Create(SIM_Path("/route"), 1.0f, 0.0f)
                                            : NOD_Vehicle_Goto::Create(SIM_Path("/route"), 1.0f, 0.0f));
        owner->Step();
        // The avoider's goal: the target, a vehicle's at its own next-step height.
        EXPECT_EQ(kind == TST_MOVE_VESSEL ? MAT_Vector3(0, 100, 10) : MAT_Vector3(0, 100, 0), avoider.m_goal);
        avoider.m_resultFlag = 1;
        avoider.m_correctedGoal = MAT_Vector3(-50, 3, 0);
        owner->Step();
        EXPECT_EQ(MAT_Vector3(-50, 3, 0), owner->Model().Rotation.TargetPoint);
        avoider.m_resultFlag = 0;
        owner->Step();
        EXPECT_EQ(0.0f, owner->Model().Rotation.TargetPoint.x);
        EXPECT_EQ(100.0f, owner->Model().Rotation.TargetPoint.y);
        // Standing on the avoider's point reaches nothing; standing below the target does.
        avoider.m_resultFlag = 1;
        owner->Place({-50, 3, 0});
        owner->Step();
        owner->Step();
        EXPECT_EQ(Strings{}, owner->TakeSent());
        owner->Place({0, 100, 0});
        owner->Step();
        owner->Place({0, 100, 0});
        owner->Step();
        EXPECT_EQ(Strings{std::to_string(kind == TST_MOVE_VESSEL ? (u32)NOD_Vessel_GotoPosReached::ID
                                                                 : (u32)NOD_Vehicle_GotoPosReached::ID) +
                          " route p0"},
                  owner->TakeSent());
        delete owner;
        delete path;
    }
}

TEST_F(GotoTest, AFailedStartThenAnotherNamesNothingInItsOverride)
{
    for (const GotoClass& c : Classes()) {
        SCOPED_TRACE(c.name);
        TST_MoveOwner* owner = AddOwner(c.kind);
        NOD_Path* path = AddPath("route", {{0, 0, 0}, {0, 0, 0}}, 1.0e6f);
        owner->Send(c.start("/nowhere", "", "", 0));
        // Replaced before its first step: the override has no path and no positions to name.
        owner->Send(c.start("/route", "", "", 0));
        EXPECT_EQ(Strings{Override(c, "None", "None", "None")}, owner->TakeSent());
        RunOut(owner, 100);
        EXPECT_EQ((Strings{Reached(c, "route", "p0"), Arrived(c, "route")}), owner->TakeSent());

        // A failed start that did find its path names the path.
        owner->Send(c.start("/route", "px", "", 1));
        owner->Send(c.start("/route", "", "", 0));
        EXPECT_EQ(Strings{Override(c, "route", "None", "None")}, owner->TakeSent());
        delete owner;
        delete path;
    }
}

TEST_F(GotoTest, RestartsOverrideStopsDoNotAndUnboundOwnersHearNothing)
{
    for (const GotoClass& c : Classes()) {
        SCOPED_TRACE(c.name);
        TST_MoveOwner* owner = AddOwner(c.kind);
        NOD_Path* path = AddPath("route", {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, 1.0e6f);
        owner->Send(c.start("/route", "", "", 0));
        for (s32 i = 0; i < 3; ++i)
            owner->Step();  // p0 taken, reached; p1 taken
        EXPECT_EQ(Strings{Reached(c, "route", "p0")}, owner->TakeSent());
        // Forward: the position before the target and the target.
        owner->Send(c.start("/route", "p2", "p0", 2));
        EXPECT_EQ(Strings{Override(c, "route", "p0", "p1")}, owner->TakeSent());
        for (s32 i = 0; i < 3; ++i)
            owner->Step();  // p2 taken, reached; p1 taken
        owner->Send(c.start("/route", "", "", 0));
        // Backward: the indices step the other way (j = k + 1 = 1, k = 0).
        EXPECT_EQ((Strings{Reached(c, "route", "p2"), Override(c, "route", "p0", "None")}), owner->TakeSent());

        // The stop ends the walk without a word; the controller keeps its target.
        const MAT_Vector3 target = owner->Model().Rotation.TargetPoint;
        const u32 stop = c.kind == TST_MOVE_VESSEL    ? (u32)NOD_Vessel_GotoStop::ID
                         : c.kind == TST_MOVE_VEHICLE ? (u32)NOD_Vehicle_GotoStop::ID
                                                      : (u32)NOD_PhysicalCharacter_GotoStop::ID;
        EXPECT_EQ(nullptr, owner->Send(new NOD_Message(stop)));
        EXPECT_EQ(nullptr, owner->actions.GetCurrent());
        EXPECT_EQ(target, owner->Model().Rotation.TargetPoint);
        EXPECT_EQ(Strings{}, owner->TakeSent());

        // Unbound: no reports, and the override is dropped.
        owner->bound = false;
        owner->Send(c.start("/route", "", "", 0));
        owner->Send(c.start("/route", "", "", 0));
        RunOut(owner, 100);
        EXPECT_EQ(Strings{}, owner->TakeSent());
        delete owner;
        delete path;
    }
}

TEST_F(GotoTest, APathCutShortNamesNoneAndADeletedPathEndsTheWalkQuietly)
{
    for (const GotoClass& c : Classes()) {
        SCOPED_TRACE(c.name);
        TST_MoveOwner* owner = AddOwner(c.kind);
        NOD_Path* path = AddPath("route", {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, 1.0e6f);
        owner->Send(c.start("/route", "", "", 0));
        for (s32 i = 0; i < 5; ++i)
            owner->Step();  // p2 taken: next index 3
        owner->TakeSent();
        // Two sons go: the target p2 and the one before it are no longer there.
        delete path->GetSon(2);
        delete path->GetSon(1);
        owner->Send(c.start("/route", "", "", 0));
        EXPECT_EQ(Strings{Override(c, "route", "None", "None")}, owner->TakeSent());

        owner->Step();
        owner->Step();  // p0 taken and reached
        delete path;
        // Gone under the walk: the next step ends it, with nothing to report.
        owner->Step();
        EXPECT_EQ(nullptr, owner->actions.GetCurrent());
        owner->Send(c.start("/nowhere", "", "", 0));
        owner->Send(c.start("/nowhere", "", "", 0));
        EXPECT_EQ(Strings{Override(c, "None", "None", "None")}, owner->TakeSent());
        delete owner;
    }
}

TEST_F(GotoTest, ASonThatIsNoPositionStopsTheWalk)
{
    TST_MoveOwner* owner = AddOwner(TST_MOVE_VESSEL);
    NOD_Path* path = AddPath("route", {{0, 0, 0}}, 1.0e6f);
    NOD_Node* stray = new NOD_Node();
    stray->SetName("stray");
    path->AddSon(stray);  // not through Node_AddSon: unfiltered
    owner->Send(NOD_Vessel_Goto::Create(SIM_Path("/route"), 1.0f, 1.0f));
    owner->Step();
    owner->Step();
    EXPECT_FATAL(owner->Step(), "BHV_Goto3D::Handle()", "no position node");
    delete owner;
}
}  // namespace
