#include "cos_collisionsystem.h"

#include "cod_activeavoid.h"
#include "cod_emitter.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "cod_viewer.h"
#include "coh_avoid.h"
#include "coh_handlerbase.h"
#include "coh_sense.h"
#include "os_fatal.h"
#include "pcs_visibleobject.h"
#include "sim_clock.h"

namespace
{
const char* const ATTRIBUTES_WHERE = "COS_LIST_BoxAttributes::COS_LIST_BoxAttributes()";

COS_LIST_Pair* AllocPairs(s32 _capacity)
{
    return (COS_LIST_Pair*)MEM_AllocOrDie((u32)_capacity * (u32)sizeof(COS_LIST_Pair),
                                          "COS_CollisionSystem::COS_CollisionSystem()");
}

COD_Collidable* Collidable(RTI_Class* _object) { return static_cast<COD_Collidable*>(_object); }

// The side of a pair whose type is _type when the other side is of type _partner; the pair
// filter guarantees that for the registered masks, and a pair of any other shape is skipped.
bool Split(const COS_LIST_Pair& _pair, u32 _type, u32 _partner, COD_Collidable** _own, COD_Collidable** _other)
{
    COD_Collidable* first = Collidable(_pair.first);
    COD_Collidable* second = Collidable(_pair.second);
    if (first->m_type == _type && second->m_type == _partner) {
        *_own = first;
        *_other = second;
        return true;
    }
    if (second->m_type == _type && first->m_type == _partner) {
        *_own = second;
        *_other = first;
        return true;
    }
    return false;
}
}  // namespace

COS_CollisionSystem::COS_CollisionSystem(s32 _axes, s32 _capacity, s32 _nodeCapacity)
{
    for (s32 group = 0; group < COS_GROUP_COUNT; ++group)
        m_lists[group] = new COS_SweepList(_axes, _capacity, _nodeCapacity);
    m_pairCapacity = COS_INITIAL_PAIR_CAPACITY;
    m_pairs = AllocPairs(m_pairCapacity);
}

COS_CollisionSystem::~COS_CollisionSystem()
{
    MEM_Free(m_pairs);
    for (s32 group = 0; group < COS_GROUP_COUNT; ++group)
        delete m_lists[group];
}

void COS_CollisionSystem::RegisterHandler(COH_HandlerBase* _handler, u32 _type, u32 _mask)
{
    _handler->SetType(_type);
    if (_type >= COS_MAX_TYPES)  // no handler accepts such a type; kept for safety
        return;
    m_handlers[_type] = _handler;
    m_masks[_type] = _mask;
}

COS_SweepList& COS_CollisionSystem::ListOfType(u32 _type)
{
    if (_type >= COS_MAX_TYPES)
        OS_Fatal(ATTRIBUTES_WHERE, "Maximum number of 32 type allowed in current release");
    // The type check admits 32 types, but only the first five groups have a list.
    if (_type >= 2 * (u32)COS_GROUP_COUNT)
        OS_Fatal(ATTRIBUTES_WHERE, OS_Format("no sweep list for type %u", _type));
    return *m_lists[_type / 2];
}

COS_LIST_BoxAttributes COS_CollisionSystem::MakeAttributes(u32 _type, COD_Collidable* _object,
                                                           const void* _userValue) const
{
    COS_LIST_BoxAttributes attributes;
    attributes.type = _type;
    attributes.typeBit = 1u << _type;
    attributes.object = _object;
    attributes.userValue = _userValue;
    attributes.collideMask = m_masks[_type];
    return attributes;
}

s32 COS_CollisionSystem::Insert(const f32 _box[6], u32 _type, COD_Collidable* _object, const void* _userValue)
{
    COS_SweepList& list = ListOfType(_type);
    _object->m_type = _type;
    return list.Insert(_box, MakeAttributes(_type, _object, _userValue));
}

s32 COS_CollisionSystem::InsertNextTo(const f32 _box[6], u32 _type, COD_Collidable* _object, const void* _userValue,
                                      s32 _neighbour)
{
    COS_SweepList& list = ListOfType(_type);
    _object->m_type = _type;
    return list.InsertNextTo(_box, MakeAttributes(_type, _object, _userValue), _neighbour);
}

