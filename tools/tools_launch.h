// Writers of the descriptions of launched weapons, for test fixtures, fuzz seeds and the sample
// scene: torpedoes and the buzzer decoy (with the mesh and collision tree they name), and the
// three small bodies that fire them and the NPC gun's bullets: torpedo launcher, buzzer
// launcher, NPC gun.
//
// Each description keeps its keys in the order its reader takes them; any key or section can
// be left out (omit...) or written with the wrong type (mistyped...: a number quoted, a string
// bare), so tests can describe broken files. Floats always carry a decimal point, so every value keeps its type.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "os_types.h"
#include "tools_mesh.h"
#include "tools_obbs.h"
#include "tools_sections.h"

// ---- torpedo -------------------------------------------------------------------------------------

// The mesh and collision tree the torpedo prototypes name, under "vfx\msh\" and "vfx\col\".
inline constexpr const char* TOOL_TORPEDO_MESH = "torpedo.msh";
inline constexpr const char* TOOL_TORPEDO_TREE = "torpedo.col";
// The torpedo's hull: a box 4 long (along y, the nose), 1 wide and 1 high around its origin.
inline constexpr f32 TOOL_TORPEDO_LENGTH = 4.0f;
inline constexpr f32 TOOL_TORPEDO_WIDTH = 1.0f;

struct TOOL_TorpedoDescription
{
    std::string nameMesh = TOOL_TORPEDO_MESH;
    f32 lifeTime = 10.0f;
    f32 acousticRange = 400.0f;
    f32 acousticAngle = 45.0f;
    s32 lookingMode = 2;
    s32 followMode = 1;
    s32 buzzerDistract = 1;
    TOOL_ControlSection control = TorpedoControl();
    TOOL_ShieldSection shield;
    TOOL_CollisionSection collision = TorpedoCollision();
    TOOL_AvoidanceSection avoidance = TorpedoAvoidance();
    TOOL_EmitterSection emitter = TorpedoEmitter();
    // A broken description: a whole section ("Visual", "Torpedo", "Control", "Shield",
    // "Collision", "Avoidance", "Emitter") left out, or a key of "Visual" or "Torpedo" left out
    // or mistyped.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;

    // A fast, quick-turning torpedo that does not drift sideways.
    static TOOL_ControlSection TorpedoControl();
    static TOOL_CollisionSection TorpedoCollision();
    // Terrain and object avoidance with a short look ahead.
    static TOOL_AvoidanceSection TorpedoAvoidance();
    // Heard by every sensor in range, seen, present.
    static TOOL_EmitterSection TorpedoEmitter();
};

// "[Visual]", "[Torpedo]", "[Control]", "[Shield]", "[Collision]", "[Avoidance]", "[Emitter]".
std::string TOOL_TorpedoDescriptionText(const TOOL_TorpedoDescription& _description);

// ---- buzzer --------------------------------------------------------------------------------------

inline constexpr const char* TOOL_BUZZER_MESH = "buzzer.msh";
inline constexpr const char* TOOL_BUZZER_TREE = "buzzer.col";
// The buzzer's hull: a cube of 1 around its origin.
inline constexpr f32 TOOL_BUZZER_SIZE = 1.0f;

struct TOOL_BuzzerDescription
{
    std::string nameMesh = TOOL_BUZZER_MESH;
    TOOL_CollisionSection collision = BuzzerCollision();
    TOOL_ShieldSection shield = BuzzerShield();
    // A broken description: "Visual", "Collision" or "Shield" left out, or "NameMesh" left out
    // or mistyped.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;

    static TOOL_CollisionSection BuzzerCollision();
    // No active face pair: the first contact exhausts it.
    static TOOL_ShieldSection BuzzerShield();
};

// "[Visual]", "[Collision]", "[Shield]".
std::string TOOL_BuzzerDescriptionText(const TOOL_BuzzerDescription& _description);

// ---- launchers and the NPC gun -------------------------------------------------------------------

// The three are described inside their owner's "Child<n>" entry (no "NameOSD"): their keys
// beside the frame keys. The writers below give those key lines; this one makes the entry.
// "[Child<index>]" with _child's names and frame, "NameSON" when _sonName is not empty, then
// _description's lines.
std::string TOOL_WeaponChildText(const TOOL_ChildSection& _child, const std::string& _sonName,
                                 const std::string& _description);

struct TOOL_TorpedoLauncherDescription
{
    s32 torpedoType = 1;
    bool writeTorpedoType = true;
    bool quoteTorpedoType = false;
};

// The "TorpedoType" line.
std::string TOOL_TorpedoLauncherDescriptionText(const TOOL_TorpedoLauncherDescription& _description);

struct TOOL_BuzzerLauncherDescription
{
    f32 meanEjectVelocity = 5.0f;
    f32 devEjectVelocity = 1.0f;
    f32 meanTumblingVelocity = 2.0f;
    f32 devTumblingVelocity = 0.5f;
    // A broken description: one of the four keys left out or quoted.
    std::string omitKey;
    std::string mistypedKey;
};

std::string TOOL_BuzzerLauncherDescriptionText(const TOOL_BuzzerLauncherDescription& _description);

struct TOOL_NPCGunPhase
{
    s32 numOfShotsToEmit = 3;
    f32 delayTimeBetweenCycles = 2.0f;
};

struct TOOL_NPCGunDescription
{
    s32 bulletType = 1;
    std::optional<s32> numOfFieringPhases;  // empty: the number of phases given
    f32 singleShotDelay = 0.2f;
    std::vector<TOOL_NPCGunPhase> phases = {TOOL_NPCGunPhase()};
    // A broken description: a key left out or quoted (in every phase that has it).
    std::string omitKey;
    std::string mistypedKey;
};

// "BulletType", "NumOfFieringPhases", "SingleShotDelay", then "[Phase0]" .. for every phase given.
std::string TOOL_NPCGunDescriptionText(const TOOL_NPCGunDescription& _description);

// ---- the files ---------------------------------------------------------------------------------

// A closed box hull of _x by _y by _z around the origin as a collision tree, and the same
// triangles as a mesh with one material: the hulls of the small bodies.
TOOL_ObbsTree TOOL_BoxHull(f32 _x, f32 _y, f32 _z);
TOOL_Mesh TOOL_HullMesh(const TOOL_ObbsTree& _hull);

// The mesh files of the hulls (a closed box around the origin, one material).
TOOL_Mesh TOOL_TorpedoMesh();
TOOL_Mesh TOOL_BuzzerMesh();

// The prototype files the spawner reads for torpedoes ("osd/weapon/tor_default.osd", a torpedo
// running straight ahead, and "osd/weapon/tor_homing.osd", a searching, leading one) and for the
// buzzer ("osd/weapon/buzzer.osd"), with the meshes and trees they name: each path relative to
// the data folder, with forward slashes, and its contents.
std::vector<std::pair<std::string, std::string>> TOOL_LaunchFiles();
