// The sweep list against brute force, its exact pair order, id reuse and growth.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <utility>
#include <vector>

#include "cos_sweeplist.h"

namespace
{
// Stand-ins for the registered objects: only their addresses are handed around.
char g_owners[16384];

RTI_Class* Owner(s32 _index) { return reinterpret_cast<RTI_Class*>(&g_owners[_index]); }
s32 IndexOf(const RTI_Class* _owner) { return (s32)(reinterpret_cast<const char*>(_owner) - g_owners); }

struct Box
{
    f32 v[6];
};

Box Make(f32 _x0, f32 _y0, f32 _x1, f32 _y1, f32 _z0 = 0.0f, f32 _z1 = 1.0f)
{
    return Box{{_x0, _y0, _z0, _x1, _y1, _z1}};
}

// Meets everything that is not of its own user value.
COS_LIST_BoxAttributes Open(s32 _owner, s32 _user)
{
    COS_LIST_BoxAttributes attributes;
    attributes.type = 0;
    attributes.typeBit = 1;
    attributes.object = Owner(_owner);
    attributes.userValue = &g_owners[8192 + _user];
    attributes.collideMask = 1;
    return attributes;
}

// The reported pairs as owner indices, in the order reported.
std::vector<std::pair<s32, s32>> Pairs(const COS_SweepList& _list)
{
    std::vector<COS_LIST_Pair> buffer(16);
    s32 count;
    while ((count = _list.GetPairs(buffer.data(), (s32)buffer.size())) == (s32)buffer.size())
        buffer.resize(buffer.size() * 2);
    std::vector<std::pair<s32, s32>> pairs;
    for (s32 i = 0; i < count; ++i)
        pairs.emplace_back(IndexOf(buffer[i].first), IndexOf(buffer[i].second));
    return pairs;
}

TEST(CosSweepList, PairsComeByLowerIdInBreadthFirstTreeOrder)
{
    COS_SweepList list(2, 8, 16);
    // Owner index = entry id throughout.
    const Box boxes[] = {Make(0, 0, 1, 1), Make(20, 0, 21, 1), Make(40, 0, 41, 1), Make(10, 0, 11, 1),
                         Make(30, 0, 31, 1)};
    for (s32 i = 0; i < 5; ++i)
        ASSERT_EQ(i, list.Insert(boxes[i].v, Open(i, i)));
    EXPECT_TRUE(Pairs(list).empty());

    // Entry 0's end sweeps up past the starts of 3, 1, 4, 2 in that order: the tree of bucket
    // 0 is 3 with 1 left of it (2 right of 1) and 4 right of it.
    list.Update(0, Make(0, 0, 50, 1).v);
    ASSERT_EQ(5, list.Insert(Make(15, 0, 35, 1).v, Open(5, 5)));
    const std::vector<std::pair<s32, s32>> expected = {{0, 3}, {0, 1}, {0, 4}, {0, 2}, {0, 5}, {1, 5}, {4, 5}};
    EXPECT_EQ(expected, Pairs(list));

    // Removing the root splices 1's subtree under 4, the smallest key right of it.
    list.Remove(3);
    const std::vector<std::pair<s32, s32>> afterRemove = {{0, 4}, {0, 1}, {0, 5}, {0, 2}, {1, 5}, {4, 5}};
    EXPECT_EQ(afterRemove, Pairs(list));

    // A buffer too small is filled to exactly its capacity, in the same order.
    COS_LIST_Pair small[4];
    ASSERT_EQ(4, list.GetPairs(small, 4));
    for (s32 i = 0; i < 4; ++i) {
        EXPECT_EQ(afterRemove[(size_t)i].first, IndexOf(small[i].first));
        EXPECT_EQ(afterRemove[(size_t)i].second, IndexOf(small[i].second));
    }
}

TEST(CosSweepList, FreedIdsAreReusedFirstInFirstOut)
{
    COS_SweepList list(2, 2, 4);
    const Box box = Make(0, 0, 1, 1);
    EXPECT_EQ(0, list.Insert(box.v, Open(0, 0)));
    EXPECT_EQ(1, list.Insert(box.v, Open(1, 1)));
    EXPECT_EQ(2, list.Insert(box.v, Open(2, 2)));  // full: doubles, old ids keep their entries
    EXPECT_EQ(4, list.GetCapacity());
    list.Remove(1);
    list.Remove(0);
    EXPECT_EQ(3, list.Insert(box.v, Open(3, 3)));  // free before the removed ones
    EXPECT_EQ(1, list.Insert(box.v, Open(4, 4)));
    list.Remove(2);
    EXPECT_EQ(0, list.Insert(box.v, Open(5, 5)));
    EXPECT_EQ(2, list.Insert(box.v, Open(6, 6)));
    EXPECT_EQ(4, list.GetLiveCount());
    EXPECT_EQ(4, list.GetCapacity());
    EXPECT_EQ(6u, Pairs(list).size());
    EXPECT_EQ(Owner(5), list.GetEntry(0).attributes.object);
}

TEST(CosSweepList, EntriesBeyondTheFirstBucketsNeverPairedStayReadable)
{
    COS_SweepList list(2, 512, 4096);
    for (s32 i = 0; i < 512; ++i)
        ASSERT_EQ(i, list.Insert(Make((f32)(i % 8), 0, (f32)(i % 8), 1).v, Open(i, (i / 8) % 2)));
    // Far from everything: no pair ever names it, so only the entry growth gives it a bucket.
    ASSERT_EQ(512, list.Insert(Make(100, 100, 101, 101).v, Open(512, 2)));
    ASSERT_EQ(513, list.Insert(Make(200, 200, 201, 201).v, Open(513, 2)));
    EXPECT_EQ(1024, list.GetCapacity());
    const size_t before = Pairs(list).size();
    EXPECT_EQ(8u * 32u * 32u, before);
    EXPECT_EQ((size_t)list.GetPairSet().GetPairCount(), before);
    list.Remove(513);
    list.Remove(512);
    list.Remove(0);
    EXPECT_EQ(before - 32, Pairs(list).size());  // entry 0 met the 32 of its x with the other user
}

TEST(CosSweepList, InsertNextToANeighbourNotInUseInsertsNothing)
{
    COS_SweepList list(2, 4, 8);
    const Box box = Make(0, 0, 1, 1);
    EXPECT_EQ(-1, list.InsertNextTo(box.v, Open(0, 0), 0));
    EXPECT_EQ(-1, list.InsertNextTo(box.v, Open(0, 0), 9));
    ASSERT_EQ(0, list.Insert(box.v, Open(0, 0)));
    list.Remove(0);
    EXPECT_EQ(-1, list.InsertNextTo(box.v, Open(1, 1), 0));
    EXPECT_EQ(0, list.GetLiveCount());
    EXPECT_EQ(1, list.Insert(box.v, Open(2, 2)));  // the queue is untouched
}

TEST(CosSweepList, InsertNextToTakesTheNeighboursPairsAndThenMoves)
{
    COS_SweepList list(2, 4, 8);
    ASSERT_EQ(0, list.Insert(Make(0, 0, 2, 2).v, Open(0, 0)));
    ASSERT_EQ(1, list.Insert(Make(1, 1, 3, 3).v, Open(1, 1)));
    ASSERT_EQ(2, list.Insert(Make(2.5f, 2.5f, 4, 4).v, Open(2, 2)));
    ASSERT_EQ(3, list.InsertNextTo(Make(1.5f, 1.5f, 2.4f, 2.4f).v, Open(3, 3), 1));
    const std::vector<std::pair<s32, s32>> expected = {{0, 1}, {0, 3}, {1, 2}, {1, 3}};
    EXPECT_EQ(expected, Pairs(list));
    EXPECT_EQ(1.5f, list.GetEntry(3).start.coord[0]);
    EXPECT_EQ(2.4f, list.GetEntry(3).end.coord[1]);
}

struct FilterCase
{
    u32 typeA, maskA, typeB, maskB;
    s32 userA, userB;
    bool pairs;
};

TEST(CosSweepList, FilterNeedsDifferentUsersAndAMaskThatSelects)
{
    const FilterCase cases[] = {
        {0, 0x1, 0, 0x1, 1, 2, true},  {0, 0x1, 0, 0x1, 1, 1, false},  // same user never pairs
        {3, 0x4, 2, 0x0, 1, 2, true},  {3, 0x0, 2, 0x8, 1, 2, true},   // either side's mask
        {3, 0x2, 2, 0x1, 1, 2, false}, {5, 0xFFFFFFFF, 2, 0, 7, 7, false},
    };
    for (const FilterCase& c : cases) {
        COS_SweepList list(2, 4, 8);
        COS_LIST_BoxAttributes a = Open(0, c.userA);
        a.type = c.typeA;
        a.typeBit = 1u << c.typeA;
        a.collideMask = c.maskA;
        COS_LIST_BoxAttributes b = Open(1, c.userB);
        b.type = c.typeB;
        b.typeBit = 1u << c.typeB;
        b.collideMask = c.maskB;
        list.Insert(Make(0, 0, 1, 1).v, a);
        list.Insert(Make(5, 5, 6, 6).v, b);
        list.Update(1, Make(0.5f, 0.5f, 2, 2).v);  // found by the sweep
        EXPECT_EQ(c.pairs, list.GetPairSet().HasPair(0, 1)) << c.typeA << " " << c.typeB;
        list.Update(1, Make(5, 5, 6, 6).v);
        EXPECT_EQ(0, list.GetPairSet().GetPairCount());
        list.Remove(1);
        ASSERT_EQ(2, list.Insert(Make(0.5f, 0.5f, 2, 2).v, b));  // found by the insertion walk
        EXPECT_EQ(c.pairs, list.GetPairSet().HasPair(0, 2)) << c.typeA << " " << c.typeB;
    }
}

struct TouchCase
{
    Box from;  // entry 1 before the move; entry 0 is [0, 1] on every axis
    Box to;
    bool pairedBefore, pairedAfter;
};

TEST(CosSweepList, TouchingBoxesPairAndPartOnEveryAxis)
{
    const TouchCase cases[] = {
        {Make(1, 0, 2, 1), Make(1.5f, 0, 2, 1), true, false},     // start moves up off a touching end
        {Make(-1, 0, 0, 1), Make(-1, 0, -0.5f, 1), true, false},  // end moves down off a touching start
        {Make(2, 0, 3, 1), Make(1, 0, 3, 1), false, true},        // start moves down onto an end
        {Make(-2, 0, -1, 1), Make(-2, 0, 0, 1), false, true},     // end moves up onto a start
        {Make(0, 1, 1, 2), Make(0, 1.5f, 1, 2), true, false},     // the same on the second axis
        {Make(0, -1, 1, 0), Make(0, -1, 1, -0.5f), true, false},
        {Make(0, 2, 1, 3), Make(0, 1, 1, 3), false, true},
        {Make(1, 1, 2, 2), Make(-1, -1, 0, 0), true, true},            // corner to corner
        {Make(1, 1, 1, 1), Make(0, 0, 0, 0), true, true},              // points on the corners
        {Make(0, 0, 1, 1, 5, 6), Make(0, 0, 1, 1, 7, 8), true, true},  // height plays no part
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const TouchCase& c = cases[i];
        COS_SweepList list(2, 4, 8);
        list.Insert(Make(0, 0, 1, 1).v, Open(0, 0));
        list.Insert(c.from.v, Open(1, 1));
        EXPECT_EQ(c.pairedBefore, list.GetPairSet().HasPair(0, 1)) << "case " << i;
        list.Update(1, c.to.v);
        EXPECT_EQ(c.pairedAfter, list.GetPairSet().HasPair(0, 1)) << "case " << i;
        list.Update(1, c.from.v);
        EXPECT_EQ(c.pairedBefore, list.GetPairSet().HasPair(0, 1)) << "case " << i;
        // The same with the roles of mover and resting box exchanged.
        list.Update(0, Make(10, 10, 11, 11).v);
        list.Update(1, Make(0, 0, 1, 1).v);
        list.Update(0, c.from.v);
        EXPECT_EQ(c.pairedBefore, list.GetPairSet().HasPair(0, 1)) << "case " << i;
        list.Update(0, c.to.v);
        EXPECT_EQ(c.pairedAfter, list.GetPairSet().HasPair(0, 1)) << "case " << i;
    }
}

TEST(CosSweepList, ASmallMovePastNoNeighbourKeepsLinksAndPairs)
{
    COS_SweepList list(2, 4, 8);
    list.Insert(Make(0, 0, 2, 2).v, Open(0, 0));
    list.Insert(Make(1, 1, 3, 3).v, Open(1, 1));
    list.Insert(Make(5, 5, 6, 6).v, Open(2, 2));
    const COS_SweepEntry before = list.GetEntry(1);
    list.Update(1, Make(1.1f, 0.9f, 3.5f, 2.5f).v);
    const COS_SweepEntry& after = list.GetEntry(1);
    for (s32 axis = 0; axis < 2; ++axis) {
        EXPECT_EQ(before.start.prev[axis], after.start.prev[axis]);
        EXPECT_EQ(before.start.next[axis], after.start.next[axis]);
        EXPECT_EQ(before.end.prev[axis], after.end.prev[axis]);
        EXPECT_EQ(before.end.next[axis], after.end.next[axis]);
    }
    EXPECT_EQ((std::vector<std::pair<s32, s32>>{{0, 1}}), Pairs(list));
}

// ---- Randomised model test ------------------------------------------------------------------

struct ModelEntry
{
    bool live = false;
    Box box{};
    COS_LIST_BoxAttributes attributes;
};

class Model
{
public:
    Model(s32 _axes, s32 _capacity, s32 _nodes, bool _open, u32 _seed)
        : m_list(_axes, _capacity, _nodes), m_axes(_axes), m_open(_open), m_state(_seed)
    {
    }

