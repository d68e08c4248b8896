// Node handles: a slot table with generations and a first-in first-out free list, so a freed
// slot is reused as late as possible. A slot serves 65536 nodes and is then retired for good:
// stale handles could otherwise alias once the generation wrapped.
#include "nod_handle.h"

#include "mem_alloc.h"
#include "nod_local.h"
#include "nod_node.h"
#include "os_fatal.h"

namespace
{
// Low bits 0 are never a handle: slot index + 1 is stored.
enum : u32
{
    MAX_SLOTS = NOD_HANDLE_SLOT_MASK,  // the index + 1 must fit the slot bits
    NO_SLOT = 0xFFFFFFFFu,
    FIRST_CAPACITY = 256,
};

struct Slot
{
    NOD_Node* node;
    u32 generation;
    u32 nextFree;
};

Slot* s_slots = nullptr;
u32 s_capacity = 0;
u32 s_used = 0;  // slots ever handed out: 0..s_used-1
u32 s_freeHead = NO_SLOT;
u32 s_freeTail = NO_SLOT;

u32 MakeHandle(u32 _index) { return (s_slots[_index].generation << NOD_HANDLE_SLOT_BITS) | (_index + 1); }

// The slot a handle names while that slot still belongs to the handle; NO_SLOT otherwise.
u32 SlotOf(u32 _handle)
{
    const u32 low = _handle & NOD_HANDLE_SLOT_MASK;
    if (low == 0 || low > s_used)
        return NO_SLOT;
    const u32 index = low - 1;
    if (s_slots[index].node == nullptr || s_slots[index].generation != (_handle >> NOD_HANDLE_SLOT_BITS))
        return NO_SLOT;
    return index;
}
}  // namespace

u32 NOD_IssueHandle(NOD_Node* _node)
{
    u32 index = s_freeHead;
    if (index != NO_SLOT) {
        s_freeHead = s_slots[index].nextFree;
        if (s_freeHead == NO_SLOT)
            s_freeTail = NO_SLOT;
    } else {
        if (s_used == MAX_SLOTS)
            OS_Fatal("NOD_Node::NOD_Node()", "too many nodes");
        if (s_used == s_capacity) {
            u32 capacity = s_capacity == 0 ? (u32)FIRST_CAPACITY : s_capacity * 2;
            if (capacity > MAX_SLOTS)
                capacity = MAX_SLOTS;
            Slot* slots = (Slot*)MEM_AllocOrDie(capacity * (u32)sizeof(Slot), "NOD_IssueHandle()");
            for (u32 i = 0; i < s_used; ++i)
                slots[i] = s_slots[i];
            MEM_Free(s_slots);
            s_slots = slots;
            s_capacity = capacity;
        }
        index = s_used++;
        s_slots[index].generation = 0;
    }
    s_slots[index].node = _node;
    s_slots[index].nextFree = NO_SLOT;
    return MakeHandle(index);
}

void NOD_ReleaseHandle(u32 _handle)
{
    const u32 index = SlotOf(_handle);
    if (index == NO_SLOT)
        return;
    Slot& slot = s_slots[index];
    slot.node = nullptr;
    slot.nextFree = NO_SLOT;
    // Retired: empty and on no list, so it is never issued again and every handle of it stays
    // stale.
    if (slot.generation == NOD_HANDLE_LAST_GENERATION)
        return;
    ++slot.generation;
    if (s_freeTail == NO_SLOT)
        s_freeHead = index;
    else
        s_slots[s_freeTail].nextFree = index;
    s_freeTail = index;
}

u32 NOD_GetHandle(const NOD_Node* _node) { return _node != nullptr ? _node->GetHandle() : 0; }

NOD_Node* NOD_FromHandle(u32 _handle)
{
    const u32 index = SlotOf(_handle);
    return index == NO_SLOT ? nullptr : s_slots[index].node;
}
