#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <functional>
#include <vector>

#include "mat_geometry.h"
#include "mrt_segment.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"

namespace
{

const MAT_Vector3 kOffset{100.0f, -50.0f, 3.0f};
const MAT_Vector3 kScale{2.0f, 2.5f, 0.25f};

struct Random
{
    u32 state;
    f32 Next()  // [0, 1)
    {
        state = state * 1664525u + 1013904223u;
        return (f32)(state >> 8) / 16777216.0f;
    }
    f32 Range(f32 _low, f32 _high) { return _low + (_high - _low) * Next(); }
};

MAT_Vector3 ToSample(const MRT_Terrain& _terrain, const MAT_Vector3& _p)
{
    return {(_p.x - _terrain.Offset.x) / _terrain.Scale.x, (_p.y - _terrain.Offset.y) / _terrain.Scale.y,
            (_p.z - _terrain.Offset.z) / _terrain.Scale.z};
}

MAT_Vector3 ToWorld(const MRT_Terrain& _terrain, f32 _x, f32 _y, f32 _z)
{
    return {_terrain.Offset.x + _x * _terrain.Scale.x, _terrain.Offset.y + _y * _terrain.Scale.y,
            _terrain.Offset.z + _z * _terrain.Scale.z};
}

// Random samples below maxHeight; each tile's opposite edges are equal so that the ground has no
// steps at tile borders (every cell shows the same tile type).
void BuildRandom(MRT_Terrain& _terrain, s32 _lines, s32 _size, u32 _seed, s32 _maxHeight)
{
    Random random{_seed};
    std::vector<u16> heights((size_t)(_size * _size));
    for (u16& height : heights)
        height = (u16)(random.Next() * (f32)_maxHeight);
    for (s32 k = 0; k < _size; ++k) {
        heights[(size_t)(k * _size + _size - 1)] = heights[(size_t)(k * _size)];
        heights[(size_t)((_size - 1) * _size + k)] = heights[(size_t)k];
    }
    TST_BuildTerrain(_terrain, _lines, _size, kOffset, kScale,
                     [&](s32 _x, s32 _y) { return heights[(size_t)(_y * _size + _x)]; });
}

void BuildFlat(MRT_Terrain& _terrain, s32 _lines, s32 _size, u16 _height)
{
    TST_BuildTerrain(_terrain, _lines, _size, kOffset, kScale, [=](s32, s32) { return _height; });
}

// A triangle named by its three global sample corners, sorted.
using TriangleKey = std::array<s32, 6>;

TriangleKey KeyOfWorldTriangle(const MRT_Terrain& _terrain, const MAT_Triangle& _triangle)
{
    std::array<std::pair<s32, s32>, 3> corners;
    const MAT_Vector3* points[3] = {&_triangle.m_a, &_triangle.m_b, &_triangle.m_c};
    for (s32 k = 0; k < 3; ++k) {
        const MAT_Vector3 sample = ToSample(_terrain, *points[k]);
        corners[(size_t)k] = {(s32)std::lround(sample.x), (s32)std::lround(sample.y)};
    }
    std::sort(corners.begin(), corners.end());
    return {corners[0].first,  corners[0].second, corners[1].first,
            corners[1].second, corners[2].first,  corners[2].second};
}

struct BruteHit
{
    f32 fraction;
    TriangleKey key;
    bool exit;  // the segment leaves the ground here (it came from below)
};

// Every ground triangle under the segment's bounding box, in global sample space, split as the
// tile's height query splits its cells. Hits sorted along the segment.
std::vector<BruteHit> BruteForce(const MRT_Terrain& _terrain, const MAT_Vector3& _from, const MAT_Vector3& _to)
{
    std::vector<BruteHit> hits;
    const s32 span = _terrain.tileTypes[0].GetSize() - 1;
    const s32 total = _terrain.GetNumOfLines() * span;
    const MAT_Vector3 a = ToSample(_terrain, _from);
    const MAT_Vector3 b = ToSample(_terrain, _to);
    const MAT_Vector3 delta = b - a;
    const f32 length = delta.Length();
    if (length < MAT_EPSILON)
        return hits;
    MAT_Ray ray;
    ray.m_origin = a;
    ray.m_direction = delta * (1.0f / length);
    const s32 x0 = std::max(0, (s32)std::floor(std::min(a.x, b.x)) - 1);
    const s32 x1 = std::min(total - 1, (s32)std::floor(std::max(a.x, b.x)) + 1);
    const s32 y0 = std::max(0, (s32)std::floor(std::min(a.y, b.y)) - 1);
    const s32 y1 = std::min(total - 1, (s32)std::floor(std::max(a.y, b.y)) + 1);
    // Only cells near the segment's track can hold a hit: a cell's centre lies within half a
    // diagonal of every point of the cell.
    const f32 track = std::sqrt(delta.x * delta.x + delta.y * delta.y);
    for (s32 y = y0; y <= y1; ++y) {
        for (s32 x = x0; x <= x1; ++x) {
            const f32 cx = (f32)x + 0.5f - a.x;
            const f32 cy = (f32)y + 0.5f - a.y;
            const f32 away = track > 1e-3f ? std::fabs(cx * delta.y - cy * delta.x) / track : std::hypot(cx, cy);
            if (away > 0.75f)
                continue;
            MAT_Triangle triangles[2];
            TST_GroundCellTriangles(_terrain, x, y, triangles);
            for (const MAT_Triangle& triangle : triangles) {
                f32 t = 0.0f;
                if (ray.IntersectTriangle(triangle, t) && t > 0.0f && t <= length) {
                    // Corners in world space, so the key is made the same way as the query's.
                    MAT_Triangle world;
                    world.Set(ToWorld(_terrain, triangle.m_a.x, triangle.m_a.y, triangle.m_a.z),
                              ToWorld(_terrain, triangle.m_b.x, triangle.m_b.y, triangle.m_b.z),
                              ToWorld(_terrain, triangle.m_c.x, triangle.m_c.y, triangle.m_c.z));
                    hits.push_back({t / length, KeyOfWorldTriangle(_terrain, world),
                                    triangle.m_normal.Dot(ray.m_direction) > 0.0f});
                }
            }
        }
    }
    std::sort(hits.begin(), hits.end(),
              [](const BruteHit& _l, const BruteHit& _r) { return _l.fraction < _r.fraction; });
    return hits;
}

// Hits at one place along the segment (on a shared edge or corner several triangles report it).
struct Event
{
    f32 fraction;
    std::vector<TriangleKey> keys;
    bool exit;
};

std::vector<Event> GroupHits(const std::vector<BruteHit>& _hits, f32 _tolerance)
{
    std::vector<Event> events;
    for (const BruteHit& hit : _hits) {
        if (!events.empty() && hit.fraction - events.back().fraction <= _tolerance) {
            events.back().keys.push_back(hit.key);
            continue;
        }
        events.push_back({hit.fraction, {hit.key}, hit.exit});
    }
    return events;
}

bool Contains(const std::vector<TriangleKey>& _keys, const TriangleKey& _key)
{
    return std::find(_keys.begin(), _keys.end(), _key) != _keys.end();
}

s32 TilesSpanned(const MRT_Terrain& _terrain, const MAT_Vector3& _from, const MAT_Vector3& _to)
{
    const f32 span = (f32)(_terrain.tileTypes[0].GetSize() - 1);
    const MAT_Vector3 a = ToSample(_terrain, _from);
    const MAT_Vector3 b = ToSample(_terrain, _to);
    const s32 nx = std::abs((s32)std::floor(a.x / span) - (s32)std::floor(b.x / span)) + 1;
    const s32 ny = std::abs((s32)std::floor(a.y / span) - (s32)std::floor(b.y / span)) + 1;
    return std::max(nx, ny);
}

// Steps 3 to 6 of the query as first laid down: at most two tiles each way, each piece walked
// with its border fractions. Long segments must keep these results bit for bit.
s32 TwoTileReference(const MRT_Terrain& _terrain, const MAT_Vector3& _from, const MAT_Vector3& _to, f32& _fraction,
                     MAT_Triangle& _triangle)
{
    const f32 S = (f32)(_terrain.tileTypes[0].GetSize() - 1);
    const MAT_Vector3 a = ToSample(_terrain, _from);
    const MAT_Vector3 b = ToSample(_terrain, _to);
    const MAT_Vector3 delta = b - a;
    const s32 ax = MAT_FloorByRounding(a.x / S), ay = MAT_FloorByRounding(a.y / S);
    const s32 bx = MAT_FloorByRounding(b.x / S), by = MAT_FloorByRounding(b.y / S);
    const MAT_Vector3 la(a.x - (f32)ax * S, a.y - (f32)ay * S, a.z);
    const MAT_Vector3 lb(b.x - (f32)bx * S, b.y - (f32)by * S, b.z);
    auto walk = [&](s32 _tx, s32 _ty, const MAT_Vector3& _p0, const MAT_Vector3& _p1, f32 _p, f32 _q) {
        MRT_SegmentWalker walker;
        f32 t = 0.0f;
        MAT_Triangle local;
        if (!walker.IntersectTile(_p0, _p1, _terrain.GetTile(_tx, _ty), t, local))
            return false;
        _fraction = _p + (_q - _p) * t;
        const MAT_Vector3 origin =
            _terrain.Offset + MAT_Vector3((f32)_tx * _terrain.extentX, (f32)_ty * _terrain.extentY, 0);
        const MAT_Vector3& sc = _terrain.Scale;
        _triangle.Set(origin + MAT_Vector3::MulComponents(local.m_a, sc.x, sc.y, sc.z),
                      origin + MAT_Vector3::MulComponents(local.m_b, sc.x, sc.y, sc.z),
                      origin + MAT_Vector3::MulComponents(local.m_c, sc.x, sc.y, sc.z));
        return true;
    };
    const f32 fx = ax < bx ? (S - la.x) / ((S - la.x) + lb.x) : la.x / ((S + la.x) - lb.x);
    const f32 fy = ay < by ? (S - la.y) / ((S - la.y) + lb.y) : la.y / ((S + la.y) - lb.y);
    if (ax == bx && ay == by)
        return walk(ax, ay, la, lb, 0.0f, 1.0f);
    if (ax == bx)
        return walk(ax, ay, la, la + delta * fy, 0.0f, fy) || walk(bx, by, lb - delta * (1.0f - fy), lb, fy, 1.0f);
    if (ay == by)
        return walk(ax, ay, la, la + delta * fx, 0.0f, fx) || walk(bx, by, lb - delta * (1.0f - fx), lb, fx, 1.0f);
    const f32 f1 = fx < fy ? fx : fy;
    const f32 f2 = fx < fy ? fy : fx;
    MAT_Vector3 m0 = la + delta * f1;
    MAT_Vector3 m1 = la + delta * f2;
    s32 mx = ax, my = ay;
    if (fx < fy) {
        mx = bx;
        const f32 shift = ax < bx ? -S : S;
        m0.x = m0.x + shift;
        m1.x = m1.x + shift;
    } else {
        my = by;
        const f32 shift = ay < by ? -S : S;
        m0.y = m0.y + shift;
        m1.y = m1.y + shift;
    }
    return walk(ax, ay, la, la + delta * f1, 0.0f, f1) || walk(mx, my, m0, m1, f1, f2) ||
           walk(bx, by, lb - delta * (1.0f - f2), lb, f2, 1.0f);
}

// A random segment starting above the ground somewhere over the grid, reaching about _reach
// sample steps sideways and ending mostly below the ground.
void RandomSegment(const MRT_Terrain& _terrain, Random& _random, f32 _reach, MAT_Vector3& _from, MAT_Vector3& _to)
{
    const f32 total = (f32)(_terrain.GetNumOfLines() * (_terrain.tileTypes[0].GetSize() - 1));
    const f32 x = _random.Range(0.0f, total);
    const f32 y = _random.Range(0.0f, total);
    _from = ToWorld(_terrain, x, y, 0.0f);
    _from.z = _terrain.GetHeightAt(_from.x, _from.y) + _random.Range(0.05f, 6.0f);
    const f32 angle = _random.Range(0.0f, 6.2831853f);
    const f32 reach = _reach * _random.Range(0.5f, 1.0f);
    _to = ToWorld(_terrain, x + reach * std::cos(angle), y + reach * std::sin(angle), 0.0f);
    const f32 ground = _terrain.GetHeightAt(_to.x, _to.y);
    _to.z = (ground == FLT_MAX ? _from.z : ground) + _random.Range(-6.0f, 2.0f);
}

TEST(MrtSegment, RandomSegmentsMeetTheFirstGroundTriangleOfABruteForceSearch)
{
    // Rough random ground, where segments often dip in and out again, over tiles of 8 and of 32
    // steps. Reaches in sample steps: within a tile, across one border, over a corner and over
    // up to six tiles. Every segment starts above the ground, so the first intersection is
    // where it goes in.
    const struct
    {
        s32 size;
        u32 seeds;
        f32 reaches[4];
    } grids[] = {{9, 6, {3.0f, 8.0f, 14.0f, 40.0f}}, {33, 3, {12.0f, 32.0f, 56.0f, 160.0f}}};
    for (const auto& grid : grids) {
        s32 casesBySpan[4] = {};  // 1, 2, 3..4, more tiles in the longer direction
        s32 hitsBySpan[4] = {};
        for (u32 seed = 1; seed <= grid.seeds; ++seed) {
            MRT_Terrain terrain;
            BuildRandom(terrain, 6, grid.size, seed * 7919u, seed % 2 ? 60 : 16);
            Random random{seed};
            for (s32 n = 0; n < 1200; ++n) {
                MAT_Vector3 from;
                MAT_Vector3 to;
                RandomSegment(terrain, random, grid.reaches[n % 4], from, to);
                const s32 spanned = TilesSpanned(terrain, from, to);
                const s32 bucket = spanned <= 2 ? spanned - 1 : (spanned <= 4 ? 2 : 3);
                ++casesBySpan[bucket];

                const std::vector<Event> events = GroupHits(BruteForce(terrain, from, to), 1e-4f);
                f32 fraction = -1.0f;
                MAT_Triangle triangle;
                const s32 hit = terrain.IntersectSegment(from, to, fraction, triangle);
                SCOPED_TRACE(::testing::Message()
                             << "tiles of " << grid.size << " seed " << seed << " case " << n << " from " << from.x
                             << ", " << from.y << ", " << from.z << " to " << to.x << ", " << to.y << ", " << to.z);
                ASSERT_EQ(events.empty() ? 0 : 1, hit);
                if (events.empty())
                    continue;
                ASSERT_FALSE(events[0].exit);
                EXPECT_NEAR(events[0].fraction, fraction, 1e-4f);
                EXPECT_TRUE(Contains(events[0].keys, KeyOfWorldTriangle(terrain, triangle)));
                EXPECT_GT(triangle.m_normal.z, 0.0f);
                ++hitsBySpan[bucket];
            }
        }
        for (s32 bucket = 0; bucket < 4; ++bucket) {
            EXPECT_GT(casesBySpan[bucket], 200) << "tiles of " << grid.size << " bucket " << bucket;
            EXPECT_GT(hitsBySpan[bucket], 100) << "tiles of " << grid.size << " bucket " << bucket;
        }
    }
}

TEST(MrtSegment, EntryNextToABorderIsFoundWhereThePieceEndsPastIt)
{
    // Tiles of 32 steps in sample space. Going towards -x, the piece before the border at
    // x = 96 ends one ulp past the tile's X = 0 line. A ridge along that line takes the segment
    // in after its last crossing in the tile (at x = 96.4), so only the piece's end cell can
    // find the way in; the piece beyond the border starts under the ground and would find the
    // way out (x = 95.6). Back the other way the ridge is met before the border.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 4, 33, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f},
                     [](s32 _x, s32) { return (u16)(_x % 32 == 0 ? 1907 : 1000); });
    const MAT_Vector3 a(123.40358f, 56.20548f, 1593.65662f);
    const MAT_Vector3 b(81.10793f, 48.32318f, 1515.71680f);
    for (bool backwards : {false, true}) {
        const MAT_Vector3& from = backwards ? b : a;
        const MAT_Vector3& to = backwards ? a : b;
        const std::vector<Event> events = GroupHits(BruteForce(terrain, from, to), 1e-4f);
        ASSERT_GE(events.size(), 2u);
        f32 fraction = -1.0f;
        MAT_Triangle triangle;
        ASSERT_EQ(1, terrain.IntersectSegment(from, to, fraction, triangle)) << backwards;
        EXPECT_NEAR(events[0].fraction, fraction, 1e-4f) << backwards;
        EXPECT_TRUE(Contains(events[0].keys, KeyOfWorldTriangle(terrain, triangle))) << backwards;
        EXPECT_NEAR(backwards ? 95.6f : 96.4f, from.x + (to.x - from.x) * fraction, 0.1f) << backwards;
    }
}

