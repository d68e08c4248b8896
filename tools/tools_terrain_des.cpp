#include "tools_terrain_des.h"

#include <charconv>

#include "tools_file.h"

namespace
{

// The description files read floats only in fixed notation with a decimal point (so finite
// values only); the shortest text that reads back as the same f32.
std::string FloatText(f32 _value)
{
    char text[128];
    const std::to_chars_result result = std::to_chars(text, text + sizeof(text), _value, std::chars_format::fixed);
    std::string out(text, result.ptr);
    if (out.find('.') == std::string::npos)
        out += ".0";
    return out;
}

}  // namespace

std::string TOOL_TerrainDesText(const TOOL_TerrainDes& _des)
{
    std::string text;
    if (_des.writeParameter) {
        text += "[Parameter]\n{\n";
        text += "    Offset = " + FloatText(_des.offset[0]) + ", " + FloatText(_des.offset[1]) + ", " +
                FloatText(_des.offset[2]) + "\n";
        text += "    Scale = " + FloatText(_des.scale[0]) + ", " + FloatText(_des.scale[1]) + ", " +
                FloatText(_des.scale[2]) + "\n";
        text += "    MinimumResolution = " + FloatText(_des.minimumResolution) + "\n";
        text += "    MaximumD2 = " + FloatText(_des.maximumD2) + "\n";
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
