// The armed scene: "/player1" a player with its cockpit, launchers and three guns, two vessels
// ahead of it (one with a weak shield), a vehicle with its turret and wheels on the ground, an
// attackable building with a turret, and a trigger; a pilot thread plays the player's inputs
// from a timed table, a director moves the camera from the player's eyes to following it and
// then to its loop, and a probe counts what the fight makes.
#include <algorithm>
#include <array>

#include "tools_guns.h"
#include "tools_launch.h"
#include "tools_player.h"
#include "tools_scenario_local.h"
#include "tools_turret.h"
#include "tools_vessel.h"

namespace
{
// Offsets from the player's start: the nose looks along +y.
constexpr f32 WEAK_VESSEL[3] = {0.0f, 40.0f, 0.0f};
constexpr f32 STRONG_VESSEL[3] = {10.0f, 75.0f, 3.0f};
constexpr f32 VEHICLE[2] = {-18.0f, 55.0f};
constexpr f32 BUILDING[2] = {26.0f, 70.0f};

const char* const PLAYER_FILE = "osd/player/player.osd";
const char* const COCKPIT_FILE = "osd/player/cockpit.osd";
const char* const VESSEL_WEAK_FILE = "osd/armed/vessel_weak.osd";
const char* const VESSEL_FILE = "osd/armed/vessel.osd";
const char* const VEHICLE_FILE = "osd/armed/vehicle.osd";
const char* const BUILDING_FILE = "osd/armed/building1.osd";

// The pilot's inputs: (scene second, command, pressed, value).
struct Input
{
    f32 at;
    const char* command;
    u32 pressed;
    f32 value;
};
constexpr Input INPUTS[] = {
    {0.10f, "pfire", 1, 0.0f},       {0.20f, "incspeed", 1, 0.0f}, {0.50f, "incspeed", 0, 0.0f},
    {1.20f, "launch", 1, 0.0f},      {1.30f, "launch", 0, 0.0f},   {1.60f, "pfire", 0, 0.0f},
    {1.70f, "cyclegun", 1, 0.0f},    {1.75f, "cyclegun", 0, 0.0f}, {1.80f, "pfire", 1, 0.0f},
    {2.20f, "sfire", 1, 0.0f},       {2.60f, "sfire", 0, 0.0f},    {2.80f, "ejectbuzzer", 1, 0.0f},
    {2.85f, "ejectbuzzer", 0, 0.0f}, {3.40f, "pfire", 0, 0.0f},    {3.50f, "head", 1, 0.5f},
    {3.90f, "head", 0, 0.0f},        {4.00f, "pitch", 1, 0.3f},    {4.30f, "pitch", 0, 0.0f},
};
// The director: the camera looks from the player, follows it, then follows the patrolling
// vessel of the ordered scene. The player's
// frame is there from its second step on: the camera starts on its loop until then.
constexpr f32 LOOK_AT = 0.1f;
constexpr f32 FOLLOW_AT = 1.5f;
constexpr f32 FLY_AT = 3.0f;

std::string Path(std::string _name)
{
    std::replace(_name.begin(), _name.end(), '/', '\\');
    return "'" + [&] {
        std::string doubled;
        for (char c : _name) {
            if (c == '\\')
                doubled += '\\';
            doubled += c;
        }
        return doubled;
    }() + "'";
}

std::array<f32, 3> At(const TOOL_Scenario& _scenario, const f32 _offset[3])
{
    return {_scenario.playerStart[0] + _offset[0], _scenario.playerStart[1] + _offset[1],
            _scenario.playerStart[2] + _offset[2]};
}

std::array<f32, 3> OnGround(const TOOL_Scenario& _scenario, const f32 _offset[2], f32 _halfHeight)
{
    const f32 x = _scenario.playerStart[0] + _offset[0], y = _scenario.playerStart[1] + _offset[1];
    return {x, y, TOOL_ScenarioGround(_scenario.terrainDirectory, x, y) + _halfHeight};
}

// A body of _className under the root, placed, described and entered.
std::string Body(const char* _className, const char* _name, const char* _file, const std::array<f32, 3>& _at)
{
    std::string s;
    s += "    Armed." + std::string(_name) + " = Node_CreateNode(nil, '" + _className + "', '" + _name + "')\n";
    s += "    Node_AddSon(Scene.root, Armed." + std::string(_name) + ")\n";
    s += "    Body_SetPosition(Armed." + std::string(_name) + ", " + TOOL_ScenarioVector(_at.data()) + ")\n";
    s += "    Node_ParseIniFile(Armed." + std::string(_name) + ", " + Path(_file) + ")\n";
    s += "    Node_EnterSimulation(Armed." + std::string(_name) + ")\n";
    return s;
}

std::vector<std::string> VesselSons()
{
    auto son = [](s32 _index, const char* _className) {
        TOOL_ChildSection child;
        child.index = _index;
        child.nameCLA = _className;
        child.translation[1] = _index == 0 ? 4.0f : _index == 1 ? -4.0f : 5.0f;
        return child;
    };
    TOOL_NPCGunDescription gun;
    TOOL_TorpedoLauncherDescription torpedoes;
    torpedoes.torpedoType = 1;
    TOOL_TurretDescription turret;
    turret.mount = TOOL_TURRET_TURRGUN;
    const f32 top[3] = {0.0f, 0.0f, 2.5f};
    return {
        TOOL_WeaponChildText(son(0, "NOD_TorpedoLauncher"), "torlaunch",
                             TOOL_TorpedoLauncherDescriptionText(torpedoes)),
        TOOL_WeaponChildText(son(1, "NOD_BuzzerLauncher"), "buzzlaunch",
                             TOOL_BuzzerLauncherDescriptionText(TOOL_BuzzerLauncherDescription())),
        TOOL_WeaponChildText(son(2, "NOD_NPC_Gun"), "gun", TOOL_NPCGunDescriptionText(gun)),
        TOOL_TurretChildText(3, turret, top),
    };
}

TOOL_VesselDescription Vessel(bool _weak)
{
    TOOL_VesselDescription description;
    description.buzzerParam = TOOL_BuzzerParamSection{60.0f, 0.3f, 1.0f, 3};
    description.children = VesselSons();
    // The weak one breaks into the pieces of the player's visual when it dies.
    if (_weak)
        description.visual = {"", "pla_zaredodoviv.ash"};
    if (_weak)
        for (s32 face = 0; face < 6; ++face)
            description.shield.faceIn[face] = description.shield.faceInMax[face] = 2;
    return description;
}
}  // namespace

