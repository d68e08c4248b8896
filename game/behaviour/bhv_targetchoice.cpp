// The target tests and choices the enemy watches and the attack behaviours share.
#include <cmath>

#include "bhv_attackerslots.h"
#include "bhv_targeting.h"
#include "cod_emitter.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "cos_obbs_tree.h"
#include "mat_matrix.h"
#include "mat_vector.h"
#include "nod_body.h"
#include "nod_patrolarea.h"
#include "rti_pointer.h"
#include "sim_clock.h"
#include "sim_name.h"

namespace
{
// Ranks of the choice; lower wins.
constexpr f32 RANK_TORPEDO = 0.0f;
constexpr f32 RANK_ATTACKER = 5.0f;

MAT_Vector3 PositionOf(NOD_Body* _body) { return _body->GetWorldTransform(SIM_GetSimulationClock().time)->t; }

bool Outside(const NOD_PatrolArea* _area, NOD_Body* _body)
{
    if (_area == nullptr)
        return false;
    const MAT_Vector3 p = PositionOf(_body);
    return _area->IsInside(p.x, p.y, p.z) == 0;
}

// Whether the sensor perceives the body's emitter now (any of the three senses).
s32 Sensed(COD_Sensor* _sensor, NOD_Body* _body)
{
    if (_sensor == nullptr)
        return 0;
    s32 seen = 0;
    s32 heard = 0;
    s32 present = 0;
    _sensor->Sense(_body->GetAggregate().GetEmitter(), seen, heard, present);
    return (seen | heard | present) != 0 ? 1 : 0;
}

// A body already at work on the caller counts whatever its name: the filter is off for the
// query. It is on afterwards in any case, which is what every user of a target sensor has.
s32 SensedWithoutFilter(COD_Sensor* _sensor, NOD_Body* _body)
{
    if (_sensor == nullptr)
        return 0;
    _sensor->m_flags &= ~COD_SENSOR_NAME_FILTER;
    const s32 sensed = Sensed(_sensor, _body);
    _sensor->m_flags |= COD_SENSOR_NAME_FILTER;
    return sensed;
}

s32 HasFree(NOD_Body* _body) { return _body->GetAttackerSlots()->HasFreeSlot(); }

// The body of a sensed entry, or null.
NOD_Body* EntryBody(const RTI_Pointer& _entry)
{
    const COD_Emitter* emitter = static_cast<const COD_Emitter*>(_entry.Get());
    if (emitter == nullptr)
        return nullptr;
    return NOD_Body::DynamicCast(static_cast<NOD_Node*>(emitter->m_owner.Get()));
}

// Walks a slot list (null: empty), handing each body to _visit.
template <class VISIT>
void ForEachSlotBody(BHV_AttackerSlots* _slots, VISIT _visit)
{
    if (_slots == nullptr)
        return;
    NOD_Node* node = nullptr;
    while (_slots->GetNext(node))
        if (NOD_Body* body = NOD_Body::DynamicCast(node))
            _visit(body);
}

template <class VISIT>
void ForEachEntryBody(const RTI_Pointer* _entries, s32 _count, VISIT _visit)
{
    for (s32 i = 0; i < _count; ++i)
        if (NOD_Body* body = EntryBody(_entries[i]))
            _visit(body);
}

// Attackable, full or none by free and full bodies noted.
struct Tally
{
    bool free = false;
    bool full = false;

    void Note(NOD_Body* _body)
    {
        if (_body->GetAttackerSlots() == nullptr)
            return;
        if (HasFree(_body))
            free = true;
        else
            full = true;
    }
    s32 Code() const { return free ? BHV_TARGET_ATTACKABLE : full ? BHV_TARGET_FULL : BHV_TARGET_NONE; }
};

// The running choice: the best offer so far and the last body found full.
struct Choice
{
    explicit Choice(const MAT_Vector3& _position) : position(_position) {}

