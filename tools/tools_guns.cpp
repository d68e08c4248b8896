#include "tools_guns.h"

#include <array>
#include <utility>

#include "tools_file.h"
#include "tools_mesh.h"
#include "tools_sample_local.h"
#include "tools_wav.h"

const TOOL_Weapon TOOL_WEAPONS[TOOL_WEAPON_COUNT] = {
    {"doommortar", "NOD_Gun_DoomMortar", "osd/weapon/gun_doommortar.osd"},
    {"drugstore", "NOD_Gun_DrugStore", "osd/weapon/gun_drugstore.osd"},
    {"flak", "NOD_Gun_Flak", "osd/weapon/gun_flak.osd"},
    {"sizzler", "NOD_Gun_Sizzler", "osd/weapon/gun_sizzler.osd"},
    {"lasergatlin", "NOD_Gun_LaserGatlin", "osd/weapon/gun_lasergatlin.osd"},
    {"plasma1", "NOD_Gun_Plasma", "osd/weapon/gun_plasma1.osd"},
    {"plasma2", "NOD_Gun_Plasma", "osd/weapon/gun_plasma2.osd"},
    {"plasmagatlin", "NOD_Gun_PlasmaGatlin", "osd/weapon/gun_plasmagatlin.osd"},
    {"scalarhowitzer", "NOD_Gun_ScalarHowitzer", "osd/weapon/gun_scalarhowitzer1.osd"},
    {"smartbomb", "NOD_Gun_SmartBomb", "osd/weapon/gun_smartbomb.osd"},
    {"vendetta1", "NOD_Gun_Vendetta", "osd/weapon/gun_vendetta1.osd"},
    {"vendetta2", "NOD_Gun_Vendetta", "osd/weapon/gun_vendetta2.osd"},
    {"vendettagatlin", "NOD_Gun_VendettaGatlin", "osd/weapon/gun_vendettagatlin.osd"},
};

namespace
{
// Every part of the set reads one description: a part's name and place come from its gun.
constexpr const char* PART_FILE = "osd/weapon/gunpart.osd";

std::string Vector(const f32* _v)
{
    return TOOL_DesFloat(_v[0]) + ", " + TOOL_DesFloat(_v[1]) + ", " + TOOL_DesFloat(_v[2]);
}

// One "key = value" line unless the key is left out; a mistyped key is written as a number.
void Line(std::string& _text, const std::string& _indent, const std::string& _key, const std::string& _value,
          const std::string& _omit, const std::string& _mistyped)
{
    if (_key == _omit)
        return;
    _text += _indent + _key + " = " + (_key == _mistyped ? std::string("7") : _value) + "\n";
}

std::string Quoted(const std::string& _text) { return "\"" + _text + "\""; }

// A closed box of the given size around the origin, one material.
TOOL_Mesh Box(f32 _x, f32 _y, f32 _z)
{
    TOOL_Mesh mesh;
    for (s32 corner = 0; corner < 8; ++corner)
        mesh.vertices.push_back({(corner & 1) != 0 ? _x * 0.5f : -_x * 0.5f, (corner & 2) != 0 ? _y * 0.5f : -_y * 0.5f,
                                 (corner & 4) != 0 ? _z * 0.5f : -_z * 0.5f});
    const std::array<std::array<s32, 3>, 12> faces = {{{0, 2, 3},
                                                       {0, 3, 1},
                                                       {4, 5, 7},
                                                       {4, 7, 6},
                                                       {0, 1, 5},
                                                       {0, 5, 4},
                                                       {2, 6, 7},
                                                       {2, 7, 3},
                                                       {0, 4, 6},
                                                       {0, 6, 2},
                                                       {1, 3, 7},
                                                       {1, 7, 5}}};
    for (const std::array<s32, 3>& face : faces) {
        TOOL_MeshTriangle triangle;
        triangle.vertex = face;
        mesh.triangles.push_back(triangle);
    }
    mesh.materials.resize(1);
    mesh.materials[0].diffuse = {0.45f, 0.5f, 0.55f};
    return mesh;
}

TOOL_Mesh Flash(f32 _red, f32 _green)
{
    TOOL_Mesh mesh = TOOL_MeshGrid(1, 1, 1);
    for (std::array<f32, 3>& vertex : mesh.vertices) {
        vertex[0] -= 0.5f;
        vertex[2] = vertex[1] - 0.5f;
        vertex[1] = 0.0f;
    }
    mesh.materials[0].diffuse = {_red, _green, 0.2f};
    mesh.materials[0].selfIllumination = 1.0f;
    mesh.materials[0].oneSided = 0;
    return mesh;
}

TOOL_SampleInfo Sound(const char* _file)
{
    TOOL_SampleInfo info;
    info.name = std::string(_file).substr(std::string("sfx/sample/").size());
    info.freq = 22050;
    info.vol = 200;
    info.maxr = 200.0f;
    return info;
}
}  // namespace

std::string TOOL_GunPartText(const TOOL_GunPart& _part)
{
    if (!_part.writeVisual)
        return "[Body]\n{\n}\n";
    std::string text = "[Visual]\n{\n";
    Line(text, "    ", "NameMesh", Quoted(_part.nameMesh), _part.omitKey, _part.mistypedKey);
    return text + "}\n";
}

