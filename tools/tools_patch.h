// Writer of patch files (the shrapnel cut of a mesh) for test fixtures and the sample scene.
//
// Section "Triangle" with "NumOfT" and one subsection "T<i>" per triangle record, section
// "Patch" with "NumOfP" and one subsection "P<j>" per patch; floats always with a decimal point.
// Values are written as given, so tests can name parts and triangles that do not exist.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "os_types.h"

struct TOOL_PatchTriangle
{
    s32 u = 0;
    s32 part = 0;      // "B"
    s32 triangle = 0;  // "T"
    std::array<s32, 3> n = {0, 0, 0};
};

struct TOOL_PatchRecord
{
    s32 first = 0;  // "T"
    s32 count = 0;  // "N"
    f32 a = 0.0f;
    std::array<f32, 3> v0 = {};
    std::array<f32, 3> v1 = {};
};

struct TOOL_Patch
{
    std::vector<TOOL_PatchTriangle> triangles;
    std::vector<TOOL_PatchRecord> patches;
    // The counts written; -1 writes the size of the list.
    s32 numOfT = -1;
    s32 numOfP = -1;
};

std::string TOOL_PatchText(const TOOL_Patch& _patch);
// 1 when the file was written (directories are not created).
u32 TOOL_WritePatch(const std::string& _path, const TOOL_Patch& _patch);
