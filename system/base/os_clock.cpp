// The real clock: raw platform ticks plus an offset, so that pausing and OS_SetTicks move
// the clock without a jump in later readings.
#include "os_clock.h"

#include "plt_system.h"

namespace
{
u32 s_fromCounter = 0;  // 1: high-resolution counter, 0: millisecond timer
s64 s_frequency = 0;    // 0 until a clock has been chosen
s64 s_offset = 0;

s64 RawTicks()
{
    // Code that reads the clock before the shell started (tools, tests) gets one too.
    if (s_frequency == 0)
        OS_ClockStart();
    PLT_System* system = PLT_GetSystem();
    return s_fromCounter ? (s64)system->Counter() : (s64)(u64)system->Milliseconds();
}
}  // namespace

void OS_ClockStart()
{
    const u64 frequency = PLT_GetSystem()->Frequency();
    if (frequency != 0) {
        s_fromCounter = 1;
        s_frequency = (s64)frequency;
    } else {
        s_fromCounter = 0;
        s_frequency = 1000;
    }
    s_offset = 0;
}

s64 OS_GetTicks() { return RawTicks() + s_offset; }

void OS_SetTicks(s64 _ticks) { s_offset = _ticks - RawTicks(); }

s64 OS_GetTickFrequency()
{
    if (s_frequency == 0)
        OS_ClockStart();
    return s_frequency;
}

f64 OS_Time()
{
    const s64 ticks = OS_GetTicks();
    return (f64)ticks / (f64)s_frequency;
}
