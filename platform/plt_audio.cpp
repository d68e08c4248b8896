// The sound library's mixer, its driver and sample handles, and the SDL output.
//
// Voices are mixed in 32-bit sums: each frame is the voice's 16-bit source read at a
// 32.32 fixed-point position (linear interpolation between neighbouring frames), scaled by
// volume (0..127) and the pan weight of its side (stereo: left min(127 - pan, 63), right
// min(pan, 63), so both sides are whole at 63 and 64; mono: 63), divided by 127 x 63 and
// truncated toward zero; the sum is clamped to 16 bits and, for 8-bit output, shifted to
// unsigned bytes.
//
// A voice does not hold its sound decoded: its stream decodes into a ring of RING_FRAMES
// frames in playing order (the file over and over, so a loop needs no seek), and the mixer
// reads the ring. "Stream frame" counts frames since the ring was last reset; the mixer's
// position stays relative to the current play, and playBase is the stream frame where that
// play began. Who fills the ring depends on the output: a pull output's owner renders on its
// own thread, so the mixer fills a ring itself when it runs short and the output is exactly
// that of the whole file decoded. A device's callback must not decode, so the program's
// thread tops every ring up in PLT_AudioUpdate, once a frame, and a voice whose ring runs dry
// in between waits (silent, its position held) rather than skipping sound.
//
// Threads: the program has one, and the device's callback is the only other. Decoding runs
// on the program's thread, without the output's lock, into the ring's slots whose frames the
// mixer has passed (those before "needed", which only grows during a play); the lock is held
// only to read where the mixer stands and to hand it the new "written" end. Everything else
// the mixer sees (voice table, ring pointers, positions) changes under the lock as well, so
// the callback is never kept waiting for a decoder.
#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "plt_audio_local.h"

namespace
{
const u32 MAX_HANDLES = 32;
const u32 MIX_FRAMES = 256;  // frames summed per pass, on the mixing thread's stack
const s32 PAN_WHOLE = 63;
const s32 GAIN_UNIT = 127 * PAN_WHOLE;  // full volume at full pan weight
const s32 MAX_RATE = 1000000;
const u32 MAX_OUTPUT_RATE = 192000;
// About 370 ms at 44100 Hz: many callbacks ahead of the mixer, 64 KB a stereo voice.
const u32 RING_FRAMES = 16384;
const u64 RING_MASK = RING_FRAMES - 1;
// Decoded when a voice starts, so the first callbacks have sound before the next
// PLT_AudioUpdate: about 46 ms at 44100 Hz.
const u32 PRIME_FRAMES = 2048;

u64 s_decodedFrames = 0;

// A file image a voice streams from: a block of the library's own file reads, shared by
// counting, or a copy of memory the caller keeps.
struct ImageBlock
{
    ImageBlock* previous = nullptr;
    ImageBlock* next = nullptr;
    u32 references = 0;  // the caller's and every voice's; calling thread only
    u32 size = 0;        // the data's bytes after the 4-byte count
    u8* Data() { return (u8*)(this + 1) + 4; }
};
ImageBlock* s_blocks = nullptr;  // every live block of PLT_AudioFileRead

ImageBlock* NewBlock(u32 _size)
{
    void* memory = malloc(sizeof(ImageBlock) + 4 + (size_t)_size);
    if (memory == nullptr)
        return nullptr;
    ImageBlock* block = new (memory) ImageBlock;
    block->size = _size;
    block->references = 1;
    return block;
}

void ReleaseBlock(ImageBlock* _block)
{
    if (_block == nullptr || --_block->references > 0)
        return;
    if (_block->previous != nullptr || _block->next != nullptr || s_blocks == _block) {
        if (_block->previous != nullptr)
            _block->previous->next = _block->next;
        else
            s_blocks = _block->next;
        if (_block->next != nullptr)
            _block->next->previous = _block->previous;
    }
    _block->~ImageBlock();
    free(_block);
}

// The image as a block a voice can hold: the library's own file read when the image lies in
// one (no copy, so starting a long file costs no more than a short one), else a copy.
ImageBlock* HoldImage(const u8* _image, u32 _size)
{
    for (ImageBlock* block = s_blocks; block != nullptr; block = block->next) {
        const u8* data = block->Data();
        if (_image >= data && _image <= data + block->size && _size <= (u32)(data + block->size - _image)) {
            ++block->references;
            return block;
        }
    }
    ImageBlock* copy = NewBlock(_size);
    if (copy != nullptr)
        memcpy(copy->Data(), _image, _size);
    return copy;
}
}  // namespace

