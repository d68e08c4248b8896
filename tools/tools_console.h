// Writer of the in-game console's texture: the texture the console copies its 256 x 256 text
// picture of 16-bit pixels into, as the one texture level of that size and depth (a level of
// another size or depth would not match the picture).
#pragma once

#include <string>

#include "os_types.h"
#include "tools_tga.h"

// The level file under the data folder: "vfx/tex/fx/console_l8.tga" (level 8 is 256 x 256).
constexpr const char* TOOL_CONSOLE_TEXTURE_FILE = "vfx/tex/fx/console_l8.tga";
constexpr s32 TOOL_CONSOLE_TEXTURE_SIZE = 256;

// The level picture: 256 x 256, 16 bits, black.
TOOL_TGA TOOL_ConsoleTexture();
// Writes the level under _dataFolder (which must hold "vfx/tex/fx/"); 0 when it cannot be
// written.
u32 TOOL_WriteConsoleTexture(const std::string& _dataFolder);
