// The state and movement behaviours on the real vessels, vehicles, turrets and triggers of a run,
// driven by the messages a scenario script sends and stepped through the collision system: the
// notifications arrive, in order, at a real script node's threads (one per body, each logging
// what it gets), and the bodies move as told.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "armed_test.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "coh_sense.h"
#include "lua_state.h"
#include "nod_launcher.h"
#include "nod_path.h"
#include "nod_patrolarea.h"
#include "nod_position.h"
#include "nod_script.h"
#include "nod_trigger.h"
#include "nod_turret_base.h"
#include "nod_vehicle.h"
#include "nod_vessel.h"
#include "tools_escape.h"
#include "tools_launch.h"
#include "tools_sample_data.h"
#include "tools_turret.h"

namespace
{
using Texts = std::vector<std::string>;

const SIM_Name NONE;

// Binds a node to a thread whose state answers every event with a logging handler: "<tag>
// <event>(<arguments>)", nodes by name, numbers as %g.
const char* const RECORDER = "log = ''\n"
                             "function Recorder(tag)\n"
                             "  return setmetatable({}, {__index = function(state, name)\n"
                             "    if name == 'BeginPlay' then return nil end\n"
                             "    return function(thread, ...)\n"
                             "      local text = tag .. ' ' .. name .. '('\n"
                             "      for i = 1, select('#', ...) do\n"
                             "        local value = select(i, ...)\n"
                             "        if i > 1 then text = text .. ', ' end\n"
                             "        if type(value) == 'number' then text = text .. string.format('%g', value)\n"
                             "        elseif type(value) == 'string' then text = text .. value\n"
                             "        elseif value == nil then text = text .. 'nil'\n"
                             "        elseif Script_IsNodeRefValid(value) then text = text .. Node_GetName(value)\n"
                             "        else text = text .. 'gone' end\n"
                             "      end\n"
                             "      log = log .. text .. ')\\n'\n"
                             "    end\n"
                             "  end})\n"
                             "end\n";

TOOL_ChildSection Son(s32 _index, const char* _className)
{
    TOOL_ChildSection child;
    child.index = _index;
    child.nameCLA = _className;
    return child;
}

std::string GunSon(s32 _index)
{
    TOOL_NPCGunDescription gun;
    gun.bulletType = 1;
    return TOOL_WeaponChildText(Son(_index, "NOD_NPC_Gun"), "gun", TOOL_NPCGunDescriptionText(gun));
}

class NodBehavioursTest : public TST_ArmedTest
{
protected:
    void SetUp() override
    {
        TST_ArmedTest::SetUp();
        if (HasFatalFailure())
            return;
        for (const auto& file : TOOL_EmbeddedData())
            m_dir.Write(file.first, file.second);
        m_script = static_cast<NOD_Script*>(NOD_Node::CreateNode("NOD_Script", "script"));
        ASSERT_NE(nullptr, m_script);
        m_world->root->AddSon(m_script);
        ASSERT_EQ(0, Run(RECORDER));
    }

    s32 Run(const std::string& _code)
    {
        return m_script->RunChunk((const u8*)_code.data(), (u32)_code.size(), "=test");
    }

    // The body's events go to a thread of the script node that logs them under _tag.
    void Bind(NOD_Node* _body, const char* _tag)
    {
        char path[SIM_Path::STRING_BYTES];
        _body->GetPath().GetString(path, sizeof path);
        ASSERT_EQ(0, Run(std::string("Thread_Bind(Node_Find(nil, '") + path + "'), Recorder('" + _tag + "'))"));
    }