struct PLT_AudioSample
{
    PLT_AudioDriver* driver = nullptr;
    u32 allocated = 0;  // read and written by the calling thread only
    u32 status = PLT_AUDIO_SAMPLE_FREE;
    u32 channels = 0;
    u64 position = 0;  // source frames of the current play, 32.32 fixed point
    u64 step = 0;      // source frames per output frame, 32.32
    s32 rate = 0;
    s32 volume = 0;
    s32 pan = 0;
    s32 loopCount = 0;
    s32 loopsLeft = 0;  // plays left including the current one; unused when looping forever
    u64 playBase = 0;   // mixer: the stream frame of the current play's first frame
    u32 fresh = 0;      // nothing mixed since the ring was reset: a start need not reset it

    // The decoding side, the program's thread only (the pointers change under the output's
    // lock, as the mixer reads through them).
    PLT_AudioStream* stream = nullptr;
    ImageBlock* image = nullptr;
    s16* ring = nullptr;  // RING_FRAMES frames of two channels, kept while allocated
    u64 cycleFrames = 0;  // frames read since the stream last started over
    u32 broken = 0;       // the stream could not start over: nothing more comes
    // The ring's two ends and the file's length once known (0 until then). The mixer moves
    // "needed"; the decoding side moves the other two, under the output's lock.
    u64 written = 0;
    u64 needed = 0;
    u64 fileFrames = 0;
};