    u32 Next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    s32 Below(s32 _n) { return (s32)(Next() % (u32)_n); }

    // Integer coordinates on a coarse grid, so that ties are everyday events.
    Box RandomBox()
    {
        Box box;
        for (s32 axis = 0; axis < 3; ++axis) {
            const s32 low = Below(13);
            box.v[axis] = (f32)low;
            box.v[3 + axis] = (f32)(low + Below(4));
        }
        return box;
    }
    Box Nudge(const Box& _box)
    {
        Box box = _box;
        for (s32 axis = 0; axis < 3; ++axis) {
            const f32 shift = (f32)(Below(3) - 1);
            const f32 grow = (f32)(Below(3) - 1);
            box.v[axis] += shift;
            box.v[3 + axis] += shift + grow;
            if (box.v[3 + axis] < box.v[axis])
                box.v[3 + axis] = box.v[axis];
        }
        return box;
    }
    COS_LIST_BoxAttributes RandomAttributes(s32 _owner)
    {
        if (m_open)
            return Open(_owner, _owner);  // InsertNextTo copies pairs unfiltered
        COS_LIST_BoxAttributes attributes;
        attributes.type = (u32)Below(4);
        attributes.typeBit = 1u << attributes.type;
        attributes.collideMask = (u32)Below(16);
        attributes.object = Owner(_owner);
        attributes.userValue = &g_owners[8192 + Below(6)];
        return attributes;
    }

