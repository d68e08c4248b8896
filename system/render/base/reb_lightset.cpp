#include "reb_lightset.h"

#include <cfloat>

#include "dsp_display.h"
#include "mat_round.h"
#include "mat_sqrt.h"

u32 REB_LightSet::AddLight(const VEC_Light& _light, f32 _innerRadius, f32 _outerRadius, const MAT_Matrix34& _placement)
{
    if (m_count >= REB_MAX_LIGHTS)
        return 0;
    REB_Light& light = m_lights[m_count];
    light.light = _light;
    light.innerRadius = _innerRadius;
    light.outerRadius = _outerRadius;
    light.worldPosition = _placement.t;
    light.worldDirection = _placement.r.GetY();
    m_count++;
    return 1;
}

void REB_LightSet::TransformToObjectSpace(const MAT_Matrix34& _inverseWorld)
{
    for (s32 i = m_count - 1; i >= 0; i--) {
        REB_Light& light = m_lights[i];
        light.objectPosition = _inverseWorld.TransformPoint(light.worldPosition);
        light.objectDirection = _inverseWorld.RotateVector(light.worldDirection);
    }
}

s32 REB_LightSet::SumPointLights(const MAT_Vector3& _position, f32 _register[4]) const
{
    MAT_Vector3 sum = m_ambient;
    s32 count = 0;
    // Last to first, as the sum has always been taken: float sums depend on their order.
    for (s32 i = m_count - 1; i >= 0; i--) {
        const REB_Light& light = m_lights[i];
        if (light.light.m_type != 0)
            continue;
        const MAT_Vector3 offset = light.worldPosition - _position;
        const f32 distance = MAT_FastSqrt(offset.x * offset.x + offset.y * offset.y + offset.z * offset.z);
        f32 factor;
        if (distance <= light.innerRadius)
            factor = 1.0f;
        else if (distance >= light.outerRadius)
            factor = 0.0f;
        else
            factor = light.light.m_intensity + distance * light.light.m_vector.x;
        sum = sum + light.light.m_color1 * factor;
        count++;
    }
    const f32 components[3] = {sum.x, sum.y, sum.z};
    for (s32 k = 0; k < 3; k++)
        if (components[k] != FLT_MAX)
            _register[k] = components[k];
    SITO_DISPLAY->SetVertexShaderConstant(6, _register, 1);
    return count;
}

static u32 ColorByte(f32 _value)
{
    const s32 value = MAT_FloorByRounding(_value * 255.0f);
    return (u32)(value < 0 ? 0 : value > 255 ? 255 : value);
}

void REB_LightSet::SetAmbient(f32 _red, f32 _green, f32 _blue)
{
    m_ambient = {_red, _green, _blue};
    m_ambientColor = 0xFF000000u | (ColorByte(_red) << 16) | (ColorByte(_green) << 8) | ColorByte(_blue);
}
