// The whole default sample run, as the program plays it after "QUORVEX" on the main page:
// Brisel_State_Benchmark entered, its HeartBeat called until it names another state, then
// left, on the data the generator writes (quorvex_datagen into a fresh directory, as the build
// does), in that directory. The devices are made as the program's start-up makes them
// (Brisel_Init: the display in the mode of "ini\display.des" on SDL's offscreen window, the
// inputs, the sound device on SDL's dummy audio driver) and released as its shutdown releases
// them. Nobody presses Escape, so the run ends when the scene's script ends the game.
//
// BM_SampleRun/0 plays it on this machine's GL (Mesa's llvmpipe headless); BM_SampleRun/1
// plays the same run on the null device behind the same display (DEV_CreateNullDriver), as the
// renderer's frame bench measures the engine's own cost: the null run's main-thread CPU per
// frame is the engine's own (simulation, scene walk, passes, display layer), the GL run's is
// that plus the GL driver's work on the main thread; llvmpipe rasterises on its own threads,
// which no CPU figure here counts. Loading (Enter) and the results file (Leave) are outside
// the timed frames. One iteration is one whole run.
//
// Counters: frames, fps (frames over the wall time of the frame loop), avg_fps (GL run: the
// run's own AVG FPS from the renderer's statistics; the null run ends within a real second,
// before the renderer's first once-per-second sample), wall_ms_per_frame, cpu_ms_per_frame (main-thread
// CPU, CLOCK_THREAD_CPUTIME_ID), polys_per_frame and, on the GL run, our_share (the null
// run's CPU per frame over the GL run's; the null run is registered first). The figures are
// printed as a summary at the end.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app.h"
#include "app_register.h"
#include "bench_common.h"
#include "bench_gl_common.h"
#include "brisel_programdata.h"
#include "brisel_renderer.h"
#include "brisel_state_benchmark.h"
#include "brisel_state_menu.h"
#include "dev_null.h"
#include "dsp_display.h"
#include "os_fatal.h"
#include "snd_sounddevice.h"

extern char** environ;

namespace
{

using bench_common::ThreadSeconds;

// Scene seconds of the generated scene: its default length.
constexpr const char* SCENE_SECONDS = "90";

// ---- the sample data ----

// The generator's output in a fresh directory, the working directory while it exists; made once
// for both runs and removed at exit.
class SampleData
{
public:
    static SampleData& Get()
    {
        static SampleData s_data;
        return s_data;
    }

    bool Made() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }

    SampleData(const SampleData&) = delete;
    SampleData& operator=(const SampleData&) = delete;

private:
    SampleData()
    {
        m_previous = std::filesystem::current_path().string();
        char pattern[] = "/tmp/qv_bench_run_XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            m_error = "no temporary directory";
            return;
        }
        m_path = pattern;
        if (!Generate())
            return;
        std::error_code error;
        std::filesystem::current_path(m_path, error);
        if (error)
            m_error = "cannot enter " + m_path;
    }

    ~SampleData()
    {
        std::error_code error;
        std::filesystem::current_path(m_previous, error);
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, error);
    }

    // quorvex_datagen <dir> --scene-seconds N, its own output kept off the report.
    bool Generate()
    {
        const std::string program = QV_DATAGEN;
        std::string directory = m_path, option = "--scene-seconds", seconds = SCENE_SECONDS;
        char* arguments[] = {(char*)program.c_str(), directory.data(), option.data(), seconds.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t child = 0;
        const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, arguments, environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        if (spawned != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            m_error = "quorvex_datagen failed: " + program;
            return false;
        }
        return true;
    }

    std::string m_path;
    std::string m_previous;
    std::string m_error;
};

// ---- one run ----

struct RunFigures
{
    f64 frames = 0.0;
    f64 wallSeconds = 0.0;
    f64 cpuSeconds = 0.0;
    f64 avgFps = 0.0;  // the renderer's AVG FPS
    f64 polygons = 0.0;
    f64 loadSeconds = 0.0;
    u32 userBreak = 0;
    s32 width = 0, height = 0;
};

// The devices as the program's start-up makes them, on the null device when _null is set.
void StartDevices(bool _null)
{
    if (_null)
        DEV_SetFactory(DEV_CreateNullDriver);
    Brisel_Init();
    // The run's texture budget and shader paths are the setup page's defaults; the mode is the
    // one the display really has (a window keeps its start-up mode).
    Brisel_ResetProgramData();
    Brisel_DisplaySettings& display = Brisel_GetProgramData().display;
    SITO_DISPLAY->GetMode(&display.width, &display.height, &display.depth);
}

// The program's shutdown, ready for another start-up.
void StopDevices(bool _null)
{
    app(3);
    Brisel_ShutdownDone = 0;
    if (_null)
        DEV_SetFactory(nullptr);
}

