// A real clock that only the test moves: while the object lives, the platform's counter stands
// still, so OS_Time reads exactly what the test last set however slow or busy the machine is,
// and everything timed on it (key scripts, the display's reset pause, frame statistics, the
// menu's pictures) sees the test's times and no others.
//
// It replaces the platform system for its lifetime and puts back the one it found; other
// replacements made while it lives must go before it does (declare it before them).
#pragma once

#include "os_clock.h"
#include "plt_system.h"

class TST_ManualClock : public PLT_RelaySystem
{
public:
    TST_ManualClock() : PLT_RelaySystem(PLT_GetSystem()), m_previous(PLT_GetSystem()), m_counter(m_previous->Counter())
    {
        PLT_SetSystem(this);
    }
    ~TST_ManualClock() { PLT_SetSystem(m_previous); }
    TST_ManualClock(const TST_ManualClock&) = delete;
    TST_ManualClock& operator=(const TST_ManualClock&) = delete;

    // The clock reads _seconds from now until the next Set.
    void Set(f64 _seconds) { OS_SetTicks((s64)(_seconds * (f64)OS_GetTickFrequency())); }

    u64 Counter() override { return m_counter; }
    u32 Milliseconds() override
    {
        const u64 frequency = Frequency();
        return frequency != 0 ? (u32)(m_counter * 1000 / frequency) : (u32)m_counter;
    }

private:
    PLT_System* m_previous;
    u64 m_counter = 0;
};
