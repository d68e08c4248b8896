// Collision trees against the terrain grid: the quick test, the descent by MaxDescend and the
// smallest radius, the accepted contacts and the caller's bounded triangle buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "cos_obbs_tree.h"
#include "mat_geometry.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"

namespace
{
struct SphereNode
{
    MAT_Vector3 centre;
    f32 radius;
    s32 firstChild = -1;
    s32 secondChild = -1;
};

// A tree of bare spheres, node 0 the root.
void BuildTree(COS_OBBS_Tree& _tree, s32 _maxDescend, const std::vector<SphereNode>& _nodes)
{
    _tree.nodes = new COS_OBBS_TreeNode[_nodes.size()];
    _tree.nodeCount = (s32)_nodes.size();
    _tree.maxDescend = _maxDescend;
    for (size_t i = 0; i < _nodes.size(); ++i) {
        COS_OBBS_TreeNode& node = _tree.nodes[i];
        node.SetSphere(_nodes[i].radius);
        node.sphere.m_centre = _nodes[i].centre;
        if (_nodes[i].firstChild >= 0) {
            node.firstChild = &_tree.nodes[_nodes[i].firstChild];
            node.secondChild = &_tree.nodes[_nodes[i].secondChild];
        }
    }
    _tree.ComputeBoundingBox();
}

MAT_Matrix34 At(const MAT_Vector3& _position)
{
    MAT_Matrix34 frame;
    frame.SetFromVectors(_position, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    return frame;
}

// One collision of a tree with the handler's buffer of 1024 records, from the box that holds
// only the origin.
struct Outcome
{
    s32 result = 0;
    MAT_AABox box;
    COS_CollisionTreeCounters counters;
};

Outcome Collide(const COS_OBBS_Tree& _tree, const MRT_TerrainCell* _cell, const MAT_Matrix34& _frame,
                f32 _minRadius = 0.0f, s32 _capacity = 1024)
{
    std::vector<MAT_Triangle> buffer((size_t)_capacity);  // exactly the room given
    Outcome run;
    run.result = _tree.CollideTerrain(_cell, _frame, &_capacity, buffer.data(), &_minRadius, run.box, run.counters);
    return run;
}

u16 Bumpy(s32 _x, s32 _y) { return (u16)((_x * 37 + _y * 11 + (_x * _y) % 7) % 23); }

TEST(CosObbsTerrainTest, AnEmptyTerrainCellHasNoGround)
{
    COS_OBBS_Tree tree;
    BuildTree(tree, 0, {{{}, 5.0f}});
    const MAT_Matrix34 frame = At({});
    const MRT_TerrainCell empty;
    for (const MRT_TerrainCell* cell : {(const MRT_TerrainCell*)nullptr, &empty}) {
        Outcome run = Collide(tree, cell, frame);
        EXPECT_EQ(0, run.result);
        EXPECT_EQ(MAT_Vector3(), run.box.m_min);
        EXPECT_EQ(MAT_Vector3(), run.box.m_max);
        EXPECT_EQ(0u, run.counters.terrainTriangles);
    }
}

TEST(CosObbsTerrainTest, ABodyAboveTheGroundStopsAtTheRoot)
{
    // Ground at 10; the children would reach it, the root's sphere does not (its lowest point
    // at 10 touches the samples without lying below them).
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 1, 17, {}, {1.0f, 1.0f, 1.0f}, [](s32, s32) { return (u16)10; });
    const MRT_TerrainCell cell{&terrain};
    COS_OBBS_Tree tree;
    BuildTree(tree, 5, {{{}, 3.0f, 1, 2}, {{0.0f, 0.0f, -2.5f}, 1.0f}, {{0.0f, 0.0f, -2.5f}, 1.0f}});
    for (f32 z : {13.0f, 20.0f}) {
        const Outcome run = Collide(tree, &cell, At({8.0f, 8.0f, z}));
        EXPECT_EQ(0, run.result) << z;
        EXPECT_EQ(0u, run.counters.terrainTriangles) << z;
    }
    EXPECT_EQ(1, Collide(tree, &cell, At({8.0f, 8.0f, 12.9f})).result);
}

TEST(CosObbsTerrainTest, AThreeByThreeFootprintTriesEighteenTriangles)
{
    // A sphere of 0.4 around a sample reaches one sample column and row either way, also
    // where a tile border runs through it (x = 8).
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 2, 9, {}, {1.0f, 1.0f, 1.0f}, [](s32, s32) { return (u16)0; });
    const MRT_TerrainCell cell{&terrain};
    COS_OBBS_Tree tree;
    BuildTree(tree, 0, {{{}, 0.4f}});
    for (f32 x : {5.0f, 8.0f}) {
        const Outcome run = Collide(tree, &cell, At({x, 6.0f, 0.3f}));
        EXPECT_EQ(18u, run.counters.terrainTriangles) << x;
        EXPECT_EQ(1, run.result) << x;
        EXPECT_NEAR(0.1f, run.box.m_max.z, 1e-5f) << x;
    }
}

