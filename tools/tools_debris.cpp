#include "tools_debris.h"

#include "tools_file.h"

namespace
{
std::string Vector(const f32* _v)
{
    return TOOL_DesFloat(_v[0]) + ", " + TOOL_DesFloat(_v[1]) + ", " + TOOL_DesFloat(_v[2]);
}

// Writes one key unless it is the one left out; the mistyped one goes in quotes.
void Line(std::string& _text, const TOOL_Debris& _debris, const char* _indent, const std::string& _key,
          const std::string& _value)
{
    if (_key == _debris.omitKey)
        return;
    const std::string value = _key == _debris.mistypedKey ? "\"" + _value + "\"" : _value;
    _text += _indent + _key + " = " + value + "\n";
}
}  // namespace

std::string TOOL_DebrisText(const TOOL_Debris& _debris)
{
    const TOOL_Debris& d = _debris;
    const char* const top = "    ";
    const char* const sub = "        ";
    std::string text;
    if (d.omitSection != "Debris") {
        text += "[Debris]\n{\n";
        Line(text, d, top, "LifeTime", TOOL_DesFloat(d.lifeTime));
        if (d.omitSection != "RigidBody") {
            text += "    [RigidBody]\n    {\n";
            Line(text, d, sub, "FrictionT", Vector(d.frictionT));
            Line(text, d, sub, "FrictionR", Vector(d.frictionR));
            text += "    }\n";
        }
        for (size_t i = 0; i < d.children.size(); ++i) {
            const std::string name = "Emit" + std::to_string(i);
            if (d.omitSection == name)
                continue;
            const TOOL_DebrisEmit& e = d.children[i].emit;
            text += "    [" + name + "]\n    {\n";
            Line(text, d, sub, "Time", TOOL_DesFloat(e.time));
            Line(text, d, sub, "ConeMin", TOOL_DesFloat(e.coneMin));
            Line(text, d, sub, "ConeMax", TOOL_DesFloat(e.coneMax));
            Line(text, d, sub, "RollMin", TOOL_DesFloat(e.rollMin));
            Line(text, d, sub, "RollMax", TOOL_DesFloat(e.rollMax));
            Line(text, d, sub, "VelocityMin", TOOL_DesFloat(e.velocityMin));
            Line(text, d, sub, "VelocityMax", TOOL_DesFloat(e.velocityMax));
            Line(text, d, sub, "VelocityRot", Vector(e.velocityRot));
            Line(text, d, sub, "Lift", Vector(e.lift));
            text += "    }\n";
        }
        text += "}\n";
    }
    for (size_t i = 0; i < d.children.size(); ++i) {
        TOOL_ChildSection child = d.children[i].child;
        child.index = (s32)i;
        text += TOOL_ChildSectionText(child);
    }
    return text;
}

TOOL_DebrisChild TOOL_MakeDebrisChild(const std::string& _className, const std::string& _file,
                                      const TOOL_DebrisEmit& _emit)
{
    TOOL_DebrisChild child;
    child.child.nameCLA = _className;
    child.child.nameOSD = _file;
    child.emit = _emit;
    return child;
}
