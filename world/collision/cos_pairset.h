// The set of overlapping entry pairs kept by a sweep list.
//
// A pair (i, j) with i < j is held once, as key j in the tree of bucket i. Each bucket is an
// ordinary unbalanced binary search tree with parent links; its shape depends on the order in
// which keys arrived, and the breadth-first order of that shape is the order in which the
// sweep list reports pairs, so every operation here keeps the shapes exactly reproducible.
// Nodes come from one pool that doubles when it runs dry (every tree is then rebuilt
// balanced); buckets grow on demand. Nothing shrinks. The set owns its pool and arrays.
// Single-threaded.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

struct COS_PairNode
{
    s32 key = 0;
    COS_PairNode* left = nullptr;
    COS_PairNode* right = nullptr;
    COS_PairNode* parent = nullptr;
};

struct COS_PairBucket
{
    COS_PairNode* root = nullptr;
    s32 count = 0;
};

class COS_PairSet : public MEM_Object
{
public:
    COS_PairSet(s32 _bucketCount, s32 _nodeCapacity);
    COS_PairSet(const COS_PairSet&) = delete;
    COS_PairSet& operator=(const COS_PairSet&) = delete;
    ~COS_PairSet();

    // Adding a pair that is present changes nothing (but may still grow the pool first).
    void AddPair(s32 _a, s32 _b);
    // Removing a pair that is absent changes nothing.
    void RemovePair(s32 _a, s32 _b);
    // Drops every pair that names the id, on either side.
    void RemovePairsOf(s32 _id);
    bool HasPair(s32 _a, s32 _b) const;

    // A new pool of _count nodes; every tree is rebuilt balanced in it.
    void ReserveNodes(s32 _count);
    // At least _count buckets; existing trees are kept as they are.
    void ReserveBuckets(s32 _count);
    void Rebalance(s32 _bucket);

    // The keys of a bucket in breadth-first order (root, then each level left to right);
    // _keys has room for GetBucketSize(_bucket). A bucket beyond the array is empty.
    s32 GetKeysBreadthFirst(s32 _bucket, s32* _keys) const;
    s32 GetBucketSize(s32 _bucket) const;
    const COS_PairNode* GetRoot(s32 _bucket) const;

    s32 GetBucketCount() const { return m_bucketCount; }
    s32 GetNodeCapacity() const { return m_nodeCapacity; }
    s32 GetPairCount() const { return m_pairCount; }

private:
    COS_PairNode* PopNode();
    void PushNode(COS_PairNode* _node);
    // Returns false when the key was already in the tree.
    bool InsertKey(COS_PairBucket& _bucket, s32 _key);
    void DeleteNode(COS_PairBucket& _bucket, COS_PairNode* _node);
    void FreeTree(COS_PairNode* _node);
    // Ascending keys of a tree into _keys.
    static s32 CollectInOrder(const COS_PairNode* _root, s32* _keys);
    void InsertBalanced(COS_PairBucket& _bucket, const s32* _keys, s32 _count);

    s32 m_bucketCount = 0;
    s32 m_nodeCapacity = 0;
    COS_PairBucket* m_buckets = nullptr;
    COS_PairNode* m_pool = nullptr;
    COS_PairNode** m_freeNodes = nullptr;
    s32 m_freeCount = 0;
    s32 m_pairCount = 0;
};
