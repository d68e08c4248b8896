// Square-root tables: built once, read-only afterwards.
#include "mat_sqrt.h"

#include <cmath>
#include <limits>

MAT_SqrtEntry MAT_sqrtMantissa[MAT_SQRT_MANTISSA_ENTRIES];
MAT_SqrtEntry MAT_sqrtExponent[MAT_SQRT_EXPONENT_ENTRIES];
// Constant-initialised, so it is set before any code of any translation unit runs.
bool MAT_sqrtPending = true;

namespace
{

f32 FloatFromBits(u32 _bits)
{
    f32 value;
    std::memcpy(&value, &_bits, 4);
    return value;
}

// The root rounded to a float; the inverse taken from the unrounded root in double precision
// and rounded once, so the two entries of a pair do not compound each other's rounding.
MAT_SqrtEntry MakeEntry(f32 _value)
{
    f64 root = std::sqrt((f64)_value);
    MAT_SqrtEntry entry;
    entry.root = (f32)root;
    entry.inverse = (f32)(1.0 / root);
    return entry;
}

}  // namespace

void MAT_SqrtTables()
{
    if (!MAT_sqrtPending)
        return;
    for (u32 k = 0; k < MAT_SQRT_MANTISSA_ENTRIES; ++k)
        MAT_sqrtMantissa[k] = MakeEntry(FloatFromBits(0x3F800000u + k * 0x400u));
    // Entry 0 stands for every zero and denormal, entry 255 for infinity and NaN.
    for (u32 e = 0; e < MAT_SQRT_EXPONENT_ENTRIES; ++e)
        MAT_sqrtExponent[e] = MakeEntry(FloatFromBits(e << 23));
    MAT_sqrtPending = false;
}
