// The description-file readers the skeleton, the skin and the animation loader share.
#pragma once

#include "des_file.h"
#include "os_types.h"
#include "vca_pose.h"

// Opens _path and finds its section AnimData; a missing section is fatal with the file name
// (caption "DES FILE ERROR", _where naming the reader).
void VCA_OpenAnimData(DES_File* _file, DES_Section* _animData, const char* _path, const char* _where);
// NOB of AnimData; a negative count is fatal with the file name.
s32 VCA_ReadBoneCount(DES_Section* _animData, const char* _where);
// How many sections _stem0, _stem1, ... follow one another from 0, at most _limit.
s32 VCA_CountSections(DES_Section* _section, const char* _stem, s32 _limit);
// Bone section _index, or fatal with the file name.
void VCA_FindBone(DES_Section* _animData, s32 _index, DES_Section* _bone, const char* _where);
// The sample section SV0 of a bone, or fatal with the file name.
void VCA_FindFirstSample(DES_Section* _bone, DES_Section* _sample, const char* _where);
// _count elements of _size bytes from the pools; a size past 32 bits or a refused block is
// fatal ("out of memory").
void* VCA_AllocArray(s32 _count, u32 _size, const char* _where);
// P, Rre and Rim of one sample section.
void VCA_ReadPose(DES_Section* _sample, VCA_Pose* _pose);
