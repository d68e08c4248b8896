// The contact aggregate against the real collision system and its nine handlers: registration
// and its orders, the sensing-step switching of sensors 1 and 2, the part boxes, the Emitter
// messages and the makers' replacement rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cod_emitter.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "cod_shadow.h"
#include "coh_avoid.h"
#include "coh_physical.h"
#include "coh_sense.h"
#include "coh_shadow.h"
#include "contactaggregate.h"
#include "cos_collisionsystem.h"
#include "cos_obbs_tree.h"
#include "cos_obbs_treecache.h"
#include "cos_world_fixture.h"
#include "des_file.h"
#include "des_fixture.h"
#include "mat_fixture.h"
#include "mot_motionstate.h"
#include "mrt_terrain.h"
#include "nod_body.h"
#include "nod_bodyclasses.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "pcs_handlers.h"
#include "shl_shield.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_obbs.h"
#include "tools_sections.h"

namespace
{
// The camera's view box handed to viewers and list receivers.
void FakeViewBox(NOD_Node*, f32 _box[6])
{
    const f32 box[6] = {-7.0f, -7.0f, -7.0f, 7.0f, 7.0f, 7.0f};
    for (s32 i = 0; i < 6; ++i)
        _box[i] = box[i];
}

// A body whose mass is read from its own vessel description, as a vessel's is.
class TST_MassBody : public NOD_Body
{
public:
    f32 GetMass() override
    {
        const COD_Physical_Vessel* vessel = static_cast<const COD_Physical_Vessel*>(GetAggregate().GetPhysical());
        return vessel->m_mass * 2.0f;
    }
};

// A body with a shield of its own.
class TST_ShieldBody : public NOD_Body
{
public:
    SHL_Shield* GetShield() override { return &shield; }
    SHL_Shield shield;
};

MAT_Matrix34 At(f32 _x, f32 _y, f32 _z) { return TST_TranslationFrame(_x, _y, _z); }

// The simulation's system and handlers, installed as the aggregate's world, and one body.
class Aggregate : public ::testing::Test, protected TST_CollisionWorld
{
protected:
    Aggregate() : TST_CollisionWorld(3)
    {
        world.system = &system;
        world.handlers[0] = &physical;
        world.handlers[2] = &visible;
        world.handlers[3] = &viewers;
        world.handlers[4] = &passive;
        world.handlers[5] = &active;
        world.handlers[6] = &emitters;
        world.handlers[7] = &sensors;
        world.handlers[8] = &casters;
        world.handlers[9] = &receivers;
        world.getViewBox = FakeViewBox;
        ContactAggregate::SetWorld(&world);
        NOD_RegisterBodyClasses();
        m_cache.SetPath("col\\");
        COS_OBBS_Tree_Cache::SetCurrent(&m_cache);
        m_dir.Write("col/hull", TOOL_ObbsText(TOOL_ObbsHull(20.0f, 6.0f, 4.0f, 4, 4, 16)));
        clock.Set(12.5f, SIM_STEP);
        body = new TST_MassBody;
    }

    ~Aggregate() override
    {
        // A body leaves the simulation before it is deleted.
        body->GetAggregate().LeaveSimulation();
        delete body;
        ContactAggregate::SetWorld(nullptr);
        COS_OBBS_Tree_Cache::SetCurrent(nullptr);
        NOD_UnregisterBodyClasses();
    }

    ContactAggregate& Agg() { return body->GetAggregate(); }

    template <class F>
    void WithSection(const std::string& _text, const char* _name, F _make)
    {
        TST_WithSection(m_dir, _text, _name, _make);
    }

    void MakeEmitter(const TOOL_EmitterSection& _keys = TOOL_EmitterSection())
    {
        WithSection(TOOL_EmitterSectionText(_keys), "Emitter", [&](DES_Section* _s) { Agg().GenerateEmitter(_s); });
    }

    void MakeBullet()
    {
        WithSection(TOOL_CollisionSectionText(TOOL_CollisionSection(), TOOL_COLLISION_BULLET), "Collision",
                    [&](DES_Section* _s) { Agg().GeneratePhysicalBullet(_s); });
    }