    // What the threads logged since the last look, queued events delivered first.
    Texts Take()
    {
        m_script->HeartBeat();
        lua_State* state = m_script->GetLuaState();
        lua_getglobal(state, "log");
        const std::string log = lua_isstring(state, -1) ? lua_tostring(state, -1) : "";
        lua_pop(state, 1);
        Run("log = ''");
        Texts lines;
        for (size_t start = 0, end = 0; (end = log.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(log.substr(start, end - start));
        return lines;
    }
    // The lines of one tag, without it.
    static Texts Of(const Texts& _lines, const std::string& _tag)
    {
        Texts of;
        for (const std::string& line : _lines)
            if (line.compare(0, _tag.size() + 1, _tag + " ") == 0)
                of.push_back(line.substr(_tag.size() + 1));
        return of;
    }

    void Steps(s32 _count) { m_world->Steps(_count); }
    // One sensing cycle: exactly one sensing step among them.
    void Sense() { m_world->Steps(COH_SENSING_PERIOD); }
    // The cycles after a sensor's start: the first sensing step registers it, the next senses.
    void SenseFromStart()
    {
        Sense();
        Sense();
    }
    // Steps until the body's action slot is empty (at most _limit); the steps taken.
    template <class Body>
    s32 RunOut(Body* _body, s32 _limit)
    {
        s32 steps = 0;
        while (_body->GetActionSlot().GetCurrent() != nullptr && steps < _limit) {
            m_world->Step();
            ++steps;
        }
        return steps;
    }

    NOD_Vessel* Vessel(const std::string& _name, const MAT_Vector3& _position,
                       const TOOL_VesselDescription& _description = TOOL_VesselDescription(),
                       const std::string& _extra = "")
    {
        return NOD_Vessel::DynamicCast(m_world->Make(
            "NOD_Vessel", _name, TOOL_VesselDescriptionText(_description) + _extra, TST_HeadingAt(_position)));
    }
    NOD_Vehicle* Vehicle(const std::string& _name, const MAT_Vector3& _position)
    {
        TOOL_VehicleDescription description;
        description.children = TOOL_VehicleWheelChildren(0);
        return NOD_Vehicle::DynamicCast(
            m_world->Make("NOD_Vehicle", _name, TOOL_VehicleDescriptionText(description), TST_HeadingAt(_position)));
    }
    // A building at _position carrying the turret "turret" 5 above it.
    NOD_Turret_Base* Turret(const MAT_Vector3& _position)
    {
        TOOL_GenericDescription house;
        const f32 place[3] = {0.0f, 0.0f, 5.0f};
        house.children = TOOL_TurretChildText(0, TOOL_TurretDescription(), place);
        NOD_Body* building =
            m_world->Make("NOD_Generic", "house", TOOL_GenericDescriptionText(house), TST_HeadingAt(_position));
        return NOD_Turret_Base::DynamicCast(building->GetSon(0));
    }
    NOD_Trigger* Trigger(const std::string& _name, const MAT_Vector3& _position)
    {
        NOD_Node* trigger = m_world->root->AddSon(NOD_Node::CreateNode("NOD_Trigger", _name.c_str()));
        delete trigger->ProcessMessage(NOD_Node_EnterSimulation::Create());
        delete trigger->ProcessMessage(NOD_Body_SetPosition::Create(_position));
        return NOD_Trigger::DynamicCast(trigger);
    }
    NOD_Path* Path(const char* _name, const std::vector<MAT_Vector3>& _points, f32 _radius)
    {
        NOD_Path* path = NOD_Path::DynamicCast(m_world->root->AddSon(NOD_Node::CreateNode("NOD_Path", _name)));
        for (size_t i = 0; i < _points.size(); ++i)
            Position(("p" + std::to_string(i)).c_str(), _points[i], _radius, path);
        return path;
    }
    NOD_Position* Position(const char* _name, const MAT_Vector3& _point, f32 _radius = 1.0f,
                           NOD_Node* _father = nullptr)
    {
        NOD_Position* position = NOD_Position::DynamicCast(
            (_father != nullptr ? _father : m_world->root)->AddSon(NOD_Node::CreateNode("NOD_Position", _name)));
        position->SetPosition(_point);
        position->SetRadius(_radius);
        return position;
    }
    NOD_PatrolArea* Area(const char* _name, const MAT_Vector3& _centre, f32 _radius, f32 _minZ, f32 _maxZ)
    {
        NOD_Node* area = m_world->root->AddSon(NOD_Node::CreateNode("NOD_PatrolArea", _name));
        delete area->ProcessMessage(NOD_PatrolArea_SetPosition::Create(_centre));
        delete area->ProcessMessage(NOD_PatrolArea_SetRadius::Create(_radius));
        delete area->ProcessMessage(NOD_PatrolArea_SetMinZ::Create(_minZ));
        delete area->ProcessMessage(NOD_PatrolArea_SetMaxZ::Create(_maxZ));
        return NOD_PatrolArea::DynamicCast(area);
    }

    MAT_Vector3 Where(NOD_Body* _body) const
    {
        MAT_Vector3 position;
        _body->GetMatrixAtTime(&position, m_world->Now());
        return position;
    }
    static f32 Speed(NOD_Body* _body)
    {
        MAT_Vector3 velocity;
        return _body->GetVelocity(&velocity)->Length();
    }
    static f32 Distance(const MAT_Vector3& _a, const MAT_Vector3& _b) { return (_a - _b).Length(); }

    static void Send(NOD_Node* _body, NOD_Message* _message) { delete _body->ProcessMessage(_message); }

    NOD_Script* m_script = nullptr;
};

// --- Sensors ---

TEST_F(NodBehavioursTest, EverySensingBodyReportsEntersAndLeavesOfItsInterests)
{
    // Four sensing bodies of each kind around two boats and a rock, all within 100 of each.
    NOD_Body* const sensing[] = {
        Vessel("hunter", MAT_Vector3(-40.0f, 0.0f, 20.0f)),
        Vehicle("truck", MAT_Vector3(40.0f, 0.0f, 1.0f)),
        Turret(MAT_Vector3(0.0f, -40.0f, 0.0f)),
        Trigger("trigger", MAT_Vector3(0.0f, 0.0f, 10.0f)),
    };
    const char* const tags[] = {"hunter", "truck", "turret", "trigger"};
    Vessel("boat1", MAT_Vector3(0.0f, 50.0f, 20.0f));
    Vessel("rock1", MAT_Vector3(20.0f, 50.0f, 20.0f));
    for (s32 i = 0; i < 4; ++i) {
        ASSERT_NE(nullptr, sensing[i]) << tags[i];
        Bind(sensing[i], tags[i]);
        Send(sensing[i], NOD_Trigger_SetPresenceSphere::Create(100.0f));
        Send(sensing[i], NOD_Trigger_SetAcousticSphere::Create(100.0f));
        Send(sensing[i], NOD_Trigger_SetVisibilityConeRelative::Create(180.0f, 100.0f));
        Send(sensing[i], NOD_Trigger_ActivateSensor::Create((u8)1, (u8)1, (u8)1));
        Send(sensing[i], NOD_Trigger_SetInterestList::Create(SIM_Name("boat"), NONE, NONE, NONE));
    }
    SenseFromStart();
    Texts lines = Take();
    for (const char* tag : tags) {
        SCOPED_TRACE(tag);
        // Presence, hearing, sight: the rock is no interest.
        EXPECT_EQ(
            (Texts{"Trigger_EnterPresence(boat1)", "Trigger_EnterAcoustic(boat1)", "Trigger_EnterVisible(boat1)"}),
            Of(lines, tag));
    }
    // The bodies report in the tree's order, each its own events together.
    ASSERT_EQ(12u, lines.size());
    EXPECT_EQ(0u, lines[0].find("hunter "));
    EXPECT_EQ(0u, lines[11].find("trigger "));

    // Nothing new in the next cycle; a smaller sphere lets the boat leave the presence only.
    Sense();
    EXPECT_EQ(Texts{}, Take());
    for (NOD_Body* body : sensing)
        Send(body, NOD_Trigger_SetPresenceSphere::Create(5.0f));
    Sense();
    lines = Take();
    for (const char* tag : tags)
        EXPECT_EQ(Texts{"Trigger_LeavePresence(boat1)"}, Of(lines, tag)) << tag;

    // Stopped: the sets stay, so neither leaves nor enters are reported from then on.
    for (NOD_Body* body : sensing)
        Send(body, NOD_Trigger_StopSensor::Create());
    Sense();
    Sense();
    EXPECT_EQ(Texts{}, Take());
}

// --- Enemy watches ---

TEST_F(NodBehavioursTest, PatrolWatchReportsAnArrivingEnemyOnceAndARestartIsNoConflict)
{
    NOD_Body* const watching[] = {Vessel("guard", MAT_Vector3(0.0f, 0.0f, 20.0f)),
                                  Vehicle("truck", MAT_Vector3(30.0f, 0.0f, 1.0f))};
    const char* const tags[] = {"guard", "truck"};
    Vessel("ship1", MAT_Vector3(0.0f, 200.0f, 20.0f));
    for (s32 i = 0; i < 2; ++i) {
        Bind(watching[i], tags[i]);
        Send(watching[i], NOD_Body_InformEnemyPatrol::Create(100.0f, SIM_Name("ship"), NONE, NONE, NONE, SIM_Path()));
    }
    SenseFromStart();
    EXPECT_EQ(Texts{}, Take());

    // A second start while the watch runs widens it, without an attack-sensor conflict; the
    // enemy then reported once, and the watch has stopped itself.
    for (NOD_Body* body : watching)
        Send(body, NOD_Body_InformEnemyPatrol::Create(300.0f, SIM_Name("ship"), NONE, NONE, NONE, SIM_Path()));
    EXPECT_FALSE(Logged("Attack sensor conflict."));
    SenseFromStart();
    Texts lines = Take();
    for (const char* tag : tags)
        EXPECT_EQ(Texts{"Body_EnemyArrivalPatrol()"}, Of(lines, tag)) << tag;
    Sense();
    EXPECT_EQ(Texts{}, Take());

    // Restarted after the self-stop, inside a patrol area the enemy is not in: nothing.
    Area("zone", MAT_Vector3(0.0f, -200.0f, 20.0f), 50.0f, 0.0f, 40.0f);
    for (NOD_Body* body : watching)
        Send(body, NOD_Body_InformEnemyPatrol::Create(300.0f, SIM_Name("ship"), NONE, NONE, NONE, SIM_Path("/zone")));
    SenseFromStart();
    EXPECT_EQ(Texts{}, Take());
    // An enemy that enters the area is reported.
    Vessel("ship2", MAT_Vector3(0.0f, -200.0f, 20.0f));
    Sense();
    lines = Take();
    for (const char* tag : tags)
        EXPECT_EQ(Texts{"Body_EnemyArrivalPatrol()"}, Of(lines, tag)) << tag;
}

// --- Shot hits ---

TEST_F(NodBehavioursTest, ShotHitsReportEachBulletOfARealGunOnceUntilRejected)
{
    // The shooter's gun fires along its heading at the target 40 ahead; the target carries a
    // gun itself (a son without a physical description).
    TOOL_VesselDescription armed;
    armed.children = {GunSon(0)};
    NOD_Vessel* shooter = Vessel("shooter", MAT_Vector3(0.0f, 0.0f, 20.0f), armed);
    NOD_Vessel* target = Vessel("target", MAT_Vector3(0.0f, 25.0f, 20.0f), armed);
    ASSERT_NE(nullptr, shooter->GetGun());
    Bind(target, "target");
    Send(target, NOD_Body_RequestShotHits::Create());
    // The hits the collision pass records on the target's hull, step by step.
    const COD_PhysicalShotHits* recorded = target->GetAggregate().GetPhysical()->GetShotHits();
    ASSERT_NE(nullptr, recorded);
    s32 count = 0;
    shooter->GetGun()->StartFire();
    for (s32 i = 0; i < 30; ++i) {
        m_world->Step();
        count += recorded->count;
    }
    shooter->GetGun()->StopFire();
    // Each hit reported once, naming the shooter; the bullet is gone by the time the script
    // reads the queued report.
    EXPECT_GE(count, 2);
    EXPECT_EQ(Texts((size_t)count, "Body_InformShotHit(shooter, gone)"), Of(Take(), "target"));
    EXPECT_LT(target->GetShieldRef().GetWeakestRatio(), 1.0f);

    // Rejected: the hits go on, unreported.
    Send(target, NOD_Body_RejectShotHits::Create());
    shooter->GetGun()->StartFire();
    Steps(20);
    EXPECT_EQ(Texts{}, Take());
}

// --- Movement ---

TEST_F(NodBehavioursTest, VesselsAndVehiclesWalkPathsWholeAndFromTo)
{
    struct Case
    {
        const char* what;
        bool vehicle;
        const char* from;  // "" walks the whole path
        const char* to;    // "" walks from "from" to the end
        Texts reports;
        s32 last;  // the position the body ends at
    };
    const Case cases[] = {
        {"vessel whole", false, "", "", {"GotoPosReached(route, p0)", "GotoPosReached(route, p1)"}, 2},
        {"vessel from p1", false, "p1", "", {"GotoPosReached(route, p1)"}, 2},
        {"vessel backward", false, "p2", "p0", {"GotoPosReached(route, p2)", "GotoPosReached(route, p1)"}, 0},
        {"vehicle whole", true, "", "", {"GotoPosReached(route, p0)", "GotoPosReached(route, p1)"}, 2},
        {"vehicle from-to", true, "p0", "p1", {"GotoPosReached(route, p0)"}, 1},
    };
    s32 index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "mover" + std::to_string(index);
        const f32 x = (f32)index * 60.0f - 120.0f;
        const f32 z = c.vehicle ? 0.0f : 20.0f;
        NOD_Path* path = Path("route", {{x, 40.0f, z}, {x, 80.0f, z}, {x, 120.0f, z}}, 8.0f);
        NOD_Body* body = c.vehicle ? (NOD_Body*)Vehicle(name, MAT_Vector3(x, 0.0f, 1.0f))
                                   : (NOD_Body*)Vessel(name, MAT_Vector3(x, 0.0f, 20.0f));
        Bind(body, name.c_str());
        const char* family = c.vehicle ? "Vehicle_" : "Vessel_";
        if (c.vehicle) {
            Send(body, *c.from == 0 ? NOD_Vehicle_Goto::Create(SIM_Path("/route"), 1.0f, 1.0f)
                       : *c.to == 0
                           ? NOD_Vehicle_GotoFromPosition::Create(SIM_Path("/route"), SIM_Name(c.from), 1.0f, 1.0f)
                           : NOD_Vehicle_GotoFromTo::Create(SIM_Path("/route"), SIM_Name(c.from), SIM_Name(c.to), 1.0f,
                                                            1.0f));
        } else {
            Send(body,
                 *c.from == 0 ? NOD_Vessel_Goto::Create(SIM_Path("/route"), 1.0f, 1.0f)
                 : *c.to == 0
                     ? NOD_Vessel_GotoFromPosition::Create(SIM_Path("/route"), SIM_Name(c.from), 1.0f, 1.0f)
                     : NOD_Vessel_GotoFromTo::Create(SIM_Path("/route"), SIM_Name(c.from), SIM_Name(c.to), 1.0f, 1.0f));
        }
        const s32 steps =
            c.vehicle ? RunOut(NOD_Vehicle::DynamicCast(body), 3000) : RunOut(NOD_Vessel::DynamicCast(body), 3000);
        EXPECT_LT(steps, 3000);
        Texts expected;
        for (const std::string& report : c.reports)
            expected.push_back(family + report);
        expected.push_back(std::string(family) + "GotoArrived(route)");
        EXPECT_EQ(expected, Of(Take(), name));
        const MAT_Vector3 last = NOD_Position::DynamicCast(path->GetSon(c.last))->GetPosition();
        // Reached within the position's radius and the reach factor's body sizes (and a step).
        MAT_Vector3 at = Where(body);
        at.z = last.z;
        EXPECT_LT(Distance(last, at), 8.0f + body->GetAggregate().GetPhysical()->GetVessel()->GetRootRadius() + 2.0f);
        delete body->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        path->SetName("walked");
        ++index;
    }
}

TEST_F(NodBehavioursTest, StopsOverrideAWalkAndBringTheBodiesToRest)
{
    NOD_Vessel* vessel = Vessel("vessel", MAT_Vector3(0.0f, 0.0f, 20.0f));
    NOD_Vehicle* vehicle = Vehicle("truck", MAT_Vector3(40.0f, 0.0f, 1.0f));
    Path("route", {{0.0f, 400.0f, 20.0f}}, 4.0f);
    Path("road", {{40.0f, 400.0f, 0.0f}}, 4.0f);
    Bind(vessel, "vessel");
    Bind(vehicle, "truck");
    Send(vessel, NOD_Vessel_Goto::Create(SIM_Path("/route"), 1.0f, 1.0f));
    Send(vehicle, NOD_Vehicle_Goto::Create(SIM_Path("/road"), 1.0f, 1.0f));
    Steps(60);
    EXPECT_GT(Speed(vessel), 1.0f);
    EXPECT_GT(Speed(vehicle), 1.0f);
    Send(vessel, NOD_Vessel_Stop::Create((u8)0));
    Send(vehicle, NOD_Vehicle_Stop::Create());
    const Texts lines = Take();
    EXPECT_EQ(Texts{"Vessel_GotoOverride(route, p0, p0)"}, Of(lines, "vessel"));
    EXPECT_EQ(Texts{"Vehicle_GotoOverride(road, p0, p0)"}, Of(lines, "truck"));
    Steps(200);
    EXPECT_LT(Speed(vessel), 0.1f);
    EXPECT_LT(Speed(vehicle), 0.1f);
    EXPECT_EQ(Texts{}, Take());
}

TEST_F(NodBehavioursTest, PatrolsKeepInTheirAreaUntilTheirTimeIsPastAndTheVehicleParks)
{
    NOD_Vessel* vessel = Vessel("vessel", MAT_Vector3(0.0f, 0.0f, 30.0f));
    NOD_Vehicle* vehicle = Vehicle("truck", MAT_Vector3(200.0f, 0.0f, 1.0f));
    Area("sea", MAT_Vector3(0.0f, 0.0f, 30.0f), 120.0f, 20.0f, 40.0f);
    Area("field", MAT_Vector3(200.0f, 0.0f, 0.0f), 80.0f, 0.0f, 0.0f);
    Bind(vessel, "vessel");
    Bind(vehicle, "truck");
    Send(vessel, NOD_Vessel_Patrol::Create(SIM_Path("/sea"), 0.0f, 0.2f, 0.5f, 0.2f, 45.0f, 5.0f, 8.0f, 1.0f));
    Send(vehicle, NOD_Vehicle_Patrol::Create(SIM_Path("/field"), 0.5f, 0.2f, 45.0f, 30.0f, 8.0f));
    // 8 s of patrol: 160 steps and the one that finds the time past.
    Steps(150);
    EXPECT_EQ(Texts{}, Take());
    EXPECT_GT(Distance(Where(vessel), MAT_Vector3(0.0f, 0.0f, 30.0f)), 5.0f);
    Steps(20);
    const Texts lines = Take();
    EXPECT_EQ(Texts{"Vessel_PatrolFinished()"}, Of(lines, "vessel"));
    EXPECT_EQ(Texts{"Vehicle_PatrolFinished()"}, Of(lines, "truck"));
    MAT_Vector3 offset = Where(vessel);
    EXPECT_LT(std::sqrt(offset.x * offset.x + offset.y * offset.y), 120.0f + 30.0f);

    // The park patrol draws a point of the field and stops there, braked.
    Send(vehicle, NOD_Vehicle_ParkPatrol::Create(SIM_Path("/field")));
    EXPECT_LT(RunOut(vehicle, 4000), 4000);
    EXPECT_EQ(Texts{"Vehicle_ParkPatrolFinished()"}, Of(Take(), "truck"));
    Steps(100);
    EXPECT_LT(Speed(vehicle), 0.1f);
    offset = Where(vehicle) - MAT_Vector3(200.0f, 0.0f, 0.0f);
    EXPECT_LT(std::sqrt(offset.x * offset.x + offset.y * offset.y), 80.0f + 30.0f);
}

TEST_F(NodBehavioursTest, SinkingEndsOnTheTargetHeightOrOnTheGround)
{
    struct Case
    {
        const char* name;
        f32 depth;     // the target position's height
        bool terrain;  // collisions with the ground on
        const char* finished;
    };
    const Case cases[] = {
        {"diver", 5.0f, false, "Vessel_SinkFinished(0)"},
        {"wreck", -50.0f, true, "Vessel_SinkFinished(1)"},
    };
    s32 index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const f32 x = (f32)index * 100.0f;
        NOD_Vessel* vessel = Vessel(c.name, MAT_Vector3(x, 0.0f, 30.0f));
        Position(c.name[0] == 'd' ? "shallow" : "deep", MAT_Vector3(x, 300.0f, c.depth));
        Bind(vessel, c.name);
        if (c.terrain)
            Send(vessel, NOD_Vessel_CollisionTerrain::Create((u8)1));
        Send(vessel, NOD_Vessel_Sink::Create(SIM_Path(c.name[0] == 'd' ? "/shallow" : "/deep"), 0.5f));
        EXPECT_LT(RunOut(vessel, 3000), 3000);
        EXPECT_EQ(Texts{c.finished}, Of(Take(), c.name));
        const MAT_Vector3 at = Where(vessel);
        EXPECT_NEAR(0.0f, at.x - x, 0.5f);
        if (c.terrain)
            EXPECT_GT(at.z, -5.0f);
        else
            EXPECT_NEAR(c.depth, at.z, 1.0f);
        ++index;
    }
}

// --- Escort and escape ---

TEST_F(NodBehavioursTest, EscortKeepsStationByItsLeaderAndReportsItsLoss)
{
    NOD_Vessel* leader = Vessel("leader", MAT_Vector3(0.0f, 0.0f, 20.0f));
    NOD_Vessel* escort = Vessel("escort", MAT_Vector3(60.0f, -40.0f, 20.0f));
    Path("route", {{0.0f, 3000.0f, 20.0f}}, 4.0f);
    Bind(escort, "escort");
    Send(escort, NOD_Vessel_Escort::Create(leader, MAT_Vector3(30.0f, 0.0f, 0.0f), 30.0f));
    s32 steps = 0;
    Texts lines;
    while (lines.empty() && steps < 2000) {
        m_world->Step();
        ++steps;
        lines = Of(Take(), "escort");
    }
    EXPECT_EQ(Texts{"Vessel_EscortPosReached()"}, lines);
    // Reported once per start; the station travels with the leader.
    Send(leader, NOD_Vessel_Goto::Create(SIM_Path("/route"), 0.3f, 4.0f));
    Steps(200);
    EXPECT_EQ(Texts{}, Take());
    ASSERT_TRUE(Alive(leader));
    EXPECT_GT(Where(leader).y, 20.0f);
    EXPECT_LT(Distance(Where(escort), Where(leader)), 45.0f);

    // The leader destroyed: the loss ends the escort.
    leader->GetShieldRef().SetFaceRatio(0.0f, 0);
    Steps(3);
    EXPECT_FALSE(Alive(leader));
    EXPECT_EQ(Texts{"Vessel_EscortObjectLost()"}, Of(Take(), "escort"));
    EXPECT_EQ(nullptr, escort->GetActionSlot().GetCurrent());
}

TEST_F(NodBehavioursTest, EscapeByTheDescriptionRunsLegsFromTheEnemyToTheArrival)
{
    TOOL_EscapeSection section;
    section.meanDist = 60.0f;
    section.devDist = 10.0f;
    section.strikeTimeOut = 30.0f;
    NOD_Vessel* runner =
        Vessel("runner", MAT_Vector3(0.0f, 0.0f, 30.0f), TOOL_VesselDescription(), TOOL_EscapeSectionText(section));
    NOD_Vessel* plain = Vessel("plain", MAT_Vector3(200.0f, 0.0f, 30.0f));
    Vessel("enemy", MAT_Vector3(0.0f, -30.0f, 30.0f));
    Position("haven", MAT_Vector3(0.0f, 400.0f, 30.0f));
    Bind(runner, "runner");
    Send(runner, NOD_Vessel_EscapeToPosSim::Create(SIM_Path("/haven"), SIM_Path("/enemy"), SIM_Path(""), SIM_Path("")));
    EXPECT_FALSE(Logged("Vessel runner has no EscapeBehaviour section"));
    // Legs end at their goals or on their time-out: the goal moves several times on the way.
    std::vector<MAT_Vector3> goals;
    s32 steps = 0;
    while (runner->GetActionSlot().GetCurrent() != nullptr && steps < 6000) {
        const MAT_Vector3 goal = runner->GetAggregate().GetAvoider()->m_goal;
        if (goals.empty() || !(goals.back() == goal))
            goals.push_back(goal);
        m_world->Step();
        ++steps;
    }
    EXPECT_LT(steps, 6000);
    EXPECT_GE(goals.size(), 3u);
    EXPECT_EQ(Texts{"Vessel_EscapeToPositionFinished()"}, Of(Take(), "runner"));
    EXPECT_LT(Distance(Where(runner), MAT_Vector3(0.0f, 400.0f, 30.0f)), 30.0f);

    // A vessel without the section escapes in legs of length 0 and says so once.
    Send(plain, NOD_Vessel_EscapeToPosSim::Create(SIM_Path("/haven"), SIM_Path(""), SIM_Path(""), SIM_Path("")));
    EXPECT_TRUE(Logged("Vessel plain has no EscapeBehaviour section: its escape legs have length 0"));
    Steps(5);
    EXPECT_FALSE(std::isnan(Where(plain).x));
}
}  // namespace
