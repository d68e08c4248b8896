#include "tools_sam.h"

#include <utility>

#include "tools_file.h"

std::string TOOL_SampleInfoKeys(const TOOL_SampleInfo& _info, const std::string& _indent)
{
    const std::pair<const char*, std::string> keys[] = {
        {"name", "\"" + _info.name + "\""},         {"freq", std::to_string(_info.freq)},
        {"freqrnd", std::to_string(_info.freqrnd)}, {"vol", std::to_string(_info.vol)},
        {"volrnd", std::to_string(_info.volrnd)},   {"cnt", std::to_string(_info.cnt)},
        {"minr", TOOL_DesFloat(_info.minr)},        {"maxr", TOOL_DesFloat(_info.maxr)},
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
