// Debris: its description and emit table, the launch's direction and draws, the flight, the
// releases against the collection, its messages and its box.
#include "nod_debris.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "crt_fixture.h"
#include "mat_fixture.h"
#include "nod_message.h"
#include "nod_particleemitter.h"
#include "owner_fixture.h"
#include "rti_pointer.h"
#include "spawn_world_test.h"
#include "tools_debris.h"
#include "tools_projectiles.h"

namespace
{

constexpr f32 DEGREES = 0.017453292f;

// A smoke that never ends by itself, on a texture the spawner's files hold.
constexpr const char* SMOKE = "osd/emitter/smoke.osd";
// The description every test that needs a debris of its own writes.
constexpr const char* TEST_FILE = "osd\\debris\\test.osd";
constexpr const char* TEST_PATH = "vfx\\osd\\debris\\test.osd";

TOOL_DebrisChild Smoke(f32 _time)
{
    TOOL_DebrisEmit emit;
    emit.time = _time;
    return TOOL_MakeDebrisChild("NOD_ParticleEmitter", SMOKE, emit);
}

// A description without damping: the flight is the launch velocity and the lift alone.
TOOL_Debris Undamped(f32 _lifeTime)
{
    TOOL_Debris debris;
    debris.lifeTime = _lifeTime;
    for (s32 i = 0; i < 3; ++i)
        debris.frictionT[i] = debris.frictionR[i] = 0.0f;
    return debris;
}

MAT_Vector3 Velocity(const NOD_Debris& _debris) { return _debris.GetMotionState().GetVelocity(); }

class DebrisTest : public TST_SpawnWorldTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(TST_SpawnWorldTest::SetUp());
        TOOL_EmitterNodeDescription smoke = TOOL_SpawnerEmitter(3);
        smoke.lifeTime = 0.0f;
        m_dir.Write(std::string("vfx/") + SMOKE, TOOL_EmitterNodeDescriptionText(smoke));
    }
    void TearDown() override
    {
        // The tree and its particles first: they read the prototype's emitters.
        if (m_world != nullptr) {
            delete m_world->scene;
            m_world->scene = nullptr;
        }
        m_prototype.reset();
        TST_SpawnWorldTest::TearDown();
    }

    // _debris as "vfx\osd\debris\test.osd", parsed into the prototype.
    NOD_Debris* Prototype(const TOOL_Debris& _debris)
    {
        m_dir.Write("vfx/osd/debris/test.osd", TOOL_DebrisText(_debris));
        m_prototype.reset(new NOD_Debris());
        m_prototype->ParseIniFile_File(TEST_FILE);
        return m_prototype.get();
    }
    // A clone of the prototype launched and entered as the spawner does it.
    NOD_Debris* Launch(const MAT_Matrix34& _frame, const MAT_Vector3& _velocity,
                       const NOD_DebrisEmit& _emit = NOD_DebrisEmit(), const char* _name = "deb0")
    {
        NOD_Debris* debris = NOD_Debris::DynamicCast(m_prototype->Clone());
        debris->SetName(_name);
        debris->Init(_frame, _velocity, _emit);
        m_world->root->AddSon(debris);
        delete debris->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return debris;
    }
    bool Logged(const std::string& _line) const
    {
        return m_dir.Exists("log.txt") && m_dir.Read("log.txt").find(_line + "\n") != std::string::npos;
    }

    std::unique_ptr<NOD_Debris> m_prototype;
};

