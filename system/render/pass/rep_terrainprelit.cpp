// The terrain pass: its shader set, the two tile entries and the selector textures.
#include "rep_terrainprelit.h"

#include <cstdio>

#include "dsp_display.h"
#include "dsp_texture.h"
#include "gfx_picturetga.h"
#include "mat_round.h"
#include "mos_map.h"
#include "os_fatal.h"
#include "reb_lightset.h"
#include "reb_mesh.h"
#include "rem_foglayer.h"
#include "rep_constants.h"
#include "rep_shader_sources.h"
#include "rep_variant.h"
#include "vec_camera.h"

namespace
{

using Slot = REP_TerrainShaders::Slot;

// ---- the draw variants ----

constexpr REP_Variant EmptyVariant(s32 _stageCount, Slot _vertexShader, s8 _pixelShader)
{
    REP_Variant variant{};
    variant.stageCount = _stageCount;
    for (s8& slot : variant.textureSlot)
        slot = REP_NO_SLOT;
    variant.factorSlot = REP_NO_SLOT;
    variant.vertexShaderSlot = (s8)_vertexShader;
    variant.pixelShaderSlot = _pixelShader;
    return variant;
}

constexpr REP_Variant MakeLmcs()
{
    REP_Variant v = EmptyVariant(2, REP_TerrainShaders::VS_LMCS, REP_NO_SLOT);
    REP_Stage(v.stages[0], 0, DEV_TOP_ADD, DEV_TA_DIFFUSE, DEV_TA_TEXTURE, DEV_TOP_MODULATE, DEV_TA_DIFFUSE,
              DEV_TA_TEXTURE);
    REP_Stage(v.stages[1], 1, DEV_TOP_MODULATEALPHA_ADDCOLOR, DEV_TA_CURRENT, DEV_TA_TEXTURE, DEV_TOP_DISABLE,
              DEV_TA_CURRENT, DEV_TA_TEXTURE);
    v.textureSlot[0] = REP_TerrainShaders::LIGHT_MAP;
    v.textureSlot[1] = REP_TerrainShaders::CAUSTIC;
    REP_States(v.states, 0, 0, DEV_BLEND_DESTCOLOR, DEV_BLEND_SRCCOLOR);
    return v;
}

// A layer: selector x 2 x material; the first one replaces the frame, the others add to it.
constexpr REP_Variant MakeMmsm(u32 _destBlend)
{
    REP_Variant v = EmptyVariant(2, REP_TerrainShaders::VS_MMSM, REP_NO_SLOT);
    REP_Stage(v.stages[0], 0, DEV_TOP_SELECTARG2, DEV_TA_DIFFUSE, DEV_TA_TEXTURE, DEV_TOP_SELECTARG2, DEV_TA_DIFFUSE,
              DEV_TA_TEXTURE);
    REP_Stage(v.stages[1], 1, DEV_TOP_MODULATE2X, DEV_TA_CURRENT, DEV_TA_TEXTURE, DEV_TOP_SELECTARG1, DEV_TA_CURRENT,
              DEV_TA_TEXTURE);
    v.textureSlot[0] = REP_TerrainShaders::SELECTOR_A;
    v.textureSlot[1] = REP_TerrainShaders::MATERIAL_A;
    REP_States(v.states, 1, 0, DEV_BLEND_ONE, _destBlend);
    return v;
}

constexpr REP_Variant MakeDmfm()
{
    REP_Variant v = EmptyVariant(1, REP_TerrainShaders::VS_DMFM, REP_NO_SLOT);
    REP_Stage(v.stages[0], 0, DEV_TOP_SELECTARG2, DEV_TA_DIFFUSE, DEV_TA_TEXTURE, DEV_TOP_SELECTARG2, DEV_TA_DIFFUSE,
              DEV_TA_TEXTURE);
    v.textureSlot[0] = REP_TerrainShaders::DETAIL_MAP;
    REP_States(v.states, 0, 1, DEV_BLEND_DESTCOLOR, DEV_BLEND_SRCCOLOR);
    return v;
}

constexpr REP_Variant MakeFmfm()
{
    REP_Variant v = EmptyVariant(1, REP_TerrainShaders::VS_FMFM, REP_NO_SLOT);
    REP_Stage(v.stages[0], 0, DEV_TOP_SELECTARG2, DEV_TA_DIFFUSE, DEV_TA_TEXTURE, DEV_TOP_SELECTARG2, DEV_TA_DIFFUSE,
              DEV_TA_TEXTURE, DEV_TADDRESS_CLAMP);
    v.textureSlot[0] = REP_TerrainShaders::FOG_TEXTURE;
    REP_States(v.states, 0, 1, DEV_BLEND_SRCALPHA, DEV_BLEND_INVSRCALPHA);
    return v;
}

// The pixel-program variants: the stages only bind and address the textures.
constexpr REP_Variant MakeMerged(Slot _vertexShader, Slot _pixelShader, s32 _stageCount, const Slot* _textures)
{
    REP_Variant v = EmptyVariant(_stageCount, _vertexShader, (s8)_pixelShader);
    for (s32 stage = 0; stage < _stageCount; ++stage) {
        REP_Stage(v.stages[stage], stage, DEV_TOP_MODULATE, DEV_TA_DIFFUSE, DEV_TA_TEXTURE, DEV_TOP_MODULATE,
                  DEV_TA_DIFFUSE, DEV_TA_TEXTURE);
        v.textureSlot[stage] = (s8)_textures[stage];
    }
    REP_States(v.states, 1, 0, DEV_BLEND_ONE, DEV_BLEND_ZERO);
    return v;
}

constexpr Slot s_mmsmdmfmTextures[3] = {REP_TerrainShaders::SELECTOR_A, REP_TerrainShaders::MATERIAL_A,
                                        REP_TerrainShaders::DETAIL_MAP};
constexpr Slot s_mmsmmmsmTextures[4] = {REP_TerrainShaders::SELECTOR_A, REP_TerrainShaders::MATERIAL_A,
                                        REP_TerrainShaders::SELECTOR_B, REP_TerrainShaders::MATERIAL_B};

// Program-static: each draw writes the set's texture ids into them.
constinit REP_Variant s_lmcs = MakeLmcs();
constinit REP_Variant s_mmsm = MakeMmsm(DEV_BLEND_ZERO);
constinit REP_Variant s_mmsmAdd = MakeMmsm(DEV_BLEND_ONE);
constinit REP_Variant s_dmfm = MakeDmfm();
constinit REP_Variant s_fmfm = MakeFmfm();
constinit REP_Variant s_mmsmdmfm =
    MakeMerged(REP_TerrainShaders::VS_MMSMDMFM, REP_TerrainShaders::PS_MMSMDMFM, 3, s_mmsmdmfmTextures);
constinit REP_Variant s_mmsmmmsm =
    MakeMerged(REP_TerrainShaders::VS_MMSMMMSM, REP_TerrainShaders::PS_MMSMMMSM, 4, s_mmsmmmsmTextures);

constexpr s32 s_vertexShaderSlots[] = {REP_TerrainShaders::VS_LMCS,     REP_TerrainShaders::VS_MMSM,
                                       REP_TerrainShaders::VS_DMFM,     REP_TerrainShaders::VS_FMFM,
                                       REP_TerrainShaders::VS_MMSMDMFM, REP_TerrainShaders::VS_MMSMMMSM};
constexpr s32 s_pixelShaderSlots[] = {REP_TerrainShaders::PS_MMSMDMFM, REP_TerrainShaders::PS_MMSMMMSM};

// ---- constants ----

// Offset register (-floor(s x cx) / s, -floor(s x cy) / s, 0, 0) and scale register (s, s, s, s):
// the programs compute s x P.xy - floor(s x camera), a whole number of repeats off the world.
void SetTiledRows(s32 _register, f32 _scale, const MAT_Vector3& _camera)
{
    f32 offsetX = 0.0f;
    f32 offsetY = 0.0f;
    // A scale of 0 makes every coordinate 0; the offset would be 0 / 0.
    if (_scale != 0.0f) {
        offsetX = -(f32)MAT_FloorByRounding(_scale * _camera.x) / _scale;
        offsetY = -(f32)MAT_FloorByRounding(_scale * _camera.y) / _scale;
    }
    REP_SetConstant4(_register, offsetX, offsetY, 0.0f, 0.0f);
    REP_SetConstantSplat(_register + 1, _scale);
}

// Draws only a tile whose first material has something to draw.
const REB_Material* DrawableMaterial(const REB_Mesh* _tile)
{
    const REB_Material* material = REP_FirstMaterial(_tile);
    return material != nullptr && material->vertexCount != 0 ? material : nullptr;
}

// The passes both entries end with: light map and caustics, then fog, over the merged layers.
void DrawLightAndFog(REP_TerrainPrelit& _pass, const REB_Material& _range, VEC_TransformState& _transform)
{
    if (_pass.flags & REP_TERRAIN_LIGHTMAP) {
        _pass.SetCausticConstants(_pass.causticTexture, _pass.causticRecord, _transform);
        _pass.shaders.slots[REP_TerrainShaders::LIGHT_MAP] = _pass.lightMap;
        _pass.shaders.Draw_lmcs(_range);
    }
    if (_pass.flags & REP_TERRAIN_FOG) {
        _pass.SetFogConstants(_pass.fogTexture, _pass.otherFogTexture, _pass.fogFactor, _pass.fogDensity,
                              _pass.fogLayer, _transform);
        _pass.shaders.Draw_fmfm(_range);
    }
}

// ---- selectors ----

constexpr s32 SELECTOR_SIDE = 256;
constexpr s32 SELECTOR_LEVEL = 8;  // 2^8 = SELECTOR_SIDE
constexpr s32 SELECTOR_LAYERS = REP_TerrainPrelit::LAYERS;
constexpr f32 NO_TINT_FACTOR = 3.4028235e38f;
const char* const SELECTOR_CAPTION = "REP_TerrainPrelit::CreateAndUploadSelectors()";

// The alpha byte names the layer: 0x10-0x1F layer 1, 0x20-0x2F layer 2, anything else layer 0.
s32 LayerOfAlpha(u8 _alpha)
{
    if (_alpha >= 0x10 && _alpha < 0x20)
        return 1;
    if (_alpha >= 0x20 && _alpha < 0x30)
        return 2;
    return 0;
}

// A colour byte divided by twice the layer's average, as a byte: clamped to 0..255 and cut
// toward zero. A factor of FLT_MAX (tint 0) overflows to infinity, which clamps to 255; a NaN
// lands on 0.
u8 ScaleByte(u8 _value, f32 _factor)
{
    const f32 scaled = (f32)_value * _factor;
    if (scaled >= 255.0f)
        return 255;
    if (scaled > 0.0f)
        return (u8)(s32)scaled;
    return 0;
}

// A 256 x 256 buffer of A4R4G4B4 pixels, freed however the upload ends.
class SelectorPixels
{
public:
    SelectorPixels() { m_pixels = (u16*)MEM_AllocOrDie(SELECTOR_SIDE * SELECTOR_SIDE * 2, SELECTOR_CAPTION); }
    ~SelectorPixels() { MEM_Free(m_pixels); }
    SelectorPixels(const SelectorPixels&) = delete;
    SelectorPixels& operator=(const SelectorPixels&) = delete;

