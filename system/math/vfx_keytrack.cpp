#include "vfx_keytrack.h"

#include <cmath>

#include "mat_round.h"
#include "os_fatal.h"

namespace
{
const char* const s_caption = "MAT_Interpolator_Linear_Scalar::MAT_Interpolator_Linear_Scalar()";
}

VFX_KeyTrack::VFX_KeyTrack(s32 _count) { Allocate(_count); }

VFX_KeyTrack::~VFX_KeyTrack() { Release(); }

VFX_KeyTrack::VFX_KeyTrack(VFX_KeyTrack&& _other) noexcept
    : m_count(_other.m_count), m_keys(_other.m_keys), m_keysPerUnit(_other.m_keysPerUnit), m_start(_other.m_start),
      m_inverseLength(_other.m_inverseLength), m_length(_other.m_length), m_flags(_other.m_flags)
{
    _other.m_keys = nullptr;
    _other.m_count = 0;
}

VFX_KeyTrack& VFX_KeyTrack::operator=(VFX_KeyTrack&& _other) noexcept
{
    if (this != &_other) {
        Release();
        m_count = _other.m_count;
        m_keys = _other.m_keys;
        m_keysPerUnit = _other.m_keysPerUnit;
        m_start = _other.m_start;
        m_inverseLength = _other.m_inverseLength;
        m_length = _other.m_length;
        m_flags = _other.m_flags;
        _other.m_keys = nullptr;
        _other.m_count = 0;
    }
    return *this;
}

void VFX_KeyTrack::Release()
{
    if (m_keys)
        MEM_Free(m_keys);
    m_keys = nullptr;
    m_count = 0;
}

void VFX_KeyTrack::Allocate(s32 _count)
{
    Release();
    if (_count < 1)
        OS_Fatal(s_caption, "minimum 2 scalars are needed for interpolation.");
    // A count whose byte size does not fit the allocator is as refused as a full heap.
    f32* keys = _count <= 0x3FFFFFFF ? (f32*)MEM_Alloc((u32)_count * sizeof(f32)) : nullptr;
    if (!keys)
        OS_Fatal(s_caption, "no more memory to allocate scalar array.");
    for (s32 i = 0; i < _count; ++i)
        keys[i] = 0.0f;
    m_keys = keys;
    m_count = _count;
    m_flags &= ~FLAG_CLAMP;
}

void VFX_KeyTrack::Fill(f32 _value)
{
    for (s32 i = 0; i < m_count; ++i)
        m_keys[i] = _value;
}

void VFX_KeyTrack::SetTiming(f32 _start, f32 _length, u32 _flags)
{
    m_start = _start;
    m_length = _length;
    m_inverseLength = 1.0f / _length;
    m_keysPerUnit = (f32)(m_count - 1) / _length;
    m_flags = _flags;
}

void VFX_KeyTrack::Locate(f32 _t, s32& _index, f32& _fraction) const
{
    f32 u = _t - m_start;
    if (m_flags & FLAG_CLAMP) {
        if (u <= 0.0f) {
            _index = 0;
            _fraction = 0.0f;
            return;
        }
        if (u >= m_length) {
            _index = m_count >= 2 ? m_count - 2 : 0;
            _fraction = 1.0f;
            return;
        }
    } else {
        u -= std::floor(u * m_inverseLength) * m_length;
    }
    const f32 position = u * m_keysPerUnit;
    s32 index = MAT_FloorByRounding(position);
    f32 fraction = position - (f32)index;
    // Rounding in the wrap or in the floor, or a spacing that does not match the count, can
    // land on the last key or before the first: keep to the segment that exists.
    const s32 last = m_count >= 2 ? m_count - 2 : 0;
    if (index > last) {
        index = last;
        fraction = 1.0f;
    } else if (index < 0) {
        index = 0;
        fraction = 0.0f;
    }
    _index = index;
    _fraction = fraction;
}

f32 VFX_KeyTrack::Interpolate(s32 _index, f32 _fraction) const
{
    if (m_count <= 0)
        return 0.0f;
    if (m_count == 1 || _index < 0)
        return m_keys[0];
    if (_index > m_count - 2)
        return m_keys[m_count - 1];
    const f32 a = m_keys[_index];
    return a + (m_keys[_index + 1] - a) * _fraction;
}

f32 VFX_KeyTrack::Evaluate(f32 _t) const
{
    s32 index = 0;
    f32 fraction = 0.0f;
    Locate(_t, index, fraction);
    return Interpolate(index, fraction);
}
