// The ordered scene beside the fight: two more vessels and a vehicle that patrol, park, walk
// paths, escort, escape, stop and sink; the trigger's and the bodies' watches; two mines in the
// patrol's way (one switched off and on again, one that chases and bursts into debris); glows
// under the moving bodies; and a little story told from a sentence file. Every notification a
// thread of these bodies gets is logged as "order: <kind> <node> <arguments>" and counted by
// kind; the order that follows it is sent from its handler.
#include <algorithm>
#include <array>
#include <cmath>

#include "tools_escape.h"
#include "tools_lights.h"
#include "tools_mine.h"
#include "tools_sample_local.h"
#include "tools_scenario_local.h"
#include "tools_tga.h"
#include "tools_vessel.h"

namespace
{
// Offsets from the player's start (its nose looks along +y); heights are kept at least
// CLEARANCE above the ground below them.
constexpr f32 CLEARANCE = 12.0f;
constexpr f32 PATROLLER[3] = {20.0f, 95.0f, 0.0f};
constexpr f32 ESCORT[3] = {38.0f, 85.0f, 2.0f};
constexpr f32 ROVER[2] = {-45.0f, 105.0f};
constexpr f32 PATROL_AREA[3] = {0.0f, 95.0f, 0.0f};
constexpr f32 PARK_AREA[2] = {-45.0f, 110.0f};
constexpr f32 ROUTE[3][3] = {{20.0f, 112.0f, 0.0f}, {8.0f, 122.0f, 2.0f}, {-6.0f, 114.0f, 0.0f}};
constexpr f32 DEEP[3] = {-6.0f, 114.0f, -25.0f};
constexpr f32 ROAD[3][2] = {{-50.0f, 100.0f}, {-35.0f, 115.0f}, {-50.0f, 130.0f}};
constexpr f32 HAVEN[3] = {55.0f, 110.0f, 0.0f};
constexpr f32 SENTRY[3] = {0.0f, 115.0f, 0.0f};
constexpr f32 MINE_OFF[3] = {-10.0f, 125.0f, 0.0f};
constexpr f32 MINE_CHASE[3] = {25.0f, 110.0f, 0.0f};

const char* const PATROLLER_FILE = "osd/orders/vessel_patrol.osd";
const char* const ESCORT_FILE = "osd/orders/vessel_escort.osd";
const char* const ROVER_FILE = "osd/orders/vehicle.osd";
const char* const MINE_FILE = "osd/orders/mine.osd";
const char* const HALO_FILE = "osd/glow/halo.osd";
const char* const HALO_BOX_FILE = "osd/glow/halo_box.osd";
const char* const CONE_FILE = "osd/glow/cone.osd";
const char* const LIGHT_FILE = "osd/glow/light.osd";
const char* const FLARE_FILE = "osd/glow/flare.osd";
const char* const SENTENCE_FILE = "story/sample.des";

// The notification kinds the probe line counts, in its order.
const char* const KINDS[] = {
    "Vessel_PatrolFinished",   "Vessel_GotoPosReached",      "Vessel_GotoArrived",
    "Vessel_EscortPosReached", "Vessel_EscortOverride",      "Vessel_EscapeToPositionFinished",
    "Vehicle_PatrolOverride",  "Vehicle_ParkPatrolFinished", "Vehicle_GotoPosReached",
    "Vehicle_GotoArrived",     "Trigger_EnterPresence",      "Body_EnemyArrivalPatrol",
    "Body_EnemyArrival",       "Body_ObjectDestroyed",
};

// Backslashed and quoted for Lua.
std::string Quoted(const std::string& _path)
{
    std::string s = "'";
    for (char c : _path)
        s += c == '/' ? std::string("\\\\") : std::string(1, c);
    return s + "'";
}

std::array<f32, 3> Above(const TOOL_Scenario& _scenario, const f32 _offset[3])
{
    const f32 x = _scenario.playerStart[0] + _offset[0], y = _scenario.playerStart[1] + _offset[1];
    const f32 z = _scenario.playerStart[2] + _offset[2];
    return {x, y, std::max(z, TOOL_ScenarioGround(_scenario.terrainDirectory, x, y) + CLEARANCE)};
}

std::array<f32, 3> Ground(const TOOL_Scenario& _scenario, const f32 _offset[2], f32 _lift)
{
    const f32 x = _scenario.playerStart[0] + _offset[0], y = _scenario.playerStart[1] + _offset[1];
    return {x, y, TOOL_ScenarioGround(_scenario.terrainDirectory, x, y) + _lift};
}

std::string Vector(const std::array<f32, 3>& _at) { return TOOL_ScenarioVector(_at.data()); }

// A node of _className under _father, named, described and entered; Orders[_name] holds it.
std::string Make(const std::string& _father, const char* _className, const char* _name, const char* _file,
                 const std::array<f32, 3>* _at)
{
    const std::string node = "Orders." + std::string(_name);
    std::string s;
    s += "    " + node + " = Node_CreateNode(nil, '" + _className + "', '" + _name + "')\n";
    s += "    Node_AddSon(" + _father + ", " + node + ")\n";
    if (_at != nullptr)
        s += "    Body_SetPosition(" + node + ", " + Vector(*_at) + ")\n";
    if (_file != nullptr)
        s += "    Node_ParseIniFile(" + node + ", " + Quoted(_file) + ")\n";
    s += "    Node_EnterSimulation(" + node + ")\n";
    return s;
}

// A radial glow fading to transparent at the rim, as the texture cache looks for it: one
// picture per level from _side down to 1 x 1.
std::vector<std::pair<std::string, std::string>> GlowTexture(const std::string& _name, s32 _side, f32 _r, f32 _g,
                                                             f32 _b)
{
    std::vector<std::pair<std::string, std::string>> files;
    s32 level = 0;
    while ((1 << level) < _side)
        ++level;
    for (; level >= 0; --level) {
        const s32 side = 1 << level;
        TOOL_TGA picture = TOOL_MakeTGA(side, side, 32, 0);
        for (s32 y = 0; y < side; ++y)
            for (s32 x = 0; x < side; ++x) {
                const f32 u = ((f32)x + 0.5f) / (f32)side * 2.0f - 1.0f;
                const f32 v = ((f32)y + 0.5f) / (f32)side * 2.0f - 1.0f;
                const f32 rim = std::max(0.0f, 1.0f - std::sqrt(u * u + v * v));
                const f32 alpha = side == 1 ? 0.5f : rim * rim;
                picture.pixels[(size_t)(y * side + x)] = TOOL_Pack(TOOL_Colour{_r, _g, _b, alpha});
            }
        const std::string suffix = level == 9 ? "09" : std::to_string(level);
        files.emplace_back(_name + "_l" + suffix + ".tga", TOOL_TGABytes(picture));
    }
    return files;
}
}  // namespace

