// The gun classes in a run: their bullets from the spawner (type, place, shooter), the
// gatling's spread on the muzzle, the twin Vendetta's bullets and the classes' ranges. The
// guns hang on the test owner, which switches their fire from inside its own step.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "crt_rand.h"
#include "mat_fixture.h"
#include "nod_bullet.h"
#include "nod_gun.h"
#include "nod_guns.h"
#include "owner_fixture.h"
#include "spawn_fixture.h"
#include "tools_guns.h"

namespace
{

class GunFireTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(1u, TOOL_WriteGunFiles(m_dir.Path()));
        try {
            m_world.reset(new TST_SpawnWorld(m_dir));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
        // A quarter turn, so that a muzzle frame taken in world axes would show.
        MAT_Matrix34 frame = TST_FrameAt(MAT_Vector3(50.0f, -20.0f, 10.0f));
        frame.r.FromAngles(MAT_Angle(1.5707964f), MAT_Angle(0.0f), MAT_Angle(0.0f));
        m_owner = new TST_OwnerBody(frame);
        m_world->root->AddSon(m_owner);
        delete m_owner->ProcessMessage(NOD_Node_EnterSimulation::Create());
    }
    void TearDown() override { m_world.reset(); }

    NOD_Gun* AddGun(const char* _name)
    {
        const TOOL_Weapon* weapon = TOOL_FindWeapon(_name);
        NOD_Gun* gun = NOD_Gun::DynamicCast(NOD_Node::CreateNode(weapon->className, weapon->name));
        gun->ParseIniFile_File(weapon->file);
        gun->SetOwner(m_owner);
        gun->SetMuzzleFrame(TST_TranslationFrame(0.0f, 10.0f, 0.0f));
        m_owner->Adopt(gun);
        return gun;
    }
    // A body in the simulation leaves it before it goes.
    static void Remove(NOD_Node* _node)
    {
        delete _node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        delete _node;
    }
    std::vector<NOD_Bullet*> Bullets() const
    {
        std::vector<NOD_Bullet*> bullets;
        for (s32 i = 0; i < m_world->root->GetNumOfSons(); ++i)
            if (NOD_Bullet* bullet = NOD_Bullet::DynamicCast(m_world->root->GetSon(i)))
                bullets.push_back(bullet);
        return bullets;
    }
    // Where a shot leaves from: the owner's frame at _time composed with the muzzle frame moved
    // by _offset in the owner's axes.
    MAT_Matrix34 MuzzleAt(f32 _time, const MAT_Vector3& _offset = MAT_Vector3()) const
    {
        return m_owner->GetWorldTransform(_time)->Compose(
            TST_TranslationFrame(_offset.x, 10.0f + _offset.y, _offset.z));
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_SpawnWorld> m_world;
    TST_OwnerBody* m_owner = nullptr;
};

TEST_F(GunFireTest, EachShootingClassLaunchesItsBulletFromTheMuzzleCreditedToItsOwner)
{
    const struct
    {
        const char* weapon;
        s32 type;
    } cases[] = {
        {"vendettagatlin", NOD_BULLET_VENDETTAGATLIN}, {"vendetta1", NOD_BULLET_VENDETTA},
        {"vendetta2", NOD_BULLET_VENDETTA_TWIN},       {"sizzler", NOD_BULLET_SIZZLER},
        {"plasmagatlin", NOD_BULLET_PLASMAGATLIN},     {"flak", NOD_BULLET_FLAK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.weapon);
        NOD_Gun* gun = AddGun(c.weapon);
        gun->Activate();
        const f32 shot = m_world->Now();
        m_owner->onStep = [&](f32) { gun->PrimaryFireOn(); };
        m_world->Step();
        m_owner->onStep = nullptr;
        gun->PrimaryFireOff();
        const std::vector<NOD_Bullet*> bullets = Bullets();
        ASSERT_EQ(1u, bullets.size());
        NOD_Bullet* bullet = bullets[0];
        EXPECT_EQ(c.type, bullet->GetBulletType());
        EXPECT_EQ(m_owner, bullet->GetShooter());
        EXPECT_EQ(shot, bullet->GetLaunchTime());
        const MAT_Matrix34 muzzle = MuzzleAt(shot);
        const MAT_Matrix34& launched = *bullet->GetWorldTransform(shot);
        // The gatling's spread moves the muzzle sideways and up or down, never along its axis.
        const f32 spread = std::string(c.weapon) == "vendettagatlin" ? 2.0f : 0.0f;
        const MAT_Vector3 offset = muzzle.InverseTransformPoint(launched.t);
        EXPECT_NEAR(0.0f, offset.y, 1e-4f);
        EXPECT_LE(std::fabs(offset.x), spread + 1e-4f);
        EXPECT_LE(std::fabs(offset.z), spread + 1e-4f);
        EXPECT_VEC_NEAR(muzzle.r.GetY(), launched.r.GetY(), 1e-5f);
        // The range is that of the class's bullets.
        EXPECT_EQ(TOOL_SPAWNER_BULLET_SPEEDS[c.type] * 1.5f, gun->GetRange());
        Remove(bullet);
        Remove(gun);
    }
}

TEST_F(GunFireTest, TheGatlingSpreadMovesACopyOfTheMuzzleByTwoDrawsAShot)
{
    const struct
    {
        bool secondary;
        f32 scale;
        f32 half;
    } cases[] = {{false, 0.00012207404f, 2.0f}, {true, 6.103702e-5f, 1.0f}};
    NOD_Gun* gun = AddGun("vendettagatlin");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.secondary ? "secondary" : "primary");
        for (u32 seed : {1u, 2u, 3u}) {
            CRT_SRand(seed);
            const f32 x = (f32)CRT_Rand() * c.scale - c.half;
            const f32 z = (f32)CRT_Rand() * c.scale - c.half;
            const f32 shot = m_world->Now();
            m_owner->onStep = [&](f32) {
                CRT_SRand(seed);
                if (c.secondary)
                    gun->SecondaryFireOn();
                else
                    gun->PrimaryFireOn();
            };
            m_world->Step();
            m_owner->onStep = nullptr;
            gun->PrimaryFireOff();
            gun->SecondaryFireOff();
            const std::vector<NOD_Bullet*> bullets = Bullets();
            ASSERT_EQ(1u, bullets.size());
            EXPECT_VEC_NEAR(MuzzleAt(shot, MAT_Vector3(x, 0.0f, z)).t, bullets[0]->GetWorldTransform(shot)->t, 1e-4f);
            EXPECT_VEC_NEAR(MAT_Vector3(0.0f, 10.0f, 0.0f), gun->GetMuzzleFrame().t, 0.0f);
            Remove(bullets[0]);
        }
    }
}

