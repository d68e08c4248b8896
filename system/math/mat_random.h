// The engine's pseudo-random generator: MT19937 with its own seeding.
//
// Every instance the engine creates is seeded with 4357, so the behaviour simulation, the
// particles and the plant placement repeat from run to run and machine to machine. Instances
// are independent. Seeds 0 and 2178 fill the same state as 4357; other seeds add (i + 1) to
// word i. The seeding discards the first 624 draws.
//
// Uniform values are formed by the callers in double precision with the constants below.
// MAT_RANDOM_UNIT is slightly above 2^-32: u reaches 1.0 at 4294967294 and 1.0000000002 at
// 4294967295, so a caller that indexes with u * N must clamp (MAT_RandomIndex does).
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

constexpr u32 MAT_RANDOM_SEED = 4357;
constexpr f64 MAT_RANDOM_UNIT = 2.3283064376228985e-10;      // value * this: 0 .. 1.0000000002
constexpr f64 MAT_RANDOM_SIGNED = 4.656612875245797e-10;     // value * this - 1: -1 .. 1
constexpr f64 MAT_RANDOM_SIGNED_TEN = 4.656612875245797e-9;  // value * this - 10: -10 .. 10

class MAT_Random : public MEM_Object
{
public:
    explicit MAT_Random(u32 _seed = MAT_RANDOM_SEED);

    void Seed(u32 _seed);
    u32 Next();
    // Ten uniform draws summed in a float, centred and scaled by 1.087: roughly normal.
    f32 Gaussian(f32 _mean, f32 _deviation);

    u32 GetSeed() const { return m_seed; }

private:
    static constexpr u32 STATE_WORDS = 624;
    static constexpr u32 MIX_OFFSET = 397;

    u32 m_state[STATE_WORDS] = {};
    u32 m_mixIndex = 0;  // always (m_index + 397) % 624
    u32 m_index = 0;
    u32 m_seed = 0;
};

// The uniform value of a draw: 0 .. 1.0000000002328306 (both ends reachable).
inline f64 MAT_RandomUnit(u32 _value) { return (f64)_value * MAT_RANDOM_UNIT; }
// An index 0 .. _count - 1 from a draw, clamped because the uniform value can exceed 1.
inline s32 MAT_RandomIndex(u32 _value, s32 _count)
{
    s32 index = (s32)(MAT_RandomUnit(_value) * (f64)_count);
    return index < _count ? index : _count - 1;
}
