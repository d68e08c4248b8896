// MPEG audio layer III through libmpg123: the decoder handles the library keeps, and the
// whole-file decoder, which feeds the image at once and decodes to 16-bit frames at the
// stream's own rate and channel count.
//
// Making the first handle of a process costs milliseconds (libmpg123's tables and the code
// and memory its first decode touches), later ones tens of microseconds; a handle kept from an
// earlier decoder costs nothing. So opening the driver prepares one, and every decoder hands
// its handle back for the next.
#include <mpg123.h>

#include <cstdlib>
#include <cstring>

#include "plt_audio_local.h"

namespace
{

// Handles no decoder holds; the program's thread only. One for each voice a driver may have,
// and one for a whole-file decode.
mpg123_handle* s_spare[33] = {};
u32 s_spareCount = 0;

// Signed 16-bit output at every rate libmpg123 decodes, mono or stereo.
mpg123_handle* NewHandle()
{
    static const int s_initialised = mpg123_init();
    (void)s_initialised;
    int error = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &error);
    if (handle == nullptr)
        return nullptr;
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return handle;
}

// Four frames of silence: MPEG-1 layer III, 44100 Hz, stereo, 32 kbit/s (104 bytes a frame),
// side information and main data all zero. Decoding them runs every stage of the decoder.
const u32 SILENT_FRAME_BYTES = 104;
const u32 SILENT_FRAMES = 4;

const u32 MAX_OUTPUT_BYTES = 0x7FFFFFF0u;

// The decoder handle, closed on every way out.
class Mp3Decoder
{
public:
    Mp3Decoder() : m_handle(PLT_Mp3TakeDecoder()) {}
    ~Mp3Decoder()
    {
        PLT_Mp3ReturnDecoder(m_handle);
        free(m_bytes);
    }
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    u32 Decode(const u8* _image, u32 _size, PLT_AudioPcm* _pcm)
    {
        if (m_handle == nullptr)
            return 0;
        if (mpg123_open_feed(m_handle) != MPG123_OK)
            return 0;
        if (mpg123_feed(m_handle, _image, _size) != MPG123_OK)
            return 0;

        long rate = 0;
        int channels = 0;
        u8 chunk[16384];
        for (;;) {
            size_t got = 0;
            const int result = mpg123_read(m_handle, chunk, sizeof(chunk), &got);
            if (got > 0 && channels == 0)
                PLT_Mp3Format(m_handle, &rate, &channels);
            if (got > 0 && channels != 0 && !Append(chunk, (u32)got))
                break;
            if (result == MPG123_NEW_FORMAT) {
                long newRate = 0;
                int newChannels = 0;
                PLT_Mp3Format(m_handle, &newRate, &newChannels);
                // A stream that changes its format part-way keeps what came before.
                if (channels != 0 && (newRate != rate || newChannels != channels))
                    break;
                rate = newRate;
                channels = newChannels;
                continue;
            }
            if (result != MPG123_OK)
                break;  // the data is used up (or broken beyond resynchronising)
        }
        if ((channels != 1 && channels != 2) || rate <= 0)
            return 0;
        const u32 frameBytes = 2u * (u32)channels;
        const u32 frames = m_used / frameBytes;
        if (frames == 0)
            return 0;
        s16* out = PLT_AudioAllocFrames(frames, (u32)channels);
        if (out == nullptr)
            return 0;
        memcpy(out, m_bytes, (size_t)frames * frameBytes);  // the decoder writes native order
        _pcm->frames = out;
        _pcm->frameCount = frames;
        _pcm->channels = (u32)channels;
        _pcm->rate = (u32)rate;
        return 1;
    }

private:
    u32 Append(const u8* _bytes, u32 _count)
    {
        if (_count > MAX_OUTPUT_BYTES - m_used)
            return 0;
        if (m_used + _count > m_capacity) {
            u32 capacity = m_capacity != 0 ? m_capacity : 65536;
            while (capacity < m_used + _count)
                capacity = capacity > MAX_OUTPUT_BYTES / 2 ? MAX_OUTPUT_BYTES : capacity * 2;
            u8* grown = (u8*)realloc(m_bytes, capacity);
            if (grown == nullptr)
                return 0;
            m_bytes = grown;
            m_capacity = capacity;
        }
        memcpy(m_bytes + m_used, _bytes, _count);
        m_used += _count;
        return 1;
    }

    mpg123_handle* m_handle = nullptr;
    u8* m_bytes = nullptr;
    u32 m_used = 0;
    u32 m_capacity = 0;
};

}  // namespace

mpg123_handle_struct* PLT_Mp3TakeDecoder()
{
    if (s_spareCount > 0)
        return s_spare[--s_spareCount];
    return NewHandle();
}

void PLT_Mp3ReturnDecoder(mpg123_handle_struct* _handle)
{
    if (_handle == nullptr)
        return;
    // Closed now, so the handle holds no stream's state while it waits.
    mpg123_close(_handle);
    if (s_spareCount < sizeof(s_spare) / sizeof(s_spare[0]))
        s_spare[s_spareCount++] = _handle;
    else
        mpg123_delete(_handle);
}

void PLT_Mp3PrepareDecoder()
{
    if (s_spareCount > 0)
        return;
    u8 silence[SILENT_FRAMES * SILENT_FRAME_BYTES] = {};
    for (u32 frame = 0; frame < SILENT_FRAMES; ++frame) {
        u8* header = silence + frame * SILENT_FRAME_BYTES;
        header[0] = 0xFF;  // frame sync, MPEG-1, layer III, no checksum
        header[1] = 0xFB;
        header[2] = 0x10;  // 32 kbit/s, 44100 Hz, no padding
        header[3] = 0x00;  // stereo
    }
    // Through a voice's own stream, so that its memory is there for the first voice as well;
    // the handle comes back to the library when the stream goes.
    PLT_AudioStream* stream = PLT_AudioOpenMp3Stream(silence, sizeof(silence));
    if (stream == nullptr)
        return;
    s16 frames[2 * 1152];
    while (!stream->AtEnd() && stream->Read(frames, 1152) > 0) {
    }
    delete stream;
}

void PLT_Mp3FreeDecoders()
{
    while (s_spareCount > 0)
        mpg123_delete(s_spare[--s_spareCount]);
}

u32 PLT_Mp3SpareDecoders() { return s_spareCount; }

void PLT_Mp3Format(mpg123_handle_struct* _handle, long* _rate, int* _channels)
{
    int encoding = 0;
    *_rate = 0;
    *_channels = 0;
    mpg123_getformat(_handle, _rate, _channels, &encoding);
}

u32 PLT_Mp3Detect(const u8* _image, u32 _size)
{
    if (_image == nullptr || _size < 4)
        return 0;
    if (memcmp(_image, "ID3", 3) == 0)
        return 1;
    // Frame sync (11 bits), a known MPEG version, layer bits 01 (layer III).
    return _image[0] == 0xFF && (_image[1] & 0xE0) == 0xE0 && (_image[1] & 0x18) != 0x08 && (_image[1] & 0x06) == 0x02;
}

u32 PLT_AudioDecodeMp3(const u8* _image, u32 _size, PLT_AudioPcm* _pcm)
{
    *_pcm = PLT_AudioPcm();
    if (_image == nullptr || _size == 0)
        return 0;
    Mp3Decoder decoder;
    return decoder.Decode(_image, _size, _pcm);
}