    // The high nibble of each byte of the B, G, R, A cells.
    const u16* Convert(const MOS_Map<u32>& _map)
    {
        for (s32 i = 0; i < _map.m_count; ++i) {
            const u8* bytes = (const u8*)&_map.m_cells[i];
            m_pixels[i] = (u16)((bytes[3] >> 4) << 12 | (bytes[2] >> 4) << 8 | (bytes[1] >> 4) << 4 | bytes[0] >> 4);
        }
        return m_pixels;
    }

private:
    u16* m_pixels = nullptr;
};

}  // namespace

// ---- REP_TerrainShaders ----

void REP_TerrainShaders::Create()
{
    DSP_Display* display = SITO_DISPLAY;
    display->VertexShader_CreateFromFile(&slots[VS_LMCS], REP_Shader_rep_terrainprelit_vs_lmcs);
    display->VertexShader_CreateFromFile(&slots[VS_MMSM], REP_Shader_rep_terrainprelit_vs_mmsm);
    display->VertexShader_CreateFromFile(&slots[VS_DMFM], REP_Shader_rep_terrainprelit_vs_dmfm);
    display->VertexShader_CreateFromFile(&slots[VS_FMFM], REP_Shader_rep_terrainprelit_vs_fmfm);
    display->VertexShader_CreateFromFile(&slots[VS_MMSMDMFM], REP_Shader_rep_terrainprelit_vs_mmsmdmfm);
    display->PixelShader_CreateFromMemory(&slots[PS_MMSMDMFM], REP_Shader_rep_terrainprelit_ps_mmsmdmfm);
    display->VertexShader_CreateFromFile(&slots[VS_MMSMMMSM], REP_Shader_rep_terrainprelit_vs_mmsmmmsm);
    display->PixelShader_CreateFromMemory(&slots[PS_MMSMMMSM], REP_Shader_rep_terrainprelit_ps_mmsmmmsm);
}