TEST(MrtSegment, SegmentsOverAtMostTwoTilesEachWayKeepTheirExactResults)
{
    MRT_Terrain terrain;
    BuildRandom(terrain, 4, 9, 4242u, 40);
    Random random{99u};
    s32 compared = 0;
    for (s32 n = 0; n < 4000; ++n) {
        MAT_Vector3 from;
        MAT_Vector3 to;
        RandomSegment(terrain, random, n % 2 ? 6.0f : 12.0f, from, to);
        // Some start off the grid's edge, where one of the tiles walked does not exist.
        if (n % 5 == 0)
            from.x -= 3.0f * terrain.Scale.x;
        const f32 S = 8.0f;
        const MAT_Vector3 a = ToSample(terrain, from);
        const MAT_Vector3 b = ToSample(terrain, to);
        if (std::abs(MAT_FloorByRounding(a.x / S) - MAT_FloorByRounding(b.x / S)) > 1 ||
            std::abs(MAT_FloorByRounding(a.y / S) - MAT_FloorByRounding(b.y / S)) > 1)
            continue;
        f32 expectedFraction = -1.0f, fraction = -1.0f;
        MAT_Triangle expected, triangle;
        const s32 expectedHit = TwoTileReference(terrain, from, to, expectedFraction, expected);
        ASSERT_EQ(expectedHit, terrain.IntersectSegment(from, to, fraction, triangle)) << n;
        if (!expectedHit)
            continue;
        ++compared;
        ASSERT_EQ(expectedFraction, fraction) << n;
        EXPECT_EQ(expected.m_a, triangle.m_a) << n;
        EXPECT_EQ(expected.m_b, triangle.m_b) << n;
        EXPECT_EQ(expected.m_c, triangle.m_c) << n;
        EXPECT_EQ(expected.m_normal, triangle.m_normal) << n;
        EXPECT_EQ(expected.m_d, triangle.m_d) << n;
    }
    EXPECT_GT(compared, 1000);
}

