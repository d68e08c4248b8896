// The C runtime's generator as the engine defines it, on a state of its own: tests seed both
// alike and know every draw before the code under test makes it, and how many it made.
#pragma once

#include "crt_rand.h"
#include "os_types.h"

struct TST_CrtReference
{
    // Seeds CRT_Rand and this reference alike.
    explicit TST_CrtReference(u32 _seed) : state(_seed) { CRT_SRand(_seed); }

    // The next draw, 0 .. 32767.
    s32 Next()
    {
        state = state * 214013u + 2531011u;
        return (s32)((state >> 16) & 0x7FFFu);
    }
    // _count draws passed over.
    void Skip(s32 _count)
    {
        for (s32 i = 0; i < _count; ++i)
            Next();
    }
    // 1 when CRT_Rand's next draw is this reference's next one: both have made as many draws.
    bool InStep() { return CRT_Rand() == Next(); }

    u32 state = 0;
};
