#include "tools_sam.h"

#include <charconv>
#include <utility>

#include "tools_file.h"

namespace
{
// The shortest decimal that reads back as the same f32, always with a point: the reader
// takes digits without one as an integer and has no exponent form.
std::string Float(f32 _value)
{
    char text[400];
    const std::to_chars_result result =
        std::to_chars(text, text + sizeof(text), (double)_value, std::chars_format::fixed);
    std::string out(text, result.ptr);
    if (out.find('.') == std::string::npos)
        out += ".0";
    return out;
}
}  // namespace

std::string TOOL_SampleInfoKeys(const TOOL_SampleInfo& _info, const std::string& _indent)
{
    const std::pair<const char*, std::string> keys[] = {
        {"name", "\"" + _info.name + "\""},
        {"freq", std::to_string(_info.freq)},
        {"freqrnd", std::to_string(_info.freqrnd)},
        {"vol", std::to_string(_info.vol)},
        {"volrnd", std::to_string(_info.volrnd)},
        {"cnt", std::to_string(_info.cnt)},
        {"minr", Float(_info.minr)},
        {"maxr", Float(_info.maxr)},
    };
    std::string text;
    for (const auto& [key, value] : keys)
        if (_info.omit != key)
            text += _indent + key + " = " + value + "\n";
    return text;
}

std::string TOOL_SampleInfoSection(const std::string& _section, const TOOL_SampleInfo& _info,
                                   const std::string& _indent)
{
    return _indent + "[" + _section + "]\n" + _indent + "{\n" + TOOL_SampleInfoKeys(_info, _indent + "    ") + _indent +
           "}\n";
}

std::string TOOL_SampleInfoText(const TOOL_SampleInfo& _info) { return TOOL_SampleInfoSection("SampleInfo", _info); }

u32 TOOL_WriteSampleInfo(const std::string& _path, const TOOL_SampleInfo& _info)
{
    return TOOL_WriteBytes(_path.c_str(), TOOL_SampleInfoText(_info));
}
