// Replicated objects and the base property.
#include "rpl_replicatedobject.h"

#include <cerrno>

#include "rpl_bitset.h"
#include "rpl_compactcount.h"
#include "rpl_replicatedproperty.h"
#include "rpl_replicationobserver.h"
#include "rpl_replicationspace.h"

ReplicatedProperty::~ReplicatedProperty() = default;
void ReplicatedProperty::OnListenerAdded() {}
void ReplicatedProperty::OnListenerRemoved() {}
void ReplicatedProperty::Start() {}
void ReplicatedProperty::Stop() {}
void ReplicatedProperty::Evaluate(f32) {}
u32 ReplicatedProperty::IsChanged(const RPL_ObjectRecord&, void*) { return 1; }
void ReplicatedProperty::Write(IO_OutputStream&, void*) {}
void ReplicatedProperty::Read(IO_InputStream&, s32, s32) {}

RPL_ReplicatedObject::RPL_ReplicatedObject(u32 _kind) : m_kind(_kind) {}

RPL_ReplicatedObject::~RPL_ReplicatedObject() { Depart(); }

void RPL_ReplicatedObject::Depart()
{
    if (m_space != nullptr)
        m_space->Detach(this);
    if (m_observer != nullptr)
        m_observer->RemoveObject(this, 1);
    // An object announced outside a slot of the space (a local one) still has listeners whose
    // records point at it.
    if (m_listeners.Count() > 0)
        NotifyRemoved();
}

void RPL_ReplicatedObject::StartAll()
{
    for (u32 i = 0; i < m_properties.Count(); ++i)
        m_properties[i]->Start();
}

void RPL_ReplicatedObject::StopAll()
{
    for (u32 i = 0; i < m_properties.Count(); ++i)
        m_properties[i]->Stop();
}

void RPL_ReplicatedObject::EvaluateSelf(f32) {}
void RPL_ReplicatedObject::StartReplica(s32) {}
void RPL_ReplicatedObject::StartLocal(s32) {}

void RPL_ReplicatedObject::WriteChanged(IO_OutputStream& _stream, const RPL_BitSet& _bits, void* _context)
{
    MOS_WriteCompactCount(_stream, _bits.GetBitCount());
    _stream.WriteU32Array(_bits.Words(), (s32)_bits.GetWordCount(), 0);
    for (u32 i = 0; i < m_properties.Count(); ++i) {
        if (_bits.Test(i))
            m_properties[i]->Write(_stream, _context);
    }
}

void RPL_ReplicatedObject::ReadChanged(IO_InputStream& _stream, s32 _a, s32 _b)
{
    const u32 bits = MOS_ReadCompactCount(_stream);
    if (_stream.IsEOF() || _stream.HasError())
        return;
    if (bits > m_properties.Count()) {
        _stream.SetError(EINVAL);
        return;
    }
    RPL_BitSet marked;
    marked.Resize(bits);
    _stream.ReadU32Array(marked.Words(), (s32)marked.GetWordCount(), 0);
    if (_stream.IsEOF() || _stream.HasError())
        return;
    // The words may carry bits past the count: they mark nothing.
    marked.Resize(bits);
    for (u32 i = 0; i < bits; ++i) {
        if (!marked.Test(i))
            continue;
        if (_stream.IsEOF() || _stream.HasError())
            return;
        m_properties[i]->Read(_stream, _a, _b);
    }
}

void RPL_ReplicatedObject::MarkChanged(RPL_ObjectRecord& _record, void* _context)
{
    RPL_BitSet& dirty = _record.dirty;
    const u32 count = m_properties.Count() < dirty.GetBitCount() ? m_properties.Count() : dirty.GetBitCount();
    for (u32 i = 0; i < count; ++i) {
        if (!dirty.Test(i) && m_properties[i]->IsChanged(_record, _context) != 0)
            dirty.Set(i);
    }
}

void RPL_ReplicatedObject::AddProperty(ReplicatedProperty* _property)
{
    _property->m_index = m_properties.Count();
    _property->m_owner = this;
    m_properties.Append(_property);
}

void RPL_ReplicatedObject::AddListener(RPL_ReplicationObserver* _observer, u16 _record)
{
    m_listeners.Append(Listener{_record, _observer});
    for (u32 i = 0; i < m_properties.Count(); ++i)
        m_properties[i]->OnListenerAdded();
}

void RPL_ReplicatedObject::NotifyRemoved()
{
    while (m_listeners.Count() > 0) {
        const Listener last = m_listeners[m_listeners.Count() - 1];
        last.observer->RecordRemoved(last.record);
        for (u32 i = 0; i < m_properties.Count(); ++i)
            m_properties[i]->OnListenerRemoved();
        m_listeners.RemoveLast();
    }
}

void RPL_ReplicatedObject::DropListener(RPL_ReplicationObserver* _observer)
{
    for (u32 i = m_listeners.Count(); i-- > 0;) {
        if (m_listeners[i].observer != _observer)
            continue;
        for (u32 p = 0; p < m_properties.Count(); ++p)
            m_properties[p]->OnListenerRemoved();
        m_listeners.RemoveAt(i);
    }
}

void RPL_ReplicatedObject::Evaluate(f32 _time)
{
    EvaluateSelf(_time);
    for (u32 i = 0; i < m_properties.Count(); ++i)
        m_properties[i]->Evaluate(_time);
}
