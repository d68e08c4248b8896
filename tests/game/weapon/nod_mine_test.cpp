// Mines in a run with the real collision system over a flat ground: what the description sets,
// the fatal texts, the two Out sets, the seeded swing, the target choice as a table, the chase,
// the explosion with its debris, and the messages the guard and the body take.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cod_emitter.h"
#include "cod_sensor.h"
#include "con_cache.h"
#include "crt_rand.h"
#include "launch_fixture.h"
#include "nod_debris.h"
#include "nod_mine.h"
#include "reb_mesh.h"
#include "tools_mine.h"
#include "weapon_fixture.h"

namespace
{
constexpr const char* FILE_NAME = "osd/m.osd";
constexpr f32 TWO_PI = 6.2831855f;

// A mine whose script thread records what it is sent, into a list that outlives it.
class TST_RecordingMine : public NOD_Mine
{
public:
    NOD_Message* SendToThread(NOD_Message* _message, u32 _queued) override
    {
        const NOD_MessagePrototype* prototype = NOD_MessagePrototype::Find(_message->GetType());
        if (sent != nullptr)
            sent->push_back(std::string(prototype->GetName()) + (_queued != 0 ? " queued" : " at once"));
        delete _message;
        return nullptr;
    }

    std::vector<std::string>* sent = nullptr;
};

class NodMineTest : public TST_LaunchTest
{
protected:
    void SetUp() override
    {
        MakeWorld();
        for (const auto& file : TOOL_MineFiles())
            m_dir.Write(file.first, file.second);
    }

    // A mine read from _description (deleted when the reading stops), placed at _position.
    TST_RecordingMine* Read(const TOOL_MineDescription& _description, const MAT_Vector3& _position = MAT_Vector3())
    {
        m_dir.Write(std::string("vfx/") + FILE_NAME, TOOL_MineDescriptionText(_description));
        TST_RecordingMine* mine = new TST_RecordingMine;
        mine->SetName("mine");
        mine->sent = &m_sent;
        mine->GetCS().SetState(m_world->Now(), TST_FrameAt(_position));
        try {
            mine->ParseIniFile_File(FILE_NAME);
        } catch (const OS_FatalError&) {
            delete mine;
            throw;
        }
        return mine;
    }

    // A mine read and entered as the root's last son.
    TST_RecordingMine* Place(const TOOL_MineDescription& _description, const MAT_Vector3& _position)
    {
        TST_RecordingMine* mine = Read(_description, _position);
        m_world->root->AddSon(mine);
        delete mine->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return mine;
    }

    // A description whose mine does not touch what it chases: tests of steering alone.
    static TOOL_MineDescription Untouchable()
    {
        TOOL_MineDescription d;
        d.collision.active = 0;
        return d;
    }

    static void Send(NOD_Node* _node, NOD_Message* _message) { delete _node->ProcessMessage(_message); }

    // A body out of the simulation and the tree, and gone.
    void Remove(NOD_Node* _body)
    {
        Send(_body, NOD_Node_LeaveSimulation::Create());
        m_world->root->SubSon(_body);
        delete _body;
    }

    static u8 IsActive(NOD_Node* _mine)
    {
        NOD_Message* reply = _mine->ProcessMessage(NOD_Mine_IsActive::Create());
        u8 active = 9;
        NOD_Mine_IsActive::ReadReply(reply, &active);
        delete reply;
        return active;
    }

    static void ExpectOut(NOD_Mine* _mine, s32 _kinetic, s32 _emp, s32 _bio)
    {
        EXPECT_EQ(_kinetic, _mine->GetShieldRef().GetKineticOut());
        EXPECT_EQ(_emp, _mine->GetShieldRef().GetEmpOut());
        EXPECT_EQ(_bio, _mine->GetShieldRef().GetBioOut());
    }

    std::vector<std::string> m_sent;