// Flat ground 10 units up (2.5 in the world above Offset.z) over 6 x 6 tiles of 4 steps.
class FlatGround : public ::testing::Test
{
protected:
    void SetUp() override { BuildFlat(terrain, 6, 5, 10); }
    MAT_Vector3 At(f32 _x, f32 _y, f32 _z) const { return ToWorld(terrain, _x, _y, _z); }
    MRT_Terrain terrain;
};

TEST_F(FlatGround, DecidesByStartCellCrossingsAndEndCell)
{
    const struct
    {
        const char* name;
        MAT_Vector3 from, to;  // sample space
        s32 hit;
        f32 fraction;
    } cases[] = {
        {"above everywhere", {1.5f, 1.5f, 12}, {14.5f, 9.5f, 10.5f}, 0, 0},
        {"into the ground within the start cell", {0.3f, 0.3f, 10.1f}, {0.6f, 0.6f, 9.0f}, 1, 0.1f / 1.1f},
        {"below the ground only within the end cell", {1.5f, 1.2f, 14}, {3.5f, 1.6f, 9.5f}, 1, 4.0f / 4.5f},
        {"ending just above: no hit from its prolongation", {1.5f, 1.2f, 14}, {3.7f, 1.6f, 10.5f}, 0, 0},
        {"vertical", {2.25f, 3.75f, 12}, {2.25f, 3.75f, 2}, 1, 0.2f},
        {"crossing lines before going under", {0.5f, 0.5f, 18}, {3.5f, 2.5f, 2}, 1, 0.5f},
    };
    for (const auto& c : cases) {
        f32 fraction = -1.0f;
        MAT_Triangle triangle;
        ASSERT_EQ(c.hit, terrain.IntersectSegment(At(c.from.x, c.from.y, c.from.z), At(c.to.x, c.to.y, c.to.z),
                                                  fraction, triangle))
            << c.name;
        if (c.hit) {
            EXPECT_NEAR(c.fraction, fraction, 1e-5f) << c.name;
            EXPECT_NEAR(1.0f, triangle.m_normal.z, 1e-6f) << c.name;
        }
    }
}

