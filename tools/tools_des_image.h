// Writer of pre-parsed description images, for test fixtures and the fuzzers' seeds: the
// parsed tree's block is the image, byte for byte. The patch helpers write single fields
// little-endian, so tests can describe corrupt images by offset (DES_Node gives the offsets).
#pragma once

#include <string>

#include "des_tree.h"

// The image of a parsed tree: its block up to the first free byte (empty without a root).
std::string TOOL_DesImageBytes(const DES_Tree* _tree);

// Writes the image of _tree to _fileName, created as given. 0 when it cannot be written.
u32 TOOL_WriteDesImage(const DES_Tree* _tree, const char* _fileName);

// Overwrite one field of an image; an offset past the end is ignored.
void TOOL_DesImagePatchU8(std::string* _image, u32 _offset, u8 _value);
void TOOL_DesImagePatchU16(std::string* _image, u32 _offset, u16 _value);
void TOOL_DesImagePatchU32(std::string* _image, u32 _offset, u32 _value);
