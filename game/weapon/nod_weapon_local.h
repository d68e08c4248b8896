// Helpers the weapon library's node classes share.
#pragma once

#include "des_file.h"
#include "nod_body.h"
#include "os_types.h"

// The name of the file a section was read from ("" when it has none).
inline const char* NOD_DesFileName(const DES_Section& _section)
{
    return _section.GetFile() != nullptr ? _section.GetFile()->GetName() : "";
}

// The subsection _name of _data; a missing one is fatal, reported for the reader _where.
inline DES_Section NOD_RequireSection(DES_Section& _data, const char* _name, const char* _where)
{
    DES_Section section;
    if (!_data.FindSection(&section, _name))
        DES_FatalSection(_where, _name, NOD_DesFileName(_data));
    return section;
}

// A node entering the simulation under a body moves with it: its track is read in the
// father's frame from then on.
inline void NOD_LinkToFather(NOD_Body& _node)
{
    if (NOD_Body* father = NOD_Body::DynamicCast(_node.GetFather()))
        _node.GetCS().SetParent(&father->GetCS());
}

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
