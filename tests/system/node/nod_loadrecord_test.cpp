// Load records: what nodes read their descriptions from, kept only while a replication host
// exists and only on the sending side.
#include <gtest/gtest.h>

#include "nod_loadrecord.h"
#include "nod_node.h"
#include "rpl_replicationhost.h"
#include "test_dir.h"

namespace
{
class NodLoadRecordTest : public testing::Test
{
protected:
    void SetUp() override { m_dir.Write("vfx/lamp.des", "[Lamp] { Power = 3 }\n"); }
    void TearDown() override { RPL_ReplicationHost::SetCurrent(nullptr); }

    TST_TempDir m_dir;
};

TEST_F(NodLoadRecordTest, ReadingADescriptionLeavesARecordOnlyWithASendingHost)
{
    NOD_Node* node = NOD_Node::CreateNode("nod_node", "lamp");
    node->ParseIniFile_File("lamp.des");
    EXPECT_EQ(-1, node->GetLoadRecord());
    EXPECT_EQ(nullptr, NOD_LoadRecord::Get(0));

    RPL_ReplicationHost replica(nullptr, 1);
    RPL_ReplicationHost::SetCurrent(&replica);
    node->ParseIniFile_File("lamp.des");
    EXPECT_EQ(-1, node->GetLoadRecord());
    EXPECT_EQ(0u, replica.GetLoadRecordCount());

    RPL_ReplicationHost sender(nullptr, 0);
    RPL_ReplicationHost::SetCurrent(&sender);
    NOD_Node* other = NOD_Node::CreateNode("nod_node", "other");
    other->ParseIniFile_File("lamp.des");
    node->ParseIniFile_File("lamp.des");
    EXPECT_EQ(0, other->GetLoadRecord());
    EXPECT_EQ(1, node->GetLoadRecord());
    const RPL_LoadRecord* record = NOD_LoadRecord::Get(1);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ((u32)NOD_Node::GetStaticClassDefinition()->GetIndex(), record->classIndex);
    EXPECT_STREQ("lamp.des", record->fileName.C_Str());
    EXPECT_STREQ("lamp", record->nodeName.C_Str());
    EXPECT_EQ(nullptr, NOD_LoadRecord::Get(2));
    EXPECT_EQ(nullptr, NOD_LoadRecord::Get(-1));
    delete other;
    delete node;
}

TEST_F(NodLoadRecordTest, RecordsGrowByPowersOfTwoAndKeepTheirContents)
{
    RPL_ReplicationHost host(nullptr, 0);
    RPL_ReplicationHost::SetCurrent(&host);
    EXPECT_EQ(-1, NOD_LoadRecord::Add(nullptr, "a.des", "a"));
    const struct
    {
        u32 count;
        u32 capacity;
    } steps[] = {{1, 4}, {4, 4}, {5, 8}, {9, 16}, {17, 32}};
    u32 made = 0;
    for (const auto& step : steps) {
        while (made < step.count) {
            const std::string name = "n" + std::to_string(made);
            EXPECT_EQ((s32)made, NOD_LoadRecord::Add(NOD_Node::GetStaticClassDefinition(), name.c_str(), name.c_str()));
            ++made;
        }
        EXPECT_EQ(step.capacity, host.GetLoadRecordCapacity()) << step.count;
    }
    for (u32 i = 0; i < made; ++i)
        EXPECT_EQ("n" + std::to_string(i), NOD_LoadRecord::Get((s32)i)->nodeName.C_Str());
    // Deleting the host clears the process-wide pointer that points at it.
    RPL_ReplicationHost* other = new RPL_ReplicationHost(nullptr, 0);
    RPL_ReplicationHost::SetCurrent(other);
    delete other;
    EXPECT_EQ(nullptr, RPL_ReplicationHost::GetCurrent());
}
}  // namespace
