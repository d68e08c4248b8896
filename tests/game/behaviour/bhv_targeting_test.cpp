// The ballistic intercept: the flight time and aim point of a shot at a target moving on in a
// straight line, against the quadratic it solves and the exact meeting time it deliberately
// misses for targets moving along the line of sight.
#include <gtest/gtest.h>

#include <cmath>

#include "bhv_targeting.h"
#include "mat_vector.h"

namespace
{
struct InterceptCase
{
    const char* name;
    MAT_Vector3 shooter;
    f32 speed;
    MAT_Vector3 target;
    MAT_Vector3 velocity;
    f64 time;       // the positive root of (|V|^2 - s^2) t^2 + (D . V) t + |D|^2 = 0
    f64 exactTime;  // when a shot at that speed really meets the target
};

// Every case shoots at speed 10.
const InterceptCase CASES[] = {
    // At rest: the shot flies |D| / s, straight at the target.
    {"at rest", {1.0f, 2.0f, 3.0f}, 10.0f, {31.0f, 42.0f, 3.0f}, {0.0f, 0.0f, 0.0f}, 5.0, 5.0},
    // Crossing at right angles (D . V = 0): 100^2 + (6t)^2 = (10t)^2.
    {"crossing", {0.0f, 0.0f, 0.0f}, 10.0f, {0.0f, 100.0f, 0.0f}, {6.0f, 0.0f, 0.0f}, 12.5, 12.5},
    // Running away at 5: -75t^2 + 500t + 10000 = 0; the exact meeting is 100 + 5t = 10t.
    {"away",
     {0.0f, 0.0f, 0.0f},
     10.0f,
     {0.0f, 100.0f, 0.0f},
     {0.0f, 5.0f, 0.0f},
     (500.0 + std::sqrt(3250000.0)) / 150.0,
     20.0},
    // Coming nearer at 5: -75t^2 - 500t + 10000 = 0; the exact meeting is 100 - 5t = 10t.
    {"nearer",
     {0.0f, 0.0f, 0.0f},
     10.0f,
     {0.0f, 100.0f, 0.0f},
     {0.0f, -5.0f, 0.0f},
     (-500.0 + std::sqrt(3250000.0)) / 150.0,
     100.0 / 15.0},
};

TEST(BallisticInterceptTest, SolvesItsQuadraticAndAimsWhereTheTargetWillBe)
{
    for (const InterceptCase& c : CASES) {
        MAT_Vector3 aim(-1.0f, -1.0f, -1.0f);
        const f32 t = BHV_BallisticIntercept(c.shooter, c.speed, c.target, c.velocity, &aim);
        EXPECT_NEAR(c.time, t, 1e-4) << c.name;
        EXPECT_NEAR(c.target.x + c.velocity.x * t, aim.x, 1e-3) << c.name;
        EXPECT_NEAR(c.target.y + c.velocity.y * t, aim.y, 1e-3) << c.name;
        EXPECT_NEAR(c.target.z + c.velocity.z * t, aim.z, 1e-3) << c.name;
        // Short of the real meeting for a target moving away, beyond it for one coming nearer.
        const f64 along = (c.target - c.shooter).Dot(c.velocity);
        if (along > 0.0)
            EXPECT_LT(t, c.exactTime - 1.0) << c.name;
        else if (along < 0.0)
            EXPECT_GT(t, c.exactTime + 1.0) << c.name;
        else
            EXPECT_NEAR(c.exactTime, t, 1e-4) << c.name;
    }
}

TEST(BallisticInterceptTest, ATargetAsFastAsTheShotHasNoSolutionAndTheAimStays)
{
    const MAT_Vector3 velocities[] = {{10.0f, 0.0f, 0.0f}, {0.0f, 6.0f, 8.0f}, {0.0f, -30.0f, 0.0f}};
    for (const MAT_Vector3& velocity : velocities) {
        MAT_Vector3 aim(7.0f, 8.0f, 9.0f);
        EXPECT_EQ(-1.0f, BHV_BallisticIntercept({0.0f, 0.0f, 0.0f}, 10.0f, {0.0f, 50.0f, 0.0f}, velocity, &aim));
        EXPECT_EQ(7.0f, aim.x);
        EXPECT_EQ(8.0f, aim.y);
        EXPECT_EQ(9.0f, aim.z);
    }
}
}  // namespace
