// Streams of the sound library's file types: each hands out its frames in order, decoding
// only what it is asked for. They accept exactly what the whole-file decoders accept and
// hand out the same frames.
#include <mpg123.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "plt_audio_local.h"
#include "plt_wav_ima.h"

namespace
{

const u32 MAX_RATE = 1000000;
const u64 MAX_DECODED_BYTES = 0x7FFFFFF0u;  // as the whole-file decoders: 2 GB of frames

class PcmStream : public PLT_AudioStream
{
public:
    PcmStream(const PLT_WavInfo& _info, u32 _frames) : m_data(_info.data), m_bytes(_info.bits / 8u)
    {
        m_channels = _info.channels;
        m_rate = _info.rate;
        m_knownFrames = _frames;
    }

    u32 Read(s16* _out, u32 _frames) override
    {
        const u64 left = m_knownFrames - m_next;
        const u32 count = _frames < left ? _frames : (u32)left;
        const u64 first = m_next * m_channels;
        for (u64 i = 0; i < (u64)count * m_channels; ++i) {
            const u64 at = first + i;
            _out[i] = m_bytes == 1 ? (s16)(((s32)m_data[at] - 128) * 256) : (s16)OS_ReadU16LE(m_data + 2 * at);
        }
        m_next += count;
        PLT_AudioCountDecoded(count);
        return count;
    }
    u32 AtEnd() const override { return m_next == m_knownFrames; }
    u32 Rewind() override
    {
        m_next = 0;
        return 1;
    }

private:
    const u8* m_data;
    u32 m_bytes;
    u64 m_next = 0;
};

// Blocks as the whole-file decoder reads them: per channel a 4-byte header, then groups of
// 4 bytes per channel in turn, 8 samples each, low nibble first.
class ImaStream : public PLT_AudioStream
{
public:
    ImaStream(const PLT_WavInfo& _info, u32 _perBlock, u32 _frames)
        : m_data(_info.data), m_blockAlign(_info.blockAlign), m_perBlock(_perBlock)
    {
        m_channels = _info.channels;
        m_rate = _info.rate;
        m_knownFrames = _frames;
    }

