// One frame of terrain triangulation as the renderer drives it: every tile of an 8 x 8 grid of
// 257-sample tiles in view, each refined for the viewer and emitted into the same arrays from
// index 0 (the renderer copies each tile out before the next).
//
// Reports milliseconds per frame, emitted triangles per frame and triangles per second. The
// argument is the detail handed to the tile views: the larger, the deeper the refinement.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "tools_terrain.h"

namespace
{

const s32 LINES = 8;
const s32 SIZE = 257;

using Clock = std::chrono::steady_clock;

void BM_TerrainFrame(benchmark::State& _state)
{
    const f32 detail = (f32)_state.range(0);
    MRT_Terrain terrain;
    const std::vector<u16> samples = TOOL_RandomHeightField(SIZE, 7u, 8000, 24000);
    TST_BuildTerrain(
        terrain, LINES, SIZE, {0.0f, 0.0f, 0.0f}, {4.0f, 4.0f, 1.0f / 256.0f},
        [&](s32 _x, s32 _y) { return samples[(size_t)(_y * SIZE + _x)]; }, 1, 2, 7.0f);
    TST_PrepareTriangulation(terrain, 8, detail);

    // The viewer above the grid's middle; the five tested planes lie far outside, so every tile
    // is in view but the plane tests still run.
    MRT_Frustum view;
    view.position = {0.5f * (f32)LINES * terrain.extentX, 0.5f * (f32)LINES * terrain.extentY, 150.0f};
    const MRT_Plane far[6] = {{0.0f, 0.0f, 1.0f, -1.0e6f}, {1.0f, 0.0f, 0.0f, -1.0e6f},  {-1.0f, 0.0f, 0.0f, -1.0e6f},
                              {0.0f, 1.0f, 0.0f, -1.0e6f}, {0.0f, -1.0f, 0.0f, -1.0e6f}, {0.0f, 0.0f, -1.0f, -1.0e6f}};
    for (s32 k = 0; k < 6; ++k)
        view.planes[k] = far[k];
    view.SetCullLevel(3);
    terrain.SetView(view);

    std::vector<MRT_TerrainVertex> vertices(0x8000);
    std::vector<MRT_TerrainTriangle> triangles(0x10000);
    s64 emitted = 0;
    s64 tiles = 0;
    s64 frames = 0;
    Clock::duration spent{};
    for (auto _ : _state) {
        const Clock::time_point begin = Clock::now();
        terrain.BeginTriangulation();
        while (MRT_TileView* tile = terrain.UpdateTriangulation()) {
            s32 n = 0;
            s32 m = 0;
            tile->BuildTileGeometry(vertices.data(), (s32)vertices.size(), triangles.data(), (s32)triangles.size(), &n,
                                    &m);
            benchmark::DoNotOptimize(triangles.data());
            emitted += m;
            ++tiles;
        }
        spent += Clock::now() - begin;
        ++frames;
    }
    if (tiles != frames * LINES * LINES)
        _state.SkipWithError("not every tile of the grid was drawn");

    const f64 seconds = std::chrono::duration<f64>(spent).count();
    _state.counters["ms_per_frame"] = seconds * 1e3 / (f64)frames;
    _state.counters["triangles_per_frame"] = (f64)emitted / (f64)frames;
    _state.counters["triangles_per_s"] = (f64)emitted / seconds;
}

}  // namespace

BENCHMARK(BM_TerrainFrame)->Arg(100)->Arg(400)->Arg(1600)->Unit(benchmark::kMillisecond);
