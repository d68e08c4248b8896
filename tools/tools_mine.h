// Writer of mine descriptions, for test fixtures, fuzz seeds and the sample scene: the
// description with its "Control" swing and chase keys and the shield's Active keys, and the
// mesh and collision tree it names.
//
// The keys keep the order the mine's reader takes them; any section can be left out
// (omitSection) and any key of "Visual", of the mine's own "Control" keys or the shield's
// Active keys left out (omitKey) or written with the wrong type (mistypedKey: a number quoted,
// a string bare), so tests can describe broken files. Floats always carry a decimal point.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "os_types.h"
#include "tools_mesh.h"
#include "tools_sections.h"

// The mesh and collision tree a mine names, under "vfx\msh\" and "vfx\col\".
inline constexpr const char* TOOL_MINE_MESH = "mine.msh";
inline constexpr const char* TOOL_MINE_TREE = "mine.col";
// The mine's hull: a cube of this size around its origin.
inline constexpr f32 TOOL_MINE_SIZE = 2.0f;

struct TOOL_MineDescription
{
    std::string nameMesh = TOOL_MINE_MESH;
    TOOL_ControlSection control = MineControl();
    f32 vMax = 8.0f;                       // chase speed
    f32 movingActivationRange = 60.0f;     // a chase starts inside
    f32 movingDeactivationRange = 120.0f;  // and goes on while anything is heard inside
    f32 swingAlphaFrequenz = 0.25f;        // heading swings per second
    f32 swingAlphaAmplitude = 20.0f;       // degrees
    f32 swingPositionFrequenz = 0.1f;      // position swings per second
    f32 swingPositionAmplitude[3] = {0.0f, 0.0f, 2.0f};
    TOOL_CollisionSection collision = MineCollision();
    TOOL_AvoidanceSection avoidance;
    TOOL_EmitterSection emitter;  // not heard: "none"
    TOOL_ShieldSection shield = MineShield();
    // What a switched-off mine deals when it touches a body.
    s32 activeKinOut = 0;
    s32 activeEmpOut = 0;
    s32 activeBioOut = 0;
    // A broken description: a section ("Visual", "Control", "Collision", "Avoidance",
    // "Emitter", "Shield") left out, or one of the keys above left out or mistyped.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;

    // A slow vessel model that speeds up quickly.
    static TOOL_ControlSection MineControl();
    static TOOL_CollisionSection MineCollision();
    // A single face pair of 40 points each; a touch deals 50.
    static TOOL_ShieldSection MineShield();
};

// "[Visual]", "[Control]", "[Collision]", "[Avoidance]", "[Emitter]", "[Shield]".
std::string TOOL_MineDescriptionText(const TOOL_MineDescription& _description);

// The hull as a render mesh (a closed box around the origin, one material).
TOOL_Mesh TOOL_MineMesh();

// The mesh and the collision tree a mine names: each path relative to the data folder, with
// forward slashes, and its contents.
std::vector<std::pair<std::string, std::string>> TOOL_MineFiles();
