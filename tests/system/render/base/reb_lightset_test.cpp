#include <cfloat>

#include "reb_fixture.h"
#include "reb_lightset.h"

static MAT_Matrix34 Placement(const MAT_Vector3& _position, const MAT_Vector3& _direction)
{
    MAT_Matrix34 placement;
    placement.SetFromVectors(_position, {0.0f, 0.0f, 0.0f}, _direction, {0.0f, 0.0f, 0.0f});
    return placement;
}

static VEC_Light PointLight(const MAT_Vector3& _color, f32 _intensity, f32 _slope)
{
    VEC_Light light;
    light.m_color1 = _color;
    light.m_color2 = {0.5f, 0.5f, 0.5f};
    light.m_type = 0;
    light.m_intensity = _intensity;
    light.m_vector = {_slope, 0.0f, 0.0f};
    return light;
}

TEST(RebLightSetTest, FourLightsAndNoMore)
{
    REB_LightSet set;
    for (s32 i = 0; i < 4; i++) {
        VEC_Light light = PointLight({1.0f, 0.0f, 0.0f}, 1.0f, 0.0f);
        light.m_type = i;
        EXPECT_EQ(1u, set.AddLight(light, 1.0f + i, 10.0f + i, Placement({(f32)i, 2.0f, 3.0f}, {0.0f, 0.0f, -1.0f})));
    }
    EXPECT_EQ(0u, set.AddLight(PointLight({1.0f, 1.0f, 1.0f}, 1.0f, 0.0f), 7.0f, 8.0f,
                               Placement({9.0f, 9.0f, 9.0f}, {1.0f, 0.0f, 0.0f})));
    ASSERT_EQ(4, set.GetLightCount());
    for (s32 i = 0; i < 4; i++) {
        const REB_Light& light = set.GetLight(i);
        EXPECT_EQ(i, light.light.m_type);
        EXPECT_EQ(0.5f, light.light.m_color2.x);
        EXPECT_EQ(1.0f + i, light.innerRadius);
        EXPECT_EQ(10.0f + i, light.outerRadius);
        EXPECT_EQ((MAT_Vector3{(f32)i, 2.0f, 3.0f}), light.worldPosition);
        EXPECT_EQ((MAT_Vector3{0.0f, 0.0f, -1.0f}), light.worldDirection);  // the second axis
    }
    set.Clear();
    EXPECT_EQ(0, set.GetLightCount());
    EXPECT_EQ(1u, set.AddLight(VEC_Light(), 0.0f, 0.0f, Placement({}, {})));
}

TEST(RebLightSetTest, ObjectSpaceFollowsTheInverseWorld)
{
    // An object at (10, 0, 0) turned a quarter to the left: its inverse maps world to object.
    MAT_Matrix34 world;
    world.SetFromVectors({10.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    const MAT_Matrix34 inverse = world.InvertRigid();

    REB_LightSet set;
    set.AddLight(VEC_Light(), 0.0f, 1.0f, Placement({10.0f, 5.0f, 2.0f}, {0.0f, 1.0f, 0.0f}));
    set.AddLight(VEC_Light(), 0.0f, 1.0f, Placement({7.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}));
    set.TransformToObjectSpace(inverse);

    const REB_Light& first = set.GetLight(0);
    EXPECT_NEAR(5.0f, first.objectPosition.x, 1e-5f);
    EXPECT_NEAR(0.0f, first.objectPosition.y, 1e-5f);
    EXPECT_NEAR(2.0f, first.objectPosition.z, 1e-5f);
    EXPECT_NEAR(1.0f, first.objectDirection.x, 1e-5f);
    EXPECT_NEAR(0.0f, first.objectDirection.y, 1e-5f);
    const REB_Light& second = set.GetLight(1);
    EXPECT_NEAR(0.0f, second.objectPosition.x, 1e-5f);
    EXPECT_NEAR(3.0f, second.objectPosition.y, 1e-5f);
    EXPECT_NEAR(-1.0f, second.objectDirection.z, 1e-5f);
    // Directions are turned, never moved.
    EXPECT_NEAR(0.0f, second.objectDirection.x, 1e-5f);
}

TEST(RebLightSetTest, AmbientColourBytes)
{
    REB_LightSet set;
    set.SetAmbient(1.0f, 0.5f, 0.0f);
    EXPECT_EQ((MAT_Vector3{1.0f, 0.5f, 0.0f}), set.GetAmbient());
    EXPECT_EQ(0xFFFF7F00u, set.GetAmbientColor());  // 127.5 floors to 127
}

using RebLightSetDisplayTest = RenderBaseTest;

TEST_F(RebLightSetDisplayTest, PointLightsSumIntoRegisterSix)
{
    REB_LightSet set;
    set.SetAmbient(0.1f, 0.2f, 0.3f);
    const MAT_Vector3 billboard = {1.0f, 1.0f, 1.0f};
    // Distance 3 between the radii 2 and 4: intensity + 3 x slope = 1.5 - 0.75.
    set.AddLight(PointLight({1.0f, 0.5f, 0.0f}, 1.5f, -0.25f), 2.0f, 4.0f, Placement({4.0f, 1.0f, 1.0f}, {}));
    // Inside its inner radius: full colour.
    set.AddLight(PointLight({0.0f, 0.0f, 1.0f}, 9.0f, 9.0f), 2.0f, 4.0f, Placement({1.0f, 2.0f, 1.0f}, {}));
    // Beyond its outer radius: nothing, but it counts.
    set.AddLight(PointLight({5.0f, 5.0f, 5.0f}, 9.0f, 9.0f), 2.0f, 4.0f, Placement({1.0f, 1.0f, 9.0f}, {}));
    // Not a point light: skipped.
    VEC_Light directional = PointLight({5.0f, 5.0f, 5.0f}, 1.0f, 0.0f);
    directional.m_type = 1;
    set.AddLight(directional, 100.0f, 200.0f, Placement(billboard, {}));

    f32 c6[4] = {0.0f, 0.0f, 0.0f, 42.0f};
    EXPECT_EQ(3, set.SumPointLights(billboard, c6));
    EXPECT_NEAR(0.1f + 0.75f, c6[0], 1e-3f);
    EXPECT_NEAR(0.2f + 0.375f, c6[1], 1e-3f);
    EXPECT_NEAR(0.3f + 1.0f, c6[2], 1e-3f);
    EXPECT_EQ(42.0f, c6[3]);
    ASSERT_EQ(1u, m_fake.Count("SetVertexShaderConstant 6 1"));
    for (s32 k = 0; k < 4; k++)
        EXPECT_EQ(c6[k], Device().constants[6][k]) << k;
}

TEST_F(RebLightSetDisplayTest, LargestFloatKeepsTheRegistersValue)
{
    REB_LightSet set;
    set.SetAmbient(FLT_MAX, 0.25f, FLT_MAX);
    f32 c6[4] = {7.0f, 7.0f, 7.0f, 7.0f};
    EXPECT_EQ(0, set.SumPointLights({0.0f, 0.0f, 0.0f}, c6));
    EXPECT_EQ(7.0f, c6[0]);
    EXPECT_EQ(0.25f, c6[1]);
    EXPECT_EQ(7.0f, c6[2]);
    EXPECT_EQ(7.0f, Device().constants[6][0]);
}