struct PLT_AudioDriver
{
    PLT_AudioWaveFormat format;
    PLT_AudioOutput* output = nullptr;
    u32 handleLimit = 0;
    u32 mixerDecodes = 0;  // the output mixes on a thread that may decode
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

// Decodes up to _most frames into the ring after *_written, no further than a ring ahead of
// _needed (the mixer is done with every frame before it); answers the frames added. At the
// end of the file the stream starts over (the next play's frames follow the last), and
// *_fileFrames learns the file's length. The caller hands both to the mixer.
u32 Fill(PLT_AudioSample* _s, u64 _needed, u32 _most, u64* _written, u64* _fileFrames)
{
    PLT_AudioStream* stream = _s->stream;
    if (stream == nullptr || _s->broken)
        return 0;
    const u32 channels = _s->channels;
    u64 written = *_written;
    const u64 room = _needed + RING_FRAMES - written;
    u64 want = room < _most ? room : _most;
    u32 added = 0;
    while (want > 0) {
        const u64 slot = written & RING_MASK;
        const u32 run = (u32)(want < RING_FRAMES - slot ? want : RING_FRAMES - slot);
        const u32 got = stream->Read(_s->ring + slot * channels, run);
        written += got;
        want -= got;
        added += got;
        _s->cycleFrames += got;
        if (stream->AtEnd()) {
            if (*_fileFrames == 0)
                *_fileFrames = _s->cycleFrames;
            const u64 cycle = _s->cycleFrames;
            _s->cycleFrames = 0;
            if (cycle == 0 || !stream->Rewind()) {
                _s->broken = 1;
                break;
            }
        } else if (got < run) {
            break;
        }
    }
    *_written = written;
    return added;
}

// Tops up the ring of a playing voice of a device: the mixer runs meanwhile, so the decoding
// goes where it does not read, and the lock is held only to see where it stands and to hand
// it the new frames.
void Refill(PLT_AudioSample* _s)
{
    u64 needed = 0;
    {
        VoiceLock lock(_s->driver);
        if (_s->status != PLT_AUDIO_SAMPLE_PLAYING || _s->stream == nullptr)
            return;
        needed = _s->needed;
    }
    u64 written = _s->written;
    u64 fileFrames = _s->fileFrames;
    if (Fill(_s, needed, RING_FRAMES, &written, &fileFrames) == 0 && fileFrames == _s->fileFrames)
        return;
    VoiceLock lock(_s->driver);
    _s->written = written;
    _s->fileFrames = fileFrames;
}

// Empties the ring and starts the stream over; under the output's lock.
void ResetRing(PLT_AudioSample* _s)
{
    if (_s->stream != nullptr && (_s->cycleFrames != 0 || _s->broken))
        _s->broken = _s->stream->Rewind() ? 0 : 1;
    _s->cycleFrames = 0;
    _s->written = 0;
    _s->needed = 0;
    _s->playBase = 0;
    _s->position = 0;
    _s->fresh = 1;
}

// Past the end of a file of _frames frames (0: not known yet) the next play starts, or the
// voice is done at once: 0 then.
u32 NextPlay(PLT_AudioSample* _s, u64 _frames)
{
    const u64 length = _frames << 32;
    if (_frames == 0 || _s->position < length)
        return 1;
    const u64 wraps = _s->position / length;
    if (_s->loopCount == 0 || wraps < (u64)_s->loopsLeft) {
        if (_s->loopCount != 0)
            _s->loopsLeft -= (s32)wraps;
        _s->position -= wraps * length;
        _s->playBase += wraps * _frames;
        return 1;
    }
    _s->status = PLT_AUDIO_SAMPLE_DONE;
    _s->position = 0;
    return 0;
}

// Adds _count output frames of a playing voice to _sum; ends the voice when its last play
// runs out. A voice whose next frames are not decoded yet is filled here when the mixer may
// decode, and otherwise stops for this pass where it is.
void MixVoice(PLT_AudioSample* _s, s32* _sum, u32 _count, u32 _outChannels, u32 _mayDecode)
{
    const s32 panLeft = 127 - _s->pan < PAN_WHOLE ? 127 - _s->pan : PAN_WHOLE;
    const s32 gainLeft = _s->volume * (_outChannels == 2 ? panLeft : PAN_WHOLE);
    const s32 gainRight = _s->volume * (_s->pan < PAN_WHOLE ? _s->pan : PAN_WHOLE);
    const u32 channels = _s->channels;
    _s->fresh = 0;
    for (u32 i = 0; i < _count; ++i) {
        u64 current = 0;
        u64 next = 0;
        for (;;) {
            // The end may have become known only after the position passed it.
            if (!NextPlay(_s, _s->fileFrames))
                return;
            const u64 index = _s->position >> 32;
            current = _s->playBase + index;
            // The stream holds the next play's first frame after the last; the last play
            // holds its last frame instead.
            next = current + 1;
            if (_s->fileFrames != 0 && index + 1 >= _s->fileFrames && _s->loopCount != 0 && _s->loopsLeft <= 1)
                next = current;
            if (next < _s->written)
                break;
            _s->needed = current;
            // The end may become known with the frames decoded here.
            if (!_mayDecode || Fill(_s, current, RING_FRAMES, &_s->written, &_s->fileFrames) == 0) {
                if (_s->fileFrames != 0 && _s->position >= (_s->fileFrames << 32))
                    continue;
                return;  // not decoded yet: wait where it is
            }
        }

        const u32 fraction = (u32)(_s->position >> 16) & 0xFFFFu;
        const s16* a = _s->ring + (current & RING_MASK) * channels;
        const s16* b = _s->ring + (next & RING_MASK) * channels;
        const s32 left = a[0] + (s32)(((s64)(b[0] - a[0]) * fraction) >> 16);
        const s32 right = channels == 2 ? a[1] + (s32)(((s64)(b[1] - a[1]) * fraction) >> 16) : left;
        if (_outChannels == 2) {
            _sum[2 * i] += (s32)((s64)left * gainLeft / GAIN_UNIT);
            _sum[2 * i + 1] += (s32)((s64)right * gainRight / GAIN_UNIT);
        } else {
            const s32 mono = channels == 2 ? (left + right) >> 1 : left;
            _sum[i] += (s32)((s64)mono * gainLeft / GAIN_UNIT);
        }
        _s->position += _s->step;
        if (!NextPlay(_s, _s->fileFrames))
            return;
    }
    _s->needed = _s->playBase + (_s->position >> 32);
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

// A voice's sound taken out of the table, to be freed once no lock is held.
struct Detached
{
    PLT_AudioStream* stream = nullptr;
    ImageBlock* image = nullptr;
    void Free()
    {
        delete stream;
        ReleaseBlock(image);
        stream = nullptr;
        image = nullptr;
    }
};

// Under the output's lock.
Detached DetachData(PLT_AudioSample* _s)
{
    Detached old;
    old.stream = _s->stream;
    old.image = _s->image;
    _s->stream = nullptr;
    _s->image = nullptr;
    _s->channels = 0;
    _s->broken = 0;
    _s->fileFrames = 0;
    ResetRing(_s);
    return old;
}

// Hands a stream over its image to the sample (null: the sample is left without sound).
u32 HandOver(PLT_AudioSample* _sample, PLT_AudioStream* _stream, ImageBlock* _image)
{
    PLT_AudioDriver* driver = _sample->driver;
    if (_stream != nullptr && _sample->ring == nullptr) {
        _sample->ring = (s16*)malloc(sizeof(s16) * 2 * RING_FRAMES);
        if (_sample->ring == nullptr) {
            delete _stream;
            _stream = nullptr;
        }
    }
    Detached old;
    {
        VoiceLock lock(driver);
        old = DetachData(_sample);
        _sample->status = PLT_AUDIO_SAMPLE_DONE;
        if (_stream != nullptr) {
            _sample->stream = _stream;
            _sample->image = _image;
            _image = nullptr;
            _sample->channels = _stream->Channels();
            _sample->fileFrames = _stream->KnownFrames();
            _sample->rate = Clamp((s32)_stream->Rate(), 0, MAX_RATE);
            _sample->step = StepFor(_sample->rate, driver->format.samplesPerSec);
        }
    }
    old.Free();
    ReleaseBlock(_image);
    return _stream != nullptr;
}

// Opens a stream of the image as the given file type; null when it does not decode.
u32 SetFile(PLT_AudioSample* _sample, const void* _image, u32 _size, u32 _mp3)
{
    const u8* image = (const u8*)_image;
    ImageBlock* held = nullptr;
    PLT_AudioStream* stream = nullptr;
    if (image != nullptr && _size != 0) {
        held = HoldImage(image, _size);
        if (held != nullptr) {
            // A copy starts at its block's data; a shared block holds the image where it is.
            const u8* data = image >= held->Data() && image <= held->Data() + held->size ? image : held->Data();
            stream = _mp3 ? PLT_AudioOpenMp3Stream(data, _size) : PLT_AudioOpenWavStream(data, _size);
        }
    }
    return HandOver(_sample, stream, held);
}

}  // namespace

void PLT_AudioCountDecoded(u32 _frames) { s_decodedFrames += _frames; }

u64 PLT_AudioDecodedFrames() { return s_decodedFrames; }

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
            if (s->status == PLT_AUDIO_SAMPLE_PLAYING && s->stream != nullptr)
                MixVoice(s, sum, count, channels, _driver->mixerDecodes);
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
    PLT_Mp3FreeDecoders();
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
    driver->mixerDecodes = driver->output->MixerMayDecode();
    driver->handleLimit = (u32)Clamp(s_library.preferences[PLT_AUDIO_PREF_SAMPLE_HANDLES], 0, (s32)MAX_HANDLES);
    for (PLT_AudioSample& sample : driver->samples)
        sample.driver = driver;
    if (driver->output->Open(_format, driver) != 0) {
        delete driver;
        return -1;
    }
    s_library.driver = driver;
    *_driver = driver;
    PLT_Mp3PrepareDecoder();
    return 0;
}

