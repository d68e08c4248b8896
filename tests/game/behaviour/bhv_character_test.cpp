// The character behaviours in an action slot: the animation over the fixture's skeleton and
// animations (starts by name, case ignored; restarts, unknown names, stops and interruptions),
// and the look-to's three modes on a character motion model.
#include <gtest/gtest.h>

#include <string>

#include "anim_fixture.h"
#include "bhv_behaviourlist.h"
#include "bhv_character.h"
#include "bhv_owner.h"
#include "mot_oldone.h"
#include "nod_message.h"
#include "owner_fixture.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "vca_animationcontroller.h"
#include "vca_animdata.h"
#include "vca_skeleton.h"

namespace
{

class BhvCharacterAnimationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_clock = SIM_GetSimulationClock();
        SIM_GetSimulationClock().Set(2.0f, SIM_STEP);
        TST_WriteAnimationFixture(m_dir, TOOL_MakeAnimationFixture());
        m_skeleton.Load("animation\\walker.msh");
        m_walk.Load("animation\\walker_walk.des", "animation\\walker.msh");
        m_wave.Load("animation\\walker_wave.des", "animation\\walker.msh");
        m_controller.SetSkeleton(&m_skeleton);
        // Handles that are not the names' indices: a slot is taken before them.
        m_controller.AddAnimation(&m_walk);
        m_handles[0] = m_controller.AddAnimation(&m_walk);
        m_handles[1] = m_controller.AddAnimation(&m_wave);
        m_names[0].SetName("Walk");
        m_names[1].SetName("Wave");
        m_animation.Init(2, m_names, m_handles, &m_controller);
        m_slot.Register(&m_animation, &m_owner);
    }
    void TearDown() override { SIM_GetSimulationClock() = m_clock; }

    s32 Send(NOD_Message* _message)
    {
        s32 handled = 0;
        EXPECT_EQ(nullptr, m_slot.ProcessMessage(_message, &handled));
        return handled;
    }
    s32 Start(const char* _name) { return Send(NOD_Character_StartAnimation::Create(SIM_Name(_name))); }

    SIM_Clock m_clock;
    TST_TempDir m_dir;
    VCA_Skeleton m_skeleton;
    VCA_AnimData m_walk;
    VCA_AnimData m_wave;
    VCA_AnimationController m_controller;
    s32 m_handles[2] = {};
    SIM_Name m_names[2];
    BHV_Owner m_owner;
    BHV_Character_A_Animation m_animation;
    BHV_ActionBehaviourSlot m_slot;
};

TEST_F(BhvCharacterAnimationTest, StartsByNameRestartsAndStops)
{
    EXPECT_EQ(-1, m_animation.GetCurrent());
    EXPECT_EQ(1, Start("wAVE"));
    EXPECT_EQ(&m_animation, m_slot.GetCurrent());
    ASSERT_EQ(m_handles[1], m_animation.GetCurrent());
    ASSERT_EQ(1, m_controller.activeCount);
    EXPECT_EQ(m_handles[1], m_controller.active[0]);
    const VCA_AnimationInfo& wave = *m_controller.animations[m_handles[1]];
    EXPECT_EQ(0, wave.channel);
    EXPECT_FLOAT_EQ(2.0f, wave.start);
    EXPECT_FLOAT_EQ(1.0f, m_controller.weights[0]);
    EXPECT_EQ(m_wave.GetTrack(2), m_skeleton.bones[2].channels[0].track);
    m_slot.Handle();
    EXPECT_EQ(&m_animation, m_slot.GetCurrent());

    // The same name again: stopped by the interruption, started anew at the new time.
    SIM_GetSimulationClock().SetTime(3.0f);
    EXPECT_EQ(1, Start("Wave"));
    EXPECT_EQ(1, m_controller.activeCount);
    EXPECT_FLOAT_EQ(3.0f, wave.start);

    // Another name replaces it.
    EXPECT_EQ(1, Start("walk"));
    EXPECT_EQ(1, m_controller.activeCount);
    EXPECT_EQ(m_handles[0], m_controller.active[0]);
    EXPECT_EQ(0, m_controller.IsActive(m_handles[1]));

    // Stopping ends the animation and the behaviour.
    EXPECT_EQ(1, Send(NOD_Character_StopAnimation::Create()));
    EXPECT_EQ(0, m_controller.activeCount);
    EXPECT_EQ(-1, m_animation.GetCurrent());
    EXPECT_EQ(nullptr, m_slot.GetCurrent());
    for (s32 b = 0; b < m_skeleton.count; ++b)
        EXPECT_EQ(nullptr, m_skeleton.bones[b].channels[0].track);
}

TEST_F(BhvCharacterAnimationTest, AnUnknownNameIsLoggedAndAStopWithoutAnimationStillEnds)
{
    EXPECT_EQ(1, Start("Walk"));
    // The walk goes with the interruption; nothing else starts, the behaviour stays current.
    EXPECT_EQ(1, Start("Jump"));
    EXPECT_NE(std::string::npos, m_dir.Read("log.txt").find("Unkown animation Jump in StartAnimation\n"));
    EXPECT_EQ(0, m_controller.activeCount);
    EXPECT_EQ(-1, m_animation.GetCurrent());
    EXPECT_EQ(&m_animation, m_slot.GetCurrent());
    EXPECT_EQ(1, m_animation.Handle());

    EXPECT_EQ(1, Send(NOD_Character_StopAnimation::Create()));
    EXPECT_EQ(nullptr, m_slot.GetCurrent());
    EXPECT_EQ(0, m_controller.activeCount);
    // Not current: a stop reaches nobody, and other messages are not the behaviour's.
    EXPECT_EQ(0, Send(NOD_Character_StopAnimation::Create()));
    NOD_Message* other = NOD_PhysicalCharacter_StartAnimation::Create(0u, 0.5f);
    s32 handled = 0;
    EXPECT_EQ(nullptr, m_animation.ProcessMessage(other, &handled));
    EXPECT_EQ(0, handled);
    delete other;
}

