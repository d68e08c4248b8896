// TGA loading: a 1024x1024 32-bit picture (4 MB, as a texture level of the largest common
// size) read from disk into each of the program's pixel formats, bottom-up as textures are.
// The figure is megapixels per second ("items" are pixels); the file stays in the page cache.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx_picturetga.h"
#include "tools_tga.h"

namespace
{

const s32 SIDE = 1024;

// Written once per process into a temporary directory, removed at exit.
const char* PicturePath()
{
    static std::string path;
    if (path.empty()) {
        char directory[] = "/tmp/qv_bench_tga_XXXXXX";
        if (mkdtemp(directory) == nullptr)
            abort();
        path = std::string(directory) + "/level10.tga";
        TOOL_TGA picture = TOOL_MakeTGA(SIDE, SIDE, 32, 0);
        u32 seed = 12345;
        for (u32& pixel : picture.pixels) {
            seed = seed * 1664525u + 1013904223u;
            pixel = seed;
        }
        if (!TOOL_WriteTGA(path, picture))
            abort();
        static std::string dir = directory;
        atexit([] {
            remove(path.c_str());
            rmdir(dir.c_str());
        });
    }
    return path.c_str();
}

template <u32 (GFX_PictureTGA::*READER)(void*, s32, u32), s32 BYTES_PER_PIXEL>
void BM_TgaLoad(benchmark::State& _state)
{
    const char* path = PicturePath();
    std::vector<u8> texture((size_t)SIDE * SIDE * BYTES_PER_PIXEL);
    for (auto _ : _state) {
        GFX_PictureTGA picture;
        if (!picture.Open(path, 1)) {
            _state.SkipWithError("cannot open the picture");
            return;
        }
        (picture.*READER)(texture.data(), SIDE * BYTES_PER_PIXEL, 1);
        benchmark::DoNotOptimize(texture.data());
        benchmark::ClobberMemory();
    }
    _state.SetItemsProcessed((s64)_state.iterations() * SIDE * SIDE);
}

}  // namespace

BENCHMARK(BM_TgaLoad<&GFX_PictureTGA::ReadData_RGB565, 2>)->Name("BM_TgaLoad/RGB565")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TgaLoad<&GFX_PictureTGA::ReadData_ARGB1555, 2>)
    ->Name("BM_TgaLoad/ARGB1555")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TgaLoad<&GFX_PictureTGA::ReadData_RGBA8888, 4>)
    ->Name("BM_TgaLoad/RGBA8888")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TgaLoad<&GFX_PictureTGA::ReadData_BGRA8888, 4>)
    ->Name("BM_TgaLoad/BGRA8888")
    ->Unit(benchmark::kMillisecond);
