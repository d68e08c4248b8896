// The projectile spawner: its prototype table, the bullet and emitter spawns, the bullet
// speeds and ranges, the bare clones and the failures.
#include "brisel_spawn.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

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
TEST_F(SpawnTest, ABulletStartsAtItsFrameWithItsSpeedAlongTheSecondAxisAsTheRootsLastSon)
{
    Make();
    Brisel_Spawn* spawn = m_world->Spawn();
    TST_OwnerBody* owner = new TST_OwnerBody();
    m_world->root->AddSon(owner);
    m_world->Steps(3);
    const MAT_Matrix34 frame = FrameAt(MAT_Vector3(10.0f, 20.0f, 30.0f));
    NOD_Bullet* bullet = spawn->SpawnBullet(1, owner, frame);
    EXPECT_EQ(100.0f, spawn->NOD_GetBulletVelocity(1));
    EXPECT_EQ(150.0f, spawn->GetBulletRange(1));
    EXPECT_EQ(MAT_Vector3(0.0f, 100.0f, 0.0f), bullet->GetMotionState().GetVelocity());
    MAT_Vector3 velocity;
    const MAT_Matrix34& start = *bullet->GetCS().GetTrack().GetAt(m_world->Now(), &velocity);
    EXPECT_EQ(MAT_Vector3(0.0f, 100.0f, 0.0f), velocity);
    EXPECT_EQ(frame.t, start.t);
    EXPECT_EQ(frame.t, bullet->GetMotionState().frame.t);
    EXPECT_EQ(frame.t.x, bullet->GetMotionState().translation[0].position);
    EXPECT_EQ(owner, bullet->GetShooter());
    EXPECT_EQ(1, bullet->GetBulletType());
    EXPECT_EQ(m_world->Now(), bullet->GetLaunchTime());
    EXPECT_TRUE(bullet->IsInSimulation());
    EXPECT_EQ(m_world->root->GetSon(m_world->root->GetNumOfSons() - 1), bullet);
    EXPECT_EQ(NOD_PART_REGISTERED, bullet->GetAggregate().GetState(NOD_PART_PHYSICAL));
    // Its trail entered with it.
    EXPECT_TRUE(bullet->GetSon(0)->IsInSimulation());
}

TEST_F(SpawnTest, TheTwoTypesReadFromOneFileAreIndependentCopies)
{
    Make();
    Brisel_Spawn* spawn = m_world->Spawn();
    std::unique_ptr<NOD_Bullet> five(spawn->CloneBullet(5));
    std::unique_ptr<NOD_Bullet> six(spawn->CloneBullet(6));
    EXPECT_EQ(spawn->NOD_GetBulletVelocity(5), spawn->NOD_GetBulletVelocity(6));
    EXPECT_STREQ(five->GetName().GetName(), six->GetName().GetName());
    EXPECT_EQ(five->GetMeshHandle(), six->GetMeshHandle());
    // Separate prototypes: each copy has a trail of its own, and what happens to one bullet
    // changes nothing of the other type.
    EXPECT_NE(five->GetSon(0), six->GetSon(0));
    NOD_Bullet* a = spawn->SpawnBullet(5, nullptr, FrameAt(MAT_Vector3(0.0f, 0.0f, 500.0f)));
    NOD_Bullet* b = spawn->SpawnBullet(6, nullptr, FrameAt(MAT_Vector3(0.0f, 0.0f, 600.0f)));
    EXPECT_EQ(5, a->GetBulletType());
    EXPECT_EQ(6, b->GetBulletType());
    a->GetShieldRef().SetFaceRatio(0.0, 0);
    std::unique_ptr<NOD_Bullet> again(spawn->CloneBullet(6));
    EXPECT_EQ(six->GetShieldRef().GetFaceRatio(0), again->GetShieldRef().GetFaceRatio(0));
}

TEST_F(SpawnTest, AnEmitterIsItsFathersLastSonAndFollowsIt)
{
    Make();
    Brisel_Spawn* spawn = m_world->Spawn();
    TST_OwnerBody* father =
        new TST_OwnerBody(FrameAt(MAT_Vector3(100.0f, 50.0f, 20.0f)), MAT_Vector3(0.0f, 8.0f, 0.0f));
    m_world->root->AddSon(father);
    delete father->ProcessMessage(NOD_Node_EnterSimulation::Create());
    father->AddSon(NOD_Node::CreateNode("NOD_Node", "first"));
    m_world->Steps(4);
    NOD_ParticleEmitter* emitter = spawn->SpawnEmitter(5, father, FrameAt(MAT_Vector3()));
    EXPECT_EQ(father->GetSon(father->GetNumOfSons() - 1), emitter);
    EXPECT_TRUE(emitter->IsInSimulation());
    EXPECT_EQ(1u, emitter->IsStarted());
    for (s32 step = 0; step < 10; ++step) {
        SCOPED_TRACE(step);
        m_world->Step();
        MAT_Vector3 place;
        father->GetMatrixAtTime(&place, m_world->Now());
        const MAT_Vector3 at = emitter->GetWorldTransform(m_world->Now())->t;
        EXPECT_NEAR(place.x, at.x, 1e-4f);
        EXPECT_NEAR(place.y, at.y, 1e-4f);
        EXPECT_NEAR(place.z, at.z, 1e-4f);
    }
    // Under the root the frame is a world frame.
    NOD_ParticleEmitter* standing = spawn->SpawnEmitter(0, m_world->root, FrameAt(MAT_Vector3(1.0f, 2.0f, 3.0f)));
    EXPECT_EQ(m_world->root->GetSon(m_world->root->GetNumOfSons() - 1), standing);
    m_world->Step();
    EXPECT_EQ(MAT_Vector3(1.0f, 2.0f, 3.0f), standing->GetWorldTransform(m_world->Now())->t);
}

TEST_F(SpawnTest, ABrokenPrototypeStopsTheRunAndLeavesNothingBehind)
{
    struct Case
    {
        const char* what;
        std::string file;
        std::string text;
        const char* caption;
        const char* message;
    };
    TOOL_TrailDescription trail = TOOL_SpawnerTrail();
    trail.colors[1] = "1,2";
    const Case cases[] = {
        {"a missing bullet", std::string("vfx/") + TOOL_SpawnerBulletFile(6), "",
         "NOD_Node::ParseIniFile() : file not found or syntax error in des file", "vfx\\osd/weapon/bul_vendetta.osd"},
        {"a broken emitter", std::string("vfx/") + TOOL_SpawnerEmitterFile(7), "[OSD]\n{\n    LifeTime = 1.0\n}\n",
         "DES FILE ERROR",
         "(NOD_ParticleEmitter::ParseIniFile()): Get [\"ParticleEmitter\"] in file "
         "\"vfx\\osd/emitter/emi_shrapnel5.osd\" failed"},
        {"a broken trail", std::string("vfx/") + TOOL_SPAWNER_TRAIL_FILE, TOOL_TrailDescriptionText(trail),
         "NOD_Trail::ParseIniFile()", "RGBA1 expects 4 arguments"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TST_WriteSpawnerFiles(m_dir);
        if (c.text.empty())
            std::remove((m_dir.Path() + "/" + c.file).c_str());
        else
            m_dir.Write(c.file, c.text);
        // The prototypes read before it are deleted with the error (the leak check sees to it).
        EXPECT_FATAL(TST_SpawnWorld world(m_dir, false), c.caption, c.message);
        EXPECT_EQ(nullptr, Brisel_TheSpawn);
    }
}
}  // namespace
