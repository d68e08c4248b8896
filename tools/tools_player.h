// Writers of the player's descriptions and files, for test fixtures, fuzz seeds and the sample
// scene: the player ("Visual", "Control", "PlayerControl", "Collision", "Avoidance", "Emitter",
// "Shield" and its children), its cockpit ("Visual"), the fixed visual
// "vfx\ash\pla_zaredodoviv.ash" with its "Shrapnel" section, the bump sample "pb_07.wav", and
// the meshes, collision tree and patch file they name. The trigger reads no keys of its own.
//
// Each description keeps its keys in the order its reader takes them; any section or key can be
// left out (omit...) or written with the wrong type (mistyped...: a number quoted, a string
// bare), so tests can describe broken files. Floats always carry a decimal point.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "os_types.h"
#include "tools_sections.h"

// Names under "vfx\msh\", "vfx\col\"; the visual, topology and sample as data paths.
inline constexpr const char* TOOL_PLAYER_MESH = "player.msh";
inline constexpr const char* TOOL_PLAYER_TREE = "player.col";
inline constexpr const char* TOOL_COCKPIT_MESH = "cockpit.msh";
inline constexpr const char* TOOL_PLAYER_VISUAL = "vfx/ash/pla_zaredodoviv.ash";
inline constexpr const char* TOOL_PLAYER_TOPOLOGY = "vfx/top/pla_zaredodoviv.top";
inline constexpr const char* TOOL_PLAYER_BUMP = "sfx/sample/pb_07.wav";
// The player's hull: 4 wide (x), 6 long (y, the nose), 2 high around its origin.
inline constexpr f32 TOOL_PLAYER_WIDTH = 4.0f;
inline constexpr f32 TOOL_PLAYER_LENGTH = 6.0f;
inline constexpr f32 TOOL_PLAYER_HEIGHT = 2.0f;
// Pieces the visual breaks into.
inline constexpr s32 TOOL_PLAYER_SHRAPNELS = 8;

struct TOOL_PlayerDescription
{
    std::string nameMesh = TOOL_PLAYER_MESH;
    f32 vMax = 50.0f;
    f32 acceleration = 40.0f;
    f32 engineDynamic[4] = {1.0f, 0.8f, 0.5f, 0.2f};  // A, B, C, D
    f32 friction[3] = {0.75f, 0.05f, 1.1f};           // U, V, W
    TOOL_CollisionSection collision = PlayerCollision();
    f32 maxVelocity = 60.0f;
    TOOL_AvoidanceSection avoidance;
    TOOL_EmitterSection emitter = PlayerEmitter();
    TOOL_ShieldSection shield;
    // "Child<n>" entries written as they are, after the shield.
    std::string children;
    // A broken description: a whole section ("Visual", "Control", "PlayerControl",
    // "Collision", "Avoidance", "Emitter", "Shield") left out, or a key of "Visual", "Control"
    // or "PlayerControl" (or "MaxVelocity" of "Collision") left out or mistyped.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;

    static TOOL_CollisionSection PlayerCollision();
    // Present, visible and loud: enemies hear and see it.
    static TOOL_EmitterSection PlayerEmitter();
};

std::string TOOL_PlayerDescriptionText(const TOOL_PlayerDescription& _description);

struct TOOL_CockpitDescription
{
    std::string nameMesh = TOOL_COCKPIT_MESH;
    bool writeVisual = true;
    std::string omitKey;
    std::string mistypedKey;
};

std::string TOOL_CockpitDescriptionText(const TOOL_CockpitDescription& _description);

// The player's children as the sample scene has them: the cockpit from _cockpitFile (a name
// under "vfx\") as "cockpit", the torpedo launcher "torlaunch" firing homing torpedoes and the
// buzzer launcher "buzzlaunch".
std::string TOOL_PlayerChildren(const std::string& _cockpitFile);

// The files, by data path with forward slashes: player and cockpit meshes, the player's
// collision tree, the visual with its shrapnel topology, and the bump sample.
std::vector<std::pair<std::string, std::string>> TOOL_PlayerFiles();
