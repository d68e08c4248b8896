// Writer of scenario scripts and of the data a scripted scene reads, for test fixtures, benches
// and the sample scene.
//
// The script (Lua, run by the script node that Game_LoadScript makes under "/script") builds the
// scene through the message catalogue: a terrain loaded from its directory, a body "/player1"
// that a script thread moves at a constant velocity once per simulation step, a camera
// "/camera" that follows it (or flies a path of positions), a plant field, plankton and light
// rays; then every node enters the simulation and the textures are loaded. The data files are
// the ones those nodes open: the terrain directory, the plant description with its plant map
// and mesh, the plankton textures, "ini\raysystem.des" with its texture, the console and
// head-up display textures and the music description the game controller opens.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "os_types.h"
#include "tools_rays.h"
#include "tools_terrainnode.h"

// The scenario's default ground: 2 x 2 tiles of 17 x 17 samples 64 units apart (2048 units
// square from the origin), 0 to 40 units high.
TOOL_TerrainDirectory TOOL_ScenarioTerrain();

struct TOOL_Scenario
{
    // Each part of the scene can be left out of the script.
    bool terrain = true;
    bool player = true;
    bool camera = true;
    bool plants = true;
    bool plankton = true;
    bool rays = true;

    TOOL_TerrainDirectory terrainDirectory = TOOL_ScenarioTerrain();
    // The player's start and its velocity in world units per second.
    f32 playerStart[3] = {512.0f, 512.0f, 120.0f};
    f32 playerVelocity[3] = {10.0f, 5.0f, 0.0f};
    // Camera: follows "/player1" at this distance and these angles (degrees), seeing as far as
    // the back plane.
    f32 followDistance = 20.0f;
    f32 followAlpha = 0.0f;
    f32 followBeta = -20.0f;
    f32 backPlane = 300.0f;
    // Plants per ground cell of 64 x 64 units over the whole map.
    u8 plantDensity = 8;
    TOOL_RaySystem raySystem;
    // Lua appended to __StartUp after the scene was built (tests add their own checks).
    std::string extraStartUp;
};

// "<folder>/plants.des" is the plant description the script names.
inline constexpr const char* TOOL_SCENARIO_PLANTS = "plants.des";

// The scenario script text (Lua 5.1 source, as the script node loads "<name>.sco").
std::string TOOL_ScenarioScript(const TOOL_Scenario& _scenario);

// Every data file the script's nodes open, as (path below the working directory, bytes); the
// script itself and the renderer's own files are not among them.
std::vector<std::pair<std::string, std::string>> TOOL_ScenarioFiles(const TOOL_Scenario& _scenario);
