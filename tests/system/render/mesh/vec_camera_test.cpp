#include <gtest/gtest.h>

#include <cmath>

#include "test_dir.h"
#include "vec_camera.h"

namespace
{

constexpr f32 DEG = 0.017453292f;

MAT_Matrix34 Placement(const MAT_Vector3& _position, f32 _heading, f32 _pitch, f32 _roll)
{
    MAT_Matrix34 frame;
    frame.SetPositionAngles(_position, MAT_Angle(_heading), MAT_Angle(_pitch), MAT_Angle(_roll));
    return frame;
}

MAT_AABox Box(const MAT_Vector3& _centre, f32 _half)
{
    MAT_AABox box;
    box.m_min = _centre - MAT_Vector3(_half, _half, _half);
    box.m_max = _centre + MAT_Vector3(_half, _half, _half);
    return box;
}

f32 PlaneDistance(const f32* _plane, const MAT_Vector3& _p)
{
    return _plane[0] * _p.x + _plane[1] * _p.y + _plane[2] * _p.z + _plane[3];
}

::testing::AssertionResult Near(const MAT_Vector3& _expected, const MAT_Vector3& _actual, f32 _tolerance)
{
    if (std::fabs(_expected.x - _actual.x) <= _tolerance && std::fabs(_expected.y - _actual.y) <= _tolerance &&
        std::fabs(_expected.z - _actual.z) <= _tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected (" << _expected.x << ", " << _expected.y << ", " << _expected.z
                                         << ") got (" << _actual.x << ", " << _actual.y << ", " << _actual.z << ")";
}

// (x, up, depth) after the divide by w.
MAT_Vector3 Project(const MAT_Matrix44& _m, const MAT_Vector3& _p)
{
    f32 h[4];
    for (s32 row = 0; row < 4; ++row)
        h[row] = _m.m[row] + _m.m[4 + row] * _p.x + _m.m[8 + row] * _p.y + _m.m[12 + row] * _p.z;
    return {h[0] / h[3], h[1] / h[3], h[2] / h[3]};
}

struct BoxCase
{
    const char* what;
    MAT_Vector3 centre;  // in the camera's view space: x right, y forward, z up
    f32 half;
    s32 expected;
};

// The same boxes, seen from a default camera and from one moved and turned elsewhere.
TEST(VecCameraTest, TestBoxInFrontBehindAndAcrossPlanes)
{
    const BoxCase cases[] = {
        {"in front", {0.0f, 10.0f, 0.0f}, 0.5f, 0},
        {"behind", {0.0f, -10.0f, 0.0f}, 0.5f, 1},
        {"across the near plane", {0.0f, 1.0f, 0.0f}, 0.5f, -1},
        {"between eye and near plane", {0.0f, 0.5f, 0.0f}, 0.25f, 1},
        {"beyond the far plane", {0.0f, 1100.0f, 0.0f}, 10.0f, 1},
        {"across the far plane", {0.0f, 1000.0f, 0.0f}, 10.0f, -1},
        {"off to the right", {50.0f, 10.0f, 0.0f}, 1.0f, 1},
        {"across the left edge", {-10.0f, 10.0f, 0.0f}, 1.0f, -1},
        {"above", {0.0f, 10.0f, 30.0f}, 1.0f, 1},
        {"across the bottom edge", {0.0f, 10.0f, -7.5f}, 1.0f, -1},
        {"around the whole frustum", {0.0f, 0.0f, 0.0f}, 5000.0f, -1},
    };
    VEC_Camera still;
    VEC_Camera moved;
    const MAT_Matrix34 placement = Placement({100.0f, -40.0f, 25.0f}, 70.0f * DEG, -20.0f * DEG, 10.0f * DEG);
    moved.SetTransform(placement);
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.expected, still.TestBox(Box(c.centre, c.half)));
        // A small box carried along keeps its answer (a big one would grow when boxed again).
        if (c.half <= 1.0f) {
            EXPECT_EQ(c.expected, moved.TestBox(Box(placement.TransformPoint(c.centre), c.half)));
        }
    }
}

TEST(VecCameraTest, PlanesBoundTheFrustumAndFaceOutward)
{
    VEC_Camera camera;
    camera.SetProjection(-2.0f, 2.0f, -1.5f, 1.5f, 2.0f, 500.0f, 1.24f);
    camera.SetTransform(Placement({-7.0f, 3.0f, 12.0f}, -135.0f * DEG, 30.0f * DEG, 0.0f));

    MAT_Vector3 centre;
    for (s32 k = 0; k < VEC_Camera::CORNER_COUNT; ++k)
        centre += camera.GetWorldCorner(k) * 0.125f;
    for (s32 plane = 0; plane < VEC_Camera::PLANE_COUNT; ++plane) {
        SCOPED_TRACE(plane);
        f32 a = 0, b = 0, c = 0, d = 0;
        camera.GetViewFrustumPlaneWP(plane, a, b, c, d);
        const f32 p[4] = {a, b, c, d};
        EXPECT_NEAR(1.0f, std::sqrt(a * a + b * b + c * c), 1e-5f);
        EXPECT_LT(PlaneDistance(p, centre), 0.0f);
        s32 onPlane = 0;
        for (s32 k = 0; k < VEC_Camera::CORNER_COUNT; ++k) {
            const f32 distance = PlaneDistance(p, camera.GetWorldCorner(k));
            EXPECT_LT(distance, 1e-2f);
            onPlane += std::fabs(distance) < 1e-2f ? 1 : 0;
        }
        EXPECT_EQ(4, onPlane);
        EXPECT_EQ((a < 0 ? 1 : 0) + (b < 0 ? 2 : 0) + (c < 0 ? 4 : 0), camera.GetWorldPlaneCode(plane));

        // The view planes bound the view corners the same way.
        const f32* v = camera.GetViewPlane(plane);
        for (s32 k = 0; k < VEC_Camera::CORNER_COUNT; ++k)
            EXPECT_LT(PlaneDistance(v, camera.GetViewCorner(k)), 1e-2f);
    }
    for (s32 k = 0; k < VEC_Camera::CORNER_COUNT; ++k) {
        const MAT_Vector3& w = camera.GetWorldCorner(k);
        const MAT_AABox& box = camera.GetWorldFrustumBox();
        EXPECT_TRUE(w.x >= box.m_min.x && w.x <= box.m_max.x && w.y >= box.m_min.y && w.y <= box.m_max.y &&
                    w.z >= box.m_min.z && w.z <= box.m_max.z);
    }

    TST_TempDir dir;  // the fatal path writes its log line here
    f32 a = 0, b = 0, c = 0, d = 0;
    EXPECT_FATAL(camera.GetViewFrustumPlaneWP(6, a, b, c, d), "VEC_Camera::GetViewFrustumPlaneWP()",
                 " given boundary out of range (0-5)");
    EXPECT_FATAL(camera.GetViewFrustumPlaneWP(-1, a, b, c, d), "VEC_Camera::GetViewFrustumPlaneWP()",
                 " given boundary out of range (0-5)");
}

TEST(VecCameraTest, ProjectionAndCorners)
{
    VEC_Camera camera;
    EXPECT_EQ(1.0f, camera.GetNear());
    EXPECT_EQ(1000.0f, camera.GetFar());
    // Default: the near rectangle at depth 1, the far one 1000 times larger.
    EXPECT_TRUE(Near({-1.0f, 1.0f, -0.75000185f}, camera.GetViewCorner(0), 1e-5f));
    EXPECT_TRUE(Near({1000.0f, 1000.0f, 750.00185f}, camera.GetViewCorner(7), 0.05f));
    EXPECT_TRUE(Near({-1000.0f, 1.0f, -750.00185f}, camera.GetViewFrustumBox().m_min, 0.05f));

    // The aspect divides the vertical extent; near and far map to depth 0 and 1.
    camera.SetProjection(-0.5f, 0.5f, -0.5f, 0.5f, 0.5f, 100.0f, 2.0f);
    EXPECT_EQ(0.5f, camera.GetNear());
    EXPECT_EQ(100.0f, camera.GetFar());
    EXPECT_TRUE(Near({0.5f, 0.5f, 0.25f}, camera.GetViewCorner(3), 1e-5f));
    EXPECT_TRUE(Near({1.0f, 1.0f, 0.0f}, Project(camera.GetProjection(), {0.5f, 0.5f, 0.25f}), 1e-5f));
    EXPECT_TRUE(Near({-1.0f, -1.0f, 1.0f}, Project(camera.GetProjection(), {-100.0f, 100.0f, -50.0f}), 1e-4f));
    EXPECT_TRUE(Near({0.0f, 0.5f, 0.0f}, Project(camera.GetInverseProjection(), {0.0f, 0.0f, 0.0f}), 1e-5f));
}

TEST(VecCameraTest, TransformGivesAnglesAndView)
{
    VEC_Camera camera;
    const MAT_Matrix34 placement = Placement({5.0f, 6.0f, 7.0f}, 40.0f * DEG, -15.0f * DEG, 5.0f * DEG);
    camera.SetTransform(placement);
    EXPECT_NEAR(40.0f * DEG, camera.GetHeading().Get(), 1e-5f);
    EXPECT_NEAR(-15.0f * DEG, camera.GetPitch().Get(), 1e-5f);
    EXPECT_NEAR(5.0f * DEG, camera.GetRoll().Get(), 1e-5f);
    const MAT_Vector3 p(1.0f, -2.0f, 3.0f);
    EXPECT_TRUE(Near(p, camera.GetViewTransform().TransformPoint(placement.TransformPoint(p)), 1e-5f));
    // The near corners sit one unit along the placement's forward axis.
    const MAT_Vector3 nearCentre = (camera.GetWorldCorner(0) + camera.GetWorldCorner(3)) * 0.5f;
    EXPECT_TRUE(Near(placement.t + placement.r.GetY(), nearCentre, 1e-5f));
}

TEST(VecTransformStateTest, ProductsOfWorldViewAndProjection)
{
    VEC_Camera camera;
    camera.SetTransform(Placement({10.0f, -5.0f, 2.0f}, 30.0f * DEG, 10.0f * DEG, 0.0f));
    const MAT_Matrix34 world = Placement({3.0f, 4.0f, -1.0f}, -60.0f * DEG, 0.0f, 20.0f * DEG);

    VEC_TransformState state;
    EXPECT_EQ(0u, state.GetState());
    state.SetView(camera.GetWorldTransform());
    state.SetProjection(camera.GetProjection());
    state.SetWorld(world);

    const MAT_Vector3 p(0.5f, 2.0f, -1.5f);
    const MAT_Vector3 worldPoint = world.TransformPoint(p);
    const MAT_Vector3 viewPoint = camera.GetViewTransform().TransformPoint(worldPoint);
    EXPECT_TRUE(Near(viewPoint, state.GetWorldToView().TransformPoint(p), 1e-4f));
    EXPECT_TRUE(Near(Project(camera.GetProjection(), viewPoint), Project(state.GetWorldViewProjection(), p), 1e-5f));
    EXPECT_TRUE(Near(p, state.GetInverseWorld().TransformPoint(worldPoint), 1e-5f));
    EXPECT_TRUE(Near(viewPoint, state.GetInverseView().TransformPoint(worldPoint), 1e-4f));
    EXPECT_EQ(VEC_TransformState::WORLD_SET | VEC_TransformState::VIEW_SET | VEC_TransformState::PROJECTION_SET |
                  VEC_TransformState::WORLD_TO_VIEW_VALID | VEC_TransformState::WORLD_VIEW_PROJECTION_VALID |
                  VEC_TransformState::INVERSE_WORLD_VALID | VEC_TransformState::INVERSE_VIEW_VALID,
              state.GetState());

    // A product asked for first computes the products it is made of.
    VEC_TransformState fresh;
    fresh.SetView(camera.GetWorldTransform());
    fresh.SetWorld(world);
    fresh.SetProjection(camera.GetProjection());
    fresh.GetWorldViewProjection();
    EXPECT_EQ(VEC_TransformState::WORLD_TO_VIEW_VALID | VEC_TransformState::INVERSE_VIEW_VALID,
              fresh.GetState() & (VEC_TransformState::WORLD_TO_VIEW_VALID | VEC_TransformState::INVERSE_VIEW_VALID));
}

// Every setter drops the cached products that depend on what it changed, whatever order the
// caller sets things in.
TEST(VecTransformStateTest, SettersInvalidateDependentProducts)
{
    const MAT_Matrix34 world = Placement({1.0f, 2.0f, 3.0f}, 20.0f * DEG, 0.0f, 0.0f);
    const MAT_Matrix34 view1 = Placement({0.0f, -10.0f, 0.0f}, 0.0f, 0.0f, 0.0f);
    const MAT_Matrix34 view2 = Placement({4.0f, 0.0f, 1.0f}, 90.0f * DEG, 0.0f, 0.0f);
    VEC_Camera wide, narrow;
    narrow.SetProjection(-0.1f, 0.1f, -0.1f, 0.1f, 1.0f, 50.0f, 1.0f);
    const MAT_Vector3 p(0.25f, 0.5f, -0.75f);

    VEC_TransformState state;
    state.SetWorld(world);
    state.SetView(view1);
    state.SetProjection(wide.GetProjection());
    state.GetInverseWorld();
    state.GetWorldViewProjection();

    state.SetView(view2);
    const MAT_Vector3 viewPoint = view2.InvertRigid().TransformPoint(world.TransformPoint(p));
    EXPECT_TRUE(Near(viewPoint, state.GetWorldToView().TransformPoint(p), 1e-4f));
    EXPECT_TRUE(Near(view2.InvertRigid().t, state.GetInverseView().t, 1e-5f));
    EXPECT_TRUE(Near(Project(wide.GetProjection(), viewPoint), Project(state.GetWorldViewProjection(), p), 1e-5f));

    state.SetProjection(narrow.GetProjection());
    EXPECT_TRUE(Near(Project(narrow.GetProjection(), viewPoint), Project(state.GetWorldViewProjection(), p), 1e-5f));

    const MAT_Matrix34 world2 = Placement({-6.0f, 0.0f, 2.0f}, 0.0f, 45.0f * DEG, 0.0f);
    state.SetWorld(world2);
    const MAT_Vector3 viewPoint2 = view2.InvertRigid().TransformPoint(world2.TransformPoint(p));
    EXPECT_TRUE(Near(viewPoint2, state.GetWorldToView().TransformPoint(p), 1e-4f));
    EXPECT_TRUE(Near(p, state.GetInverseWorld().TransformPoint(world2.TransformPoint(p)), 1e-5f));
    EXPECT_TRUE(Near(Project(narrow.GetProjection(), viewPoint2), Project(state.GetWorldViewProjection(), p), 1e-5f));
}

TEST(VecLightTest, Defaults)
{
    const VEC_Light light;
    EXPECT_TRUE(Near({1.0f, 1.0f, 1.0f}, light.m_color1, 0.0f));
    EXPECT_TRUE(Near({1.0f, 1.0f, 1.0f}, light.m_color2, 0.0f));
    EXPECT_EQ(0, light.m_type);
    EXPECT_EQ(1.0f, light.m_intensity);
    EXPECT_TRUE(Near({0.0f, 0.0f, 0.0f}, light.m_vector, 0.0f));
}

}  // namespace
