// Swept tests of a moving sphere against oriented boxes, for obstacle avoidance.
//
// The body moves along a segment from its position to its look-ahead point with a radius;
// an obstacle is a frame and half extents. A look-ahead that reaches into an obstacle's box
// (inflated by the radius) without leaving it again by the segment's end is ignored: only
// obstacles the look-ahead passes through, or that already contain the body, count.
#pragma once

#include "mat_geometry.h"

// The avoidance answer: correction = m_direction * m_value, the direction in world space.
struct MAT_SweptResult
{
    f32 m_value = 0.0f;
    MAT_Vector3 m_direction;
};

// 1 when the sphere moving along the segment passes through the box, or starts inside it.
s32 MAT_SweptSphereBoxTest(const MAT_Segment& _segment, f32 _radius, const MAT_Matrix34& _frame,
                           const MAT_Vector3& _halfExtents);

// As MAT_SweptSphereBoxTest, and on a hit the way round the box:
// - body inside: value 1e15, direction the outward normal of the box face nearest to the
//   start (biased as below);
// - obstacle ahead: the silhouette edge nearest to the start's shadow on the box, with value
//   = scale * (distance to that edge) / (distance ahead), or 1e20 when the box corner plane
//   is not ahead; direction perpendicular to the look-ahead, away from the box.
// A bias above 0.1 in magnitude pushes each world component of the direction to +/-(1 - b)
// (z: +/-(1 + b)) by its sign.
s32 MAT_SweptBoxTest(const MAT_Segment& _segment, f32 _radius, f32 _scale, const MAT_Matrix34& _frame,
                     const MAT_Vector3& _halfExtents, f32 _bias, MAT_SweptResult& _result);

// Applies the bias rule to m (box frame): w = R m; with |bias| > 0.1 w.x becomes 1 - b when
// positive else b - 1 (y likewise), w.z 1 + b when positive else -1 - b; m = R^T w. Then m
// loses its component along the unit normal _u and is normalised unless zero.
void MAT_BiasDirection(MAT_Vector3& _m, f32 _bias, const MAT_Matrix34& _frame, const MAT_Vector3& _u);

// Relabels the axes of box B against box A: k = the axis of A most parallel to B's X axis
// (X, Y, Z in turn, a later one only when strictly more parallel). For k other than X, B's X
// axis and B's axis k trade places with their half extents, each turned to agree with A's
// axis in its new place; the third axis is then turned so that B stays a rotation.
void MAT_MatchBoxAxes(const MAT_Matrix34& _a, MAT_Matrix34& _b, MAT_Vector3& _halfExtentsB);

// An oriented box enclosing box A and box B: centred between them, turned half-way between
// their rotations, with half extents reaching every corner of both.
void MAT_SweptOrientedBoxTest(const MAT_Matrix34& _frameA, const MAT_Vector3& _halfExtentsA,
                              const MAT_Matrix34& _frameB, const MAT_Vector3& _halfExtentsB, MAT_Matrix34& _frame,
                              MAT_Vector3& _halfExtents);
