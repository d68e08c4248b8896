// RPL_ReplicatedObject: an object kept in step across stream ends, as a list of replicated
// properties.
//
// An object may belong to one replication space (a slot there) and be owned by one observer
// (a slot and a record index there); every observer that was told about it is a listener, with
// the index of the record it keeps for the object. The object does not own its properties;
// they must outlive its departure (Depart, which the destructor also runs, so a derived class
// whose properties die first departs in its own destructor).
//
// The changed-properties record: the bit count as a compact count, ceil(count / 32) u32 words
// (bit i is bit i mod 32 of word i / 32), then the data of each marked property in list order.
#pragma once

#include "io_inputstream.h"
#include "io_outputstream.h"
#include "mem_alloc.h"
#include "os_types.h"
#include "rpl_array.h"

class ReplicatedProperty;
class RPL_BitSet;
class RPL_ReplicationObserver;
class RPL_ReplicationSpace;
struct RPL_ObjectRecord;

class RPL_ReplicatedObject : public MEM_Object
{
public:
    enum : u32
    {
        FLAG_QUIET_DEPARTURE = 1,  // observers queue no departure for it
    };
    enum : u16
    {
        NONE16 = 0xFFFF,
    };
    static constexpr u32 NONE32 = 0xFFFFFFFFu;

    struct Listener
    {
        u16 record;
        RPL_ReplicationObserver* observer;
    };

    explicit RPL_ReplicatedObject(u32 _kind);
    virtual ~RPL_ReplicatedObject();
    RPL_ReplicatedObject(const RPL_ReplicatedObject&) = delete;
    RPL_ReplicatedObject& operator=(const RPL_ReplicatedObject&) = delete;

    virtual void StartAll();  // Start of every property, in list order
    virtual void StopAll();
    virtual void EvaluateSelf(f32 _time);
    virtual void StartReplica(s32 _existed);
    virtual void StartLocal(s32 _unused);
    // Writes the changed-properties record for the marked bits of _bits.
    virtual void WriteChanged(IO_OutputStream& _stream, const RPL_BitSet& _bits, void* _context);
    // Reads a changed-properties record and hands each marked property its data. A bit count
    // above the property count is a corrupt record: nothing is applied and the stream takes
    // its error state. A record whose count or words did not all arrive applies nothing; the
    // properties stop being read once the stream ends or fails.
    virtual void ReadChanged(IO_InputStream& _stream, s32 _a, s32 _b);
    virtual u32 GetClassIndex() const = 0;
    virtual void WriteCreationRecord(IO_OutputStream& _stream) = 0;
    // Marks in the record's dirty bits every property that reports a change; marks stay.
    virtual void MarkChanged(RPL_ObjectRecord& _record, void* _context);

    void AddProperty(ReplicatedProperty* _property);
    // Tells every property after appending the listener.
    void AddListener(RPL_ReplicationObserver* _observer, u16 _record);
    // Takes the listeners from the last: each observer drops its record (RecordRemoved), then
    // every property hears of it.
    void NotifyRemoved();
    void Evaluate(f32 _time);  // EvaluateSelf, then every property
    // Leaves the space and the owning observer (with value 1) and tells the listeners left.
    void Depart();

    u32 GetKind() const { return m_kind; }
    u32 GetFlags() const { return m_flags; }
    void SetFlags(u32 _flags) { m_flags = _flags; }
    u32 GetPropertyCount() const { return m_properties.Count(); }
    ReplicatedProperty* GetProperty(u32 _index) const { return m_properties[_index]; }
    u32 GetListenerCount() const { return m_listeners.Count(); }
    const Listener& GetListener(u32 _index) const { return m_listeners[_index]; }

    RPL_ReplicationObserver* GetObserver() const { return m_observer; }
    u16 GetObserverSlot() const { return m_observerSlot; }
    // The index of the record the owning observer keeps for the object: set by whoever pairs
    // the owner's record with it (NONE16 until then); a departure is queued only with one.
    u16 GetOwnerRecord() const { return m_ownerRecord; }
    void SetOwnerRecord(u16 _record) { m_ownerRecord = _record; }
    RPL_ReplicationSpace* GetSpace() const { return m_space; }
    u32 GetSpaceSlot() const { return m_spaceSlot; }

private:
    friend class RPL_ReplicationObserver;
    friend class RPL_ReplicationSpace;

    // An observer that goes away drops its listener entries (every property hears of each).
    void DropListener(RPL_ReplicationObserver* _observer);

    u32 m_kind;
    u32 m_flags = 0;
    u16 m_observerSlot = NONE16;
    u16 m_ownerRecord = NONE16;
    RPL_ReplicationObserver* m_observer = nullptr;
    u32 m_spaceSlot = NONE32;
    RPL_ReplicationSpace* m_space = nullptr;
    RPL_Array<ReplicatedProperty*> m_properties;
    RPL_Array<Listener> m_listeners;
};
