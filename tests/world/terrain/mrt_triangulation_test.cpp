#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "test_dir.h"
#include "tools_terrain.h"

namespace
{

// A random tile type whose opposite edges match, shown in every cell; samples span 10000 to
// 18000 height units of 1/256. A rough east side fades the relief in from flat at the west
// edge to full just before the east edge (both edges flat, so they still match): across each
// vertical border a deeply refined side then meets a coarse one.
void BuildRandomTerrain(MRT_Terrain& _terrain, s32 _lines, s32 _size, u32 _seed, s32 _mode = 0,
                        const MAT_Vector3& _offset = {0.0f, 0.0f, 0.0f}, bool _roughEast = false)
{
    const std::vector<u16> samples = TOOL_RandomHeightField(_size, _seed, 10000, 18000);
    auto sample = [&](s32 _x, s32 _y) -> u16 {
        const s32 value = samples[(size_t)(_y * _size + _x)];
        if (!_roughEast)
            return (u16)value;
        const s32 ramp = _x == _size - 1 ? 0 : _x;
        return (u16)(14000 + (value - 14000) * ramp / (_size - 1));
    };
    TST_BuildTerrain(_terrain, _lines, _size, _offset, {2.0f, 2.0f, 1.0f / 256.0f}, sample, 1, _mode, 7.0f);
}

struct Emitted
{
    s32 column = 0;
    s32 row = 0;
    std::vector<MRT_TerrainVertex> vertices;
    std::vector<MRT_TerrainTriangle> triangles;
};

MRT_Frustum ViewAt(const MAT_Vector3& _position)
{
    MRT_Frustum view;
    view.position = _position;
    view.planeFlags = 0;
    return view;
}

// One frame as the renderer drives it, each tile into arrays of its own.
std::vector<Emitted> RunFrame(MRT_Terrain& _terrain, s32 _vertexRoom = 200000, s32 _triangleRoom = 400000)
{
    std::vector<Emitted> tiles;
    _terrain.BeginTriangulation();
    while (MRT_TileView* tile = _terrain.UpdateTriangulation()) {
        Emitted emitted;
        emitted.column = (s32)std::lrint((tile->origin.x - _terrain.Offset.x) / _terrain.extentX);
        emitted.row = (s32)std::lrint((tile->origin.y - _terrain.Offset.y) / _terrain.extentY);
        emitted.vertices.resize((size_t)_vertexRoom);
        emitted.triangles.resize((size_t)_triangleRoom);
        s32 n = -1;
        s32 m = -1;
        tile->BuildTileGeometry(emitted.vertices.data(), _vertexRoom, emitted.triangles.data(), _triangleRoom, &n, &m);
        emitted.vertices.resize((size_t)n);
        emitted.triangles.resize((size_t)m);
        tiles.push_back(std::move(emitted));
    }
    return tiles;
}

// Twice the signed area in sample units; negative: clockwise seen from above.
s64 DoubleArea(const MRT_TerrainVertex& _a, const MRT_TerrainVertex& _b, const MRT_TerrainVertex& _c)
{
    return ((s64)_b.x - (s64)_a.x) * ((s64)_c.y - (s64)_a.y) - ((s64)_b.y - (s64)_a.y) * ((s64)_c.x - (s64)_a.x);
}

// Every triangle is clockwise, and four probe points per sample cell (one inside each quarter
// cut by the cell's diagonals, never on an edge of the axis- and diagonal-aligned triangles)
// each lie in exactly one triangle: the tile's square is covered once, without gaps or
// overlap.
void ExpectCoversSquareOnce(const Emitted& _tile, s32 _size)
{
    const s32 cells = _size - 1;
    std::vector<u8> hits((size_t)(cells * cells * 4), 0);
    // Probes in quarter-sample units: (4i + 1, 4j + 2), (4i + 3, 4j + 2), (4i + 2, 4j + 1), (4i + 2, 4j + 3).
    const s32 probe[4][2] = {{1, 2}, {3, 2}, {2, 1}, {2, 3}};
    for (const MRT_TerrainTriangle& triangle : _tile.triangles) {
        const MRT_TerrainVertex* v[3];
        for (s32 k = 0; k < 3; ++k) {
            ASSERT_LT(triangle.vertex[k], _tile.vertices.size());
            v[k] = &_tile.vertices[triangle.vertex[k]];
        }
        ASSERT_LT(DoubleArea(*v[0], *v[1], *v[2]), 0) << "tile " << _tile.column << "," << _tile.row;
        const s32 x0 = (s32)std::min({v[0]->x, v[1]->x, v[2]->x});
        const s32 x1 = (s32)std::max({v[0]->x, v[1]->x, v[2]->x});
        const s32 y0 = (s32)std::min({v[0]->y, v[1]->y, v[2]->y});
        const s32 y1 = (s32)std::max({v[0]->y, v[1]->y, v[2]->y});
        ASSERT_LE(x1, cells);
        ASSERT_LE(y1, cells);
        for (s32 j = y0; j < y1; ++j)
            for (s32 i = x0; i < x1; ++i)
                for (s32 p = 0; p < 4; ++p) {
                    const s64 px = 4 * i + probe[p][0];
                    const s64 py = 4 * j + probe[p][1];
                    bool inside = true;
                    for (s32 k = 0; k < 3 && inside; ++k) {
                        const MRT_TerrainVertex& a = *v[k];
                        const MRT_TerrainVertex& b = *v[(k + 1) % 3];
                        const s64 side = (4 * ((s64)b.x - (s64)a.x)) * (py - 4 * (s64)a.y) -
                                         (4 * ((s64)b.y - (s64)a.y)) * (px - 4 * (s64)a.x);
                        inside = side < 0;
                    }
                    if (inside)
                        ++hits[(size_t)((j * cells + i) * 4 + p)];
                }
    }
    s32 wrong = 0;
    for (u8 count : hits)
        wrong += count != 1;
    EXPECT_EQ(0, wrong) << "probes not covered exactly once in tile " << _tile.column << "," << _tile.row;
}

// The vertices a tile's triangles use on one of its borders, by their position along it.
std::map<s32, f32> BorderVertices(const Emitted& _tile, bool _alongY, s32 _at)
{
    std::map<s32, f32> border;
    for (const MRT_TerrainTriangle& triangle : _tile.triangles)
        for (s32 k = 0; k < 3; ++k) {
            const MRT_TerrainVertex& v = _tile.vertices[triangle.vertex[k]];
            const s32 fixed = (s32)(_alongY ? v.x : v.y);
            if (fixed == _at)
                border[(s32)(_alongY ? v.y : v.x)] = v.z;
        }
    return border;
}

// The height of a border polyline at a position along it.
f32 Along(const std::map<s32, f32>& _border, s32 _t)
{
    auto upper = _border.lower_bound(_t);
    if (upper == _border.end())
        return NAN;
    if (upper->first == _t)
        return upper->second;
    if (upper == _border.begin())
        return NAN;
    auto lower = std::prev(upper);
    const f32 f = (f32)(_t - lower->first) / (f32)(upper->first - lower->first);
    return lower->second + (upper->second - lower->second) * f;
}

// A border vertex both tiles use has the same height in both; one only a single side uses lies
// on the other side's border line (an unsplit edge), so the surface has no crack.
void ExpectClosedBorder(const std::map<s32, f32>& _a, const std::map<s32, f32>& _b, const char* _what)
{
    ASSERT_FALSE(_a.empty()) << _what;
    ASSERT_FALSE(_b.empty()) << _what;
    for (const auto& [t, z] : _a) {
        const auto other = _b.find(t);
        if (other != _b.end())
            EXPECT_EQ(z, other->second) << _what << " at " << t;
        else
            EXPECT_NEAR(z, Along(_b, t), 1e-5f * std::max(1.0f, std::fabs(z))) << _what << " at " << t;
    }
}

struct Case
{
    u32 seed;
    s32 size;
    s32 lines;
    s32 mode;
    f32 detail;
    f32 viewX, viewY, viewZ;  // fractions of the grid, height in world units
    bool roughEast = false;
};

TEST(MrtTriangulationTest, RandomViewsCoverEveryTileOnceWithClosedBorders)
{
    const Case cases[] = {
        {1u, 33, 3, 0, 1.0f, 0.5f, 0.5f, 30.0f},       {2u, 33, 3, 1, 2.0f, 0.1f, 0.8f, 90.0f},
        {3u, 65, 3, 2, 80.0f, 0.3f, 0.4f, 100.0f},     {4u, 65, 4, 3, 1000.0f, 0.9f, 0.2f, 100.0f},
        {5u, 17, 4, 2, 150.0f, -0.5f, 0.5f, 100.0f},   {6u, 65, 2, 0, 1.0f, 0.25f, 0.75f, 85.0f},
        {7u, 33, 3, 0, 1.0f, 0.5f, 0.5f, 60.0f, true}, {8u, 65, 3, 2, 80.0f, 0.4f, 0.6f, 100.0f, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.seed);
        MRT_Terrain terrain;
        BuildRandomTerrain(terrain, test.lines, test.size, test.seed, test.mode, {-40.0f, 25.0f, -3.0f},
                           test.roughEast);
        TST_PrepareTriangulation(terrain, 4, test.detail);
        const f32 width = (f32)test.lines * terrain.extentX;
        terrain.SetView(ViewAt({-40.0f + test.viewX * width, 25.0f + test.viewY * width, test.viewZ}));

        const std::vector<Emitted> tiles = RunFrame(terrain);
        ASSERT_EQ((size_t)(test.lines * test.lines), tiles.size());
        // The viewer's own cell comes first when it lies on the grid.
        if (test.viewX >= 0.0f) {
            EXPECT_EQ((s32)(test.viewX * (f32)test.lines), tiles[0].column);
            EXPECT_EQ((s32)(test.viewY * (f32)test.lines), tiles[0].row);
        }

        std::map<std::pair<s32, s32>, const Emitted*> byCell;
        size_t refinedTiles = 0;
        for (const Emitted& tile : tiles) {
            EXPECT_TRUE(byCell.emplace(std::make_pair(tile.column, tile.row), &tile).second) << "a cell came twice";
            ExpectCoversSquareOnce(tile, test.size);
            refinedTiles += tile.triangles.size() > 4;
        }
        EXPECT_GT(refinedTiles, 0u) << "the view refines nothing: the case tests too little";

        const s32 last = test.size - 1;
        for (const auto& [cell, tile] : byCell) {
            const auto east = byCell.find({cell.first + 1, cell.second});
            if (east != byCell.end())
                ExpectClosedBorder(BorderVertices(*tile, true, last), BorderVertices(*east->second, true, 0),
                                   "east border");
            const auto north = byCell.find({cell.first, cell.second + 1});
            if (north != byCell.end())
                ExpectClosedBorder(BorderVertices(*tile, false, last), BorderVertices(*north->second, false, 0),
                                   "north border");
        }
        // Both directions of each border: the other side's lone vertices lie on this line too.
        for (const auto& [cell, tile] : byCell) {
            const auto west = byCell.find({cell.first - 1, cell.second});
            if (west != byCell.end())
                ExpectClosedBorder(BorderVertices(*tile, true, 0), BorderVertices(*west->second, true, last),
                                   "west border");
            const auto south = byCell.find({cell.first, cell.second - 1});
            if (south != byCell.end())
                ExpectClosedBorder(BorderVertices(*tile, false, 0), BorderVertices(*south->second, false, last),
                                   "south border");
        }
    }
}

TEST(MrtTriangulationTest, TileWhollyOutsideOneActivePlaneIsNotDrawn)
{
    // Unit-normal planes one sample step (2 units) inside the middle column or row of a 3 x 3
    // grid of 64-unit cells; each leaves the outer column or row beyond it wholly outside.
    const struct
    {
        s32 plane;
        MRT_Plane equation;
        s32 column, row;  // the column or row left out (-1: none)
    } cases[] = {
        {1, {1.0f, 0.0f, 0.0f, -126.0f}, 2, -1},
        {2, {-1.0f, 0.0f, 0.0f, 66.0f}, 0, -1},
        {3, {0.0f, 1.0f, 0.0f, -126.0f}, -1, 2},
        {5, {0.0f, -1.0f, 0.0f, 66.0f}, -1, 0},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.plane);
        MRT_Terrain terrain;
        BuildRandomTerrain(terrain, 3, 33, 9u);
        TST_PrepareTriangulation(terrain, 4, 1.0f);
        MRT_Frustum view = ViewAt({96.0f, 96.0f, 80.0f});
        view.planes[test.plane] = test.equation;
        view.planeFlags = 1u << test.plane;
        terrain.SetView(view);

        const std::vector<Emitted> tiles = RunFrame(terrain);
        EXPECT_EQ(6u, tiles.size());
        for (const Emitted& tile : tiles) {
            EXPECT_NE(test.column, tile.column);
            EXPECT_NE(test.row, tile.row);
            EXPECT_GT(tile.triangles.size(), 0u);
        }
    }
}

