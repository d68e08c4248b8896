// The sound library's mixer, its driver and sample handles, and the SDL output.
//
// Voices are mixed in 32-bit sums: each frame is the voice's 16-bit source read at a
// 32.32 fixed-point position (linear interpolation between neighbouring frames), scaled by
// volume (0..127) and the pan weight of its side (stereo: left min(127 - pan, 63), right
// min(pan, 63), so both sides are whole at 63 and 64; mono: 63), divided by 127 x 63 and
// truncated toward zero; the sum is clamped to 16 bits and, for 8-bit output, shifted to
// unsigned bytes.
#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "plt_audio_local.h"

struct PLT_AudioSample
{
    PLT_AudioDriver* driver = nullptr;
    u32 allocated = 0;  // read and written by the calling thread only
    u32 status = PLT_AUDIO_SAMPLE_FREE;
    s16* frames = nullptr;  // owned, from PLT_AudioAllocFrames
    u32 frameCount = 0;
    u32 channels = 0;
    u64 position = 0;  // source frames, 32.32 fixed point
    u64 step = 0;      // source frames per output frame, 32.32
    s32 rate = 0;
    s32 volume = 0;
    s32 pan = 0;
    s32 loopCount = 0;
    s32 loopsLeft = 0;  // plays left including the current one; unused when looping forever
};

namespace
{
const u32 MAX_HANDLES = 32;
const u32 MIX_FRAMES = 256;  // frames summed per pass, on the mixing thread's stack
const s32 PAN_WHOLE = 63;
const s32 GAIN_UNIT = 127 * PAN_WHOLE;  // full volume at full pan weight
const s32 MAX_RATE = 1000000;
const u32 MAX_OUTPUT_RATE = 192000;
}  // namespace

struct PLT_AudioDriver
{
    PLT_AudioWaveFormat format;
    PLT_AudioOutput* output = nullptr;
    u32 handleLimit = 0;
    PLT_AudioSample samples[MAX_HANDLES];
};

namespace
{

struct Library
{
    u32 started = 0;
    s32 preferences[PLT_AUDIO_PREF_COUNT] = {0, 16};
    char redistDirectory[260] = {};
    PLT_AudioFileOpenCallback open = nullptr;
    PLT_AudioFileCloseCallback close = nullptr;
    PLT_AudioFileSeekCallback seek = nullptr;
    PLT_AudioFileReadCallback read = nullptr;
    PLT_AudioDriver* driver = nullptr;  // the open driver
    PLT_AudioOutput* replacement = nullptr;
};
Library s_library;

// Holds the output's lock for one change of the voice table.
class VoiceLock
{
public:
    explicit VoiceLock(PLT_AudioDriver* _driver) : m_output(_driver->output) { m_output->Lock(); }
    ~VoiceLock() { m_output->Unlock(); }
    VoiceLock(const VoiceLock&) = delete;
    VoiceLock& operator=(const VoiceLock&) = delete;

private:
    PLT_AudioOutput* m_output;
};

class SdlAudioOutput : public PLT_AudioOutput
{
public:
    s32 Open(const PLT_AudioWaveFormat& _format, PLT_AudioDriver* _driver) override
    {
        if (m_device != 0)
            return -1;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return -1;
        SDL_AudioSpec want;
        memset(&want, 0, sizeof(want));
        want.freq = (int)_format.samplesPerSec;
        want.format = _format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        want.channels = (Uint8)_format.channels;
        // About 25 ms per callback: short enough to follow the program's frames.
        Uint16 frames = 256;
        while (frames < 4096 && frames * 2u <= _format.samplesPerSec / 40u)
            frames = (Uint16)(frames * 2);
        want.samples = frames;
        want.callback = &SdlAudioOutput::Callback;
        want.userdata = _driver;
        SDL_AudioSpec have;
        // No changes allowed: SDL converts to whatever the hardware takes.
        m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (m_device == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return -1;
        }
        SDL_PauseAudioDevice(m_device, 0);
        return 0;
    }

