#include "tools_launch.h"

#include "tools_file.h"

namespace
{
TOOL_ObbsTree TorpedoHull() { return TOOL_BoxHull(TOOL_TORPEDO_WIDTH, TOOL_TORPEDO_LENGTH, TOOL_TORPEDO_WIDTH); }
TOOL_ObbsTree BuzzerHull() { return TOOL_BoxHull(TOOL_BUZZER_SIZE, TOOL_BUZZER_SIZE, TOOL_BUZZER_SIZE); }
}  // namespace

// ---- torpedo -------------------------------------------------------------------------------------

TOOL_ControlSection TOOL_TorpedoDescription::TorpedoControl()
{
    TOOL_ControlSection control;
    control.movePV = 40.0f;
    control.moveNV = 0.0f;
    control.moveT = 1.0f;
    control.turnPV = 90.0f;
    control.turnNV = 90.0f;
    control.turnT = 0.5f;
    control.turnR = 0.0f;
    control.moveFriction[0] = 1.0f;
    control.moveFriction[1] = 0.1f;
    control.moveFriction[2] = 1.0f;
    return control;
}

TOOL_CollisionSection TOOL_TorpedoDescription::TorpedoCollision()
{
    TOOL_CollisionSection collision;
    collision.collisionDescription = TOOL_TORPEDO_TREE;
    return collision;
}

TOOL_AvoidanceSection TOOL_TorpedoDescription::TorpedoAvoidance()
{
    TOOL_AvoidanceSection avoidance;
    avoidance.lookAheadDistance = 50.0f;
    avoidance.avoidanceRadius = 2.0f;
    return avoidance;
}

TOOL_EmitterSection TOOL_TorpedoDescription::TorpedoEmitter()
{
    TOOL_EmitterSection emitter;
    emitter.soundEmissionLevel = "medium";
    return emitter;
}

std::string TOOL_TorpedoDescriptionText(const TOOL_TorpedoDescription& _d)
{
    std::string text;
    if (_d.omitSection != "Visual")
        text += TOOL_VisualSectionText(_d.nameMesh, _d.omitKey, _d.mistypedKey);
    if (_d.omitSection != "Torpedo") {
        text += "[Torpedo]\n{\n";
        TOOL_DesKeyLine(text, "    ", "LifeTime", TOOL_DesFloat(_d.lifeTime), _d.omitKey, _d.mistypedKey);
        TOOL_DesKeyLine(text, "    ", "AcousticRange", TOOL_DesFloat(_d.acousticRange), _d.omitKey, _d.mistypedKey);
        TOOL_DesKeyLine(text, "    ", "AcousticAngle", TOOL_DesFloat(_d.acousticAngle), _d.omitKey, _d.mistypedKey);
        TOOL_DesKeyLine(text, "    ", "LookingMode", std::to_string(_d.lookingMode), _d.omitKey, _d.mistypedKey);
        TOOL_DesKeyLine(text, "    ", "FollowMode", std::to_string(_d.followMode), _d.omitKey, _d.mistypedKey);
        TOOL_DesKeyLine(text, "    ", "BuzzerDistract", std::to_string(_d.buzzerDistract), _d.omitKey, _d.mistypedKey);
        text += "}\n";
    }
    if (_d.omitSection != "Control")
        text += TOOL_ControlSectionText(_d.control, TOOL_CONTROL_VESSEL);
    if (_d.omitSection != "Shield")
        text += TOOL_ShieldSectionText(_d.shield);
    if (_d.omitSection != "Collision")
        text += TOOL_CollisionSectionText(_d.collision, TOOL_COLLISION_TORPEDO);
    if (_d.omitSection != "Avoidance")
        text += TOOL_AvoidanceSectionText(_d.avoidance, TOOL_AVOIDANCE_AVOIDER);
    if (_d.omitSection != "Emitter")
        text += TOOL_EmitterSectionText(_d.emitter);
    return text;
}

// ---- buzzer --------------------------------------------------------------------------------------

TOOL_CollisionSection TOOL_BuzzerDescription::BuzzerCollision()
{
    TOOL_CollisionSection collision;
    collision.collisionDescription = TOOL_BUZZER_TREE;
    return collision;
}

TOOL_ShieldSection TOOL_BuzzerDescription::BuzzerShield()
{
    TOOL_ShieldSection shield;
    shield.leftRightActive = shield.frontBackActive = shield.topBottomActive = 0;
    return shield;
}

std::string TOOL_BuzzerDescriptionText(const TOOL_BuzzerDescription& _d)
{
    std::string text;
    if (_d.omitSection != "Visual")
        text += TOOL_VisualSectionText(_d.nameMesh, _d.omitKey, _d.mistypedKey);
    if (_d.omitSection != "Collision")
        text += TOOL_CollisionSectionText(_d.collision, TOOL_COLLISION_VESSEL);
    if (_d.omitSection != "Shield")
        text += TOOL_ShieldSectionText(_d.shield);
    return text;
}

