// Sample lists and the three kinds of motion track.
#include "mot_track.h"

#include <cmath>

#include "mot_jerksegment.h"

namespace
{

bool IsZeroRate(const MAT_Vector3& _v)
{
    return std::fabs(_v.x) <= MAT_EPSILON && std::fabs(_v.y) <= MAT_EPSILON && std::fabs(_v.z) <= MAT_EPSILON;
}

// The segment that runs on in a straight line from one sample with its rate.
void RunOn(const MOT_StateSample& _sample, MOT_JerkSegment3& _segment)
{
    const f32 zero[3] = {};
    const f32 value[3] = {_sample.value.x, _sample.value.y, _sample.value.z};
    const f32 rate[3] = {_sample.derivative.x, _sample.derivative.y, _sample.derivative.z};
    _segment.FromState(_sample.time, value, rate, zero, zero);
}

bool FitBetween(const MOT_StateSample& _a, const MOT_StateSample& _b, MOT_JerkSegment3& _segment)
{
    const f32 pa[3] = {_a.value.x, _a.value.y, _a.value.z};
    const f32 pb[3] = {_b.value.x, _b.value.y, _b.value.z};
    if (IsZeroRate(_a.derivative) && IsZeroRate(_b.derivative))
        return _segment.FitLinear(_a.time, pa, _b.time, pb);
    const f32 sa[3] = {_a.derivative.x, _a.derivative.y, _a.derivative.z};
    const f32 sb[3] = {_b.derivative.x, _b.derivative.y, _b.derivative.z};
    return _segment.Fit(_a.time, pa, sa, _b.time, pb, sb);
}

bool IsNewAt(f32 _cacheTime, f32 _t) { return std::fabs(_cacheTime - _t) > MAT_EPSILON; }

}  // namespace

MOT_StateSampleList::MOT_StateSampleList()
{
    for (u32 i = 0; i + 1 < CAPACITY; ++i)
        m_pool[i].next = &m_pool[i + 1];
    m_free = &m_pool[0];
}

MOT_StateSample* MOT_StateSampleList::Allocate()
{
    MOT_StateSample* sample = m_free;
    if (sample != nullptr) {
        m_free = sample->next;
        return sample;
    }
    sample = m_oldest;
    m_oldest = sample->next;
    if (m_oldest != nullptr)
        m_oldest->previous = nullptr;
    if (m_newest == sample)
        m_newest = nullptr;
    --m_count;
    return sample;
}

void MOT_StateSampleList::Record(const MOT_StateSample& _sample)
{
    if (m_newest != nullptr && std::fabs(m_newest->time - _sample.time) <= MAT_EPSILON) {
        m_newest->value = _sample.value;
        m_newest->derivative = _sample.derivative;
        m_newest->time = _sample.time;
        return;
    }
    MOT_StateSample* sample = Allocate();
    sample->value = _sample.value;
    sample->derivative = _sample.derivative;
    sample->time = _sample.time;
    sample->next = nullptr;
    sample->previous = m_newest;
    if (m_newest != nullptr)
        m_newest->next = sample;
    else
        m_oldest = sample;
    m_newest = sample;
    ++m_count;
}

void MOT_StateSampleList::Clear()
{
    while (m_oldest != nullptr) {
        MOT_StateSample* sample = m_oldest;
        m_oldest = sample->next;
        sample->previous = nullptr;
        sample->next = m_free;
        m_free = sample;
    }
    m_newest = nullptr;
    m_count = 0;
}

