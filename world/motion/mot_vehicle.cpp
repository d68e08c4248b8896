// Ground vehicles: heading on a limiter, pitch and roll swinging towards the ground's slope.
#include "mot_vehicle.h"

#include <cfloat>
#include <cmath>

#include "mot_model_local.h"

void MOT_Vehicle::Parse(DES_Section* _section)
{
    ParseMove(_section);
    ParseTurn(_section);
    Rotation.SetAxis(0, TurnPV, TurnNV, TurnT);
    MOT_ParseSwing(_section, "MOT_Vehicle::Parse()", &SwingT, &SwingA);
    Rotation.SetSwing(1, SwingT, 0.01f, SwingA);
    Rotation.SetSwing(2, SwingT, 0.01f, SwingA);
    MOT_ParseMoveFriction(_section, &Friction);
    MOT_ParseTurnFriction(_section, &Friction);
}

void MOT_Vehicle::ControlStep(const SIM_Clock& _clock)
{
    ApplyFrictionOnFreeAxes(_clock);
    Translation.Step(_clock, State);
    FollowTerrain();
    Rotation.Step(_clock, State);
}

void MOT_Vehicle::GotoPosition(const SIM_Clock&, const MAT_Vector3& _target, f32 _min, f32 _max)
{
    const f32 c = MOT_HeadingCosine(State, _target);
    const f32 w = (c + 1.0f) / 2.0f;
    MOT_AimAt(Rotation, MAT_Vector3(_target.x, _target.y, 0.0f), MOT_HEADING_BIT);
    MOT_DriveAlong(Translation, 1, MOT_BlendSpeed(_min, _max, w) * MovePV);
}

void MOT_Vehicle::GotoPositionReverse(const SIM_Clock& _clock, const MAT_Vector3& _target, f32 _min, f32 _max)
{
    const f32 c = MOT_HeadingCosine(State, _target);
    if (c >= 0.0f) {
        GotoPosition(_clock, _target, _min, _max);
        return;
    }
    const f32 w = (1.0f - c) / 2.0f;
    // The nose towards the target mirrored through the vehicle turns the tail to the target.
    const MAT_Vector3& p = State.frame.t;
    MOT_AimAt(Rotation, MAT_Vector3(2.0f * p.x - _target.x, 2.0f * p.y - _target.y, 2.0f * p.z), MOT_HEADING_BIT);
    MOT_DriveAlong(Translation, 1, MOT_BlendSpeed(_min, _max, w) * MoveNV);
}

void MOT_Vehicle::FacePoint(const MAT_Vector3& _point) { MOT_AimAt(Rotation, _point, MOT_HEADING_BIT); }

void MOT_Vehicle::Stop()
{
    for (u32 axis = 0; axis < 3; ++axis)
        MOT_DriveAlong(Translation, axis, 0.0f);
    // Left to its friction, the heading comes to rest too.
    Rotation.PointTargetMask &= ~(u32)MOT_HEADING_BIT;
    Rotation.AngleTargetMask &= ~(u32)MOT_HEADING_BIT;
    Rotation.RateTargetMask &= ~(u32)MOT_HEADING_BIT;
}

void MOT_Vehicle::FollowTerrain()
{
    const f32 x0 = FollowBox[0], y0 = FollowBox[1], z0 = FollowBox[2];
    const f32 x1 = FollowBox[3], y1 = FollowBox[4];
    // Without ground under every corner, or with a box of no area, there is neither a slope nor
    // a height to take: the vehicle keeps its targets and height for this step.
    if (Terrain == nullptr || !(x1 - x0 > 0.0f) || !(y1 - y0 > 0.0f))
        return;
    const MAT_Vector3 corners[4] = {{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}};
    f32 h[4];
    for (s32 i = 0; i < 4; ++i) {
        const MAT_Vector3 corner = State.frame.TransformPoint(corners[i]);
        h[i] = Terrain->GetHeightAt(corner.x, corner.y);
        if (!(h[i] < FLT_MAX))
            return;
    }

    const f32 minXSide = (h[0] + h[1]) / 2.0f;
    const f32 maxXSide = (h[2] + h[3]) / 2.0f;
    const f32 front = (h[1] + h[2]) / 2.0f;
    const f32 back = (h[0] + h[3]) / 2.0f;
    // The larger of box size and height difference keeps the sine within [-1, 1].
    const f32 width = std::fmax(x1 - x0, std::fabs(minXSide - maxXSide));
    const f32 length = std::fmax(y1 - y0, std::fabs(front - back));
    MOT_SetAngleTarget(Rotation, 2, (f32)std::asin((f64)((minXSide - maxXSide) / width)));
    MOT_SetAngleTarget(Rotation, 1, (f32)std::asin((f64)((front - back) / length)));

    // Bilinear: each corner weighted by the rectangle between the origin and the opposite corner.
    const f32 ground = (h[0] * std::fabs(x1 * y1) + h[1] * std::fabs(x1 * y0) + h[2] * std::fabs(x0 * y0) +
                        h[3] * std::fabs(x0 * y1)) /
                       ((x1 - x0) * (y1 - y0));
    const MAT_Vector3& p = State.frame.t;
    State.SetPosition(MAT_Vector3(p.x, p.y, ground + HeightOffset - z0));
}
