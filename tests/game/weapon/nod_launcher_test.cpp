// The torpedo launcher, the buzzer launcher and the NPC gun in a run with its spawner: their
// descriptions and fatal texts, where they hang, the burst timing of the NPC gun as one table,
// the torpedo quota of a target, and the buzzer launcher's draws against a reference stream.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bhv_attackerslots.h"
#include "brisel_simulation.h"
#include "des_file.h"
#include "mat_random.h"
#include "nod_bullet.h"
#include "nod_buzzer.h"
#include "nod_launcher.h"
#include "nod_torpedo.h"
#include "owner_fixture.h"
#include "spawn_fixture.h"
#include "test_dir.h"
#include "tools_launch.h"

namespace
{
constexpr const char* FILE_NAME = "owner.des";

// A body whose guns hang on a frame of their own: a turret's turning part, 10 up and turned
// by 90 degrees (its forward axis is the world's -x).
class TST_Turret : public TST_OwnerBody
{
public:
    explicit TST_Turret(const MAT_Matrix34& _frame, const MAT_Vector3& _velocity = MAT_Vector3())
        : TST_OwnerBody(_frame, _velocity)
    {
        m_gunFrame.SetParent(&GetCS());
        MAT_Matrix34 turned;
        turned.r.FromAngles(MAT_Angle(1.5707964f), MAT_Angle(0.0f), MAT_Angle(0.0f));
        turned.t = MAT_Vector3(0.0f, 0.0f, 10.0f);
        m_gunFrame.SetTransform(SIM_GetSimulationClock().time, turned);
    }
    NOD_CS* GetMountFrame() override { return &m_gunFrame; }

private:
    NOD_CS m_gunFrame;
};

class LauncherTest : public testing::Test
{
protected:
    void SetUp() override
    {
        try {
            m_world.reset(new TST_SpawnWorld(m_dir));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
    }
    void TearDown() override { m_world.reset(); }

    // A node of the class read from its entry "Child0" in its owner's description, its keys
    // _text beside the frame of _child (the node is deleted when the reading stops).
    template <class T>
    T* Read(const char* _className, const std::string& _text, const TOOL_ChildSection& _child = TOOL_ChildSection())
    {
        TOOL_ChildSection child = _child;
        child.nameCLA = _className;
        m_dir.Write(FILE_NAME, "[Owner]\n{\n" + TOOL_WeaponChildText(child, "weapon", _text) + "}\n");
        T* node = T::DynamicCast(NOD_Node::CreateNode(_className, "weapon"));
        EXPECT_NE(nullptr, node);
        try {
            DES_File file;
            DES_Section root, owner, entry;
            file.Open(&root, FILE_NAME);
            EXPECT_EQ(1u, root.FindSection(&owner, "Owner"));
            EXPECT_EQ(1u, owner.FindSectionIndexed(&entry, "Child", 0));
            node->ParseIniFile_CtxDes(entry, entry);
        } catch (const OS_FatalError&) {
            delete node;
            throw;
        }
        return node;
    }

    // An owner under the root, in the simulation.
    template <class T = TST_OwnerBody>
    T* Owner(const MAT_Vector3& _position, const MAT_Vector3& _velocity = MAT_Vector3())
    {
        T* owner = new T(TST_FrameAt(_position), _velocity);
        m_world->root->AddSon(owner);
        delete owner->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return owner;
    }

    NOD_NPC_Gun* Gun(TST_OwnerBody* _owner, const TOOL_NPCGunDescription& _description)
    {
        NOD_NPC_Gun* gun = Read<NOD_NPC_Gun>("NOD_NPC_Gun", TOOL_NPCGunDescriptionText(_description));
        gun->SetShooter(_owner);
        _owner->Adopt(gun);
        return gun;
    }

    // Out of the simulation and gone, without a trace (no explosion).
    static void Remove(NOD_Node* _node)
    {
        delete _node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        delete _node;
    }

    // The bullets under the root that were not there at the last call.
    std::vector<NOD_Bullet*> NewBullets()
    {
        std::vector<NOD_Bullet*> bullets;
        for (s32 i = 0; i < m_world->root->GetNumOfSons(); ++i) {
            NOD_Bullet* bullet = NOD_Bullet::DynamicCast(m_world->root->GetSon(i));
            if (bullet != nullptr && m_seen.insert(bullet->GetHandle()).second)
                bullets.push_back(bullet);
        }
        return bullets;
    }

    // The steps (counted from 0) in which the gun shot, over _steps steps.
    std::vector<s32> ShotSteps(s32 _steps)
    {
        std::vector<s32> shots;
        NewBullets();
        for (s32 step = 0; step < _steps; ++step) {
            m_world->Step();
            const size_t count = NewBullets().size();
            EXPECT_LE(count, 1u) << step;
            if (count != 0)
                shots.push_back(step);
        }
        return shots;
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_SpawnWorld> m_world;
    std::set<u32> m_seen;
};

TEST_F(LauncherTest, DescriptionsAreReadAsWritten)
{
    TOOL_BuzzerLauncherDescription buzz;
    buzz.meanEjectVelocity = 7.5f;
    buzz.devEjectVelocity = 0.25f;
    buzz.meanTumblingVelocity = -3.0f;
    buzz.devTumblingVelocity = 1.5f;
    std::unique_ptr<NOD_BuzzerLauncher> buzzer(
        Read<NOD_BuzzerLauncher>("NOD_BuzzerLauncher", TOOL_BuzzerLauncherDescriptionText(buzz)));
    EXPECT_EQ(7.5f, buzzer->GetMeanEjectVelocity());
    EXPECT_EQ(0.25f, buzzer->GetDevEjectVelocity());
    EXPECT_EQ(-3.0f, buzzer->GetMeanTumblingVelocity());
    EXPECT_EQ(1.5f, buzzer->GetDevTumblingVelocity());
    EXPECT_EQ(NOD_Body::RENDER_BUCKET_NONE, buzzer->GetRenderBucket());

    TOOL_TorpedoLauncherDescription tor;
    tor.torpedoType = 0;
    std::unique_ptr<NOD_TorpedoLauncher> launcher(
        Read<NOD_TorpedoLauncher>("NOD_TorpedoLauncher", TOOL_TorpedoLauncherDescriptionText(tor)));
    EXPECT_EQ(0, launcher->GetTorpedoType());
    EXPECT_EQ(nullptr, launcher->GetOwner());

    TOOL_NPCGunDescription gun;
    gun.bulletType = 4;
    gun.singleShotDelay = 0.125f;
    gun.phases = {{3, 2.0f}, {1, 0.5f}, {7, 1.25f}, {2, 0.0f}, {5, 4.5f}};
    std::unique_ptr<NOD_NPC_Gun> npc(Read<NOD_NPC_Gun>("NOD_NPC_Gun", TOOL_NPCGunDescriptionText(gun)));
    EXPECT_EQ(4, npc->GetBulletType());
    EXPECT_EQ(0.125f, npc->GetSingleShotDelay());
    ASSERT_EQ(5, npc->GetNumOfPhases());
    for (s32 i = 0; i < 5; ++i) {
        EXPECT_EQ(gun.phases[(size_t)i].numOfShotsToEmit, npc->GetShotsToEmit(i)) << i;
        EXPECT_EQ(gun.phases[(size_t)i].delayTimeBetweenCycles, npc->GetPhaseDelay(i)) << i;
    }
    // Idle, at the start of phase 0, never shot (a pause counts from time 0).
    EXPECT_EQ(nullptr, npc->GetFiring());
    EXPECT_EQ(0, npc->GetCurrentPhase());
    EXPECT_EQ(0, npc->GetShotCounter());
    EXPECT_EQ(FLT_MIN, npc->GetLastShotTime());
}

TEST_F(LauncherTest, BrokenDescriptionsStopWithTheirTexts)
{
    const std::string file = std::string("\"") + FILE_NAME + "\"";
    struct Case
    {
        const char* className;
        std::string text;
        const char* caption;
        std::string message;
    };
    std::vector<Case> cases;
    auto gun = [](std::optional<s32> _count, size_t _phases, const char* _omit = "", const char* _mistype = "") {
        TOOL_NPCGunDescription d;
        d.numOfFieringPhases = _count;
        d.phases.assign(_phases, TOOL_NPCGunPhase());
        d.omitKey = _omit;
        d.mistypedKey = _mistype;
        return TOOL_NPCGunDescriptionText(d);
    };
    // Above five phases, and none or fewer: the cycle needs a phase to take the next one of.
    for (s32 count : {6, 0, -1})
        cases.push_back({"NOD_NPC_Gun", gun(count, 5), "NOD_NPC_Gun::ParseIniFile", "wrong number of FieringPhases"});
    cases.push_back({"NOD_NPC_Gun", gun(3, 1), "DES FILE ERROR",
                     "(NOD_NPC_Gun::ParseIniFile): Get [\"Phase1\"] in file " + file + " failed"});
    for (const char* key :
         {"BulletType", "NumOfFieringPhases", "SingleShotDelay", "NumOfShotsToEmit", "DelayTimeBetweenCycles"}) {
        cases.push_back({"NOD_NPC_Gun", gun({}, 2, key), "DesFile Error",
                         std::string("data \"") + key + "\" not found in file " + file});
        cases.push_back({"NOD_NPC_Gun", gun({}, 2, "", key), "DesFile Error",
                         std::string("data \"") + key + "\" in file " + file + " has wrong type"});
    }
    for (const char* key : {"MeanEjectVelocity", "DevEjectVelocity", "MeanTumblingVelocity", "DevTumblingVelocity"}) {
        TOOL_BuzzerLauncherDescription d;
        d.omitKey = key;
        cases.push_back({"NOD_BuzzerLauncher", TOOL_BuzzerLauncherDescriptionText(d), "DesFile Error",
                         std::string("data \"") + key + "\" not found in file " + file});
    }
    TOOL_TorpedoLauncherDescription tor;
    tor.quoteTorpedoType = true;
    cases.push_back({"NOD_TorpedoLauncher", TOOL_TorpedoLauncherDescriptionText(tor), "DesFile Error",
                     "data \"TorpedoType\" in file " + file + " has wrong type"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_FATAL(Read<NOD_Body>(c.className, c.text), c.caption, c.message.c_str());
    }
}

// One run of an NPC gun from its first step: its phases, the delay between the shots of a
// burst, when the clock starts, whether it was stopped before the start, and the steps with a
// shot. The delays lie between two step times, so the steps do not depend on rounding.
struct BurstCase
{
    const char* name;
    std::vector<TOOL_NPCGunPhase> phases;
    f32 singleShotDelay;
    f32 start;
    bool stopFirst;
    std::vector<s32> shots;  // over 50 steps
};

TEST_F(LauncherTest, TheNpcGunFiresItsBurstsPhaseAfterPhase)
{
    const BurstCase cases[] = {
        // Three shots 3 steps apart (0.12 s -> 0.15), a pause of 21 steps (1.02 s -> 1.05) from the third.
        {"one phase", {{3, 1.02f}}, 0.12f, 10.0f, true, {0, 3, 6, 27, 30, 33}},
        // A first start without a stop is a burst of phase 0 already under way: three shots too.
        {"first start", {{3, 1.02f}}, 0.12f, 10.0f, false, {0, 3, 6, 27, 30, 33}},
        // Two phases in turn: 2 shots, 11 steps (0.52 s), 3 shots, 6 steps (0.27 s), 2 shots ...
        {"two phases", {{2, 0.52f}, {3, 0.27f}}, 0.07f, 10.0f, true, {0, 2, 13, 15, 17, 23, 25, 36, 38, 40, 46, 48}},
        // A burst of one shot is never over: the counter is compared only once raised past 1.
        {"one shot",
         {{1, 1.02f}},
         0.12f,
         10.0f,
         true,
         {0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 33, 36, 39, 42, 45, 48}},
        // Stopped before it ever fired: the last phase's pause counts from time 0.
        {"never fired", {{2, 1.02f}}, 0.12f, 0.0f, true, {21, 24, 45, 48}},
    };
    for (const BurstCase& c : cases) {
        SCOPED_TRACE(c.name);
        SIM_GetSimulationClock().SetTime(c.start);
        TST_OwnerBody* owner = Owner(MAT_Vector3(0.0f, 0.0f, 0.0f));
        TOOL_NPCGunDescription description;
        description.phases = c.phases;
        description.singleShotDelay = c.singleShotDelay;
        NOD_NPC_Gun* gun = Gun(owner, description);
        if (c.stopFirst)
            gun->StopFire();
        gun->StartFire();
        EXPECT_EQ(c.shots, ShotSteps(50));
        Remove(owner);
    }
}

TEST_F(LauncherTest, AStopEndsTheBurstAtOnceAndTheNextStartWaitsForTheLastPause)
{
    SIM_GetSimulationClock().SetTime(10.0f);
    TST_OwnerBody* owner = Owner(MAT_Vector3());
    TOOL_NPCGunDescription description;
    description.phases = {{4, 1.02f}, {2, 0.52f}};
    description.singleShotDelay = 0.12f;
    NOD_NPC_Gun* gun = Gun(owner, description);
    gun->StartFire();
    gun->StartFire();  // changes nothing
    EXPECT_EQ((std::vector<s32>{0, 3}), ShotSteps(5));
    gun->StopFire();
    EXPECT_EQ(std::vector<s32>(), ShotSteps(5));
    // Phase 0 again, after phase 1's pause (0.52 s -> 11 steps) from the last shot, 7 steps ago.
    gun->StartFire();
    EXPECT_EQ((std::vector<s32>{4, 7, 10, 13}), ShotSteps(14));
}

TEST_F(LauncherTest, TheNpcGunFiresForItsShooterAlongItsMountFrame)
{
    SIM_GetSimulationClock().SetTime(10.0f);
    TST_Turret* turret = Owner<TST_Turret>(MAT_Vector3(100.0f, 200.0f, 300.0f));
    TOOL_NPCGunDescription description;
    description.bulletType = 2;
    NOD_NPC_Gun* gun = Gun(turret, description);
    gun->StartFire();
    m_world->Step();
    const std::vector<NOD_Bullet*> bullets = NewBullets();
    ASSERT_EQ(1u, bullets.size());
    NOD_Bullet* bullet = bullets[0];
    EXPECT_EQ(turret, bullet->GetShooter());
    EXPECT_EQ(2, bullet->GetBulletType());
    // The gun's frame is the turret's turning part: 10 up, looking along -x.
    const MAT_Matrix34& start = *bullet->GetCS().GetTrack().GetAt(bullet->GetLaunchTime(), nullptr);
    EXPECT_NEAR(100.0f, start.t.x, 1e-4f);
    EXPECT_NEAR(200.0f, start.t.y, 1e-4f);
    EXPECT_NEAR(310.0f, start.t.z, 1e-4f);
    const MAT_Vector3 velocity = bullet->GetMotionState().GetVelocity();
    EXPECT_NEAR(-TOOL_SPAWNER_BULLET_SPEEDS[2], velocity.x, 1e-3f);
    EXPECT_NEAR(0.0f, velocity.y, 1e-3f);

    // Without a shooter, or once the shooter is gone, nothing more is fired.
    gun->StopFire();
    gun->SetShooter(nullptr);
    gun->StartFire();
    EXPECT_EQ(std::vector<s32>(), ShotSteps(60));
    TST_OwnerBody* other = Owner(MAT_Vector3());
    gun->SetShooter(other);
    gun->StartFire();
    EXPECT_EQ(1u, ShotSteps(2).size());
    Remove(other);
    EXPECT_EQ(nullptr, gun->GetFiring());
    EXPECT_EQ(std::vector<s32>(), ShotSteps(60));
}

TEST_F(LauncherTest, TheTorpedoLauncherFiresFromItsOwnerAndCountsTorpedoesPerTarget)
{
    const MAT_Vector3 velocity(0.0f, 3.0f, 0.0f);
    TST_OwnerBody* owner = Owner(MAT_Vector3(0.0f, 0.0f, 50.0f), velocity);
    TOOL_TorpedoLauncherDescription description;
    description.torpedoType = 1;
    NOD_TorpedoLauncher* launcher =
        Read<NOD_TorpedoLauncher>("NOD_TorpedoLauncher", TOOL_TorpedoLauncherDescriptionText(description));
    launcher->SetOwner(owner);
    owner->Adopt(launcher);
    TST_OwnerBody* target = Owner(MAT_Vector3(0.0f, 500.0f, 50.0f));
    NOD_Body* plain = NOD_Body::DynamicCast(m_world->root->AddSon(NOD_Node::CreateNode("NOD_Body", "plain")));

    // Without a target a torpedo is always fired, from the launcher's frame.
    NOD_Torpedo* first = launcher->Fire(nullptr);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, m_world->root->GetSon(m_world->root->GetNumOfSons() - 1));
    EXPECT_EQ(owner, first->GetShooter());
    EXPECT_EQ(1, first->GetTorpedoType());
    EXPECT_EQ(nullptr, first->GetTarget());
    EXPECT_EQ(50.0f, first->GetWorldTransform(m_world->Now())->t.z);

    // A target takes two torpedoes at a time, counted over every launcher.
    NOD_Torpedo* second = launcher->Fire(target);
    NOD_Torpedo* third = launcher->Fire(target);
    ASSERT_NE(nullptr, second);
    ASSERT_NE(nullptr, third);
    EXPECT_EQ(target, second->GetTarget());
    EXPECT_EQ(1, target->GetTorpedoSlots()->Contains(second));
    EXPECT_EQ(1, target->GetTorpedoSlots()->Contains(third));
    const u16 sons = m_world->root->GetNumOfSons();
    EXPECT_EQ(nullptr, launcher->Fire(target));
    // A body that keeps no torpedo slots cannot be a target.
    EXPECT_EQ(nullptr, launcher->Fire(plain));
    EXPECT_EQ(sons, m_world->root->GetNumOfSons());
    // A torpedo gone frees its place.
    Remove(second);
    EXPECT_NE(nullptr, launcher->Fire(target));
}

TEST_F(LauncherTest, TheBuzzerLauncherDrawsTumbleThenSignsThenSpeed)
{
    const MAT_Vector3 ownerVelocity(1.0f, 2.0f, 0.0f);
    TST_OwnerBody* owner = Owner(MAT_Vector3(0.0f, 0.0f, 40.0f), ownerVelocity);
    TOOL_BuzzerLauncherDescription description;
    description.meanEjectVelocity = 6.0f;
    description.devEjectVelocity = 2.0f;
    description.meanTumblingVelocity = 1.0f;
    description.devTumblingVelocity = 3.0f;
    NOD_BuzzerLauncher* launcher =
        Read<NOD_BuzzerLauncher>("NOD_BuzzerLauncher", TOOL_BuzzerLauncherDescriptionText(description));
    launcher->SetOwner(owner);
    owner->Adopt(launcher);
    MAT_Random& random = m_world->scene->simulation->random;
    // Eight launches: each sign has one chance in two, so an order slip shows.
    for (s32 launch = 0; launch < 8; ++launch) {
        SCOPED_TRACE(launch);
        MAT_Random reference = random;
        f32 a = reference.Gaussian(1.0f, 3.0f);
        f32 b = reference.Gaussian(1.0f, 3.0f);
        f32 c = reference.Gaussian(1.0f, 3.0f);
        if ((f64)reference.Next() * MAT_RANDOM_UNIT > 0.5)
            c = -c;
        if ((f64)reference.Next() * MAT_RANDOM_UNIT > 0.5)
            b = -b;
        if ((f64)reference.Next() * MAT_RANDOM_UNIT > 0.5)
            a = -a;
        const f32 eject = reference.Gaussian(6.0f, 2.0f);

        NOD_Buzzer* buzzer = launcher->Launch();
        ASSERT_NE(nullptr, buzzer);
        EXPECT_EQ(reference.Next(), random.Next());
        reference.Next();
        const MOT_MotionState& state = buzzer->GetState();
        EXPECT_EQ(c, state.rotation[MOT_MotionState::PITCH].rate);
        EXPECT_EQ(b, state.rotation[MOT_MotionState::ROLL].rate);
        EXPECT_EQ(a, state.rotation[MOT_MotionState::HEADING].rate);
        // Backwards out of the owner (forward is +y), with the owner's own velocity.
        const MAT_Vector3 velocity = state.GetVelocity();
        EXPECT_FLOAT_EQ(ownerVelocity.x, velocity.x);
        EXPECT_FLOAT_EQ(-eject + ownerVelocity.y, velocity.y);
        EXPECT_FLOAT_EQ(0.0f, velocity.z);
        Remove(buzzer);
    }
}

TEST_F(LauncherTest, LaunchersHangOnTheirFatherBodyAndFollowIt)
{
    TST_Turret* turret = Owner<TST_Turret>(MAT_Vector3(5.0f, 6.0f, 7.0f), MAT_Vector3(0.0f, 0.0f, 4.0f));
    // A local frame 2 ahead of its father.
    TOOL_ChildSection child;
    child.translation[1] = 2.0f;
    NOD_TorpedoLauncher* launcher = Read<NOD_TorpedoLauncher>(
        "NOD_TorpedoLauncher", TOOL_TorpedoLauncherDescriptionText(TOOL_TorpedoLauncherDescription()), child);
    turret->Adopt(launcher);
    EXPECT_TRUE(launcher->IsInSimulation());
    m_world->Steps(10);
    // On the turret's body frame, not its turning part, moving on with it.
    const MAT_Vector3 position = launcher->GetWorldTransform(m_world->Now())->t;
    const MAT_Vector3 turretPosition = turret->GetWorldTransform(m_world->Now())->t;
    EXPECT_NEAR(turretPosition.x, position.x, 1e-4f);
    EXPECT_NEAR(turretPosition.y + 2.0f, position.y, 1e-4f);
    EXPECT_NEAR(turretPosition.z, position.z, 1e-4f);
    EXPECT_GT(turretPosition.z, 7.0f + 1.9f);
    delete launcher->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(launcher->IsInSimulation());
}
}  // namespace
