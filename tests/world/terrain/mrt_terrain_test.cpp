#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "mem_alloc.h"
#include "mrt_terrain.h"
#include "os_path.h"
#include "test_dir.h"
#include "tools_terrain.h"
#include "tools_terrain_des.h"

namespace
{

// Writes a W x W height-field picture of sample(x, y).
void WriteHeightField(const std::string& _name, s32 _size, const std::function<u16(s32, s32)>& _sample)
{
    std::vector<u16> samples;
    for (s32 y = 0; y < _size; ++y)
        for (s32 x = 0; x < _size; ++x)
            samples.push_back(_sample(x, y));
    ASSERT_EQ(1u, TOOL_WriteHeightField(_name, _size, samples));
}

// Bytes the engine's allocator holds, without the path resolver's cached listings.
u32 BytesInUse()
{
    OS_ResetPathCache();
    return MEM_GetBytesInUse();
}

// Three flat tile types of 5 x 5 samples standing 640, 100 and 200 units high, on a 3 x 3 grid
// of rows "0 1 2", "1 2 0", "2 0 1"; one sample step is 2 x 4 world units, and the file's
// Scale.z of 256 makes one height unit one world unit.
class MrtTerrainTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const u16 heights[] = {640, 100, 200};
        for (s32 i = 0; i < 3; ++i) {
            const u16 height = heights[i];
            WriteHeightField("flat" + std::to_string(i) + ".tga", 5, [height](s32, s32) { return height; });
            TOOL_TerrainTile tile;
            tile.heightField = "flat" + std::to_string(i) + ".tga";
            tile.texture = "ground" + std::to_string(i) + "_l0.tga";
            m_des.tiles.push_back(tile);
        }
        m_des.offset[0] = 100.0f;
        m_des.offset[1] = -50.0f;
        m_des.offset[2] = 3.0f;
        m_des.scale[0] = 2.0f;
        m_des.scale[1] = 4.0f;
        m_des.scale[2] = 256.0f;
        m_des.numOfTriangulationMaps = 2;
        m_des.lines = {"0 1 2", "1 2 0", "2 0 1"};
    }

    void Load(MRT_Terrain& _terrain, const TOOL_TerrainDes& _des)
    {
        ASSERT_EQ(1u, TOOL_WriteTerrainDes("terrain.des", _des));
        _terrain.LoadTerrain("terrain.des");
    }

    TST_TempDir m_dir;
    TOOL_TerrainDes m_des;
};

// A refused terrain holds nothing, not even pointers into what it released.
void ExpectEmpty(const MRT_Terrain& _terrain)
{
    EXPECT_EQ(0, _terrain.GetNumOfLines());
    EXPECT_EQ(nullptr, _terrain.tileTypes);
    EXPECT_EQ(0, _terrain.NumOfTiles);
    EXPECT_EQ(nullptr, _terrain.mapPool);
    EXPECT_EQ(0, _terrain.poolSize);
    EXPECT_EQ(nullptr, _terrain.indexMap);
    EXPECT_EQ(0, _terrain.doneMap.m_count);
    EXPECT_EQ(0, _terrain.assignmentMap.m_count);
    for (const MRT_TileView& tileView : _terrain.tileViews)
        EXPECT_EQ(nullptr, tileView.indexMap);
    EXPECT_EQ(FLT_MAX, _terrain.GetHeightAt(110.0f, -40.0f));
}