TEST_F(FlatGround, SecondPieceReportsItsFractionAfterTheBorder)
{
    // From sample x 2 to 6 the border at 4 lies halfway; the piece after it meets the ground
    // at its own half.
    f32 fraction = -1.0f;
    MAT_Triangle triangle;
    ASSERT_EQ(1, terrain.IntersectSegment(At(2, 1.5f, 13), At(6, 1.5f, 9), fraction, triangle));
    EXPECT_FLOAT_EQ(0.5f + (1.0f - 0.5f) * 0.5f, fraction);
    // The same in y, going down the rows.
    ASSERT_EQ(1, terrain.IntersectSegment(At(1.5f, 6, 13), At(1.5f, 2, 9), fraction, triangle));
    EXPECT_FLOAT_EQ(0.75f, fraction);
}

TEST_F(FlatGround, TriangleOfAHitLiesAtItsTilesPlaceInTheWorld)
{
    // Tile (2, 1) starts at sample (8, 4).
    f32 fraction = -1.0f;
    MAT_Triangle triangle;
    ASSERT_EQ(1, terrain.IntersectSegment(At(9.3f, 5.6f, 12), At(9.3f, 5.6f, 8), fraction, triangle));
    EXPECT_FLOAT_EQ(0.5f, fraction);
    EXPECT_GT(triangle.m_normal.z, 0.0f);
    const f32 cornersX[] = {triangle.m_a.x, triangle.m_b.x, triangle.m_c.x};
    const f32 cornersY[] = {triangle.m_a.y, triangle.m_b.y, triangle.m_c.y};
    for (s32 k = 0; k < 3; ++k) {
        EXPECT_GE(cornersX[k], kOffset.x + 2 * terrain.extentX + 1 * kScale.x);
        EXPECT_LE(cornersX[k], kOffset.x + 2 * terrain.extentX + 2 * kScale.x);
        EXPECT_GE(cornersY[k], kOffset.y + 1 * terrain.extentY + 1 * kScale.y);
        EXPECT_LE(cornersY[k], kOffset.y + 1 * terrain.extentY + 2 * kScale.y);
    }
    EXPECT_FLOAT_EQ(kOffset.z + 10 * kScale.z, triangle.m_a.z);
    EXPECT_NEAR(-(kOffset.z + 10 * kScale.z), triangle.m_d, 1e-5f);
}

