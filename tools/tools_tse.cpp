#include "tools_tse.h"

#include <cstdio>

std::string TOOL_TextureSetText(const std::string& _name, s32 _count)
{
    return "[TextureSet]\n{\n    Name = \"" + _name + "\"\n    NumT = " + std::to_string(_count) + "\n}\n";
}

u32 TOOL_WriteTextureSet(const std::string& _path, const std::string& _name, s32 _count)
{
    const std::string text = TOOL_TextureSetText(_name, _count);
    FILE* file = fopen(_path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    const bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    return (fclose(file) == 0 && written) ? 1 : 0;
}