    void Offer(NOD_Body* _body, f32 _rank)
    {
        const f32 distance2 = (position - PositionOf(_body)).LengthSquared();
        if (best == nullptr || _rank < bestRank || (distance2 < bestDistance2 && _rank <= bestRank)) {
            best = _body;
            bestRank = _rank;
            bestDistance2 = distance2;
        }
    }
    // Offers a body with a free attacker slot; remembers a full one.
    void Consider(NOD_Body* _body, f32 _rank)
    {
        if (HasFree(_body))
            Offer(_body, _rank);
        else
            full = _body;
    }
    s32 Result(NOD_Body** _target) const
    {
        if (best != nullptr) {
            *_target = best;
            return BHV_TARGET_ATTACKABLE;
        }
        *_target = full;
        return full != nullptr ? BHV_TARGET_FULL : BHV_TARGET_NONE;
    }

    MAT_Vector3 position;
    NOD_Body* best = nullptr;
    NOD_Body* full = nullptr;
    f32 bestRank = 0.0f;
    f32 bestDistance2 = 0.0f;
};

f32 RankByName(NOD_Body* _body, const SIM_Name* _names)
{
    s32 rank = 0;
    for (s32 i = 0; i < BHV_INTEREST_NAMES; ++i)
        if (_names != nullptr && _names[i].GetName()[0] != 0 && _body->GetName().HasProperPrefix(_names[i]))
            rank = i + 1;
    return (f32)rank;
}

s32 Classify(NOD_Body* _body, s32 _sensed)
{
    if (!_sensed)
        return BHV_TARGET_NONE;
    return HasFree(_body) ? BHV_TARGET_ATTACKABLE : BHV_TARGET_FULL;
}

s32 Contains(const BHV_AttackerSlots* _slots, const NOD_Body* _body)
{
    return _slots != nullptr && _slots->Contains(_body) != 0 ? 1 : 0;
}

// The attackers and the sensed bodies of a choice, inside the area where one is given.
void ChooseAmong(Choice& _choice, const NOD_PatrolArea* _area, COD_Sensor* _sensor, BHV_AttackerSlots* _slots,
                 const RTI_Pointer* _entries, s32 _count, const SIM_Name* _names)
{
    ForEachSlotBody(_slots, [&](NOD_Body* _body) {
        if (Outside(_area, _body) || _body->GetAttackerSlots() == nullptr || !SensedWithoutFilter(_sensor, _body))
            return;
        _choice.Consider(_body, RANK_ATTACKER);
    });
    ForEachEntryBody(_entries, _count, [&](NOD_Body* _body) {
        if (Outside(_area, _body) || _body->GetAttackerSlots() == nullptr)
            return;
        _choice.Consider(_body, RankByName(_body, _names));
    });
}

// The enemy test over one or two slot lists and a sensed list.
s32 CheckEnemiesWithin(const NOD_PatrolArea* _area, BHV_AttackerSlots* _slotsA, BHV_AttackerSlots* _slotsB,
                       const RTI_Pointer* _entries, s32 _count, COD_Sensor* _sensor)
{
    Tally tally;
    auto sensedSlot = [&](NOD_Body* _body) {
        if (!Outside(_area, _body) && SensedWithoutFilter(_sensor, _body))
            tally.Note(_body);
    };
    ForEachSlotBody(_slotsA, sensedSlot);
    ForEachSlotBody(_slotsB, sensedSlot);
    ForEachEntryBody(_entries, _count, [&](NOD_Body* _body) {
        if (!Outside(_area, _body))
            tally.Note(_body);
    });
    return tally.Code();
}
}  // namespace

f32 BHV_ExtentLength(NOD_Body* _body)
{
    const COD_Physical* physical = _body->GetAggregate().GetPhysical();
    const COS_OBBS_Tree* tree = physical != nullptr ? physical->GetCollisionTree() : nullptr;
    if (tree == nullptr || tree->nodeCount <= 0)
        return 0.0f;
    return tree->nodes[0].halfExtents.Length();
}

