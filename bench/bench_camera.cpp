// The camera's box test, in calls per second, over boxes scattered around a turned camera the
// way bodies lie around the viewer: most outside, some inside, some across a plane.
#include <benchmark/benchmark.h>

#include <vector>

#include "mat_random.h"
#include "vec_camera.h"

namespace
{
constexpr s32 kCount = 4096;

f32 Signed(MAT_Random& _random, f32 _range) { return (f32)(_random.Next() * MAT_RANDOM_SIGNED - 1.0) * _range; }

std::vector<MAT_AABox> Boxes(const MAT_Vector3& _eye)
{
    MAT_Random random;
    std::vector<MAT_AABox> boxes(kCount);
    for (MAT_AABox& box : boxes) {
        const MAT_Vector3 centre = _eye + MAT_Vector3(Signed(random, 600), Signed(random, 600), Signed(random, 60));
        const f32 half = 1.0f + (f32)(random.Next() * MAT_RANDOM_UNIT) * 20.0f;
        box.m_min = centre - MAT_Vector3(half, half, half);
        box.m_max = centre + MAT_Vector3(half, half, half);
    }
    return boxes;
}

void BM_CameraTestBox(benchmark::State& _state)
{
    VEC_Camera camera;
    camera.SetProjection(-0.8f, 0.8f, -0.8f, 0.8f, 1.0f, 1000.0f, 1.24f);
    MAT_Matrix34 placement;
    const MAT_Vector3 eye(250.0f, -120.0f, 30.0f);
    placement.SetPositionAngles(eye, MAT_Angle(0.7f), MAT_Angle(-0.15f), MAT_Angle(0.0f));
    camera.SetTransform(placement);
    const std::vector<MAT_AABox> boxes = Boxes(eye);

    s64 results[3] = {};
    for (auto _ : _state) {
        for (const MAT_AABox& box : boxes) {
            const s32 result = camera.TestBox(box);
            benchmark::DoNotOptimize(result);
            ++results[result + 1];
        }
    }
    _state.SetItemsProcessed(_state.iterations() * kCount);
    const f64 total = (f64)_state.iterations() * kCount;
    _state.counters["crossing_share"] = (f64)results[0] / total;
    _state.counters["inside_share"] = (f64)results[1] / total;
    _state.counters["outside_share"] = (f64)results[2] / total;
}
BENCHMARK(BM_CameraTestBox);

}  // namespace
