// The character's animation behaviour in an action slot, over the fixture's skeleton and
// animations: starts by name (case ignored), restarts, unknown names, stops and interruptions.
#include <gtest/gtest.h>

#include <string>

#include "anim_fixture.h"
#include "bhv_behaviourlist.h"
#include "bhv_character.h"
#include "bhv_owner.h"
#include "nod_message.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "vca_animationcontroller.h"
#include "vca_animdata.h"
#include "vca_skeleton.h"

namespace
{

class BHV_CharacterAnimation : public ::testing::Test
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

TEST_F(BHV_CharacterAnimation, StartsByNameRestartsAndStops)
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

TEST_F(BHV_CharacterAnimation, AnUnknownNameIsLoggedAndAStopWithoutAnimationStillEnds)
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

}  // namespace
