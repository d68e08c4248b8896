// Geometric value types and the intersection queries built on them.
//
// Boxes, spheres, rays, segments, triangles and planes of 32-bit floats in the conventions of
// mat_matrix.h (z up, MAT_Matrix34 frames). Every query is a pure function of its arguments:
// nothing here allocates, reports or keeps state. Thresholds are MAT_EPSILON. Comparisons are
// written so that a NaN goes the documented way (see each query); callers must not rely on
// anything else for non-finite input.
#pragma once

#include "mat_matrix.h"

struct MAT_AABox;
struct MAT_Triangle;

struct MAT_Sphere
{
    MAT_Vector3 m_centre;
    f32 m_radius = 0.0f;
    f32 m_radiusSquared = 0.0f;
    f32 m_invRadius = 0.0f;
};
static_assert(sizeof(MAT_Sphere) == 24, "MAT_Sphere is six floats");

// A ray is the origin and unit direction that start every segment.
struct MAT_Ray
{
    MAT_Vector3 m_origin;
    MAT_Vector3 m_direction;

    // Slab test against an axis-aligned box. A direction component within +/-epsilon (or NaN)
    // makes its slab unbounded whatever the origin, so a ray parallel to a face counts as
    // inside that slab even when it runs outside the box. On a hit (exit == entry included)
    // returns 1 with the entry and exit parameters, either of which may be negative.
    s32 IntersectBox(const MAT_AABox& _box, f32& _entry, f32& _exit) const;
    // Either face counts. 0 when |n.direction| < epsilon or the plane point lies outside the
    // triangle; _t is only written on a hit and is not range-checked (it may be negative).
    s32 IntersectTriangle(const MAT_Triangle& _triangle, f32& _t) const;
};

struct MAT_Segment : public MAT_Ray
{
    MAT_Vector3 m_end;
    MAT_Vector3 m_delta;  // end - origin
    f32 m_length = 0.0f;

    // A zero-length segment gets a non-finite direction.
    void Set(const MAT_Vector3& _start, const MAT_Vector3& _end);
};
static_assert(sizeof(MAT_Segment) == 52, "MAT_Segment is thirteen floats");

struct MAT_AABox
{
    MAT_Vector3 m_min;
    MAT_Vector3 m_max;

    // Per axis: a <= b gives min a, max b; otherwise the other way round.
    void SetFromCorners(const MAT_Vector3& _a, const MAT_Vector3& _b);
    // Per axis: below min lowers min, otherwise above max raises max.
    void Extend(const MAT_Vector3& _p);
    // Centre of the box, radius to its min corner.
    void GetBoundingSphere(MAT_Sphere& _sphere) const;
    // Corner k has x, y, z from min (0) or max (1) in the order 000, 010, 110, 100, 001, 011,
    // 111, 101.
    void GetCorners(MAT_Vector3 _corners[8]) const;
    // The eight corners placed by the frame, in the order of GetCorners.
    void Transform(const MAT_Matrix34& _frame, MAT_Vector3 _corners[8]) const;
    // Per axis max when the flag is set, else min.
    MAT_Vector3 GetCorner(s32 _maxX, s32 _maxY, s32 _maxZ) const;
    // 1 when min <= p <= max on every axis (a NaN coordinate gives 0).
    s32 GetOutcode(const MAT_Vector3& _p) const;
    // The outline of the box seen from _eye along the unit direction _u, for the swept test.
    // _corner: per axis max when the eye's coordinate is >= 0, else min. Each silhouette
    // edge (between a face the eye lies beyond and a neighbour it does not) is projected
    // along _u onto the plane through _corner perpendicular to _u and oriented so that
    // _u x direction points away from the box. Returns the edge count (at most 6).
    s32 GetSilhouette(const MAT_Vector3& _eye, const MAT_Vector3& _u, MAT_Vector3& _corner,
                      MAT_Segment _edges[6]) const;
};
static_assert(sizeof(MAT_AABox) == 24, "MAT_AABox is six floats");

// The plane n.p = k.
struct MAT_Plane
{
    MAT_Vector3 m_normal;
    f32 m_distance = 0.0f;

    // p - (n.p - k) n
    MAT_Vector3 ProjectPoint(const MAT_Vector3& _p) const;
};

// Plane n.p + d = 0. Seen from the side n points to, a, b, c run clockwise:
// (c - a) x (b - a) points along n. Some queries read only the corners and the normal.
struct MAT_Triangle
{
    MAT_Vector3 m_a;
    MAT_Vector3 m_b;
    MAT_Vector3 m_c;
    MAT_Vector3 m_normal;
    f32 m_d = 0.0f;

    // Corners, n = normalize((c - a) x (b - a)), d = -n.a.
    void Set(const MAT_Vector3& _a, const MAT_Vector3& _b, const MAT_Vector3& _c);
    // Only the plane: through the point, normal the direction made unit (a zero direction
    // stays zero); the corners are left as they are.
    void SetPlane(const MAT_Vector3& _point, const MAT_Vector3& _direction);
};
static_assert(sizeof(MAT_Triangle) == 52, "MAT_Triangle is thirteen floats");

// A resting contact: moving the sphere by m_depth * m_normal makes it just touch m_point.
struct MAT_Contact
{
    f32 m_depth = 0.0f;
    MAT_Vector3 m_normal;
    MAT_Vector3 m_point;
};

// Edge bits of MAT_TriangleEdgeMask; two bits name the corner between the edges.
constexpr s32 MAT_EDGE_AB = 1;
constexpr s32 MAT_EDGE_BC = 2;
constexpr s32 MAT_EDGE_CA = 4;

// Inside when all three edge values are >= -epsilon: points on an edge are inside, a NaN
// point is not.
s32 MAT_PointInTriangle(const MAT_Triangle& _triangle, const MAT_Vector3& _p);
// The edges the point lies strictly outside of (value < 0); 0 inside. Corners: 3 = b,
// 5 = a, 6 = c.
s32 MAT_TriangleEdgeMask(const MAT_Triangle& _triangle, const MAT_Vector3& _p);
// Squared distance of p to the line through a and b.
f32 MAT_PointLineDistanceSquared(const MAT_Vector3& _a, const MAT_Vector3& _b, const MAT_Vector3& _p);
// 1 when the sphere touches the triangle (touching exactly counts).
s32 MAT_TestSphereTriangle(const MAT_Sphere& _sphere, const MAT_Triangle& _triangle);
// Only meaningful after MAT_TestSphereTriangle succeeded. The normal is always the plane
// normal; the depth is signed so that the push leaves the sphere on its centre's side.
void MAT_ContactSphereTriangle(const MAT_Sphere& _sphere, const MAT_Triangle& _triangle, MAT_Contact& _contact);
