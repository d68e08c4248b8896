// The kinematic state of a moving object: three translation axes and three rotation angles,
// each with rate, acceleration and jerk, and the frame that results.
//
// Per simulation step the owner (controllers, friction, contact response) adds accelerations
// and jerks, then Integrate advances one step of the clock with the exact constant-jerk
// formulas and clears them again, so they describe one step only. Positions, velocities,
// angles (always within [-pi, pi)) and rates persist. Fields are public because controllers
// and contact responses write them directly. No allocation, no errors.
#pragma once

#include "mat_matrix.h"
#include "mem_alloc.h"
#include "os_types.h"
#include "sim_clock.h"

struct MOT_TranslationAxis
{
    f32 position = 0.0f;
    f32 velocity = 0.0f;
    f32 acceleration = 0.0f;
    f32 jerk = 0.0f;
};

struct MOT_RotationAxis
{
    MAT_Angle angle;
    f32 rate = 0.0f;
    f32 acceleration = 0.0f;
    f32 jerk = 0.0f;
};

class MOT_MotionState : public MEM_Object
{
public:
    // Flag bits 0..2 integrate the x, y, z translation; bits 3..6 hold the rotation mode.
    enum : u32
    {
        FLAG_X = 0x1,
        FLAG_Y = 0x2,
        FLAG_Z = 0x4,
        MODE_SHIFT = 3,
        MODE_MASK = 15
    };
    // Absolute angles, or turns about the object's own axes (each step's increments).
    enum : u32
    {
        REGIME_ABSOLUTE = 0,
        REGIME_INCREMENTAL = 1
    };
    // Rotation rows: pitch about x, roll about y, heading about the upward z.
    enum : s32
    {
        PITCH = 0,
        ROLL = 1,
        HEADING = 2
    };

    u32 flags = 0;
    u32 regime = REGIME_ABSOLUTE;
    MOT_TranslationAxis translation[3];
    MOT_RotationAxis rotation[3];
    MAT_Matrix34 frame;

    // At the origin with identity axes, at rest.
    MOT_MotionState();

    // Stops all motion without moving the object.
    void Reset();
    void SetVelocity(const MAT_Vector3& _velocity);
    MAT_Vector3 GetVelocity() const;
    // Positions and the frame's translation.
    void SetPosition(const MAT_Vector3& _position);
    // The frame, the positions from its translation and the angles from its rotation.
    void SetMatrix(const MAT_Matrix34& _transform);

    // One step of the clock; the second argument is accepted for the callers that pass one
    // and has no effect.
    void Integrate(const SIM_Clock& _clock, s32 _unused = 0);
    // The constant-jerk step of one rotation row, the angle wrapped.
    void IntegrateAngle(const SIM_Clock& _clock, s32 _row);

    u32 GetMode() const { return (flags >> MODE_SHIFT) & MODE_MASK; }
};