// ---- launchers and the NPC gun -------------------------------------------------------------------

std::string TOOL_WeaponChildText(const TOOL_ChildSection& _child, const std::string& _sonName,
                                 const std::string& _description)
{
    std::string text = TOOL_ChildSectionText(_child);
    // Before the entry's closing brace.
    text.erase(text.size() - 2);
    if (!_sonName.empty())
        text += "    NameSON = \"" + _sonName + "\"\n";
    return text + _description + "}\n";
}

std::string TOOL_TorpedoLauncherDescriptionText(const TOOL_TorpedoLauncherDescription& _d)
{
    if (!_d.writeTorpedoType)
        return "";
    const std::string value = std::to_string(_d.torpedoType);
    return "TorpedoType = " + (_d.quoteTorpedoType ? "\"" + value + "\"" : value) + "\n";
}

std::string TOOL_BuzzerLauncherDescriptionText(const TOOL_BuzzerLauncherDescription& _d)
{
    std::string text;
    TOOL_DesKeyLine(text, "", "MeanEjectVelocity", TOOL_DesFloat(_d.meanEjectVelocity), _d.omitKey, _d.mistypedKey);
    TOOL_DesKeyLine(text, "", "DevEjectVelocity", TOOL_DesFloat(_d.devEjectVelocity), _d.omitKey, _d.mistypedKey);
    TOOL_DesKeyLine(text, "", "MeanTumblingVelocity", TOOL_DesFloat(_d.meanTumblingVelocity), _d.omitKey,
                    _d.mistypedKey);
    TOOL_DesKeyLine(text, "", "DevTumblingVelocity", TOOL_DesFloat(_d.devTumblingVelocity), _d.omitKey, _d.mistypedKey);
    return text;
}

std::string TOOL_NPCGunDescriptionText(const TOOL_NPCGunDescription& _d)
{
    const s32 count = _d.numOfFieringPhases.value_or((s32)_d.phases.size());
    std::string text;
    TOOL_DesKeyLine(text, "", "BulletType", std::to_string(_d.bulletType), _d.omitKey, _d.mistypedKey);
    TOOL_DesKeyLine(text, "", "NumOfFieringPhases", std::to_string(count), _d.omitKey, _d.mistypedKey);
    TOOL_DesKeyLine(text, "", "SingleShotDelay", TOOL_DesFloat(_d.singleShotDelay), _d.omitKey, _d.mistypedKey);
    for (size_t i = 0; i < _d.phases.size(); ++i) {
        const TOOL_NPCGunPhase& phase = _d.phases[i];
        text += "[Phase" + std::to_string(i) + "]\n{\n";
        TOOL_DesKeyLine(text, "    ", "NumOfShotsToEmit", std::to_string(phase.numOfShotsToEmit), _d.omitKey,
                        _d.mistypedKey);
        TOOL_DesKeyLine(text, "    ", "DelayTimeBetweenCycles", TOOL_DesFloat(phase.delayTimeBetweenCycles), _d.omitKey,
                        _d.mistypedKey);
        text += "}\n";
    }
    return text;
}

// ---- the files ---------------------------------------------------------------------------------

TOOL_ObbsTree TOOL_BoxHull(f32 _x, f32 _y, f32 _z) { return TOOL_ObbsHull(_x, _y, _z, 1, 4, 4); }

TOOL_Mesh TOOL_HullMesh(const TOOL_ObbsTree& _hull) { return TOOL_MeshFromTriangles(_hull.vertices, _hull.triangles); }

TOOL_Mesh TOOL_TorpedoMesh() { return TOOL_HullMesh(TorpedoHull()); }

TOOL_Mesh TOOL_BuzzerMesh() { return TOOL_HullMesh(BuzzerHull()); }

std::vector<std::pair<std::string, std::string>> TOOL_LaunchFiles()
{
    TOOL_TorpedoDescription straight;
    straight.lookingMode = 0;
    straight.followMode = 0;
    straight.buzzerDistract = 0;
    const TOOL_TorpedoDescription homing;
    return {
        {"vfx/osd/weapon/tor_default.osd", TOOL_TorpedoDescriptionText(straight)},
        {"vfx/osd/weapon/tor_homing.osd", TOOL_TorpedoDescriptionText(homing)},
        {"vfx/osd/weapon/buzzer.osd", TOOL_BuzzerDescriptionText(TOOL_BuzzerDescription())},
        {std::string("vfx/msh/") + TOOL_TORPEDO_MESH, TOOL_MeshText(TOOL_TorpedoMesh())},
        {std::string("vfx/col/") + TOOL_TORPEDO_TREE, TOOL_ObbsText(TorpedoHull())},
        {std::string("vfx/msh/") + TOOL_BUZZER_MESH, TOOL_MeshText(TOOL_BuzzerMesh())},
        {std::string("vfx/col/") + TOOL_BUZZER_TREE, TOOL_ObbsText(BuzzerHull())},
    };
}
