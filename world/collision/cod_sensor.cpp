#include "cod_sensor.h"

#include <cmath>

#include "cod_emitter.h"
#include "cod_physical.h"
#include "cos_obbs_tree.h"
#include "mat_geometry.h"
#include "mat_matrix.h"
#include "mrt_terrain.h"

namespace
{
// d / |d|, or d itself when it is too short to give a direction.
MAT_Vector3 Direction(const MAT_Vector3& _d)
{
    const f32 lengthSquared = _d.LengthSquared();
    if (lengthSquared <= COD_SENSOR_MIN_LENGTH_SQUARED)
        return _d;
    const f32 length = std::sqrt(lengthSquared);
    return MAT_Vector3(_d.x / length, _d.y / length, _d.z / length);
}

MAT_Vector3 PositionOf(const COD_Emitter& _emitter)
{
    return MAT_Vector3(_emitter.m_position[0], _emitter.m_position[1], _emitter.m_position[2]);
}

COD_Emitter* EmitterAt(const RTI_Pointer* _list, s32 _count, s32 _index)
{
    if (_index < 0 || _index >= _count)
        return nullptr;
    return static_cast<COD_Emitter*>(_list[_index].Get());
}

// A list of _capacity empty references; none for 0 or less.
RTI_Pointer* AllocateList(s32 _capacity) { return _capacity > 0 ? new RTI_Pointer[(size_t)_capacity] : nullptr; }

void Append(RTI_Pointer* _list, s32& _count, s32 _capacity, COD_Emitter* _emitter)
{
    if (_count < _capacity)
        _list[_count++].Set(_emitter);
}

// Unlinks the entries in use, so that a dead list keeps no emitter's reference chain longer.
void Empty(RTI_Pointer* _list, s32& _count)
{
    for (s32 i = 0; i < _count; ++i)
        _list[i].Unlink();
    _count = 0;
}

// Moves the last entry into the gap; the caller examines the moved entry next.
void RemoveAt(RTI_Pointer* _list, s32& _count, s32 _index)
{
    --_count;
    _list[_index] = _list[_count];
    _list[_count].Unlink();
}
}  // namespace

COD_Sensor::~COD_Sensor()
{
    delete[] m_seen;
    delete[] m_heard;
    delete[] m_present;
    delete[] m_blocking;
    delete[] m_filter;
}

MAT_Vector3 COD_Sensor::GetPosition() const { return m_transform != nullptr ? m_transform->t : MAT_Vector3(); }

COD_Emitter* COD_Sensor::GetSeen(s32 _index) const { return EmitterAt(m_seen, m_seenCount, _index); }

COD_Emitter* COD_Sensor::GetHeard(s32 _index) const { return EmitterAt(m_heard, m_heardCount, _index); }

COD_Emitter* COD_Sensor::GetPresent(s32 _index) const { return EmitterAt(m_present, m_presentCount, _index); }

COD_Emitter* COD_Sensor::GetBlocking(s32 _index) const { return EmitterAt(m_blocking, m_blockingCount, _index); }

bool COD_Sensor::NamePasses(const COD_Emitter& _emitter) const
{
    if ((m_flags & COD_SENSOR_NAME_FILTER) == 0)
        return true;
    for (s32 i = 0; i < m_filterCount; ++i) {
        if (_emitter.m_name.HasProperPrefix(m_filter[i]))
            return true;
    }
    return false;
}

s32 COD_Sensor::SectorTest(const MAT_Vector3& _d) const
{
    const MAT_Vector3 up = m_transform->r.GetZ();
    const MAT_Vector3 u = Direction(_d);
    const f32 elevation = u.Dot(up);
    if (elevation < m_minElevation || elevation > m_maxElevation)
        return 0;
    const MAT_Vector3 horizontal = Direction(u - up * elevation);
    return horizontal.Dot(m_transform->r.GetY()) >= m_coneCosine ? 1 : 0;
}

bool COD_Sensor::AnglePasses(const MAT_Vector3& _d, bool _inclusive) const
{
    if ((m_flags & COD_SENSOR_SECTOR) != 0)
        return SectorTest(_d) != 0;
    const MAT_Vector3 forward = m_orientationFlag != 0 ? m_orientation : m_transform->r.GetY();
    const f32 cosine = Direction(_d).Dot(forward);
    return _inclusive ? cosine >= m_coneCosine : cosine > m_coneCosine;
}

