#include "tools_characters.h"

#include "tools_file.h"

namespace
{
// Sections and keys of one description, as a broken description wants them.
struct Writer
{
    const TOOL_BrokenKeys& broken;
    std::string text;

    void Line(s32 _depth, const std::string& _key, const std::string& _value)
    {
        if (_key == broken.omitKey)
            return;
        const std::string value = _key == broken.mistypedKey ? "\"" + _value + "\"" : _value;
        text += std::string(4 * (size_t)_depth, ' ') + _key + " = " + value + "\n";
    }
    // Opens a section; false (nothing written) when it is the one left out.
    bool Open(s32 _depth, const std::string& _name)
    {
        if (_name == broken.omitSection)
            return false;
        const std::string indent(4 * (size_t)_depth, ' ');
        text += indent + "[" + _name + "]\n" + indent + "{\n";
        return true;
    }
    void Close(s32 _depth) { text += std::string(4 * (size_t)_depth, ' ') + "}\n"; }
};

void Animation(Writer& _w, const TOOL_CharacterDescription& _d)
{
    if (_w.Open(0, "Animation")) {
        _w.Line(1, "AnimationFile", "\"" + _d.animationFile + "\"");
        _w.Close(0);
    }
}

void Sons(Writer& _w, const TOOL_CharacterDescription& _d)
{
    for (size_t i = 0; i < _d.children.size(); ++i) {
        TOOL_ChildSection child = _d.children[i];
        child.index = (s32)i;
        _w.text += TOOL_ChildSectionText(child);
    }
}
}  // namespace

TOOL_PhysicalAnimation TOOL_CharacterPhysicalAnimation()
{
    TOOL_PhysicalAnimation physical;
    physical.segments.resize(1);
    physical.segments[0].bones = {2};
    return physical;
}

std::string TOOL_PhysicalCharacterText(const TOOL_CharacterDescription& _description)
{
    const TOOL_CharacterDescription& d = _description;
    Writer w{d, {}};
    Animation(w, d);
    if (d.omitSection != "Control") {
        TOOL_ControlSection control = d.control;
        control.omitKey = d.omitKey;
        control.mistypedKey = d.mistypedKey;
        Writer rolling{d, {}};
        rolling.Line(1, "Rolling", TOOL_DesFloat(d.rolling));
        control.extra += rolling.text;
        w.text += TOOL_ControlSectionText(control, TOOL_CONTROL_VESSEL);
    }
    if (w.Open(0, "Sensor")) {
        w.Line(1, "NumOfSensorSectors", std::to_string(d.numOfSensorSectors));
        w.Line(1, "SensorDelay", TOOL_DesFloat(d.sensorDelay));
        w.Line(1, "AllSectorsDifferent", std::to_string(d.allSectorsDifferent));
        w.Line(1, "SensorRange", TOOL_DesFloat(d.sensorRange));
        w.Close(0);
    }
    if (d.omitSection != "PhysicalAnimation")
        w.text += TOOL_PhysicalAnimationText(d.physical);
    Sons(w, d);
    if (d.hasTransformations && w.Open(0, "ChildTransformation")) {
        const s32 count = d.numOfChild == TOOL_COUNT_OF_LIST ? (s32)d.transformations.size() : d.numOfChild;
        w.Line(1, "NumOfChild", std::to_string(count));
        for (size_t i = 0; i < d.transformations.size(); ++i) {
            if (!w.Open(1, "Child" + std::to_string(i)))
                continue;
            w.Line(2, "ChildIndex", std::to_string(d.transformations[i].childIndex));
            w.Line(2, "ConnectBoneIndex", std::to_string(d.transformations[i].connectBoneIndex));
            w.Close(1);
        }
        w.Close(0);
    }
    return w.text;
}

std::string TOOL_CharacterText(const TOOL_CharacterDescription& _description)
{
    Writer w{_description, {}};
    Animation(w, _description);
    Sons(w, _description);
    return w.text;
}
