// The billboard pass.
#include "rep_clear.h"

#include "reb_lightset.h"
#include "reb_mesh.h"
#include "rep_constants.h"
#include "rep_shader_sources.h"
#include "rep_variant.h"
#include "vec_camera.h"

void REP_Billboard::Create()
{
    SITO_DISPLAY->VertexShader_CreateFromFile(&vertexShader, REP_Shader_rep_billboard_vs_eoa);
}

void REP_Billboard::Release() { REP_ReleaseShader(&vertexShader); }

void REP_Billboard::Render(const REB_Mesh* _quad, const MAT_Vector3& _position, const MAT_Angle& _angle, f32 _width,
                           f32 _height, const MAT_Angle& _cameraAngle, VEC_TransformState& _transform,
                           const REB_LightSet& _lights)
{
    // The shader's rows assume the quad's four corners.
    const REB_Material* first = REP_FirstMaterial(_quad);
    if (first == nullptr || first->indexCount != 6 || first->vertexCount != 4)
        return;

    f32 sine = 0.0f;
    f32 cosine = 0.0f;
    MAT_SinCos(MAT_WrapAngle(_cameraAngle.Get() - _angle.Get()), sine, cosine);

    position = _position;
    const MAT_Vector3 e = _transform.GetInverseView().TransformPoint(position);

    // The projection's columns t, X, Y, Z: only the entries a projection of
    // MAT_Matrix44::SetProjection can have are read, the others are 0 there.
    const f32* p = _transform.GetProjection().m;
    const f32 tz = p[2];
    const f32 xx = p[4];
    const f32 yx = p[8];
    const f32 yy = p[9];
    const f32 yz = p[10];
    const f32 yw = p[11];
    const f32 zy = p[13];
    const f32 rows[3][4] = {
        {xx * _width * cosine, 0.0f, xx * _height * sine, xx * e.x + yx * e.y},
        {-zy * _width * sine, 0.0f, zy * _height * cosine, zy * e.z + yy * e.y},
        {0.0f, 0.0f, yz * e.y + tz, yw * e.y},
    };
    REP_SetConstantRaw(2, rows[0], 3);

    material = first;
    REP_SetConstantComponent(6, 3, (f32)first->material.diffuseMap.alpha * 0.003921569f);
    REP_SetConstantColor(5, first->material.selfIllumination & 0x00FFFFFFu);
    // The light sum goes into the mirror's c6, so the mirror keeps what the device holds.
    _lights.SumPointLights(position, REP_VertexShaderConstants[6]);

    Draw(*first);
}

void REP_Billboard::Draw(const REB_Material& _material) { REP_DrawWithMapStates(vertexShader, _material); }
