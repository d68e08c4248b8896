// The terrain pass: one tile (a render mesh in world space, first material only) built from up
// to three material layers weighted by selector textures, a detail texture, a light map with
// moving caustics and fog. RenderTile draws each layer with fixed-function stages; RenderTilePS
// merges layers in pixel programs. CreateAndUploadSelectors makes the selector textures from
// the terrain's "material_s.tga" once per terrain.
#pragma once

#include "mem_alloc.h"
#include "reb_planarprojection.h"

class REB_LightSet;
class REB_Mesh;
class REM_FogLayer;
class VEC_TransformState;
struct REB_Material;

class REP_TerrainShaders
{
public:
    enum Slot : s32
    {
        VS_LMCS,
        VS_MMSM,
        VS_DMFM,
        VS_FMFM,
        VS_MMSMDMFM,
        PS_MMSMDMFM,
        VS_MMSMMMSM,
        PS_MMSMMMSM,
        LIGHT_MAP,
        CAUSTIC,
        MATERIAL_A,
        SELECTOR_A,
        MATERIAL_B,
        SELECTOR_B,
        DETAIL_MAP,
        FOG_TEXTURE,
        SECOND_FOG_TEXTURE,
        SLOT_COUNT
    };
    void Create();
    void Release();
    void Draw_lmcs(const REB_Material& _material);
    void Draw_mmsm(const REB_Material& _material);     // a tile's first layer
    void Draw_mmsmAdd(const REB_Material& _material);  // each further layer, added
    void Draw_dmfm(const REB_Material& _material);
    void Draw_fmfm(const REB_Material& _material);
    void Draw_mmsmdmfm(const REB_Material& _material);
    void Draw_mmsmmmsm(const REB_Material& _material);

    s32 slots[SLOT_COUNT] = {0, 0, 0, 0, 0, 0, 0, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};

// Flag bits.
enum : u32
{
    REP_TERRAIN_DETAIL = 0x1,
    REP_TERRAIN_LIGHTMAP = 0x2,
    REP_TERRAIN_FOG = 0x4,
    REP_TERRAIN_PIXELSHADER = 0x8,
};

class REP_TerrainPrelit : public MEM_Object
{
public:
    enum { LAYERS = 3 };

    void Create();
    void Release();
    void RenderTile(const REB_Mesh* _tile, VEC_TransformState& _transform, REB_LightSet& _lights);
    void RenderTilePS(const REB_Mesh* _tile, VEC_TransformState& _transform, REB_LightSet& _lights);
    // Reads _folder + "material_s.tga" (256 x 256, 32 bits; any other size is fatal) into up
    // to three A4R4G4B4 selector textures from _firstId; returns how many were made. The tints
    // are each layer's average colour (red, green, blue).
    s32 CreateAndUploadSelectors(const char* _folder, s32 _firstId, const f32 _tint0[3], const f32 _tint1[3],
                                 const f32 _tint2[3]);

    u32 flags = 0;
    s32 selector[LAYERS] = {-1, -1, -1};
    s32 material[LAYERS] = {-1, -1, -1};
    f32 materialScale[LAYERS] = {1.0f, 1.0f, 1.0f};
    s32 detailTexture = -1;
    f32 detailScale = 1.0f;
    s32 lightMap = -1;
    s32 causticTexture = -1;
    REB_PlanarProjection causticRecord;
    s32 fogTexture = -1;
    s32 otherFogTexture = -1;
    f32 fogFactor = 0.0f;
    f32 fogDensity = 0.0f;
    const REM_FogLayer* fogLayer = nullptr;
    REP_TerrainShaders shaders;
};
