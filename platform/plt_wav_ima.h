// IMA ADPCM's tables and decoding step. The WAV decoder uses them, and so does the writer of
// the test and sample-scene files: its encoder must track the decoder's state to the bit, so
// both read the one copy.
#pragma once

#include "os_types.h"

// The quantiser's step size for each step index (0..88).
inline constexpr s16 PLT_WAV_IMA_STEPS[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// How each 4-bit code moves the step index.
inline constexpr s8 PLT_WAV_IMA_INDEX_STEPS[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

// One channel's decoder state.
struct PLT_WavImaChannel
{
    s32 predictor = 0;
    s32 index = 0;  // 0..88
};

// Applies one 4-bit code (sign bit 8) to the state; answers the new sample.
inline s16 PLT_WavImaDecodeNibble(PLT_WavImaChannel* _channel, u32 _nibble)
{
    const s32 step = PLT_WAV_IMA_STEPS[_channel->index];
    s32 diff = step >> 3;
    if (_nibble & 4)
        diff += step;
    if (_nibble & 2)
        diff += step >> 1;
    if (_nibble & 1)
        diff += step >> 2;
    _channel->predictor += (_nibble & 8) ? -diff : diff;
    if (_channel->predictor > 32767)
        _channel->predictor = 32767;
    else if (_channel->predictor < -32768)
        _channel->predictor = -32768;
    _channel->index += PLT_WAV_IMA_INDEX_STEPS[_nibble & 15];
    if (_channel->index < 0)
        _channel->index = 0;
    else if (_channel->index > 88)
        _channel->index = 88;
    return (s16)_channel->predictor;
}
