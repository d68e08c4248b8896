// MPEG audio layer III through libmpg123: the whole image is fed at once and decoded to
// 16-bit frames at the stream's own rate and channel count.
#include <mpg123.h>

#include <cstdlib>
#include <cstring>

#include "plt_audio_local.h"

namespace
{

const u32 MAX_OUTPUT_BYTES = 0x7FFFFFF0u;

// The decoder handle, closed on every way out.
class Mp3Decoder
{
public:
    Mp3Decoder()
    {
        static const int s_initialised = mpg123_init();
        (void)s_initialised;
        int error = MPG123_OK;
        m_handle = mpg123_new(nullptr, &error);
    }
    ~Mp3Decoder()
    {
        if (m_handle != nullptr)
            mpg123_delete(m_handle);
        free(m_bytes);
    }
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    u32 Decode(const u8* _image, u32 _size, PLT_AudioPcm* _pcm)
    {
        if (m_handle == nullptr)
            return 0;
        mpg123_param(m_handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        // Only signed 16-bit output, at any rate and channel count the stream has.
        mpg123_format_none(m_handle);
        const long* rates = nullptr;
        size_t rateCount = 0;
        mpg123_rates(&rates, &rateCount);
        for (size_t i = 0; i < rateCount; ++i)
            mpg123_format(m_handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
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
            if (got > 0 && channels != 0 && !Append(chunk, (u32)got))
                break;
            if (result == MPG123_NEW_FORMAT) {
                long newRate = 0;
                int newChannels = 0;
                int encoding = 0;
                mpg123_getformat(m_handle, &newRate, &newChannels, &encoding);
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