TEST(MrtTriangulationTest, FarTileIsOneFanOfFourAroundTheMeanOfTwoDiagonalCorners)
{
    MRT_Terrain terrain;
    BuildRandomTerrain(terrain, 1, 17, 4u);
    TST_PrepareTriangulation(terrain, 4, 1.0f);
    terrain.SetView(ViewAt({16.0f, 16.0f, 100000.0f}));
    const std::vector<Emitted> tiles = RunFrame(terrain);
    ASSERT_EQ(1u, tiles.size());
    const Emitted& tile = tiles[0];
    const MRT_TileData& type = terrain.tileTypes[0];
    ASSERT_EQ(4u, tile.triangles.size());
    const MRT_TerrainVertex& centre = tile.vertices[tile.triangles[0].vertex[0]];
    EXPECT_EQ(8u, centre.x);
    EXPECT_EQ(8u, centre.y);
    EXPECT_FLOAT_EQ(((f32)type.Sample(16, 16) + (f32)type.Sample(0, 0)) / 2.0f, centre.z);
    // Corner to corner counter-clockwise around the rim, each triangle (centre, later, earlier).
    const u32 rim[5][2] = {{16, 16}, {0, 16}, {0, 0}, {16, 0}, {16, 16}};
    for (s32 t = 0; t < 4; ++t) {
        const MRT_TerrainTriangle& triangle = tile.triangles[(size_t)t];
        EXPECT_EQ(tile.triangles[0].vertex[0], triangle.vertex[0]);
        const MRT_TerrainVertex& later = tile.vertices[triangle.vertex[1]];
        const MRT_TerrainVertex& earlier = tile.vertices[triangle.vertex[2]];
        EXPECT_EQ(rim[t + 1][0], later.x);
        EXPECT_EQ(rim[t + 1][1], later.y);
        EXPECT_EQ(rim[t][0], earlier.x);
        EXPECT_EQ(rim[t][1], earlier.y);
        EXPECT_EQ((f32)type.Sample((s32)later.x, (s32)later.y), later.z);
    }
}

