#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"

namespace
{

// A 2 x 2 grid of 5 x 5 samples, one sample step 2.5 world units, heights x + 10 y.
void BuildRamp(MRT_Terrain& _terrain)
{
    TST_BuildTerrain(_terrain, 2, 5, {100.0f, -50.0f, 3.0f}, {2.5f, 2.5f, 0.5f},
                     [](s32 _x, s32 _y) { return (u16)(_x + 10 * _y); });
}

TEST(MrtHeightAtTest, AnswersOffsetPlusTheTileHeightOnTheGridAndFltMaxOffIt)
{
    MRT_Terrain terrain;
    BuildRamp(terrain);
    // Sample (1, 2) of cell (0, 0): 1 + 20 units of 0.5 above Offset.z.
    EXPECT_FLOAT_EQ(3.0f + 21.0f * 0.5f, terrain.GetHeightAt(102.5f, -45.0f));
    // The same sample of cell (1, 1).
    EXPECT_FLOAT_EQ(3.0f + 21.0f * 0.5f, terrain.GetHeightAt(112.5f, -35.0f));
    const struct
    {
        f32 x, y;
    } off[] = {{99.0f, -40.0f}, {110.0f, -51.0f}, {120.5f, -40.0f}, {110.0f, -29.5f}};
    for (const auto& point : off)
        EXPECT_EQ(FLT_MAX, terrain.GetHeightAt(point.x, point.y)) << point.x << ", " << point.y;
}

TEST(MrtHeightAtTest, TileBordersHaveNoHoles)
{
    // Three cells each way, so the borders at one and two cell widths lie inside the grid; the
    // tile's opposite edges match, so the ground is continuous across them.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 3, 5, {100.0f, -50.0f, 3.0f}, {2.5f, 2.5f, 0.5f},
                     [](s32 _x, s32 _y) { return (u16)(1 + 3 * std::min(_x, 4 - _x) + 10 * std::min(_y, 4 - _y)); });
    // The few floats just below each border: the cell rounds up to the next one while the
    // point still lies a hair before that cell's first sample.
    for (const f32 border : {10.0f, 20.0f}) {
        f32 below = border;
        for (s32 step = 0; step < 4; ++step) {
            below = std::nextafter(below, 0.0f);
            const f32 alongX = terrain.GetHeightAt(100.0f + below, -45.0f);
            const f32 alongY = terrain.GetHeightAt(105.0f, -50.0f + below);
            EXPECT_NEAR(3.0f + 21.0f * 0.5f, alongX, 1e-3f) << border << " step " << step;
            EXPECT_NEAR(3.0f + 7.0f * 0.5f, alongY, 1e-3f) << border << " step " << step;
        }
    }
    // The tile type's own query keeps its answer past the last sample row.
    EXPECT_EQ(FLT_MAX, terrain.GetTile(0, 0)->GetHeight(1.0f, 10.0f));
}

}  // namespace
