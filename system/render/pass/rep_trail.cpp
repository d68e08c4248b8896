// The trail and plant passes: both light by ambient alone and fog every material the same
// way; the plant adds its fade over view depth.
#include "rep_clear.h"

#include "reb_lightset.h"
#include "reb_mesh.h"
#include "rep_constants.h"
#include "rep_shader_sources.h"
#include "rep_variant.h"
#include "vec_camera.h"

namespace
{

// Slots shared by both sets.
static_assert((s32)REP_Trail::TEXTURE == (s32)REP_Plant::TEXTURE &&
                  (s32)REP_Trail::FOG_TEXTURE == (s32)REP_Plant::FOG_TEXTURE &&
                  (s32)REP_Trail::SECOND_FOG_TEXTURE == (s32)REP_Plant::SECOND_FOG_TEXTURE,
              "the trail and plant sets share their slot layout");

// alpha / 255 as a product, rounded alike in every pass.
constexpr f32 s_byteToUnit = 0.003921569f;

constexpr void SetSlots(REP_Variant& _variant)
{
    _variant.textureSlot[0] = REP_Trail::TEXTURE;
    _variant.textureSlot[1] = REP_Trail::FOG_TEXTURE;
    _variant.textureSlot[2] = REP_NO_SLOT;
    _variant.textureSlot[3] = REP_NO_SLOT;
    _variant.factorSlot = REP_NO_SLOT;
    _variant.vertexShaderSlot = REP_Trail::VS_EOAFM;
    _variant.pixelShaderSlot = REP_NO_SLOT;
}

// Added to the frame: the textured colour times its own alpha (the second stage blends the
// first stage's colour with the texture factor, 0, by that alpha), the fog's alpha left as the
// result's alpha, so the blend weights the trail by 1 - fog alpha.
constexpr REP_Variant MakeTrail()
{
    REP_Variant variant{};
    variant.stageCount = 2;
    REP_Stage(variant.stages[0], 0, DEV_TOP_MODULATE, DEV_TA_DIFFUSE, DEV_TA_TEXTURE, DEV_TOP_MODULATE, DEV_TA_DIFFUSE,
              DEV_TA_TEXTURE);
    REP_Stage(variant.stages[1], 1, DEV_TOP_BLENDCURRENTALPHA, DEV_TA_CURRENT, DEV_TA_TFACTOR, DEV_TOP_SELECTARG2,
              DEV_TA_CURRENT, DEV_TA_TEXTURE, DEV_TADDRESS_CLAMP);
    REP_States(variant.states, 0, 0, DEV_BLEND_INVSRCALPHA, DEV_BLEND_ONE);
    variant.states[DSP_RS_CULLMODE] = DEV_CULL_NONE;
    SetSlots(variant);
    return variant;
}

// Blended by its faded alpha, cut off at 64, the colour pulled towards the fog colour by the
// fog's alpha.
constexpr REP_Variant MakePlant()
{
    REP_Variant variant{};
    variant.stageCount = 2;
    REP_Stage(variant.stages[0], 0, DEV_TOP_MODULATE, DEV_TA_DIFFUSE, DEV_TA_TEXTURE, DEV_TOP_MODULATE, DEV_TA_DIFFUSE,
              DEV_TA_TEXTURE);
    REP_Stage(variant.stages[1], 1, DEV_TOP_BLENDTEXTUREALPHA, DEV_TA_TEXTURE, DEV_TA_CURRENT, DEV_TOP_SELECTARG1,
              DEV_TA_CURRENT, DEV_TA_TEXTURE, DEV_TADDRESS_CLAMP);
    REP_States(variant.states, 1, 1, DEV_BLEND_SRCALPHA, DEV_BLEND_INVSRCALPHA);
    variant.states[DSP_RS_ALPHAREF] = 64;
    variant.states[DSP_RS_CULLMODE] = DEV_CULL_NONE;
    SetSlots(variant);
    return variant;
}

REP_Variant s_trail = MakeTrail();
REP_Variant s_plant = MakePlant();

// Every material with indices: its texture, alpha and emissive colour, the fog, one draw.
// The pass's stored c51 holds the ambient colour already; a material without indices leaves
// every register alone.
template <class PASS>
void DrawMaterials(PASS& _pass, const REB_Mesh* _mesh, VEC_TransformState& _transform)
{
    const s32 count = _mesh->GetMaterialCount();
    for (s32 i = 0; i < count; ++i) {
        const REB_Material* material = _mesh->GetMaterial(i);
        if (material->indexCount == 0)
            continue;
        const VEC_Map& map = material->material.diffuseMap;
        _pass.slots[REP_Trail::TEXTURE] = (s32)map.textureId;
        _pass.ambientAlpha[3] = (f32)map.alpha * s_byteToUnit;
        REP_SetConstantRaw(51, _pass.ambientAlpha, 1);
        REP_SetConstantColor(50, material->material.selfIllumination & 0x00FFFFFFu);
        _pass.slots[REP_Trail::FOG_TEXTURE] = _pass.fogTexture;
        _pass.slots[REP_Trail::SECOND_FOG_TEXTURE] = _pass.otherFogTexture;
        f32 rows[8];
        REP_ComputeFogRows(_pass.fogLayer, _transform.GetWorld(), _transform.GetWorldToView(), rows);
        REP_SetConstantRaw(9, rows, 2);
        _pass.Draw(*material);
    }
}

// The ambient colour into the stored c51, its alpha kept from the last material.
void SetAmbient(f32 _ambientAlpha[4], const REB_LightSet& _lights)
{
    const MAT_Vector3& ambient = _lights.GetAmbient();
    _ambientAlpha[0] = ambient.x;
    _ambientAlpha[1] = ambient.y;
    _ambientAlpha[2] = ambient.z;
    REP_SetConstantRaw(51, _ambientAlpha, 1);
}

}  // namespace

