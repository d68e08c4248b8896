// Table square roots for hot loops: two look-ups and one product, error below 2^-14.
//
// The input is rounded down to 13 mantissa bits: one 8192-entry table covers the mantissa,
// one 256-entry table the exponent (67,584 bytes, written once). The sign is ignored; zero and
// denormals give 0 and +infinity. The tables are built by MAT_SqrtTables, which start-up
// registration calls; until then the first use builds them, so no static initialiser depends
// on the order in which translation units start.
#pragma once

#include <cstring>

#include "os_types.h"

struct MAT_SqrtEntry
{
    f32 root = 0.0f;
    f32 inverse = 0.0f;
};

constexpr u32 MAT_SQRT_MANTISSA_ENTRIES = 8192;
constexpr u32 MAT_SQRT_EXPONENT_ENTRIES = 256;

extern MAT_SqrtEntry MAT_sqrtMantissa[MAT_SQRT_MANTISSA_ENTRIES];
extern MAT_SqrtEntry MAT_sqrtExponent[MAT_SQRT_EXPONENT_ENTRIES];
// Set until the tables are built.
extern bool MAT_sqrtPending;

// Builds both tables on the first call; later calls return at once.
void MAT_SqrtTables();

inline f32 MAT_FastSqrt(f32 _x)
{
    if (MAT_sqrtPending) [[unlikely]]
        MAT_SqrtTables();
    u32 bits;
    std::memcpy(&bits, &_x, 4);
    return MAT_sqrtExponent[(bits >> 23) & 255].root * MAT_sqrtMantissa[(bits >> 10) & 0x1FFF].root;
}

inline f32 MAT_FastInvSqrt(f32 _x)
{
    if (MAT_sqrtPending) [[unlikely]]
        MAT_SqrtTables();
    u32 bits;
    std::memcpy(&bits, &_x, 4);
    return MAT_sqrtExponent[(bits >> 23) & 255].inverse * MAT_sqrtMantissa[(bits >> 10) & 0x1FFF].inverse;
}
