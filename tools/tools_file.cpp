#include "tools_file.h"

#include <cstdio>

u32 TOOL_WriteBytes(const char* _path, const std::string& _bytes)
{
    FILE* file = fopen(_path, "wb");
    if (file == nullptr)
        return 0;
    const bool written = fwrite(_bytes.data(), 1, _bytes.size(), file) == _bytes.size();
    return (fclose(file) == 0 && written) ? 1 : 0;
}
