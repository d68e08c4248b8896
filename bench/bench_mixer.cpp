// The mixer's cost: eight voices at different playback rates (so every one resamples),
// rendered through a pull output in the device's usual formats. The figure that matters is
// "realtime_fraction": seconds of CPU per second of sound produced (0.01 = 1 % of one core).
//
// And the cost of starting a voice on the calling thread, as the sound device starts one
// (init, file, rate, volume, pan, loop count, start) on a file the library read itself: a
// music track (three minutes of MP3) and an effect (five seconds of 16-bit stereo WAV).
//
// And what keeping a device's voices decoded costs the program's thread each frame: one
// PLT_AudioUpdate after a 60 Hz frame's worth of playing, eight voices of MP3 or WAV.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench_audio_common.h"
#include "plt_audio.h"
#include "tools_mp3.h"
#include "tools_wav.h"

namespace
{

const s32 RATES[8] = {8000, 11025, 16000, 22050, 24000, 32000, 44100, 48000};

void BM_MixEightVoices(benchmark::State& _state)
{
    const u32 channels = (u32)_state.range(0);
    const u32 outputRate = (u32)_state.range(1);
    const u32 bits = (u32)_state.range(2);

    PLT_AudioPullOutput output;
    PLT_SetAudioOutput(&output);
    PLT_AudioDriver* driver = bench_audio::Open(channels, outputRate, bits);
    if (driver == nullptr) {
        _state.SkipWithError("cannot open the pull output");
        return;
    }
    // One second of a tone per voice, mono and stereo sources mixed, looping for ever.
    for (u32 v = 0; v < 8; ++v) {
        const u32 sourceChannels = 1 + (v & 1);
        const std::string file = TOOL_WavPcmBytes(sourceChannels, 22050, 16,
                                                  TOOL_WavTone(sourceChannels, 22050, 22050, 220.0 + 55.0 * v, 3000));
        PLT_AudioSample* voice = PLT_AudioAllocateSampleHandle(driver);
        PLT_AudioSetSampleFile(voice, file.data(), (u32)file.size());
        PLT_AudioSetSamplePlaybackRate(voice, RATES[v]);
        PLT_AudioSetSampleVolume(voice, 100);
        PLT_AudioSetSamplePan(voice, (s32)(v * 18));
        PLT_AudioSetSampleLoopCount(voice, 0);
        PLT_AudioStartSample(voice);
    }

    // One second of output per iteration, in callback-sized pieces.
    const u32 blockAlign = bits / 8 * channels;
    const u32 pieceBytes = 1024 * blockAlign;
    const u32 secondBytes = outputRate * blockAlign;
    std::vector<u8> buffer(pieceBytes);
    double seconds = 0.0;
    for (auto _ : _state) {
        const auto start = std::chrono::steady_clock::now();
        for (u32 done = 0; done < secondBytes; done += pieceBytes) {
            const u32 bytes = secondBytes - done < pieceBytes ? secondBytes - done : pieceBytes;
            output.Render(buffer.data(), bytes);
            benchmark::DoNotOptimize(buffer.data());
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    _state.counters["realtime_fraction"] = seconds / (double)_state.iterations();
    PLT_AudioShutdown();
    PLT_SetAudioOutput(nullptr);
}

// Renders on the caller's thread but stands for a device's callback: the mixer does not
// decode, so only PLT_AudioUpdate fills the rings.
class CallbackLikeOutput : public PLT_AudioPullOutput
{
public:
    u32 MixerMayDecode() const override { return 0; }
};

void BM_UpdateEightVoices(benchmark::State& _state)
{
    const bool mp3 = _state.range(0) == 0;
    CallbackLikeOutput output;
    PLT_SetAudioOutput(&output);
    PLT_AudioDriver* driver = bench_audio::Open(2, 44100, 16);
    if (driver == nullptr) {
        _state.SkipWithError("cannot open the output");
        return;
    }
    // Ten seconds of stereo sound per voice, looping, at rates around the output's.
    const std::string file = mp3 ? TOOL_Mp3Bytes(2, TOOL_Mp3FramesFor(10.0), 3)
                                 : TOOL_WavPcmBytes(2, 44100, 16, TOOL_WavTone(2, 44100, 10 * 44100, 330.0, 3000));
    PLT_AudioSample* voices[8];
    for (u32 v = 0; v < 8; ++v) {
        voices[v] = PLT_AudioAllocateSampleHandle(driver);
        PLT_AudioSetSampleFile(voices[v], file.data(), (u32)file.size());
        PLT_AudioSetSamplePlaybackRate(voices[v], 40000 + 1000 * (s32)v);
        PLT_AudioSetSampleVolume(voices[v], 15);
        PLT_AudioSetSampleLoopCount(voices[v], 0);
        PLT_AudioStartSample(voices[v]);
    }
    PLT_AudioUpdate(driver);  // the first top-up fills whole rings; the steady state follows
    std::vector<u8> frame(735 * 4);
    const u64 decodedBefore = PLT_AudioDecodedFrames();
    for (auto _ : _state) {
        _state.PauseTiming();
        output.Render(frame.data(), (u32)frame.size());
        _state.ResumeTiming();
        PLT_AudioUpdate(driver);
    }
    for (PLT_AudioSample* voice : voices)
        if (PLT_AudioSampleStatus(voice) != PLT_AUDIO_SAMPLE_PLAYING)
            _state.SkipWithError("a voice stopped");
    _state.counters["frames_per_update"] =
        (double)(PLT_AudioDecodedFrames() - decodedBefore) / (double)_state.iterations();
    PLT_AudioShutdown();
    PLT_SetAudioOutput(nullptr);
}

void BM_StartVoice(benchmark::State& _state)
{
    const bool mp3 = _state.range(0) == 0;
    // 1: an SDL device (the dummy driver unless one is chosen), whose callback mixes while
    // the voice starts and which is topped up between starts as a frame would; 0: a pull
    // output.
    const bool device = _state.range(1) == 1;
    if (device)
        setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string bytes = mp3 ? TOOL_Mp3Bytes(2, TOOL_Mp3FramesFor(180.0), 1)
                                  : TOOL_WavPcmBytes(2, 44100, 16, TOOL_WavTone(2, 44100, 5 * 44100, 440.0, 8000));
    void* block = bench_audio::ReadAsLibraryFile(bytes, mp3 ? "music.mp3" : "effect.wav");
    const u8* image = (const u8*)block + 4;
    const u32 size = (u32)bytes.size();

    PLT_AudioPullOutput output;
    PLT_SetAudioOutput(device ? nullptr : &output);
    PLT_AudioDriver* driver = bench_audio::Open(2, 44100, 16);
    if (driver == nullptr) {
        _state.SkipWithError("cannot open the pull output");
        return;
    }
    PLT_AudioSample* voice = PLT_AudioAllocateSampleHandle(driver);
    std::vector<u8> buffer(1024 * 4);
    for (auto _ : _state) {
        PLT_AudioInitSample(voice);
        if (mp3)
            PLT_AudioSetNamedSampleFile(voice, ".mp3", image, size);
        else
            PLT_AudioSetSampleFile(voice, image, size);
        PLT_AudioSetSamplePlaybackRate(voice, 44100);
        PLT_AudioSetSampleVolume(voice, 100);
        PLT_AudioSetSamplePan(voice, 64);
        PLT_AudioSetSampleLoopCount(voice, 0);
        PLT_AudioStartSample(voice);
        _state.PauseTiming();
        // A callback's worth of mixing, so each start follows a voice that was playing.
        if (device) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            PLT_AudioUpdate(driver);
        } else
            output.Render(buffer.data(), (u32)buffer.size());
        _state.ResumeTiming();
    }
    if (PLT_AudioSampleStatus(voice) != PLT_AUDIO_SAMPLE_PLAYING)
        _state.SkipWithError("the voice did not play");
    _state.counters["file_bytes"] = (double)size;
    PLT_AudioShutdown();
    PLT_SetAudioOutput(nullptr);
    PLT_AudioMemFreeLock(block);
}

}  // namespace

// File (0: three minutes of stereo MP3, 1: five seconds of stereo WAV), output (0: pull,
// 1: device).
BENCHMARK(BM_StartVoice)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1})->Unit(benchmark::kMicrosecond);

// File (0: MP3, 1: WAV).
BENCHMARK(BM_UpdateEightVoices)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// channels, output rate, bits
BENCHMARK(BM_MixEightVoices)
    ->Args({2, 44100, 16})
    ->Args({2, 22050, 16})
    ->Args({1, 22050, 8})
    ->Unit(benchmark::kMillisecond);
