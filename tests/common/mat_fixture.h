// Frames and comparisons the geometry tests share.
#pragma once

#include <gtest/gtest.h>

#include "mat_matrix.h"

// Turned a quarter about z (local x is world +y, local y is world -x), placed at (10, 20, 30):
// a turn that swaps the axes shows a transform that forgets the rotation or transposes it.
inline MAT_Matrix34 TST_QuarterTurnFrame()
{
    MAT_Matrix34 f;
    f.t = {10, 20, 30};
    f.r.SetAxis(0, {0, 1, 0});
    f.r.SetAxis(1, {-1, 0, 0});
    f.r.SetAxis(2, {0, 0, 1});
    return f;
}

// Unturned, placed at (_x, _y, _z).
inline MAT_Matrix34 TST_TranslationFrame(f32 _x, f32 _y, f32 _z)
{
    MAT_Matrix34 f;
    f.SetFromVectors(MAT_Vector3(_x, _y, _z), MAT_Vector3(1.0f, 0.0f, 0.0f), MAT_Vector3(0.0f, 1.0f, 0.0f),
                     MAT_Vector3(0.0f, 0.0f, 1.0f));
    return f;
}

inline void TST_ExpectNear(const MAT_Vector3& _expected, const MAT_Vector3& _actual, f32 _tolerance, const char* _what)
{
    EXPECT_NEAR(_expected.x, _actual.x, _tolerance) << _what;
    EXPECT_NEAR(_expected.y, _actual.y, _tolerance) << _what;
    EXPECT_NEAR(_expected.z, _actual.z, _tolerance) << _what;
}

// The same as a macro, so that a failure names the test's own line.
#define EXPECT_VEC_NEAR(_expected, _actual, _tolerance) \
    do {                                                \
        const MAT_Vector3 qv_e = (_expected);           \
        const MAT_Vector3 qv_a = (_actual);             \
        EXPECT_NEAR(qv_e.x, qv_a.x, _tolerance) << "x"; \
        EXPECT_NEAR(qv_e.y, qv_a.y, _tolerance) << "y"; \
        EXPECT_NEAR(qv_e.z, qv_a.z, _tolerance) << "z"; \
    } while (0)
