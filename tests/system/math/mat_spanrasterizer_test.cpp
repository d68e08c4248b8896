#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "mat_polygon2d.h"
#include "mat_random.h"
#include "mat_spanrasterizer.h"

namespace
{
struct ExpectedSpan
{
    s32 x;
    s32 row;
    s32 length;
};

void ExpectSpans(const std::vector<ExpectedSpan>& _expected, const MAT_Span* _spans, s32 _count, const char* _what)
{
    ASSERT_EQ((s32)_expected.size(), _count) << _what;
    for (s32 i = 0; i < _count; ++i) {
        EXPECT_EQ(_expected[i].x, _spans[i].m_x) << _what << " span " << i;
        EXPECT_EQ(_expected[i].row, _spans[i].m_row) << _what << " span " << i;
        EXPECT_EQ(_expected[i].length, _spans[i].m_length) << _what << " span " << i;
    }
}

s32 ChainEdges(const MAT_SpanEdge* _chain)
{
    s32 edges = 0;
    while (_chain[edges].m_rowCount >= 0)
        ++edges;
    return edges;
}

// Triangle through the rasterizer and one of the merges.
s32 TriangleSpans(const MAT_SpanRasterizer& _grid, const MAT_Point2D (&_p)[3], bool _interior, MAT_Span* _spans,
                  s32 _capacity)
{
    MAT_SpanEdge left[3];
    MAT_SpanEdge right[3];
    EXPECT_EQ(1, _grid.RasterizeTriangle(_p[0].x, _p[0].y, _p[1].x, _p[1].y, _p[2].x, _p[2].y, left, 3, right, 3));
    return _interior ? MAT_SpanRasterizer::MergeEdges(left, right, _spans, _capacity)
                     : MAT_SpanRasterizer::MergeEdgesMirrored(left, right, _spans, _capacity);
}

TEST(MatSpanRasterizerTest, TriangleInteriorAndCoveringSpans)
{
    const MAT_SpanRasterizer grid;
    EXPECT_EQ(1, grid.GetInterior());
    MAT_Span spans[8];

    // Clockwise with y up; the spans run from the bottom row up.
    const MAT_Point2D corner[3] = {{0, 0}, {0, 4}, {4, 0}};
    ExpectSpans({{0, 1, 4}, {0, 2, 3}, {0, 3, 2}, {0, 4, 1}}, spans, TriangleSpans(grid, corner, true, spans, 8),
                "interior");
    ExpectSpans({{0, 0, 5}, {0, 1, 4}, {0, 2, 3}, {0, 3, 2}, {0, 4, 1}}, spans,
                TriangleSpans(grid, corner, false, spans, 8), "covering");

    // Edges at half-cell slopes: interior spans round inwards, covering spans reach to the
    // outline on the line above as well.
    const MAT_Point2D funnel[3] = {{2, 0}, {0, 4}, {4, 4}};
    ExpectSpans({{2, 1, 1}, {1, 2, 3}, {1, 3, 3}, {0, 4, 5}}, spans, TriangleSpans(grid, funnel, true, spans, 8),
                "funnel interior");
    ExpectSpans({{1, 0, 2}, {1, 1, 3}, {0, 2, 4}, {0, 3, 5}, {0, 4, 5}}, spans,
                TriangleSpans(grid, funnel, false, spans, 8), "funnel covering");

    // Counter-clockwise: below the top row the spans are empty.
    const MAT_Point2D reversed[3] = {{0, 0}, {4, 0}, {0, 4}};
    const s32 count = TriangleSpans(grid, reversed, true, spans, 8);
    ASSERT_EQ(4, count);
    EXPECT_EQ(1, spans[3].m_length);
    for (s32 i = 0; i < 3; ++i)
        EXPECT_LE(spans[i].m_length, 0) << i;
}

// Each ordering of the three heights: which chain holds the middle vertex.
TEST(MatSpanRasterizerTest, TriangleCasesPickTopMiddleAndBottom)
{
    const struct
    {
        const char* name;
        MAT_Point2D p[3];
        bool middleLeft;
    } cases[] = {
        {"Y0 <= Y1 <= Y2", {{5, 0}, {0, 4}, {3, 8}}, true}, {"Y0 <= Y2 < Y1", {{0, 0}, {1, 8}, {5, 4}}, false},
        {"Y2 < Y0 <= Y1", {{0, 4}, {3, 8}, {5, 0}}, true},  {"Y1 < Y0 <= Y2", {{5, 4}, {0, 0}, {1, 8}}, false},
        {"Y2 < Y1 < Y0", {{1, 8}, {5, 4}, {0, 0}}, false},  {"Y1 <= Y2 < Y0", {{3, 8}, {5, 0}, {0, 4}}, true},
        {"Y0 == Y1 == Y2", {{0, 2}, {1, 2}, {2, 2}}, true},
    };
    const MAT_SpanRasterizer grid;
    for (const auto& c : cases) {
        MAT_SpanEdge left[3];
        MAT_SpanEdge right[3];
        ASSERT_EQ(1,
                  grid.RasterizeTriangle(c.p[0].x, c.p[0].y, c.p[1].x, c.p[1].y, c.p[2].x, c.p[2].y, left, 3, right, 3))
            << c.name;
        EXPECT_EQ(c.middleLeft ? 2 : 1, ChainEdges(left)) << c.name;
        EXPECT_EQ(c.middleLeft ? 1 : 2, ChainEdges(right)) << c.name;
        EXPECT_EQ(left[0].m_startRow, right[0].m_startRow) << c.name;
    }
}

TEST(MatSpanRasterizerTest, RowsRoundDownExceptJustBelowAnInteger)
{
    const struct
    {
        f32 y;
        s32 row;
    } cases[] = {
        {3.0f, 3}, {5.0f, 5}, {7.0f, 7}, {0.99999994f, 1}, {0.9999998f, 0}, {2.5f, 2}, {-0.5f, -1}, {-3.0f, -3},
    };
    const MAT_SpanRasterizer grid;
    for (const auto& c : cases) {
        MAT_SpanEdge left[3];
        MAT_SpanEdge right[3];
        ASSERT_EQ(1, grid.RasterizeTriangle(0, -10, 0, c.y, 1, -10, left, 3, right, 3));
        EXPECT_EQ(c.row, left[0].m_startRow) << c.y;
        EXPECT_EQ(c.row + 10, left[0].m_rowCount) << c.y;
    }
}

TEST(MatSpanRasterizerTest, GridMapsPointsIntoCells)
{
    MAT_SpanRasterizer grid;
    grid.SetGrid(0, 2, 4, 1, -1);  // cells 2 x 4, origin (1, -1) in cells
    EXPECT_EQ(0, grid.GetInterior());
    MAT_SpanEdge left[3];
    MAT_SpanEdge right[3];
    // (6, 8) maps to (2, 3), (0, 0) to (-1, 1), (10, 0) to (4, 1).
    ASSERT_EQ(1, grid.RasterizeTriangle(0, 0, 6, 8, 10, 0, left, 3, right, 3));
    EXPECT_EQ(3, left[0].m_startRow);
    EXPECT_EQ(2, left[0].m_rowCount);
    EXPECT_FLOAT_EQ(2.0f, left[0].m_x);
    EXPECT_FLOAT_EQ(-1.5f, left[0].m_xStep);  // x per row going down
    EXPECT_FLOAT_EQ(1.0f, right[0].m_xStep);
}

TEST(MatSpanRasterizerTest, EdgeWithinOneRowWidensBothSides)
{
    const MAT_SpanRasterizer grid;
    MAT_SpanEdge left[3];
    MAT_SpanEdge right[3];
    // Top (1, 3.7) and middle (4, 3.2) share row 3: the right chain starts at the larger x.
    ASSERT_EQ(1, grid.RasterizeTriangle(2, 0, 1, 3.7f, 4, 3.2f, left, 3, right, 3));
    EXPECT_EQ(0, right[0].m_rowCount);
    EXPECT_EQ(0.0f, right[0].m_xStep);
    EXPECT_EQ(4.0f, right[0].m_x);
    // Middle (0, 0.7) and bottom (3, 0.2) share row 0: the left chain ends at the smaller x.
    ASSERT_EQ(1, grid.RasterizeTriangle(3, 0.2f, 0, 0.7f, 1, 4, left, 3, right, 3));
    EXPECT_EQ(0, left[1].m_rowCount);
    EXPECT_EQ(0.0f, left[1].m_x);
}

TEST(MatSpanRasterizerTest, MergesRefuseSpanArraysThatAreTooSmall)
{
    const MAT_SpanRasterizer grid;
    const MAT_Point2D corner[3] = {{0, 0}, {0, 4}, {4, 0}};
    MAT_Span spans[8];
    for (MAT_Span& s : spans)
        s = {77, 77, 77};
    EXPECT_EQ(0, TriangleSpans(grid, corner, true, spans, 3));
    EXPECT_EQ(0, TriangleSpans(grid, corner, false, spans, 4));  // needs rows + 1
    for (const MAT_Span& s : spans)
        EXPECT_EQ(77, s.m_x);

    EXPECT_EQ(4, TriangleSpans(grid, corner, true, spans, 4));
    EXPECT_EQ(77, spans[4].m_x);
    EXPECT_EQ(5, TriangleSpans(grid, corner, false, spans, 5));
    EXPECT_EQ(77, spans[5].m_x);
}

TEST(MatSpanRasterizerTest, PolygonOutlinesWithoutHeightOrMonotonicity)
{
    const MAT_SpanRasterizer grid;
    MAT_SpanEdge left[8];
    MAT_SpanEdge right[8];
    MAT_Span spans[8];

    // The right chain comes back up from y = 2 to y = 6.
    const MAT_Point2D notMonotone[6] = {{0, 0}, {0, 10}, {10, 10}, {5, 2}, {10, 6}, {10, 0}};
    EXPECT_EQ(0, grid.RasterizePolygon(notMonotone, 6, left, 8, right, 8));
    EXPECT_EQ(-1, left[0].m_rowCount);
    EXPECT_EQ(-1, right[0].m_rowCount);

    const MAT_Point2D flat[3] = {{0, 2}, {3, 2}, {5, 2}};
    for (s32 n = 0; n <= 3; ++n) {
        ASSERT_EQ(1, grid.RasterizePolygon(flat, n, left, 8, right, 8)) << n;
        EXPECT_EQ(0, ChainEdges(left)) << n;
        EXPECT_EQ(0, ChainEdges(right)) << n;
        EXPECT_EQ(0, MAT_SpanRasterizer::MergeEdges(left, right, spans, 8)) << n;
        EXPECT_EQ(0, MAT_SpanRasterizer::MergeEdgesMirrored(left, right, spans, 8)) << n;
    }

    const MAT_Point2D square[4] = {{0.5f, 0.5f}, {0.5f, 3.5f}, {3.5f, 3.5f}, {3.5f, 0.5f}};
    ASSERT_EQ(1, grid.RasterizePolygon(square, 4, left, 8, right, 8));
    ExpectSpans({{1, 1, 3}, {1, 2, 3}, {1, 3, 3}}, spans, MAT_SpanRasterizer::MergeEdges(left, right, spans, 8),
                "square");
}

std::vector<MAT_Point2D> Circle(s32 _count, f32 _radius, f32 _cx, f32 _cy)
{
    std::vector<MAT_Point2D> points;
    for (s32 i = 0; i < _count; ++i) {
        const f64 a = -6.283185307179586 * i / _count;  // clockwise
        points.push_back({(f32)(_cx + _radius * std::cos(a)), (f32)(_cy + _radius * std::sin(a))});
    }
    return points;
}

TEST(MatSpanRasterizerTest, PolygonChainsAreBoundedByTheirCapacities)
{
    const MAT_SpanRasterizer grid;
    const std::vector<MAT_Point2D> polygon = Circle(48, 10, 0.3f, 0.2f);
    std::vector<MAT_SpanEdge> left(40);
    std::vector<MAT_SpanEdge> right(40);
    // Each chain of the 48-gon needs 25 records: 24 refuse, and nothing past them is touched.
    for (s32 side = 0; side < 2; ++side) {
        std::vector<MAT_SpanEdge>& small = side == 0 ? left : right;
        for (MAT_SpanEdge& e : small)
            e.m_startRow = 12345;
        EXPECT_EQ(0, grid.RasterizePolygon(polygon.data(), 48, left.data(), side == 0 ? 24 : 40, right.data(),
                                           side == 1 ? 24 : 40));
        EXPECT_EQ(-1, left[0].m_rowCount);
        EXPECT_EQ(-1, right[0].m_rowCount);
        for (s32 i = 24; i < 40; ++i)
            EXPECT_EQ(12345, small[i].m_startRow) << side << " " << i;
    }
    EXPECT_EQ(1, grid.RasterizePolygon(polygon.data(), 48, left.data(), 25, right.data(), 25));

    MAT_SpanEdge small[2];
    EXPECT_EQ(0, grid.RasterizeTriangle(0, 0, 0, 4, 4, 0, small, 2, left.data(), 3));
    EXPECT_EQ(-1, small[0].m_rowCount);
}

// The grid points inside a convex outline (clockwise, grid coordinates) on each row line,
// against the interior spans; boundaries within 1e-4 of a grid point may go either way.
void ExpectInteriorSpansOf(const std::vector<MAT_Point2D>& _outline, const MAT_Span* _spans, s32 _count,
                           const char* _what)
{
    f64 top = _outline[0].y;
    f64 bottom = _outline[0].y;
    for (const MAT_Point2D& p : _outline) {
        top = std::max(top, (f64)p.y);
        bottom = std::min(bottom, (f64)p.y);
    }
    const s32 topRow = (s32)std::floor(top);
    const s32 bottomRow = (s32)std::floor(bottom);
    ASSERT_EQ(topRow - bottomRow, _count) << _what;
    for (s32 i = 0; i < _count; ++i) {
        const f64 y = bottomRow + 1 + i;
        f64 lo = 1e30;
        f64 hi = -1e30;
        for (size_t k = 0; k < _outline.size(); ++k) {
            const MAT_Point2D& a = _outline[k];
            const MAT_Point2D& b = _outline[(k + 1) % _outline.size()];
            if (y < std::min(a.y, b.y) || y > std::max(a.y, b.y))
                continue;
            const f64 x = a.y == b.y ? a.x : a.x + ((f64)b.x - a.x) * (y - a.y) / ((f64)b.y - a.y);
            const f64 x2 = a.y == b.y ? b.x : x;
            lo = std::min(lo, std::min(x, x2));
            hi = std::max(hi, std::max(x, x2));
        }
        const MAT_Span& s = _spans[i];
        EXPECT_EQ((s32)y, s.m_row) << _what;
        EXPECT_GE(s.m_x, (s32)std::ceil(lo - 1e-4)) << _what << " row " << y;
        EXPECT_LE(s.m_x, (s32)std::ceil(lo + 1e-4)) << _what << " row " << y;
        const s32 end = s.m_x + s.m_length - 1;
        EXPECT_GE(end, (s32)std::floor(hi - 1e-4)) << _what << " row " << y;
        EXPECT_LE(end, (s32)std::floor(hi + 1e-4)) << _what << " row " << y;
    }
}

f32 Quantised(MAT_Random& _random, f32 _range, f32 _step)
{
    return std::floor((f32)(_random.Next() * MAT_RANDOM_UNIT) * _range / _step) * _step - _range * 0.5f;
}

TEST(MatSpanRasterizerTest, InteriorSpansMatchTheGridPointsInside)
{
    MAT_Random random;
    const MAT_SpanRasterizer grid;
    std::vector<MAT_Span> spans(64);

    // Triangles of every height ordering, ties included (heights on half cells).
    for (s32 round = 0; round < 400; ++round) {
        MAT_Point2D p[3];
        for (MAT_Point2D& q : p)
            q = {Quantised(random, 20, 1.0f / 128), Quantised(random, 20, 0.5f)};
        const f32 area = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[1].y - p[0].y) * (p[2].x - p[0].x);
        if (area == 0)
            continue;
        if (area > 0)
            std::swap(p[1], p[2]);
        const s32 count = TriangleSpans(grid, p, true, spans.data(), 64);
        ExpectInteriorSpansOf({p[0], p[1], p[2]}, spans.data(), count, "triangle");
    }

