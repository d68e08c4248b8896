#include "tools_sections.h"

#include <charconv>

// ---- "Collision" section: physical descriptions ------------------------------------------------

namespace
{
// The description files read floats only in fixed notation with a decimal point.
std::string CollisionFloatText(f32 _value)
{
    char text[128];
    const std::to_chars_result result = std::to_chars(text, text + sizeof(text), _value, std::chars_format::fixed);
    std::string out(text, result.ptr);
    if (out.find('.') == std::string::npos)
        out += ".0";
    return out;
}
}  // namespace

std::string TOOL_CollisionSectionText(const TOOL_CollisionSection& _section, TOOL_CollisionReader _reader)
{
    const bool vessel = _reader == TOOL_COLLISION_VESSEL;
    const bool lists = vessel || _reader == TOOL_COLLISION_GENERIC;
    const bool tree = lists || _reader == TOOL_COLLISION_TORPEDO;
    std::string text = "[Collision]\n{\n";
    if (_section.writeActive)
        text += "    Active = " + std::to_string(_section.active) + "\n";
    if (vessel && _section.writeRestitution)
        text += "    Restitution = " + CollisionFloatText(_section.restitution) + "\n";
    if (vessel && _section.writeMass)
        text += "    Mass = " + CollisionFloatText(_section.mass) + "\n";
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

namespace
{
// The description files read floats only in fixed notation with a decimal point.
std::string AvoidanceFloatText(f32 _value)
{
    char text[128];
    const std::to_chars_result result = std::to_chars(text, text + sizeof(text), _value, std::chars_format::fixed);
    std::string out(text, result.ptr);
    if (out.find('.') == std::string::npos)
        out += ".0";
    return out;
}
}  // namespace

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
        text += "    LookAheadDistance = " + AvoidanceFloatText(s.lookAheadDistance) + "\n";
    if (avoider && s.writeAvoidanceRadius)
        text += "    AvoidanceRadius = " + AvoidanceFloatText(s.avoidanceRadius) + "\n";
    if (avoider && s.writeAvoidanceRatio)
        text += "    AvoidanceRatio = " + AvoidanceFloatText(s.avoidanceRatio) + "\n";
    if (avoider && s.writeMaxClimbeAngle)
        text += "    MaxClimbeAngle = " + AvoidanceFloatText(s.maxClimbeAngle) + "\n";
    text += "}\n";
    return text;
}

// ---- end of "Avoidance" section ----------------------------------------------------------------
