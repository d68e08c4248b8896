// The buzzer decoy in a run with the real collision system over a flat ground: its prototype
// and clones, the torpedo it claims at launch, its drift away from the ejecting body it never
// touches, and its death at the first contact, which leaves debris and frees the torpedo.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "cod_physical.h"
#include "launch_fixture.h"
#include "nod_buzzer.h"
#include "nod_torpedo.h"

namespace
{
class BuzzerTest : public TST_LaunchTest
{
protected:
    // A buzzer ejected by _owner at _frame with speed _eject.
    NOD_Buzzer* Eject(NOD_Node* _owner, const MAT_Matrix34& _frame, f32 _eject = 1.0f,
                      const MAT_Vector3& _tumbling = MAT_Vector3())
    {
        return m_world->Spawn()->SpawnBuzzer(_owner, _frame, _eject, _tumbling);
    }

    // Torpedoes of type 1 homing on _target from the given places.
    std::vector<NOD_Torpedo*> Homing(TST_Target* _target, const std::vector<MAT_Vector3>& _places)
    {
        std::vector<NOD_Torpedo*> torpedoes;
        for (const MAT_Vector3& place : _places)
            torpedoes.push_back(Fire(1, TST_FrameAt(place), nullptr, _target));
        return torpedoes;
    }
};

TEST_F(BuzzerTest, ClonesAreDampedTumblingBodiesOfNoMass)
{
    MakeWorld();
    TST_Target* owner = Target(MAT_Vector3(0.0f, 0.0f, 100.0f), "loud", MAT_Vector3(0.0f, 4.0f, 0.0f));
    NOD_Buzzer* buzzer = Eject(owner, TST_Heading(MAT_Vector3(0.0f, 0.0f, 100.0f), 0.0f), 3.0f, {0.5f, -0.25f, 2.0f});
    ASSERT_NE(nullptr, buzzer);
    EXPECT_EQ(buzzer, m_world->root->GetSon(m_world->root->GetNumOfSons() - 1));
    EXPECT_TRUE(buzzer->IsInSimulation());
    EXPECT_EQ(0, buzzer->GetRenderBucket());
    EXPECT_NE(0, buzzer->GetMesh().GetHandle());
    EXPECT_EQ(0x3Fu, buzzer->GetFriction().flags & 0x3Fu);
    for (s32 i : {0, 1, 2, 6, 7, 8})
        EXPECT_EQ(0.02f, buzzer->GetFriction().c[i]) << i;
    MOT_MotionState& state = buzzer->GetState();
    EXPECT_EQ(0x27u, state.flags);
    EXPECT_EQ((u32)MOT_MotionState::REGIME_ABSOLUTE, state.regime);
    // Out backwards at the eject speed plus the owner's velocity, tumbling as told.
    const MAT_Vector3 v = state.GetVelocity();
    EXPECT_FLOAT_EQ(0.0f, v.x);
    EXPECT_FLOAT_EQ(-3.0f + 4.0f, v.y);
    EXPECT_FLOAT_EQ(0.0f, v.z);
    EXPECT_EQ(0.5f, state.rotation[MOT_MotionState::PITCH].rate);
    EXPECT_EQ(-0.25f, state.rotation[MOT_MotionState::ROLL].rate);
    EXPECT_EQ(2.0f, state.rotation[MOT_MotionState::HEADING].rate);
    // A decoy weighs nothing; it reports no velocity, so torpedoes aim straight at it.
    EXPECT_EQ(0.0f, static_cast<COD_Physical_Vessel*>(buzzer->GetAggregate().GetPhysical())->m_mass);
    MAT_Vector3 reported(1.0f, 1.0f, 1.0f);
    buzzer->GetVelocity(&reported);
    EXPECT_EQ(0.0f, reported.Length());
    EXPECT_EQ(nullptr, buzzer->GetTorpedoSlots());
    // It sinks.
    m_world->Steps(20);
    EXPECT_LT(buzzer->GetState().GetVelocity().z, -1.0f);
}

TEST_F(BuzzerTest, EachBuzzerClaimsTheNearestDistractibleTorpedo)
{
    MakeWorld(TST_PlainTorpedo(2), TST_PlainTorpedo(2));
    TST_Target* owner = Target(MAT_Vector3(0.0f, 0.0f, 100.0f));
    const std::vector<NOD_Torpedo*> torpedoes =
        Homing(owner, {MAT_Vector3(0.0f, -300.0f, 100.0f), MAT_Vector3(0.0f, -150.0f, 100.0f)});
    const MAT_Matrix34 frame = TST_FrameAt(MAT_Vector3(0.0f, 0.0f, 100.0f));

    NOD_Buzzer* first = Eject(owner, frame);
    EXPECT_EQ(first, torpedoes[1]->GetForcedTarget());
    EXPECT_EQ(1u, torpedoes[1]->IsForcedTargetSet());
    EXPECT_EQ(0u, torpedoes[0]->IsForcedTargetSet());
    // The claimed one no longer counts for the owner; its target changes at its next step.
    EXPECT_EQ(0, owner->GetTorpedoSlots()->Contains(torpedoes[1]));
    EXPECT_EQ(1, owner->GetTorpedoSlots()->Contains(torpedoes[0]));
    EXPECT_EQ(owner, torpedoes[1]->GetTarget());
    m_world->Step();
    EXPECT_EQ(first, torpedoes[1]->GetTarget());
    // Aimed straight at the decoy: a buzzer reports no velocity to lead.
    MAT_Vector3 decoy;
    first->GetMatrixAtTime(&decoy, m_world->Now() - SIM_STEP);
    EXPECT_NEAR(decoy.y, torpedoes[1]->GetModel().Rotation.TargetPoint.y, 1e-3f);

    // The second buzzer takes the other (its search has not run yet: no target, yet in the
    // owner's slots); a third finds none left, and the claims stand.
    NOD_Buzzer* second = Eject(owner, frame);
    EXPECT_EQ(second, torpedoes[0]->GetForcedTarget());
    Eject(owner, frame);
    EXPECT_EQ(first, torpedoes[1]->GetForcedTarget());
    EXPECT_EQ(second, torpedoes[0]->GetForcedTarget());
}

TEST_F(BuzzerTest, ATorpedoThatCannotBeDistractedIsNeverClaimed)
{
    TOOL_TorpedoDescription stubborn = TST_PlainTorpedo(1);
    stubborn.buzzerDistract = 0;
    MakeWorld(TOOL_TorpedoDescription(), stubborn);
    TST_Target* owner = Target(MAT_Vector3(0.0f, 0.0f, 100.0f));
    const std::vector<NOD_Torpedo*> torpedoes = Homing(owner, {MAT_Vector3(0.0f, -100.0f, 100.0f)});
    Eject(owner, TST_FrameAt(MAT_Vector3(0.0f, 0.0f, 100.0f)));
    EXPECT_EQ(0u, torpedoes[0]->IsForcedTargetSet());
    EXPECT_EQ(1, owner->GetTorpedoSlots()->Contains(torpedoes[0]));
    m_world->Step();
    EXPECT_EQ(owner, torpedoes[0]->GetTarget());
}

TEST_F(BuzzerTest, ABuzzerNeverTouchesTheBodyThatEjectedItButDiesAtAnyOther)
{
    MakeWorld();
    TST_Target* owner = Target(MAT_Vector3(0.0f, 0.0f, 100.0f));
    TST_Target* other = Target(MAT_Vector3(100.0f, 0.0f, 100.0f));
    // Both start across a side of a hull and drift slowly along it: across it for many steps.
    NOD_Buzzer* own = Eject(owner, TST_FrameAt(MAT_Vector3(0.5f * TST_TARGET_SIZE, 0.0f, 100.0f)), 0.5f);
    NOD_Buzzer* stranger = Eject(owner, TST_FrameAt(MAT_Vector3(100.0f + 0.5f * TST_TARGET_SIZE, 0.0f, 100.0f)), 0.5f);
    m_world->Steps(2);
    EXPECT_FALSE(Alive(stranger));
    for (s32 step = 0; step < 10; ++step) {
        EXPECT_EQ(0u, own->GetShieldRef().IsExhausted()) << step;
        m_world->Step();
    }
    EXPECT_TRUE(Alive(own));
    EXPECT_TRUE(Alive(other));
}

// The shield of the buzzer (its active face pairs) and whether it outlives a touch of the ground.
struct ContactCase
{
    const char* name;
    s32 leftRight;
    s32 frontBack;
    s32 topBottom;
    bool lives;
};

TEST_F(BuzzerTest, TheFirstContactEmptiesTheRightFace)
{
    const ContactCase cases[] = {
        {"no active pair", 0, 0, 0, false},
        {"left and right active", 1, 0, 0, false},
        {"only other pairs active", 0, 1, 1, true},
    };
    for (const ContactCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_world.reset();
        TOOL_BuzzerDescription decoy;
        decoy.shield.leftRightActive = c.leftRight;
        decoy.shield.frontBackActive = c.frontBack;
        decoy.shield.topBottomActive = c.topBottom;
        MakeWorld(TOOL_TorpedoDescription(), TOOL_TorpedoDescription(), decoy);
        TST_Target* owner = Target(MAT_Vector3(0.0f, 0.0f, 30.0f));
        const std::vector<NOD_Torpedo*> torpedoes = Homing(owner, {MAT_Vector3(0.0f, -300.0f, 30.0f)});
        // Dropped just above the ground, beside its owner.
        NOD_Buzzer* buzzer = Eject(owner, TST_FrameAt(MAT_Vector3(30.0f, 0.0f, 2.0f)), 0.0f);
        ASSERT_EQ(buzzer, torpedoes[0]->GetForcedTarget());
        s32 steps = 0;
        while (Alive(buzzer) && buzzer->GetShieldRef().GetFaceIn(SHL_FACE_RIGHT) != 0 && steps < 100) {
            m_world->Step();
            ++steps;
        }
        EXPECT_LT(steps, 100);
        m_world->Steps(2);
        EXPECT_EQ(c.lives, Alive(buzzer));
        if (c.lives)
            continue;
        // Debris where it died, and the claimed torpedo runs on without a target for good.
        EXPECT_NE(nullptr, Named("deb0"));
        EXPECT_EQ(nullptr, torpedoes[0]->GetForcedTarget());
        EXPECT_EQ(nullptr, torpedoes[0]->GetTarget());
        m_world->Steps(30);
        EXPECT_EQ(nullptr, torpedoes[0]->GetTarget());
    }
}
}  // namespace
