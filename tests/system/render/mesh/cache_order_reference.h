// The vertex-cache order written out as plainly as its rule reads: every remaining triangle is
// scored afresh at every step. Slow on purpose; the library must give exactly this order.
#pragma once

#include <array>
#include <set>
#include <utility>
#include <vector>

#include "mat_random.h"
#include "os_types.h"

using TST_Corners = std::array<u32, 3>;

struct TST_CacheOrder
{
    std::vector<TST_Corners> triangles;  // in the new order, still with the old vertex numbers
    std::vector<u32> from;               // the old position of each triangle
    std::vector<u32> newIndex;           // old vertex number -> new
    std::set<u32> wordsSeen;             // every comparison word met while choosing
};

inline TST_CacheOrder TST_ReferenceCacheOrder(std::vector<TST_Corners> _triangles, u32 _vertexCount, u32 _window)
{
    const u32 unassigned = 0xFFFFFFFFu;
    const std::set<u32> replacing = {1, 4, 5, 9, 16, 17, 20, 21, 24, 25, 33, 37};
    TST_CacheOrder out;
    out.newIndex.assign(_vertexCount, unassigned);
    for (u32 t = 0; t < (u32)_triangles.size(); ++t)
        out.from.push_back(t);
    u32 assigned = 0;
    u32 start = 0;
    u32 end = _window;
    for (size_t k = 0; k < _triangles.size(); ++k) {
        struct Score
        {
            u32 fresh, old, over;
        };
        auto score = [&](const TST_Corners& _t) {
            Score s = {0, 0, 0};
            for (u32 v : _t) {
                if (out.newIndex[v] == unassigned)
                    ++s.fresh;
                else if (out.newIndex[v] < start)
                    ++s.old;
            }
            s.over = assigned + s.fresh > end ? assigned + s.fresh - end : 0;
            return s;
        };
        size_t best = k;
        for (size_t t = k; t < _triangles.size(); ++t) {
            const Score c = score(_triangles[t]);
            const Score b = score(_triangles[best]);
            const u32 word = (c.old < b.old ? 1u : 0u) | (c.old > b.old ? 2u : 0u) | (c.fresh < b.fresh ? 4u : 0u) |
                             (c.fresh > b.fresh ? 8u : 0u) | (c.over < b.over ? 16u : 0u) |
                             (c.over > b.over ? 32u : 0u);
            out.wordsSeen.insert(word);
            if (replacing.count(word))
                best = t;
        }
        std::swap(_triangles[k], _triangles[best]);
        std::swap(out.from[k], out.from[best]);
        for (u32 v : _triangles[k])
            if (out.newIndex[v] == unassigned)
                out.newIndex[v] = assigned++;
        if (assigned > end) {
            start += _window;
            end += _window;
        }
    }
    for (u32& index : out.newIndex)
        if (index == unassigned)
            index = assigned++;
    out.triangles = std::move(_triangles);
    return out;
}

// _count triangles with three different corners each, drawn from _vertexCount vertices so
// that many are shared.
inline std::vector<TST_Corners> TST_RandomTriangles(u32 _seed, u32 _vertexCount, u32 _count)
{
    MAT_Random random(_seed);
    std::vector<TST_Corners> triangles;
    while (triangles.size() < _count) {
        TST_Corners t;
        for (u32& v : t)
            v = (u32)MAT_RandomIndex(random.Next(), (s32)_vertexCount);
        if (t[0] != t[1] && t[1] != t[2] && t[0] != t[2])
            triangles.push_back(t);
    }
    return triangles;
}
