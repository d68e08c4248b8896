// Swept sphere against oriented boxes, and the box that encloses two poses of a body.
#include "mat_swept.h"

#include "mat_sqrt.h"

namespace
{
constexpr f32 INSIDE_VALUE = 1e15f;
constexpr f32 BEHIND_VALUE = 1e20f;
constexpr f32 NO_EDGE_DISTANCE = 1e25f;
constexpr f32 BIAS_THRESHOLD = 0.1f;

enum Placement
{
    PLACEMENT_MISS,
    PLACEMENT_AHEAD,
    PLACEMENT_INSIDE,
};

// The segment in the box's frame against the box inflated by the radius.
Placement Classify(const MAT_Segment& _segment, f32 _radius, const MAT_Matrix34& _frame,
                   const MAT_Vector3& _halfExtents, MAT_Segment& _local, MAT_AABox& _box)
{
    const MAT_Vector3 extent = {_halfExtents.x + _radius, _halfExtents.y + _radius, _halfExtents.z + _radius};
    _box.m_min = -extent;
    _box.m_max = extent;
    _local.Set(_frame.InverseTransformPoint(_segment.m_origin), _frame.InverseTransformPoint(_segment.m_end));

    f32 entry = 0.0f;
    f32 exit = 0.0f;
    if (!_local.IntersectBox(_box, entry, exit))
        return PLACEMENT_MISS;
    // Reaching into the box without leaving it by the end of the look-ahead does not count.
    if (exit > _local.m_length)
        return PLACEMENT_MISS;
    if (entry > 0.0f)
        return PLACEMENT_AHEAD;
    return _box.GetOutcode(_local.m_origin) ? PLACEMENT_INSIDE : PLACEMENT_MISS;
}

void ApplyBiasSigns(MAT_Vector3& _w, f32 _bias)
{
    _w.x = _w.x > 0.0f ? 1.0f - _bias : _bias - 1.0f;
    _w.y = _w.y > 0.0f ? 1.0f - _bias : _bias - 1.0f;
    _w.z = _w.z > 0.0f ? 1.0f + _bias : -1.0f - _bias;
}

// Outward normal of the face of the box nearest to a point inside it (the first of equals in
// the order +x, -x, +y, -y, +z, -z).
MAT_Vector3 NearestFaceNormal(const MAT_AABox& _box, const MAT_Vector3& _p)
{
    const f32 distances[6] = {_box.m_max.x - _p.x, _p.x - _box.m_min.x, _box.m_max.y - _p.y,
                              _p.y - _box.m_min.y, _box.m_max.z - _p.z, _p.z - _box.m_min.z};
    const MAT_Vector3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    s32 nearest = 0;
    for (s32 i = 1; i < 6; ++i) {
        if (distances[i] < distances[nearest])
            nearest = i;
    }
    return normals[nearest];
}

f32& Component(MAT_Vector3& _v, s32 _axis) { return _axis == 0 ? _v.x : (_axis == 1 ? _v.y : _v.z); }
}  // namespace

s32 MAT_SweptSphereBoxTest(const MAT_Segment& _segment, f32 _radius, const MAT_Matrix34& _frame,
                           const MAT_Vector3& _halfExtents)
{
    MAT_Segment local;
    MAT_AABox box;
    return Classify(_segment, _radius, _frame, _halfExtents, local, box) != PLACEMENT_MISS ? 1 : 0;
}

void MAT_BiasDirection(MAT_Vector3& _m, f32 _bias, const MAT_Matrix34& _frame, const MAT_Vector3& _u)
{
    // The sign rule is a world-space preference (z is up), so it is applied in world axes.
    if (std::fabs(_bias) > BIAS_THRESHOLD) {
        MAT_Vector3 w = _frame.RotateVector(_m);
        ApplyBiasSigns(w, _bias);
        _m = _frame.InverseRotate(w);
    }
    _m -= _u * _m.Dot(_u);
    _m.Normalize();
}

