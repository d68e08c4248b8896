#include "tools_vessel.h"

#include "tools_file.h"
#include "tools_launch.h"
#include "tools_obbs.h"

namespace
{
// A string key: quoted, or a bare number when mistyped.
void StringLine(std::string& _text, const std::string& _key, const std::string& _value, const std::string& _omitKey,
                const std::string& _mistypedKey)
{
    if (_value.empty() || _key == _omitKey)
        return;
    _text += "    " + _key + " = " + (_key == _mistypedKey ? std::string("7") : "\"" + _value + "\"") + "\n";
}

std::string VisualText(const TOOL_VisualSection& _visual, const std::string& _omitKey, const std::string& _mistypedKey)
{
    std::string text = "[Visual]\n{\n";
    StringLine(text, "NameMesh", _visual.nameMesh, _omitKey, _mistypedKey);
    StringLine(text, "BriselMesh", _visual.briselMesh, _omitKey, _mistypedKey);
    return text + "}\n";
}

// The sections in their order, each unless it is _omitSection, then the children.
std::string Sections(const std::vector<std::pair<std::string, std::string>>& _sections, const std::string& _omitSection,
                     const std::vector<std::string>& _children)
{
    std::string text;
    for (const auto& section : _sections)
        if (section.first != _omitSection)
            text += section.second;
    for (const std::string& child : _children)
        text += child;
    return text;
}

TOOL_ObbsTree Hull(const f32 _size[3]) { return TOOL_BoxHull(_size[0], _size[1], _size[2]); }

TOOL_CollisionSection CollisionWith(const char* _tree)
{
    TOOL_CollisionSection collision;
    collision.collisionDescription = _tree;
    collision.mass = 10.0f;
    return collision;
}
}  // namespace

TOOL_CollisionSection TOOL_VesselDescription::VesselCollision() { return CollisionWith(TOOL_VESSEL_TREE); }

TOOL_EmitterSection TOOL_VesselDescription::ArmedEmitter()
{
    TOOL_EmitterSection emitter;
    emitter.soundEmissionLevel = "loud";
    return emitter;
}

TOOL_CollisionSection TOOL_VehicleDescription::VehicleCollision() { return CollisionWith(TOOL_VEHICLE_TREE); }

TOOL_CollisionSection TOOL_WheelDescription::WheelCollision() { return CollisionWith(TOOL_WHEEL_TREE); }

std::string TOOL_VesselDescriptionText(const TOOL_VesselDescription& _d)
{
    std::string buzzerText;
    if (_d.buzzerParam.has_value()) {
        const TOOL_BuzzerParamSection& buzzer = *_d.buzzerParam;
        buzzerText = "[BuzzerParam]\n{\n";
        TOOL_DesKeyLine(buzzerText, "    ", "BuzzerRadius", TOOL_DesFloat(buzzer.buzzerRadius), _d.omitKey,
                        _d.mistypedKey);
        TOOL_DesKeyLine(buzzerText, "    ", "BuzzerTime", TOOL_DesFloat(buzzer.buzzerTime), _d.omitKey, _d.mistypedKey);
        TOOL_DesKeyLine(buzzerText, "    ", "BuzzerIntelligence", TOOL_DesFloat(buzzer.buzzerIntelligence), _d.omitKey,
                        _d.mistypedKey);
        TOOL_DesKeyLine(buzzerText, "    ", "NumOfBuzzers", std::to_string(buzzer.numOfBuzzers), _d.omitKey,
                        _d.mistypedKey);
        buzzerText += "}\n";
    }
    return Sections(
        {{"Visual", VisualText(_d.visual, _d.omitKey, _d.mistypedKey)},
         {"Control", TOOL_ControlSectionText(_d.control, TOOL_CONTROL_VESSEL)},
         {"Shield", TOOL_ShieldSectionText(_d.shield)},
         {"Collision", TOOL_CollisionSectionText(_d.collision, TOOL_COLLISION_VESSEL)},
         {"Avoidance", TOOL_AvoidanceSectionText(_d.avoidance, TOOL_AVOIDANCE_AVOIDER)},
         {"Emitter", TOOL_EmitterSectionText(_d.emitter)},
         {"BuzzerParam", buzzerText},
         {"AttackBehaviour",
          _d.attackBehaviour.has_value() ? TOOL_VesselAttackSectionText(*_d.attackBehaviour) : std::string()}},
        _d.omitSection, _d.children);
}

