// Parsing and steering pieces shared by the motion models' sources.
#pragma once

#include "des_file.h"
#include "mat_vector.h"
#include "mot_friction.h"
#include "mot_motionstate.h"
#include "os_types.h"
#include "phy_control.h"

// Rotation mask bits of the heading, pitch and roll (also their friction bits).
enum : u32
{
    MOT_HEADING_BIT = 0x8,
    MOT_PITCH_BIT = 0x10,
    MOT_ROLL_BIT = 0x20
};
// Translation mask bits of the world x, y and z axes.
constexpr u32 MOT_WORLD_AXES = 0x1C0;

// Degrees to radians as the descriptions use it.
constexpr f32 MOT_DEGREES = 0.017453292f;

// Limit / time to reach it; a limit of 0 reached in no time is no acceleration at all, while a
// time of 0 alone stays an instant (infinite) one.
f32 MOT_ParseAcceleration(f32 _limit, f32 _time);
// "TurnPV", "TurnNV", "TurnT" into rad/s, negated rad/s and rad/s^2.
void MOT_ParseTurn(DES_Section* _section, f32* _turnPV, f32* _turnNV, f32* _turnT);
// "SwingT" and "SwingA", stopping under the caption _where unless they give finite gains.
void MOT_ParseSwing(DES_Section* _section, const char* _where, f32* _swingT, f32* _swingA);
// "MoveFriction": body-axis bits and coefficients (the world-axis coefficients mirror them).
void MOT_ParseMoveFriction(DES_Section* _section, MOT_Friction* _friction);
// "TurnFriction": heading, pitch and roll bits and coefficients.
void MOT_ParseTurnFriction(DES_Section* _section, MOT_Friction* _friction);

// The cosine of the horizontal angle between the body's forward axis and the direction to the
// target; 1 when either has no horizontal extent (target straight above or below, body
// pointing straight up or down), so the body carries on as if the target lay ahead.
f32 MOT_HeadingCosine(const MOT_MotionState& _state, const MAT_Vector3& _target);
// min + (max - min) x w^2.
inline f32 MOT_BlendSpeed(f32 _min, f32 _max, f32 _weight) { return _min + (_max - _min) * (_weight * _weight); }
// The point becomes the target point of the listed rotation bits.
void MOT_AimAt(PHY_RotationControl& _rotation, const MAT_Vector3& _point, u32 _bits);
// An angle target for rotation axis 0, 1, 2 (heading, pitch, roll).
void MOT_SetAngleTarget(PHY_RotationControl& _rotation, u32 _axis, f32 _angle);
// A velocity target along translation axis 0, 1, 2 of the body.
void MOT_DriveAlong(PHY_TranslationControl& _translation, u32 _axis, f32 _speed);