void REP_TerrainShaders::Release()
{
    DSP_Display* display = SITO_DISPLAY;
    for (s32 slot : s_vertexShaderSlots) {
        if (slots[slot] != 0)
            display->VertexShader_Destroy(slots[slot]);
        slots[slot] = 0;
    }
    for (s32 slot : s_pixelShaderSlots) {
        if (slots[slot] != 0)
            display->PixelShader_Destroy(slots[slot]);
        slots[slot] = 0;
    }
}

void REP_TerrainShaders::Draw_lmcs(const REB_Material& _material) { REP_DrawVariant(s_lmcs, slots, _material); }
void REP_TerrainShaders::Draw_mmsm(const REB_Material& _material) { REP_DrawVariant(s_mmsm, slots, _material); }
void REP_TerrainShaders::Draw_mmsmAdd(const REB_Material& _material) { REP_DrawVariant(s_mmsmAdd, slots, _material); }
void REP_TerrainShaders::Draw_dmfm(const REB_Material& _material) { REP_DrawVariant(s_dmfm, slots, _material); }
void REP_TerrainShaders::Draw_fmfm(const REB_Material& _material) { REP_DrawVariant(s_fmfm, slots, _material); }

void REP_TerrainShaders::Draw_mmsmdmfm(const REB_Material& _material) { REP_DrawVariant(s_mmsmdmfm, slots, _material); }

