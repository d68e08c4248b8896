#include "tools_lights.h"

#include <cmath>

#include "tools_file.h"
#include "tools_mesh.h"

namespace
{
// The lines of one section body as a broken description wants them.
class Body
{
public:
    Body(const TOOL_BrokenKeys& _broken, const std::string& _indent) : m_broken(_broken), m_indent(_indent) {}

    // A number, or quoted when mistyped.
    void Number(const std::string& _key, const std::string& _value) { Add(_key, _value, "\"" + _value + "\""); }
    // A string, or bare 7 when mistyped.
    void String(const std::string& _key, const std::string& _value) { Add(_key, "\"" + _value + "\"", "7"); }
    void Floats(const std::string& _key, const f32* _values, s32 _count)
    {
        std::string text;
        for (s32 i = 0; i < _count; ++i)
            text += (i > 0 ? ", " : "") + TOOL_DesFloat(_values[i]);
        Number(_key, text);
    }
    // A subsection, unless it is the one left out.
    void Section(const std::string& _name, const std::string& _body)
    {
        if (_name != m_broken.omitSection)
            m_text += m_indent + "[" + _name + "]\n" + m_indent + "{\n" + _body + m_indent + "}\n";
    }
    const std::string& Text() const { return m_text; }

private:
    void Add(const std::string& _key, const std::string& _value, const std::string& _wrong)
    {
        if (_key != m_broken.omitKey)
            m_text += m_indent + "    " + _key + " = " + (_key == m_broken.mistypedKey ? _wrong : _value) + "\n";
    }

    const TOOL_BrokenKeys& m_broken;
    std::string m_indent;
    std::string m_text;
};

std::string Top(const TOOL_BrokenKeys& _broken, const std::string& _name, const std::string& _body)
{
    Body top(_broken, "");
    top.Section(_name, _body);
    return top.Text();
}
}  // namespace

std::string TOOL_LightDescriptionText(const TOOL_LightDescription& _description)
{
    const TOOL_LightDescription& d = _description;
    Body visual(d, "");
    if (!d.type.empty())
        visual.String("Type", d.type);
    visual.Floats("RGB", d.rgb, 3);
    visual.Floats("Range", d.range, 2);
    std::string text = Top(d, "Visual", visual.Text());
    for (size_t i = 0; i < d.children.size(); ++i) {
        TOOL_ChildSection child = d.children[i];
        child.index = (s32)i;
        text += TOOL_ChildSectionText(child);
    }
    return text;
}

std::string TOOL_HaloDescriptionText(const TOOL_HaloDescription& _description)
{
    const TOOL_HaloDescription& d = _description;
    Body visual(d, "");
    visual.String("Texture", d.texture);
    visual.Floats("Scale", d.scale, 2);
    visual.Floats("Color", d.color, 3);
    visual.Floats("Opacity", &d.opacity, 1);
    if (d.hasRadius)
        visual.Floats("BSRad", &d.radius, 1);
    return Top(d, "Visual", visual.Text());
}

std::string TOOL_ConeDescriptionText(const TOOL_ConeDescription& _description)
{
    const TOOL_ConeDescription& d = _description;
    Body visual(d, "");
    visual.String("NameMesh", d.nameMesh);
    visual.Floats("Scale", d.scale, 3);
    visual.Floats("Color", d.color, 3);
    return Top(d, "Visual", visual.Text());
}

std::string TOOL_FlareDescriptionText(const TOOL_FlareDescription& _description)
{
    const TOOL_FlareDescription& d = _description;
    Body visual(d, "");
    visual.Floats("SizeClip", &d.sizeClip, 1);
    visual.Floats("IntensityClip", &d.intensityClip, 1);
    visual.Floats("MasterScale", d.masterScale, 2);
    visual.Number("NumOfPlane",
                  std::to_string(d.numOfPlane != TOOL_COUNT_OF_LIST ? d.numOfPlane : (s32)d.planes.size()));
    for (size_t i = 0; i < d.planes.size(); ++i) {
        const TOOL_FlarePlane& p = d.planes[i];
        Body plane(d, "    ");
        plane.Floats("Distance", &p.distance, 1);
        plane.String("Texture", p.texture);
        plane.Floats("Scale", p.scale, 2);
        plane.Floats("Angle", &p.angle, 1);
        plane.Floats("Color", p.color, 3);
        plane.Floats("Opacity", &p.opacity, 1);
        visual.Section("Plane" + std::to_string(i), plane.Text());
    }
    return Top(d, "Visual", visual.Text());
}

std::string TOOL_LightConeMeshText(f32 _length, f32 _radius, u32 _sides, const std::string& _texture)
{
    TOOL_Mesh mesh;
    TOOL_MeshMaterial material;
    material.diffuseBitmap = _texture;
    mesh.materials.push_back(material);
    mesh.vertices.push_back({0.0f, 0.0f, 0.0f});
    for (u32 i = 0; i < _sides; ++i) {
        const f64 a = 6.283185307179586 * i / _sides;
        mesh.vertices.push_back({(f32)(_radius * std::cos(a)), _length, (f32)(_radius * std::sin(a))});
    }
    for (u32 i = 0; i < _sides; ++i) {
        TOOL_MeshTriangle triangle;
        triangle.vertex = {0, (s32)(1 + i), (s32)(1 + (i + 1) % _sides)};
        mesh.triangles.push_back(triangle);
    }
    return TOOL_MeshText(mesh);
}

std::string TOOL_SentenceFileText(const TOOL_SentenceFile& _file)
{
    const TOOL_SentenceFile& f = _file;
    Body dialog(f, "");
    dialog.Number("NumOfSentence",
                  std::to_string(f.numOfSentence != TOOL_COUNT_OF_LIST ? f.numOfSentence : (s32)f.sentences.size()));
    for (size_t i = 0; i < f.sentences.size(); ++i) {
        const TOOL_Sentence& s = f.sentences[i];
        Body sentence(f, "    ");
        sentence.String("Actor", s.actor);
        sentence.String("Text", s.text);
        dialog.Section("Sentence" + std::to_string(s.index >= 0 ? s.index : (s32)i), sentence.Text());
    }
    return Top(f, "Dialog", dialog.Text());
}
