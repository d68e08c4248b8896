// Internals of the node tree shared by its source files.
#pragma once

#include "os_types.h"

class NOD_Node;

// A fresh handle for a new node; fatal once all 65535 slots are held by live nodes or retired.
u32 NOD_IssueHandle(NOD_Node* _node);
// Frees the node's slot; every handle issued for it decodes to null from now on.
void NOD_ReleaseHandle(u32 _handle);
