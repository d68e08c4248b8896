// The terrain segment query against a brute-force test of every ground triangle under the
// segment's bounding box, on the same random segments over the same random height field.
//
// The segments are of the lengths that bullets and sensor lines have: a few sample steps up to
// several tiles. The same run times the brute force and prints the ratio (brute_over_walk), so
// the figure does not depend on the machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "bench_common.h"
#include "mat_geometry.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"

namespace
{
using bench_common::Random;

const s32 kLines = 8;
const s32 kSize = 33;  // tiles of 32 sample steps

struct Query
{
    MAT_Vector3 from;
    MAT_Vector3 to;
};

// Rolling ground: a few sine waves and some noise, opposite tile edges equal.
void BuildGround(MRT_Terrain& _terrain)
{
    Random random;
    std::vector<u16> heights((size_t)(kSize * kSize));
    for (s32 y = 0; y < kSize; ++y) {
        for (s32 x = 0; x < kSize; ++x) {
            const f32 wave = std::sin((f32)x * 0.19634954f) * std::cos((f32)y * 0.19634954f);
            heights[(size_t)(y * kSize + x)] = (u16)(400.0f + 300.0f * wave + 40.0f * random.Next());
        }
    }
    for (s32 k = 0; k < kSize; ++k) {
        heights[(size_t)(k * kSize + kSize - 1)] = heights[(size_t)(k * kSize)];
        heights[(size_t)((kSize - 1) * kSize + k)] = heights[(size_t)k];
    }
    TST_BuildTerrain(_terrain, kLines, kSize, {0.0f, 0.0f, 0.0f}, {4.0f, 4.0f, 0.05f},
                     [&](s32 _x, s32 _y) { return heights[(size_t)(_y * kSize + _x)]; });
}

std::vector<Query> MakeQueries(const MRT_Terrain& _terrain, f32 _reach, s32 _count)
{
    Random random;
    random.state = 777u + (u32)_reach;
    const f32 side = (f32)kLines * _terrain.extentX;
    std::vector<Query> queries((size_t)_count);
    for (Query& query : queries) {
        const f32 x = random.Next() * side;
        const f32 y = random.Next() * side;
        const f32 angle = random.Next() * 6.2831853f;
        query.from = {x, y, _terrain.GetHeightAt(x, y) + 1.0f + 10.0f * random.Next()};
        query.to = {x + _reach * std::cos(angle), y + _reach * std::sin(angle), 0.0f};
        const f32 ground = _terrain.GetHeightAt(query.to.x, query.to.y);
        query.to.z = (ground > 1e30f ? query.from.z : ground) - 10.0f + 14.0f * random.Next();
    }
    return queries;
}

// Both triangles of every height cell under the segment's box, nearest hit kept.
s32 BruteForce(const MRT_Terrain& _terrain, const Query& _query, f32& _fraction)
{
    const MAT_Vector3& offset = _terrain.Offset;
    const MAT_Vector3& scale = _terrain.Scale;
    const MAT_Vector3 a((_query.from.x - offset.x) / scale.x, (_query.from.y - offset.y) / scale.y,
                        (_query.from.z - offset.z) / scale.z);
    const MAT_Vector3 b((_query.to.x - offset.x) / scale.x, (_query.to.y - offset.y) / scale.y,
                        (_query.to.z - offset.z) / scale.z);
    const MAT_Vector3 delta = b - a;
    const f32 length = delta.Length();
    MAT_Ray ray;
    ray.m_origin = a;
    ray.m_direction = delta * (1.0f / length);
    const s32 span = kSize - 1;
    const s32 total = kLines * span;
    const s32 x0 = std::max(0, (s32)std::floor(std::min(a.x, b.x)));
    const s32 x1 = std::min(total - 1, (s32)std::floor(std::max(a.x, b.x)));
    const s32 y0 = std::max(0, (s32)std::floor(std::min(a.y, b.y)));
    const s32 y1 = std::min(total - 1, (s32)std::floor(std::max(a.y, b.y)));
    f32 best = length + 1.0f;
    for (s32 y = y0; y <= y1; ++y) {
        for (s32 x = x0; x <= x1; ++x) {
            MAT_Triangle triangles[2];
            TST_GroundCellTriangles(_terrain, x, y, triangles);
            for (const MAT_Triangle& triangle : triangles) {
                f32 t = 0.0f;
                if (ray.IntersectTriangle(triangle, t) && t > 0.0f && t <= length && t < best)
                    best = t;
            }
        }
    }
    if (best > length)
        return 0;
    _fraction = best / length;
    return 1;
}

using Clock = std::chrono::steady_clock;

// Argument: the reach in world units (tiles are 128 wide).
void BM_IntersectSegment(benchmark::State& _state)
{
    MRT_Terrain terrain;
    BuildGround(terrain);
    const std::vector<Query> queries = MakeQueries(terrain, (f32)_state.range(0), 1024);

    s64 walked = 0;
    s64 hits = 0;
    Clock::duration walkTime{};
    for (auto _ : _state) {
        const Clock::time_point begin = Clock::now();
        for (const Query& query : queries) {
            f32 fraction = 0.0f;
            MAT_Triangle triangle;
            hits += terrain.IntersectSegment(query.from, query.to, fraction, triangle);
            benchmark::DoNotOptimize(fraction);
        }
        walkTime += Clock::now() - begin;
        walked += (s64)queries.size();
    }

    s64 bruteHits = 0;
    s64 bruteCount = 0;
    const Clock::time_point begin = Clock::now();
    do {
        for (const Query& query : queries) {
            f32 fraction = 0.0f;
            bruteHits += BruteForce(terrain, query, fraction);
            benchmark::DoNotOptimize(fraction);
        }
        bruteCount += (s64)queries.size();
    } while (Clock::now() - begin < std::chrono::milliseconds(200));
    const Clock::duration bruteTime = Clock::now() - begin;

    const f64 walkSeconds = std::chrono::duration<f64>(walkTime).count();
    const f64 bruteSeconds = std::chrono::duration<f64>(bruteTime).count();
    const f64 walkRate = (f64)walked / walkSeconds;
    const f64 bruteRate = (f64)bruteCount / bruteSeconds;
    _state.counters["hit_share"] = (f64)hits / (f64)walked;
    _state.counters["brute_hit_share"] = (f64)bruteHits / (f64)bruteCount;
    _state.counters["queries_per_s"] = walkRate;
    _state.counters["brute_queries_per_s"] = bruteRate;
    _state.counters["brute_over_walk"] = walkRate / bruteRate;
}
}  // namespace

BENCHMARK(BM_IntersectSegment)->Arg(8)->Arg(64)->Arg(400)->Unit(benchmark::kMicrosecond);