TEST_F(DebrisTest, TheDescriptionFillsTheTableAndTheChildrenLeaveTheSons)
{
    TOOL_Debris debris;
    debris.lifeTime = 4.5f;
    debris.frictionT[0] = 0.25f;
    debris.frictionT[2] = 0.75f;
    debris.frictionR[1] = 0.5f;
    debris.children.push_back(Smoke(0.0f));
    TOOL_DebrisEmit thrown;
    thrown.time = 1.25f;
    thrown.coneMin = -90.0f;
    thrown.coneMax = 90.0f;
    thrown.rollMin = 180.0f;
    thrown.rollMax = 360.0f;
    thrown.velocityMin = 2.0f;
    thrown.velocityMax = 7.0f;
    thrown.velocityRot[0] = 180.0f;
    thrown.velocityRot[2] = -90.0f;
    thrown.lift[1] = -3.5f;
    debris.children.push_back(TOOL_MakeDebrisChild("NOD_Debris", "osd/debris/deb_small2.osd", thrown));
    debris.children.push_back(Smoke(2.0f));
    NOD_Debris* prototype = Prototype(debris);

    EXPECT_EQ(4.5f, prototype->GetLifeTime());
    EXPECT_EQ(0, prototype->GetNumOfSons());
    ASSERT_EQ(3, prototype->GetEmitCount());
    EXPECT_NE(nullptr, NOD_ParticleEmitter::DynamicCast(prototype->GetEmitChild(0)));
    EXPECT_NE(nullptr, NOD_Debris::DynamicCast(prototype->GetEmitChild(1)));
    EXPECT_NE(nullptr, NOD_ParticleEmitter::DynamicCast(prototype->GetEmitChild(2)));
    for (s32 i = 0; i < 3; ++i)
        EXPECT_EQ(nullptr, prototype->GetEmitChild(i)->GetFather()) << i;
    EXPECT_EQ(0.0f, prototype->GetEmitTime(0));
    EXPECT_EQ(1.25f, prototype->GetEmitTime(1));
    EXPECT_EQ(2.0f, prototype->GetEmitTime(2));

    // Angles and spin are read in degrees and kept in radians.
    const NOD_DebrisEmit& emit = *prototype->GetEmit(1);
    EXPECT_NEAR(-MAT_PI / 2.0f, emit.coneMin, 1e-6f);
    EXPECT_NEAR(MAT_PI / 2.0f, emit.coneMax, 1e-6f);
    EXPECT_NEAR(MAT_PI, emit.rollMin, 1e-6f);
    EXPECT_NEAR(2.0f * MAT_PI, emit.rollMax, 1e-6f);
    EXPECT_EQ(2.0f, emit.velocityMin);
    EXPECT_EQ(7.0f, emit.velocityMax);
    EXPECT_NEAR(MAT_PI, emit.velocityRot.x, 1e-6f);
    EXPECT_EQ(0.0f, emit.velocityRot.y);
    EXPECT_NEAR(-MAT_PI / 2.0f, emit.velocityRot.z, 1e-6f);
    EXPECT_EQ(-3.5f, emit.lift.y);

    // Damping along the world axes and on the three rotations, with the file's coefficients.
    const MOT_Friction& friction = prototype->GetFriction();
    EXPECT_EQ(0x1F8u, friction.flags);
    const f32 coefficients[9] = {1.0f, 1.0f, 1.0f, 0.25f, 0.1f, 0.75f, 0.1f, 0.5f, 0.1f};
    for (s32 i = 0; i < 9; ++i)
        EXPECT_EQ(coefficients[i], friction.c[i]) << i;
    EXPECT_EQ(0x27u, prototype->GetMotionState().flags);
    EXPECT_EQ((u32)MOT_MotionState::REGIME_INCREMENTAL, prototype->GetMotionState().regime);
    EXPECT_NE(0, prototype->GetSample().GetSample());

    // A released debris runs its own cycle: its table is its own description's.
    const NOD_Debris* nested = NOD_Debris::DynamicCast(prototype->GetEmitChild(1));
    EXPECT_EQ(2, nested->GetEmitCount());
}

