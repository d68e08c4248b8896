// Trail ribbons: VFX_Trail::BuildGeometry for 64 trails that share the driver's 4000 samples,
// each written into the renderer's 256-vertex, 768-triangle trail part, as one drawn frame
// does. The trails follow circles for a full lifetime first, so every one holds about 60
// samples and is cut at its lifetime; the part fills up, so the skipping path runs as well.
// Reports trails and vertices built per second.
#include <benchmark/benchmark.h>

#include <cmath>

#include "vec_mesh.h"
#include "vfx_trail.h"

namespace
{

const s32 TRAILS = 64;
const s32 SAMPLES = 4000;

MAT_Matrix34 CircleFrame(s32 _trail, f32 _time)
{
    const f32 angle = _time * (0.5f + 0.01f * (f32)_trail);
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.r.RotateZ(MAT_Angle(angle));
    frame.t = {20.0f * std::cos(angle) + (f32)_trail, 20.0f * std::sin(angle), 0.1f * (f32)_trail};
    return frame;
}

void BM_TrailBuildGeometry(benchmark::State& _state)
{
    VFX_TrailSystem system(TRAILS, SAMPLES);
    f32 t = 0.0f;
    for (s32 i = 0; i < TRAILS; ++i) {
        const s32 index = system.AllocateTrail();
        VFX_Trail* trail = system.GetTrail(index);
        trail->SetSampling(60, 3.0f, 1.0f);
        for (s32 k = 0; k < 5; ++k) {
            trail->SetSize(k, 0.2f + 0.1f * (f32)k);
            trail->SetColor(k, 0xFF8080FFu - (u32)k * 0x10000000u);
        }
        system.StartTrail(index, t, CircleFrame(i, t));
    }
    for (s32 step = 0; step < 80; ++step) {
        t += 0.05f;
        for (s32 i = 0; i < TRAILS; ++i)
            system.GetTrail(i)->AddSample(t, CircleFrame(i, t));
        system.Update(t);
    }
    VEC_MeshPart part;
    part.Allocate(256, 768);
    const f32 frameTime = t + 0.0333f;
    s64 vertices = 0;
    for (auto _ : _state) {
        for (s32 i = 0; i < TRAILS; ++i) {
            system.GetTrail(i)->BuildGeometry(frameTime, &part);
            vertices += part.vertexCount;
        }
        benchmark::DoNotOptimize(part.vertices);
    }
    _state.counters["trails_per_second"] =
        benchmark::Counter((f64)_state.iterations() * TRAILS, benchmark::Counter::kIsRate);
    _state.counters["vertices_per_second"] = benchmark::Counter((f64)vertices, benchmark::Counter::kIsRate);
    _state.counters["free_samples"] = (f64)system.GetFreeSampleCount();
    _state.counters["vertices_per_trail"] =
        _state.iterations() > 0 ? (f64)vertices / ((f64)_state.iterations() * TRAILS) : 0.0;
}

}  // namespace

BENCHMARK(BM_TrailBuildGeometry)->Unit(benchmark::kMicrosecond);
