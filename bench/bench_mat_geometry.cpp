// Ray against axis-aligned box, and the swept tests of obstacle avoidance, in calls per second.
#include <benchmark/benchmark.h>

#include <vector>

#include "mat_random.h"
#include "mat_swept.h"

namespace
{
constexpr s32 kCount = 1024;

f32 Signed(MAT_Random& _random, f32 _range) { return (f32)(_random.Next() * MAT_RANDOM_SIGNED - 1.0) * _range; }

// Segments from a shell around the origin towards points near it: roughly half pass through
// a unit box, the rest miss, as for obstacles near a moving body.
std::vector<MAT_Segment> Segments()
{
    MAT_Random random;
    std::vector<MAT_Segment> segments(kCount);
    for (MAT_Segment& s : segments) {
        const MAT_Vector3 from = {Signed(random, 8), Signed(random, 8), Signed(random, 3)};
        const MAT_Vector3 to = {Signed(random, 2), Signed(random, 2), Signed(random, 2)};
        s.Set(from, from + (to - from) * 2.0f);
    }
    return segments;
}

MAT_Matrix34 ObstacleFrame()
{
    MAT_Matrix34 frame;
    frame.SetPositionAngles({0.2f, -0.1f, 0.05f}, MAT_Angle(0.6f), MAT_Angle(0.1f), MAT_Angle(-0.05f));
    return frame;
}

void Report(benchmark::State& _state, s64 _hits)
{
    _state.SetItemsProcessed(_state.iterations() * kCount);
    _state.counters["hit_share"] = (f64)_hits / ((f64)_state.iterations() * kCount);
}

void BM_RayIntersectBox(benchmark::State& _state)
{
    const std::vector<MAT_Segment> segments = Segments();
    const MAT_AABox box = {{-1, -1, -1}, {1, 1, 1}};
    s64 hits = 0;
    for (auto _ : _state) {
        for (const MAT_Segment& s : segments) {
            f32 entry;
            f32 exit;
            hits += s.IntersectBox(box, entry, exit);
            benchmark::DoNotOptimize(entry);
        }
    }
    Report(_state, hits);
}

void BM_SweptSphereBoxTest(benchmark::State& _state)
{
    const std::vector<MAT_Segment> segments = Segments();
    const MAT_Matrix34 frame = ObstacleFrame();
    s64 hits = 0;
    for (auto _ : _state) {
        for (const MAT_Segment& s : segments)
            hits += MAT_SweptSphereBoxTest(s, 0.5f, frame, {1, 0.5f, 0.75f});
    }
    Report(_state, hits);
}

void BM_SweptBoxTest(benchmark::State& _state)
{
    const std::vector<MAT_Segment> segments = Segments();
    const MAT_Matrix34 frame = ObstacleFrame();
    const f32 bias = (f32)_state.range(0) / 10.0f;
    MAT_SweptResult result;
    s64 hits = 0;
    for (auto _ : _state) {
        for (const MAT_Segment& s : segments) {
            hits += MAT_SweptBoxTest(s, 0.5f, 2.0f, frame, {1, 0.5f, 0.75f}, bias, result);
            benchmark::DoNotOptimize(result);
        }
    }
    Report(_state, hits);
}
}  // namespace

BENCHMARK(BM_RayIntersectBox);
BENCHMARK(BM_SweptSphereBoxTest);
BENCHMARK(BM_SweptBoxTest)->Arg(0)->Arg(5);
