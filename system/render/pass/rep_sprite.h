// REP_Sprite draws a particle field (one static mesh whose triangles each share one centre)
// that repeats around the eye and always faces the viewer; GenerateField builds such a field.
// REP_Overlay draws two-dimensional meshes in a virtual screen mapped to clip space by
// alignment flags, from their own buffers or streamed through the display's shared dynamic
// buffers. Both draw with the diffuse map's own states.
#pragma once

#include "mat_angle.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "os_types.h"

class REB_LightSet;
class REB_Mesh;
class VEC_TransformState;
struct REB_Material;
struct VEC_Map;
struct VEC_Material;
struct VEC_MeshPart;

class REP_Sprite : public MEM_Object
{
public:
    void Create();
    void Release();
    // Draws _mesh's first material as a field around the eye; nothing without indices, nor when
    // the mesh's box has no extent (the field would have no period to repeat with).
    void Render(const REB_Mesh* _mesh, const MAT_Vector3& _offset, const MAT_Angle& _angle, f32 _width, f32 _height,
                const MAT_Angle& _cameraAngle, f32 _fade, VEC_TransformState& _transform, const REB_LightSet& _lights);
    void Draw(const REB_Material& _material);
    // A new part (the caller owns it) of _count particles in the cube of half side _extent,
    // radii and angles drawn from CRT_Rand in a fixed order; the template is copied into its
    // material.
    static VEC_MeshPart* GenerateField(const VEC_Material& _template, s32 _count, f32 _extent, f32 _minRadius,
                                       f32 _maxRadius, f32 _minAngle, f32 _maxAngle);

    s32 vertexShader = 0;
    const REB_Material* material = nullptr;
};

// Alignment flags of REP_Overlay::SetProjection.
enum : s32
{
    REP_ALIGN_LEFT = 1,
    REP_ALIGN_RIGHT = 2,
    REP_ALIGN_HCENTER = 3,
    REP_ALIGN_BOTTOM = 4,
    REP_ALIGN_TOP = 8,
    REP_ALIGN_VCENTER = 12,
};

class REP_Overlay : public MEM_Object
{
public:
    void Create();
    void Release();
    void SetProjection(s32 _flags, f32 _width, f32 _height, f32 _aspect);
    // Streams _part through the shared dynamic buffers (nothing without triangles).
    void DrawQuads(const VEC_MeshPart* _part, f32 _x, f32 _y, const MAT_Angle& _angle, f32 _width, f32 _height,
                   const REB_LightSet& _lights);
    // Draws _mesh's first material from its own buffers (nothing without indices).
    void DrawMesh(const REB_Mesh* _mesh, f32 _x, f32 _y, const MAT_Angle& _angle, f32 _width, f32 _height,
                  const REB_LightSet& _lights);
    // One draw of _material from its own buffers with the map's states; the constants are set.
    void Draw(const REB_Material& _material);
    // One draw of _part, copied into the shared dynamic buffers (discard locks); the part must
    // fit them and address fewer than 65536 vertices.
    void DrawDynamic(const VEC_MeshPart* _part);
    // The map's blend states as REB_Map::SetMapToRenderState sets them, except that texture
    // coordinates clamp and nothing is culled (overlays are seen from either side, and their
    // texels must not bleed in from the opposite edge). A blend mode above 5 is fatal.
    static void SetMapToRenderState(const VEC_Map* _map);

    s32 vertexShader = 0;
    const VEC_Map* map = nullptr;
    f32 scaleX = 0.0f;
    f32 scaleY = 0.0f;
    f32 quadScaleX = 0.0f;
    f32 quadScaleY = 0.0f;
    f32 offsetX = 0.0f;
    f32 offsetY = 0.0f;
    f32 aspect = 0.0f;

private:
    // c2-c6 for a draw at (_x, _y) of _material, whose diffuse map becomes the map drawn.
    void SetConstants(f32 _x, f32 _y, const MAT_Angle& _angle, f32 _width, f32 _height, const VEC_Material& _material,
                      const REB_LightSet& _lights);
};