TEST_F(DebrisTest, BrokenDescriptionsStopWithTheirTexts)
{
    TOOL_Debris good;
    good.children = {Smoke(0.0f), TOOL_MakeDebrisChild("NOD_Debris", "osd/debris/deb_small2.osd", TOOL_DebrisEmit())};
    struct Case
    {
        const char* omitSection;
        const char* omitKey;
        const char* mistypedKey;
        const char* caption;
        std::string message;
    };
    const std::string file = std::string(" in file \"") + TEST_PATH + "\"";
    const Case cases[] = {
        {"Debris", "", "", "DES FILE ERROR", "(NOD_Debris::ParseIniFile()): Get [\"Debris\"]" + file + " failed"},
        {"RigidBody", "", "", "DES FILE ERROR", "(NOD_Debris::ParseIniFile()): Get [\"RigidBody\"]" + file + " failed"},
        // The second child's section is missing once both children exist.
        {"Emit1", "", "", "DES FILE ERROR", "(NOD_Debris::ParseIniFile()): Get [\"Emit1\"]" + file + " failed"},
        {"", "LifeTime", "", "DesFile Error", "data \"LifeTime\" not found" + file},
        {"", "FrictionR", "", "DesFile Error", "data \"FrictionR\" not found" + file},
        {"", "VelocityRot", "", "DesFile Error", "data \"VelocityRot\" not found" + file},
        {"", "Lift", "", "DesFile Error", "data \"Lift\" not found" + file},
        {"", "", "ConeMax", "DesFile Error", "data \"ConeMax\"" + file + " has wrong type"},
        {"", "", "FrictionT", "DesFile Error", "data \"FrictionT\"" + file + " has wrong type"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        TOOL_Debris broken = good;
        broken.omitSection = c.omitSection;
        broken.omitKey = c.omitKey;
        broken.mistypedKey = c.mistypedKey;
        m_dir.Write("vfx/osd/debris/test.osd", TOOL_DebrisText(broken));
        NOD_Debris* debris = new NOD_Debris();
        EXPECT_FATAL(debris->ParseIniFile_File(TEST_FILE), c.caption, c.message.c_str());
        // Children made before the error die with the node, once each.
        delete debris;
    }

    // The launch sound is read also without children.
    TOOL_Debris bare;
    m_dir.Write("vfx/osd/debris/test.osd", TOOL_DebrisText(bare));
    std::remove("sfx/sample/explosion1.sam");
    NOD_Debris* debris = new NOD_Debris();
    EXPECT_FATAL(debris->ParseIniFile_File(TEST_FILE), "DES_File::Open() file not found",
                 "sfx\\sample\\explosion1.sam");
    delete debris;
}

TEST_F(DebrisTest, ACloneHoldsClonesOfTheChildren)
{
    TOOL_Debris debris;
    debris.lifeTime = 3.0f;
    debris.frictionR[2] = 0.5f;
    debris.children = {Smoke(0.5f), TOOL_MakeDebrisChild("NOD_Debris", "osd/debris/deb_small2.osd", TOOL_DebrisEmit())};
    NOD_Debris* prototype = Prototype(debris);
    prototype->SetName("proto");
    std::unique_ptr<NOD_Debris> clone(NOD_Debris::DynamicCast(prototype->Clone()));
    ASSERT_NE(nullptr, clone);
    EXPECT_STREQ("proto", clone->GetName().GetName());
    EXPECT_EQ(prototype->GetLoadRecord(), clone->GetLoadRecord());
    EXPECT_EQ(3.0f, clone->GetLifeTime());
    EXPECT_EQ(0.5f, clone->GetFriction().c[8]);
    EXPECT_EQ(prototype->GetFriction().flags, clone->GetFriction().flags);
    EXPECT_EQ(prototype->GetSample().GetSample(), clone->GetSample().GetSample());
    ASSERT_EQ(2, clone->GetEmitCount());
    for (s32 i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NE(prototype->GetEmitChild(i), clone->GetEmitChild(i));
        EXPECT_EQ(prototype->GetEmitChild(i)->GetClassDefinition(), clone->GetEmitChild(i)->GetClassDefinition());
        EXPECT_EQ(prototype->GetEmitTime(i), clone->GetEmitTime(i));
    }
    EXPECT_EQ(2, NOD_Debris::DynamicCast(clone->GetEmitChild(1))->GetEmitCount());
    // The prototype goes first; the clone's children are its own.
    m_prototype.reset();
    EXPECT_EQ(0.5f, clone->GetEmitTime(0));
}

// Launches: the roll turns the azimuth, the cone tilts away from the base velocity's direction,
// the speed adds along the tilted direction; three draws whatever the ranges.
TEST(DebrisLaunch, DirectionSpeedAndDraws)
{
    struct Case
    {
        const char* label;
        MAT_Vector3 base;
        f32 rollDegrees;
        f32 coneDegrees;
        f32 speed;
        MAT_Vector3 expected;
    };
    const Case cases[] = {
        {"along the base", {0.0f, 10.0f, 0.0f}, 0.0f, 0.0f, 5.0f, {0.0f, 15.0f, 0.0f}},
        {"cone up", {0.0f, 10.0f, 0.0f}, 0.0f, 90.0f, 5.0f, {0.0f, 10.0f, 5.0f}},
        {"cone turned by the roll", {0.0f, 10.0f, 0.0f}, 90.0f, 90.0f, 5.0f, {5.0f, 10.0f, 0.0f}},
        {"heading from the base", {10.0f, 0.0f, 0.0f}, 0.0f, 0.0f, 5.0f, {15.0f, 0.0f, 0.0f}},
        {"pitch from the base", {0.0f, 0.0f, -8.0f}, 0.0f, 0.0f, 2.0f, {0.0f, 0.0f, -10.0f}},
        {"no base: forward", {0.0f, 0.0f, 0.0f}, 0.0f, 0.0f, 5.0f, {0.0f, 5.0f, 0.0f}},
    };
    MAT_Matrix34 frame = TST_FrameAt({1.0f, 2.0f, 3.0f});
    frame.r.FromAngles(MAT_Angle(0.5f), MAT_Angle(0.25f), MAT_Angle(-0.125f));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TST_CrtReference reference(77);
        NOD_DebrisEmit emit;
        emit.rollMin = emit.rollMax = c.rollDegrees * DEGREES;
        emit.coneMin = emit.coneMax = c.coneDegrees * DEGREES;
        emit.velocityMin = emit.velocityMax = c.speed;
        emit.velocityRot = {0.5f, -1.0f, 2.0f};
        emit.lift = {0.0f, 0.0f, -9.0f};
        NOD_Debris debris;
        debris.Init(frame, c.base, emit);
        reference.Skip(3);
        EXPECT_TRUE(reference.InStep());
        TST_ExpectNear(c.expected, Velocity(debris), 1e-5f, "velocity");
        TST_ExpectNear(frame.t, debris.GetMotionState().frame.t, 0.0f, "place");
        EXPECT_EQ(0.5f, debris.GetMotionState().rotation[MOT_MotionState::PITCH].rate);
        EXPECT_EQ(-1.0f, debris.GetMotionState().rotation[MOT_MotionState::ROLL].rate);
        EXPECT_EQ(2.0f, debris.GetMotionState().rotation[MOT_MotionState::HEADING].rate);
        EXPECT_EQ(-9.0f, debris.GetLift().z);
    }

    // Equal ends give exactly that value, and no ranges exactly the base velocity.
    NOD_Debris still;
    NOD_DebrisEmit none;
    still.Init(frame, {3.0f, -4.0f, 5.0f}, none);
    TST_ExpectNear({3.0f, -4.0f, 5.0f}, Velocity(still), 0.0f, "no ranges");
    NOD_DebrisEmit fixed;
    fixed.velocityMin = fixed.velocityMax = 5.0f;
    still.Init(frame, MAT_Vector3(), fixed);
    TST_ExpectNear({0.0f, 5.0f, 0.0f}, Velocity(still), 0.0f, "equal ends");

    // A range spreads the launches over it.
    NOD_DebrisEmit spread;
    spread.velocityMin = 1.0f;
    spread.velocityMax = 3.0f;
    TST_CrtReference reference(5);
    for (s32 i = 0; i < 16; ++i) {
        still.Init(frame, MAT_Vector3(), spread);
        reference.Skip(2);
        const f32 speed = 1.0f + (f32)reference.Next() * 2.0f / 32767.0f;
        EXPECT_NEAR(speed, Velocity(still).y, 1e-6f) << i;
    }
}

