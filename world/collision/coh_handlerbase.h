// The collision handlers' common interface, and the two registration schemes they share.
//
// A handler registers the objects of its one type with the collision system and runs that
// type's per-step work. Registering a registered object does nothing, as do removing or
// updating one that is not registered. Handlers belong to their creator, not to the system.
// The object passed to a handler must be of the handler's description class; the handler
// does not check.
#pragma once

#include "cod_collidable.h"
#include "cos_collisionsystem.h"
#include "mem_alloc.h"
#include "os_types.h"

struct SIM_Clock;

class COH_HandlerBase : public MEM_Object
{
public:
    explicit COH_HandlerBase(COS_CollisionSystem* _system) : m_system(_system) {}
    COH_HandlerBase(const COH_HandlerBase&) = delete;
    COH_HandlerBase& operator=(const COH_HandlerBase&) = delete;
    virtual ~COH_HandlerBase();

    // Accepts only the handler's own type; any other stops with "Wrong type number assigned".
    virtual void SetType(u32 _type) = 0;
    virtual void BeginStep() = 0;
    virtual void Step(const SIM_Clock& _clock) = 0;
    virtual void EndStep(const SIM_Clock& _clock) = 0;
    virtual void Insert(COD_Collidable* _object, const f32 _box[6], const void* _userValue) = 0;
    // The new entry starts at the registered neighbour's entry; nothing when it is unregistered.
    virtual void InsertNextTo(COD_Collidable* _object, COD_Collidable* _neighbour, const f32 _box[6],
                              const void* _userValue) = 0;
    virtual void Remove(COD_Collidable* _object) = 0;
    virtual void Update(COD_Collidable* _object, const f32 _box[6]) = 0;

    COS_CollisionSystem* GetSystem() const { return m_system; }

protected:
    // The one type check of every handler.
    static void CheckType(u32 _type, u32 _own, const char* _caption);

    COS_CollisionSystem* m_system = nullptr;
};

// Handlers whose objects keep their own entry id (m_entryId, -1 when not registered) and
// that have no per-step work.
template <class OBJECT, u32 TYPE>
class COH_EntryHandler : public COH_HandlerBase
{
public:
    explicit COH_EntryHandler(COS_CollisionSystem* _system) : COH_HandlerBase(_system) {}

    void BeginStep() override {}
    void Step(const SIM_Clock&) override {}
    void EndStep(const SIM_Clock&) override {}

    void Insert(COD_Collidable* _object, const f32 _box[6], const void* _userValue) override
    {
        OBJECT* object = static_cast<OBJECT*>(_object);
        if (object->m_entryId == -1)
            object->m_entryId = m_system->Insert(_box, TYPE, object, _userValue);
    }

    void InsertNextTo(COD_Collidable* _object, COD_Collidable* _neighbour, const f32 _box[6],
                      const void* _userValue) override
    {
        OBJECT* object = static_cast<OBJECT*>(_object);
        const OBJECT* neighbour = static_cast<const OBJECT*>(_neighbour);
        if (object->m_entryId == -1 && neighbour->m_entryId != -1)
            object->m_entryId = m_system->InsertNextTo(_box, TYPE, object, _userValue, neighbour->m_entryId);
    }

    void Remove(COD_Collidable* _object) override
    {
        OBJECT* object = static_cast<OBJECT*>(_object);
        if (object->m_entryId == -1)
            return;
        m_system->Remove(TYPE, object->m_entryId);
        object->m_entryId = -1;
    }

    void Update(COD_Collidable* _object, const f32 _box[6]) override
    {
        const OBJECT* object = static_cast<const OBJECT*>(_object);
        if (object->m_entryId != -1)
            m_system->Update(TYPE, object->m_entryId, _box);
    }
};

// Handlers that keep their objects in a list of fixed capacity (the object's m_listPosition,
// -1 when not registered). A full list ignores further objects; a removal moves the last
// object into the gap, so positions are not stable across removals.
template <class OBJECT, u32 TYPE>
class COH_ListHandler : public COH_HandlerBase
{
public:
    COH_ListHandler(COS_CollisionSystem* _system, s32 _capacity)
        : COH_HandlerBase(_system), m_capacity(_capacity > 0 ? _capacity : 0)
    {
        if (m_capacity > 0) {
            m_entryIds = (s32*)MEM_AllocOrDie((u32)m_capacity * (u32)sizeof(s32), "COH_ListHandler()");
            m_objects = (OBJECT**)MEM_AllocOrDie((u32)m_capacity * (u32)sizeof(OBJECT*), "COH_ListHandler()");
        }
    }

    ~COH_ListHandler() override
    {
        MEM_Free(m_entryIds);
        MEM_Free(m_objects);
    }

    void Insert(COD_Collidable* _object, const f32 _box[6], const void* _userValue) override
    {
        OBJECT* object = static_cast<OBJECT*>(_object);
        if (object->m_listPosition == -1 && m_count < m_capacity)
            Append(object, m_system->Insert(_box, TYPE, object, _userValue));
    }

    void InsertNextTo(COD_Collidable* _object, COD_Collidable* _neighbour, const f32 _box[6],
                      const void* _userValue) override
    {
        OBJECT* object = static_cast<OBJECT*>(_object);
        const OBJECT* neighbour = static_cast<const OBJECT*>(_neighbour);
        if (object->m_listPosition != -1 || m_count >= m_capacity || neighbour->m_listPosition == -1)
            return;
        const s32 id = m_system->InsertNextTo(_box, TYPE, object, _userValue, m_entryIds[neighbour->m_listPosition]);
        if (id != -1)
            Append(object, id);
    }

    void Remove(COD_Collidable* _object) override
    {
        OBJECT* object = static_cast<OBJECT*>(_object);
        const s32 position = object->m_listPosition;
        if (position == -1)
            return;
        m_system->Remove(TYPE, m_entryIds[position]);
        --m_count;
        m_objects[position] = m_objects[m_count];
        m_entryIds[position] = m_entryIds[m_count];
        m_objects[position]->m_listPosition = position;
        object->m_listPosition = -1;
        object->ClearResults();
    }

    void Update(COD_Collidable* _object, const f32 _box[6]) override
    {
        const OBJECT* object = static_cast<const OBJECT*>(_object);
        if (object->m_listPosition != -1)
            m_system->Update(TYPE, m_entryIds[object->m_listPosition], _box);
    }

    s32 GetCount() const { return m_count; }
    s32 GetCapacity() const { return m_capacity; }
    OBJECT* GetObject(s32 _position) const { return m_objects[_position]; }

protected:
    void Append(OBJECT* _object, s32 _entryId)
    {
        _object->m_listPosition = m_count;
        m_objects[m_count] = _object;
        m_entryIds[m_count] = _entryId;
        ++m_count;
    }

    s32* m_entryIds = nullptr;     // [m_capacity]
    OBJECT** m_objects = nullptr;  // [m_capacity]
    s32 m_capacity = 0;
    s32 m_count = 0;
};
