// Writer of the light rays' settings "ini\raysystem.des" and their texture, for test fixtures,
// fuzz seeds and the sample scene.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "os_types.h"

// The section "RaySystem"; every key is written unless its name is in _omit of the writer.
struct TOOL_RaySystem
{
    s32 maxRays = 64;
    std::string texture = "vfx\\tex\\fx\\ray";
    f32 minLifeTime = 2.0f;
    f32 maxLifeTime = 6.0f;
    f32 velocity[3] = {0.0f, 0.0f, 0.0f};
    f32 width = 12.0f;
    f32 height = 1000.0f;
    f32 birthOffsetZ = 0.0f;
    f32 maxOpacity = 0.5f;
    f32 bbGenerationScale = 1.0f;
    std::string omit;          // one key name left out (a broken file)
    bool writeSection = true;  // false: the file holds no "RaySystem" section
};

// The file's path below the working directory.
inline constexpr const char* TOOL_RAYSYSTEM_FILE = "ini/raysystem.des";

// The "ini\raysystem.des" text, keys in the order the ray system reads them.
std::string TOOL_RaySystemText(const TOOL_RaySystem& _rays);

// The settings file and the ray texture (a 4 x 4 level-2 picture whose alpha falls off across
// the ray), as (path below the working directory, bytes).
std::vector<std::pair<std::string, std::string>> TOOL_RaySystemFiles(const TOOL_RaySystem& _rays);