TEST_F(FlatGround, LongSegmentsWalkEveryTileBetweenTheirEnds)
{
    // Each meets the ground halfway, in a tile strictly between its first and its last; the
    // pieces before stay above the ground and must not reach outside their tiles either.
    const struct
    {
        const char* name;
        MAT_Vector3 from, to;
    } cases[] = {
        {"along x over five tiles", {1, 2.3f, 14}, {19, 2.3f, 6}},
        {"along -y over five tiles", {2.5f, 19.6f, 14}, {2.5f, 1, 6}},
        {"diagonal over four by four", {1.2f, 0.7f, 14}, {15.2f, 14.9f, 6}},
        {"from off the grid", {-10, 10.4f, 14}, {20, 10.4f, 6}},
        {"off the grid at both ends", {-30, -19, 14}, {50, 40, 6}},
    };
    for (const auto& c : cases) {
        f32 fraction = -1.0f;
        MAT_Triangle triangle;
        ASSERT_EQ(1, terrain.IntersectSegment(At(c.from.x, c.from.y, c.from.z), At(c.to.x, c.to.y, c.to.z), fraction,
                                              triangle))
            << c.name;
        EXPECT_NEAR(0.5f, fraction, 1e-5f) << c.name;
        const MAT_Vector3 middle = (c.from + c.to) * 0.5f;
        const MAT_Vector3 corner = ToSample(terrain, triangle.m_a);
        EXPECT_LE(std::fabs(corner.x - middle.x), 1.0f + 1e-4f) << c.name;
        EXPECT_LE(std::fabs(corner.y - middle.y), 1.0f + 1e-4f) << c.name;
    }
}

