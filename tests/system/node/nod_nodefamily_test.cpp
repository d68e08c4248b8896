#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mem_alloc.h"
#include "nod_handle.h"
#include "nod_message.h"
#include "nod_node.h"
#include "os_fatal.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "test_dir.h"

namespace
{
class NodeFamilyTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_root = NOD_Node::CreateNode("nod_node", "root");
        NOD_Node::SetRoot(m_root);
        m_a = m_root->AddSon(NOD_Node::CreateNode("nod_node", "a"));
        m_b = m_root->AddSon(NOD_Node::CreateNode("nod_node", "b"));
        m_a1 = m_a->AddSon(NOD_Node::CreateNode("nod_node", "a1"));
    }
    void TearDown() override { delete m_root; }

    static std::string Sons(const NOD_Node* _node)
    {
        std::string text;
        for (s32 i = 0; i < _node->GetNumOfSons(); ++i)
            text += (i ? " " : "") + std::string(_node->GetSon(i)->GetName().GetName());
        return text;
    }
    // Delivers a message that has no reply.
    static void Tell(NOD_Node* _node, NOD_Message* _message) { EXPECT_EQ(nullptr, _node->ProcessMessage(_message)); }
    // Delivers a message and reads its node reply; the reply keeps the incoming id.
    static NOD_Node* AskNode(NOD_Node* _node, NOD_Message* _message)
    {
        const u32 id = _message->GetType();
        NOD_Message* reply = _node->ProcessMessage(_message);
        EXPECT_NE(nullptr, reply);
        if (reply == nullptr)
            return nullptr;
        EXPECT_EQ(id, reply->GetType());
        NOD_Node* answer = nullptr;
        NOD_Node_GetSon::ReadReply(reply, &answer);  // every node reply is this one argument
        EXPECT_EQ(4u, reply->GetCursor());
        delete reply;
        return answer;
    }
    static std::string AskName(NOD_Node* _node, NOD_Message* _message)
    {
        NOD_Message* reply = _node->ProcessMessage(_message);
        EXPECT_NE(nullptr, reply);
        if (reply == nullptr)
            return "?";
        SIM_Name name;
        NOD_Node_GetName::ReadReply(reply, &name);  // every name reply is this one argument
        delete reply;
        return name.GetName();
    }
    bool Logged(const std::string& _line) const
    {
        return m_dir.Read("log.txt").find(_line + "\n") != std::string::npos;
    }

    TST_TempDir m_dir;
    NOD_Node* m_root = nullptr;
    NOD_Node* m_a = nullptr;
    NOD_Node* m_b = nullptr;
    NOD_Node* m_a1 = nullptr;
};

TEST_F(NodeFamilyTest, NameAndConfiguration)
{
    Tell(m_a, NOD_Node_SetName::Create(SIM_Name("renamed")));
    EXPECT_STREQ("renamed", m_a->GetName().GetName());
    EXPECT_EQ("renamed", AskName(m_a, NOD_Node_GetName::Create()));

    // A name field without its terminator does not become a name.
    NOD_Message* raw = new NOD_Message(NOD_Node_SetName::ID);
    u8 field[SIM_Name::FIELD_BYTES];
    memset(field, 'x', sizeof(field));
    raw->PutBytes(field, sizeof(field));
    Tell(m_a, raw);
    EXPECT_STREQ("", m_a->GetName().GetName());

    m_dir.Write("vfx/node.des", "[Node] { Speed = 1 }\n");
    Tell(m_b, NOD_Node_ParseIniFile::Create(SIM_ClassName("node.des")));
    EXPECT_TRUE(Logged("node \"b\" received parse ini file(\"vfx\\node.des\")"));
    const u32 inUse = MEM_GetBytesInUse();
    EXPECT_FATAL(m_b->ProcessMessage(NOD_Node_ParseIniFile::Create(SIM_ClassName("none.des"))),
                 "NOD_Node::ParseIniFile() : file not found or syntax error in des file", "vfx\\none.des");
    EXPECT_EQ(inUse, MEM_GetBytesInUse());  // the message went before the program stopped
}

TEST_F(NodeFamilyTest, EnterAndLeaveSimulationTouchOnlyTheReceiver)
{
    Tell(m_a, NOD_Node_EnterSimulation::Create());
    Tell(m_a, NOD_Node_EnterSimulation::Create());
    EXPECT_TRUE(m_a->IsInSimulation());
    EXPECT_EQ((u32)NOD_Node::FLAG_IN_SIMULATION, m_a->GetFlags());
    EXPECT_FALSE(m_a1->IsInSimulation());
    EXPECT_FALSE(m_root->IsInSimulation());

    m_a->SetFlags(m_a->GetFlags() | 1u);  // other bits stay
    Tell(m_a, NOD_Node_LeaveSimulation::Create());
    EXPECT_EQ(1u, m_a->GetFlags());
    Tell(m_b, NOD_Node_LeaveSimulation::Create());
    EXPECT_EQ(0u, m_b->GetFlags());
}