    TOOL_CollisionSection HullKeys() const
    {
        TOOL_CollisionSection keys;
        keys.collisionDescription = "hull";
        keys.mass = 3.0f;
        return keys;
    }

    void MakeVessel(ContactAggregate& _aggregate, u32 _typeFlag)
    {
        WithSection(TOOL_CollisionSectionText(HullKeys(), TOOL_COLLISION_VESSEL), "Collision",
                    [&](DES_Section* _s) { _aggregate.GeneratePhysicalVessel(_s, _typeFlag, nullptr); });
    }

    void MakeTorpedo(ContactAggregate& _aggregate)
    {
        WithSection(TOOL_CollisionSectionText(HullKeys(), TOOL_COLLISION_TORPEDO), "Collision",
                    [&](DES_Section* _s) { _aggregate.GeneratePhysicalTorpedo(_s); });
    }

    // The box a registered entry holds in the system.
    void EntryBox(u32 _type, s32 _entryId, f32 _box[6]) const
    {
        const COS_SweepEntry& entry = system.GetSweepList((s32)(_type / 2)).GetEntry(_entryId);
        for (s32 axis = 0; axis < 3; ++axis) {
            _box[axis] = entry.start.coord[axis];
            _box[axis + 3] = entry.end.coord[axis];
        }
    }

    s32 Live(u32 _type) const { return system.GetSweepList((s32)(_type / 2)).GetLiveCount(); }

    bool Logged(const std::string& _line) const
    {
        return m_dir.Read("log.txt").find(_line + "\n") != std::string::npos;
    }