TEST_F(FlatGround, SegmentsOffTheGridOrDegenerateMeetNothing)
{
    const struct
    {
        const char* name;
        MAT_Vector3 from, to;
    } cases[] = {
        {"beside the grid", {-10, 3, 14}, {-2, 3, 2}},
        {"beyond the last column", {25, 3, 14}, {40, 3, 2}},
        {"shorter than epsilon", {3, 3, 12}, {3, 3, 12}},
        {"astronomically long", {-1e30f, -1e30f, 14}, {1e30f, 1e30f, 2}},
        {"not a number", {std::nanf(""), 3, 14}, {3, 3, 2}},
    };
    for (const auto& c : cases) {
        f32 fraction = -1.0f;
        MAT_Triangle triangle;
        EXPECT_EQ(0, terrain.IntersectSegment(At(c.from.x, c.from.y, c.from.z), At(c.to.x, c.to.y, c.to.z), fraction,
                                              triangle))
            << c.name;
        EXPECT_EQ(-1.0f, fraction) << c.name;
    }
}

TEST(MrtSegmentWalker, BeginFindsTheFirstCrossingOfEachFamily)
{
    MRT_SegmentWalker walker;
    // Along x: no line of family 1 is ever crossed.
    walker.Begin({0.5f, 0.25f, 3.0f}, {5.5f, 0.25f, 1.0f});
    const f32 unitX = 5.0f / std::sqrt(29.0f);
    EXPECT_FLOAT_EQ(std::sqrt(29.0f), walker.length);
    EXPECT_EQ(FLT_MAX, walker.distances[MRT_SegmentWalker::FAMILY_Y]);
    EXPECT_FLOAT_EQ(1.0f, walker.steps[0].x);
    EXPECT_FLOAT_EQ(-0.4f, walker.steps[0].z);
    EXPECT_FLOAT_EQ(0.5f * std::sqrt(1.16f), walker.distances[0]);
    EXPECT_FLOAT_EQ(1.0f, walker.crossings[0].x);
    // x - y = 2 at x = 2.25 and x + y = 2 at x = 1.75.
    EXPECT_FLOAT_EQ(2.25f, walker.crossings[2].x);
    EXPECT_FLOAT_EQ(1.75f / unitX, walker.distances[2]);
    EXPECT_FLOAT_EQ(1.75f, walker.crossings[3].x);
    EXPECT_FLOAT_EQ(1.25f / unitX, walker.distances[3]);
    EXPECT_FLOAT_EQ(2.0f / unitX, walker.stepLengths[2]);

    // Vertical: no family at all.
    walker.Begin({0.5f, 0.25f, 3.0f}, {0.5f, 0.25f, 1.0f});
    for (s32 family = 0; family < 4; ++family)
        EXPECT_EQ(FLT_MAX, walker.distances[family]) << family;
}

