#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mat_fixture.h"
#include "mat_geometry.h"

namespace
{
const f32 kNaN = std::numeric_limits<f32>::quiet_NaN();

// Corners a, b, c run clockwise seen from +z, so the normal is +z and d is 0. Its edges: ab on
// x = 0, ca on y = 0, bc on x + y = 1.
MAT_Triangle FloorTriangle()
{
    MAT_Triangle t;
    t.Set({0, 0, 0}, {0, 1, 0}, {1, 0, 0});
    return t;
}

MAT_Sphere MakeSphere(const MAT_Vector3& _centre, f32 _radius)
{
    MAT_Sphere s;
    s.m_centre = _centre;
    s.m_radius = _radius;
    s.m_radiusSquared = _radius * _radius;
    s.m_invRadius = 1.0f / _radius;
    return s;
}

TEST(MatAABoxTest, SetFromCornersAndExtendFollowTheirComparisons)
{
    MAT_AABox box;
    box.SetFromCorners({1, -2, 3}, {0, 5, -1});
    EXPECT_EQ(MAT_Vector3(0, -2, -1), box.m_min);
    EXPECT_EQ(MAT_Vector3(1, 5, 3), box.m_max);

    // a <= b fails for a NaN, so the NaN becomes the maximum.
    box.SetFromCorners({kNaN, 0, 0}, {1, 0, 0});
    EXPECT_EQ(1.0f, box.m_min.x);
    EXPECT_TRUE(std::isnan(box.m_max.x));

    // Lowering the minimum never also raises the maximum: a box that starts inverted keeps
    // its maximum until a point lies above it.
    box.m_min = {5, 5, 5};
    box.m_max = {-5, -5, -5};
    box.Extend({0, 0, 0});
    EXPECT_EQ(MAT_Vector3(0, 0, 0), box.m_min);
    EXPECT_EQ(MAT_Vector3(-5, -5, -5), box.m_max);
    box.Extend({2, -1, 0});
    EXPECT_EQ(MAT_Vector3(0, -1, 0), box.m_min);
    EXPECT_EQ(MAT_Vector3(2, -5, 0), box.m_max);
}

TEST(MatAABoxTest, CornersSphereAndPlacedCorners)
{
    const MAT_AABox box = {{0, 0, 0}, {1, 2, 3}};
    MAT_Vector3 corners[8];
    box.GetCorners(corners);
    const MAT_Vector3 expected[8] = {{0, 0, 0}, {0, 2, 0}, {1, 2, 0}, {1, 0, 0},
                                     {0, 0, 3}, {0, 2, 3}, {1, 2, 3}, {1, 0, 3}};
    for (s32 i = 0; i < 8; ++i)
        EXPECT_EQ(expected[i], corners[i]) << "corner " << i;
    EXPECT_EQ(MAT_Vector3(1, 0, 3), box.GetCorner(1, 0, 1));
    EXPECT_EQ(MAT_Vector3(0, 2, 0), box.GetCorner(0, 1, 0));

    const MAT_Matrix34 frame = TST_QuarterTurnFrame();
    MAT_Vector3 placed[8];
    box.Transform(frame, placed);
    for (s32 i = 0; i < 8; ++i)
        TST_ExpectNear(frame.TransformPoint(expected[i]), placed[i], 1e-5f, "placed corner");

    MAT_Sphere sphere;
    box.GetBoundingSphere(sphere);
    EXPECT_EQ(MAT_Vector3(0.5f, 1, 1.5f), sphere.m_centre);
    EXPECT_FLOAT_EQ(std::sqrt(3.5f), sphere.m_radius);
    EXPECT_FLOAT_EQ(3.5f, sphere.m_radiusSquared);
    EXPECT_FLOAT_EQ(1.0f / std::sqrt(3.5f), sphere.m_invRadius);
}

TEST(MatAABoxTest, OutcodeIsOneOnlyWithinTheClosedBox)
{
    const MAT_AABox box = {{0, 0, 0}, {1, 1, 1}};
    const struct
    {
        MAT_Vector3 p;
        s32 expected;
    } cases[] = {
        {{0.5f, 0.5f, 0.5f}, 1},   {{0, 0, 0}, 1},           {{1, 1, 1}, 1},          {{-1e-6f, 0.5f, 0.5f}, 0},
        {{0.5f, 1.001f, 0.5f}, 0}, {{0.5f, 0.5f, -0.1f}, 0}, {{kNaN, 0.5f, 0.5f}, 0}, {{0.5f, 0.5f, kNaN}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, box.GetOutcode(c.p)) << c.p.x << " " << c.p.y << " " << c.p.z;
}

TEST(MatPlaneTest, ProjectPointDropsTheHeightOverThePlane)
{
    MAT_Plane plane;
    plane.m_normal = {0, 0, 1};
    plane.m_distance = 2;
    EXPECT_EQ(MAT_Vector3(1, 2, 2), plane.ProjectPoint({1, 2, 5}));
    EXPECT_EQ(MAT_Vector3(1, 2, 2), plane.ProjectPoint({1, 2, -7}));
}

TEST(MatSegmentTest, SetFillsEveryFieldAndZeroLengthHasNoDirection)
{
    MAT_Segment s;
    s.Set({1, 2, 3}, {1, 6, 0});
    EXPECT_EQ(MAT_Vector3(1, 2, 3), s.m_origin);
    EXPECT_EQ(MAT_Vector3(1, 6, 0), s.m_end);
    EXPECT_EQ(MAT_Vector3(0, 4, -3), s.m_delta);
    EXPECT_FLOAT_EQ(5.0f, s.m_length);
    TST_ExpectNear({0, 0.8f, -0.6f}, s.m_direction, 1e-6f, "direction");

    s.Set({1, 1, 1}, {1, 1, 1});
    EXPECT_EQ(0.0f, s.m_length);
    EXPECT_FALSE(std::isfinite(s.m_direction.x));
}

struct RayBoxCase
{
    const char* name;
    MAT_Vector3 origin;
    MAT_Vector3 direction;
    s32 hit;
    f32 entry;
    f32 exit;
};

TEST(MatRayTest, IntersectBoxSlabTest)
{
    const MAT_AABox box = {{0, 0, 0}, {1, 1, 1}};
    const RayBoxCase cases[] = {
        {"straight through", {-1, 0.5f, 0.5f}, {1, 0, 0}, 1, 1, 2},
        {"parallel outside a slab still hits", {-1, 5, 0.5f}, {1, 0, 0}, 1, 1, 2},
        {"component at epsilon is parallel", {-1, 5, 0.5f}, {1, 1.1920929e-7f, 0}, 1, 1, 2},
        {"NaN component is parallel", {-1, 0.5f, 0.5f}, {1, kNaN, 0}, 1, 1, 2},
        {"component above epsilon is not", {-1, 5, 0.5f}, {1, 2.4e-7f, 0}, 0, 0, 0},
        {"passes beside", {-1, 2, 0.5f}, {1, 0.5f, 0}, 0, 0, 0},
        {"grazes a corner: exit equals entry", {-1, 0, 0.5f}, {1, 1, 0}, 1, 1, 1},
        {"misses a corner", {-1, 1, 0.5f}, {1, 1, 0}, 0, 0, 0},
        {"origin inside", {0.5f, 0.5f, 0.5f}, {0, 0, 1}, 1, -0.5f, 0.5f},
        {"box behind", {2, 0.5f, 0.5f}, {1, 0, 0}, 1, -2, -1},
        {"negative direction", {0.5f, 3, 0.5f}, {0, -2, 0}, 1, 1, 1.5f},
    };
    for (const RayBoxCase& c : cases) {
        MAT_Ray ray;
        ray.m_origin = c.origin;
        ray.m_direction = c.direction;
        f32 entry = 0;
        f32 exit = 0;
        ASSERT_EQ(c.hit, ray.IntersectBox(box, entry, exit)) << c.name;
        if (c.hit) {
            EXPECT_FLOAT_EQ(c.entry, entry) << c.name;
            EXPECT_FLOAT_EQ(c.exit, exit) << c.name;
        }
    }
}

struct RayTriangleCase
{
    const char* name;
    MAT_Vector3 origin;
    MAT_Vector3 direction;
    s32 hit;
    f32 t;
};

TEST(MatRayTest, IntersectTriangleFromEitherSideWithoutRangeCheck)
{
    const MAT_Triangle triangle = FloorTriangle();
    const RayTriangleCase cases[] = {
        {"down onto the front", {0.25f, 0.25f, 2}, {0, 0, -1}, 1, 2},
        {"up onto the back", {0.25f, 0.25f, -3}, {0, 0, 1}, 1, 3},
        {"pointing away: negative t", {0.25f, 0.25f, 2}, {0, 0, 1}, 1, -2},
        {"on an edge", {0, 0.5f, 1}, {0, 0, -1}, 1, 1},
        {"outside the triangle", {0.75f, 0.75f, 1}, {0, 0, -1}, 0, 0},
        {"parallel", {0.25f, 0.25f, 1}, {1, 0, 0}, 0, 0},
        {"nearly parallel", {0.25f, 0.25f, 1e-9f}, {1, 0, 1e-8f}, 0, 0},
    };
    for (const RayTriangleCase& c : cases) {
        MAT_Ray ray;
        ray.m_origin = c.origin;
        ray.m_direction = c.direction;
        f32 t = 99;
        ASSERT_EQ(c.hit, ray.IntersectTriangle(triangle, t)) << c.name;
        EXPECT_FLOAT_EQ(c.hit ? c.t : 99.0f, t) << c.name;
    }
}

TEST(MatTriangleTest, SetGivesUnitNormalAndOffsetByTheOrientationRule)
{
    MAT_Triangle t;
    t.Set({0, 0, 5}, {0, 2, 5}, {2, 0, 5});
    EXPECT_EQ(MAT_Vector3(0, 0, 1), t.m_normal);
    EXPECT_EQ(-5.0f, t.m_d);
    t.Set({0, 0, 5}, {2, 0, 5}, {0, 2, 5});  // the other way round faces down
    EXPECT_EQ(MAT_Vector3(0, 0, -1), t.m_normal);
    EXPECT_EQ(5.0f, t.m_d);
}

TEST(MatTriangleTest, SetPlaneMakesTheDirectionUnitAndKeepsTheCorners)
{
    MAT_Triangle t = FloorTriangle();
    t.SetPlane({1, 2, 3}, {0, 3, 4});
    EXPECT_FLOAT_EQ(0.6f, t.m_normal.y);
    EXPECT_FLOAT_EQ(0.8f, t.m_normal.z);
    EXPECT_EQ(0.0f, t.m_normal.x);
    EXPECT_FLOAT_EQ(-(0.6f * 2 + 0.8f * 3), t.m_d);
    EXPECT_EQ(MAT_Vector3(0, 1, 0), t.m_b);
    // A zero direction gives no plane at all rather than a NaN one.
    t.SetPlane({1, 2, 3}, {0, 0, 0});
    EXPECT_EQ(MAT_Vector3(0, 0, 0), t.m_normal);
    EXPECT_EQ(0.0f, t.m_d);
}

TEST(MatVector3Test, MulComponentsScalesEachAxisByItsOwnFactor)
{
    EXPECT_EQ(MAT_Vector3(2, -6, 0.5f), MAT_Vector3::MulComponents({1, 2, 4}, 2, -3, 0.125f));
}

TEST(MatTriangleTest, PointInTriangleToleratesEpsilonOutside)
{
    const MAT_Triangle triangle = FloorTriangle();
    // The value for edge ab is p.x here.
    const struct
    {
        MAT_Vector3 p;
        s32 inside;
    } cases[] = {
        {{0.25f, 0.25f, 0}, 1}, {{0, 0.5f, 0}, 1},    {{1, 0, 0}, 1},       {{-1e-7f, 0.5f, 0}, 1},
        {{-2e-7f, 0.5f, 0}, 0}, {{0.6f, 0.6f, 0}, 0}, {{kNaN, 0.5f, 0}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.inside, MAT_PointInTriangle(triangle, c.p)) << c.p.x << " " << c.p.y;
}

TEST(MatTriangleTest, EdgeMaskNamesEdgesAndCorners)
{
    const MAT_Triangle triangle = FloorTriangle();
    const struct
    {
        MAT_Vector3 p;
        s32 mask;
    } cases[] = {
        {{0.2f, 0.2f, 0}, 0},  {{0, 0.5f, 0}, 0},  // inside, on an edge
        {{-0.5f, 0.5f, 0}, 1}, {{1, 1, 0}, 2},     {{0.5f, -0.5f, 0}, 4}, {{-0.5f, 2, 0}, 3},
        {{-1, -1, 0}, 5},      {{2, -0.5f, 0}, 6}, {{kNaN, 0, 0}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.mask, MAT_TriangleEdgeMask(triangle, c.p)) << c.p.x << " " << c.p.y;
    EXPECT_FLOAT_EQ(25.0f, MAT_PointLineDistanceSquared({0, 0, 0}, {2, 0, 0}, {5, 3, 4}));
}

struct SphereCase
{
    const char* name;
    MAT_Vector3 centre;
    f32 radiusSquared;
    s32 touches;
};

TEST(MatSphereTriangleTest, TestCoversFaceEdgesAndCorners)
{
    const MAT_Triangle triangle = FloorTriangle();
    const SphereCase cases[] = {
        {"over the face", {0.25f, 0.25f, 0.5f}, 1, 1},
        {"too high", {0.25f, 0.25f, 1.5f}, 1, 0},
        {"resting on the face", {0.25f, 0.25f, 1}, 1, 1},
        {"under the face", {0.25f, 0.25f, -0.5f}, 1, 1},
        {"exactly at corner a", {-1, -1, 0}, 2, 1},
        {"just past corner a", {-1, -1.001f, 0}, 2, 0},
        {"beside edge ab", {-0.5f, 0.5f, 0}, 0.36f, 1},
        {"further beside edge ab", {-0.5f, 0.5f, 0}, 0.16f, 0},
        {"past the start of edge bc", {0, 1.5f, 0}, 0.36f, 1},
        {"further past the start of edge bc", {0, 1.5f, 0}, 0.16f, 0},
        {"over edge ca, lifted", {0.5f, -0.3f, 0.4f}, 0.36f, 1},
        {"over edge ca, lifted, smaller", {0.5f, -0.3f, 0.4f}, 0.2025f, 0},
        {"corner c region", {1.5f, -0.5f, 0}, 0.49f, 0},
        {"corner c region, larger", {1.5f, -0.5f, 0}, 0.51f, 1},
    };
    for (const SphereCase& c : cases) {
        MAT_Sphere sphere = MakeSphere(c.centre, std::sqrt(c.radiusSquared));
        sphere.m_radiusSquared = c.radiusSquared;
        EXPECT_EQ(c.touches, MAT_TestSphereTriangle(sphere, triangle)) << c.name;
    }
}

TEST(MatSphereTriangleTest, ContactPushesTheSphereOutToTouchTheContactPoint)
{
    const MAT_Triangle triangle = FloorTriangle();

    MAT_Contact contact;
    MAT_ContactSphereTriangle(MakeSphere({0.25f, 0.25f, 0.5f}, 1), triangle, contact);
    EXPECT_FLOAT_EQ(0.5f, contact.m_depth);
    EXPECT_EQ(MAT_Vector3(0, 0, 1), contact.m_normal);
    EXPECT_EQ(MAT_Vector3(0.25f, 0.25f, 0), contact.m_point);

    MAT_ContactSphereTriangle(MakeSphere({0.25f, 0.25f, -0.5f}, 1), triangle, contact);
    EXPECT_FLOAT_EQ(-0.5f, contact.m_depth);

    const struct
    {
        const char* name;
        MAT_Vector3 centre;
        f32 radius;
        MAT_Vector3 point;
    } cases[] = {
        {"face", {0.3f, 0.2f, 0.25f}, 0.5f, {0.3f, 0.2f, 0}},
        {"face from below", {0.3f, 0.2f, -0.25f}, 0.5f, {0.3f, 0.2f, 0}},
        {"edge ca", {0.5f, -0.3f, 0.4f}, 0.6f, {0.5f, 0, 0}},
        {"edge bc", {0.75f, 0.75f, 0.1f}, 0.5f, {0.5f, 0.5f, 0}},
        {"before edge bc", {0, 1.5f, 0.2f}, 0.6f, {0, 1, 0}},
        {"corner a", {-1, -1, 0.5f}, 2, {0, 0, 0}},
        {"corner c from below", {1.5f, -0.5f, -0.2f}, 0.8f, {1, 0, 0}},
    };
    for (const auto& c : cases) {
        const MAT_Sphere sphere = MakeSphere(c.centre, c.radius);
        ASSERT_EQ(1, MAT_TestSphereTriangle(sphere, triangle)) << c.name;
        MAT_ContactSphereTriangle(sphere, triangle, contact);
        TST_ExpectNear(c.point, contact.m_point, 1e-6f, c.name);
        EXPECT_EQ(triangle.m_normal, contact.m_normal) << c.name;
        // Moved by the depth along the normal, the sphere just touches the contact point and
        // its centre stays on its side of the plane.
        const MAT_Vector3 moved = c.centre + contact.m_normal * contact.m_depth;
        EXPECT_NEAR(c.radius, (moved - contact.m_point).Length(), 1e-5f) << c.name;
        EXPECT_EQ(c.centre.z > 0, moved.z > 0) << c.name;
    }
}
}  // namespace
