// ReplicatedProperty: one piece of a replicated object's state (a motion track, a shield value).
//
// The owning RPL_ReplicatedObject sets owner and index when the property is added; it does not
// own the property. Every operation of the base does nothing; IsChanged answers 1, so a
// property that cannot tell goes out with every changed record.
#pragma once

#include "io_inputstream.h"
#include "io_outputstream.h"
#include "mem_alloc.h"
#include "os_types.h"

class RPL_ReplicatedObject;
struct RPL_ObjectRecord;

class ReplicatedProperty : public MEM_Object
{
public:
    ReplicatedProperty() = default;
    virtual ~ReplicatedProperty();
    ReplicatedProperty(const ReplicatedProperty&) = delete;
    ReplicatedProperty& operator=(const ReplicatedProperty&) = delete;

    virtual void OnListenerAdded();
    virtual void OnListenerRemoved();
    virtual void Start();
    virtual void Stop();
    virtual void Evaluate(f32 _time);
    // Nonzero when the property has news for the observer that keeps _record.
    virtual u32 IsChanged(const RPL_ObjectRecord& _record, void* _context);
    virtual void Write(IO_OutputStream& _stream, void* _context);
    // A property that reads several values takes them only when all of them arrived: a record
    // cut short changes nothing.
    virtual void Read(IO_InputStream& _stream, s32 _a, s32 _b);

    RPL_ReplicatedObject* GetOwner() const { return m_owner; }
    u32 GetIndex() const { return m_index; }

private:
    friend class RPL_ReplicatedObject;
    RPL_ReplicatedObject* m_owner = nullptr;
    u32 m_index = 0;
};
