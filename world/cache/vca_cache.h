// An animation set as one cached resource: a character's mesh, its reference file (skeleton
// and skin weights) and its named animations, shared by every character that names the set.
//
// The animation-set table of the run's Brisel_Cache creates a set, calls Load with the full
// path and, when the last reference goes, Release before deleting it. Load stops the program
// before it reads anything, so no set of this build holds a mesh, a skin or animations; the
// fields keep the shape the character nodes will read. One thread.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class SIM_Name;
class VCA_AnimData;
class VCA_Skin;

class VCA_Cache : public MEM_Object
{
public:
    enum
    {
        PATH_BYTES = 256
    };

    VCA_Cache() = default;
    // Whatever Release has not given back yet goes with the set.
    ~VCA_Cache();
    VCA_Cache(const VCA_Cache&) = delete;
    VCA_Cache& operator=(const VCA_Cache&) = delete;

    // Reads the set file at _path (the full path from the table). Stops the program:
    // "VCA_Cache::Load()" / "not correctly implemented".
    u32 Load(const char* _path);
    // Gives the mesh back to the run's mesh-geometry table and destroys the skin, the
    // animations (last first) and the names; safe to call twice.
    void Release();

    // The reference file "animation\" + the set's Mesh; the character nodes read their
    // skeletons from it.
    char path[PATH_BYTES] = {};
    // The character mesh in the run's mesh-geometry table; 0 = none.
    s32 meshHandle = 0;
    // NumOfAnimation animations and their names, in file order: name i belongs to animation i.
    VCA_AnimData* animations = nullptr;
    s32 NumOfAnimation = 0;
    SIM_Name* names = nullptr;
    // Shared by every character of the set (they deform its one mesh right before drawing);
    // none until the skinned animation is built.
    VCA_Skin* skin = nullptr;
};
