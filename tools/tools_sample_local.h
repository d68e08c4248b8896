// What the sample-scene writers share: their files and directories, colours, and square
// pictures shaded from a function of the picture plane, written as the texture cache reads them.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "os_types.h"
#include "tools_tga.h"

constexpr f32 TOOL_PI = 3.14159265f;

// ---- files ----

// The disk path below _dir of a data name as the program asks for it ("vfx\msh\sky03.msh").
std::filesystem::path TOOL_SamplePath(const std::filesystem::path& _dir, const std::string& _name);

// Writes _bytes to _path, its directories created first; says so on standard error when it
// cannot.
bool TOOL_SampleFile(const std::filesystem::path& _path, const std::string& _bytes);

// Every (path below _dir, '/'-separated; bytes) of _files.
bool TOOL_SampleFiles(const std::filesystem::path& _dir,
                      const std::vector<std::pair<std::string, std::string>>& _files);

// ---- colours and pictures ----

struct TOOL_Colour
{
    f32 r = 0.0f;
    f32 g = 0.0f;
    f32 b = 0.0f;
    f32 a = 1.0f;
};

f32 TOOL_Clamp01(f32 _value);
TOOL_Colour TOOL_Mix(const TOOL_Colour& _a, const TOOL_Colour& _b, f32 _t);
// As a 32-bit pixel, 0xAARRGGBB, every channel clamped to 0..1 first.
u32 TOOL_Pack(const TOOL_Colour& _colour);

// A square 32-bit picture of _side pixels. _shade gets points of the picture in -1..1 (x to
// the right, y up) and is sampled _samples x _samples times per pixel; the samples are
// averaged by their alpha, so that shapes on a transparent ground keep their colour at the
// edges.
TOOL_TGA TOOL_ShadePicture(s32 _side, s32 _samples, const std::function<TOOL_Colour(f32, f32)>& _shade);

// A texture as the texture cache looks for it: one TGA file per level, "<name>_l<level>.tga"
// (levels 9 to 11 with two digits), from the picture's own side down to 1 x 1, so that every
// level below the chosen one can be read as a mip. The smaller levels average 2 x 2 pixels,
// colours weighted by alpha as above.
bool TOOL_SampleTexture(const std::filesystem::path& _dir, const std::string& _name, TOOL_TGA _picture);

// A small linear congruential generator: the pictures must come out the same on every machine
// and with every standard library.
class TOOL_Random
{
public:
    explicit TOOL_Random(u32 _seed) : m_state(_seed) {}
    f32 Next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (f32)(m_state >> 8) * (1.0f / 16777216.0f);
    }

private:
    u32 m_state;
};