void REP_TerrainShaders::Draw_mmsmmmsm(const REB_Material& _material) { REP_DrawVariant(s_mmsmmmsm, slots, _material); }

// ---- REP_TerrainPrelit ----

void REP_TerrainPrelit::Create() { shaders.Create(); }
void REP_TerrainPrelit::Release() { shaders.Release(); }

void REP_TerrainPrelit::SetLayer(s32 _selector, s32 _material, f32 _scale, const MAT_Vector3& _camera)
{
    shaders.slots[REP_TerrainShaders::SELECTOR_A] = _selector;
    shaders.slots[REP_TerrainShaders::MATERIAL_A] = _material;
    SetTiledRows(15, _scale, _camera);
}

void REP_TerrainPrelit::SetTwoLayers(s32 _selectorA, s32 _materialA, f32 _scaleA, s32 _selectorB, s32 _materialB,
                                     f32 _scaleB, const MAT_Vector3& _camera)
{
    SetLayer(_selectorA, _materialA, _scaleA, _camera);
    shaders.slots[REP_TerrainShaders::SELECTOR_B] = _selectorB;
    shaders.slots[REP_TerrainShaders::MATERIAL_B] = _materialB;
    SetTiledRows(17, _scaleB, _camera);
}

void REP_TerrainPrelit::SetDetail(s32 _detail, f32 _scale, const MAT_Vector3& _camera)
{
    shaders.slots[REP_TerrainShaders::DETAIL_MAP] = _detail;
    SetTiledRows(19, _scale, _camera);
}

