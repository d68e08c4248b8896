// An observer's owned objects, records and record lists.
#include "rpl_replicationobserver.h"

#include "rpl_replicatedobject.h"
#include "rpl_replicationspace.h"

RPL_ReplicationObserver::RPL_ReplicationObserver(u32 _records)
{
    for (RecordList& list : m_lists)
        list = RecordList{NONE, NONE, 0};
    m_recordCount = _records < (u32)MAX_RECORDS ? _records : (u32)MAX_RECORDS;
    if (m_recordCount > 0)
        m_records = new RPL_ObjectRecord[m_recordCount];
    for (u32 i = 0; i < m_recordCount; ++i)
        Append((u16)i, 0);
}

RPL_ReplicationObserver::~RPL_ReplicationObserver()
{
    for (u32 slot = 0; slot < m_slots.Count(); ++slot) {
        if (m_slots[slot] != nullptr)
            RemoveObject(m_slots[slot], 1);
    }
    for (u32 i = 0; i < m_recordCount; ++i) {
        if (m_records[i].object != nullptr) {
            m_records[i].object->DropListener(this);
            m_records[i].object = nullptr;
        }
    }
    if (m_space != nullptr)
        m_space->RemoveObserver(this);
    delete[] m_records;
}

void RPL_ReplicationObserver::AddObject(RPL_ReplicatedObject* _object)
{
    if (_object->m_observer != nullptr)
        return;
    u32 slot = 0;
    while (slot < m_slots.Count() && m_slots[slot] != nullptr)
        ++slot;
    if (slot == m_slots.Count()) {
        if (slot >= NONE)
            return;
        m_slots.Append(_object);
    } else {
        m_slots[slot] = _object;
    }
    _object->m_observerSlot = (u16)slot;
    m_objects.Append(_object);
    _object->m_observer = this;
    _object->m_ownerRecord = NONE;
    _object->StartAll();
    if (m_space != nullptr)
        m_space->ObjectRegistered(_object);
}

void RPL_ReplicationObserver::RemoveObject(RPL_ReplicatedObject* _object, u32 _value)
{
    const u16 slot = _object->m_observerSlot;
    if (_object->m_observer != this || slot >= m_slots.Count() || m_slots[slot] != _object)
        return;
    const u16 record = _object->m_ownerRecord;
    m_slots[slot] = nullptr;
    _object->StopAll();
    if (m_space != nullptr)
        m_space->RemoveObject(_object);
    m_objects.RemoveEvery([_object](RPL_ReplicatedObject* _entry) { return _entry == _object; });
    _object->m_observerSlot = NONE;
    _object->m_ownerRecord = NONE;
    _object->m_observer = nullptr;
    if (record != NONE && (_object->m_flags & RPL_ReplicatedObject::FLAG_QUIET_DEPARTURE) == 0)
        m_departures.Append(Departure{record, slot, _value});
}

void RPL_ReplicationObserver::ObjectAdded(RPL_ReplicatedObject* _object, s32 _identifier)
{
    if (m_lists[0].count == 0)
        return;
    const u16 index = m_lists[0].first;
    Unlink(index);
    RPL_ObjectRecord& record = m_records[index];
    record.object = _object;
    record.kind = _object->m_kind;
    record.flags = _object->m_flags;
    record.identifier = (u16)_identifier;
    record.dirty.Resize(_object->GetPropertyCount());
    record.dirty.SetAll();
    _object->AddListener(this, index);
    Append(index, record.identifier < NONE ? 2 : 1);
}

// Where a departed object's record goes:
//   state 1           free (list 0), identifier dropped
//   states 2, 3, 6    free with the object's FLAG_QUIET_DEPARTURE, else list 4 keeping the
//                     identifier for the departure's user
//   any other         stays where it is; only the object pointer goes
void RPL_ReplicationObserver::RecordRemoved(u16 _record)
{
    if (_record >= m_recordCount)
        return;
    RPL_ObjectRecord& record = m_records[_record];
    switch (record.state) {
    case 1:
        Unlink(_record);
        record.object = nullptr;
        record.identifier = NONE;
        Append(_record, 0);
        break;
    case 2:
    case 3:
    case 6:
        Unlink(_record);
        record.object = nullptr;
        if (record.flags & RPL_ReplicatedObject::FLAG_QUIET_DEPARTURE) {
            record.identifier = NONE;
            Append(_record, 0);
        } else {
            Append(_record, 4);
        }
        break;
    default:
        record.object = nullptr;
        break;
    }
}

void RPL_ReplicationObserver::MoveRecord(u16 _record, s16 _state)
{
    if (_record >= m_recordCount || _state < 0 || _state >= (s16)STATE_COUNT)
        return;
    Unlink(_record);
    Append(_record, _state);
}

void RPL_ReplicationObserver::Append(u16 _record, s16 _state)
{
    RecordList& list = m_lists[_state];
    RPL_ObjectRecord& record = m_records[_record];
    ++list.count;
    record.state = _state;
    record.next = NONE;
    record.previous = list.last;
    if (list.last != NONE)
        m_records[list.last].next = _record;
    list.last = _record;
    if (list.first == NONE)
        list.first = _record;
}

void RPL_ReplicationObserver::Unlink(u16 _record)
{
    RPL_ObjectRecord& record = m_records[_record];
    RecordList& list = m_lists[record.state];
    if (record.previous != NONE)
        m_records[record.previous].next = record.next;
    else
        list.first = record.next;
    if (record.next != NONE)
        m_records[record.next].previous = record.previous;
    else
        list.last = record.previous;
    --list.count;
    record.next = NONE;
    record.previous = NONE;
}