TEST(MrtSegmentWalker, CrossingTrianglesShareTheCrossedEdgeAndFaceUp)
{
    // The edge of each family from sample (i, j); either parity.
    const s32 edges[4][2][2] = {{{0, 0}, {0, 1}}, {{0, 0}, {1, 0}}, {{0, 0}, {1, 1}}, {{0, 1}, {1, 0}}};
    for (s32 family = 0; family < 4; ++family) {
        for (s32 parity = 0; parity < 2; ++parity) {
            if (family >= 2 && parity != family - 2)
                continue;  // the diagonals of one family exist only in cells of one parity
            f32 sideX[2] = {};
            for (s32 k = 0; k < 2; ++k) {
                const s8(*corners)[2] = MRT_SegmentWalker::crossingTriangles[family][parity][k];
                s32 onEdge = 0;
                f32 otherX = 0.0f;
                f32 otherY = 0.0f;
                for (s32 c = 0; c < 3; ++c) {
                    bool isEdge = false;
                    for (const auto& end : edges[family])
                        isEdge = isEdge || (corners[c][0] == end[0] && corners[c][1] == end[1]);
                    onEdge += isEdge;
                    if (!isEdge) {
                        otherX = corners[c][0];
                        otherY = corners[c][1];
                    }
                }
                EXPECT_EQ(2, onEdge) << family << "/" << parity << "/" << k;
                MAT_Triangle triangle;
                triangle.Set({(f32)corners[0][0], (f32)corners[0][1], 0}, {(f32)corners[1][0], (f32)corners[1][1], 0},
                             {(f32)corners[2][0], (f32)corners[2][1], 0});
                EXPECT_EQ(1.0f, triangle.m_normal.z) << family << "/" << parity << "/" << k;
                sideX[k] = family == 1 ? -otherY : otherX;
                // A cell's split: the third corner is a neighbour of both edge ends.
                (void)otherY;
            }
            // Lower-x side first (upper-y for family 1).
            EXPECT_LT(sideX[0], sideX[1]) << family << "/" << parity;
        }
    }
}

// A ramp rising along x: slope per sample step of the given height units, flat in y.
void BuildRamp(MRT_Terrain& _terrain, s32 _rise)
{
    TST_BuildTerrain(_terrain, 3, 9, kOffset, kScale, [=](s32 _x, s32) { return (u16)(100 + _rise * _x); });
}

MAT_Segment MakeSegment(const MAT_Vector3& _from, const MAT_Vector3& _to)
{
    MAT_Segment segment;
    segment.Set(_from, _to);
    return segment;
}

TEST(MrtTerrainProbe, AvoidanceVectorBranches)
{
    const MAT_Segment segment = MakeSegment({0, 0, 0}, {6, 8, 0});  // u = (0.6, 0.8, 0), length 10
    const f32 m = 7.0f - 0.25f * 10.0f;
    // Fully vertical: straight up, as long as the part beyond the hit.
    MAT_Vector3 v(-0.6f, 0.0f, 0.8f);
    MRT_Terrain::AvoidanceVector(v, segment, 1.0f, 0.25f, 7.0f);
    EXPECT_FLOAT_EQ(0.0f, v.x);
    EXPECT_FLOAT_EQ(0.0f, v.y);
    EXPECT_FLOAT_EQ(m, v.z);
    // Ground avoiders: horizontal, across the direction.
    v = {-0.6f, 0.0f, 0.8f};
    MRT_Terrain::AvoidanceVector(v, segment, -1.0f, 0.25f, 7.0f);
    EXPECT_EQ(0.0f, v.z);
    EXPECT_NEAR(0.0f, v.x * 0.6f + v.y * 0.8f, 1e-6f);
    EXPECT_FLOAT_EQ(m, v.Length());
    // Between: across the direction and lifted.
    v = {-0.6f, 0.0f, 0.8f};
    MRT_Terrain::AvoidanceVector(v, segment, 0.5f, 0.25f, 7.0f);
    EXPECT_GT(v.z, 0.0f);
    EXPECT_NEAR(0.0f, v.x * 0.6f + v.y * 0.8f, 1e-6f);
    EXPECT_FLOAT_EQ(m, v.Length());
    // Nothing left to scale: unchanged.
    v = {0.0f, 0.0f, 0.0f};
    MRT_Terrain::AvoidanceVector(v, segment, -1.0f, 0.25f, 7.0f);
    EXPECT_EQ(MAT_Vector3(0, 0, 0), v);
}