TEST(CosObbsTerrainTest, TheBoxGrowsByEveryPushVector)
{
    // A valley along y at x = 16 whose sides slope 3 in 4: the sphere resting in it is pushed
    // 0.5 out of each side, by (0.3, 0, 0.4) and (-0.3, 0, 0.4).
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 1, 9, {}, {4.0f, 4.0f, 1.0f}, [](s32 _x, s32) { return (u16)(3 * std::abs(_x - 4)); });
    const MRT_TerrainCell cell{&terrain};
    COS_OBBS_Tree tree;
    BuildTree(tree, 0, {{{}, 2.5f}});
    const Outcome run = Collide(tree, &cell, At({16.0f, 16.0f, 2.5f}));
    EXPECT_EQ(1, run.result);
    EXPECT_NEAR(-0.3f, run.box.m_min.x, 1e-5f);
    EXPECT_NEAR(0.0f, run.box.m_min.y, 1e-5f);
    EXPECT_NEAR(0.0f, run.box.m_min.z, 1e-5f);
    EXPECT_NEAR(0.3f, run.box.m_max.x, 1e-5f);
    EXPECT_NEAR(0.0f, run.box.m_max.y, 1e-5f);
    EXPECT_NEAR(0.4f, run.box.m_max.z, 1e-5f);
}

TEST(CosObbsTerrainTest, OnlyContactsFromAboveCount)
{
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 1, 9, {}, {1.0f, 1.0f, 1.0f}, [](s32, s32) { return (u16)10; });
    const MRT_TerrainCell cell{&terrain};
    COS_OBBS_Tree tree;
    BuildTree(tree, 0, {{{}, 1.0f}});

    const Outcome above = Collide(tree, &cell, At({4.0f, 4.0f, 10.5f}));
    EXPECT_EQ(1, above.result);
    EXPECT_NEAR(0.5f, above.box.m_max.z, 1e-5f);

    // Centre under the ground: the push would be downwards.
    const Outcome below = Collide(tree, &cell, At({4.0f, 4.0f, 9.5f}));
    EXPECT_EQ(0, below.result);
    EXPECT_GT(below.counters.terrainTriangles, 0u);
    EXPECT_EQ(MAT_Vector3(), below.box.m_min);
    EXPECT_EQ(MAT_Vector3(), below.box.m_max);
}

TEST(CosObbsTerrainTest, DescentFollowsMaxDescendAndTheSmallestRadius)
{
    // Flat ground at 0. Each sphere sinks into it by its own depth, so the box's top tells the
    // deepest sphere tested: root 1.0; children A 0.5 (radius 2.5) and B 0.3 (radius 2.8);
    // A's children 0.1 (radius 1.1) and 0.05 (radius 1.05).
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 1, 33, {}, {1.0f, 1.0f, 1.0f}, [](s32, s32) { return (u16)0; });
    const MRT_TerrainCell cell{&terrain};
    const std::vector<SphereNode> nodes = {
        {{0.0f, 0.0f, 3.0f}, 4.0f, 1, 2}, {{-2.0f, 0.0f, 2.0f}, 2.5f, 3, 4}, {{2.0f, 0.0f, 2.5f}, 2.8f},
        {{-3.0f, 0.0f, 1.0f}, 1.1f},      {{-1.0f, 0.0f, 1.0f}, 1.05f},
    };
    const struct
    {
        s32 maxDescend;
        f32 minRadius;
        f32 deepest;
    } cases[] = {
        {-1, 0.0f, 1.0f},  // the root's own sphere
        {0, 0.0f, 0.5f},   // the root's children, not further
        {1, 0.0f, 0.3f},   // A's children and the leaf B
        {7, 0.0f, 0.3f},   //
        {1, 1.08f, 0.5f},  // A's second child is too small: A stands in for both
        {1, 2.6f, 1.0f},   // A is too small: the root stands in for everything
        {0, 2.5f, 0.5f},   // a child exactly at the smallest radius is descended into
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "MaxDescend " << c.maxDescend << ", min radius " << c.minRadius);
        COS_OBBS_Tree tree;
        BuildTree(tree, c.maxDescend, nodes);
        const Outcome run = Collide(tree, &cell, At({16.0f, 16.0f, 0.0f}), c.minRadius);
        EXPECT_EQ(1, run.result);
        EXPECT_NEAR(c.deepest, run.box.m_max.z, 1e-5f);
        EXPECT_EQ(0.0f, run.box.m_min.z);
    }
}

