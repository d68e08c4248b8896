// Collision trees against the terrain grid: the tree's bounding spheres are walked down, spheres
// high above the samples under them are dropped after the quick test, and the rest are tested
// against the exact ground triangles under them. The mesh never meets the ground: a node that
// does not descend stands in for everything below it with its sphere.
#include "cos_obbs_tree.h"
#include "mat_round.h"
#include "mrt_terrain.h"

s32 COS_OBBS_Tree::CollideTerrain(const MRT_TerrainCell* _cell, const MAT_Matrix34& _frame, const s32* _capacity,
                                  MAT_Triangle* _buffer, const f32* _minRadius, MAT_AABox& _box,
                                  COS_CollisionTreeCounters& _counters) const
{
    // Bodies exist before the terrain node has loaded its ground.
    if (_cell == nullptr || _cell->terrain == nullptr || nodes == nullptr || nodeCount <= 0)
        return 0;
    return nodes[0].CollideTerrain(_cell, _frame, _capacity, _buffer, _minRadius, _box, maxDescend, _counters);
}

s32 COS_OBBS_TreeNode::CollideTerrain(const MRT_TerrainCell* _cell, const MAT_Matrix34& _frame, const s32* _capacity,
                                      MAT_Triangle* _buffer, const f32* _minRadius, MAT_AABox& _box, s32 _depth,
                                      COS_CollisionTreeCounters& _counters) const
{
    if (_cell == nullptr || _cell->terrain == nullptr)
        return 0;
    const MRT_Terrain& terrain = *_cell->terrain;

    // The sphere in terrain coordinates, summed axis by axis in a fixed order so that every
    // machine gets the same footprint.
    const MAT_Vector3& p = sphere.m_centre;
    const MAT_Vector3 x = _frame.r.GetX();
    const MAT_Vector3 y = _frame.r.GetY();
    const MAT_Vector3 z = _frame.r.GetZ();
    MAT_Sphere placed = sphere;
    placed.m_centre = {_frame.t.x + p.x * x.x + p.y * y.x + p.z * z.x - terrain.Offset.x,
                       _frame.t.y + p.x * x.y + p.y * y.y + p.z * z.y - terrain.Offset.y,
                       _frame.t.z + p.x * x.z + p.y * y.z + p.z * z.z - terrain.Offset.z};
    const MAT_Vector3& c = placed.m_centre;
    const f32 r = placed.m_radius;

    const s32 x0 = MAT_FloorByRounding((c.x - r) / terrain.Scale.x);
    const s32 x1 = MAT_CeilByRounding((c.x + r) / terrain.Scale.x);
    const s32 y0 = MAT_FloorByRounding((c.y - r) / terrain.Scale.y);
    const s32 y1 = MAT_CeilByRounding((c.y + r) / terrain.Scale.y);
    if (terrain.IsRegionClear(x0, x1, y0, y1, c.z - r))
        return 0;

    const f32 minRadius = _minRadius != nullptr ? *_minRadius : 0.0f;
    if (firstChild != nullptr && secondChild != nullptr && _depth >= 0 && firstChild->sphere.m_radius >= minRadius &&
        secondChild->sphere.m_radius >= minRadius) {
        // Both children always run: each adds its own contacts to the box.
        const s32 first =
            firstChild->CollideTerrain(_cell, _frame, _capacity, _buffer, _minRadius, _box, _depth - 1, _counters);
        const s32 second =
            secondChild->CollideTerrain(_cell, _frame, _capacity, _buffer, _minRadius, _box, _depth - 1, _counters);
        return first || second ? 1 : 0;
    }

    // A large footprint is tested batch by batch through the caller's buffer; the batches give
    // the triangles in the order one unbounded buffer would hold them.
    const s32 capacity = _capacity != nullptr ? *_capacity : 0;
    s32 result = 0;
    s64 next = 0;
    while (next >= 0) {
        const s32 count = terrain.CollectTriangles(x0, y0, x1, y1, _buffer, capacity, next);
        if (count == 0)
            break;  // done, or a buffer too small for one cell
        for (s32 i = 0; i < count; ++i) {
            ++_counters.terrainTriangles;
            if (!MAT_TestSphereTriangle(placed, _buffer[i]))
                continue;
            MAT_Contact contact;
            MAT_ContactSphereTriangle(placed, _buffer[i], contact);
            // A sphere under the ground is pushed further down: no ground contact.
            if (contact.m_depth * contact.m_normal.z >= 0.0f) {
                _box.Extend(contact.m_normal * contact.m_depth);
                result = 1;
            }
        }
    }
    return result;
}
