// The overlay pass: two-dimensional meshes in a virtual screen.
#include <cstring>

#include "dsp_display.h"
#include "os_fatal.h"
#include "reb_lightset.h"
#include "reb_mesh.h"
#include "rep_constants.h"
#include "rep_shader_sources.h"
#include "rep_sprite.h"
#include "rep_variant.h"
#include "vec_mesh.h"

namespace
{

// alpha / 255 as the multiplication it has always been.
constexpr f32 s_byteToUnit = 0.003921569f;

// Source blend, destination blend and alpha test per blend mode, as the general conversion
// has them.
constexpr u32 s_blendModes[6][3] = {
    {DEV_BLEND_ONE, DEV_BLEND_ZERO, 1},              // opaque
    {DEV_BLEND_SRCALPHA, DEV_BLEND_ONE, 1},          // additive
    {DEV_BLEND_SRCALPHA, DEV_BLEND_INVSRCALPHA, 1},  // filter
    {DEV_BLEND_DESTCOLOR, DEV_BLEND_ONE, 0},         // multiplicative
    {DEV_BLEND_ZERO, DEV_BLEND_INVSRCCOLOR, 0},      // inverse
    {DEV_BLEND_DESTCOLOR, DEV_BLEND_INVSRCALPHA, 1},
};

// The overlay's own block and stage descriptor: the per-map entries are written before each
// use, the rest never changes.
struct OverlayTables
{
    u32 states[DSP_RS_COUNT];
    s32 stage[DSP_TSS_COUNT];
};

constexpr OverlayTables MakeTables()
{
    OverlayTables tables{};
    REP_States(tables.states, 1, 1, DEV_BLEND_ONE, DEV_BLEND_ZERO);
    tables.states[DSP_RS_CULLMODE] = DEV_CULL_NONE;
    REP_Stage(tables.stage, 0, DEV_TOP_MODULATE, DEV_TA_DIFFUSE, DEV_TA_TEXTURE, DEV_TOP_MODULATE, DEV_TA_DIFFUSE,
              DEV_TA_TEXTURE, DEV_TADDRESS_CLAMP);
    return tables;
}

OverlayTables s_tables = MakeTables();

}  // namespace

void REP_Overlay::Create() { SITO_DISPLAY->VertexShader_CreateFromFile(&vertexShader, REP_Shader_rep_overlay_vs_eoa); }

void REP_Overlay::Release() { REP_ReleaseShader(&vertexShader); }

void REP_Overlay::SetProjection(s32 _flags, f32 _width, f32 _height, f32 _aspect)
{
    switch (_flags & 3) {
    case REP_ALIGN_LEFT:
        offsetX = -1.0f;
        scaleX = 2.0f / _width;
        break;
    case REP_ALIGN_RIGHT:
        offsetX = 1.0f;
        scaleX = -2.0f / _width;
        break;
    case REP_ALIGN_HCENTER:
        offsetX = 0.0f;
        scaleX = 2.0f / _width;
        break;
    default:
        break;
    }
    switch (_flags & ~3) {
    case REP_ALIGN_BOTTOM:
        offsetY = -1.0f;
        scaleY = 2.0f / _height;
        break;
    case REP_ALIGN_TOP:
        offsetY = 1.0f;
        scaleY = -2.0f / _height;
        break;
    case REP_ALIGN_VCENTER:
        offsetY = 0.0f;
        scaleY = 2.0f / _height;
        break;
    default:
        break;
    }
    aspect = _aspect;
    quadScaleX = 2.0f / _width;
    quadScaleY = 2.0f / (_height * _aspect);
}

void REP_Overlay::DrawQuads(const VEC_MeshPart* _part, f32 _x, f32 _y, const MAT_Angle& _angle, f32 _width, f32 _height,
                            const REB_LightSet& _lights)
{
    if (_part->triangleCount <= 0)
        return;
    SetConstants(_x, _y, _angle, _width, _height, _part->material, _lights);
    DrawDynamic(_part);
}