void PLT_AudioWaveOutClose(PLT_AudioDriver* _driver)
{
    if (_driver == nullptr || _driver != s_library.driver)
        return;
    _driver->output->Close();  // no mixing after this
    for (PLT_AudioSample& sample : _driver->samples) {
        DetachData(&sample).Free();
        free(sample.ring);
        sample.ring = nullptr;
    }
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
    Detached old;
    s16* ring = nullptr;
    {
        VoiceLock lock(_sample->driver);
        old = DetachData(_sample);
        _sample->status = PLT_AUDIO_SAMPLE_FREE;
        ring = _sample->ring;
        _sample->ring = nullptr;
    }
    _sample->allocated = 0;
    old.Free();
    free(ring);
}

void PLT_AudioInitSample(PLT_AudioSample* _sample)
{
    if (_sample == nullptr || !_sample->allocated)
        return;
    Detached old;
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
    old.Free();
}

u32 PLT_AudioSetSampleFile(PLT_AudioSample* _sample, const void* _image, u32 _size)
{
    if (_sample == nullptr || !_sample->allocated)
        return 0;
    const s32 type = PLT_AudioFileType(_image, _size);
    if (type == PLT_AUDIO_FILE_PCM_WAV || type == PLT_AUDIO_FILE_ADPCM_WAV)
        return SetFile(_sample, _image, _size, 0);
    if (type == PLT_AUDIO_FILE_MP3)
        return SetFile(_sample, _image, _size, 1);
    return HandOver(_sample, nullptr, nullptr);
}

