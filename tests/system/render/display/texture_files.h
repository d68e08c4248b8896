// Fixture writers shared by the texture tests: level files and DDS files in the working
// directory, named as the texture code looks for them.
#pragma once

#include <initializer_list>
#include <string>

#include "dsp_texture.h"
#include "test_dir.h"
#include "tools_dds.h"
#include "tools_tga.h"

// "<name>_l<level>.tga" as the level files are named (level 9 as "09").
inline std::string TST_LevelFileName(const std::string& _name, s32 _level)
{
    return _name + (_level == 9 ? "_l09" : "_l" + std::to_string(_level)) + ".tga";
}

// One square level file of side 2^_level (or _side when given) in one colour.
inline void TST_WriteLevel(const TST_TempDir& _dir, const std::string& _name, s32 _level, u8 _depth,
                           u32 _color = 0xFF204060u, s32 _side = -1)
{
    const s32 side = _side >= 0 ? _side : (1 << _level);
    _dir.Write(TST_LevelFileName(_name, _level), TOOL_TGABytes(TOOL_MakeTGA(side, side, _depth, _color)));
}

inline void TST_WriteLevels(const TST_TempDir& _dir, const std::string& _name, std::initializer_list<s32> _levels,
                            u8 _depth)
{
    for (s32 level : _levels)
        TST_WriteLevel(_dir, _name, level, _depth);
}

// A DDS file whose stored level k is filled with the byte 0x10 + k, so a test can tell
// which level landed where.
inline TOOL_DDS TST_MarkedDDS(u32 _dxt, u32 _side, u32 _levelCount)
{
    TOOL_DDS dds = TOOL_MakeDDS(_dxt, _side, _levelCount, 0xFF808080u);
    for (size_t k = 0; k < dds.levels.size(); ++k)
        dds.levels[k].assign(dds.levels[k].size(), (char)(0x10 + k));
    return dds;
}

// Every format and every level allowed.
struct TST_AllAllowed
{
    s32 formats[DSP_TEXTURE_NUM_FORMATS] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    s32 levels[DSP_TEXTURE_NUM_LEVELS] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
};
