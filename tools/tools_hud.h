// Writers of the head-up display's panel textures: the textures the statistics panel (256 x
// 256) and the target panel (128 x 128) copy their pictures of 16-bit pixels into, each as the
// one texture level of that size and depth (a level of another size or depth would not match
// the picture).
#pragma once

#include <string>

#include "os_types.h"
#include "tools_tga.h"

// The level files under the data folder (level 8 is 256 x 256, level 7 is 128 x 128).
constexpr const char* TOOL_HUD_STATISTIC_TEXTURE_FILE = "vfx/tex/hud/hud_statistic_l8.tga";
constexpr const char* TOOL_HUD_ENEMY_TEXTURE_FILE = "vfx/tex/hud/hud_enemy_l7.tga";
constexpr s32 TOOL_HUD_STATISTIC_TEXTURE_SIZE = 256;
constexpr s32 TOOL_HUD_ENEMY_TEXTURE_SIZE = 128;

// The level pictures: square, 16 bits, black.
TOOL_TGA TOOL_HudStatisticTexture();
TOOL_TGA TOOL_HudEnemyTexture();
// Writes both levels under _dataFolder (which must hold "vfx/tex/hud/"); 0 when one cannot be
// written.
u32 TOOL_WriteHudTextures(const std::string& _dataFolder);
