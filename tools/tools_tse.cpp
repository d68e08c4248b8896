#include "tools_tse.h"

#include "tools_file.h"

std::string TOOL_TextureSetText(const std::string& _name, s32 _count)
{
    return "[TextureSet]\n{\n    Name = \"" + _name + "\"\n    NumT = " + std::to_string(_count) + "\n}\n";
}

u32 TOOL_WriteTextureSet(const std::string& _path, const std::string& _name, s32 _count)
{
    return TOOL_WriteBytes(_path.c_str(), TOOL_TextureSetText(_name, _count));
}
