// The projectile spawner: its prototype table, the bullet and emitter spawns, the bullet
// speeds and ranges, the bare clones and the failures.
#include "brisel_spawn.h"

#include <gtest/gtest.h>

#include <memory>

#include "nod_bullet.h"
#include "nod_particleemitter.h"
#include "nod_trail.h"
#include "owner_fixture.h"
#include "spawn_fixture.h"

namespace
{

MAT_Matrix34 FrameAt(const MAT_Vector3& _position) { return TST_FrameAt(_position); }

class SpawnTest : public testing::Test
{
protected:
    void Make()
    {
        try {
            m_world.reset(new TST_SpawnWorld(m_dir));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
    }
    void TearDown() override { m_world.reset(); }

    TST_TempDir m_dir;
    std::unique_ptr<TST_SpawnWorld> m_world;
};

TEST_F(SpawnTest, EveryBulletTypeHasItsPrototypesSpeedAndRange)
{
    Make();
    Brisel_Spawn* spawn = m_world->Spawn();
    for (s32 type = 0; type < Brisel_Spawn::BULLET_TYPES; ++type) {
        SCOPED_TRACE(type);
        EXPECT_EQ(TOOL_SPAWNER_BULLET_SPEEDS[type], spawn->NOD_GetBulletVelocity(type));
        EXPECT_EQ(TOOL_SPAWNER_BULLET_SPEEDS[type] * 1.5f, spawn->GetBulletRange(type));
        std::unique_ptr<NOD_Bullet> clone(spawn->CloneBullet(type));
        ASSERT_NE(nullptr, clone);
        EXPECT_STREQ(TOOL_SpawnerBullet(type).name.c_str(), clone->GetName().GetName());
    }
    EXPECT_EQ(0, spawn->GetDebrisCounter());
}

TEST_F(SpawnTest, TypesOutsideTheirRangeStopWithTheOperationsTexts)
{
    Make();
    Brisel_Spawn* spawn = m_world->Spawn();
    const MAT_Matrix34 frame = FrameAt(MAT_Vector3());
    EXPECT_FATAL(spawn->SpawnBullet(7, nullptr, frame), "Brisel_Spawn::SpawnBullet()", "illegal bullettype: 7");
    EXPECT_FATAL(spawn->SpawnBullet(-1, nullptr, frame), "Brisel_Spawn::SpawnBullet()", "illegal bullettype: -1");
    EXPECT_FATAL(spawn->SpawnEmitter(8, m_world->root, frame), "Brisel_Spawn::SpawnEmitter()",
                 "illegal emittertype: 8");
    EXPECT_FATAL(spawn->SpawnEmitter(-1, m_world->root, frame), "Brisel_Spawn::SpawnEmitter()",
                 "illegal emittertype: -1");
    EXPECT_FATAL(spawn->NOD_GetBulletVelocity(7), "Brisel_Spawn::NOD_GetBulletVelocity()", "illegal bullettype: 7");
    EXPECT_FATAL(spawn->GetBulletRange(-1), "Brisel_Spawn::GetBulletRange()", "illegal bullettype: -1");
    // Nothing was made on the way.
    EXPECT_EQ(2, m_world->root->GetNumOfSons());
}
}  // namespace
