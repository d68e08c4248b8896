// Writer of ".tse" texture-set description files: one section "TextureSet" with the frames' base
// name and their count, written as given.
#pragma once

#include <string>

#include "os_types.h"

std::string TOOL_TextureSetText(const std::string& _name, s32 _count);
// 1 when the file was written (directories are not created).
u32 TOOL_WriteTextureSet(const std::string& _path, const std::string& _name, s32 _count);
