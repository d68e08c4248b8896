// The drawing services for nodes: meshes, billboards, trails, 2D quads and particles.
#include "brisel_renderer.h"

#include <cstring>

#include "dsp_display.h"
#include "fx_textureset.h"
#include "mat_color.h"
#include "mat_geometry.h"
#include "reb_color.h"
#include "reb_lightset.h"
#include "reb_mesh.h"
#include "rep_clear.h"
#include "rep_object.h"
#include "rep_sprite.h"
#include "sim_clock.h"

namespace
{

// Hands each particle of the installed system to the renderer.
class ParticleDrawer : public Brisel_ParticleVisitor
{
public:
    ParticleDrawer(Brisel_Renderer* _renderer, f32 _time, f32 _fraction)
        : m_renderer(_renderer), m_time(_time), m_fraction(_fraction)
    {
    }
    void Visit(const Brisel_ParticleState& _particle) override
    {
        m_renderer->RenderParticle(_particle, m_time, m_fraction);
    }

private:
    Brisel_Renderer* m_renderer = nullptr;
    f32 m_time = 0.0f;
    f32 m_fraction = 0.0f;
};

MAT_Matrix34 Identity()
{
    MAT_Matrix34 identity;
    identity.r.SetDiagonal(1.0f);
    return identity;
}

}  // namespace

void Brisel_Renderer::BoundingBoxOfPoints(MAT_AABox& _box, const MAT_Vector3* _points, s32 _count)
{
    _box.m_min = _points[0];
    _box.m_max = _points[0];
    for (s32 i = 1; i < _count; ++i) {
        const f32 values[3] = {_points[i].x, _points[i].y, _points[i].z};
        f32* mins[3] = {&_box.m_min.x, &_box.m_min.y, &_box.m_min.z};
        f32* maxs[3] = {&_box.m_max.x, &_box.m_max.y, &_box.m_max.z};
        for (s32 axis = 0; axis < 3; ++axis) {
            if (values[axis] < *mins[axis])
                *mins[axis] = values[axis];
            else if (values[axis] > *maxs[axis])
                *maxs[axis] = values[axis];
        }
    }
}

u32 Brisel_Renderer::IsOutside(const REB_Mesh* _mesh, const MAT_Matrix34& _world) const
{
    MAT_AABox local;
    local.m_min = _mesh->boxMin;
    local.m_max = _mesh->boxMax;
    MAT_Vector3 corners[8];
    local.Transform(_world, corners);
    MAT_AABox box;
    BoundingBoxOfPoints(box, corners, 8);
    return m_camera.TestBox(box) == 1 ? 1 : 0;
}

// The default object light: a directional light straight down from the object's position,
// blue below and warm above.
void Brisel_Renderer::AddObjectLight(const MAT_Vector3& _position)
{
    VEC_Light light;
    light.m_color1 = {0.04f, 0.15f, 0.25f};
    light.m_color2 = {0.35f, 0.30f, 0.20f};
    light.m_type = 1;
    MAT_Matrix34 placement;
    placement.t = _position;
    placement.r.Zero();
    placement.r.SetAxis(1, {0.0f, 0.0f, -1.0f});
    m_lights->AddLight(light, 0.0f, 0.0f, placement);
}

void Brisel_Renderer::SetAmbientBytes(const u8 _color[4])
{
    MAT_Vector3 color;
    MAT_ColorFromBytes(_color, color);
    m_lights->SetAmbient(color.x, color.y, color.z);
}

void Brisel_Renderer::RenderMesh(const REB_Mesh* _mesh, const MAT_Matrix34& _world)
{
    if (_mesh == nullptr || IsOutside(_mesh, _world))
        return;
    m_lights->Clear();
    AddObjectLight(_world.t);
    m_lights->SetAmbient(0.1f, 0.1f, 0.1f);
    m_transform.SetWorld(_world);
    if (m_object->flags & REP_OBJECT_PIXELSHADER)
        m_object->RenderPS(_mesh, m_transform, *m_lights);
    else
        m_object->Render(_mesh, m_transform, *m_lights);
}

void Brisel_Renderer::RenderBriselMesh(Brisel_DetailedMesh* _mesh, const MAT_Matrix34& _world)
{
    if (_mesh == nullptr)
        return;
    const f32 distance = (m_camera.GetWorldTransform().t - _world.t).Length();
    RenderMesh(_mesh->GetMeshByDistance(distance), _world);
}

void Brisel_Renderer::RenderMeshPrelit(const REB_Mesh* _lightMesh, const REB_Mesh* _mesh, const MAT_Matrix34& _world)
{
    if (_mesh == nullptr || IsOutside(_mesh, _world))
        return;
    m_lights->Clear();
    m_lights->SetAmbient(0.0f, 0.0f, 0.0f);
    m_transform.SetWorld(_world);
    m_objectPrelit->Render(_lightMesh, _mesh, m_transform, *m_lights);
}

void Brisel_Renderer::RenderBillboard(s32 _texture, const MAT_Vector3& _position, f32 _width, f32 _height,
                                      const u8 _color[4])
{
    m_lights->Clear();
    SetAmbientBytes(_color);
    VEC_Map& map = m_billboardQuad->GetMaterial(0)->material.diffuseMap;
    map.textureId = (u32)_texture;
    map.alpha = _color[3];
    m_billboard->Render(m_billboardQuad, _position, MAT_Angle(), _width, _height, m_camera.GetRoll(), m_transform,
                        *m_lights);
}

