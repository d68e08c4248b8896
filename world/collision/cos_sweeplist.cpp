#include "cos_sweeplist.h"

namespace
{
constexpr s32 COS_STACK_KEYS = 512;
}

COS_SweepList::COS_SweepList(s32 _axes, s32 _capacity, s32 _nodeCapacity)
{
    m_axes = _axes < 1 ? 1 : (_axes > 3 ? 3 : _axes);
    const s32 capacity = _capacity < 1 ? 1 : _capacity;
    m_pairs = new COS_PairSet(capacity, _nodeCapacity);
    ReserveEntries(capacity);
}

COS_SweepList::~COS_SweepList()
{
    delete m_pairs;
    MEM_Free(m_entries);
    MEM_Free(m_freeIds);
}

bool COS_SweepList::IsInUse(s32 _id) const
{
    return _id >= 0 && _id < m_capacity && (m_entries[_id].flags & COS_SWEEP_IN_USE) != 0;
}

const COS_SweepPoint& COS_SweepList::GetPoint(s32 _point) const
{
    const COS_SweepEntry& entry = m_entries[_point >> 1];
    return IsStart(_point) ? entry.start : entry.end;
}

COS_SweepPoint& COS_SweepList::Point(s32 _point)
{
    COS_SweepEntry& entry = m_entries[_point >> 1];
    return IsStart(_point) ? entry.start : entry.end;
}

bool COS_SweepList::Filter(s32 _a, s32 _b) const
{
    const COS_LIST_BoxAttributes& a = m_entries[_a].attributes;
    const COS_LIST_BoxAttributes& b = m_entries[_b].attributes;
    return a.userValue != b.userValue && ((a.collideMask & b.typeBit) | (b.collideMask & a.typeBit)) != 0;
}

bool COS_SweepList::Overlaps(s32 _id, const f32 _box[6]) const
{
    const COS_SweepEntry& entry = m_entries[_id];
    for (s32 axis = 0; axis < m_axes; ++axis) {
        if (!(entry.start.coord[axis] <= _box[3 + axis] && _box[axis] <= entry.end.coord[axis]))
            return false;
    }
    return true;
}

s32 COS_SweepList::PopFreeId()
{
    const s32 id = m_freeIds[m_freeRead];
    m_freeRead = m_freeRead == m_capacity ? 0 : m_freeRead + 1;
    --m_freeCount;
    return id;
}

void COS_SweepList::PushFreeId(s32 _id)
{
    m_freeIds[m_freeWrite] = _id;
    m_freeWrite = m_freeWrite == m_capacity ? 0 : m_freeWrite + 1;
    ++m_freeCount;
}

void COS_SweepList::ReserveEntries(s32 _capacity)
{
    if (_capacity <= m_capacity)
        return;
    COS_SweepEntry* entries = (COS_SweepEntry*)MEM_AllocOrDie((u32)_capacity * (u32)sizeof(COS_SweepEntry),
                                                              "COS_SweepList::ReserveEntries()");
    for (s32 i = 0; i < _capacity; ++i)
        entries[i] = i < m_capacity ? m_entries[i] : COS_SweepEntry();
    s32* freeIds = (s32*)MEM_AllocOrDie((u32)(_capacity + 1) * (u32)sizeof(s32), "COS_SweepList::ReserveEntries()");
    s32 count = 0;
    while (m_freeCount > 0)
        freeIds[count++] = PopFreeId();
    for (s32 id = m_capacity; id < _capacity; ++id)
        freeIds[count++] = id;
    MEM_Free(m_entries);
    MEM_Free(m_freeIds);
    m_entries = entries;
    m_freeIds = freeIds;
    m_capacity = _capacity;
    m_freeRead = 0;
    m_freeWrite = count == _capacity + 1 ? 0 : count;
    m_freeCount = count;
    // Every live id must have a bucket, also one that never paired: the pair walks index
    // the buckets by entry id.
    m_pairs->ReserveBuckets(_capacity);
}

void COS_SweepList::Unlink(s32 _point, s32 _axis)
{
    COS_SweepPoint& point = Point(_point);
    const s32 prev = point.prev[_axis];
    const s32 next = point.next[_axis];
    if (prev == -1)
        m_heads[_axis] = next;
    else
        Point(prev).next[_axis] = next;
    if (next != -1)
        Point(next).prev[_axis] = prev;
    point.prev[_axis] = -1;
    point.next[_axis] = -1;
}

void COS_SweepList::LinkAfter(s32 _point, s32 _after, s32 _axis)
{
    COS_SweepPoint& point = Point(_point);
    const s32 next = _after == -1 ? m_heads[_axis] : Point(_after).next[_axis];
    point.prev[_axis] = _after;
    point.next[_axis] = next;
    if (_after == -1)
        m_heads[_axis] = _point;
    else
        Point(_after).next[_axis] = _point;
    if (next != -1)
        Point(next).prev[_axis] = _point;
}

