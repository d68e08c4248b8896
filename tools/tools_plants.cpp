// Plant descriptions, plant maps and plankton textures.
#include "tools_plants.h"

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

TOOL_TGA TOOL_PlanktonTexture()
{
    TOOL_TGA picture = TOOL_MakeTGA(16, 16, 32, 0);
    for (s32 y = 0; y < 16; ++y)
        for (s32 x = 0; x < 16; ++x) {
            const f32 dx = (f32)x - 7.5f;
            const f32 dy = (f32)y - 7.5f;
            const f32 fall = 1.0f - (dx * dx + dy * dy) / 64.0f;
            const u32 alpha = fall > 0.0f ? (u32)(fall * 255.0f) : 0u;
            picture.pixels[(size_t)(y * 16 + x)] = (alpha << 24) | 0x00FFFFFFu;
        }
    return picture;
}

u32 TOOL_WritePlanktonTextures(const std::string& _dataFolder)
{
    const std::string bytes = TOOL_TGABytes(TOOL_PlanktonTexture());
    for (const char* name : PLANKTON_NAMES)
        if (WriteFile(_dataFolder + "/vfx/tex/fx/" + name + "_l4.tga", bytes) == 0)
            return 0;
    return 1;
}
