#include <gtest/gtest.h>

#include <string>

#include "mos_string.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_replicator.h"
#include "rpl_replicationobserver.h"
#include "rpl_string.h"
#include "tst_memorystream.h"

namespace
{

int s_binds = 0;
int s_creates = 0;
int s_enters = 0;

class NodReplicatorTestReplicator : public NOD_Replicator
{
public:
    void BindNode(NOD_Node* _node) override
    {
        ++s_binds;
        NOD_Replicator::BindNode(_node);
    }
};

class NodReplicatorTestNode : public NOD_Node
{
public:
    NOD_Replicator* CreateReplicator() override
    {
        ++s_creates;
        return new NodReplicatorTestReplicator();
    }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        if (_message->GetType() == NOD_Node_EnterSimulation::ID)
            ++s_enters;
        return NOD_Node::ProcessMessage(_message);
    }
};

class NodReplicatorTest : public ::testing::Test
{
protected:
    void SetUp() override { s_binds = s_creates = s_enters = 0; }
};

TEST_F(NodReplicatorTest, GetReplicatorMakesAndBindsOnce)
{
    NodReplicatorTestNode node;
    EXPECT_EQ(node.PeekReplicator(), nullptr);
    NOD_Replicator* first = node.GetReplicator();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(node.GetReplicator(), first);
    EXPECT_EQ(s_creates, 1);
    EXPECT_EQ(s_binds, 1);
    EXPECT_EQ(first->GetNode(), &node);
    EXPECT_EQ(first->GetKind(), 0u);
    EXPECT_EQ(first->GetPropertyCount(), 0u);
    EXPECT_EQ(first->GetClassIndex(), (u32)node.GetClassDefinition()->GetIndex());

    NOD_Node plain;
    EXPECT_NE(dynamic_cast<NOD_Replicator*>(plain.GetReplicator()), nullptr);
    EXPECT_EQ(plain.GetReplicator()->GetFlags(), 0u);
}

TEST_F(NodReplicatorTest, StartAndStopSwitchFlag8Only)
{
    NodReplicatorTestNode node;
    node.SetFlags(NOD_Node::FLAG_IN_SIMULATION | 0x100);
    NOD_Replicator* replicator = node.GetReplicator();
    replicator->StartAll();
    EXPECT_EQ(node.GetFlags(), NOD_Node::FLAG_IN_SIMULATION | NOD_Node::FLAG_REPLICATED | 0x100u);
    replicator->StopAll();
    EXPECT_EQ(node.GetFlags(), NOD_Node::FLAG_IN_SIMULATION | 0x100u);
}

TEST_F(NodReplicatorTest, StartReplicaEntersOnlyANewNode)
{
    NodReplicatorTestNode node;
    NOD_Replicator* replicator = node.GetReplicator();
    replicator->StartReplica(1);
    EXPECT_EQ(s_enters, 0);
    replicator->StartReplica(0);
    EXPECT_EQ(s_enters, 1);
    replicator->StartLocal(0);
    EXPECT_EQ(s_enters, 2);
}

TEST_F(NodReplicatorTest, PropertyFlagsAroundWriteAndRead)
{
    NOD_ReplicatedProperty property;
    RPL_ObjectRecord record;
    EXPECT_EQ(property.IsChanged(record, nullptr), 0u);
    EXPECT_EQ(property.IsPending(), 0);
    property.SetPending();
    property.Take(-7);
    EXPECT_EQ(property.IsChanged(record, nullptr), 1u);
    EXPECT_EQ(property.IsPending(), 0);

    TST_MemoryOutput out;
    property.Write(out, nullptr);
    EXPECT_EQ(property.IsChanged(record, nullptr), 0u);
    EXPECT_EQ(out.Bytes(), std::string("\xF9\xFF\xFF\xFF", 4));

    NOD_ReplicatedProperty copy;
    TST_MemoryInput in(out.Bytes());
    copy.Read(in, 0, 0);
    EXPECT_EQ(copy.GetValue(), -7);
    EXPECT_EQ(copy.IsPending(), 1);
    EXPECT_EQ(copy.IsChangedFlag(), 0);

    // Three bytes of four: nothing taken.
    NOD_ReplicatedProperty cut;
    TST_MemoryInput shortIn(out.Bytes().substr(0, 3));
    cut.Read(shortIn, 0, 0);
    EXPECT_EQ(cut.GetValue(), 0);
    EXPECT_EQ(cut.IsPending(), 0);
}

TEST_F(NodReplicatorTest, CreationRecordNamesFileFatherAndNode)
{
    NOD_Node* root = new NOD_Node();
    root->SetName("root");
    NOD_Node::SetRoot(root);
    NOD_Node* father = new NOD_Node();
    father->SetName("ships");
    root->AddSon(father);
    NOD_Node* node = new NOD_Node();
    node->SetName("scout");
    father->AddSon(node);

    TST_MemoryOutput out;
    node->GetReplicator()->WriteCreationRecord(out);
    TST_MemoryInput in(out.Bytes());
    MOS_String file("x"), path, name;
    EXPECT_EQ(RPL_ReadString(in, file), 1u);
    EXPECT_EQ(RPL_ReadString(in, path), 1u);
    EXPECT_EQ(RPL_ReadString(in, name), 1u);
    EXPECT_STREQ(file.C_Str(), "");  // no load record
    EXPECT_STREQ(path.C_Str(), "/ships");
    EXPECT_STREQ(name.C_Str(), "scout");
    EXPECT_EQ(in.Position(), out.Bytes().size());
    delete root;
}

// A node deleted while its replicator is in an observer's care leaves the observer clean.
TEST_F(NodReplicatorTest, DeletedNodeLeavesItsObserver)
{
    RPL_ReplicationObserver observer(4);
    NOD_Node* node = new NOD_Node();
    NOD_Replicator* replicator = node->GetReplicator();
    observer.AddObject(replicator);
    EXPECT_NE(node->GetFlags() & NOD_Node::FLAG_REPLICATED, 0u);
    EXPECT_EQ(observer.GetObjectCount(), 1u);
    delete node;
    EXPECT_EQ(observer.GetObjectCount(), 0u);
}

}  // namespace
