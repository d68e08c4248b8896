// Shrapnel sources for tests: a mesh of one triangle per piece and the patch file that cuts it
// into those pieces, as a body visual's "Shrapnel" section names them.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "mat_vector.h"
#include "test_dir.h"
#include "tools_mesh.h"
#include "tools_patch.h"
#include "vec_mesh.h"

// One piece: a triangle at x = 10 x its index with corners (0, 0, 0), (a, 0, 0) and (0, b, c)
// from there, so its box is a by b by c and its box diagonal squared a² + b² + c².
struct TST_PieceShape
{
    f32 a;
    f32 b;
    f32 c;
};

inline MAT_Vector3 TST_PieceCorner(size_t _piece, const TST_PieceShape& _shape, s32 _corner)
{
    const f32 base = 10.0f * (f32)_piece;
    if (_corner == 0)
        return {base, 0.0f, 0.0f};
    if (_corner == 1)
        return {base + _shape.a, 0.0f, 0.0f};
    return {base, _shape.b, _shape.c};
}

// The mean of the piece's corners: where the piece sits in the body once it is cut out.
inline MAT_Vector3 TST_PieceCentre(size_t _piece, const TST_PieceShape& _shape)
{
    const MAT_Vector3 sum =
        TST_PieceCorner(_piece, _shape, 0) + TST_PieceCorner(_piece, _shape, 1) + TST_PieceCorner(_piece, _shape, 2);
    return sum * (1.0f / 3.0f);
}

// One material, so every triangle lies in part 0 and no empty part's default box widens
// the pieces' boxes.
inline TOOL_Mesh TST_PiecesMesh(const std::vector<TST_PieceShape>& _shapes)
{
    TOOL_Mesh mesh;
    for (size_t i = 0; i < _shapes.size(); ++i) {
        for (s32 c = 0; c < 3; ++c) {
            const MAT_Vector3 corner = TST_PieceCorner(i, _shapes[i], c);
            mesh.vertices.push_back({corner.x, corner.y, corner.z});
        }
        TOOL_MeshTriangle triangle;
        triangle.vertex = {(s32)(3 * i), (s32)(3 * i + 1), (s32)(3 * i + 2)};
        mesh.triangles.push_back(triangle);
    }
    mesh.materials.resize(1);
    return mesh;
}

// Writes the source mesh "vfx/msh/<_mesh>" of _shapes and a topology "vfx/top/<_topology>" with
// one patch per piece in _cut order. The loader reorders triangles, so each patch names the
// triangle that now starts at its piece's first corner.
inline void TST_WritePieces(const TST_TempDir& _dir, const std::vector<TST_PieceShape>& _shapes,
                            const std::string& _mesh, const std::string& _topology, const std::vector<s32>& _cut)
{
    _dir.Write("vfx/msh/" + _mesh, TOOL_MeshText(TST_PiecesMesh(_shapes)));
    VEC_Mesh loaded;
    loaded.Load(("vfx/msh/" + _mesh).c_str());
    ASSERT_EQ(1, loaded.partCount);
    const VEC_MeshPart& part = loaded.parts[0];
    ASSERT_EQ((s32)_shapes.size(), part.triangleCount);
    TOOL_Patch patch;
    for (s32 piece : _cut) {
        const MAT_Vector3 first = TST_PieceCorner((size_t)piece, _shapes[(size_t)piece], 0);
        s32 found = -1;
        for (s32 t = 0; t < part.triangleCount; ++t)
            for (s32 c = 0; c < 3; ++c) {
                const DSP_Vertex& v = part.vertices[part.triangles[t].vertex[c]];
                if (v.x == first.x && v.y == first.y && v.z == first.z)
                    found = t;
            }
        ASSERT_NE(-1, found);
        TOOL_PatchTriangle record;
        record.triangle = found;
        patch.patches.push_back({(s32)patch.triangles.size(), 1, 0.0f, {}, {}});
        patch.triangles.push_back(record);
    }
    _dir.Write("vfx/top/" + _topology, TOOL_PatchText(patch));
}
