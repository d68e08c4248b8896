// A key script: keys that tests play into the keyboard, built only with QV_KEY_SCRIPT.
//
// The keyboard reads the file named by the environment variable QV_KEY_SCRIPT when it is
// created. One step a line; blank lines and lines starting with '#' are ignored:
//   <seconds> <key>  the key goes down and up <seconds> (a decimal, 0 to 3600) after the
//                    previous step took effect (the first: after the keyboard was created).
//                    <key> is a key code 0..119 or one of the names escape, return, up, down,
//                    left, right (any case).
//   flush            waits for the next INP_Keyboard::FlushKeys; the delay of the step after
//                    it counts from there. Keys wait behind it, so none is lost to a flush.
// Delays count on the real clock (OS_Time) as the keyboard reads it: only forward steps of
// the clock count, so the run's resets of the clock to 0 neither hurry nor stall a script.
// A bad line logs "key script <name> line <n>: <why>: <text>" and is skipped; at most
// MAX_STEPS steps are kept. Fixed storage, no allocation.
#pragma once

#ifdef QV_KEY_SCRIPT

#include "os_types.h"

class INP_KeyScript
{
public:
    enum : u32
    {
        MAX_STEPS = 256,
        MAX_LINE = 256  // characters of a line, its end included
    };

    // Replaces the steps with those of the text; _name names the script in log lines. The
    // clock starts at _now.
    void Load(const char* _text, const char* _name, f64 _now);
    // Loads the file the environment variable names; false (no steps) when it is not set.
    // A file that cannot be read logs one line and leaves the script empty.
    bool LoadFromEnvironment(f64 _now);

    // The key code of the next key whose delay has passed at _now, taken from the script;
    // INP_KC_NONE when none is due (or the script waits for a flush or is used up).
    u32 TakeDueKey(f64 _now);
    // INP_Keyboard::FlushKeys happened at _now: a waiting flush step is taken.
    void Flushed(f64 _now);

    // Steps not yet taken.
    u32 Remaining() const { return m_count - m_next; }

private:
    struct Step
    {
        f64 delay = 0.0;
        u32 keyCode = 0;  // INP_KC_NONE: a flush step
    };

    // Adds one line's step, or logs why it is skipped.
    void ParseLine(const char* _line, u32 _number, const char* _name);
    void Tick(f64 _now);

    Step m_steps[MAX_STEPS];
    u32 m_count = 0;
    u32 m_next = 0;
    f64 m_elapsed = 0.0;  // real seconds since the last step took effect
    f64 m_lastReading = 0.0;
};

#endif
