// Mapping an animation's bone sections onto the skeleton's bones by name.
#include "vca_animdata.h"

#include <cstring>
#include <limits>

#include "des_file.h"
#include "os_fatal.h"
#include "os_string.h"
#include "vca_bonetrack.h"
#include "vca_local.h"

namespace
{
const char* const WHERE = "VCA_AnimData::Load()";

// Bone names as the skeleton keeps them, with room to tell a longer one apart.
constexpr u32 NAME_BYTES = 256;

void ReadName(DES_Section* _bone, char _name[NAME_BYTES]) { _bone->GetString("N", _name, NAME_BYTES); }
}  // namespace

VCA_AnimData::~VCA_AnimData() { Clear(); }

void VCA_AnimData::Clear()
{
    for (s32 i = 0; i < count; ++i)
        delete entries[i];
    MEM_Free(entries);
    entries = nullptr;
    count = 0;
}

void VCA_AnimData::Load(const char* _animationFile, const char* _referenceFile)
{
    DES_File animationFile;
    DES_File referenceFile;
    DES_Section animation;
    DES_Section reference;
    VCA_OpenAnimData(&animationFile, &animation, _animationFile, WHERE);
    VCA_OpenAnimData(&referenceFile, &reference, _referenceFile, WHERE);
    const s32 bones = VCA_ReadBoneCount(&animation, WHERE);
    const s32 skeletonBones = VCA_ReadBoneCount(&reference, WHERE);
    Clear();
    // Entry i animates skeleton bone i: the binding walks the entries over the skeleton.
    if (bones > skeletonBones)
        OS_Fatal(WHERE, OS_Format("animation file \"%s\" has %d bones, its skeleton \"%s\" %d", animationFile.GetName(),
                                  bones, referenceFile.GetName(), skeletonBones));
    const s32 named = VCA_CountSections(&reference, "B", bones);
    if (named < bones)
        DES_FatalSectionIndexed(WHERE, "B", (u32)named, referenceFile.GetName());

    entries = (VCA_BoneTrack**)VCA_AllocArray(bones, (u32)sizeof(VCA_BoneTrack*), WHERE);
    for (s32 i = 0; i < bones; ++i)
        entries[i] = nullptr;
    count = bones;

    const s32 sections = VCA_CountSections(&animation, "B", std::numeric_limits<s32>::max());
    char skeletonName[NAME_BYTES];
    char name[NAME_BYTES];
    DES_Section skeletonBone;
    DES_Section candidate;
    for (s32 i = 0; i < bones; ++i) {
        reference.FindSectionIndexed(&skeletonBone, "B", (u32)i);
        ReadName(&skeletonBone, skeletonName);
        if (!animation.FindSectionIndexed(&candidate, "B", (u32)i))
            continue;
        ReadName(&candidate, name);
        bool found = std::strcmp(name, skeletonName) == 0;
        for (s32 k = 0; k < sections && !found; ++k) {
            animation.FindSectionIndexed(&candidate, "B", (u32)k);
            ReadName(&candidate, name);
            found = std::strcmp(name, skeletonName) == 0;
        }
        // A skeleton bone no section names is not moved by this animation.
        if (found)
            VCA_BoneTrack::Load(&entries[i], &candidate, i);
    }
}
