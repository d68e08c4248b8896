// Mesh loading: a 20,000-triangle ".msh" file (a 100 x 100 grid with texture coordinates and a
// texture seam every tenth column) parsed, given smooth normals, split per material and by
// texture coordinate, cleaned and reordered for the vertex cache. The argument is the number
// of materials: with one, the cache reordering sees all 20,000 triangles as one part, its
// largest case (it costs t log t for t triangles). The file stays in the page cache.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools_mesh.h"
#include "vec_mesh.h"

namespace
{

const u32 SIDE = 100;

// Written once per material count into a temporary directory, removed at exit.
std::string MeshPath(u32 _materials)
{
    static std::string directory;
    if (directory.empty()) {
        char name[] = "/tmp/qv_bench_mesh_XXXXXX";
        if (mkdtemp(name) == nullptr)
            abort();
        directory = name;
        atexit([] {
            for (u32 m : {1u, 10u})
                remove((directory + "/grid" + std::to_string(m) + ".msh").c_str());
            rmdir(directory.c_str());
        });
    }
    const std::string path = directory + "/grid" + std::to_string(_materials) + ".msh";
    if (access(path.c_str(), F_OK) != 0) {
        TOOL_Mesh mesh = TOOL_MeshGrid(SIDE, SIDE, _materials);
        // Cells left of every tenth grid line reach it with u wrapped to 0, cells right of it
        // start there with u as it is, so the vertices on those lines split in two.
        for (TOOL_MeshTriangle& triangle : mesh.triangles) {
            const f32 mean = (triangle.uv[0] + triangle.uv[2] + triangle.uv[4]) / 3.0f;
            for (u32 c = 0; c < 3; ++c) {
                const s32 column = (s32)(triangle.uv[2 * c] * SIDE + 0.5f);
                if (column > 0 && column % 10 == 0 && triangle.uv[2 * c] > mean)
                    triangle.uv[2 * c] = 0.0f;
            }
        }
        if (!TOOL_WriteMesh(path.c_str(), mesh))
            abort();
    }
    return path;
}

void BM_MeshLoad(benchmark::State& _state)
{
    const std::string path = MeshPath((u32)_state.range(0));
    for (auto _ : _state) {
        VEC_Mesh mesh;
        mesh.Load(path.c_str());
        benchmark::DoNotOptimize(mesh.parts);
    }
    _state.SetItemsProcessed((s64)_state.iterations() * 2 * SIDE * SIDE);
}

}  // namespace

BENCHMARK(BM_MeshLoad)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
