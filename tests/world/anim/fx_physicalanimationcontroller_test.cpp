// The physical animation controller over the fixture's skeleton at rest: segment switching and
// blending, the trailing and stretching bones, and the description's checks.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "anim_fixture.h"
#include "des_fixture.h"
#include "fx_physicalanimationcontroller.h"
#include "mat_fixture.h"
#include "sim_clock.h"
#include "vca_animationcontroller.h"
#include "vca_skeleton.h"
#include "vca_skin.h"

namespace
{

class FxPhysicalAnimationControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_simulation = SIM_GetSimulationClock();
        m_frame = SIM_GetFrameClock();
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        SIM_GetFrameClock().Set(0.0f, SIM_STEP);
        TST_WriteAnimationFixture(m_dir, TOOL_MakeAnimationFixture());
        m_skeleton.Load("animation\\walker.msh");
        m_controller.SetSkeleton(&m_skeleton);
    }
    void TearDown() override
    {
        SIM_GetSimulationClock() = m_simulation;
        SIM_GetFrameClock() = m_frame;
    }
    // Segment 0 the head, segment 1 the root; both without filtering of the length.
    static TOOL_PhysicalAnimation Segments()
    {
        TOOL_PhysicalAnimation physical;
        TOOL_PhysicalSegment head;
        head.positionElasticity = 0.0f;
        head.bones = {2};
        TOOL_PhysicalSegment root = head;
        root.bones = {0};
        physical.segments = {head, root};
        return physical;
    }
    void Init(FX_PhysicalAnimationController& _physical, const TOOL_PhysicalAnimation& _description)
    {
        TST_WithSection(m_dir, TOOL_PhysicalAnimationText(_description), "PhysicalAnimation",
                        [&](DES_Section* _section) { _physical.Init(_section, &m_controller, &m_skeleton, &m_skin); });
    }

    SIM_Clock m_simulation;
    SIM_FrameClock m_frame;
    TST_TempDir m_dir;
    VCA_Skeleton m_skeleton;
    VCA_AnimationController m_controller;
    VCA_Skin m_skin;
};

TEST_F(FxPhysicalAnimationControllerTest, SegmentsBlendToPhysicalAndBack)
{
    FX_PhysicalAnimationController physical;
    Init(physical, Segments());
    ASSERT_EQ(3, physical.GetBoneCount());
    ASSERT_EQ(2, physical.GetNumOfSegment());
    EXPECT_EQ(nullptr, physical.GetBoneMatrix(3));
    EXPECT_EQ(nullptr, physical.GetBoneMatrix(-1));
    const MAT_Matrix34 world = TST_TranslationFrame(5.0f, 0.0f, 0.0f);
    physical.Update(world);
    // Animated: the model frames of the reference pose.
    TST_ExpectFrameNear(TST_TranslationFrame(0.0f, 0.0f, 2.0f), *physical.GetBoneMatrix(2), 1e-6f, "head animated");

    // Indices outside the segments change nothing.
    physical.ActivateSegment(2, 0.0f, world);
    physical.ActivateSegment(-1, 0.0f, world);
    physical.DeactivateSegment(7, 0.0f);
    for (s32 b = 0; b < 3; ++b)
        EXPECT_EQ(0.0f, physical.GetBone(b)->blendRate);

    // At once: physical after one update. The root has no father, so its frame goes to its
    // local place, the origin of the world: (-5, 0, 0) in the character's frame.
    physical.ActivateSegment(1, 0.0f, world);
    EXPECT_EQ(100000.0f, physical.GetBone(0)->blendRate);
    physical.Update(world);
    EXPECT_EQ(1.0f, physical.GetBone(0)->blend);
    TST_ExpectNear(MAT_Vector3(-5.0f, 0.0f, 0.0f), physical.GetBoneMatrix(0)->t, 1e-5f, "root physical");
    EXPECT_EQ(0.0f, physical.GetBone(1)->blend);
    physical.DeactivateSegment(1, 0.0f);
    EXPECT_EQ(-100000.0f, physical.GetBone(0)->blendRate);
    physical.Update(world);
    EXPECT_EQ(0.0f, physical.GetBone(0)->blend);
    TST_ExpectFrameNear(TST_IdentityFrame(), *physical.GetBoneMatrix(0), 1e-6f, "root animated again");

    // Part way: blend 0.25 weighs the physical frame 0.15625, blend 0.5 weighs it 0.5.
    struct Case
    {
        f32 blendTime;
        f32 blend;
        f32 weight;
    };
    for (const Case& c : {Case{0.2f, 0.25f, 0.15625f}, Case{0.1f, 0.5f, 0.5f}}) {
        FX_PhysicalAnimationController blending;
        Init(blending, Segments());
        blending.Update(world);
        blending.ActivateSegment(1, c.blendTime, world);
        blending.Update(world);
        EXPECT_FLOAT_EQ(c.blend, blending.GetBone(0)->blend);
        EXPECT_NEAR(-5.0f * c.weight, blending.GetBoneMatrix(0)->t.x, 1e-5f) << c.blend;
        // Its world frame is the blended frame placed in the world.
        EXPECT_NEAR(5.0f - 5.0f * c.weight, blending.GetBone(0)->output.t.x, 1e-5f) << c.blend;
    }
}

