#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "mrt_tiledata.h"
#include "test_dir.h"
#include "tools_terrain.h"
#include "tools_tga.h"

namespace
{

const char* const LOAD = "MRT_TileData::LoadFromBMP_24(const char* _Name)";
const char* const GENERATE = "MRT_TileData::Generate()";

using SampleFunction = std::function<u16(s32, s32)>;

std::vector<u16> Samples(s32 _size, const SampleFunction& _sample)
{
    std::vector<u16> samples((size_t)(_size * _size));
    for (s32 y = 0; y < _size; ++y)
        for (s32 x = 0; x < _size; ++x)
            samples[(size_t)(y * _size + x)] = _sample(x, y);
    return samples;
}

// Writes the height-field picture "h.tga" and generates a tile type from it. One height unit
// is 1/65536 of a sample step, so that no field is too steep for the default resolution.
void GenerateFromPicture(MRT_TileData& _tile, const TST_TempDir& _dir, const TOOL_TGA& _picture, s32 _transition = 0,
                         const char* _texture = "rock_l0.tga")
{
    _dir.Write("h.tga", TOOL_TGABytes(_picture));
    _tile.Generate(_texture, "h.tga", 0, _transition, {1.0f, 1.0f, 1.0f / 65536.0f}, 7.0f, 1, 0);
}

void GenerateFromSamples(MRT_TileData& _tile, const TST_TempDir& _dir, s32 _size, const SampleFunction& _sample,
                         s32 _transition = 0)
{
    GenerateFromPicture(_tile, _dir, TOOL_HeightFieldTGA(_size, Samples(_size, _sample)), _transition);
}

// A tile type built in memory, its metrics computed with the given settings.
void BuildTile(MRT_TileData& _tile, s32 _size, const MAT_Vector3& _scale, const SampleFunction& _sample,
               s32 _restricted = 1, s32 _mode = 0, f32 _minimumResolution = 7.0f)
{
    if (_tile.heightField == nullptr)
        _tile.heightField = new MOS_Map<u16>;
    _tile.heightField->Reconstruct(_size, _size);
    for (s32 y = 0; y < _size; ++y)
        for (s32 x = 0; x < _size; ++x)
            (*_tile.heightField)[y][x] = _sample(x, y);
    _tile.scale = _scale;
    _tile.RestrictedQuadTree = _restricted;
    _tile.TriangulationMode = _mode;
    _tile.MinimumResolution = _minimumResolution;
    _tile.ComputeMetrics();
}

bool AllD2Zero(const MRT_TileData& _tile)
{
    for (s32 i = 0; i < _tile.d2Map->m_count; ++i)
        if (_tile.d2Map->m_cells[i] != 0)
            return false;
    return true;
}

TEST(MrtTileData, PictureSizesAreCheckedWithTheirTexts)
{
    TST_TempDir dir;
    {
        MRT_TileData tile;
        GenerateFromPicture(tile, dir, TOOL_MakeTGA(257, 257, 24, 0x010203));
        EXPECT_EQ(257, tile.GetSize());
        EXPECT_EQ(258, tile.Sample(256, 256));
    }
    const struct
    {
        s32 width, height;
        const char* caption;
        const char* message;
    } cases[] = {
        {256, 256, "Size of heightfield data must be 2^n + 1", "MRT_TileData::Generate"},
        {6, 6, "Size of heightfield data must be 2^n + 1", "MRT_TileData::Generate"},
        {2, 2, "Size of heightfield must be > 2", "MRT_TileData::SetHM"},
        {257, 129, "Width and height of map picture must be equal.", LOAD},
    };
    for (const auto& c : cases) {
        MRT_TileData tile;
        EXPECT_FATAL(GenerateFromPicture(tile, dir, TOOL_MakeTGA(c.width, c.height, 24, 0)), c.caption, c.message);
    }

    MRT_TileData tile;
    EXPECT_FATAL(tile.Generate("rock_l0.tga", "missing.tga", 0, 0, {1.0f, 1.0f, 1.0f}, 7.0f, 1, 0), "missing.tga",
                 "ERROR: FILE NOT FOUND");
    // Any type but 0 reads nothing, so no field passes the size check.
    EXPECT_FATAL(tile.Generate("rock_l0.tga", "h.tga", 1, 0, {1.0f, 1.0f, 1.0f}, 7.0f, 1, 0),
                 "Size of heightfield must be > 2", "MRT_TileData::SetHM");
}

TEST(MrtTileData, TextureNameKeepsWhatStandsBeforeTheLastUnderscoreAheadOfTheExtension)
{
    TST_TempDir dir;
    const std::string longest = std::string(56, 'a') + "_l0.tga";  // 63 characters
    const struct
    {
        std::string texture;
        std::string name;
        const char* message;  // null: loads and keeps the name
    } cases[] = {
        {"sand_l0.tga", "sand", nullptr},
        {"dry_sand_l0.tga", "dry_sand", nullptr},
        {"rock_a.b_c.tga", "rock", nullptr},  // the first "." counts
        {longest, longest.substr(0, 56), nullptr},
        {"sand.tga", "", "texturename missing _ character"},
        {"sand_l0", "", "type of texturename has to be written in *.des (*.tga)"},
        {"a" + longest, "", "Texturemap name can have maximal 63 character"},
    };
    for (const auto& c : cases) {
        MRT_TileData tile;
        if (c.message == nullptr) {
            GenerateFromPicture(tile, dir, TOOL_MakeTGA(3, 3, 24, 0), 0, c.texture.c_str());
            EXPECT_EQ(c.name, tile.textureName);
        } else {
            EXPECT_FATAL(GenerateFromPicture(tile, dir, TOOL_MakeTGA(3, 3, 24, 0), 0, c.texture.c_str()), GENERATE,
                         c.message);
        }
    }
}

TEST(MrtTileData, SamplesAreRedTimes256PlusGreenWithRowZeroAtTheBottom)
{
    TST_TempDir dir;
    // Blue and alpha differ per pixel and must not matter.
    auto color = [](s32 _x, s32 _y) {
        return (u32)(_x * 37 + _y) << 24 | (u32)(_y + 1) << 16 | (u32)(_x * 50) << 8 | 0xC3u;
    };
    for (const u8 depth : {24, 32})
        for (const u8 origin : {0, 2}) {
            TOOL_TGA picture = TOOL_MakeTGA(5, 5, depth, 0);
            picture.origin = origin;
            for (s32 y = 0; y < 5; ++y)
                for (s32 x = 0; x < 5; ++x)
                    picture.pixels[(size_t)((4 - y) * 5 + x)] = color(x, y);  // listed top row first
            MRT_TileData tile;
            GenerateFromPicture(tile, dir, picture);
            for (s32 y = 0; y < 5; ++y)
                for (s32 x = 0; x < 5; ++x)
                    ASSERT_EQ((y + 1) * 256 + x * 50, tile.Sample(x, y)) << x << ", " << y << " depth " << (s32)depth;
        }

    // The tools' height-field writer produces exactly what the reader takes.
    const std::vector<u16> field = TOOL_RandomHeightField(9, 7, 100, 60000);
    for (const u8 depth : {24, 32}) {
        MRT_TileData tile;
        GenerateFromPicture(tile, dir, TOOL_HeightFieldTGA(9, field, depth));
        for (s32 y = 0; y < 9; ++y)
            for (s32 x = 0; x < 9; ++x)
                ASSERT_EQ(field[(size_t)(y * 9 + x)], tile.Sample(x, y));
    }
}

TEST(MrtTileData, TransitionBlendsOppositeEdgesRowsFirstThenColumns)
{
    TST_TempDir dir;
    auto corners = [](s32 _x, s32 _y) { return (u16)((_x == 4 ? 101 : 0) + (_y == 4 ? 1000 : 0)); };
    {
        MRT_TileData tile;
        GenerateFromSamples(tile, dir, 5, corners, 0);
        EXPECT_EQ(1101, tile.Sample(4, 4));
        EXPECT_EQ(101, tile.Sample(4, 0));
    }
    {
        // Rows: 0 | 101 -> 50 both (50.5 rounded down), 1000 | 1101 -> 1050. Then columns.
        MRT_TileData tile;
        GenerateFromSamples(tile, dir, 5, corners, 1);
        const u16 expected[5][5] = {{550, 500, 500, 500, 550},
                                    {50, 0, 0, 0, 50},
                                    {50, 0, 0, 0, 50},
                                    {50, 0, 0, 0, 50},
                                    {550, 500, 500, 500, 550}};
        for (s32 y = 0; y < 5; ++y)
            for (s32 x = 0; x < 5; ++x)
                EXPECT_EQ(expected[y][x], tile.Sample(x, y)) << x << ", " << y;
    }
    {
        // Second band sample: weights 0.75 and 0.25 towards its own side.
        const u16 row[5] = {0, 41, 7, 80, 100};
        MRT_TileData tile;
        GenerateFromSamples(
            tile, dir, 5, [&](s32 _x, s32) { return row[_x]; }, 2);
        const u16 expected[5] = {50, 50, 7, 70, 50};
        for (s32 y = 0; y < 5; ++y)
            for (s32 x = 0; x < 5; ++x)
                EXPECT_EQ(expected[x], tile.Sample(x, y)) << x << ", " << y;
    }
}

TEST(MrtTileData, TransitionWiderThanTheFieldStops)
{
    TST_TempDir dir;
    auto ramp = [](s32 _x, s32 _y) { return (u16)(_x * 10 + _y * 100); };
    // Up to the full width every band index is a sample; the halves merely overlap.
    for (const s32 transition : {3, 5}) {
        MRT_TileData tile;
        GenerateFromSamples(tile, dir, 5, ramp, transition);
        EXPECT_EQ(tile.Sample(0, 2), tile.Sample(4, 2)) << transition;
    }
    MRT_TileData tile;
    EXPECT_FATAL(GenerateFromSamples(tile, dir, 5, ramp, 6), GENERATE,
                 "transition band can't be wider than the heightfield.");
}

TEST(MrtTileData, BlockMaximaAndDeltaHeights)
{
    MRT_TileData tile;
    BuildTile(tile, 9, {1.0f, 1.0f, 0.01f},
              [](s32 _x, s32 _y) { return (u16)(_x + 10 * _y + (_x == 5 && _y == 1 ? 500 : 0)); });
    ASSERT_EQ(3, tile.blockMaxima->m_width);
    ASSERT_EQ(3, tile.blockMaxima->m_height);
    // Blocks of 4 x 4; the last row and column hold only the field's last sample line.
    const u16 expected[3][3] = {{33, 515, 38}, {73, 77, 78}, {83, 87, 88}};
    for (s32 r = 0; r < 3; ++r)
        for (s32 c = 0; c < 3; ++c)
            EXPECT_EQ(expected[r][c], (*tile.blockMaxima)[r][c]) << r << ", " << c;

    // A ramp along x: a node of size s reaches s / 2 from its centre; other entries stay 0.
    MRT_TileData ramp;
    BuildTile(ramp, 17, {1.0f, 1.0f, 1.0f}, [](s32 _x, s32) { return (u16)(3 * _x); });
    for (s32 s = 0; s < 17; ++s) {
        const s32 want = s == 2 || s == 4 || s == 8 || s == 16 ? 3 * s / 2 : 0;
        EXPECT_EQ(want, ramp.deltaHeights[s]) << s;
    }
}

TEST(MrtTileData, FlatTileHasNoD2EvenWhereThePropagationDistanceIsZero)
{
    for (const s32 restricted : {0, 1})
        for (const s32 mode : {0, 2}) {
            MRT_TileData tile;
            BuildTile(
                tile, 17, {2.0f, 2.0f, 0.5f}, [](s32, s32) { return (u16)1234; }, restricted, mode);
            EXPECT_TRUE(AllD2Zero(tile)) << restricted << " " << mode;
        }
    // This resolution makes the reach of every parent exactly its distance (r = 0): a node with
    // nothing to pass on must not compute 0 * infinity.
    MRT_TileData tile;
    BuildTile(
        tile, 9, {1.0f, 1.0f, 1.0f}, [](s32, s32) { return (u16)7; }, 0, 0, std::sqrt(2.0f) / 4.0f);
    EXPECT_TRUE(AllD2Zero(tile));
    // Whereas a rough node there cannot be passed on at all (its parent's centre is raised
    // with it, so the distance stays exactly the reach).
    MRT_TileData rough;
    auto raised = [](s32 _x, s32 _y) { return (u16)(_x == _y && (_x == 1 || _x == 2)); };
    EXPECT_FATAL(BuildTile(rough, 9, {1.0f, 1.0f, 1.0f}, raised, 0, 0, std::sqrt(2.0f) / 4.0f),
                 "FC value bigger than 1.0 can not be stored.", "MRT_TileData::StoreD2");
}

TEST(MrtTileData, SinglePeakD2PropagatesToParentsAndInRestrictedTreesToTheirNeighbours)
{
    // 9 x 9, one raised sample at (3, 3): H = 0.5 there, 0 elsewhere. Its node (size 2) bends by
    // 1.0: d2 = 1.0 / 2 / 100 = 0.005, stored as 328.
    auto peak = [](s32 _x, s32 _y) { return (u16)(_x == 3 && _y == 3 ? 50 : 0); };
    const MAT_Vector3 scale{1.0f, 1.0f, 0.01f};
    for (const s32 restricted : {0, 1}) {
        MRT_TileData tile;
        BuildTile(tile, 9, scale, peak, restricted, 0);
        EXPECT_FLOAT_EQ(328.0f / 65535.0f, tile.GetD2(3, 3, 1)) << restricted;
        for (const s32 other : {1, 5, 7})
            EXPECT_EQ(0.0f, tile.GetD2(other, other, 1)) << other;
        // To the parent at (2, 2): reach 28, distance 1.5, factor (14 / 26.5)^2 -> 91.55 -> 92.
        EXPECT_FLOAT_EQ(92.0f / 65535.0f, tile.GetD2(2, 2, 2)) << restricted;
        const f32 root = tile.GetD2(4, 4, 4);
        EXPECT_GT(root, 0.0f);
        EXPECT_LT(root, tile.GetD2(2, 2, 2));
        // The parent's neighbours that touch the node's outer edges.
        EXPECT_EQ(restricted != 0, tile.GetD2(6, 2, 2) > 0.0f) << restricted;
        EXPECT_EQ(restricted != 0, tile.GetD2(2, 6, 2) > 0.0f) << restricted;
        EXPECT_EQ(0.0f, tile.GetD2(6, 6, 2));
    }
    // Modes 2 and 3 pass on d * 0.5 * L / r: 0.0026441, stored as 173 and stepped up to 174
    // so that it reads back no smaller.
    for (const s32 mode : {2, 3}) {
        MRT_TileData tile;
        BuildTile(tile, 9, scale, peak, 0, mode);
        EXPECT_FLOAT_EQ(174.0f / 65535.0f, tile.GetD2(2, 2, 2)) << mode;
    }
    MRT_TileData tile;
    EXPECT_FATAL(BuildTile(tile, 9, scale, peak, 0, 4), "MRT_TileData::PropagateD2()",
                 "TriangulationMode must be smaller or equal 3");
    EXPECT_FATAL(BuildTile(tile, 9, scale, peak, 0, 0, 0.2f), "l2 value must be greater or equal than 0.0",
                 "MRT_TileData::PropagateD2");
    // The fixture gives a terrain's tile type the same metrics.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 1, 9, {0.0f, 0.0f, 0.0f}, scale, peak, 0, 2);
    EXPECT_FLOAT_EQ(174.0f / 65535.0f, terrain.tileTypes[0].GetD2(2, 2, 2));
}

TEST(MrtTileData, D2BendsAlongTheDiagonalOfTheNodesParity)
{
    // A twisted patch around a size-2 node: two opposite corners at 2, the other two at 0, the
    // edge midpoints at 1 (no edge bends) and the centre at 0. Only the diagonal through the two
    // raised corners bends, by 4: d2 = 4 / 2 / 100 = 0.02, stored as 1311. A node whose
    // (i + j) is even measures the diagonal through its (+h, +h) corner, an odd one the other.
    struct Case
    {
        const char* what;
        s32 x, y;           // the node's centre
        bool raisedRising;  // the raised corners are (-h, -h) and (+h, +h)
        f32 expected;
    };
    const Case cases[] = {
        {"even node, its own diagonal", 3, 3, true, 1311.0f / 65535.0f},
        {"even node, the other diagonal", 3, 3, false, 0.0f},
        {"odd node, its own diagonal", 5, 3, false, 1311.0f / 65535.0f},
        {"odd node, the other diagonal", 5, 3, true, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto patch = [&](s32 _x, s32 _y) -> u16 {
            const s32 u = _x - c.x;
            const s32 v = _y - c.y;
            if (std::abs(u) > 1 || std::abs(v) > 1 || (u == 0 && v == 0))
                return 0;
            if (u == 0 || v == 0)
                return 100;
            return (u == v) == c.raisedRising ? 200 : 0;
        };
        MRT_TileData tile;
        BuildTile(tile, 9, {1.0f, 1.0f, 0.01f}, patch, 0, 0);
        EXPECT_FLOAT_EQ(c.expected, tile.GetD2(c.x, c.y, 1));
    }
}

TEST(MrtTileData, StoreD2OnlyRaisesAndReadsBackAtLeastTheValue)
{
    MRT_TileData tile;
    BuildTile(tile, 9, {1.0f, 1.0f, 1.0f}, [](s32, s32) { return (u16)0; });
    // High byte at the lower edge's midpoint, low byte at the left edge's midpoint.
    tile.StoreD2(4660.0f / 65536.0f, 3, 3, 1);
    EXPECT_EQ(0x12, (*tile.d2Map)[2][3]);
    EXPECT_EQ(0x34, (*tile.d2Map)[3][2]);

    f32 previous = 0.0f;
    for (const f32 value : {1.0f / 65535.0f, 0.0050049f, 0.3f, 0.5f, 0.9999f, 1.0f}) {
        tile.StoreD2(value, 4, 4, 4);
        const f32 stored = tile.GetD2(4, 4, 4);
        EXPECT_GE(stored, value);
        EXPECT_GT(stored, previous);
        previous = stored;
    }
    EXPECT_EQ(0xFF, (*tile.d2Map)[0][4]);
    EXPECT_EQ(0xFF, (*tile.d2Map)[4][0]);
    tile.StoreD2(0.25f, 4, 4, 4);  // smaller: nothing changes
    EXPECT_EQ(1.0f, tile.GetD2(4, 4, 4));
    EXPECT_FATAL(tile.StoreD2(1.0000001f, 1, 1, 1), "FC value bigger than 1.0 can not be stored.",
                 "MRT_TileData::StoreD2");
    EXPECT_FATAL(tile.StoreD2(NAN, 1, 1, 1), "FC value bigger than 1.0 can not be stored.", "MRT_TileData::StoreD2");
}

TEST(MrtTileData, GetHeightFollowsTheAlternatingDiagonals)
{
    // Samples (x, y) -> value; cell (0, 0) splits A-D, cell (1, 0) splits B-C.
    const u16 field[3][3] = {{0, 40, 8}, {100, 20, 60}, {4, 4, 4}};  // [row][column]
    MRT_TileData tile;
    BuildTile(tile, 3, {2.0f, 4.0f, 0.5f}, [&](s32 _x, s32 _y) { return field[_y][_x]; });
    const struct
    {
        f32 x, y, expected;
    } cases[] = {
        {0.0f, 0.0f, 0.0f},   // sample (0, 0)
        {2.0f, 4.0f, 10.0f},  // sample (1, 1)
        {1.0f, 2.0f, 5.0f},   // cell (0, 0) centre: the A-D mean, not B-C's 35
        {1.5f, 1.0f, 12.5f},  // dx 0.75 > dy 0.25: B + (A - B) 0.25 + (D - B) 0.25
        {0.5f, 3.0f, 27.5f},  // dx 0.25 < dy 0.75: C + (A - C) 0.25 + (D - C) 0.25
        {3.0f, 2.0f, 7.0f},   // cell (1, 0) centre: the B-C mean, not A-D's 25
        {2.5f, 1.0f, 13.5f},  // dx + dy 0.5 < 1: A + (B - A) 0.25 + (C - A) 0.25
        {3.5f, 3.0f, 18.5f},  // dx + dy 1.5: D + (B - D) 0.25 + (C - D) 0.25
    };
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(c.expected, tile.GetHeight(c.x, c.y)) << c.x << ", " << c.y;
    // Off the tile, and on its last sample column or row.
    for (const auto& point : {std::pair{-0.01f, 1.0f}, {1.0f, -0.01f}, {4.0f, 1.0f}, {1.0f, 8.0f}, {5.0f, 9.0f}})
        EXPECT_EQ(FLT_MAX, tile.GetHeight(point.first, point.second)) << point.first << ", " << point.second;
}

TEST(MrtTileData, IndexAndTriangulationMapsNeedAHeightField)
{
    MRT_TileData empty;
    const char* const message = "heightmap must be created before exportmap could be created.";
    EXPECT_FATAL(empty.CreateIndexMap(), GENERATE, message);
    EXPECT_FATAL(empty.CreateTriangulationMap(), GENERATE, message);

    MRT_TileData tile;
    BuildTile(tile, 5, {1.0f, 1.0f, 1.0f}, [](s32 _x, s32) { return (u16)_x; });
    MOS_Map<u16>* index = tile.CreateIndexMap();
    MOS_Map<u8>* triangulation = tile.CreateTriangulationMap();
    EXPECT_EQ(5, index->m_width);
    EXPECT_EQ(5, index->m_height);
    EXPECT_EQ(4, triangulation->m_width);
    EXPECT_EQ(4, triangulation->m_height);
    for (s32 i = 0; i < index->m_count; ++i)
        EXPECT_EQ(0xFFFF, index->m_cells[i]);
    for (s32 i = 0; i < triangulation->m_count; ++i)
        EXPECT_EQ(0, triangulation->m_cells[i]);
    delete index;
    delete triangulation;
}

TEST(MrtTileData, GeneratingAgainReusesAndResizesTheMaps)
{
    TST_TempDir dir;
    MRT_TileData tile;
    GenerateFromSamples(tile, dir, 9, [](s32 _x, s32 _y) { return (u16)(_x == 3 && _y == 3 ? 5 : 0); });
    const MOS_Map<u8>* d2 = tile.d2Map;
    EXPECT_FALSE(AllD2Zero(tile));
    GenerateFromSamples(tile, dir, 5, [](s32, s32) { return (u16)9; });
    EXPECT_EQ(d2, tile.d2Map);  // the terrain's map pool keeps pointing at it
    EXPECT_EQ(4, tile.d2Map->m_width);
    EXPECT_EQ(2, tile.blockMaxima->m_width);
    EXPECT_EQ(9, (*tile.blockMaxima)[1][1]);
    EXPECT_TRUE(AllD2Zero(tile));
}

TEST(MrtTileData, RandomHeightFieldsWrapAroundAndStayInRange)
{
    for (const s32 size : {3, 17, 65}) {
        const std::vector<u16> field = TOOL_RandomHeightField(size, 42, 1000, 3000);
        ASSERT_EQ((size_t)(size * size), field.size());
        EXPECT_EQ(field, TOOL_RandomHeightField(size, 42, 1000, 3000));
        u16 lowest = 65535, highest = 0;
        for (const u16 sample : field) {
            lowest = std::min(lowest, sample);
            highest = std::max(highest, sample);
        }
        EXPECT_EQ(1000, lowest);
        EXPECT_EQ(3000, highest);
        for (s32 i = 0; i < size; ++i) {
            EXPECT_EQ(field[(size_t)i], field[(size_t)((size - 1) * size + i)]) << size << " column " << i;
            EXPECT_EQ(field[(size_t)(i * size)], field[(size_t)(i * size + size - 1)]) << size << " row " << i;
        }
    }
    EXPECT_NE(TOOL_RandomHeightField(17, 1, 0, 65535), TOOL_RandomHeightField(17, 2, 0, 65535));
    EXPECT_TRUE(TOOL_RandomHeightField(16, 1, 0, 10).empty());
}

}  // namespace
