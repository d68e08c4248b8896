// Edge chains and span merges of the scan converter.
#include "mat_spanrasterizer.h"

#include "mat_round.h"

#include <climits>
#include <cmath>

namespace
{
// 0.49999988 (0x3EFFFFFC) as the double it is. The sums below are formed in double precision:
// in single precision y - 0.49999988 is a tie for odd integers from 3 on and rounds to the
// even integer below, which would put y = 3 on row 2.
constexpr f64 ROUND_BIAS = (f64)0.49999988f;

s32 ClampS32(s64 _value)
{
    if (_value < INT32_MIN)
        return INT32_MIN;
    if (_value > INT32_MAX)
        return INT32_MAX;
    return (s32)_value;
}

// Floor and ceiling by rounding to nearest; out-of-range results are pinned, never undefined.
s64 FloorByRounding(f32 _x) { return MAT_FloorByRounding(_x); }
s64 CeilByRounding(f32 _x)
{
    const f64 r = std::rint((f64)_x + ROUND_BIAS);
    return r >= (f64)INT32_MIN && r <= (f64)INT32_MAX ? (s64)r : (r < 0.0 ? INT32_MIN : INT32_MAX);
}

// The row of y; false when it does not fit 32 bits (or y is not a number).
bool RowOf(f32 _y, s64& _row)
{
    const f64 r = std::rint((f64)_y - ROUND_BIAS);
    if (!(r >= (f64)INT32_MIN && r <= (f64)INT32_MAX))
        return false;
    _row = (s64)r;
    return true;
}

void EndChain(MAT_SpanEdge& _edge)
{
    _edge = MAT_SpanEdge();
    _edge.m_rowCount = -1;
}

// The edge from the upper point _a down to _b. Fails when _b lies on a higher row.
bool SetUpEdge(const MAT_Point2D& _a, const MAT_Point2D& _b, bool _left, MAT_SpanEdge& _edge)
{
    s64 rowA = 0;
    s64 rowB = 0;
    if (!RowOf(_a.y, rowA) || !RowOf(_b.y, rowB))
        return false;
    const s64 rows = rowA - rowB;
    if (rows < 0 || rows > INT32_MAX)
        return false;
    _edge.m_rowCount = (s32)rows;
    _edge.m_startRow = (s32)rowA;
    if (rows > 0) {
        _edge.m_xStep = (_b.x - _a.x) / (_a.y - _b.y);
        _edge.m_x = _a.x + (_a.y - (f32)rowA) * _edge.m_xStep;
    } else {
        // Within one row the edge only widens the span.
        _edge.m_xStep = 0.0f;
        _edge.m_x = _left ? (_a.x <= _b.x ? _a.x : _b.x) : (_a.x >= _b.x ? _a.x : _b.x);
    }
    return true;
}

s64 ChainRows(const MAT_SpanEdge* _chain)
{
    s64 total = 0;
    for (; _chain->m_rowCount >= 0; ++_chain)
        total += _chain->m_rowCount;
    return total;
}

s32 Refuse(MAT_SpanEdge* _left, s32 _leftCapacity, MAT_SpanEdge* _right, s32 _rightCapacity)
{
    if (_leftCapacity > 0)
        EndChain(_left[0]);
    if (_rightCapacity > 0)
        EndChain(_right[0]);
    return 0;
}
}  // namespace

void MAT_SpanRasterizer::SetGrid(s32 _interior, f32 _cellWidth, f32 _cellHeight, f32 _originX, f32 _originY)
{
    m_interior = _interior;
    m_cellWidth = _cellWidth;
    m_cellHeight = _cellHeight;
    m_invCellWidth = 1.0f / _cellWidth;
    m_invCellHeight = 1.0f / _cellHeight;
    m_originX = _originX;
    m_originY = _originY;
}

MAT_Point2D MAT_SpanRasterizer::ToGrid(f32 _x, f32 _y) const
{
    return {_x * m_invCellWidth - m_originX, _y * m_invCellHeight - m_originY};
}

