#include "tools_terrainnode.h"

#include <algorithm>
#include <cmath>

#include "tools_file.h"
#include "tools_terrain.h"
#include "tools_tga.h"

namespace
{

// Towards the sun, high above the water; unit length.
constexpr f32 SUN[3] = {0.42f, 0.30f, 0.86f};
// The part of the light that reaches every slope alike, scattered by the water.
constexpr f32 SCATTERED = 0.35f;
// The light-map pass doubles the map's grey: level ground at 0x80 shows its materials as they are.
constexpr f32 LEVEL_GREY = 128.0f;

// The height in world units at field coordinates (_x, _y) (sample steps), interpolated between
// the four samples around it; outside the field, its edge.
f32 FieldHeight(const TOOL_TerrainDirectory& _terrain, f32 _x, f32 _y)
{
    const f32 last = (f32)(_terrain.size - 1);
    const f32 x = std::clamp(_x, 0.0f, last);
    const f32 y = std::clamp(_y, 0.0f, last);
    const s32 x0 = std::min((s32)x, _terrain.size - 2);
    const s32 y0 = std::min((s32)y, _terrain.size - 2);
    auto sample = [&](s32 _column, s32 _row) {
        const size_t index = (size_t)_row * (size_t)_terrain.size + (size_t)_column;
        return index < _terrain.heights.size() ? (f32)_terrain.heights[index] : 0.0f;
    };
    const f32 fx = x - (f32)x0;
    const f32 fy = y - (f32)y0;
    const f32 low = sample(x0, y0) + fx * (sample(x0 + 1, y0) - sample(x0, y0));
    const f32 high = sample(x0, y0 + 1) + fx * (sample(x0 + 1, y0 + 1) - sample(x0, y0 + 1));
    return (low + fy * (high - low)) * _terrain.scale[2] / 256.0f;
}

}  // namespace

s32 TOOL_TerrainLightmapLevel(s32 _size)
{
    // Two texels a sample step, so the shading is as smooth as the ground it lies on.
    s32 level = 2;
    while (level < 8 && (1 << level) < 2 * (_size - 1))
        ++level;
    return level;
}

TOOL_TGA TOOL_TerrainLightmap(const TOOL_TerrainDirectory& _terrain)
{
    const s32 side = 1 << TOOL_TerrainLightmapLevel(_terrain.size);
    TOOL_TGA picture = TOOL_MakeTGA(side, side, 32, 0xFF808080u);
    if (_terrain.size < 2)
        return picture;
    // The tile's texture coordinates run from sample 0 to sample size - 1; each texel is lit
    // as the ground under its centre.
    const f32 step = (f32)(_terrain.size - 1) / (f32)side;
    const f32 level = SCATTERED + (1.0f - SCATTERED) * SUN[2];
    for (s32 row = 0; row < side; ++row)
        for (s32 column = 0; column < side; ++column) {
            const f32 x = ((f32)column + 0.5f) * step;
            const f32 y = ((f32)row + 0.5f) * step;
            const f32 slopeX =
                (FieldHeight(_terrain, x + 0.5f, y) - FieldHeight(_terrain, x - 0.5f, y)) / _terrain.scale[0];
            const f32 slopeY =
                (FieldHeight(_terrain, x, y + 0.5f) - FieldHeight(_terrain, x, y - 0.5f)) / _terrain.scale[1];
            const f32 facing =
                (SUN[2] - slopeX * SUN[0] - slopeY * SUN[1]) / std::sqrt(1.0f + slopeX * slopeX + slopeY * slopeY);
            const f32 sunlit = std::max(facing, 0.0f);
            const f32 light = (SCATTERED + (1.0f - SCATTERED) * sunlit) / level;
            const u32 grey = (u32)std::lround(std::min(LEVEL_GREY * light, 255.0f));
            // Alpha weighs the caustics: the sunlight's network, as strong as the sun falls.
            const u32 caustic = (u32)std::lround(255.0f * std::min(sunlit / SUN[2], 1.0f));
            // The picture lists its top row first; the field's row 0 is its bottom row.
            picture.pixels[(size_t)(side - 1 - row) * (size_t)side + (size_t)column] =
                caustic << 24 | grey << 16 | grey << 8 | grey;
        }
    return picture;
}

std::string TOOL_TerrainMaterialText(const TOOL_TerrainMaterial& _material)
{
    if (!_material.writeSection)
        return "[Materials]\n{\n    W0 = 1.0\n}\n";
    std::string text = "[Wrapping]\n{\n";
    for (s32 i = 0; i < _material.keys && i < 4; ++i) {
        const std::string value =
            _material.integerKeys ? std::to_string((s32)_material.wrapping[i]) : TOOL_DesFloat(_material.wrapping[i]);
        text += "    W" + std::to_string(i) + " = " + value + "\n";
    }
    text += "}\n";
    return text;
}

std::string TOOL_TerrainDirectoryName(const TOOL_TerrainDirectory& _terrain)
{
    std::string name = _terrain.directory;
    for (char& c : name)
        if (c == '/')
            c = '\\';
    return name;
}

std::vector<std::pair<std::string, std::string>> TOOL_TerrainDirectoryFiles(const TOOL_TerrainDirectory& _terrain)
{
    const std::string folder = _terrain.directory + "/";
    const std::string name = TOOL_TerrainDirectoryName(_terrain);

    TOOL_TerrainDes des;
    for (s32 k = 0; k < 3; ++k) {
        des.offset[k] = _terrain.offset[k];
        des.scale[k] = _terrain.scale[k];
    }
    des.numOfTriangulationMaps = 5;
    TOOL_TerrainTile tile;
    tile.heightField = name + "\\height.tga";
    tile.texture = name + "\\material_0_l2.tga";
    des.tiles.push_back(tile);
    for (s32 row = 0; row < _terrain.lines; ++row) {
        std::string line;
        for (s32 column = 0; column < _terrain.lines; ++column)
            line += column == 0 ? "0" : " 0";
        des.lines.push_back(line);
    }

    std::vector<std::pair<std::string, std::string>> files;
    files.emplace_back(folder + "terrain.des", TOOL_TerrainDesText(des));
    files.emplace_back(folder + "height.tga", TOOL_TGABytes(TOOL_HeightFieldTGA(_terrain.size, _terrain.heights, 24)));
    files.emplace_back(folder + "material.des", TOOL_TerrainMaterialText(_terrain.material));
    const u32 colors[4] = {0xFF806040u, 0xFF408040u, 0xFF909090u, 0xFF808080u};
    for (s32 i = 0; i < 4; ++i)
        files.emplace_back(folder + "material_" + std::to_string(i) + "_l2.tga",
                           TOOL_TGABytes(TOOL_MakeTGA(4, 4, 32, colors[i])));
    files.emplace_back(folder + "lightmap_l" + std::to_string(TOOL_TerrainLightmapLevel(_terrain.size)) + ".tga",
                       TOOL_TGABytes(TOOL_TerrainLightmap(_terrain)));
    // The selector's red, green and blue weigh the three material layers.
    files.emplace_back(folder + "material_s.tga", TOOL_TGABytes(TOOL_MakeTGA(256, 256, 32, 0x00C08040u)));
    return files;
}
