// The player: its description and the fatal texts, the steering commands, thrust and banking,
// weapons, the messages it answers in its own way, and its box.
#include "nod_player.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "brisel_cache.h"
#include "brisel_mesh.h"
#include "cod_sensor.h"
#include "con_cache.h"
#include "mat_fixture.h"
#include "nod_buzzer.h"
#include "nod_gun.h"
#include "nod_launcher.h"
#include "nod_message.h"
#include "nod_torpedo.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "spawn_fixture.h"
#include "test_dir.h"
#include "tools_guns.h"
#include "tools_player.h"

namespace
{
constexpr const char* FILE_NAME = "osd/player/player.osd";
constexpr f32 HALF_PI = 1.5707964f;
}  // namespace

class NodPlayerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const auto& file : TOOL_PlayerFiles())
            m_dir.Write(file.first, file.second);
        ASSERT_EQ(1u, TOOL_WriteGunFiles(m_dir.Path()));
        m_dir.Write("vfx/osd/player/cockpit.osd", TOOL_CockpitDescriptionText({}));
        try {
            m_world.reset(new TST_SpawnWorld(m_dir));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
    }
    void TearDown() override { m_world.reset(); }

    // A description with the launchers and the cockpit.
    static TOOL_PlayerDescription Armed()
    {
        TOOL_PlayerDescription description;
        description.children = TOOL_PlayerChildren("osd/player/cockpit.osd");
        return description;
    }

    // "/player1" read from _description, under the root, entered unless told otherwise.
    NOD_Player* Make(const TOOL_PlayerDescription& _description = TOOL_PlayerDescription(), bool _enter = true)
    {
        m_dir.Write(std::string("vfx/") + FILE_NAME, TOOL_PlayerDescriptionText(_description));
        NOD_Player* player = NOD_Player::DynamicCast(NOD_Node::CreateNode("NOD_Player", "player1"));
        m_world->root->AddSon(player);
        player->ParseIniFile_File(FILE_NAME);
        if (_enter)
            delete player->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return player;
    }

    static void Input(NOD_Player* _player, const char* _command, u32 _pressed, f32 _value = 0.0f)
    {
        delete _player->ProcessMessage(NOD_Player_Input::Create(SIM_Name(_command), _pressed, _value));
    }
    static void Add(NOD_Player* _player, const char* _weapon)
    {
        delete _player->ProcessMessage(NOD_Player_AddWeapon::Create(SIM_Name(_weapon)));
    }

    template <class T>
    s32 Count() const
    {
        s32 count = 0;
        for (s32 i = 0; i < (s32)m_world->root->GetNumOfSons(); ++i)
            if (T::DynamicCast(m_world->root->GetSon(i)) != nullptr)
                ++count;
        return count;
    }

    bool Logged(const std::string& _line) const
    {
        return m_dir.Exists("log.txt") && m_dir.Read("log.txt").find(_line + "\n") != std::string::npos;
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_SpawnWorld> m_world;
};