s32 COS_SweepList::TakeEntry(const COS_LIST_BoxAttributes& _attributes)
{
    if (m_liveCount == m_capacity)
        ReserveEntries(m_capacity * 2);
    const s32 id = PopFreeId();
    COS_SweepEntry& entry = m_entries[id];
    entry = COS_SweepEntry();
    entry.attributes = _attributes;
    entry.flags |= COS_SWEEP_IN_USE;
    return id;
}

s32 COS_SweepList::Insert(const f32 _box[6], const COS_LIST_BoxAttributes& _attributes)
{
    const s32 id = TakeEntry(_attributes);
    COS_SweepEntry& entry = m_entries[id];
    for (s32 axis = 0; axis < 3; ++axis) {
        entry.start.coord[axis] = _box[axis];
        entry.end.coord[axis] = _box[3 + axis];
    }
    const s32 start = 2 * id;
    const s32 end = 2 * id + 1;

    if (m_liveCount == 0) {
        for (s32 axis = 0; axis < m_axes; ++axis) {
            m_heads[axis] = -1;
            LinkAfter(start, -1, axis);
            LinkAfter(end, start, axis);
        }
        m_liveCount = 1;
        return id;
    }

    // First axis: every entry that starts at or below the new maximum x is a candidate; the
    // walk order is the order in which pairs are added, which shapes the pair trees.
    const f32 minX = _box[0];
    const f32 maxX = _box[3];
    s32 last = -1;
    for (s32 p = m_heads[0]; p != -1 && GetPoint(p).coord[0] <= maxX; p = GetPoint(p).next[0]) {
        const s32 other = p >> 1;
        if (IsStart(p) && m_entries[other].end.coord[0] >= minX && Filter(other, id) && Overlaps(other, _box))
            m_pairs->AddPair(other, id);
        last = p;
    }
    LinkAfter(end, last, 0);
    // The start goes before every end point of its own coordinate, so touching boxes stay
    // ordered as overlapping.
    s32 before = last;
    while (before != -1 && !(GetPoint(before).coord[0] < minX))
        before = GetPoint(before).prev[0];
    LinkAfter(start, before, 0);

    for (s32 axis = 1; axis < m_axes; ++axis) {
        s32 after = -1;
        for (s32 p = m_heads[axis]; p != -1 && GetPoint(p).coord[axis] < _box[axis]; p = GetPoint(p).next[axis])
            after = p;
        LinkAfter(start, after, axis);
        after = start;
        for (s32 p = GetPoint(start).next[axis]; p != -1 && GetPoint(p).coord[axis] <= _box[3 + axis];
             p = GetPoint(p).next[axis])
            after = p;
        LinkAfter(end, after, axis);
    }
    ++m_liveCount;
    return id;
}

s32 COS_SweepList::InsertNextTo(const f32 _box[6], const COS_LIST_BoxAttributes& _attributes, s32 _neighbour)
{
    if (!IsInUse(_neighbour))
        return -1;
    const s32 id = TakeEntry(_attributes);
    COS_SweepEntry& entry = m_entries[id];
    const COS_SweepEntry& neighbour = m_entries[_neighbour];
    for (s32 axis = 0; axis < 3; ++axis) {
        entry.start.coord[axis] = neighbour.start.coord[axis];
        entry.end.coord[axis] = neighbour.end.coord[axis];
    }
    for (s32 axis = 0; axis < m_axes; ++axis) {
        LinkAfter(2 * id, 2 * _neighbour, axis);
        LinkAfter(2 * id + 1, GetPoint(2 * _neighbour + 1).prev[axis], axis);
    }

    for (s32 k = 0; k < _neighbour; ++k) {
        if (m_pairs->HasPair(k, _neighbour))
            m_pairs->AddPair(k, id);
    }
    const s32 count = m_pairs->GetBucketSize(_neighbour);
    s32 local[COS_STACK_KEYS];
    s32* keys = count <= COS_STACK_KEYS
                    ? local
                    : (s32*)MEM_AllocOrDie((u32)count * (u32)sizeof(s32), "COS_SweepList::InsertNextTo()");
    m_pairs->GetKeysBreadthFirst(_neighbour, keys);
    for (s32 i = 0; i < count; ++i)
        m_pairs->AddPair(keys[i], id);
    if (keys != local)
        MEM_Free(keys);
    m_pairs->AddPair(_neighbour, id);

    Update(id, _box);
    ++m_liveCount;
    return id;
}

