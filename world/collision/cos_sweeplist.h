// The collision broad phase: axis-aligned boxes with the set of their overlapping pairs.
//
// Each entry's interval end points sit, per axis, in one sorted doubly linked chain; a moved
// box walks its end points past their neighbours and changes a pair only where a start point
// crosses another entry's end point, so a step with little motion costs little. At equal
// coordinates every start point lies before every end point, which makes the chain order
// agree with the closed overlap test: the pair set is always exactly the set of entries whose
// boxes overlap (touching counts) on every used axis and that pass the filter (different
// user values, and either mask holds the other's type bit). A box is six f32: minimum x, y,
// z, then maximum x, y, z; only the first "axes" of them take part.
// Entry ids are stable while an entry lives; freed ids are reused first in, first out.
// Capacity doubles when full and never shrinks. Update and Remove of an id that is not in use
// are undefined. Single-threaded.
#pragma once

#include "cos_pairset.h"
#include "mem_alloc.h"
#include "os_types.h"

class RTI_Class;

struct COS_LIST_BoxAttributes
{
    u32 type = 0;
    u32 typeBit = 0;                  // 1 << type
    RTI_Class* object = nullptr;      // handed out in pairs
    const void* userValue = nullptr;  // entries with equal user values never pair
    u32 collideMask = 0;              // the type bits this entry wants to meet
};

// The owner objects of a pair; the entry with the lower id comes first.
struct COS_LIST_Pair
{
    RTI_Class* first = nullptr;
    RTI_Class* second = nullptr;
};

// One interval end point. Links are point indices: 2 x id for an entry's start point,
// 2 x id + 1 for its end point, -1 for none; indices survive the entry array's growth.
struct COS_SweepPoint
{
    f32 coord[3] = {};
    s32 prev[3] = {-1, -1, -1};
    s32 next[3] = {-1, -1, -1};
};

struct COS_SweepEntry
{
    COS_SweepPoint start;  // coordinates are the box minimum
    COS_SweepPoint end;    // coordinates are the box maximum
    COS_LIST_BoxAttributes attributes;
    u32 flags = 0;  // COS_SWEEP_IN_USE
};

inline constexpr u32 COS_SWEEP_IN_USE = 1u;

class COS_SweepList : public MEM_Object
{
public:
    // _axes 1 to 3 (the first of x, y, z); the collision system passes (2, 512, 4096).
    COS_SweepList(s32 _axes, s32 _capacity, s32 _nodeCapacity);
    COS_SweepList(const COS_SweepList&) = delete;
    COS_SweepList& operator=(const COS_SweepList&) = delete;
    ~COS_SweepList();

    // Cost grows with the number of end points below the new box's maximum x.
    s32 Insert(const f32 _box[6], const COS_LIST_BoxAttributes& _attributes);
    // A new entry that starts with the neighbour's box and pairs (copied without the filter)
    // and then moves to _box. Returns -1 and inserts nothing when the neighbour is not in use.
    s32 InsertNextTo(const f32 _box[6], const COS_LIST_BoxAttributes& _attributes, s32 _neighbour);
    void Remove(s32 _id);
    void Update(s32 _id, const f32 _box[6]);
    // Pairs by ascending lower id, each bucket in breadth-first order of its tree. A return
    // value equal to _capacity means the buffer may have been too small.
    s32 GetPairs(COS_LIST_Pair* _buffer, s32 _capacity) const;
    // Grows the entry array to _capacity; new ids queue after those already free.
    void ReserveEntries(s32 _capacity);

    s32 GetAxes() const { return m_axes; }
    s32 GetCapacity() const { return m_capacity; }
    s32 GetLiveCount() const { return m_liveCount; }
    bool IsInUse(s32 _id) const;
    const COS_SweepEntry& GetEntry(s32 _id) const { return m_entries[_id]; }
    const COS_SweepPoint& GetPoint(s32 _point) const;
    s32 GetHead(s32 _axis) const { return m_heads[_axis]; }
    const COS_PairSet& GetPairSet() const { return *m_pairs; }

private:
    COS_SweepPoint& Point(s32 _point);
    static bool IsStart(s32 _point) { return (_point & 1) == 0; }
    bool Filter(s32 _a, s32 _b) const;
    // The stored box of the entry against a box given as six f32, on the used axes.
    bool Overlaps(s32 _id, const f32 _box[6]) const;
    s32 PopFreeId();
    void PushFreeId(s32 _id);
    void Unlink(s32 _point, s32 _axis);
    // Links the point right after _after, or at the head when _after is -1.
    void LinkAfter(s32 _point, s32 _after, s32 _axis);
    void MovePoint(s32 _point, s32 _axis, f32 _value, const f32 _oldBox[6], const f32 _newBox[6]);
    s32 TakeEntry(const COS_LIST_BoxAttributes& _attributes);

    s32 m_axes = 0;
    COS_PairSet* m_pairs = nullptr;
    s32* m_freeIds = nullptr;  // ring of capacity + 1 slots
    s32 m_freeRead = 0;
    s32 m_freeWrite = 0;
    s32 m_freeCount = 0;
    s32 m_heads[3] = {-1, -1, -1};
    COS_SweepEntry* m_entries = nullptr;
    s32 m_capacity = 0;
    s32 m_liveCount = 0;
};
