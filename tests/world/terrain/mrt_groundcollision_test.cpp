// The ground under collision spheres: the quick sample test and the ground triangles of sample
// rectangles, across tile borders, off the grid and in bounded batches.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <utility>
#include <vector>

#include "mat_geometry.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"

namespace
{
// The global height cell a ground triangle belongs to: the low corner of its bounding square.
std::pair<s32, s32> CellOf(const MAT_Triangle& _t, const MRT_Terrain& _terrain)
{
    const f32 x = std::min({_t.m_a.x, _t.m_b.x, _t.m_c.x});
    const f32 y = std::min({_t.m_a.y, _t.m_b.y, _t.m_c.y});
    return {(s32)std::lround(x / _terrain.Scale.x), (s32)std::lround(y / _terrain.Scale.y)};
}

// How many triangles each cell got.
std::map<std::pair<s32, s32>, s32> CellCounts(const std::vector<MAT_Triangle>& _triangles, const MRT_Terrain& _terrain)
{
    std::map<std::pair<s32, s32>, s32> counts;
    for (const MAT_Triangle& t : _triangles)
        ++counts[CellOf(t, _terrain)];
    return counts;
}

// Every cell of the global rectangle, twice.
std::map<std::pair<s32, s32>, s32> AllCells(s32 _x0, s32 _y0, s32 _x1, s32 _y1)
{
    std::map<std::pair<s32, s32>, s32> counts;
    for (s32 x = _x0; x <= _x1; ++x)
        for (s32 y = _y0; y <= _y1; ++y)
            counts[{x, y}] = 2;
    return counts;
}

std::vector<MAT_Triangle> Collect(const MRT_Terrain& _terrain, s32 _x0, s32 _y0, s32 _x1, s32 _y1, size_t _room)
{
    std::vector<MAT_Triangle> buffer(_room);
    buffer.resize((size_t)_terrain.CollectTriangles(_x0, _y0, _x1, _y1, buffer.data()));
    return buffer;
}

void ExpectSameTriangle(const MAT_Triangle& _expected, const MAT_Triangle& _actual, size_t _index)
{
    EXPECT_EQ(_expected.m_a, _actual.m_a) << _index;
    EXPECT_EQ(_expected.m_b, _actual.m_b) << _index;
    EXPECT_EQ(_expected.m_c, _actual.m_c) << _index;
    EXPECT_EQ(_expected.m_normal, _actual.m_normal) << _index;
    EXPECT_EQ(_expected.m_d, _actual.m_d) << _index;
}

// Repeats every 4 samples both ways, so a 5-sample tile continues seamlessly into itself and a
// 9-sample tile holds the same ground as 2 x 2 of them.
u16 Periodic(s32 _x, s32 _y) { return (u16)(((_x % 4) * 7 + (_y % 4) * 3) % 11); }

u16 Bumpy(s32 _x, s32 _y) { return (u16)((_x * 37 + _y * 11 + (_x * _y) % 7) % 23); }

TEST(MrtGroundCollisionTest, ThreeByThreeRectangleCollectsEighteenUpwardTriangles)
{
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 1, 9, {40.0f, 50.0f, 60.0f}, {2.0f, 3.0f, 0.25f}, Bumpy);
    const std::vector<MAT_Triangle> triangles = Collect(terrain, 2, 3, 4, 5, 64);
    ASSERT_EQ(18u, triangles.size());
    EXPECT_EQ(AllCells(2, 3, 4, 5), CellCounts(triangles, terrain));
    for (const MAT_Triangle& t : triangles)
        EXPECT_GT(t.m_normal.z, 0.0f);
}