// Enter, the frames until HeartBeat names another state, Leave.
RunFigures PlayRun()
{
    RunFigures figures;
    const auto loadStart = std::chrono::steady_clock::now();
    Brisel_State_Benchmark* run = new Brisel_State_Benchmark(Brisel_State_Menu::RUN_SCRIPT);
    Brisel_CurrentState = run;  // a fatal error leaves it through the emergency clean-up
    run->Enter();
    figures.loadSeconds = std::chrono::duration<f64>(std::chrono::steady_clock::now() - loadStart).count();

    Brisel_State* next = run;
    const auto wallStart = std::chrono::steady_clock::now();
    const f64 cpuStart = ThreadSeconds();
    for (;;) {
        // The program's step updates the sound device before every HeartBeat.
        if (Brisel_SoundDevice != nullptr)
            Brisel_SoundDevice->Update();
        next = run->HeartBeat();
        if (next != run)
            break;
        figures.frames += 1.0;
    }
    figures.cpuSeconds = ThreadSeconds() - cpuStart;
    figures.wallSeconds = std::chrono::duration<f64>(std::chrono::steady_clock::now() - wallStart).count();

    const Brisel_Statistics statistics = Brisel_GetRunStatistics();
    figures.avgFps = statistics.avgFps;
    figures.polygons = statistics.numPolygons;
    figures.userBreak = run->IsUserBreak();
    figures.width = Brisel_GetProgramData().display.width;
    figures.height = Brisel_GetProgramData().display.height;
    run->Leave();
    Brisel_CurrentState = nullptr;
    delete run;
    delete next;  // the menu state, never entered
    return figures;
}

RunFigures s_figures[2];  // [0] GL, [1] null
bool s_failed = false;

// Argument 0: the GL device; 1: the null device.
void BM_SampleRun(benchmark::State& _state)
{
    const bool null = _state.range(0) != 0;
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    static bool s_registered = false;
    if (!s_registered) {
        Brisel_RegisterModules();
        s_registered = true;
    }
    const SampleData& data = SampleData::Get();
    if (!data.Made()) {
        _state.SkipWithError(data.Error().c_str());
        return;
    }
    if (bench_gl::Window() == nullptr) {
        _state.SkipWithError("no window");
        return;
    }
    if (s_failed) {
        _state.SkipWithError("an earlier run stopped on a fatal error");
        return;
    }

    RunFigures figures;
    for (auto _ : _state) {
        try {
            StartDevices(null);
            figures = PlayRun();
            StopDevices(null);
        } catch (const OS_FatalError& fatal) {
            // What the program's main loop does before it shows the box.
            Brisel_EmergencyCleanup();
            Brisel_EmergencyCleanupDone = 0;
            if (null)
                DEV_SetFactory(nullptr);
            s_failed = true;
            _state.SkipWithError((std::string(fatal.Caption()) + ": " + fatal.Message()).c_str());
            return;
        }
        _state.SetIterationTime(figures.wallSeconds);
    }
    if (figures.userBreak || figures.frames < 1.0) {
        _state.SkipWithError("the run ended without frames or by a user break");
        return;
    }
    s_figures[null ? 1 : 0] = figures;
    _state.counters["frames"] = figures.frames;
    _state.counters["fps"] = figures.frames / figures.wallSeconds;
    if (!null)
        _state.counters["avg_fps"] = figures.avgFps;
    _state.counters["wall_ms_per_frame"] = figures.wallSeconds * 1e3 / figures.frames;
    _state.counters["cpu_ms_per_frame"] = figures.cpuSeconds * 1e3 / figures.frames;
    _state.counters["polys_per_frame"] = figures.polygons / figures.frames;
    _state.counters["load_s"] = figures.loadSeconds;
    const RunFigures& nullRun = s_figures[1];
    if (!null && nullRun.frames > 0.0)
        _state.counters["our_share"] = (nullRun.cpuSeconds / nullRun.frames) / (figures.cpuSeconds / figures.frames);
}

void PrintSummary()
{
    const RunFigures& gl = s_figures[0];
    const RunFigures& null = s_figures[1];
    if (gl.frames <= 0.0)
        return;
    const f64 glCpuMs = gl.cpuSeconds * 1e3 / gl.frames;
    printf("\nThe default sample run (%s s of scene time, %.0f frames, %.0f polygons per frame) at %dx%d on "
           "the GL device (llvmpipe, headless)\n",
           SCENE_SECONDS, gl.frames, gl.polygons / gl.frames, gl.width, gl.height);
    printf("  average:     %.1f fps (frames / wall time of the frame loop), AVG FPS %.1f (the run's own statistics)\n",
           gl.frames / gl.wallSeconds, gl.avgFps);
    printf("  GL device:   %.3f ms wall, %.3f ms main-thread CPU per frame (loading %.1f s)\n",
           gl.wallSeconds * 1e3 / gl.frames, glCpuMs, gl.loadSeconds);
    if (null.frames <= 0.0)
        return;
    const f64 nullCpuMs = null.cpuSeconds * 1e3 / null.frames;
    printf("  null device: %.3f ms main-thread CPU per frame (the engine's own; %.0f frames, %.1f fps)\n", nullCpuMs,
           null.frames, null.frames / null.wallSeconds);
    printf("  our share:   %.1f%% of the GL run's main-thread CPU, %.1f%% of its wall time\n",
           100.0 * nullCpuMs / glCpuMs, 100.0 * nullCpuMs / (gl.wallSeconds * 1e3 / gl.frames));
}

}  // namespace

// The null run first, so that the GL run can show our_share.
BENCHMARK(BM_SampleRun)->Arg(1)->Arg(0)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

int main(int _argc, char** _argv)
{
    benchmark::Initialize(&_argc, _argv);
    if (benchmark::ReportUnrecognizedArguments(_argc, _argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    PrintSummary();
    benchmark::Shutdown();
    Brisel_UnregisterModules();
    return 0;
}