s32 COD_Sensor::TerrainBlocks(const MAT_Vector3& _from, const MAT_Vector3& _to) const
{
    // Until the terrain node has loaded its terrain there is no ground to hide behind.
    if (m_terrainCell == nullptr || m_terrainCell->terrain == nullptr)
        return 0;
    f32 fraction = 0.0f;
    MAT_Triangle triangle;
    return m_terrainCell->terrain->IntersectSegment(_from, _to, fraction, triangle);
}

s32 COD_Sensor::BlockerHides(const MAT_Vector3& _from, const COD_Emitter* _emitter) const
{
    MAT_Segment segment;
    segment.Set(_from, PositionOf(*_emitter));
    for (s32 i = 0; i < m_blockingCount; ++i) {
        const COD_Emitter* blocker = static_cast<const COD_Emitter*>(m_blocking[i].Get());
        // A blocker never hides itself; one without a tree or a place blocks nothing.
        if (blocker == nullptr || blocker == _emitter || blocker->m_tree == nullptr || blocker->m_transform == nullptr)
            continue;
        if (blocker->m_tree->TestSegment(segment, *blocker->m_transform, COD_Physical::GetCounters()))
            return 1;
    }
    return 0;
}

void COD_Sensor::NoteEmitter(COD_Emitter* _emitter)
{
    if (_emitter == nullptr || m_transform == nullptr)
        return;
    if ((m_flags & COD_SENSOR_SEEING) != 0 && (m_flags & COD_SENSOR_OCCLUSION) != 0 && _emitter->IsBlocking())
        Append(m_blocking, m_blockingCount, m_blockingCapacity, _emitter);
    if ((m_flags & COD_SENSOR_ACTIVE) == 0 || !NamePasses(*_emitter))
        return;

    const MAT_Vector3 d = PositionOf(*_emitter) - m_transform->t;
    const f32 distanceSquared = d.LengthSquared();
    if ((m_flags & COD_SENSOR_SEEING) != 0 && _emitter->IsVisible() &&
        distanceSquared <= m_seeingRange * m_seeingRange && AnglePasses(d, true))
        Append(m_seen, m_seenCount, m_seenCapacity, _emitter);
    if ((m_flags & COD_SENSOR_HEARING) != 0 && distanceSquared <= m_hearingRange * m_hearingRange &&
        _emitter->m_soundLevel >= m_minSoundLevel)
        Append(m_heard, m_heardCount, m_heardCapacity, _emitter);
    if ((m_flags & COD_SENSOR_PRESENCE) != 0 && _emitter->IsPresent() &&
        distanceSquared <= m_presenceRange * m_presenceRange)
        Append(m_present, m_presentCount, m_presentCapacity, _emitter);
}

void COD_Sensor::CheckTerrainOcclusion()
{
    if ((m_flags & COD_SENSOR_SEEING) == 0 || (m_flags & COD_SENSOR_OCCLUSION) == 0 || m_transform == nullptr)
        return;
    const MAT_Vector3 from = m_transform->t;
    s32 i = 0;
    while (i < m_seenCount) {
        const COD_Emitter* emitter = static_cast<const COD_Emitter*>(m_seen[i].Get());
        if (emitter != nullptr && TerrainBlocks(from, PositionOf(*emitter)))
            RemoveAt(m_seen, m_seenCount, i);
        else
            ++i;
    }
}

void COD_Sensor::CheckVisibility()
{
    m_flags |= COD_SENSOR_VISIBILITY_TESTED;
    if ((m_flags & COD_SENSOR_SEEING) == 0 || (m_flags & COD_SENSOR_OCCLUSION) == 0 || m_transform == nullptr)
        return;
    const MAT_Vector3 from = m_transform->t;
    s32 i = 0;
    while (i < m_seenCount) {
        const COD_Emitter* emitter = static_cast<const COD_Emitter*>(m_seen[i].Get());
        if (emitter != nullptr && BlockerHides(from, emitter))
            RemoveAt(m_seen, m_seenCount, i);
        else
            ++i;
    }
}

void COD_Sensor::ClearResults()
{
    Empty(m_seen, m_seenCount);
    Empty(m_heard, m_heardCount);
    Empty(m_present, m_presentCount);
    Empty(m_blocking, m_blockingCount);
}

