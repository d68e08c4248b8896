// Description-file throughput: parsing text from memory, and loading the pre-parsed image of
// the same tree (one copy and one checked pass over its nodes), on about 1 MB of settings.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "des_tree.h"
#include "tools_des_image.h"

namespace
{

// Many sections, each with entries of all five types, a subsection and line comments, behind
// one block comment (block comments run to the last "*/", so a file holds one region of them).
std::string MakeText(u32 _bytes)
{
    std::string text = "/* generated settings\n   for the parser benchmark */\n";
    char line[1024];
    for (u32 i = 0; text.size() < _bytes; ++i) {
        snprintf(line, sizeof(line),
                 "// object %u\n[Object%u]\n{\n"
                 "    Count = %u\n    Mask = 0x%08X\n    Offset = -%u\n"
                 "    Scale = %u.25\n    Name = \"object number %u\"\n"
                 "    Position = %u.5, -%u.125, 3.75\n    Uv = 0.%u, 1.%u\n"
                 "    [Lod]\n    {\n        Distance = %u.0  // metres\n        Mesh = \"obj%u_lod.msh\"\n    }\n}\n",
                 i, i, i, i * 2654435761u, i % 1000, i % 100, i, i % 500, i % 70, i % 10, i % 9, 50 + i % 200, i);
        text += line;
    }
    return text;
}

const std::string& Text()
{
    static const std::string text = MakeText(1 << 20);
    return text;
}

void BM_DesTextParse(benchmark::State& _state)
{
    const std::string& text = Text();
    for (auto _ : _state) {
        DES_Tree* tree = DES_Text_ParseBuffer((const u8*)text.data(), (u32)text.size());
        if (!tree) {
            _state.SkipWithError(DES_GetLastError());
            return;
        }
        benchmark::DoNotOptimize(tree->used);
        DES_Tree_Free(tree);
    }
    _state.SetBytesProcessed((s64)_state.iterations() * (s64)text.size());
}
BENCHMARK(BM_DesTextParse)->Unit(benchmark::kMillisecond);

std::string Image()
{
    DES_Tree* tree = DES_Text_ParseBuffer((const u8*)Text().data(), (u32)Text().size());
    const std::string image = TOOL_DesImageBytes(tree);
    DES_Tree_Free(tree);
    return image;
}

void BM_DesImageLoadBuffer(benchmark::State& _state)
{
    const std::string image = Image();
    for (auto _ : _state) {
        DES_Tree* tree = DES_Image_LoadBuffer((const u8*)image.data(), (u32)image.size());
        if (!tree) {
            _state.SkipWithError(DES_GetLastError());
            return;
        }
        benchmark::DoNotOptimize(tree->used);
        DES_Tree_Free(tree);
    }
    _state.SetBytesProcessed((s64)_state.iterations() * (s64)image.size());
}
BENCHMARK(BM_DesImageLoadBuffer)->Unit(benchmark::kMillisecond);

void BM_DesImageLoadFile(benchmark::State& _state)
{
    const std::string image = Image();
    const std::string name = "/tmp/bench_des_parse~.des";
    FILE* file = fopen(name.c_str(), "wb");
    if (!file || fwrite(image.data(), 1, image.size(), file) != image.size()) {
        _state.SkipWithError("cannot write the image");
        if (file)
            fclose(file);
        return;
    }
    fclose(file);
    for (auto _ : _state) {
        DES_Tree* tree = DES_Image_Load(name.c_str());
        if (!tree) {
            _state.SkipWithError(DES_GetLastError());
            break;
        }
        benchmark::DoNotOptimize(tree->used);
        DES_Tree_Free(tree);
    }
    remove(name.c_str());
    _state.SetBytesProcessed((s64)_state.iterations() * (s64)image.size());
}
BENCHMARK(BM_DesImageLoadFile)->Unit(benchmark::kMillisecond);

}  // namespace
