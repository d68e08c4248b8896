// One frame of a small scene through the whole frame renderer, Brisel_Renderer::Render: the sky,
// a terrain patch, two objects under fog, a billboard, a trail, a particle, plankton, an
// overlay quad and text, on a 640x480 full-screen display opened as the GL pixel tests open it
// (SDL's offscreen window, Mesa's llvmpipe).
//
// BM_RendererFrame/0 draws the frame on the GL device; BM_RendererFrame/1 draws the same frame
// on a null device behind the same display: it answers every query as the GL driver does (so
// the display and the passes take the same paths) and otherwise only keeps the memory of the
// buffers and textures it hands out. The null run's main-thread CPU time per frame is the
// engine's own cost (scene walk, passes, display layer, state caches); the GL run's is that
// plus the driver's work on the main thread (state validation, uploads, command building;
// llvmpipe rasterises on its own threads, which no figure here counts as CPU).
//
// Counters per run: fps and wall_ms_per_frame (wall clock, rasteriser threads included),
// cpu_ms_per_frame (main-thread CPU, CLOCK_THREAD_CPUTIME_ID), triangles per frame (the
// display's count) and, on the null run, the device calls and draws per frame. The GL run
// also shows our_share: the null run's CPU per frame over its own, when the null run came
// first (it is registered first). The same figures are printed as a summary at the end.
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_common.h"
#include "bench_gl_common.h"
#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "dev_device.h"
#include "dev_null.h"
#include "dsp_display.h"
#include "plt_system.h"

namespace
{

using bench_common::TempDir;
using bench_common::ThreadSeconds;

constexpr s32 WARM_FRAMES = 3;  // untimed: llvmpipe compiles code for each new state at first use

// ---- the data files ----

// ---- the scene ----

// The display and the scene of TST_FrameScene for one run, at 640x480.
class FrameScene
{
public:
    // On the GL device, or on the null device behind the same display.
    explicit FrameScene(bool _null)
    {
        if (bench_gl::Window() == nullptr || !m_dir.Made())
            return;
        TST_WriteFrameSceneData(m_dir);
        if (_null)
            DEV_SetFactory(DEV_CreateNullDriver);
        m_factoryInstalled = _null;
        u32 ok = 0;
        m_display = new DSP_Display(&ok, PLT_GetSystem()->Window(), nullptr, 1);
        DSP_BoardInfo board;
        if (ok == 1)
            m_display->OpenBoard(&board);
        if (ok != 1 || m_display->OpenResolution(640, 480, 32, 0) != 0) {
            delete m_display;
            m_display = nullptr;
            return;
        }
        SITO_DISPLAY = m_display;
        m_frame.reset(new TST_FrameScene());
        m_built = m_frame->Build();
    }

    ~FrameScene()
    {
        m_frame.reset();
        if (m_display != nullptr) {
            SITO_DISPLAY = nullptr;
            delete m_display;
        }
        if (m_factoryInstalled)
            DEV_SetFactory(nullptr);
    }

    bool Ready() const { return m_built; }

    // One frame at _time, flipped.
    void Frame(f32 _time) { m_frame->Frame(_time); }

    u32 Triangles() const { return m_frame->Renderer().GetStatistics().polygonsThisFrame; }

private:
    TempDir m_dir;
    bool m_factoryInstalled = false;
    DSP_Display* m_display = nullptr;
    std::unique_ptr<TST_FrameScene> m_frame;
    bool m_built = false;
};

// ---- the runs ----

// The null run's main-thread CPU per frame (ms), for the GL run's our_share.
f64 s_nullCpuMs = 0.0;

// Argument 0: the GL device; 1: the null device.
void BM_RendererFrame(benchmark::State& _state)
{
    const bool null = _state.range(0) != 0;
    FrameScene scene(null);
    if (!scene.Ready()) {
        _state.SkipWithError("no window, no OpenGL 3.3 display or no scene");
        return;
    }
    u64 frame = 0;
    const auto time = [&frame]() { return (f32)(frame % 600) / 60.0f; };
    for (s32 i = 0; i < WARM_FRAMES; ++i, ++frame)
        scene.Frame(time());

    const DEV_NullCounters countsBefore = DEV_NullTotals();
    const auto wallStart = std::chrono::steady_clock::now();
    const f64 cpuStart = ThreadSeconds();
    for (auto _ : _state) {
        scene.Frame(time());
        ++frame;
    }
    const f64 cpu = ThreadSeconds() - cpuStart;
    const f64 wall = std::chrono::duration<f64>(std::chrono::steady_clock::now() - wallStart).count();

    const f64 frames = (f64)_state.iterations();
    const f64 cpuMs = cpu * 1e3 / frames;
    _state.counters["fps"] = frames / wall;
    _state.counters["wall_ms_per_frame"] = wall * 1e3 / frames;
    _state.counters["cpu_ms_per_frame"] = cpuMs;
    _state.counters["triangles"] = scene.Triangles();
    if (null) {
        _state.counters["device_calls"] = (f64)(DEV_NullTotals().calls - countsBefore.calls) / frames;
        _state.counters["draws"] = (f64)(DEV_NullTotals().draws - countsBefore.draws) / frames;
        s_nullCpuMs = cpuMs;
    } else if (s_nullCpuMs > 0.0) {
        _state.counters["our_share"] = s_nullCpuMs / cpuMs;
    }
}

// The console report, keeping each run's figures for the summary (with repetitions: the
// medians).
class FrameReporter : public benchmark::ConsoleReporter
{
public:
    FrameReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& _runs) override
    {
        for (const Run& run : _runs) {
            const bool usable = run.run_type == Run::RT_Iteration || run.aggregate_name == "median";
            if (run.error_occurred || !usable || run.counters.count("cpu_ms_per_frame") == 0)
                continue;
            Figures& figures = run.run_name.args == "1" ? m_null : m_gl;
            figures.fps = run.counters.at("fps").value;
            figures.wallMs = run.counters.at("wall_ms_per_frame").value;
            figures.cpuMs = run.counters.at("cpu_ms_per_frame").value;
        }
        ConsoleReporter::ReportRuns(_runs);
    }

    void PrintSummary() const
    {
        if (m_gl.cpuMs <= 0.0)
            return;
        printf("\nOne frame of the fixture scene at 640x480 (llvmpipe)\n");
        printf("  GL device:   %.1f fps, %.3f ms wall, %.3f ms main-thread CPU per frame\n", m_gl.fps, m_gl.wallMs,
               m_gl.cpuMs);
        if (m_null.cpuMs <= 0.0)
            return;
        printf("  null device: %.3f ms main-thread CPU per frame (the engine's own)\n", m_null.cpuMs);
        printf("  our share:   %.1f%% of the GL run's main-thread CPU, %.1f%% of its wall time\n",
               100.0 * m_null.cpuMs / m_gl.cpuMs, 100.0 * m_null.cpuMs / m_gl.wallMs);
    }

private:
    struct Figures
    {
        f64 fps = 0.0, wallMs = 0.0, cpuMs = 0.0;
    };
    Figures m_gl, m_null;
};

}  // namespace

// The null run first, so that the GL run can show our_share.
BENCHMARK(BM_RendererFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

int main(int _argc, char** _argv)
{
    benchmark::Initialize(&_argc, _argv);
    if (benchmark::ReportUnrecognizedArguments(_argc, _argv))
        return 1;
    FrameReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
