// The terrain pass: one tile (a render mesh in world space, first material only) built from up
// to three material layers weighted by selector textures, a detail texture, a light map with
// moving caustics and fog. RenderTile draws each layer with fixed-function stages; RenderTilePS
// merges layers in pixel programs. CreateAndUploadSelectors makes the selector textures from
// the terrain's "material_s.tga" once per terrain.
//
// The renderer fills the public fields; the pass owns its shader set (Create to Release). A
// layer is present when its selector id is not -1; layer 0 always is. Tiles are in world space:
// the transform state's world matrix is the identity. Texture coordinates of the tiled textures
// are rebased on a grid cell near the camera so that 32-bit floats keep their precision far
// from the origin.
#pragma once

#include "mat_vector.h"
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
    enum
    {
        LAYERS = 3
    };

    void Create();
    void Release();
    // Both draw nothing and upload nothing when the tile's first material has no indices or no
    // vertices. RenderTile adds the layers up in separate draws; RenderTilePS merges them in
    // pixel programs (the present layers in order, whichever of 1 and 2 they are).
    void RenderTile(const REB_Mesh* _tile, VEC_TransformState& _transform, REB_LightSet& _lights);
    void RenderTilePS(const REB_Mesh* _tile, VEC_TransformState& _transform, REB_LightSet& _lights);
    // Selector and material into set slots 11 and 10, the layer's coordinate rows into c15, c16.
    void SetLayer(s32 _selector, s32 _material, f32 _scale, const MAT_Vector3& _camera);
    // Layer A as SetLayer; layer B into slots 13 and 12 and c17, c18.
    void SetTwoLayers(s32 _selectorA, s32 _materialA, f32 _scaleA, s32 _selectorB, s32 _materialB, f32 _scaleB,
                      const MAT_Vector3& _camera);
    // The detail texture into slot 14, its coordinate rows into c19, c20.
    void SetDetail(s32 _detail, f32 _scale, const MAT_Vector3& _camera);
    // Slot 9 and the caustic projection rows c7-c9; c10 = (0, 0, 0, height factor).
    void SetCausticConstants(s32 _caustic, const REB_PlanarProjection& _record, VEC_TransformState& _transform);
    // Slots 15 and 16, the fog rows c11, c12, the fog ramp c13 and the density c14.
    void SetFogConstants(s32 _fogTexture, s32 _otherFogTexture, f32 _fogFactor, f32 _density, const REM_FogLayer* _fog,
                         VEC_TransformState& _transform);
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
