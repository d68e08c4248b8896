// The shared readers of reference and animation files.
#include "mem_alloc.h"
#include "os_fatal.h"
#include "os_string.h"
#include "vca_local.h"

void VCA_OpenAnimData(DES_File* _file, DES_Section* _animData, const char* _path, const char* _where)
{
    DES_Section root;
    _file->Open(&root, _path);
    if (!root.FindSection(_animData, "AnimData"))
        DES_FatalSection(_where, "AnimData", _file->GetName());
}

s32 VCA_ReadBoneCount(DES_Section* _animData, const char* _where)
{
    s32 count = 0;
    _animData->GetS32("NOB", &count);
    if (count < 0)
        OS_Fatal(_where, OS_Format("negative bone count %d in file \"%s\"", count, _animData->GetFile()->GetName()));
    return count;
}

s32 VCA_CountSections(DES_Section* _section, const char* _stem, s32 _limit)
{
    DES_Section found;
    s32 count = 0;
    while (count < _limit && _section->FindSectionIndexed(&found, _stem, (u32)count))
        ++count;
    return count;
}

void VCA_FindBone(DES_Section* _animData, s32 _index, DES_Section* _bone, const char* _where)
{
    if (!_animData->FindSectionIndexed(_bone, "B", (u32)_index))
        DES_FatalSectionIndexed(_where, "B", (u32)_index, _animData->GetFile()->GetName());
}

void VCA_FindFirstSample(DES_Section* _bone, DES_Section* _sample, const char* _where)
{
    if (!_bone->FindSection(_sample, "SV0"))
        DES_FatalSection(_where, "SV0", _bone->GetFile()->GetName());
}

void* VCA_AllocArray(s32 _count, u32 _size, const char* _where)
{
    const u64 bytes = (u64)(_count > 0 ? _count : 0) * _size;
    if (bytes > 0xFFFFFFF0u)
        OS_Fatal(_where, "out of memory");
    return MEM_AllocOrDie((u32)bytes, _where);
}

void VCA_ReadPose(DES_Section* _sample, VCA_Pose* _pose)
{
    f32 p[3];
    f32 im[3];
    f32 re = 0.0f;
    _sample->GetVector3("P", p);
    _sample->GetFloat("Rre", &re);
    _sample->GetVector3("Rim", im);
    _pose->position = {p[0], p[1], p[2]};
    _pose->rotation = {re, im[0], im[1], im[2]};
}
