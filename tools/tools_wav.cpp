// WAV writers.
#include "tools_wav.h"

#include <cmath>

#include "plt_wav_ima.h"

namespace
{

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

// The encoder's state is the decoder's: after each code it takes the step the decoder will.
struct ImaEncoder : PLT_WavImaChannel
{
    // The nibble closest to _sample from the current state.
    u32 Encode(s32 _sample)
    {
        const s32 step = PLT_WAV_IMA_STEPS[index];
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
        PLT_WavImaDecodeNibble(this, nibble);
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
