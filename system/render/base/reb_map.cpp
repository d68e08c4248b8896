#include "reb_map.h"

#include "dsp_display.h"
#include "os_fatal.h"
#include "vec_mesh.h"

// Direct3D 8 values of the states this conversion writes.
enum : u32
{
    REB_BLEND_ZERO = 1,
    REB_BLEND_ONE = 2,
    REB_BLEND_INVSRCCOLOR = 4,
    REB_BLEND_SRCALPHA = 5,
    REB_BLEND_INVSRCALPHA = 6,
    REB_BLEND_DESTCOLOR = 9,
    REB_CULL_NONE = 1,
    REB_CULL_CCW = 3,
};

// Source blend, destination blend, alpha test per blend mode.
static const u32 s_blendModes[6][3] = {
    {REB_BLEND_ONE, REB_BLEND_ZERO, 1},               // opaque
    {REB_BLEND_SRCALPHA, REB_BLEND_ONE, 1},           // additive
    {REB_BLEND_SRCALPHA, REB_BLEND_INVSRCALPHA, 1},   // filter, subtractive
    {REB_BLEND_DESTCOLOR, REB_BLEND_ONE, 0},          // multiplicative
    {REB_BLEND_ZERO, REB_BLEND_INVSRCCOLOR, 0},       // inverse
    {REB_BLEND_DESTCOLOR, REB_BLEND_INVSRCALPHA, 1},  // set only in code
};

void REB_Map::SetMapToRenderState(const VEC_Map* _map, s32 _renderMode)
{
    if (_map->blendMode > 5)
        OS_Fatal("REB_Map::SetMapToRenderState(RenderMode)", "illegal mode");

    // The display's defaults, with the map's own values written over them.
    u32 states[DSP_RS_COUNT] = {1, 3, 1, 1, REB_BLEND_ONE, REB_BLEND_ZERO, REB_CULL_CCW, 4, 0, 5, 0, 0, 0};
    const u32* blend = s_blendModes[_map->blendMode];
    states[DSP_RS_ZWRITEENABLE] = _map->flags & VEC_MAP_DEPTHBUFFERED;
    states[DSP_RS_SPECULARENABLE] = (u32)_renderMode;
    states[DSP_RS_ZBIAS] = _map->depthBias;
    states[DSP_RS_CULLMODE] = (_map->alpha == 255 && _map->blendMode == 0) ? REB_CULL_CCW : REB_CULL_NONE;
    states[DSP_RS_SRCBLEND] = blend[0];
    states[DSP_RS_DESTBLEND] = blend[1];
    states[DSP_RS_ALPHATESTENABLE] = blend[2];
    SITO_DISPLAY->SetRenderStates(states);

    // Modulate(diffuse, texture) for colour and alpha, wrapped, linear, point mip filter.
    const s32 stage0[DSP_TSS_COUNT] = {4, 0, 2, 4, 0, 2, 0, 1, 1, 2, 2, 1, 0, (s32)_map->textureId};
    SITO_DISPLAY->SetTextureStageStates(0, stage0);
    SITO_DISPLAY->SetTextureStageStates(1, nullptr);
}
