// Boxes, rays, triangles and spheres: the pure queries of the collision and visibility code.
#include "mat_geometry.h"

#include <cfloat>

namespace
{
// Component access by axis index for the per-axis loops below.
inline f32 Axis(const MAT_Vector3& _v, s32 _axis) { return _axis == 0 ? _v.x : (_axis == 1 ? _v.y : _v.z); }
inline void SetAxis(MAT_Vector3& _v, s32 _axis, f32 _value)
{
    if (_axis == 0)
        _v.x = _value;
    else if (_axis == 1)
        _v.y = _value;
    else
        _v.z = _value;
}

// Squared distance of q to the edge from _first to _second (along the edge, its line, or
// beyond the far end) and the nearest point on it.
f32 EdgeDistanceSquared(const MAT_Vector3& _q, const MAT_Vector3& _first, const MAT_Vector3& _second,
                        const MAT_Vector3& _normal, MAT_Vector3& _nearest)
{
    const MAT_Vector3 edge = _second - _first;
    if ((_q - _first).Dot(edge) < 0.0f) {
        _nearest = _first;
        return (_q - _first).LengthSquared();
    }
    if ((_q - _second).Dot(edge) < 0.0f) {
        // Foot of the perpendicular: q moved within the plane, across the edge, to its line.
        const MAT_Vector3 across = edge.Cross(_normal);
        _nearest = _q - across * ((_q - _first).Dot(across) / across.LengthSquared());
        return MAT_PointLineDistanceSquared(_first, _second, _q);
    }
    _nearest = _second;
    return (_q - _second).LengthSquared();
}

// In-plane squared distance of q (already in the plane) to the triangle and the nearest point,
// decided by the edge mask.
f32 PlaneDistanceSquared(const MAT_Triangle& _t, const MAT_Vector3& _q, MAT_Vector3& _nearest)
{
    switch (MAT_TriangleEdgeMask(_t, _q)) {
    case MAT_EDGE_AB:
        return EdgeDistanceSquared(_q, _t.m_a, _t.m_b, _t.m_normal, _nearest);
    case MAT_EDGE_BC:
        return EdgeDistanceSquared(_q, _t.m_b, _t.m_c, _t.m_normal, _nearest);
    case MAT_EDGE_CA:
        return EdgeDistanceSquared(_q, _t.m_c, _t.m_a, _t.m_normal, _nearest);
    case MAT_EDGE_AB | MAT_EDGE_BC:
        _nearest = _t.m_b;
        return (_q - _t.m_b).LengthSquared();
    case MAT_EDGE_AB | MAT_EDGE_CA:
        _nearest = _t.m_a;
        return (_q - _t.m_a).LengthSquared();
    case MAT_EDGE_BC | MAT_EDGE_CA:
        _nearest = _t.m_c;
        return (_q - _t.m_c).LengthSquared();
    default:
        // Inside; an impossible mask of all three edges counts as inside too.
        _nearest = _q;
        return 0.0f;
    }
}
}  // namespace

s32 MAT_Ray::IntersectBox(const MAT_AABox& _box, f32& _entry, f32& _exit) const
{
    for (s32 axis = 0; axis < 3; ++axis) {
        const f32 v = Axis(m_direction, axis);
        const f32 o = Axis(m_origin, axis);
        f32 t0;
        f32 t1;
        // Written as two tests so that a NaN component falls to the unbounded slab.
        if (v > MAT_EPSILON) {
            t0 = (Axis(_box.m_min, axis) - o) / v;
            t1 = (Axis(_box.m_max, axis) - o) / v;
        } else if (v < -MAT_EPSILON) {
            t0 = (Axis(_box.m_max, axis) - o) / v;
            t1 = (Axis(_box.m_min, axis) - o) / v;
        } else {
            t0 = -FLT_MAX;
            t1 = FLT_MAX;
        }
        if (axis == 0) {
            _entry = t0;
            _exit = t1;
            continue;
        }
        if (t0 > _entry)
            _entry = t0;
        if (t1 < _exit)
            _exit = t1;
        if (_exit < _entry)
            return 0;
    }
    return 1;
}

s32 MAT_Ray::IntersectTriangle(const MAT_Triangle& _triangle, f32& _t) const
{
    const f32 denominator = _triangle.m_normal.Dot(m_direction);
    if (std::fabs(denominator) < MAT_EPSILON)
        return 0;
    const f32 t = -(_triangle.m_normal.Dot(m_origin) + _triangle.m_d) / denominator;
    if (!MAT_PointInTriangle(_triangle, m_origin + m_direction * t))
        return 0;
    _t = t;
    return 1;
}

