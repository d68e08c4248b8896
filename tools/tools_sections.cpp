#include "tools_sections.h"

#include "tools_file.h"

// ---- "Collision" section: physical descriptions ------------------------------------------------

std::string TOOL_CollisionSectionText(const TOOL_CollisionSection& _section, TOOL_CollisionReader _reader)
{
    const bool vessel = _reader == TOOL_COLLISION_VESSEL;
    const bool lists = vessel || _reader == TOOL_COLLISION_GENERIC;
    const bool tree = lists || _reader == TOOL_COLLISION_TORPEDO;
    std::string text = "[Collision]\n{\n";
    if (_section.writeActive)
        text += "    Active = " + std::to_string(_section.active) + "\n";
    if (vessel && _section.writeRestitution)
        text += "    Restitution = " + TOOL_DesFloat(_section.restitution) + "\n";
    if (vessel && _section.writeMass)
        text += "    Mass = " + TOOL_DesFloat(_section.mass) + "\n";
    if (lists && _section.writeMaxNumOfCollisions)
        text += "    MaxNumOfCollisions = " + std::to_string(_section.maxNumOfCollisions) + "\n";
    if (lists && _section.writeMaxNumOfShotHits)
        text += "    MaxNumOfShotHits = " + std::to_string(_section.maxNumOfShotHits) + "\n";
    if (tree && _section.writeCollisionDescription)
        text += "    CollisionDescription = \"" + _section.collisionDescription + "\"\n";
    text += "}\n";
    return text;
}

// ---- end of "Collision" section -----------------------------------------------------------------

// ---- "Emitter" section: how sensors perceive a body ---------------------------------------------

std::string TOOL_EmitterSectionText(const TOOL_EmitterSection& _section)
{
    std::string text = "[Emitter]\n{\n";
    if (_section.writePresence)
        text += "    Presence = " + std::to_string(_section.presence) + "\n";
    if (_section.writeVisible)
        text += "    Visible = " + std::to_string(_section.visible) + "\n";
    if (_section.writeVisibilityBlocking)
        text += "    VisibilityBlocking = " + std::to_string(_section.visibilityBlocking) + "\n";
    if (_section.writeSoundEmissionLevel) {
        const std::string quote = _section.levelQuoted ? "\"" : "";
        text += "    SoundEmissionLevel = " + quote + _section.soundEmissionLevel + quote + "\n";
    }
    text += "}\n";
    return text;
}

// ---- end of "Emitter" section -------------------------------------------------------------------

// ---- "Avoidance" section: obstacles and avoiders ---------------------------------------------

std::string TOOL_AvoidanceSectionText(const TOOL_AvoidanceSection& _section, TOOL_AvoidanceReader _reader)
{
    const bool avoider = _reader == TOOL_AVOIDANCE_AVOIDER;
    const TOOL_AvoidanceSection& s = _section;
    std::string text = "[Avoidance]\n{\n";
    if (s.writeDescription)
        text += "    Description = \"" + s.description + "\"\n";
    if (avoider && s.writeNumOfMaximalAvoidanceObjects)
        text += "    NumOfMaximalAvoidanceObjects = " + std::to_string(s.numOfMaximalAvoidanceObjects) + "\n";
    if (avoider && s.writeObjectAvoidanceActive)
        text += "    ObjectAvoidanceActive = " + std::to_string(s.objectAvoidanceActive) + "\n";
    if (avoider && s.writeTerrainAvoidanceActive)
        text += "    TerrainAvoidanceActive = " + std::to_string(s.terrainAvoidanceActive) + "\n";
    if (avoider && s.writeLookAheadDistance)
        text += "    LookAheadDistance = " + TOOL_DesFloat(s.lookAheadDistance) + "\n";
    if (avoider && s.writeAvoidanceRadius)
        text += "    AvoidanceRadius = " + TOOL_DesFloat(s.avoidanceRadius) + "\n";
    if (avoider && s.writeAvoidanceRatio)
        text += "    AvoidanceRatio = " + TOOL_DesFloat(s.avoidanceRatio) + "\n";
    if (avoider && s.writeMaxClimbeAngle)
        text += "    MaxClimbeAngle = " + TOOL_DesFloat(s.maxClimbeAngle) + "\n";
    text += "}\n";
    return text;
}

