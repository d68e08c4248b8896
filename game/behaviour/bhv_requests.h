// The control requests the movement behaviours make of their owner's motion model: they only
// switch the controllers' masks and write targets, which the owner's next control step acts on.
//
// Translation masks select the body axes (bits 0-2) or the world axes (bits 6-8), never both
// at once (the body axes win); rotation masks select heading, pitch and roll (bits 3-5).
// Nothing allocates; the model is the owner's.
#pragma once

#include "mat_vector.h"
#include "os_types.h"

class COD_ActiveAvoid;
class MOT_Model;
class NOD_Body;

// Every request off (position and speed control, point facing, angle and rate control): the
// body keeps only its momentum.
void BHV_ClearRequests(MOT_Model& _model);
// Speed control with target 0 on the three body axes, in place of any position control.
void BHV_BrakeLinear(MOT_Model& _model);
// BHV_BrakeLinear, and rate control with target 0 on the three rotation axes in place of any
// facing or angle control.
void BHV_Brake(MOT_Model& _model);
// Heading and pitch turned towards a world point.
void BHV_FacePoint(MOT_Model& _model, const MAT_Vector3& _point);
// Angle control of all three rotation axes: the current heading, pitch and roll 0.
void BHV_HoldAttitude(MOT_Model& _model);
// Speed control of the world's vertical axis alone, at _speed (units per second, up positive).
void BHV_SetVerticalSpeed(MOT_Model& _model, f32 _speed);
// Requests cleared and the motion state placed at _body's world transform at the simulation
// time (its rates kept), so steering starts from where the body is.
void BHV_ResetToBody(MOT_Model& _model, NOD_Body* _body);

// The horizontal distance from the motion state's position to _point, and its horizontal speed.
f32 BHV_HorizontalDistance(const MOT_Model& _model, const MAT_Vector3& _point);
f32 BHV_HorizontalSpeed(const MOT_Model& _model);
// Where to steer for _goal: the avoider's corrected goal while it reports an obstacle, else the
// goal itself (also without an avoider).
MAT_Vector3 BHV_SteeringPoint(const COD_ActiveAvoid* _avoider, const MAT_Vector3& _goal);
// The avoidance goal of a ground vehicle: _goal's x and y at the height the body itself will
// have one step later, so that the ground between them is no obstacle.
MAT_Vector3 BHV_GroundGoal(NOD_Body* _body, const MAT_Vector3& _goal);
