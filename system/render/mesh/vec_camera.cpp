#include "vec_camera.h"

#include <cmath>
#include <type_traits>

#include "os_fatal.h"

static_assert(std::is_trivially_copyable_v<VEC_Camera>, "the renderer copies cameras byte for byte");

namespace
{
// Three corners of each face, ordered so that (p2 - p0) x (p1 - p0) points out of the frustum
// for any proper rotation of it. Corner bits: 1 right, 2 top, 4 far.
constexpr s32 s_planeCorners[VEC_Camera::PLANE_COUNT][3] = {
    {0, 2, 1},  // near
    {4, 5, 6},  // far
    {0, 4, 2},  // left
    {1, 3, 5},  // right
    {2, 6, 3},  // top
    {0, 1, 4},  // bottom
};

// The planes in the order the box test examines them.
constexpr s32 s_testOrder[VEC_Camera::PLANE_COUNT] = {0, 1, 2, 3, 5, 4};

MAT_Vector3 Cross(const MAT_Vector3& _a, const MAT_Vector3& _b)
{
    return {_a.y * _b.z - _a.z * _b.y, _a.z * _b.x - _a.x * _b.z, _a.x * _b.y - _a.y * _b.x};
}

f32 Dot(const MAT_Vector3& _a, const MAT_Vector3& _b) { return _a.x * _b.x + _a.y * _b.y + _a.z * _b.z; }

// The octant of the normal: which components are negative.
s32 PlaneCode(const f32 _plane[4])
{
    return (_plane[0] < 0.0f ? 1 : 0) + (_plane[1] < 0.0f ? 2 : 0) + (_plane[2] < 0.0f ? 4 : 0);
}

void BuildPlanes(const MAT_Vector3 _corners[VEC_Camera::CORNER_COUNT], f32 _planes[VEC_Camera::PLANE_COUNT][4],
                 s32 _codes[VEC_Camera::PLANE_COUNT], MAT_AABox& _box)
{
    _box.m_min = _box.m_max = _corners[0];
    for (s32 i = 1; i < VEC_Camera::CORNER_COUNT; ++i)
        _box.Extend(_corners[i]);
    for (s32 plane = 0; plane < VEC_Camera::PLANE_COUNT; ++plane) {
        const MAT_Vector3& p0 = _corners[s_planeCorners[plane][0]];
        const MAT_Vector3& p1 = _corners[s_planeCorners[plane][1]];
        const MAT_Vector3& p2 = _corners[s_planeCorners[plane][2]];
        MAT_Vector3 n = Cross(p2 - p0, p1 - p0);
        const f32 length = std::sqrt(Dot(n, n));
        if (length > 0.0f)
            n = n * (1.0f / length);
        _planes[plane][0] = n.x;
        _planes[plane][1] = n.y;
        _planes[plane][2] = n.z;
        _planes[plane][3] = -Dot(n, p0);
        _codes[plane] = PlaneCode(_planes[plane]);
    }
}
}  // namespace

VEC_Camera::VEC_Camera()
{
    m_world.r.SetDiagonal(1.0f);
    m_view.r.SetDiagonal(1.0f);
    SetProjection(-1.0f, 1.0f, -0.75000185f, 0.75000185f, 1.0f, 1000.0f, 1.0f);
}

void VEC_Camera::SetTransform(const MAT_Matrix34& _world)
{
    m_world = _world;
    m_world.r.GetAngles(m_heading, m_pitch, m_roll);
    m_view = m_world.InvertRigid();
    ComputeFrustum();
}

void VEC_Camera::SetProjection(f32 _left, f32 _right, f32 _bottom, f32 _top, f32 _near, f32 _far, f32 _aspect)
{
    m_near = _near;
    m_far = _far;
    m_projection.SetProjection(_left, _right, _bottom / _aspect, _top / _aspect, _near, _far, 1.0f,
                               MAT_Vector3(-1.0f, 0.0f, -1.0f), MAT_Vector3(1.0f, 1.0f, 1.0f));
    m_inverseProjection = m_projection;
    m_inverseProjection.Invert();
    ComputeFrustum();
}

void VEC_Camera::ComputeFrustum()
{
    // The clip-space cube (x and up -1..1, depth 0..1) taken back through the inverse
    // projection. The matrix holds columns translation, X, Y, Z and the clip point is
    // (x, up, depth, 1), so the translation column is the one the homogeneous 1 picks.
    const f32* m = m_inverseProjection.m;
    for (s32 k = 0; k < CORNER_COUNT; ++k) {
        const f32 x = (k & 1) ? 1.0f : -1.0f;
        const f32 up = (k & 2) ? 1.0f : -1.0f;
        const f32 depth = (k & 4) ? 1.0f : 0.0f;
        f32 h[4];
        for (s32 row = 0; row < 4; ++row)
            h[row] = m[row] + m[4 + row] * x + m[8 + row] * up + m[12 + row] * depth;
        const f32 inverseW = 1.0f / h[3];
        m_viewCorners[k].Set(h[0] * inverseW, h[1] * inverseW, h[2] * inverseW);
        m_worldCorners[k] = m_world.TransformPoint(m_viewCorners[k]);
    }
    BuildPlanes(m_viewCorners, m_viewPlanes, m_viewPlaneCodes, m_viewBox);
    BuildPlanes(m_worldCorners, m_worldPlanes, m_worldPlaneCodes, m_worldBox);
}

s32 VEC_Camera::TestBox(const MAT_AABox& _box) const
{
    const MAT_Vector3& lo = _box.m_min;
    const MAT_Vector3& hi = _box.m_max;
    for (s32 index : s_testOrder) {
        const f32* plane = m_worldPlanes[index];
        const u32 code = (u32)m_worldPlaneCodes[index];
        if (code > 7)
            return -1;
        // The corner farthest out takes the maximum along a non-negative normal component.
        const f32 outX = (code & 1) ? lo.x : hi.x, inX = (code & 1) ? hi.x : lo.x;
        const f32 outY = (code & 2) ? lo.y : hi.y, inY = (code & 2) ? hi.y : lo.y;
        const f32 outZ = (code & 4) ? lo.z : hi.z, inZ = (code & 4) ? hi.z : lo.z;
        if (plane[0] * outX + plane[1] * outY + plane[2] * outZ + plane[3] < 0.0f)
            continue;
        if (plane[0] * inX + plane[1] * inY + plane[2] * inZ + plane[3] >= 0.0f)
            return 1;
        return -1;
    }
    return 0;
}

void VEC_Camera::GetViewFrustumPlaneWP(s32 _index, f32& _a, f32& _b, f32& _c, f32& _d) const
{
    if (_index < 0 || _index >= PLANE_COUNT)
        OS_Fatal("VEC_Camera::GetViewFrustumPlaneWP()", " given boundary out of range (0-5)");
    _a = m_worldPlanes[_index][0];
    _b = m_worldPlanes[_index][1];
    _c = m_worldPlanes[_index][2];
    _d = m_worldPlanes[_index][3];
}
