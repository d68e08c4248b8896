// What the sound benchmarks share: the library started with a driver on the current output,
// and file images held as the library's own file reads (as the sound device's samples are).
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "plt_audio.h"

namespace bench_audio
{

// Starts the library and opens a driver in the given format on the current output (see
// PLT_SetAudioOutput); null when it does not open.
inline PLT_AudioDriver* Open(u32 _channels, u32 _rate, u32 _bits)
{
    PLT_AudioStartup();
    PLT_AudioWaveFormat format;
    format.channels = (u16)_channels;
    format.samplesPerSec = _rate;
    format.bitsPerSample = (u16)_bits;
    format.blockAlign = (u16)(_bits / 8 * _channels);
    format.avgBytesPerSec = format.blockAlign * _rate;
    PLT_AudioDriver* driver = nullptr;
    return PLT_AudioWaveOutOpen(&driver, 0, format) == 0 ? driver : nullptr;
}

// The file the library reads through its callbacks: one in-memory image.
struct ImageFile
{
    static inline const std::string* s_image = nullptr;
    static inline u32 s_position = 0;

    static u32 Open(const char*, void** _handle)
    {
        s_position = 0;
        *_handle = (void*)s_image;
        return 1;
    }
    static void Close(void*) {}
    static s32 Seek(void*, s32 _offset, u32 _type)
    {
        s_position = (u32)_offset + (_type == 2 ? (u32)s_image->size() : _type == 1 ? s_position : 0u);
        return (s32)s_position;
    }
    static u32 Read(void*, void* _buffer, u32 _bytes)
    {
        const u32 count = std::min<u32>(_bytes, (u32)s_image->size() - s_position);
        memcpy(_buffer, s_image->data() + s_position, count);
        s_position += count;
        return count;
    }
};

// The bytes as a block the library read itself (its data after a 4-byte count); null when
// the read fails. Freed with PLT_AudioMemFreeLock.
inline void* ReadAsLibraryFile(const std::string& _bytes, const char* _name)
{
    ImageFile::s_image = &_bytes;
    PLT_AudioSetFileCallbacks(ImageFile::Open, ImageFile::Close, ImageFile::Seek, ImageFile::Read);
    void* block = PLT_AudioFileRead(_name);
    PLT_AudioSetFileCallbacks(nullptr, nullptr, nullptr, nullptr);
    ImageFile::s_image = nullptr;
    return block;
}

}  // namespace bench_audio