    std::vector<NOD_Debris*> Debris() const
    {
        std::vector<NOD_Debris*> found;
        for (s32 i = 0; i < m_world->root->GetNumOfSons(); ++i)
            if (NOD_Debris* debris = NOD_Debris::DynamicCast(m_world->root->GetSon(i)))
                found.push_back(debris);
        return found;
    }
};

TEST_F(NodMineTest, TheDescriptionSetsModelSensorAndGuard)
{
    TOOL_MineDescription d;
    d.vMax = 6.0f;
    d.movingActivationRange = 150.0f;  // larger than the deactivation range: the sensor takes it
    d.movingDeactivationRange = 90.0f;
    d.swingAlphaFrequenz = 0.5f;
    d.swingAlphaAmplitude = 30.0f;
    d.swingPositionFrequenz = 0.25f;
    d.control.turnFriction[0] = 0.7f;
    d.shield.faceIn[SHL_FACE_LEFT] = 10;
    std::unique_ptr<NOD_Mine> mine(Read(d));

    EXPECT_EQ(0, mine->GetRenderBucket());
    EXPECT_EQ(6.0f, mine->GetMaxVelocity());
    EXPECT_EQ(150.0f, mine->GetActivationRange());
    EXPECT_EQ(90.0f, mine->GetDeactivationRange());
    EXPECT_EQ(0.5f * TWO_PI, mine->GetHeadingFrequency());
    EXPECT_EQ(30.0f * 0.017453292f, mine->GetHeadingAmplitude());
    EXPECT_EQ(0.25f * TWO_PI, mine->GetPositionFrequency());
    EXPECT_EQ(2.0f, mine->GetPositionAmplitude().z);
    EXPECT_EQ(1u, mine->IsActive());
    EXPECT_EQ(0u, mine->IsTargetLatched());

    // Free translation, mode-4 rotation; the translation damped at 0.2, the turn as described.
    MOT_Vessel& model = mine->GetModel();
    EXPECT_EQ(0x27u, model.State.flags);
    EXPECT_EQ(0x1c7u, model.Friction.flags & 0x1c7u);
    for (s32 i = 0; i < 6; ++i)
        EXPECT_EQ(0.2f, model.Friction.c[i]) << i;
    EXPECT_EQ(0.7f, model.Friction.c[6]);

    // Hearing alone, at least "silent", within the larger range, in one list of 50.
    const COD_Sensor* sensor = mine->GetAggregate().GetSensor3();
    ASSERT_NE(nullptr, sensor);
    EXPECT_EQ(150.0f, sensor->m_hearingRange);
    EXPECT_EQ(COD_SOUND_SILENT, sensor->m_minSoundLevel);
    EXPECT_EQ(COD_SENSOR_ACTIVE | COD_SENSOR_HEARING, sensor->m_flags);
    EXPECT_EQ(NOD_Mine::HEARD_CAPACITY, sensor->m_heardCapacity);
    EXPECT_EQ(0, sensor->m_seenCapacity + sensor->m_presentCapacity + sensor->m_blockingCapacity);

    // The other parts, the guard alone in the state list and inactive, the snapshot taken.
    const ContactAggregate& aggregate = mine->GetAggregate();
    EXPECT_EQ(NOD_CONTACT_VESSEL, aggregate.GetKind());
    EXPECT_NE(nullptr, aggregate.GetObstacle());
    EXPECT_EQ(nullptr, aggregate.GetAvoider());
    EXPECT_NE(nullptr, aggregate.GetEmitter());
    EXPECT_NE(nullptr, aggregate.GetShadowCaster());
    EXPECT_NE(nullptr, aggregate.GetShadowReceiver());
    EXPECT_NE(nullptr, aggregate.GetVisibleObject());
    ASSERT_EQ(1, mine->GetStates().GetCount());
    EXPECT_EQ(0, mine->GetStates().GetCode(0));
    EXPECT_EQ(0.25f, mine->GetFaceRatioSnapshot()[SHL_FACE_LEFT]);
    EXPECT_EQ(1.0f, mine->GetFaceRatioSnapshot()[SHL_FACE_RIGHT]);

    // The mesh's box (the hull cube) carried to where the mine is; its centre is the position.
    CON_Cache<REB_Mesh>* meshes = m_world->cache->GetRenderMeshCache();
    const s32 handle = mine->GetMesh().GetHandle();
    ASSERT_NE(0, handle);
    mine->GetCS().SetState(m_world->Now(), TST_FrameAt({10.0f, 20.0f, 30.0f}));
    f32 box[6];
    mine->GetBoundingBox(box, m_world->Now());
    const f32 half = 0.5f * TOOL_MINE_SIZE;
    EXPECT_NEAR(10.0f - half, box[0], 1e-4f);
    EXPECT_NEAR(30.0f + half, box[5], 1e-4f);
    MAT_Vector3 centre;
    mine->GetMatrixAtTime(&centre, m_world->Now());
    EXPECT_NEAR(20.0f, centre.y, 1e-4f);
    // The mesh goes back with the mine.
    const s32 references = meshes->GetReferenceCount(handle);
    mine.reset();
    EXPECT_EQ(references - 1, meshes->GetReferenceCount(handle));
}

TEST_F(NodMineTest, WithoutAMeshTheBoxIsTheUnitBoxAndThePositionTheOrigin)
{
    NOD_Mine mine;
    mine.GetCS().SetState(0.0f, TST_FrameAt({5.0f, 6.0f, 7.0f}));
    f32 box[6];
    mine.GetBoundingBox(box, 0.0f);
    const f32 expected[6] = {4.5f, 5.5f, 6.5f, 5.5f, 6.5f, 7.5f};
    for (s32 i = 0; i < 6; ++i)
        EXPECT_EQ(expected[i], box[i]) << i;
    MAT_Vector3 position;
    mine.GetMatrixAtTime(&position, 0.0f);
    EXPECT_EQ(MAT_Vector3(5.0f, 6.0f, 7.0f), position);
    mine.Render();  // nothing to draw, nothing drawn
}

TEST_F(NodMineTest, BrokenDescriptionsStopWithTheirTexts)
{
    const std::string file = "\"vfx\\" + std::string(FILE_NAME) + "\"";
    struct Case
    {
        TOOL_MineDescription description;
        const char* caption;
        std::string message;
    };
    std::vector<Case> cases;
    for (const char* name : {"Visual", "Control", "Collision", "Avoidance", "Emitter", "Shield"}) {
        TOOL_MineDescription d;
        d.omitSection = name;
        cases.push_back(
            {d, "DES FILE ERROR",
             std::string("(NOD_Mine::ParseIniFile()): Get [\"") + name + "\"] in file " + file + " failed"});
    }
    for (const char* key : {"NameMesh", "VMax", "MovingActivationRange", "MovingDeactivationRange",
                            "SwingAlphaFrequenz", "SwingAlphaAmplitude", "SwingPositionFrequenz",
                            "SwingPositionAmplitude", "ActiveKinOut", "ActiveEmpOut", "ActiveBioOut"}) {
        TOOL_MineDescription omitted;
        omitted.omitKey = key;
        cases.push_back({omitted, "DesFile Error", std::string("data \"") + key + "\" not found in file " + file});
        TOOL_MineDescription mistyped;
        mistyped.mistypedKey = key;
        cases.push_back(
            {mistyped, "DesFile Error", std::string("data \"") + key + "\" in file " + file + " has wrong type"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_FATAL(delete Read(c.description), c.caption, c.message.c_str());
    }
}

TEST_F(NodMineTest, OffDealsTheActiveKeysAndOnTheShieldsOwnOutValues)
{
    TOOL_MineDescription d;
    d.shield.kineticOut = 50;
    d.shield.empOut = 3;
    d.shield.bioOut = 4;
    d.activeKinOut = 7;
    d.activeEmpOut = 8;
    d.activeBioOut = 9;
    std::unique_ptr<NOD_Mine> mine(Read(d));
    // A new mine is active and deals what its shield says.
    EXPECT_EQ(1, IsActive(mine.get()));
    ExpectOut(mine.get(), 50, 3, 4);
    EXPECT_EQ(50, mine->GetActivationOut()[0]);
    EXPECT_EQ(9, mine->GetActiveOut()[2]);

    Send(mine.get(), NOD_Mine_Deactivate::Create());
    EXPECT_EQ(0, IsActive(mine.get()));
    ExpectOut(mine.get(), 7, 8, 9);
    Send(mine.get(), NOD_Mine_Deactivate::Create());
    ExpectOut(mine.get(), 7, 8, 9);

    Send(mine.get(), NOD_Mine_Activate::Create());
    EXPECT_EQ(1, IsActive(mine.get()));
    ExpectOut(mine.get(), 50, 3, 4);
}

TEST_F(NodMineTest, TheSwingPhasesComeFromTwoDrawsPositionFirst)
{
    for (u32 seed : {1u, 77u, 4242u}) {
        SCOPED_TRACE(seed);
        CRT_SRand(seed);
        MAT_Angle position;
        position = (f32)CRT_Rand() * TWO_PI / 32767.0f;
        MAT_Angle heading;
        heading = (f32)CRT_Rand() * TWO_PI / 32767.0f;
        CRT_SRand(seed);
        NOD_Mine mine;
        EXPECT_EQ(position.Get(), mine.GetPositionPhase().Get());
        EXPECT_EQ(position.Sin(), mine.GetPositionPhase().Sin());
        EXPECT_EQ(heading.Get(), mine.GetHeadingPhase().Get());
    }
}

TEST_F(NodMineTest, AWatchingMineSwingsAboutWhereAndHowItEntered)
{
    CRT_SRand(99);
    TOOL_MineDescription d = Untouchable();
    d.swingPositionAmplitude[0] = 1.0f;
    TST_RecordingMine* mine = Read(d, {0.0f, 0.0f, 100.0f});
    MAT_Matrix34 frame = TST_Heading({0.0f, 0.0f, 100.0f}, 0.5f);
    mine->GetCS().SetState(m_world->Now(), frame);
    m_world->root->AddSon(mine);
    Send(mine, NOD_Node_EnterSimulation::Create());
    EXPECT_TRUE(mine->IsInSimulation());
    EXPECT_EQ(MAT_Vector3(0.0f, 0.0f, 100.0f), mine->GetRestPosition());
    EXPECT_NEAR(0.5f, mine->GetBaseHeading(), 1e-6f);

    // Each step's targets from the phases moved on by one step, transcribed.
    const f32 dt = SIM_GetSimulationClock().dt;
    MAT_Angle heading = mine->GetHeadingPhase();
    MAT_Angle position = mine->GetPositionPhase();
    f32 low = 1e9f;
    f32 high = -1e9f;
    for (s32 step = 0; step < 200; ++step) {
        heading += dt * mine->GetHeadingFrequency();
        position += dt * mine->GetPositionFrequency();
        m_world->Step();
        ASSERT_EQ(heading.Get(), mine->GetHeadingPhase().Get()) << step;
        ASSERT_EQ(position.Get(), mine->GetPositionPhase().Get()) << step;
        const PHY_RotationControl& rotation = mine->GetModel().Rotation;
        const PHY_TranslationControl& translation = mine->GetModel().Translation;
        ASSERT_EQ(mine->GetBaseHeading() + mine->GetHeadingAmplitude() * heading.Sin(), rotation.TargetAngle[0]);
        ASSERT_EQ(0x8u, rotation.AngleTargetMask & 0x8u);
        ASSERT_EQ(100.0f + 2.0f * position.Sin(), translation.TargetPosition[2]);
        ASSERT_EQ(position.Sin(), translation.TargetPosition[0]);
        ASSERT_EQ(0x1c0u, translation.PositionModeMask);
        ASSERT_EQ(0u, translation.VelocityModeMask);
        const f32 h = mine->GetModel().State.rotation[MOT_MotionState::HEADING].angle.Get();
        low = std::min(low, h);
        high = std::max(high, h);
    }
    // The heading swung about the entry heading, and the rest position stayed put.
    EXPECT_LT(low, 0.5f - 0.1f);
    EXPECT_GT(high, 0.5f + 0.1f);
    EXPECT_LT(high, 0.5f + mine->GetHeadingAmplitude() + 0.1f);
    EXPECT_EQ(MAT_Vector3(0.0f, 0.0f, 100.0f), mine->GetRestPosition());
    EXPECT_NEAR(100.0f, mine->GetModel().State.frame.t.z, 3.0f);
}

TEST_F(NodMineTest, TheTargetIsTheLoudestThenNearestLaterEntriesWinningTies)
{
    std::unique_ptr<NOD_Mine> mine(Read(Untouchable()));
    COD_Sensor* sensor = mine->GetAggregate().GetSensor3();
    // Bodies on the y axis at the distance with the level; the activation range is 60.
    struct Heard
    {
        f32 distance;
        s32 level;
    };
    struct Case
    {
        const char* name;
        std::vector<Heard> heard;
        u32 latchedBefore;
        s32 expected;  // index into heard, -1 none
        u32 latchedAfter;
    };
    const std::vector<Case> cases = {
        {"nothing heard", {}, 1, -1, 0},
        {"all beyond the activation range", {{80.0f, 3}, {70.0f, 2}}, 0, -1, 0},
        {"beyond, but latched earlier", {{80.0f, 3}, {70.0f, 2}}, 1, 0, 1},
        {"one inside latches, the loudest wins", {{80.0f, 3}, {30.0f, 2}}, 0, 0, 1},
        {"louder but farther loses", {{30.0f, 2}, {40.0f, 3}}, 0, 0, 1},
        {"louder and nearer wins", {{30.0f, 2}, {20.0f, 3}}, 0, 1, 1},
        {"quieter and nearer loses", {{30.0f, 3}, {10.0f, 2}}, 0, 0, 1},
        {"equal: the later wins", {{30.0f, 2}, {30.0f, 2}}, 0, 1, 1},
        {"exactly at the range does not latch", {{60.0f, 3}}, 0, -1, 0},
        {"at the mine itself", {{0.0f, 1}}, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Nothing heard clears what an earlier case latched.
        sensor->m_heardCount = 0;
        mine->FindTarget();
        std::vector<TST_Target*> bodies;
        for (const Heard& h : c.heard) {
            TST_Target* body = Target({0.0f, h.distance, 0.0f});
            body->GetAggregate().GetEmitter()->m_soundLevel = h.level;
            bodies.push_back(body);
        }
        sensor->m_heardCount = (s32)bodies.size();
        for (size_t i = 0; i < bodies.size(); ++i)
            sensor->m_heard[i].Set(bodies[i]->GetAggregate().GetEmitter());
        if (c.latchedBefore != 0) {
            // A latch left from an earlier step: one body inside the range once.
            TST_Target* near = Target({0.0f, 1.0f, 0.0f});
            sensor->m_heard[0].Set(near->GetAggregate().GetEmitter());
            const s32 count = sensor->m_heardCount;
            sensor->m_heardCount = 1;
            ASSERT_EQ(near, mine->FindTarget());
            sensor->m_heardCount = count;
            if (!bodies.empty())
                sensor->m_heard[0].Set(bodies[0]->GetAggregate().GetEmitter());
            Remove(near);
        }
        NOD_Body* found = mine->FindTarget();
        EXPECT_EQ(c.expected < 0 ? nullptr : bodies[(size_t)c.expected], found);
        EXPECT_EQ(c.latchedAfter, mine->IsTargetLatched());
        for (TST_Target* body : bodies)
            Remove(body);
    }
    // Gone emitters are passed over.
    sensor->m_heardCount = 1;
    sensor->m_heard[0].Set(nullptr);
    EXPECT_EQ(nullptr, mine->FindTarget());
    EXPECT_EQ(0u, mine->IsTargetLatched());
}

TEST_F(NodMineTest, AMineChasesWhatItHearsAndGoesBackToSwinging)
{
    TST_RecordingMine* mine = Place(Untouchable(), {0.0f, 0.0f, 100.0f});
    TST_Target* quiet = Target({0.0f, -20.0f, 100.0f}, "none");
    TST_Target* loud = Target({0.0f, 40.0f, 100.0f}, "medium");
    (void)quiet;
    // The first sensing pass hears the medium body within range; "none" is never heard.
    m_world->Steps(2);
    ASSERT_EQ(1u, mine->IsTargetLatched());
    for (s32 step = 0; step < 40; ++step)
        m_world->Step();
    const MAT_Vector3 velocity = mine->GetModel().State.GetVelocity();
    EXPECT_EQ(0x1c0u, mine->GetModel().Translation.VelocityModeMask);
    EXPECT_EQ(0u, mine->GetModel().Translation.PositionModeMask);
    EXPECT_NEAR(8.0f, mine->GetModel().Translation.TargetVelocity[1], 1e-4f);
    // Straight at it, near the chase speed.
    EXPECT_GT(velocity.y, 6.0f);
    EXPECT_LE(velocity.y, 8.0f + 1e-3f);
    EXPECT_NEAR(0.0f, velocity.x, 0.01f);
    EXPECT_NEAR(0.0f, velocity.z, 0.01f);
    // While it chases, the rest position follows it (where the step began).
    EXPECT_NEAR(mine->GetModel().State.frame.t.y, mine->GetRestPosition().y, 0.5f);
    EXPECT_GT(mine->GetRestPosition().y, 1.0f);

    // Beyond the deactivation range nothing is heard at the next sensing pass: the swing again.
    loud->GetCS().SetTransform(m_world->Now(), TST_FrameAt({0.0f, 900.0f, 100.0f}));
    m_world->Steps(12);
    EXPECT_EQ(0u, mine->IsTargetLatched());
    EXPECT_EQ(0x1c0u, mine->GetModel().Translation.PositionModeMask);
    EXPECT_EQ(0u, mine->GetModel().Translation.VelocityModeMask);
}

// The collision world never pairs a body's sensor with its own emitter.
TEST_F(NodMineTest, AMineThatMakesASoundNeverChasesItself)
{
    TOOL_MineDescription d = Untouchable();
    d.emitter.soundEmissionLevel = "loud";
    TST_RecordingMine* mine = Place(d, {0.0f, 0.0f, 100.0f});
    m_world->Steps(12);
    EXPECT_EQ(0u, mine->IsTargetLatched());
    EXPECT_EQ(0x1c0u, mine->GetModel().Translation.PositionModeMask);
}

TEST_F(NodMineTest, ATargetOnTheMineGivesAZeroVelocityTarget)
{
    TST_RecordingMine* mine = Place(Untouchable(), {0.0f, 0.0f, 100.0f});
    TST_Target* target = Target({0.0f, 0.0f, 100.0f}, "loud");
    (void)target;
    m_world->Steps(2);
    ASSERT_EQ(1u, mine->IsTargetLatched());
    const PHY_TranslationControl& translation = mine->GetModel().Translation;
    EXPECT_EQ(0x1c0u, translation.VelocityModeMask);
    for (s32 axis = 0; axis < 3; ++axis)
        EXPECT_EQ(0.0f, translation.TargetVelocity[axis]) << axis;
    EXPECT_FALSE(std::isnan(mine->GetModel().State.frame.t.x));
}

TEST_F(NodMineTest, DamageExplodesAnActiveMineIntoDebris)
{
    TST_RecordingMine* mine = Place(Untouchable(), {100.0f, 50.0f, 100.0f});
    TST_Watch watch(mine);
    m_world->Steps(3);
    ASSERT_TRUE(watch.Alive());
    EXPECT_TRUE(Debris().empty());
    // A hit between two steps: the face ratio moved, so the next step ends the mine.
    mine->GetShieldRef().SetFace(SHL_FACE_RIGHT, 39, 40);
    const f32 before = m_world->Now();
    const MAT_Vector3 where = mine->GetWorldTransform(before)->t;
    const s32 counter = m_world->Spawn()->GetDebrisCounter();
    m_world->Step();
    EXPECT_FALSE(watch.Alive());
    // One debris of type 0 from where the mine was at the step's start, with its velocity.
    EXPECT_EQ(counter + 1, m_world->Spawn()->GetDebrisCounter());
    const std::vector<NOD_Debris*> debris = Debris();
    ASSERT_EQ(1u, debris.size());
    EXPECT_EQ("deb" + std::to_string(counter), std::string(debris[0]->GetName().GetName()));
    MAT_Vector3 at = debris[0]->GetCS().GetTrack().GetAt(before, nullptr)->t;
    EXPECT_NEAR(where.x, at.x, 1e-3f);
    EXPECT_NEAR(where.z, at.z, 1e-3f);
}

TEST_F(NodMineTest, AnInactiveMineExplodesOnlyWhenExhaustedAndForgetsOldDamage)
{
    TST_RecordingMine* mine = Place(Untouchable(), {100.0f, 50.0f, 100.0f});
    TST_Watch watch(mine);
    Send(mine, NOD_Mine_Deactivate::Create());
    m_world->Step();
    mine->GetShieldRef().SetFace(SHL_FACE_RIGHT, 20, 40);
    m_world->Step();
    ASSERT_TRUE(watch.Alive());
    EXPECT_EQ(0.5f, mine->GetFaceRatioSnapshot()[SHL_FACE_RIGHT]);
    // Switched on again, the damage taken while off does not count: the snapshot was retaken.
    Send(mine, NOD_Mine_Activate::Create());
    m_world->Steps(3);
    ASSERT_TRUE(watch.Alive());
    EXPECT_TRUE(Debris().empty());

    // Off again, an exhausted shield ends it all the same.
    Send(mine, NOD_Mine_Deactivate::Create());
    mine->GetShieldRef().SetFace(SHL_FACE_LEFT, 0, 40);
    m_world->Step();
    EXPECT_FALSE(watch.Alive());
    EXPECT_EQ(1u, Debris().size());
}

TEST_F(NodMineTest, ABodyRunningIntoAnActiveMineSetsItOff)
{
    TST_RecordingMine* mine = Place(TOOL_MineDescription(), {100.0f, 50.0f, 100.0f});
    TST_Watch watch(mine);
    TST_Target* ram = Target({100.0f, 80.0f, 100.0f}, "none", {0.0f, -10.0f, 0.0f});
    ram->GetShieldRef().SetKineticOut(5);
    s32 steps = 0;
    while (watch.Alive() && steps < 100) {
        m_world->Step();
        ++steps;
    }
    EXPECT_LT(steps, 100);
    EXPECT_EQ(1u, Debris().size());
}

TEST_F(NodMineTest, MessagesReachTheGuardAndTheBody)
{
    TOOL_MineDescription d = Untouchable();
    d.shield.faceIn[SHL_FACE_RIGHT] = 30;
    TST_RecordingMine* mine = Place(d, {100.0f, 50.0f, 100.0f});
    TST_Watch watch(mine);
    Send(mine, NOD_Mine_Deactivate::Create());  // the guard's reports without the explosion
    Send(mine, NOD_Body_ActivateShieldGuard::Create());
    EXPECT_EQ(2, mine->GetStates().GetCode(0));
    Send(mine, NOD_Body_RequestKinInfo::Create(0.5f));
    m_world->Step();
    EXPECT_TRUE(m_sent.empty());
    mine->GetShieldRef().SetFace(SHL_FACE_RIGHT, 10, 40);
    m_world->Step();
    EXPECT_EQ(std::vector<std::string>{"Body_KinShieldBarrierReached queued"}, m_sent);

    // A body message the guard does not take: the body's handler answers.
    NOD_Message* reply = mine->ProcessMessage(NOD_Body_GetEmpShield::Create());
    ASSERT_NE(nullptr, reply);
    delete reply;

    // The destroyed report comes at once, inside the step that ends the mine.
    m_sent.clear();
    mine->GetShieldRef().SetFace(SHL_FACE_RIGHT, 0, 40);
    m_world->Step();
    EXPECT_EQ(std::vector<std::string>{"Body_ObjectDestroyed at once"}, m_sent);
    EXPECT_FALSE(watch.Alive());
}

TEST_F(NodMineTest, LeavingTheSimulationUnregistersThePartsAndSonsFollow)
{
    TST_RecordingMine* mine = Read(Untouchable(), {0.0f, 0.0f, 100.0f});
    TST_OwnerBody* son = new TST_OwnerBody();
    mine->AddSon(son);
    m_world->root->AddSon(mine);
    Send(mine, NOD_Node_EnterSimulation::Create());
    EXPECT_TRUE(son->IsInSimulation());
    EXPECT_EQ(NOD_PART_REGISTERED, mine->GetAggregate().GetState(NOD_PART_SENSOR3));
    EXPECT_EQ(mine->GetShield(), son->GetShieldRef().GetNextShield());
    m_world->Step();
    EXPECT_EQ(1, son->steps);
    Send(mine, NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(mine->IsInSimulation());
    EXPECT_FALSE(son->IsInSimulation());
    EXPECT_EQ(nullptr, son->GetShieldRef().GetNextShield());
    EXPECT_NE(NOD_PART_REGISTERED, mine->GetAggregate().GetState(NOD_PART_SENSOR3));
    m_world->Step();
    EXPECT_EQ(1, son->steps);
}

}  // namespace
