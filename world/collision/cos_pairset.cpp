#include "cos_pairset.h"

#include <cstring>

namespace
{
// Tree walks with up to this many nodes use the stack; larger ones allocate per call.
constexpr s32 COS_STACK_SCRATCH = 512;

// A scratch array of _count elements, on the stack when small enough.
template <typename T>
class COS_Scratch
{
public:
    explicit COS_Scratch(s32 _count)
    {
        m_data = _count <= COS_STACK_SCRATCH ? m_local
                                             : (T*)MEM_AllocOrDie((u32)_count * (u32)sizeof(T), "COS_PairSet scratch");
    }
    ~COS_Scratch()
    {
        if (m_data != m_local)
            MEM_Free(m_data);
    }
    COS_Scratch(const COS_Scratch&) = delete;
    COS_Scratch& operator=(const COS_Scratch&) = delete;
    T* Get() { return m_data; }

private:
    T m_local[COS_STACK_SCRATCH];
    T* m_data = nullptr;
};
}  // namespace

COS_PairSet::COS_PairSet(s32 _bucketCount, s32 _nodeCapacity)
{
    ReserveBuckets(_bucketCount < 1 ? 1 : _bucketCount);
    ReserveNodes(_nodeCapacity < 1 ? 1 : _nodeCapacity);
}

COS_PairSet::~COS_PairSet()
{
    MEM_Free(m_buckets);
    MEM_Free(m_pool);
    MEM_Free(m_freeNodes);
}

COS_PairNode* COS_PairSet::PopNode()
{
    COS_PairNode* node = m_freeNodes[--m_freeCount];
    *node = COS_PairNode();
    return node;
}

void COS_PairSet::PushNode(COS_PairNode* _node) { m_freeNodes[m_freeCount++] = _node; }

bool COS_PairSet::InsertKey(COS_PairBucket& _bucket, s32 _key)
{
    COS_PairNode* parent = nullptr;
    COS_PairNode** link = &_bucket.root;
    while (*link != nullptr) {
        parent = *link;
        if (_key == parent->key)
            return false;
        link = _key < parent->key ? &parent->left : &parent->right;
    }
    COS_PairNode* node = PopNode();
    node->key = _key;
    node->parent = parent;
    *link = node;
    ++_bucket.count;
    return true;
}

void COS_PairSet::AddPair(s32 _a, s32 _b)
{
    const s32 low = _a < _b ? _a : _b;
    const s32 high = _a < _b ? _b : _a;
    if (high >= m_bucketCount) {
        const s32 grown = m_bucketCount * 2 > high + 1 ? m_bucketCount * 2 : high + 1;
        ReserveBuckets(grown);
    }
    // The pool grows before the duplicate check: a duplicate added to a full pool still
    // rebuilds every tree, and the reported pair order depends on those shapes.
    if (m_freeCount == 0)
        ReserveNodes(m_nodeCapacity * 2);
    if (InsertKey(m_buckets[low], high))
        ++m_pairCount;
}

bool COS_PairSet::HasPair(s32 _a, s32 _b) const
{
    const s32 low = _a < _b ? _a : _b;
    const s32 high = _a < _b ? _b : _a;
    if (low < 0 || low >= m_bucketCount)
        return false;
    const COS_PairNode* node = m_buckets[low].root;
    while (node != nullptr && node->key != high)
        node = high < node->key ? node->left : node->right;
    return node != nullptr;
}

void COS_PairSet::DeleteNode(COS_PairBucket& _bucket, COS_PairNode* _node)
{
    // A node with two children is replaced by its right subtree; the left subtree hangs
    // under the smallest node of the right one, which keeps the search order.
    COS_PairNode* replacement;
    if (_node->left == nullptr) {
        replacement = _node->right;
    } else if (_node->right == nullptr) {
        replacement = _node->left;
    } else {
        COS_PairNode* smallest = _node->right;
        while (smallest->left != nullptr)
            smallest = smallest->left;
        smallest->left = _node->left;
        _node->left->parent = smallest;
        replacement = _node->right;
    }
    if (replacement != nullptr)
        replacement->parent = _node->parent;
    if (_node->parent == nullptr)
        _bucket.root = replacement;
    else if (_node->parent->left == _node)
        _node->parent->left = replacement;
    else
        _node->parent->right = replacement;
    --_bucket.count;
    PushNode(_node);
}

void COS_PairSet::RemovePair(s32 _a, s32 _b)
{
    const s32 low = _a < _b ? _a : _b;
    const s32 high = _a < _b ? _b : _a;
    if (low < 0 || low >= m_bucketCount)
        return;
    COS_PairBucket& bucket = m_buckets[low];
    COS_PairNode* node = bucket.root;
    while (node != nullptr && node->key != high)
        node = high < node->key ? node->left : node->right;
    if (node == nullptr)
        return;
    DeleteNode(bucket, node);
    --m_pairCount;
}

void COS_PairSet::FreeTree(COS_PairNode* _node)
{
    // Iterative, so that a degenerate tree of thousands of nodes cannot exhaust the stack.
    while (_node != nullptr) {
        if (_node->left != nullptr) {
            COS_PairNode* left = _node->left;
            _node->left = nullptr;
            _node = left;
        } else if (_node->right != nullptr) {
            COS_PairNode* right = _node->right;
            _node->right = nullptr;
            _node = right;
        } else {
            COS_PairNode* parent = _node->parent;
            PushNode(_node);
            _node = parent;
        }
    }
}

