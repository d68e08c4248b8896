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

// 1 when the bytes start like MPEG audio layer III (an ID3v2 tag or a layer III frame header).
u32 PLT_Mp3Detect(const u8* _image, u32 _size);

// Heap blocks of the library (never the engine's pools: see plt_audio.h).
s16* PLT_AudioAllocFrames(u32 _frameCount, u32 _channels);
