// The sound library: a small software mixer over one audio output, with calls shaped like
// those of a classic sample library (start-up, wave-out driver, sample handles with volume,
// pan, playback rate, loop count and status, file callbacks, whole-file reads).
//
// Threads: every call comes from the program's one thread. The output calls PLT_AudioMix
// from its own thread with its lock held; the mixer then touches only the driver's voice
// table and never allocates, logs, decodes or stops the program. Every call here that
// changes a voice takes the same lock, never while decoding. A voice never holds its whole
// sound decoded: handing it a file reads the headers, starting it decodes a few dozen
// milliseconds, and the rest is decoded into a small ring per voice (about a third of a
// second), ahead of the mixer: on a device by PLT_AudioUpdate, which the program calls once
// a frame, on a pull output by the mixer itself on the owner's thread.
//
// Files: a voice streams from the image it was handed. An image inside a block of
// PLT_AudioFileRead is shared (the block lives until the last voice lets it go, whenever
// PLT_AudioMemFreeLock is called); any other image is copied, so the caller may free it.
//
// Memory: the library's blocks (decoders, rings, file reads) come from the C heap, not from
// the engine's pools, which are single-threaded.
#pragma once

#include "os_types.h"

// Sample status codes, as the library reports them.
enum : u32
{
    PLT_AUDIO_SAMPLE_FREE = 1,  // not allocated
    PLT_AUDIO_SAMPLE_DONE = 2,  // allocated, nothing playing
    PLT_AUDIO_SAMPLE_PLAYING = 4,
    PLT_AUDIO_SAMPLE_STOPPED = 8  // paused; resume continues where it stopped
};

// File type numbers of PLT_AudioFileType.
enum : s32
{
    PLT_AUDIO_FILE_UNKNOWN = 0,
    PLT_AUDIO_FILE_PCM_WAV = 1,    // PCM, 8 or 16 bit
    PLT_AUDIO_FILE_ADPCM_WAV = 2,  // IMA ADPCM, 4 bit
    PLT_AUDIO_FILE_OTHER_WAV = 3,  // any other WAV; cannot be played
    PLT_AUDIO_FILE_VOC = 4,        // a number callers accept; never detected, cannot be played
    PLT_AUDIO_FILE_MP3 = 13        // MPEG audio layer III
};

// Preferences: numbered settings kept by the library across start-up and shut-down.
enum : u32
{
    PLT_AUDIO_PREF_SAMPLE_HANDLES = 1,  // handles a driver hands out (default 16, 0..32)
    PLT_AUDIO_PREF_OUTPUT_PATH = 15,    // an output choice the mixer does not have; kept only
    PLT_AUDIO_PREF_COUNT = 16
};

// The wave-out format, laid out as the classic PCM wave format description.
struct PLT_AudioWaveFormat
{
    u16 formatTag = 1;  // 1: PCM, the only one accepted
    u16 channels = 0;   // 1 or 2
    u32 samplesPerSec = 0;
    u32 avgBytesPerSec = 0;  // must be blockAlign x samplesPerSec
    u16 blockAlign = 0;      // must be bitsPerSample / 8 x channels
    u16 bitsPerSample = 0;   // 8 (unsigned) or 16 (signed, little-endian)
};

struct PLT_AudioDriver;
struct PLT_AudioSample;

// Renders _bytes of the driver's output format into _buffer: the output device's thread
// calls it with the output's lock held. Bytes beyond the last whole frame are silence.
void PLT_AudioMix(PLT_AudioDriver* _driver, u8* _buffer, u32 _bytes);

// Where the mixed sound goes. The default is an SDL audio device; tests and benchmarks
// install a pull output and render by calling PLT_AudioMix themselves.
class PLT_AudioOutput
{
public:
    virtual ~PLT_AudioOutput() {}
    // Opens the device for _format and starts calling PLT_AudioMix(_driver, ...). 0 on success.
    virtual s32 Open(const PLT_AudioWaveFormat& _format, PLT_AudioDriver* _driver) = 0;
    virtual void Close() = 0;
    // Excludes the mixing thread while held.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    // 1 when PLT_AudioMix runs on a thread that may decode (it then fills the voices' rings
    // itself); 0 for a device's callback, which PLT_AudioUpdate keeps ahead of.
    virtual u32 MixerMayDecode() const { return 0; }
};

// An output without a device: opening always works, and the owner renders on its own thread.
class PLT_AudioPullOutput : public PLT_AudioOutput
{
public:
    s32 Open(const PLT_AudioWaveFormat& _format, PLT_AudioDriver* _driver) override;
    void Close() override;
    void Lock() override {}
    void Unlock() override {}
    u32 MixerMayDecode() const override { return 1; }
    // Renders _bytes through the open driver; silence (format's zero) when none is open.
    void Render(u8* _buffer, u32 _bytes);
    const PLT_AudioWaveFormat& Format() const { return m_format; }
    u32 IsOpen() const { return m_driver != nullptr; }

private:
    PLT_AudioDriver* m_driver = nullptr;
    PLT_AudioWaveFormat m_format;
};

PLT_AudioOutput* PLT_GetAudioOutput();
// Installs a replacement (tests, benchmarks); null restores the SDL output. Only while no
// driver is open.
void PLT_SetAudioOutput(PLT_AudioOutput* _output);