    void Close() override
    {
        if (m_device == 0)
            return;
        SDL_CloseAudioDevice(m_device);  // waits for the callback to return
        m_device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    void Lock() override
    {
        if (m_device != 0)
            SDL_LockAudioDevice(m_device);
    }

    void Unlock() override
    {
        if (m_device != 0)
            SDL_UnlockAudioDevice(m_device);
    }

private:
    static void SDLCALL Callback(void* _user, Uint8* _stream, int _length)
    {
        PLT_AudioMix((PLT_AudioDriver*)_user, _stream, _length > 0 ? (u32)_length : 0u);
    }

    SDL_AudioDeviceID m_device = 0;
};

SdlAudioOutput s_sdlOutput;

u64 StepFor(s32 _rate, u32 _outputRate) { return (((u64)(u32)_rate) << 32) / _outputRate; }

s32 Clamp(s32 _value, s32 _low, s32 _high) { return _value < _low ? _low : (_value > _high ? _high : _value); }

// One source frame value at the voice's position, both channels (the same for mono).
void ReadFrame(const PLT_AudioSample& _s, u32 _index, u32 _next, u32 _fraction, s32* _left, s32* _right)
{
    const s16* a = _s.frames + (size_t)_index * _s.channels;
    const s16* b = _s.frames + (size_t)_next * _s.channels;
    *_left = a[0] + (s32)(((s64)(b[0] - a[0]) * _fraction) >> 16);
    if (_s.channels == 2)
        *_right = a[1] + (s32)(((s64)(b[1] - a[1]) * _fraction) >> 16);
    else
        *_right = *_left;
}

// Adds _count output frames of a playing voice to _sum; ends the voice when its last play
// runs out.
void MixVoice(PLT_AudioSample* _s, s32* _sum, u32 _count, u32 _outChannels)
{
    const u64 length = (u64)_s->frameCount << 32;
    const s32 panLeft = 127 - _s->pan < PAN_WHOLE ? 127 - _s->pan : PAN_WHOLE;
    const s32 gainLeft = _s->volume * (_outChannels == 2 ? panLeft : PAN_WHOLE);
    const s32 gainRight = _s->volume * (_s->pan < PAN_WHOLE ? _s->pan : PAN_WHOLE);
    for (u32 i = 0; i < _count; ++i) {
        const u32 index = (u32)(_s->position >> 32);
        const u32 fraction = (u32)(_s->position >> 16) & 0xFFFFu;
        u32 next = index + 1;
        if (next >= _s->frameCount)
            next = (_s->loopCount == 0 || _s->loopsLeft > 1) ? 0 : index;
        s32 left = 0, right = 0;
        ReadFrame(*_s, index, next, fraction, &left, &right);
        if (_outChannels == 2) {
            _sum[2 * i] += (s32)((s64)left * gainLeft / GAIN_UNIT);
            _sum[2 * i + 1] += (s32)((s64)right * gainRight / GAIN_UNIT);
        } else {
            const s32 mono = _s->channels == 2 ? (left + right) >> 1 : left;
            _sum[i] += (s32)((s64)mono * gainLeft / GAIN_UNIT);
        }
        // Past the end: the next play starts, or the voice is done at once.
        _s->position += _s->step;
        if (_s->position >= length) {
            const u64 wraps = _s->position / length;
            if (_s->loopCount == 0) {
                _s->position -= wraps * length;
            } else if (wraps < (u64)_s->loopsLeft) {
                _s->loopsLeft -= (s32)wraps;
                _s->position -= wraps * length;
            } else {
                _s->status = PLT_AUDIO_SAMPLE_DONE;
                _s->position = 0;
                return;
            }
        }
    }
}

u32 ValidFormat(const PLT_AudioWaveFormat& _f)
{
    if (_f.formatTag != 1 || (_f.channels != 1 && _f.channels != 2))
        return 0;
    if (_f.bitsPerSample != 8 && _f.bitsPerSample != 16)
        return 0;
    if (_f.samplesPerSec < 1000 || _f.samplesPerSec > MAX_OUTPUT_RATE)
        return 0;
    if (_f.blockAlign != _f.bitsPerSample / 8 * _f.channels)
        return 0;
    return _f.avgBytesPerSec == _f.blockAlign * _f.samplesPerSec;
}

// Takes the sample's data out of the table (under the lock) so it can be freed after.
s16* DetachData(PLT_AudioSample* _s)
{
    s16* frames = _s->frames;
    _s->frames = nullptr;
    _s->frameCount = 0;
    _s->channels = 0;
    _s->position = 0;
    return frames;
}

u32 HandOver(PLT_AudioSample* _sample, u32 _decoded, PLT_AudioPcm* _pcm)
{
    s16* old = nullptr;
    {
        VoiceLock lock(_sample->driver);
        old = DetachData(_sample);
        _sample->status = PLT_AUDIO_SAMPLE_DONE;
        if (_decoded) {
            _sample->frames = _pcm->frames;
            _sample->frameCount = _pcm->frameCount;
            _sample->channels = _pcm->channels;
            _sample->rate = Clamp((s32)_pcm->rate, 0, MAX_RATE);
            _sample->step = StepFor(_sample->rate, _sample->driver->format.samplesPerSec);
        }
    }
    free(old);
    if (_decoded) {
        _pcm->frames = nullptr;  // the sample owns them now
        return 1;
    }
    return 0;
}

}  // namespace

s16* PLT_AudioAllocFrames(u32 _frameCount, u32 _channels)
{
    const u64 bytes = (u64)_frameCount * _channels * sizeof(s16);
    if (bytes == 0 || bytes > 0x7FFFFFFFu)
        return nullptr;
    return (s16*)malloc((size_t)bytes);
}

void PLT_AudioFreePcm(PLT_AudioPcm* _pcm)
{
    free(_pcm->frames);
    *_pcm = PLT_AudioPcm();
}

void PLT_AudioMix(PLT_AudioDriver* _driver, u8* _buffer, u32 _bytes)
{
    const PLT_AudioWaveFormat& format = _driver->format;
    const u32 channels = format.channels;
    const u32 frameBytes = format.blockAlign;
    const u32 frames = _bytes / frameBytes;
    s32 sum[MIX_FRAMES * 2];
    u8* out = _buffer;
    for (u32 done = 0; done < frames;) {
        const u32 count = frames - done < MIX_FRAMES ? frames - done : MIX_FRAMES;
        memset(sum, 0, sizeof(sum));
        for (u32 v = 0; v < _driver->handleLimit; ++v) {
            PLT_AudioSample* s = &_driver->samples[v];
            if (s->status == PLT_AUDIO_SAMPLE_PLAYING && s->frameCount > 0)
                MixVoice(s, sum, count, channels);
        }
        for (u32 i = 0; i < count * channels; ++i) {
            const s32 value = Clamp(sum[i], -32768, 32767);
            if (format.bitsPerSample == 8) {
                *out++ = (u8)((value >> 8) + 128);
            } else {
                out[0] = (u8)value;
                out[1] = (u8)((u32)value >> 8);
                out += 2;
            }
        }
        done += count;
    }
    memset(out, format.bitsPerSample == 8 ? 0x80 : 0, _bytes - frames * frameBytes);
}

s32 PLT_AudioPullOutput::Open(const PLT_AudioWaveFormat& _format, PLT_AudioDriver* _driver)
{
    if (m_driver != nullptr)
        return -1;
    m_format = _format;
    m_driver = _driver;
    return 0;
}

void PLT_AudioPullOutput::Close() { m_driver = nullptr; }

void PLT_AudioPullOutput::Render(u8* _buffer, u32 _bytes)
{
    if (m_driver != nullptr)
        PLT_AudioMix(m_driver, _buffer, _bytes);
    else
        memset(_buffer, m_format.bitsPerSample == 8 ? 0x80 : 0, _bytes);
}

PLT_AudioOutput* PLT_GetAudioOutput()
{
    return s_library.replacement != nullptr ? s_library.replacement : &s_sdlOutput;
}

void PLT_SetAudioOutput(PLT_AudioOutput* _output)
{
    if (s_library.driver == nullptr)
        s_library.replacement = _output;
}

void PLT_AudioSetRedistDirectory(const char* _directory)
{
    const size_t length = _directory != nullptr ? strnlen(_directory, sizeof(s_library.redistDirectory) - 1) : 0;
    memcpy(s_library.redistDirectory, _directory != nullptr ? _directory : "", length);
    s_library.redistDirectory[length] = '\0';
}

s32 PLT_AudioStartup()
{
    s_library.started = 1;
    return 1;
}

void PLT_AudioShutdown()
{
    if (s_library.driver != nullptr)
        PLT_AudioWaveOutClose(s_library.driver);
    s_library.started = 0;
}

s32 PLT_AudioSetPreference(u32 _number, s32 _value)
{
    if (_number >= PLT_AUDIO_PREF_COUNT)
        return 0;
    const s32 previous = s_library.preferences[_number];
    s_library.preferences[_number] = _value;
    return previous;
}

s32 PLT_AudioWaveOutOpen(PLT_AudioDriver** _driver, s32 _device, const PLT_AudioWaveFormat& _format)
{
    *_driver = nullptr;
    if (!s_library.started || s_library.driver != nullptr || _device != 0 || !ValidFormat(_format))
        return -1;
    PLT_AudioDriver* driver = new (std::nothrow) PLT_AudioDriver;
    if (driver == nullptr)
        return -1;
    driver->format = _format;
    driver->output = PLT_GetAudioOutput();
    driver->handleLimit = (u32)Clamp(s_library.preferences[PLT_AUDIO_PREF_SAMPLE_HANDLES], 0, (s32)MAX_HANDLES);
    for (PLT_AudioSample& sample : driver->samples)
        sample.driver = driver;
    if (driver->output->Open(_format, driver) != 0) {
        delete driver;
        return -1;
    }
    s_library.driver = driver;
    *_driver = driver;
    return 0;
}

void PLT_AudioWaveOutClose(PLT_AudioDriver* _driver)
{
    if (_driver == nullptr || _driver != s_library.driver)
        return;
    _driver->output->Close();  // no mixing after this
    for (PLT_AudioSample& sample : _driver->samples)
        free(DetachData(&sample));
    s_library.driver = nullptr;
    delete _driver;
}

PLT_AudioSample* PLT_AudioAllocateSampleHandle(PLT_AudioDriver* _driver)
{
    if (_driver == nullptr)
        return nullptr;
    for (u32 i = 0; i < _driver->handleLimit; ++i) {
        PLT_AudioSample* s = &_driver->samples[i];
        if (!s->allocated) {
            s->allocated = 1;
            {
                VoiceLock lock(_driver);
                s->status = PLT_AUDIO_SAMPLE_DONE;
            }
            PLT_AudioInitSample(s);
            return s;
        }
    }
    return nullptr;
}

void PLT_AudioReleaseSampleHandle(PLT_AudioSample* _sample)
{
    if (_sample == nullptr || !_sample->allocated)
        return;
    s16* old = nullptr;
    {
        VoiceLock lock(_sample->driver);
        old = DetachData(_sample);
        _sample->status = PLT_AUDIO_SAMPLE_FREE;
    }
    _sample->allocated = 0;
    free(old);
}

void PLT_AudioInitSample(PLT_AudioSample* _sample)
{
    if (_sample == nullptr || !_sample->allocated)
        return;
    s16* old = nullptr;
    {
        VoiceLock lock(_sample->driver);
        old = DetachData(_sample);
        _sample->status = PLT_AUDIO_SAMPLE_DONE;
        _sample->rate = 22050;
        _sample->step = StepFor(_sample->rate, _sample->driver->format.samplesPerSec);
        _sample->volume = 127;
        _sample->pan = 64;
        _sample->loopCount = 1;
        _sample->loopsLeft = 1;
    }
    free(old);
}

u32 PLT_AudioSetSampleFile(PLT_AudioSample* _sample, const void* _image, u32 _size)
{
    if (_sample == nullptr || !_sample->allocated)
        return 0;
    PLT_AudioPcm pcm;
    const u8* image = (const u8*)_image;
    u32 decoded = 0;
    if (image != nullptr) {
        const s32 type = PLT_AudioFileType(image, _size);
        if (type == PLT_AUDIO_FILE_PCM_WAV || type == PLT_AUDIO_FILE_ADPCM_WAV)
            decoded = PLT_AudioDecodeWav(image, _size, &pcm);
        else if (type == PLT_AUDIO_FILE_MP3)
            decoded = PLT_AudioDecodeMp3(image, _size, &pcm);
    }
    return HandOver(_sample, decoded, &pcm);
}

u32 PLT_AudioSetNamedSampleFile(PLT_AudioSample* _sample, const char* _name, const void* _image, u32 _size)
{
    if (_sample == nullptr || !_sample->allocated)
        return 0;
    const size_t length = _name != nullptr ? strlen(_name) : 0;
    const u32 isMp3 = length >= 4 && SDL_strcasecmp(_name + length - 4, ".mp3") == 0;
    if (!isMp3)
        return PLT_AudioSetSampleFile(_sample, _image, _size);
    PLT_AudioPcm pcm;
    const u32 decoded = _image != nullptr && PLT_AudioDecodeMp3((const u8*)_image, _size, &pcm);
    return HandOver(_sample, decoded, &pcm);
}

void PLT_AudioSetSamplePlaybackRate(PLT_AudioSample* _sample, s32 _rate)
{
    if (_sample == nullptr || !_sample->allocated)
        return;
    VoiceLock lock(_sample->driver);
    _sample->rate = Clamp(_rate, 0, MAX_RATE);
    _sample->step = StepFor(_sample->rate, _sample->driver->format.samplesPerSec);
}

void PLT_AudioSetSampleVolume(PLT_AudioSample* _sample, s32 _volume)
{
    if (_sample == nullptr || !_sample->allocated)
        return;
    VoiceLock lock(_sample->driver);
    _sample->volume = Clamp(_volume, 0, 127);
}

void PLT_AudioSetSamplePan(PLT_AudioSample* _sample, s32 _pan)
{
    if (_sample == nullptr || !_sample->allocated)
        return;
    VoiceLock lock(_sample->driver);
    _sample->pan = Clamp(_pan, 0, 127);
}

void PLT_AudioSetSampleLoopCount(PLT_AudioSample* _sample, s32 _count)
{
    if (_sample == nullptr || !_sample->allocated)
        return;
    VoiceLock lock(_sample->driver);
    _sample->loopCount = _count < 0 ? 1 : _count;
    _sample->loopsLeft = _sample->loopCount;
}

void PLT_AudioStartSample(PLT_AudioSample* _sample)
{
    if (_sample == nullptr || !_sample->allocated)
        return;
    VoiceLock lock(_sample->driver);
    if (_sample->frameCount == 0)
        return;
    _sample->position = 0;
    _sample->loopsLeft = _sample->loopCount;
    _sample->status = PLT_AUDIO_SAMPLE_PLAYING;
}

void PLT_AudioStopSample(PLT_AudioSample* _sample)
{
    if (_sample == nullptr || !_sample->allocated)
        return;
    VoiceLock lock(_sample->driver);
    if (_sample->status == PLT_AUDIO_SAMPLE_PLAYING)
        _sample->status = PLT_AUDIO_SAMPLE_STOPPED;
}

void PLT_AudioResumeSample(PLT_AudioSample* _sample)
{
    if (_sample == nullptr || !_sample->allocated)
        return;
    VoiceLock lock(_sample->driver);
    if (_sample->status == PLT_AUDIO_SAMPLE_STOPPED)
        _sample->status = PLT_AUDIO_SAMPLE_PLAYING;
}

void PLT_AudioEndSample(PLT_AudioSample* _sample)
{
    if (_sample == nullptr || !_sample->allocated)
        return;
    VoiceLock lock(_sample->driver);
    _sample->status = PLT_AUDIO_SAMPLE_DONE;
    _sample->position = 0;
}

u32 PLT_AudioSampleStatus(PLT_AudioSample* _sample)
{
    if (_sample == nullptr || !_sample->allocated)
        return PLT_AUDIO_SAMPLE_FREE;
    VoiceLock lock(_sample->driver);
    return _sample->status;
}

s32 PLT_AudioSampleVolume(PLT_AudioSample* _sample)
{
    if (_sample == nullptr || !_sample->allocated)
        return 0;
    return _sample->volume;  // only the calling thread writes it
}

s32 PLT_AudioSamplePlaybackRate(PLT_AudioSample* _sample)
{
    if (_sample == nullptr || !_sample->allocated)
        return 0;
    return _sample->rate;
}

void PLT_AudioSetFileCallbacks(PLT_AudioFileOpenCallback _open, PLT_AudioFileCloseCallback _close,
                               PLT_AudioFileSeekCallback _seek, PLT_AudioFileReadCallback _read)
{
    s_library.open = _open;
    s_library.close = _close;
    s_library.seek = _seek;
    s_library.read = _read;
}

namespace
{
// Closes the file and frees an unfinished block even when a callback throws.
class FileReadState
{
public:
    ~FileReadState()
    {
        free(block);
        if (handle != nullptr)
            s_library.close(handle);
    }
    void* handle = nullptr;
    u8* block = nullptr;
};
}  // namespace

void* PLT_AudioFileRead(const char* _name)
{
    if (s_library.open == nullptr || s_library.close == nullptr || s_library.seek == nullptr ||
        s_library.read == nullptr || _name == nullptr)
        return nullptr;
    FileReadState state;
    if (!s_library.open(_name, &state.handle) || state.handle == nullptr) {
        state.handle = nullptr;
        return nullptr;
    }
    const s32 end = s_library.seek(state.handle, 0, 2);
    if (end < 0 || (u32)end > 0x7FFFFFFFu - 4u)
        return nullptr;
    s_library.seek(state.handle, 0, 0);
    state.block = (u8*)malloc((size_t)end + 4);
    if (state.block == nullptr)
        return nullptr;
    u32 got = s_library.read(state.handle, state.block + 4, (u32)end);
    if (got > (u32)end)
        got = (u32)end;
    OS_WriteU32LE(state.block, got);
    u8* block = state.block;
    state.block = nullptr;
    return block;
}

void PLT_AudioMemFreeLock(void* _block) { free(_block); }

s32 PLT_AudioFileType(const void* _image, u32 _size)
{
    const u8* image = (const u8*)_image;
    if (image == nullptr)
        return PLT_AUDIO_FILE_UNKNOWN;
    PLT_WavInfo info;
    if (_size >= 12 && memcmp(image, "RIFF", 4) == 0 && memcmp(image + 8, "WAVE", 4) == 0) {
        if (!PLT_WavParse(image, _size, &info))
            return PLT_AUDIO_FILE_UNKNOWN;
        if (info.formatTag == PLT_WAV_TAG_PCM && (info.bits == 8 || info.bits == 16))
            return PLT_AUDIO_FILE_PCM_WAV;
        if (info.formatTag == PLT_WAV_TAG_IMA_ADPCM && info.bits == 4)
            return PLT_AUDIO_FILE_ADPCM_WAV;
        return PLT_AUDIO_FILE_OTHER_WAV;
    }
    return PLT_Mp3Detect(image, _size) ? PLT_AUDIO_FILE_MP3 : PLT_AUDIO_FILE_UNKNOWN;
}