void REP_Trail::Create() { SITO_DISPLAY->VertexShader_CreateFromFile(&slots[VS_EOAFM], REP_Shader_rep_trail_vs_eoafm); }

void REP_Trail::Release() { REP_ReleaseShader(slots); }

void REP_Trail::Render(const REB_Mesh* _mesh, VEC_TransformState& _transform, const REB_LightSet& _lights)
{
    REP_SetConstantMatrix4x4(3, _transform.GetWorldViewProjection());
    SetAmbient(ambientAlpha, _lights);
    DrawMaterials(*this, _mesh, _transform);
}

void REP_Trail::Draw(const REB_Material& _material) { REP_DrawVariant(s_trail, slots, _material); }

void REP_Plant::Create() { SITO_DISPLAY->VertexShader_CreateFromFile(&slots[VS_EOAFM], REP_Shader_rep_plant_vs_eoafm); }

void REP_Plant::Release() { REP_ReleaseShader(slots); }

void REP_Plant::Render(const REB_Mesh* _mesh, VEC_TransformState& _transform, const REB_LightSet& _lights)
{
    REP_SetConstantMatrix4x4(3, _transform.GetWorldViewProjection());
    SetAmbient(ambientAlpha, _lights);

    // The fade row maps view depth d to (end - d) / (end - start). A fade that ends where it
    // starts would divide by zero: the span is kept above 1e-6, a cut at the end.
    const f32 span = fadeEnd - fadeStart > 1e-6f ? fadeEnd - fadeStart : 1e-6f;
    const f32 k = -1.0f / span;
    const MAT_Matrix34& toView = _transform.GetWorldToView();
    const f32* r = toView.r.m;
    REP_SetConstant4(11, k * r[1], k * r[4], k * r[7], k * toView.t.y - k * fadeEnd);

    DrawMaterials(*this, _mesh, _transform);
}

void REP_Plant::Draw(const REB_Material& _material) { REP_DrawVariant(s_plant, slots, _material); }
