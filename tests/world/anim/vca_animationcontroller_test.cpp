// The animation controller over the fixture's skeleton: slots and handles, channel weights,
// modes, deactivation and the automatic stop.
#include <gtest/gtest.h>

#include "anim_fixture.h"
#include "vca_animationcontroller.h"
#include "vca_animdata.h"
#include "vca_bonetrack.h"
#include "vca_skeleton.h"

namespace
{

class VcaAnimationControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TST_WriteAnimationFixture(m_dir, TOOL_MakeAnimationFixture());
        m_skeleton.Load("animation\\walker.msh");
        m_walk.Load("animation\\walker_walk.des", "animation\\walker.msh");
        m_wave.Load("animation\\walker_wave.des", "animation\\walker.msh");
        m_controller.SetSkeleton(&m_skeleton);
    }
    void ExpectWeights(f32 _a, f32 _b, f32 _c) const
    {
        const f32 expected[3] = {_a, _b, _c};
        for (s32 c = 0; c < 3; ++c) {
            EXPECT_FLOAT_EQ(expected[c], m_controller.weights[c]) << "channel " << c;
            for (s32 b = 0; b < m_skeleton.count; ++b)
                EXPECT_FLOAT_EQ(expected[c], m_skeleton.bones[b].channels[c].weight) << "bone " << b;
        }
    }

    TST_TempDir m_dir;
    VCA_Skeleton m_skeleton;
    VCA_AnimData m_walk;
    VCA_AnimData m_wave;
    VCA_AnimationController m_controller;
};

TEST_F(VcaAnimationControllerTest, SixtyFourSlotsButOnlyThirtyTwoHandlesActivate)
{
    for (s32 i = 0; i < 64; ++i)
        ASSERT_EQ(i, m_controller.AddAnimation(&m_walk));
    EXPECT_EQ(-1, m_controller.AddAnimation(&m_walk));
    EXPECT_EQ(64, m_controller.addedCount);
    EXPECT_EQ(VCA_AnimationInfo::FLAG_SLERP, m_controller.animations[5]->flags);
    EXPECT_EQ(VCA_AnimationInfo::NO_CHANNEL, m_controller.animations[5]->channel);
    const char* activate = "VCA_AnimationController::ActivateAnimation()";
    EXPECT_FATAL(m_controller.ActivateAnimation(32, 0, 1.0f, 0.0f, 0.0f, 0.0f, 0), "Error: Handle out of range.",
                 activate);
    EXPECT_FATAL(m_controller.ActivateAnimation(-1, 0, 1.0f, 0.0f, 0.0f, 0.0f, 0), "Error: Handle out of range.",
                 activate);
    EXPECT_FATAL(m_controller.ActivateAnimation(0, 3, 1.0f, 0.0f, 0.0f, 0.0f, 0), "Error: Channel number is invalid.",
                 activate);
    EXPECT_FATAL(m_controller.IsAnimationOver(40, 0.0f), "Error: Handle out of range.",
                 "VCA_AnimationController::IsAnimationOver()");
    EXPECT_EQ(0, m_controller.activeCount);

    VCA_AnimationController empty;
    empty.SetSkeleton(&m_skeleton);
    EXPECT_FATAL(empty.ActivateAnimation(0, 0, 1.0f, 0.0f, 0.0f, 0.0f, 0),
                 "Error: Handle points to no valid Animation.", activate);
    EXPECT_EQ(0, empty.AddAnimation(nullptr));
    EXPECT_FATAL(empty.IsAnimationOver(0, 0.0f), "Error: No animation set in AnimationInfo with specified handle.",
                 "VCA_AnimationController::IsAnimationOver()");
    VCA_AnimData still;
    EXPECT_EQ(1, empty.AddAnimation(&still));
    EXPECT_FATAL(empty.IsAnimationOver(1, 0.0f), "Error: No bone animation found in AnimationInfo[_Handle]->Animation.",
                 "VCA_AnimationController::IsAnimationOver()");
    EXPECT_FATAL(empty.RemoveAnimationFromChannel(3), "Error: Channel number is invalid.",
                 "VCA_AnimationController::RemoveAnimationFromChannel()");
}

