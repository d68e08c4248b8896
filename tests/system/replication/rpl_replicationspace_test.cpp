#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "rpl_fixture.h"
#include "rpl_replicationobserver.h"
#include "rpl_replicationspace.h"

namespace
{
// Tells an observer only about objects of the kind it was given.
class KindSpace : public RPL_ReplicationSpace
{
public:
    u32 Accepts(RPL_ReplicationObserver& _observer, RPL_ReplicatedObject& _object) override
    {
        return _object.GetKind() == (&_observer == m_second ? 2u : 1u) ? 1 : 0;
    }
    RPL_ReplicationObserver* m_second = nullptr;
};

class RplReplicationSpaceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_space.SetOwnObserver(&m_own);
        m_space.AddObserver(&m_first);
        m_space.AddObserver(&m_second);
        m_space.m_second = &m_second;
    }

    // The identifiers of the records an observer holds for _object.
    static std::vector<u16> Heard(RPL_ReplicationObserver& _observer, const RPL_ReplicatedObject& _object)
    {
        std::vector<u16> identifiers;
        for (u32 r = 0; r < _observer.GetRecordCount(); ++r) {
            if (_observer.GetRecord((u16)r).object == &_object)
                identifiers.push_back(_observer.GetRecord((u16)r).identifier);
        }
        return identifiers;
    }

    RPL_ReplicationObserver m_own{8};
    RPL_ReplicationObserver m_first{8};
    RPL_ReplicationObserver m_second{8};
    KindSpace m_space;
};

const std::vector<u16> s_none = {};
const std::vector<u16> s_announced = {0xFFFF};
}  // namespace

TEST_F(RplReplicationSpaceTest, ObserversFormACircleInTheOrderTheyCame)
{
    RPL_ReplicationObserver third(1);
    m_space.AddObserver(&third);
    ASSERT_EQ(3u, m_space.GetObserverCount());
    m_space.RemoveObserver(&m_second);
    ASSERT_EQ(2u, m_space.GetObserverCount());
    EXPECT_EQ(&m_first, m_space.GetObserver(0));
    EXPECT_EQ(&third, m_space.GetObserver(1));
    EXPECT_EQ(nullptr, m_second.GetSpace());
    EXPECT_EQ(&m_space, third.GetSpace());
}

TEST_F(RplReplicationSpaceTest, AddObjectFillsTheFirstFreeSlot)
{
    TST_ValueObject a(1, 0, 1), b(1, 0, 1), c(1, 0, 1);
    auto middle = std::make_unique<TST_ValueObject>(1, 0, 1);
    m_space.AddObject(&a, nullptr, -1);
    m_space.AddObject(middle.get(), nullptr, -1);
    m_space.AddObject(&b, nullptr, -1);
    EXPECT_EQ(1u, middle->GetSpaceSlot());
    middle.reset();
    EXPECT_EQ(nullptr, m_space.GetSlot(1));
    m_space.AddObject(&c, nullptr, -1);
    EXPECT_EQ(1u, c.GetSpaceSlot());
    EXPECT_EQ(&m_space, c.GetSpace());
    EXPECT_EQ(3u, m_space.GetSlotCount());
    m_space.AddObject(&c, nullptr, -1);  // already in
    EXPECT_EQ(3u, m_space.GetSlotCount());
}