// A single tile refined all the way down: the viewer stands on it and the mode-0 threshold
// exceeds every distance.
class MrtFullTileTest : public ::testing::Test
{
protected:
    void Build(s32 _size)
    {
        m_size = _size;
        BuildRandomTerrain(m_terrain, 1, _size, 11u);
        TST_PrepareTriangulation(m_terrain, 4, 1.0f);
        m_terrain.MinimumResolution = 1000.0f;
        m_terrain.SetView(ViewAt({(f32)(_size - 1), (f32)(_size - 1), 60.0f}));
        m_terrain.BeginTriangulation();
        m_tile = m_terrain.UpdateTriangulation();
        ASSERT_NE(nullptr, m_tile);
    }

    // The counted emission into arrays that already hold other tiles' records.
    void Emit(s32 _vertexCapacity, s32 _triangleCapacity, s32 _vertexStart = 10, s32 _triangleStart = 7)
    {
        m_vertices.assign((size_t)std::max(_vertexCapacity, _vertexStart), MRT_TerrainVertex{});
        m_triangles.assign((size_t)std::max(_triangleCapacity, _triangleStart), MRT_TerrainTriangle{});
        m_vertexCount = _vertexStart;
        m_triangleCount = _triangleStart;
        m_tile->BuildTileGeometry(m_vertices.data(), &m_vertexCount, _vertexCapacity, m_triangles.data(),
                                  &m_triangleCount, _triangleCapacity);
    }

