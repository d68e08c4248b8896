// Scan conversion of triangles and convex polygons into runs of grid cells.
//
// Two stages: RasterizeTriangle or RasterizePolygon split the outline (mapped into grid
// coordinates) into a left and a right chain of edges, stepped down one row line y = k at a
// time; a merge then turns the chains into spans, either the grid points inside the outline
// (MergeEdges) or every cell it touches (MergeEdgesMirrored). Outlines must run clockwise with
// y up (as MAT_Polygon2D::Build returns them): the other way round the spans come out empty.
// Every array is passed with its capacity and nothing is written past it; no other storage
// is used, so polygons of any size are accepted.
#pragma once

#include "mat_point2d.h"

// 16 bytes. A chain runs from top to bottom and ends with a record whose row count is -1.
struct MAT_SpanEdge
{
    s32 m_rowCount = 0;
    s32 m_startRow = 0;
    f32 m_xStep = 0.0f;  // per row, going down
    f32 m_x = 0.0f;      // on the start row's line
};
static_assert(sizeof(MAT_SpanEdge) == 16, "MAT_SpanEdge is 16 bytes");

// 12 bytes: the cells x .. x + length - 1 of one row. A length of 0 or less is an empty row.
struct MAT_Span
{
    s32 m_x = 0;
    s32 m_row = 0;
    s32 m_length = 0;
};
static_assert(sizeof(MAT_Span) == 12, "MAT_Span is 12 bytes");

// Records a triangle needs per chain: two edges and the end record.
constexpr s32 MAT_TRIANGLE_CHAIN_LENGTH = 3;

class MAT_SpanRasterizer
{
public:
    // A point p maps to (p.x / cell width - origin x, p.y / cell height - origin y): the origin
    // is given in cells. The interior flag only tells the caller which merge to use (1:
    // MergeEdges, 0: MergeEdgesMirrored).
    void SetGrid(s32 _interior, f32 _cellWidth, f32 _cellHeight, f32 _originX, f32 _originY);
    s32 GetInterior() const { return m_interior; }

    // The row of a coordinate is y rounded down, except within 1.2e-7 below the next integer.
    // A refused outline (0) leaves both chains empty when they have room for an end record.
    // 1, or 0 when a chain array holds fewer than MAT_TRIANGLE_CHAIN_LENGTH records or a row
    // does not fit 32 bits (this includes non-finite coordinates).
    s32 RasterizeTriangle(f32 _x0, f32 _y0, f32 _x1, f32 _y1, f32 _x2, f32 _y2, MAT_SpanEdge* _left, s32 _leftCapacity,
                          MAT_SpanEdge* _right, s32 _rightCapacity) const;
    // 1, or 0 when the outline is not monotone in y, a chain does not fit its array (a
    // polygon of n points needs at most n records per chain) or a row does not fit 32 bits.
    s32 RasterizePolygon(const MAT_Point2D* _points, s32 _count, MAT_SpanEdge* _left, s32 _leftCapacity,
                         MAT_SpanEdge* _right, s32 _rightCapacity) const;

    // The merges consume the chains (their row counts are counted down to 0). Spans are
    // written from the back: index 0 holds the lowest row.
    // Interior spans, one per row; 0 when there are none or more than _capacity.
    static s32 MergeEdges(MAT_SpanEdge* _left, MAT_SpanEdge* _right, MAT_Span* _spans, s32 _capacity);
    // Covering spans, one per row plus one for the row below the last; 0 when the outline has
    // no height or they do not fit _capacity.
    static s32 MergeEdgesMirrored(MAT_SpanEdge* _left, MAT_SpanEdge* _right, MAT_Span* _spans, s32 _capacity);

private:
    MAT_Point2D ToGrid(f32 _x, f32 _y) const;

    f32 m_originX = 0.0f;
    f32 m_originY = 0.0f;
    f32 m_invCellWidth = 1.0f;
    f32 m_invCellHeight = 1.0f;
    f32 m_cellWidth = 1.0f;
    f32 m_cellHeight = 1.0f;
    s32 m_interior = 1;
};
