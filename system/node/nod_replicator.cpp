// Node replicators and their s32 property.
#include "nod_replicator.h"

#include <cstring>

#include "nod_message.h"
#include "nod_node.h"
#include "rpl_string.h"
#include "sim_name.h"

namespace
{

NOD_LoadRecordFileName s_loadRecordFileName = nullptr;

const char* LoadRecordFileName(s32 _index)
{
    if (_index < 0 || s_loadRecordFileName == nullptr)
        return "";
    const char* name = s_loadRecordFileName(_index);
    return name != nullptr ? name : "";
}

void SendEnterSimulation(NOD_Node* _node)
{
    if (_node != nullptr)
        delete _node->ProcessMessage(NOD_Node_EnterSimulation::Create());
}

void WriteText(IO_OutputStream& _stream, const char* _text)
{
    RPL_WriteString(_stream, _text, (u32)std::strlen(_text));
}

}  // namespace

void NOD_SetLoadRecordFileName(NOD_LoadRecordFileName _lookup) { s_loadRecordFileName = _lookup; }

u32 NOD_ReplicatedProperty::IsChanged(const RPL_ObjectRecord&, void*) { return m_changed; }

void NOD_ReplicatedProperty::Write(IO_OutputStream& _stream, void*)
{
    ClearChanged();
    _stream.WriteS32(m_value);
}

void NOD_ReplicatedProperty::Read(IO_InputStream& _stream, s32, s32)
{
    s32 arrived = 0;
    _stream.ReadS32(arrived);
    if (_stream.IsEOF() != 0 || _stream.HasError() != 0)
        return;
    m_value = arrived;
    SetPending();
}

void NOD_ReplicatedProperty::Take(s32 _value)
{
    m_value = _value;
    m_changed = 1;
    m_pending = 0;
}

NOD_Replicator::NOD_Replicator() : RPL_ReplicatedObject(0) {}

NOD_Replicator::~NOD_Replicator() = default;

void NOD_Replicator::StartAll()
{
    if (m_node != nullptr)
        m_node->SetFlags(m_node->GetFlags() | NOD_Node::FLAG_REPLICATED);
    RPL_ReplicatedObject::StartAll();
}

void NOD_Replicator::StopAll()
{
    if (m_node != nullptr)
        m_node->SetFlags(m_node->GetFlags() & ~(u32)NOD_Node::FLAG_REPLICATED);
    RPL_ReplicatedObject::StopAll();
}

void NOD_Replicator::StartReplica(s32 _existed)
{
    if (_existed == 0)
        SendEnterSimulation(m_node);
}

void NOD_Replicator::StartLocal(s32) { SendEnterSimulation(m_node); }

u32 NOD_Replicator::GetClassIndex() const
{
    if (m_node == nullptr)
        return RPL_ReplicatedObject::NONE32;
    return (u32)m_node->GetClassDefinition()->GetIndex();
}

void NOD_Replicator::WriteCreationRecord(IO_OutputStream& _stream) { WriteNodeRecord(_stream); }

void NOD_Replicator::WriteNodeRecord(IO_OutputStream& _stream)
{
    char path[SIM_Path::STRING_BYTES] = {};
    const char* file = "";
    const char* name = "";
    if (m_node != nullptr) {
        file = LoadRecordFileName(m_node->GetLoadRecord());
        if (m_node->GetFather() != nullptr)
            m_node->GetFather()->GetPath().GetString(path, sizeof(path));
        name = m_node->GetName().GetName();
    }
    WriteText(_stream, file);
    WriteText(_stream, path);
    WriteText(_stream, name);
}

void NOD_Replicator::BindNode(NOD_Node* _node) { m_node = _node; }
