// The sky pass.
#include "rep_clear.h"

#include "reb_mesh.h"
#include "rep_constants.h"
#include "rep_shader_sources.h"
#include "rep_variant.h"
#include "vec_camera.h"

namespace
{

// The sky on the first stage, then towards the fog by the texture factor's alpha:
// fog x f + sky x (1 - f). Behind everything: no depth test, no depth write.
constexpr REP_Variant MakeSmfm()
{
    REP_Variant variant{};
    variant.stageCount = 2;
    REP_Stage(variant.stages[0], 0, DEV_TOP_SELECTARG2, DEV_TA_TEXTURE, DEV_TA_TEXTURE, DEV_TOP_SELECTARG2,
              DEV_TA_TEXTURE, DEV_TA_TEXTURE, DEV_TADDRESS_CLAMP);
    REP_Stage(variant.stages[1], 1, DEV_TOP_BLENDFACTORALPHA, DEV_TA_TEXTURE, DEV_TA_CURRENT, DEV_TOP_BLENDFACTORALPHA,
              DEV_TA_TEXTURE, DEV_TA_CURRENT, DEV_TADDRESS_CLAMP);
    REP_States(variant.states, 0, 1, DEV_BLEND_ONE, DEV_BLEND_ZERO);
    variant.states[DSP_RS_ZENABLE] = 0;
    variant.textureSlot[0] = REP_Clear::SKY_TEXTURE;
    variant.textureSlot[1] = REP_Clear::FOG_TEXTURE;
    variant.textureSlot[2] = REP_NO_SLOT;
    variant.textureSlot[3] = REP_NO_SLOT;
    variant.factorSlot = REP_Clear::TEXTURE_FACTOR;
    variant.vertexShaderSlot = REP_Clear::VS_SMFM;
    variant.pixelShaderSlot = REP_NO_SLOT;
    return variant;
}

REP_Variant s_smfm = MakeSmfm();

// The density as one byte in all four channels of the texture factor: truncated, not
// rounded, and clamped so that a density outside 0..1 (or NaN) cannot spill into the
// neighbouring bytes.
u32 FogFactor(f32 _density)
{
    const f32 scaled = _density * 255.0f;
    const u32 byte = scaled >= 255.0f ? 255u : scaled > 0.0f ? (u32)scaled : 0u;
    return byte * 0x01010101u;
}

}  // namespace

void REP_Clear::Create() { SITO_DISPLAY->VertexShader_CreateFromFile(&slots[VS_SMFM], REP_Shader_rep_clear_vs_smfm); }

void REP_Clear::Release()
{
    for (s32 slot = VS_CMFM; slot <= VS_SMFM; ++slot) {
        if (slots[slot] != 0)
            SITO_DISPLAY->VertexShader_Destroy(slots[slot]);
        slots[slot] = 0;
    }
}

void REP_Clear::Render(const REB_Mesh* _sky, const VEC_Camera& _camera, VEC_TransformState& _transform)
{
    MAT_Matrix34 world;
    world.t = _transform.GetView().t;
    world.r.SetDiagonal(_camera.GetNear() + _camera.GetFar());
    _transform.SetWorld(world);
    REP_SetConstantMatrix4x4(3, _transform.GetWorldViewProjection());

    slots[FOG_TEXTURE] = fogTexture;
    slots[SECOND_FOG_TEXTURE] = otherFogTexture;
    slots[TEXTURE_FACTOR] = (s32)FogFactor(fogDensity);

    f32 rows[8];
    REP_ComputeFogRows(fogLayer, world, _transform.GetWorldToView(), rows);
    REP_SetConstantRaw(7, rows, 2);
    for (s32 i = 0; i < 8; ++i) {
        if ((i & 3) != 3)
            rows[i] = rows[i] * 2.0f;
    }
    REP_SetConstantRaw(9, rows, 2);

    // A material without indices goes to the draw too, which draws nothing.
    const s32 count = _sky->GetMaterialCount();
    for (s32 i = 0; i < count; ++i) {
        const REB_Material* material = _sky->GetMaterial(i);
        slots[SKY_TEXTURE] = (s32)material->material.diffuseMap.textureId;
        Draw(*material);
    }
}

void REP_Clear::Draw(const REB_Material& _material) { REP_DrawVariant(s_smfm, slots, _material); }
