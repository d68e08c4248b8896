// An animation set as one cached resource: a character's mesh, its reference file (skeleton
// and skin weights) and its named animations, shared by every character that names the set.
//
// The animation-set table of the run's Brisel_Cache creates a set, calls Load with the full
// path and, when the last reference goes, Release before deleting it. Load stops the program
// before it reads anything, so no set the program asks for holds a mesh or animations; the
// load it would have run is LoadSet, which tests and fuzzers call (and put the set into a
// table with CON_Cache<T>::Insert). The mesh comes from the run's mesh-geometry table, so
// LoadSet needs Brisel_TheCache. One thread.
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

    // An empty skin, no mesh, no animations.
    VCA_Cache();
    // Whatever Release has not given back yet goes with the set.
    ~VCA_Cache();
    VCA_Cache(const VCA_Cache&) = delete;
    VCA_Cache& operator=(const VCA_Cache&) = delete;

    // Reads the set file at _path (the full path from the table). Stops the program:
    // "VCA_Cache::Load()" / "not correctly implemented".
    u32 Load(const char* _path);
    // The load behind that stop: the set file at _path, its mesh (from the run's mesh table,
    // which must hold it), the skin from the reference file "animation\" + Mesh and every
    // animation "animation\" + File. Returns 1; every failure is fatal with the file name
    // (what was read so far stays with the set until Release).
    u32 LoadSet(const char* _path);
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
    // none after Release.
    VCA_Skin* skin = nullptr;

    // The index of the animation called _name (without regard to case), -1 for none.
    s32 FindAnimation(const char* _name) const;
};
