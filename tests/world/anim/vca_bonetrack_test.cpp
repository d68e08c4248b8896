// Bone tracks: neighbour indices, Catmull-Rom evaluation through the keys, the root's
// horizontal start, and tracks of a single sample. Also the mapping of an animation's bone
// sections onto the skeleton (VCA_AnimData).
#include <gtest/gtest.h>

#include <string>

#include "anim_fixture.h"
#include "des_file.h"
#include "des_fixture.h"
#include "vca_animdata.h"
#include "vca_bonetrack.h"

namespace
{

// A bone section "B0" of an animation file with the given samples.
std::string BoneText(const std::vector<TOOL_BoneSample>& _samples)
{
    TOOL_AnimData data;
    data.reference = false;
    data.bones = {{"bone", 0, 0, _samples, {}}};
    return TOOL_AnimDataText(data);
}

// Loads bone section B0 of _text as bone _index.
VCA_BoneTrack* LoadTrack(const TST_TempDir& _dir, const std::string& _text, s32 _index)
{
    VCA_BoneTrack* track = nullptr;
    TST_WithSection(_dir, _text, "AnimData", [&](DES_Section* _animData) {
        DES_Section bone;
        ASSERT_TRUE(_animData->FindSection(&bone, "B0"));
        VCA_BoneTrack::Load(&track, &bone, _index);
    });
    return track;
}

// Five samples over 1 s: position x = 10 k, the rotation a quarter turn about z at sample 2.
std::vector<TOOL_BoneSample> FiveSamples()
{
    std::vector<TOOL_BoneSample> samples;
    for (s32 k = 0; k < 5; ++k) {
        TOOL_BoneSample s;
        s.time = 0.25f * (f32)k;
        s.position = {10.0f * (f32)k, 1.0f, 2.0f};
        s.rotation = k == 2 ? std::array<f32, 4>{0.70710677f, 0.0f, 0.0f, 0.70710677f}
                            : std::array<f32, 4>{1.0f, 0.0f, 0.0f, 0.0f};
        samples.push_back(s);
    }
    return samples;
}

class VcaBoneTrackTest : public ::testing::Test
{
protected:
    TST_TempDir m_dir;
};

TEST_F(VcaBoneTrackTest, NeighbourIndicesWrapWhenLoopingAndHoldWhenClamped)
{
    VCA_BoneTrack* track = LoadTrack(m_dir, BoneText(FiveSamples()), 1);
    ASSERT_NE(nullptr, track);
    struct Case
    {
        u32 clamp;
        s32 segment;
        s32 expected[4];
    };
    const Case cases[] = {
        {0, 0, {4, 0, 1, 2}}, {0, 2, {1, 2, 3, 4}}, {0, 3, {2, 3, 4, 0}}, {0, 4, {3, 4, 0, 1}},
        {1, 0, {0, 0, 1, 2}}, {1, 2, {1, 2, 3, 4}}, {1, 3, {2, 3, 4, 4}},
    };
    for (const Case& c : cases) {
        track->SetClamp(c.clamp);
        s32 at[4];
        track->GetSplineIndices(c.segment, 4, at);
        for (s32 k = 0; k < 4; ++k)
            EXPECT_EQ(c.expected[k], at[k]) << "clamp " << c.clamp << " segment " << c.segment << " index " << k;
    }
    delete track;
}

TEST_F(VcaBoneTrackTest, EvaluationMeetsTheSamplesAndHoldsOrWrapsPastTheEnd)
{
    VCA_BoneTrack* track = LoadTrack(m_dir, BoneText(FiveSamples()), 1);
    ASSERT_NE(nullptr, track);
    EXPECT_FLOAT_EQ(1.0f, track->GetDuration());
    struct Case
    {
        u32 clamp;
        f32 start;
        f32 time;
        f32 x;         // expected position x
        bool quarter;  // expected rotation: the quarter turn, else none
    };
    const Case cases[] = {
        {1, 0.0f, 0.25f, 10.0f, false},                                 // on a sample: that sample
        {1, 0.0f, 0.5f, 20.0f, true},   {1, 0.0f, 1.0f, 40.0f, false},  // at the end, clamped: the last key
        {1, 0.0f, 7.0f, 40.0f, false},                                  // past it
        {1, 0.0f, -3.0f, 0.0f, false},                                  // before the start
        {1, 2.0f, 2.5f, 20.0f, true},                                   // a later start moves the keys
        {0, 0.0f, 1.5f, 20.0f, true},                                   // looping: 1.5 is 0.5
        {0, 0.0f, -0.5f, 20.0f, true},
    };
    for (const Case& c : cases) {
        track->SetClamp(c.clamp);
        track->SetStart(c.start);
        VCA_Pose pose;
        track->Evaluate(c.time, &pose);
        const std::string what = "clamp " + std::to_string(c.clamp) + " time " + std::to_string(c.time);
        EXPECT_NEAR(c.x, pose.position.x, 1e-4f) << what;
        EXPECT_NEAR(1.0f, pose.position.y, 1e-5f) << what;
        EXPECT_NEAR(2.0f, pose.position.z, 1e-5f) << what;
        // The rotation is normalised through the square-root tables.
        EXPECT_NEAR(c.quarter ? 0.70710677f : 1.0f, pose.rotation.w, 1e-4f) << what;
        EXPECT_NEAR(c.quarter ? 0.70710677f : 0.0f, pose.rotation.z, 1e-4f) << what;
    }
    // Between samples the spline passes through, not past: halfway between 10 and 20 on a
    // straight run of keys is 15.
    track->SetClamp(1);
    track->SetStart(0.0f);
    VCA_Pose pose;
    track->Evaluate(0.375f, &pose);
    EXPECT_NEAR(15.0f, pose.position.x, 1e-4f);
    delete track;
}

TEST_F(VcaBoneTrackTest, TheRootStartsOnTheSpotAtItsOwnHeight)
{
    std::vector<TOOL_BoneSample> samples = FiveSamples();
    for (TOOL_BoneSample& s : samples)
        s.position = {3.0f + s.position[0], 4.0f, 5.0f};
    VCA_BoneTrack* root = LoadTrack(m_dir, BoneText(samples), 0);
    VCA_BoneTrack* other = LoadTrack(m_dir, BoneText(samples), 2);
    EXPECT_FLOAT_EQ(0.0f, root->positionX.GetKeys()[0]);
    EXPECT_FLOAT_EQ(0.0f, root->positionY.GetKeys()[0]);
    EXPECT_FLOAT_EQ(5.0f, root->positionZ.GetKeys()[0]);
    EXPECT_FLOAT_EQ(40.0f, root->positionX.GetKeys()[4]);
    EXPECT_FLOAT_EQ(3.0f, other->positionX.GetKeys()[0]);
    EXPECT_FLOAT_EQ(4.0f, other->positionY.GetKeys()[0]);
    delete root;
    delete other;
}

TEST_F(VcaBoneTrackTest, ATrackWithoutADurationHoldsItsFirstKey)
{
    TOOL_BoneSample single;
    single.time = 3.0f;
    single.position = {7.0f, 8.0f, 9.0f};
    single.rotation = {0.0f, 1.0f, 0.0f, 0.0f};
    // One sample; and two samples at one time.
    for (const std::vector<TOOL_BoneSample>& samples :
         {std::vector<TOOL_BoneSample>{single}, std::vector<TOOL_BoneSample>{single, single}}) {
        VCA_BoneTrack* track = LoadTrack(m_dir, BoneText(samples), 1);
        EXPECT_FLOAT_EQ(0.0f, track->GetDuration());
        for (u32 clamp : {0u, 1u}) {
            track->SetClamp(clamp);
            for (f32 time : {-1.0f, 0.0f, 3.0f, 100.0f}) {
                track->SetStart(time);
                VCA_Pose pose;
                track->Evaluate(time + 0.5f, &pose);
                EXPECT_EQ(MAT_Vector3(7.0f, 8.0f, 9.0f), pose.position);
                EXPECT_EQ(MAT_Quaternion(0.0f, 1.0f, 0.0f, 0.0f), pose.rotation);
            }
        }
        delete track;
    }
    // A bone section without samples has no keys to make.
    EXPECT_FATAL(delete LoadTrack(m_dir, BoneText({}), 1),
                 "MAT_Interpolator_Linear_Scalar::MAT_Interpolator_Linear_Scalar()",
                 "minimum 2 scalars are needed for interpolation.");
}

// ---- VCA_AnimData ----

class VcaAnimDataTest : public ::testing::Test
{
protected:
    void SetUp() override { TST_WriteAnimationFixture(m_dir, m_fixture); }
    void Write(const std::string& _file, const TOOL_AnimData& _data) const
    {
        m_dir.Write("animation/" + _file, TOOL_AnimDataText(_data));
    }

