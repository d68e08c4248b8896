// One draw variant of a shader set: its static texture-stage descriptors and render-state
// block, which set slots feed them, and the shaders it selects.
//
// A shader set is a row of s32 slots: first its shader ids, then the texture ids and values
// its pass fills before each draw. A variant names the slots it reads; REP_DrawVariant writes
// them into the variant's descriptors (the texture entry of each stage, and the texture
// factor of the block where the variant takes one), applies stages 0..n-1 and disables
// stage n, applies the block, selects the shaders and draws the material's range as a
// triangle list. The descriptors are the variant's own program-static data and keep the
// last ids written into them. Everything goes through SITO_DISPLAY's caches.
#pragma once

#include "dsp_display.h"
#include "os_types.h"

struct REB_Material;
class REB_Mesh;

constexpr s32 REP_MAX_STAGES = 4;
constexpr s8 REP_NO_SLOT = -1;

struct REP_Variant
{
    s32 stageCount;
    s32 stages[REP_MAX_STAGES][DSP_TSS_COUNT];
    u32 states[DSP_RS_COUNT];
    s8 textureSlot[REP_MAX_STAGES];  // the set slot whose texture id each stage binds
    s8 factorSlot;                   // the set slot of the texture factor, or REP_NO_SLOT
    s8 vertexShaderSlot;
    s8 pixelShaderSlot;  // REP_NO_SLOT: the texture stages
};

// The usual descriptor: texture coordinates of its own stage, wrap addressing, linear
// magnification and minification, point mip filter, bias 0, no texture yet.
constexpr void REP_Stage(s32 _out[DSP_TSS_COUNT], s32 _stage, s32 _colorOp, s32 _colorArg1, s32 _colorArg2,
                         s32 _alphaOp, s32 _alphaArg1, s32 _alphaArg2, s32 _address = DEV_TADDRESS_WRAP)
{
    const s32 values[DSP_TSS_COUNT] = {_colorOp,        _colorArg1,     _colorArg2, _alphaOp, _alphaArg1,
                                       _alphaArg2,      _stage,         _address,   _address, DEV_TEXF_LINEAR,
                                       DEV_TEXF_LINEAR, DEV_TEXF_POINT, 0,          -1};
    for (s32 i = 0; i < DSP_TSS_COUNT; ++i)
        _out[i] = values[i];
}

// The usual block: depth test on, z-function less-or-equal, alpha reference 0 with function
// greater, specular off, z-bias 0, texture factor 0, counter-clockwise culling; the caller's
// depth write, alpha test and blend factors.
constexpr void REP_States(u32 _out[DSP_RS_COUNT], u32 _zWrite, u32 _alphaTest, u32 _srcBlend, u32 _destBlend)
{
    const u32 values[DSP_RS_COUNT] = {
        1, 3, _zWrite, _alphaTest, _srcBlend, _destBlend, DEV_CULL_CCW, DEV_CMP_LESSEQUAL, 0, DEV_CMP_GREATER, 0, 0, 0};
    for (s32 i = 0; i < DSP_RS_COUNT; ++i)
        _out[i] = values[i];
}

// One draw of _material with _variant, the ids and values coming from _set.
void REP_DrawVariant(REP_Variant& _variant, const s32* _set, const REB_Material& _material);

// One draw of _material with its own states: selects _vertexShader, applies the material's
// diffuse map (REB_Map::SetMapToRenderState, stage 0) and draws its range.
void REP_DrawWithMapStates(s32 _vertexShader, const REB_Material& _material);

// The first material of _mesh, or null when there is no mesh, no material or the first one
// has no indices.
const REB_Material* REP_FirstMaterial(const REB_Mesh* _mesh);

// Deletes the vertex shader in slot 0 of a one-shader set and clears the slot.
void REP_ReleaseShader(s32* _set);