std::string TOOL_GunText(const TOOL_Gun& _gun)
{
    const std::string& omit = _gun.omitKey;
    const std::string& mistyped = _gun.mistypedKey;
    std::string text;
    if (_gun.omitSection != "Visual") {
        text += "[Visual]\n{\n";
        Line(text, "    ", "NameMesh", Quoted(_gun.nameMesh), omit, mistyped);
        Line(text, "    ", "Translation", Vector(_gun.translation), omit, mistyped);
        for (s32 row = 0; row < 3; ++row)
            Line(text, "    ", "Rotation" + std::to_string(row), Vector(_gun.rotation[row]), omit, mistyped);
        text += "}\n";
    }
    if (_gun.omitSection != "Sound") {
        text += "[Sound]\n{\n";
        if (_gun.writeFire)
            text += TOOL_SampleInfoSection("Fire", _gun.fire, "    ");
        if (_gun.writeWindDown)
            text += TOOL_SampleInfoSection("WindDown", _gun.windDown, "    ");
        text += "}\n";
    }
    if (_gun.omitSection != "Muzzle") {
        text += "[Muzzle]\n{\n";
        if (!_gun.primaryMesh.empty())
            Line(text, "    ", "PrimaryMesh", Quoted(_gun.primaryMesh), omit, mistyped);
        if (!_gun.secondaryMesh.empty())
            Line(text, "    ", "SecondaryMesh", Quoted(_gun.secondaryMesh), omit, mistyped);
        text += "}\n";
    }
    for (size_t i = 0; i < _gun.children.size(); ++i) {
        TOOL_ChildSection child = _gun.children[i];
        child.index = (s32)i;
        text += TOOL_ChildSectionText(child);
    }
    return text;
}

TOOL_ChildSection TOOL_GunPartChild(const std::string& _name, const std::string& _nameOSD, f32 _x, f32 _y, f32 _z)
{
    TOOL_ChildSection child;
    child.nameCLA = "NOD_Gun_Part";
    child.nameSON = _name;
    child.nameOSD = _nameOSD;
    child.translation[0] = _x;
    child.translation[1] = _y;
    child.translation[2] = _z;
    return child;
}

const TOOL_Weapon* TOOL_FindWeapon(const std::string& _name)
{
    for (const TOOL_Weapon& weapon : TOOL_WEAPONS)
        if (_name == weapon.name)
            return &weapon;
    return nullptr;
}

std::vector<std::string> TOOL_WeaponParts(const std::string& _name)
{
    if (_name == "vendettagatlin")
        return {"revolver"};
    if (_name == "vendetta1")
        return {"barrel1"};
    if (_name == "vendetta2")
        return {"barrel1", "barrel2"};
    if (_name == "plasmagatlin")
        return {"revolver", "tank"};
    if (_name == "plasma1" || _name == "plasma2")
        return {"tank"};
    if (_name == "scalarhowitzer" || _name == "lasergatlin" || _name == "flak")
        return {"barrel"};
    if (_name == "doommortar")
        return {"head"};
    return {};
}

TOOL_Gun TOOL_WeaponGun(const std::string& _name)
{
    TOOL_Gun gun;
    gun.nameMesh = "gun.msh";
    gun.fire = Sound(TOOL_GUN_FIRE_SOUND);
    gun.windDown = Sound(TOOL_GUN_WINDDOWN_SOUND);
    if (_name == "vendettagatlin" || _name == "vendetta1" || _name == "vendetta2" || _name == "sizzler" ||
        _name == "plasmagatlin" || _name == "flak") {
        gun.primaryMesh = "gun_muzzle1.msh";
        gun.secondaryMesh = "gun_muzzle2.msh";
    }
    const std::vector<std::string> parts = TOOL_WeaponParts(_name);
    for (size_t i = 0; i < parts.size(); ++i) {
        // Side by side across the gun, ahead of its body.
        const f32 x = parts.size() == 1 ? 0.0f : (f32)i * 0.6f - 0.3f;
        gun.children.push_back(TOOL_GunPartChild(parts[i], PART_FILE, x, 1.0f, 0.0f));
    }
    return gun;
}

std::vector<std::pair<std::string, std::string>> TOOL_GunFiles()
{
    const std::string tone = TOOL_WavPcmBytes(1, 22050, 16, TOOL_WavTone(1, 22050, 2205, 440.0, 6000));
    const std::string hum = TOOL_WavPcmBytes(1, 22050, 16, TOOL_WavTone(1, 22050, 4410, 110.0, 4000));
    std::vector<std::pair<std::string, std::string>> files = {
        {TOOL_GUN_MESH, TOOL_MeshText(Box(0.6f, 2.0f, 0.5f))},
        {TOOL_GUN_PART_MESH, TOOL_MeshText(Box(0.2f, 1.2f, 0.2f))},
        {TOOL_GUN_MUZZLE1_MESH, TOOL_MeshText(Flash(1.0f, 0.8f))},
        {TOOL_GUN_MUZZLE2_MESH, TOOL_MeshText(Flash(1.0f, 0.5f))},
        {TOOL_GUN_FIRE_SOUND, tone},
        {TOOL_GUN_WINDDOWN_SOUND, hum},
        {std::string("vfx/") + PART_FILE, TOOL_GunPartText(TOOL_GunPart())},
    };
    for (const TOOL_Weapon& weapon : TOOL_WEAPONS)
        files.emplace_back(std::string("vfx/") + weapon.file, TOOL_GunText(TOOL_WeaponGun(weapon.name)));
    return files;
}

u32 TOOL_WriteGunFiles(const std::string& _dataFolder)
{
    return TOOL_SampleFiles(_dataFolder, TOOL_GunFiles()) ? 1u : 0u;
}
