// The small skinned character of the animation tests (TOOL_MakeAnimationFixture) on disk, and
// the checks its poses and frames share.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "mat_fixture.h"
#include "mat_matrix.h"
#include "test_dir.h"
#include "tools_animation.h"

// Writes every file of _fixture under the test directory, the set as "dat/animation/<_set>".
inline void TST_WriteAnimationFixture(const TST_TempDir& _dir, const TOOL_AnimationFixture& _fixture,
                                      const std::string& _set = "walker.des")
{
    ASSERT_EQ(1u, TOOL_WriteAnimationFixture(_dir.Path(), _fixture, _set));
}

inline void TST_ExpectFrameNear(const MAT_Matrix34& _expected, const MAT_Matrix34& _actual, f32 _tolerance,
                                const char* _what)
{
    EXPECT_NEAR(_expected.t.x, _actual.t.x, _tolerance) << _what;
    EXPECT_NEAR(_expected.t.y, _actual.t.y, _tolerance) << _what;
    EXPECT_NEAR(_expected.t.z, _actual.t.z, _tolerance) << _what;
    for (s32 k = 0; k < 9; ++k)
        EXPECT_NEAR(_expected.r.m[k], _actual.r.m[k], _tolerance) << _what << " element " << k;
}

inline MAT_Matrix34 TST_IdentityFrame()
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    return frame;
}
