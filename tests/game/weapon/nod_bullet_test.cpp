// Bullets: the description, copies, flight, death by age, the two impacts, the shooter and
// drawing.
#include "nod_bullet.h"

#include <cmath>

#include "brisel_soundsystem.h"
#include "cod_physical.h"
#include "nod_trail.h"
#include "reb_mesh.h"
#include "tools_spawner.h"
#include "weapon_fixture.h"

namespace
{

class BulletTest : public WeaponTest
{
protected:
    // A bullet made by class name from the description _file (under "vfx\").
    std::unique_ptr<NOD_Bullet> Parse(const std::string& _file)
    {
        std::unique_ptr<NOD_Bullet> bullet(NOD_Bullet::DynamicCast(NOD_Node::CreateNode("NOD_Bullet", "")));
        bullet->ParseIniFile_File(_file.c_str());
        return bullet;
    }

    // The bullet's world position at the simulation time.
    static MAT_Vector3 Position(NOD_Bullet* _bullet)
    {
        MAT_Vector3 position;
        _bullet->GetMatrixAtTime(&position, SIM_GetSimulationClock().time);
        return position;
    }
};

TEST_F(BulletTest, TheDescriptionGivesNameMeshSpeedShieldSamplesAndSons)
{
    Make();
    std::unique_ptr<NOD_Bullet> bullet = Parse(TOOL_SpawnerBulletFile(1));
    EXPECT_STREQ("flak", bullet->GetName().GetName());
    EXPECT_EQ(100.0f, bullet->GetVMax());
    EXPECT_NE(0, bullet->GetMeshHandle());
    EXPECT_EQ(TOOL_SpawnerBullet(1).shield.kineticOut, bullet->GetShieldRef().GetKineticOut());
    EXPECT_EQ(BRISEL_BUCKET_BULLETS, bullet->GetRenderBucket());
    EXPECT_EQ(NOD_Bullet::KINEMATIC_FLAGS, bullet->GetMotionState().flags);
    EXPECT_EQ(&bullet->GetMotionState(), bullet->GetAttachedFrame());

    const ContactAggregate& parts = bullet->GetAggregate();
    EXPECT_EQ(NOD_CONTACT_BULLET, parts.GetKind());
    EXPECT_EQ(NOD_PART_GENERATED, parts.GetState(NOD_PART_PHYSICAL));
    EXPECT_EQ(NOD_PART_GENERATED, parts.GetState(NOD_PART_VISIBLE));
    const f32 box[6] = {-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f};
    for (s32 i = 0; i < 6; ++i)
        EXPECT_EQ(box[i], parts.GetBox()[i]);

    struct Sample
    {
        const SND_SampleInfo* info;
        s32 freqrnd;
    };
    for (const Sample& s : {Sample{&bullet->GetGroundHitSample(), 2205}, Sample{&bullet->GetObjectHitSample(), 1100}}) {
        EXPECT_NE(0, s.info->GetSample());
        EXPECT_EQ(22050, s.info->GetFreq());
        EXPECT_EQ(s.freqrnd, s.info->GetFreqRnd());
        EXPECT_EQ(255, s.info->GetVol());
        EXPECT_EQ(25, s.info->GetVolRnd());
        EXPECT_EQ(1, s.info->GetCnt());
    }
    EXPECT_NE(bullet->GetGroundHitSample().GetSample(), bullet->GetObjectHitSample().GetSample());

    ASSERT_EQ(1, bullet->GetNumOfSons());
    const NOD_Trail* trail = NOD_Trail::DynamicCast(bullet->GetSon(0));
    ASSERT_NE(nullptr, trail);
    EXPECT_EQ(TOOL_SpawnerTrail().numOfSamples, trail->GetNumOfSamples());
}

TEST_F(BulletTest, BrokenDescriptionsStopTheReaderWithTheirTexts)
{
    Make();
    struct Case
    {
        const char* what;
        void (*breakIt)(TOOL_BulletDescription&);
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {"no Info", [](TOOL_BulletDescription& _d) { _d.omitSection = "Info"; }, "DES FILE ERROR",
         "(NOD_Bullet::ParseIniFile()): Get [\"Info\"] in file \"vfx\\broken.osd\" failed"},
        {"no Visual", [](TOOL_BulletDescription& _d) { _d.omitSection = "Visual"; }, "DES FILE ERROR",
         "(NOD_Bullet::ParseIniFile()): Get [\"Visual\"] in file \"vfx\\broken.osd\" failed"},
        {"no Collision", [](TOOL_BulletDescription& _d) { _d.omitSection = "Collision"; }, "DES FILE ERROR",
         "(NOD_Bullet::ParseIniFile()): Get [\"Collision\"] in file \"vfx\\broken.osd\" failed"},
        {"no Control", [](TOOL_BulletDescription& _d) { _d.omitSection = "Control"; }, "DES FILE ERROR",
         "(NOD_Bullet::ParseIniFile()): Get [\"Control\"] in file \"vfx\\broken.osd\" failed"},
        {"no Shield", [](TOOL_BulletDescription& _d) { _d.omitSection = "Shield"; }, "DES FILE ERROR",
         "(NOD_ShieldedBody::ParseIniFile()): Get [\"Shield\"] in file \"vfx\\broken.osd\" failed"},
        {"no Name", [](TOOL_BulletDescription& _d) { _d.omitKey = "Name"; }, "DesFile Error",
         "data \"Name\" not found in file \"vfx\\broken.osd\""},
        {"no VMax", [](TOOL_BulletDescription& _d) { _d.control.omitKey = "VMax"; }, "DesFile Error",
         "data \"VMax\" not found in file \"vfx\\broken.osd\""},
        {"PrimaryMesh a number", [](TOOL_BulletDescription& _d) { _d.mistypedKey = "PrimaryMesh"; }, "DesFile Error",
         "data \"PrimaryMesh\" in file \"vfx\\broken.osd\" has wrong type"},
        {"a name of 15 characters", [](TOOL_BulletDescription& _d) { _d.name = "fifteen_chars15"; },
         "SIM_Name::oparator=() : name too long", "fifteen_chars15"},
        {"a mesh that is not there", [](TOOL_BulletDescription& _d) { _d.primaryMesh = "missing.msh"; },
         "CON_Cache::Allocate() file not found", "vfx\\msh\\missing.msh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TOOL_BulletDescription description = TOOL_SpawnerBullet(0);
        c.breakIt(description);
        m_dir.Write("vfx/broken.osd", TOOL_BulletDescriptionText(description));
        std::unique_ptr<NOD_Bullet> bullet(NOD_Bullet::DynamicCast(NOD_Node::CreateNode("NOD_Bullet", "")));
        EXPECT_FATAL(bullet->ParseIniFile_File("broken.osd"), c.caption, c.text);
    }
}

TEST_F(BulletTest, ACopyCarriesTheDescriptionButNotTheFlight)
{
    Make();
    TST_OwnerBody* shooter = Body(MAT_Vector3(500.0f, 0.0f, 500.0f));
    NOD_Bullet* launched = m_world->Spawn()->SpawnBullet(3, shooter, Frame(MAT_Vector3(500.0f, 500.0f, 500.0f)));
    m_world->Steps(3);
    const s32 mesh = launched->GetMeshHandle();
    const s32 sample = launched->GetGroundHitSample().GetSample();
    const s32 meshReferences = m_world->cache->GetRenderMeshCache()->GetReferenceCount(mesh);
    const s32 sampleReferences = m_world->cache->GetSampleCache()->GetReferenceCount(sample);

    // The copy the replicators get: of the prototype, which never flew.
    std::unique_ptr<NOD_Bullet> copy(m_world->Spawn()->CloneBullet(3));
    ASSERT_NE(nullptr, copy);
    EXPECT_STREQ(launched->GetName().GetName(), copy->GetName().GetName());
    EXPECT_EQ(launched->GetVMax(), copy->GetVMax());
    EXPECT_EQ(mesh, copy->GetMeshHandle());
    EXPECT_EQ(meshReferences + 1, m_world->cache->GetRenderMeshCache()->GetReferenceCount(mesh));
    EXPECT_EQ(sample, copy->GetGroundHitSample().GetSample());
    EXPECT_EQ(sampleReferences + 1, m_world->cache->GetSampleCache()->GetReferenceCount(sample));
    EXPECT_EQ(launched->GetShieldRef().GetKineticOut(), copy->GetShieldRef().GetKineticOut());
    EXPECT_EQ(NOD_PART_GENERATED, copy->GetAggregate().GetState(NOD_PART_PHYSICAL));
    EXPECT_EQ(NOD_PART_GENERATED, copy->GetAggregate().GetState(NOD_PART_VISIBLE));
    ASSERT_EQ(1, copy->GetNumOfSons());
    EXPECT_NE(nullptr, NOD_Trail::DynamicCast(copy->GetSon(0)));
    // Nothing of a flight: neither placed, linked nor entered.
    EXPECT_EQ(nullptr, copy->GetShooter());
    EXPECT_EQ(0.0f, copy->GetLaunchTime());
    EXPECT_FALSE(copy->IsInSimulation());
    EXPECT_EQ(nullptr, copy->GetFather());
    EXPECT_EQ(MAT_Vector3(), copy->GetMotionState().GetVelocity());
    EXPECT_EQ(MAT_Vector3(), copy->GetMotionState().frame.t);

    copy.reset();
    EXPECT_EQ(meshReferences, m_world->cache->GetRenderMeshCache()->GetReferenceCount(mesh));
    EXPECT_EQ(sampleReferences, m_world->cache->GetSampleCache()->GetReferenceCount(sample));
}

TEST_F(BulletTest, ItFliesStraightAlongItsLaunchAxisAtItsSpeed)
{
    Make();
    const MAT_Vector3 start(300.0f, 200.0f, 100.0f);
    const MAT_Matrix34 frame = Frame(start, 0.5f, 0.2f);
    const MAT_Vector3 forward = frame.r.GetY();
    NOD_Bullet* bullet = m_world->Spawn()->SpawnBullet(1, nullptr, frame);
    EXPECT_EQ(forward * 100.0f, bullet->GetMotionState().GetVelocity());
    for (s32 n = 1; n <= 20; ++n) {
        SCOPED_TRACE(n);
        m_world->Step();
        const MAT_Vector3 expected = start + forward * (100.0f * 0.05f * (f32)n);
        const MAT_Vector3 position = Position(bullet);
        EXPECT_NEAR(expected.x, position.x, 2e-3f);
        EXPECT_NEAR(expected.y, position.y, 2e-3f);
        EXPECT_NEAR(expected.z, position.z, 2e-3f);
    }
}

TEST_F(BulletTest, OldBulletsLeaveTheSimulationAndDisappearWithoutAnImpact)
{
    Make();
    const s32 sons = m_world->root->GetNumOfSons();
    NOD_Bullet* bullet = m_world->Spawn()->SpawnBullet(2, nullptr, Frame(MAT_Vector3(100.0f, 100.0f, 100.0f)));
    TST_Watch watch(bullet);
    TST_Watch trail(bullet->GetSon(0));
    // The first step whose time lies past the launch time + 1.5, counted as the clock counts.
    s32 last = 0;
    for (f32 t = 0.0f; !(t > bullet->GetLaunchTime() + NOD_Bullet::LIFE_TIME); t += SIM_STEP)
        ++last;
    for (s32 step = 0; step < last; ++step)
        m_world->Step();
    ASSERT_TRUE(watch.Alive());
    EXPECT_TRUE(bullet->IsInSimulation());
    m_world->Step();
    EXPECT_FALSE(watch.Alive());
    EXPECT_EQ(sons, m_world->root->GetNumOfSons()) << "no impact emitter";
    // Its trail let go of it and fades under "/garbage".
    ASSERT_TRUE(trail.Alive());
    EXPECT_EQ(m_world->garbage, trail.Get()->GetFather());
}

TEST_F(BulletTest, AHitLeavesTheEmitterOfWhatWasHitAtTheContactPoint)
{
    struct Case
    {
        const char* what;
        bool ground;
        MAT_Matrix34 frame;
        MAT_Vector3 contact;
        s32 emitterType;
    };
    const f32 down = -1.5707964f;
    const Case cases[] = {
        {"the ground", true, Frame(MAT_Vector3(300.0f, 300.0f, 32.0f), 0.0f, down), MAT_Vector3(300.0f, 300.0f, 10.0f),
         2},
        {"an object", false, Frame(MAT_Vector3(300.0f, 300.0f, 50.0f)), MAT_Vector3(300.0f, 322.0f, 50.0f), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Make();
        Ground(10);
        TST_OwnerBody* shooter = Body(MAT_Vector3(300.0f, 250.0f, 50.0f));
        TST_OwnerBody* target = c.ground ? nullptr : Body(c.contact, MAT_Vector3(), 5.0f);
        NOD_Node* seenShooter = nullptr;
        if (target != nullptr)
            target->onStep = [&](f32) {
                if (seenShooter == nullptr)
                    seenShooter = target->GetHitShooter();
            };
        const s32 sons = m_world->root->GetNumOfSons();
        TST_Watch bullet(m_world->Spawn()->SpawnBullet(1, shooter, c.frame));
        EXPECT_LT(StepUntil([&] { return !bullet.Alive(); }, 30), 30);

        // The bullet is gone and one emitter stands at the contact point, turned a quarter
        // turn about the first axis whatever the bullet's direction.
        ASSERT_EQ(sons + 1, m_world->root->GetNumOfSons());
        NOD_ParticleEmitter* emitter = NOD_ParticleEmitter::DynamicCast(m_world->root->GetSon(sons));
        ASSERT_NE(nullptr, emitter);
        EXPECT_EQ(TOOL_SpawnerEmitter(c.emitterType).lifeTime, emitter->GetLifeTime());
        const MAT_Matrix34& world = *emitter->GetWorldTransform(m_world->Now());
        EXPECT_NEAR(c.contact.x, world.t.x, 1e-3f);
        EXPECT_NEAR(c.contact.y, world.t.y, 1e-3f);
        EXPECT_NEAR(c.contact.z, world.t.z, 1e-3f);
        MAT_Matrix33 turned;
        turned.SetDiagonal(1.0f);
        turned.RotateX(MAT_Angle(1.5707964f));
        for (s32 i = 0; i < 9; ++i)
            EXPECT_NEAR(turned.m[i], world.r.m[i], 1e-6f) << i;
        EXPECT_TRUE(emitter->IsInSimulation());
        if (target != nullptr) {
            EXPECT_EQ(shooter, seenShooter) << "the target learns who fired at it";
        }
        TearDown();
    }
}

TEST_F(BulletTest, TheShooterReadsNullOnceItIsGone)
{
    Make();
    TST_OwnerBody* shooter = Body(MAT_Vector3(100.0f, 100.0f, 100.0f));
    NOD_Bullet* bullet = m_world->Spawn()->SpawnBullet(0, shooter, Frame(MAT_Vector3(100.0f, 110.0f, 100.0f)));
    EXPECT_EQ(shooter, bullet->GetShooter());
    NOD_Node::GC_AddNode(shooter);
    m_world->Step();
    EXPECT_EQ(nullptr, bullet->GetShooter());
    EXPECT_TRUE(bullet->IsInSimulation());
}

TEST_F(BulletTest, OnlyABulletWithAMeshIsDrawn)
{
    // Without their trails, which would draw too.
    TOOL_BulletDescription meshed = TOOL_SpawnerBullet(4);
    meshed.children.clear();
    TOOL_BulletDescription bare = meshed;
    bare.primaryMesh.clear();
    m_dir.Write("vfx/osd/weapon/bul_meshed.osd", TOOL_BulletDescriptionText(meshed));
    m_dir.Write("vfx/osd/weapon/bul_bare.osd", TOOL_BulletDescriptionText(bare));
    Make();
    auto frameDraws = [&] {
        m_world->Step();
        m_world->fake.Forget();
        m_world->Render();
        return m_world->fake.Count("DrawIndexedPrimitive");
    };
    const size_t empty = frameDraws();
    // In front of the camera, flying away from it: drawn by its mesh, or not at all.
    for (const char* file : {"osd/weapon/bul_meshed.osd", "osd/weapon/bul_bare.osd"}) {
        SCOPED_TRACE(file);
        std::unique_ptr<NOD_Bullet> bullet = Parse(file);
        bullet->SetTransform(m_world->Now(), Frame(MAT_Vector3(0.0f, 30.0f, 0.0f)));
        m_world->root->AddSon(bullet.get());
        delete bullet->ProcessMessage(NOD_Node_EnterSimulation::Create());
        const size_t draws = frameDraws();
        if (bullet->GetMeshHandle() != 0)
            EXPECT_LT(empty, draws);
        else
            EXPECT_EQ(empty, draws);
        delete bullet->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    }
}

}  // namespace