TEST_F(VcaAnimationControllerTest, ChannelWeightsStayNormalisedAndReachEveryBone)
{
    const s32 walk = m_controller.AddAnimation(&m_walk);
    const s32 wave = m_controller.AddAnimation(&m_wave);
    m_controller.ActivateAnimation(walk, 0, 1.0f, 0.0f, 0.0f, 0.0f, 0);
    ExpectWeights(1.0f, 0.0f, 0.0f);
    for (s32 b = 0; b < 3; ++b)
        EXPECT_EQ(m_walk.GetTrack(b), m_skeleton.bones[b].channels[0].track);
    m_controller.ActivateAnimation(wave, 1, 1.0f, 0.0f, 0.0f, 0.0f, 0);
    ExpectWeights(0.5f, 0.5f, 0.0f);
    EXPECT_EQ(2, m_controller.activeCount);
    EXPECT_EQ(wave, m_controller.active[1]);
    EXPECT_EQ(-1, m_controller.active[2]);
    EXPECT_FLOAT_EQ(0.0f, m_controller.animations[walk]->parameter);

    // Reactivating moves the walk to the newest place.
    m_controller.ActivateAnimation(walk, 0, 1.0f, 0.0f, 0.0f, 0.5f, 0);
    EXPECT_EQ(wave, m_controller.active[0]);
    EXPECT_EQ(walk, m_controller.active[1]);
    EXPECT_FLOAT_EQ(0.5f, m_controller.animations[walk]->parameter);

    // Stopping the wave frees channel 1 on every bone; stopping it again changes nothing.
    m_controller.DeactivateAnimation(wave);
    EXPECT_EQ(0, m_controller.animations[wave]->flags);
    EXPECT_EQ(1, m_controller.activeCount);
    for (s32 b = 0; b < 3; ++b)
        EXPECT_EQ(nullptr, m_skeleton.bones[b].channels[1].track);
    EXPECT_FLOAT_EQ(0.0f, m_controller.weights[1]);
    m_controller.DeactivateAnimation(wave);
    EXPECT_EQ(1, m_controller.activeCount);

    // The remaining walk drives the root along x.
    m_controller.Update(0.5f);
    EXPECT_NEAR(2.0f, m_skeleton.bones[0].pose.position.x, 1e-4f);
}

TEST_F(VcaAnimationControllerTest, ModesSetAndClearFlagsOnTracksAndBones)
{
    const s32 walk = m_controller.AddAnimation(&m_walk);
    struct Case
    {
        s8 mode;
        u8 flags;  // expected after the mode, starting from 4
    };
    const Case cases[] = {{1, 5}, {2, 7}, {-5, 3}, {4, 7}, {-2, 6}, {-3, 4}, {0, 4}, {3, 4}, {-1, 4}, {8, 4}};
    for (const Case& c : cases) {
        m_controller.SetAnimationMode(walk, c.mode);
        EXPECT_EQ(c.flags, m_controller.animations[walk]->flags) << "mode " << (s32)c.mode;
        const bool once = (c.flags & 1) != 0;
        const bool slerp = (c.flags & 4) != 0;
        for (s32 b = 0; b < 3; ++b) {
            EXPECT_EQ(once, m_walk.GetTrack(b)->IsClamped() != 0) << "mode " << (s32)c.mode;
            EXPECT_EQ(slerp, (m_skeleton.bones[b].flags & VCA_Bone::FLAG_SLERP) != 0) << "mode " << (s32)c.mode;
        }
    }
}

TEST_F(VcaAnimationControllerTest, AnAnimationThatAskedStopsOnceOver)
{
    const s32 wave = m_controller.AddAnimation(&m_wave);
    m_controller.ActivateAnimation(wave, 0, 1.0f, 2.0f, 2.0f, 0.0f, VCA_AnimationInfo::FLAG_AUTO_STOP);
    EXPECT_EQ(0, m_controller.IsAnimationOver(wave, 2.49f));
    EXPECT_EQ(1, m_controller.IsAnimationOver(wave, 2.5f));
    m_controller.Update(2.25f);
    EXPECT_EQ(1, m_controller.activeCount);
    EXPECT_GT(m_skeleton.bones[2].pose.rotation.x, 0.3f);
    m_controller.Update(2.5f);
    EXPECT_EQ(0, m_controller.activeCount);
    EXPECT_EQ(nullptr, m_skeleton.bones[2].channels[0].track);
    // Nothing active: an update changes nothing.
    const VCA_Pose before = m_skeleton.bones[2].pose;
    m_controller.Update(9.0f);
    EXPECT_EQ(before.rotation, m_skeleton.bones[2].pose.rotation);
}

}  // namespace
