#include <gtest/gtest.h>

#include <cmath>

#include "reb_planarprojection.h"

static f32 Row(const f32* _rows, s32 _row, const MAT_Vector3& _p)
{
    const f32* r = _rows + 4 * _row;
    return r[0] * _p.x + r[1] * _p.y + r[2] * _p.z + r[3];
}

TEST(RebPlanarProjectionTest, TextureRepeatsOnAGridNearTheCamera)
{
    REB_PlanarProjection record;
    record.originU = 1.0f;
    record.originV = 2.0f;
    record.tiling = 0.5f;
    record.heightFactor = 0.25f;

    MAT_Matrix34 view;
    view.SetFromVectors({130.6f, -20.2f, 50.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    // The object is turned and tilted: the rows must follow its axes.
    MAT_Matrix34 world;
    const f32 c = std::cos(0.3f), s = std::sin(0.3f);
    world.SetFromVectors({140.0f, -30.0f, 5.0f}, {c, s, 0.0f}, {-s * c, c * c, s}, {s * s, -s * c, c});

    f32 rows[12] = {};
    REB_PlanarProjection::Compute(record, view, world, rows);

    // The camera snaps to the grid cell below it: (129, -22).
    const f32 su = 129.0f, sv = -22.0f;
    EXPECT_FLOAT_EQ((140.0f - su) * 0.5f, rows[3]);
    EXPECT_FLOAT_EQ((-30.0f - sv) * 0.5f, rows[7]);
    EXPECT_EQ(1.0f, rows[11]);

    const MAT_Vector3 points[] = {{0.0f, 0.0f, 0.0f}, {1.0f, 2.0f, 3.0f}, {-4.0f, 0.5f, -2.0f}};
    for (const MAT_Vector3& p : points) {
        const MAT_Vector3 w = world.TransformPoint(p);
        EXPECT_NEAR((w.x - su) * 0.5f, Row(rows, 0, p), 1e-4f);
        EXPECT_NEAR((w.y - sv) * 0.5f, Row(rows, 1, p), 1e-4f);
        EXPECT_NEAR(0.25f * (w.z - 5.0f) + 1.0f, Row(rows, 2, p), 1e-4f);
    }
}

TEST(RebPlanarProjectionTest, SnapUsesTheRenderersFloor)
{
    // Every machine must snap alike: the renderer's floor by rounding takes 0.99999994 to 1.
    REB_PlanarProjection record;
    MAT_Matrix34 view;
    view.SetFromVectors({0.99999994f, -2.5f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    MAT_Matrix34 world;
    world.SetFromVectors({4.0f, 4.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    f32 rows[12] = {};
    REB_PlanarProjection::Compute(record, view, world, rows);
    EXPECT_EQ(3.0f, rows[3]);
    EXPECT_EQ(7.0f, rows[7]);
}
