#include "tools_terrain_des.h"

#include "tools_file.h"

std::string TOOL_TerrainDesText(const TOOL_TerrainDes& _des)
{
    std::string text;
    if (_des.writeParameter) {
        text += "[Parameter]\n{\n";
        text += "    Offset = " + TOOL_DesFloat(_des.offset[0]) + ", " + TOOL_DesFloat(_des.offset[1]) + ", " +
                TOOL_DesFloat(_des.offset[2]) + "\n";
        text += "    Scale = " + TOOL_DesFloat(_des.scale[0]) + ", " + TOOL_DesFloat(_des.scale[1]) + ", " +
                TOOL_DesFloat(_des.scale[2]) + "\n";
        text += "    MinimumResolution = " + TOOL_DesFloat(_des.minimumResolution) + "\n";
        text += "    MaximumD2 = " + TOOL_DesFloat(_des.maximumD2) + "\n";
        text += "    RestrictedQuadTree = " + std::to_string(_des.restrictedQuadTree) + "\n";
        text += "    TriangulationMode = " + std::to_string(_des.triangulationMode) + "\n";
        text += "}\n";
    }
    if (_des.writeTile) {
        text += "[Tile]\n{\n";
        text += "    NumOfTriangulationMaps = " + std::to_string(_des.numOfTriangulationMaps) + "\n";
        text += "    NumOfTiles = " + std::to_string(_des.numOfTiles.value_or((s32)_des.tiles.size())) + "\n";
        for (size_t i = 0; i < _des.tiles.size(); ++i) {
            const TOOL_TerrainTile& tile = _des.tiles[i];
            text += "    [Tile" + std::to_string(i) + "]\n    {\n";
            text += "        HeightField = \"" + tile.heightField + "\"\n";
            text += "        Type = " + std::to_string(tile.type) + "\n";
            text += "        Transition = " + std::to_string(tile.transition) + "\n";
            text += "        Texture = \"" + tile.texture + "\"\n";
            text += "    }\n";
        }
        text += "}\n";
    }
    if (_des.writeGrid) {
        text += "[Grid]\n{\n";
        text += "    NumOfLines = " + std::to_string(_des.numOfLines.value_or((s32)_des.lines.size())) + "\n";
        for (size_t i = 0; i < _des.lines.size(); ++i)
            text += "    Line" + std::to_string(i) + " = \"" + _des.lines[i] + "\"\n";
        text += "}\n";
    }
    return text;
}

u32 TOOL_WriteTerrainDes(const char* _path, const TOOL_TerrainDes& _des)
{
    return TOOL_WriteBytes(_path, TOOL_TerrainDesText(_des));
}