void REP_TerrainPrelit::SetCausticConstants(s32 _caustic, const REB_PlanarProjection& _record,
                                            VEC_TransformState& _transform)
{
    shaders.slots[REP_TerrainShaders::CAUSTIC] = _caustic;
    f32 rows[12];
    REB_PlanarProjection::Compute(_record, _transform.GetView(), _transform.GetWorld(), rows);
    REP_SetConstantRaw(7, rows, 3);
    // The light-map program's diffuse colour: its alpha weights the caustic.
    REP_SetConstant4(10, 0.0f, 0.0f, 0.0f, _record.heightFactor);
}

void REP_TerrainPrelit::SetFogConstants(s32 _fogTexture, s32 _otherFogTexture, f32 _fogFactor, f32 _density,
                                        const REM_FogLayer* _fog, VEC_TransformState& _transform)
{
    shaders.slots[REP_TerrainShaders::FOG_TEXTURE] = _fogTexture;
    shaders.slots[REP_TerrainShaders::SECOND_FOG_TEXTURE] = _otherFogTexture;
    const MAT_Matrix34& worldToView = _transform.GetWorldToView();
    f32 rows[12];
    REP_ComputeFogRows(_fog, _transform.GetWorld(), worldToView, rows);
    REP_ComputeFogRamp(_fog, _fogFactor, worldToView, rows + 8);
    REP_SetConstantRaw(11, rows, 3);
    REP_SetConstantSplat(14, _density);
}

void REP_TerrainPrelit::RenderTile(const REB_Mesh* _tile, VEC_TransformState& _transform, REB_LightSet& /*_lights*/)
{
    const REB_Material* range = DrawableMaterial(_tile);
    if (range == nullptr)
        return;
    REP_SetConstantMatrix4x4(3, _transform.GetWorldViewProjection());
    const MAT_Vector3& camera = _transform.GetView().t;

    SetLayer(selector[0], material[0], materialScale[0], camera);
    shaders.Draw_mmsm(*range);
    for (s32 layer = 1; layer < LAYERS; ++layer) {
        if (selector[layer] == -1)
            continue;
        SetLayer(selector[layer], material[layer], materialScale[layer], camera);
        shaders.Draw_mmsmAdd(*range);
    }
    if (flags & REP_TERRAIN_DETAIL) {
        SetDetail(detailTexture, detailScale, camera);
        shaders.Draw_dmfm(*range);
    }
    DrawLightAndFog(*this, *range, _transform);
}

void REP_TerrainPrelit::RenderTilePS(const REB_Mesh* _tile, VEC_TransformState& _transform, REB_LightSet& /*_lights*/)
{
    const REB_Material* range = DrawableMaterial(_tile);
    if (range == nullptr)
        return;
    REP_SetConstantMatrix4x4(3, _transform.GetWorldViewProjection());
    const MAT_Vector3& camera = _transform.GetView().t;

    // The present layers in order. Layer 0 always is; a terrain may use layer 2 without
    // layer 1, and its layer 2 must not be lost.
    s32 layers[LAYERS] = {0, 0, 0};
    s32 count = 1;
    for (s32 layer = 1; layer < LAYERS; ++layer)
        if (selector[layer] != -1)
            layers[count++] = layer;

    const u32 detail = flags & REP_TERRAIN_DETAIL;
    if (count == 1) {
        SetLayer(selector[0], material[0], materialScale[0], camera);
        if (detail) {
            SetDetail(detailTexture, detailScale, camera);
            shaders.Draw_mmsmdmfm(*range);
        } else {
            shaders.Draw_mmsm(*range);
        }
    } else {
        const s32 b = layers[1];
        SetTwoLayers(selector[0], material[0], materialScale[0], selector[b], material[b], materialScale[b], camera);
        shaders.Draw_mmsmmmsm(*range);
        if (count == 3) {
            const s32 c = layers[2];
            SetLayer(selector[c], material[c], materialScale[c], camera);
            shaders.Draw_mmsmAdd(*range);
        }
        if (detail) {
            SetDetail(detailTexture, detailScale, camera);
            shaders.Draw_dmfm(*range);
        }
    }
    DrawLightAndFog(*this, *range, _transform);
}