TEST(CosObbsTerrainTest, FrameAndOffsetPlaceTheSpheres)
{
    // 4 x 4 tiles of 9 samples, ground at world height 0 (4 units of 0.5 above Offset.z = -2),
    // but no ground in tile (3, 2). The sphere sits 8 along the body's first axis: turned a
    // quarter it lands in the middle of tile (2, 3), unturned in the middle of the hole.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 4, 9, {-3.0f, -4.0f, -2.0f}, {1.0f, 1.0f, 0.5f}, [](s32, s32) { return (u16)4; });
    terrain.grid[2][3] = nullptr;
    const MRT_TerrainCell cell{&terrain};
    COS_OBBS_Tree tree;
    BuildTree(tree, 0, {{{8.0f, 0.0f, 0.0f}, 1.0f}});

    MAT_Matrix34 turned;
    turned.SetFromVectors({17.0f, 16.0f, 0.75f}, {0.0f, 1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    const Outcome hit = Collide(tree, &cell, turned);
    EXPECT_EQ(1, hit.result);
    EXPECT_NEAR(0.25f, hit.box.m_max.z, 1e-5f);

    const Outcome hole = Collide(tree, &cell, At({17.0f, 16.0f, 0.75f}));
    EXPECT_EQ(0, hole.result);
    EXPECT_EQ(0u, hole.counters.terrainTriangles);
}

TEST(CosObbsTerrainTest, FootprintsOffTheGridFindOnlyTheGroundInside)
{
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 2, 9, {}, {1.0f, 1.0f, 1.0f}, [](s32, s32) { return (u16)0; });
    const MRT_TerrainCell cell{&terrain};
    COS_OBBS_Tree tree;
    BuildTree(tree, 0, {{{}, 1.4f}});

    for (const MAT_Vector3& away : {MAT_Vector3{-5.0f, 8.0f, 0.5f}, MAT_Vector3{30.0f, 8.0f, 0.5f},
                                    MAT_Vector3{8.0f, -20.0f, 0.5f}, MAT_Vector3{8.0f, 19.5f, 0.5f}}) {
        const Outcome run = Collide(tree, &cell, At(away));
        EXPECT_EQ(0, run.result) << away.x << ", " << away.y;
        EXPECT_EQ(0u, run.counters.terrainTriangles) << away.x << ", " << away.y;
    }

    // Over the grid's low corner the footprint reaches columns and rows -2..2: only cells
    // 0..2 both ways are tried.
    const Outcome corner = Collide(tree, &cell, At({0.0f, 0.0f, 0.5f}));
    EXPECT_EQ(1, corner.result);
    EXPECT_EQ(18u, corner.counters.terrainTriangles);
}

TEST(CosObbsTerrainTest, LargeFootprintsAreTestedInBatchesOfTheBuffer)
{
    // A sphere of radius 20 over bumpy ground spans 42 x 42 cells, more than 512: the handler's
    // buffer of 1024 records is filled batch by batch with the same outcome as a buffer that
    // holds them all.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 3, 17, {-10.0f, 5.0f, 1.0f}, {1.0f, 1.0f, 0.25f}, Bumpy);
    const MRT_TerrainCell cell{&terrain};
    COS_OBBS_Tree tree;
    BuildTree(tree, 0, {{{}, 20.0f}});
    const MAT_Matrix34 frame = At({14.3f, 29.6f, 24.5f});

    const Outcome whole = Collide(tree, &cell, frame, 0.0f, 8192);
    ASSERT_EQ(1, whole.result);
    EXPECT_EQ(2u * 42u * 42u, whole.counters.terrainTriangles);
    for (s32 capacity : {1024, 1023, 6}) {
        SCOPED_TRACE(capacity);
        const Outcome batched = Collide(tree, &cell, frame, 0.0f, capacity);
        EXPECT_EQ(whole.result, batched.result);
        EXPECT_EQ(whole.counters.terrainTriangles, batched.counters.terrainTriangles);
        EXPECT_EQ(whole.box.m_min, batched.box.m_min);
        EXPECT_EQ(whole.box.m_max, batched.box.m_max);
    }

    // A buffer too small for one cell's two triangles tests nothing.
    const Outcome starved = Collide(tree, &cell, frame, 0.0f, 1);
    EXPECT_EQ(0, starved.result);
    EXPECT_EQ(0u, starved.counters.terrainTriangles);
}
}  // namespace
