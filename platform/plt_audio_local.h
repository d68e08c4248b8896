// Internals shared by the sound library's files (mixer, WAV and MP3 decoders).
#pragma once

#include "plt_audio.h"

// What the chunks of a WAV image say. Pointers point into the image; every length is cut
// to the bytes the image holds.
struct PLT_WavInfo
{
    u16 formatTag = 0;
    u16 channels = 0;
    u32 rate = 0;
    u16 blockAlign = 0;
    u16 bits = 0;
    u16 samplesPerBlock = 0;  // from the format extension; 0 when absent
    u32 factFrames = 0;
    u32 hasFact = 0;
    const u8* data = nullptr;
    u32 dataSize = 0;
};

enum : u16
{
    PLT_WAV_TAG_PCM = 1,
    PLT_WAV_TAG_IMA_ADPCM = 0x11
};

// 1 when the image is RIFF/WAVE with a format chunk (at least 16 bytes) and a data chunk.
u32 PLT_WavParse(const u8* _image, u32 _size, PLT_WavInfo* _info);
// The frames an IMA ADPCM data chunk holds (whole blocks, then what a last partial block yields,
// no more than the fact chunk tells) and the frames per block; 0 when the blocks are too small
// to hold one group of samples or the count passes 2^31 - 1.
u64 PLT_WavImaFrames(const PLT_WavInfo& _info, u32* _perBlock);

// 1 when the bytes start like MPEG audio layer III (an ID3v2 tag or a layer III frame header).
u32 PLT_Mp3Detect(const u8* _image, u32 _size);

// Heap blocks of the library (never the engine's pools: see plt_audio.h).
s16* PLT_AudioAllocFrames(u32 _frameCount, u32 _channels);

// A decoder that hands out a file's frames in order, a piece at a time, so that a voice
// never holds more of its sound decoded than its ring. The image must outlive the stream.
class PLT_AudioStream
{
public:
    virtual ~PLT_AudioStream() {}
    // The next frames of the file (interleaved, channels() values each) into _out: fewer
    // than asked only at the end.
    virtual u32 Read(s16* _out, u32 _frames) = 0;
    // 1 once the frames handed out include the file's last one (known no later than that).
    virtual u32 AtEnd() const = 0;
    // Back to the first frame; 0 when the decoder cannot start again.
    virtual u32 Rewind() = 0;
    u32 Channels() const { return m_channels; }
    u32 Rate() const { return m_rate; }
    // Frames in the file when the header tells them (WAV); 0 when unknown until the end.
    u64 KnownFrames() const { return m_knownFrames; }

protected:
    u32 m_channels = 0;
    u32 m_rate = 0;
    u64 m_knownFrames = 0;
};

// Streams of a WAV (PCM or IMA ADPCM) or MP3 image: null for anything the whole-file
// decoders (PLT_AudioDecodeWav, PLT_AudioDecodeMp3) refuse. Opening reads headers only (for
// MP3 up to the first decoded frame, to learn rate and channels).
PLT_AudioStream* PLT_AudioOpenWavStream(const u8* _image, u32 _size);
PLT_AudioStream* PLT_AudioOpenMp3Stream(const u8* _image, u32 _size);

// Counts the frames every stream hands out.
void PLT_AudioCountDecoded(u32 _frames);
