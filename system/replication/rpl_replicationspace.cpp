// The replication space: slots, local objects and the circle of observers.
#include "rpl_replicationspace.h"

#include "rpl_replicatedobject.h"
#include "rpl_replicationobserver.h"

namespace
{
constexpr s32 NO_IDENTIFIER = -1;
}

RPL_ReplicationSpace::RPL_ReplicationSpace()
{
    m_ring.next = &m_ring;
    m_ring.previous = &m_ring;
    m_ring.observer = nullptr;
}

RPL_ReplicationSpace::~RPL_ReplicationSpace()
{
    for (u32 slot = 0; slot < m_slots.Count(); ++slot) {
        if (m_slots[slot] != nullptr)
            Detach(m_slots[slot]);
    }
    m_local.Clear();
    while (m_ring.next != &m_ring)
        RemoveObserver(m_ring.next->observer);
    if (m_own != nullptr)
        RemoveObserver(m_own);
}

u32 RPL_ReplicationSpace::Accepts(RPL_ReplicationObserver&, RPL_ReplicatedObject&) { return 1; }

void RPL_ReplicationSpace::AddObject(RPL_ReplicatedObject* _object, RPL_ReplicationObserver* _excluded, s32 _identifier)
{
    if (_object->m_space != nullptr)
        return;
    u32 slot = 0;
    while (slot < m_slots.Count() && m_slots[slot] != nullptr)
        ++slot;
    if (slot == m_slots.Count())
        m_slots.Append(_object);
    else
        m_slots[slot] = _object;
    _object->m_spaceSlot = slot;
    _object->m_space = this;

    if (m_own != nullptr)
        m_own->ObjectAdded(_object, NO_IDENTIFIER);
    for (Ring* ring = m_ring.next; ring != &m_ring; ring = ring->next) {
        RPL_ReplicationObserver* observer = ring->observer;
        if (observer == _excluded) {
            if (_identifier != NO_IDENTIFIER)
                observer->ObjectAdded(_object, _identifier);
        } else if (observer != _object->m_observer && Accepts(*observer, *_object) != 0) {
            observer->ObjectAdded(_object, NO_IDENTIFIER);
        }
    }
}

void RPL_ReplicationSpace::QueueObject(RPL_ReplicatedObject* _object)
{
    if (m_own == nullptr)
        return;
    m_local.Append(_object);
    m_own->AddObject(_object);
}

void RPL_ReplicationSpace::ObjectRegistered(RPL_ReplicatedObject* _object)
{
    m_local.Append(_object);
    for (Ring* ring = m_ring.next; ring != &m_ring; ring = ring->next) {
        RPL_ReplicationObserver* observer = ring->observer;
        if (observer != _object->m_observer && Accepts(*observer, *_object) != 0)
            observer->ObjectAdded(_object, NO_IDENTIFIER);
    }
}

void RPL_ReplicationSpace::RemoveObject(RPL_ReplicatedObject* _object)
{
    // Queueing lists an object a second time when its observer registers it: no entry may
    // outlive the object.
    if (m_local.RemoveEvery([_object](RPL_ReplicatedObject* _entry) { return _entry == _object; }) == 0)
        return;
    Detach(_object);
}

void RPL_ReplicationSpace::Detach(RPL_ReplicatedObject* _object)
{
    const u32 slot = _object->m_spaceSlot;
    if (_object->m_space != this || slot >= m_slots.Count() || m_slots[slot] != _object)
        return;
    _object->NotifyRemoved();
    _object->m_space = nullptr;
    _object->m_spaceSlot = RPL_ReplicatedObject::NONE32;
    m_slots[slot] = nullptr;
}

void RPL_ReplicationSpace::SetOwnObserver(RPL_ReplicationObserver* _observer)
{
    m_own = _observer;
    if (_observer != nullptr)
        _observer->m_space = this;
}

void RPL_ReplicationSpace::AddObserver(RPL_ReplicationObserver* _observer)
{
    Ring* ring = new Ring;
    ring->observer = _observer;
    ring->next = &m_ring;
    ring->previous = m_ring.previous;
    m_ring.previous->next = ring;
    m_ring.previous = ring;
    _observer->m_space = this;
}

void RPL_ReplicationSpace::RemoveObserver(RPL_ReplicationObserver* _observer)
{
    for (Ring* ring = m_ring.next; ring != &m_ring;) {
        Ring* next = ring->next;
        if (ring->observer == _observer) {
            ring->previous->next = ring->next;
            ring->next->previous = ring->previous;
            delete ring;
        }
        ring = next;
    }
    if (m_own == _observer)
        m_own = nullptr;
    if (_observer->m_space == this)
        _observer->m_space = nullptr;
}

u32 RPL_ReplicationSpace::GetObserverCount() const
{
    u32 count = 0;
    for (const Ring* ring = m_ring.next; ring != &m_ring; ring = ring->next)
        ++count;
    return count;
}

RPL_ReplicationObserver* RPL_ReplicationSpace::GetObserver(u32 _index) const
{
    const Ring* ring = m_ring.next;
    for (u32 i = 0; i < _index && ring != &m_ring; ++i)
        ring = ring->next;
    return ring->observer;
}
