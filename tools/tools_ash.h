// Writer of ".ash" body visual descriptions for test fixtures, fuzz seeds and the sample scene.
//
// Section "Visual" (M0, D0, M1, D1, CMesh) and an optional section "Shrapnel" (NameMesh,
// NameTopology, ShrapnelCount). Every key can be left out and every value is written as given,
// so tests can describe incomplete files; floats always carry a decimal point, so each value
// keeps its type.
#pragma once

#include <optional>
#include <string>

#include "os_types.h"

struct TOOL_AshShrapnel
{
    std::optional<std::string> nameMesh = "shrapnel.msh";      // a mesh file of "vfx\msh\"
    std::optional<std::string> nameTopology = "shrapnel.top";  // the patch file's path, verbatim
    std::optional<s32> shrapnelCount = 8;
};

struct TOOL_Ash
{
    bool writeVisual = true;
    std::optional<std::string> m0 = "body.msh";
    std::optional<f32> d0 = 100.0f;
    std::optional<std::string> m1;
    std::optional<f32> d1;
    std::optional<std::string> cMesh;
    std::optional<TOOL_AshShrapnel> shrapnel;  // no section "Shrapnel" when empty
};

std::string TOOL_AshText(const TOOL_Ash& _ash);
// 1 when the file was written (directories are not created).
u32 TOOL_WriteAsh(const std::string& _path, const TOOL_Ash& _ash);
