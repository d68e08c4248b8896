// The object passes: their shader sets, the constants of an object and the choice of
// variants per material.
#include "rep_object.h"

#include "dsp_display.h"
#include "reb_lightset.h"
#include "reb_mesh.h"
#include "rem_foglayer.h"
#include "rep_constants.h"
#include "rep_shader_sources.h"
#include "rep_variant.h"
#include "vec_camera.h"

namespace
{

using ObjectSlot = REP_ObjectShaders::Slot;
using PrelitSlot = REP_ObjectPrelitShaders::Slot;

// ---- the draw variants ----

constexpr REP_Variant EmptyVariant(s32 _stageCount, s32 _vertexShader)
{
    REP_Variant variant{};
    variant.stageCount = _stageCount;
    for (s8& slot : variant.textureSlot)
        slot = REP_NO_SLOT;
    variant.factorSlot = REP_NO_SLOT;
    variant.vertexShaderSlot = (s8)_vertexShader;
    variant.pixelShaderSlot = REP_NO_SLOT;
    return variant;
}

// Colour diffuse + diffuse alpha x caustic, alpha the diffuse alpha (the caustic weight).
constexpr void CausticStage(REP_Variant& _v, s32 _stage, s32 _slot)
{
    REP_Stage(_v.stages[_stage], _stage, DEV_TOP_MODULATEALPHA_ADDCOLOR, DEV_TA_DIFFUSE, DEV_TA_TEXTURE,
              DEV_TOP_SELECTARG1, DEV_TA_DIFFUSE, DEV_TA_TEXTURE);
    _v.textureSlot[_stage] = (s8)_slot;
}

// Colour 2 x current x diffuse map, alpha the map's.
constexpr void DiffuseStage(REP_Variant& _v, s32 _stage, s32 _slot)
{
    REP_Stage(_v.stages[_stage], _stage, DEV_TOP_MODULATE2X, DEV_TA_CURRENT, DEV_TA_TEXTURE, DEV_TOP_SELECTARG2,
              DEV_TA_CURRENT, DEV_TA_TEXTURE);
    _v.textureSlot[_stage] = (s8)_slot;
}

// Colour and alpha of the texture alone.
constexpr void TextureStage(REP_Variant& _v, s32 _stage, s32 _slot, s32 _address)
{
    REP_Stage(_v.stages[_stage], _stage, DEV_TOP_SELECTARG2, DEV_TA_DIFFUSE, DEV_TA_TEXTURE, DEV_TOP_SELECTARG2,
              DEV_TA_DIFFUSE, DEV_TA_TEXTURE, _address);
    _v.textureSlot[_stage] = (s8)_slot;
}

// The opaque caustic-lit passes: cm, cmdm and the one-pass cmdmfm.
constexpr REP_Variant MakeCaustic(s32 _vertexShader, s32 _stageCount)
{
    REP_Variant v = EmptyVariant(_stageCount, _vertexShader);
    CausticStage(v, 0, REP_ObjectShaders::CAUSTIC);
    if (_stageCount > 1)
        DiffuseStage(v, 1, REP_ObjectShaders::DIFFUSE_MAP);
    if (_stageCount > 2) {
        // Clamped like the fog of the two-pass form: fog coordinates past the table's edge
        // must keep its last colour, not wrap round to the near one.
        REP_Stage(v.stages[2], 2, DEV_TOP_BLENDTEXTUREALPHA, DEV_TA_TEXTURE, DEV_TA_CURRENT, DEV_TOP_SELECTARG1,
                  DEV_TA_CURRENT, DEV_TA_TEXTURE, DEV_TADDRESS_CLAMP);
        v.textureSlot[2] = REP_ObjectShaders::FOG_TEXTURE;
    }
    REP_States(v.states, 1, 0, DEV_BLEND_ONE, DEV_BLEND_ZERO);
    return v;
}

// 2 x diffuse x (factor + factor alpha x bump), multiplied into the frame twice over.
constexpr REP_Variant MakeBump(s32 _vertexShader, s32 _bumpSlot, s32 _diffuseSlot, s32 _factorSlot)
{
    REP_Variant v = EmptyVariant(2, _vertexShader);
    REP_Stage(v.stages[0], 0, DEV_TOP_MODULATEALPHA_ADDCOLOR, DEV_TA_TFACTOR, DEV_TA_TEXTURE, DEV_TOP_SELECTARG2,
              DEV_TA_TFACTOR, DEV_TA_TEXTURE);
    v.textureSlot[0] = (s8)_bumpSlot;
    DiffuseStage(v, 1, _diffuseSlot);
    v.factorSlot = (s8)_factorSlot;
    REP_States(v.states, 0, 1, DEV_BLEND_DESTCOLOR, DEV_BLEND_SRCCOLOR);
    return v;
}

// The fog texture blended over the frame by its alpha.
constexpr REP_Variant MakeFog(s32 _vertexShader, s32 _fogSlot)
{
    REP_Variant v = EmptyVariant(1, _vertexShader);
    TextureStage(v, 0, _fogSlot, DEV_TADDRESS_CLAMP);
    REP_States(v.states, 0, 1, DEV_BLEND_SRCALPHA, DEV_BLEND_INVSRCALPHA);
    return v;
}

// Light map + caustic weight x caustic, opaque: what the pre-lit mesh is multiplied into.
constexpr REP_Variant MakeLightMap()
{
    REP_Variant v = EmptyVariant(2, REP_ObjectPrelitShaders::VS_LMCS);
    CausticStage(v, 0, REP_ObjectPrelitShaders::CAUSTIC);
    REP_Stage(v.stages[1], 1, DEV_TOP_ADD, DEV_TA_CURRENT, DEV_TA_TEXTURE, DEV_TOP_SELECTARG1, DEV_TA_DIFFUSE,
              DEV_TA_TEXTURE);
    v.textureSlot[1] = REP_ObjectPrelitShaders::LIGHT_MAP;
    REP_States(v.states, 1, 0, DEV_BLEND_ONE, DEV_BLEND_ZERO);
    return v;
}

// The frame times 2 x diffuse map.
constexpr REP_Variant MakeDiffuse()
{
    REP_Variant v = EmptyVariant(1, REP_ObjectPrelitShaders::VS_DM);
    TextureStage(v, 0, REP_ObjectPrelitShaders::DIFFUSE_MAP, DEV_TADDRESS_WRAP);
    REP_States(v.states, 0, 1, DEV_BLEND_DESTCOLOR, DEV_BLEND_SRCCOLOR);
    return v;
}

// Program-static: each draw writes the set's texture ids into them.
constinit REP_Variant s_objectCmdmfm = MakeCaustic(REP_ObjectShaders::VS_CMDMFM, 3);
constinit REP_Variant s_objectCmdm = MakeCaustic(REP_ObjectShaders::VS_CMDM, 2);
constinit REP_Variant s_objectCm = MakeCaustic(REP_ObjectShaders::VS_CM, 1);
constinit REP_Variant s_objectDmbm = MakeBump(REP_ObjectShaders::VS_DMBM, REP_ObjectShaders::BUMP_MAP,
                                              REP_ObjectShaders::DIFFUSE_MAP, REP_ObjectShaders::TEXTURE_FACTOR);
constinit REP_Variant s_objectFm = MakeFog(REP_ObjectShaders::VS_FM, REP_ObjectShaders::FOG_TEXTURE);

constinit REP_Variant s_prelitLmcs = MakeLightMap();
constinit REP_Variant s_prelitDm = MakeDiffuse();
constinit REP_Variant s_prelitDmbm =
    MakeBump(REP_ObjectPrelitShaders::VS_DMBM, REP_ObjectPrelitShaders::BUMP_MAP, REP_ObjectPrelitShaders::DIFFUSE_MAP,
             REP_ObjectPrelitShaders::TEXTURE_FACTOR);
constinit REP_Variant s_prelitFm = MakeFog(REP_ObjectPrelitShaders::VS_FM, REP_ObjectPrelitShaders::FOG_TEXTURE);

void CreateShaders(s32* _set, const char* const* _programs, s32 _count)
{
    for (s32 i = 0; i < _count; ++i)
        SITO_DISPLAY->VertexShader_CreateFromFile(&_set[i], _programs[i]);
}

void ReleaseShaders(s32* _set, s32 _count)
{
    for (s32 i = 0; i < _count; ++i) {
        if (_set[i] != 0)
            SITO_DISPLAY->VertexShader_Destroy(_set[i]);
        _set[i] = 0;
    }
}

// ---- constants ----

constexpr s32 LIGHT_DIRECTIONAL = 1;

// Registers of the object programs (shaders/rep_object_vs_register.glsl).
enum : s32
{
    C_TRANSFORM = 3,
    C_CAUSTIC = 10,
    C_FOG_ROWS = 13,
    C_FOG_RAMP = 15,
    C_FOG_DENSITY = 16,
    C_BUMP_TILING = 18,
    C_EMISSIVE = 50,
    C_AMBIENT = 51,
    C_SPECULAR_POWER = 52,
    C_DIRECTIONAL = 53,
    C_POINT_LIGHTS = 56,
};

// What the point-light programs would read; none of them is built, but the registers keep
// the values they have always had.
constexpr f32 SPECULAR_POWER = 30.0f;

s32 TextureId(u32 _id) { return (s32)_id; }

u32 HasBump(const REB_Material& _material) { return _material.material.detailMap.textureId != VEC_NO_TEXTURE; }

// The transform and the lights of an object, in the object's space.
void SetLightConstants(VEC_TransformState& _transform, REB_LightSet& _lights)
{
    REP_SetConstantMatrix4x4(C_TRANSFORM, _transform.GetWorldViewProjection());
    const s32 count = _lights.GetLightCount();
    if (count > 0)
        _lights.TransformToObjectSpace(_transform.GetInverseWorld());
    const MAT_Vector3& ambient = _lights.GetAmbient();
    REP_SetConstantMasked(C_AMBIENT, ambient.x, ambient.y, ambient.z, REP_KEEP);

    // The last directional light of the list lights the object.
    s32 directional = -1;
    for (s32 i = count - 1; i >= 0 && directional < 0; --i)
        if (_lights.GetLight(i).light.m_type == LIGHT_DIRECTIONAL)
            directional = i;
    if (directional >= 0) {
        const REB_Light& light = _lights.GetLight(directional);
        REP_SetDirectionalLight(C_DIRECTIONAL, light.light, light.objectDirection);
    } else {
        REP_SetNoDirectionalLight(C_DIRECTIONAL);
    }
    s32 slot = 0;
    for (s32 i = count - 1; i >= 0; --i) {
        if (i == directional)
            continue;
        const REB_Light& light = _lights.GetLight(i);
        REP_SetPointLight(C_POINT_LIGHTS + 4 * slot, light.light, light.objectPosition);
        ++slot;
    }
}

void SetCausticConstants(const REB_PlanarProjection& _record, VEC_TransformState& _transform)
{
    f32 rows[12];
    REB_PlanarProjection::Compute(_record, _transform.GetView(), _transform.GetWorld(), rows);
    REP_SetConstantRaw(C_CAUSTIC, rows, 3);
}

void SetFogConstants(const REM_FogLayer* _fog, f32 _fogFactor, f32 _density, VEC_TransformState& _transform)
{
    f32 rows[8];
    REP_ComputeFogRows(_fog, _transform.GetWorld(), _transform.GetWorldToView(), rows);
    REP_SetConstantRaw(C_FOG_ROWS, rows, 2);
    f32 ramp[4];
    REP_ComputeFogRamp(_fog, _fogFactor, _transform.GetWorldToView(), ramp);
    REP_SetConstantRaw(C_FOG_RAMP, ramp, 1);
    REP_SetConstantSplat(C_FOG_DENSITY, _density);
}

// A blending, see-through or glowing material: its alpha and glow, then the standard set.
void DrawStandard(REP_Standard& _standard, const REB_Material& _material)
{
    _standard.material = &_material;
    REP_SetConstantComponent(C_AMBIENT, 3, (f32)_material.material.diffuseMap.alpha / 255.0f);
    REP_SetConstantColor(C_EMISSIVE, _material.material.selfIllumination & 0x00FFFFFFu);
    REP_SetConstantSplat(C_SPECULAR_POWER, SPECULAR_POWER);
    _standard.Draw(_material);
}

// The bump pass's slots and tiling.
template <class SHADERS>
void SetBump(SHADERS& _shaders, const REB_Material& _material)
{
    const VEC_Map& bump = _material.material.detailMap;
    REP_SetConstant4(C_BUMP_TILING, bump.tiling, bump.tiling, 0.0f, 0.0f);
    _shaders.slots[SHADERS::BUMP_MAP] = TextureId(bump.textureId);
    // The bump stage gives 31/255 + 191/255 x bump: a bump value of one half leaves the
    // diffuse map about as the plain diffuse pass draws it.
    _shaders.slots[SHADERS::TEXTURE_FACTOR] = (s32)REP_MakeColor(31, 31, 31, 191);
}

// Both forms of REP_Object::Render; _onePass draws plain opaque materials with cmdmfm.
void RenderObject(REP_Object& _pass, const REB_Mesh* _mesh, VEC_TransformState& _transform, REB_LightSet& _lights,
                  u32 _onePass)
{
    const REB_Material* listA[REP_MAX_MATERIALS];
    const REB_Material* listB[REP_MAX_MATERIALS];
    REP_SplitMaterials(_mesh, listA, listB);
    SetLightConstants(_transform, _lights);
    REP_ObjectShaders& shaders = _pass.shaders;
    shaders.slots[REP_ObjectShaders::CAUSTIC] = _pass.causticTexture;
    SetCausticConstants(_pass.causticRecord, _transform);
    shaders.slots[REP_ObjectShaders::FOG_TEXTURE] = _pass.fogTexture;
    shaders.slots[REP_ObjectShaders::SECOND_FOG_TEXTURE] = _pass.otherFogTexture;
    SetFogConstants(_pass.fogLayer, _pass.fogFactor, _pass.fogDensity, _transform);

    const s32 count = _mesh->GetMaterialCount();
    for (s32 i = 0; i < count; ++i) {
        if (listA[i] != nullptr) {
            const REB_Material& material = *listA[i];
            shaders.slots[REP_ObjectShaders::DIFFUSE_MAP] = TextureId(material.material.diffuseMap.textureId);
            if ((_pass.flags & REP_OBJECT_BUMP) && HasBump(material)) {
                shaders.Draw_cm(material);
                SetBump(shaders, material);
                shaders.Draw_dmbm(material);
                shaders.Draw_fm(material);
            } else if (_onePass) {
                shaders.Draw_cmdmfm(material);
            } else {
                shaders.Draw_cmdm(material);
                shaders.Draw_fm(material);
            }
        } else if (listB[i] != nullptr) {
            DrawStandard(_pass.standard, *listB[i]);
        }
    }
}

}  // namespace