std::string TOOL_ArmedThreads(const TOOL_Scenario& _scenario)
{
    (void)_scenario;
    std::string s;
    s += "PilotInputs = {\n";
    for (const Input& input : INPUTS)
        s += "    {" + TOOL_ScenarioNumber(input.at) + ", '" + input.command + "', " + std::to_string(input.pressed) +
             ", " + TOOL_ScenarioNumber(input.value) + "},\n";
    s += "}\n\n";
    // The pilot plays every input whose time has come, once per simulation step.
    s += "Pilot = {\n";
    s += "    BeginPlay = function(thread)\n";
    s += "        thread.time = 0\n";
    s += "        thread.next = 1\n";
    s += "        Thread_SetTimer(thread, 0.05)\n";
    s += "    end,\n";
    s += "    Timer = function(thread)\n";
    s += "        thread.time = thread.time + 0.05\n";
    s += "        while PilotInputs[thread.next] ~= nil and PilotInputs[thread.next][1] <= thread.time + 0.001 do\n";
    s += "            local input = PilotInputs[thread.next]\n";
    s += "            Player_Input(thread.node, input[2], input[3], input[4])\n";
    s += "            thread.next = thread.next + 1\n";
    s += "        end\n";
    s += "        Thread_SetTimer(thread, 0.05)\n";
    s += "    end,\n";
    s += "}\n\n";
    // The probe walks the tree every step: bullets by their prototypes' names, launched bodies
    // (torpedoes and buzzers, the root's sons without a name), debris and shrapnel ("deb"
    // nodes); each count grows by what appeared since the step before. The four armed bodies
    // not among the root's sons are gone.
    s += "ArmedProbe = { bullets = 0, launched = 0, debris = 0, gone = 0,\n";
    s += "    last = { bullets = 0, launched = 0, debris = 0 },\n";
    s += "    bulletNames = { doommortar = 1, flak = 1, plasmagatlin = 1, sizzler = 1, vendettagat = 1, vendetta = 1 "
         "},\n";
    s += "    bodyNames = { vessel1 = 1, vessel2 = 1, vehicle1 = 1, building1 = 1 } }\n";
    s += "function ArmedProbe.Walk(node, counts, top)\n";
    s += "    for i = 0, (Node_GetNumOfSons(node) or 0) - 1 do\n";
    s += "        local son = Node_GetSon(node, i)\n";
    s += "        local name = son and Node_GetName(son)\n";
    s += "        if name == nil or name == '' then\n";
    s += "            if top then\n";
    s += "                counts.launched = counts.launched + 1\n";
    s += "            end\n";
    s += "        elseif top and ArmedProbe.bodyNames[name] ~= nil then\n";
    s += "            counts.bodies = counts.bodies + 1\n";
    s += "        elseif ArmedProbe.bulletNames[name] ~= nil then\n";
    s += "            counts.bullets = counts.bullets + 1\n";
    s += "        elseif string.sub(name, 1, 3) == 'deb' then\n";
    s += "            counts.debris = counts.debris + 1\n";
    s += "        end\n";
    s += "        if son ~= nil then\n";
    s += "            ArmedProbe.Walk(son, counts, false)\n";
    s += "        end\n";
    s += "    end\n";
    s += "end\n";
    s += "ArmedProber = {\n";
    s += "    BeginPlay = function(thread)\n";
    s += "        Thread_SetTimer(thread, 0.05)\n";
    s += "    end,\n";
    s += "    Timer = function(thread)\n";
    s += "        local counts = { bullets = 0, launched = 0, debris = 0, bodies = 0 }\n";
    s += "        ArmedProbe.Walk(Scene.root, counts, true)\n";
    s += "        for _, kind in ipairs({'bullets', 'launched', 'debris'}) do\n";
    s += "            if counts[kind] > ArmedProbe.last[kind] then\n";
    s += "                ArmedProbe[kind] = ArmedProbe[kind] + counts[kind] - ArmedProbe.last[kind]\n";
    s += "            end\n";
    s += "            ArmedProbe.last[kind] = counts[kind]\n";
    s += "        end\n";
    s += "        ArmedProbe.gone = 4 - counts.bodies\n";
    s += "        Thread_SetTimer(thread, 0.05)\n";
    s += "    end,\n";
    s += "}\n\n";
    s += "Director = {\n";
    s += "    Timer = function(thread)\n";
    s += "        thread.stage = (thread.stage or 0) + 1\n";
    s += "        if thread.stage == 1 then\n";
    s += "            Camera_LookFrom(Scene.camera, '/player1')\n";
    s += "            Thread_SetTimer(thread, " + TOOL_ScenarioNumber(FOLLOW_AT - LOOK_AT) + ")\n";
    s += "        elseif thread.stage == 2 then\n";
    s += "            Camera_Follow(Scene.camera, '/player1', " + TOOL_ScenarioNumber(_scenario.followDistance) + ", " +
         TOOL_ScenarioNumber(_scenario.followAlpha) + ", " + TOOL_ScenarioNumber(_scenario.followBeta) + ")\n";
    s += "            Thread_SetTimer(thread, " + TOOL_ScenarioNumber(FLY_AT - FOLLOW_AT) + ")\n";
    s += "        else\n";
    s += "            Camera_Follow(Scene.camera, '/vessel3', 40, 150, -15)\n";
    s += "        end\n";
    s += "    end,\n";
    s += "}\n\n";
    return s;
}

