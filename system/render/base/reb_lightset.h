// Light sets: the up to four lights that light one object, with their object-space copies, and
// the ambient colour.
//
// Users empty the set before each object, add its lights with their placements, and move them
// into the object's space before drawing. A fifth light is refused, not an error.
#pragma once

#include "mat_matrix.h"
#include "os_types.h"
#include "vec_camera.h"

constexpr s32 REB_MAX_LIGHTS = 4;

struct REB_Light
{
    VEC_Light light;
    f32 innerRadius = 0.0f;
    f32 outerRadius = 0.0f;
    MAT_Vector3 worldPosition;
    MAT_Vector3 objectPosition;
    MAT_Vector3 worldDirection;
    MAT_Vector3 objectDirection;
};

class REB_LightSet : public MEM_Object
{
public:
    void Clear() { m_count = 0; }
    // Appends the light placed at the placement's translation, pointing along its second axis;
    // 0 when four are in use.
    u32 AddLight(const VEC_Light& _light, f32 _innerRadius, f32 _outerRadius, const MAT_Matrix34& _placement);
    // Object-space position and direction of every light in use, _inverseWorld being the
    // inverse of the object's world transform.
    void TransformToObjectSpace(const MAT_Matrix34& _inverseWorld);
    // The ambient colour plus the point lights (type 0) at _position, each weighted 1 inside
    // its inner radius, 0 from its outer radius on and intensity + distance x vector.x between,
    // written into x, y, z of _register (a component summing to FLT_MAX keeps its old value) and
    // uploaded as vertex-shader constant c6. Returns the number of point lights summed.
    s32 SumPointLights(const MAT_Vector3& _position, f32 _register[4]) const;

    // The colour as floats and as B, G, R, A bytes (byte = floor of value x 255, alpha 255).
    void SetAmbient(f32 _red, f32 _green, f32 _blue);
    const MAT_Vector3& GetAmbient() const { return m_ambient; }
    u32 GetAmbientColor() const { return m_ambientColor; }  // 0xAARRGGBB

    s32 GetLightCount() const { return m_count; }
    const REB_Light& GetLight(s32 _index) const { return m_lights[_index]; }

private:
    REB_Light m_lights[REB_MAX_LIGHTS];
    s32 m_count = 0;
    MAT_Vector3 m_ambient;
    u32 m_ambientColor = 0;
};