// The own observer hears of everything; the others by Accepts, their owned objects left out,
// and the excluded one only with an identifier.
TEST_F(RplReplicationSpaceTest, AddObjectAnnouncesByAcceptsOwnerAndExclusion)
{
    TST_ValueObject kindOne(1, 0, 1), kindTwo(1, 0, 2), ownedByFirst(1, 0, 1), withIdentifier(1, 0, 1),
        excluded(1, 0, 1);
    m_first.AddObject(&ownedByFirst);
    m_space.AddObject(&kindOne, nullptr, -1);
    m_space.AddObject(&kindTwo, nullptr, -1);
    m_space.AddObject(&ownedByFirst, nullptr, -1);
    m_space.AddObject(&withIdentifier, &m_first, 12);
    m_space.AddObject(&excluded, &m_first, -1);

    EXPECT_EQ(s_announced, Heard(m_own, kindOne));
    EXPECT_EQ(s_announced, Heard(m_first, kindOne));
    EXPECT_EQ(s_none, Heard(m_second, kindOne));
    EXPECT_EQ(s_announced, Heard(m_own, kindTwo));
    EXPECT_EQ(s_none, Heard(m_first, kindTwo));
    EXPECT_EQ(s_announced, Heard(m_second, kindTwo));
    EXPECT_EQ(s_none, Heard(m_first, ownedByFirst));
    EXPECT_EQ(std::vector<u16>{12}, Heard(m_first, withIdentifier));
    EXPECT_EQ(s_none, Heard(m_first, excluded));
    EXPECT_EQ(1, m_first.GetList(1).count);
    EXPECT_EQ(1, m_first.GetList(2).count);
}

TEST_F(RplReplicationSpaceTest, AQueuedObjectIsOwnedLocallyAndAnnouncedToTheOthers)
{
    TST_ValueObject object(2, 0, 1);
    RPL_ReplicationSpace bare;
    bare.QueueObject(&object);  // no own observer
    EXPECT_EQ(0u, bare.GetLocalCount());
    EXPECT_EQ(nullptr, object.GetObserver());

    m_space.QueueObject(&object);
    EXPECT_EQ(&m_own, object.GetObserver());
    EXPECT_EQ(1, object.Value(0).starts);
    EXPECT_EQ(s_none, Heard(m_own, object));
    EXPECT_EQ(s_announced, Heard(m_first, object));
    EXPECT_GE(m_space.GetLocalCount(), 1u);

    m_own.RemoveObject(&object, 0);
    EXPECT_EQ(0u, m_space.GetLocalCount());
    EXPECT_EQ(nullptr, object.GetObserver());
    EXPECT_EQ(1u, object.GetListenerCount());  // not in a slot: the others still listen
}

// An object deleted while in a space and listened to: every record lets go of it, its slot is
// free, and a record with an identifier waits in list 4.
TEST_F(RplReplicationSpaceTest, AnObjectThatDiesLeavesNoRecordPointingAtIt)
{
    auto object = std::make_unique<TST_ValueObject>(2, 0, 1);
    TST_ValueObject local(1, 0, 1);
    m_space.AddObject(object.get(), &m_first, 3);
    m_space.QueueObject(&local);
    object.reset();
    EXPECT_EQ(nullptr, m_space.GetSlot(0));
    EXPECT_EQ(nullptr, m_own.GetRecord(0).object);
    EXPECT_EQ(0, m_own.GetRecord(0).state);
    EXPECT_EQ(nullptr, m_first.GetRecord(0).object);
    EXPECT_EQ(4, m_first.GetRecord(0).state);
    EXPECT_EQ(3, m_first.GetRecord(0).identifier);

    m_own.RemoveObject(&local, 0);
    EXPECT_EQ(1u, local.GetListenerCount());
}

TEST_F(RplReplicationSpaceTest, ASpaceThatGoesFirstDetachesItsObjects)
{
    TST_ValueObject object(1, 0, 1);
    RPL_ReplicationObserver observer(2);
    RPL_ReplicationObserver own(2);
    {
        RPL_ReplicationSpace space;
        space.AddObserver(&observer);
        space.SetOwnObserver(&own);
        space.AddObject(&object, nullptr, -1);
        EXPECT_EQ(2u, object.GetListenerCount());
    }
    EXPECT_EQ(nullptr, object.GetSpace());
    EXPECT_EQ(0u, object.GetListenerCount());
    EXPECT_EQ(nullptr, observer.GetSpace());
    EXPECT_EQ(nullptr, own.GetSpace());
    EXPECT_EQ(0, observer.GetRecord(0).state);
    EXPECT_EQ(0, own.GetRecord(0).state);
}
