// Helpers that node classes hung under bodies share: the file a description section came
// from, a mandatory subsection, and the link of a son's frame to its father body's frame.
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

// A node leaving the simulation stops where its track has it at _time: the track restarts
// there at rest, and the attached frame, if any, takes that frame.
inline void NOD_RestAtTrackFrame(NOD_Body& _node, f32 _time)
{
    const MAT_Matrix34 frame = *_node.GetCS().GetTrack().GetAt(_time, nullptr);
    _node.GetCS().SetTransform(_time, frame);
}
