// Writers of the guns' descriptions: a gun ("Visual", "Sound", "Muzzle", its parts as child
// entries) and a gun part ("Visual"), good and broken, and the whole set of the thirteen
// weapons the player can carry, with every mesh and sound they name, for test fixtures and
// the sample scene.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "os_types.h"
#include "tools_sam.h"
#include "tools_sections.h"

// ---- gun part ----------------------------------------------------------------------------------

struct TOOL_GunPart
{
    std::string nameMesh = "gunpart.msh";  // under "vfx\msh\"
    bool writeVisual = true;
    // A broken description: the key left out, or written as a number.
    std::string omitKey;
    std::string mistypedKey;
};

std::string TOOL_GunPartText(const TOOL_GunPart& _part);

// ---- gun ---------------------------------------------------------------------------------------

struct TOOL_Gun
{
    std::string nameMesh = "gun.msh";  // under "vfx\msh\"
    f32 translation[3] = {0.0f, 3.0f, -1.0f};
    f32 rotation[3][3] = {};  // degrees, each row about the first, second, third axis
    bool writeFire = true;
    TOOL_SampleInfo fire;
    bool writeWindDown = true;
    TOOL_SampleInfo windDown;
    std::string primaryMesh;  // empty: no key
    std::string secondaryMesh;
    // The parts, "Child0" onwards in this order (their index is taken from the position).
    std::vector<TOOL_ChildSection> children;
    // A broken description: a section left out ("Visual", "Sound", "Muzzle"), a key left out
    // or written as a number ("NameMesh", "Translation", "Rotation0".."Rotation2",
    // "PrimaryMesh", "SecondaryMesh").
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;
};

std::string TOOL_GunText(const TOOL_Gun& _gun);

// A child entry for a gun part named _name, from the part description _nameOSD (a name under
// "vfx\"), at _translation in the gun's frame.
TOOL_ChildSection TOOL_GunPartChild(const std::string& _name, const std::string& _nameOSD, f32 _x, f32 _y, f32 _z);

// ---- the weapons -------------------------------------------------------------------------------

// One weapon as the player adds it: its name (the node's), its class and its description (a
// name under "vfx\", '/'-separated).
struct TOOL_Weapon
{
    const char* name;
    const char* className;
    const char* file;
};

constexpr s32 TOOL_WEAPON_COUNT = 13;
extern const TOOL_Weapon TOOL_WEAPONS[TOOL_WEAPON_COUNT];

// The named weapon's entry, or null.
const TOOL_Weapon* TOOL_FindWeapon(const std::string& _name);
// The parts the class looks up, by node name: "revolver", "barrel1" ... (vendetta2 has both
// barrels, vendetta1 one).
std::vector<std::string> TOOL_WeaponParts(const std::string& _name);
// The weapon's description as the set writes it: its parts with their own descriptions, muzzle
// meshes on the five guns that shoot, fire and wind-down sounds.
TOOL_Gun TOOL_WeaponGun(const std::string& _name);

// The files of the set, by data name below "vfx\", "sfx\": the gun and part meshes, the part
// descriptions, the two sounds and their sample files.
constexpr const char* TOOL_GUN_MESH = "vfx/msh/gun.msh";
constexpr const char* TOOL_GUN_PART_MESH = "vfx/msh/gunpart.msh";
constexpr const char* TOOL_GUN_MUZZLE1_MESH = "vfx/msh/gun_muzzle1.msh";
constexpr const char* TOOL_GUN_MUZZLE2_MESH = "vfx/msh/gun_muzzle2.msh";
constexpr const char* TOOL_GUN_FIRE_SOUND = "sfx/sample/gun_fire.wav";
constexpr const char* TOOL_GUN_WINDDOWN_SOUND = "sfx/sample/gun_winddown.wav";

// Every weapon's description, the part descriptions and every mesh and sound they name, each
// path relative to the data folder, with forward slashes, and its contents.
std::vector<std::pair<std::string, std::string>> TOOL_GunFiles();
// Writes every weapon's description, the part descriptions and every mesh and sound they name
// under _dataFolder (directories created); 0 when a file cannot be written.
u32 TOOL_WriteGunFiles(const std::string& _dataFolder);