// ---- end of "Avoidance" section ----------------------------------------------------------------

// ---- "Control" section: the motion models' limits and damping ---------------------------------

namespace
{
void ControlLine(std::string& _text, const TOOL_ControlSection& _section, const std::string& _key,
                 const std::string& _value)
{
    if (_key == _section.omitKey)
        return;
    const std::string value = _key == _section.mistypedKey ? "\"" + _value + "\"" : _value;
    _text += "    " + _key + " = " + value + "\n";
}

std::string ControlVector(const f32* _v)
{
    return TOOL_DesFloat(_v[0]) + ", " + TOOL_DesFloat(_v[1]) + ", " + TOOL_DesFloat(_v[2]);
}
}  // namespace

std::string TOOL_ControlSectionText(const TOOL_ControlSection& _section, TOOL_ControlReader _reader)
{
    const TOOL_ControlSection& s = _section;
    const bool move =
        _reader == TOOL_CONTROL_VESSEL || _reader == TOOL_CONTROL_VEHICLE || _reader == TOOL_CONTROL_PLAYER;
    const bool turn = move || _reader == TOOL_CONTROL_TURN;
    const bool turnR = _reader == TOOL_CONTROL_VESSEL || _reader == TOOL_CONTROL_PLAYER;
    const bool vMax = _reader == TOOL_CONTROL_VMAX || _reader == TOOL_CONTROL_PLAYER;
    std::string text = "[Control]\n{\n";
    if (move) {
        ControlLine(text, s, "MovePV", TOOL_DesFloat(s.movePV));
        ControlLine(text, s, "MoveNV", TOOL_DesFloat(s.moveNV));
        ControlLine(text, s, "MoveT", TOOL_DesFloat(s.moveT));
    }
    if (turn) {
        ControlLine(text, s, "TurnPV", TOOL_DesFloat(s.turnPV));
        ControlLine(text, s, "TurnNV", TOOL_DesFloat(s.turnNV));
        ControlLine(text, s, "TurnT", TOOL_DesFloat(s.turnT));
    }
    if (turnR)
        ControlLine(text, s, "TurnR", TOOL_DesFloat(s.turnR));
    if (turn) {
        ControlLine(text, s, "SwingT", TOOL_DesFloat(s.swingT));
        ControlLine(text, s, "SwingA", TOOL_DesFloat(s.swingA));
    }
    if (move)
        ControlLine(text, s, "MoveFriction", ControlVector(s.moveFriction));
    if (turn)
        ControlLine(text, s, "TurnFriction", ControlVector(s.turnFriction));
    if (vMax)
        ControlLine(text, s, "VMax", TOOL_DesFloat(s.vMax));
    text += s.extra;
    text += "}\n";
    return text;
}

// ---- end of "Control" section -------------------------------------------------------------------

// ---- "Shield" section: the damage model of shielded bodies --------------------------------------

namespace
{
// One "Key = value" line at the given depth, unless the section leaves the key out or mistypes it.
void ShieldLine(std::string& _text, const TOOL_ShieldSection& _section, const char* _indent, const std::string& _key,
                const std::string& _value)
{
    if (_key == _section.omitKey)
        return;
    const std::string value = _key == _section.mistypedKey ? "\"" + _value + "\"" : _value;
    _text += _indent + _key + " = " + value + "\n";
}
}  // namespace