// ---- REP_ObjectShaders ----

void REP_ObjectShaders::Create()
{
    const char* const programs[] = {REP_Shader_rep_object_vs_cmdmfm, REP_Shader_rep_object_vs_cmdm,
                                    REP_Shader_rep_object_vs_dmbm, REP_Shader_rep_object_vs_cm,
                                    REP_Shader_rep_object_vs_fm};
    static_assert(sizeof(programs) / sizeof(programs[0]) == VS_FM + 1, "one program per shader slot");
    CreateShaders(slots, programs, VS_FM + 1);
}

void REP_ObjectShaders::Release() { ReleaseShaders(slots, VS_FM + 1); }

void REP_ObjectShaders::Draw_cmdmfm(const REB_Material& _material)
{
    REP_DrawVariant(s_objectCmdmfm, slots, _material);
}
void REP_ObjectShaders::Draw_cmdm(const REB_Material& _material) { REP_DrawVariant(s_objectCmdm, slots, _material); }
void REP_ObjectShaders::Draw_dmbm(const REB_Material& _material) { REP_DrawVariant(s_objectDmbm, slots, _material); }
void REP_ObjectShaders::Draw_cm(const REB_Material& _material) { REP_DrawVariant(s_objectCm, slots, _material); }
void REP_ObjectShaders::Draw_fm(const REB_Material& _material) { REP_DrawVariant(s_objectFm, slots, _material); }