std::string TOOL_VehicleDescriptionText(const TOOL_VehicleDescription& _d)
{
    return Sections(
        {{"Visual", VisualText(_d.visual, _d.omitKey, _d.mistypedKey)},
         {"Control", TOOL_ControlSectionText(_d.control, TOOL_CONTROL_VEHICLE)},
         {"Collision", TOOL_CollisionSectionText(_d.collision, TOOL_COLLISION_VESSEL)},
         {"Avoidance", TOOL_AvoidanceSectionText(_d.avoidance, TOOL_AVOIDANCE_AVOIDER)},
         {"Emitter", TOOL_EmitterSectionText(_d.emitter)},
         {"Shield", TOOL_ShieldSectionText(_d.shield)},
         {"AttackBehaviour", _d.attackBehaviour.has_value() ? TOOL_VehicleAttackSectionText(*_d.attackBehaviour) : ""}},
        _d.omitSection, _d.children);
}

std::string TOOL_WheelDescriptionText(const TOOL_WheelDescription& _d)
{
    return Sections({{"Visual", VisualText(_d.visual, _d.omitKey, _d.mistypedKey)},
                     {"Collision", TOOL_CollisionSectionText(_d.collision, TOOL_COLLISION_VESSEL)},
                     {"Avoidance", TOOL_AvoidanceSectionText(_d.avoidance, TOOL_AVOIDANCE_OBSTACLE)},
                     {"Shield", TOOL_ShieldSectionText(_d.shield)}},
                    _d.omitSection, {});
}

std::string TOOL_WheelChildText(s32 _index, const std::string& _name, const f32 _position[3])
{
    TOOL_ChildSection child;
    child.index = _index;
    child.nameCLA = "NOD_Wheel";
    child.nameSON = _name;
    child.nameOSD = TOOL_WHEEL_OSD;
    for (s32 axis = 0; axis < 3; ++axis)
        child.translation[axis] = _position[axis];
    return TOOL_ChildSectionText(child);
}

std::vector<std::string> TOOL_VehicleWheelChildren(s32 _first)
{
    const f32 x = (TOOL_VEHICLE_SIZE[0] + TOOL_WHEEL_SIZE[0]) * 0.5f;
    const f32 y = TOOL_VEHICLE_SIZE[1] * 0.5f - TOOL_WHEEL_SIZE[1] * 0.5f;
    const f32 z = TOOL_WHEEL_SIZE[2] * 0.5f - TOOL_VEHICLE_SIZE[2] * 0.5f;
    const f32 corners[4][3] = {{-x, y, z}, {x, y, z}, {-x, -y, z}, {x, -y, z}};
    std::vector<std::string> children;
    for (s32 i = 0; i < 4; ++i)
        children.push_back(TOOL_WheelChildText(_first + i, "wheel" + std::to_string(i), corners[i]));
    return children;
}

TOOL_Mesh TOOL_VesselMesh() { return TOOL_HullMesh(Hull(TOOL_VESSEL_SIZE)); }
TOOL_Mesh TOOL_VehicleMesh() { return TOOL_HullMesh(Hull(TOOL_VEHICLE_SIZE)); }
TOOL_Mesh TOOL_WheelMesh() { return TOOL_HullMesh(Hull(TOOL_WHEEL_SIZE)); }

std::vector<std::pair<std::string, std::string>> TOOL_ArmedBodyFiles()
{
    return {
        {std::string("vfx/msh/") + TOOL_VESSEL_MESH, TOOL_MeshText(TOOL_VesselMesh())},
        {std::string("vfx/col/") + TOOL_VESSEL_TREE, TOOL_ObbsText(Hull(TOOL_VESSEL_SIZE))},
        {std::string("vfx/msh/") + TOOL_VEHICLE_MESH, TOOL_MeshText(TOOL_VehicleMesh())},
        {std::string("vfx/col/") + TOOL_VEHICLE_TREE, TOOL_ObbsText(Hull(TOOL_VEHICLE_SIZE))},
        {std::string("vfx/msh/") + TOOL_WHEEL_MESH, TOOL_MeshText(TOOL_WheelMesh())},
        {std::string("vfx/col/") + TOOL_WHEEL_TREE, TOOL_ObbsText(Hull(TOOL_WHEEL_SIZE))},
        {std::string("vfx/") + TOOL_WHEEL_OSD, TOOL_WheelDescriptionText(TOOL_WheelDescription())},
    };
}
