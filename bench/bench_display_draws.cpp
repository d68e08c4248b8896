// The display layer's cost per draw, against the device beneath it and plain GL.
//
// BM_DisplayDraws issues through DSP_Display the draws BM_DeviceDraws and BM_PlainGLDraws
// (bench_gl_common.h) issue through the device and as direct GL calls: the same quads, the
// same vertex programs, textures, stage operation, blend pair, depth writes and constants
// between draws. The display is opened as the program's start opens it (the shell's window,
// the first board, the 640x480 mode), then set to the device's own stage defaults, so the
// device sees the same stream in both runs. With argument 0 only the constants change (the
// display's caches drop the repeated states); with argument 1 every state changes between
// draws and nothing is dropped.
//
// Each run is repeated and the repetitions of all runs are interleaved, so a change in the
// machine's load falls on every path alike; the figures are the medians. After the runs the
// program prints the display's main-thread CPU time per frame over the device's and plain
// GL's, and plain GL's draws per second over the display's (wall clock, rasteriser threads
// included). Main-thread CPU is the layer's own cost; the wall clock moves with the load.
// BM_DisplayTexturedTriangles is BM_TexturedTriangles (bench_gl_draws.cpp) through the display.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench_gl_common.h"
#include "dsp_display.h"
#include "dsp_texture.h"
#include "utl_quickintegrator.h"