TEST(MrtTerrainProbe, RaisedProbeReportsOnlyGroundSteeperThanTheLimit)
{
    const f32 offset = 1.0f;
    const f32 distance = 20.0f;
    const f32 limit = 0.7f;
    const struct
    {
        const char* name;
        s32 rise;
        s32 blocked;
    } cases[] = {{"gentle", 1, 0}, {"steep", 40, 1}};
    for (const auto& c : cases) {
        MRT_Terrain terrain;
        BuildRamp(terrain, c.rise);
        // Across the ramp at an angle, from above the ground into it; the raised start is still
        // above the ground.
        const MAT_Vector3 from = ToWorld(terrain, 3.0f, 2.0f, 100.0f + 3.0f * (f32)c.rise + 8.0f);
        const MAT_Vector3 to = ToWorld(terrain, 9.0f, 10.0f, 100.0f + 3.0f * (f32)c.rise - 20.0f);
        const MAT_Segment segment = MakeSegment(from, to);
        MAT_Vector3 vector(5, 5, 5);
        const s32 blocked = terrain.ProbeRaised(segment, &offset, distance, vector, nullptr, limit);
        ASSERT_EQ(c.blocked, blocked) << c.name;
        f32 fraction = -1.0f;
        MAT_Triangle triangle;
        ASSERT_EQ(1, terrain.IntersectSegment(from + MAT_Vector3(0, 0, offset), to, fraction, triangle)) << c.name;
        if (!blocked) {
            EXPECT_EQ(MAT_Vector3(0, 0, 0), vector) << c.name;
            continue;
        }
        EXPECT_EQ(0.0f, vector.z) << c.name;
        const f32 expected = std::fabs(distance - fraction * segment.m_length) * 1e10f;
        EXPECT_NEAR(expected, vector.Length(), expected * 1e-5f) << c.name;
    }
    // Nothing hit: the vector is left alone.
    MRT_Terrain terrain;
    BuildRamp(terrain, 40);
    MAT_Vector3 vector(5, 5, 5);
    const MAT_Segment high = MakeSegment(ToWorld(terrain, 3, 2, 2000), ToWorld(terrain, 9, 10, 1900));
    EXPECT_EQ(0, terrain.ProbeRaised(high, &offset, distance, vector, nullptr, limit));
    EXPECT_EQ(MAT_Vector3(5, 5, 5), vector);
}

TEST(MrtTerrainProbe, LoweredProbeSteersByTheNormalOfTheGroundHit)
{
    MRT_Terrain terrain;
    BuildFlat(terrain, 3, 9, 10);
    const f32 offset = 0.5f;
    const f32 distance = 9.0f;
    // Flat ground at world z 5.5; the lowered start at z 8.
    const MAT_Segment segment = MakeSegment({110.0f, -40.0f, 8.5f}, {114.0f, -37.0f, 3.0f});
    MAT_Vector3 vector;
    ASSERT_EQ(1, terrain.ProbeLowered(segment, &offset, distance, vector, nullptr, 1.0f));
    const f32 fraction = (8.0f - 5.5f) / (8.0f - 3.0f);
    EXPECT_FLOAT_EQ(0.0f, vector.x);
    EXPECT_FLOAT_EQ(0.0f, vector.y);
    EXPECT_NEAR(distance - fraction * segment.m_length, vector.z, 1e-4f);

    // Lowered below the ground it starts under, the probe finds no way in.
    const f32 deep = 5.0f;
    EXPECT_EQ(0, terrain.ProbeLowered(segment, &deep, distance, vector, nullptr, 1.0f));
    const MAT_Segment point = MakeSegment({110.0f, -40.0f, 8.5f}, {110.0f, -40.0f, 8.5f});
    EXPECT_EQ(0, terrain.ProbeLowered(point, &offset, distance, vector, nullptr, 1.0f));
}

}  // namespace
