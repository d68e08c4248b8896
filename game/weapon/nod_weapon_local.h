// Helpers the weapon library's node classes share.
#pragma once

#include "nod_body.h"
#include "nod_bodylink.h"
#include "os_types.h"

// An effect node whose father is being collected stays where the father was at _time: under a
// body it takes its world frame there as its own and drops the link to the father's frame;
// under anything else it keeps its frame.
inline void NOD_FreezeInWorld(NOD_Body& _node, f32 _time)
{
    if (NOD_Body::DynamicCast(_node.GetFather()) == nullptr)
        return;
    const MAT_Matrix34 world = *_node.GetWorldTransform(_time);
    _node.GetCS().SetParent(nullptr);
    _node.GetCS().SetState(_time, world);
}