TEST(MrtGroundCollisionTest, CellsSplitByParityInTerrainCoordinates)
{
    // Cells (4, 0) and (5, 0) are cells (0, 0) and (1, 0) of the second tile in x, whose
    // corner lies one extent (4 * 2) from the terrain's; Offset plays no part.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 2, 5, {100.0f, -50.0f, 7.0f}, {2.0f, 3.0f, 0.5f},
                     [](s32 _x, s32 _y) { return (u16)(_x + 10 * _y + 1); });
    const std::vector<MAT_Triangle> triangles = Collect(terrain, 4, 0, 5, 0, 8);
    ASSERT_EQ(4u, triangles.size());

    auto corner = [](f32 _x, f32 _y, s32 _sample) { return MAT_Vector3{_x, _y, (f32)_sample * 0.5f}; };
    const MAT_Vector3 a00 = corner(8.0f, 0.0f, 1), a10 = corner(10.0f, 0.0f, 2);
    const MAT_Vector3 a01 = corner(8.0f, 3.0f, 11), a11 = corner(10.0f, 3.0f, 12);
    const MAT_Vector3 b10 = corner(12.0f, 0.0f, 3), b11 = corner(12.0f, 3.0f, 13);
    MAT_Triangle expected[4];
    expected[0].Set(a00, a11, a10);  // even cell: along P00-P11
    expected[1].Set(a00, a01, a11);
    expected[2].Set(a10, a11, b10);  // odd cell: along P10-P01
    expected[3].Set(b10, a11, b11);
    for (size_t i = 0; i < 4; ++i) {
        ExpectSameTriangle(expected[i], triangles[i], i);
        EXPECT_GT(triangles[i].m_normal.z, 0.0f) << i;
    }
}

TEST(MrtGroundCollisionTest, TileBordersAreInvisible)
{
    // The same ground as 2 x 2 tiles of 5 samples and as one tile of 9.
    MRT_Terrain split;
    MRT_Terrain whole;
    TST_BuildTerrain(split, 2, 5, {}, {1.5f, 2.5f, 0.5f}, Periodic);
    TST_BuildTerrain(whole, 1, 9, {}, {1.5f, 2.5f, 0.5f}, Periodic);

    // Across the border in x the parts come in column order: the very same records.
    const std::vector<MAT_Triangle> across = Collect(split, 2, 1, 5, 3, 64);
    const std::vector<MAT_Triangle> reference = Collect(whole, 2, 1, 5, 3, 64);
    ASSERT_EQ(24u, reference.size());
    ASSERT_EQ(reference.size(), across.size());
    for (size_t i = 0; i < reference.size(); ++i)
        ExpectSameTriangle(reference[i], across[i], i);

    // Around the corner of four tiles: the same cells.
    EXPECT_EQ(AllCells(1, 2, 6, 5), CellCounts(Collect(split, 1, 2, 6, 5, 128), split));

    // The quick test sees the same samples whatever the rectangle.
    for (s32 x0 = 0; x0 < 8; ++x0)
        for (s32 x1 = x0; x1 < 8; ++x1)
            for (s32 y0 = 0; y0 < 8; ++y0)
                for (s32 y1 = y0; y1 < 8; ++y1)
                    for (f32 z : {2.0f, 3.5f, 4.0f, 5.0f})
                        ASSERT_EQ(whole.IsRegionClear(x0, x1, y0, y1, z), split.IsRegionClear(x0, x1, y0, y1, z))
                            << x0 << ".." << x1 << ", " << y0 << ".." << y1 << " z " << z;
}

TEST(MrtGroundCollisionTest, OnlyTheGroundInsideTheGridCounts)
{
    // 2 x 2 tiles of 5 samples: cells 0..7 both ways. Far below every sample, so any sample
    // looked at makes the rectangle not clear.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 2, 5, {}, {1.0f, 1.0f, 1.0f}, Bumpy);
    const f32 low = -1000.0f;
    const struct
    {
        s32 x0, y0, x1, y1;
        size_t triangles;
        s32 clear;
    } cases[] = {
        {-3, 0, -1, 2, 0, 1},   // left, inside tile 0 by the division toward zero
        {-10, 0, -5, 2, 0, 1},  // left, in tiles -2 and -1
        {9, 0, 12, 2, 0, 1},    // right
        {0, -6, 2, -1, 0, 1},   // below
        {0, 9, 2, 11, 0, 1},    // above
        {-3, -3, 1, 1, 8, 0},   // over the low corner: cells 0..1 both ways
        {6, 7, 11, 12, 4, 0},   // over the high corner: cells 6..7 of row 7
        {-9, 2, 20, 2, 16, 0},  // right across, reaching past both sides
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 128, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << ".." << c.x1 << ", " << c.y0 << ".." << c.y1);
        const std::vector<MAT_Triangle> triangles = Collect(terrain, c.x0, c.y0, c.x1, c.y1, 256);
        EXPECT_EQ(c.triangles, triangles.size());
        for (const MAT_Triangle& t : triangles) {
            const std::pair<s32, s32> cell = CellOf(t, terrain);
            EXPECT_TRUE(cell.first >= 0 && cell.first < 8 && cell.second >= 0 && cell.second < 8);
        }
        EXPECT_EQ(c.clear, terrain.IsRegionClear(c.x0, c.x1, c.y0, c.y1, low));
    }
}

