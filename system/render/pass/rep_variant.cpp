// The common draw of every fixed-table variant.
#include "rep_variant.h"

#include "reb_map.h"
#include "reb_mesh.h"

void REP_DrawVariant(REP_Variant& _variant, const s32* _set, const REB_Material& _material)
{
    DSP_Display* display = SITO_DISPLAY;
    for (s32 stage = 0; stage < _variant.stageCount; ++stage) {
        s32* descriptor = _variant.stages[stage];
        if (_variant.textureSlot[stage] != REP_NO_SLOT)
            descriptor[DSP_TSS_TEXTURE] = _set[_variant.textureSlot[stage]];
        display->SetTextureStageStates(stage, descriptor);
    }
    display->SetTextureStageStates(_variant.stageCount, nullptr);

    if (_variant.factorSlot != REP_NO_SLOT)
        _variant.states[DSP_RS_TEXTUREFACTOR] = (u32)_set[_variant.factorSlot];
    display->SetRenderStates(_variant.states);

    display->VertexShader_Set(_set[_variant.vertexShaderSlot]);
    const u32 pixelShader = _variant.pixelShaderSlot != REP_NO_SLOT;
    if (pixelShader)
        display->PixelShader_Set(_set[_variant.pixelShaderSlot]);
    display->DrawVertexArray(0, _material.indexBuffer, _material.firstIndex, _material.indexCount,
                             _material.vertexBuffer, 0, _material.firstVertex, _material.vertexCount);
    if (pixelShader)
        display->PixelShader_Set(0);
}

void REP_DrawWithMapStates(s32 _vertexShader, const REB_Material& _material)
{
    DSP_Display* display = SITO_DISPLAY;
    display->VertexShader_Set(_vertexShader);
    REB_Map::SetMapToRenderState(&_material.material.diffuseMap, 0);
    display->DrawVertexArray(0, _material.indexBuffer, _material.firstIndex, _material.indexCount,
                             _material.vertexBuffer, 0, _material.firstVertex, _material.vertexCount);
}

const REB_Material* REP_FirstMaterial(const REB_Mesh* _mesh)
{
    if (_mesh == nullptr || _mesh->GetMaterialCount() < 1)
        return nullptr;
    const REB_Material* first = _mesh->GetMaterial(0);
    return first->indexCount != 0 ? first : nullptr;
}

void REP_ReleaseShader(s32* _set)
{
    if (_set[0] != 0)
        SITO_DISPLAY->VertexShader_Destroy(_set[0]);
    _set[0] = 0;
}
