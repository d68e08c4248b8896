// RPL_ReplicationSpace: the objects that take part in replication and the observers told about
// them.
//
// Objects sit in slots (a free slot is reused first); the space does not own them. The local
// list holds the objects registered by an observer of this side. The space's own observer (may
// be null) hears of every object added; the observers of its circular list hear of those that
// Accepts lets through, except the object's owner. The space owns neither kind of observer:
// whoever made them attaches and detaches them.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"
#include "rpl_array.h"

class RPL_ReplicatedObject;
class RPL_ReplicationObserver;

class RPL_ReplicationSpace : public MEM_Object
{
public:
    RPL_ReplicationSpace();
    // Detaches every object still in a slot (their observers hear of it) and lets go of the
    // observers.
    virtual ~RPL_ReplicationSpace();
    RPL_ReplicationSpace(const RPL_ReplicationSpace&) = delete;
    RPL_ReplicationSpace& operator=(const RPL_ReplicationSpace&) = delete;

    // Whether _observer is told about _object; the base tells everyone.
    virtual u32 Accepts(RPL_ReplicationObserver& _observer, RPL_ReplicatedObject& _object);

    // Gives the object a slot and announces it. _excluded hears of it only with an identifier
    // other than all ones, and then with that identifier. Nothing for an object that already
    // belongs to a space.
    void AddObject(RPL_ReplicatedObject* _object, RPL_ReplicationObserver* _excluded, s32 _identifier);
    // With an own observer: local, and owned by that observer.
    void QueueObject(RPL_ReplicatedObject* _object);
    // A local object: announced to the observers that accept it, its owner left out.
    void ObjectRegistered(RPL_ReplicatedObject* _object);
    // Takes a local object out of the local list (every entry of it) and detaches it.
    void RemoveObject(RPL_ReplicatedObject* _object);
    // Frees the object's slot after its listeners dropped their records.
    void Detach(RPL_ReplicatedObject* _object);

    // Attaching sets the observer's space; an observer is in at most one place of one space.
    void SetOwnObserver(RPL_ReplicationObserver* _observer);
    void AddObserver(RPL_ReplicationObserver* _observer);  // at the end of the circle
    void RemoveObserver(RPL_ReplicationObserver* _observer);

    RPL_ReplicationObserver* GetOwnObserver() const { return m_own; }
    u32 GetSlotCount() const { return m_slots.Count(); }
    RPL_ReplicatedObject* GetSlot(u32 _slot) const { return m_slots[_slot]; }
    u32 GetLocalCount() const { return m_local.Count(); }
    RPL_ReplicatedObject* GetLocal(u32 _index) const { return m_local[_index]; }
    u32 GetObserverCount() const;
    // The observers of the circle, from the first attached.
    RPL_ReplicationObserver* GetObserver(u32 _index) const;

private:
    struct Ring : public MEM_Object
    {
        Ring* next;
        Ring* previous;
        RPL_ReplicationObserver* observer;
    };

    RPL_Array<RPL_ReplicatedObject*> m_slots;  // null: a free slot
    RPL_Array<RPL_ReplicatedObject*> m_local;
    RPL_ReplicationObserver* m_own = nullptr;
    Ring m_ring;  // the head: next is the first observer, previous the last
};