TEST_F(GunFireTest, EveryShotOfAModeLaunchesOneBullet)
{
    NOD_Gun* gun = AddGun("plasmagatlin");
    m_owner->onStep = [&](f32) { gun->PrimaryFireOn(); };
    m_world->Steps(12);
    // Shots in steps 0, 2, 3, 5, 6, 8, 10 and 11; the bullets fly 1.5 s, so none has died yet.
    EXPECT_EQ(8u, Bullets().size());
    for (NOD_Bullet* bullet : Bullets())
        EXPECT_EQ(NOD_BULLET_PLASMAGATLIN, bullet->GetBulletType());
}

TEST_F(GunFireTest, ClassesThatNeverShootReportTheRangeOfTheirBulletType)
{
    const struct
    {
        const char* weapon;
        s32 type;
    } cases[] = {
        {"smartbomb", NOD_BULLET_VENDETTAGATLIN}, {"scalarhowitzer", NOD_BULLET_VENDETTAGATLIN},
        {"plasma1", NOD_BULLET_PLASMAGATLIN},     {"lasergatlin", NOD_BULLET_PLASMAGATLIN},
        {"drugstore", NOD_BULLET_PLASMAGATLIN},   {"doommortar", NOD_BULLET_DOOMMORTAR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.weapon);
        NOD_Gun* gun = AddGun(c.weapon);
        EXPECT_EQ(TOOL_SPAWNER_BULLET_SPEEDS[c.type] * 1.5f, gun->GetRange());
        gun->Activate();
        m_owner->onStep = [&](f32) { gun->PrimaryFireOn(); };
        m_world->Steps(12);
        m_owner->onStep = nullptr;
        EXPECT_EQ(0u, Bullets().size());
        Remove(gun);
    }
}

}  // namespace
