// Writers of WAV sound files (PCM 8 and 16 bit, IMA ADPCM; mono or stereo) for test fixtures
// and the sample scene.
#pragma once

#include <string>
#include <vector>

#include "os_types.h"

// PCM: _samples interleaved by channel (a trailing partial frame is dropped). 8-bit files
// store (sample >> 8) + 128. Empty when channels or bits are out of range.
std::string TOOL_WavPcmBytes(u32 _channels, u32 _rate, u32 _bits, const std::vector<s16>& _samples);

// IMA ADPCM (format tag 0x11) with blocks of _blockAlign bytes: per channel a 4-byte header
// (first sample exact, step index), then 4-byte groups of 8 samples per channel in turn. The
// last block is padded and a "fact" chunk gives the true frame count. Empty when _blockAlign
// is not 4 x channels x (1 + a positive number of groups).
std::string TOOL_WavAdpcmBytes(u32 _channels, u32 _rate, u32 _blockAlign, const std::vector<s16>& _samples);

// Frames in one ADPCM block of _blockAlign bytes.
u32 TOOL_WavAdpcmFramesPerBlock(u32 _channels, u32 _blockAlign);

// _count frames of a sine tone (amplitude _amplitude) on every channel.
std::vector<s16> TOOL_WavTone(u32 _channels, u32 _rate, u32 _count, f64 _frequency, s32 _amplitude);
