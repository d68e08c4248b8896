// Writers of the descriptions of static and turret bodies, for test fixtures, fuzz seeds and
// the sample scene: the generic body (a building) with its pre-lit meshes under "dat\lmesh\",
// the turret base and the turret gun, with the meshes and collision trees they name.
//
// Each description keeps its sections and keys in the order its reader takes them; any
// section or key can be left out (omit...) or written with the wrong type (mistyped...: a
// number quoted, a string bare), so tests can describe broken files. Sons go in as "Child"
// entries (TOOL_ChildSection, TOOL_WeaponChildText) appended to the description.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "os_types.h"
#include "tools_launch.h"
#include "tools_mesh.h"
#include "tools_sections.h"

// The meshes ("vfx\msh\") and collision trees ("vfx\col\") the descriptions name by default.
inline constexpr const char* TOOL_BUILDING_MESH = "building.msh";
inline constexpr const char* TOOL_BUILDING_TREE = "building.col";
inline constexpr const char* TOOL_TURRET_MESH = "turret.msh";
inline constexpr const char* TOOL_TURRET_TREE = "turret.col";
inline constexpr const char* TOOL_TURRGUN_MESH = "turrgun.msh";
inline constexpr const char* TOOL_TURRGUN_TREE = "turrgun.col";
// The building: a box 20 wide (x), 20 deep (y) and 10 high (z) around its origin.
inline constexpr f32 TOOL_BUILDING_SIZE[3] = {20.0f, 20.0f, 10.0f};
// The turret: a box 4 x 4 x 2; the gun body: a barrel 1 x 6 x 1 reaching forward.
inline constexpr f32 TOOL_TURRET_SIZE[3] = {4.0f, 4.0f, 2.0f};
inline constexpr f32 TOOL_TURRGUN_SIZE[3] = {1.0f, 6.0f, 1.0f};

// ---- generic body ----------------------------------------------------------------------------

struct TOOL_GenericDescription
{
    std::string nameMesh = TOOL_BUILDING_MESH;  // "" for a body without a mesh
    TOOL_CollisionSection collision = GenericCollision();
    TOOL_AvoidanceSection avoidance;
    TOOL_EmitterSection emitter;
    TOOL_ShieldSection shield;
    bool attackable = false;  // writes the empty section "Attackable"
    // "Child" entries written as they are, after everything else.
    std::string children;
    // A broken description: a section ("Visual", "Collision", "Avoidance", "Emitter",
    // "Shield") left out, or "NameMesh" left out or mistyped.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;

    static TOOL_CollisionSection GenericCollision();
};

// "[Visual]", "[Collision]", "[Avoidance]", "[Emitter]", "[Shield]", "[Attackable]", the sons.
std::string TOOL_GenericDescriptionText(const TOOL_GenericDescription& _description);

// The pre-lit mesh a generic body named _name finds in the light-mesh folder: the path relative
// to the data folder ("dat/lmesh/<_name>.msh") and the mesh text (the building's box).
std::pair<std::string, std::string> TOOL_PrelitMeshFile(const std::string& _name);
// The same mesh as its pre-parsed image only ("dat/lmesh/<_name>~.msh").
std::pair<std::string, std::string> TOOL_PrelitMeshImageFile(const std::string& _name);

// ---- turret gun --------------------------------------------------------------------------------

struct TOOL_TurretGunDescription
{
    std::string nameMesh = TOOL_TURRGUN_MESH;
    TOOL_ControlSection control = TurnControl();
    TOOL_ShieldSection shield;
    TOOL_CollisionSection collision = TurretGunCollision();
    TOOL_AvoidanceSection avoidance;
    // The firing gun, its son "gun"; false leaves it out.
    bool writeGun = true;
    TOOL_NPCGunDescription gun;
    // "Child" entries written as they are, after the gun.
    std::string children;
    // A broken description: a section ("Visual", "Control", "Shield", "Collision",
    // "Avoidance") left out, or a key of "Visual" or "Control" left out or mistyped.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;

