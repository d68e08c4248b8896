// The generic creation record: finding or making the node it names, and refusing every record
// that could stop or mislead the receiver.
#include <gtest/gtest.h>

#include <string>

#include "nod_creationrecord.h"
#include "nod_node.h"
#include "rpl_replicationhost.h"
#include "rpl_string.h"
#include "test_dir.h"
#include "tst_memorystream.h"

namespace
{
struct TST_Generic
{
    std::string file;
    std::string father;
    std::string name;
};

std::string Record(const TST_Generic& _record)
{
    TST_MemoryOutput out;
    RPL_WriteString(out, _record.file.data(), (u32)_record.file.size());
    RPL_WriteString(out, _record.father.data(), (u32)_record.father.size());
    RPL_WriteString(out, _record.name.data(), (u32)_record.name.size());
    return out.Bytes();
}

class NodCreationRecordTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_dir.Write("vfx/lamp.des", "[Lamp] { Power = 3 }\n");
        m_dir.Write("terrain.des", "x");
        m_root = NOD_Node::CreateNode("nod_node", "root");
        NOD_Node::SetRoot(m_root);
        m_root->AddSon(NOD_Node::CreateNode("nod_node", "scene"));
        // A sending host counts the description reads as load records.
        RPL_ReplicationHost::SetCurrent(&m_host);
    }
    void TearDown() override
    {
        RPL_ReplicationHost::SetCurrent(nullptr);
        delete NOD_Node::GetRoot();
    }

    static NOD_Node* Create(const std::string& _bytes, s32 _replica = 0,
                            u32 _class = (u32)NOD_Node::GetStaticClassDefinition()->GetIndex())
    {
        TST_MemoryInput in(_bytes);
        return (NOD_Node*)NOD_CreationRecord::CreateFromStream(_class, _replica, in);
    }

    TST_TempDir m_dir;
    RPL_ReplicationHost m_host{nullptr, 0};
    NOD_Node* m_root = nullptr;
};

TEST_F(NodCreationRecordTest, MakesTheNodeOnceAndFindsItAfterwards)
{
    NOD_Node* lamp = Create(Record({"lamp.des", "/scene", "lamp"}));
    ASSERT_NE(nullptr, lamp);
    EXPECT_EQ(m_root->Find(SIM_Path("/scene")), lamp->GetFather());
    EXPECT_STREQ("lamp", lamp->GetName().GetName());
    EXPECT_EQ(0u, lamp->GetFlags() & NOD_Node::FLAG_REPLICATED);
    EXPECT_EQ(1u, m_host.GetLoadRecordCount());

    // The same record again finds the node without reading its description again; a replica
    // marks it driven.
    EXPECT_EQ(lamp, Create(Record({"lamp.des", "/scene", "lamp"}), 1));
    EXPECT_EQ(1u, m_host.GetLoadRecordCount());
    EXPECT_EQ(NOD_Node::FLAG_REPLICATED, lamp->GetFlags() & NOD_Node::FLAG_REPLICATED);
    EXPECT_EQ(1, lamp->GetFather()->GetNumOfSons());

    // An empty file name makes a node that reads nothing; the root is "/".
    NOD_Node* bare = Create(Record({"", "/", "bare"}), 1);
    ASSERT_NE(nullptr, bare);
    EXPECT_EQ(m_root, bare->GetFather());
    EXPECT_EQ(NOD_Node::FLAG_REPLICATED, bare->GetFlags() & NOD_Node::FLAG_REPLICATED);
    EXPECT_EQ(1u, m_host.GetLoadRecordCount());
}

TEST_F(NodCreationRecordTest, RefusedRecordsMakeNothing)
{
    const std::string full = Record({"lamp.des", "/scene", "lamp"});
    const struct
    {
        const char* what;
        std::string bytes;
        u32 classIndex;
    } cases[] = {
        {"no father", Record({"", "/nowhere", "x"}), 0},
        {"relative father", Record({"", "scene", "x"}), 0},
        {"five names", Record({"", "/a/b/c/d/e", "x"}), 0},
        {"long path element", Record({"", "/abcdefghijklmnop", "x"}), 0},
        {"trailing separator", Record({"", "/scene/", "x"}), 0},
        {"empty name", Record({"", "/scene", ""}), 0},
        {"dot", Record({"", "/scene", "."}), 0},
        {"dot dot", Record({"", "/scene", ".."}), 0},
        {"separator in the name", Record({"", "/", "scene/x"}), 0},
        {"long name", Record({"", "/", "abcdefghijklmno"}), 0},
        {"zero in the name", Record({"", "/", std::string("a\0b", 3)}), 0},
        {"missing file", Record({"none.des", "/", "x"}), 0},
        {"file above vfx", Record({"../terrain.des", "/", "x"}), 0},
        {"absolute file", Record({"/lamp.des", "/", "x"}), 0},
        {"cut short", full.substr(0, full.size() - 1), 0},
        {"empty stream", "", 0},
        {"huge length", std::string("\xF0\xFF\xFF\xFF\xFF", 5), 0},
        {"unknown class", full, 0x7FFFFFFFu},
        {"class index past s32", full, 0xFFFFFFFFu},
    };
    for (const auto& c : cases) {
        const u32 classIndex = c.classIndex != 0 ? c.classIndex : (u32)NOD_Node::GetStaticClassDefinition()->GetIndex();
        EXPECT_EQ(nullptr, Create(c.bytes, 0, classIndex)) << c.what;
    }
    EXPECT_EQ(1, m_root->GetNumOfSons());
    EXPECT_EQ(0, m_root->GetSon(0)->GetNumOfSons());
    EXPECT_EQ(0u, m_host.GetLoadRecordCount());
}

TEST_F(NodCreationRecordTest, ASonOfAnotherClassIsNotTaken)
{
    // The index of a class that makes no node: nothing is made, the son of that name stays.
    RTI_ClassDefinition notNode(
        "RTI_Class", "TST_NotNode", []() -> RTI_Class* { return nullptr; }, 4);
    EXPECT_EQ(nullptr, Create(Record({"", "/", "scene"}), 0, (u32)notNode.GetIndex()));
    EXPECT_EQ(1, m_root->GetNumOfSons());
    EXPECT_EQ(m_root->GetSon(0), Create(Record({"", "/", "scene"})));
}
}  // namespace