TEST_F(DebrisTest, LiftAndWorldDamping)
{
    TOOL_Debris debris = Undamped(10.0f);
    debris.frictionT[0] = 1.0f;  // a coefficient of 1 stops the motion along x in one step
    debris.frictionR[0] = 1.0f;
    Prototype(debris);
    // Spin and lift as a release gives them.
    NOD_DebrisEmit emit;
    emit.velocityRot = {0.0f, 1.0f, 2.0f};  // pitch, roll, heading
    emit.lift = {0.0f, 0.0f, -10.0f};
    NOD_Debris* flying = Launch(TST_FrameAt({0.0f, 0.0f, 100.0f}), {4.0f, 3.0f, 0.0f}, emit);

    m_world->Steps(20);
    const MAT_Vector3 velocity = Velocity(*flying);
    EXPECT_EQ(0.0f, velocity.x);
    EXPECT_NEAR(3.0f, velocity.y, 1e-5f);
    EXPECT_NEAR(-10.0f, velocity.z, 1e-4f);  // one second of lift
    EXPECT_EQ(0.0f, flying->GetMotionState().rotation[MOT_MotionState::HEADING].rate);
    EXPECT_EQ(1.0f, flying->GetMotionState().rotation[MOT_MotionState::ROLL].rate);
    // z: 100 - 10 t^2 / 2 at the time of the last recorded sample.
    const f32 t = m_world->Now();
    EXPECT_NEAR(100.0f - 5.0f * t * t, flying->GetWorldTransform(t)->t.z, 1e-3f);
    EXPECT_NEAR(3.0f * t, flying->GetWorldTransform(t)->t.y, 1e-3f);
}

