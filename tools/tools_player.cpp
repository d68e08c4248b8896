#include "tools_player.h"

#include "tools_ash.h"
#include "tools_file.h"
#include "tools_launch.h"
#include "tools_mesh.h"
#include "tools_obbs.h"
#include "tools_patch.h"
#include "tools_wav.h"

namespace
{
// "    Key = value" unless the key is left out; a float quoted, a string bare when mistyped.
void Line(std::string& _text, const std::string& _key, const std::string& _value, bool _string,
          const std::string& _omitKey, const std::string& _mistypedKey)
{
    if (_key == _omitKey)
        return;
    std::string value = _string ? "\"" + _value + "\"" : _value;
    if (_key == _mistypedKey)
        value = _string ? "7" : "\"" + _value + "\"";
    _text += "    " + _key + " = " + value + "\n";
}

TOOL_ObbsTree PlayerHull() { return TOOL_BoxHull(TOOL_PLAYER_WIDTH, TOOL_PLAYER_LENGTH, TOOL_PLAYER_HEIGHT); }
}  // namespace

TOOL_CollisionSection TOOL_PlayerDescription::PlayerCollision()
{
    TOOL_CollisionSection collision;
    collision.mass = 2.0f;
    collision.collisionDescription = TOOL_PLAYER_TREE;
    return collision;
}

TOOL_EmitterSection TOOL_PlayerDescription::PlayerEmitter()
{
    TOOL_EmitterSection emitter;
    emitter.soundEmissionLevel = "loud";
    return emitter;
}

std::string TOOL_PlayerDescriptionText(const TOOL_PlayerDescription& _d)
{
    const std::string& omit = _d.omitKey;
    const std::string& mistype = _d.mistypedKey;
    std::string text;
    if (_d.omitSection != "Visual")
        text += TOOL_VisualSectionText(_d.nameMesh, omit, mistype);
    if (_d.omitSection != "Control") {
        text += "[Control]\n{\n";
        Line(text, "VMax", TOOL_DesFloat(_d.vMax), false, omit, mistype);
        text += "}\n";
    }
    if (_d.omitSection != "PlayerControl") {
        text += "[PlayerControl]\n{\n";
        Line(text, "Acceleration", TOOL_DesFloat(_d.acceleration), false, omit, mistype);
        const char* curve[4] = {"EngineDynamicA", "EngineDynamicB", "EngineDynamicC", "EngineDynamicD"};
        for (s32 i = 0; i < 4; ++i)
            Line(text, curve[i], TOOL_DesFloat(_d.engineDynamic[i]), false, omit, mistype);
        const char* friction[3] = {"FrictionU", "FrictionV", "FrictionW"};
        for (s32 i = 0; i < 3; ++i)
            Line(text, friction[i], TOOL_DesFloat(_d.friction[i]), false, omit, mistype);
        text += "}\n";
    }
    if (_d.omitSection != "Collision") {
        std::string collision = TOOL_CollisionSectionText(_d.collision, TOOL_COLLISION_VESSEL);
        collision.erase(collision.size() - 2);  // before the closing brace
        Line(collision, "MaxVelocity", TOOL_DesFloat(_d.maxVelocity), false, omit, mistype);
        text += collision + "}\n";
    }
    if (_d.omitSection != "Avoidance")
        text += TOOL_AvoidanceSectionText(_d.avoidance, TOOL_AVOIDANCE_OBSTACLE);
    if (_d.omitSection != "Emitter")
        text += TOOL_EmitterSectionText(_d.emitter);
    if (_d.omitSection != "Shield")
        text += TOOL_ShieldSectionText(_d.shield);
    return text + _d.children;
}

std::string TOOL_CockpitDescriptionText(const TOOL_CockpitDescription& _d)
{
    return _d.writeVisual ? TOOL_VisualSectionText(_d.nameMesh, _d.omitKey, _d.mistypedKey) : std::string();
}

std::string TOOL_PlayerChildren(const std::string& _cockpitFile)
{
    TOOL_ChildSection cockpit;
    cockpit.index = 0;
    cockpit.nameCLA = "NOD_Cockpit";
    cockpit.nameSON = "cockpit";
    cockpit.nameOSD = _cockpitFile;
    cockpit.translation[1] = 1.0f;
    cockpit.translation[2] = 0.5f;
    TOOL_ChildSection torpedoes;
    torpedoes.index = 1;
    torpedoes.nameCLA = "NOD_TorpedoLauncher";
    torpedoes.translation[1] = TOOL_PLAYER_LENGTH * 0.5f;
    torpedoes.translation[2] = -0.5f;
    TOOL_ChildSection buzzers;
    buzzers.index = 2;
    buzzers.nameCLA = "NOD_BuzzerLauncher";
    buzzers.translation[1] = -TOOL_PLAYER_LENGTH * 0.5f;
    TOOL_TorpedoLauncherDescription homing;
    homing.torpedoType = 1;
    return TOOL_ChildSectionText(cockpit) +
           TOOL_WeaponChildText(torpedoes, "torlaunch", TOOL_TorpedoLauncherDescriptionText(homing)) +
           TOOL_WeaponChildText(buzzers, "buzzlaunch", TOOL_BuzzerLauncherDescriptionText({}));
}

std::vector<std::pair<std::string, std::string>> TOOL_PlayerFiles()
{
    const TOOL_ObbsTree hull = PlayerHull();
    const TOOL_Mesh mesh = TOOL_HullMesh(hull);
    TOOL_Mesh cockpit = TOOL_HullMesh(TOOL_ObbsHull(1.0f, 0.5f, 0.5f, 1, 4, 4));

    // One piece per hull triangle of the one mesh part, the first eight.
    TOOL_Patch patch;
    for (s32 i = 0; i < TOOL_PLAYER_SHRAPNELS && i < (s32)mesh.triangles.size(); ++i) {
        TOOL_PatchTriangle triangle;
        triangle.triangle = i;
        patch.patches.push_back({(s32)patch.triangles.size(), 1, 0.0f, {}, {}});
        patch.triangles.push_back(triangle);
    }
    TOOL_Ash visual;
    visual.m0 = TOOL_PLAYER_MESH;
    TOOL_AshShrapnel shrapnel;
    shrapnel.nameMesh = TOOL_PLAYER_MESH;
    shrapnel.nameTopology = TOOL_PLAYER_TOPOLOGY;
    shrapnel.shrapnelCount = TOOL_PLAYER_SHRAPNELS;
    visual.shrapnel = shrapnel;

    return {
        {std::string("vfx/msh/") + TOOL_PLAYER_MESH, TOOL_MeshText(mesh)},
        {std::string("vfx/col/") + TOOL_PLAYER_TREE, TOOL_ObbsText(hull)},
        {std::string("vfx/msh/") + TOOL_COCKPIT_MESH, TOOL_MeshText(cockpit)},
        {TOOL_PLAYER_TOPOLOGY, TOOL_PatchText(patch)},
        {TOOL_PLAYER_VISUAL, TOOL_AshText(visual)},
        {TOOL_PLAYER_BUMP, TOOL_WavPcmBytes(1, 22050, 16, TOOL_WavTone(1, 22050, 1102, 220.0, 5000))},
    };
}