TEST_F(FxPhysicalAnimationControllerTest, APhysicalBoneKeepsItsLengthWithinTheStretchLimits)
{
    FX_PhysicalAnimationController physical;
    TOOL_PhysicalAnimation description = Segments();
    description.segments[0].force = {0.0f, 0.0f, 0.0f};
    Init(physical, description);
    physical.Update(TST_IdentityFrame());
    physical.ActivateSegment(0, 0.0f, TST_IdentityFrame());
    // Its root stays: the head keeps rest length 16 and its axes.
    for (s32 step = 0; step < 3; ++step) {
        physical.Update(TST_IdentityFrame());
        TST_ExpectFrameNear(TST_TranslationFrame(0.0f, 0.0f, 2.0f), *physical.GetBoneMatrix(2), 1e-5f, "at rest");
    }
    // The character rises 15: the head's root comes within 1 of its old tip, and the length,
    // unfiltered, is held at 0.5 x 16. Axis 3 shrinks by 0.5, the others grow by 1 / sqrt(0.5).
    physical.Update(TST_TranslationFrame(0.0f, 0.0f, 15.0f));
    const MAT_Matrix34& head = physical.GetBone(2)->output;
    TST_ExpectNear(MAT_Vector3(0.0f, 0.0f, 17.0f), head.t, 1e-4f, "head root");
    TST_ExpectNear(MAT_Vector3(0.0f, 0.0f, 0.5f), head.r.GetZ(), 1e-5f, "axis 3");
    TST_ExpectNear(MAT_Vector3(1.4142135f, 0.0f, 0.0f), head.r.GetX(), 1e-4f, "axis 1");
    TST_ExpectNear(MAT_Vector3(0.0f, 1.4142135f, 0.0f), head.r.GetY(), 1e-4f, "axis 2");
}

TEST_F(FxPhysicalAnimationControllerTest, BadDescriptionsStopInInit)
{
    struct Case
    {
        TOOL_PhysicalAnimation description;
        const char* caption;
        const char* message;
    };
    std::vector<Case> cases;
    auto add = [&](auto _change, const char* _caption, const char* _message) {
        TOOL_PhysicalAnimation description = Segments();
        _change(description);
        cases.push_back({description, _caption, _message});
    };
    const char* init = "FX_PhysicalAnimationController::Init";
    add([](TOOL_PhysicalAnimation& _d) { _d.omitSection = "Segment1"; }, "DES FILE ERROR",
        "(FX_PhysicalAnimationController::Init): Get [\"Segment1\"] in file \"obj.des\" failed");
    add([](TOOL_PhysicalAnimation& _d) { _d.numOfSegment = 5; }, "DES FILE ERROR",
        "(FX_PhysicalAnimationController::Init): Get [\"Segment2\"] in file \"obj.des\" failed");
    add([](TOOL_PhysicalAnimation& _d) { _d.numOfSegment = 2147483647; }, "DES FILE ERROR",
        "(FX_PhysicalAnimationController::Init): Get [\"Segment2\"] in file \"obj.des\" failed");
    add([](TOOL_PhysicalAnimation& _d) { _d.numOfSegment = -2; }, init, "negative NumOfSegment -2 in file \"obj.des\"");
    add(
        [](TOOL_PhysicalAnimation& _d) {
            _d.segments[1].bones = {0, 3};
        },
        init, "bone 3 outside the skeleton's 3 bones in Segment1 of file \"obj.des\"");
    add([](TOOL_PhysicalAnimation& _d) { _d.segments[0].bones = {-1}; }, init,
        "bone -1 outside the skeleton's 3 bones in Segment0 of file \"obj.des\"");
    add([](TOOL_PhysicalAnimation& _d) { _d.segments[0].minLengthStretch = 0.0f; }, init,
        "length stretch not above 0 in Segment0 of file \"obj.des\"");
    add([](TOOL_PhysicalAnimation& _d) { _d.segments[1].maxLengthStretch = -1.0f; }, init,
        "length stretch not above 0 in Segment1 of file \"obj.des\"");
    add([](TOOL_PhysicalAnimation& _d) { _d.segments[0].positionElasticity = -1.0f; }, init,
        "negative elasticity in Segment0 of file \"obj.des\"");
    add([](TOOL_PhysicalAnimation& _d) { _d.segments[1].orientationElasticity = -0.5f; }, init,
        "negative elasticity in Segment1 of file \"obj.des\"");
    add([](TOOL_PhysicalAnimation& _d) { _d.segments[0].nob = -3; }, init,
        "negative NOB -3 in Segment0 of file \"obj.des\"");
    add([](TOOL_PhysicalAnimation& _d) { _d.segments[0].nob = 1000000000; }, "DesFile Error",
        "data \"B1\" not found in file \"obj.des\"");
    add([](TOOL_PhysicalAnimation& _d) { _d.omitKey = "Force"; }, "DesFile Error",
        "data \"Force\" not found in file \"obj.des\"");
    for (const Case& c : cases) {
        FX_PhysicalAnimationController physical;
        EXPECT_FATAL(Init(physical, c.description), c.caption, c.message);
    }
}

TEST_F(FxPhysicalAnimationControllerTest, TheMeshStopsAndFramesInterpolateBetweenSteps)
{
    FX_PhysicalAnimationController physical;
    Init(physical, Segments());
    physical.Update(TST_IdentityFrame());
    physical.ActivateSegment(1, 0.0f, TST_IdentityFrame());
    physical.Update(TST_TranslationFrame(4.0f, 0.0f, 0.0f));
    EXPECT_FATAL(physical.GetMesh(0.0f), "FX_PhysicalAnimationController::GetMesh()", "not implemented correctly");
    // Half a step before the simulation time: half way from (0, 0, 0) to (-4, 0, 0).
    physical.InterpolateBoneMatrices(-0.025f);
    TST_ExpectNear(MAT_Vector3(-2.0f, 0.0f, 0.0f), physical.GetBoneMatrix(0)->t, 1e-5f, "root");
}

}  // namespace