TEST_F(MrtTerrainTest, LoadBuildsGridPoolMapsViewsAndPlacement)
{
    MRT_Terrain terrain;
    Load(terrain, m_des);
    ASSERT_EQ(3, terrain.GetNumOfLines());
    ASSERT_EQ(3, terrain.NumOfTiles);
    // Row i of the grid is line i of the file, the lowest row first.
    const s32 expected[3][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}};
    for (s32 iy = 0; iy < 3; ++iy)
        for (s32 ix = 0; ix < 3; ++ix)
            EXPECT_EQ(&terrain.tileTypes[expected[iy][ix]], terrain.GetTile(ix, iy)) << ix << ", " << iy;
    EXPECT_STREQ("ground1", terrain.tileTypes[1].textureName);

    EXPECT_EQ(1.0f, terrain.Scale.z);
    EXPECT_EQ(1.0f, terrain.scaleZ);
    EXPECT_EQ(8.0f, terrain.extentX);
    EXPECT_EQ(16.0f, terrain.extentY);
    EXPECT_EQ(0.125f, terrain.inverseExtentX);
    EXPECT_EQ(0.0625f, terrain.inverseExtentY);
    EXPECT_EQ(1.0f, terrain.inverseScaleZ);
    EXPECT_EQ(7.0f, terrain.MinimumResolution);
    EXPECT_EQ(1, terrain.RestrictedQuadTree);
    EXPECT_EQ(100.0f, terrain.bounds[0].x);
    EXPECT_EQ(124.0f, terrain.bounds[1].x);
    EXPECT_EQ(-2.0f, terrain.bounds[1].y);
    EXPECT_EQ(3.0f, terrain.bounds[1].z);

    // Pool: one entry per tile type on its d2 map, then the extra maps of their own.
    ASSERT_EQ(5, terrain.poolSize);
    for (s32 i = 0; i < 5; ++i) {
        EXPECT_EQ(-1, terrain.mapPool[i].nodeCount);
        ASSERT_NE(nullptr, terrain.mapPool[i].map);
        EXPECT_EQ(4, terrain.mapPool[i].map->m_width);
        if (i < 3) {
            EXPECT_EQ(terrain.tileTypes[i].d2Map, terrain.mapPool[i].map);
        }
    }
    EXPECT_NE(terrain.mapPool[3].map, terrain.mapPool[4].map);
    EXPECT_EQ(3, terrain.assignmentMap.m_width);
    EXPECT_EQ(3, terrain.doneMap.m_width);
    for (s32 i = 0; i < 9; ++i) {
        EXPECT_EQ(nullptr, terrain.assignmentMap.m_cells[i]);
        EXPECT_EQ(0, terrain.doneMap.m_cells[i]);
    }
    ASSERT_NE(nullptr, terrain.indexMap);
    EXPECT_EQ(5, terrain.indexMap->m_width);
    for (const MRT_TileView& tileView : terrain.tileViews) {
        EXPECT_EQ(terrain.indexMap, tileView.indexMap);
        EXPECT_EQ(100.0f, tileView.origin.x);
        EXPECT_EQ(4.0f, tileView.scale.y);
        EXPECT_EQ(1.0f, tileView.scale.z);
        EXPECT_EQ(7.0f, tileView.C);
        EXPECT_EQ(0, tileView.mode);
    }
}

TEST_F(MrtTerrainTest, HeightIsOffsetPlusTheCellsTileOnTheGridAndFltMaxOffItsFourSides)
{
    // A sample of red 2, green 128 is 640 height units: 640 world units for a file Scale.z
    // of 256, 2.5 for a file Scale.z of 1.
    for (const f32 fileScaleZ : {256.0f, 1.0f}) {
        m_des.scale[2] = fileScaleZ;
        MRT_Terrain terrain;
        Load(terrain, m_des);
        const f32 unit = fileScaleZ / 256.0f;
        const f32 cell[3] = {640.0f * unit, 100.0f * unit, 200.0f * unit};
        const s32 types[3][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}};
        for (s32 iy = 0; iy < 3; ++iy) {
            for (s32 ix = 0; ix < 3; ++ix) {
                const f32 x = 100.0f + 8.0f * (f32)ix + 3.0f;
                const f32 y = -50.0f + 16.0f * (f32)iy + 5.0f;
                EXPECT_EQ(3.0f + cell[types[iy][ix]], terrain.GetHeightAt(x, y)) << ix << ", " << iy;
            }
        }
        const struct
        {
            f32 x, y;
        } off[] = {{99.5f, -40.0f}, {110.0f, -50.5f}, {124.0f, -40.0f}, {110.0f, -2.0f}};
        for (const auto& point : off)
            EXPECT_EQ(FLT_MAX, terrain.GetHeightAt(point.x, point.y)) << point.x << ", " << point.y;
    }
}

TEST_F(MrtTerrainTest, GridLinesReadOneNumberPerColumnBehindAnySingleSeparator)
{
    const struct
    {
        const char* line;
        s32 row[3];           // the tile types of the row when accepted
        const char* refusal;  // the message when refused
    } cases[] = {
        {"0 1 2", {0, 1, 2}, nullptr},
        {"0,1,2", {0, 1, 2}, nullptr},
        {"2x1/0", {2, 1, 0}, nullptr},
        // Each number reads as strtol reads it: leading blanks and a sign are taken.
        {"1;  +2; 0", {1, 2, 0}, nullptr},
        {"0 1", {}, "no enough number in grid data line."},
        {"", {}, "no enough number in grid data line."},
        {"0 1 2 ", {}, "grid data linestring not terminated properly (0)."},
        {"0 1 2 0", {}, "grid data linestring not terminated properly (0)."},
        {"0 1 3", {}, "data in line out of defined tile numbers (0...n-1)."},
        {"0 -1 2", {}, "data in line out of defined tile numbers (0...n-1)."},
        {"10 1 2", {}, "data in line out of defined tile numbers (0...n-1)."},
        {"0 1 99999999999999999999", {}, "data in line out of defined tile numbers (0...n-1)."},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.line);
        m_des.lines[1] = test.line;
        MRT_Terrain terrain;
        if (test.refusal == nullptr) {
            Load(terrain, m_des);
            for (s32 column = 0; column < 3; ++column)
                EXPECT_EQ(&terrain.tileTypes[test.row[column]], terrain.GetTile(column, 1)) << column;
        } else {
            EXPECT_FATAL(Load(terrain, m_des), test.refusal, "MRT_Terrain::LoadTerrain()");
            ExpectEmpty(terrain);
        }
    }
}