s32 MAT_SpanRasterizer::RasterizeTriangle(f32 _x0, f32 _y0, f32 _x1, f32 _y1, f32 _x2, f32 _y2, MAT_SpanEdge* _left,
                                          s32 _leftCapacity, MAT_SpanEdge* _right, s32 _rightCapacity) const
{
    if (_leftCapacity < MAT_TRIANGLE_CHAIN_LENGTH || _rightCapacity < MAT_TRIANGLE_CHAIN_LENGTH)
        return Refuse(_left, _leftCapacity, _right, _rightCapacity);
    const MAT_Point2D p[3] = {ToGrid(_x0, _y0), ToGrid(_x1, _y1), ToGrid(_x2, _y2)};
    const f32 y0 = p[0].y;
    const f32 y1 = p[1].y;
    const f32 y2 = p[2].y;

    // Top, middle, bottom; the comparisons decide ties.
    s32 top;
    s32 middle;
    s32 bottom;
    bool middleLeft;
    if (y0 <= y1 && y1 <= y2) {
        top = 2, middle = 1, bottom = 0, middleLeft = true;
    } else if (y0 <= y2 && y2 < y1) {
        top = 1, middle = 2, bottom = 0, middleLeft = false;
    } else if (y2 < y0 && y0 <= y1) {
        top = 1, middle = 0, bottom = 2, middleLeft = true;
    } else if (y1 < y0 && y0 <= y2) {
        top = 2, middle = 0, bottom = 1, middleLeft = false;
    } else if (y2 < y1 && y1 < y0) {
        top = 0, middle = 1, bottom = 2, middleLeft = false;
    } else if (y1 <= y2 && y2 < y0) {
        top = 0, middle = 2, bottom = 1, middleLeft = true;
    } else {
        return Refuse(_left, _leftCapacity, _right, _rightCapacity);  // a NaN height
    }

    MAT_SpanEdge* twoEdges = middleLeft ? _left : _right;
    MAT_SpanEdge* oneEdge = middleLeft ? _right : _left;
    if (!SetUpEdge(p[top], p[middle], middleLeft, twoEdges[0]) ||
        !SetUpEdge(p[middle], p[bottom], middleLeft, twoEdges[1]) ||
        !SetUpEdge(p[top], p[bottom], !middleLeft, oneEdge[0]))
        return Refuse(_left, _leftCapacity, _right, _rightCapacity);
    EndChain(twoEdges[2]);
    EndChain(oneEdge[1]);
    return 1;
}

s32 MAT_SpanRasterizer::RasterizePolygon(const MAT_Point2D* _points, s32 _count, MAT_SpanEdge* _left, s32 _leftCapacity,
                                         MAT_SpanEdge* _right, s32 _rightCapacity) const
{
    if (_leftCapacity < 1 || _rightCapacity < 1)
        return Refuse(_left, _leftCapacity, _right, _rightCapacity);

    // Grid coordinates are recomputed where needed rather than stored, so any count works.
    s32 top = 0;
    s32 bottom = 0;
    bool flat = true;
    if (_count > 1) {
        f32 topY = ToGrid(_points[0].x, _points[0].y).y;
        f32 bottomY = topY;
        for (s32 i = 1; i < _count; ++i) {
            const f32 y = ToGrid(_points[i].x, _points[i].y).y;
            if (y > topY) {
                topY = y;
                top = i;
            }
            if (y <= bottomY) {
                bottomY = y;
                bottom = i;
            }
        }
        flat = topY == bottomY;
    }
    if (top == bottom || flat) {
        // No height (one point, or all on one height): nothing to step.
        EndChain(_left[0]);
        EndChain(_right[0]);
        return 1;
    }

    for (s32 side = 0; side < 2; ++side) {
        const bool left = side == 0;
        MAT_SpanEdge* chain = left ? _left : _right;
        const s32 capacity = left ? _leftCapacity : _rightCapacity;
        s32 edges = 0;
        for (s32 i = top; i != bottom;) {
            const s32 next = left ? (i == 0 ? _count - 1 : i - 1) : (i + 1 == _count ? 0 : i + 1);
            // Room for this edge and the end record.
            if (edges >= capacity - 1)
                return Refuse(_left, _leftCapacity, _right, _rightCapacity);
            const MAT_Point2D a = ToGrid(_points[i].x, _points[i].y);
            const MAT_Point2D b = ToGrid(_points[next].x, _points[next].y);
            if (!SetUpEdge(a, b, left, chain[edges]))
                return Refuse(_left, _leftCapacity, _right, _rightCapacity);
            ++edges;
            i = next;
        }
        EndChain(chain[edges]);
    }
    return 1;
}

