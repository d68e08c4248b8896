// The program's own C-runtime style random generator, used wherever the engine wants rand().
//
// A linear congruential generator over one process-wide u32 state that starts at 1:
// state = state * 214013 + 2531011 (mod 2^32), result = bits 16..30 of the new state. The
// sequence is therefore the same on every machine and in every run with the same seed.
#pragma once

#include "os_types.h"

constexpr s32 CRT_RAND_MAX = 32767;

// 0 .. CRT_RAND_MAX.
s32 CRT_Rand();
void CRT_SRand(u32 _seed);
