// Services the head-up display's elements share.
#include "hud_common.h"

#include "brisel_renderer.h"
#include "brisel_scene.h"
#include "dsp_display.h"
#include "reb_texturecache.h"

namespace
{
const char* const FONT_NAME = "gfx\\font\\font1.tga";  // the renderer's first font
}

s32 HUD_RegisterTexture(const char* _name)
{
    Brisel_ResourceTables* resources = Brisel_Scene::GetResources();
    REB_TextureCache* names = resources != nullptr ? resources->GetTextureNames() : nullptr;
    return names != nullptr ? names->RegisterTextureName(_name, HUD_TEXTURE_PRIORITY) : -1;
}

void HUD_OpenRendererFont(GFX_Font& _font)
{
    // Opened through the font table, which shares the renderer's entry, so that the element
    // keeps the font whichever of the two goes first.
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer != nullptr && renderer->GetFont(0).GetIndex() >= 0)
        _font.Open(FONT_NAME);
}

void HUD_RefreshTexture(s32 _texture, GFX_Picture16& _picture)
{
    if (_texture >= 0 && SITO_DISPLAY != nullptr)
        SITO_DISPLAY->Texture_Refresh(_texture, _picture.GetPixels(), _picture.GetByteSize());
}
