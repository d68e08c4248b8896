// RPL_ReplicationObserver: one stream end's view of a replication space.
//
// It owns objects (a slot each; starting them is what owning means) and keeps one record per
// object it was told about, in a fixed record array of fewer than 0xFFFF records. Every record
// sits in one of seven lists by its state: 0 free, 1 announced, 2 announced with an identifier,
// 4 departed with its identifier kept; 3, 5 and 6 are filled by the record's user (MoveRecord).
// Lists keep the order records arrive in; the free list starts in index order. Departures of
// owned objects wait in a queue for the record's user.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"
#include "rpl_array.h"
#include "rpl_bitset.h"

class RPL_ReplicatedObject;
class RPL_ReplicationSpace;

// What an observer knows of one object.
struct RPL_ObjectRecord : public MEM_Object
{
    u32 kind = 0;
    u32 flags = 0;                           // the object's: with FLAG_QUIET_DEPARTURE its departure frees the record
    RPL_ReplicatedObject* object = nullptr;  // null once the object departed
    u16 next = 0xFFFF;
    u16 previous = 0xFFFF;
    s16 state = 0;
    u16 identifier = 0xFFFF;
    RPL_BitSet dirty;  // one bit per property of the object
};

class RPL_ReplicationObserver : public MEM_Object
{
public:
    enum : u16
    {
        NONE = 0xFFFF,
        MAX_RECORDS = 0xFFFF,  // record indices stay below NONE
    };
    enum : u32
    {
        STATE_COUNT = 7,
    };

    struct RecordList
    {
        u16 first;
        u16 last;
        u16 count;
    };

    struct Departure
    {
        u16 record;
        u16 slot;
        u32 value;
    };

    // All records start free, in index order; more than MAX_RECORDS are not made.
    explicit RPL_ReplicationObserver(u32 _records);
    // Gives up the owned objects (value 1), drops its listener entries and leaves its space.
    ~RPL_ReplicationObserver();
    RPL_ReplicationObserver(const RPL_ReplicationObserver&) = delete;
    RPL_ReplicationObserver& operator=(const RPL_ReplicationObserver&) = delete;

    // Owns and starts the object, then registers it with the space (ObjectRegistered). Nothing
    // for an object that already has an owner, or when every slot below NONE is taken.
    void AddObject(RPL_ReplicatedObject* _object);
    // Only when the object's slot here holds it: stops it, takes it out of the space's local
    // list and out of the observer's, and queues {record, slot, _value} when the object had an
    // owner record and no FLAG_QUIET_DEPARTURE.
    void RemoveObject(RPL_ReplicatedObject* _object, u32 _value);
    // Makes the first free record the object's, every dirty bit set, and listens to the object.
    // Nothing when no record is free.
    void ObjectAdded(RPL_ReplicatedObject* _object, s32 _identifier);
    // The object departed: the record leaves list 1, 2, 3 or 6 (see the source for where to).
    void RecordRemoved(u16 _record);
    // Unlinks the record from its list and appends it to list _state.
    void MoveRecord(u16 _record, s16 _state);

    RPL_ReplicationSpace* GetSpace() const { return m_space; }
    u32 GetRecordCount() const { return m_recordCount; }
    RPL_ObjectRecord& GetRecord(u16 _record) { return m_records[_record]; }
    const RecordList& GetList(u32 _state) const { return m_lists[_state]; }
    u32 GetSlotCount() const { return m_slots.Count(); }
    RPL_ReplicatedObject* GetSlot(u32 _slot) const { return m_slots[_slot]; }
    // The owned objects in the order they came.
    u32 GetObjectCount() const { return m_objects.Count(); }
    RPL_ReplicatedObject* GetObject(u32 _index) const { return m_objects[_index]; }
    u32 GetDepartureCount() const { return m_departures.Count(); }
    const Departure& GetDeparture(u32 _index) const { return m_departures[_index]; }
    void ClearDepartures() { m_departures.Clear(); }

private:
    friend class RPL_ReplicationSpace;

    void Append(u16 _record, s16 _state);
    void Unlink(u16 _record);

    RPL_Array<RPL_ReplicatedObject*> m_slots;  // null: a free slot
    RPL_Array<RPL_ReplicatedObject*> m_objects;
    RPL_Array<Departure> m_departures;
    RPL_ObjectRecord* m_records = nullptr;
    u32 m_recordCount = 0;
    RecordList m_lists[STATE_COUNT];
    RPL_ReplicationSpace* m_space = nullptr;
};