void COS_SweepList::MovePoint(s32 _point, s32 _axis, f32 _value, const f32 _oldBox[6], const f32 _newBox[6])
{
    const s32 id = _point >> 1;
    const bool start = IsStart(_point);
    const f32 current = GetPoint(_point).coord[_axis];
    s32 lastPassed = -1;
    if (_value < current) {
        // Moving down. A start passes everything at or above the value; an end stops at a
        // start of its own coordinate so that touching boxes keep their pair.
        for (s32 q = GetPoint(_point).prev[_axis]; q != -1; q = GetPoint(q).prev[_axis]) {
            const f32 c = GetPoint(q).coord[_axis];
            const bool passes = start ? c >= _value : (c > _value || (c == _value && !IsStart(q)));
            if (!passes)
                break;
            const s32 other = q >> 1;
            if (other != id && start != IsStart(q) && Filter(id, other)) {
                if (start) {
                    if (Overlaps(other, _newBox))
                        m_pairs->AddPair(other, id);
                } else if (Overlaps(other, _oldBox)) {
                    m_pairs->RemovePair(other, id);
                }
            }
            lastPassed = q;
        }
        if (lastPassed != -1) {
            const s32 after = GetPoint(lastPassed).prev[_axis];
            Unlink(_point, _axis);
            LinkAfter(_point, after, _axis);
        }
    } else {
        // Moving up. An end passes everything at or below the value; a start stops at an end
        // of its own coordinate.
        for (s32 q = GetPoint(_point).next[_axis]; q != -1; q = GetPoint(q).next[_axis]) {
            const f32 c = GetPoint(q).coord[_axis];
            const bool passes = start ? (c < _value || (c == _value && IsStart(q))) : c <= _value;
            if (!passes)
                break;
            const s32 other = q >> 1;
            if (other != id && start != IsStart(q) && Filter(id, other)) {
                if (!start) {
                    if (Overlaps(other, _newBox))
                        m_pairs->AddPair(other, id);
                } else if (Overlaps(other, _oldBox)) {
                    m_pairs->RemovePair(other, id);
                }
            }
            lastPassed = q;
        }
        if (lastPassed != -1) {
            Unlink(_point, _axis);
            LinkAfter(_point, lastPassed, _axis);
        }
    }
}

void COS_SweepList::Update(s32 _id, const f32 _box[6])
{
    COS_SweepEntry& entry = m_entries[_id];
    f32 oldBox[6];
    for (s32 axis = 0; axis < 3; ++axis) {
        oldBox[axis] = entry.start.coord[axis];
        oldBox[3 + axis] = entry.end.coord[axis];
    }
    for (s32 axis = 0; axis < m_axes; ++axis) {
        if (_box[axis] != entry.start.coord[axis]) {
            MovePoint(2 * _id, axis, _box[axis], oldBox, _box);
            entry.start.coord[axis] = _box[axis];
        }
        if (_box[3 + axis] != entry.end.coord[axis]) {
            MovePoint(2 * _id + 1, axis, _box[3 + axis], oldBox, _box);
            entry.end.coord[axis] = _box[3 + axis];
        }
    }
    // Unused axes are kept only so that the stored box is the caller's.
    for (s32 axis = m_axes; axis < 3; ++axis) {
        entry.start.coord[axis] = _box[axis];
        entry.end.coord[axis] = _box[3 + axis];
    }
}

void COS_SweepList::Remove(s32 _id)
{
    COS_SweepEntry& entry = m_entries[_id];
    entry.flags &= ~COS_SWEEP_IN_USE;
    for (s32 axis = 0; axis < m_axes; ++axis) {
        Unlink(2 * _id, axis);
        Unlink(2 * _id + 1, axis);
    }
    m_pairs->RemovePairsOf(_id);
    --m_liveCount;
    PushFreeId(_id);
}

s32 COS_SweepList::GetPairs(COS_LIST_Pair* _buffer, s32 _capacity) const
{
    s32 written = 0;
    s32 seen = 0;
    s32 local[COS_STACK_KEYS];
    for (s32 id = 0; id < m_capacity && seen < m_liveCount; ++id) {
        if (!IsInUse(id))
            continue;
        ++seen;
        const s32 count = m_pairs->GetBucketSize(id);
        if (count == 0)
            continue;
        s32* keys = count <= COS_STACK_KEYS
                        ? local
                        : (s32*)MEM_AllocOrDie((u32)count * (u32)sizeof(s32), "COS_SweepList::GetPairs()");
        m_pairs->GetKeysBreadthFirst(id, keys);
        s32 i = 0;
        for (; i < count && written < _capacity; ++i) {
            _buffer[written].first = m_entries[id].attributes.object;
            _buffer[written].second = m_entries[keys[i]].attributes.object;
            ++written;
        }
        if (keys != local)
            MEM_Free(keys);
        if (i < count)
            return written;
    }
    return written;
}
