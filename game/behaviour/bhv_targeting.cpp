// The targeting helpers the attack behaviours, the turrets and the torpedoes share.
#include "bhv_targeting.h"

#include <cmath>

f32 BHV_BallisticIntercept(const MAT_Vector3& _shooter, f32 _speed, const MAT_Vector3& _target,
                           const MAT_Vector3& _velocity, MAT_Vector3* _aim)
{
    const f32 speedSquared = _speed * _speed;
    const f32 velocitySquared = _velocity.x * _velocity.x + _velocity.y * _velocity.y + _velocity.z * _velocity.z;
    if (velocitySquared >= speedSquared)
        return -1.0f;
    const MAT_Vector3 d = _target - _shooter;
    // Negative, so the root below is always real and positive.
    const f32 k = 1.0f / (velocitySquared - speedSquared);
    const f32 w = d.Dot(_velocity) * k;
    const f32 t = std::sqrt(w * w * 0.25f - d.Dot(d) * k) - 0.5f * w;
    *_aim = _target + _velocity * t;
    return t;
}
