// Writers of plant-field and plankton data for test fixtures, fuzz seeds and the sample scene:
// plant descriptions (section "Visual") with their 64 x 64 plant maps, and the five plankton
// textures.
//
// Every key of a description can be left out and every value is written as given, so tests can
// describe incomplete files; floats always carry a decimal point, so each value keeps its type.
#pragma once

#include <optional>
#include <string>

#include "os_types.h"
#include "tools_tga.h"

struct TOOL_PlantDescription
{
    bool writeVisual = true;
    std::optional<std::string> nameMesh = "plant.ash";  // a body visual; RenderFast takes a mesh file
    std::optional<std::string> plantMap = "vfx\\tex\\plants\\plantmap.tga";
    std::optional<f32> maxDistance = 200.0f;
    std::optional<f32> minX = 1.0f;
    std::optional<f32> maxX = 1.0f;
    std::optional<f32> minY = 1.0f;
    std::optional<f32> maxY = 1.0f;
    std::optional<f32> minZ = 1.0f;
    std::optional<f32> maxZ = 1.0f;
    std::optional<s32> renderFast = 0;
};

std::string TOOL_PlantDescriptionText(const TOOL_PlantDescription& _description);
// 1 when the file was written (directories are not created).
u32 TOOL_WritePlantDescription(const std::string& _path, const TOOL_PlantDescription& _description);

// The plant map's pixel of a ground cell: alpha the plant density, red, green, blue the tint.
constexpr u32 TOOL_PlantPixel(u8 _density, u8 _red, u8 _green, u8 _blue)
{
    return ((u32)_density << 24) | ((u32)_red << 16) | ((u32)_green << 8) | (u32)_blue;
}

// A 32-bit plant map of _width x _height (64 x 64 is what the plant node takes) with every
// cell _pixel; the cell of column c and row r (rows counted from the bottom, as the world's y
// grows) is TOOL_SetPlantCell's.
TOOL_TGA TOOL_PlantMap(u32 _pixel, s32 _width = 64, s32 _height = 64);
void TOOL_SetPlantCell(TOOL_TGA& _map, s32 _column, s32 _row, u32 _pixel);

// The plankton texture names of the five layers ("vfx\tex\fx\plankton04" ..), their level
// files below the data folder ("vfx/tex/fx/<name>_l6.tga"; "" for no layer) and the picture
// every one holds: 64 x 64, 32 bits, a white dot whose alpha fades to 0 inside the circle
// that a particle's triangle encloses. Writing: 0 when a file cannot be written (directories
// are not created).
constexpr s32 TOOL_PLANKTON_LAYERS = 5;
constexpr s32 TOOL_PLANKTON_LEVEL = 6;
const char* TOOL_PlanktonTextureName(s32 _layer);
std::string TOOL_PlanktonTextureFile(s32 _layer);
TOOL_TGA TOOL_PlanktonTexture();
u32 TOOL_WritePlanktonTextures(const std::string& _dataFolder);