u32 PLT_AudioSetNamedSampleFile(PLT_AudioSample* _sample, const char* _name, const void* _image, u32 _size)
{
    if (_sample == nullptr || !_sample->allocated)
        return 0;
    const size_t length = _name != nullptr ? strlen(_name) : 0;
    const u32 isMp3 = length >= 4 && SDL_strcasecmp(_name + length - 4, ".mp3") == 0;
    if (!isMp3)
        return PLT_AudioSetSampleFile(_sample, _image, _size);
    return SetFile(_sample, _image, _size, 1);
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
    PLT_AudioDriver* driver = _sample->driver;
    if (_sample->stream == nullptr)
        return;
    {
        VoiceLock lock(driver);
        _sample->status = PLT_AUDIO_SAMPLE_DONE;
        if (!_sample->fresh)
            ResetRing(_sample);
    }
    // The mixer passes over a voice that is not playing, so the ring fills unlocked.
    if (_sample->written < PRIME_FRAMES)
        Fill(_sample, _sample->needed, PRIME_FRAMES, &_sample->written, &_sample->fileFrames);
    {
        VoiceLock lock(driver);
        _sample->position = 0;
        _sample->loopsLeft = _sample->loopCount;
        _sample->status = PLT_AUDIO_SAMPLE_PLAYING;
    }
}

void PLT_AudioUpdate(PLT_AudioDriver* _driver)
{
    // A pull output's mixer fills its rings itself, on this same thread.
    if (_driver == nullptr || _driver != s_library.driver || _driver->mixerDecodes)
        return;
    for (u32 v = 0; v < _driver->handleLimit; ++v)
        if (_driver->samples[v].allocated)
            Refill(&_driver->samples[v]);
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
        ReleaseBlock(block);
        if (handle != nullptr)
            s_library.close(handle);
    }
    void* handle = nullptr;
    ImageBlock* block = nullptr;
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
    if (end < 0 || (u32)end > 0x7FFFFFFFu - 4u - (u32)sizeof(ImageBlock))
        return nullptr;
    s_library.seek(state.handle, 0, 0);
    state.block = NewBlock((u32)end);
    if (state.block == nullptr)
        return nullptr;
    u32 got = s_library.read(state.handle, state.block->Data(), (u32)end);
    if (got > (u32)end)
        got = (u32)end;
    ImageBlock* block = state.block;
    state.block = nullptr;
    block->size = got;
    u8* counted = block->Data() - 4;
    OS_WriteU32LE(counted, got);
    // Listed, so that a voice given this image shares it instead of copying it.
    block->next = s_blocks;
    if (s_blocks != nullptr)
        s_blocks->previous = block;
    s_blocks = block;
    return counted;
}

void PLT_AudioMemFreeLock(void* _block)
{
    if (_block != nullptr)
        ReleaseBlock((ImageBlock*)_block - 1);
}

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
