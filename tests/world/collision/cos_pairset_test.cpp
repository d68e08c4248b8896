// The pair set: tree shapes (which fix the reported pair order), deletion, growth.
#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "cos_pairset.h"

namespace
{
std::vector<s32> KeysOf(const COS_PairSet& _set, s32 _bucket)
{
    std::vector<s32> keys((size_t)_set.GetBucketSize(_bucket));
    const s32 count = _set.GetKeysBreadthFirst(_bucket, keys.data());
    EXPECT_EQ((s32)keys.size(), count);
    return keys;
}

// Every node's parent link and the search order hold.
void ExpectSoundTree(const COS_PairNode* _node, const COS_PairNode* _parent, s32 _low, s32 _high)
{
    if (_node == nullptr)
        return;
    EXPECT_EQ(_parent, _node->parent);
    EXPECT_LT(_low, _node->key);
    EXPECT_GT(_high, _node->key);
    ExpectSoundTree(_node->left, _node, _low, _node->key);
    ExpectSoundTree(_node->right, _node, _node->key, _high);
}

TEST(CosPairSetTest, KeysGoIntoTheLowerBucketAsUnbalancedTreeLeaves)
{
    COS_PairSet set(16, 64);
    for (s32 key : {8, 4, 12, 2, 6, 14, 5})
        set.AddPair(key, 1);  // order of the ids does not matter
    set.AddPair(1, 6);        // present already
    EXPECT_EQ(7, set.GetPairCount());
    EXPECT_EQ((std::vector<s32>{8, 4, 12, 2, 6, 14, 5}), KeysOf(set, 1));
    EXPECT_TRUE(set.HasPair(14, 1));
    EXPECT_FALSE(set.HasPair(1, 7));
    EXPECT_EQ(0, set.GetBucketSize(8));
    ExpectSoundTree(set.GetRoot(1), nullptr, -1, 1 << 30);

    // A later, larger key is always a right leaf: insertion order is the whole shape.
    COS_PairSet chain(16, 64);
    for (s32 key : {2, 3, 4})
        chain.AddPair(0, key);
    EXPECT_EQ(4, chain.GetRoot(0)->right->right->key);
}

struct DeletionCase
{
    s32 removed;
    std::vector<s32> breadthFirst;
};

TEST(CosPairSetTest, DeletionSplicesTheLeftSubtreeUnderTheSmallestRightNode)
{
    // Tree of bucket 0 from the keys 8 4 12 2 6 10 14 5 11.
    const DeletionCase cases[] = {
        {8, {12, 10, 14, 4, 11, 2, 6, 5}},     // two children at the root
        {4, {8, 6, 12, 5, 10, 14, 2, 11}},     // two children inside
        {12, {8, 4, 14, 2, 6, 10, 5, 11}},     // two children, right child has no left
        {10, {8, 4, 12, 2, 6, 11, 14, 5}},     // one child
        {5, {8, 4, 12, 2, 6, 10, 14, 11}},     // leaf
        {9, {8, 4, 12, 2, 6, 10, 14, 5, 11}},  // absent: nothing changes
    };
    for (const DeletionCase& c : cases) {
        COS_PairSet set(16, 64);
        for (s32 key : {8, 4, 12, 2, 6, 10, 14, 5, 11})
            set.AddPair(0, key);
        set.RemovePair(c.removed, 0);
        set.RemovePair(c.removed, 0);  // a pair already gone
        EXPECT_EQ(c.breadthFirst, KeysOf(set, 0)) << "removed " << c.removed;
        EXPECT_EQ((s32)c.breadthFirst.size(), set.GetPairCount());
        ExpectSoundTree(set.GetRoot(0), nullptr, 0, 1 << 30);
    }
}

TEST(CosPairSetTest, RebalanceInsertsAtMultiplesOfHalvingSteps)
{
    const std::vector<s32> expected[] = {
        {},
        {1},
        {2, 1},
        {2, 1, 3},
        {3, 2, 4, 1},
        {3, 2, 4, 1, 5},
        {4, 2, 5, 1, 3, 6},
        {4, 2, 6, 1, 3, 5, 7},
        {5, 3, 7, 2, 4, 6, 8, 1},
    };
    for (s32 n = 0; n < (s32)std::size(expected); ++n) {
        COS_PairSet set(16, 64);
        for (s32 key = 1; key <= n; ++key)
            set.AddPair(key, 0);
        set.Rebalance(0);
        EXPECT_EQ(expected[n], KeysOf(set, 0)) << n << " keys";
        ExpectSoundTree(set.GetRoot(0), nullptr, 0, 1 << 30);
    }
}

TEST(CosPairSetTest, AFullPoolDoublesAndRebuildsEveryTreeBalanced)
{
    COS_PairSet set(8, 4);
    for (s32 key = 1; key <= 4; ++key)
        set.AddPair(0, key);
    EXPECT_EQ(4, set.GetNodeCapacity());
    EXPECT_EQ((std::vector<s32>{1, 2, 3, 4}), KeysOf(set, 0));  // a right-leaning chain

    // The pool grows before the duplicate is found, so even a duplicate rebuilds the trees.
    set.AddPair(0, 4);
    EXPECT_EQ(8, set.GetNodeCapacity());
    EXPECT_EQ(4, set.GetPairCount());
    EXPECT_EQ((std::vector<s32>{3, 2, 4, 1}), KeysOf(set, 0));
    set.AddPair(0, 5);
    EXPECT_EQ((std::vector<s32>{3, 2, 4, 1, 5}), KeysOf(set, 0));
    ExpectSoundTree(set.GetRoot(0), nullptr, 0, 1 << 30);
}

TEST(CosPairSetTest, BucketsGrowToDoubleOrToTheHigherId)
{
    COS_PairSet set(4, 16);
    set.AddPair(1, 5);
    EXPECT_EQ(8, set.GetBucketCount());
    set.AddPair(20, 2);
    EXPECT_EQ(21, set.GetBucketCount());
    EXPECT_TRUE(set.HasPair(1, 5));
    EXPECT_TRUE(set.HasPair(2, 20));
    // A bucket beyond the array reads as empty.
    EXPECT_EQ(0, set.GetBucketSize(100));
    EXPECT_EQ(0, set.GetKeysBreadthFirst(100, nullptr));
    set.RemovePairsOf(100);
    EXPECT_EQ(2, set.GetPairCount());
}

TEST(CosPairSetTest, RemovePairsOfDropsTheIdOnBothSides)
{
    COS_PairSet set(16, 4);  // small pool: the removals must return their nodes
    for (s32 round = 0; round < 3; ++round) {
        set.AddPair(0, 5);
        set.AddPair(3, 5);
        set.AddPair(5, 7);
        set.AddPair(5, 9);
        set.AddPair(3, 4);
        set.RemovePairsOf(5);
        EXPECT_EQ(1, set.GetPairCount());
        EXPECT_TRUE(set.HasPair(3, 4));
        EXPECT_EQ(0, set.GetBucketSize(5));
        EXPECT_EQ(0, set.GetBucketSize(0));
        set.RemovePairsOf(4);
        EXPECT_EQ(0, set.GetPairCount());
    }
    EXPECT_EQ(8, set.GetNodeCapacity());  // grew once in the first round, never again
}
}  // namespace