void MAT_Segment::Set(const MAT_Vector3& _start, const MAT_Vector3& _end)
{
    m_origin = _start;
    m_end = _end;
    m_delta = _end - _start;
    m_length = m_delta.Length();
    m_direction = m_delta.Divide(m_length);
}

void MAT_AABox::SetFromCorners(const MAT_Vector3& _a, const MAT_Vector3& _b)
{
    MAT_MinMax(_a.x, _b.x, m_min.x, m_max.x);
    MAT_MinMax(_a.y, _b.y, m_min.y, m_max.y);
    MAT_MinMax(_a.z, _b.z, m_min.z, m_max.z);
}

void MAT_AABox::Extend(const MAT_Vector3& _p)
{
    if (_p.x < m_min.x)
        m_min.x = _p.x;
    else if (_p.x > m_max.x)
        m_max.x = _p.x;
    if (_p.y < m_min.y)
        m_min.y = _p.y;
    else if (_p.y > m_max.y)
        m_max.y = _p.y;
    if (_p.z < m_min.z)
        m_min.z = _p.z;
    else if (_p.z > m_max.z)
        m_max.z = _p.z;
}

void MAT_AABox::GetBoundingSphere(MAT_Sphere& _sphere) const
{
    _sphere.m_centre = (m_min + m_max) * 0.5f;
    _sphere.m_radius = (_sphere.m_centre - m_min).Length();
    _sphere.m_radiusSquared = _sphere.m_radius * _sphere.m_radius;
    _sphere.m_invRadius = 1.0f / _sphere.m_radius;
}

void MAT_AABox::GetCorners(MAT_Vector3 _corners[8]) const
{
    _corners[0] = {m_min.x, m_min.y, m_min.z};
    _corners[1] = {m_min.x, m_max.y, m_min.z};
    _corners[2] = {m_max.x, m_max.y, m_min.z};
    _corners[3] = {m_max.x, m_min.y, m_min.z};
    _corners[4] = {m_min.x, m_min.y, m_max.z};
    _corners[5] = {m_min.x, m_max.y, m_max.z};
    _corners[6] = {m_max.x, m_max.y, m_max.z};
    _corners[7] = {m_max.x, m_min.y, m_max.z};
}

void MAT_AABox::Transform(const MAT_Matrix34& _frame, MAT_Vector3 _corners[8]) const
{
    const MAT_Vector3 size = m_max - m_min;
    const MAT_Vector3 ex = _frame.r.GetX() * size.x;
    const MAT_Vector3 ey = _frame.r.GetY() * size.y;
    const MAT_Vector3 ez = _frame.r.GetZ() * size.z;
    _corners[0] = _frame.TransformPoint(m_min);
    _corners[1] = _corners[0] + ey;
    _corners[2] = _corners[1] + ex;
    _corners[3] = _corners[0] + ex;
    for (s32 i = 0; i < 4; ++i)
        _corners[i + 4] = _corners[i] + ez;
}

MAT_Vector3 MAT_AABox::GetCorner(s32 _maxX, s32 _maxY, s32 _maxZ) const
{
    return {_maxX ? m_max.x : m_min.x, _maxY ? m_max.y : m_min.y, _maxZ ? m_max.z : m_min.z};
}

s32 MAT_AABox::GetOutcode(const MAT_Vector3& _p) const
{
    return (m_min.x <= _p.x && _p.x <= m_max.x && m_min.y <= _p.y && _p.y <= m_max.y && m_min.z <= _p.z &&
            _p.z <= m_max.z)
               ? 1
               : 0;
}

s32 MAT_AABox::GetSilhouette(const MAT_Vector3& _eye, const MAT_Vector3& _u, MAT_Vector3& _corner,
                             MAT_Segment _edges[6]) const
{
    bool beyond[3][2];  // [axis][0: min face, 1: max face]
    for (s32 axis = 0; axis < 3; ++axis) {
        const f32 e = Axis(_eye, axis);
        SetAxis(_corner, axis, e >= 0.0f ? Axis(m_max, axis) : Axis(m_min, axis));
        beyond[axis][0] = e < Axis(m_min, axis);
        beyond[axis][1] = e > Axis(m_max, axis);
    }

    s32 count = 0;
    for (s32 k = 0; k < 3; ++k) {
        const s32 i = (k + 1) % 3;
        const s32 j = (k + 2) % 3;
        for (s32 si = 0; si < 2; ++si) {
            for (s32 sj = 0; sj < 2; ++sj) {
                if (beyond[i][si] == beyond[j][sj])
                    continue;
                // An inverted box (min > max) can be "beyond" both faces of an axis and would
                // list more edges than a real outline has.
                if (count == 6)
                    return count;
                MAT_Vector3 p0;
                SetAxis(p0, i, si ? Axis(m_max, i) : Axis(m_min, i));
                SetAxis(p0, j, sj ? Axis(m_max, j) : Axis(m_min, j));
                MAT_Vector3 p1 = p0;
                SetAxis(p0, k, Axis(m_min, k));
                SetAxis(p1, k, Axis(m_max, k));
                p0 += _u * (_corner - p0).Dot(_u);
                p1 += _u * (_corner - p1).Dot(_u);

                // Outward normal of the face the eye does not lie beyond: the edge runs so
                // that u x direction leaves the outline there.
                MAT_Vector3 outward;
                if (!beyond[i][si])
                    SetAxis(outward, i, si ? 1.0f : -1.0f);
                else
                    SetAxis(outward, j, sj ? 1.0f : -1.0f);
                if (_u.Cross(p1 - p0).Dot(outward) < 0.0f)
                    _edges[count++].Set(p1, p0);
                else
                    _edges[count++].Set(p0, p1);
            }
        }
    }
    return count;
}

