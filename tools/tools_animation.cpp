#include "tools_animation.h"

#include <filesystem>

#include "tools_file.h"

namespace
{
struct Writer
{
    const std::string& omitKey;
    const std::string& mistypedKey;
    const std::string& omitSection;
    std::string text;

    void Line(s32 _depth, const std::string& _key, const std::string& _value)
    {
        if (_key == omitKey)
            return;
        const std::string value = _key == mistypedKey ? "\"" + _value + "\"" : _value;
        text += std::string(4 * (size_t)_depth, ' ') + _key + " = " + value + "\n";
    }
    // Opens a section; false (nothing written) when it is the one left out.
    bool Open(s32 _depth, const std::string& _name)
    {
        if (_name == omitSection)
            return false;
        const std::string indent(4 * (size_t)_depth, ' ');
        text += indent + "[" + _name + "]\n" + indent + "{\n";
        return true;
    }
    void Close(s32 _depth) { text += std::string(4 * (size_t)_depth, ' ') + "}\n"; }
};

std::string Quoted(const std::string& _text) { return "\"" + _text + "\""; }

std::string Floats(const f32* _values, size_t _count)
{
    std::string text;
    for (size_t i = 0; i < _count; ++i)
        text += (i == 0 ? "" : ", ") + TOOL_DesFloat(_values[i]);
    return text;
}

TOOL_BoneSample Sample(f32 _time, std::array<f32, 3> _position, std::array<f32, 4> _rotation)
{
    TOOL_BoneSample sample;
    sample.time = _time;
    sample.position = _position;
    sample.rotation = _rotation;
    return sample;
}
}  // namespace

std::string TOOL_AnimationSetText(const TOOL_AnimationSet& _set)
{
    Writer w{_set.omitKey, _set.mistypedKey, _set.omitSection, {}};
    if (!w.Open(0, "TotalAnimation"))
        return w.text;
    w.Line(1, "Mesh", Quoted(_set.mesh));
    const s32 count = _set.numOfAnimation != -1 ? _set.numOfAnimation : (s32)_set.animations.size();
    w.Line(1, "NumOfAnimation", std::to_string(count));
    for (size_t i = 0; i < _set.animations.size(); ++i) {
        if (!w.Open(1, "Animation" + std::to_string(i)))
            continue;
        w.Line(2, "Name", Quoted(_set.animations[i].name));
        w.Line(2, "File", Quoted(_set.animations[i].file));
        w.Close(1);
    }
    w.Close(0);
    return w.text;
}

std::string TOOL_AnimDataText(const TOOL_AnimData& _data)
{
    Writer w{_data.omitKey, _data.mistypedKey, _data.omitSection, {}};
    if (!w.Open(0, "AnimData"))
        return w.text;
    w.Line(1, "NOB", std::to_string(_data.nob != -1 ? _data.nob : (s32)_data.bones.size()));
    if (_data.reference)
        w.Line(1, "NOSV", std::to_string(_data.nosv));
    for (size_t b = 0; b < _data.bones.size(); ++b) {
        const TOOL_AnimBone& bone = _data.bones[b];
        if (!w.Open(1, "B" + std::to_string(b)))
            continue;
        w.Line(2, "N", Quoted(bone.name));
        if (_data.reference) {
            w.Line(2, "Id", std::to_string(bone.id));
            w.Line(2, "F", std::to_string(bone.father));
        }
        for (size_t k = 0; k < bone.samples.size(); ++k) {
            const TOOL_BoneSample& s = bone.samples[k];
            if (!w.Open(2, "SV" + std::to_string(k)))
                continue;
            if (!_data.reference)
                w.Line(3, "T", TOOL_DesFloat(s.time));
            w.Line(3, "P", Floats(s.position.data(), 3));
            w.Line(3, "Rre", TOOL_DesFloat(s.rotation[0]));
            w.Line(3, "Rim", Floats(s.rotation.data() + 1, 3));
            if (_data.reference && k == 0) {
                for (size_t v = 0; v < bone.vertices.size(); ++v) {
                    if (!w.Open(3, "V" + std::to_string(v)))
                        continue;
                    w.Line(4, "I", std::to_string(bone.vertices[v].index));
                    w.Line(4, "W", TOOL_DesFloat(bone.vertices[v].weight));
                    w.Close(3);
                }
            }
            w.Close(2);
        }
        w.Close(1);
    }
    w.Close(0);
    return w.text;
}

std::string TOOL_PhysicalAnimationText(const TOOL_PhysicalAnimation& _physical, s32 _depth)
{
    Writer w{_physical.omitKey, _physical.mistypedKey, _physical.omitSection, {}};
    if (!w.Open(_depth, "PhysicalAnimation"))
        return w.text;
    const s32 count = _physical.numOfSegment != -1 ? _physical.numOfSegment : (s32)_physical.segments.size();
    w.Line(_depth + 1, "NumOfSegment", std::to_string(count));
    for (size_t i = 0; i < _physical.segments.size(); ++i) {
        const TOOL_PhysicalSegment& segment = _physical.segments[i];
        if (!w.Open(_depth + 1, "Segment" + std::to_string(i)))
            continue;
        const s32 in = _depth + 2;
        w.Line(in, "PositionElasticity", TOOL_DesFloat(segment.positionElasticity));
        w.Line(in, "MinLengthStretch", TOOL_DesFloat(segment.minLengthStretch));
        w.Line(in, "MaxLengthStretch", TOOL_DesFloat(segment.maxLengthStretch));
        w.Line(in, "OrientationElasticity", TOOL_DesFloat(segment.orientationElasticity));
        w.Line(in, "Force", Floats(segment.force.data(), 3));
        w.Line(in, "NOB", std::to_string(segment.nob != -1 ? segment.nob : (s32)segment.bones.size()));
        for (size_t b = 0; b < segment.bones.size(); ++b)
            w.Line(in, "B" + std::to_string(b), std::to_string(segment.bones[b]));
        w.Close(_depth + 1);
    }
    w.Close(_depth);
    return w.text;
}