    void ExpectIndexMapEmpty()
    {
        const MOS_Map<u16>& index = *m_terrain.indexMap;
        s32 left = 0;
        for (s32 i = 0; i < index.m_count; ++i)
            left += index.m_cells[i] != 0xFFFF;
        EXPECT_EQ(0, left) << "index map entries left behind";
    }

    MRT_Terrain m_terrain;
    MRT_TileView* m_tile = nullptr;
    s32 m_size = 0;
    std::vector<MRT_TerrainVertex> m_vertices;
    std::vector<MRT_TerrainTriangle> m_triangles;
    s32 m_vertexCount = 0;
    s32 m_triangleCount = 0;
};

TEST_F(MrtFullTileTest, FullWeightPutsEveryVertexOnTheHeightField)
{
    Build(33);
    Emit(100000, 100000, 0, 0);
    // Every sample is a vertex, every cell two triangles.
    EXPECT_EQ(2 * 32 * 32, m_triangleCount);
    const MRT_TileData& type = m_terrain.tileTypes[0];
    for (s32 t = 0; t < m_triangleCount; ++t)
        for (s32 k = 0; k < 3; ++k) {
            const MRT_TerrainVertex& v = m_vertices[m_triangles[(size_t)t].vertex[k]];
            ASSERT_EQ((f32)type.Sample((s32)v.x, (s32)v.y), v.z) << v.x << "," << v.y;
        }
    ExpectIndexMapEmpty();
}

