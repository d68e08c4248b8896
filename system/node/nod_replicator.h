// Node replicators: the replicated object that stands for one node of the tree.
//
// NOD_Node::GetReplicator makes a node's replicator on first use (CreateReplicator, which each
// node class may override), binds it to the node once and keeps it for the node's life. A
// replicator's properties are the node's replicated state; BindNode registers them. Starting
// the replicator marks the node as driven by replication (FLAG_REPLICATED), stopping it clears
// the mark. Nothing in a run makes a replicator: only a replication host or a node already
// driven by replication asks for one.
#pragma once

#include "io_inputstream.h"
#include "io_outputstream.h"
#include "os_types.h"
#include "rpl_replicatedobject.h"
#include "rpl_replicatedproperty.h"
#include "sim_name.h"

class NOD_Node;

// One s32 value of a node (a shield value) with its changed and pending flags.
class NOD_ReplicatedProperty : public ReplicatedProperty
{
public:
    NOD_ReplicatedProperty() = default;

    void SetPending() { m_pending = 1; }
    void ClearChanged() { m_changed = 0; }
    void ClearPending() { m_pending = 0; }

    u32 IsChanged(const RPL_ObjectRecord& _record, void* _context) override;
    // Clears changed, then writes the value.
    void Write(IO_OutputStream& _stream, void* _context) override;
    // Takes the value only when all four bytes arrived; then sets pending (not changed).
    void Read(IO_InputStream& _stream, s32 _a, s32 _b) override;

    s32 GetValue() const { return m_value; }
    // Takes a value that differs from the held one: changed := 1, pending := 0.
    void Take(s32 _value);
    void SetValue(s32 _value) { m_value = _value; }
    u8 IsChangedFlag() const { return m_changed; }
    u8 IsPending() const { return m_pending; }

private:
    s32 m_value = 0;
    u8 m_changed = 0;
    u8 m_pending = 0;
};

class NOD_Replicator : public RPL_ReplicatedObject
{
public:
    NOD_Replicator();
    ~NOD_Replicator() override;

    // Sets the node's FLAG_REPLICATED, then starts every property.
    void StartAll() override;
    // Clears the node's FLAG_REPLICATED, then stops every property.
    void StopAll() override;
    // Sends the node Node_EnterSimulation unless the node existed already.
    void StartReplica(s32 _existed) override;
    // Sends the node Node_EnterSimulation.
    void StartLocal(s32 _unused) override;
    // The class index of the node's class.
    u32 GetClassIndex() const override;
    // The description file name (from the node's load record; empty without one), the path of
    // the node's father and the node's name, each as a record string.
    void WriteCreationRecord(IO_OutputStream& _stream) override;
    // Registers the node's properties; the plain replicator has none.
    virtual void BindNode(NOD_Node* _node);

    NOD_Node* GetNode() const { return m_node; }
    void SetNode(NOD_Node* _node) { m_node = _node; }
    const SIM_ClassName& GetFileName() const { return m_fileName; }
    void SetFileName(const char* _fileName) { m_fileName = _fileName; }

protected:
    // The three strings of the plain creation record.
    void WriteNodeRecord(IO_OutputStream& _stream);

private:
    NOD_Node* m_node = nullptr;
    SIM_ClassName m_fileName;
};

// The file name of a load record by its index; the replication host answers it where one
// exists. Installed by the host; without it (as in a run) every node's name is empty.
typedef const char* (*NOD_LoadRecordFileName)(s32 _index);
void NOD_SetLoadRecordFileName(NOD_LoadRecordFileName _lookup);