MAT_Vector3 MAT_Plane::ProjectPoint(const MAT_Vector3& _p) const
{
    return _p - m_normal * (m_normal.Dot(_p) - m_distance);
}

void MAT_Triangle::Set(const MAT_Vector3& _a, const MAT_Vector3& _b, const MAT_Vector3& _c)
{
    m_a = _a;
    m_b = _b;
    m_c = _c;
    m_normal = (_c - _a).Cross(_b - _a);
    m_normal.Normalize();
    m_d = -m_normal.Dot(_a);
}

void MAT_Triangle::SetPlane(const MAT_Vector3& _point, const MAT_Vector3& _direction)
{
    m_normal = _direction;
    m_normal.Normalize();
    m_d = -m_normal.Dot(_point);
}

s32 MAT_PointInTriangle(const MAT_Triangle& _t, const MAT_Vector3& _p)
{
    const f32 ab = (_p - _t.m_a).Cross(_t.m_b - _t.m_a).Dot(_t.m_normal);
    const f32 ca = (_t.m_c - _t.m_a).Cross(_p - _t.m_a).Dot(_t.m_normal);
    const f32 bc = (_p - _t.m_b).Cross(_t.m_c - _t.m_b).Dot(_t.m_normal);
    return (ab >= -MAT_EPSILON && ca >= -MAT_EPSILON && bc >= -MAT_EPSILON) ? 1 : 0;
}

s32 MAT_TriangleEdgeMask(const MAT_Triangle& _t, const MAT_Vector3& _p)
{
    s32 mask = 0;
    if ((_p - _t.m_a).Cross(_t.m_b - _t.m_a).Dot(_t.m_normal) < 0.0f)
        mask |= MAT_EDGE_AB;
    if ((_p - _t.m_b).Cross(_t.m_c - _t.m_b).Dot(_t.m_normal) < 0.0f)
        mask |= MAT_EDGE_BC;
    if ((_t.m_c - _t.m_a).Cross(_p - _t.m_a).Dot(_t.m_normal) < 0.0f)
        mask |= MAT_EDGE_CA;
    return mask;
}

f32 MAT_PointLineDistanceSquared(const MAT_Vector3& _a, const MAT_Vector3& _b, const MAT_Vector3& _p)
{
    const MAT_Vector3 line = _b - _a;
    return line.Cross(_p - _a).LengthSquared() / line.LengthSquared();
}

s32 MAT_TestSphereTriangle(const MAT_Sphere& _sphere, const MAT_Triangle& _triangle)
{
    const f32 height = _triangle.m_normal.Dot(_sphere.m_centre) + _triangle.m_d;
    const f32 slack = _sphere.m_radiusSquared - height * height;
    if (slack < 0.0f)
        return 0;
    const MAT_Vector3 q = _sphere.m_centre - _triangle.m_normal * height;
    MAT_Vector3 nearest;
    return PlaneDistanceSquared(_triangle, q, nearest) <= slack ? 1 : 0;
}

void MAT_ContactSphereTriangle(const MAT_Sphere& _sphere, const MAT_Triangle& _triangle, MAT_Contact& _contact)
{
    const f32 height = _triangle.m_normal.Dot(_sphere.m_centre) + _triangle.m_d;
    const MAT_Vector3 q = _sphere.m_centre - _triangle.m_normal * height;
    const f32 distanceSquared = PlaneDistanceSquared(_triangle, q, _contact.m_point);
    const f32 rise = std::sqrt(_sphere.m_radiusSquared - distanceSquared);
    _contact.m_depth = height >= 0.0f ? rise - height : -(rise + height);
    _contact.m_normal = _triangle.m_normal;
}
