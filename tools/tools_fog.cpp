#include "tools_fog.h"

#include "tools_bytes.h"
#include "tools_file.h"

TOOL_Fog TOOL_MakeFog(s32 _rows, f32 _baseHeight, f32 _depthStep, f32 _layerSpacing, u32 (*_color)(s32 _layer))
{
    TOOL_Fog fog;
    fog.rows = _rows;
    fog.baseHeight = _baseHeight;
    fog.depthStep = _depthStep;
    fog.layerSpacing = _layerSpacing;
    const size_t perLayer = (size_t)fog.layerCount * (size_t)_rows;
    fog.pixels.resize(perLayer * (size_t)fog.layerCount);
    for (s32 layer = 0; layer < fog.layerCount; ++layer)
        for (size_t i = 0; i < perLayer; ++i)
            fog.pixels[(size_t)layer * perLayer + i] = _color(layer);
    return fog;
}

std::string TOOL_FogBytes(const TOOL_Fog& _fog)
{
    std::string out;
    TOOL_AppendU32(out, (u32)_fog.rows);
    TOOL_AppendU32(out, (u32)_fog.layerCount);
    TOOL_AppendF32(out, _fog.baseHeight);
    TOOL_AppendF32(out, _fog.depthStep);
    TOOL_AppendF32(out, _fog.layerSpacing);
    if (_fog.rows < 0 || _fog.layerCount < 0)
        return out;
    const size_t count = (size_t)_fog.layerCount * (size_t)_fog.layerCount * (size_t)_fog.rows;
    out.reserve(out.size() + count * 4);
    for (size_t i = 0; i < count; ++i) {
        const u32 color = i < _fog.pixels.size() ? _fog.pixels[i] : 0;
        out += (char)(u8)(color >> 16);  // R
        out += (char)(u8)(color >> 8);   // G
        out += (char)(u8)color;          // B
        out += (char)(u8)(color >> 24);  // A
    }
    return out;
}

u32 TOOL_WriteFog(const std::string& _path, const TOOL_Fog& _fog)
{
    return TOOL_WriteBytes(_path.c_str(), TOOL_FogBytes(_fog));
}