void COS_CollisionSystem::Remove(u32 _type, s32 _entryId) { ListOfType(_type).Remove(_entryId); }

void COS_CollisionSystem::Update(u32 _type, s32 _entryId, const f32 _box[6])
{
    ListOfType(_type).Update(_entryId, _box);
}

s32 COS_CollisionSystem::FetchPairs(s32 _group)
{
    const COS_SweepList& list = *m_lists[_group];
    s32 count = list.GetPairs(m_pairs, m_pairCapacity);
    // A full buffer may have cut the list short: ask again with twice the room.
    while (count == m_pairCapacity) {
        MEM_Free(m_pairs);
        m_pairs = nullptr;
        m_pairCapacity = 2 * count;
        m_pairs = AllocPairs(m_pairCapacity);
        count = list.GetPairs(m_pairs, m_pairCapacity);
    }
    return count;
}

void COS_CollisionSystem::Process(const SIM_Clock& _clock)
{
    for (u32 type = 0; type < COS_MAX_TYPES; ++type) {
        if (m_handlers[type] != nullptr)
            m_handlers[type]->BeginStep();
    }

    const SIM_Clock clock = _clock;
    COD_Collidable* own = nullptr;
    COD_Collidable* other = nullptr;

    s32 count = FetchPairs(COS_TYPE_PHYSICAL / 2);
    for (s32 i = 0; i < count; ++i) {
        if (Split(m_pairs[i], COS_TYPE_PHYSICAL, COS_TYPE_PHYSICAL, &own, &other)) {
            COD_Physical* a = static_cast<COD_Physical*>(m_pairs[i].first);
            COD_Physical* b = static_cast<COD_Physical*>(m_pairs[i].second);
            a->Collide(b, clock);
            b->Collide(a, clock);
        }
    }

    count = FetchPairs(COS_TYPE_VIEWER / 2);
    for (s32 i = 0; i < count; ++i) {
        if (Split(m_pairs[i], COS_TYPE_VIEWER, COS_TYPE_VISIBLE, &own, &other))
            static_cast<COD_Viewer*>(own)->AddVisible(static_cast<PCS_VisibleObject*>(other));
    }

    // Avoidance and sensing are dear: they run only on the passes their handlers' counters
    // mark, and not at all without their handler.
    const COH_ActiveAvoid* avoid = static_cast<const COH_ActiveAvoid*>(m_handlers[COS_TYPE_ACTIVE_AVOID]);
    if (avoid != nullptr && avoid->GetCounter() == 0) {
        count = FetchPairs(COS_TYPE_ACTIVE_AVOID / 2);
        for (s32 i = 0; i < count; ++i) {
            if (Split(m_pairs[i], COS_TYPE_ACTIVE_AVOID, COS_TYPE_PASSIVE_AVOID, &own, &other))
                static_cast<COD_ActiveAvoid*>(own)->NoteObstacle(static_cast<COD_PassiveAvoid*>(other));
        }
    }

    const COH_Sensor* sensor = static_cast<const COH_Sensor*>(m_handlers[COS_TYPE_SENSOR]);
    if (sensor != nullptr && sensor->GetCounter() == 0) {
        count = FetchPairs(COS_TYPE_SENSOR / 2);
        for (s32 i = 0; i < count; ++i) {
            if (Split(m_pairs[i], COS_TYPE_SENSOR, COS_TYPE_EMITTER, &own, &other))
                static_cast<COD_Sensor*>(own)->NoteEmitter(static_cast<COD_Emitter*>(other));
        }
    }

    for (u32 type = 0; type < COS_MAX_TYPES; ++type) {
        if (m_handlers[type] != nullptr)
            m_handlers[type]->Step(_clock);
    }
    for (u32 type = 0; type < COS_MAX_TYPES; ++type) {
        if (m_handlers[type] != nullptr)
            m_handlers[type]->EndStep(_clock);
    }
}
