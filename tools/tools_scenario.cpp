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
#include "tools_spawner.h"
#include "tools_terrain.h"
#include "tools_tga.h"
#include "tools_wav.h"

namespace
{
std::string Number(f32 _value)
{
    char text[48];
    std::snprintf(text, sizeof(text), "%.9g", (double)_value);
    return text;
}

std::string Vector(const f32 _value[3])
{
    return "MAT_Vector3(" + Number(_value[0]) + ", " + Number(_value[1]) + ", " + Number(_value[2]) + ")";
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

std::vector<std::array<f32, 3>> TOOL_ScenarioFlight(const TOOL_TerrainDirectory& _terrain, s32 _count, f32 _clearance)
{
    // The tile repeats over the grid; its last row and column are the next tile's first.
    const s32 cells = _terrain.size - 1;
    const f32 extent[2] = {_terrain.scale[0] * (f32)(cells * _terrain.lines),
                           _terrain.scale[1] * (f32)(cells * _terrain.lines)};
    auto sample = [&](s32 _x, s32 _y) {
        const s32 x = (_x % cells + cells) % cells, y = (_y % cells + cells) % cells;
        const size_t index = (size_t)y * (size_t)_terrain.size + (size_t)x;
        const f32 height = index < _terrain.heights.size() ? (f32)_terrain.heights[index] : 0.0f;
        return _terrain.offset[2] + height * _terrain.scale[2] / 256.0f;
    };
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
    // The end of the game: a timer of a thread bound to the root.
    if (_scenario.endSeconds > 0.0f) {
        s += "Ender = {\n";
        s += "    Timer = function(thread)\n";
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
        s += "    Make('nod_body', 'player1')\n";
        s += "    Body_SetPosition(Scene.player1, " + Vector(_scenario.playerStart) + ")\n";
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
    // Every node the script made enters the simulation, in the order made.
    s += "    for i = 0, Node_GetNumOfSons(Scene.root) - 1 do\n";
    s += "        local son = Node_GetSon(Scene.root, i)\n";
    s += "        local name = Node_GetName(son)\n";
    s += "        if Scene[name] ~= nil then\n";
    s += "            Node_EnterSimulation(son)\n";
    s += "        end\n";
    s += "    end\n";
    if (flies)
        s += "    Camera_Move(Scene.camera, Scene.flight, " + Number(_scenario.flightSpeed) + ", 2, 2, 0, 1)\n";
    else if (_scenario.camera && _scenario.player)
        s += "    Camera_Follow(Scene.camera, '/player1', " + Number(_scenario.followDistance) + ", " +
             Number(_scenario.followAlpha) + ", " + Number(_scenario.followBeta) + ")\n";
    if (_scenario.player && _scenario.playerMoves)
        s += "    Scene.mover = Thread_Bind(Scene.player1, Mover)\n";
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
        for (s32 layer = 0; layer < TOOL_PLANKTON_LAYERS; ++layer) {
            std::string name = TOOL_PlanktonTextureName(layer);
            for (char& c : name)
                if (c == '\\')
                    c = '/';
            files.emplace_back(name + "_l4.tga", bytes);
        }
    }
    if (_scenario.rays)
        for (auto& file : TOOL_RaySystemFiles(_scenario.raySystem))
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