TEST(MrtGroundCollisionTest, NullGridEntriesAreSkipped)
{
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 2, 5, {}, {1.0f, 1.0f, 1.0f}, Bumpy);
    terrain.grid[0][1] = nullptr;
    // Cells 2..5 of row 1: the two of tile (0, 0) only.
    EXPECT_EQ(AllCells(2, 1, 3, 1), CellCounts(Collect(terrain, 2, 1, 5, 1, 16), terrain));
    EXPECT_EQ(1, terrain.IsRegionClear(5, 7, 0, 3, -1000.0f));
    EXPECT_EQ(0, terrain.IsRegionClear(4, 7, 0, 4, -1000.0f));  // row 4 is row 0 of tile (1, 1)
}

TEST(MrtGroundCollisionTest, ClearMeansNoSampleAboveTheHeight)
{
    // 17 x 17 samples of 10 with one of 50 at (6, 9); one height unit 0.5.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 1, 17, {}, {1.0f, 1.0f, 0.5f},
                     [](s32 _x, s32 _y) { return (u16)(_x == 6 && _y == 9 ? 50 : 10); });
    const struct
    {
        s32 x0, x1, y0, y1;
        f32 z;
        s32 clear;
    } cases[] = {
        {0, 16, 0, 16, 25.0f, 1},     // 50 units lie at the height, not above it
        {0, 16, 0, 16, 24.9f, 0},     // rounded down to 49
        {6, 6, 9, 9, 24.9f, 0},       //
        {4, 5, 8, 11, 6.0f, 1},       // the peak's block, but beside the peak
        {7, 7, 8, 11, 6.0f, 1},       //
        {4, 7, 10, 11, 6.0f, 1},      //
        {0, 16, 0, 16, 5.0f, 0},      // the peak
        {0, 5, 0, 16, 5.0f, 1},       // the ground at the height
        {0, 5, 0, 16, 4.9f, 0},       // the ground above it
        {-5, 3, 14, 40, 5.0f, 1},     // reaching past the tile
        {-5, 3, 14, 40, 4.9f, 0},     //
        {17, 30, 0, 16, -100.0f, 1},  // wholly past the tile
        {5, 4, 0, 16, -100.0f, 1},    // empty
    };
    MRT_TileData& tile = terrain.tileTypes[0];
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << ".." << c.x1 << ", " << c.y0 << ".." << c.y1 << " z " << c.z);
        EXPECT_EQ(c.clear, terrain.IsRegionClear(c.x0, c.x1, c.y0, c.y1, c.z));
        EXPECT_EQ(c.clear, terrain.IsTileRegionClear(c.x0, c.x1, c.y0, c.y1, c.z, tile));
    }
    // Without block maxima every sample is read: the same answers.
    delete tile.blockMaxima;
    tile.blockMaxima = nullptr;
    for (const auto& c : cases)
        EXPECT_EQ(c.clear, terrain.IsTileRegionClear(c.x0, c.x1, c.y0, c.y1, c.z, tile))
            << c.x0 << ".." << c.x1 << ", " << c.y0 << ".." << c.y1 << " z " << c.z;
}

