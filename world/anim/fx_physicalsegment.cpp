// The trailing, stretching bone.
#include "fx_physicalsegment.h"

#include <cmath>

FX_PhysicalSegment::FX_PhysicalSegment()
{
    local.r.SetDiagonal(1.0f);
    orientationSmoother.tau = 1.0f;
    lengthSmoother.tau = 1.0f;
}

void FX_PhysicalSegment::Follow()
{
    if (output == nullptr)
        return;
    *output = parent != nullptr ? parent->Compose(local) : local;
}

void FX_PhysicalSegment::SetParent(const MAT_Matrix34* _parent)
{
    parent = _parent;
    Follow();
}

void FX_PhysicalSegment::Update(const SIM_Clock& _clock)
{
    if (output == nullptr)
        return;
    if (active == 0) {
        Follow();
        return;
    }
    MAT_Matrix34& o = *output;
    const MAT_Vector3 tip = o.t + o.r.GetZ() * restLength;
    o.t = parent != nullptr ? parent->TransformPoint(local.t) : local.t;

    // Point axis 3 at where the tip was, the other two square to it.
    const MAT_Vector3 d = tip - o.t;
    MAT_Vector3 axis3 = d;
    axis3.Normalize();
    MAT_Vector3 axis1 = o.r.GetY().Cross(axis3);
    axis1.Normalize();
    const MAT_Vector3 axis2 = axis3.Cross(axis1);
    o.r.SetAxis(0, axis1);
    o.r.SetAxis(1, axis2);
    o.r.SetAxis(2, axis3);

    const MAT_Matrix33 target = parent != nullptr ? parent->r.Multiply(local.r) : local.r;
    orientationSmoother.SmoothMatrix3(_clock, o.r, target, o.r);
    o.r.Orthonormalize(1);

    f32 length = d.Dot(o.r.GetZ());
    lengthSmoother.Smooth(_clock, length, restLength, &length);
    if (length < minStretch * restLength)
        length = minStretch * restLength;
    else if (length > maxStretch * restLength)
        length = maxStretch * restLength;

    const f32 stretch = length * inverseRestLength;
    const f32 thin = 1.0f / std::sqrt(stretch);
    o.r.SetAxis(0, o.r.GetX() * thin);
    o.r.SetAxis(1, o.r.GetY() * thin);
    o.r.SetAxis(2, o.r.GetZ() * stretch);
}
