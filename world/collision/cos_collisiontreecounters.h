// The simulation's collision-tree counters: statistics of the tree queries, never read back by
// the simulation. The scene keeps one record (zero at construction) and hands it to every
// collision-tree query, which adds its work to it.
#pragma once

#include "os_types.h"

struct COS_CollisionTreeCounters
{
    u32 nearestHitNodes = 0;   // nodes visited by the nearest-hit segment query
    u32 triangles = 0;         // triangles tried by both segment queries
    u32 treePairs = 0;         // node pairs of the tree-against-tree test
    u32 terrainTriangles = 0;  // terrain triangles tried by the tree-against-terrain test
    u32 anyHitNodes = 0;       // nodes visited by the any-hit segment query
};
static_assert(sizeof(COS_CollisionTreeCounters) == 20, "the collision-tree counters are five u32");