std::string TOOL_ShieldSectionText(const TOOL_ShieldSection& _section)
{
    const TOOL_ShieldSection& s = _section;
    const char* const top = "    ";
    const char* const sub = "        ";
    std::string text = "[Shield]\n{\n";
    ShieldLine(text, s, top, "ShowShield", std::to_string(s.showShield));
    ShieldLine(text, s, top, "DamagePropagationRatio", TOOL_DesFloat(s.damagePropagationRatio));
    ShieldLine(text, s, top, "TerrainOutPoints", std::to_string(s.terrainOutPoints));
    if (s.writeKinetic) {
        static const char* const FACES[6] = {"Right", "Left", "Front", "Back", "Top", "Bot"};
        text += "    [Kinetic]\n    {\n";
        ShieldLine(text, s, sub, "Out", std::to_string(s.kineticOut));
        ShieldLine(text, s, sub, "LeftRightActive", std::to_string(s.leftRightActive));
        ShieldLine(text, s, sub, "FrontBackActive", std::to_string(s.frontBackActive));
        ShieldLine(text, s, sub, "TopBottomActive", std::to_string(s.topBottomActive));
        ShieldLine(text, s, sub, "X-Extension-In", TOOL_DesFloat(s.extension[0]));
        ShieldLine(text, s, sub, "Y-Extension-In", TOOL_DesFloat(s.extension[1]));
        ShieldLine(text, s, sub, "Z-Extension-In", TOOL_DesFloat(s.extension[2]));
        for (s32 face = 0; face < 6; ++face)
            ShieldLine(text, s, sub, std::string(FACES[face]) + "In", std::to_string(s.faceIn[face]));
        for (s32 face = 0; face < 6; ++face)
            ShieldLine(text, s, sub, std::string(FACES[face]) + "InMax", std::to_string(s.faceInMax[face]));
        text += "    }\n";
    }
    if (s.writeEmp) {
        text += "    [Emp]\n    {\n";
        ShieldLine(text, s, sub, "Out", std::to_string(s.empOut));
        ShieldLine(text, s, sub, "In", std::to_string(s.empIn));
        ShieldLine(text, s, sub, "InMax", std::to_string(s.empInMax));
        text += "    }\n";
    }
    if (s.writeBio) {
        text += "    [Bio]\n    {\n";
        ShieldLine(text, s, sub, "Out", std::to_string(s.bioOut));
        ShieldLine(text, s, sub, "In", std::to_string(s.bioIn));
        ShieldLine(text, s, sub, "InMax", std::to_string(s.bioInMax));
        text += "    }\n";
    }
    text += "}\n";
    return text;
}

// ---- end of "Shield" section --------------------------------------------------------------------

// ---- "Child" context: a son's local frame in its father's description ---------------------------

namespace
{
void ChildLine(std::string& _text, const TOOL_ChildSection& _section, const std::string& _key,
               const std::string& _value)
{
    if (_key == _section.omitKey)
        return;
    const std::string value = _key == _section.mistypedKey ? "\"" + _value + "\"" : _value;
    _text += "    " + _key + " = " + value + "\n";
}

std::string ChildVector(const f32* _v)
{
    return TOOL_DesFloat(_v[0]) + ", " + TOOL_DesFloat(_v[1]) + ", " + TOOL_DesFloat(_v[2]);
}
}  // namespace

std::string TOOL_ChildSectionText(const TOOL_ChildSection& _section)
{
    const TOOL_ChildSection& s = _section;
    std::string text = "[Child" + std::to_string(s.index) + "]\n{\n";
    if (!s.nameCLA.empty())
        ChildLine(text, s, "NameCLA", "\"" + s.nameCLA + "\"");
    if (!s.nameSON.empty())
        ChildLine(text, s, "NameSON", "\"" + s.nameSON + "\"");
    if (!s.nameOSD.empty())
        ChildLine(text, s, "NameOSD", "\"" + s.nameOSD + "\"");
    ChildLine(text, s, "Translation", ChildVector(s.translation));
    for (s32 row = 0; row < 3; ++row)
        ChildLine(text, s, "Rotation" + std::to_string(row), ChildVector(s.rotation[row]));
    text += "}\n";
    return text;
}

// ---- end of "Child" context ---------------------------------------------------------------------

// ---- key lines and the "Visual" section ---------------------------------------------------------

void TOOL_DesKeyLine(std::string& _text, const char* _indent, const std::string& _key, const std::string& _value,
                     const std::string& _omitKey, const std::string& _mistypedKey)
{
    if (_key == _omitKey)
        return;
    const std::string value = _key == _mistypedKey ? "\"" + _value + "\"" : _value;
    _text += _indent + _key + " = " + value + "\n";
}

std::string TOOL_VisualSectionText(const std::string& _nameMesh, const std::string& _omitKey,
                                   const std::string& _mistypedKey)
{
    std::string text = "[Visual]\n{\n";
    if (_mistypedKey == "NameMesh")
        text += "    NameMesh = 7\n";
    else if (_omitKey != "NameMesh")
        text += "    NameMesh = \"" + _nameMesh + "\"\n";
    return text + "}\n";
}
