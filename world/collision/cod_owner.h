// How collision descriptions see their owners' compound bodies. Bodies live in a layer above
// this one, so the body core installs its test here; until it does, a node counts only as
// itself.
#pragma once

#include "nod_node.h"

// True when _node is _body itself or is reached from _body through an unbroken chain of body
// fathers (the walk up from _body stops at a father that is no body).
typedef bool (*COD_HasBodyAncestorTest)(const NOD_Node* _body, const NOD_Node* _node);

void COD_SetHasBodyAncestorTest(COD_HasBodyAncestorTest _test);
// The installed test; null nodes never match.
bool COD_HasBodyAncestor(const NOD_Node* _body, const NOD_Node* _node);
