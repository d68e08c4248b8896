// Torpedoes in a run with the real collision system over a flat ground: what a prototype reads
// and a clone keeps, the fatal texts, the launch, the acoustic search as one table, the looking
// and follow modes, clearance from the shooter, the powered run, sinking and death.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bhv_targeting.h"
#include "cod_activeavoid.h"
#include "cod_emitter.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "con_cache.h"
#include "cos_obbs_tree.h"
#include "launch_fixture.h"
#include "nod_buzzer.h"
#include "nod_torpedo.h"
#include "reb_mesh.h"

namespace
{
constexpr const char* FILE_NAME = "osd/weapon/t.osd";
constexpr f32 DEGREES = 0.017453292f;

class TorpedoTest : public TST_LaunchTest
{
protected:
    // A node of the class read from _text as "osd/weapon/t.osd" (deleted when the reading stops).
    template <class T>
    T* Read(const std::string& _text)
    {
        m_dir.Write(std::string("vfx/") + FILE_NAME, _text);
        T* node = new T;
        try {
            node->ParseIniFile_File(FILE_NAME);
        } catch (const OS_FatalError&) {
            delete node;
            throw;
        }
        return node;
    }

    static COD_PhysicalTorpedo* Physical(NOD_Torpedo* _torpedo)
    {
        return static_cast<COD_PhysicalTorpedo*>(_torpedo->GetAggregate().GetPhysical());
    }