// ---- REP_ObjectPrelitShaders ----

void REP_ObjectPrelitShaders::Create()
{
    const char* const programs[] = {REP_Shader_rep_objectprelit_vs_lmcs, REP_Shader_rep_objectprelit_vs_dm,
                                    REP_Shader_rep_objectprelit_vs_dmbm, REP_Shader_rep_objectprelit_vs_fm};
    static_assert(sizeof(programs) / sizeof(programs[0]) == VS_FM + 1, "one program per shader slot");
    CreateShaders(slots, programs, VS_FM + 1);
}

void REP_ObjectPrelitShaders::Release() { ReleaseShaders(slots, VS_FM + 1); }

void REP_ObjectPrelitShaders::Draw_lmcs(const REB_Material& _material)
{
    REP_DrawVariant(s_prelitLmcs, slots, _material);
}
void REP_ObjectPrelitShaders::Draw_dm(const REB_Material& _material) { REP_DrawVariant(s_prelitDm, slots, _material); }
void REP_ObjectPrelitShaders::Draw_dmbm(const REB_Material& _material)
{
    REP_DrawVariant(s_prelitDmbm, slots, _material);
}
void REP_ObjectPrelitShaders::Draw_fm(const REB_Material& _material) { REP_DrawVariant(s_prelitFm, slots, _material); }

