// The constant mirror and its routines.
#include "rep_constants.h"

#include "dsp_display.h"
#include "os_fatal.h"
#include "reb_mesh.h"
#include "rem_foglayer.h"
#include "vec_camera.h"

f32 REP_VertexShaderConstants[REP_NUM_CONSTANTS][4] = {};

namespace
{

// i / 255 for every byte value, so a colour converts by four loads.
struct ByteScale
{
    f32 value[256] = {};
    constexpr ByteScale()
    {
        for (s32 i = 0; i < 256; ++i)
            value[i] = (f32)i * (1.0f / 255.0f);
    }
};
constexpr ByteScale s_byteScale;

s32 Upload(s32 _register, s32 _count)
{
    SITO_DISPLAY->SetVertexShaderConstant(_register, REP_VertexShaderConstants[_register], _count);
    return _count;
}

}  // namespace

s32 REP_SetConstant4(s32 _register, f32 _x, f32 _y, f32 _z, f32 _w)
{
    f32* out = REP_VertexShaderConstants[_register];
    out[0] = _x;
    out[1] = _y;
    out[2] = _z;
    out[3] = _w;
    return Upload(_register, 1);
}

s32 REP_SetConstantZero(s32 _register) { return REP_SetConstant4(_register, 0.0f, 0.0f, 0.0f, 0.0f); }
s32 REP_SetConstantOne(s32 _register) { return REP_SetConstant4(_register, 1.0f, 1.0f, 1.0f, 1.0f); }
s32 REP_SetConstantSplat(s32 _register, f32 _value)
{
    return REP_SetConstant4(_register, _value, _value, _value, _value);
}

s32 REP_SetConstantMatrix4x4(s32 _register, const MAT_Matrix44& _matrix)
{
    const f32* m = _matrix.m;
    for (s32 row = 0; row < 4; ++row) {
        f32* out = REP_VertexShaderConstants[_register + row];
        out[0] = m[4 + row];
        out[1] = m[8 + row];
        out[2] = m[12 + row];
        out[3] = m[row];
    }
    return Upload(_register, 4);
}

s32 REP_SetConstantFrame(s32 _register, const MAT_Matrix34& _frame)
{
    const f32* r = _frame.r.m;
    const f32 t[3] = {_frame.t.x, _frame.t.y, _frame.t.z};
    for (s32 row = 0; row < 3; ++row) {
        f32* out = REP_VertexShaderConstants[_register + row];
        out[0] = r[row];
        out[1] = r[3 + row];
        out[2] = r[6 + row];
        out[3] = t[row];
    }
    f32* last = REP_VertexShaderConstants[_register + 3];
    last[0] = last[1] = last[2] = 0.0f;
    last[3] = 1.0f;
    return Upload(_register, 4);
}

s32 REP_SetConstantRaw(s32 _register, const f32* _data, s32 _count)
{
    for (s32 i = 0; i < _count * 4; ++i)
        REP_VertexShaderConstants[_register + i / 4][i % 4] = _data[i];
    return Upload(_register, _count);
}

s32 REP_SetConstantComponent(s32 _register, s32 _component, f32 _value)
{
    REP_VertexShaderConstants[_register][_component & 3] = _value;
    return Upload(_register, 1);
}

s32 REP_SetConstantMasked(s32 _register, f32 _x, f32 _y, f32 _z, f32 _w)
{
    const f32 values[4] = {_x, _y, _z, _w};
    f32* out = REP_VertexShaderConstants[_register];
    for (s32 i = 0; i < 4; ++i) {
        if (values[i] != REP_KEEP)
            out[i] = values[i];
    }
    return Upload(_register, 1);
}

s32 REP_SetConstantPoint(s32 _register, const MAT_Vector3& _point)
{
    return REP_SetConstant4(_register, _point.x, _point.y, _point.z, 1.0f);
}

s32 REP_SetConstantDirection(s32 _register, const MAT_Vector3& _direction)
{
    return REP_SetConstant4(_register, _direction.x, _direction.y, _direction.z, 0.0f);
}

u32 REP_MakeColor(u8 _red, u8 _green, u8 _blue, u8 _alpha)
{
    return (u32)_alpha << 24 | (u32)_red << 16 | (u32)_green << 8 | (u32)_blue;
}

s32 REP_SetConstantColor(s32 _register, u32 _color)
{
    return REP_SetConstant4(_register, s_byteScale.value[(_color >> 16) & 0xFF],
                            s_byteScale.value[(_color >> 8) & 0xFF], s_byteScale.value[_color & 0xFF],
                            s_byteScale.value[_color >> 24]);
}

