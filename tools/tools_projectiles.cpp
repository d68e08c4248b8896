#include "tools_projectiles.h"

#include "tools_file.h"
#include "tools_plants.h"
#include "tools_tga.h"

namespace
{
// "    key = value\n", unless _omit names the key; _mistyped names a key whose value is written
// as _wrong instead.
void Line(std::string& _text, const std::string& _key, const std::string& _value, const std::string& _omit,
          const std::string& _mistyped, const std::string& _wrong)
{
    if (_key == _omit)
        return;
    _text += "    " + _key + " = " + (_key == _mistyped ? _wrong : _value) + "\n";
}

std::string Quoted(const std::string& _text) { return "\"" + _text + "\""; }

// The section's lines between its brackets, or nothing when the description leaves it out.
std::string Section(const std::string& _name, const std::string& _body, const std::string& _omit)
{
    if (_name == _omit)
        return "";
    return "[" + _name + "]\n{\n" + _body + "}\n";
}
}  // namespace

// ---- bullets -----------------------------------------------------------------------------------

std::string TOOL_BulletDescriptionText(const TOOL_BulletDescription& _description)
{
    const TOOL_BulletDescription& d = _description;
    std::string info;
    Line(info, "Name", Quoted(d.name), d.omitKey, d.mistypedKey, "7");
    std::string visual;
    if (!d.primaryMesh.empty())
        Line(visual, "PrimaryMesh", Quoted(d.primaryMesh), d.omitKey, d.mistypedKey, "7");
    std::string text = Section("Info", info, d.omitSection) + Section("Visual", visual, d.omitSection);
    if (d.omitSection != "Collision")
        text += TOOL_CollisionSectionText(d.collision, TOOL_COLLISION_BULLET);
    if (d.omitSection != "Control")
        text += TOOL_ControlSectionText(d.control, TOOL_CONTROL_VMAX);
    if (d.omitSection != "Shield")
        text += TOOL_ShieldSectionText(d.shield);
    for (size_t i = 0; i < d.children.size(); ++i) {
        TOOL_ChildSection child = d.children[i];
        child.index = (s32)i;
        text += TOOL_ChildSectionText(child);
    }
    return text;
}

// ---- particle emitter nodes ----------------------------------------------------------------------

std::string TOOL_EmitterNodeDescriptionText(const TOOL_EmitterNodeDescription& _description)
{
    const TOOL_EmitterNodeDescription& d = _description;
    std::string body;
    Line(body, "LifeTime", TOOL_DesFloat(d.lifeTime), d.omitKey, d.mistypedKey, Quoted(TOOL_DesFloat(d.lifeTime)));
    if (d.omitSection != "ParticleEmitter") {
        // The emitter's section one level down.
        const std::string emitter = TOOL_ParticleEmitterSectionText(d.emitter);
        size_t start = 0;
        while (start < emitter.size()) {
            const size_t end = emitter.find('\n', start);
            body += "    " + emitter.substr(start, end - start) + "\n";
            start = end == std::string::npos ? emitter.size() : end + 1;
        }
    }
    return Section("OSD", body, d.omitSection);
}

// ---- trail nodes -------------------------------------------------------------------------------

std::string TOOL_TrailDescriptionText(const TOOL_TrailDescription& _description)
{
    const TOOL_TrailDescription& d = _description;
    const std::string& omit = d.omitKey;
    const std::string& wrong = d.mistypedKey;
    std::string body;
    Line(body, "Texture", Quoted(d.texture), omit, wrong, "7");
    Line(body, "NumOfSamples", std::to_string(d.numOfSamples), omit, wrong, TOOL_DesFloat((f32)d.numOfSamples));
    Line(body, "LifeTime", TOOL_DesFloat(d.lifeTime), omit, wrong, Quoted(TOOL_DesFloat(d.lifeTime)));
    Line(body, "MapsPerSecond", TOOL_DesFloat(d.mapsPerSecond), omit, wrong, Quoted(TOOL_DesFloat(d.mapsPerSecond)));
    for (s32 key = 0; key < 5; ++key) {
        const std::string width = TOOL_DesFloat(d.widths[key]);
        Line(body, "S" + std::to_string(key), width, omit, wrong, Quoted(width));
    }
    for (s32 key = 0; key < 5; ++key)
        Line(body, "RGBA" + std::to_string(key), Quoted(d.colors[key]), omit, wrong, "7");
    return Section("Visual", body, d.omitSection);
}

// The plankton's soft spot serves every effect: particles and ribbons fade out at their edges.
std::string TOOL_EffectTextureBytes() { return TOOL_TGABytes(TOOL_PlanktonTexture()); }

std::string TOOL_EffectTextureFile(const std::string& _name)
{
    std::string file = _name;
    for (char& c : file)
        if (c == '\\')
            c = '/';
    return file + "_l4.tga";
}