s32 MAT_SpanRasterizer::MergeEdges(MAT_SpanEdge* _left, MAT_SpanEdge* _right, MAT_Span* _spans, s32 _capacity)
{
    const s64 total = ChainRows(_left);
    if (total == 0 || total > _capacity)
        return 0;

    // Every row written uses up one row of the left chain, so at most total spans are written.
    s64 index = total - 1;
    s64 row = _left->m_startRow;
    f32 xl = _left->m_x;
    f32 xr = _right->m_x;
    while (_left->m_rowCount >= 0 && _right->m_rowCount >= 0) {
        const s32 rows = _left->m_rowCount < _right->m_rowCount ? _left->m_rowCount : _right->m_rowCount;
        _left->m_rowCount -= rows;
        _right->m_rowCount -= rows;
        for (s32 k = 0; k < rows; ++k) {
            MAT_Span& span = _spans[index--];
            const s64 x = CeilByRounding(xl);
            span.m_x = (s32)x;
            span.m_row = ClampS32(row);
            span.m_length = ClampS32(FloorByRounding(xr) - x + 1);
            xl += _left->m_xStep;
            xr += _right->m_xStep;
            --row;
        }
        if (_left->m_rowCount == 0)
            xl = (++_left)->m_x;
        if (_right->m_rowCount == 0)
            xr = (++_right)->m_x;
    }
    return (s32)total;
}

s32 MAT_SpanRasterizer::MergeEdgesMirrored(MAT_SpanEdge* _left, MAT_SpanEdge* _right, MAT_Span* _spans, s32 _capacity)
{
    // An outline of no height covers nothing.
    const s64 total = ChainRows(_left);
    if (total == 0 || total >= _capacity)
        return 0;

    s64 index = total;
    s64 row = _left->m_startRow;
    f32 xl = _left->m_x;
    f32 xr = _right->m_x;
    bool first = true;
    s64 previousLeft = 0;
    s64 previousRight = 0;
    // A row's cells reach from the outline on its own line to the outline on the line above.
    auto write = [&](s64 _index) {
        const s64 floorLeft = FloorByRounding(xl);
        const s64 floorRight = FloorByRounding(xr);
        const s64 x = first || floorLeft < previousLeft ? floorLeft : previousLeft;
        const s64 end = first || floorRight > previousRight ? floorRight : previousRight;
        MAT_Span& span = _spans[_index];
        span.m_x = (s32)x;
        span.m_row = ClampS32(row);
        span.m_length = ClampS32(end - x + 1);
        previousLeft = floorLeft;
        previousRight = floorRight;
        first = false;
    };
    while (_left->m_rowCount >= 0 && _right->m_rowCount >= 0) {
        const s32 rows = _left->m_rowCount < _right->m_rowCount ? _left->m_rowCount : _right->m_rowCount;
        _left->m_rowCount -= rows;
        _right->m_rowCount -= rows;
        for (s32 k = 0; k < rows; ++k) {
            write(index--);
            xl += _left->m_xStep;
            xr += _right->m_xStep;
            --row;
        }
        // At the end of a chain the stepped value stays: the end record carries no position.
        if (_left->m_rowCount == 0 && (++_left)->m_rowCount >= 0)
            xl = _left->m_x;
        if (_right->m_rowCount == 0 && (++_right)->m_rowCount >= 0)
            xr = _right->m_x;
    }
    // The row below the last row line, from the values carried down to it.
    write(index);
    return (s32)(total + 1);
}
