// Writer of sample descriptions: ".sam" files (one section "SampleInfo") and the same eight
// keys as a section of a node's own description. Values are written as given, so fixtures
// can hold what the reader must cut (a vol of 511) or refuse (a missing key).
#pragma once

#include <string>

#include "os_types.h"

struct TOOL_SampleInfo
{
    std::string name;  // sample file under "sfx\sample\"
    s32 freq = 22050;
    s32 freqrnd = 0;
    s32 vol = 255;
    s32 volrnd = 0;
    s32 cnt = 1;
    f32 minr = 0.0f;
    f32 maxr = 0.0f;
    // A key left out of the text ("" for none), for fixtures of a broken description.
    std::string omit;
};

// The eight keys, each on its own line with the given indentation.
std::string TOOL_SampleInfoKeys(const TOOL_SampleInfo& _info, const std::string& _indent = "    ");
// A section named _section holding the keys, e.g. a gun's "Fire" inside its "Sound" section.
std::string TOOL_SampleInfoSection(const std::string& _section, const TOOL_SampleInfo& _info,
                                   const std::string& _indent = "");
// A whole ".sam" file.
std::string TOOL_SampleInfoText(const TOOL_SampleInfo& _info);
// 1 when the file was written (directories are not created).
u32 TOOL_WriteSampleInfo(const std::string& _path, const TOOL_SampleInfo& _info);
