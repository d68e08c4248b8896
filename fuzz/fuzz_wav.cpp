// Fuzzes the sound library's WAV readers (chunk walk, PCM, IMA ADPCM) and the file type test:
// any input must decode to frames that stay within what was allocated, or be refused. What
// decodes is then played once through the mixer (a pull output, so no device is needed) at a
// rate and loop count taken from the input, to reach the mixer with odd lengths and steps.
#include <cstdlib>
#include <cstring>

#include "plt_audio.h"

namespace
{

void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

PLT_AudioPullOutput s_output;
volatile s32 s_sink = 0;
PLT_AudioSample* s_voice = nullptr;

PLT_AudioSample* Voice()
{
    if (s_voice == nullptr) {
        PLT_SetAudioOutput(&s_output);
        PLT_AudioStartup();
        PLT_AudioWaveFormat format;
        format.channels = 2;
        format.samplesPerSec = 22050;
        format.bitsPerSample = 16;
        format.blockAlign = 4;
        format.avgBytesPerSec = 4 * 22050;
        PLT_AudioDriver* driver = nullptr;
        Check(PLT_AudioWaveOutOpen(&driver, 0, format) == 0);
        s_voice = PLT_AudioAllocateSampleHandle(driver);
        Check(s_voice != nullptr);
    }
    return s_voice;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > (1u << 20))
        return 0;
    const u32 size = (u32)_size;
    const s32 type = PLT_AudioFileType(_data, size);

    PLT_AudioPcm pcm;
    const u32 decoded = PLT_AudioDecodeWav(_data, size, &pcm);
    if (decoded) {
        Check(type == PLT_AUDIO_FILE_PCM_WAV || type == PLT_AUDIO_FILE_ADPCM_WAV);
        Check(pcm.frames != nullptr && pcm.frameCount > 0);
        Check(pcm.channels == 1 || pcm.channels == 2);
        Check(pcm.rate > 0);
        // Touch every frame, so a short allocation shows under the address sanitizer.
        s32 sum = 0;
        for (u32 i = 0; i < pcm.frameCount * pcm.channels; ++i)
            sum += pcm.frames[i];
        s_sink = sum;
        PLT_AudioFreePcm(&pcm);
    } else {
        Check(pcm.frames == nullptr && pcm.frameCount == 0);
    }

    if (type == PLT_AUDIO_FILE_PCM_WAV || type == PLT_AUDIO_FILE_ADPCM_WAV) {
        PLT_AudioSample* voice = Voice();
        PLT_AudioInitSample(voice);
        Check(PLT_AudioSetSampleFile(voice, _data, size) == decoded);
        const u8 last = size > 0 ? _data[size - 1] : 0;
        PLT_AudioSetSamplePlaybackRate(voice, 1000 + last * 700);
        PLT_AudioSetSampleLoopCount(voice, last & 3);
        PLT_AudioSetSamplePan(voice, last >> 1);
        PLT_AudioStartSample(voice);
        u8 buffer[4 * 512];
        s_output.Render(buffer, sizeof(buffer));
        PLT_AudioEndSample(voice);
    }
    return 0;
}