TEST_F(DebrisTest, ReleasesComeAtTheirTimesUntilTheCollection)
{
    // Collected in the first step past 0.52 (the one at 0.55): a child due at 0.53 still
    // leaves in it, one due at 0.58 never does.
    TOOL_Debris debris = Undamped(0.52f);
    debris.children = {Smoke(0.0f), Smoke(0.0f), Smoke(0.53f), Smoke(0.58f)};
    Prototype(debris);
    NOD_Debris* flying = Launch(TST_FrameAt({5.0f, 0.0f, 0.0f}), {0.0f, 2.0f, 0.0f});
    RTI_Pointer alive;
    alive.Set(flying);
    NOD_Node* children[4];
    RTI_Pointer held[4];
    for (s32 i = 0; i < 4; ++i) {
        children[i] = flying->GetEmitChild(i);
        held[i].Set(children[i]);
    }

    m_world->Step();
    // Both children due at the start leave in the first step, in table order.
    ASSERT_EQ(2, flying->GetNumOfSons());
    EXPECT_EQ(children[0], flying->GetSon(0));
    EXPECT_EQ(children[1], flying->GetSon(1));
    EXPECT_TRUE(NOD_ParticleEmitter::DynamicCast(children[0])->IsInSimulation());
    EXPECT_EQ(nullptr, flying->GetEmitChild(0));

    f32 collectedAt = -1.0f;
    for (s32 step = 1; step < 20 && alive.Get() != nullptr; ++step) {
        const f32 t = m_world->Now();
        EXPECT_EQ(2, flying->GetNumOfSons()) << t;
        m_world->Step();
        if (alive.Get() == nullptr)
            collectedAt = t;
    }
    EXPECT_NEAR(0.55f, collectedAt, 1e-4f);
    // The released emitters fade under "/garbage", stopped where the debris was; the one never
    // released died with the debris.
    for (s32 i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(nullptr, held[i].Get());
        EXPECT_EQ(m_world->garbage, children[i]->GetFather());
        EXPECT_TRUE(NOD_ParticleEmitter::DynamicCast(children[i])->IsFading());
    }
    EXPECT_EQ(nullptr, held[3].Get());
    // Once their particles can no longer live, they go too.
    for (s32 step = 0; step < 200 && m_world->garbage->GetNumOfSons() > 0; ++step)
        m_world->Step();
    EXPECT_EQ(0, m_world->garbage->GetNumOfSons());
    for (s32 i = 0; i < 3; ++i)
        EXPECT_EQ(nullptr, held[i].Get()) << i;
}

TEST_F(DebrisTest, AReleasedDebrisLeavesAsASiblingWithItsParentsVelocity)
{
    TOOL_Debris child = Undamped(0.3f);
    m_dir.Write("vfx/osd/debris/child.osd", TOOL_DebrisText(child));
    TOOL_Debris parent = Undamped(1.0f);
    TOOL_DebrisEmit still;  // no cone, no roll, no speed of its own
    still.time = 0.1f;
    parent.children = {TOOL_MakeDebrisChild("NOD_Debris", "osd/debris/child.osd", still)};
    Prototype(parent);

    TST_CrtReference reference(9);
    MAT_Matrix34 frame = TST_FrameAt({10.0f, 20.0f, 30.0f});
    frame.r.FromAngles(MAT_Angle(0.5f), MAT_Angle(), MAT_Angle());
    NOD_Debris* flying = Launch(frame, {0.0f, 5.0f, -1.0f});
    NOD_Node* released = flying->GetEmitChild(0);
    reference.Skip(3);
    EXPECT_TRUE(reference.InStep());

    m_world->Steps(2);
    EXPECT_EQ(flying, m_world->root->GetSon(m_world->root->GetNumOfSons() - 1));
    const f32 t = m_world->Now();
    m_world->Step();
    // A sibling behind its parent, launched from where the parent is, as fast as it is.
    EXPECT_EQ(nullptr, flying->GetEmitChild(0));
    EXPECT_EQ(released, m_world->root->GetSon(m_world->root->GetNumOfSons() - 1));
    EXPECT_EQ(flying, m_world->root->GetSon(m_world->root->GetNumOfSons() - 2));
    NOD_Debris* sibling = NOD_Debris::DynamicCast(released);
    EXPECT_TRUE(sibling->IsInSimulation());
    TST_ExpectNear(Velocity(*flying), Velocity(*sibling), 0.0f, "velocity");
    TST_ExpectNear(flying->GetWorldTransform(t)->t, sibling->GetWorldTransform(t)->t, 1e-4f, "place");
    EXPECT_EQ(t, sibling->GetStartTime());
    reference.Skip(3);
    EXPECT_TRUE(reference.InStep()) << "the release draws three numbers";

    // Each then ends by its own life time.
    RTI_Pointer parentAlive, siblingAlive;
    parentAlive.Set(flying);
    siblingAlive.Set(sibling);
    m_world->Steps(8);
    EXPECT_EQ(nullptr, siblingAlive.Get());
    EXPECT_NE(nullptr, parentAlive.Get());
}