TEST_F(MrtTerrainTest, RefusedFilesStopWithTheirTextAndLeaveAnEmptyTerrainHoldingNothing)
{
    const char* const where = "MRT_Terrain::LoadTerrain()";
    const struct
    {
        const char* name;
        std::function<void(TOOL_TerrainDes&)> change;
        const char* caption;
        const char* message;
    } cases[] = {
        {"no parameter section", [](TOOL_TerrainDes& _d) { _d.writeParameter = false; },
         "no parameter section in terrain file found", where},
        {"no tile section", [](TOOL_TerrainDes& _d) { _d.writeTile = false; }, "no tile section in terrain file found",
         where},
        {"no grid section", [](TOOL_TerrainDes& _d) { _d.writeGrid = false; }, "no grid section in terrain file found",
         where},
        {"tile subsection missing", [](TOOL_TerrainDes& _d) { _d.numOfTiles = 4; },
         "no tile(x) section in terrain file found", where},
        {"no tiles", [](TOOL_TerrainDes& _d) { _d.numOfTiles = 0; },
         "at least one valid tile is required for correct procesing", where},
        {"negative tiles", [](TOOL_TerrainDes& _d) { _d.numOfTiles = -2; },
         "at least one valid tile is required for correct procesing", where},
        {"negative extra maps",
         [](TOOL_TerrainDes& _d) {
             _d.numOfTriangulationMaps = -1;
             _d.tiles.resize(6, _d.tiles[0]);
         },
         "number of triangulation maps in terrain file must not be negative", where},
        {"pool of four", [](TOOL_TerrainDes& _d) { _d.numOfTriangulationMaps = 1; },
         "at least five triangulation maps (tiles plus extra maps) are required", where},
        {"tile sizes differ", [](TOOL_TerrainDes& _d) { _d.tiles[2].heightField = "big.tga"; },
         "heightfield of tile(x) differs in size from tile 0", where},
        // Read whole, so that the tile type sees the name is too long rather than a cut one.
        {"texture name of 64 characters",
         [](TOOL_TerrainDes& _d) { _d.tiles[1].texture = std::string(57, 't') + "_l0.tga"; },
         "MRT_TileData::Generate()", "Texturemap name can have maximal 63 character"},
        {"scale x zero", [](TOOL_TerrainDes& _d) { _d.scale[0] = 0.0f; },
         "scale x and y in terrain file must be greater than 0.0", where},
        {"scale y negative", [](TOOL_TerrainDes& _d) { _d.scale[1] = -4.0f; },
         "scale x and y in terrain file must be greater than 0.0", where},
        {"line missing",
         [](TOOL_TerrainDes& _d) {
             _d.lines.pop_back();
             _d.numOfLines = 3;
         },
         "DesFile Error", "data \"Line2\" not found in file \"terrain.des\""},
        {"no lines", [](TOOL_TerrainDes& _d) { _d.numOfLines = 0; }, "Width of map must be > 0.",
         "MOS_Map::Reconstruct(const s32 _W, const s32 _H)"},
    };
    WriteHeightField("big.tga", 9, [](s32, s32) { return (u16)7; });
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        TOOL_TerrainDes des = m_des;
        test.change(des);
        MRT_Terrain terrain;
        const u32 before = BytesInUse();
        // Over a loaded terrain, so the refusal must release an earlier load as well.
        Load(terrain, m_des);
        EXPECT_FATAL(Load(terrain, des), test.caption, test.message);
        ExpectEmpty(terrain);
        EXPECT_EQ(before, BytesInUse());
        // Still usable: the next good file loads.
        Load(terrain, m_des);
        EXPECT_EQ(3, terrain.GetNumOfLines());
    }
    MRT_Terrain terrain;
    EXPECT_FATAL(terrain.LoadTerrain("missing.des"), "DES_File::Open() file not found", "missing.des");
}