f32 BHV_SurfaceDistance(NOD_Body* _a, NOD_Body* _b)
{
    const f32 centres = (PositionOf(_a) - PositionOf(_b)).Length();
    const f32 gap = centres - 0.5f * BHV_ExtentLength(_a) - 0.5f * BHV_ExtentLength(_b);
    return gap > 0.0f ? gap : 0.0f;
}

s32 BHV_CheckTarget(BHV_AttackerSlots* _slots, BHV_AttackerSlots* _torpedoes, COD_Sensor* _sensor, NOD_Body* _body)
{
    if (_body == nullptr || _body->GetAttackerSlots() == nullptr)
        return BHV_TARGET_NONE;
    // Only torpedoes enter torpedo slots, so holding the body there is the torpedo test.
    const s32 atWork = Contains(_slots, _body) || Contains(_torpedoes, _body);
    return Classify(_body, atWork ? SensedWithoutFilter(_sensor, _body) : Sensed(_sensor, _body));
}

s32 BHV_CheckTargetInArea(NOD_PatrolArea* _area, BHV_AttackerSlots* _slots, COD_Sensor* _sensor, NOD_Body* _body)
{
    if (_body == nullptr || _body->GetAttackerSlots() == nullptr || Outside(_area, _body))
        return BHV_TARGET_NONE;
    return Classify(_body, Contains(_slots, _body) ? SensedWithoutFilter(_sensor, _body) : Sensed(_sensor, _body));
}

s32 BHV_CheckEnemies(BHV_AttackerSlots* _slotsA, BHV_AttackerSlots* _slotsB, const RTI_Pointer* _entries, s32 _count,
                     COD_Sensor* _sensor)
{
    return CheckEnemiesWithin(nullptr, _slotsA, _slotsB, _entries, _count, _sensor);
}

s32 BHV_CheckEnemiesInPatrolArea(NOD_PatrolArea* _area, BHV_AttackerSlots* _slots, const RTI_Pointer* _entries,
                                 s32 _count, COD_Sensor* _sensor)
{
    return CheckEnemiesWithin(_area, _slots, nullptr, _entries, _count, _sensor);
}

s32 BHV_ChooseTarget(COD_Sensor* _sensor, const MAT_Vector3& _position, BHV_AttackerSlots* _slots,
                     BHV_AttackerSlots* _torpedoes, const RTI_Pointer* _entries, s32 _count, const SIM_Name* _names,
                     NOD_Body** _target)
{
    Choice choice(_position);
    ChooseAmong(choice, nullptr, _sensor, _slots, _entries, _count, _names);
    ForEachSlotBody(_torpedoes, [&](NOD_Body* _torpedo) {
        if (_torpedo->GetAttackerSlots() == nullptr || !SensedWithoutFilter(_sensor, _torpedo))
            return;
        choice.Consider(_torpedo, RANK_TORPEDO);
    });
    return choice.Result(_target);
}

s32 BHV_ChooseTargetInArea(NOD_PatrolArea* _area, COD_Sensor* _sensor, const MAT_Vector3& _position,
                           BHV_AttackerSlots* _slots, const RTI_Pointer* _entries, s32 _count, const SIM_Name* _names,
                           NOD_Body** _target)
{
    Choice choice(_position);
    ChooseAmong(choice, _area, _sensor, _slots, _entries, _count, _names);
    return choice.Result(_target);
}

s32 BHV_PackInterestNames(const SIM_Name* _names, SIM_Name* _slots)
{
    // Through a copy: the names may be the slots themselves.
    SIM_Name packed[BHV_INTEREST_NAMES];
    s32 count = 0;
    for (s32 i = 0; i < BHV_INTEREST_NAMES; ++i)
        if (_names[i].GetName()[0] != 0)
            packed[count++] = _names[i];
    for (s32 i = 0; i < BHV_INTEREST_NAMES; ++i)
        _slots[i] = packed[i];
    return count;
}
