// Writer of collision-tree files (a collision mesh and its finished tree of oriented boxes
// and spheres) for test fixtures and the sample scene, and a builder of such trees over a
// triangle mesh.
//
// The text is what the description-file parser reads: sections and keys on lines of their
// own, floats always with a decimal point. Everything is written as given, so tests make
// broken files by changing fields: counts, corner and list indices, ranges, child links, a
// leaf without F, or a cut text.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "os_types.h"

struct TOOL_ObbsNode
{
    f32 radius = 0.0f;  // "SR"
    std::array<f32, 3> sphereCentre = {};
    std::array<f32, 3> halfExtents = {};
    std::array<f32, 3> boxCentre = {};
    std::array<std::array<f32, 3>, 3> axes = {{{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}};
    bool hasRange = false;  // writes "F" and "L"
    s32 first = 0;
    s32 last = -1;
    s32 firstChild = -1;  // "C<2i>"; -1 writes no children
    s32 secondChild = -1;
};

struct TOOL_ObbsTree
{
    std::vector<std::array<f32, 3>> vertices;
    std::vector<std::array<s32, 3>> triangles;  // corners A, B, C
    std::vector<s32> triangleList;              // triangle indices in leaf order
    s32 maxDescend = 0;
    std::vector<TOOL_ObbsNode> nodes;  // node 0 is the root
    // The counts written; -1 writes the size of the list.
    s32 numOfII = -1;
    s32 numOfV = -1;
    s32 numOfT = -1;
    s32 numOfNodes = -1;
    bool writeNumOfConnect = true;
};

std::string TOOL_ObbsText(const TOOL_ObbsTree& _tree);
// 1 when the file was written (directories are not created).
u32 TOOL_WriteObbs(const std::string& _path, const TOOL_ObbsTree& _tree);

// A tree over the triangles: triangles split at the median of their centres along the longest
// axis until at most _leafTriangles remain, every node an axis-aligned box around its
// triangles (a little larger, so that rounding never loses a hit on an edge) and a sphere
// around that box, grown to hold its children's spheres; leaves address consecutive ranges of
// the triangle list. Node 0 is the root, children follow their parent.
TOOL_ObbsTree TOOL_ObbsBuild(const std::vector<std::array<f32, 3>>& _vertices,
                             const std::vector<std::array<s32, 3>>& _triangles, u32 _leafTriangles);

// A closed box hull of _length x _width x _height around the origin, every face cut into
// _cuts x _cuts quads (12 _cuts^2 triangles) wound to face outward, as a tree with at most
// _leafTriangles per leaf and the given MaxDescend.
TOOL_ObbsTree TOOL_ObbsHull(f32 _length, f32 _width, f32 _height, s32 _cuts, u32 _leafTriangles, s32 _maxDescend);