s32 REP_SetDirectionalLight(s32 _register, const VEC_Light& _light, const MAT_Vector3& _direction)
{
    f32* front = REP_VertexShaderConstants[_register];
    f32* back = REP_VertexShaderConstants[_register + 1];
    f32* direction = REP_VertexShaderConstants[_register + 2];
    front[0] = _light.m_color1.x;
    front[1] = _light.m_color1.y;
    front[2] = _light.m_color1.z;
    front[3] = 0.0f;
    back[0] = _light.m_color2.x;
    back[1] = _light.m_color2.y;
    back[2] = _light.m_color2.z;
    back[3] = 0.0f;
    direction[0] = -_direction.x;
    direction[1] = -_direction.y;
    direction[2] = -_direction.z;
    return Upload(_register, 3);
}

s32 REP_SetPointLight(s32 _register, const VEC_Light& _light, const MAT_Vector3& _position)
{
    f32* diffuse = REP_VertexShaderConstants[_register];
    f32* specular = REP_VertexShaderConstants[_register + 1];
    f32* attenuation = REP_VertexShaderConstants[_register + 2];
    f32* position = REP_VertexShaderConstants[_register + 3];
    diffuse[0] = _light.m_color1.x;
    diffuse[1] = _light.m_color1.y;
    diffuse[2] = _light.m_color1.z;
    diffuse[3] = 0.0f;
    specular[0] = _light.m_color2.x;
    specular[1] = _light.m_color2.y;
    specular[2] = _light.m_color2.z;
    specular[3] = 0.0f;
    attenuation[0] = _light.m_vector.x;
    attenuation[1] = _light.m_vector.y;
    attenuation[2] = _light.m_vector.z;
    attenuation[3] = _light.m_intensity;
    position[0] = _position.x;
    position[1] = _position.y;
    position[2] = _position.z;
    return Upload(_register, 4);
}

s32 REP_SetNoDirectionalLight(s32 _register)
{
    for (s32 i = 0; i < 2; ++i) {
        f32* out = REP_VertexShaderConstants[_register + i];
        out[0] = out[1] = out[2] = out[3] = 0.0f;
    }
    return Upload(_register, 2);
}

void REP_ComputeFogRows(const REM_FogLayer* _fog, const MAT_Matrix34& _world, const MAT_Matrix34& _worldToView,
                        f32 _rows[8])
{
    if (_fog == nullptr) {
        for (s32 i = 0; i < 8; ++i)
            _rows[i] = 0.0f;
        return;
    }
    // Row 2 (z) of the world frame: height; row 1 (y) of the world-to-view frame: depth.
    const f32* w = _world.r.m;
    const f32 hs = _fog->m_heightScale;
    _rows[0] = w[2] * hs;
    _rows[1] = w[5] * hs;
    _rows[2] = w[8] * hs;
    _rows[3] = (_world.t.z - _fog->m_baseHeight) * hs;
    const f32* v = _worldToView.r.m;
    const f32 ds = _fog->m_depthScale;
    _rows[4] = v[1] * ds;
    _rows[5] = v[4] * ds;
    _rows[6] = v[7] * ds;
    _rows[7] = _worldToView.t.y * ds;
}

void REP_ComputeFogRamp(const REM_FogLayer* _fog, f32 _fogFactor, const MAT_Matrix34& _worldToView, f32 _row[4])
{
    f32 k = 0.0f;
    f32 g = 0.0f;
    const f32 span = _fog != nullptr ? (f32)_fog->m_rows * _fog->m_depthStep : 0.0f;
    if (_fogFactor != 1.0f && span != 0.0f) {
        k = 1.0f / (_fogFactor - 1.0f);
        g = k / span;
    }
    const f32* v = _worldToView.r.m;
    _row[0] = g * v[1];
    _row[1] = g * v[4];
    _row[2] = g * v[7];
    _row[3] = g * _worldToView.t.y - k;
}

void REP_SplitMaterials(const REB_Mesh* _mesh, const REB_Material* _listA[REP_MAX_MATERIALS],
                        const REB_Material* _listB[REP_MAX_MATERIALS])
{
    const s32 count = _mesh->GetMaterialCount();
    if (count > REP_MAX_MATERIALS)
        OS_Fatal("REP_SplitMaterials()", "too many materials");
    for (s32 i = 0; i < count; ++i) {
        const REB_Material* material = _mesh->GetMaterial(i);
        const VEC_Map& map = material->material.diffuseMap;
        _listA[i] = nullptr;
        _listB[i] = nullptr;
        if (material->indexCount == 0)
            continue;
        if ((material->material.selfIllumination & 0x00FFFFFF) != 0 || map.alpha < 252 || map.blendMode != 0)
            _listB[i] = material;
        else
            _listA[i] = material;
    }
}
