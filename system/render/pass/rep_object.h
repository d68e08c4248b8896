// The object passes: REP_Object draws meshes lit per vertex by the light set (one directional
// light with a front and a back colour, plus ambient), REP_ObjectPrelit draws a mesh over its
// light mesh of pre-computed lighting. Both draw opaque materials through their own multi-pass
// variants (caustics, diffuse, optional bump map, fog) and blending, see-through or glowing
// materials through their REP_Standard set. The renderer fills the public fields and sets the
// world transform before each call. Shaders live from Create to Release.
#pragma once

#include "reb_planarprojection.h"
#include "rep_standard.h"

class REB_LightSet;
class REB_Mesh;
class REM_FogLayer;
class VEC_TransformState;
struct REB_Material;

// The shader set of REP_Object: slots in this order.
class REP_ObjectShaders
{
public:
    enum Slot : s32
    {
        VS_CMDMFM,
        VS_CMDM,
        VS_DMBM,
        VS_CM,
        VS_FM,
        DIFFUSE_MAP,
        UNUSED,
        CAUSTIC,
        FOG_TEXTURE,
        SECOND_FOG_TEXTURE,
        BUMP_MAP,
        TEXTURE_FACTOR,
        SLOT_COUNT
    };
    void Create();
    void Release();
    void Draw_cmdmfm(const REB_Material& _material);
    void Draw_cmdm(const REB_Material& _material);
    void Draw_dmbm(const REB_Material& _material);
    void Draw_cm(const REB_Material& _material);
    void Draw_fm(const REB_Material& _material);

    s32 slots[SLOT_COUNT] = {0, 0, 0, 0, 0, -1, -1, -1, -1, -1, -1, 0};
};

// The shader set of REP_ObjectPrelit.
class REP_ObjectPrelitShaders
{
public:
    enum Slot : s32
    {
        VS_LMCS,
        VS_DM,
        VS_DMBM,
        VS_FM,
        DIFFUSE_MAP,
        LIGHT_MAP,
        CAUSTIC,
        FOG_TEXTURE,
        SECOND_FOG_TEXTURE,
        BUMP_MAP,
        TEXTURE_FACTOR,
        SLOT_COUNT
    };
    void Create();
    void Release();
    void Draw_lmcs(const REB_Material& _material);
    void Draw_dm(const REB_Material& _material);
    void Draw_dmbm(const REB_Material& _material);
    void Draw_fm(const REB_Material& _material);

    s32 slots[SLOT_COUNT] = {0, 0, 0, 0, -1, -1, -1, -1, -1, -1, 0};
};

// Flag bits of both passes.
enum : u32
{
    REP_OBJECT_BUMP = 0x4,         // bump maps are drawn
    REP_OBJECT_PIXELSHADER = 0x8,  // the renderer takes REP_Object::RenderPS
};

class REP_Object : public MEM_Object
{
public:
    void Create();
    void Release();
    void Render(const REB_Mesh* _mesh, VEC_TransformState& _transform, REB_LightSet& _lights);
    void RenderPS(const REB_Mesh* _mesh, VEC_TransformState& _transform, REB_LightSet& _lights);

    u32 flags = 0;
    s32 causticTexture = -1;
    REB_PlanarProjection causticRecord;
    s32 fogTexture = -1;
    s32 otherFogTexture = -1;
    f32 fogFactor = 0.0f;
    f32 fogDensity = 0.0f;
    const REM_FogLayer* fogLayer = nullptr;
    REP_ObjectShaders shaders;
    REP_Standard standard;
};

class REP_ObjectPrelit : public MEM_Object
{
public:
    void Create();
    void Release();
    // The light mesh's lighting first (may be null: nothing of it), then _mesh over it.
    void Render(const REB_Mesh* _lightMesh, const REB_Mesh* _mesh, VEC_TransformState& _transform,
                REB_LightSet& _lights);

    u32 flags = 0;
    s32 causticTexture = -1;
    REB_PlanarProjection causticRecord;
    s32 fogTexture = -1;
    s32 otherFogTexture = -1;
    f32 fogFactor = 0.0f;
    f32 fogDensity = 0.0f;
    const REM_FogLayer* fogLayer = nullptr;
    REP_ObjectPrelitShaders shaders;
    REP_Standard standard;
};