    bool Expected(s32 _a, s32 _b) const
    {
        const ModelEntry& a = m_entries[(size_t)_a];
        const ModelEntry& b = m_entries[(size_t)_b];
        if (a.attributes.userValue == b.attributes.userValue)
            return false;
        if (((a.attributes.collideMask & b.attributes.typeBit) | (b.attributes.collideMask & a.attributes.typeBit)) ==
            0)
            return false;
        for (s32 axis = 0; axis < m_axes; ++axis) {
            if (!(a.box.v[axis] <= b.box.v[3 + axis] && b.box.v[axis] <= a.box.v[3 + axis]))
                return false;
        }
        return true;
    }

    void CheckEntry(s32 _id)
    {
        for (s32 other = 0; other < (s32)m_entries.size(); ++other) {
            if (other == _id || !m_entries[(size_t)other].live)
                continue;
            ASSERT_EQ(Expected(_id, other), m_list.GetPairSet().HasPair(_id, other))
                << "entries " << _id << " and " << other << " after op " << m_ops;
        }
    }

    void CheckAll()
    {
        std::set<std::pair<s32, s32>> expected;
        for (s32 a = 0; a < (s32)m_entries.size(); ++a)
            for (s32 b = a + 1; b < (s32)m_entries.size(); ++b)
                if (m_entries[(size_t)a].live && m_entries[(size_t)b].live && Expected(a, b))
                    expected.emplace(a, b);
        // Reported lower id first, by ascending lower id.
        std::vector<std::pair<s32, s32>> reported = Pairs(m_list);
        for (std::pair<s32, s32>& pair : reported) {
            pair.first = m_ownerId[(size_t)pair.first];
            pair.second = m_ownerId[(size_t)pair.second];
            ASSERT_LT(pair.first, pair.second);
        }
        for (size_t i = 1; i < reported.size(); ++i)
            ASSERT_LE(reported[i - 1].first, reported[i].first);
        const std::set<std::pair<s32, s32>> got(reported.begin(), reported.end());
        ASSERT_EQ(expected, got) << "op " << m_ops;
        ASSERT_EQ(expected.size(), reported.size());
        ASSERT_EQ((s32)expected.size(), m_list.GetPairSet().GetPairCount());
        m_maxPairs = std::max(m_maxPairs, (s32)expected.size());

        // Every chain is sorted, holds each live point once, and keeps starts before ends of
        // the same coordinate.
        for (s32 axis = 0; axis < m_axes; ++axis) {
            s32 count = 0;
            s32 prev = -1;
            for (s32 p = m_list.GetHead(axis); p != -1; p = m_list.GetPoint(p).next[axis]) {
                ASSERT_TRUE(m_entries[(size_t)(p >> 1)].live);
                ASSERT_EQ(prev, m_list.GetPoint(p).prev[axis]);
                if (prev != -1) {
                    const f32 a = m_list.GetPoint(prev).coord[axis];
                    const f32 b = m_list.GetPoint(p).coord[axis];
                    ASSERT_TRUE(a < b || (a == b && !((prev & 1) == 1 && (p & 1) == 0))) << "axis " << axis;
                }
                prev = p;
                ++count;
            }
            ASSERT_EQ(2 * m_list.GetLiveCount(), count);
        }
    }