TEST_F(NodPlayerTest, TheDescriptionFillsThePlayerAndItsFixedParts)
{
    TOOL_PlayerDescription description = Armed();
    description.vMax = 80.0f;
    description.acceleration = 25.0f;
    description.friction[0] = 0.5f;
    description.friction[1] = 0.25f;
    description.friction[2] = 0.125f;
    NOD_Player* player = Make(description);

    EXPECT_EQ(80.0f, player->GetVMax());
    EXPECT_EQ(25.0f, player->GetAcceleration());
    const MOT_Friction& friction = player->GetFriction();
    EXPECT_EQ(7u, friction.flags);
    EXPECT_EQ(0.5f, friction.c[0]);
    EXPECT_EQ(0.25f, friction.c[1]);
    EXPECT_EQ(0.125f, friction.c[2]);
    EXPECT_EQ(0x27u, player->GetMotionState().flags);
    EXPECT_EQ(0, player->GetRenderBucket());
    EXPECT_EQ(2.0f, player->GetMass());

    // The visual is the fixed one, whatever the description names; it breaks into pieces.
    CON_Cache<Brisel_Mesh>* visuals = m_world->cache->GetVisualCache();
    ASSERT_NE(0, player->GetVisualHandle());
    EXPECT_STREQ("pla_zaredodoviv.ash", visuals->GetName(player->GetVisualHandle()));
    EXPECT_EQ(TOOL_PLAYER_SHRAPNELS, visuals->Get(player->GetVisualHandle())->GetRenderMeshCount());
    EXPECT_NE(0, player->GetMeshHandle());

    // The launchers are found by name and fire for the player.
    ASSERT_NE(nullptr, player->GetTorpedoLauncher());
    ASSERT_NE(nullptr, player->GetBuzzerLauncher());
    EXPECT_EQ(player, player->GetTorpedoLauncher()->GetOwner());
    EXPECT_EQ(player, player->GetBuzzerLauncher()->GetOwner());

    COD_Sensor* sensor = player->GetSensor();
    ASSERT_NE(nullptr, sensor);
    EXPECT_EQ(sensor, player->GetAggregate().GetSensor4());
    EXPECT_NE(0u, sensor->m_flags & COD_SENSOR_SEEING);
    EXPECT_EQ(0u, sensor->m_flags & COD_SENSOR_VISIBILITY_TESTED);
    EXPECT_EQ(300.0f, sensor->m_seeingRange);
    EXPECT_FLOAT_EQ(std::cos(0.2617994f), sensor->m_coneCosine);

    EXPECT_EQ(6, player->GetAttackerSlots()->GetCapacity());
    EXPECT_EQ(2, player->GetTorpedoSlots()->GetCapacity());
    EXPECT_EQ(NOD_PART_REGISTERED, player->GetAggregate().GetState(NOD_PART_PHYSICAL));
}

TEST_F(NodPlayerTest, TheBumpSampleHoldsOneReferenceUntilThePlayerGoes)
{
    NOD_Player* player = Make();
    const SND_SampleInfo& bump = player->GetBumpSound();
    CON_Cache<SND_Sample>* samples = m_world->cache->GetSampleCache();
    const s32 handle = bump.GetSample();
    ASSERT_NE(0, handle);
    EXPECT_STREQ("pb_07.wav", samples->GetName(handle));
    EXPECT_EQ(1, samples->GetReferenceCount(handle));
    EXPECT_EQ(22050, bump.GetFreq());
    EXPECT_EQ(2205, bump.GetFreqRnd());
    EXPECT_EQ(255, bump.GetVol());
    EXPECT_EQ(25, bump.GetVolRnd());

    const s32 visual = player->GetVisualHandle();
    delete player->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    delete player;
    EXPECT_EQ(0, samples->GetReferenceCount(handle));
    EXPECT_EQ(0, m_world->cache->GetVisualCache()->GetReferenceCount(visual));
}

TEST_F(NodPlayerTest, BrokenDescriptionsStopWithTheirTexts)
{
    const std::string file = std::string("vfx\\") + FILE_NAME;
    auto section = [&](const char* _where, const char* _section) {
        return std::string("(") + _where + "): Get [\"" + _section + "\"] in file \"" + file + "\" failed";
    };
    struct Case
    {
        const char* omitSection;
        f32 vMax;
        const char* caption;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"Visual", 50.0f, "DES FILE ERROR", section("NOD_Player::ParseIniFile()", "Visual")},
        {"Control", 50.0f, "DES FILE ERROR", section("NOD_Vessel::ParseIniFile()", "Control")},
        {"PlayerControl", 50.0f, "DES FILE ERROR", section("NOD_Player::ParseIniFile()", "PlayerControl")},
        {"Collision", 50.0f, "DES FILE ERROR", section("NOD_Player::ParseIniFile()", "Collision")},
        {"Avoidance", 50.0f, "DES FILE ERROR", section("NOD_Player::ParseIniFile()", "Avoidance")},
        {"Emitter", 50.0f, "DES FILE ERROR", section("NOD_Player::ParseIniFile()", "Emitter")},
        {"Shield", 50.0f, "DES FILE ERROR", section("NOD_ShieldedBody::ParseIniFile()", "Shield")},
        // No speed ratio without a positive top speed.
        {"", 0.0f, "DES FILE ERROR",
         "(NOD_Player::ParseIniFile()): [\"Control\"] VMax = 0 in file \"" + file + "\" must be above 0"},
        {"", -5.0f, "DES FILE ERROR",
         "(NOD_Player::ParseIniFile()): [\"Control\"] VMax = -5 in file \"" + file + "\" must be above 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TOOL_PlayerDescription description;
        description.omitSection = c.omitSection;
        description.vMax = c.vMax;
        EXPECT_FATAL(Make(description, false), c.caption, c.text.c_str());
        delete m_world->root->GetSon(m_world->root->GetNumOfSons() - 1);
    }

    TOOL_PlayerDescription missing;
    missing.omitKey = "EngineDynamicC";
    EXPECT_FATAL(Make(missing, false), "DesFile Error",
                 ("data \"EngineDynamicC\" not found in file \"" + file + "\"").c_str());
}

