// BHV_AttackerSlots: a small fixed list of weak node references, kept by a body that can be
// attacked, naming the attackers (or the homing torpedoes) busy with it.
//
// The list caps how many enemies work on one body at a time: an attacker takes a target only
// while the target's list has a free entry. Entries are RTI_Pointers, so an entry empties itself
// when its node is destroyed. Order means nothing and Add does not look for duplicates: the same
// node may stand in two entries. The list owns only its entries, never the nodes.
//
// Owners allocate the list once in their constructor and release it in their destructor (the
// destructor releases too). Until allocated, or with a capacity of 0 or less, every operation
// does nothing and answers 0. Scans run from entry 0 upward and stop at the first hit; the cost
// is linear in the capacity (six at most in practice). Single-threaded.
#pragma once

#include "os_types.h"

class NOD_Body;
class NOD_Node;
class RTI_Pointer;

class BHV_AttackerSlots
{
public:
    BHV_AttackerSlots() = default;
    ~BHV_AttackerSlots();
    // Embedded in bodies, which are never copied or moved: the entries stay where they are.
    BHV_AttackerSlots(const BHV_AttackerSlots&) = delete;
    BHV_AttackerSlots& operator=(const BHV_AttackerSlots&) = delete;

    // Attacker slots of _body, as many empty entries as the simulation driver allows a body
    // (Brisel_Simulation::GetMaxAttackers).
    void AllocateAttackers(NOD_Body* _body);
    // Torpedo slots of _body (Brisel_Simulation::GetMaxTorpedoes entries, all empty).
    void AllocateTorpedoes(NOD_Body* _body);
    // _capacity empty entries; a list allocated earlier is released first.
    void Allocate(s32 _capacity);
    // Frees the entries, each leaving its node's reference list; nothing when none exist.
    void Release();

    // Stores _node in the first empty entry; nothing when the list is full or _node is null.
    void Add(NOD_Node* _node);
    // Empties the first entry (lowest index) that refers to _node; nothing when none does.
    void Remove(NOD_Node* _node);
    // 1 when an entry refers to _node, else 0. _node is compared, never read, so the address
    // of a destroyed node is safe to pass (and answers 0). Null answers 0.
    s32 Contains(const NOD_Node* _node) const;
    // 1 when at least one entry is empty, else 0.
    s32 HasFreeSlot() const;

    // Iterator step. Start with _node = null and call until it answers 0: each call stores the
    // next referenced node in _node and answers 1; at the end _node is left as it was. Empty
    // entries are skipped, so a node destroyed between two calls is never returned. The cursor
    // lives in the list: only one walk of a list may be under way at a time.
    s32 GetNext(NOD_Node*& _node);

    s32 GetCapacity() const { return m_capacity; }

private:
    NOD_Node* GetEntry(s32 _index) const;

    s32 m_capacity = 0;
    RTI_Pointer* m_entries = nullptr;
    s32 m_cursor = 0;
};
