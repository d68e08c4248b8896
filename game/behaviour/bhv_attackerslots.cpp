// Attacker and torpedo slots: a fixed array of weak node references with a resumable walk.
#include "bhv_attackerslots.h"

#include "brisel_simulation.h"
#include "nod_node.h"
#include "rti_pointer.h"

BHV_AttackerSlots::~BHV_AttackerSlots() { Release(); }

void BHV_AttackerSlots::AllocateAttackers(NOD_Body* _body) { Allocate(Brisel_Simulation::GetMaxAttackers(_body)); }

void BHV_AttackerSlots::AllocateTorpedoes(NOD_Body* _body) { Allocate(Brisel_Simulation::GetMaxTorpedoes(_body)); }

void BHV_AttackerSlots::Allocate(s32 _capacity)
{
    // Allocating twice would otherwise leak the first array and leave its entries linked into
    // their nodes' lists.
    Release();
    if (_capacity <= 0)
        return;
    // Array new through the pools: each entry is constructed empty, and the array delete of
    // Release destroys (and so unlinks) every one of them.
    m_entries = new RTI_Pointer[_capacity];
    m_capacity = _capacity;
}

void BHV_AttackerSlots::Release()
{
    delete[] m_entries;
    m_entries = nullptr;
    m_capacity = 0;
    m_cursor = 0;
}

NOD_Node* BHV_AttackerSlots::GetEntry(s32 _index) const
{
    // Only nodes are ever stored, so the downcast is exact.
    return static_cast<NOD_Node*>(m_entries[_index].Get());
}

void BHV_AttackerSlots::Add(NOD_Node* _node)
{
    if (_node == nullptr)
        return;
    for (s32 i = 0; i < m_capacity; ++i) {
        if (GetEntry(i) == nullptr) {
            m_entries[i].Set(_node);
            return;
        }
    }
}

void BHV_AttackerSlots::Remove(NOD_Node* _node)
{
    if (_node == nullptr)
        return;
    for (s32 i = 0; i < m_capacity; ++i) {
        if (GetEntry(i) == _node) {
            m_entries[i].Unlink();
            return;
        }
    }
}

s32 BHV_AttackerSlots::Contains(const NOD_Node* _node) const
{
    // An empty entry refers to no node, so null is never "contained".
    if (_node == nullptr)
        return 0;
    for (s32 i = 0; i < m_capacity; ++i) {
        if (GetEntry(i) == _node)
            return 1;
    }
    return 0;
}

s32 BHV_AttackerSlots::HasFreeSlot() const
{
    for (s32 i = 0; i < m_capacity; ++i) {
        if (GetEntry(i) == nullptr)
            return 1;
    }
    return 0;
}

s32 BHV_AttackerSlots::GetNext(NOD_Node*& _node)
{
    if (_node == nullptr)
        m_cursor = 0;
    for (s32 i = m_cursor; i < m_capacity; ++i) {
        NOD_Node* entry = GetEntry(i);
        if (entry != nullptr) {
            _node = entry;
            m_cursor = i + 1;
            return 1;
        }
    }
    return 0;
}
