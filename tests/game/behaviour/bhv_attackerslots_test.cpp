#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bhv_attackerslots.h"
#include "mem_alloc.h"
#include "nod_body.h"
#include "nod_node.h"

namespace
{
// Plain nodes stand in for the bodies that attack; a plain body owns the lists.
class AttackerSlotsTest : public ::testing::Test
{
protected:
    enum
    {
        NODE_COUNT = 8
    };

    void SetUp() override
    {
        for (NOD_Node*& node : m_nodes)
            node = new NOD_Node();
    }
    void TearDown() override
    {
        for (NOD_Node* node : m_nodes)
            delete node;
    }

    // Destroys a node before the end of the test, as the scene would.
    void Destroy(s32 _index)
    {
        delete m_nodes[_index];
        m_nodes[_index] = nullptr;
    }

    // Every node a fresh walk returns, in order.
    static std::vector<NOD_Node*> Walk(BHV_AttackerSlots& _slots)
    {
        std::vector<NOD_Node*> result;
        NOD_Node* node = nullptr;
        while (_slots.GetNext(node) != 0) {
            result.push_back(node);
            if (result.size() > 64)
                break;  // a walk that never ends fails below instead of hanging
        }
        return result;
    }

    NOD_Node* m_nodes[NODE_COUNT] = {};
    NOD_Body m_owner;
};

TEST_F(AttackerSlotsTest, AllocatesTheSimulationCountsAllEmpty)
{
    BHV_AttackerSlots attackers;
    BHV_AttackerSlots torpedoes;
    attackers.AllocateAttackers(&m_owner);
    torpedoes.AllocateTorpedoes(&m_owner);
    EXPECT_EQ(attackers.GetCapacity(), 6);
    EXPECT_EQ(torpedoes.GetCapacity(), 2);
    for (BHV_AttackerSlots* slots : {&attackers, &torpedoes}) {
        EXPECT_EQ(slots->HasFreeSlot(), 1);
        EXPECT_TRUE(Walk(*slots).empty());
        // An empty entry refers to no node: null is never contained.
        EXPECT_EQ(slots->Contains(nullptr), 0);
    }
}

TEST_F(AttackerSlotsTest, SeventhAttackerIsRefusedAndRemoveFreesOneEntry)
{
    BHV_AttackerSlots slots;
    slots.AllocateAttackers(&m_owner);
    for (s32 i = 0; i < 6; ++i) {
        EXPECT_EQ(slots.HasFreeSlot(), 1) << i;
        slots.Add(m_nodes[i]);
    }
    EXPECT_EQ(slots.HasFreeSlot(), 0);

    slots.Add(m_nodes[6]);
    EXPECT_EQ(slots.Contains(m_nodes[6]), 0);
    EXPECT_EQ(slots.HasFreeSlot(), 0);
    EXPECT_EQ(Walk(slots), std::vector<NOD_Node*>(m_nodes, m_nodes + 6));

    // The freed entry is the one reused, wherever it lies.
    slots.Remove(m_nodes[2]);
    EXPECT_EQ(slots.Contains(m_nodes[2]), 0);
    EXPECT_EQ(slots.HasFreeSlot(), 1);
    slots.Add(m_nodes[6]);
    EXPECT_EQ(slots.HasFreeSlot(), 0);
    EXPECT_EQ(Walk(slots),
              (std::vector<NOD_Node*>{m_nodes[0], m_nodes[1], m_nodes[6], m_nodes[3], m_nodes[4], m_nodes[5]}));

    // Removing a node that is not there changes nothing.
    slots.Remove(m_nodes[2]);
    slots.Remove(nullptr);
    EXPECT_EQ(slots.HasFreeSlot(), 0);
}

TEST_F(AttackerSlotsTest, DuplicateTakesTwoEntriesAndRemoveEmptiesTheFirst)
{
    BHV_AttackerSlots slots;
    slots.AllocateAttackers(&m_owner);
    slots.Add(m_nodes[0]);
    slots.Add(m_nodes[1]);
    slots.Add(m_nodes[0]);
    EXPECT_EQ(Walk(slots), (std::vector<NOD_Node*>{m_nodes[0], m_nodes[1], m_nodes[0]}));

    slots.Remove(m_nodes[0]);
    EXPECT_EQ(slots.Contains(m_nodes[0]), 1);
    // Entry 0 went empty, the copy in entry 2 stays; the next Add fills entry 0 again.
    EXPECT_EQ(Walk(slots), (std::vector<NOD_Node*>{m_nodes[1], m_nodes[0]}));
    slots.Add(m_nodes[2]);
    EXPECT_EQ(Walk(slots), (std::vector<NOD_Node*>{m_nodes[2], m_nodes[1], m_nodes[0]}));

    slots.Remove(m_nodes[0]);
    EXPECT_EQ(slots.Contains(m_nodes[0]), 0);
}

TEST_F(AttackerSlotsTest, DestroyedNodeLeavesItsEntryEmpty)
{
    BHV_AttackerSlots slots;
    slots.AllocateTorpedoes(&m_owner);
    slots.Add(m_nodes[0]);
    slots.Add(m_nodes[1]);
    ASSERT_EQ(slots.HasFreeSlot(), 0);

    const NOD_Node* destroyed = m_nodes[0];
    Destroy(0);
    EXPECT_EQ(slots.Contains(destroyed), 0);
    EXPECT_EQ(slots.HasFreeSlot(), 1);
    EXPECT_EQ(Walk(slots), std::vector<NOD_Node*>{m_nodes[1]});

    // A node destroyed in the middle of a walk is skipped by the next step.
    BHV_AttackerSlots attackers;
    attackers.AllocateAttackers(&m_owner);
    attackers.Add(m_nodes[2]);
    attackers.Add(m_nodes[3]);
    attackers.Add(m_nodes[4]);
    NOD_Node* node = nullptr;
    ASSERT_EQ(attackers.GetNext(node), 1);
    EXPECT_EQ(node, m_nodes[2]);
    Destroy(3);
    ASSERT_EQ(attackers.GetNext(node), 1);
    EXPECT_EQ(node, m_nodes[4]);
    EXPECT_EQ(attackers.GetNext(node), 0);
    EXPECT_EQ(node, m_nodes[4]);
}

TEST_F(AttackerSlotsTest, GetNextResumesAtItsCursorAndRestartsOnNull)
{
    BHV_AttackerSlots slots;
    slots.AllocateAttackers(&m_owner);
    slots.Add(m_nodes[0]);
    slots.Add(m_nodes[1]);
    slots.Add(m_nodes[2]);
    slots.Remove(m_nodes[1]);  // a hole at entry 1

    NOD_Node* node = nullptr;
    ASSERT_EQ(slots.GetNext(node), 1);
    EXPECT_EQ(node, m_nodes[0]);
    ASSERT_EQ(slots.GetNext(node), 1);
    EXPECT_EQ(node, m_nodes[2]);
    // Past the last entry the answer is 0 and the variable keeps the last node.
    EXPECT_EQ(slots.GetNext(node), 0);
    EXPECT_EQ(node, m_nodes[2]);
    EXPECT_EQ(slots.GetNext(node), 0);

    // The cursor, not the variable's value, decides where a non-null step resumes.
    node = nullptr;
    ASSERT_EQ(slots.GetNext(node), 1);
    EXPECT_EQ(node, m_nodes[0]);
    node = m_nodes[5];
    ASSERT_EQ(slots.GetNext(node), 1);
    EXPECT_EQ(node, m_nodes[2]);

    // A null variable starts again at entry 0 whatever the cursor.
    node = nullptr;
    ASSERT_EQ(slots.GetNext(node), 1);
    EXPECT_EQ(node, m_nodes[0]);
}

TEST_F(AttackerSlotsTest, WalkOfAnEmptyListEndsAtOnceLeavingTheVariable)
{
    BHV_AttackerSlots slots;
    slots.AllocateAttackers(&m_owner);
    slots.Add(m_nodes[0]);
    slots.Remove(m_nodes[0]);

    NOD_Node* node = nullptr;
    EXPECT_EQ(slots.GetNext(node), 0);
    EXPECT_EQ(node, nullptr);
    node = m_nodes[3];
    EXPECT_EQ(slots.GetNext(node), 0);
    EXPECT_EQ(node, m_nodes[3]);
}

// Unallocated, released or allocated without entries: every operation does nothing and answers 0.
TEST_F(AttackerSlotsTest, ListWithoutEntriesAnswersZero)
{
    struct Case
    {
        const char* name;
        s32 capacity;  // allocated with this count; INT32_MIN: never allocated
        bool release;
    };
    const Case cases[] = {
        {"never allocated", INT32_MIN, false},
        {"capacity 0", 0, false},
        {"negative capacity", -3, false},
        {"released", 6, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BHV_AttackerSlots slots;
        if (c.capacity != INT32_MIN)
            slots.Allocate(c.capacity);
        if (c.release) {
            slots.Add(m_nodes[0]);
            slots.Release();
        }
        slots.Add(m_nodes[1]);
        slots.Remove(m_nodes[1]);
        EXPECT_EQ(slots.GetCapacity(), 0);
        EXPECT_EQ(slots.Contains(m_nodes[0]), 0);
        EXPECT_EQ(slots.Contains(m_nodes[1]), 0);
        EXPECT_EQ(slots.HasFreeSlot(), 0);
        NOD_Node* node = m_nodes[2];
        EXPECT_EQ(slots.GetNext(node), 0);
        EXPECT_EQ(node, m_nodes[2]);
        slots.Release();
    }
}

TEST_F(AttackerSlotsTest, EntriesAreFreedAndUnlinkedOnReleaseReallocationAndDestruction)
{
    const u32 baseline = MEM_GetBytesInUse();
    {
        BHV_AttackerSlots slots;
        slots.AllocateAttackers(&m_owner);
        slots.Add(m_nodes[0]);
        EXPECT_GT(MEM_GetBytesInUse(), baseline);
        // A second allocation replaces the first list rather than leaking it.
        slots.AllocateTorpedoes(&m_owner);
        EXPECT_EQ(slots.GetCapacity(), 2);
        EXPECT_EQ(slots.Contains(m_nodes[0]), 0);
        slots.Add(m_nodes[1]);
        slots.Release();
        EXPECT_EQ(MEM_GetBytesInUse(), baseline);
        slots.Release();

        slots.AllocateAttackers(&m_owner);
        slots.Add(m_nodes[2]);
    }
    // The destructor released the last list.
    EXPECT_EQ(MEM_GetBytesInUse(), baseline);

    // The released entries left their nodes' reference lists: a live reference to the same
    // nodes still empties when they go.
    RTI_Pointer survivor;
    survivor.Set(m_nodes[0]);
    RTI_Pointer other;
    other.Set(m_nodes[2]);
    Destroy(0);
    Destroy(2);
    EXPECT_EQ(survivor.Get(), nullptr);
    EXPECT_EQ(other.Get(), nullptr);
}
}  // namespace