    TST_TempDir m_dir;
    COS_OBBS_Tree_Cache m_cache;
    NOD_ContactWorld world;
    NOD_Body* body = nullptr;
    const MAT_Vector3 still{0.0f, 0.0f, 0.0f};
};

TEST_F(Aggregate, WithoutPartsOnlyTheMatrixAndVelocityAreKept)
{
    const MAT_Matrix34 m = At(3.0f, 4.0f, 5.0f);
    Agg().EnterSimulation(m, MAT_Vector3(1.0f, 2.0f, 3.0f));
    Agg().HeartBeat(At(6.0f, 7.0f, 8.0f), still);
    EXPECT_EQ(NOD_CONTACT_NONE, Agg().GetKind());
    for (s32 part = 0; part < NOD_PART_COUNT; ++part)
        EXPECT_EQ(NOD_PART_ABSENT, Agg().GetState(part)) << part;
    for (s32 group = 0; group < COS_GROUP_COUNT; ++group)
        EXPECT_EQ(0, system.GetSweepList(group).GetLiveCount()) << group;
    EXPECT_EQ(6.0f, Agg().GetMatrix().t.x);
    EXPECT_EQ(3.0f, Agg().GetPreviousMatrix().t.x);
    Agg().LeaveSimulation();
    EXPECT_EQ(6.0f, Agg().GetMatrix().t.x);
}

TEST_F(Aggregate, LeavingAndEnteringAgainRegistersEveryPartExactlyOnce)
{
    const f32 box[6] = {-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f};
    Agg().GeneratePhysicalCamera();
    Agg().GenerateVisibleObject(box);
    Agg().GenerateViewer();
    MakeEmitter();
    Agg().GenerateShadowCaster();
    Agg().GenerateShadowReceiver(0);
    Agg().GenerateSensor1();
    Agg().GenerateSensor3();
    WithSection(TOOL_AvoidanceSectionText(TOOL_AvoidanceSection(), TOOL_AVOIDANCE_AVOIDER), "Avoidance",
                [&](DES_Section* _s) { Agg().GenerateActiveAvoid(_s); });
    for (s32 round = 0; round < 2; ++round) {
        Agg().EnterSimulation(At(0.0f, 0.0f, 0.0f), still);
        Agg().EnterSimulation(At(0.0f, 0.0f, 0.0f), still);  // registered parts stay as they are
        EXPECT_EQ(1, physical.GetCount()) << round;
        EXPECT_EQ(1, viewers.GetCount()) << round;
        EXPECT_EQ(1, receivers.GetCount()) << round;
        EXPECT_EQ(1, sensors.GetCount()) << round;  // sensor 3 only: sensor 1 waits for a flag
        EXPECT_EQ(1, Live(COS_TYPE_VISIBLE) - viewers.GetCount()) << round;
        EXPECT_EQ(1, Live(COS_TYPE_EMITTER) - sensors.GetCount()) << round;
        EXPECT_EQ(1, Live(COS_TYPE_SHADOW_CASTER) - receivers.GetCount()) << round;
        EXPECT_EQ(1, active.GetCount()) << round;  // an avoider is an obstacle too
        EXPECT_EQ(2, Live(COS_TYPE_PASSIVE_AVOID)) << round;
        EXPECT_EQ(NOD_PART_IDLE, Agg().GetState(NOD_PART_SENSOR1));
        for (s32 part : {NOD_PART_PHYSICAL, NOD_PART_VISIBLE, NOD_PART_VIEWER, NOD_PART_EMITTER, NOD_PART_SHADOW_CASTER,
                         NOD_PART_SHADOW_RECEIVER, NOD_PART_SENSOR3})
            EXPECT_EQ(NOD_PART_REGISTERED, Agg().GetState(part)) << part;

        Agg().LeaveSimulation();
        for (s32 group = 0; group < COS_GROUP_COUNT; ++group)
            EXPECT_EQ(0, system.GetSweepList(group).GetLiveCount()) << group;
        for (s32 part : {NOD_PART_PHYSICAL, NOD_PART_VISIBLE, NOD_PART_VIEWER, NOD_PART_EMITTER, NOD_PART_SHADOW_CASTER,
                         NOD_PART_SHADOW_RECEIVER, NOD_PART_SENSOR3})
            EXPECT_EQ(NOD_PART_GENERATED, Agg().GetState(part)) << part;
        EXPECT_EQ(NOD_PART_IDLE, Agg().GetState(NOD_PART_SENSOR1));
    }
}

// Sensors 1 and 2 follow their sensing flags, but only on the sensor handler's sensing steps.
TEST_F(Aggregate, SensorsOneAndTwoSwitchOnSensingStepsOnly)
{
    const MAT_Matrix34 frame2 = At(50.0f, 0.0f, 0.0f);
    Agg().GenerateSensor1();
    Agg().GenerateSensor2();
    Agg().SetAlternateFrame2(&frame2);
    Agg().EnterSimulation(At(1.0f, 2.0f, 3.0f), still);
    COD_Sensor* s1 = Agg().GetSensor1();
    COD_Sensor* s2 = Agg().GetSensor2();
    ASSERT_EQ(0, sensors.GetCounter());

    // All flags off: idle even on a sensing step; the active and sector bits are no sensing flags.
    s1->m_flags = COD_SENSOR_ACTIVE | COD_SENSOR_SECTOR;
    Agg().HeartBeat(At(1.0f, 2.0f, 3.0f), still);
    EXPECT_EQ(NOD_PART_IDLE, Agg().GetState(NOD_PART_SENSOR1));
    EXPECT_EQ(0, sensors.GetCount());

    // Switched on: registered on this sensing step, at their frames.
    s1->m_flags |= COD_SENSOR_SEEING;
    s1->m_seeingRange = 10.0f;
    s2->m_flags = COD_SENSOR_PRESENCE;
    Agg().HeartBeat(At(1.0f, 2.0f, 3.0f), still);
    EXPECT_EQ(NOD_PART_REGISTERED, Agg().GetState(NOD_PART_SENSOR1));
    EXPECT_EQ(NOD_PART_REGISTERED, Agg().GetState(NOD_PART_SENSOR2));
    EXPECT_EQ(2, sensors.GetCount());
    EXPECT_EQ(&Agg().GetMatrix(), s1->m_transform);
    EXPECT_EQ(&frame2, s2->m_transform);
    f32 box[6];
    EntryBox(COS_TYPE_SENSOR, 0, box);  // sensor 1 entered first
    EXPECT_EQ(-9.0f, box[0]);
    EXPECT_EQ(11.0f, box[3]);

    // Switched off between sensing steps: nothing happens until the counter comes round.
    system.Process(clock);
    ASSERT_NE(0, sensors.GetCounter());
    s1->m_flags = COD_SENSOR_VISIBILITY_TESTED;
    s2->m_flags = COD_SENSOR_OCCLUSION;  // occlusion alone keeps a sensor registered
    Agg().HeartBeat(At(1.0f, 2.0f, 3.0f), still);
    EXPECT_EQ(NOD_PART_REGISTERED, Agg().GetState(NOD_PART_SENSOR1));
    while (sensors.GetCounter() != 0)
        system.Process(clock);
    Agg().HeartBeat(At(1.0f, 2.0f, 3.0f), still);
    EXPECT_EQ(NOD_PART_IDLE, Agg().GetState(NOD_PART_SENSOR1));
    EXPECT_EQ(0u, s1->m_flags & COD_SENSOR_VISIBILITY_TESTED);  // bit 7 cleared on the way out
    EXPECT_EQ(NOD_PART_REGISTERED, Agg().GetState(NOD_PART_SENSOR2));
    EXPECT_EQ(1, sensors.GetCount());
}

// The emitter follows the body only on sensing steps; the physical part on every step.
TEST_F(Aggregate, EmitterMovesOnSensingStepsOnly)
{
    Agg().GeneratePhysicalCamera();
    MakeEmitter();
    Agg().EnterSimulation(At(0.0f, 0.0f, 0.0f), still);
    EXPECT_EQ(0.0f, Agg().GetEmitter()->m_position[0]);
    system.Process(clock);
    ASSERT_NE(0, sensors.GetCounter());
    Agg().HeartBeat(At(100.0f, 0.0f, 0.0f), still);
    EXPECT_EQ(0.0f, Agg().GetEmitter()->m_position[0]);
    EXPECT_EQ(90.0f, Agg().GetPhysicalBox()[0]);
    while (sensors.GetCounter() != 0)
        system.Process(clock);
    Agg().HeartBeat(At(100.0f, 0.0f, 0.0f), still);
    EXPECT_EQ(100.0f, Agg().GetEmitter()->m_position[0]);
    EXPECT_EQ(&Agg().GetMatrix(), Agg().GetEmitter()->m_transform);
}

// Damage a son keeps passes on to its father's shield while linked.
TEST_F(Aggregate, SonShieldsLinkToTheOwnersShield)
{
    TST_ShieldBody* father = new TST_ShieldBody;
    TST_ShieldBody* shielded = new TST_ShieldBody;
    NOD_Body* plain = new NOD_Body;
    father->AddSon(shielded);
    father->AddSon(plain);
    father->GetAggregate().LinkSonShields();
    EXPECT_EQ(&father->shield, shielded->shield.GetNextShield());
    father->GetAggregate().UnlinkSonShields();
    EXPECT_EQ(nullptr, shielded->shield.GetNextShield());
    delete father;
}

TEST_F(Aggregate, EmitterMessagesSetAndAnswerTheEmitter)
{
    MakeEmitter();
    COD_Emitter* emitter = Agg().GetEmitter();
    ASSERT_NE(nullptr, emitter);
    u32 handled = 7;
    u8 value = 9;
    SIM_Name name;

    // Any value but 1 clears a bit.
    struct Case
    {
        u8 visible;
        u8 blocking;
        u8 expectVisible;
        u8 expectBlocking;
    };
    const Case cases[] = {{1, 1, 1, 2}, {2, 0, 0, 0}, {1, 2, 1, 0}, {0, 1, 0, 2}};
    for (const Case& c : cases) {
        EXPECT_EQ(nullptr, Agg().ProcessEmitterMessage(NOD_Emitter_SetVisibilityStatus::Create(c.visible), handled));
        EXPECT_EQ(1u, handled);
        EXPECT_EQ(nullptr,
                  Agg().ProcessEmitterMessage(NOD_Emitter_SetVisibilityBlockingStatus::Create(c.blocking), handled));
        NOD_Message* reply = Agg().ProcessEmitterMessage(NOD_Emitter_GetVisibilityStatus::Create(), handled);
        ASSERT_NE(nullptr, reply);
        NOD_Emitter_GetVisibilityStatus::ReadReply(reply, &value);
        EXPECT_EQ(c.expectVisible, value) << (int)c.visible;
        delete reply;
        reply = Agg().ProcessEmitterMessage(NOD_Emitter_GetVisibilityBlockingStatus::Create(), handled);
        ASSERT_NE(nullptr, reply);
        NOD_Emitter_GetVisibilityBlockingStatus::ReadReply(reply, &value);
        EXPECT_EQ(c.expectBlocking, value) << (int)c.blocking;
        delete reply;
    }

    // Sound levels by name without regard to case; a bad name is logged and changes nothing.
    EXPECT_EQ(nullptr,
              Agg().ProcessEmitterMessage(NOD_Emitter_SetSoundEmissionLevel::Create(SIM_Name("LOUD")), handled));
    EXPECT_EQ(COD_SOUND_LOUD, emitter->m_soundLevel);
    EXPECT_EQ(nullptr,
              Agg().ProcessEmitterMessage(NOD_Emitter_SetSoundEmissionLevel::Create(SIM_Name("shouting")), handled));
    EXPECT_EQ(1u, handled);
    EXPECT_EQ(COD_SOUND_LOUD, emitter->m_soundLevel);
    EXPECT_TRUE(Logged("Illegal sound emissin value shouting in SetSoundEmmision"));
    NOD_Message* reply = Agg().ProcessEmitterMessage(NOD_Emitter_GetSoundEmissionLevel::Create(), handled);
    ASSERT_NE(nullptr, reply);
    NOD_Emitter_GetSoundEmissionLevel::ReadReply(reply, &name);
    EXPECT_STREQ("loud", name.GetName());
    delete reply;
    Agg().SetSoundEmission("Silent");
    EXPECT_STREQ("silent", Agg().GetSoundEmissionName());

    // Other ids are not the aggregate's.
    NOD_Message* other = NOD_Position_SetRadius::Create(2.0f);
    EXPECT_EQ(nullptr, Agg().ProcessEmitterMessage(other, handled));
    EXPECT_EQ(0u, handled);
    delete other;
}

// Scripts send Emitter messages to any body: without an emitter they stay unhandled (the
// caller logs them as lost) and the message stays the caller's.
TEST_F(Aggregate, EmitterMessagesToABodyWithoutEmitterAreNotHandled)
{
    NOD_Message* const messages[] = {
        NOD_Emitter_SetVisibilityStatus::Create((u8)1), NOD_Emitter_GetVisibilityStatus::Create(),
        NOD_Emitter_SetSoundEmissionLevel::Create(SIM_Name("loud")), NOD_Emitter_GetSoundEmissionLevel::Create()};
    for (NOD_Message* message : messages) {
        u32 handled = 5;
        EXPECT_EQ(nullptr, Agg().ProcessEmitterMessage(message, handled));
        EXPECT_EQ(0u, handled);
        delete message;
    }
}

TEST_F(Aggregate, BulletBoxSpansTheStepsPath)
{
    MakeBullet();
    ASSERT_EQ(NOD_CONTACT_BULLET, Agg().GetKind());
    Agg().EnterSimulation(At(1.0f, 2.0f, 3.0f), MAT_Vector3(20.0f, 0.0f, -40.0f));
    const f32 expected[6] = {1.0f, 2.0f, 1.0f, 2.0f, 2.0f, 3.0f};
    for (s32 i = 0; i < 6; ++i)
        EXPECT_EQ(expected[i], Agg().GetPhysicalBox()[i]) << i;
    f32 box[6];
    EntryBox(COS_TYPE_PHYSICAL, 0, box);
    for (s32 i = 0; i < 6; ++i)
        EXPECT_EQ(expected[i], box[i]) << i;
    const COD_Physical_Bullet* bullet = static_cast<const COD_Physical_Bullet*>(Agg().GetPhysical());
    EXPECT_EQ(body, bullet->m_owner);

    Agg().HeartBeat(At(2.0f, 2.0f, 1.0f), MAT_Vector3(-20.0f, 40.0f, 0.0f));
    const f32 next[6] = {1.0f, 2.0f, 1.0f, 2.0f, 4.0f, 1.0f};
    EntryBox(COS_TYPE_PHYSICAL, 0, box);
    for (s32 i = 0; i < 6; ++i)
        EXPECT_EQ(next[i], box[i]) << i;
}

TEST_F(Aggregate, ShadowBoxesReachTheGroundAndListReceiversTakeTheViewBox)
{
    const f32 local[6] = {-1.0f, -2.0f, -3.0f, 1.0f, 2.0f, 3.0f};
    Agg().GeneratePhysicalCamera();
    Agg().GenerateVisibleObject(local);
    Agg().GenerateShadowCaster();
    Agg().GenerateShadowReceiver(0);
    for (f32 height : {100.0f, -20000.0f}) {
        Agg().EnterSimulation(At(10.0f, 0.0f, height), still);
        f32 box[6];
        EntryBox(COS_TYPE_SHADOW_CASTER, Agg().GetShadowCaster()->m_entryId, box);
        EXPECT_EQ(NOD_SHADOW_FLOOR, box[2]);
        EXPECT_EQ(9.0f, box[0]);
        EXPECT_EQ(height + 3.0f, box[5]);
        Agg().HeartBeat(At(10.0f, 0.0f, height + 1.0f), still);
        EntryBox(COS_TYPE_SHADOW_CASTER, Agg().GetShadowCaster()->m_entryId, box);
        EXPECT_EQ(NOD_SHADOW_FLOOR, box[2]);
        EXPECT_EQ(height + 4.0f, box[5]);
        Agg().LeaveSimulation();
    }

    // A camera's receiver keeps a list and covers the view box.
    NOD_Body* camera = new NOD_Body;
    camera->GetAggregate().GenerateShadowReceiver(1);
    camera->GetAggregate().EnterSimulation(At(500.0f, 0.0f, 0.0f), still);
    EXPECT_EQ(1, receivers.GetCount());
    camera->GetAggregate().LeaveSimulation();
    delete camera;
}

// The shrapnel remakes its visible object on every entry: the earlier part is replaced while
// it is unregistered (no leak under the sanitizer) and remaking a registered part is fatal.
TEST_F(Aggregate, AMakerCalledAgainReplacesItsUnregisteredPart)
{
    const f32 first[6] = {-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f};
    const f32 second[6] = {-2.0f, -2.0f, -2.0f, 2.0f, 2.0f, 2.0f};
    Agg().GenerateVisibleObject(first);
    Agg().GenerateVisibleObject(second);
    Agg().GenerateSensor1();
    Agg().GenerateSensor1();
    MakeBullet();
    MakeBullet();
    EXPECT_EQ(-2.0f, Agg().GetBox()[0]);
    Agg().EnterSimulation(At(0.0f, 0.0f, 0.0f), still);
    EXPECT_EQ(1, Live(COS_TYPE_VISIBLE));
    EXPECT_FATAL(Agg().GenerateVisibleObject(first), "ContactAggregate::GenerateVisibleObject()",
                 "part is registered with its handler");
    EXPECT_FATAL(MakeBullet(), "ContactAggregate::GeneratePhysicalBullet()", "part is registered with its handler");
    // Left and remade, as the shrapnel does on its next entry.
    Agg().LeaveSimulation();
    Agg().GenerateVisibleObject(first);
    Agg().EnterSimulation(At(0.0f, 0.0f, 0.0f), still);
    EXPECT_EQ(1, Live(COS_TYPE_VISIBLE));
    EXPECT_EQ(-1.0f, Agg().GetBox()[0]);
}
// A vessel's mass is its root's, which a vessel reads from the description being made.
TEST_F(Aggregate, VesselMakerStoresItsDescriptionBeforeAskingTheRootMass)
{
    for (u32 flag : {1u, 0u}) {
        TST_MassBody vessel;
        MakeVessel(vessel.GetAggregate(), flag);
        const COD_Physical_Vessel* d = static_cast<const COD_Physical_Vessel*>(vessel.GetAggregate().GetPhysical());
        ASSERT_NE(nullptr, d);
        EXPECT_EQ(NOD_CONTACT_VESSEL, vessel.GetAggregate().GetKind());
        EXPECT_EQ(flag != 0 ? COD_KIND_FREE_BODY : COD_KIND_GROUND_BODY, d->m_kind);
        EXPECT_EQ(6.0f, d->m_mass);
        EXPECT_EQ(1.0f * 0.05f, d->m_margin);  // no motion model: speed limit 1 per step
        EXPECT_EQ(&vessel, d->m_owner);
    }
}

// The player's speed limit is its own "MaxVelocity" per step, and the key is mandatory.
TEST_F(Aggregate, PlayerMakerReadsMaxVelocity)
{
    std::string text = TOOL_CollisionSectionText(HullKeys(), TOOL_COLLISION_VESSEL);
    const std::string withLimit = text.substr(0, text.rfind('}')) + "    MaxVelocity = 12.0\n}\n";
    WithSection(withLimit, "Collision", [&](DES_Section* _s) { Agg().GeneratePhysicalPlayer(_s); });
    const COD_Physical_Vessel* d = static_cast<const COD_Physical_Vessel*>(Agg().GetPhysical());
    EXPECT_EQ(NOD_CONTACT_PLAYER, Agg().GetKind());
    EXPECT_EQ(COD_KIND_PLAYER, d->m_kind);
    EXPECT_EQ(12.0f * 0.05f, d->m_margin);
    EXPECT_EQ(6.0f, d->m_mass);

    bool stopped = false;
    try {
        WithSection(text, "Collision", [&](DES_Section* _s) { Agg().GeneratePhysicalPlayer(_s); });
    } catch (const OS_FatalError& _error) {
        stopped = true;
        EXPECT_STREQ("DesFile Error", _error.Caption());
        EXPECT_NE(nullptr, strstr(_error.Message(), "\"MaxVelocity\""));
    }
    EXPECT_TRUE(stopped);
}

// Prototypes are copied for spawned projectiles: unregistered parts only, owned by the copy.
TEST_F(Aggregate, CloneCopiesTheUnregisteredPartsForTheNewOwner)
{
    const f32 local[6] = {-2.0f, -1.0f, -1.0f, 2.0f, 1.0f, 1.0f};
    TOOL_EmitterSection keys;
    keys.soundEmissionLevel = "medium";
    MakeVessel(Agg(), 1);
    MakeEmitter(keys);
    Agg().GenerateVisibleObject(local);
    Agg().GenerateSensor1();
    Agg().GenerateSensor4();
    Agg().GetSensor1()->m_seeingRange = 33.0f;

    NOD_Body copy;
    copy.GetAggregate().GenerateShadowCaster();  // replaced by the copy
    copy.GetAggregate().Clone(Agg());
    const ContactAggregate& c = copy.GetAggregate();
    EXPECT_EQ(NOD_CONTACT_VESSEL, c.GetKind());
    ASSERT_NE(nullptr, c.GetPhysical());
    EXPECT_NE(Agg().GetPhysical(), c.GetPhysical());
    EXPECT_EQ(&copy, c.GetPhysical()->m_owner);
    EXPECT_EQ(Agg().GetPhysical()->GetCollisionTree(), c.GetPhysical()->GetCollisionTree());  // shared tree
    ASSERT_NE(nullptr, c.GetEmitter());
    EXPECT_EQ(&copy, c.GetEmitter()->m_owner.Get());
    EXPECT_EQ(COD_SOUND_MEDIUM, c.GetEmitter()->m_soundLevel);
    EXPECT_EQ(Agg().GetEmitter()->m_flags, c.GetEmitter()->m_flags);
    EXPECT_EQ(-2.0f, c.GetBox()[0]);
    ASSERT_NE(nullptr, c.GetSensor1());
    EXPECT_EQ(33.0f, c.GetSensor1()->m_seeingRange);
    EXPECT_NE(nullptr, c.GetSensor4());
    EXPECT_EQ(nullptr, c.GetShadowCaster());
    for (s32 part : {NOD_PART_PHYSICAL, NOD_PART_EMITTER, NOD_PART_VISIBLE, NOD_PART_SENSOR1})
        EXPECT_EQ(NOD_PART_GENERATED, c.GetState(part)) << part;
    EXPECT_EQ(NOD_PART_ABSENT, c.GetState(NOD_PART_SHADOW_CASTER));

    // Bullets and torpedoes copy their own descriptions.
    NOD_Body bulletProto;
    NOD_Body bullet;
    WithSection(TOOL_CollisionSectionText(TOOL_CollisionSection(), TOOL_COLLISION_BULLET), "Collision",
                [&](DES_Section* _s) { bulletProto.GetAggregate().GeneratePhysicalBullet(_s); });
    bullet.GetAggregate().Clone(bulletProto.GetAggregate());
    EXPECT_EQ(NOD_CONTACT_BULLET, bullet.GetAggregate().GetKind());
    EXPECT_EQ(&bullet, bullet.GetAggregate().GetPhysical()->m_owner);
    NOD_Body torpedoProto;
    NOD_Body torpedo;
    MakeTorpedo(torpedoProto.GetAggregate());
    torpedo.GetAggregate().Clone(torpedoProto.GetAggregate());
    EXPECT_EQ(NOD_CONTACT_TORPEDO, torpedo.GetAggregate().GetKind());
    EXPECT_EQ(&torpedo, torpedo.GetAggregate().GetPhysical()->m_owner);
    EXPECT_EQ(torpedoProto.GetAggregate().GetPhysical()->GetCollisionTree(),
              torpedo.GetAggregate().GetPhysical()->GetCollisionTree());

    // A registered part is not copied.
    Agg().EnterSimulation(At(0.0f, 0.0f, 0.0f), still);
    NOD_Body late;
    late.GetAggregate().Clone(Agg());
    EXPECT_EQ(nullptr, late.GetAggregate().GetPhysical());
    EXPECT_EQ(nullptr, late.GetAggregate().GetEmitter());
    EXPECT_EQ(NOD_CONTACT_NONE, late.GetAggregate().GetKind());
}

// The strongest push each way moves a collision root; a son is moved by its root.
TEST_F(Aggregate, CollisionResponseMovesOnlyACollisionRoot)
{
    TST_MassBody* root = new TST_MassBody;
    TST_MassBody* son = new TST_MassBody;
    root->AddSon(son);
    MakeVessel(root->GetAggregate(), 1);
    MakeVessel(son->GetAggregate(), 1);
    COD_Physical_Vessel* d = static_cast<COD_Physical_Vessel*>(root->GetAggregate().GetPhysical());
    d->m_contactFlag = 1;
    d->m_terrainContact = 1;
    d->m_velocityBox.m_min = MAT_Vector3(-1.0f, 0.0f, 0.0f);
    d->m_velocityBox.m_max = MAT_Vector3(0.0f, 2.0f, 0.0f);
    d->m_displacementBox.m_min = MAT_Vector3(0.0f, 0.0f, -0.5f);
    d->m_displacementBox.m_max = MAT_Vector3(0.25f, 0.0f, 0.0f);

    MOT_MotionState state;
    state.frame.t = MAT_Vector3(10.0f, 20.0f, 30.0f);
    son->GetAggregate().ApplyCollisionResponse(&state);
    EXPECT_EQ(10.0f, state.frame.t.x);
    EXPECT_EQ(0.0f, state.translation[0].velocity);

    root->GetAggregate().ApplyCollisionResponse(&state);
    EXPECT_EQ(-1.0f, state.translation[0].velocity);
    EXPECT_EQ(2.0f, state.translation[1].velocity);
    EXPECT_EQ(0.0f, state.translation[2].velocity);
    EXPECT_EQ(10.25f, state.frame.t.x);
    EXPECT_EQ(29.5f, state.frame.t.z);
    EXPECT_EQ(10.25f, state.translation[0].position);
    EXPECT_EQ(29.5f, state.translation[2].position);

    // Without contacts nothing moves.
    d->m_contactFlag = 0;
    root->GetAggregate().ApplyCollisionResponse(&state);
    EXPECT_EQ(10.25f, state.frame.t.x);
    delete root;
}
}  // namespace
