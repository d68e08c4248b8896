#include "tools_turret.h"

#include "des_tree.h"
#include "tools_des_image.h"
#include "tools_file.h"
#include "tools_obbs.h"

namespace
{
// The "Control" section of a turn model; the extra lines follow the turn keys.
std::string ControlText(TOOL_ControlSection _control, const std::string& _extra, const std::string& _omitKey,
                        const std::string& _mistypedKey)
{
    if (_control.omitKey.empty())
        _control.omitKey = _omitKey;
    if (_control.mistypedKey.empty())
        _control.mistypedKey = _mistypedKey;
    _control.extra += _extra;
    return TOOL_ControlSectionText(_control, TOOL_CONTROL_TURN);
}

TOOL_ObbsTree Hull(const f32 _size[3]) { return TOOL_BoxHull(_size[0], _size[1], _size[2]); }

TOOL_CollisionSection TreeCollision(const char* _tree)
{
    TOOL_CollisionSection collision;
    collision.collisionDescription = _tree;
    return collision;
}

// The NPC gun's entry _index as the son "gun" at _translation.
std::string GunChild(s32 _index, const f32 _translation[3], const TOOL_NPCGunDescription& _gun)
{
    TOOL_ChildSection child;
    child.index = _index;
    child.nameCLA = "NOD_NPC_Gun";
    for (s32 axis = 0; axis < 3; ++axis)
        child.translation[axis] = _translation[axis];
    return TOOL_WeaponChildText(child, "gun", TOOL_NPCGunDescriptionText(_gun));
}
}  // namespace

// ---- generic body ----------------------------------------------------------------------------

TOOL_CollisionSection TOOL_GenericDescription::GenericCollision() { return TreeCollision(TOOL_BUILDING_TREE); }

std::string TOOL_GenericDescriptionText(const TOOL_GenericDescription& _d)
{
    std::string text;
    if (_d.omitSection != "Visual")
        text += TOOL_VisualSectionText(_d.nameMesh, _d.omitKey, _d.mistypedKey);
    if (_d.omitSection != "Collision")
        text += TOOL_CollisionSectionText(_d.collision, TOOL_COLLISION_GENERIC);
    if (_d.omitSection != "Avoidance")
        text += TOOL_AvoidanceSectionText(_d.avoidance, TOOL_AVOIDANCE_OBSTACLE);
    if (_d.omitSection != "Emitter")
        text += TOOL_EmitterSectionText(_d.emitter);
    if (_d.omitSection != "Shield")
        text += TOOL_ShieldSectionText(_d.shield);
    if (_d.attackable)
        text += "[Attackable]\n{\n}\n";
    return text + _d.children;
}

std::pair<std::string, std::string> TOOL_PrelitMeshFile(const std::string& _name)
{
    return {"dat/lmesh/" + _name + ".msh", TOOL_MeshText(TOOL_BuildingMesh())};
}

std::pair<std::string, std::string> TOOL_PrelitMeshImageFile(const std::string& _name)
{
    const std::string text = TOOL_MeshText(TOOL_BuildingMesh());
    DES_Tree* tree = DES_Text_ParseBuffer((const u8*)text.data(), (u32)text.size());
    std::string image = TOOL_DesImageBytes(tree);
    if (tree != nullptr)
        DES_Tree_Free(tree);
    return {"dat/lmesh/" + _name + "~.msh", image};
}

// ---- turret gun --------------------------------------------------------------------------------

TOOL_ControlSection TOOL_TurretGunDescription::TurnControl()
{
    TOOL_ControlSection control;
    control.turnPV = 90.0f;
    control.turnNV = 90.0f;
    control.turnT = 0.5f;
    control.swingT = 1.0f;
    control.swingA = 0.5f;
    return control;
}

TOOL_CollisionSection TOOL_TurretGunDescription::TurretGunCollision() { return TreeCollision(TOOL_TURRGUN_TREE); }

std::string TOOL_TurretGunDescriptionText(const TOOL_TurretGunDescription& _d)
{
    std::string text;
    if (_d.omitSection != "Visual")
        text += TOOL_VisualSectionText(_d.nameMesh, _d.omitKey, _d.mistypedKey);
    if (_d.omitSection != "Control")
        text += ControlText(_d.control, "", _d.omitKey, _d.mistypedKey);
    if (_d.omitSection != "Shield")
        text += TOOL_ShieldSectionText(_d.shield);
    if (_d.omitSection != "Collision")
        text += TOOL_CollisionSectionText(_d.collision, TOOL_COLLISION_VESSEL);
    if (_d.omitSection != "Avoidance")
        text += TOOL_AvoidanceSectionText(_d.avoidance, TOOL_AVOIDANCE_OBSTACLE);
    if (_d.writeGun) {
        const f32 muzzle[3] = {0.0f, TOOL_TURRGUN_SIZE[1] * 0.5f, 0.0f};
        text += GunChild(0, muzzle, _d.gun);
    }
    return text + _d.children;
}

// ---- turret base -------------------------------------------------------------------------------

TOOL_CollisionSection TOOL_TurretDescription::TurretCollision() { return TreeCollision(TOOL_TURRET_TREE); }

