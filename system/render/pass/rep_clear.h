// The four small passes. REP_Clear draws the sky around the eye, blended towards the fog colour
// by the fog density; REP_Trail draws the dynamic trail mesh additively under fog; REP_Plant
// draws a plant mesh that fades out over view depth, under fog; REP_Billboard draws one quad
// facing the viewer, turned in the view plane. The renderer fills the public fields.
#pragma once

#include "mat_angle.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "os_types.h"

class REB_LightSet;
class REB_Mesh;
class REM_FogLayer;
class VEC_Camera;
class VEC_TransformState;
struct REB_Material;

class REP_Clear : public MEM_Object
{
public:
    enum Slot : s32
    {
        VS_CMFM,  // not built: no draw selects it
        VS_SMFM,
        SKY_TEXTURE,
        FOG_TEXTURE,
        SECOND_FOG_TEXTURE,
        TEXTURE_FACTOR,
        SLOT_COUNT
    };
    void Create();
    void Release();
    // Places the sky at the eye scaled by near + far (left in the transform state) and draws
    // every material of _sky.
    void Render(const REB_Mesh* _sky, const VEC_Camera& _camera, VEC_TransformState& _transform);
    void Draw(const REB_Material& _material);

    s32 fogTexture = -1;
    s32 otherFogTexture = -1;
    f32 fogDensity = 0.0f;  // 0..1, truncated to a byte (values outside are clamped)
    const REM_FogLayer* fogLayer = nullptr;
    s32 slots[SLOT_COUNT] = {0, 0, -1, -1, -1, 0};
};

class REP_Trail : public MEM_Object
{
public:
    enum Slot : s32
    {
        VS_EOAFM,
        TEXTURE,
        FOG_TEXTURE,
        SECOND_FOG_TEXTURE,
        SLOT_COUNT
    };
    void Create();
    void Release();
    void Render(const REB_Mesh* _mesh, VEC_TransformState& _transform, const REB_LightSet& _lights);
    void Draw(const REB_Material& _material);

    s32 fogTexture = -1;
    s32 otherFogTexture = -1;
    const REM_FogLayer* fogLayer = nullptr;
    s32 slots[SLOT_COUNT] = {0, -1, -1, -1};
    f32 ambientAlpha[4] = {};  // the last c51
};

class REP_Plant : public MEM_Object
{
public:
    enum Slot : s32
    {
        VS_EOAFM,
        TEXTURE,
        FOG_TEXTURE,
        SECOND_FOG_TEXTURE,
        SLOT_COUNT
    };
    void Create();
    void Release();
    void Render(const REB_Mesh* _mesh, VEC_TransformState& _transform, const REB_LightSet& _lights);
    void Draw(const REB_Material& _material);

    s32 fogTexture = -1;
    s32 otherFogTexture = -1;
    // View depths where the fade begins and where the plant is gone; an end at or before the
    // start cuts the plant off at the end.
    f32 fadeStart = 0.0f;
    f32 fadeEnd = 0.0f;
    const REM_FogLayer* fogLayer = nullptr;
    s32 slots[SLOT_COUNT] = {0, -1, -1, -1};
    f32 ambientAlpha[4] = {};  // the last c51
};

class REP_Billboard : public MEM_Object
{
public:
    void Create();
    void Release();
    // Draws only when _quad's first material has exactly 6 indices and 4 vertices.
    void Render(const REB_Mesh* _quad, const MAT_Vector3& _position, const MAT_Angle& _angle, f32 _width, f32 _height,
                const MAT_Angle& _cameraAngle, VEC_TransformState& _transform, const REB_LightSet& _lights);
    void Draw(const REB_Material& _material);

    s32 vertexShader = 0;
    const REB_Material* material = nullptr;
    MAT_Vector3 position;
};
