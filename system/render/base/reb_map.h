// Material layers as render states: one VEC_Map becomes the 13 cached render states and texture
// stages 0 and 1 of the display (SITO_DISPLAY), all through the display's caches.
#pragma once

#include "os_types.h"

struct VEC_Map;

class REB_Map
{
public:
    // Depth write from the map's depth-buffered flag, z-bias from its depth bias, culling only
    // for opaque maps (alpha 255, blend mode 0), blending by blend mode (0-5; more is fatal);
    // stage 0 modulates the map's texture with the diffuse colour, stage 1 is switched off.
    // _renderMode goes to render-state index 10 (every caller passes 0). The one-sided flag is
    // not consulted.
    static void SetMapToRenderState(const VEC_Map* _map, s32 _renderMode);
};
