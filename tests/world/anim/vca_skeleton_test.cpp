// The skeleton's reader and inverse reference frames, and the bone's channels: binding,
// transitions, blending and their checks.
#include <gtest/gtest.h>

#include <string>

#include "anim_fixture.h"
#include "vca_animdata.h"
#include "vca_bonetrack.h"
#include "vca_skeleton.h"

namespace
{

class VcaSkeletonTest : public ::testing::Test
{
protected:
    void SetUp() override { TST_WriteAnimationFixture(m_dir, m_fixture); }
    // With a section before it, so a file without AnimData still has one.
    void WriteReference(const TOOL_AnimData& _reference) const
    {
        m_dir.Write("animation/bad.msh", "[Other]\n{\n    A = 1\n}\n" + TOOL_AnimDataText(_reference));
    }

    TST_TempDir m_dir;
    TOOL_AnimationFixture m_fixture = TOOL_MakeAnimationFixture();
};

TEST_F(VcaSkeletonTest, LoadsBonesFathersAndInverseReferenceFrames)
{
    // The head's father is found by id although the bones are turned and moved.
    TOOL_AnimData reference = m_fixture.reference;
    reference.bones[1].samples[0].rotation = {0.70710677f, 0.0f, 0.0f, 0.70710677f};
    reference.bones[2].samples[0].position = {2.0f, 0.0f, 1.0f};
    reference.bones.push_back({"tail", 40, 10, reference.bones[2].samples, {}});
    WriteReference(reference);
    VCA_Skeleton skeleton;
    skeleton.Load("animation\\bad.msh");
    ASSERT_EQ(4, skeleton.count);
    const s32 parents[4] = {-1, 0, 1, 0};
    const char* names[4] = {"root", "spine", "head", "tail"};
    for (s32 i = 0; i < 4; ++i) {
        EXPECT_EQ(parents[i], skeleton.bones[i].parent) << i;
        EXPECT_STREQ(names[i], skeleton.bones[i].name) << i;
        EXPECT_EQ(VCA_Bone::FLAG_SLERP, skeleton.bones[i].flags) << i;
    }
    EXPECT_EQ(30, skeleton.bones[2].id);
    // Model frame times its inverse reference is the identity in the reference pose; the head
    // sits at (0, 2, 2) after the spine's quarter turn.
    MAT_Matrix34 frames[4];
    skeleton.ComputeModelFrames(frames);
    TST_ExpectNear(MAT_Vector3(0.0f, 2.0f, 2.0f), frames[2].t, 1e-5f, "head");
    for (s32 i = 0; i < 4; ++i)
        TST_ExpectFrameNear(TST_IdentityFrame(), frames[i].Compose(skeleton.inverseReference[i]), 1e-5f, names[i]);
}

TEST_F(VcaSkeletonTest, BrokenReferenceFilesStopWithTheFileName)
{
    struct Case
    {
        TOOL_AnimData reference;
        const char* caption;
        const char* message;
    };
    TOOL_AnimData orphan = m_fixture.reference;
    orphan.bones[2].father = 30;  // its own id: no earlier bone has it
    TOOL_AnimData noBone = m_fixture.reference;
    noBone.omitSection = "B1";
    TOOL_AnimData noSample = m_fixture.reference;
    noSample.omitSection = "SV0";
    TOOL_AnimData noAnimData = m_fixture.reference;
    noAnimData.omitSection = "AnimData";
    TOOL_AnimData noId = m_fixture.reference;
    noId.omitKey = "Id";
    const Case cases[] = {
        {orphan, "VCA_Skeleton::Load()",
         "bone 2 names father id 30, which no earlier bone has, in file \"animation\\bad.msh\""},
        {noBone, "DES FILE ERROR", "(VCA_Skeleton::Load()): Get [\"B1\"] in file \"animation\\bad.msh\" failed"},
        {noSample, "DES FILE ERROR", "(VCA_Skeleton::Load()): Get [\"SV0\"] in file \"animation\\bad.msh\" failed"},
        {noAnimData, "DES FILE ERROR",
         "(VCA_Skeleton::Load()): Get [\"AnimData\"] in file \"animation\\bad.msh\" failed"},
        {noId, "DesFile Error", "data \"Id\" not found in file \"animation\\bad.msh\""},
    };
    for (const Case& c : cases) {
        WriteReference(c.reference);
        VCA_Skeleton skeleton;
        EXPECT_FATAL(skeleton.Load("animation\\bad.msh"), c.caption, c.message);
    }
    TOOL_AnimData negative = m_fixture.reference;
    negative.nob = -2;
    WriteReference(negative);
    VCA_Skeleton skeleton;
    EXPECT_FATAL(skeleton.Load("animation\\bad.msh"), "VCA_Skeleton::Load()",
                 "negative bone count -2 in file \"animation\\bad.msh\"");
}

// ---- VCA_Bone ----

// Tracks of one bone read from the fixture's animations: the walk's spine turns, the wave's
// spine stands still.
class VcaBoneTest : public VcaSkeletonTest
{
protected:
    void SetUp() override
    {
        VcaSkeletonTest::SetUp();
        m_walk.Load("animation\\walker_walk.des", "animation\\walker.msh");
        m_wave.Load("animation\\walker_wave.des", "animation\\walker.msh");
    }
    VCA_BoneTrack* Walk() const { return m_walk.GetTrack(1); }
    VCA_BoneTrack* Still() const { return m_wave.GetTrack(1); }
    static VCA_Pose At(VCA_BoneTrack* _track, f32 _start, f32 _time)
    {
        VCA_Pose pose;
        _track->SetStart(_start);
        _track->Evaluate(_time, &pose);
        return pose;
    }

