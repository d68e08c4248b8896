#include "tools_scenario.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools_ash.h"
#include "tools_console.h"
#include "tools_hud.h"
#include "tools_mesh.h"
#include "tools_plants.h"
#include "tools_sam.h"
#include "tools_scenario_local.h"
#include "tools_spawner.h"
#include "tools_terrain.h"
#include "tools_tga.h"
#include "tools_wav.h"

std::string TOOL_ScenarioNumber(f32 _value)
{
    char text[48];
    std::snprintf(text, sizeof(text), "%.9g", (double)_value);
    return text;
}

std::string TOOL_ScenarioVector(const f32 _value[3])
{
    return "MAT_Vector3(" + TOOL_ScenarioNumber(_value[0]) + ", " + TOOL_ScenarioNumber(_value[1]) + ", " +
           TOOL_ScenarioNumber(_value[2]) + ")";
}

namespace
{
std::string Number(f32 _value) { return TOOL_ScenarioNumber(_value); }

std::string Vector(const f32 _value[3]) { return TOOL_ScenarioVector(_value); }

// The ground sample at cell (_x, _y); the tile repeats over the grid, its last row and column
// being the next tile's first.
f32 GroundSample(const TOOL_TerrainDirectory& _terrain, s32 _x, s32 _y)
{
    const s32 cells = _terrain.size - 1;
    const s32 x = (_x % cells + cells) % cells, y = (_y % cells + cells) % cells;
    const size_t index = (size_t)y * (size_t)_terrain.size + (size_t)x;
    const f32 height = index < _terrain.heights.size() ? (f32)_terrain.heights[index] : 0.0f;
    return _terrain.offset[2] + height * _terrain.scale[2] / 256.0f;
}

// A Lua string literal of _text (backslashes doubled).
std::string Quoted(const std::string& _text)
{
    std::string quoted = "'";
    for (char c : _text) {
        if (c == '\\' || c == '\'')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

// A data path as the scripts name it: below "vfx\\", with backslashes.
std::string Backslashed(std::string _path)
{
    if (_path.compare(0, 4, "vfx/") == 0)
        _path.erase(0, 4);
    std::replace(_path.begin(), _path.end(), '/', '\\');
    return _path;
}

// The effect threads of TOOL_Scenario::effects (see there): the loop the drone flies, the
// drone's mover, the standing emitter's driver, the debris launcher and the probe.
std::string EffectThreads(const TOOL_Scenario& _scenario)
{
    std::string s;
    s += "Flight = {\n";
    for (const std::array<f32, 3>& p : _scenario.flight)
        s += "    {" + Number(p[0]) + ", " + Number(p[1]) + ", " + Number(p[2]) + "},\n";
    s += "}\n";
    // The point _d units along the closed loop, _drop units lower.
    s += "local function FlightPoint(d, drop)\n";
    s += "    local n = #Flight\n";
    s += "    if Flight.length == nil then\n";
    s += "        Flight.length = 0\n";
    s += "        for i = 1, n do\n";
    s += "            local a, b = Flight[i], Flight[math.fmod(i, n) + 1]\n";
    s += "            Flight[i].l = math.sqrt((b[1] - a[1]) ^ 2 + (b[2] - a[2]) ^ 2 + (b[3] - a[3]) ^ 2)\n";
    s += "            Flight.length = Flight.length + Flight[i].l\n";
    s += "        end\n";
    s += "    end\n";
    s += "    d = d - math.floor(d / Flight.length) * Flight.length\n";
    s += "    for i = 1, n do\n";
    s += "        local a, b = Flight[i], Flight[math.fmod(i, n) + 1]\n";
    s += "        if d <= a.l or i == n then\n";
    s += "            local t = d / a.l\n";
    s += "            return MAT_Vector3(a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t,\n";
    s += "                               a[3] + (b[3] - a[3]) * t - drop)\n";
    s += "        end\n";
    s += "        d = d - a.l\n";
    s += "    end\n";
    s += "end\n\n";
    // The drone keeps 50 units ahead of the camera on its loop, 6 units lower.
    s += "Drone = {\n";
    s += "    BeginPlay = function(thread)\n";
    s += "        thread.along = 50\n";
    s += "        Thread_SetTimer(thread, 0.05)\n";
    s += "    end,\n";
    s += "    Timer = function(thread)\n";
    s += "        thread.along = thread.along + 0.05 * " + Number(_scenario.flightSpeed) + "\n";
    s += "        Body_SetPosition(thread.node, FlightPoint(thread.along, 6))\n";
    s += "        Thread_SetTimer(thread, 0.05)\n";
    s += "    end,\n";
    s += "}\n\n";
    // The standing emitter: started, thickened, turned to a narrow cone, stopped.
    s += "Fountain = {\n";
    s += "    BeginPlay = function(thread)\n";
    s += "        thread.step = 0\n";
    s += "        Thread_SetTimer(thread, 0.3)\n";
    s += "    end,\n";
    s += "    Timer = function(thread)\n";
    s += "        thread.step = thread.step + 1\n";
    s += "        if thread.step == 1 then\n";
    s += "            ParticleEmitter_Start(thread.node)\n";
    s += "            Thread_SetTimer(thread, 0.6)\n";
    s += "        elseif thread.step == 2 then\n";
    s += "            ParticleEmitter_SetPPS(thread.node, 60)\n";
    s += "            Thread_SetTimer(thread, 0.6)\n";
    s += "        elseif thread.step == 3 then\n";
    s += "            ParticleEmitter_SetCone(thread.node, Effects.fountainAt, MAT_Vector3(0, 0, 0), 30, 0)\n";
    s += "            Thread_SetTimer(thread, 0.9)\n";
    s += "        else\n";
    s += "            ParticleEmitter_Stop(thread.node)\n";
    s += "        end\n";
    s += "    end,\n";
    s += "}\n\n";
    // The debris waits outside the simulation; one at a time goes under the drone and enters.
    s += "Launcher = {\n";
    s += "    BeginPlay = function(thread)\n";
    s += "        Thread_SetTimer(thread, 0.5)\n";
    s += "    end,\n";
    s += "    Timer = function(thread)\n";
    s += "        local debris = Effects.debris[Effects.next]\n";
    s += "        Effects.next = Effects.next + 1\n";
    s += "        if debris ~= nil then\n";
    s += "            Node_AddSon(Scene.drone1, debris)\n";
    s += "            Node_EnterSimulation(debris)\n";
    s += "            Thread_SetTimer(thread, " + Number(_scenario.debrisInterval) + ")\n";
    s += "        end\n";
    s += "    end,\n";
    s += "}\n\n";
    // The probe looks at \"/garbage\" every step: what arrives there is what the debris released.
    s += "Probe = { released = 0, most = 0, last = 0 }\n";
    s += "Prober = {\n";
    s += "    BeginPlay = function(thread)\n";
    s += "        Thread_SetTimer(thread, 0.05)\n";
    s += "    end,\n";
    s += "    Timer = function(thread)\n";
    s += "        local count = Node_GetNumOfSons(Node_Find(nil, '/garbage'))\n";
    s += "        if count > Probe.last then\n";
    s += "            Probe.released = Probe.released + count - Probe.last\n";
    s += "        end\n";
    s += "        Probe.last = count\n";
    s += "        Probe.most = math.max(Probe.most, count)\n";
    s += "        Thread_SetTimer(thread, 0.05)\n";
    s += "    end,\n";
    s += "}\n\n";
    return s;
}

// What __StartUp makes for the effects, after the scene's nodes entered the simulation.
std::string EffectStartUp(const TOOL_Scenario& _scenario)
{
    std::string s;
    s += "    Effects = { debris = {}, next = 1 }\n";
    s += "    Body_SetPosition(Scene.drone1, FlightPoint(50, 6))\n";
    s += "    local trail = Node_CreateNode(nil, 'NOD_Trail', 'trail')\n";
    s += "    Node_ParseIniFile(trail, " + Quoted(Backslashed(TOOL_SPAWNER_TRAIL_FILE)) + ")\n";
    s += "    Node_AddSon(Scene.drone1, trail)\n";
    s += "    Node_EnterSimulation(trail)\n";
    s += "    local bubbles = Node_CreateNode(nil, 'NOD_ParticleEmitter', 'bubbles')\n";
    s += "    Node_ParseIniFile(bubbles, " + Quoted(Backslashed(TOOL_SpawnerEmitterFile(3))) + ")\n";
    s += "    Node_AddSon(Scene.drone1, bubbles)\n";
    s += "    Node_EnterSimulation(bubbles)\n";
    s += "    Scene.droneMover = Thread_Bind(Scene.drone1, Drone)\n";
    s += "    Effects.fountainAt = FlightPoint(150, 25)\n";
    s += "    Effects.fountain = Node_CreateNode(nil, 'NOD_ParticleEmitter', 'fountain')\n";
    s += "    Node_ParseIniFile(Effects.fountain, " + Quoted(Backslashed(TOOL_SpawnerEmitterFile(5))) + ")\n";
    s += "    Node_AddSon(Scene.root, Effects.fountain)\n";
    s += "    Body_SetPosition(Effects.fountain, Effects.fountainAt)\n";
    s += "    Node_EnterSimulation(Effects.fountain)\n";
    s += "    Scene.fountainDriver = Thread_Bind(Effects.fountain, Fountain)\n";
    s += "    Effects.holder = Node_CreateNode(nil, 'NOD_Node', 'holder')\n";
    s += "    Node_AddSon(Scene.root, Effects.holder)\n";
    s += "    for i = 1, " + std::to_string(_scenario.debrisCount) + " do\n";
    s += "        local debris = Node_CreateNode(nil, 'NOD_Debris', 'deb' .. i)\n";
    s += "        Node_ParseIniFile(debris, " + Quoted(Backslashed(TOOL_SpawnerDebrisFile(1))) + ")\n";
    s += "        Node_AddSon(Effects.holder, debris)\n";
    s += "        Effects.debris[i] = debris\n";
    s += "    end\n";
    s += "    Scene.launcher = Thread_Bind(Scene.drone1, Launcher)\n";
    s += "    Scene.prober = Thread_Bind(Scene.root, Prober)\n";
    return s;
}
}  // namespace

TOOL_TerrainDirectory TOOL_ScenarioTerrain()
{
    TOOL_TerrainDirectory terrain;
    terrain.directory = "terrain";
    terrain.size = 17;
    terrain.lines = 2;
    terrain.scale[0] = 64.0f;
    terrain.scale[1] = 64.0f;
    terrain.scale[2] = 256.0f;
    terrain.heights = TOOL_RandomHeightField(terrain.size, 7, 0, 40);
    return terrain;
}

f32 TOOL_ScenarioGround(const TOOL_TerrainDirectory& _terrain, f32 _x, f32 _y)
{
    const s32 cx = (s32)std::floor((_x - _terrain.offset[0]) / _terrain.scale[0]);
    const s32 cy = (s32)std::floor((_y - _terrain.offset[1]) / _terrain.scale[1]);
    return std::max(std::max(GroundSample(_terrain, cx, cy), GroundSample(_terrain, cx + 1, cy)),
                    std::max(GroundSample(_terrain, cx, cy + 1), GroundSample(_terrain, cx + 1, cy + 1)));
}

std::vector<std::array<f32, 3>> TOOL_ScenarioFlight(const TOOL_TerrainDirectory& _terrain, s32 _count, f32 _clearance)
{
    const s32 cells = _terrain.size - 1;
    const f32 extent[2] = {_terrain.scale[0] * (f32)(cells * _terrain.lines),
                           _terrain.scale[1] * (f32)(cells * _terrain.lines)};
    auto sample = [&](s32 _x, s32 _y) { return GroundSample(_terrain, _x, _y); };
    std::vector<std::array<f32, 3>> flight;
    for (s32 i = 0; i < _count; ++i) {
        // Turned once round, starting on the side nearest the origin.
        const f32 angle = -1.5707964f + 6.2831855f * (f32)i / (f32)_count;
        const f32 x = _terrain.offset[0] + extent[0] * (0.5f + 0.3f * std::cos(angle));
        const f32 y = _terrain.offset[1] + extent[1] * (0.5f + 0.3f * std::sin(angle));
        const s32 cx = (s32)((x - _terrain.offset[0]) / _terrain.scale[0]);
        const s32 cy = (s32)((y - _terrain.offset[1]) / _terrain.scale[1]);
        f32 ground = sample(cx, cy);
        for (s32 dy = -2; dy <= 3; ++dy)
            for (s32 dx = -2; dx <= 3; ++dx)
                ground = std::max(ground, sample(cx + dx, cy + dy));
        flight.push_back({x, y, ground + _clearance});
    }
    return flight;
}

std::string TOOL_ScenarioScript(const TOOL_Scenario& _scenario)
{
    const bool flies = _scenario.camera && _scenario.flight.size() >= 4;
    std::string s;
    s += "-- A scene built through the message catalogue.\n";
    s += "Scene = {}\n\n";
    s += "local function Make(class, name)\n";
    s += "    local node = Node_CreateNode(nil, class, name)\n";
    s += "    Node_AddSon(Scene.root, node)\n";
    s += "    Scene[name] = node\n";
    s += "    return node\n";
    s += "end\n\n";
    // The player moves by its velocity once per simulation step (a timer of one step).
    if (_scenario.player && _scenario.playerMoves) {
        s += "Mover = {\n";
        s += "    BeginPlay = function(thread)\n";
        s += "        thread.position = " + Vector(_scenario.playerStart) + "\n";
        s += "        Thread_SetTimer(thread, 0.05)\n";
        s += "    end,\n";
        s += "    Timer = function(thread)\n";
        s += "        local p = thread.position\n";
        s += "        thread.position = MAT_Vector3(p.X + 0.05 * " + Number(_scenario.playerVelocity[0]) +
             ", p.Y + 0.05 * " + Number(_scenario.playerVelocity[1]) + ", p.Z + 0.05 * " +
             Number(_scenario.playerVelocity[2]) + ")\n";
        s += "        Body_SetPosition(thread.node, thread.position)\n";
        s += "        Scene.moves = (Scene.moves or 0) + 1\n";
        s += "        Thread_SetTimer(thread, 0.05)\n";
        s += "    end,\n";
        s += "}\n\n";
    }
    const bool effects = _scenario.effects && flies;
    if (effects)
        s += EffectThreads(_scenario);
    const bool armed = _scenario.armed && _scenario.player && flies;
    if (armed)
        s += TOOL_ArmedThreads(_scenario) + TOOL_OrdersThreads(_scenario);
    // The end of the game: a timer of a thread bound to the root.
    if (_scenario.endSeconds > 0.0f) {
        s += "Ender = {\n";
        s += "    Timer = function(thread)\n";
        if (effects)
            s += "        Script_Log('effects: released ' .. Probe.released .. ' garbage ' .. Probe.most)\n";
        if (armed)
            s += TOOL_ArmedLog() + TOOL_OrdersLog();
        s += "        Game_EndGame(Scene.root)\n";
        s += "    end,\n";
        s += "}\n\n";
    }
    s += "function __StartUp()\n";
    if (_scenario.seeded)
        s += "    math.randomseed(" + std::to_string(_scenario.seed) + ")\n";
    s += "    Scene.root = Node_Find(nil, '/')\n";
    if (_scenario.terrain) {
        s += "    Make('nod_terrain', 'terrain')\n";
        s += "    Terrain_LoadTerrain(Scene.terrain, " + Quoted(TOOL_TerrainDirectoryName(_scenario.terrainDirectory)) +
             ")\n";
    }
    if (_scenario.player) {
        s += armed ? "    Make('NOD_Player', 'player1')\n" : "    Make('nod_body', 'player1')\n";
        s += "    Body_SetPosition(Scene.player1, " + Vector(_scenario.playerStart) + ")\n";
        if (armed)
            s += "    Node_ParseIniFile(Scene.player1, 'osd\\\\player\\\\player.osd')\n";
    }
    if (_scenario.camera) {
        s += "    Make('nod_camera', 'camera')\n";
        s += "    Camera_SetBackPlane(Scene.camera, " + Number(_scenario.backPlane) + ")\n";
    }
    if (flies) {
        s += "    Make('nod_path', 'flight')\n";
        for (size_t i = 0; i < _scenario.flight.size(); ++i) {
            const std::string name = "'p" + std::to_string(i) + "'";
            s += "    Scene.point = Node_CreateNode(nil, 'nod_position', " + name + ")\n";
            s += "    Position_SetPosition(Scene.point, " + Vector(_scenario.flight[i].data()) + ")\n";
            s += "    Node_AddSon(Scene.flight, Scene.point)\n";
        }
    }
    if (_scenario.plants) {
        s += "    Make('nod_fx_plant', 'plants')\n";
        s += "    Node_ParseIniFile(Scene.plants, " + Quoted(TOOL_SCENARIO_PLANTS) + ")\n";
    }
    if (_scenario.plankton)
        s += "    Make('nod_plankton', 'plankton')\n";
    if (_scenario.rays)
        s += "    Make('nod_raysystem', 'rays')\n";
    if (effects)
        s += "    Make('nod_body', 'drone1')\n";
    // Every node the script made enters the simulation, in the order made.
    s += "    for i = 0, Node_GetNumOfSons(Scene.root) - 1 do\n";
    s += "        local son = Node_GetSon(Scene.root, i)\n";
    s += "        local name = Node_GetName(son)\n";
    s += "        if Scene[name] ~= nil then\n";
    s += "            Node_EnterSimulation(son)\n";
    s += "        end\n";
    s += "    end\n";
    const std::string flight =
        "    Camera_Move(Scene.camera, Scene.flight, " + Number(_scenario.flightSpeed) + ", 2, 2, 0, 1)\n";
    if (flies && !armed)
        s += flight;
    else if (!flies && _scenario.camera && _scenario.player)
        s += "    Camera_Follow(Scene.camera, '/player1', " + Number(_scenario.followDistance) + ", " +
             Number(_scenario.followAlpha) + ", " + Number(_scenario.followBeta) + ")\n";
    if (_scenario.player && _scenario.playerMoves)
        s += "    Scene.mover = Thread_Bind(Scene.player1, Mover)\n";
    if (effects)
        s += EffectStartUp(_scenario);
    if (armed)
        s += TOOL_ArmedStartUp(_scenario, flight) + TOOL_OrdersStartUp(_scenario);
    if (_scenario.endSeconds > 0.0f) {
        s += "    Scene.ender = Thread_Bind(Scene.root, Ender)\n";
        s += "    Thread_SetTimer(Scene.ender, " + Number(_scenario.endSeconds) + ")\n";
    }
    if (!_scenario.fog.empty())
        s += "    Game_LoadFog(Scene.root, " + Quoted(_scenario.fog) + ")\n";
    if (_scenario.caustics) {
        s += "    Game_SetCausticTerrain(Scene.root, " + Number(_scenario.causticTiling) + ", " +
             Number(_scenario.causticHeightFactor) + ")\n";
        s += "    Game_SetCausticObject(Scene.root, " + Number(_scenario.causticTiling) + ", " +
             Number(_scenario.causticHeightFactor) + ")\n";
    }
    s += "    Game_LoadTextures(Scene.root)\n";
    s += _scenario.extraStartUp;
    s += "end\n";
    return s;
}

std::vector<std::pair<std::string, std::string>> TOOL_ScenarioFiles(const TOOL_Scenario& _scenario)
{
    std::vector<std::pair<std::string, std::string>> files;
    // The game controller opens its music description when it is made.
    TOOL_SampleInfo music;
    music.name = "brisel_agressive.wav";
    files.emplace_back("sfx/sample/brisel_agressive.sam", TOOL_SampleInfoText(music));
    files.emplace_back("sfx/sample/brisel_agressive.wav",
                       TOOL_WavPcmBytes(1, 22050, 16, TOOL_WavTone(1, 22050, 2205, 440.0, 8000)));
    files.emplace_back(TOOL_CONSOLE_TEXTURE_FILE, TOOL_TGABytes(TOOL_ConsoleTexture()));
    files.emplace_back(TOOL_HUD_STATISTIC_TEXTURE_FILE, TOOL_TGABytes(TOOL_HudStatisticTexture()));
    files.emplace_back(TOOL_HUD_ENEMY_TEXTURE_FILE, TOOL_TGABytes(TOOL_HudEnemyTexture()));
    // The run's spawner reads its prototypes before the scene is built.
    for (auto& file : TOOL_SpawnerFiles())
        files.push_back(std::move(file));
    if (_scenario.terrain)
        for (auto& file : TOOL_TerrainDirectoryFiles(_scenario.terrainDirectory))
            files.push_back(std::move(file));
    if (_scenario.plants) {
        files.emplace_back("vfx/msh/plant.msh", TOOL_MeshText(TOOL_MeshGrid(1, 1, 1)));
        TOOL_Ash ash;
        ash.m0 = "plant.msh";
        ash.d0 = 100000.0f;
        files.emplace_back("vfx/ash/plant.ash", TOOL_AshText(ash));
        TOOL_PlantDescription description;
        description.plantMap = "vfx\\tex\\plants\\plantmap.tga";
        description.maxDistance = _scenario.backPlane;
        files.emplace_back(std::string("vfx/") + TOOL_SCENARIO_PLANTS, TOOL_PlantDescriptionText(description));
        files.emplace_back("vfx/tex/plants/plantmap.tga",
                           TOOL_TGABytes(TOOL_PlantMap(TOOL_PlantPixel(_scenario.plantDensity, 40, 160, 60))));
    }
    if (_scenario.plankton) {
        const std::string bytes = TOOL_TGABytes(TOOL_PlanktonTexture());
        for (s32 layer = 0; layer < TOOL_PLANKTON_LAYERS; ++layer)
            files.emplace_back(TOOL_PlanktonTextureFile(layer), bytes);
    }
    if (_scenario.rays)
        for (auto& file : TOOL_RaySystemFiles(_scenario.raySystem))
            files.push_back(std::move(file));
    if (_scenario.armed)
        for (auto& file : TOOL_ArmedFiles(_scenario))
            files.push_back(std::move(file));
    if (_scenario.armed)
        for (auto& file : TOOL_OrdersFiles(_scenario))
            files.push_back(std::move(file));
    if (!_scenario.fog.empty()) {
        std::string base = _scenario.fog;
        for (char& c : base)
            if (c == '\\')
                c = '/';
        files.emplace_back(base + ".fog", TOOL_FogBytes(_scenario.fogLayer));
        // The density picture the fog layer reads beside it.
        files.emplace_back(base + ".tga", TOOL_TGABytes(TOOL_MakeTGA(2, 1, 32, (u32)_scenario.fogDensity << 24)));
    }
    return files;
}