std::string TOOL_OrdersThreads(const TOOL_Scenario& _scenario)
{
    (void)_scenario;
    std::string s;
    s += "Orders = { counts = {}, kinds = {";
    for (const char* kind : KINDS)
        s += " '" + std::string(kind) + "',";
    s += " } }\n";
    // One log line per notification: its kind, the node of the thread and the arguments
    // (names as they are, nodes by their names, numbers rounded to two places).
    s += "function Orders.Note(kind, thread, ...)\n";
    s += "    Orders.counts[kind] = (Orders.counts[kind] or 0) + 1\n";
    s += "    local text = 'order: ' .. kind .. ' ' .. Node_GetName(thread.node)\n";
    s += "    for i = 1, select('#', ...) do\n";
    s += "        local value = select(i, ...)\n";
    s += "        if type(value) == 'number' then\n";
    s += "            text = text .. ' ' .. string.format('%.2f', value)\n";
    s += "        elseif type(value) == 'string' then\n";
    s += "            text = text .. ' ' .. value\n";
    s += "        elseif value ~= nil and Script_IsNodeRefValid(value) == 1 then\n";
    s += "            text = text .. ' ' .. (Node_GetName(value) or '?')\n";
    s += "        else\n";
    s += "            text = text .. ' -'\n";
    s += "        end\n";
    s += "    end\n";
    s += "    Script_Log(text)\n";
    s += "end\n";
    // A state whose handlers log and count every kind, then run the state's own follow-up.
    s += "function Orders.State(followUps)\n";
    s += "    local state = { BeginPlay = followUps.BeginPlay, Timer = followUps.Timer }\n";
    s += "    for _, kind in ipairs(Orders.kinds) do\n";
    s += "        local followUp = followUps[kind]\n";
    s += "        state[kind] = function(thread, ...)\n";
    s += "            Orders.Note(kind, thread, ...)\n";
    s += "            if followUp ~= nil then\n";
    s += "                followUp(thread, ...)\n";
    s += "            end\n";
    s += "        end\n";
    s += "    end\n";
    s += "    return state\n";
    s += "end\n";
    // The patroller: a patrol of the area, the route whole, back from its last position to its
    // first, a sink towards the deep position, then a brake.
    s += "Patroller = Orders.State({\n";
    s += "    BeginPlay = function(thread)\n";
    s += "        Vessel_Patrol(thread.node, '/patrol1', 0, 0.3, 0.4, 0.1, 20, 1.0, 1.2, 1)\n";
    s += "    end,\n";
    s += "    Vessel_PatrolFinished = function(thread)\n";
    s += "        Vessel_GotoFromTo(thread.node, '/route1', 'p1', 'p0', 1, 2)\n";
    s += "    end,\n";
    s += "    Vessel_GotoArrived = function(thread)\n";
    s += "        thread.walks = (thread.walks or 0) + 1\n";
    s += "        if thread.walks == 1 then\n";
    s += "            Vessel_Sink(thread.node, '/deep', 1)\n";
    s += "        else\n";
    s += "            Vessel_Stop(thread.node, 1)\n";
    s += "        end\n";
    s += "    end,\n";
    s += "    Vessel_SinkFinished = function(thread)\n";
    s += "        Vessel_Goto(thread.node, '/route1', 1, 2)\n";
    s += "    end,\n";
    s += "})\n";
    // The escort keeps station beside the patroller, then breaks away from the player towards
    // the haven and stops there facing the route's first position.
    s += "Escort = Orders.State({\n";
    s += "    BeginPlay = function(thread)\n";
    s += "        Vessel_Escort(thread.node, Node_Find(nil, '/vessel3'), MAT_Vector3(12, -8, 2), 15)\n";
    s += "    end,\n";
    s += "    Vessel_EscortPosReached = function(thread)\n";
    s += "        Vessel_EscapeToPosSim(thread.node, '/haven', '/player1', '', '')\n";
    s += "    end,\n";
    s += "    Vessel_EscapeToPositionFinished = function(thread)\n";
    s += "        Vessel_StopWithHeading(thread.node, '/route1', 'p0')\n";
    s += "    end,\n";
    s += "})\n";
    // The rover patrols its area until its timer parks it, then drives the road from its
    // second position and stops.
    s += "Rover = Orders.State({\n";
    s += "    BeginPlay = function(thread)\n";
    s += "        Vehicle_GotoFromPosition(thread.node, '/road1', 'q1', 1, 2)\n";
    s += "    end,\n";
    s += "    Vehicle_GotoArrived = function(thread)\n";
    s += "        Vehicle_Patrol(thread.node, '/patrol2', 0.5, 0.2, 30, 2, 0)\n";
    s += "        Thread_SetTimer(thread, 1.0)\n";
    s += "    end,\n";
    s += "    Timer = function(thread)\n";
    s += "        Vehicle_ParkPatrol(thread.node, '/patrol2')\n";
    s += "    end,\n";
    s += "    Vehicle_ParkPatrolFinished = function(thread)\n";
    s += "        Vehicle_Stop(thread.node)\n";
    s += "    end,\n";
    s += "})\n";
    // The watchers: the trigger, the weak vessel's shot and shield reports, the building's
    // turret watching for vessels.
    s += "Watcher = Orders.State({})\n";
    // The mine keeper switches the first mine off at once and on again after a while.
    s += "MineKeeper = {\n";
    s += "    Timer = function(thread)\n";
    s += "        Mine_Activate(Orders.mine1)\n";
    s += "        Script_Log('order: mine1 active ' .. Mine_IsActive(Orders.mine1))\n";
    s += "    end,\n";
    s += "}\n";
    // The story teller logs one sentence of the dialog per timer.
    s += "Teller = {\n";
    s += "    BeginPlay = function(thread)\n";
    s += "        thread.next = 0\n";
    s += "        Thread_SetTimer(thread, 0.5)\n";
    s += "    end,\n";
    s += "    Timer = function(thread)\n";
    s += "        if thread.next < Dialog_GetNumOfSentences(Orders.dialog1) then\n";
    s += "            Script_Log(Dialog_GetActor(Orders.dialog1, thread.next) .. ': ' .. "
         "Dialog_GetSentenceText(Orders.dialog1, thread.next))\n";
    s += "            thread.next = thread.next + 1\n";
    s += "            Thread_SetTimer(thread, 0.75)\n";
    s += "        end\n";
    s += "    end,\n";
    s += "}\n\n";
    return s;
}

