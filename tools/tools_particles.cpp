#include "tools_particles.h"

#include "tools_file.h"

namespace
{

struct Writer
{
    const TOOL_ParticleEmitterSection& section;
    std::string text;

    void Line(const std::string& _indent, const std::string& _key, const std::string& _value)
    {
        if (_key == section.omitKey)
            return;
        text += _indent + _key + " = " + (_key == section.mistypedKey ? "\"" + _value + "\"" : _value) + "\n";
    }
    static std::string Floats(const f32* _values, s32 _count)
    {
        std::string out;
        for (s32 i = 0; i < _count; ++i)
            out += (i > 0 ? ", " : "") + TOOL_DesFloat(_values[i]);
        return out;
    }
    static std::string Quoted(const std::string& _value) { return "\"" + _value + "\""; }
    bool Open(const std::string& _indent, const std::string& _name)
    {
        if (_name == section.omitSection)
            return false;
        text += _indent + "[" + _name + "]\n" + _indent + "{\n";
        return true;
    }
    void Close(const std::string& _indent) { text += _indent + "}\n"; }
};

}  // namespace

std::string TOOL_ParticleEmitterSectionText(const TOOL_ParticleEmitterSection& _section)
{
    const TOOL_ParticleEmitterSection& s = _section;
    Writer w{s, "[ParticleEmitter]\n{\n"};
    const std::string in1 = "    ";
    const std::string in2 = "        ";
    const std::string in3 = "            ";
    if (w.Open(in1, "Emitter")) {
        w.Line(in2, "RejectDistance", TOOL_DesFloat(s.rejectDistance));
        w.Line(in2, "ConeAngle", TOOL_DesFloat(s.coneAngle));
        w.Line(in2, "ParVelocity", Writer::Floats(s.parVelocity, 2));
        w.Line(in2, "ParRotation", Writer::Floats(s.parRotation, 2));
        w.Line(in2, "ParPerSecond", TOOL_DesFloat(s.parPerSecond));
        w.Close(in1);
    }
    if (w.Open(in1, "Particle")) {
        w.Line(in2, "RotVelocity", Writer::Floats(s.rotVelocity, 2));
        w.Line(in2, "Friction", Writer::Floats(s.friction, 3));
        w.Line(in2, "Lift", Writer::Floats(s.lift, 3));
        w.Line(in2, "LifeTime", TOOL_DesFloat(s.lifeTime));
        w.Line(in2, "Size", TOOL_DesFloat(s.size));
        w.Close(in1);
    }
    if (w.Open(in1, "Visual")) {
        w.Line(in2, "TrancparencyType", Writer::Quoted(s.transparencyType));
        static const char STEMS[5] = {'r', 'g', 'b', 'a', 's'};
        for (s32 c = 0; c < 5; ++c)
            for (s32 k = 0; k < 4; ++k)
                w.Line(in2, std::string(1, STEMS[c]) + std::to_string(k), Writer::Floats(s.curves[c][k], 2));
        if (!s.texture.empty())
            w.Line(in2, "Texture", Writer::Quoted(s.texture));
        else if (s.writeTextureAnim && w.Open(in2, "TextureAnim")) {
            w.Line(in3, "Type", Writer::Quoted(s.animationType));
            w.Line(in3, "TextureSet", Writer::Quoted(s.textureSet));
            w.Line(in3, "FPS", TOOL_DesFloat(s.fps));
            w.Close(in2);
        }
        w.Close(in1);
    }
    w.text += "}\n";
    return w.text;
}
