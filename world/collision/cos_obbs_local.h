// What the collision-tree loaders share: the count check and the report of a broken file.
#pragma once

#include "os_types.h"

class DES_Section;

// The caption of every refusal of a broken collision-tree file, the mesh part included: the
// mesh is only ever read as part of a tree.
constexpr const char* COS_TREE_FILE_ERROR = "COS_OBBS_Tree::LoadFile";

// Reads the integer count _key (a missing key is fatal in the getter) and refuses a negative
// count or one that no file of this size could hold, before anything is allocated for it.
s32 COS_ReadCount(DES_Section* _section, const char* _key, u32 _elementSize);

// Stops on a broken file: the text says what is wrong and ends with the file's name.
[[noreturn]] void COS_FatalTreeFile(const DES_Section* _section, const char* _what);
