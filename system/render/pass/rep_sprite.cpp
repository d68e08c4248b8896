// The sprite pass and the particle-field generator.
#include "rep_sprite.h"

#include "crt_rand.h"
#include "dsp_display.h"
#include "mat_matrix.h"
#include "reb_lightset.h"
#include "reb_mesh.h"
#include "rep_constants.h"
#include "rep_shader_sources.h"
#include "rep_variant.h"
#include "vec_camera.h"
#include "vec_mesh.h"

namespace
{

// alpha / 255 as the multiplication it has always been.
constexpr f32 s_byteToUnit = 0.003921569f;

// The turn between two corners of a particle.
constexpr f32 s_cornerStep = (f32)(MAT_TWO_PI_D / 3.0);

// The texture coordinates of the three corners, ((cos(2 pi k/3) + 1)/2, (sin(2 pi k/3) + 1)/2),
// written out so that every field gets exactly these values.
constexpr f32 s_cornerUV[3][2] = {{1.0f, 0.5f}, {0.25f, 0.9330127f}, {0.25f, 0.0669873f}};

constexpr u32 s_white = 0xFFFFFFFFu;

f32 Uniform() { return (f32)CRT_Rand() / (f32)CRT_RAND_MAX; }

}  // namespace

void REP_Sprite::Create() { SITO_DISPLAY->VertexShader_CreateFromFile(&vertexShader, REP_Shader_rep_sprite_vs_eoa); }

void REP_Sprite::Release() { REP_ReleaseShader(&vertexShader); }

void REP_Sprite::Render(const REB_Mesh* _mesh, const MAT_Vector3& _offset, const MAT_Angle& _angle, f32 _width,
                        f32 _height, const MAT_Angle& _cameraAngle, f32 _fade, VEC_TransformState& _transform,
                        const REB_LightSet& _lights)
{
    const REB_Material* first = REP_FirstMaterial(_mesh);
    if (first == nullptr)
        return;

    // The field repeats with period E; a box without extent has no period to wrap into (1/E
    // would not be finite), so such a field is not drawn at all.
    const MAT_Vector3 side = _mesh->boxMax - _mesh->boxMin;
    const f32 extent = (side.x + side.y + side.z) / 3.0f;
    if (!(extent > 0.0f))
        return;

    f32 sine = 0.0f;
    f32 cosine = 0.0f;
    MAT_SinCos(MAT_WrapAngle(_cameraAngle.Get() - _angle.Get()), sine, cosine);

    // The cube of side E, aligned with the world axes, centred E/2 ahead of the eye.
    const MAT_Matrix34& placement = _transform.GetView();
    const f32 half = extent / 2.0f;
    const MAT_Vector3 corner = placement.t + placement.r.GetY() * half - MAT_Vector3(half, half, half);

    // The transform state's own inverse view would not do: a singular rotation must leave the
    // whole placement as it is, translation included.
    MAT_Matrix34 toView = placement;
    if (toView.r.Invert() != 0)
        toView.t = toView.r.Transform(placement.t).Negate();
    MAT_Matrix34 cube;
    cube.t = corner;
    cube.r.SetDiagonal(extent);
    REP_SetConstantFrame(2, toView.Compose(cube));
    REP_SetConstantMatrix4x4(7, _transform.GetProjection());
    // c5 is the frame's unused fourth row until here.
    REP_SetConstant4(5, _width * cosine, 0.0f, -(_height * sine), 1.0f);
    REP_SetConstant4(6, _width * sine, 0.0f, _height * cosine, 1.0f);

    const MAT_Vector3 shift = _offset - corner;
    REP_SetConstant4(13, shift.x, shift.y, shift.z, 0.0f);
    const f32 inverse = 1.0f / extent;
    REP_SetConstant4(14, inverse, inverse, inverse, 1.0f);
    REP_SetConstant4(15, 0.0f, (_fade - 1.0f) / extent, 0.0f, 1.0f);

    material = first;
    REP_SetConstantComponent(12, 3, (f32)first->material.diffuseMap.alpha * s_byteToUnit);
    REP_SetConstantColor(11, first->material.selfIllumination & 0x00FFFFFFu);
    const MAT_Vector3& ambient = _lights.GetAmbient();
    REP_SetConstantMasked(12, ambient.x, ambient.y, ambient.z, REP_KEEP);

    Draw(*first);
}

void REP_Sprite::Draw(const REB_Material& _material) { REP_DrawWithMapStates(vertexShader, _material); }

VEC_MeshPart* REP_Sprite::GenerateField(const VEC_Material& _template, s32 _count, f32 _extent, f32 _minRadius,
                                        f32 _maxRadius, f32 _minAngle, f32 _maxAngle)
{
    const s32 count = _count > 0 ? _count : 0;
    VEC_MeshPart* part = new VEC_MeshPart();
    part->Allocate(3 * count, count);
    part->vertexCount = 3 * count;
    part->triangleCount = count;

    // The draws keep their order (angle, radius, then y, x, z): a field is a function of the
    // generator's state and must stay the same field for the same state.
    for (s32 i = 0; i < count; ++i) {
        const f32 angle = _minAngle + Uniform() * (_maxAngle - _minAngle);
        const f32 radius = _minRadius + Uniform() * (_maxRadius - _minRadius);
        DSP_Vertex* corners = &part->vertices[3 * i];
        for (s32 k = 0; k < 3; ++k) {
            f32 sine = 0.0f;
            f32 cosine = 0.0f;
            MAT_SinCos(angle + (f32)k * s_cornerStep, sine, cosine);
            DSP_Vertex& vertex = corners[k];
            vertex.nx = radius * cosine;
            vertex.ny = 0.0f;
            vertex.nz = radius * sine;
            vertex.color = s_white;
            vertex.u = s_cornerUV[k][0];
            vertex.v = s_cornerUV[k][1];
            vertex.extra = 0.0f;
        }
        const f32 y = -_extent + Uniform() * (2.0f * _extent);
        const f32 x = -_extent + Uniform() * (2.0f * _extent);
        const f32 z = -_extent + Uniform() * (2.0f * _extent);
        for (s32 k = 0; k < 3; ++k) {
            corners[k].x = x;
            corners[k].y = y;
            corners[k].z = z;
        }

        VEC_Triangle& triangle = part->triangles[i];
        triangle.vertex[0] = (u16)(3 * i);
        triangle.vertex[1] = (u16)(3 * i + 2);
        triangle.vertex[2] = (u16)(3 * i + 1);
    }

    part->ComputeBoundingBox();
    part->material = _template;
    return part;
}
