#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "mat_polygon2d.h"
#include "mat_random.h"

namespace
{
f32 Uniform(MAT_Random& _random, f32 _low, f32 _high)
{
    return _low + (_high - _low) * (f32)(_random.Next() * MAT_RANDOM_UNIT);
}

// Left turn of p -> q -> r (positive: counter-clockwise with y up).
f64 Turn(const MAT_Point2D& _p, const MAT_Point2D& _q, const MAT_Point2D& _r)
{
    return ((f64)_q.x - _p.x) * ((f64)_r.y - _p.y) - ((f64)_q.y - _p.y) * ((f64)_r.x - _p.x);
}

// Clockwise, convex, starting at the largest x, and (for margin 0) every input point inside or
// on the outline.
void ExpectClockwiseHullOf(const std::vector<MAT_Point2D>& _input, const MAT_Point2D* _hull, s32 _count)
{
    ASSERT_GE(_count, 3);
    for (const MAT_Point2D& p : _input)
        EXPECT_LE(p.x, _hull[0].x);
    for (s32 i = 0; i < _count; ++i) {
        const MAT_Point2D& a = _hull[i];
        const MAT_Point2D& b = _hull[(i + 1) % _count];
        EXPECT_LT(Turn(a, b, _hull[(i + 2) % _count]), 0.0) << "hull turns left after point " << i;
        for (const MAT_Point2D& p : _input)
            EXPECT_LE(Turn(a, b, p), 1e-3) << "point outside the edge from hull point " << i;
    }
}

TEST(MatPolygon2DTest, SquareWithCentreAndMargins)
{
    MAT_Point2D points[5] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5f, 0.5f}};
    ASSERT_EQ(4, MAT_Polygon2D::Build(points, 5, 0.0f));
    const MAT_Point2D expected[4] = {{1, 0}, {0, 0}, {0, 1}, {1, 1}};
    for (s32 i = 0; i < 4; ++i)
        EXPECT_EQ(expected[i], points[i]) << i;

    // A margin wider than the square leaves only the two extremes; its sign does not matter.
    MAT_Point2D again[5] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5f, 0.5f}};
    ASSERT_EQ(2, MAT_Polygon2D::Build(again, 5, -1.1f));
    EXPECT_EQ(MAT_Point2D({1, 0}), again[0]);
    EXPECT_EQ(MAT_Point2D({0, 0}), again[1]);
}

TEST(MatPolygon2DTest, LineDistanceIsPositiveOnTheLeft)
{
    MAT_Line2D line;
    line.Set({1, 1}, {4, 5});
    EXPECT_FLOAT_EQ(-0.8f, line.m_normal.x);
    EXPECT_FLOAT_EQ(0.6f, line.m_normal.y);
    EXPECT_FLOAT_EQ(0.2f, line.m_c);
    EXPECT_FLOAT_EQ(5.0f, line.Distance({-3, 4}));
    EXPECT_FLOAT_EQ(-5.0f, line.Distance({5, -2}));
    EXPECT_NEAR(0.0f, line.Distance({7, 9}), 1e-6f);
}

TEST(MatPolygon2DTest, DegenerateInputs)
{
    const struct
    {
        const char* name;
        std::vector<MAT_Point2D> points;
        std::vector<MAT_Point2D> hull;
    } cases[] = {
        {"no point", {}, {}},
        {"one point", {{3, 4}}, {}},
        {"all the same", {{3, 4}, {3, 4}, {3, 4}}, {}},
        {"two points", {{0, 0}, {2, 1}}, {{2, 1}, {0, 0}}},
        {"on a horizontal line", {{1, 0}, {0, 0}, {2, 0}, {1.5f, 0}}, {{2, 0}, {0, 0}}},
        {"all x equal: by y", {{0, 1}, {0, 2}, {0, 0}}, {{0, 2}, {0, 0}}},
        {"ties keep the first extreme", {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 0}}, {{1, 0}, {0, 0}, {0, 1}, {1, 1}}},
    };
    for (const auto& c : cases) {
        std::vector<MAT_Point2D> points = c.points;
        const s32 count = MAT_Polygon2D::Build(points.data(), (s32)points.size(), 0.0f);
        ASSERT_EQ((s32)c.hull.size(), count) << c.name;
        for (s32 i = 0; i < count; ++i)
            EXPECT_EQ(c.hull[i], points[i]) << c.name << " point " << i;
    }
}

// Far more hull points than any fixed buffer, and a working set of thousands of points.
TEST(MatPolygon2DTest, LargeInputsAreSizedFromTheInput)
{
    MAT_Random random;
    std::vector<MAT_Point2D> circle;
    const s32 rim = 300;
    for (s32 i = 0; i < rim; ++i) {
        const f64 a = 6.283185307179586 * i / rim;
        circle.push_back({(f32)(100.0 * std::cos(a)), (f32)(100.0 * std::sin(a))});
    }
    std::vector<MAT_Point2D> input = circle;
    for (s32 i = 0; i < 3000; ++i)
        input.push_back({Uniform(random, -60, 60), Uniform(random, -60, 60)});
    // Shuffle so that rim points come in no particular order.
    for (size_t i = input.size() - 1; i > 0; --i)
        std::swap(input[i], input[random.Next() % (i + 1)]);

    std::vector<MAT_Point2D> points = input;
    const s32 count = MAT_Polygon2D::Build(points.data(), (s32)points.size(), 0.0f);
    ASSERT_EQ(rim, count);
    EXPECT_EQ(MAT_Point2D({100, 0}), points[0]);
    ExpectClockwiseHullOf(input, points.data(), count);
    for (s32 i = 0; i < count; ++i)
        EXPECT_NE(circle.end(), std::find(circle.begin(), circle.end(), points[i])) << i;
}

TEST(MatPolygon2DTest, RandomCloudsGiveConvexClockwiseHulls)
{
    MAT_Random random;
    for (s32 round = 0; round < 50; ++round) {
        std::vector<MAT_Point2D> input((size_t)(3 + round * 7));
        for (MAT_Point2D& p : input)
            p = {Uniform(random, -10, 10), Uniform(random, -5, 5)};
        std::vector<MAT_Point2D> points = input;
        const s32 count = MAT_Polygon2D::Build(points.data(), (s32)points.size(), 0.0f);
        ExpectClockwiseHullOf(input, points.data(), count);

        // A margin only ever drops hull points.
        std::vector<MAT_Point2D> coarse = input;
        const s32 coarseCount = MAT_Polygon2D::Build(coarse.data(), (s32)coarse.size(), 0.5f);
        EXPECT_LE(coarseCount, count);
        for (s32 i = 0; i < coarseCount; ++i)
            EXPECT_NE(points.begin() + count, std::find(points.begin(), points.begin() + count, coarse[i]));
    }
}
}  // namespace