// ---- REP_Object ----

void REP_Object::Create()
{
    shaders.Create();
    standard.Create();
}

void REP_Object::Release()
{
    shaders.Release();
    standard.Release();
}

void REP_Object::Render(const REB_Mesh* _mesh, VEC_TransformState& _transform, REB_LightSet& _lights)
{
    RenderObject(*this, _mesh, _transform, _lights, 0);
}

void REP_Object::RenderPS(const REB_Mesh* _mesh, VEC_TransformState& _transform, REB_LightSet& _lights)
{
    RenderObject(*this, _mesh, _transform, _lights, 1);
}

// ---- REP_ObjectPrelit ----

void REP_ObjectPrelit::Create()
{
    shaders.Create();
    standard.Create();
}

void REP_ObjectPrelit::Release()
{
    shaders.Release();
    standard.Release();
}

void REP_ObjectPrelit::Render(const REB_Mesh* _lightMesh, const REB_Mesh* _mesh, VEC_TransformState& _transform,
                              REB_LightSet& _lights)
{
    const REB_Material* listA[REP_MAX_MATERIALS];
    const REB_Material* listB[REP_MAX_MATERIALS];
    REP_SplitMaterials(_mesh, listA, listB);
    SetLightConstants(_transform, _lights);
    shaders.slots[REP_ObjectPrelitShaders::CAUSTIC] = causticTexture;
    SetCausticConstants(causticRecord, _transform);

    // The light mesh's lighting goes down first; the mesh is multiplied into it.
    const s32 lightCount = _lightMesh != nullptr ? _lightMesh->GetMaterialCount() : 0;
    for (s32 i = 0; i < lightCount; ++i) {
        const REB_Material& light = *_lightMesh->GetMaterial(i);
        if (light.indexCount == 0)
            continue;
        shaders.slots[REP_ObjectPrelitShaders::LIGHT_MAP] = TextureId(light.material.diffuseMap.textureId);
        REP_SetConstantSplat(C_SPECULAR_POWER, SPECULAR_POWER);
        shaders.Draw_lmcs(light);
    }

    shaders.slots[REP_ObjectPrelitShaders::FOG_TEXTURE] = fogTexture;
    shaders.slots[REP_ObjectPrelitShaders::SECOND_FOG_TEXTURE] = otherFogTexture;
    SetFogConstants(fogLayer, fogFactor, fogDensity, _transform);

    const s32 count = _mesh->GetMaterialCount();
    for (s32 i = 0; i < count; ++i) {
        if (listA[i] != nullptr) {
            const REB_Material& material = *listA[i];
            shaders.slots[REP_ObjectPrelitShaders::DIFFUSE_MAP] = TextureId(material.material.diffuseMap.textureId);
            if ((flags & REP_OBJECT_BUMP) && HasBump(material)) {
                SetBump(shaders, material);
                shaders.Draw_dmbm(material);
            } else {
                shaders.Draw_dm(material);
            }
            shaders.Draw_fm(material);
        } else if (listB[i] != nullptr) {
            DrawStandard(standard, *listB[i]);
        }
    }
}