    void Run(s32 _target, s32 _steadyOps)
    {
        const s32 total = 2 * _target + _steadyOps;
        for (m_ops = 0; m_ops < total; ++m_ops) {
            const bool growing = m_ops < 2 * _target && m_list.GetLiveCount() < _target;
            const s32 roll = Below(100);
            const s32 live = m_list.GetLiveCount();
            if (live == 0 || (growing ? roll < 60 : roll < 15)) {
                ASSERT_NO_FATAL_FAILURE(Insert());
            } else if (growing ? roll < 65 : roll < 30) {
                const s32 id = PickLive();
                m_list.Remove(id);
                m_entries[(size_t)id].live = false;
                ASSERT_FALSE(m_list.IsInUse(id));
            } else {
                const s32 id = PickLive();
                const Box box = Below(10) == 0 ? RandomBox() : Nudge(m_entries[(size_t)id].box);
                m_list.Update(id, box.v);
                m_entries[(size_t)id].box = box;
                ASSERT_NO_FATAL_FAILURE(CheckEntry(id));
            }
            if (m_ops % 200 == 0) {
                ASSERT_NO_FATAL_FAILURE(CheckAll());
            }
        }
        ASSERT_NO_FATAL_FAILURE(CheckAll());
    }

    void Insert()
    {
        const Box box = RandomBox();
        const s32 owner = m_nextOwner++;
        ASSERT_LT(owner, 8192);
        const COS_LIST_BoxAttributes attributes = RandomAttributes(owner);
        s32 id;
        if (m_open && m_list.GetLiveCount() > 0 && Below(3) == 0)
            id = m_list.InsertNextTo(box.v, attributes, PickLive());
        else
            id = m_list.Insert(box.v, attributes);
        ASSERT_GE(id, 0);
        if ((s32)m_entries.size() <= id)
            m_entries.resize((size_t)id + 1);
        ASSERT_FALSE(m_entries[(size_t)id].live);
        m_ownerId.resize((size_t)m_nextOwner);
        m_ownerId[(size_t)owner] = id;
        ModelEntry& entry = m_entries[(size_t)id];
        entry.live = true;
        entry.box = box;
        entry.attributes = attributes;
        m_maxLive = std::max(m_maxLive, m_list.GetLiveCount());
        ASSERT_NO_FATAL_FAILURE(CheckEntry(id));
    }