    VCA_AnimData m_walk;
    VCA_AnimData m_wave;
};

TEST_F(VcaBoneTest, ATransitionReachesTheNewPoseAfterItsLength)
{
    for (f32 length : {0.0f, 0.5f}) {
        VCA_Bone bone;
        bone.SetWeightOfBoneChannel(Still(), 0, 1.0f, 0.0f, 0.0f, 0.0f);
        EXPECT_EQ(1, bone.boundCount);
        bone.Update(1.0f);
        EXPECT_FLOAT_EQ(1.0f, bone.pose.rotation.w);
        // Switch to the walk at 1.0, its first key (no turn) at 1.0, its 45-degree key at 1.25.
        bone.SetWeightOfBoneChannel(Walk(), 0, 1.0f, 1.0f, 1.0f, length);
        EXPECT_EQ(1, bone.boundCount);
        bone.Update(1.25f);
        const VCA_Pose target = At(Walk(), 1.0f, 1.25f);
        if (length == 0.0f) {
            EXPECT_NEAR(target.rotation.z, bone.pose.rotation.z, 1e-6f);
        } else {
            // Half the transition: about half the turn.
            EXPECT_GT(bone.pose.rotation.z, 0.1f);
            EXPECT_LT(bone.pose.rotation.z, target.rotation.z - 0.1f);
            bone.Update(1.5f);
            EXPECT_NEAR(At(Walk(), 1.0f, 1.5f).rotation.z, bone.pose.rotation.z, 1e-6f);
        }
    }
}

TEST_F(VcaBoneTest, WeightedChannelsBlendInOneHemisphere)
{
    // q on channel 0 and -q on channel 1 (a track of the negated keys) blend to q.
    VCA_AnimData negated;
    TOOL_AnimData flipped = m_fixture.walk;
    for (TOOL_BoneSample& s : flipped.bones[1].samples)
        for (f32& v : s.rotation)
            v = -v;
    m_dir.Write("animation/flipped.des", TOOL_AnimDataText(flipped));
    negated.Load("animation\\flipped.des", "animation\\walker.msh");

    VCA_Bone bone;
    bone.SetWeightOfBoneChannel(Walk(), 0, 0.5f, 0.0f, 0.0f, 0.0f);
    bone.SetWeightOfBoneChannel(negated.GetTrack(1), 1, 0.5f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(2, bone.boundCount);
    bone.Update(0.25f);
    const VCA_Pose q = At(Walk(), 0.0f, 0.25f);
    EXPECT_NEAR(q.rotation.w, bone.pose.rotation.w, 1e-3f);
    EXPECT_NEAR(q.rotation.z, bone.pose.rotation.z, 1e-3f);

    // A third channel: positions sum by weight.
    bone.SetChannelWeight(0, 0.25f);
    bone.SetChannelWeight(1, 0.25f);
    bone.SetWeightOfBoneChannel(Still(), 2, 0.5f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(3, bone.boundCount);
    bone.Update(0.25f);
    EXPECT_NEAR(1.0f, bone.pose.position.z, 1e-5f);
    EXPECT_GT(bone.pose.rotation.z, 0.05f);
    EXPECT_LT(bone.pose.rotation.z, q.rotation.z - 0.05f);

    // One weighted channel among several bound gives its pose alone.
    bone.SetChannelWeight(0, 0.0f);
    bone.SetChannelWeight(1, 0.0f);
    bone.Update(0.25f);
    EXPECT_NEAR(1.0f, bone.pose.rotation.w, 1e-6f);

    // Clearing: 1 for a bound channel, 0 for a free one; the count follows.
    EXPECT_EQ(1, bone.ClearChannel(2));
    EXPECT_EQ(0, bone.ClearChannel(2));
    EXPECT_EQ(2, bone.boundCount);
    EXPECT_EQ(nullptr, bone.channels[2].track);
    EXPECT_EQ(0.0f, bone.channels[2].weight);
}

TEST_F(VcaBoneTest, ChannelsAndWeightsAreChecked)
{
    VCA_Bone bone;
    EXPECT_FATAL(bone.SetWeightOfBoneChannel(Walk(), 3, 1.0f, 0.0f, 0.0f, 0.0f), "Error: _Channel out of range.",
                 "VCA_Bone::SetWeightOfBoneChannel()");
    EXPECT_FATAL(bone.SetWeightOfBoneChannel(Walk(), -1, 1.0f, 0.0f, 0.0f, 0.0f), "Error: _Channel out of range.",
                 "VCA_Bone::SetWeightOfBoneChannel()");
    EXPECT_FATAL(bone.SetWeightOfBoneChannel(Walk(), 0, -0.5f, 0.0f, 0.0f, 0.0f), "Error: _Weight can't be negative.",
                 "VCA_Bone::SetWeightOfBoneChannel()");
    EXPECT_FATAL(bone.SetChannelWeight(3, 1.0f), "Error: _Channel out of range.", "VCA_Bone::SetChannelWeight()");
    EXPECT_FATAL(bone.SetChannelWeight(0, -1.0f), "Error: _Weight can't be negative.", "VCA_Bone::SetChannelWeight()");
    EXPECT_EQ(0, bone.boundCount);
    // Bound with weight 0: held but not counted.
    bone.SetWeightOfBoneChannel(Walk(), 1, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(0, bone.boundCount);
    EXPECT_EQ(Walk(), bone.channels[1].track);
}

}  // namespace