TEST_F(MrtFullTileTest, CapacityCutOffs)
{
    Build(33);
    Emit(100000, 100000, 0, 0);
    const std::vector<MRT_TerrainTriangle> full(m_triangles.begin(), m_triangles.begin() + m_triangleCount);
    const s32 fullVertices = m_vertexCount;

    // Fewer than four slots, or only the four corners: the tile adds nothing and the counts
    // stay as they were.
    for (const s32 room : {0, 3, 4}) {
        Emit(10 + room, 100000);
        EXPECT_EQ(10, m_vertexCount) << room;
        EXPECT_EQ(7, m_triangleCount) << room;
        ExpectIndexMapEmpty();
    }

    // A triangle capacity running out mid-tile: the fans written before stay, the last slot is
    // never filled, and what is there is the start of the full emission (behind the 7 earlier
    // triangles, with the vertex indices shifted by the 10 earlier records).
    for (const s32 capacity : {20, 333, 1000}) {
        Emit(100000, 7 + capacity);
        EXPECT_LT(m_triangleCount, 7 + capacity) << capacity;
        EXPECT_GT(m_triangleCount, 7 + capacity - 1 - 8) << capacity;
        for (s32 t = 7; t < m_triangleCount; ++t)
            for (s32 k = 0; k < 3; ++k)
                ASSERT_EQ(full[(size_t)(t - 7)].vertex[k] + 10, m_triangles[(size_t)t].vertex[k]) << capacity;
        ExpectIndexMapEmpty();
    }

    // A vertex capacity running out: the counts stop within it and every triangle uses only
    // vertices that were written.
    for (const s32 capacity : {9, 100, fullVertices - 1}) {
        Emit(10 + capacity, 100000);
        EXPECT_LE(m_vertexCount, 10 + capacity) << capacity;
        EXPECT_GT(m_vertexCount, 14) << capacity;
        for (s32 t = 7; t < m_triangleCount; ++t)
            for (s32 k = 0; k < 3; ++k) {
                ASSERT_GE(m_triangles[(size_t)t].vertex[k], 10) << capacity;
                ASSERT_LT(m_triangles[(size_t)t].vertex[k], m_vertexCount) << capacity;
            }
        ExpectIndexMapEmpty();
    }

    // The renderer's form starts at index 0 and reports 0 when the tile adds nothing.
    s32 n = -1;
    s32 m = -1;
    m_tile->BuildTileGeometry(m_vertices.data(), 3, m_triangles.data(), 100, &n, &m);
    EXPECT_EQ(0, n);
    EXPECT_EQ(0, m);
}

