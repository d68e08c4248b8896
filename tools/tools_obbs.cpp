#include "tools_obbs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools_file.h"

namespace
{
std::string Float(f32 _value)
{
    char text[64];
    snprintf(text, sizeof(text), "%.7f", (double)_value);
    return text;
}

std::string Int(s32 _value) { return std::to_string(_value); }

s32 CountOr(s32 _count, size_t _size) { return _count != -1 ? _count : (s32)_size; }

void WriteNode(std::string& _out, size_t _index, const TOOL_ObbsNode& _node)
{
    static const char* const axisKeys[3][3] = {{"0X", "0Y", "0Z"}, {"1X", "1Y", "1Z"}, {"2X", "2Y", "2Z"}};
    _out += "    [TN" + std::to_string(_index) + "]\n    {\n";
    _out += "        SR = " + Float(_node.radius) + "\n";
    _out += "        SX = " + Float(_node.sphereCentre[0]) + "\n";
    _out += "        SY = " + Float(_node.sphereCentre[1]) + "\n";
    _out += "        SZ = " + Float(_node.sphereCentre[2]) + "\n";
    _out += "        EX = " + Float(_node.halfExtents[0]) + "\n";
    _out += "        EY = " + Float(_node.halfExtents[1]) + "\n";
    _out += "        EZ = " + Float(_node.halfExtents[2]) + "\n";
    _out += "        TX = " + Float(_node.boxCentre[0]) + "\n";
    _out += "        TY = " + Float(_node.boxCentre[1]) + "\n";
    _out += "        TZ = " + Float(_node.boxCentre[2]) + "\n";
    for (u32 a = 0; a < 3; ++a)
        for (u32 c = 0; c < 3; ++c)
            _out += std::string("        ") + axisKeys[a][c] + " = " + Float(_node.axes[a][c]) + "\n";
    if (_node.hasRange) {
        _out += "        F = " + Int(_node.first) + "\n";
        _out += "        L = " + Int(_node.last) + "\n";
    }
    _out += "    }\n";
}

struct Builder
{
    const std::vector<std::array<f32, 3>>& vertices;
    const std::vector<std::array<s32, 3>>& triangles;
    u32 leafTriangles;
    std::vector<s32> order;
    std::vector<TOOL_ObbsNode> nodes;

    std::array<f32, 3> Centroid(s32 _triangle) const
    {
        std::array<f32, 3> c = {};
        for (s32 corner : triangles[_triangle])
            for (u32 k = 0; k < 3; ++k)
                c[k] += vertices[corner][k] / 3.0f;
        return c;
    }

    s32 Build(size_t _begin, size_t _end)
    {
        const s32 index = (s32)nodes.size();
        nodes.emplace_back();
        std::array<f32, 3> low = {0.0f, 0.0f, 0.0f};
        std::array<f32, 3> high = {0.0f, 0.0f, 0.0f};
        bool any = false;
        for (size_t i = _begin; i < _end; ++i)
            for (s32 corner : triangles[order[i]])
                for (u32 k = 0; k < 3; ++k) {
                    const f32 v = vertices[corner][k];
                    low[k] = any ? std::min(low[k], v) : v;
                    high[k] = any ? std::max(high[k], v) : v;
                    if (k == 2)
                        any = true;
                }
        TOOL_ObbsNode node;
        f32 radiusSquared = 0.0f;
        for (u32 k = 0; k < 3; ++k) {
            const f32 pad = 0.001f + 0.0001f * (high[k] - low[k]);
            node.boxCentre[k] = 0.5f * (low[k] + high[k]);
            node.halfExtents[k] = 0.5f * (high[k] - low[k]) + pad;
            node.sphereCentre[k] = node.boxCentre[k];
            radiusSquared += node.halfExtents[k] * node.halfExtents[k];
        }
        node.radius = std::sqrt(radiusSquared) * 1.0001f;

        if (_end - _begin <= leafTriangles) {
            node.hasRange = true;
            node.first = (s32)_begin;
            node.last = (s32)_end - 1;
            nodes[index] = node;
            return index;
        }
        u32 axis = 0;
        for (u32 k = 1; k < 3; ++k)
            if (high[k] - low[k] > high[axis] - low[axis])
                axis = k;
        std::stable_sort(order.begin() + (std::ptrdiff_t)_begin, order.begin() + (std::ptrdiff_t)_end,
                         [&](s32 _a, s32 _b) { return Centroid(_a)[axis] < Centroid(_b)[axis]; });
        const size_t middle = (_begin + _end) / 2;
        node.firstChild = Build(_begin, middle);
        node.secondChild = Build(middle, _end);
        // A child's sphere can bulge out of its parent's: grow the parent's to hold both, so
        // that a sphere which misses a node misses everything below it.
        for (const s32 child : {node.firstChild, node.secondChild}) {
            const TOOL_ObbsNode& inner = nodes[(size_t)child];
            f32 distanceSquared = 0.0f;
            for (u32 k = 0; k < 3; ++k) {
                const f32 d = inner.sphereCentre[k] - node.sphereCentre[k];
                distanceSquared += d * d;
            }
            node.radius = std::max(node.radius, (std::sqrt(distanceSquared) + inner.radius) * 1.0001f);
        }
        nodes[index] = node;
        return index;
    }
};
}  // namespace