void COS_PairSet::RemovePairsOf(s32 _id)
{
    if (_id < 0)
        return;
    if (_id < m_bucketCount) {
        COS_PairBucket& own = m_buckets[_id];
        m_pairCount -= own.count;
        FreeTree(own.root);
        own.root = nullptr;
        own.count = 0;
    }
    const s32 lower = _id < m_bucketCount ? _id : m_bucketCount;
    for (s32 k = 0; k < lower; ++k)
        RemovePair(k, _id);
}

s32 COS_PairSet::CollectInOrder(const COS_PairNode* _root, s32* _keys)
{
    // Parent links make the walk stackless.
    s32 count = 0;
    const COS_PairNode* node = _root;
    if (node == nullptr)
        return 0;
    while (node->left != nullptr)
        node = node->left;
    while (node != nullptr) {
        _keys[count++] = node->key;
        if (node->right != nullptr) {
            node = node->right;
            while (node->left != nullptr)
                node = node->left;
        } else {
            const COS_PairNode* child = node;
            node = node->parent;
            while (node != nullptr && node->right == child) {
                child = node;
                node = node->parent;
            }
        }
    }
    return count;
}

void COS_PairSet::InsertBalanced(COS_PairBucket& _bucket, const s32* _keys, s32 _count)
{
    COS_Scratch<u8> inserted(_count);
    u8* done = inserted.Get();
    std::memset(done, 0, (size_t)_count);
    // Positions s, 2s, 3s, ... for s = n/2, n/4, ...: n/2^k and its multiples are exact in
    // f32, so every machine picks the same positions.
    for (f32 step = (f32)_count * 0.5f; step >= 0.5f; step *= 0.5f) {
        for (s32 m = 1;; ++m) {
            const f32 p = step * (f32)m;
            if (!(p < (f32)_count))
                break;
            const s32 at = (s32)p;
            if (done[at])
                continue;
            done[at] = 1;
            InsertKey(_bucket, _keys[at]);
        }
    }
}

void COS_PairSet::Rebalance(s32 _bucket)
{
    if (_bucket < 0 || _bucket >= m_bucketCount)
        return;
    COS_PairBucket& bucket = m_buckets[_bucket];
    COS_Scratch<s32> keys(bucket.count);
    const s32 count = CollectInOrder(bucket.root, keys.Get());
    FreeTree(bucket.root);
    bucket.root = nullptr;
    bucket.count = 0;
    InsertBalanced(bucket, keys.Get(), count);
}

void COS_PairSet::ReserveNodes(s32 _count)
{
    COS_PairNode* pool =
        (COS_PairNode*)MEM_AllocOrDie((u32)_count * (u32)sizeof(COS_PairNode), "COS_PairSet::ReserveNodes()");
    COS_PairNode** freeNodes =
        (COS_PairNode**)MEM_AllocOrDie((u32)_count * (u32)sizeof(COS_PairNode*), "COS_PairSet::ReserveNodes()");
    for (s32 i = 0; i < _count; ++i) {
        pool[i] = COS_PairNode();
        freeNodes[i] = &pool[_count - 1 - i];  // the lowest node is taken first
    }
    COS_PairNode* oldPool = m_pool;
    COS_PairNode** oldFree = m_freeNodes;
    m_pool = pool;
    m_freeNodes = freeNodes;
    m_freeCount = _count;
    m_nodeCapacity = _count;

    for (s32 b = 0; b < m_bucketCount; ++b) {
        COS_PairBucket& bucket = m_buckets[b];
        if (bucket.count == 0)
            continue;
        COS_Scratch<s32> keys(bucket.count);
        const s32 count = CollectInOrder(bucket.root, keys.Get());
        bucket.root = nullptr;
        bucket.count = 0;
        InsertBalanced(bucket, keys.Get(), count);
    }
    MEM_Free(oldPool);
    MEM_Free(oldFree);
}

void COS_PairSet::ReserveBuckets(s32 _count)
{
    if (_count <= m_bucketCount)
        return;
    COS_PairBucket* buckets =
        (COS_PairBucket*)MEM_AllocOrDie((u32)_count * (u32)sizeof(COS_PairBucket), "COS_PairSet::ReserveBuckets()");
    for (s32 i = 0; i < _count; ++i)
        buckets[i] = i < m_bucketCount ? m_buckets[i] : COS_PairBucket();
    MEM_Free(m_buckets);
    m_buckets = buckets;
    m_bucketCount = _count;
}

s32 COS_PairSet::GetBucketSize(s32 _bucket) const
{
    return _bucket >= 0 && _bucket < m_bucketCount ? m_buckets[_bucket].count : 0;
}

const COS_PairNode* COS_PairSet::GetRoot(s32 _bucket) const
{
    return _bucket >= 0 && _bucket < m_bucketCount ? m_buckets[_bucket].root : nullptr;
}

s32 COS_PairSet::GetKeysBreadthFirst(s32 _bucket, s32* _keys) const
{
    const s32 count = GetBucketSize(_bucket);
    if (count == 0)
        return 0;
    // Every node enters the queue once, so a queue of the bucket's size never wraps.
    COS_Scratch<const COS_PairNode*> queue(count);
    const COS_PairNode** nodes = queue.Get();
    s32 read = 0;
    s32 write = 0;
    nodes[write++] = m_buckets[_bucket].root;
    while (read < write) {
        const COS_PairNode* node = nodes[read];
        _keys[read++] = node->key;
        if (node->left != nullptr)
            nodes[write++] = node->left;
        if (node->right != nullptr)
            nodes[write++] = node->right;
    }
    return write;
}
