// Services the head-up display's elements share: their textures in the global texture-name
// registry, the renderer's font for their pictures, and the copy of a picture into its texture.
#pragma once

#include "gfx_font.h"
#include "gfx_picture16.h"
#include "os_types.h"

// Priority of every head-up display texture in the texture-name registry.
inline constexpr s32 HUD_TEXTURE_PRIORITY = 32;

// The id of _name in the resource cache's texture-name registry (registered on first use);
// -1 while no resource cache is installed.
s32 HUD_RegisterTexture(const char* _name);
// Opens the renderer's first font into _font when a renderer with a font exists; _font stays
// closed otherwise (text then draws nothing).
void HUD_OpenRendererFont(GFX_Font& _font);
// Copies the picture's pixels into the texture; nothing without a display or a texture id.
void HUD_RefreshTexture(s32 _texture, GFX_Picture16& _picture);
