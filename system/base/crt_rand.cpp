// One shared generator state, as the C runtime keeps it; single-threaded.
#include "crt_rand.h"

namespace
{
u32 s_state = 1;
}

s32 CRT_Rand()
{
    s_state = s_state * 214013u + 2531011u;
    return (s32)((s_state >> 16) & 0x7FFFu);
}

void CRT_SRand(u32 _seed) { s_state = _seed; }
