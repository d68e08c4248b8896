// Node handles: the 4-byte form in which a node reference travels inside a message.
//
// A handle is a slot index plus a generation, issued by the node tree to every live node.
// Decoding a handle whose node has died answers null, never a node that took over the slot.
// Handle 0 is the null node. The node tree implements both functions.
#pragma once

#include "os_types.h"

// handle = generation << NOD_HANDLE_SLOT_BITS | (slot index + 1). The segment pools hold far
// fewer nodes than 65535, so 16 slot bits are plenty and 16 bits are left for the generation.
// A slot whose last generation has been issued is retired when that node dies instead of
// starting over at 0: a handle, however old, never names a later node.
enum : u32
{
    NOD_HANDLE_SLOT_BITS = 16,
    NOD_HANDLE_SLOT_MASK = (1u << NOD_HANDLE_SLOT_BITS) - 1,
    NOD_HANDLE_LAST_GENERATION = (1u << (32 - NOD_HANDLE_SLOT_BITS)) - 1,
};

class NOD_Node;

// The node's handle; 0 for a null node.
u32 NOD_GetHandle(const NOD_Node* _node);
// The live node of the handle, or null for 0, a stale handle or a handle never issued.
NOD_Node* NOD_FromHandle(u32 _handle);
