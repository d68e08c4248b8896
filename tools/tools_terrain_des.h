// Writer of a terrain set's "terrain.des" for test fixtures, fuzz seeds and the sample scene.
// Everything the loader reads is a plain field, the grid rows are written as given (so tests
// can describe malformed rows), and each section can be left out.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "os_types.h"

// One numbered subsection "TileN" of the section "Tile".
struct TOOL_TerrainTile
{
    std::string heightField = "height.tga";
    s32 type = 0;        // 0: the height field is read from the picture
    s32 transition = 0;  // edge-blending band in samples
    std::string texture = "rock_l0.tga";
};

struct TOOL_TerrainDes
{
    // "Parameter"
    f32 offset[3] = {0.0f, 0.0f, 0.0f};
    f32 scale[3] = {1.0f, 1.0f, 256.0f};  // z as in the file: the loader divides it by 256
    f32 minimumResolution = 7.0f;
    f32 maximumD2 = 1.0f;
    s32 restrictedQuadTree = 1;
    s32 triangulationMode = 0;
    // "Tile"
    s32 numOfTriangulationMaps = 5;
    std::optional<s32> numOfTiles;  // written instead of the number of tiles when set
    std::vector<TOOL_TerrainTile> tiles;
    // "Grid"
    std::optional<s32> numOfLines;   // written instead of the number of lines when set
    std::vector<std::string> lines;  // "Line0", "Line1", ... exactly as given (no quotes inside)

    bool writeParameter = true;
    bool writeTile = true;
    bool writeGrid = true;
};

// The description text.
std::string TOOL_TerrainDesText(const TOOL_TerrainDes& _des);

// Writes the text to _path, created as given; 0 when it cannot be written.
u32 TOOL_WriteTerrainDes(const char* _path, const TOOL_TerrainDes& _des);