std::string TOOL_ArmedStartUp(const TOOL_Scenario& _scenario, const std::string& _cameraFlight)
{
    std::string s;
    s += "    Armed = {}\n";
    s += "    Armed.FlyCamera = function()\n";
    s += "    " + _cameraFlight;
    s += "    end\n";
    s += "    Game_SetPlayer(Scene.root, '/player1')\n";
    for (const char* weapon : {"vendetta1", "flak", "sizzler"})
        s += "    Player_AddWeapon(Scene.player1, '" + std::string(weapon) + "')\n";
    s += Body("NOD_Vessel", "vessel1", VESSEL_WEAK_FILE, At(_scenario, WEAK_VESSEL));
    s += Body("NOD_Vessel", "vessel2", VESSEL_FILE, At(_scenario, STRONG_VESSEL));
    s += Body("NOD_Vehicle", "vehicle1", VEHICLE_FILE, OnGround(_scenario, VEHICLE, TOOL_VEHICLE_SIZE[2] * 0.5f));
    s += Body("NOD_Generic", "building1", BUILDING_FILE, OnGround(_scenario, BUILDING, TOOL_BUILDING_SIZE[2] * 0.5f));
    s += "    Armed.trigger1 = Node_CreateNode(nil, 'NOD_Trigger', 'trigger1')\n";
    s += "    Node_AddSon(Scene.root, Armed.trigger1)\n";
    s += "    Node_EnterSimulation(Armed.trigger1)\n";
    // The switches, sent as a mission script sends them; no behaviour orders.
    for (const char* vessel : {"vessel1", "vessel2"}) {
        const std::string v = std::string("Armed.") + vessel;
        s += "    Vessel_CollisionObjects(" + v + ", 1)\n";
        s += "    Vessel_CollisionTerrain(" + v + ", 1)\n";
        s += "    Vessel_AvoidanceObjects(" + v + ", 1)\n";
        s += "    Vessel_AvoidanceTerrain(" + v + ", 1)\n";
        s += "    Vessel_NonCollideAvoid(" + v + ", Armed.building1, Armed.vehicle1)\n";
    }
    s += "    Vehicle_CollisionObjects(Armed.vehicle1, 1)\n";
    s += "    Vehicle_CollisionTerrain(Armed.vehicle1, 1)\n";
    s += "    Vehicle_AvoidanceObjects(Armed.vehicle1, 1)\n";
    s += "    Vehicle_AvoidanceTerrain(Armed.vehicle1, 1)\n";
    s += "    Vehicle_NonCollideAvoid(Armed.vehicle1, Armed.building1, Armed.vessel1)\n";
    for (const char* turret : {"/vessel1/turret", "/vessel2/turret", "/vehicle1/Turm1", "/building1/turret"})
        s += "    Turret_SetAngleArea(Node_Find(nil, '" + std::string(turret) + "'), 30, -10, 45)\n";
    s += "    Armed.FlyCamera()\n";
    s += "    Scene.pilot = Thread_Bind(Scene.player1, Pilot)\n";
    s += "    Scene.armedProber = Thread_Bind(Scene.root, ArmedProber)\n";
    s += "    Scene.director = Thread_Bind(Scene.root, Director)\n";
    s += "    Thread_SetTimer(Scene.director, " + TOOL_ScenarioNumber(LOOK_AT) + ")\n";
    return s;
}