TEST_F(MrtTerrainTest, ReloadLeavesNothingOfTheFirstTerrain)
{
    WriteHeightField("ramp.tga", 9, [](s32 _x, s32 _y) { return (u16)(_x + 10 * _y); });
    TOOL_TerrainDes second;
    second.tiles.resize(1);
    second.tiles[0].heightField = "ramp.tga";
    second.numOfTriangulationMaps = 4;
    second.offset[2] = -1.0f;
    second.scale[2] = 1.0f;
    second.lines = {"0 0", "0 0"};

    MRT_Terrain fresh;
    const u32 empty = BytesInUse();
    Load(fresh, second);
    const u32 secondOnly = BytesInUse() - empty;

    MRT_Terrain terrain;
    Load(terrain, m_des);
    terrain.tileViews[0].east = &terrain.tileViews[1];
    Load(terrain, second);
    EXPECT_EQ(empty + 2 * secondOnly, BytesInUse());
    EXPECT_EQ(2, terrain.GetNumOfLines());
    EXPECT_EQ(1, terrain.NumOfTiles);
    EXPECT_EQ(5, terrain.poolSize);
    EXPECT_EQ(2, terrain.doneMap.m_width);
    EXPECT_EQ(2, terrain.assignmentMap.m_width);
    EXPECT_EQ(9, terrain.indexMap->m_width);
    EXPECT_EQ(nullptr, terrain.tileViews[0].east);
    for (s32 i = 0; i < 4; ++i)
        EXPECT_EQ(&terrain.tileTypes[0], terrain.grid.m_cells[i]);
    for (s32 i = 1; i < 5; ++i)
        EXPECT_NE(terrain.tileTypes[0].d2Map, terrain.mapPool[i].map);
    // Sample (3, 2) of the ramp in cell (1, 1): 23 units of 1/256 above Offset.z.
    EXPECT_EQ(-1.0f + 23.0f / 256.0f, terrain.GetHeightAt(11.0f, 10.0f));
    EXPECT_EQ(FLT_MAX, terrain.GetHeightAt(16.5f, 1.0f));
}

TEST(MrtTerrainViewTest, SetViewNormalisesThePlanesFillsTheExtentsAndPassesTheViewOn)
{
    MRT_Terrain terrain;
    terrain.Scale = {2.0f, 4.0f, 0.5f};
    MRT_Frustum view;
    view.position = {1.0f, 2.0f, 3.0f};
    view.planes[0] = {0.0f, 3.0f, -4.0f, 7.0f};
    view.planes[1] = {-6.0f, 0.0f, 8.0f, -2.0f};
    view.planes[2] = {0.0f, 0.0f, 0.0f, 5.0f};  // degenerate: left as it is
    view.planes[3] = {1.0f, 0.0f, 0.0f, 0.0f};
    view.planes[4] = {0.0f, -0.5f, 0.0f, 1.0f};
    view.planes[5] = {2.0f, 2.0f, 1.0f, -3.0f};
    view.planeFlags = 0x15;
    view.SetCullLevel(3);
    terrain.SetView(view);

    const MRT_Plane unit[6] = {{0.0f, 0.6f, -0.8f, 7.0f}, {-0.6f, 0.0f, 0.8f, -2.0f},
                               {0.0f, 0.0f, 0.0f, 5.0f},  {1.0f, 0.0f, 0.0f, 0.0f},
                               {0.0f, -1.0f, 0.0f, 1.0f}, {2.0f / 3.0f, 2.0f / 3.0f, 1.0f / 3.0f, -3.0f}};
    const MRT_Frustum& taken = terrain.view;
    EXPECT_EQ(3.0f, taken.position.z);
    EXPECT_EQ(0x15u, taken.planeFlags);
    EXPECT_EQ(3, taken.cullLevel);
    EXPECT_EQ(8, taken.cullSize);
    for (s32 k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(unit[k].a, taken.planes[k].a, 1e-6f);
        EXPECT_NEAR(unit[k].b, taken.planes[k].b, 1e-6f);
        EXPECT_NEAR(unit[k].c, taken.planes[k].c, 1e-6f);
        EXPECT_EQ(unit[k].d, taken.planes[k].d);
        const f32 horizontal = std::fabs(unit[k].b) * 4.0f + std::fabs(unit[k].a) * 2.0f;
        const f32 vertical = std::fabs(unit[k].c) * 0.5f;
        EXPECT_NEAR(horizontal, taken.extents[k].horizontal, 1e-6f);
        EXPECT_NEAR(vertical, taken.extents[k].vertical, 1e-6f);
        EXPECT_EQ(3.0f * taken.extents[k].horizontal, taken.wideExtents[k].horizontal);
        EXPECT_EQ(3.0f * taken.extents[k].vertical, taken.wideExtents[k].vertical);
        for (const MRT_TileView& tileView : terrain.tileViews) {
            EXPECT_EQ(taken.planes[k].b, tileView.view.planes[k].b);
            EXPECT_EQ(taken.extents[k].horizontal, tileView.view.extents[k].horizontal);
            EXPECT_EQ(taken.wideExtents[k].vertical, tileView.view.wideExtents[k].vertical);
        }
    }
    for (const MRT_TileView& tileView : terrain.tileViews) {
        EXPECT_EQ(0x15u, tileView.view.planeFlags);
        EXPECT_EQ(8, tileView.view.cullSize);
        EXPECT_EQ(2.0f, tileView.view.position.y);
    }
}

}  // namespace