    TST_TempDir m_dir;
    TOOL_AnimationFixture m_fixture = TOOL_MakeAnimationFixture();
};

TEST_F(VcaAnimDataTest, EachSkeletonBoneTakesTheTrackOfItsName)
{
    VCA_AnimData wave;
    wave.Load("animation\\walker_wave.des", "animation\\walker.msh");
    ASSERT_EQ(3, wave.count);
    // The file lists head, spine, root; the skeleton root, spine, head. The head's track nods.
    for (s32 bone : {0, 1, 2}) {
        ASSERT_NE(nullptr, wave.GetTrack(bone));
        wave.GetTrack(bone)->SetStart(0.0f);
        VCA_Pose pose;
        wave.GetTrack(bone)->Evaluate(0.25f, &pose);
        EXPECT_EQ(bone == 2, pose.rotation.x > 0.3f) << "bone " << bone;
        EXPECT_FLOAT_EQ(bone == 0 ? 0.0f : 1.0f, pose.position.z) << "bone " << bone;
    }
    EXPECT_EQ(nullptr, wave.GetTrack(3));
    EXPECT_EQ(nullptr, wave.GetTrack(-1));

    // A second load replaces the tracks; a bone no section names, or without a section of its
    // index, is not moved.
    TOOL_AnimData partial = m_fixture.walk;
    partial.bones[1].name = "tail";
    partial.nob = 3;
    partial.omitSection = "B2";
    Write("partial.des", partial);
    wave.Load("animation\\partial.des", "animation\\walker.msh");
    EXPECT_NE(nullptr, wave.GetTrack(0));
    EXPECT_EQ(nullptr, wave.GetTrack(1));
    EXPECT_EQ(nullptr, wave.GetTrack(2));
}

TEST_F(VcaAnimDataTest, EveryLoadCheckStopsWithTheFileName)
{
    TOOL_AnimData tooMany = m_fixture.walk;
    tooMany.bones.push_back(tooMany.bones[0]);
    TOOL_AnimData negative = m_fixture.walk;
    negative.nob = -2;
    TOOL_AnimData noAnimData = m_fixture.walk;
    noAnimData.omitSection = "AnimData";
    struct Case
    {
        std::string text;
        const char* caption;
        const char* message;
    };
    const Case cases[] = {
        {TOOL_AnimDataText(tooMany), "VCA_AnimData::Load()",
         "animation file \"animation\\bad.des\" has 4 bones, its skeleton \"animation\\walker.msh\" 3"},
        {TOOL_AnimDataText(negative), "VCA_AnimData::Load()", "negative bone count -2 in file \"animation\\bad.des\""},
        {"[Other]\n{\n    A = 1\n}\n" + TOOL_AnimDataText(noAnimData), "DES FILE ERROR",
         "(VCA_AnimData::Load()): Get [\"AnimData\"] in file \"animation\\bad.des\" failed"},
    };
    for (const Case& c : cases) {
        m_dir.Write("animation/bad.des", c.text);
        VCA_AnimData data;
        EXPECT_FATAL(data.Load("animation\\bad.des", "animation\\walker.msh"), c.caption, c.message);
    }
}

}  // namespace