TEST_F(NodeFamilyTest, TreeBuildingMessages)
{
    Tell(m_root, NOD_Node_AddSon::Create(m_a));  // already a son: moves to the end
    EXPECT_EQ("b a", Sons(m_root));
    Tell(m_root, NOD_Node_AddSon::Create(nullptr));
    Tell(m_a1, NOD_Node_AddSon::Create(m_root));  // a cycle: refused
    EXPECT_EQ(m_root, m_a->GetFather());
    EXPECT_TRUE(Logged("NOD_Node::AddSon() : node \"root\" cannot become a son of \"a1\", it would contain itself"));

    NOD_Node* fresh = AskNode(m_b, NOD_Node_CreateNode::Create(SIM_ClassName("nOd_NoDe"), SIM_Name("fresh")));
    ASSERT_NE(nullptr, fresh);
    EXPECT_STREQ("fresh", fresh->GetName().GetName());
    EXPECT_EQ(nullptr, fresh->GetFather());
    EXPECT_FALSE(fresh->IsInSimulation());
    EXPECT_EQ(nullptr, AskNode(m_b, NOD_Node_CreateNode::Create(SIM_ClassName("nod_nothing"), SIM_Name("x"))));
    EXPECT_TRUE(Logged("NOD_Node::PM_CreateNode() could not create node of class 'nod_nothing' and name 'x'"));
    EXPECT_EQ(nullptr, AskNode(m_b, NOD_Node_CreateNode::Create(SIM_ClassName("sim_path"), SIM_Name("y"))));

    Tell(m_b, NOD_Node_AddSon::Create(fresh));
    EXPECT_EQ(m_b, fresh->GetFather());

    // Removed by message, the son lives on without a father and can be attached elsewhere.
    EXPECT_EQ(fresh, AskNode(m_b, NOD_Node_SubSon::Create(fresh)));
    EXPECT_EQ(nullptr, fresh->GetFather());
    EXPECT_EQ(0, m_b->GetNumOfSons());
    Tell(m_a1, NOD_Node_AddSon::Create(fresh));
    EXPECT_EQ(m_a1, fresh->GetFather());
    EXPECT_EQ(nullptr, AskNode(m_b, NOD_Node_SubSon::Create(nullptr)));

    // A handle kept after its node died reaches nothing.
    NOD_Message* stale = NOD_Node_AddSon::Create(fresh);
    delete m_a1->SubSon(fresh);
    Tell(m_b, stale);
    EXPECT_EQ(0, m_b->GetNumOfSons());

    const u32 inUse = MEM_GetBytesInUse();
    EXPECT_FATAL(m_b->ProcessMessage(NOD_Node_SubSon::Create(m_a1)), "NOD_Node::SubSon()", "son not found");
    EXPECT_EQ(inUse, MEM_GetBytesInUse());
    EXPECT_EQ(m_a, m_a1->GetFather());
}

TEST_F(NodeFamilyTest, InspectionMessages)
{
    EXPECT_EQ(m_a, AskNode(m_a, NOD_Node_Find::Create(SIM_Path("."))));
    EXPECT_EQ(m_root, AskNode(m_a1, NOD_Node_Find::Create(SIM_Path("/"))));
    EXPECT_EQ(nullptr, AskNode(m_a, NOD_Node_Find::Create(SIM_Path(""))));
    EXPECT_EQ(m_b, AskNode(m_a, NOD_Node_Find::Create(SIM_Path("../B"))));
    EXPECT_EQ(m_a1, AskNode(m_b, NOD_Node_Find::Create(SIM_Path("/a/a1"))));

    struct PathCase
    {
        NOD_Node* node;
        const char* text;
        u32 absolute;
    };
    const PathCase paths[] = {{m_root, "/", 1}, {m_a1, "/a/a1", 1}};
    for (const PathCase& test : paths) {
        NOD_Message* reply = test.node->ProcessMessage(NOD_Node_GetPath::Create());
        ASSERT_NE(nullptr, reply);
        EXPECT_EQ((u32)NOD_Node_GetPath::ID, reply->GetType());
        SIM_Path path;
        NOD_Node_GetPath::ReadReply(reply, &path);
        delete reply;
        char text[SIM_Path::STRING_BYTES];
        path.GetString(text, sizeof(text));
        EXPECT_STREQ(test.text, text);
        EXPECT_EQ(test.absolute, path.IsAbsolute());
    }

    const struct
    {
        NOD_Node* node;
        u16 sons;
    } counts[] = {{m_a1, 0}, {m_a, 1}, {m_root, 2}};
    for (const auto& test : counts) {
        NOD_Message* reply = test.node->ProcessMessage(NOD_Node_GetNumOfSons::Create());
        ASSERT_NE(nullptr, reply);
        u16 sons = 0xFFFF;
        NOD_Node_GetNumOfSons::ReadReply(reply, &sons);
        delete reply;
        EXPECT_EQ(test.sons, sons);
    }

    EXPECT_EQ(m_a, AskNode(m_root, NOD_Node_GetSon::Create(0)));
    EXPECT_EQ(m_b, AskNode(m_root, NOD_Node_GetSon::Create(1)));
    EXPECT_EQ("b", AskName(m_root, NOD_Node_GetSonName::Create(1)));
    // Outside the sons: no node and no name, with a log line, never a read past the array.
    EXPECT_EQ(nullptr, AskNode(m_root, NOD_Node_GetSon::Create(2)));
    EXPECT_EQ(nullptr, AskNode(m_a1, NOD_Node_GetSon::Create(-1)));
    EXPECT_EQ("", AskName(m_root, NOD_Node_GetSonName::Create(1000)));
    EXPECT_TRUE(Logged("NOD_Node::GetSon() : node \"root\" has no son 2"));
    EXPECT_TRUE(Logged("NOD_Node::GetSon() : node \"a1\" has no son -1"));
    EXPECT_TRUE(Logged("NOD_Node::GetSon() : node \"root\" has no son 1000"));

    SIM_Clock& clock = SIM_GetSimulationClock();
    const f32 before = clock.time;
    clock.SetTime(12.25f);
    NOD_Message* reply = m_b->ProcessMessage(NOD_Node_GetTime::Create());
    clock.SetTime(before);
    ASSERT_NE(nullptr, reply);
    f32 time = 0.0f;
    NOD_Node_GetTime::ReadReply(reply, &time);
    delete reply;
    EXPECT_EQ(12.25f, time);
}
}  // namespace
