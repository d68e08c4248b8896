// WAV images: the chunk walk, PCM (8-bit unsigned, 16-bit signed) and IMA ADPCM decoding.
// Every field is decoded from the bytes; chunk lengths are cut to the bytes the image holds.
#include <cstring>

#include "plt_audio_local.h"
#include "plt_wav_ima.h"

namespace
{

const u32 MAX_RATE = 1000000;

u32 DecodePcm(const PLT_WavInfo& _info, PLT_AudioPcm* _pcm)
{
    const u32 sampleBytes = _info.bits / 8u;
    const u32 frameBytes = sampleBytes * _info.channels;
    const u32 frames = _info.dataSize / frameBytes;
    s16* out = PLT_AudioAllocFrames(frames, _info.channels);
    if (out == nullptr)
        return 0;
    const u8* in = _info.data;
    const u32 count = frames * _info.channels;
    for (u32 i = 0; i < count; ++i) {
        if (sampleBytes == 1)
            out[i] = (s16)(((s32)in[i] - 128) * 256);
        else
            out[i] = (s16)OS_ReadU16LE(in + 2 * i);
    }
    _pcm->frames = out;
    _pcm->frameCount = frames;
    return 1;
}

// A block: per channel a 4-byte header (s16 first sample, u8 step index, u8 reserved), then
// groups of 4 bytes per channel in turn, 8 samples each, low nibble first.
u32 DecodeImaAdpcm(const PLT_WavInfo& _info, PLT_AudioPcm* _pcm)
{
    const u32 channels = _info.channels;
    const u32 headerBytes = 4 * channels;
    const u32 groupBytes = 4 * channels;
    u32 perBlock = 0;
    const u64 frames = PLT_WavImaFrames(_info, &perBlock);
    if (frames == 0)
        return 0;
    s16* out = PLT_AudioAllocFrames((u32)frames, channels);
    if (out == nullptr)
        return 0;

    u32 written = 0;
    for (u32 offset = 0; written < frames && offset + headerBytes <= _info.dataSize; offset += _info.blockAlign) {
        const u8* block = _info.data + offset;
        const u32 available = _info.dataSize - offset < _info.blockAlign ? _info.dataSize - offset : _info.blockAlign;
        PLT_WavImaChannel state[2];
        for (u32 c = 0; c < channels; ++c) {
            state[c].predictor = (s16)OS_ReadU16LE(block + 4 * c);
            state[c].index = block[4 * c + 2] > 88 ? 88 : block[4 * c + 2];
            out[(size_t)written * channels + c] = (s16)state[c].predictor;
        }
        u32 inBlock = 1;
        ++written;
        for (u32 g = 0; written < frames && inBlock < perBlock; ++g) {
            const u32 groupStart = headerBytes + g * groupBytes;
            if (groupStart + groupBytes > available)
                break;
            const u32 count = perBlock - inBlock < 8 ? perBlock - inBlock : 8;
            const u32 take = frames - written < count ? (u32)(frames - written) : count;
            for (u32 c = 0; c < channels; ++c) {
                const u8* bytes = block + groupStart + 4 * c;
                for (u32 k = 0; k < take; ++k) {
                    const u32 nibble = (k & 1) ? (bytes[k >> 1] >> 4) : (bytes[k >> 1] & 15);
                    out[(size_t)(written + k) * channels + c] = PLT_WavImaDecodeNibble(&state[c], nibble);
                }
            }
            written += take;
            inBlock += take;
        }
    }
    _pcm->frames = out;
    _pcm->frameCount = written;
    return written > 0;
}

}  // namespace

u64 PLT_WavImaFrames(const PLT_WavInfo& _info, u32* _perBlock)
{
    const u32 headerBytes = 4 * _info.channels;
    const u32 groupBytes = 4 * _info.channels;
    if (_info.blockAlign < headerBytes + groupBytes)
        return 0;
    const u32 fullGroups = (_info.blockAlign - headerBytes) / groupBytes;
    u32 perBlock = fullGroups * 8 + 1;
    if (_info.samplesPerBlock != 0 && _info.samplesPerBlock < perBlock)
        perBlock = _info.samplesPerBlock;
    const u32 blocks = _info.dataSize / _info.blockAlign;
    const u32 rest = _info.dataSize % _info.blockAlign;
    u64 frames = (u64)blocks * perBlock;
    if (rest >= headerBytes) {
        const u64 partial = (u64)(rest - headerBytes) / groupBytes * 8 + 1;
        frames += partial < perBlock ? partial : perBlock;
    }
    if (_info.hasFact && _info.factFrames < frames)
        frames = _info.factFrames;
    *_perBlock = perBlock;
    return frames > 0x7FFFFFFFu ? 0 : frames;
}

u32 PLT_WavParse(const u8* _image, u32 _size, PLT_WavInfo* _info)
{
    *_info = PLT_WavInfo();
    if (_image == nullptr || _size < 12 || memcmp(_image, "RIFF", 4) != 0 || memcmp(_image + 8, "WAVE", 4) != 0)
        return 0;
    u32 haveFormat = 0;
    u32 haveData = 0;
    u64 position = 12;
    while (position + 8 <= _size) {
        const u8* header = _image + position;
        const u32 length = OS_ReadU32LE(header + 4);
        const u32 body = (u32)position + 8;
        const u32 available = length < _size - body ? length : _size - body;
        const u8* data = _image + body;
        if (memcmp(header, "fmt ", 4) == 0 && !haveFormat) {
            if (available < 16)
                return 0;
            _info->formatTag = OS_ReadU16LE(data);
            _info->channels = OS_ReadU16LE(data + 2);
            _info->rate = OS_ReadU32LE(data + 4);
            _info->blockAlign = OS_ReadU16LE(data + 12);
            _info->bits = OS_ReadU16LE(data + 14);
            if (available >= 20 && OS_ReadU16LE(data + 16) >= 2)
                _info->samplesPerBlock = OS_ReadU16LE(data + 18);
            haveFormat = 1;
        } else if (memcmp(header, "fact", 4) == 0 && available >= 4 && !_info->hasFact) {
            _info->factFrames = OS_ReadU32LE(data);
            _info->hasFact = 1;
        } else if (memcmp(header, "data", 4) == 0 && !haveData) {
            _info->data = data;
            _info->dataSize = available;
            haveData = 1;
        }
        position = (u64)body + length + (length & 1);  // chunks are padded to even lengths
    }
    return haveFormat && haveData;
}

u32 PLT_AudioDecodeWav(const u8* _image, u32 _size, PLT_AudioPcm* _pcm)
{
    *_pcm = PLT_AudioPcm();
    PLT_WavInfo info;
    if (!PLT_WavParse(_image, _size, &info))
        return 0;
    if ((info.channels != 1 && info.channels != 2) || info.rate == 0 || info.rate > MAX_RATE)
        return 0;
    u32 decoded = 0;
    if (info.formatTag == PLT_WAV_TAG_PCM && (info.bits == 8 || info.bits == 16))
        decoded = DecodePcm(info, _pcm);
    else if (info.formatTag == PLT_WAV_TAG_IMA_ADPCM && info.bits == 4)
        decoded = DecodeImaAdpcm(info, _pcm);
    if (!decoded || _pcm->frameCount == 0) {
        PLT_AudioFreePcm(_pcm);
        return 0;
    }
    _pcm->channels = info.channels;
    _pcm->rate = info.rate;
    return 1;
}