TEST_F(MrtFullTileTest, IndicesNeverReachTheInactiveMark)
{
    // 257 x 257 samples fully refined need more vertices than 15 bits can index: the emission
    // must stop at 0x7FFF slots instead of handing out indices that read as inactive or empty.
    Build(257);
    Emit(0x20000, 0x40000, 0, 0);
    EXPECT_EQ(0x7FFF, m_vertexCount);
    ASSERT_GT(m_triangleCount, 0);
    for (s32 t = 0; t < m_triangleCount; ++t) {
        const MRT_TerrainTriangle& triangle = m_triangles[(size_t)t];
        for (s32 k = 0; k < 3; ++k)
            ASSERT_LT(triangle.vertex[k], m_vertexCount);
        ASSERT_LT(
            DoubleArea(m_vertices[triangle.vertex[0]], m_vertices[triangle.vertex[1]], m_vertices[triangle.vertex[2]]),
            0)
            << "triangle " << t;
    }
    ExpectIndexMapEmpty();
}

TEST(MrtTriangulationTest, PoolOfFiveEvictsEveryStepAndDrawsTheSameAsALargePool)
{
    auto run = [](s32 _extraMaps, bool _checkPool) {
        MRT_Terrain terrain;
        BuildRandomTerrain(terrain, 4, 33, 21u, 2);
        TST_PrepareTriangulation(terrain, _extraMaps, 80.0f);
        terrain.SetView(ViewAt({80.0f, 140.0f, 80.0f}));
        std::map<std::pair<s32, s32>, std::vector<f32>> drawn;
        terrain.BeginTriangulation();
        while (MRT_TileView* tile = terrain.UpdateTriangulation()) {
            const s32 column = (s32)std::lrint(tile->origin.x / terrain.extentX);
            const s32 row = (s32)std::lrint(tile->origin.y / terrain.extentY);
            if (_checkPool) {
                // Each pool entry serves at most one cell, the one it names.
                std::vector<const MRT_TriangulationMap*> seen;
                s32 assigned = 0;
                for (s32 iy = 0; iy < 4; ++iy)
                    for (s32 ix = 0; ix < 4; ++ix)
                        if (const MRT_TriangulationMap* entry = terrain.assignmentMap[iy][ix]) {
                            EXPECT_EQ(ix, entry->column);
                            EXPECT_EQ(iy, entry->row);
                            EXPECT_EQ(seen.end(), std::find(seen.begin(), seen.end(), entry));
                            seen.push_back(entry);
                            ++assigned;
                        }
                // The step's own cells hold entries; with five entries and four neighbours
                // nothing else can.
                const s32 neighbours = (column > 0) + (column < 3) + (row > 0) + (row < 3);
                if (neighbours == 4) {
                    EXPECT_EQ(5, assigned);
                } else {
                    EXPECT_LE(1 + neighbours, assigned);
                }
            }
            std::vector<MRT_TerrainVertex> vertices(20000);
            std::vector<MRT_TerrainTriangle> triangles(40000);
            s32 n = 0;
            s32 m = 0;
            tile->BuildTileGeometry(vertices.data(), 20000, triangles.data(), 40000, &n, &m);
            std::vector<f32>& out = drawn[{column, row}];
            for (s32 t = 0; t < m; ++t)
                for (s32 k = 0; k < 3; ++k) {
                    const MRT_TerrainVertex& v = vertices[triangles[(size_t)t].vertex[k]];
                    out.push_back((f32)v.x);
                    out.push_back((f32)v.y);
                    out.push_back(v.z);
                }
        }
        return drawn;
    };
    const auto five = run(4, true);

    const auto large = run(40, false);
    ASSERT_EQ(16u, five.size());
    EXPECT_EQ(large, five);
}

