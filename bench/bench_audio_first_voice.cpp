// What the first MP3 voice of a process costs the program's thread, against a later one: a
// run whose music is MP3 starts that voice in the middle of its frames. Each iteration runs
// this program again as a child ("--child") that starts the library, opens the driver and then
// starts an MP3 voice twice, timing each step, so every figure comes from a fresh process in
// which nothing has decoded MP3 yet. (A forked child would not do: its first write to each
// page it shares with its parent costs a copy that no real program pays.)
//
// The manual time is the first voice's start; "second_voice_us" a later one's in the same
// process, "open_us" the library's start-up and the driver's opening before them.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include "bench_audio_common.h"
#include "plt_audio.h"
#include "tools_mp3.h"

namespace
{

struct Figures
{
    f64 open = 0.0;
    f64 first = 0.0;
    f64 second = 0.0;
    u32 playing = 0;
};

f64 Since(std::chrono::steady_clock::time_point _start)
{
    return std::chrono::duration<f64>(std::chrono::steady_clock::now() - _start).count();
}

// In the child: the music starts as the sound device starts it, on a file the library read.
Figures MeasureInThisProcess(const std::string& _music)
{
    Figures figures;
    PLT_AudioPullOutput output;
    PLT_SetAudioOutput(&output);
    void* block = bench_audio::ReadAsLibraryFile(_music, "music.mp3");
    if (block == nullptr)
        return figures;

    auto start = std::chrono::steady_clock::now();
    PLT_AudioDriver* driver = bench_audio::Open(2, 44100, 16);
    if (driver == nullptr)
        return figures;
    figures.open = Since(start);

    PLT_AudioSample* voices[2] = {PLT_AudioAllocateSampleHandle(driver), PLT_AudioAllocateSampleHandle(driver)};
    f64* times[2] = {&figures.first, &figures.second};
    for (s32 k = 0; k < 2; ++k) {
        start = std::chrono::steady_clock::now();
        PLT_AudioInitSample(voices[k]);
        PLT_AudioSetNamedSampleFile(voices[k], "music.mp3", (const u8*)block + 4, (u32)_music.size());
        PLT_AudioSetSampleLoopCount(voices[k], 0);
        PLT_AudioStartSample(voices[k]);
        *times[k] = Since(start);
        figures.playing += PLT_AudioSampleStatus(voices[k]) == PLT_AUDIO_SAMPLE_PLAYING ? 1 : 0;
    }
    PLT_AudioShutdown();
    PLT_SetAudioOutput(nullptr);
    PLT_AudioMemFreeLock(block);
    return figures;
}

void BM_FirstMp3VoiceOfAProcess(benchmark::State& _state)
{
    f64 open = 0.0;
    f64 second = 0.0;
    for (auto _ : _state) {
        s32 pipes[2];
        if (pipe(pipes) != 0) {
            _state.SkipWithError("no pipe");
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipes[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipes[0]);
        char self[] = "/proc/self/exe";
        char flag[] = "--child";
        char* arguments[] = {self, flag, nullptr};
        pid_t child = 0;
        const s32 spawned = posix_spawn(&child, self, &actions, nullptr, arguments, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipes[1]);
        Figures figures;
        const ssize_t got = spawned == 0 ? read(pipes[0], &figures, sizeof(figures)) : -1;
        close(pipes[0]);
        s32 status = 0;
        if (spawned == 0)
            waitpid(child, &status, 0);
        if (got != (ssize_t)sizeof(figures) || figures.playing != 2) {
            _state.SkipWithError("the child did not start both voices");
            return;
        }
        _state.SetIterationTime(figures.first);
        open += figures.open;
        second += figures.second;
    }
    _state.counters["open_us"] = 1e6 * open / (f64)_state.iterations();
    _state.counters["second_voice_us"] = 1e6 * second / (f64)_state.iterations();
}

}  // namespace

// A fixed count: each iteration is a whole process, so a timed minimum would run thousands.
BENCHMARK(BM_FirstMp3VoiceOfAProcess)->UseManualTime()->Iterations(40)->Unit(benchmark::kMicrosecond);

// The program's own main (the benchmark library's is not linked in when one is defined): as
// the child it measures once and writes the figures to its standard output.
int main(int _argc, char** _argv)
{
    if (_argc == 2 && strcmp(_argv[1], "--child") == 0) {
        // Starting reads headers only, so a short track costs what a long one does.
        const Figures figures = MeasureInThisProcess(TOOL_Mp3Bytes(2, TOOL_Mp3FramesFor(20.0), 1));
        return write(STDOUT_FILENO, &figures, sizeof(figures)) == (ssize_t)sizeof(figures) ? 0 : 1;
    }
    benchmark::Initialize(&_argc, _argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
