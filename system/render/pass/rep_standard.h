// The general shader set for materials that blend, are see-through or glow: colour =
// (ambient + directional light) x vertex colour + self-illumination, alpha = material alpha x
// vertex alpha, with the blend, depth write and depth bias of the material's diffuse map.
// Only the first program (eoap) is ever drawn with; the point-light programs are not built.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

struct REB_Material;

class REP_Standard
{
public:
    void Create();
    void Release();
    // Selects eoap, applies the material's diffuse map (REB_Map::SetMapToRenderState) and
    // draws its range. The caller has uploaded c50, c51 and the light registers.
    void Draw(const REB_Material& _material);

    s32 vertexShader = 0;
    const REB_Material* material = nullptr;
};