TEST_F(NodPlayerTest, TheSteeringCommandsFollowTheirTable)
{
    struct Command
    {
        const char* command;
        u32 pressed;
        f32 value;
    };
    struct Case
    {
        const char* what;
        std::vector<Command> inputs;
        f32 heading;
        f32 pitch;
        s32 keyboard;
    };
    const std::vector<Case> cases = {
        {"left held", {{"turnleft", 1, 0.0f}}, HALF_PI, 0.0f, 1},
        {"left, right, left up, right up",
         {{"turnleft", 1, 0.0f}, {"turnright", 1, 0.0f}, {"turnleft", 0, 0.0f}, {"turnright", 0, 0.0f}},
         0.0f,
         0.0f,
         1},
        {"left, right, right up: left again",
         {{"turnleft", 1, 0.0f}, {"turnright", 1, 0.0f}, {"turnright", 0, 0.0f}},
         HALF_PI,
         0.0f,
         1},
        {"nose up and down, case ignored", {{"NoseUp", 1, 0.0f}, {"NOSEDOWN", 1, 0.0f}}, 0.0f, -HALF_PI, 1},
        {"head 0.5 after left; left up ignored",
         {{"turnleft", 1, 0.0f}, {"head", 1, 0.5f}, {"turnleft", 0, 0.0f}, {"turnright", 1, 0.0f}},
         -0.7853982f,
         0.0f,
         0},
        {"pitch ends the keys too", {{"pitch", 1, -0.5f}, {"noseup", 1, 0.0f}}, 0.0f, -0.7853982f, 0},
        {"throttle and unknown commands change nothing", {{"throttle", 1, 1.0f}, {"warp", 1, 1.0f}}, 0.0f, 0.0f, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NOD_Player* player = Make();
        for (const Command& input : c.inputs)
            Input(player, input.command, input.pressed, input.value);
        EXPECT_FLOAT_EQ(c.heading, player->GetRequestedHeadingRate());
        EXPECT_FLOAT_EQ(c.pitch, player->GetRequestedPitchRate());
        EXPECT_EQ(c.keyboard, player->IsKeyboardSteering());
        EXPECT_EQ(0, player->IsEngineOn());
        delete player->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        delete player;
    }
    EXPECT_TRUE(Logged("player \"player1\" received illegal input \"warp\""));
}

TEST_F(NodPlayerTest, ThrustFollowsTheCurveAndBrakesHarder)
{
    TOOL_PlayerDescription description;
    description.vMax = 50.0f;
    description.acceleration = 10.0f;
    description.engineDynamic[0] = 1.0f;
    description.engineDynamic[1] = 2.0f;
    description.engineDynamic[2] = 3.0f;
    description.engineDynamic[3] = 4.0f;
    NOD_Player* player = Make(description);
    // u = 0.2: (0.512 x 1 + 0.384 x 2 + 0.096 x 3 + 0.008 x 4) x 10.
    const f32 curve = 10.0f * (0.512f + 0.768f + 0.288f + 0.032f);

    Input(player, "incspeed", 1);
    EXPECT_EQ(1, player->IsEngineOn());
    EXPECT_EQ(50.0f, player->GetThrottle());
    EXPECT_NEAR(curve, player->Thrust(10.0f), 1e-4f);
    EXPECT_NEAR(1.4f * curve, player->Thrust(-10.0f), 1e-4f) << "forward while moving back brakes";
    // Above the top speed the curve's far end holds.
    EXPECT_FLOAT_EQ(40.0f, player->Thrust(120.0f));
    EXPECT_FLOAT_EQ(1.4f * 40.0f, player->Thrust(-120.0f));

    Input(player, "decspeed", 1);
    EXPECT_EQ(-50.0f, player->GetThrottle());
    EXPECT_NEAR(-1.4f * curve, player->Thrust(10.0f), 1e-4f) << "backward while moving forward brakes";
    EXPECT_NEAR(-curve, player->Thrust(-10.0f), 1e-4f);

    Input(player, "decspeed", 0);
    EXPECT_EQ(0, player->IsEngineOn());
    EXPECT_EQ(0.0f, player->GetThrottle());
}

TEST_F(NodPlayerTest, TheEnginePushesAlongTheNose)
{
    NOD_Player* player = Make();
    MAT_Matrix34 frame = TST_TranslationFrame(0.0f, 0.0f, 100.0f);
    frame.r.FromAngles(MAT_Angle(HALF_PI), MAT_Angle(0.0f), MAT_Angle(0.0f));  // nose along -x
    player->SetTransform(m_world->Now(), frame);
    Input(player, "incspeed", 1);
    m_world->Steps(10);
    MAT_Vector3 velocity;
    player->GetVelocity(&velocity);
    EXPECT_LT(velocity.x, -1.0f);
    EXPECT_NEAR(0.0f, velocity.y, 1e-3f);
    EXPECT_LT(player->GetWorldTransform(m_world->Now())->t.x, 0.0f);

    Input(player, "incspeed", 0);
    const f32 moving = velocity.x;
    m_world->Steps(10);
    player->GetVelocity(&velocity);
    EXPECT_GT(velocity.x, moving) << "friction slows it once the engine is off";
}

TEST_F(NodPlayerTest, TurnsAreSmoothedAndTheVesselBanksIntoThem)
{
    NOD_Player* player = Make();
    Input(player, "head", 1, 1.0f);
    m_world->Step();
    const f32 dt = SIM_GetSimulationClock().dt;
    const f32 smoothed = -HALF_PI * dt / (0.1f + dt);
    EXPECT_FLOAT_EQ(smoothed, player->GetSmoothedHeadingRate());
    const MOT_MotionState& state = player->GetMotionState();
    EXPECT_NEAR(smoothed, state.rotation[MOT_MotionState::HEADING].rate, 1e-5f);
    EXPECT_NEAR(-6.0f * dt * smoothed, state.rotation[MOT_MotionState::ROLL].angle.Get(), 1e-5f);
    EXPECT_LT(state.rotation[MOT_MotionState::HEADING].angle.Get(), 0.0f);

    m_world->Steps(60);
    EXPECT_NEAR(-HALF_PI, player->GetSmoothedHeadingRate(), 1e-3f);
}

TEST_F(NodPlayerTest, WeaponsFillThreeSlotsAndTheFirstIsActive)
{
    NOD_Player* player = Make();
    Add(player, "FLAK");
    Add(player, "plasma1");
    Add(player, "nuke");
    Add(player, "vendetta2");
    Add(player, "sizzler");
    ASSERT_NE(nullptr, player->GetGun(0));
    ASSERT_NE(nullptr, player->GetGun(1));
    ASSERT_NE(nullptr, player->GetGun(2));
    EXPECT_STREQ("FLAK", player->GetGun(0)->GetName().GetName());
    EXPECT_STREQ("plasma1", player->GetGun(1)->GetName().GetName());
    EXPECT_STREQ("vendetta2", player->GetGun(2)->GetName().GetName());
    EXPECT_EQ(nullptr, player->Find(SIM_Path("sizzler"))) << "the fourth weapon is ignored";
    EXPECT_TRUE(Logged("NOD_Player::PM_AddWeapon() - unknown weapon 'nuke'"));

    EXPECT_EQ(0, player->GetCurrentGun());
    EXPECT_EQ(NOD_Gun::STATE_ACTIVATING, player->GetGun(0)->GetState());
    EXPECT_EQ(NOD_Gun::STATE_IDLE, player->GetGun(1)->GetState());
    for (s32 i = 0; i < 3; ++i) {
        NOD_Gun* gun = player->GetGun(i);
        EXPECT_EQ(player, gun->GetFather());
        EXPECT_EQ(player, gun->GetOwner());
        EXPECT_TRUE(gun->IsInSimulation());
        TST_ExpectNear(MAT_Vector3(0.0f, 10.0f, 0.0f), gun->GetMuzzleFrame().t, 0.0f, "muzzle");
    }
}

TEST_F(NodPlayerTest, CyclegunMovesOnlyToASlotHoldingAGun)
{
    NOD_Player* player = Make();
    Input(player, "cyclegun", 1);
    EXPECT_EQ(0, player->GetCurrentGun()) << "no gun at all";
    Add(player, "flak");
    Input(player, "cyclegun", 1);
    EXPECT_EQ(0, player->GetCurrentGun()) << "no other gun";

    Add(player, "plasma2");
    Input(player, "cyclegun", 1);
    EXPECT_EQ(1, player->GetCurrentGun());
    EXPECT_EQ(NOD_Gun::STATE_DEACTIVATING, player->GetGun(0)->GetState());
    EXPECT_EQ(NOD_Gun::STATE_ACTIVATING, player->GetGun(1)->GetState());
    // Slot 2 is empty: it is passed over on the way back to slot 0.
    Input(player, "cyclegun", 0);
    EXPECT_EQ(0, player->GetCurrentGun());
    EXPECT_EQ(NOD_Gun::STATE_ACTIVATING, player->GetGun(0)->GetState());
    EXPECT_EQ(NOD_Gun::STATE_DEACTIVATING, player->GetGun(1)->GetState());
}

TEST_F(NodPlayerTest, FireAndLaunchCommandsReachTheirWeapons)
{
    NOD_Player* player = Make(Armed());
    Input(player, "pfire", 1);  // no gun yet: nothing
    Add(player, "lasergatlin");
    NOD_Gun* gun = player->GetGun(0);
    m_world->Steps(40);  // swung into its working place
    Input(player, "pfire", 1);
    EXPECT_EQ(1u, gun->IsPrimaryOn());
    Input(player, "pfire", 0);
    EXPECT_EQ(0u, gun->IsPrimaryOn());
    Input(player, "sfire", 1);
    EXPECT_EQ(1u, gun->IsSecondaryOn());
    Input(player, "sfire", 0);
    EXPECT_EQ(0u, gun->IsSecondaryOn());

    // Launch and eject act on the release too.
    Input(player, "launch", 1);
    Input(player, "launch", 0);
    EXPECT_EQ(2, Count<NOD_Torpedo>());
    Input(player, "ejectbuzzer", 1);
    EXPECT_EQ(1, Count<NOD_Buzzer>());
}

TEST_F(NodPlayerTest, LaunchCommandsWithoutLaunchersAreIgnored)
{
    NOD_Player* player = Make();
    EXPECT_EQ(nullptr, player->GetTorpedoLauncher());
    Input(player, "launch", 1);
    Input(player, "ejectbuzzer", 1);
    EXPECT_EQ(0, Count<NOD_Torpedo>());
    EXPECT_EQ(0, Count<NOD_Buzzer>());
}

TEST_F(NodPlayerTest, ALauncherThatDiedIsNoLongerUsed)
{
    NOD_Player* player = Make(Armed());
    delete player->Find(SIM_Path("torlaunch"));
    delete player->Find(SIM_Path("buzzlaunch"));
    EXPECT_EQ(nullptr, player->GetTorpedoLauncher());
    EXPECT_EQ(nullptr, player->GetBuzzerLauncher());
    Input(player, "launch", 1);
    Input(player, "ejectbuzzer", 1);
    EXPECT_EQ(0, Count<NOD_Torpedo>());
    EXPECT_EQ(0, Count<NOD_Buzzer>());
}

TEST_F(NodPlayerTest, AWeaponWhoseDescriptionFailsStopsAndLeavesNoNode)
{
    NOD_Player* player = Make();
    TOOL_Gun broken = TOOL_WeaponGun("flak");
    broken.omitSection = "Muzzle";
    m_dir.Write("vfx/osd/weapon/gun_flak.osd", TOOL_GunText(broken));
    bool stopped = false;
    try {
        Add(player, "flak");
    } catch (const OS_FatalError&) {
        stopped = true;
    }
    EXPECT_TRUE(stopped);
    EXPECT_EQ(nullptr, player->GetGun(0));
    EXPECT_EQ(nullptr, player->Find(SIM_Path("flak")));
}

TEST_F(NodPlayerTest, OrientationComesInRadiansAndPositionKeepsIt)
{
    NOD_Player* player = Make();
    delete player->ProcessMessage(NOD_Body_SetPosition::Create(MAT_Vector3(10.0f, 20.0f, 30.0f)));
    delete player->ProcessMessage(NOD_Body_SetOrientation::Create(MAT_Vector3(0.0f, 0.0f, HALF_PI)));
    const f32 now = m_world->Now();
    const MAT_Matrix34& frame = *player->GetWorldTransform(now);
    TST_ExpectNear(MAT_Vector3(10.0f, 20.0f, 30.0f), frame.t, 0.0f, "position kept");
    MAT_Matrix33 expected;
    expected.FromAngles(MAT_Angle(0.0f), MAT_Angle(0.0f), MAT_Angle(HALF_PI));
    for (s32 axis = 0; axis < 3; ++axis)
        TST_ExpectNear(expected.GetAxis(axis), frame.r.GetAxis(axis), 1e-6f, "turned by 90 degrees");
    TST_ExpectNear(MAT_Vector3(10.0f, 20.0f, 30.0f), player->GetMotionState().frame.t, 0.0f, "state placed");

    // Another body takes the same numbers as degrees.
    NOD_Body* body = NOD_Body::DynamicCast(m_world->root->AddSon(NOD_Node::CreateNode("NOD_Body", "plain")));
    delete body->ProcessMessage(NOD_Body_SetOrientation::Create(MAT_Vector3(0.0f, 0.0f, HALF_PI)));
    EXPECT_GT(body->GetWorldTransform(now)->r.GetAxis(0).x, 0.999f);
}

TEST_F(NodPlayerTest, TheShieldTakesHitsButThePlayerNeverDies)
{
    NOD_Player* player = Make();
    delete player->ProcessMessage(NOD_Body_SetKineticShield::Create((s8)-1, 0.0f));
    ASSERT_NE(0u, player->GetShield()->IsExhausted());
    m_world->Steps(3);
    EXPECT_EQ(player, m_world->Find("/player1"));
}

TEST_F(NodPlayerTest, TheBoxAndCentreComeFromTheMesh)
{
    NOD_Player* player = Make();
    player->SetTransform(m_world->Now(), TST_TranslationFrame(5.0f, 6.0f, 7.0f));
    f32 box[6];
    player->GetBoundingBox(box, m_world->Now());
    const f32 half[3] = {TOOL_PLAYER_WIDTH * 0.5f, TOOL_PLAYER_LENGTH * 0.5f, TOOL_PLAYER_HEIGHT * 0.5f};
    const f32 at[3] = {5.0f, 6.0f, 7.0f};
    for (s32 i = 0; i < 3; ++i) {
        EXPECT_NEAR(at[i] - half[i], box[i], 1e-4f);
        EXPECT_NEAR(at[i] + half[i], box[i + 3], 1e-4f);
    }
    MAT_Vector3 centre;
    player->GetMatrixAtTime(&centre, m_world->Now());
    TST_ExpectNear(MAT_Vector3(5.0f, 6.0f, 7.0f), centre, 1e-4f, "centre");
}
