// Collision trees: a binary tree of oriented boxes with bounding spheres over a collision mesh,
// read finished from a collision-tree description file (nothing is built at load), and the two
// segment queries against it (the nearest hit, and whether any triangle is crossed from its
// front).
//
// A tree owns its mesh (may be null) and its node array; node 0 is the root. Children come in
// pairs and a node without a first child is a leaf addressing the range first..last (both
// included, empty when first > last) of the mesh's triangle list. LoadFile refuses a file
// whose counts, indices, ranges or links would let a query leave its arrays or loop, so a
// loaded tree is a proper tree below its root. A tree never changes once loaded; the cache
// shares it between bodies. Single-threaded.
#pragma once

#include "cos_collisionmesh.h"
#include "cos_collisiontreecounters.h"
#include "mat_geometry.h"
#include "mem_alloc.h"
#include "os_types.h"

class DES_Section;

// Not registered with the class registry. The fields are read by the contact tests.
class COS_OBBS_TreeNode : public MEM_Object
{
public:
    COS_OBBS_TreeNode() = default;
    virtual ~COS_OBBS_TreeNode() = default;
    COS_OBBS_TreeNode(const COS_OBBS_TreeNode&) = delete;
    COS_OBBS_TreeNode& operator=(const COS_OBBS_TreeNode&) = delete;

    // Reads the keys of the node's section "TN<i>". 1 when it holds F (a leaf of the file),
    // else 0; children are linked by the tree.
    virtual s32 LoadFile(DES_Section* _section);

    // A bare sphere of radius _r at the origin with an empty range; the children stay.
    void SetSphere(f32 _r);

    // The recursive halves of the tree queries: _segment is in the tree's frame. _nearest is
    // lowered to each nearer hit, whose triangle index goes to _triangle.
    s32 IntersectSegment(const MAT_Segment& _segment, const COS_CollisionMesh* _mesh, s32& _triangle, f32& _nearest,
                         COS_CollisionTreeCounters& _counters) const;
    s32 TestSegment(const MAT_Segment& _segment, const COS_CollisionMesh* _mesh,
                    COS_CollisionTreeCounters& _counters) const;

    MAT_Vector3 boxCentre;  // in the tree's frame
    MAT_Vector3 axes[3];
    MAT_Vector3 halfExtents;
    f32 smallestHalfExtent = 0.0f;
    MAT_Sphere sphere;  // handed on as one to the sphere tests
    COS_OBBS_TreeNode* firstChild = nullptr;
    COS_OBBS_TreeNode* secondChild = nullptr;
    s32 first = 0;  // the leaf's range of the triangle list
    s32 last = -1;

    // The recursive half of the tree-against-terrain test (cos_obbs_terrain.cpp): _depth is
    // how many more levels this node may descend.
    s32 CollideTerrain(const struct MRT_TerrainCell* _cell, const MAT_Matrix34& _frame, const s32* _capacity,
                       MAT_Triangle* _buffer, const f32* _minRadius, MAT_AABox& _box, s32 _depth,
                       COS_CollisionTreeCounters& _counters) const;

private:
    // 0 when the segment (tree frame) cannot reach this node's box ahead of its origin and
    // before its end.
    s32 SegmentReachesBox(const MAT_Segment& _segment) const;
};

class COS_OBBS_Tree : public MEM_Object
{
public:
    COS_OBBS_Tree() = default;
    ~COS_OBBS_Tree();
    COS_OBBS_Tree(const COS_OBBS_Tree&) = delete;
    COS_OBBS_Tree& operator=(const COS_OBBS_Tree&) = delete;

    // Reads mesh and tree from an opened collision-tree file (its root section) into a new
    // tree. Every missing part and every inconsistency is fatal.
    void LoadFile(DES_Section* _root);
    // Makes this new tree the one-node tree of a bare sphere of radius _r, without a mesh.
    void SetSphere(f32 _r);
    // The box of the root's sphere and oriented box together, in the tree's frame.
    void ComputeBoundingBox();

    // _segment is in the world, _frame places the tree there. 1 with the nearest hit: the
    // triangle's index (into the triangles, not the list), the point on the world segment and
    // its fraction of the segment's length; 0 without a hit. Both faces of a triangle count,
    // hits behind the origin do not.
    s32 IntersectSegment(const MAT_Segment& _segment, const MAT_Matrix34& _frame, s32& _triangle, MAT_Vector3& _point,
                         f32& _fraction, COS_CollisionTreeCounters& _counters) const;
    // 1 when the segment crosses any triangle from its front side to its back side (touching
    // does not count).
    s32 TestSegment(const MAT_Segment& _segment, const MAT_Matrix34& _frame,
                    COS_CollisionTreeCounters& _counters) const;

    s32 maxDescend = 0;  // levels a tree-against-terrain test may descend
    s32 nodeCount = 0;
    COS_CollisionMesh* mesh = nullptr;
    COS_OBBS_TreeNode* nodes = nullptr;
    MAT_AABox box;

    // The tree placed by _frame against the ground of the terrain cell (cos_obbs_terrain.cpp):
    // every contact's upward push extends _box; 1 when there was one. The buffer of *_capacity
    // records is scratch space; spheres below *_minRadius are not descended into. An empty
    // cell (no terrain yet) has no ground.
    s32 CollideTerrain(const struct MRT_TerrainCell* _cell, const MAT_Matrix34& _frame, const s32* _capacity,
                       MAT_Triangle* _buffer, const f32* _minRadius, MAT_AABox& _box,
                       COS_CollisionTreeCounters& _counters) const;
};
