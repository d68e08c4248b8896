// Writers of a terrain directory as the terrain node loads it: "terrain.des" with its height
// field, "material.des" (section "Wrapping"), the four material textures, the light map and the
// material selector picture. For test fixtures, fuzz seeds and the sample scene.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "os_types.h"
#include "tools_terrain_des.h"
#include "tools_tga.h"

// "material.des": how often each of the four materials repeats across one tile.
struct TOOL_TerrainMaterial
{
    f32 wrapping[4] = {8.0f, 8.0f, 8.0f, 2.0f};
    s32 keys = 4;              // W0 .. W(keys - 1) are written
    bool writeSection = true;  // false: the file holds no "Wrapping" section
    bool integerKeys = false;  // true: the values written as integers (a key of another type)
};

// The "material.des" text.
std::string TOOL_TerrainMaterialText(const TOOL_TerrainMaterial& _material);

// A terrain directory: one tile type of _size x _size samples on a _lines x _lines grid.
struct TOOL_TerrainDirectory
{
    std::string directory = "terrain";  // relative, '/'-separated; the node is told it with '\'
    s32 size = 17;                      // 2^n + 1
    s32 lines = 2;
    f32 offset[3] = {0.0f, 0.0f, 0.0f};
    f32 scale[3] = {4.0f, 4.0f, 256.0f};  // z as in the file: one height unit is scale / 256
    std::vector<u16> heights;             // size x size samples, row 0 lowest; missing ones are 0
    TOOL_TerrainMaterial material;
};

// The light map of the tile type: the height field lit by a sun high above the water, grey
// 0x80 on level ground (the light-map pass doubles it, so level ground shows its materials as
// they are), darker on slopes turned away; alpha, the caustics' weight, full where the sun
// falls as on level ground and less where it falls slant. Two texels a sample step
// (TOOL_TerrainLightmapLevel: the level, 2 .. 8, of its side), row 0 of the field at the
// picture's bottom as in the height field.
s32 TOOL_TerrainLightmapLevel(s32 _size);
TOOL_TGA TOOL_TerrainLightmap(const TOOL_TerrainDirectory& _terrain);

// The files of the directory as (path below the working directory, bytes): terrain.des,
// height.tga, material.des, material_0 .. material_3 (4 x 4 pictures, level 2), the light map
// (lightmap_l<level>.tga) and the 256 x 256 selector picture material_s.tga.
std::vector<std::pair<std::string, std::string>> TOOL_TerrainDirectoryFiles(const TOOL_TerrainDirectory& _terrain);

// The directory's name as the terrain node takes it: '/' turned into '\'.
std::string TOOL_TerrainDirectoryName(const TOOL_TerrainDirectory& _terrain);
