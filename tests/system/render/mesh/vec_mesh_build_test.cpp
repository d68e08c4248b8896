#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "cache_order_reference.h"
#include "vec_mesh_local.h"

namespace
{
struct OrderCase
{
    std::string name;
    u32 vertexCount;
    u32 window;
    std::vector<TST_Corners> triangles;
};

// A grid of quads, two triangles each, listed last row first so the order has work to do.
std::vector<TST_Corners> ReversedGrid(u32 _columns, u32 _rows)
{
    std::vector<TST_Corners> triangles;
    for (u32 y = _rows; y-- > 0;)
        for (u32 x = 0; x < _columns; ++x) {
            const u32 a = y * (_columns + 1) + x;
            const u32 c = a + _columns + 1;
            triangles.push_back({a, a + 1, c + 1});
            triangles.push_back({a, c + 1, c});
        }
    return triangles;
}

// A closed fan of _rim triangles around vertex 0, rim vertices 1.._rim.
std::vector<TST_Corners> Fan(u32 _rim)
{
    std::vector<TST_Corners> triangles;
    for (u32 i = 0; i < _rim; ++i)
        triangles.push_back({0, 1 + i, 1 + (i + 1) % _rim});
    return triangles;
}

std::vector<OrderCase> OrderCases()
{
    std::vector<OrderCase> cases = {
        {"random, dense", 12, 16, TST_RandomTriangles(11, 12, 60)},
        {"random, shared", 40, 16, TST_RandomTriangles(11, 40, 800)},
        {"random, sparse", 400, 16, TST_RandomTriangles(13, 400, 250)},
        {"random, small window", 60, 5, TST_RandomTriangles(13, 60, 200)},
        {"grid", 13 * 11, 16, ReversedGrid(12, 10)},
        {"fan", 41, 16, Fan(40)},
        {"no triangles", 5, 16, {}},
        {"unused vertices keep their order", 9, 16, {{7, 2, 5}, {5, 2, 3}}},
        {"repeated corners", 7, 16, {{0, 0, 1}, {2, 3, 2}, {4, 4, 4}, {1, 5, 5}, {0, 1, 2}, {6, 3, 6}}},
        {"window of one", 20, 1, TST_RandomTriangles(15, 20, 40)},
    };
    OrderCase same = {"one triangle over and over", 3, 16, {}};
    same.triangles.assign(20, {2, 0, 1});
    cases.push_back(same);
    return cases;
}

TEST(VecMeshBuildTest, CacheOrderFollowsTheRuleExactly)
{
    std::set<u32> words;
    for (const OrderCase& c : OrderCases()) {
        SCOPED_TRACE(c.name);
        VEC_MeshPart part;
        part.Allocate((s32)c.vertexCount, (s32)c.triangles.size());
        part.vertexCount = (s32)c.vertexCount;
        part.triangleCount = (s32)c.triangles.size();
        for (u32 i = 0; i < c.vertexCount; ++i)
            part.vertices[i].x = (f32)i;
        for (size_t t = 0; t < c.triangles.size(); ++t) {
            for (u32 k = 0; k < 3; ++k)
                part.triangles[t].vertex[k] = (u16)c.triangles[t][k];
            part.triangles[t].group = (u8)t;
        }

        VEC_ReorderForCache(&part, c.window);
        const TST_CacheOrder expected = TST_ReferenceCacheOrder(c.triangles, c.vertexCount, c.window);
        words.insert(expected.wordsSeen.begin(), expected.wordsSeen.end());

        ASSERT_EQ((s32)c.vertexCount, part.vertexCount);
        ASSERT_EQ((s32)c.triangles.size(), part.triangleCount);
        for (size_t t = 0; t < c.triangles.size(); ++t) {
            EXPECT_EQ((u8)expected.from[t], part.triangles[t].group) << "triangle " << t;
            for (u32 k = 0; k < 3; ++k)
                EXPECT_EQ(expected.newIndex[expected.triangles[t][k]], part.triangles[t].vertex[k])
                    << "triangle " << t << " corner " << k;
        }
        for (u32 i = 0; i < c.vertexCount; ++i)
            EXPECT_EQ((f32)i, part.vertices[expected.newIndex[i]].x) << "vertex " << i;
    }
    // The cases meet every comparison word that can occur (only overflow without a difference
    // in new corners cannot), so a change to the rule for any of them shows above. Among them is
    // 41, fewer old corners but more new ones and more overflow, which keeps the best: the rule
    // is no ranking, and a plain priority order would differ there.
    for (u32 word : {1u, 2u, 4u, 5u, 6u, 8u, 9u, 10u, 20u, 21u, 22u, 40u, 41u, 42u})
        EXPECT_EQ(1u, words.count(word)) << "comparison word " << word << " never met";
}
}  // namespace
