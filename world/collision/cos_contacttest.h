// The contact test between two collision trees: does body A (the one that responds) touch
// body B, and how far must A move to leave it.
//
// A is descended as bounding spheres, down to spheres no larger than the margin (faster
// bodies get coarser spheres), B always down to its triangles: each of A's spheres is tested
// against B's oriented boxes and finally against B's triangles. Every contact's push (B's
// triangle normal in the world times the depth) extends _box, so box minimum + maximum is the
// contact vector; _box is not reset here. Node-pair tests count in treePairs, exact
// sphere-triangle tests in triangles.
#pragma once

#include "cos_collisiontreecounters.h"
#include "mat_geometry.h"
#include "os_types.h"

class COS_OBBS_Tree;

// 1 when any of A's spheres touches any of B's triangles.
s32 COS_ContactTest(const COS_OBBS_Tree& _a, const COS_OBBS_Tree& _b, const MAT_Matrix34& _frameA,
                    const MAT_Matrix34& _frameB, f32 _margin, MAT_AABox& _box, COS_CollisionTreeCounters& _counters);

// The contact vector of a box from the test (minimum + maximum) and its direction (the vector
// itself when its length is 0).
void COS_ContactVector(const MAT_AABox& _box, MAT_Vector3& _d, MAT_Vector3& _n);
