#include "tools_terrainnode.h"

#include "tools_file.h"
#include "tools_terrain.h"
#include "tools_tga.h"

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
    files.emplace_back(folder + "lightmap_l2.tga", TOOL_TGABytes(TOOL_MakeTGA(4, 4, 32, 0xFFFFFFFFu)));
    // The selector's red, green and blue weigh the three material layers.
    files.emplace_back(folder + "material_s.tga", TOOL_TGABytes(TOOL_MakeTGA(256, 256, 32, 0x00C08040u)));
    return files;
}