TEST_F(DebrisTest, AChildOfAnotherClassStopsTheRunWhenItsTimeComes)
{
    TOOL_Debris debris = Undamped(1.0f);
    TOOL_DebrisEmit emit;
    emit.time = 0.1f;
    // A trail copies itself, so the clone's table holds one; a class that cannot copy itself
    // would leave an empty entry, never released.
    debris.children = {TOOL_MakeDebrisChild("NOD_Trail", TOOL_SPAWNER_TRAIL_FILE, emit),
                       TOOL_MakeDebrisChild("NOD_Body", "", emit)};
    Prototype(debris);
    NOD_Debris* flying = Launch(TST_FrameAt(MAT_Vector3()), MAT_Vector3(), NOD_DebrisEmit(), "deb12");
    EXPECT_NE(nullptr, flying->GetEmitChild(0));
    EXPECT_EQ(nullptr, flying->GetEmitChild(1));
    m_world->Steps(2);
    EXPECT_FATAL(m_world->Step(), "NOD_Debris::HeartBeat() - illegal emit child", "deb12");
}

TEST_F(DebrisTest, LeavingStopsItAndBodyMessagesAreLost)
{
    TOOL_Debris debris = Undamped(10.0f);
    debris.children = {Smoke(0.0f)};
    Prototype(debris);
    NOD_Debris* flying = Launch(TST_FrameAt({1.0f, 2.0f, 3.0f}), {0.0f, 4.0f, 0.0f});
    m_world->Steps(3);
    NOD_Node* smoke = flying->GetSon(0);
    ASSERT_NE(nullptr, smoke);

    const f32 t = m_world->Now();
    const MAT_Vector3 where = flying->GetWorldTransform(t)->t;
    delete flying->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(flying->IsInSimulation());
    EXPECT_FALSE(smoke->IsInSimulation());
    m_world->Steps(3);
    TST_ExpectNear(where, flying->GetWorldTransform(m_world->Now())->t, 0.0f, "left");

    delete flying->ProcessMessage(NOD_Body_SetPosition::Create(MAT_Vector3{50.0f, 50.0f, 50.0f}));
    EXPECT_TRUE(Logged("NOD_Node::ProcessMessage() : node \"deb0\" received lost message of type 1000 "
                       "[Body_SetPosition]."));
    TST_ExpectNear(where, flying->GetWorldTransform(m_world->Now())->t, 0.0f, "after the lost message");
}

TEST_F(DebrisTest, TheBoxIsTheUnitCubeAroundIt)
{
    Prototype(Undamped(10.0f));
    MAT_Matrix34 frame = TST_FrameAt({10.0f, -20.0f, 5.0f});
    frame.r.FromAngles(MAT_Angle(MAT_PI / 4.0f), MAT_Angle(), MAT_Angle());
    NOD_Debris* debris = Launch(frame, MAT_Vector3());
    f32 box[6];
    debris->GetBoundingBox(box, m_world->Now());
    const f32 half = 0.70710677f;  // the cube turned by 45 degrees about z
    const f32 expected[6] = {10.0f - half, -20.0f - half, 4.5f, 10.0f + half, -20.0f + half, 5.5f};
    for (s32 i = 0; i < 6; ++i)
        EXPECT_NEAR(expected[i], box[i], 1e-5f) << i;
}

}  // namespace
