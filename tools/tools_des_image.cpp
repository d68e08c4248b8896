// Images are written from the tree's block as it is: the block already has the image layout.
#include "tools_des_image.h"

#include "tools_file.h"

std::string TOOL_DesImageBytes(const DES_Tree* _tree)
{
    if (_tree == nullptr || _tree->root == DES_NONE)
        return std::string();
    return std::string((const char*)_tree->block, _tree->used);
}

u32 TOOL_WriteDesImage(const DES_Tree* _tree, const char* _fileName)
{
    return TOOL_WriteBytes(_fileName, TOOL_DesImageBytes(_tree));
}

void TOOL_DesImagePatchU8(std::string* _image, u32 _offset, u8 _value)
{
    if (_offset < _image->size())
        (*_image)[_offset] = (char)_value;
}

void TOOL_DesImagePatchU16(std::string* _image, u32 _offset, u16 _value)
{
    TOOL_DesImagePatchU8(_image, _offset, (u8)_value);
    TOOL_DesImagePatchU8(_image, _offset + 1, (u8)(_value >> 8));
}

void TOOL_DesImagePatchU32(std::string* _image, u32 _offset, u32 _value)
{
    TOOL_DesImagePatchU16(_image, _offset, (u16)_value);
    TOOL_DesImagePatchU16(_image, _offset + 2, (u16)(_value >> 16));
}
