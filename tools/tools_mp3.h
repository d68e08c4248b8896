// A writer of MPEG-1 layer III streams for test fixtures and benchmarks. It is no encoder:
// every granule holds a few dozen spectral lines of +-1 at pseudo-random places and signs,
// coded in the count-1 region alone (table B, no scale factors), so the stream decodes to a
// busy, reproducible sound without any Huffman tables of the big-value region.
#pragma once

#include <string>

#include "os_types.h"

// _frames frames of 1152 samples at 44100 Hz, 128 kbit/s (417 bytes each, no padding),
// mono or stereo (not joint); the same _seed gives the same bytes. Empty for other channel
// counts.
std::string TOOL_Mp3Bytes(u32 _channels, u32 _frames, u32 _seed);

// Frames of 1152 samples for about _seconds of sound at 44100 Hz.
u32 TOOL_Mp3FramesFor(f64 _seconds);