void MOT_StateSampleList::Evaluate(f32 _t, MOT_StateSample& _out) const
{
    _out.time = _t;
    if (m_oldest == nullptr) {
        _out.value = {};
        _out.derivative = {};
        return;
    }
    MOT_JerkSegment3 segment;
    if (_t <= m_oldest->time) {
        RunOn(*m_oldest, segment);
    } else if (_t >= m_newest->time) {
        RunOn(*m_newest, segment);
    } else {
        // A time that fits no pair (not a number) and a pair too close to fit run on from the
        // newest sample rather than reading an unfitted segment.
        const MOT_StateSample* a = m_oldest;
        while (a->next != nullptr && !(a->time <= _t && _t < a->next->time))
            a = a->next;
        if (a->next == nullptr || !FitBetween(*a, *a->next, segment))
            RunOn(*m_newest, segment);
    }
    MOT_JerkState3 state;
    segment.Evaluate(_t, state);
    _out.value = {state.value[0], state.value[1], state.value[2]};
    _out.derivative = {state.velocity[0], state.velocity[1], state.velocity[2]};
}

s32 MOT_StateTrack::EnsureMode()
{
    if (GetMode() == 0)
        SetMode(1);
    return GetMode();
}

void MOT_StateTrack::LeaveMode1()
{
    if (GetMode() == 1)
        SetMode(0);
}

MOT_PositionTrack::MOT_PositionTrack() { m_cache.time = -1.0f; }

const MAT_Vector3* MOT_PositionTrack::GetAt(f32 _t, MAT_Vector3* _derivative)
{
    if (IsNewAt(m_cache.time, _t)) {
        m_list.Evaluate(_t, m_cache);
        m_cache.time = _t;
    }
    if (_derivative != nullptr)
        *_derivative = m_cache.derivative;
    return &m_cache.value;
}

void MOT_PositionTrack::SetState(f32 _t, const MAT_Vector3& _value, const MAT_Vector3& _derivative)
{
    MOT_StateSample sample;
    sample.value = _value;
    sample.derivative = _derivative;
    sample.time = _t;
    m_list.Record(sample);
    m_cache.value = _value;
    m_cache.derivative = _derivative;
    m_cache.time = _t;
}

void MOT_PositionTrack::Restart(f32 _t, const MAT_Vector3& _value, const MAT_Vector3& _derivative)
{
    m_list.Clear();
    SetState(_t, _value, _derivative);
}

const MAT_Matrix33* MOT_OrientationTrack::GetAt(f32 _t)
{
    if (IsNewAt(m_cacheTime, _t)) {
        for (s32 i = 0; i < 3; ++i) {
            MAT_Vector3 rate;
            m_orientation.SetAxis(i, *m_axes[i].GetAt(_t, &rate));
            m_rates.SetAxis(i, rate);
        }
        m_cacheTime = _t;
    }
    return &m_orientation;
}

void MOT_OrientationTrack::SetCache(f32 _t, const MAT_Matrix33& _axes, const MAT_Matrix33& _rates)
{
    m_cacheTime = _t;
    m_orientation = _axes;
    m_rates = _rates;
}

void MOT_OrientationTrack::SetState(f32 _t, const MAT_Matrix33& _axes, const MAT_Matrix33& _rates)
{
    for (s32 i = 0; i < 3; ++i)
        m_axes[i].SetState(_t, _axes.GetAxis(i), _rates.GetAxis(i));
    SetCache(_t, _axes, _rates);
}

void MOT_OrientationTrack::Restart(f32 _t, const MAT_Matrix33& _axes, const MAT_Matrix33& _rates)
{
    for (s32 i = 0; i < 3; ++i)
        m_axes[i].Restart(_t, _axes.GetAxis(i), _rates.GetAxis(i));
    SetCache(_t, _axes, _rates);
}

void MOT_OrientationTrack::SetMode(s32 _mode)
{
    MOT_StateTrack::SetMode(_mode);
    for (MOT_PositionTrack& axis : m_axes)
        axis.SetMode(_mode);
}

void MOT_OrientationTrack::SetParameter(const f32* _parameter)
{
    MOT_StateTrack::SetParameter(_parameter);
    for (MOT_PositionTrack& axis : m_axes)
        axis.SetParameter(_parameter);
}