void REP_Overlay::DrawMesh(const REB_Mesh* _mesh, f32 _x, f32 _y, const MAT_Angle& _angle, f32 _width, f32 _height,
                           const REB_LightSet& _lights)
{
    const REB_Material* first = REP_FirstMaterial(_mesh);
    if (first == nullptr)
        return;
    SetConstants(_x, _y, _angle, _width, _height, first->material, _lights);
    Draw(*first);
}

void REP_Overlay::SetConstants(f32 _x, f32 _y, const MAT_Angle& _angle, f32 _width, f32 _height,
                               const VEC_Material& _material, const REB_LightSet& _lights)
{
    const f32 s = _angle.Sin();
    const f32 c = _angle.Cos();
    const f32 a = _width * quadScaleX;
    const f32 b = _height * quadScaleY;
    const f32 x0 = _x * scaleX + offsetX;
    const f32 y0 = _y * scaleY + offsetY;
    // The vertical row undoes the aspect that quadScaleY divided out, so a turned quad keeps
    // its shape on a screen of that aspect.
    const f32 rows[12] = {c * a, 0.0f, s * b, x0, -s * aspect * a, 0.0f, c * b * aspect, y0, 0.0f, 0.0f, 0.0f, 1.0f};
    REP_SetConstantRaw(2, rows, 3);

    const MAT_Vector3& ambient = _lights.GetAmbient();
    REP_SetConstantMasked(6, ambient.x, ambient.y, ambient.z, REP_KEEP);
    map = &_material.diffuseMap;
    REP_SetConstantComponent(6, 3, (f32)map->alpha * s_byteToUnit);
    REP_SetConstantColor(5, _material.selfIllumination & 0x00FFFFFFu);
}

void REP_Overlay::Draw(const REB_Material& _material)
{
    DSP_Display* display = SITO_DISPLAY;
    display->VertexShader_Set(vertexShader);
    SetMapToRenderState(map);
    display->DrawVertexArray(0, _material.indexBuffer, _material.firstIndex, _material.indexCount,
                             _material.vertexBuffer, 0, _material.firstVertex, _material.vertexCount);
}

void REP_Overlay::DrawDynamic(const VEC_MeshPart* _part)
{
    if (_part->triangleCount <= 0)
        return;
    DSP_Display* display = SITO_DISPLAY;
    display->VertexShader_Set(vertexShader);

    const s32 indexCount = 3 * _part->triangleCount;
    const s32 indexBuffer = display->GetSharedIndexBuffer();
    void* data = nullptr;
    display->IndexBuffer_Lock(indexBuffer, 1, &data, 0, indexCount);
    REB_IndexRepack((u16*)data, _part->triangles, _part->triangleCount);
    display->IndexBuffer_Unlock(indexBuffer);

    const s32 vertexBuffer = display->GetSharedVertexBuffer();
    display->VertexBuffer_Lock(vertexBuffer, 1, &data, 0, _part->vertexCount);
    std::memcpy(data, _part->vertices, (size_t)_part->vertexCount * sizeof(DSP_Vertex));
    display->VertexBuffer_Unlock(vertexBuffer);

    SetMapToRenderState(map);
    display->DrawVertexArray(0, indexBuffer, 0, indexCount, vertexBuffer, 0, 0, _part->vertexCount);
}

void REP_Overlay::SetMapToRenderState(const VEC_Map* _map)
{
    // The caption is the general conversion's: both refuse the same modes for the same reason.
    if (_map->blendMode > 5)
        OS_Fatal("REB_Map::SetMapToRenderState(RenderMode)", "illegal mode");

    const u32* blend = s_blendModes[_map->blendMode];
    u32* states = s_tables.states;
    states[DSP_RS_ZWRITEENABLE] = _map->flags & VEC_MAP_DEPTHBUFFERED;
    states[DSP_RS_ZBIAS] = _map->depthBias;
    states[DSP_RS_SRCBLEND] = blend[0];
    states[DSP_RS_DESTBLEND] = blend[1];
    states[DSP_RS_ALPHATESTENABLE] = blend[2];
    s_tables.stage[DSP_TSS_TEXTURE] = (s32)_map->textureId;

    DSP_Display* display = SITO_DISPLAY;
    display->SetRenderStates(states);
    display->SetTextureStageStates(0, s_tables.stage);
    display->SetTextureStageStates(1, nullptr);
}