    s32 PickLive()
    {
        for (;;) {
            const s32 id = Below((s32)m_entries.size());
            if (m_entries[(size_t)id].live)
                return id;
        }
    }

    COS_SweepList m_list;
    s32 m_axes;
    bool m_open;
    u32 m_state;
    std::vector<ModelEntry> m_entries;
    std::vector<s32> m_ownerId;
    s32 m_ops = 0;
    s32 m_nextOwner = 0;
    s32 m_maxLive = 0;
    s32 m_maxPairs = 0;
};

struct ModelCase
{
    s32 axes, capacity, nodes;
    bool open;  // all entries meet each other; InsertNextTo takes part
    u32 seed;
    s32 target, steadyOps;
};

TEST(CosSweepList, MatchesBruteForceUnderRandomInsertsUpdatesAndRemoves)
{
    const ModelCase cases[] = {
        {2, 512, 4096, false, 1u, 700, 3000},  // the collision system's sizes, grown past both
        {2, 4, 4, false, 2u, 300, 3000},       // growth at every doubling
        {3, 16, 16, false, 3u, 300, 2000},    {1, 8, 8, false, 4u, 200, 2000}, {2, 8, 8, true, 5u, 300, 3000},
    };
    for (const ModelCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "axes " << c.axes << " seed " << c.seed);
        Model model(c.axes, c.capacity, c.nodes, c.open, c.seed);
        ASSERT_NO_FATAL_FAILURE(model.Run(c.target, c.steadyOps));
        if (c.seed == 1u) {
            EXPECT_GT(model.m_maxLive, 512);
            EXPECT_GT(model.m_maxPairs, 4096);
            EXPECT_GT(model.m_list.GetPairSet().GetNodeCapacity(), 4096);
        }
    }
}
}  // namespace
