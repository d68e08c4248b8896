// One light ray of the ray system: a textured quad from its upper end down to a point of the
// ground, turning slowly about its own length while it fades in, shines and fades out.
//
// The ray's frame (its motion state's) has its origin at the upper end and its forward (+y)
// axis along the ray towards the ground; the quad lies in the plane of the first two axes.
// A plain record owned by RAY_RaySystem's pool.
#pragma once

#include "mot_motionstate.h"
#include "os_types.h"

struct RAY_Ray
{
    enum : u16
    {
        STATE_SHINING = 0,
        STATE_FADING_IN = 1,
        STATE_FADING_OUT = 2,
    };
    // Translation x, y, z integrated; rotation mode 4 (turns about the ray's own axes).
    static constexpr u32 MOTION_FLAGS = 0x27;

    MOT_MotionState motion;
    f32 birthTime = 0.0f;        // simulation time of the placement
    f32 lifeTime = 0.0f;         // seconds from birth to the start of fading out
    f32 stateTime = 0.0f;        // simulation time at which the current fade began
    f32 previousOpacity = 0.0f;  // after the step before the last
    f32 opacity = 0.0f;          // after the last step, 0 .. MaxOpacity
    f32 width = 0.0f;
    f32 length = 0.0f;
    u16 state = STATE_SHINING;
    u16 active = 0;  // 1 while the ray exists, 0 while it waits to be placed

    RAY_Ray()
    {
        motion.flags = MOTION_FLAGS;
        motion.regime = MOT_MotionState::REGIME_INCREMENTAL;
    }
};