    // A turn of 90 degrees per second either way, reached in half a second, settling in one.
    static TOOL_ControlSection TurnControl();
    static TOOL_CollisionSection TurretGunCollision();
};

// "[Visual]", "[Control]", "[Shield]", "[Collision]", "[Avoidance]", the gun, the sons.
std::string TOOL_TurretGunDescriptionText(const TOOL_TurretGunDescription& _description);

// ---- turret base -------------------------------------------------------------------------------

// How the turret carries its firing gun.
enum TOOL_TurretMount : s32
{
    TOOL_TURRET_GUN = 0,      // its own son "gun": the turning frame pitches too
    TOOL_TURRET_TURRGUN = 1,  // a son "turrGun" (a turret gun with its son "gun") pitches
    TOOL_TURRET_NO_GUN = 2,   // neither (a broken turret)
};

// The turret's "[AttackBehaviour]": the complex attack's stick time and the random sweep of
// the attack and the patrol (angles in degrees, times in seconds).
struct TOOL_TurretAttackSection
{
    f32 minimumTimeToStick = 2.0f;
    f32 meanAngleAlpha = 30.0f;
    f32 standardDeviationAlpha = 10.0f;
    f32 meanAngleBeta = 5.0f;
    f32 standardDeviationBeta = 2.0f;
    f32 meanWaitingTime = 1.0f;
    f32 standardDeviationWaitingTime = 0.5f;
};

struct TOOL_TurretDescription
{
    std::string turretName = "turret";
    std::string nameMesh = TOOL_TURRET_MESH;
    TOOL_ControlSection control = TOOL_TurretGunDescription::TurnControl();
    f32 alphaRange = 90.0f;  // degrees
    f32 minBeta = -10.0f;
    f32 maxBeta = 45.0f;
    TOOL_ShieldSection shield;
    TOOL_CollisionSection collision = TurretCollision();
    TOOL_AvoidanceSection avoidance;
    TOOL_EmitterSection emitter;
    bool writeAttackBehaviour = true;
    TOOL_TurretAttackSection attack;
    TOOL_TurretMount mount = TOOL_TURRET_GUN;
    // The gun of TOOL_TURRET_GUN, and the gun body of TOOL_TURRET_TURRGUN, read from its own
    // file turretGunFile (under "vfx\", named by the entry's "NameOSD").
    TOOL_NPCGunDescription gun;
    std::string turretGunFile = "osd/turret/turrgun.osd";
    // The gun body's place on the turning frame, and the firing gun's on its carrier.
    f32 turretGunTranslation[3] = {0.0f, 1.0f, 1.0f};
    f32 gunTranslation[3] = {0.0f, 3.0f, 0.0f};
    // "Child" entries written as they are, after the gun.
    std::string children;
    // A broken description: a section ("Visual", "Control", "Shield", "Collision",
    // "Avoidance", "Emitter") left out, or "TurretName" or a key of "Visual", "Control" or
    // "AttackBehaviour" left out or mistyped.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;

    static TOOL_CollisionSection TurretCollision();
};

// A turret is described inside its carrier's "Child" entry (its "TurretName" is a key of that
// entry): "TurretName", "[Visual]", "[Control]" (the turn keys, then "AlphaRange", "MinBeta",
// "MaxBeta"), "[Shield]", "[Collision]", "[Avoidance]", "[Emitter]", "[AttackBehaviour]", the
// gun's entry, the sons.
std::string TOOL_TurretDescriptionText(const TOOL_TurretDescription& _description);

// A generic body's or vessel's "Child" entry _index holding the turret _description at
// _translation.
std::string TOOL_TurretChildText(s32 _index, const TOOL_TurretDescription& _description, const f32 _translation[3]);

// ---- the files ---------------------------------------------------------------------------------

TOOL_Mesh TOOL_BuildingMesh();
TOOL_Mesh TOOL_TurretMesh();
TOOL_Mesh TOOL_TurretGunMesh();

// The meshes and trees the default descriptions name, and the default turret gun's file, each
// path relative to the data folder, with forward slashes, and its contents.
std::vector<std::pair<std::string, std::string>> TOOL_TurretFiles();
