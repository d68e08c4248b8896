// Writer of ".fog" fog-layer files for test fixtures and the sample scene.
//
// Header (rows, layer count, base height, depth step, layer spacing) then, for each layer, each
// column and each row, the four bytes R, G, B, A. Every field is written as given, so tests can
// describe refused files (other counts, zero steps) as easily as good ones; cut the bytes to
// make a short file.
#pragma once

#include <string>
#include <vector>

#include "os_types.h"

struct TOOL_Fog
{
    s32 rows = 64;
    s32 layerCount = 64;
    f32 baseHeight = 0.0f;
    f32 depthStep = 1.0f;
    f32 layerSpacing = 1.0f;
    // Colours 0xAARRGGBB, the pixel of layer l, column x, row y at (l x layerCount + x) x rows
    // + y; missing ones are written as 0. Nothing is written for negative counts.
    std::vector<u32> pixels;
};

// A fog whose every pixel of layer l is _color(l).
TOOL_Fog TOOL_MakeFog(s32 _rows, f32 _baseHeight, f32 _depthStep, f32 _layerSpacing, u32 (*_color)(s32 _layer));

std::string TOOL_FogBytes(const TOOL_Fog& _fog);
// 1 when the file was written (directories are not created).
u32 TOOL_WriteFog(const std::string& _path, const TOOL_Fog& _fog);