void COD_Sensor::Sense(COD_Emitter* _emitter, s32& _seen, s32& _heard, s32& _present)
{
    _seen = 0;
    _heard = 0;
    _present = 0;
    if (_emitter == nullptr || m_transform == nullptr || !NamePasses(*_emitter))
        return;

    const MAT_Vector3 from = m_transform->t;
    const MAT_Vector3 d = PositionOf(*_emitter) - from;
    const f32 distanceSquared = d.LengthSquared();
    const bool present = (m_flags & COD_SENSOR_PRESENCE) != 0 && _emitter->IsPresent() &&
                         distanceSquared < m_presenceRange * m_presenceRange;
    const bool heard = (m_flags & COD_SENSOR_HEARING) != 0 && distanceSquared < m_hearingRange * m_hearingRange &&
                       _emitter->m_soundLevel >= m_minSoundLevel;
    bool seen = (m_flags & COD_SENSOR_SEEING) != 0 && _emitter->IsVisible() &&
                distanceSquared < m_seeingRange * m_seeingRange && AnglePasses(d, false);
    // The blockers are those of the last sensing pass.
    if (seen && (m_flags & COD_SENSOR_OCCLUSION) != 0)
        seen = !TerrainBlocks(from, PositionOf(*_emitter)) && !BlockerHides(from, _emitter);
    _seen = seen ? 1 : 0;
    _heard = heard ? 1 : 0;
    _present = present ? 1 : 0;
}

void COD_Sensor::GetRangeBox(f32 _box[6]) const
{
    f32 r = 1.0f;
    if ((m_flags & COD_SENSOR_SEEING) != 0 && m_seeingRange > r)
        r = m_seeingRange;
    if ((m_flags & COD_SENSOR_HEARING) != 0 && m_hearingRange > r)
        r = m_hearingRange;
    if ((m_flags & COD_SENSOR_PRESENCE) != 0 && m_presenceRange > r)
        r = m_presenceRange;
    for (s32 axis = 0; axis < 3; ++axis) {
        _box[axis] = -r;
        _box[axis + 3] = r;
    }
}

void COD_Sensor::SetCapacities(s32 _blocking, s32 _heard, s32 _present, s32 _seen)
{
    delete[] m_blocking;
    delete[] m_heard;
    delete[] m_present;
    delete[] m_seen;
    m_blockingCapacity = _blocking > 0 ? _blocking : 0;
    m_heardCapacity = _heard > 0 ? _heard : 0;
    m_presentCapacity = _present > 0 ? _present : 0;
    m_seenCapacity = _seen > 0 ? _seen : 0;
    m_blocking = AllocateList(m_blockingCapacity);
    m_heard = AllocateList(m_heardCapacity);
    m_present = AllocateList(m_presentCapacity);
    m_seen = AllocateList(m_seenCapacity);
    m_blockingCount = 0;
    m_heardCount = 0;
    m_presentCount = 0;
    m_seenCount = 0;
}

void COD_Sensor::SetOrientationDegrees(f32 _heading, f32 _pitch, f32 _roll)
{
    const f32 toRadians = 3.1415927f / 180.0f;
    const MAT_Angle heading(MAT_WrapAngle(_heading * toRadians));
    const MAT_Angle pitch(MAT_WrapAngle(_pitch * toRadians));
    const MAT_Angle roll(MAT_WrapAngle(_roll * toRadians));
    MAT_Matrix33 rotation;
    rotation.FromAngles(heading, pitch, roll);
    m_orientation = rotation.GetY();
    m_orientationFlag = 1;
}

void COD_Sensor::SetNameFilter(const SIM_Name* _names, s32 _count)
{
    delete[] m_filter;
    m_filter = nullptr;
    m_filterCount = _count > 0 ? _count : 0;
    if (m_filterCount == 0)
        return;
    m_filter = new SIM_Name[(size_t)m_filterCount];
    for (s32 i = 0; i < m_filterCount; ++i)
        m_filter[i] = _names[i];
}

void COD_Sensor::Clone(const COD_Sensor& _source)
{
    if (&_source == this)
        return;
    m_type = _source.m_type;
    m_transform = _source.m_transform;
    m_seeingRange = _source.m_seeingRange;
    m_hearingRange = _source.m_hearingRange;
    m_presenceRange = _source.m_presenceRange;
    m_minSoundLevel = _source.m_minSoundLevel;
    m_coneCosine = _source.m_coneCosine;
    m_minElevation = _source.m_minElevation;
    m_maxElevation = _source.m_maxElevation;
    m_flags = _source.m_flags;
    SetCapacities(_source.m_blockingCapacity, _source.m_heardCapacity, _source.m_presentCapacity,
                  _source.m_seenCapacity);
    SetNameFilter(_source.m_filter, _source.m_filterCount);
    m_orientationFlag = _source.m_orientationFlag;
    m_orientation = _source.m_orientation;
    m_terrainCell = _source.m_terrainCell;
}