    // Polygons as the plant fields make them (hulls of point sets), and one of more than 32
    // points.
    for (s32 round = 0; round < 100; ++round) {
        std::vector<MAT_Point2D> points(12);
        for (MAT_Point2D& q : points)
            q = {Quantised(random, 30, 1.0f / 128), Quantised(random, 30, 1.0f / 64)};
        points.resize((size_t)MAT_Polygon2D::Build(points.data(), (s32)points.size(), 0.0001f));
        if (points.size() < 3)
            continue;
        std::vector<MAT_SpanEdge> left(points.size());
        std::vector<MAT_SpanEdge> right(points.size());
        ASSERT_EQ(1, grid.RasterizePolygon(points.data(), (s32)points.size(), left.data(), (s32)left.size(),
                                           right.data(), (s32)right.size()));
        const s32 count = MAT_SpanRasterizer::MergeEdges(left.data(), right.data(), spans.data(), 64);
        ExpectInteriorSpansOf(points, spans.data(), count, "hull");
    }

    const std::vector<MAT_Point2D> polygon = Circle(40, 10.3f, 0.37f, 0.41f);
    std::vector<MAT_SpanEdge> left(40);
    std::vector<MAT_SpanEdge> right(40);
    ASSERT_EQ(1, grid.RasterizePolygon(polygon.data(), 40, left.data(), 40, right.data(), 40));
    const s32 count = MAT_SpanRasterizer::MergeEdges(left.data(), right.data(), spans.data(), 64);
    ExpectInteriorSpansOf(polygon, spans.data(), count, "40-gon");
}
}  // namespace
