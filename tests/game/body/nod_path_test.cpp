#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "mat_vector.h"
#include "mem_alloc.h"
#include "nod_bodyclasses.h"
#include "nod_handle.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_path.h"
#include "nod_patrolarea.h"
#include "nod_position.h"
#include "rti_class.h"
#include "test_dir.h"

namespace
{
// Counts the HeartBeats it receives: a marker must not run what hangs below it.
s32 s_beats = 0;
class TST_BeatNode : public NOD_Node
{
    RTI_DECLARE_CLASS(TST_BeatNode)

public:
    void HeartBeat() override { ++s_beats; }
};
RTI_IMPLEMENT_CLASS(TST_BeatNode, "NOD_Node")

class PathTest : public testing::Test
{
protected:
    void SetUp() override
    {
        s_beats = 0;
        NOD_RegisterBodyClasses();
        TST_BeatNode::RegisterClassDefinition();
    }
    void TearDown() override
    {
        NOD_Node::GC_Collect();
        delete m_owner;
        TST_BeatNode::UnregisterClassDefinition();
        NOD_UnregisterBodyClasses();
    }

    // A node of the class, owned by the fixture (so that every test cleans up even when it
    // stops early); a new node stays unattached when _loose is set.
    NOD_Node* Make(const char* _className, const char* _name, bool _loose = false)
    {
        NOD_Node* node = NOD_Node::CreateNode(_className, _name);
        EXPECT_NE(nullptr, node) << _className;
        if (node != nullptr && !_loose)
            Owner()->AddSon(node);
        return node;
    }
    NOD_Node* Owner()
    {
        if (m_owner == nullptr)
            m_owner = NOD_Node::CreateNode("NOD_Node", "owner");
        return m_owner;
    }
    static std::string Sons(const NOD_Node* _node)
    {
        std::string text;
        for (s32 i = 0; i < _node->GetNumOfSons(); ++i)
            text += std::string(i ? " " : "") + _node->GetSon(i)->GetName().GetName();
        return text;
    }
    bool Logged(const std::string& _line) const
    {
        return m_dir.Read("log.txt").find(_line + "\n") != std::string::npos;
    }

