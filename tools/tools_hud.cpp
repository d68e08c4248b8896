// Writers of the head-up display's panel textures.
#include "tools_hud.h"

TOOL_TGA TOOL_HudStatisticTexture()
{
    return TOOL_MakeTGA(TOOL_HUD_STATISTIC_TEXTURE_SIZE, TOOL_HUD_STATISTIC_TEXTURE_SIZE, 16, 0);
}

TOOL_TGA TOOL_HudEnemyTexture()
{
    return TOOL_MakeTGA(TOOL_HUD_ENEMY_TEXTURE_SIZE, TOOL_HUD_ENEMY_TEXTURE_SIZE, 16, 0);
}

u32 TOOL_WriteHudTextures(const std::string& _dataFolder)
{
    std::string path = _dataFolder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return TOOL_WriteTGA(path + TOOL_HUD_STATISTIC_TEXTURE_FILE, TOOL_HudStatisticTexture()) &&
                   TOOL_WriteTGA(path + TOOL_HUD_ENEMY_TEXTURE_FILE, TOOL_HudEnemyTexture())
               ? 1u
               : 0u;
}
