// The spawner's debris rows and spawns: the two debris prototypes, the names that debris and
// shrapnel share, the launch, and the types it refuses.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "brisel_mesh.h"
#include "brisel_spawn.h"
#include "mat_fixture.h"
#include "nod_debris.h"
#include "nod_particleemitter.h"
#include "nod_shrapnel.h"
#include "owner_fixture.h"
#include "shrapnel_fixture.h"
#include "spawn_world_test.h"
#include "tools_ash.h"

namespace
{

using SpawnDebrisTest = TST_SpawnWorldTest;

TEST_F(SpawnDebrisTest, DebrisAndShrapnelShareTheRunningNumber)
{
    ASSERT_NO_FATAL_FAILURE(TST_WritePieces(m_dir, {{1.0f, 1.0f, 1.0f}}, "piece.msh", "piece.top", {0}));
    TOOL_Ash ash;
    ash.m0 = "piece.msh";
    ash.shrapnel = TOOL_AshShrapnel{"piece.msh", "vfx\\top\\piece.top", 1};
    m_dir.Write("vfx/ash/piece.ash", TOOL_AshText(ash));
    CON_Cache<Brisel_Mesh>* visuals = m_world->cache->GetVisualCache();
    const s32 visual = visuals->Allocate("piece.ash", 1);

    Brisel_Spawn* spawn = m_world->Spawn();
    const MAT_Matrix34 frame = TST_FrameAt({0.0f, 50.0f, 0.0f});
    std::vector<NOD_Node*> made;
    made.push_back(spawn->SpawnDebris(0, frame, Brisel_DebrisLaunch()));
    made.push_back(spawn->SpawnDebris(1, frame, Brisel_DebrisLaunch()));
    made.push_back(spawn->SpawnShrapnel(visual, 0, frame, MAT_Vector3(), MAT_Vector3(), MAT_Vector3()));
    made.push_back(spawn->SpawnDebris(0, frame, Brisel_DebrisLaunch()));
    const char* const names[] = {"deb0", "deb1", "deb2", "deb2"};
    for (size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(nullptr, made[i]);
        EXPECT_STREQ(names[i], made[i]->GetName().GetName());
        EXPECT_TRUE(made[i]->IsInSimulation());
        EXPECT_EQ(m_world->root, made[i]->GetFather());
    }
    EXPECT_EQ(made.back(), m_world->root->GetSon(m_world->root->GetNumOfSons() - 1));
    EXPECT_NE(nullptr, NOD_Shrapnel::DynamicCast(made[2]));
    EXPECT_EQ(3, spawn->GetDebrisCounter());

    delete m_world->scene;  // the tree, before the visual is given back
    m_world->scene = nullptr;
    visuals->Release(visual);
}

TEST_F(SpawnDebrisTest, TheTwoKindsFlyOffWithTheLaunchVelocity)
{
    Brisel_Spawn* spawn = m_world->Spawn();
    Brisel_DebrisLaunch launch;
    launch.velocity = {3.0f, -1.5f, 0.25f};
    launch.unused[0] = 1e30f;  // read by nothing
    MAT_Matrix34 frame = TST_QuarterTurnFrame();
    struct Case
    {
        s32 type;
        s32 emitters;
        s32 debris;
    };
    // deb_small1 carries two emitters and a debris of the second kind; deb_small2 two emitters.
    const Case cases[] = {{0, 2, 1}, {1, 2, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        NOD_Debris* debris = spawn->SpawnDebris(c.type, frame, launch);
        ASSERT_NE(nullptr, debris);
        TST_ExpectNear(launch.velocity, debris->GetMotionState().GetVelocity(), 0.0f, "velocity");
        TST_ExpectNear(frame.t, debris->GetWorldTransform(m_world->Now())->t, 1e-5f, "place");
        EXPECT_EQ(m_world->Now(), debris->GetStartTime());
        s32 emitters = 0;
        s32 nested = 0;
        for (s32 i = 0; i < debris->GetEmitCount(); ++i) {
            emitters += NOD_ParticleEmitter::DynamicCast(debris->GetEmitChild(i)) != nullptr ? 1 : 0;
            nested += NOD_Debris::DynamicCast(debris->GetEmitChild(i)) != nullptr ? 1 : 0;
        }
        EXPECT_EQ(c.emitters, emitters);
        EXPECT_EQ(c.debris, nested);
    }

    EXPECT_FATAL(spawn->SpawnDebris(2, frame, launch), "Brisel_Spawn::SpawnDebris()", "illegal debristype: 2");
    EXPECT_FATAL(spawn->SpawnDebris(-1, frame, launch), "Brisel_Spawn::SpawnDebris()", "illegal debristype: -1");
    EXPECT_EQ(2, spawn->GetDebrisCounter());
}

// The first kind throws the second off in a run, and everything it made ends.
TEST_F(SpawnDebrisTest, ASpawnedDebrisRunsItsWholeCycle)
{
    NOD_Debris* debris = m_world->Spawn()->SpawnDebris(0, TST_FrameAt({0.0f, 40.0f, 0.0f}), Brisel_DebrisLaunch());
    const s32 before = m_world->root->GetNumOfSons();
    m_world->Steps(5);  // both explosions have left by 0.2 s
    EXPECT_EQ(2, debris->GetNumOfSons());
    EXPECT_EQ(before, m_world->root->GetNumOfSons());
    m_world->Steps(6);  // the second kind leaves at 0.5 s
    EXPECT_EQ(before + 1, m_world->root->GetNumOfSons());
    EXPECT_NE(nullptr, NOD_Debris::DynamicCast(m_world->root->GetSon(before)));
    for (s32 step = 0;
         step < 400 && (m_world->root->GetNumOfSons() > before - 1 || m_world->garbage->GetNumOfSons() > 0); ++step)
        m_world->Step();
    EXPECT_EQ(before - 1, m_world->root->GetNumOfSons());
    EXPECT_EQ(0, m_world->garbage->GetNumOfSons());
}

}  // namespace