// ---- BHV_PhysicalCharacter_A_LookTo ----

// A character at (0, 0, 5) that records what it sends to its script thread.
class LookingOwner : public TST_OwnerBody
{
public:
    LookingOwner() : TST_OwnerBody(TST_FrameAt(MAT_Vector3(0.0f, 0.0f, 5.0f)))
    {
        motion.MovePV = 2.0f;
        parts.Fill(this);
        parts.characterMotion = &motion;
        slot.Register(&lookTo, &parts);
    }
    NOD_Message* SendToThread(NOD_Message* _message, u32 /*_queued*/) override
    {
        sent.push_back(_message->GetType());
        delete _message;
        return nullptr;
    }
    s32 Look(const MAT_Vector3& _point, u8 _mode)
    {
        s32 handled = 0;
        EXPECT_EQ(nullptr, slot.ProcessMessage(NOD_PhysicalCharacter_LookTo::Create(_point, _mode), &handled));
        return handled;
    }

    MOT_OldOne motion;
    BHV_Owner parts;
    BHV_PhysicalCharacter_A_LookTo lookTo;
    BHV_ActionBehaviourSlot slot;
    std::vector<u32> sent;
};

class BhvLookToTest : public ::testing::Test
{
protected:
    TST_TempDir m_dir;
    LookingOwner m_owner;
};

TEST_F(BhvLookToTest, EachModeSetsItsControlsEveryStep)
{
    PHY_RotationControl& rotation = m_owner.motion.Rotation;
    PHY_TranslationControl& translation = m_owner.motion.Translation;
    // Whatever steered before is switched off by the start.
    rotation.RateTargetMask = 0x38;
    rotation.AngleTargetMask = 0x20;
    translation.VelocityModeMask = 0x1C0;
    const MAT_Vector3 point(30.0f, 40.0f, 15.0f);
    struct Case
    {
        u8 mode;
        u32 pointBits;
        u32 angleBits;
        u32 velocityBits;
    };
    for (const Case& c : {Case{0, 0x18, 0x0, 0x0}, Case{1, 0x8, 0x10, 0x0}, Case{2, 0x8, 0x0, 0x100}}) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        EXPECT_EQ(1, m_owner.Look(point, c.mode));
        EXPECT_EQ(0u, rotation.PointTargetMask | rotation.AngleTargetMask | rotation.RateTargetMask);
        EXPECT_EQ(0u, translation.VelocityModeMask);
        m_owner.slot.Handle();
        EXPECT_EQ(&m_owner.lookTo, m_owner.slot.GetCurrent());
        EXPECT_EQ(c.pointBits, rotation.PointTargetMask);
        EXPECT_EQ(c.angleBits, rotation.AngleTargetMask);
        EXPECT_EQ(0u, rotation.RateTargetMask);
        EXPECT_EQ(c.velocityBits, translation.VelocityModeMask);
        EXPECT_EQ(point, rotation.TargetPoint);
    }
    // Mode 2: the point 10 above, held to MovePV 2.0.
    EXPECT_FLOAT_EQ(2.0f, translation.TargetVelocity[2]);
    EXPECT_EQ(1, m_owner.Look(MAT_Vector3(0.0f, 0.0f, 4.0f), 2));
    m_owner.slot.Handle();
    EXPECT_FLOAT_EQ(-1.0f, translation.TargetVelocity[2]);
    EXPECT_FLOAT_EQ(0.0f, rotation.TargetAngle[1]);
}

TEST_F(BhvLookToTest, ANewLookInterruptsAndAWrongModeEndsAtTheNextStep)
{
    EXPECT_EQ(1, m_owner.Look(MAT_Vector3(1.0f, 2.0f, 3.0f), 0));
    EXPECT_TRUE(m_owner.sent.empty());
    m_owner.slot.Handle();
    // A second look: the override first, then the new point.
    EXPECT_EQ(1, m_owner.Look(MAT_Vector3(7.0f, 8.0f, 9.0f), 0));
    ASSERT_EQ(1u, m_owner.sent.size());
    EXPECT_EQ(NOD_PhysicalCharacter_LookToOverride::ID, m_owner.sent[0]);
    m_owner.slot.Handle();
    EXPECT_EQ(MAT_Vector3(7.0f, 8.0f, 9.0f), m_owner.motion.Rotation.TargetPoint);

    // Mode 3: logged, the controls left as they are, and the next step ends the look.
    EXPECT_EQ(1, m_owner.Look(MAT_Vector3(), 3));
    EXPECT_NE(std::string::npos, m_dir.Read("log.txt").find("wrong mode BHV_PhysicalCharacter_A_LookTo\n"));
    EXPECT_EQ(0x18u, m_owner.motion.Rotation.PointTargetMask);
    EXPECT_EQ(&m_owner.lookTo, m_owner.slot.GetCurrent());
    m_owner.slot.Handle();
    EXPECT_EQ(nullptr, m_owner.slot.GetCurrent());
    EXPECT_EQ(2u, m_owner.sent.size());
    // The stop test shares the start's id, which always starts.
    NOD_Message* look = NOD_PhysicalCharacter_LookTo::Create(MAT_Vector3(), (u8)0);
    EXPECT_EQ(1, m_owner.lookTo.IsStartMessage(look));
    EXPECT_EQ(1, m_owner.lookTo.IsStopMessage(look));
    delete look;
}

}  // namespace