// Library lifetime. Start-up (answers 1) is needed before a driver opens; shut-down closes
// the open driver with its samples and may run any number of times.
void PLT_AudioSetRedistDirectory(const char* _directory);
s32 PLT_AudioStartup();
void PLT_AudioShutdown();
// Returns the previous value; numbers outside the table are ignored (answer 0).
s32 PLT_AudioSetPreference(u32 _number, s32 _value);

// Opens the one driver on the output. 0 on success with *_driver set; else non-zero and
// *_driver null (bad format, output refused, library not started, a driver already open).
s32 PLT_AudioWaveOutOpen(PLT_AudioDriver** _driver, s32 _device, const PLT_AudioWaveFormat& _format);
void PLT_AudioWaveOutClose(PLT_AudioDriver* _driver);

// Sample handles: null when the driver has handed out its preference's number of them.
PLT_AudioSample* PLT_AudioAllocateSampleHandle(PLT_AudioDriver* _driver);
void PLT_AudioReleaseSampleHandle(PLT_AudioSample* _sample);
// Ends the sample, drops its data and resets volume 127, pan 64, loop count 1, rate 22050.
void PLT_AudioInitSample(PLT_AudioSample* _sample);
// Hands a file image (WAV or MP3, by its contents) to the sample; its rate becomes the
// file's. Only headers are read (for MP3 the first frame), however long the file. 1 on
// success, 0 when it cannot be decoded (the sample then has no data and does not start).
u32 PLT_AudioSetSampleFile(PLT_AudioSample* _sample, const void* _image, u32 _size);
// As above, the decoder chosen by the name's extension (".mp3", else by the contents).
u32 PLT_AudioSetNamedSampleFile(PLT_AudioSample* _sample, const char* _name, const void* _image, u32 _size);
void PLT_AudioSetSamplePlaybackRate(PLT_AudioSample* _sample, s32 _rate);  // Hz, clamped 0..1000000
void PLT_AudioSetSampleVolume(PLT_AudioSample* _sample, s32 _volume);      // 0..127, clamped
void PLT_AudioSetSamplePan(PLT_AudioSample* _sample, s32 _pan);            // 0 left, 127 right; 63, 64 both whole
void PLT_AudioSetSampleLoopCount(PLT_AudioSample* _sample, s32 _count);    // plays; 0 = forever
// Plays from the start (nothing without data; a few dozen milliseconds are decoded before
// it returns), pauses, resumes a paused sample, ends.
void PLT_AudioStartSample(PLT_AudioSample* _sample);
void PLT_AudioStopSample(PLT_AudioSample* _sample);
void PLT_AudioResumeSample(PLT_AudioSample* _sample);
void PLT_AudioEndSample(PLT_AudioSample* _sample);
// Tops up the ring of every playing voice of a device, on the calling thread; call it at
// least every few tenths of a second (once a frame). A voice whose ring runs dry before it
// is called plays silence and resumes where it stopped. Does nothing on a pull output.
void PLT_AudioUpdate(PLT_AudioDriver* _driver);
u32 PLT_AudioSampleStatus(PLT_AudioSample* _sample);
s32 PLT_AudioSampleVolume(PLT_AudioSample* _sample);
s32 PLT_AudioSamplePlaybackRate(PLT_AudioSample* _sample);

// The library reads files only through these callbacks.
// open: 1 with *_handle set, else 0. seek: _type 0 from the start, 1 from the current
// position, 2 from the end; returns the position after it. read: returns the bytes read.
typedef u32 (*PLT_AudioFileOpenCallback)(const char* _name, void** _handle);
typedef void (*PLT_AudioFileCloseCallback)(void* _handle);
typedef s32 (*PLT_AudioFileSeekCallback)(void* _handle, s32 _offset, u32 _type);
typedef u32 (*PLT_AudioFileReadCallback)(void* _handle, void* _buffer, u32 _bytes);
void PLT_AudioSetFileCallbacks(PLT_AudioFileOpenCallback _open, PLT_AudioFileCloseCallback _close,
                               PLT_AudioFileSeekCallback _seek, PLT_AudioFileReadCallback _read);

// Reads a whole file through the callbacks into a new block whose first 4 bytes hold the
// byte count read (little-endian), the data following. Null when no callbacks are set, the
// file does not open or memory runs out. Free with PLT_AudioMemFreeLock.
void* PLT_AudioFileRead(const char* _name);
void PLT_AudioMemFreeLock(void* _block);
// The file type of an image, from its first bytes and (for WAV) its format chunk.
s32 PLT_AudioFileType(const void* _image, u32 _size);

// Frames the voices' decoders have produced since the program started (all voices, all
// channels counted once per frame): how much decoding starting and playing cost.
u64 PLT_AudioDecodedFrames();

// Decoded sound: interleaved 16-bit frames from the C heap.
struct PLT_AudioPcm
{
    s16* frames = nullptr;
    u32 frameCount = 0;
    u32 channels = 0;  // 1 or 2
    u32 rate = 0;      // Hz
};
// Decoders of whole file images; 1 on success, 0 (and *_pcm empty) for anything they do not
// understand. Every size and count is checked against the bytes given; a header promising
// more than the data holds yields the frames that exist.
u32 PLT_AudioDecodeWav(const u8* _image, u32 _size, PLT_AudioPcm* _pcm);
u32 PLT_AudioDecodeMp3(const u8* _image, u32 _size, PLT_AudioPcm* _pcm);
void PLT_AudioFreePcm(PLT_AudioPcm* _pcm);
