#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "cod_activeavoid.h"
#include "des_fixture.h"
#include "mos_string.h"
#include "nod_actorreplicators.h"
#include "nod_body.h"
#include "nod_bodyreplicator.h"
#include "nod_game.h"
#include "nod_gamereplicator.h"
#include "nod_node.h"
#include "nod_scenereplicators.h"
#include "nod_weaponreplicators.h"
#include "os_fatal.h"
#include "rpl_replicationobserver.h"
#include "rpl_string.h"
#include "shl_shield.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_sections.h"
#include "tst_memorystream.h"

namespace
{

enum Props
{
    NONE = 0,
    TRACK = 1,
    SHIELDED = 9,
    TURRET = 10,
};

struct ClassCase
{
    const char* className;
    const std::type_info& replicator;
    u32 properties;
    u32 quiet;
};

// Every node class that has a replicator of its own, and examples of those that inherit one.
const ClassCase CLASSES[] = {
    {"NOD_Node", typeid(NOD_Replicator), NONE, 0},
    {"NOD_Position", typeid(NOD_Replicator), NONE, 0},
    {"NOD_Body", typeid(NOD_BodyReplicator), TRACK, 0},
    {"NOD_Trigger", typeid(NOD_BodyReplicator), TRACK, 0},
    {"NOD_Scenario", typeid(NOD_ScenarioReplicator), NONE, 0},
    {"NOD_FX_Plant", typeid(NOD_SceneBodyReplicator), TRACK, 0},
    {"NOD_Plankton", typeid(NOD_SceneBodyReplicator), TRACK, 0},
    {"NOD_Terrain", typeid(NOD_TerrainReplicator), TRACK, 0},
    {"NOD_Bullet", typeid(NOD_BulletReplicator), TRACK, 1},
    {"NOD_ShieldedBody", typeid(NOD_ShieldReplicator), SHIELDED, 0},
    {"NOD_Wheel", typeid(NOD_ShieldReplicator), SHIELDED, 0},
    {"NOD_Generic", typeid(NOD_ShieldReplicator), SHIELDED, 0},
    {"NOD_Mine", typeid(NOD_ShieldReplicator), SHIELDED, 0},
    {"NOD_Turret_Gun", typeid(NOD_ShieldReplicator), SHIELDED, 1},
    {"NOD_Buzzer", typeid(NOD_ShieldReplicator), SHIELDED, 1},
    {"NOD_Turret_Base", typeid(NOD_TurretBaseReplicator), TURRET, 1},
    {"NOD_Vehicle", typeid(NOD_SteeredReplicator), SHIELDED, 0},
    {"NOD_Vessel", typeid(NOD_SteeredReplicator), SHIELDED, 0},
    {"NOD_Torpedo", typeid(NOD_TorpedoReplicator), SHIELDED, 0},
    {"NOD_Player", typeid(NOD_PlayerReplicator), SHIELDED, 0},
};

TEST(NodReplicatorsTest, EachClassHasItsReplicatorAndProperties)
{
    for (const ClassCase& c : CLASSES) {
        SCOPED_TRACE(c.className);
        NOD_Node* node = nullptr;
        try {
            node = NOD_Node::CreateNode(c.className, "n");
        } catch (const OS_FatalError& e) {
            ADD_FAILURE() << e.Caption() << ": " << e.Message();
        }
        ASSERT_NE(node, nullptr);
        NOD_Replicator* replicator = node->GetReplicator();
        ASSERT_NE(replicator, nullptr);
        EXPECT_EQ(typeid(*replicator), c.replicator);
        EXPECT_EQ(replicator->GetPropertyCount(), c.properties);
        EXPECT_EQ(replicator->GetFlags() & RPL_ReplicatedObject::FLAG_QUIET_DEPARTURE, c.quiet);
        EXPECT_EQ(replicator->GetClassIndex(), (u32)node->GetClassDefinition()->GetIndex());
        EXPECT_EQ(replicator->GetNode(), node);
        if (c.properties >= TRACK) {
            NOD_Body* body = NOD_Body::DynamicCast(node);
            ASSERT_NE(body, nullptr);
            EXPECT_EQ(replicator->GetProperty(0), &body->GetCS().GetTrack());
        }
        delete node;
    }
}

// A shielded body's replicator follows the shield: a dropped "LeftIn" marks property 1 only.
TEST(NodReplicatorsTest, DroppedFaceMarksItsPropertyOnly)
{
    NOD_Node* node = NOD_Node::CreateNode("NOD_Vessel", "v");
    NOD_Body* body = NOD_Body::DynamicCast(node);
    SHL_Shield* shield = body->GetShield();
    for (s32 face = 0; face < SHL_FACE_COUNT; ++face)
        shield->SetFace(face, 100 + face, 200);
    shield->SetBio(0, 50, 60);
    shield->SetEmp(0, 70, 80);
    auto* replicator = static_cast<NOD_ShieldReplicator*>(node->GetReplicator());
    for (u32 i = 0; i < NOD_ShieldReplicator::SHIELD_VALUES; ++i)
        EXPECT_EQ(replicator->GetShieldValue(i).GetValue(), NOD_GetShieldValue(*shield, i));

    RPL_ObjectRecord record;
    record.dirty.Resize(replicator->GetPropertyCount());
    replicator->MarkChanged(record, nullptr);
    for (u32 i = 1; i < replicator->GetPropertyCount(); ++i)
        EXPECT_FALSE(record.dirty.Test(i)) << i;

    shield->SetFace(SHL_FACE_LEFT, 40, 200);
    replicator->MarkChanged(record, nullptr);
    for (u32 i = 1; i < replicator->GetPropertyCount(); ++i)
        EXPECT_EQ(record.dirty.Test(i), i == 2) << i;  // property 1 of the values follows the track
    EXPECT_EQ(replicator->GetShieldValue(SHL_FACE_LEFT).GetValue(), 40);
    delete node;
}

// Changed records carry the shield and the track across; a record cut short changes nothing.
TEST(NodReplicatorsTest, ChangedRecordCarriesShieldAndTrack)
{
    NOD_Node* source = NOD_Node::CreateNode("NOD_Generic", "a");
    NOD_Node* target = NOD_Node::CreateNode("NOD_Generic", "b");
    NOD_Body* from = NOD_Body::DynamicCast(source);
    NOD_Body* to = NOD_Body::DynamicCast(target);
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = {1.0f, 2.0f, 3.0f};
    from->GetCS().GetTrack().SetState(0.5f, frame, {4.0f, 0.0f, 0.0f});
    auto* writer = static_cast<NOD_ShieldReplicator*>(source->GetReplicator());
    auto* reader = static_cast<NOD_ShieldReplicator*>(target->GetReplicator());
    from->GetShield()->SetEmp(0, 33, 40);
    from->GetShield()->SetFace(SHL_FACE_TOP, 12, 40);
    RPL_ObjectRecord record;
    record.dirty.Resize(writer->GetPropertyCount());
    writer->MarkChanged(record, nullptr);
    TST_MemoryOutput out;
    writer->WriteChanged(out, record.dirty, nullptr);
    EXPECT_EQ(writer->GetShieldValue(NOD_ShieldReplicator::VALUE_EMP).IsChangedFlag(), 0);
    EXPECT_EQ(from->GetCS().GetTrack().GetChanged(), 0u);

    for (size_t cut = 0; cut < out.Bytes().size(); ++cut) {
        TST_MemoryInput in(out.Bytes().substr(0, cut));
        reader->ReadChanged(in, 0, 0);
        EXPECT_EQ(to->GetShield()->GetEmpIn(), -1) << cut;
        EXPECT_EQ(to->GetShield()->GetFaceIn(SHL_FACE_TOP), -1) << cut;
    }
    TST_MemoryInput in(out.Bytes());
    reader->ReadChanged(in, 0, 0);
    EXPECT_EQ(to->GetShield()->GetEmpIn(), 33);
    EXPECT_EQ(to->GetShield()->GetFaceIn(SHL_FACE_TOP), 12);
    EXPECT_EQ(to->GetShield()->GetFaceIn(SHL_FACE_RIGHT), -1);
    const MAT_Matrix34* arrived = to->GetCS().GetTrack().GetAt(0.5f, nullptr);
    EXPECT_EQ(arrived->t.y, 2.0f);
    delete source;
    delete target;
}

// Vehicles and vessels driven from the other end switch off their avoidance, nothing else;
// a body without active avoidance is left alone.
TEST(NodReplicatorsTest, StartReplicaClearsOnlyAvoidanceBits)
{
    for (const char* name : {"NOD_Vessel", "NOD_Vehicle"}) {
        NOD_Node* node = NOD_Node::CreateNode(name, "v");
        NOD_Body* body = NOD_Body::DynamicCast(node);
        EXPECT_EQ(body->GetAggregate().GetAvoider(), nullptr);
        node->GetReplicator()->StartReplica(0);  // no avoidance: nothing happens
        TST_TempDir dir;
        TST_WithSection(dir, TOOL_AvoidanceSectionText(TOOL_AvoidanceSection(), TOOL_AVOIDANCE_AVOIDER), "Avoidance",
                        [&](DES_Section* _s) { body->GetAggregate().GenerateActiveAvoid(_s); });
        COD_ActiveAvoid* avoider = body->GetAggregate().GetAvoider();
        ASSERT_NE(avoider, nullptr);
        avoider->m_avoidanceFlags = 0xF7u;
        node->GetReplicator()->StartReplica(0);
        EXPECT_EQ(avoider->m_avoidanceFlags, 0xF4u) << name;
        delete node;
    }
}

// A body driven by replication follows its track instead of moving itself.
TEST(NodReplicatorsTest, ReplicaHeartBeatFollowsTrack)
{
    NOD_Node* node = NOD_Node::CreateNode("NOD_Vessel", "v");
    NOD_Body* body = NOD_Body::DynamicCast(node);
    ASSERT_NE(body->GetAttachedFrame(), nullptr);
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = {10.0f, 0.0f, 0.0f};
    body->GetCS().GetTrack().SetTransform(0.0f, frame, {20.0f, 0.0f, 0.0f});
    node->GetReplicator()->StartAll();
    EXPECT_NE(node->GetFlags() & NOD_Node::FLAG_REPLICATED, 0u);
    node->SetFlags(node->GetFlags() | NOD_Node::FLAG_IN_SIMULATION);
    body->NOD_Body::HeartBeat();
    const SIM_Clock& clock = SIM_GetSimulationClock();
    EXPECT_FLOAT_EQ(body->GetAttachedFrame()->frame.t.x, 10.0f + 20.0f * (clock.time + clock.dt));
    node->GetReplicator()->StopAll();
    delete node;
}

// A bullet restarts its track at its launch time, a torpedo at the current time; both refresh
// the world frame for the current time and enter the simulation.
TEST(NodReplicatorsTest, ProjectilesRestartFromTheirLaunch)
{
    const struct
    {
        const char* className;
        f32 trackTime;
    } cases[] = {{"NOD_Bullet", 0.0f}, {"NOD_Torpedo", 2.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        NOD_Node* node = NOD_Node::CreateNode(c.className, "p");
        NOD_Body* body = NOD_Body::DynamicCast(node);
        MAT_Matrix34 frame;
        frame.r.SetDiagonal(1.0f);
        body->SetTransform(0.0f, frame);
        SIM_GetSimulationClock().Set(2.0f, SIM_STEP);
        node->GetReplicator()->StartLocal(0);
        EXPECT_EQ(body->GetCS().GetTrack().GetPositionTrack().GetList().GetNewest()->time, c.trackTime);
        EXPECT_EQ(body->GetWorldCacheTime(), 2.0f);
        EXPECT_TRUE(node->IsInSimulation());
        node->SetFlags(node->GetFlags() & ~(u32)NOD_Node::FLAG_IN_SIMULATION);
        delete node;
    }
    SIM_GetSimulationClock().Reset();
}

// Bodies whose members are the replicator's properties die cleanly while owned and listened to.
TEST(NodReplicatorsTest, DeletedBodyLeavesOwnerAndListener)
{
    for (const char* name : {"NOD_Turret_Base", "NOD_Vessel", "NOD_Body"}) {
        SCOPED_TRACE(name);
        RPL_ReplicationObserver owner(4);
        RPL_ReplicationObserver listener(4);
        NOD_Node* node = NOD_Node::CreateNode(name, "t");
        NOD_Replicator* replicator = node->GetReplicator();
        owner.AddObject(replicator);
        listener.ObjectAdded(replicator, 0);
        EXPECT_EQ(replicator->GetListenerCount(), 1u);
        delete node;
        EXPECT_EQ(owner.GetObjectCount(), 0u);
        EXPECT_EQ(listener.GetList(1).count, 0u);
    }
}

TEST(NodReplicatorsTest, CreationRecordsOfOwnClasses)
{
    // Without a game node the two names go out empty.
    NOD_GameReplicator gameReplicator;
    TST_MemoryOutput gameOut;
    gameReplicator.WriteCreationRecord(gameOut);
    EXPECT_EQ(gameOut.Bytes(), std::string("\x00\x00", 2));

    NOD_Node* player = NOD_Node::CreateNode("NOD_Player", "player1");
    TST_MemoryOutput playerOut;
    player->GetReplicator()->WriteCreationRecord(playerOut);
    TST_MemoryInput in(playerOut.Bytes());
    MOS_String file, name;
    RPL_ReadString(in, file);
    RPL_ReadString(in, name);
    EXPECT_STREQ(file.C_Str(), "osd/pla_zaredodoviv.osd");
    EXPECT_STREQ(name.C_Str(), "rplayer");
    delete player;
}

}  // namespace