std::string TOOL_ArmedLog()
{
    return "        Script_Log('armed: bullets ' .. ArmedProbe.bullets .. ' launched ' .. ArmedProbe.launched .. "
           "' debris ' .. ArmedProbe.debris .. ' gone ' .. ArmedProbe.gone)\n";
}

std::vector<std::pair<std::string, std::string>> TOOL_ArmedFiles(const TOOL_Scenario& _scenario)
{
    (void)_scenario;
    std::vector<std::pair<std::string, std::string>> files;
    auto add = [&](std::vector<std::pair<std::string, std::string>> _more) {
        for (auto& file : _more)
            files.push_back(std::move(file));
    };
    add(TOOL_PlayerFiles());
    add(TOOL_GunFiles());
    add(TOOL_ArmedBodyFiles());
    add(TOOL_TurretFiles());
    const std::string vfx = "vfx/";
    TOOL_PlayerDescription player;
    player.children = TOOL_PlayerChildren(COCKPIT_FILE);
    files.emplace_back(vfx + PLAYER_FILE, TOOL_PlayerDescriptionText(player));
    files.emplace_back(vfx + COCKPIT_FILE, TOOL_CockpitDescriptionText({}));
    files.emplace_back(vfx + VESSEL_WEAK_FILE, TOOL_VesselDescriptionText(Vessel(true)));
    files.emplace_back(vfx + VESSEL_FILE, TOOL_VesselDescriptionText(Vessel(false)));
    TOOL_VehicleDescription vehicle;
    vehicle.children = TOOL_VehicleWheelChildren(1);
    TOOL_TurretDescription turm;
    turm.turretName = "Turm1";
    const f32 hullTop[3] = {0.0f, 0.0f, TOOL_VEHICLE_SIZE[2]};
    vehicle.children.insert(vehicle.children.begin(), TOOL_TurretChildText(0, turm, hullTop));
    files.emplace_back(vfx + VEHICLE_FILE, TOOL_VehicleDescriptionText(vehicle));
    TOOL_GenericDescription building;
    building.attackable = true;
    const f32 roof[3] = {0.0f, 0.0f, TOOL_BUILDING_SIZE[2] * 0.5f + 1.0f};
    building.children = TOOL_TurretChildText(0, TOOL_TurretDescription(), roof);
    files.emplace_back(vfx + BUILDING_FILE, TOOL_GenericDescriptionText(building));
    files.push_back(TOOL_PrelitMeshFile("building1"));
    return files;
}
