// The mixer's cost: eight voices at different playback rates (so every one resamples),
// rendered through a pull output in the device's usual formats. The figure that matters is
// "realtime_fraction": seconds of CPU per second of sound produced (0.01 = 1 % of one core).
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "plt_audio.h"
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
    PLT_AudioStartup();
    PLT_AudioWaveFormat format;
    format.channels = (u16)channels;
    format.samplesPerSec = outputRate;
    format.bitsPerSample = (u16)bits;
    format.blockAlign = (u16)(bits / 8 * channels);
    format.avgBytesPerSec = format.blockAlign * outputRate;
    PLT_AudioDriver* driver = nullptr;
    if (PLT_AudioWaveOutOpen(&driver, 0, format) != 0) {
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
    const u32 pieceBytes = 1024 * format.blockAlign;
    const u32 secondBytes = outputRate * format.blockAlign;
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

}  // namespace

// channels, output rate, bits
BENCHMARK(BM_MixEightVoices)
    ->Args({2, 44100, 16})
    ->Args({2, 22050, 16})
    ->Args({1, 22050, 8})
    ->Unit(benchmark::kMillisecond);
