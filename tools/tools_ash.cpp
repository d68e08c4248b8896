#include "tools_ash.h"

#include "tools_file.h"

namespace
{
void Key(std::string& _out, const char* _key, const std::string& _value)
{
    _out += "    ";
    _out += _key;
    _out += " = " + _value + "\n";
}

void StringKey(std::string& _out, const char* _key, const std::optional<std::string>& _value)
{
    if (_value)
        Key(_out, _key, "\"" + *_value + "\"");
}

void FloatKey(std::string& _out, const char* _key, const std::optional<f32>& _value)
{
    if (_value)
        Key(_out, _key, TOOL_DesFloat(*_value));
}

}  // namespace

std::string TOOL_AshText(const TOOL_Ash& _ash)
{
    std::string out;
    if (_ash.writeVisual) {
        out += "[Visual]\n{\n";
        StringKey(out, "M0", _ash.m0);
        FloatKey(out, "D0", _ash.d0);
        StringKey(out, "M1", _ash.m1);
        FloatKey(out, "D1", _ash.d1);
        StringKey(out, "CMesh", _ash.cMesh);
        out += "}\n";
    }
    if (_ash.shrapnel) {
        const TOOL_AshShrapnel& shrapnel = *_ash.shrapnel;
        out += "[Shrapnel]\n{\n";
        StringKey(out, "NameMesh", shrapnel.nameMesh);
        StringKey(out, "NameTopology", shrapnel.nameTopology);
        if (shrapnel.shrapnelCount)
            Key(out, "ShrapnelCount", std::to_string(*shrapnel.shrapnelCount));
        out += "}\n";
    }
    return out;
}

u32 TOOL_WriteAsh(const std::string& _path, const TOOL_Ash& _ash)
{
    return TOOL_WriteBytes(_path.c_str(), TOOL_AshText(_ash));
}
