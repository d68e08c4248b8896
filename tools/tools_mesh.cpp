#include "tools_mesh.h"

#include <cstdio>

#include "tools_file.h"

namespace
{
std::string Float(f32 _value)
{
    char text[64];
    snprintf(text, sizeof(text), "%.6f", (double)_value);
    return text;
}

std::string Quoted(const std::string& _text) { return "\"" + _text + "\""; }

void WriteMaterial(std::string& _out, u32 _index, const TOOL_MeshMaterial& _m)
{
    _out += "    [M" + std::to_string(_index) + "]\n    {\n";
    _out +=
        "        Diffuse = " + Float(_m.diffuse[0]) + ", " + Float(_m.diffuse[1]) + ", " + Float(_m.diffuse[2]) + "\n";
    _out += "        Opacity = " + Float(_m.opacity) + "\n";
    _out += "        SelfIllumination = " + Float(_m.selfIllumination) + "\n";
    _out += "        TrancparencyType = " + Quoted(_m.transparencyType) + "\n";
    _out += "        DepthBias = " + std::to_string(_m.depthBias) + "\n";
    _out += "        DepthBuffered = " + std::to_string(_m.depthBuffered) + "\n";
    _out += "        OneSided = " + std::to_string(_m.oneSided) + "\n";
    if (!_m.diffuseBitmap.empty()) {
        _out += "        [Map_Diffuse]\n        {\n";
        _out += "            Bitmap = " + Quoted(_m.diffuseBitmap) + "\n";
        _out += "            TilingU = " + Float(_m.diffuseTiling) + "\n";
        _out += "        }\n";
    }
    if (!_m.bumpBitmap.empty()) {
        _out += "        [Map_Bump]\n        {\n";
        _out += "            Bitmap = " + Quoted(_m.bumpBitmap) + "\n";
        _out += "            TilingU = " + Float(_m.bumpTiling) + "\n";
        _out += "            Amount = " + Float(_m.bumpAmount) + "\n";
        _out += "        }\n";
    }
    _out += "    }\n";
}
}  // namespace

std::string TOOL_MeshText(const TOOL_Mesh& _mesh)
{
    std::string out;
    out += "[Vertex]\n{\n";
    out += "    NumOfV = " + std::to_string(_mesh.numOfV != -1 ? _mesh.numOfV : (s32)_mesh.vertices.size()) + "\n";
    for (size_t i = 0; i < _mesh.vertices.size(); ++i) {
        const auto& v = _mesh.vertices[i];
        out += "    V" + std::to_string(i) + " = " + Float(v[0]) + ", " + Float(v[1]) + ", " + Float(v[2]) + "\n";
    }
    out += "}\n[Polygon]\n{\n";
    out += "    NumOfP = " + std::to_string(_mesh.numOfP != -1 ? _mesh.numOfP : (s32)_mesh.triangles.size()) + "\n";
    for (size_t t = 0; t < _mesh.triangles.size(); ++t) {
        const TOOL_MeshTriangle& triangle = _mesh.triangles[t];
        out += "    [P" + std::to_string(t) + "]\n    {\n";
        out += "        G = " + std::to_string(triangle.group) + "\n";
        for (u32 c = 0; c < 3; ++c)
            out += "        V" + std::to_string(c) + " = " + std::to_string(triangle.vertex[c]) + "\n";
        out += "        M = " + std::to_string(triangle.material) + "\n";
        if (triangle.hasUV)
            for (u32 c = 0; c < 3; ++c)
                out += "        P" + std::to_string(c) + " = " + Float(triangle.uv[2 * c]) + ", " +
                       Float(triangle.uv[2 * c + 1]) + "\n";
        out += "    }\n";
    }
    out += "}\n[Material]\n{\n";
    out += "    NumOfM = " + std::to_string(_mesh.numOfM != -1 ? _mesh.numOfM : (s32)_mesh.materials.size()) + "\n";
    if (!_mesh.sortOrder.empty()) {
        out += "    [SortOrder]\n    {\n";
        for (size_t p = 0; p < _mesh.sortOrder.size(); ++p)
            out += "        M" + std::to_string(p) + " = " + std::to_string(_mesh.sortOrder[p]) + "\n";
        out += "    }\n";
    }
    for (size_t m = 0; m < _mesh.materials.size(); ++m)
        WriteMaterial(out, (u32)m, _mesh.materials[m]);
    out += "}\n";
    return out;
}

u32 TOOL_WriteMesh(const char* _path, const TOOL_Mesh& _mesh) { return TOOL_WriteBytes(_path, TOOL_MeshText(_mesh)); }

TOOL_Mesh TOOL_MeshGrid(u32 _columns, u32 _rows, u32 _materials)
{
    TOOL_Mesh mesh;
    const u32 stride = _columns + 1;
    for (u32 y = 0; y <= _rows; ++y)
        for (u32 x = 0; x <= _columns; ++x)
            mesh.vertices.push_back({(f32)x, (f32)y, 0.0f});
    const u32 materials = _materials == 0 ? 1 : _materials;
    for (u32 y = 0; y < _rows; ++y)
        for (u32 x = 0; x < _columns; ++x) {
            const s32 a = (s32)(y * stride + x);
            const s32 b = a + 1;
            const s32 c = a + (s32)stride;
            const s32 d = c + 1;
            const f32 u0 = (f32)x / (f32)_columns, u1 = (f32)(x + 1) / (f32)_columns;
            const f32 v0 = (f32)y / (f32)_rows, v1 = (f32)(y + 1) / (f32)_rows;
            TOOL_MeshTriangle first;
            first.vertex = {a, b, d};
            first.material = (s32)(y % materials);
            first.hasUV = true;
            first.uv = {u0, v0, u1, v0, u1, v1};
            TOOL_MeshTriangle second = first;
            second.vertex = {a, d, c};
            second.uv = {u0, v0, u1, v1, u0, v1};
            mesh.triangles.push_back(first);
            mesh.triangles.push_back(second);
        }
    mesh.materials.resize(materials);
    return mesh;
}

TOOL_Mesh TOOL_MeshFromTriangles(const std::vector<std::array<f32, 3>>& _vertices,
                                 const std::vector<std::array<s32, 3>>& _triangles)
{
    TOOL_Mesh mesh;
    mesh.vertices = _vertices;
    for (const std::array<s32, 3>& corners : _triangles) {
        TOOL_MeshTriangle triangle;
        triangle.vertex = corners;
        mesh.triangles.push_back(triangle);
    }
    mesh.materials.push_back(TOOL_MeshMaterial());
    return mesh;
}
