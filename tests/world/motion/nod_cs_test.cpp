#include <gtest/gtest.h>

#include "mot_motionstate.h"
#include "nod_cs.h"

namespace
{

MAT_Matrix34 At(f32 _x, f32 _y, f32 _z, f32 _heading = 0.0f)
{
    MAT_Matrix34 frame;
    MAT_Angle zero;
    frame.SetPositionAngles({_x, _y, _z}, MAT_Angle(_heading), zero, zero);
    return frame;
}

TEST(NodCSTest, FollowsAMovingParentWhileItsOwnTrackStandsStill)
{
    NOD_CS vessel, turret;
    turret.SetParent(&vessel);
    vessel.SetTransform(0.0f, At(0, 0, 0, MAT_PI / 2));
    vessel.SetStateWithVelocity(1.0f, At(10, 0, 0, MAT_PI / 2), {10, 0, 0});
    turret.SetTransform(0.0f, At(0, 2, 0));

    const MAT_Matrix34 before = *turret.GetWorldTransform(0.0f);
    // A quarter turn maps the turret's local +y offset to world -x.
    EXPECT_NEAR(-2.0f, before.t.x, 1e-5f);
    const MAT_Matrix34 later = *turret.GetWorldTransform(0.5f);
    // The vessel is at 3.75 on the cubic from rest to 10 at speed 10; the turret 2 behind.
    EXPECT_NEAR(1.75f, later.t.x, 1e-4f);
    EXPECT_NEAR(1.0f, later.r.GetX().y, 1e-5f);
}

TEST(NodCSTest, CachesTheWorldFrameWithinEpsilon)
{
    NOD_CS body;
    body.SetTransform(0.0f, At(0, 0, 0));
    body.SetStateWithVelocity(1.0f, At(1, 0, 0), {1, 0, 0});
    const f32 x = body.GetWorldTransform(0.5f)->t.x;
    EXPECT_EQ(0.5f, body.GetWorldCacheTime());
    EXPECT_EQ(x, body.GetWorldTransform(0.5f + 5e-8f)->t.x);
    EXPECT_EQ(0.5f, body.GetWorldCacheTime());
    EXPECT_NE(x, body.GetWorldTransform(0.6f)->t.x);
}

TEST(NodCSTest, SettingTheTrackDropsTheCachedWorldFrame)
{
    NOD_CS body;
    body.SetTransform(2.0f, At(0, 0, 0));
    EXPECT_EQ(0.0f, body.GetWorldTransform(2.0f)->t.x);
    // Moved at the time just read: the next read at that time sees the new place.
    body.SetTransform(2.0f, At(5, 0, 0));
    EXPECT_EQ(5.0f, body.GetWorldTransform(2.0f)->t.x);
    body.SetState(2.0f, At(6, 0, 0));
    EXPECT_EQ(6.0f, body.GetWorldTransform(2.0f)->t.x);
    body.SetStateWithVelocity(2.0f, At(7, 0, 0), {1, 0, 0});
    EXPECT_EQ(7.0f, body.GetWorldTransform(2.0f)->t.x);
}

TEST(NodCSTest, SettersPlaceTheAttachedMotionState)
{
    MOT_MotionState state;
    NOD_CS body;
    body.SetAttachedFrame(&state);
    state.SetVelocity({5, 5, 5});
    body.SetTransform(0.0f, At(1, 2, 3, 0.5f));
    EXPECT_EQ(2.0f, state.translation[1].position);
    EXPECT_NEAR(0.5f, state.rotation[MOT_MotionState::HEADING].angle.Get(), 1e-6f);
    EXPECT_EQ(3.0f, state.frame.t.z);

    body.SetState(1.0f, At(4, 2, 3));
    EXPECT_EQ(4.0f, state.translation[0].position);
    EXPECT_EQ(2u, body.GetTrack().GetPositionTrack().GetList().GetCount());

    body.SetStateWithVelocity(2.0f, At(6, 2, 3), {2, 0, -1});
    EXPECT_EQ((MAT_Vector3{2, 0, -1}), state.GetVelocity());
    MAT_Vector3 velocity;
    body.GetTrack().GetAt(2.0f, &velocity);
    EXPECT_EQ((MAT_Vector3{2, 0, -1}), velocity);

    body.SetTransform(3.0f, At(0, 0, 0));
    EXPECT_EQ(1u, body.GetTrack().GetPositionTrack().GetList().GetCount());
}

}  // namespace
