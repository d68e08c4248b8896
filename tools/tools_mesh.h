// Writer of ".msh" mesh description files for test fixtures and the sample scene.
//
// The text is what the description-file parser reads: sections and keys on lines of their
// own, floats always with a decimal point, so every value keeps its type.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "os_types.h"

struct TOOL_MeshMaterial
{
    std::array<f32, 3> diffuse = {1.0f, 1.0f, 1.0f};
    f32 opacity = 1.0f;
    f32 selfIllumination = 0.0f;
    std::string transparencyType = "Filter";
    s32 depthBias = 0;
    s32 depthBuffered = 1;
    s32 oneSided = 1;
    std::string diffuseBitmap;  // empty: no "Map_Diffuse" subsection
    f32 diffuseTiling = 1.0f;
    std::string bumpBitmap;  // empty: no "Map_Bump" subsection
    f32 bumpTiling = 1.0f;
    f32 bumpAmount = 1.0f;
};

struct TOOL_MeshTriangle
{
    std::array<s32, 3> vertex = {0, 0, 0};
    s32 material = 0;
    s32 group = 0;
    bool hasUV = false;          // writes "P0".."P2" when set
    std::array<f32, 6> uv = {};  // u0 v0 u1 v1 u2 v2
};

struct TOOL_Mesh
{
    std::vector<std::array<f32, 3>> vertices;
    std::vector<TOOL_MeshTriangle> triangles;
    std::vector<TOOL_MeshMaterial> materials;
    std::vector<s32> sortOrder;  // empty: no "SortOrder" subsection
    // The counts written; -1 writes the size of the list (other values make broken files on purpose).
    s32 numOfV = -1;
    s32 numOfP = -1;
    s32 numOfM = -1;
};

std::string TOOL_MeshText(const TOOL_Mesh& _mesh);
// 1 when the file was written (directories are not created).
u32 TOOL_WriteMesh(const char* _path, const TOOL_Mesh& _mesh);

// A flat grid of _columns x _rows quads (two triangles each) in the xy plane, one unit per
// cell, texture coordinates running 0..1 over the grid, and _materials materials taken by the
// rows in turn (at most _rows of them, or some go unused and the file does not load).
TOOL_Mesh TOOL_MeshGrid(u32 _columns, u32 _rows, u32 _materials);

// The triangles over the vertices as a mesh of one default material (no texture coordinates):
// the render mesh of a collision hull.
TOOL_Mesh TOOL_MeshFromTriangles(const std::vector<std::array<f32, 3>>& _vertices,
                                 const std::vector<std::array<s32, 3>>& _triangles);
