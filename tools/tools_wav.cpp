// WAV writers.
#include "tools_wav.h"

#include <cmath>

namespace
{

const s16 s_imaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const s8 s_imaIndexSteps[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

void PutU16(std::string* _out, u32 _value)
{
    u8 bytes[2];
    OS_WriteU16LE(bytes, (u16)_value);
    _out->append((const char*)bytes, 2);
}

void PutU32(std::string* _out, u32 _value)
{
    u8 bytes[4];
    OS_WriteU32LE(bytes, _value);
    _out->append((const char*)bytes, 4);
}

void PutChunk(std::string* _out, const char* _id, const std::string& _body)
{
    _out->append(_id, 4);
    PutU32(_out, (u32)_body.size());
    _out->append(_body);
    if (_body.size() & 1)
        _out->push_back(0);
}

std::string Riff(const std::string& _chunks)
{
    std::string out("RIFF");
    PutU32(&out, (u32)(4 + _chunks.size()));
    out.append("WAVE");
    out.append(_chunks);
    return out;
}

struct ImaEncoder
{
    s32 predictor = 0;
    s32 index = 0;

    // The nibble closest to _sample from the current state; the state follows the decoder.
    u32 Encode(s32 _sample)
    {
        const s32 step = s_imaSteps[index];
        s32 diff = _sample - predictor;
        u32 nibble = 0;
        if (diff < 0) {
            nibble = 8;
            diff = -diff;
        }
        s32 part = step;
        if (diff >= part) {
            nibble |= 4;
            diff -= part;
        }
        part >>= 1;
        if (diff >= part) {
            nibble |= 2;
            diff -= part;
        }
        part >>= 1;
        if (diff >= part)
            nibble |= 1;
        // Follow exactly what the decoder will compute.
        s32 delta = step >> 3;
        if (nibble & 4)
            delta += step;
        if (nibble & 2)
            delta += step >> 1;
        if (nibble & 1)
            delta += step >> 2;
        predictor += (nibble & 8) ? -delta : delta;
        predictor = predictor > 32767 ? 32767 : (predictor < -32768 ? -32768 : predictor);
        index += s_imaIndexSteps[nibble];
        index = index < 0 ? 0 : (index > 88 ? 88 : index);
        return nibble;
    }
};

}  // namespace

std::string TOOL_WavPcmBytes(u32 _channels, u32 _rate, u32 _bits, const std::vector<s16>& _samples)
{
    if ((_channels != 1 && _channels != 2) || (_bits != 8 && _bits != 16))
        return std::string();
    const u32 blockAlign = _bits / 8 * _channels;
    std::string format;
    PutU16(&format, 1);
    PutU16(&format, _channels);
    PutU32(&format, _rate);
    PutU32(&format, _rate * blockAlign);
    PutU16(&format, blockAlign);
    PutU16(&format, _bits);
    std::string data;
    const size_t count = _samples.size() / _channels * _channels;
    for (size_t i = 0; i < count; ++i) {
        if (_bits == 8)
            data.push_back((char)(u8)((_samples[i] >> 8) + 128));
        else
            PutU16(&data, (u16)_samples[i]);
    }
    std::string chunks;
    PutChunk(&chunks, "fmt ", format);
    PutChunk(&chunks, "data", data);
    return Riff(chunks);
}

u32 TOOL_WavAdpcmFramesPerBlock(u32 _channels, u32 _blockAlign)
{
    const u32 header = 4 * _channels;
    if (_channels == 0 || _blockAlign < 2 * header || (_blockAlign - header) % header != 0)
        return 0;
    return (_blockAlign - header) / header * 8 + 1;
}

std::string TOOL_WavAdpcmBytes(u32 _channels, u32 _rate, u32 _blockAlign, const std::vector<s16>& _samples)
{
    const u32 perBlock = TOOL_WavAdpcmFramesPerBlock(_channels, _blockAlign);
    if ((_channels != 1 && _channels != 2) || perBlock == 0 || perBlock > 0xFFFF)
        return std::string();
    const size_t frames = _samples.size() / _channels;
    const size_t blocks = (frames + perBlock - 1) / perBlock;

    std::string format;
    PutU16(&format, 0x11);
    PutU16(&format, _channels);
    PutU32(&format, _rate);
    PutU32(&format, (u32)((u64)_rate * _blockAlign / perBlock));
    PutU16(&format, _blockAlign);
    PutU16(&format, 4);
    PutU16(&format, 2);  // extension size
    PutU16(&format, perBlock);
    std::string fact;
    PutU32(&fact, (u32)frames);

    // Frames past the end repeat the last one, so the padding decodes quietly.
    auto sampleAt = [&](size_t _frame, u32 _channel) -> s32 {
        if (frames == 0)
            return 0;
        return _samples[(_frame < frames ? _frame : frames - 1) * _channels + _channel];
    };
    std::string data;
    ImaEncoder encoders[2];
    for (size_t b = 0; b < blocks; ++b) {
        const size_t first = b * perBlock;
        for (u32 c = 0; c < _channels; ++c) {
            encoders[c].predictor = sampleAt(first, c);
            PutU16(&data, (u16)(s16)encoders[c].predictor);
            data.push_back((char)encoders[c].index);
            data.push_back(0);
        }
        for (u32 g = 0; g < (perBlock - 1) / 8; ++g) {
            for (u32 c = 0; c < _channels; ++c) {
                for (u32 k = 0; k < 8; k += 2) {
                    const size_t frame = first + 1 + g * 8 + k;
                    const u32 low = encoders[c].Encode(sampleAt(frame, c));
                    const u32 high = encoders[c].Encode(sampleAt(frame + 1, c));
                    data.push_back((char)(low | (high << 4)));
                }
            }
        }
    }
    std::string chunks;
    PutChunk(&chunks, "fmt ", format);
    PutChunk(&chunks, "fact", fact);
    PutChunk(&chunks, "data", data);
    return Riff(chunks);
}

std::vector<s16> TOOL_WavTone(u32 _channels, u32 _rate, u32 _count, f64 _frequency, s32 _amplitude)
{
    std::vector<s16> samples;
    samples.reserve((size_t)_count * _channels);
    for (u32 i = 0; i < _count; ++i) {
        const f64 value = _amplitude * std::sin(6.283185307179586 * _frequency * i / _rate);
        for (u32 c = 0; c < _channels; ++c)
            samples.push_back((s16)std::lrint(value));
    }
    return samples;
}