s32 MAT_SweptBoxTest(const MAT_Segment& _segment, f32 _radius, f32 _scale, const MAT_Matrix34& _frame,
                     const MAT_Vector3& _halfExtents, f32 _bias, MAT_SweptResult& _result)
{
    MAT_Segment local;
    MAT_AABox box;
    const Placement placement = Classify(_segment, _radius, _frame, _halfExtents, local, box);
    if (placement == PLACEMENT_MISS)
        return 0;

    if (placement == PLACEMENT_INSIDE) {
        // The shortest way out, in world axes.
        MAT_Vector3 w = _frame.RotateVector(NearestFaceNormal(box, local.m_origin));
        if (std::fabs(_bias) > BIAS_THRESHOLD)
            ApplyBiasSigns(w, _bias);
        w.Normalize();
        _result.m_value = INSIDE_VALUE;
        _result.m_direction = w;
        return 1;
    }

    const MAT_Vector3 u = local.m_direction;
    const MAT_Vector3 start = local.m_origin;
    MAT_Vector3 corner;
    MAT_Segment edges[6];
    const s32 edgeCount = box.GetSilhouette(start, u, corner, edges);

    // Coordinates within the plane of the silhouette. A vertical look-ahead has no horizontal
    // part to turn, so any horizontal axis serves.
    MAT_Vector3 t1 = {u.y, -u.x, 0.0f};
    if (t1.LengthSquared() == 0.0f)
        t1 = {1.0f, 0.0f, 0.0f};
    else
        t1.Normalize();
    const MAT_Vector3 t2 = u.Cross(t1);
    const MAT_Vector3 shadow = start + u * (corner - start).Dot(u);

    f32 best = NO_EDGE_DISTANCE;
    MAT_Vector3 direction;
    for (s32 i = 0; i < edgeCount; ++i) {
        MAT_Vector3 m = u.Cross(edges[i].m_direction);
        MAT_BiasDirection(m, _bias, _frame, u);
        // shadow + s m meets the edge's line: solved in (t1, t2).
        const f32 mx = m.Dot(t1);
        const f32 my = m.Dot(t2);
        const f32 ex = edges[i].m_direction.Dot(t1);
        const f32 ey = edges[i].m_direction.Dot(t2);
        const MAT_Vector3 toEdge = edges[i].m_origin - shadow;
        const f32 dx = toEdge.Dot(t1);
        const f32 dy = toEdge.Dot(t2);
        const f32 determinant = ex * my - ey * mx;
        if (determinant == 0.0f)
            continue;  // the biased direction runs along the edge and never meets it
        const f32 s = (ex * dy - ey * dx) / determinant;
        if (s < best) {
            best = s;
            direction = m;
        }
    }

    const f32 ahead = u.Dot(corner - start);
    if (ahead <= 0.0f) {
        _result.m_value = BEHIND_VALUE;
        direction.Normalize();
    } else {
        _result.m_value = _scale * best / ahead;
    }
    _result.m_direction = _frame.RotateVector(direction);
    return 1;
}

void MAT_MatchBoxAxes(const MAT_Matrix34& _a, MAT_Matrix34& _b, MAT_Vector3& _halfExtentsB)
{
    const MAT_Vector3 bx = _b.r.GetX();
    s32 k = 0;
    f32 best = std::fabs(_a.r.GetX().Dot(bx));
    for (s32 axis = 1; axis < 3; ++axis) {
        const f32 d = std::fabs(_a.r.GetAxis(axis).Dot(bx));
        if (d > best) {
            best = d;
            k = axis;
        }
    }
    if (k == 0)
        return;

    MAT_Vector3 toK = bx;
    MAT_Vector3 toX = _b.r.GetAxis(k);
    if (toK.Dot(_a.r.GetAxis(k)) < 0.0f)
        toK = -toK;
    if (toX.Dot(_a.r.GetX()) < 0.0f)
        toX = -toX;
    _b.r.SetAxis(0, toX);
    _b.r.SetAxis(k, toK);
    const f32 extent = _halfExtentsB.x;
    _halfExtentsB.x = Component(_halfExtentsB, k);
    Component(_halfExtentsB, k) = extent;

    // An exchange of two axes mirrors the frame; turning the third axis when needed keeps it a
    // rotation, which the quaternion blend below requires.
    const s32 third = 3 - k;
    if (_b.r.GetX().Cross(_b.r.GetY()).Dot(_b.r.GetZ()) < 0.0f)
        _b.r.SetAxis(third, -_b.r.GetAxis(third));
}

void MAT_SweptOrientedBoxTest(const MAT_Matrix34& _frameA, const MAT_Vector3& _halfExtentsA,
                              const MAT_Matrix34& _frameB, const MAT_Vector3& _halfExtentsB, MAT_Matrix34& _frame,
                              MAT_Vector3& _halfExtents)
{
    MAT_Matrix34 matched = _frameB;
    MAT_Vector3 matchedExtents = _halfExtentsB;
    MAT_MatchBoxAxes(_frameA, matched, matchedExtents);

    // Built in locals: the caller may pass one of the inputs as the output.
    MAT_Matrix34 frame;
    frame.t = (_frameA.t + _frameB.t) * 0.5f;
    MAT_Quaternion qa;
    MAT_Quaternion qb;
    _frameA.r.ToQuaternion(qa);
    matched.r.ToQuaternion(qb);
    MAT_Quaternion q = qa + qb;
    const f32 lengthSquared = q.LengthSquared();
    if (lengthSquared > MAT_EPSILON) {
        q = q * MAT_FastInvSqrt(lengthSquared);
        frame.r.FromQuaternion(q);
    } else {
        // The two quaternions cancel (opposite signs of nearly the same turn): their sum has
        // no direction, and A's turn serves as well as any.
        frame.r = _frameA.r;
    }

    MAT_Vector3 corners[16];
    const MAT_AABox boxA = {-_halfExtentsA, _halfExtentsA};
    const MAT_AABox boxB = {-_halfExtentsB, _halfExtentsB};
    boxA.Transform(_frameA, corners);
    boxB.Transform(_frameB, corners + 8);
    MAT_Vector3 extents;
    for (const MAT_Vector3& corner : corners) {
        const MAT_Vector3 local = frame.InverseTransformPoint(corner);
        extents.x = MAT_Max(extents.x, std::fabs(local.x));
        extents.y = MAT_Max(extents.y, std::fabs(local.y));
        extents.z = MAT_Max(extents.z, std::fabs(local.z));
    }
    _frame = frame;
    _halfExtents = extents;
}