const MAT_Matrix34* MOT_TransformTrack::GetAt(f32 _t, MAT_Vector3* _velocity)
{
    if (m_cacheTime != _t) {
        m_cacheTime = _t;
        m_frame.t = *m_position.GetAt(_t, &m_velocity);
        m_frame.r = *m_orientation.GetAt(_t);
        m_frame.r.Orthonormalize(1);
    }
    if (_velocity != nullptr)
        *_velocity = m_velocity;
    return &m_frame;
}

void MOT_TransformTrack::SetCache(f32 _t, const MAT_Matrix34& _frame, const MAT_Vector3& _velocity)
{
    m_cacheTime = _t;
    m_frame = _frame;
    m_velocity = _velocity;
}

void MOT_TransformTrack::SetState(f32 _t, const MAT_Matrix34& _frame, const MAT_Vector3& _velocity, u32 /*_flag*/)
{
    SetChanged(1);
    m_orientation.SetState(_t, _frame.r, MAT_Matrix33());
    m_position.SetState(_t, _frame.t, _velocity);
    SetCache(_t, _frame, _velocity);
}

void MOT_TransformTrack::SetTransform(f32 _t, const MAT_Matrix34& _frame, const MAT_Vector3& _velocity)
{
    SetChanged(1);
    m_orientation.Restart(_t, _frame.r, MAT_Matrix33());
    m_position.Restart(_t, _frame.t, _velocity);
    SetCache(_t, _frame, _velocity);
}

void MOT_TransformTrack::SetMode(s32 _mode)
{
    MOT_StateTrack::SetMode(_mode);
    m_position.SetMode(_mode);
    m_orientation.SetMode(_mode);
}

void MOT_TransformTrack::SetParameter(const f32* _parameter)
{
    MOT_StateTrack::SetParameter(_parameter);
    m_position.SetParameter(_parameter);
    m_orientation.SetParameter(_parameter != nullptr ? _parameter + POSITION_PARAMETER_COUNT : nullptr);
}

u32 MOT_StateTrack::IsChanged(const RPL_ObjectRecord&, void*) { return m_changed; }

namespace
{

constexpr s32 SAMPLE_FLOATS = 16;  // time, translation, three axes, velocity

}  // namespace

void MOT_TransformTrack::Write(IO_OutputStream& _stream, void*)
{
    SetChanged(0);
    f32 sample[SAMPLE_FLOATS] = {-1.0f};
    const MOT_StateSample* position = m_position.GetList().GetNewest();
    if (position != nullptr) {
        sample[0] = position->time;
        sample[1] = position->value.x;
        sample[2] = position->value.y;
        sample[3] = position->value.z;
        for (s32 axis = 0; axis < 3; ++axis) {
            const MOT_StateSample* newest = m_orientation.GetAxisTrack(axis).GetList().GetNewest();
            const MAT_Vector3 value = newest != nullptr ? newest->value : MAT_Vector3();
            sample[4 + axis * 3] = value.x;
            sample[5 + axis * 3] = value.y;
            sample[6 + axis * 3] = value.z;
        }
        sample[13] = position->derivative.x;
        sample[14] = position->derivative.y;
        sample[15] = position->derivative.z;
    }
    _stream.WriteF32Array(sample, SAMPLE_FLOATS, 0);
}

void MOT_TransformTrack::Read(IO_InputStream& _stream, s32, s32)
{
    f32 sample[SAMPLE_FLOATS] = {};
    _stream.ReadF32Array(sample, SAMPLE_FLOATS, 0);
    if (_stream.IsEOF() != 0 || _stream.HasError() != 0)
        return;
    for (f32 value : sample) {
        if (!std::isfinite(value))
            return;
    }
    const MOT_StateSample* newest = m_position.GetList().GetNewest();
    if (newest != nullptr && !(sample[0] > newest->time))
        return;
    MAT_Matrix34 frame;
    frame.t = {sample[1], sample[2], sample[3]};
    for (s32 axis = 0; axis < 3; ++axis)
        frame.r.SetAxis(axis, {sample[4 + axis * 3], sample[5 + axis * 3], sample[6 + axis * 3]});
    SetState(sample[0], frame, {sample[13], sample[14], sample[15]});
}
