// Constant-jerk integration and the fifteen rotation modes.
#include "mot_motionstate.h"

namespace
{

enum : u8
{
    P = 1 << MOT_MotionState::PITCH,
    R = 1 << MOT_MotionState::ROLL,
    H = 1 << MOT_MotionState::HEADING
};

enum Builder : u8
{
    BUILD_ZXY,
    BUILD_YXZ,
    BUILD_IDENTITY
};

struct ModeRow
{
    u8 integrated;    // rows integrated, always in the order pitch, roll, heading
    Builder builder;  // absolute regime
    u8 turnCount;     // incremental regime: own-axis turns in order
    s8 turns[3];
};

constexpr s8 TP = MOT_MotionState::PITCH, TR = MOT_MotionState::ROLL, TH = MOT_MotionState::HEADING;

// Indexed by mode - 1.
constexpr ModeRow MODES[15] = {
    {H, BUILD_ZXY, 1, {TH}},
    {P | H, BUILD_ZXY, 2, {TH, TP}},
    {R | H, BUILD_ZXY, 2, {TH, TR}},
    {P | R | H, BUILD_ZXY, 3, {TH, TP, TR}},
    {P | R | H, BUILD_YXZ, 3, {TH, TR, TP}},
    {P, BUILD_ZXY, 1, {TP}},
    {P | H, BUILD_YXZ, 2, {TP, TH}},
    {P | R, BUILD_ZXY, 2, {TP, TR}},
    {P | R | H, BUILD_YXZ, 3, {TP, TH, TR}},
    {P | R | H, BUILD_YXZ, 3, {TP, TR, TH}},
    {R, BUILD_ZXY, 1, {TR}},
    {R | H, BUILD_YXZ, 2, {TR, TH}},
    {P | R, BUILD_YXZ, 2, {TR, TP}},
    {P | R | H, BUILD_IDENTITY, 3, {TR, TH, TP}},
    {P | R | H, BUILD_YXZ, 3, {TR, TP, TH}},
};

void IntegrateListed(MOT_MotionState& _state, const SIM_Clock& _clock, u8 _integrated)
{
    for (s32 row = 0; row < 3; ++row)
        if (_integrated & (1u << row))
            _state.IntegrateAngle(_clock, row);
}

}  // namespace

MOT_MotionState::MOT_MotionState()
{
    frame.r.SetDiagonal(1.0f);
    SetMatrix(frame);
    Reset();
}

void MOT_MotionState::Reset()
{
    for (MOT_TranslationAxis& axis : translation)
        axis.velocity = axis.acceleration = axis.jerk = 0.0f;
    for (MOT_RotationAxis& axis : rotation)
        axis.rate = axis.acceleration = axis.jerk = 0.0f;
}

void MOT_MotionState::SetVelocity(const MAT_Vector3& _velocity)
{
    translation[0].velocity = _velocity.x;
    translation[1].velocity = _velocity.y;
    translation[2].velocity = _velocity.z;
}

MAT_Vector3 MOT_MotionState::GetVelocity() const
{
    return {translation[0].velocity, translation[1].velocity, translation[2].velocity};
}

void MOT_MotionState::SetPosition(const MAT_Vector3& _position)
{
    translation[0].position = _position.x;
    translation[1].position = _position.y;
    translation[2].position = _position.z;
    frame.t = _position;
}

void MOT_MotionState::SetMatrix(const MAT_Matrix34& _transform)
{
    frame = _transform;
    translation[0].position = _transform.t.x;
    translation[1].position = _transform.t.y;
    translation[2].position = _transform.t.z;
    _transform.r.GetAngles(rotation[HEADING].angle, rotation[PITCH].angle, rotation[ROLL].angle);
}

void MOT_MotionState::IntegrateAngle(const SIM_Clock& _clock, s32 _row)
{
    MOT_RotationAxis& axis = rotation[_row];
    const f32 angle = axis.angle.Get() + (axis.rate * _clock.dt + axis.acceleration * _clock.dtSquaredOverTwo +
                                          axis.jerk * _clock.dtCubedOverSix);
    axis.rate = axis.rate + (axis.acceleration * _clock.dt + axis.jerk * _clock.dtSquaredOverTwo);
    axis.acceleration = axis.acceleration + axis.jerk * _clock.dt;
    axis.angle = angle;
}

void MOT_MotionState::Integrate(const SIM_Clock& _clock, s32 /*_unused*/)
{
    f32* frameTranslation[3] = {&frame.t.x, &frame.t.y, &frame.t.z};
    for (s32 i = 0; i < 3; ++i) {
        if (!(flags & (1u << i)))
            continue;
        MOT_TranslationAxis& axis = translation[i];
        axis.position = axis.position + (axis.velocity * _clock.dt + axis.acceleration * _clock.dtSquaredOverTwo +
                                         axis.jerk * _clock.dtCubedOverSix);
        axis.velocity = axis.velocity + (axis.acceleration * _clock.dt + axis.jerk * _clock.dtSquaredOverTwo);
        axis.acceleration = axis.acceleration + axis.jerk * _clock.dt;
        *frameTranslation[i] = axis.position;
    }

    const u32 mode = GetMode();
    if (mode != 0) {
        const ModeRow& row = MODES[mode - 1];
        if (regime == REGIME_ABSOLUTE) {
            IntegrateListed(*this, _clock, row.integrated);
            const MAT_Angle& h = rotation[HEADING].angle;
            const MAT_Angle& p = rotation[PITCH].angle;
            const MAT_Angle& r = rotation[ROLL].angle;
            if (row.builder == BUILD_ZXY)
                frame.r.FromAngles(h, p, r);
            else if (row.builder == BUILD_YXZ)
                frame.r.FromAnglesFull(h, p, r);
            else
                frame.r.SetDiagonal(1.0f);
        } else {
            f32 remembered[3];
            for (s32 i = 0; i < 3; ++i) {
                remembered[i] = rotation[i].angle.Get();
                rotation[i].angle = MAT_Angle();
            }
            IntegrateListed(*this, _clock, row.integrated);
            for (s32 k = 0; k < row.turnCount; ++k) {
                const s32 turn = row.turns[k];
                if (turn == PITCH)
                    frame.r.RotateX(rotation[PITCH].angle);
                else if (turn == ROLL)
                    frame.r.RotateY(rotation[ROLL].angle);
                else
                    frame.r.RotateZ(rotation[HEADING].angle);
            }
            for (s32 i = 0; i < 3; ++i)
                rotation[i].angle = remembered[i] + rotation[i].angle.Get();
        }
    }

    for (MOT_TranslationAxis& axis : translation)
        axis.acceleration = axis.jerk = 0.0f;
    for (MOT_RotationAxis& axis : rotation)
        axis.acceleration = axis.jerk = 0.0f;
}