    static MAT_Vector3 Position(NOD_Torpedo* _torpedo) { return _torpedo->GetModel().State.frame.t; }
};

TEST_F(TorpedoTest, ClonesKeepWhatTheDescriptionSaid)
{
    TOOL_TorpedoDescription a;
    a.lifeTime = 7.5f;
    a.acousticRange = 250.0f;
    a.acousticAngle = 60.0f;
    a.lookingMode = 1;
    a.followMode = 0;
    a.buzzerDistract = 2;  // only 1 means yes
    a.control.movePV = 30.0f;
    a.control.moveFriction[1] = 0.25f;
    MakeWorld(a);
    CON_Cache<REB_Mesh>* meshes = m_world->cache->GetRenderMeshCache();
    s32 handle = 0;
    {
        std::unique_ptr<NOD_Torpedo> clone(m_world->Spawn()->CloneTorpedo(0));
        ASSERT_NE(nullptr, clone);
        EXPECT_EQ(7.5f, clone->GetLifeTime());
        EXPECT_EQ(30.0f, clone->GetCruiseSpeed());
        EXPECT_EQ(std::cos(60.0f * DEGREES), clone->GetAcousticCosine());
        EXPECT_EQ(1, clone->GetLookingMode());
        EXPECT_EQ(0, clone->GetFollowMode());
        EXPECT_EQ(0u, clone->GetBuzzerDistract());
        EXPECT_EQ(0, clone->GetRenderBucket());
        // Sideways and vertical drift cancelled at once, the forward damping as described.
        EXPECT_EQ(1.0f, clone->GetModel().Friction.c[0]);
        EXPECT_EQ(0.25f, clone->GetModel().Friction.c[1]);
        EXPECT_EQ(1.0f, clone->GetModel().Friction.c[2]);
        EXPECT_EQ(0x27u, clone->GetModel().State.flags);
        // Hears every emitter within the range, whatever its level, in a list of 100.
        const COD_Sensor* sensor = clone->GetAggregate().GetSensor3();
        ASSERT_NE(nullptr, sensor);
        EXPECT_EQ(250.0f, sensor->m_hearingRange);
        EXPECT_EQ(100, sensor->m_heardCapacity);
        EXPECT_EQ(0, sensor->m_seenCapacity);
        EXPECT_EQ(COD_SOUND_NONE, sensor->m_minSoundLevel);
        EXPECT_EQ(COD_SENSOR_ACTIVE | COD_SENSOR_HEARING, sensor->m_flags);
        // Nothing homes on a torpedo; six may attack it.
        EXPECT_EQ(nullptr, clone->GetTorpedoSlots());
        EXPECT_EQ(6, clone->GetAttackerSlots()->GetCapacity());
        // Its own reference on the prototypes' mesh (both prototypes name it).
        handle = clone->GetMesh().GetHandle();
        ASSERT_NE(0, handle);
        EXPECT_EQ(3, meshes->GetReferenceCount(handle));
        // Its box is the mesh's.
        f32 box[6];
        clone->GetBoundingBox(box, 0.0f);
        EXPECT_NEAR(-0.5f * TOOL_TORPEDO_LENGTH, box[1], 0.01f);
        EXPECT_NEAR(0.5f * TOOL_TORPEDO_LENGTH, box[4], 0.01f);
    }
    EXPECT_EQ(2, meshes->GetReferenceCount(handle));
    std::unique_ptr<NOD_Torpedo> other(m_world->Spawn()->CloneTorpedo(1));
    EXPECT_EQ(TOOL_TorpedoDescription().lifeTime, other->GetLifeTime());
    EXPECT_EQ(1u, other->GetBuzzerDistract());
}

TEST_F(TorpedoTest, BrokenDescriptionsStopWithTheirTexts)
{
    MakeWorld();
    const std::string file = "\"vfx\\" + std::string(FILE_NAME) + "\"";
    const auto section = [&](const char* _where, const char* _section) {
        return std::string("(") + _where + "): Get [\"" + _section + "\"] in file " + file + " failed";
    };
    struct Case
    {
        std::string text;
        const char* caption;
        std::string message;
    };
    std::vector<Case> cases;
    for (const char* name : {"Visual", "Torpedo", "Control", "Collision"}) {
        TOOL_TorpedoDescription d;
        d.omitSection = name;
        cases.push_back(
            {TOOL_TorpedoDescriptionText(d), "DES FILE ERROR", section("NOD_Torpedo::ParseIniFile()", name)});
    }
    // The sections a vessel reads too report under the vessel's reader, the shield under its own.
    for (const char* name : {"Avoidance", "Emitter"}) {
        TOOL_TorpedoDescription d;
        d.omitSection = name;
        cases.push_back(
            {TOOL_TorpedoDescriptionText(d), "DES FILE ERROR", section("NOD_Vessel::ParseIniFile()", name)});
    }
    TOOL_TorpedoDescription noShield;
    noShield.omitSection = "Shield";
    cases.push_back({TOOL_TorpedoDescriptionText(noShield), "DES FILE ERROR",
                     section("NOD_ShieldedBody::ParseIniFile()", "Shield")});
    for (const char* key :
         {"NameMesh", "LifeTime", "AcousticRange", "AcousticAngle", "LookingMode", "FollowMode", "BuzzerDistract"}) {
        TOOL_TorpedoDescription omitted;
        omitted.omitKey = key;
        cases.push_back({TOOL_TorpedoDescriptionText(omitted), "DesFile Error",
                         std::string("data \"") + key + "\" not found in file " + file});
        TOOL_TorpedoDescription mistyped;
        mistyped.mistypedKey = key;
        cases.push_back({TOOL_TorpedoDescriptionText(mistyped), "DesFile Error",
                         std::string("data \"") + key + "\" in file " + file + " has wrong type"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_FATAL(delete Read<NOD_Torpedo>(c.text), c.caption, c.message.c_str());
    }

    // The buzzer's reader reports under the torpedo's name.
    for (const char* name : {"Visual", "Collision"}) {
        TOOL_BuzzerDescription d;
        d.omitSection = name;
        EXPECT_FATAL(delete Read<NOD_Buzzer>(TOOL_BuzzerDescriptionText(d)), "DES FILE ERROR",
                     section("NOD_Torpedo::ParseIniFile()", name).c_str());
    }
    TOOL_BuzzerDescription noBuzzerShield;
    noBuzzerShield.omitSection = "Shield";
    EXPECT_FATAL(delete Read<NOD_Buzzer>(TOOL_BuzzerDescriptionText(noBuzzerShield)), "DES FILE ERROR",
                 section("NOD_ShieldedBody::ParseIniFile()", "Shield").c_str());
    TOOL_BuzzerDescription noMesh;
    noMesh.omitKey = "NameMesh";
    EXPECT_FATAL(delete Read<NOD_Buzzer>(TOOL_BuzzerDescriptionText(noMesh)), "DesFile Error",
                 ("data \"NameMesh\" not found in file " + file).c_str());
}

TEST_F(TorpedoTest, ALaunchStartsAlongTheNoseWithTheShootersVelocity)
{
    MakeWorld();
    m_world->Steps(3);
    TST_Target* shooter = Target(MAT_Vector3(0.0f, 0.0f, 100.0f), "loud", MAT_Vector3(1.0f, 2.0f, 0.0f));
    TST_Target* target = Target(MAT_Vector3(0.0f, 300.0f, 100.0f));
    // Heading 90 degrees: the nose points along -x.
    NOD_Torpedo* torpedo = Fire(1, TST_Heading(MAT_Vector3(0.0f, 0.0f, 100.0f), 1.5707964f), shooter, target);
    ASSERT_NE(nullptr, torpedo);
    EXPECT_EQ(torpedo, m_world->root->GetSon(m_world->root->GetNumOfSons() - 1));
    EXPECT_TRUE(torpedo->IsInSimulation());
    EXPECT_EQ(m_world->Now(), torpedo->GetLaunchTime());
    EXPECT_EQ(1, torpedo->GetTorpedoType());
    EXPECT_EQ(shooter, torpedo->GetShooter());
    EXPECT_EQ(target, torpedo->GetTarget());
    EXPECT_EQ(0u, torpedo->IsClearOfShooter());
    EXPECT_EQ(shooter, Physical(torpedo)->m_ignore.Get());
    EXPECT_EQ(NOD_PART_REGISTERED, torpedo->GetAggregate().GetState(NOD_PART_PHYSICAL));
    EXPECT_EQ(NOD_PART_REGISTERED, torpedo->GetAggregate().GetState(NOD_PART_SENSOR3));
    // 0.2 of the cruise speed along the nose, plus the shooter's velocity.
    const f32 launch = 0.2f * TOOL_TorpedoDescription().control.movePV;
    MAT_Vector3 velocity;
    torpedo->GetVelocity(&velocity);
    EXPECT_NEAR(-launch + 1.0f, velocity.x, 1e-5f);
    EXPECT_NEAR(2.0f, velocity.y, 1e-5f);
    EXPECT_NEAR(0.0f, velocity.z, 1e-5f);

    NOD_Torpedo* untargeted = Fire(0, TST_FrameAt(MAT_Vector3(50.0f, 0.0f, 100.0f)));
    EXPECT_EQ(nullptr, untargeted->GetTarget());
    EXPECT_EQ(nullptr, untargeted->GetShooter());

    const u16 sons = m_world->root->GetNumOfSons();
    for (s32 type : {2, -1})
        EXPECT_FATAL(Fire(type, TST_FrameAt(MAT_Vector3())), "Brisel_Spawn::SpawnTorpedo()",
                     ("illegal torpedotype: " + std::to_string(type)).c_str());
    EXPECT_EQ(sons, m_world->root->GetNumOfSons());
}

// One search: the torpedo at the origin with its nose along +y, the acoustic half angle, and
// the bodies heard in list order; the answer is the index of the body chosen, or -1.
struct Heard
{
    MAT_Vector3 position;
    const char* level = "loud";
    s32 othersInSlots = 0;  // torpedoes of others already homing on it (2 fill its slots)
    bool holdsThis = false;
    bool slots = true;  // false: it keeps no torpedo slots
    bool dead = false;  // its emitter is gone before the search
};

struct SearchCase
{
    const char* name;
    f32 angle;
    std::vector<Heard> heard;
    s32 chosen;
};

TEST_F(TorpedoTest, TheSearchTakesTheMostCentralNoQuieterBodyWithRoom)
{
    MakeWorld();
    const SearchCase cases[] = {
        {"ahead", 45.0f, {{{0.0f, 100.0f, 0.0f}}}, 0},
        {"outside the cone", 45.0f, {{{100.0f, 90.0f, 0.0f}}}, -1},
        {"the more central", 45.0f, {{{30.0f, 100.0f, 0.0f}, "medium"}, {{10.0f, 100.0f, 0.0f}, "medium"}}, 1},
        {"equal cosines keep the earlier", 45.0f, {{{0.0f, 200.0f, 0.0f}}, {{0.0f, 50.0f, 0.0f}}}, 0},
        {"quieter after louder", 45.0f, {{{30.0f, 100.0f, 0.0f}, "loud"}, {{0.0f, 100.0f, 0.0f}, "silent"}}, 0},
        {"louder but wider after quieter", 45.0f, {{{0.0f, 100.0f, 0.0f}, "silent"}, {{30.0f, 100.0f, 0.0f}}}, 0},
        {"louder and more central", 45.0f, {{{30.0f, 100.0f, 0.0f}, "silent"}, {{0.0f, 100.0f, 0.0f}}}, 1},
        {"no sound at all is heard", 45.0f, {{{0.0f, 100.0f, 0.0f}, "none"}}, 0},
        // Exactly on the edge of a cone of 0 degrees: accepted.
        {"on the cone edge", 0.0f, {{{0.0f, 100.0f, 0.0f}}}, 0},
        // Straight behind never beats the starting cosine of -1, even hearing all round.
        {"straight behind", 180.0f, {{{0.0f, -100.0f, 0.0f}}}, -1},
        {"slots full", 45.0f, {{{0.0f, 100.0f, 0.0f}, "loud", 2}}, -1},
        {"slots full but holding this one", 45.0f, {{{0.0f, 100.0f, 0.0f}, "loud", 1, true}}, 0},
        {"a full one, then one with room", 45.0f, {{{0.0f, 100.0f, 0.0f}, "loud", 2}, {{20.0f, 100.0f, 0.0f}}}, 1},
        {"no torpedo slots", 45.0f, {{{0.0f, 100.0f, 0.0f}, "loud", 0, false, false}}, -1},
        {"a dead entry", 45.0f, {{{0.0f, 100.0f, 0.0f}, "loud", 0, false, true, true}, {{20.0f, 100.0f, 0.0f}}}, 1},
    };
    std::vector<NOD_Node*> others;
    for (s32 i = 0; i < 2; ++i)
        others.push_back(m_world->root->AddSon(NOD_Node::CreateNode("NOD_Node", "other")));
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.name);
        TOOL_TorpedoDescription d;
        d.acousticAngle = c.angle;
        std::unique_ptr<NOD_Torpedo> torpedo(Read<NOD_Torpedo>(TOOL_TorpedoDescriptionText(d)));
        COD_Sensor* sensor = torpedo->GetAggregate().GetSensor3();
        std::vector<TST_Target*> bodies;
        for (const Heard& h : c.heard) {
            TST_Target* body = Target(h.position, h.level);
            body->keepsTorpedoSlots = h.slots;
            for (s32 k = 0; k < h.othersInSlots; ++k)
                body->TST_OwnerBody::GetTorpedoSlots()->Add(others[(size_t)k]);
            if (h.holdsThis)
                body->TST_OwnerBody::GetTorpedoSlots()->Add(torpedo.get());
            sensor->m_heard[sensor->m_heardCount++].Set(h.dead ? nullptr : body->GetAggregate().GetEmitter());
            bodies.push_back(body);
        }
        NOD_Node* chosen = torpedo->SearchTarget();
        EXPECT_EQ(c.chosen < 0 ? nullptr : bodies[(size_t)c.chosen], chosen);
        // The torpedo now homes on the chosen body alone (held before or not).
        for (size_t i = 0; i < bodies.size(); ++i)
            EXPECT_EQ((s32)i == c.chosen ? 1 : 0, bodies[i]->TST_OwnerBody::GetTorpedoSlots()->Contains(torpedo.get()))
                << i;
        for (TST_Target* body : bodies) {
            delete body->ProcessMessage(NOD_Node_LeaveSimulation::Create());
            delete body;
        }
    }
}

TEST_F(TorpedoTest, TheSearchMovesTheTorpedoFromItsTargetToTheNewOne)
{
    MakeWorld();
    std::unique_ptr<NOD_Torpedo> torpedo(Read<NOD_Torpedo>(TOOL_TorpedoDescriptionText(TOOL_TorpedoDescription())));
    TST_Target* behind = Target(MAT_Vector3(0.0f, -100.0f, 0.0f));
    TST_Target* ahead = Target(MAT_Vector3(0.0f, 100.0f, 0.0f));
    torpedo->SetLaunch(0.0f, nullptr, MAT_Vector3(), behind, 1);
    behind->GetTorpedoSlots()->Add(torpedo.get());
    COD_Sensor* sensor = torpedo->GetAggregate().GetSensor3();
    sensor->m_heard[sensor->m_heardCount++].Set(behind->GetAggregate().GetEmitter());
    sensor->m_heard[sensor->m_heardCount++].Set(ahead->GetAggregate().GetEmitter());
    EXPECT_EQ(ahead, torpedo->SearchTarget());
    EXPECT_EQ(0, behind->GetTorpedoSlots()->Contains(torpedo.get()));
    EXPECT_EQ(1, ahead->GetTorpedoSlots()->Contains(torpedo.get()));
    // Nothing heard: out of the old target's slots, in nobody's.
    sensor->ClearResults();
    torpedo->SetLaunch(0.0f, nullptr, MAT_Vector3(), ahead, 1);
    EXPECT_EQ(nullptr, torpedo->SearchTarget());
    EXPECT_EQ(0, ahead->GetTorpedoSlots()->Contains(torpedo.get()));
}

// One powered run of 2 s: the looking mode, the target the launcher gives (none, the loud body
// ahead to the right, or a soundless one behind, outside every cone), and what the torpedo
// homes on at the end and whether it turned.
struct LookingCase
{
    const char* name;
    s32 lookingMode;
    s32 given;  // 0 none, 1 the body ahead, 2 the body behind
    s32 final;  // the same numbering
    bool turned;
    bool stillCounted;  // the given body still counts the torpedo in its slots
};

TEST_F(TorpedoTest, LookingModesChooseTheTarget)
{
    const LookingCase cases[] = {
        {"0 drops the target", 0, 1, 0, false, true},
        {"1 keeps the target", 1, 1, 1, true, true},
        {"1 without a target", 1, 0, 0, false, false},
        {"1 homes on what it is given, wherever", 1, 2, 2, true, true},
        {"2 finds the body ahead", 2, 0, 1, true, false},
        // Dropped by the gate at time 0 (no search, so it stays counted there), then searched.
        {"2 gives up a target behind", 2, 2, 1, true, true},
    };
    for (const LookingCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_world.reset();
        MakeWorld(TST_PlainTorpedo(c.lookingMode));
        TST_Target* bodies[3] = {nullptr, Target(MAT_Vector3(150.0f, 300.0f, 100.0f), "loud"),
                                 Target(MAT_Vector3(0.0f, -300.0f, 100.0f), "none")};
        NOD_Torpedo* torpedo = Fire(0, TST_FrameAt(MAT_Vector3(0.0f, 0.0f, 100.0f)), nullptr, bodies[c.given]);
        m_world->Steps(40);
        ASSERT_TRUE(Alive(torpedo));
        EXPECT_EQ(bodies[c.final], torpedo->GetTarget());
        const MAT_Vector3 forward = torpedo->GetModel().State.frame.r.GetY();
        if (c.turned)
            EXPECT_GT(std::fabs(forward.x), 0.1f);
        else
            EXPECT_NEAR(0.0f, forward.x, 1e-5f);
        if (c.given != 0) {
            EXPECT_EQ(c.stillCounted ? 1 : 0, bodies[c.given]->GetTorpedoSlots()->Contains(torpedo));
        }
    }
}

TEST_F(TorpedoTest, TheSearchGateReadsTheClearanceFlagAgainstTheClock)
{
    MakeWorld(TST_PlainTorpedo(2));
    TST_Target* ahead = Target(MAT_Vector3(0.0f, 300.0f, 100.0f));
    m_world->Steps(10);  // t = 0.5, the sensing pass of this step hears the body
    // No shooter: clear of it in the first step, so up to t = 1.0 the flag (1) is not below
    // the clock and the search does not run.
    NOD_Torpedo* torpedo = Fire(1, TST_FrameAt(MAT_Vector3(0.0f, 0.0f, 100.0f)));
    std::vector<bool> homing;
    for (s32 step = 0; step < 14; ++step) {
        m_world->Step();
        homing.push_back(torpedo->GetTarget() == ahead);
    }
    EXPECT_EQ(1u, torpedo->IsClearOfShooter());
    // t = 0.5: searched (flag 0 < 0.5); 0.55 .. 0.95: dropped; from the next step on, whose
    // clock reads just above 1.0, searched again.
    const std::vector<bool> expected = {true,  false, false, false, false, false, false,
                                        false, false, false, true,  true,  true,  true};
    EXPECT_EQ(expected, homing);
}

// One aim: the follow mode, the target's velocity (or no target), and where the torpedo
// steers in its first step.
struct AimCase
{
    const char* name;
    s32 followMode;
    bool target;
    MAT_Vector3 velocity;
    s32 expected;  // 0 ahead of the nose, 1 the target's position, 2 the intercept
};

TEST_F(TorpedoTest, FollowModesAimAtThePositionOrTheLeadPoint)
{
    const f32 cruise = TOOL_TorpedoDescription().control.movePV;
    const AimCase cases[] = {
        {"0: the position", 0, true, {10.0f, 0.0f, 0.0f}, 1},
        {"1 at rest: the position", 1, true, {0.0f, 0.0f, 0.0f}, 1},
        {"1 slower: the lead point", 1, true, {10.0f, 5.0f, 0.0f}, 2},
        {"1 as fast: the position", 1, true, {cruise, 0.0f, 0.0f}, 1},
        {"1 faster: the position", 1, true, {0.0f, 0.0f, 2.0f * cruise}, 1},
        {"another mode: ahead", 2, true, {10.0f, 0.0f, 0.0f}, 0},
        {"no target: ahead", 1, false, {}, 0},
    };
    for (const AimCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_world.reset();
        MakeWorld(TST_PlainTorpedo(1, c.followMode));
        const MAT_Vector3 start(0.0f, 0.0f, 100.0f);
        const MAT_Vector3 place(60.0f, 200.0f, 120.0f);
        TST_Target* target = c.target ? Target(place, "loud", c.velocity) : nullptr;
        NOD_Torpedo* torpedo = Fire(0, TST_Heading(start, 0.25f), nullptr, target);
        const MAT_Vector3 nose = torpedo->GetModel().State.frame.r.GetY();
        m_world->Step();
        MAT_Vector3 expected = start + nose * 300.0f;
        if (c.expected == 1)
            expected = place;
        if (c.expected == 2) {
            ASSERT_GT(BHV_BallisticIntercept(start, cruise, place, c.velocity, &expected), 0.0f);
        }
        const MOT_Vessel& model = torpedo->GetModel();
        EXPECT_NEAR(expected.x, model.Rotation.TargetPoint.x, 1e-3f);
        EXPECT_NEAR(expected.y, model.Rotation.TargetPoint.y, 1e-3f);
        EXPECT_NEAR(expected.z, model.Rotation.TargetPoint.z, 1e-3f);
        // Heading and pitch on the point, full speed along the nose whatever the heading error.
        EXPECT_EQ(0x18u, model.Rotation.PointTargetMask & 0x38u);
        EXPECT_EQ(0x2u, model.Translation.VelocityModeMask);
        EXPECT_EQ(cruise, model.Translation.TargetVelocity[1]);
    }
}

TEST_F(TorpedoTest, ATorpedoPassesThroughItsShooterUntilClearOfIt)
{
    MakeWorld(TST_PlainTorpedo(1));
    TST_Target* shooter = Target(MAT_Vector3(0.0f, 0.0f, 100.0f));
    TST_Target* target = Target(MAT_Vector3(0.0f, 400.0f, 100.0f));
    NOD_Torpedo* torpedo = Fire(0, TST_FrameAt(MAT_Vector3(0.0f, 0.0f, 100.0f)), shooter, target);
    const f32 reach = 0.5f * (shooter->GetAggregate().GetPhysical()->GetCollisionTree()->nodes[0].halfExtents.Length() +
                              Physical(torpedo)->GetCollisionTree()->nodes[0].halfExtents.Length());
    bool cleared = false;
    for (s32 step = 0; step < 40 && !cleared; ++step) {
        SCOPED_TRACE(step);
        // Measured between the places the collision parts hold before the step.
        const f32 distance = (shooter->GetAggregate().GetMatrix().t - torpedo->GetAggregate().GetMatrix().t).Length();
        m_world->Step();
        ASSERT_TRUE(Alive(torpedo));
        EXPECT_EQ(0, torpedo->GetShieldRef().IsExhausted());
        cleared = torpedo->IsClearOfShooter() != 0;
        EXPECT_EQ(reach < distance, cleared);
        EXPECT_EQ(cleared ? nullptr : shooter, Physical(torpedo)->m_ignore.Get());
    }
    ASSERT_TRUE(cleared);
    // From then on the target's own parts are no obstacles to avoid.
    EXPECT_EQ(target, torpedo->GetAggregate().GetAvoider()->m_ignore.Get());

    // Without a shooter it is clear in its first step and ignores nothing.
    NOD_Torpedo* free = Fire(0, TST_FrameAt(MAT_Vector3(100.0f, 0.0f, 100.0f)));
    EXPECT_EQ(nullptr, Physical(free)->m_ignore.Get());
    m_world->Step();
    EXPECT_EQ(1u, free->IsClearOfShooter());
    EXPECT_EQ(nullptr, Physical(free)->m_ignore.Get());
}

TEST_F(TorpedoTest, AfterItsLifeTimeATorpedoSinksNoseFirstForThirtySeconds)
{
    TOOL_TorpedoDescription d = TST_PlainTorpedo(0);
    d.lifeTime = 0.0f;
    MakeWorld(d);
    m_world->Steps(4);
    const f32 launch = m_world->Now();
    NOD_Torpedo* torpedo = Fire(0, TST_FrameAt(MAT_Vector3(0.0f, 0.0f, 3000.0f)));
    MOT_Vessel& model = torpedo->GetModel();
    // Powered only in the step at its launch time.
    m_world->Step();
    EXPECT_EQ(0x2u, model.Translation.VelocityModeMask);
    m_world->Step();
    EXPECT_EQ(0u, model.Translation.VelocityModeMask | model.Translation.PositionModeMask);
    EXPECT_EQ(0u, model.Rotation.PointTargetMask | model.Rotation.RateTargetMask);
    // The roll coupling keeps the roll driven.
    EXPECT_EQ(0x20u, model.Rotation.AngleTargetMask);
    EXPECT_EQ(0u, torpedo->GetAggregate().GetAvoider()->m_avoidanceFlags & (COD_AVOID_TERRAIN | COD_AVOID_OBJECTS));
    for (s32 i = 0; i < 3; ++i)
        EXPECT_EQ(0.01f, model.Friction.c[i]) << i;
    m_world->Steps(40);
    const MAT_Vector3 v = model.State.GetVelocity();
    EXPECT_LT(v.z, -1.0f);
    // The nose follows the path of the fall.
    const f32 pitch = std::atan2(v.z, std::sqrt(v.x * v.x + v.y * v.y));
    EXPECT_NEAR(pitch, model.State.rotation[MOT_MotionState::PITCH].angle.Get(), 0.02f);
    EXPECT_LT(model.State.frame.r.GetY().z, -0.1f);

    // Collected once 30 s have passed since the end of the powered run, not before.
    while (m_world->Now() < launch + 29.9f)
        m_world->Step();
    EXPECT_TRUE(Alive(torpedo));
    while (m_world->Now() < launch + 30.1f)
        m_world->Step();
    EXPECT_FALSE(Alive(torpedo));
}

TEST_F(TorpedoTest, AnyCollisionEmptiesTheShieldAndLeavesDebris)
{
    struct Case
    {
        const char* name;
        bool target;
        f32 pitch;  // radians, negative: nose down
    };
    for (const Case& c : {Case{"a body ahead", true, 0.0f}, Case{"the ground below", false, -1.2f}}) {
        SCOPED_TRACE(c.name);
        m_world.reset();
        MakeWorld(TST_PlainTorpedo(1, 0));
        TST_Target* target = c.target ? Target(MAT_Vector3(0.0f, 60.0f, 30.0f)) : nullptr;
        MAT_Matrix34 frame;
        frame.r.FromAngles(MAT_Angle(0.0f), MAT_Angle(c.pitch), MAT_Angle(0.0f));
        frame.t = MAT_Vector3(0.0f, 0.0f, 30.0f);
        NOD_Torpedo* torpedo = Fire(0, frame, nullptr, target);
        MAT_Vector3 last;
        s32 steps = 0;
        while (Alive(torpedo) && steps < 200) {
            last = torpedo->GetModel().State.frame.t;
            m_world->Step();
            ++steps;
        }
        EXPECT_FALSE(Alive(torpedo));
        EXPECT_LT(steps, 100);
        // The debris starts where the torpedo was last placed.
        NOD_Node* debris = Named("deb0");
        ASSERT_NE(nullptr, debris);
        const MAT_Vector3 at = NOD_Body::DynamicCast(debris)->GetWorldTransform(m_world->Now())->t;
        EXPECT_LT((at - last).Length(), 5.0f);
    }
}

TEST_F(TorpedoTest, TorpedoesAndBuzzersAreDrawnWithTheirMeshes)
{
    MakeWorld(TST_PlainTorpedo(0));
    m_world->Step();
    m_world->Render();
    const u32 before = m_world->renderer->GetStatistics().polygonsThisFrame;
    // In front of the camera, which stands at the origin looking along +y.
    NOD_Torpedo* torpedo = Fire(0, TST_FrameAt(MAT_Vector3(-3.0f, 40.0f, 0.0f)));
    m_world->Spawn()->SpawnBuzzer(nullptr, TST_FrameAt(MAT_Vector3(3.0f, 40.0f, 0.0f)), 0.0f, MAT_Vector3());
    m_world->Step();
    m_world->Render();
    const u32 hull = (u32)TOOL_TorpedoMesh().triangles.size() + (u32)TOOL_BuzzerMesh().triangles.size();
    EXPECT_EQ(before + hull, m_world->renderer->GetStatistics().polygonsThisFrame);
    EXPECT_TRUE(Alive(torpedo));
}
}  // namespace
