// One animation of a set, mapped onto its skeleton: entry i is the track that moves skeleton
// bone i, or none for a bone it does not move.
//
// The mapping is by bone name: skeleton bone i takes the animation's bone section i when their
// names match, else the first section of its name; a bone whose name no section carries
// stays unanimated. The animation may list at most as many bones as the skeleton. Owns its
// tracks. One thread.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class VCA_BoneTrack;

class VCA_AnimData : public MEM_Object
{
public:
    VCA_AnimData() = default;
    ~VCA_AnimData();
    VCA_AnimData(const VCA_AnimData&) = delete;
    VCA_AnimData& operator=(const VCA_AnimData&) = delete;

    // Reads the animation file against the reference file (the skeleton's bone names); the
    // entries held before are destroyed. Every failure is fatal with the file's name.
    void Load(const char* _animationFile, const char* _referenceFile);
    void Clear();

    // Null for a bone the animation does not move (or outside 0..count - 1).
    VCA_BoneTrack* GetTrack(s32 _bone) const
    {
        return _bone >= 0 && _bone < count && entries != nullptr ? entries[_bone] : nullptr;
    }

    VCA_BoneTrack** entries = nullptr;
    // The animation file's NOB.
    s32 count = 0;
};
