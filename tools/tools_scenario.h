// Writer of scenario scripts and of the data a scripted scene reads, for test fixtures, benches
// and the sample scene.
//
// The script (Lua, run by the script node that Game_LoadScript makes under "/script") builds the
// scene through the message catalogue: a terrain loaded from its directory, a body "/player1"
// that a script thread moves at a constant velocity once per simulation step (or that stays
// where it is), a camera "/camera" that follows it or flies a looped path "/flight" of
// positions, a plant field, plankton and light rays; then every node enters the simulation and
// the textures are loaded. Optionally it first seeds the C-runtime generator, loads a fog, sets
// the caustics and ends the game after a given scene time. The data files are the ones those
// nodes open: the terrain directory, the plant description with its plant map and mesh, the
// plankton textures, "ini\raysystem.des" with its texture, the fog layer, the console and
// head-up display textures and the music description the game controller opens.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "os_types.h"
#include "tools_fog.h"
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
    // The player moves by its velocity; false leaves it where it starts.
    bool playerMoves = true;
    // math.randomseed(seed) before anything is made, so that every random choice the nodes make
    // through the C-runtime generator is the same in every run.
    bool seeded = false;
    u32 seed = 1;
    // Positions of a looped camera flight (Camera_Move along "/flight" at flightSpeed units per
    // second); fewer than four: the camera follows the player.
    std::vector<std::array<f32, 3>> flight;
    f32 flightSpeed = 40.0f;
    // Game_EndGame after this many seconds of scene time (a timer of a thread bound to the
    // root); 0: the game does not end by itself.
    f32 endSeconds = 0.0f;
    // Game_LoadFog of this base name ('\'-separated; "<fog>.fog" and "<fog>.tga" are written);
    // empty: no fog.
    std::string fog;
    TOOL_Fog fogLayer;
    u8 fogDensity = 128;  // the density picture's alpha, the same at every height
    // Game_SetCausticTerrain and Game_SetCausticObject with (tiling, height factor) when set.
    bool caustics = false;
    f32 causticTiling = 0.01f;
    f32 causticHeightFactor = 0.002f;
    // Effects in the camera's view, all started within the first second: a plain body "drone1"
    // flying the camera's loop ahead of it with a trail and a particle emitter as sons; a
    // standing emitter a thread starts, thickens, turns and stops; debris parsed at start-up
    // under a holder outside the simulation, one moved under the drone and entered every
    // debrisInterval seconds; a probe counting the emitters the debris released under
    // "/garbage", written by the end timer as one line "[LOG] effects: released R garbage G"
    // (R: emitters that reached "/garbage", G: the most sons it held at once).
    // Needs a flight of at least four positions.
    bool effects = false;
    s32 debrisCount = 2;
    f32 debrisInterval = 2.0f;
    // The armed scene around the player (needs the player and a flight of at least four
    // positions): "/player1" a player with its cockpit, launchers and three guns; two vessels
    // ahead of it, the nearer with a weak shield; a vehicle with its turret "Turm1" and four
    // wheels and an attackable building with a turret on the ground beside them; a trigger.
    // A pilot thread plays the player's inputs from a timed table (it fires on the near vessel
    // and launches a homing torpedo); the camera looks from the player, follows it after 1.5
    // seconds and flies its loop after 3. A probe counts bullets, launched bodies (torpedoes
    // and buzzers), debris and the four bodies gone, logged by the end timer as one line
    // "[LOG] armed: bullets B launched L debris D gone G".
    bool armed = false;
    // Lua appended to __StartUp after the scene was built (tests add their own checks).
    std::string extraStartUp;
};

// A looped flight of _count positions on an ellipse around the terrain's middle, each
// _clearance units above the highest ground sample within two cells of it.
std::vector<std::array<f32, 3>> TOOL_ScenarioFlight(const TOOL_TerrainDirectory& _terrain, s32 _count, f32 _clearance);

// "<folder>/plants.des" is the plant description the script names.
inline constexpr const char* TOOL_SCENARIO_PLANTS = "plants.des";

// The scenario script text (Lua 5.1 source, as the script node loads "<name>.sco").
std::string TOOL_ScenarioScript(const TOOL_Scenario& _scenario);

// Every data file the script's nodes open and the run's spawner reads, as (path below the
// working directory, bytes); the script itself and the renderer's own files are not among them.
std::vector<std::pair<std::string, std::string>> TOOL_ScenarioFiles(const TOOL_Scenario& _scenario);