std::string TOOL_ObbsText(const TOOL_ObbsTree& _tree)
{
    std::string out;
    out += "[MeshTreeInterface]\n{\n";
    out += "    NumOfT = " + Int(CountOr(_tree.numOfT, _tree.triangleList.size())) + "\n";
    for (size_t i = 0; i < _tree.triangleList.size(); ++i)
        out += "    T" + std::to_string(i) + " = " + Int(_tree.triangleList[i]) + "\n";
    out += "    [IndexSection]\n    {\n";
    out += "        NumOfII = " + Int(CountOr(_tree.numOfII, _tree.triangles.size())) + "\n";
    for (size_t i = 0; i < _tree.triangles.size(); ++i) {
        const std::string n = std::to_string(i);
        out += "        IIA" + n + " = " + Int(_tree.triangles[i][0]) + "\n";
        out += "        IIB" + n + " = " + Int(_tree.triangles[i][1]) + "\n";
        out += "        IIC" + n + " = " + Int(_tree.triangles[i][2]) + "\n";
    }
    out += "    }\n    [VertexSection]\n    {\n";
    out += "        NumOfV = " + Int(CountOr(_tree.numOfV, _tree.vertices.size())) + "\n";
    for (size_t i = 0; i < _tree.vertices.size(); ++i) {
        const auto& v = _tree.vertices[i];
        out += "        V" + std::to_string(i) + " = " + Float(v[0]) + ", " + Float(v[1]) + ", " + Float(v[2]) + "\n";
    }
    out += "    }\n}\n[OBBS_Tree]\n{\n";
    out += "    MaxDescend = " + Int(_tree.maxDescend) + "\n";
    out += "    NumOfOBBS_TreeNode = " + Int(CountOr(_tree.numOfNodes, _tree.nodes.size())) + "\n";
    if (_tree.writeNumOfConnect) {
        s32 connections = 0;
        for (const TOOL_ObbsNode& node : _tree.nodes)
            connections += node.firstChild != -1 ? 2 : 0;
        out += "    NumOfConnect = " + Int(connections) + "\n";
    }
    for (size_t i = 0; i < _tree.nodes.size(); ++i) {
        out += "    C" + std::to_string(2 * i) + " = " + Int(_tree.nodes[i].firstChild) + "\n";
        out += "    C" + std::to_string(2 * i + 1) + " = " + Int(_tree.nodes[i].secondChild) + "\n";
    }
    for (size_t i = 0; i < _tree.nodes.size(); ++i)
        WriteNode(out, i, _tree.nodes[i]);
    out += "}\n";
    return out;
}

u32 TOOL_WriteObbs(const std::string& _path, const TOOL_ObbsTree& _tree)
{
    return TOOL_WriteBytes(_path.c_str(), TOOL_ObbsText(_tree));
}

TOOL_ObbsTree TOOL_ObbsBuild(const std::vector<std::array<f32, 3>>& _vertices,
                             const std::vector<std::array<s32, 3>>& _triangles, u32 _leafTriangles)
{
    Builder builder{_vertices, _triangles, _leafTriangles == 0 ? 1u : _leafTriangles, {}, {}};
    for (size_t i = 0; i < _triangles.size(); ++i)
        builder.order.push_back((s32)i);
    builder.Build(0, _triangles.size());

    TOOL_ObbsTree tree;
    tree.vertices = _vertices;
    tree.triangles = _triangles;
    tree.triangleList = builder.order;
    tree.nodes = builder.nodes;
    return tree;
}

TOOL_ObbsTree TOOL_ObbsHull(f32 _length, f32 _width, f32 _height, s32 _cuts, u32 _leafTriangles, s32 _maxDescend)
{
    std::vector<std::array<f32, 3>> vertices;
    std::vector<std::array<s32, 3>> triangles;
    const f32 half[3] = {0.5f * _length, 0.5f * _width, 0.5f * _height};
    for (s32 axis = 0; axis < 3; ++axis)
        for (f32 side : {-1.0f, 1.0f}) {
            const s32 u = (axis + 1) % 3;
            const s32 v = (axis + 2) % 3;
            const s32 base = (s32)vertices.size();
            for (s32 j = 0; j <= _cuts; ++j)
                for (s32 i = 0; i <= _cuts; ++i) {
                    std::array<f32, 3> p = {};
                    p[axis] = side * half[axis];
                    p[u] = -half[u] + 2.0f * half[u] * (f32)i / (f32)_cuts;
                    p[v] = -half[v] + 2.0f * half[v] * (f32)j / (f32)_cuts;
                    vertices.push_back(p);
                }
            for (s32 j = 0; j < _cuts; ++j)
                for (s32 i = 0; i < _cuts; ++i) {
                    const s32 a = base + j * (_cuts + 1) + i;
                    const s32 b = a + 1;
                    const s32 c = a + _cuts + 2;
                    const s32 d = a + _cuts + 1;
                    // The normal is (c - a) x (b - a): wind so that it points out of the hull.
                    if (side > 0.0f) {
                        triangles.push_back({a, c, b});
                        triangles.push_back({a, d, c});
                    } else {
                        triangles.push_back({a, b, c});
                        triangles.push_back({a, c, d});
                    }
                }
        }
    TOOL_ObbsTree tree = TOOL_ObbsBuild(vertices, triangles, _leafTriangles);
    tree.maxDescend = _maxDescend;
    return tree;
}
