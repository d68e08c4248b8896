// The camera, the transform state of the object being drawn, and the light record.
//
// VEC_Camera is a plain value (trivially copyable: the renderer copies it whole every frame).
// It keeps its placement, its projection and everything derived from them: the frustum
// corners, boxes and outward planes in view and world space, rebuilt whole by SetTransform
// and SetProjection and never touched otherwise. View space: x right, y forward (depth), z up.
// A plane (a, b, c, d) has a unit normal pointing out of the frustum; a point p lies outside
// it when a*p.x + b*p.y + c*p.z + d >= 0.
//
// VEC_TransformState holds the world, view and projection transforms and caches the products
// the passes upload as shader constants; each product is computed at most once per change of
// the transforms it is made of. VEC_Light is the record the light set copies.
#pragma once

#include "mat_geometry.h"
#include "mat_matrix.h"
#include "mem_alloc.h"
#include "os_types.h"

class VEC_Camera : public MEM_Object
{
public:
    // Planes of the frustum, in storage order.
    enum
    {
        PLANE_NEAR = 0,
        PLANE_FAR = 1,
        PLANE_LEFT = 2,
        PLANE_RIGHT = 3,
        PLANE_TOP = 4,
        PLANE_BOTTOM = 5,
        PLANE_COUNT = 6,
        CORNER_COUNT = 8
    };

    // Near 1, far 1000, at the origin looking along +y, a 4:3 view through
    // (-1, 1, -0.75000185, 0.75000185) at the near plane.
    VEC_Camera();

    // The camera's placement (a rigid frame); derives the angles and the view transform.
    void SetTransform(const MAT_Matrix34& _world);
    // The near-plane rectangle is left..right by bottom/aspect..top/aspect; it maps to clip x
    // -1..1, clip y (up) -1..1 and depth 0..1.
    void SetProjection(f32 _left, f32 _right, f32 _bottom, f32 _top, f32 _near, f32 _far, f32 _aspect);

    // A world-space box against the world planes (order 0, 1, 2, 3, 5, 4, stopping at the first
    // plane that does not contain it): 1 entirely outside, -1 crossing, 0 entirely inside.
    s32 TestBox(const MAT_AABox& _box) const;

    // World plane 0-5; any other index is fatal.
    void GetViewFrustumPlaneWP(s32 _index, f32& _a, f32& _b, f32& _c, f32& _d) const;

    f32 GetNear() const { return m_near; }
    f32 GetFar() const { return m_far; }
    const MAT_Angle& GetHeading() const { return m_heading; }
    const MAT_Angle& GetPitch() const { return m_pitch; }
    const MAT_Angle& GetRoll() const { return m_roll; }
    const MAT_Matrix34& GetWorldTransform() const { return m_world; }
    const MAT_Matrix34& GetViewTransform() const { return m_view; }
    const MAT_Matrix44& GetProjection() const { return m_projection; }
    const MAT_Matrix44& GetInverseProjection() const { return m_inverseProjection; }
    const MAT_AABox& GetViewFrustumBox() const { return m_viewBox; }
    const MAT_AABox& GetWorldFrustumBox() const { return m_worldBox; }
    // Planes as (a, b, c, d); indices are not checked (0-5).
    const f32* GetViewPlane(s32 _index) const { return m_viewPlanes[_index]; }
    const f32* GetWorldPlane(s32 _index) const { return m_worldPlanes[_index]; }
    s32 GetViewPlaneCode(s32 _index) const { return m_viewPlaneCodes[_index]; }
    s32 GetWorldPlaneCode(s32 _index) const { return m_worldPlaneCodes[_index]; }
    // Corner k: bit 0 right (else left), bit 1 top (else bottom), bit 2 far (else near).
    const MAT_Vector3& GetViewCorner(s32 _index) const { return m_viewCorners[_index]; }
    const MAT_Vector3& GetWorldCorner(s32 _index) const { return m_worldCorners[_index]; }

private:
    void ComputeFrustum();

    f32 m_near = 1.0f;
    f32 m_far = 1000.0f;
    MAT_Angle m_heading;
    MAT_Angle m_pitch;
    MAT_Angle m_roll;
    MAT_Matrix34 m_world;
    MAT_Matrix34 m_view;
    MAT_Matrix44 m_projection;
    MAT_Matrix44 m_inverseProjection;
    MAT_AABox m_viewBox;
    MAT_AABox m_worldBox;
    f32 m_viewPlanes[PLANE_COUNT][4] = {};
    s32 m_viewPlaneCodes[PLANE_COUNT] = {};
    MAT_Vector3 m_viewCorners[CORNER_COUNT];
    f32 m_worldPlanes[PLANE_COUNT][4] = {};
    s32 m_worldPlaneCodes[PLANE_COUNT] = {};
    MAT_Vector3 m_worldCorners[CORNER_COUNT];
};

class VEC_TransformState : public MEM_Object
{
public:
    // Bits of the state word.
    enum : u32
    {
        WORLD_SET = 0x1,
        WORLD_TO_VIEW_VALID = 0x2,
        WORLD_VIEW_PROJECTION_VALID = 0x4,
        INVERSE_WORLD_VALID = 0x10,
        INVERSE_VIEW_VALID = 0x100,
        VIEW_SET = 0x800,
        PROJECTION_SET = 0x4000
    };

    // Each setter invalidates every cached product that depends on what it changes.
    void SetWorld(const MAT_Matrix34& _world);
    // The camera's world transform (its placement), not its inverse.
    void SetView(const MAT_Matrix34& _view);
    void SetProjection(const MAT_Matrix44& _projection);

    const MAT_Matrix34& GetWorld() const { return m_world; }
    const MAT_Matrix34& GetView() const { return m_view; }
    const MAT_Matrix44& GetProjection() const { return m_projection; }

    // Cached products, recomputed on first use after they became invalid.
    // Inverse view composed with world.
    const MAT_Matrix34& GetWorldToView();
    // Projection times world-to-view.
    const MAT_Matrix44& GetWorldViewProjection();
    const MAT_Matrix34& GetInverseWorld();
    const MAT_Matrix34& GetInverseView();

    u32 GetState() const { return m_state; }

private:
    MAT_Matrix34 m_world;
    MAT_Matrix34 m_view;
    MAT_Matrix44 m_projection;
    MAT_Matrix34 m_worldToView;
    MAT_Matrix44 m_worldViewProjection;
    MAT_Matrix34 m_inverseWorld;
    MAT_Matrix34 m_inverseView;
    u32 m_state = 0;
};

// The light record (44 bytes: the light set copies it as eleven values).
struct VEC_Light
{
    MAT_Vector3 m_color1 = {1.0f, 1.0f, 1.0f};
    MAT_Vector3 m_color2 = {1.0f, 1.0f, 1.0f};
    s32 m_type = 0;
    f32 m_intensity = 1.0f;
    MAT_Vector3 m_vector;
};
static_assert(sizeof(VEC_Light) == 44, "VEC_Light is eleven 32-bit values");