TEST(MrtTriangulationTest, WeightSlidesVerticesFromTheSampleToTheCoarseSurface)
{
    // One 3 x 3 tile: a single node of size 2 whose threshold is (2 * 1 * 1)^2 = 4 (mode 0, C = 1,
    // d2 below 1). The viewer stands above its centre at squared distance D = fraction * 4.
    const struct
    {
        f32 fraction;
        s32 weight;  // 255 up to D = T/4, then 340 - round(340 D / T), 0 beyond T
    } cases[] = {{0.24f, 255}, {0.5f, 170}, {0.75f, 85}, {0.99f, 3}, {1.01f, 0}};
    const u16 samples[3][3] = {{100, 400, 300}, {500, 1000, 700}, {200, 600, 900}};  // [row][column]
    for (const auto& test : cases) {
        SCOPED_TRACE(test.fraction);
        MRT_Terrain terrain;
        TST_BuildTerrain(
            terrain, 1, 3, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f / 256.0f},
            [&](s32 _x, s32 _y) { return samples[_y][_x]; }, 1, 0, 1.0f);
        TST_PrepareTriangulation(terrain, 4, 1.0f);
        terrain.SetView(ViewAt({1.0f, 1.0f, 1000.0f / 256.0f + std::sqrt(test.fraction * 4.0f)}));
        const std::vector<Emitted> tiles = RunFrame(terrain);
        ASSERT_EQ(1u, tiles.size());
        EXPECT_EQ(test.weight == 0 ? 4u : 8u, tiles[0].triangles.size());

        auto morph = [&](f32 _a, f32 _b, f32 _sample) {
            return test.weight >= 255
                       ? _sample
                       : ((_a + _b) * (f32)(255 - test.weight) + 2.0f * _sample * (f32)test.weight) / 510.0f;
        };
        // The centre between the diagonal corners (2, 2) and (0, 0); the east midpoint between
        // (2, 0) and (2, 2), its only node being this one.
        for (const MRT_TerrainVertex& v : tiles[0].vertices) {
            if (v.x == 1 && v.y == 1) {
                EXPECT_FLOAT_EQ(morph(900.0f, 100.0f, 1000.0f), v.z);
            } else if (v.x == 2 && v.y == 1) {
                EXPECT_FLOAT_EQ(test.weight == 0 ? 600.0f : morph(300.0f, 900.0f, 700.0f), v.z);
            }
        }
    }
}

TEST(MrtTriangulationTest, PoolBelowFiveEntriesStopsWithAClearError)
{
    // A step holds five maps at once; with four the fifth cell would find none.
    MRT_Terrain terrain;
    BuildRandomTerrain(terrain, 3, 9, 2u);
    TST_PrepareTriangulation(terrain, 3, 1.0f);
    terrain.SetView(ViewAt({24.0f, 24.0f, 60.0f}));
    terrain.BeginTriangulation();
    EXPECT_FATAL(terrain.UpdateTriangulation(), "MRT_Terrain::TriangulateTile()",
                 "the map pool must hold at least five triangulation maps");
}

TEST(MrtTriangulationTest, ModeAboveThreeIsFatal)
{
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 1, 9, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f / 256.0f},
                     [](s32 _x, s32 _y) { return (u16)(_x * _y * 50); });
    TST_PrepareTriangulation(terrain, 4, 1.0f);
    terrain.TriangulationMode = 4;
    terrain.SetView(ViewAt({4.0f, 4.0f, 1.0f}));
    terrain.BeginTriangulation();
    EXPECT_FATAL(terrain.UpdateTriangulation(), "MRT_TileData::CreateTriangulation()",
                 "TriangulationMode must be smaller or equal 3");
}

}  // namespace