std::string TOOL_TurretDescriptionText(const TOOL_TurretDescription& _d)
{
    std::string text;
    if (_d.mistypedKey == "TurretName")
        text += "TurretName = 7\n";
    else if (_d.omitKey != "TurretName")
        text += "TurretName = \"" + _d.turretName + "\"\n";
    if (_d.omitSection != "Visual")
        text += TOOL_VisualSectionText(_d.nameMesh, _d.omitKey, _d.mistypedKey);
    if (_d.omitSection != "Control") {
        std::string limits;
        TOOL_DesKeyLine(limits, "    ", "AlphaRange", TOOL_DesFloat(_d.alphaRange), _d.omitKey, _d.mistypedKey);
        TOOL_DesKeyLine(limits, "    ", "MinBeta", TOOL_DesFloat(_d.minBeta), _d.omitKey, _d.mistypedKey);
        TOOL_DesKeyLine(limits, "    ", "MaxBeta", TOOL_DesFloat(_d.maxBeta), _d.omitKey, _d.mistypedKey);
        text += ControlText(_d.control, limits, _d.omitKey, _d.mistypedKey);
    }
    if (_d.omitSection != "Shield")
        text += TOOL_ShieldSectionText(_d.shield);
    if (_d.omitSection != "Collision")
        text += TOOL_CollisionSectionText(_d.collision, TOOL_COLLISION_VESSEL);
    if (_d.omitSection != "Avoidance")
        text += TOOL_AvoidanceSectionText(_d.avoidance, TOOL_AVOIDANCE_OBSTACLE);
    if (_d.omitSection != "Emitter")
        text += TOOL_EmitterSectionText(_d.emitter);
    if (_d.writeAttackBehaviour) {
        const TOOL_TurretAttackSection& a = _d.attack;
        const std::pair<const char*, f32> keys[] = {
            {"MinimumTimeToStick", a.minimumTimeToStick},
            {"MeanAngleAlpha", a.meanAngleAlpha},
            {"StandardDeviationAlpha", a.standardDeviationAlpha},
            {"MeanAngleBeta", a.meanAngleBeta},
            {"StandardDeviationBeta", a.standardDeviationBeta},
            {"MeanWaitingTime", a.meanWaitingTime},
            {"StandardDeviationWaitingTime", a.standardDeviationWaitingTime},
        };
        text += "[AttackBehaviour]\n{\n";
        for (const auto& key : keys)
            TOOL_DesKeyLine(text, "    ", key.first, TOOL_DesFloat(key.second), _d.omitKey, _d.mistypedKey);
        text += "}\n";
    }
    if (_d.mount == TOOL_TURRET_GUN) {
        text += GunChild(0, _d.gunTranslation, _d.gun);
    } else if (_d.mount == TOOL_TURRET_TURRGUN) {
        TOOL_ChildSection child;
        child.nameCLA = "NOD_Turret_Gun";
        child.nameSON = "turrGun";
        child.nameOSD = _d.turretGunFile;
        for (s32 axis = 0; axis < 3; ++axis)
            child.translation[axis] = _d.turretGunTranslation[axis];
        text += TOOL_ChildSectionText(child);
    }
    return text + _d.children;
}

std::string TOOL_TurretChildText(s32 _index, const TOOL_TurretDescription& _description, const f32 _translation[3])
{
    TOOL_ChildSection child;
    child.index = _index;
    child.nameCLA = "NOD_Turret_Base";
    for (s32 axis = 0; axis < 3; ++axis)
        child.translation[axis] = _translation[axis];
    return TOOL_WeaponChildText(child, "", TOOL_TurretDescriptionText(_description));
}

// ---- the files ---------------------------------------------------------------------------------

TOOL_Mesh TOOL_BuildingMesh() { return TOOL_HullMesh(Hull(TOOL_BUILDING_SIZE)); }

TOOL_Mesh TOOL_TurretMesh() { return TOOL_HullMesh(Hull(TOOL_TURRET_SIZE)); }

TOOL_Mesh TOOL_TurretGunMesh() { return TOOL_HullMesh(Hull(TOOL_TURRGUN_SIZE)); }

std::vector<std::pair<std::string, std::string>> TOOL_TurretFiles()
{
    return {
        {std::string("vfx/msh/") + TOOL_BUILDING_MESH, TOOL_MeshText(TOOL_BuildingMesh())},
        {std::string("vfx/col/") + TOOL_BUILDING_TREE, TOOL_ObbsText(Hull(TOOL_BUILDING_SIZE))},
        {std::string("vfx/msh/") + TOOL_TURRET_MESH, TOOL_MeshText(TOOL_TurretMesh())},
        {std::string("vfx/col/") + TOOL_TURRET_TREE, TOOL_ObbsText(Hull(TOOL_TURRET_SIZE))},
        {std::string("vfx/msh/") + TOOL_TURRGUN_MESH, TOOL_MeshText(TOOL_TurretGunMesh())},
        {std::string("vfx/col/") + TOOL_TURRGUN_TREE, TOOL_ObbsText(Hull(TOOL_TURRGUN_SIZE))},
        {"vfx/" + TOOL_TurretDescription().turretGunFile, TOOL_TurretGunDescriptionText(TOOL_TurretGunDescription())},
    };
}