TOOL_AnimationFixture TOOL_MakeAnimationFixture()
{
    TOOL_AnimationFixture f;
    // A 1 x 3 grid in the xy plane turned upright: rows at z = 0, 1, 2, 3.
    f.mesh = TOOL_MeshGrid(1, 3, 1);
    for (std::array<f32, 3>& v : f.mesh.vertices) {
        v[2] = v[1];
        v[1] = 0.0f;
    }

    // Bone frames: the root at the origin, the spine 1 up, the head 1 above the spine.
    TOOL_AnimBone root{"root", 10, 0, {Sample(0.0f, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f, 0.0f})}, {}};
    TOOL_AnimBone spine{"spine", 20, 10, {Sample(0.0f, {0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 0.0f})}, {}};
    TOOL_AnimBone head{"head", 30, 20, {Sample(0.0f, {0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 0.0f})}, {}};
    // Rows of two vertices: row z (vertices 2z, 2z + 1). A shared row's bytes are 128 and 127,
    // so every vertex weighs 255 in all.
    root.vertices = {{0, 1.0f}, {1, 1.0f}, {2, 0.503f}, {3, 0.503f}};
    spine.vertices = {{2, 0.5f}, {3, 0.5f}, {4, 0.503f}, {5, 0.503f}};
    head.vertices = {{4, 0.5f}, {5, 0.5f}, {6, 1.0f}, {7, 1.0f}};
    f.reference.reference = true;
    f.reference.bones = {root, spine, head};

    const f32 s = 0.38268343f;  // sin 22.5 degrees
    const f32 c = 0.92387953f;
    f.walk.reference = false;
    TOOL_AnimBone walkRoot{"root", 0, 0, {}, {}};
    TOOL_AnimBone walkSpine{"spine", 0, 0, {}, {}};
    TOOL_AnimBone walkHead{"head", 0, 0, {}, {}};
    for (s32 k = 0; k < 5; ++k) {
        const f32 t = 0.25f * (f32)k;
        walkRoot.samples.push_back(Sample(t, {(f32)k, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f, 0.0f}));
        // The spine turns about z by 0, 45, 0, -45, 0 degrees.
        const f32 sz = k == 1 ? s : (k == 3 ? -s : 0.0f);
        walkSpine.samples.push_back(Sample(t, {0.0f, 0.0f, 1.0f}, {k % 2 == 1 ? c : 1.0f, 0.0f, 0.0f, sz}));
        walkHead.samples.push_back(Sample(t, {0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 0.0f}));
    }
    f.walk.bones = {walkRoot, walkSpine, walkHead};

    f.wave.reference = false;
    TOOL_AnimBone waveHead{"head", 0, 0, {}, {}};
    TOOL_AnimBone waveSpine{"spine", 0, 0, {}, {}};
    TOOL_AnimBone waveRoot{"root", 0, 0, {}, {}};
    for (s32 k = 0; k < 3; ++k) {
        const f32 t = 0.25f * (f32)k;
        waveHead.samples.push_back(Sample(t, {0.0f, 0.0f, 1.0f}, {k == 1 ? c : 1.0f, k == 1 ? s : 0.0f, 0.0f, 0.0f}));
        waveSpine.samples.push_back(Sample(t, {0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 0.0f}));
        waveRoot.samples.push_back(Sample(t, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f, 0.0f}));
    }
    f.wave.bones = {waveHead, waveSpine, waveRoot};

    f.set.mesh = "walker.msh";
    f.set.animations = {{"Walk", "walker_walk.des"}, {"Wave", "walker_wave.des"}};
    return f;
}

u32 TOOL_WriteAnimationFixture(const std::string& _root, const TOOL_AnimationFixture& _fixture,
                               const std::string& _setName)
{
    const std::string root = _root.empty() ? "" : _root + "/";
    std::error_code error;
    for (const char* folder : {"vfx/msh", "dat/animation", "animation"})
        std::filesystem::create_directories(root + folder, error);
    u32 ok = TOOL_WriteMesh((root + "vfx/msh/" + _fixture.set.mesh).c_str(), _fixture.mesh);
    ok &= TOOL_WriteBytes((root + "dat/animation/" + _setName).c_str(), TOOL_AnimationSetText(_fixture.set));
    ok &= TOOL_WriteBytes((root + "animation/" + _fixture.set.mesh).c_str(), TOOL_AnimDataText(_fixture.reference));
    const TOOL_AnimData* files[2] = {&_fixture.walk, &_fixture.wave};
    for (size_t i = 0; i < _fixture.set.animations.size() && i < 2; ++i)
        ok &= TOOL_WriteBytes((root + "animation/" + _fixture.set.animations[i].file).c_str(),
                              TOOL_AnimDataText(*files[i]));
    return ok;
}