    TST_TempDir m_dir;
    NOD_Node* m_owner = nullptr;
};

TEST_F(PathTest, NewNodesHoldTheirDefaultsAndCastOnlyToTheirOwnClass)
{
    NOD_Node* plain = Make("NOD_Node", "plain");
    NOD_Node* position = Make("nod_position", "p");
    NOD_Node* path = Make("NOD_Path", "path");
    NOD_Node* area = Make("NOD_PatrolArea", "area");
    ASSERT_TRUE(position != nullptr && path != nullptr && area != nullptr);
    EXPECT_STREQ("p", position->GetName().GetName());

    const NOD_Position* p = NOD_Position::DynamicCast(position);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(0.0f, p->GetPosition().x);
    EXPECT_EQ(0.0f, p->GetPosition().y);
    EXPECT_EQ(0.0f, p->GetPosition().z);
    EXPECT_EQ(1.0f, p->GetRadius());

    const NOD_PatrolArea* a = NOD_PatrolArea::DynamicCast(area);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(0.0f, a->GetCentre().x);
    EXPECT_EQ(0.0f, a->GetCentre().y);
    EXPECT_EQ(0.0f, a->GetCentre().z);
    EXPECT_EQ(1.0f, a->GetRadius());
    EXPECT_EQ(0.0f, a->GetMinZ());
    EXPECT_EQ(0.0f, a->GetMaxZ());
    EXPECT_EQ(0u, path->GetNumOfSons());

    // Each cast answers only nodes of its own class.
    NOD_Node* nodes[] = {nullptr, plain, position, path, area};
    for (NOD_Node* node : nodes) {
        const std::string name = node != nullptr ? node->GetName().GetName() : "null";
        EXPECT_EQ(node != nullptr && node == position, NOD_Position::DynamicCast(node) != nullptr) << name;
        EXPECT_EQ(node != nullptr && node == path, NOD_Path::DynamicCast(node) != nullptr) << name;
        EXPECT_EQ(node != nullptr && node == area, NOD_PatrolArea::DynamicCast(node) != nullptr) << name;
    }
}

TEST_F(PathTest, RegistrationComesAndGoesWithTheLibrary)
{
    for (const char* name : {"NOD_Position", "NOD_Path", "NOD_PatrolArea"}) {
        const RTI_ClassDefinition* definition = RTI_ClassDefinition::Find(name);
        ASSERT_NE(nullptr, definition) << name;
        EXPECT_EQ(NOD_Node::GetStaticClassDefinition(), definition->GetBaseDefinition()) << name;
    }
    NOD_UnregisterBodyClasses();
    NOD_UnregisterBodyClasses();
    for (const char* name : {"NOD_Position", "NOD_Path", "NOD_PatrolArea"})
        EXPECT_EQ(nullptr, NOD_Node::CreateNode(name, "x")) << name;
    NOD_RegisterBodyClasses();
    NOD_RegisterBodyClasses();
    EXPECT_NE(nullptr, Make("NOD_Path", "again"));
}

TEST_F(PathTest, PositionMessagesSetAndAnswerTheExactValues)
{
    NOD_Node* node = Make("NOD_Position", "p");
    const NOD_Position* position = NOD_Position::DynamicCast(node);
    ASSERT_NE(nullptr, position);

    const MAT_Vector3 where(0.1f, -3.0e30f, std::numeric_limits<f32>::denorm_min());
    EXPECT_EQ(nullptr, node->ProcessMessage(NOD_Position_SetPosition::Create(where)));
    EXPECT_EQ(nullptr, node->ProcessMessage(NOD_Position_SetRadius::Create(25.5f)));
    EXPECT_EQ(25.5f, position->GetRadius());

    NOD_Message* reply = node->ProcessMessage(NOD_Position_GetPosition::Create());
    ASSERT_NE(nullptr, reply);
    EXPECT_EQ((u32)NOD_Position_GetPosition::ID, reply->GetType());
    MAT_Vector3 read;
    NOD_Position_GetPosition::ReadReply(reply, &read);
    delete reply;
    EXPECT_EQ(where.x, read.x);
    EXPECT_EQ(where.y, read.y);
    EXPECT_EQ(where.z, read.z);

    // The node family still answers.
    reply = node->ProcessMessage(NOD_Node_GetName::Create());
    ASSERT_NE(nullptr, reply);
    SIM_Name name;
    NOD_Node_GetName::ReadReply(reply, &name);
    delete reply;
    EXPECT_STREQ("p", name.GetName());
}

TEST_F(PathTest, PatrolAreaIsInsideCountsEveryBoundAsInside)
{
    NOD_Node* node = Make("NOD_PatrolArea", "area");
    const NOD_PatrolArea* area = NOD_PatrolArea::DynamicCast(node);
    ASSERT_NE(nullptr, area);
    // The heights are offsets from the centre's height, not absolute heights: an area read
    // with absolute bounds would hold nothing at the centre's height.
    EXPECT_EQ(nullptr, node->ProcessMessage(NOD_PatrolArea_SetPosition::Create(MAT_Vector3(10.0f, -5.0f, 100.0f))));
    EXPECT_EQ(nullptr, node->ProcessMessage(NOD_PatrolArea_SetRadius::Create(3.0f)));
    EXPECT_EQ(nullptr, node->ProcessMessage(NOD_PatrolArea_SetMinZ::Create(-20.0f)));
    EXPECT_EQ(nullptr, node->ProcessMessage(NOD_PatrolArea_SetMaxZ::Create(15.0f)));
    EXPECT_EQ(3.0f, area->GetRadius());
    EXPECT_EQ(-20.0f, area->GetMinZ());
    EXPECT_EQ(15.0f, area->GetMaxZ());

    const f32 inf = std::numeric_limits<f32>::infinity();
    const f32 nan = std::numeric_limits<f32>::quiet_NaN();
    struct Case
    {
        const char* what;
        f32 x, y, z;
        u32 inside;
    };
    const Case cases[] = {
        {"centre", 10.0f, -5.0f, 100.0f, 1},
        {"on the wall, +x", 13.0f, -5.0f, 100.0f, 1},
        {"on the wall, -y", 10.0f, -8.0f, 100.0f, 1},
        {"just past the wall", std::nextafter(13.0f, inf), -5.0f, 100.0f, 0},
        {"at centre.z + MinZ", 10.0f, -5.0f, 80.0f, 1},
        {"just below", 10.0f, -5.0f, std::nextafter(80.0f, -inf), 0},
        {"at centre.z + MaxZ", 10.0f, -5.0f, 115.0f, 1},
        {"just above", 10.0f, -5.0f, std::nextafter(115.0f, inf), 0},
        {"wall and top at once", 7.0f, -5.0f, 115.0f, 1},
        {"at the absolute MinZ", 10.0f, -5.0f, -20.0f, 0},
        {"NaN height", 10.0f, -5.0f, nan, 0},
        {"NaN x", nan, -5.0f, 100.0f, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.inside, area->IsInside(c.x, c.y, c.z)) << c.what;

    // A flat area holds only points at exactly the centre's height.
    node->ProcessMessage(NOD_PatrolArea_SetMinZ::Create(0.0f));
    node->ProcessMessage(NOD_PatrolArea_SetMaxZ::Create(0.0f));
    EXPECT_EQ(1u, area->IsInside(11.0f, -5.0f, 100.0f));
    EXPECT_EQ(0u, area->IsInside(11.0f, -5.0f, std::nextafter(100.0f, inf)));
    EXPECT_EQ(0u, area->IsInside(11.0f, -5.0f, std::nextafter(100.0f, -inf)));
}

TEST_F(PathTest, PathTakesOnlyPositionsThroughAddSon)
{
    NOD_Node* path = Make("NOD_Path", "path");
    NOD_Node* first = Make("NOD_Position", "first");
    NOD_Node* second = Make("NOD_Position", "second");
    NOD_Node* vessel = Make("NOD_Node", "vessel", true);
    NOD_Node* area = Make("NOD_PatrolArea", "area");
    NOD_Node* other = Make("NOD_Path", "other");

    EXPECT_EQ(nullptr, path->ProcessMessage(NOD_Node_AddSon::Create(first)));
    EXPECT_EQ(nullptr, path->ProcessMessage(NOD_Node_AddSon::Create(vessel)));
    EXPECT_EQ(nullptr, path->ProcessMessage(NOD_Node_AddSon::Create(area)));
    EXPECT_EQ(nullptr, path->ProcessMessage(NOD_Node_AddSon::Create(other)));
    EXPECT_EQ(nullptr, path->ProcessMessage(NOD_Node_AddSon::Create(second)));
    EXPECT_EQ("first second", Sons(path));
    EXPECT_EQ(path, first->GetFather());
    EXPECT_EQ(nullptr, vessel->GetFather());
    EXPECT_EQ(Owner(), area->GetFather());
    EXPECT_TRUE(Logged("NOD_Path::FilterAddSon() filtered out non position node \"vessel\""));
    EXPECT_TRUE(Logged("NOD_Path::FilterAddSon() filtered out non position node \"area\""));
    EXPECT_TRUE(Logged("NOD_Path::FilterAddSon() filtered out non position node \"other\""));
    EXPECT_FALSE(Logged("NOD_Path::FilterAddSon() filtered out non position node \"first\""));
    delete vessel;

    // A position already on the path moves to its end, as Node_AddSon does anywhere.
    path->ProcessMessage(NOD_Node_AddSon::Create(first));
    EXPECT_EQ("second first", Sons(path));
    // Sons attached other than by the message are not filtered.
    path->AddSon(Make("TST_BeatNode", "beat", true));
    EXPECT_EQ("second first beat", Sons(path));
}

TEST_F(PathTest, PathRefusesTheReferenceOfADeadNodeAndDeletesTheMessage)
{
    NOD_Node* path = Make("NOD_Path", "path");
    NOD_Node* gone = Make("NOD_Position", "gone", true);
    const u32 handle = NOD_GetHandle(gone);
    delete gone;

    // The reference decodes to null: refused under an empty name, never dereferenced, and the
    // message given back to the pools (the sanitizers do not see pooled blocks).
    const u32 before = MEM_GetBytesInUse();
    NOD_Message* late = new NOD_Message(NOD_Node_AddSon::ID);
    late->PutU32(handle);
    EXPECT_EQ(nullptr, path->ProcessMessage(late));
    EXPECT_EQ(nullptr, path->ProcessMessage(NOD_Node_AddSon::Create(nullptr)));
    EXPECT_EQ(before, MEM_GetBytesInUse());
    EXPECT_EQ(0u, path->GetNumOfSons());
    EXPECT_TRUE(Logged("NOD_Path::FilterAddSon() filtered out non position node \"\""));
}

TEST_F(PathTest, PathSwallowsSimulationMessages)
{
    NOD_Node* path = Make("NOD_Path", "path");
    NOD_Node* waypoint = Make("NOD_Position", "wp");
    path->ProcessMessage(NOD_Node_AddSon::Create(waypoint));

    EXPECT_EQ(nullptr, path->ProcessMessage(NOD_Node_EnterSimulation::Create()));
    EXPECT_FALSE(path->IsInSimulation());
    EXPECT_FALSE(waypoint->IsInSimulation());

    // Leaving changes nothing either, not even a flag someone set by hand.
    path->SetFlags(NOD_Node::FLAG_IN_SIMULATION);
    waypoint->SetFlags(NOD_Node::FLAG_IN_SIMULATION);
    EXPECT_EQ(nullptr, path->ProcessMessage(NOD_Node_LeaveSimulation::Create()));
    EXPECT_TRUE(path->IsInSimulation());
    EXPECT_TRUE(waypoint->IsInSimulation());
    path->SetFlags(0);
    EXPECT_FALSE(Logged("lost message"));

    // The rest of the node family still answers.
    NOD_Message* reply = path->ProcessMessage(NOD_Node_GetNumOfSons::Create());
    ASSERT_NE(nullptr, reply);
    u16 count = 0;
    NOD_Node_GetNumOfSons::ReadReply(reply, &count);
    delete reply;
    EXPECT_EQ(1, count);
}

TEST_F(PathTest, MarkersRunNoHeartBeatBelowThem)
{
    ASSERT_NE(nullptr, TST_BeatNode::GetStaticClassDefinition());
    for (const char* className : {"NOD_Position", "NOD_Path", "NOD_PatrolArea"}) {
        NOD_Node* marker = Make(className, "marker");
        marker->AddSon(Make("TST_BeatNode", "beat", true));
        s_beats = 0;
        marker->HeartBeat();
        EXPECT_EQ(0, s_beats) << className;
    }
    // The test node itself counts, or the check above proves nothing.
    Make("TST_BeatNode", "direct")->GetFather()->HeartBeat();
    EXPECT_EQ(1, s_beats);
}
}  // namespace
