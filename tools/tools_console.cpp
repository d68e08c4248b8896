// Writer of the in-game console's texture.
#include "tools_console.h"

TOOL_TGA TOOL_ConsoleTexture() { return TOOL_MakeTGA(TOOL_CONSOLE_TEXTURE_SIZE, TOOL_CONSOLE_TEXTURE_SIZE, 16, 0); }

u32 TOOL_WriteConsoleTexture(const std::string& _dataFolder)
{
    std::string path = _dataFolder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return TOOL_WriteTGA(path + TOOL_CONSOLE_TEXTURE_FILE, TOOL_ConsoleTexture());
}