    u32 Read(s16* _out, u32 _frames) override
    {
        u32 count = 0;
        for (; count < _frames && m_next < m_knownFrames; ++count, ++m_next, ++m_inBlock) {
            if (m_inBlock == m_perBlock) {
                m_inBlock = 0;
                ++m_block;
            }
            const u8* block = m_data + (size_t)m_block * m_blockAlign;
            s16* out = _out + (size_t)count * m_channels;
            for (u32 c = 0; c < m_channels; ++c) {
                if (m_inBlock == 0) {
                    m_state[c].predictor = (s16)OS_ReadU16LE(block + 4 * c);
                    m_state[c].index = block[4 * c + 2] > 88 ? 88 : block[4 * c + 2];
                    out[c] = (s16)m_state[c].predictor;
                    continue;
                }
                const u32 k = m_inBlock - 1;
                const u8* bytes = block + 4 * m_channels + (k / 8) * 4 * m_channels + 4 * c;
                const u32 nibble = (k & 1) ? (bytes[(k & 7) >> 1] >> 4) : (bytes[(k & 7) >> 1] & 15);
                out[c] = PLT_WavImaDecodeNibble(&m_state[c], nibble);
            }
        }
        PLT_AudioCountDecoded(count);
        return count;
    }
    u32 AtEnd() const override { return m_next == m_knownFrames; }
    u32 Rewind() override
    {
        m_next = 0;
        m_block = 0;
        m_inBlock = 0;
        return 1;
    }

private:
    const u8* m_data;
    u32 m_blockAlign;
    u32 m_perBlock;
    u64 m_next = 0;
    u32 m_block = 0;
    u32 m_inBlock = 0;
    PLT_WavImaChannel m_state[2];
};

// libmpg123 fed the image a piece at a time; one decoded piece is held back so that the end
// is known as soon as the last frame has been handed out.
class Mp3Stream : public PLT_AudioStream
{
public:
    Mp3Stream(const u8* _image, u32 _size) : m_image(_image), m_size(_size)
    {
        static const int s_initialised = mpg123_init();
        (void)s_initialised;
        int error = MPG123_OK;
        m_handle = mpg123_new(nullptr, &error);
        if (m_handle == nullptr)
            return;
        mpg123_param(m_handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        mpg123_format_none(m_handle);
        const long* rates = nullptr;
        size_t rateCount = 0;
        mpg123_rates(&rates, &rateCount);
        for (size_t i = 0; i < rateCount; ++i)
            mpg123_format(m_handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    ~Mp3Stream() override
    {
        if (m_handle != nullptr)
            mpg123_delete(m_handle);
    }
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;

    // Decodes up to the first frames: 1 when there are some, at a rate and channel count.
    u32 Open()
    {
        if (m_handle == nullptr || !Rewind())
            return 0;
        return m_channels != 0 && m_pendingCount > 0;
    }

    u32 Read(s16* _out, u32 _frames) override
    {
        u32 done = 0;
        while (done < _frames) {
            if (m_pendingAt == m_pendingCount && !Decode())
                break;
            u32 take = m_pendingCount - m_pendingAt;
            if (take > _frames - done)
                take = _frames - done;
            memcpy(_out + (size_t)done * m_channels, m_pending + (size_t)m_pendingAt * m_channels,
                   (size_t)take * m_channels * sizeof(s16));
            m_pendingAt += take;
            done += take;
        }
        if (m_pendingAt == m_pendingCount && !m_ended)
            Decode();  // look ahead: is that the end?
        PLT_AudioCountDecoded(done);
        return done;
    }
    u32 AtEnd() const override { return m_ended && m_pendingAt == m_pendingCount; }
    u32 Rewind() override
    {
        if (m_handle == nullptr || mpg123_open_feed(m_handle) != MPG123_OK)
            return 0;
        m_fed = 0;
        m_ended = 0;
        m_pendingAt = m_pendingCount = 0;
        m_decodedBytes = 0;
        // The format stays: reopened, the decoder need not announce it again.
        Decode();
        return 1;
    }

private:
    // The next piece of frames into the pending buffer: 0 (and the end) when none is left.
    // As the whole-file decoder: frames before the first format are dropped, and a stream
    // that changes its format part-way ends there.
    u32 Decode()
    {
        while (!m_ended) {
            size_t got = 0;
            const int result = mpg123_read(m_handle, (u8*)m_pending, sizeof(m_pending), &got);
            const u32 frameBytes = 2u * m_channels;
            const u32 frames = m_formatSeen && frameBytes != 0 ? (u32)(got / frameBytes) : 0;
            if (frames > 0 && m_decodedBytes + (u64)frames * frameBytes > MAX_DECODED_BYTES)
                return End();
            m_decodedBytes += (u64)frames * frameBytes;
            if (result == MPG123_NEW_FORMAT) {
                long rate = 0;
                int channels = 0;
                int encoding = 0;
                mpg123_getformat(m_handle, &rate, &channels, &encoding);
                if (m_formatSeen && (rate != (long)m_rate || (u32)channels != m_channels))
                    m_ended = 1;
                else if (!m_formatSeen && (channels == 1 || channels == 2) && rate > 0 && rate <= (long)MAX_RATE) {
                    m_rate = (u32)rate;
                    m_channels = (u32)channels;
                    m_formatSeen = 1;
                } else if (!m_formatSeen) {
                    m_ended = 1;  // a format the mixer cannot take
                }
            } else if (result == MPG123_NEED_MORE && m_fed < m_size) {
                const u32 piece = m_size - m_fed < FEED_BYTES ? m_size - m_fed : FEED_BYTES;
                if (mpg123_feed(m_handle, m_image + m_fed, piece) != MPG123_OK)
                    m_ended = 1;
                m_fed += piece;
            } else if (result != MPG123_OK) {
                m_ended = 1;  // the data is used up (or broken beyond resynchronising)
            }
            if (frames > 0) {
                m_pendingAt = 0;
                m_pendingCount = frames;
                return 1;
            }
        }
        return 0;
    }
    u32 End()
    {
        m_ended = 1;
        return 0;
    }

    static const u32 FEED_BYTES = 16384;
    const u8* m_image;
    u32 m_size;
    mpg123_handle* m_handle = nullptr;
    u32 m_fed = 0;
    u32 m_ended = 0;
    u32 m_formatSeen = 0;
    u64 m_decodedBytes = 0;
    u32 m_pendingAt = 0;
    u32 m_pendingCount = 0;
    s16 m_pending[8192];  // 16 KB of output per read, as the whole-file decoder reads
};

}  // namespace

PLT_AudioStream* PLT_AudioOpenWavStream(const u8* _image, u32 _size)
{
    PLT_WavInfo info;
    if (!PLT_WavParse(_image, _size, &info))
        return nullptr;
    if ((info.channels != 1 && info.channels != 2) || info.rate == 0 || info.rate > MAX_RATE)
        return nullptr;
    if (info.formatTag == PLT_WAV_TAG_PCM && (info.bits == 8 || info.bits == 16)) {
        const u32 frames = info.dataSize / (info.bits / 8u * info.channels);
        const u64 bytes = (u64)frames * info.channels * sizeof(s16);
        if (frames == 0 || bytes > 0x7FFFFFFFu)
            return nullptr;
        return new (std::nothrow) PcmStream(info, frames);
    }
    if (info.formatTag == PLT_WAV_TAG_IMA_ADPCM && info.bits == 4) {
        u32 perBlock = 0;
        const u64 frames = PLT_WavImaFrames(info, &perBlock);
        if (frames == 0 || frames * info.channels * sizeof(s16) > 0x7FFFFFFFu)
            return nullptr;
        return new (std::nothrow) ImaStream(info, perBlock, (u32)frames);
    }
    return nullptr;
}

PLT_AudioStream* PLT_AudioOpenMp3Stream(const u8* _image, u32 _size)
{
    if (_image == nullptr || _size == 0)
        return nullptr;
    Mp3Stream* stream = new (std::nothrow) Mp3Stream(_image, _size);
    if (stream != nullptr && !stream->Open()) {
        delete stream;
        return nullptr;
    }
    return stream;
}
