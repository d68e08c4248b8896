// The walk of a segment through the height-cell triangles of one terrain tile.
//
// Every triangle edge of a tile lies on one of four families of lines in tile-local sample
// space: 0 on X = k, 1 on Y = k, 2 on X - Y = 2k (diagonals of even cells), 3 on X + Y = 2k
// (diagonals of odd cells). The walker steps from crossing to crossing in order of distance and
// compares heights only; triangles are built and tested at the start cell, at the one crossing
// where the segment has gone below the ground and at the end cell. The hit reported is always
// where the segment first goes into the ground, never where it comes back out: at a crossing the
// triangle on the side the segment comes from is tested first, and in a cell the nearer of two
// hits counts. The start and end cells of a piece are kept on the tile, since a piece cut at a
// tile border can end a rounding step beyond it. A walker lives for one query and allocates
// nothing. MRT_Terrain::IntersectSegment cuts a segment at tile borders and walks each piece
// with one of these.
#pragma once

#include "mat_geometry.h"
#include "os_types.h"

class MRT_TileData;

class MRT_SegmentWalker
{
public:
    // Line families, in the walker's order for equal distances.
    enum : s32
    {
        FAMILY_X = 0,
        FAMILY_Y = 1,
        FAMILY_DIFFERENCE = 2,
        FAMILY_SUM = 3
    };

    // Sets up the four families for the tile-local segment from -> to.
    void Begin(const MAT_Vector3& _from, const MAT_Vector3& _to);
    // 1 when the tile-local segment meets the ground of the tile: the fraction along this piece
    // and the triangle hit (tile-local sample space). No tile, or a piece shorter than epsilon,
    // meets nothing.
    s32 IntersectTile(const MAT_Vector3& _from, const MAT_Vector3& _to, const MRT_TileData* _tile, f32& _fraction,
                      MAT_Triangle& _triangle);

    // The two triangles that share the edge crossed on a line of a family, first the one on the
    // lower-x side (for family 1 the upper-y side), whichever way the segment travels: per
    // family, parity of i + j (families 2 and 3 ignore it), triangle, corner, sample offset
    // (dx, dy) from (i, j).
    static const s8 crossingTriangles[4][2][2][3][2];

    MAT_Vector3 crossings[4];  // per family, where the segment meets its next line
    MAT_Vector3 steps[4];      // per family, from one of its lines to the next along the segment
    f32 distances[4] = {};     // per family, from the start to the next crossing; FLT_MAX when parallel
    f32 stepLengths[4] = {};
    f32 length = 0.0f;
    s32 order[4] = {};  // families by distance, smallest first
    f32 sortedDistances[4] = {};
};
