// Plant descriptions, plant maps and plankton textures.
#include "tools_plants.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace
{
std::string Float(f32 _value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", (double)_value);
    return text;
}

void Key(std::string& _text, const char* _key, const std::optional<std::string>& _value)
{
    if (_value)
        _text += std::string("    ") + _key + " = \"" + *_value + "\"\n";
}

void Key(std::string& _text, const char* _key, const std::optional<f32>& _value)
{
    if (_value)
        _text += std::string("    ") + _key + " = " + Float(*_value) + "\n";
}

void Key(std::string& _text, const char* _key, const std::optional<s32>& _value)
{
    if (_value)
        _text += std::string("    ") + _key + " = " + std::to_string(*_value) + "\n";
}

u32 WriteFile(const std::string& _path, const std::string& _bytes)
{
    std::ofstream file(_path, std::ios::binary);
    if (!file)
        return 0;
    file.write(_bytes.data(), (std::streamsize)_bytes.size());
    return file ? 1u : 0u;
}

const char* const PLANKTON_NAMES[TOOL_PLANKTON_LAYERS] = {"plankton04", "plankton06", "plankton10", "plankton11",
                                                          "plankton12"};
}  // namespace

std::string TOOL_PlantDescriptionText(const TOOL_PlantDescription& _description)
{
    std::string text;
    if (!_description.writeVisual)
        return "[Other]\n{\n}\n";
    text += "[Visual]\n{\n";
    Key(text, "NameMesh", _description.nameMesh);
    Key(text, "PlantMap", _description.plantMap);
    Key(text, "MaxDistance", _description.maxDistance);
    Key(text, "MinX", _description.minX);
    Key(text, "MaxX", _description.maxX);
    Key(text, "MinY", _description.minY);
    Key(text, "MaxY", _description.maxY);
    Key(text, "MinZ", _description.minZ);
    Key(text, "MaxZ", _description.maxZ);
    Key(text, "RenderFast", _description.renderFast);
    text += "}\n";
    return text;
}

u32 TOOL_WritePlantDescription(const std::string& _path, const TOOL_PlantDescription& _description)
{
    return WriteFile(_path, TOOL_PlantDescriptionText(_description));
}

TOOL_TGA TOOL_PlantMap(u32 _pixel, s32 _width, s32 _height) { return TOOL_MakeTGA(_width, _height, 32, _pixel); }

void TOOL_SetPlantCell(TOOL_TGA& _map, s32 _column, s32 _row, u32 _pixel)
{
    if (_column < 0 || _column >= _map.width || _row < 0 || _row >= _map.height)
        return;
    // The picture's rows run from the top; the map's from the bottom.
    _map.pixels[(size_t)((_map.height - 1 - _row) * _map.width + _column)] = _pixel;
}

const char* TOOL_PlanktonTextureName(s32 _layer)
{
    static std::string names[TOOL_PLANKTON_LAYERS];
    if (_layer < 0 || _layer >= TOOL_PLANKTON_LAYERS)
        return "";
    names[_layer] = std::string("vfx\\tex\\fx\\") + PLANKTON_NAMES[_layer];
    return names[_layer].c_str();
}

std::string TOOL_PlanktonTextureFile(s32 _layer)
{
    if (_layer < 0 || _layer >= TOOL_PLANKTON_LAYERS)
        return "";
    return std::string("vfx/tex/fx/") + PLANKTON_NAMES[_layer] + "_l" + std::to_string(TOOL_PLANKTON_LEVEL) + ".tga";
}

TOOL_TGA TOOL_PlanktonTexture()
{
    // A particle is a triangle whose corners sit on the texture's inscribed circle, so its
    // edges pass half way from the centre to the border: the dot fades out a texel inside
    // them (filtering reads neighbours), and no edge of the triangle ever shows.
    constexpr s32 SIDE = 1 << TOOL_PLANKTON_LEVEL;
    constexpr f32 CENTRE = 0.5f * (f32)SIDE;
    constexpr f32 RADIUS = 0.25f * (f32)SIDE - 1.25f;
    TOOL_TGA picture = TOOL_MakeTGA(SIDE, SIDE, 32, 0x00FFFFFFu);
    for (s32 y = 0; y < SIDE; ++y)
        for (s32 x = 0; x < SIDE; ++x) {
            const f32 dx = ((f32)x + 0.5f - CENTRE) / RADIUS;
            const f32 dy = ((f32)y + 0.5f - CENTRE) / RADIUS;
            const f32 inside = 1.0f - (dx * dx + dy * dy);
            if (inside <= 0.0f)
                continue;
            // Flat where the rim ends, so the fade has no visible edge either.
            const u32 alpha = (u32)std::lround(255.0f * inside * inside);
            picture.pixels[(size_t)(y * SIDE + x)] = (alpha << 24) | 0x00FFFFFFu;
        }
    return picture;
}

u32 TOOL_WritePlanktonTextures(const std::string& _dataFolder)
{
    const std::string bytes = TOOL_TGABytes(TOOL_PlanktonTexture());
    for (s32 layer = 0; layer < TOOL_PLANKTON_LAYERS; ++layer)
        if (WriteFile(_dataFolder + "/" + TOOL_PlanktonTextureFile(layer), bytes) == 0)
            return 0;
    return 1;
}