namespace
{

using namespace bench_gl;

// The display on the shell's window, as the program's start opens it; null without video.
DSP_Display* OpenDisplay()
{
    if (Window() == nullptr)
        return nullptr;
    UTL_QuickIntegrator::CreateDisplay((s32)WIDTH, (s32)HEIGHT, -1);
    DSP_Display* display = SITO_DISPLAY;
    // The device's own stage defaults, so the draws match the device-level run's.
    display->SetRenderState(DSP_RS_ALPHATESTENABLE, 0);
    display->SetTextureStageState(0, DSP_TSS_COLORARG1, DEV_TA_TEXTURE);
    display->SetTextureStageState(0, DSP_TSS_COLORARG2, DEV_TA_DIFFUSE);
    display->SetTextureStageState(0, DSP_TSS_ALPHAOP, DEV_TOP_SELECTARG1);
    display->SetTextureStageState(0, DSP_TSS_ALPHAARG1, DEV_TA_TEXTURE);
    display->SetTextureStageState(0, DSP_TSS_MAGFILTER, DEV_TEXF_POINT);
    display->SetTextureStageState(0, DSP_TSS_MINFILTER, DEV_TEXF_POINT);
    display->SetTextureStageState(0, DSP_TSS_MIPFILTER, DEV_TEXF_NONE);
    return display;
}

void MakeDisplayTexture(DSP_Display* _display, s32 _id, u32 _side, u32 _seed)
{
    s32 level = 0;
    while ((1u << level) < _side)
        ++level;
    _display->Texture_Create(_id, DSP_TEXTURE_A8R8G8B8, level, 1);
    void* bits = nullptr;
    s32 pitch = 0;
    _display->Texture_Lock(_id, 0, &bits, &pitch);
    FillTexels((u8*)bits, pitch, _side, _seed);
    _display->Texture_Unlock(_id, 0);
}

void UploadToDisplay(DSP_Display* _display, const std::vector<Vertex>& _vertices, const std::vector<u16>& _indices,
                     s32* _vertexBuffer, s32* _indexBuffer)
{
    void* data = nullptr;
    _display->VertexBuffer_Create(_vertexBuffer, 0, (s32)_vertices.size());
    _display->VertexBuffer_Lock(*_vertexBuffer, 0, &data, 0, (s32)_vertices.size());
    memcpy(data, _vertices.data(), _vertices.size() * sizeof(Vertex));
    _display->VertexBuffer_Unlock(*_vertexBuffer);
    _display->IndexBuffer_Create(_indexBuffer, 0, 0, (s32)_indices.size());
    _display->IndexBuffer_Lock(*_indexBuffer, 0, &data, 0, (s32)_indices.size());
    memcpy(data, _indices.data(), _indices.size() * sizeof(u16));
    _display->IndexBuffer_Unlock(*_indexBuffer);
}

void BM_DisplayDraws(benchmark::State& _state)
{
    const bool changes = _state.range(0) != 0;
    DSP_Display* display = OpenDisplay();
    if (display == nullptr) {
        _state.SkipWithError("no window for the display");
        return;
    }
    std::vector<Vertex> vertices;
    std::vector<u16> indices;
    MakeQuads(&vertices, &indices, DRAWS_PER_FRAME);
    s32 vertexBuffer = 0, indexBuffer = 0, shaders[2] = {};
    UploadToDisplay(display, vertices, indices, &vertexBuffer, &indexBuffer);
    for (u32 i = 0; i < 2; ++i)
        display->VertexShader_CreateFromFile(&shaders[i], s_vertexPrograms[i]);
    display->SetTextureCacheSize(4);
    for (u32 i = 0; i < 4; ++i)
        MakeDisplayTexture(display, (s32)i, TEXTURE_SIDE, i);

    const auto frame = [&]() {
        display->Clear(1, 1, 0);
        display->BeginScene();
        for (u32 i = 0; i < DRAWS_PER_FRAME; ++i) {
            const u32 m = changes ? i % 4 : 0;
            display->VertexShader_Set(shaders[m % 2]);
            display->SetTextureStageState(0, DSP_TSS_TEXTURE, (s32)m);
            display->SetTextureStageState(0, DSP_TSS_COLOROP, m % 2 ? DEV_TOP_MODULATE : DEV_TOP_MODULATE2X);
            display->SetRenderState(DSP_RS_SRCBLEND, s_blends[m][0]);
            display->SetRenderState(DSP_RS_DESTBLEND, s_blends[m][1]);
            display->SetRenderState(DSP_RS_ZWRITEENABLE, m < 2);
            display->SetVertexShaderConstant(3, s_identity, 4);
            display->SetVertexShaderConstant(50, s_tint, 2);
            display->DrawVertexArray(0, indexBuffer, (s32)(i * 6), 6, vertexBuffer, 0, (s32)(i * 4), 4);
        }
        display->EndScene();
        display->Flip();
    };
    frame();  // untimed: the rasteriser's code for these states
    for (auto _ : _state)
        frame();
    CountItems(_state, DRAWS_PER_FRAME, "draws/s");
    UTL_QuickIntegrator::DestroyDisplay();
}

// BM_TexturedTriangles' screen of small textured triangles, drawn and flipped by the display.
void BM_DisplayTexturedTriangles(benchmark::State& _state)
{
    DSP_Display* display = OpenDisplay();
    if (display == nullptr) {
        _state.SkipWithError("no window for the display");
        return;
    }
    std::vector<Vertex> vertices;
    std::vector<u16> indices;
    MakeGrid(&vertices, &indices);
    s32 vertexBuffer = 0, indexBuffer = 0, shader = 0;
    UploadToDisplay(display, vertices, indices, &vertexBuffer, &indexBuffer);
    display->VertexShader_CreateFromFile(&shader, s_vertexPrograms[0]);
    display->VertexShader_Set(shader);
    display->SetVertexShaderConstant(3, s_identity, 4);
    display->SetVertexShaderConstant(50, s_tint, 1);
    display->SetTextureCacheSize(1);
    MakeDisplayTexture(display, 0, GRID_TEXTURE_SIDE, 1);
    display->SetTextureStageState(0, DSP_TSS_TEXTURE, 0);
    display->SetTextureStageState(0, DSP_TSS_MAGFILTER, DEV_TEXF_LINEAR);
    display->SetTextureStageState(0, DSP_TSS_MINFILTER, DEV_TEXF_LINEAR);
    const u32 triangles = (u32)indices.size() / 3;
    const auto frame = [&]() {
        display->Clear(1, 1, 0xFF102030u);
        display->BeginScene();
        display->DrawVertexArray(0, indexBuffer, 0, (s32)indices.size(), vertexBuffer, 0, 0, (s32)vertices.size());
        display->EndScene();
        display->Flip();
    };
    frame();
    for (auto _ : _state)
        frame();
    CountItems(_state, triangles, "triangles/s");
    _state.counters["frames/s"] = benchmark::Counter((f64)_state.iterations(), benchmark::Counter::kIsRate);
    UTL_QuickIntegrator::DestroyDisplay();
}

// The console report, with each run's draws per second and main-thread CPU time per frame
// kept for the ratios (with repetitions: their medians).
class RateReporter : public benchmark::ConsoleReporter
{
public:
    // Colour only on a terminal, as the library's own console report does.
    RateReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& _runs) override
    {
        for (const Run& run : _runs) {
            const auto counter = run.counters.find("draws/s");
            const bool usable = run.run_type == Run::RT_Iteration || run.aggregate_name == "median";
            if (!run.error_occurred && usable && counter != run.counters.end()) {
                Figures& figures = m_figures[run.run_name.function_name + "/" + run.run_name.args];
                figures.drawsPerSecond = counter->second.value;
                figures.cpuPerFrame = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(_runs);
    }

    void PrintRatios() const
    {
        printf("\nDSP_Display over the same draws (medians; above 1: the display costs more)\n"
               "%-16s%-34s%s\n%-16s%-16s%-18s%s\n",
               "", "main-thread CPU per frame", "draws/s", "", "over plain GL", "over the device",
               "plain GL over display");
        for (const char* args : {"1", "0"}) {
            const Figures* display = Find("BM_DisplayDraws", args);
            if (display == nullptr)
                continue;
            const Figures* plain = Find("BM_PlainGLDraws", args);
            const Figures* device = Find("BM_DeviceDraws", args);
            char overPlain[32] = "-", overDevice[32] = "-", rate[64] = "-";
            if (plain != nullptr) {
                snprintf(overPlain, sizeof(overPlain), "%.3f", display->cpuPerFrame / plain->cpuPerFrame);
                snprintf(rate, sizeof(rate), "%.3f (%.0f vs %.0f)", plain->drawsPerSecond / display->drawsPerSecond,
                         plain->drawsPerSecond, display->drawsPerSecond);
            }
            if (device != nullptr)
                snprintf(overDevice, sizeof(overDevice), "%.3f", display->cpuPerFrame / device->cpuPerFrame);
            printf("%-16s%-16s%-18s%s\n", args[0] == '1' ? "state changes" : "constants only", overPlain, overDevice,
                   rate);
        }
    }

private:
    struct Figures
    {
        f64 drawsPerSecond = 0.0;
        f64 cpuPerFrame = 0.0;
    };

    const Figures* Find(const char* _function, const char* _args) const
    {
        const auto found = m_figures.find(std::string(_function) + "/" + _args);
        return found != m_figures.end() && found->second.drawsPerSecond > 0.0 && found->second.cpuPerFrame > 0.0
                   ? &found->second
                   : nullptr;
    }

    std::map<std::string, Figures> m_figures;
};

}  // namespace

using bench_gl::BM_DeviceDraws;
using bench_gl::BM_PlainGLDraws;

namespace
{

// Argument 1: the state changes between draws; 0: only the constants change.
void DrawRuns(benchmark::internal::Benchmark* _benchmark)
{
    _benchmark->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace

BENCHMARK(BM_DisplayDraws)->Apply(DrawRuns);
BENCHMARK(BM_DeviceDraws)->Apply(DrawRuns);
BENCHMARK(BM_PlainGLDraws)->Apply(DrawRuns);
BENCHMARK(BM_DisplayTexturedTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int _argc, char** _argv)
{
    // Repeated, interleaved and summarised by default; the same flags on the command line
    // come later and win.
    char repetitions[] = "--benchmark_repetitions=5";
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    char aggregates[] = "--benchmark_report_aggregates_only=true";
    std::vector<char*> arguments(_argv, _argv + _argc);
    arguments.insert(arguments.begin() + 1, {repetitions, interleave, aggregates});
    arguments.push_back(nullptr);
    _argc = (int)arguments.size() - 1;
    _argv = arguments.data();
    benchmark::Initialize(&_argc, _argv);
    if (benchmark::ReportUnrecognizedArguments(_argc, _argv))
        return 1;
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