TEST(MrtGroundCollisionTest, EveryTileBetweenFirstAndLastCounts)
{
    // 4 x 4 tiles of 5 samples; the tile type's only peak is at local (2, 1), which the
    // rectangles below reach only in the tiles between their first and last.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 4, 5, {}, {1.0f, 1.0f, 1.0f},
                     [](s32 _x, s32 _y) { return (u16)(_x == 2 && _y == 1 ? 9 : 0); });
    EXPECT_EQ(0, terrain.IsRegionClear(3, 13, 1, 1, 4.0f));
    EXPECT_EQ(0, terrain.IsRegionClear(2, 2, 2, 12, 4.0f));
    EXPECT_EQ(1, terrain.IsRegionClear(3, 5, 1, 1, 4.0f));  // two tiles, both beside the peak

    EXPECT_EQ(AllCells(1, 1, 13, 2), CellCounts(Collect(terrain, 1, 1, 13, 2, 128), terrain));
    EXPECT_EQ(AllCells(1, 1, 2, 13), CellCounts(Collect(terrain, 1, 1, 2, 13, 128), terrain));
    EXPECT_EQ(AllCells(1, 2, 13, 9), CellCounts(Collect(terrain, 1, 2, 13, 9, 512), terrain));
    // Reaching past the grid on both sides: all 16 x 16 cells.
    EXPECT_EQ(AllCells(0, 0, 15, 15), CellCounts(Collect(terrain, -7, -9, 40, 30, 1024), terrain));
}

TEST(MrtGroundCollisionTest, BatchesJoinToTheUnboundedCollection)
{
    // 3 x 3 tiles of 17 samples; the rectangle reaches past the grid and holds 48 x 46 cells.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 3, 17, {5.0f, 6.0f, 7.0f}, {1.5f, 2.0f, 0.25f}, Bumpy);
    const s32 x0 = -5, y0 = 2, x1 = 60, y1 = 47;
    const std::vector<MAT_Triangle> reference = Collect(terrain, x0, y0, x1, y1, 8192);
    ASSERT_EQ((size_t)(2 * 48 * 46), reference.size());

    for (s32 capacity : {1024, 1023, 7, 2}) {
        SCOPED_TRACE(capacity);
        std::vector<MAT_Triangle> joined;
        s64 cell = 0;
        s32 batches = 0;
        while (cell >= 0) {
            std::vector<MAT_Triangle> buffer((size_t)capacity);  // exactly the room given
            const s32 count = terrain.CollectTriangles(x0, y0, x1, y1, buffer.data(), capacity, cell);
            ASSERT_GT(count, 0);
            ASSERT_LE(count, capacity);
            joined.insert(joined.end(), buffer.begin(), buffer.begin() + count);
            ASSERT_LT(++batches, 5000);
        }
        ASSERT_EQ(reference.size(), joined.size());
        for (size_t i = 0; i < reference.size(); ++i)
            ExpectSameTriangle(reference[i], joined[i], i);
    }

    // Room for less than a cell: nothing, and the cursor stays.
    MAT_Triangle one;
    s64 cell = 0;
    EXPECT_EQ(0, terrain.CollectTriangles(x0, y0, x1, y1, &one, 1, cell));
    EXPECT_EQ(0, cell);
    // A rectangle without ground is done at once.
    EXPECT_EQ(0, terrain.CollectTriangles(-20, -20, -10, -10, &one, 1, cell));
    EXPECT_EQ(-1, cell);
}

TEST(MrtGroundCollisionTest, HasSampleCoversTheHeightField)
{
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 1, 5, {}, {1.0f, 1.0f, 1.0f}, Bumpy);
    const MRT_TileData& tile = terrain.tileTypes[0];
    EXPECT_EQ(1, tile.HasSample(0, 0));
    EXPECT_EQ(1, tile.HasSample(4, 4));
    EXPECT_EQ(0, tile.HasSample(5, 0));
    EXPECT_EQ(0, tile.HasSample(0, 5));
    EXPECT_EQ(0, tile.HasSample(-1, 2));
    EXPECT_EQ(0, tile.HasSample(2, -1));
    EXPECT_EQ(0, MRT_TileData().HasSample(0, 0));
}
}  // namespace
