#include "tools_mine.h"

#include "tools_file.h"
#include "tools_obbs.h"

namespace
{
// A key of the mine's own, as the description says to write it.
void Line(std::string& _text, const TOOL_MineDescription& _d, const std::string& _key, const std::string& _value)
{
    TOOL_DesKeyLine(_text, "    ", _key, _value, _d.omitKey, _d.mistypedKey);
}

// The text of a section written by the shared writers without its closing brace, so that the
// mine's own keys can follow.
std::string Open(const std::string& _section) { return _section.substr(0, _section.size() - 2); }

TOOL_ObbsTree MineHull() { return TOOL_ObbsHull(TOOL_MINE_SIZE, TOOL_MINE_SIZE, TOOL_MINE_SIZE, 1, 4, 4); }
}  // namespace

TOOL_ControlSection TOOL_MineDescription::MineControl()
{
    TOOL_ControlSection control;
    control.movePV = 10.0f;
    control.moveNV = 5.0f;
    // Quick to speed up: the mine's translation damping holds a chase at a quarter of this
    // acceleration per step, so only a brisk one reaches VMax.
    control.moveT = 0.25f;
    control.turnPV = 30.0f;
    control.turnNV = 30.0f;
    control.turnT = 1.0f;
    control.turnR = 0.0f;
    return control;
}

TOOL_CollisionSection TOOL_MineDescription::MineCollision()
{
    TOOL_CollisionSection collision;
    collision.collisionDescription = TOOL_MINE_TREE;
    collision.mass = 5.0f;
    return collision;
}

TOOL_ShieldSection TOOL_MineDescription::MineShield()
{
    TOOL_ShieldSection shield;
    shield.kineticOut = 50;
    shield.leftRightActive = 1;
    shield.frontBackActive = 0;
    shield.topBottomActive = 0;
    for (s32 face = 0; face < 6; ++face)
        shield.faceIn[face] = shield.faceInMax[face] = 40;
    return shield;
}

std::string TOOL_MineDescriptionText(const TOOL_MineDescription& _d)
{
    std::string text;
    if (_d.omitSection != "Visual") {
        text += "[Visual]\n{\n";
        if (_d.mistypedKey == "NameMesh")
            text += "    NameMesh = 7\n";
        else if (_d.omitKey != "NameMesh")
            text += "    NameMesh = \"" + _d.nameMesh + "\"\n";
        text += "}\n";
    }
    if (_d.omitSection != "Control") {
        text += Open(TOOL_ControlSectionText(_d.control, TOOL_CONTROL_VESSEL));
        Line(text, _d, "VMax", TOOL_DesFloat(_d.vMax));
        Line(text, _d, "MovingActivationRange", TOOL_DesFloat(_d.movingActivationRange));
        Line(text, _d, "MovingDeactivationRange", TOOL_DesFloat(_d.movingDeactivationRange));
        Line(text, _d, "SwingAlphaFrequenz", TOOL_DesFloat(_d.swingAlphaFrequenz));
        Line(text, _d, "SwingAlphaAmplitude", TOOL_DesFloat(_d.swingAlphaAmplitude));
        Line(text, _d, "SwingPositionFrequenz", TOOL_DesFloat(_d.swingPositionFrequenz));
        const f32* a = _d.swingPositionAmplitude;
        Line(text, _d, "SwingPositionAmplitude",
             TOOL_DesFloat(a[0]) + ", " + TOOL_DesFloat(a[1]) + ", " + TOOL_DesFloat(a[2]));
        text += "}\n";
    }
    if (_d.omitSection != "Collision")
        text += TOOL_CollisionSectionText(_d.collision, TOOL_COLLISION_VESSEL);
    if (_d.omitSection != "Avoidance")
        text += TOOL_AvoidanceSectionText(_d.avoidance, TOOL_AVOIDANCE_OBSTACLE);
    if (_d.omitSection != "Emitter")
        text += TOOL_EmitterSectionText(_d.emitter);
    if (_d.omitSection != "Shield") {
        text += Open(TOOL_ShieldSectionText(_d.shield));
        Line(text, _d, "ActiveKinOut", std::to_string(_d.activeKinOut));
        Line(text, _d, "ActiveEmpOut", std::to_string(_d.activeEmpOut));
        Line(text, _d, "ActiveBioOut", std::to_string(_d.activeBioOut));
        text += "}\n";
    }
    return text;
}

TOOL_Mesh TOOL_MineMesh()
{
    const TOOL_ObbsTree hull = MineHull();
    return TOOL_MeshFromTriangles(hull.vertices, hull.triangles);
}

std::vector<std::pair<std::string, std::string>> TOOL_MineFiles()
{
    return {
        {std::string("vfx/msh/") + TOOL_MINE_MESH, TOOL_MeshText(TOOL_MineMesh())},
        {std::string("vfx/col/") + TOOL_MINE_TREE, TOOL_ObbsText(MineHull())},
    };
}