void Brisel_Renderer::Draw2DQuad(s32 _texture, f32 _x, f32 _y, const MAT_Angle& _angle, f32 _width, f32 _height,
                                 const u8 _color[4], u8 _blendMode, u8 _alpha)
{
    VEC_Map& map = m_overlayQuad->GetMaterial(0)->material.diffuseMap;
    map.textureId = (u32)_texture;
    map.blendMode = _blendMode;
    // 255 would count as opaque and switch the blending off; logos and text must still blend.
    map.alpha = _alpha == 255 ? 254 : _alpha;
    m_lights->Clear();
    SetAmbientBytes(_color);
    m_overlay->SetProjection(REP_ALIGN_LEFT | REP_ALIGN_TOP, 640.0f, 480.0f, 1.3333334f);
    m_overlay->DrawMesh(m_overlayQuad, _x + 0.5f, _y + 0.5f, _angle, _width, _height, *m_lights);
}

void Brisel_Renderer::RenderTrail(Brisel_TrailGeometry* _trail, s32 _texture)
{
    if (_trail == nullptr || !_trail->BuildGeometry(SIM_GetFrameClock().time, m_trailPart))
        return;
    m_lights->Clear();
    m_lights->SetAmbient(1.0f, 1.0f, 1.0f);
    m_transform.SetWorld(Identity());

    REB_Material& range = *m_trailMesh->GetMaterial(0);
    const s32 vertexCount = m_trailPart->vertexCount;
    const s32 indexCount = m_trailPart->triangleCount * 3;
    const s32 vertexCapacity = m_trailMesh->GetVertexCapacity();
    const s32 indexCapacity = m_trailMesh->GetIndexCapacity();
    if (vertexCount <= 0 || indexCount <= 0 || vertexCount > vertexCapacity || indexCount > indexCapacity) {
        range.firstVertex = range.vertexCount = 0;
        range.firstIndex = range.indexCount = 0;
        return;
    }

    // The ring continues behind the previous trail; only a wrap discards, so the device never
    // waits for the part of the buffer a trail drawn before still uses.
    s32 firstVertex = range.firstVertex + range.vertexCount;
    if (firstVertex + vertexCount > vertexCapacity)
        firstVertex = 0;
    void* data = nullptr;
    SITO_DISPLAY->VertexBuffer_Lock(m_trailMesh->GetVertexBuffer(), firstVertex == 0 ? 1 : 2, &data, firstVertex,
                                    vertexCount);
    std::memcpy(data, m_trailPart->vertices, (size_t)vertexCount * sizeof(DSP_Vertex));
    SITO_DISPLAY->VertexBuffer_Unlock(m_trailMesh->GetVertexBuffer());

    s32 firstIndex = range.firstIndex + range.indexCount;
    if (firstIndex + indexCount > indexCapacity)
        firstIndex = 0;
    SITO_DISPLAY->IndexBuffer_Lock(m_trailMesh->GetIndexBuffer(), firstIndex == 0 ? 1 : 2, &data, firstIndex,
                                   indexCount);
    u16* indices = (u16*)data;
    for (s32 t = 0; t < m_trailPart->triangleCount; ++t)
        for (s32 k = 0; k < 3; ++k)
            *indices++ = (u16)(m_trailPart->triangles[t].vertex[k] + firstVertex);
    SITO_DISPLAY->IndexBuffer_Unlock(m_trailMesh->GetIndexBuffer());

    range.firstVertex = firstVertex;
    range.vertexCount = vertexCount;
    range.firstIndex = firstIndex;
    range.indexCount = indexCount;
    range.material.diffuseMap.textureId = (u32)_texture;
    m_trail->Render(m_trailMesh, m_transform, *m_lights);
}

void Brisel_Renderer::RenderParticles()
{
    const Brisel_ParticleSource* particles = Brisel_Scene::GetParticles();
    if (particles == nullptr)
        return;
    m_lights->Clear();
    const SIM_FrameClock& clock = SIM_GetFrameClock();
    ParticleDrawer drawer(this, clock.time, clock.fraction);
    particles->VisitParticles(drawer);
}

void Brisel_Renderer::RenderParticle(const Brisel_ParticleState& _particle, f32 _time, f32 _fraction)
{
    const Brisel_ParticleLook* look = _particle.look;
    if (look == nullptr)
        return;
    const f32 age = (_time - _particle.birth) * _particle.ageRate;
    // One key position for all five curves, as they share their spacing; each curve keeps the
    // index within its own keys.
    s32 index = 0;
    f32 fraction = 0.0f;
    look->red.Locate(age, index, fraction);
    const u8 color[4] = {
        REB_ColorByte(look->blue.Interpolate(index, fraction)), REB_ColorByte(look->green.Interpolate(index, fraction)),
        REB_ColorByte(look->red.Interpolate(index, fraction)), REB_ColorByte(look->alpha.Interpolate(index, fraction))};
    const f32 size = look->sizeCurve.Interpolate(index, fraction) * look->size;
    SetAmbientBytes(color);

    const s32 texture = look->textureId == -1 ? FX_TextureSet::GetTextureID(look->animation, age) : look->textureId;
    VEC_Map& map = m_particleQuad->GetMaterial(0)->material.diffuseMap;
    map.textureId = (u32)texture;
    map.alpha = color[3];
    map.blendMode = look->renderMode;

    const MAT_Vector3 position =
        _particle.previousPosition + (_particle.position - _particle.previousPosition) * _fraction;
    MAT_Angle angle;
    angle = (1.0f - _fraction) * _particle.previousAngle + _fraction * _particle.angle;
    if (size <= 0.1f)
        return;
    m_particleBillboard->Render(m_particleQuad, position, angle, size, size, m_camera.GetRoll(), m_transform,
                                *m_lights);
}