std::string TOOL_OrdersStartUp(const TOOL_Scenario& _scenario)
{
    std::string s;
    s += "    Orders.root = Scene.root\n";
    // Paths, positions and areas.
    auto position = [&](const std::string& _father, const char* _name, const std::array<f32, 3>& _at, f32 _radius) {
        std::string p;
        p += "    Orders.point = Node_CreateNode(nil, 'nod_position', '" + std::string(_name) + "')\n";
        p += "    Position_SetPosition(Orders.point, " + Vector(_at) + ")\n";
        p += "    Position_SetRadius(Orders.point, " + TOOL_ScenarioNumber(_radius) + ")\n";
        p += "    Node_AddSon(" + _father + ", Orders.point)\n";
        return p;
    };
    s += Make("Scene.root", "nod_path", "route1", nullptr, nullptr);
    for (s32 i = 0; i < 3; ++i)
        s += position("Orders.route1", ("p" + std::to_string(i)).c_str(), Above(_scenario, ROUTE[i]), 5.0f);
    s += position("Scene.root", "deep", Above(_scenario, DEEP), 2.0f);
    s += Make("Scene.root", "nod_path", "road1", nullptr, nullptr);
    for (s32 i = 0; i < 3; ++i)
        s += position("Orders.road1", ("q" + std::to_string(i)).c_str(), Ground(_scenario, ROAD[i], 1.0f), 8.0f);
    s += position("Scene.root", "haven", Above(_scenario, HAVEN), 15.0f);
    auto area = [&](const char* _name, const std::array<f32, 3>& _centre, f32 _radius, f32 _minZ, f32 _maxZ) {
        std::string a = Make("Scene.root", "NOD_PatrolArea", _name, nullptr, nullptr);
        const std::string node = "Orders." + std::string(_name);
        a += "    PatrolArea_SetPosition(" + node + ", " + Vector(_centre) + ")\n";
        a += "    PatrolArea_SetRadius(" + node + ", " + TOOL_ScenarioNumber(_radius) + ")\n";
        a += "    PatrolArea_SetMinZ(" + node + ", " + TOOL_ScenarioNumber(_minZ) + ")\n";
        a += "    PatrolArea_SetMaxZ(" + node + ", " + TOOL_ScenarioNumber(_maxZ) + ")\n";
        return a;
    };
    s += area("patrol1", Above(_scenario, PATROL_AREA), 110.0f, -15.0f, 15.0f);
    s += area("patrol2", Ground(_scenario, PARK_AREA, 0.0f), 30.0f, -60.0f, 60.0f);
    // The bodies and their switches.
    const std::array<f32, 3> patroller = Above(_scenario, PATROLLER), escort = Above(_scenario, ESCORT);
    const std::array<f32, 3> rover = Ground(_scenario, ROVER, TOOL_VEHICLE_SIZE[2] * 0.5f);
    s += Make("Scene.root", "NOD_Vessel", "vessel3", PATROLLER_FILE, &patroller);
    s += Make("Scene.root", "NOD_Vessel", "vessel4", ESCORT_FILE, &escort);
    s += Make("Scene.root", "NOD_Vehicle", "vehicle2", ROVER_FILE, &rover);
    for (const char* vessel : {"vessel3", "vessel4"}) {
        const std::string v = std::string("Orders.") + vessel;
        s += "    Vessel_CollisionObjects(" + v + ", 1)\n";
        s += "    Vessel_CollisionTerrain(" + v + ", 1)\n";
        s += "    Vessel_AvoidanceObjects(" + v + ", 1)\n";
        s += "    Vessel_AvoidanceTerrain(" + v + ", 1)\n";
    }
    s += "    Vehicle_CollisionObjects(Orders.vehicle2, 1)\n";
    s += "    Vehicle_CollisionTerrain(Orders.vehicle2, 1)\n";
    s += "    Vehicle_AvoidanceTerrain(Orders.vehicle2, 1)\n";
    // Glows: a halo with its own sphere and a flare on the patroller, a halo on the rover's
    // box, a cone and a light on the escort.
    s += Make("Orders.vessel3", "NOD_Halo", "halo1", HALO_FILE, nullptr);
    s += Make("Orders.vessel3", "NOD_Flare", "flare1", FLARE_FILE, nullptr);
    s += Make("Orders.vehicle2", "NOD_Halo", "halo2", HALO_BOX_FILE, nullptr);
    s += Make("Orders.vessel4", "NOD_Cone", "cone1", CONE_FILE, nullptr);
    s += Make("Orders.vessel4", "NOD_Light", "light1", LIGHT_FILE, nullptr);
    // Mines in the patrol's way.
    const std::array<f32, 3> mineOff = Above(_scenario, MINE_OFF), mineChase = Above(_scenario, MINE_CHASE);
    s += Make("Scene.root", "NOD_Mine", "mine1", MINE_FILE, &mineOff);
    s += Make("Scene.root", "NOD_Mine", "mine2", MINE_FILE, &mineChase);
    s += "    Mine_Deactivate(Orders.mine1)\n";
    s += "    Script_Log('order: mine1 active ' .. Mine_IsActive(Orders.mine1))\n";
    // Watches.
    s += "    Body_SetPosition(Armed.trigger1, " + Vector(Above(_scenario, SENTRY)) + ")\n";
    s += "    Trigger_SetPresenceSphere(Armed.trigger1, 25)\n";
    s += "    Trigger_ActivateSensor(Armed.trigger1, 1, 0, 0)\n";
    s += "    Trigger_SetInterestList(Armed.trigger1, 'vessel', 'vehicle', 'mine', '')\n";
    s += "    Body_InformEnemyPatrol(Orders.vessel3, 150, 'player', '', '', '', '/patrol1')\n";
    s += "    Body_ActivateShieldGuard(Armed.vessel1)\n";

    s += "    Orders.sentry = Node_Find(nil, '/building1/turret')\n";
    s += "    Body_InformEnemies(Orders.sentry, 150, 'vessel', '', '', '')\n";
    // The story's people and places, and its dialog.
    s += Make("Scene.root", "NOD_Story_Station", "station1", nullptr, nullptr);
    s += "    Station_SetStationNumber(Orders.station1, 3)\n";
    s += Make("Scene.root", "NOD_Story_Room", "room1", nullptr, nullptr);
    s += "    Room_SetRoomNumber(Orders.room1, 7)\n";
    const char* const people[] = {"Maren", "Toller"};
    for (s32 i = 0; i < 2; ++i) {
        const std::string name = "character" + std::to_string(i + 1);
        s += Make("Scene.root", "NOD_Story_Character", name.c_str(), nullptr, nullptr);
        s += "    Character_SetCharacterNumber(Orders." + name + ", " + std::to_string(i) + ")\n";
        s += "    Character_SetCharacterName(Orders." + name + ", '" + people[i] + "')\n";
    }
    s += "    Script_Log('story: ' .. Character_GetCharacterName(Orders.character1) .. ' and ' .. "
         "Character_GetCharacterName(Orders.character2) .. ' at station ' .. "
         "Station_GetStationNumber(Orders.station1) .. ' room ' .. Room_GetRoomNumber(Orders.room1))\n";
    s += Make("Scene.root", "NOD_Story_Dialog", "dialog1", nullptr, nullptr);
    s += "    Dialog_SetSentenceFile(Orders.dialog1, " + Quoted(SENTENCE_FILE) + ")\n";
    // The threads.
    s += "    Orders.threads = {\n";
    s += "        Thread_Bind(Orders.vessel3, Patroller), Thread_Bind(Orders.vessel4, Escort),\n";
    s += "        Thread_Bind(Orders.vehicle2, Rover), Thread_Bind(Armed.trigger1, Watcher),\n";
    s += "        Thread_Bind(Armed.vessel1, Watcher),\n";
    s += "        Thread_Bind(Orders.sentry, Watcher),\n";
    s += "        Thread_Bind(Orders.mine2, Watcher),\n";
    s += "    }\n";
    s += "    Orders.keeper = Thread_Bind(Orders.mine1, MineKeeper)\n";
    s += "    Thread_SetTimer(Orders.keeper, 2.5)\n";
    s += "    Orders.teller = Thread_Bind(Orders.dialog1, Teller)\n";
    return s;
}

