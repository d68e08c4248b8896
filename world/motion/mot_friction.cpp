// Damping of translation along body or world axes and of the three rotation rates.
#include "mot_friction.h"

namespace
{

// A coefficient above 1 acts as 1: more would reverse the motion instead of stopping it.
f32 Rate(f32 _coefficient, const SIM_Clock& _clock) { return (_coefficient < 1.0f ? _coefficient : 1.0f) / _clock.dt; }

}  // namespace

void MOT_Friction::Apply(const SIM_Clock& _clock, MOT_MotionState& _state) const
{
    const u32 worldBits[3] = {WORLD_X, WORLD_Y, WORLD_Z};
    const u32 bodyBits[3] = {BODY_X, BODY_Y, BODY_Z};
    if (flags & (BODY_X | BODY_Y | BODY_Z | WORLD_X | WORLD_Y | WORLD_Z)) {
        const MAT_Vector3 velocity = _state.GetVelocity();
        for (s32 i = 0; i < 3; ++i) {
            if (flags & worldBits[i]) {
                MOT_TranslationAxis& axis = _state.translation[i];
                axis.acceleration -= Rate(c[3 + i], _clock) * axis.velocity;
            } else if (flags & bodyBits[i]) {
                const MAT_Vector3 axis = _state.frame.r.GetAxis(i);
                const f32 s = Rate(c[i], _clock) * velocity.Dot(axis);
                _state.translation[0].acceleration -= s * axis.x;
                _state.translation[1].acceleration -= s * axis.y;
                _state.translation[2].acceleration -= s * axis.z;
            }
        }
    }
    if (flags & HEADING) {
        MOT_RotationAxis& axis = _state.rotation[MOT_MotionState::HEADING];
        axis.acceleration -= Rate(c[6], _clock) * axis.rate;
    }
    if (flags & PITCH) {
        MOT_RotationAxis& axis = _state.rotation[MOT_MotionState::PITCH];
        axis.acceleration -= Rate(c[7], _clock) * axis.rate;
    }
    if (flags & ROLL) {
        MOT_RotationAxis& axis = _state.rotation[MOT_MotionState::ROLL];
        axis.acceleration -= Rate(c[8], _clock) * axis.rate;
    }
}

void MOT_Friction::ApplyOnFreeAxes(const SIM_Clock& _clock, MOT_MotionState& _state,
                                   std::initializer_list<u32> _drivenMasks)
{
    u32 driven = 0;
    for (u32 mask : _drivenMasks)
        driven |= mask;
    const u32 saved = flags;
    flags = saved & ~driven;
    Apply(_clock, _state);
    flags = saved;
}