s32 REP_TerrainPrelit::CreateAndUploadSelectors(const char* _folder, s32 _firstId, const f32 _tint0[3],
                                                const f32 _tint1[3], const f32 _tint2[3])
{
    char path[512];
    snprintf(path, sizeof(path), "%s%s", _folder, "material_s.tga");
    GFX_PictureTGA picture;
    if (!picture.Open(path, 1))
        OS_Fatal(SELECTOR_CAPTION, path);
    // The textures are made 256 x 256 and filled from the picture's pixels: any other size
    // would read or upload past one of them.
    if (picture.GetWidth() != SELECTOR_SIDE || picture.GetHeight() != SELECTOR_SIDE)
        OS_Fatal(SELECTOR_CAPTION, "selector map must be 256 x 256");

    MOS_Map<u32> maps[SELECTOR_LAYERS];
    maps[0].Reconstruct(SELECTOR_SIDE, SELECTOR_SIDE);
    picture.ReadData_RGBA8888(maps[0].m_cells, SELECTOR_SIDE * 4, 1);
    for (s32 layer = 1; layer < SELECTOR_LAYERS; ++layer) {
        maps[layer].Reconstruct(SELECTOR_SIDE, SELECTOR_SIDE);
        maps[layer].Copy(maps[0]);
    }

    for (s32 layer = 0; layer < SELECTOR_LAYERS; ++layer)
        selector[layer] = -1;
    const f32* tints[SELECTOR_LAYERS] = {_tint0, _tint1, _tint2};
    f32 factors[SELECTOR_LAYERS][3] = {};
    for (s32 layer = 0; layer < SELECTOR_LAYERS; ++layer)
        for (s32 c = 0; c < 3; ++c)
            factors[layer][c] = tints[layer][c] != 0.0f ? 0.5f / tints[layer][c] : NO_TINT_FACTOR;

    // Each pixel goes to the layer its alpha names, with alpha 255 and its colour over twice
    // the layer's average, bytes now B, G, R, A; the other layers are black there.
    u32 present[SELECTOR_LAYERS] = {};
    const s32 count = maps[0].m_count;
    for (s32 i = 0; i < count; ++i) {
        const u8* rgba = (const u8*)&maps[0].m_cells[i];
        const u8 red = rgba[0];
        const u8 green = rgba[1];
        const u8 blue = rgba[2];
        const s32 owner = LayerOfAlpha(rgba[3]);
        present[owner] = 1;
        for (s32 layer = 0; layer < SELECTOR_LAYERS; ++layer) {
            u8* bgra = (u8*)&maps[layer].m_cells[i];
            if (layer != owner) {
                bgra[0] = bgra[1] = bgra[2] = bgra[3] = 0;
                continue;
            }
            const f32* factor = factors[layer];
            bgra[0] = ScaleByte(blue, factor[2]);
            bgra[1] = ScaleByte(green, factor[1]);
            bgra[2] = ScaleByte(red, factor[0]);
            bgra[3] = 255;
        }
    }
    if (!present[0])
        OS_Fatal(SELECTOR_CAPTION, "At least material 0 has to be defined in selectormap.");

    SelectorPixels pixels;
    s32 made = 0;
    for (s32 layer = 0; layer < SELECTOR_LAYERS; ++layer) {
        if (!present[layer])
            continue;
        const s32 id = _firstId + made;
        SITO_DISPLAY->Texture_Create(id, DSP_TEXTURE_A4R4G4B4, SELECTOR_LEVEL, 1);
        SITO_DISPLAY->Texture_Refresh(id, pixels.Convert(maps[layer]));
        selector[layer] = id;
        ++made;
    }
    picture.Close();
    return made;
}