std::string TOOL_OrdersLog()
{
    std::string s = "        Script_Log('orders:'";
    for (const char* kind : KINDS)
        s += " .. ' " + std::string(kind) + " ' .. (Orders.counts['" + kind + "'] or 0)";
    return s + ")\n";
}

std::vector<std::pair<std::string, std::string>> TOOL_OrdersFiles(const TOOL_Scenario& _scenario)
{
    (void)_scenario;
    std::vector<std::pair<std::string, std::string>> files;
    const std::string vfx = "vfx/";
    TOOL_VesselDescription vessel;
    files.emplace_back(vfx + PATROLLER_FILE, TOOL_VesselDescriptionText(vessel));
    TOOL_EscapeSection escape;
    escape.meanDist = 25.0f;
    escape.devDist = 5.0f;
    escape.strikeTimeOut = 3.0f;
    files.emplace_back(vfx + ESCORT_FILE, TOOL_VesselDescriptionText(vessel) + TOOL_EscapeSectionText(escape));
    TOOL_VehicleDescription vehicle;
    vehicle.children = TOOL_VehicleWheelChildren(0);
    files.emplace_back(vfx + ROVER_FILE, TOOL_VehicleDescriptionText(vehicle));
    files.emplace_back(vfx + MINE_FILE, TOOL_MineDescriptionText(TOOL_MineDescription()));
    for (auto& file : TOOL_MineFiles())
        files.push_back(std::move(file));
    // Glows: warm headlights, a cold cone.
    TOOL_HaloDescription halo;
    halo.scale[0] = halo.scale[1] = 5.0f;
    halo.color[0] = 1.0f;
    halo.color[1] = 0.85f;
    halo.color[2] = 0.5f;
    halo.hasRadius = true;
    halo.radius = 3.0f;
    files.emplace_back(vfx + HALO_FILE, TOOL_HaloDescriptionText(halo));
    halo.hasRadius = false;
    halo.color[0] = 0.5f;
    halo.color[1] = 0.9f;
    halo.color[2] = 1.0f;
    halo.opacity = 0.8f;
    files.emplace_back(vfx + HALO_BOX_FILE, TOOL_HaloDescriptionText(halo));
    TOOL_ConeDescription cone;
    cone.scale[0] = cone.scale[1] = cone.scale[2] = 1.5f;
    files.emplace_back(vfx + CONE_FILE, TOOL_ConeDescriptionText(cone));
    files.emplace_back("vfx/msh/cone.msh", TOOL_LightConeMeshText(12.0f, 4.0f, 12, ""));
    files.emplace_back(vfx + LIGHT_FILE, TOOL_LightDescriptionText(TOOL_LightDescription()));
    TOOL_FlareDescription flare;
    for (s32 i = 0; i < 3; ++i) {
        TOOL_FlarePlane plane;
        plane.distance = 0.3f * (f32)i;
        plane.scale[0] = plane.scale[1] = 0.15f - 0.04f * (f32)i;
        plane.angle = 20.0f * (f32)i;
        plane.color[2] = 0.7f + 0.1f * (f32)i;
        plane.opacity = 0.6f;
        flare.planes.push_back(plane);
    }
    files.emplace_back(vfx + FLARE_FILE, TOOL_FlareDescriptionText(flare));
    for (auto& file : GlowTexture("vfx/tex/fx/halo01", 64, 1.0f, 0.95f, 0.8f))
        files.push_back(std::move(file));
    for (auto& file : GlowTexture("vfx/tex/fx/flare01", 32, 0.8f, 0.9f, 1.0f))
        files.push_back(std::move(file));
    // The story.
    TOOL_SentenceFile story;
    story.sentences = {
        {"Maren", "The patrol is out. Two boats and the crawler.", -1},
        {"Toller", "Mines are in their way. One of them is asleep.", -1},
        {"Maren", "Wake it when they pass. Keep the other one hungry.", -1},
        {"Toller", "Station three, room seven. I will be listening.", -1},
    };
    files.emplace_back(SENTENCE_FILE, TOOL_SentenceFileText(story));
    return files;
}
