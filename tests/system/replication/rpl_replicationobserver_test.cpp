#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "rpl_fixture.h"
#include "rpl_replicationobserver.h"
#include "rpl_replicationspace.h"
#include "tst_memorystream.h"

namespace
{
constexpr u16 NONE = RPL_ReplicationObserver::NONE;

// The records of list _state, first to last, checked against the links both ways.
std::vector<u16> ListOf(RPL_ReplicationObserver& _observer, u32 _state)
{
    std::vector<u16> records;
    const RPL_ReplicationObserver::RecordList& list = _observer.GetList(_state);
    u16 previous = NONE;
    for (u16 r = list.first; r != NONE; r = _observer.GetRecord(r).next) {
        EXPECT_EQ(previous, _observer.GetRecord(r).previous);
        EXPECT_EQ((s16)_state, _observer.GetRecord(r).state);
        records.push_back(r);
        previous = r;
    }
    EXPECT_EQ(previous, list.last);
    EXPECT_EQ(records.size(), list.count);
    return records;
}

class RplReplicationObserverTest : public testing::Test
{
protected:
    RPL_ReplicationSpace m_space;
    RPL_ReplicationObserver m_observer{4};
};
}  // namespace

TEST_F(RplReplicationObserverTest, RecordsStartFreeInIndexOrderAndAnAnnouncementTakesTheFirst)
{
    EXPECT_EQ((std::vector<u16>{0, 1, 2, 3}), ListOf(m_observer, 0));
    TST_ValueObject plain(3, 10, 5);
    TST_ValueObject named(2);
    plain.SetFlags(2);
    m_observer.ObjectAdded(&plain, -1);
    m_observer.ObjectAdded(&named, 0x10007);

    const RPL_ObjectRecord& record = m_observer.GetRecord(0);
    EXPECT_EQ(&plain, record.object);
    EXPECT_EQ(5u, record.kind);
    EXPECT_EQ(2u, record.flags);
    EXPECT_EQ(NONE, record.identifier);
    EXPECT_EQ(7, m_observer.GetRecord(1).identifier);
    EXPECT_EQ((std::vector<u16>{0}), ListOf(m_observer, 1));
    EXPECT_EQ((std::vector<u16>{1}), ListOf(m_observer, 2));
    EXPECT_EQ((std::vector<u16>{2, 3}), ListOf(m_observer, 0));
    ASSERT_EQ(1u, plain.GetListenerCount());
    EXPECT_EQ(&m_observer, plain.GetListener(0).observer);
    EXPECT_EQ(0, plain.GetListener(0).record);
    EXPECT_EQ(1, plain.Value(2).listenersAdded);

    // A new record carries every property.
    TST_MemoryOutput out;
    plain.WriteChanged(out, m_observer.GetRecord(0).dirty, nullptr);
    EXPECT_EQ(std::string("\x03\x07\x00\x00\x00\x0A\x00\x00\x00\x0B\x00\x00\x00\x0C\x00\x00\x00", 17), out.Bytes());
}

TEST_F(RplReplicationObserverTest, WithoutAFreeRecordNothingIsAnnounced)
{
    RPL_ReplicationObserver small(1);
    TST_ValueObject first(1);
    TST_ValueObject second(1);
    small.ObjectAdded(&first, -1);
    small.ObjectAdded(&second, -1);
    EXPECT_EQ(0u, second.GetListenerCount());
    EXPECT_EQ((std::vector<u16>{0}), ListOf(small, 1));
}

// A departed object's record, by the list it was in and the object's flag 1.
TEST_F(RplReplicationObserverTest, RecordRemovedMovesTheRecordByItsState)
{
    struct RemovedCase
    {
        s16 state;
        u32 flags;
        s16 after;
        u16 identifier;
    };
    const std::vector<RemovedCase> cases = {
        {1, 0, 0, NONE}, {2, 0, 4, 9},    {2, 1, 0, NONE}, {3, 0, 4, 9}, {3, 1, 0, NONE},
        {6, 0, 4, 9},    {6, 1, 0, NONE}, {4, 0, 4, 9},    {5, 0, 5, 9}, {5, 1, 5, 9},
    };
    for (const RemovedCase& row : cases) {
        SCOPED_TRACE(testing::Message() << "state " << row.state << " flags " << row.flags);
        RPL_ReplicationObserver observer(3);
        TST_ValueObject before(1);
        TST_ValueObject after(1);
        observer.ObjectAdded(&before, 9);
        {
            TST_ValueObject object(1);
            object.SetFlags(row.flags);
            observer.ObjectAdded(&object, 9);
            observer.ObjectAdded(&after, 9);
            observer.MoveRecord(0, row.state);
            observer.MoveRecord(1, row.state);
            observer.MoveRecord(2, row.state);
        }
        const RPL_ObjectRecord& record = observer.GetRecord(1);
        EXPECT_EQ(nullptr, record.object);
        EXPECT_EQ(row.after, record.state);
        EXPECT_EQ(row.identifier, record.identifier);
        if (row.after == row.state)
            EXPECT_EQ((std::vector<u16>{0, 1, 2}), ListOf(observer, row.state));
        else
            EXPECT_EQ((std::vector<u16>{0, 2}), ListOf(observer, row.state));
        EXPECT_EQ(&before, observer.GetRecord(0).object);
        EXPECT_EQ(&after, observer.GetRecord(2).object);
    }
}

TEST_F(RplReplicationObserverTest, OwningStartsTheObjectAndRemovalKeepsTheOthersInOrder)
{
    TST_ValueObject a(1), b(1), c(1), d(1);
    for (TST_ValueObject* object : {&a, &b, &c})
        m_observer.AddObject(object);
    EXPECT_EQ(1, a.Value(0).starts);
    EXPECT_EQ(2, c.GetObserverSlot());
    m_observer.AddObject(&a);  // already owned
    EXPECT_EQ(1, a.Value(0).starts);
    EXPECT_EQ(3u, m_observer.GetObjectCount());

    m_observer.RemoveObject(&a, 0);
    EXPECT_EQ(1, a.Value(0).stops);
    EXPECT_EQ(nullptr, a.GetObserver());
    EXPECT_EQ(NONE, a.GetObserverSlot());
    ASSERT_EQ(2u, m_observer.GetObjectCount());
    EXPECT_EQ(&b, m_observer.GetObject(0));
    EXPECT_EQ(&c, m_observer.GetObject(1));

    m_observer.AddObject(&d);  // the freed slot first
    EXPECT_EQ(0, d.GetObserverSlot());
    m_observer.RemoveObject(&a, 0);  // no longer its
    EXPECT_EQ(1, a.Value(0).stops);
}

TEST_F(RplReplicationObserverTest, AnOwnedObjectWithARecordDepartsUnlessItsFlagOneIsSet)
{
    TST_ValueObject quiet(1), bare(1), dropped(1);
    auto gone = std::make_unique<TST_ValueObject>(1);
    for (TST_ValueObject* object : {&quiet, &bare, &dropped, gone.get()})
        m_observer.AddObject(object);
    quiet.SetFlags(RPL_ReplicatedObject::FLAG_QUIET_DEPARTURE);
    quiet.SetOwnerRecord(2);
    dropped.SetOwnerRecord(3);
    gone->SetOwnerRecord(4);

    m_observer.RemoveObject(&quiet, 5);
    m_observer.RemoveObject(&bare, 5);
    m_observer.RemoveObject(&dropped, 5);
    gone.reset();
    ASSERT_EQ(2u, m_observer.GetDepartureCount());
    EXPECT_EQ(3, m_observer.GetDeparture(0).record);
    EXPECT_EQ(2, m_observer.GetDeparture(0).slot);
    EXPECT_EQ(5u, m_observer.GetDeparture(0).value);
    EXPECT_EQ(4, m_observer.GetDeparture(1).record);
    EXPECT_EQ(3, m_observer.GetDeparture(1).slot);
    EXPECT_EQ(1u, m_observer.GetDeparture(1).value);
    EXPECT_EQ(NONE, dropped.GetOwnerRecord());
}

// Whichever goes first, nothing keeps a pointer to it.
TEST_F(RplReplicationObserverTest, AnObserverThatGoesFirstLetsGoOfItsObjects)
{
    TST_ValueObject owned(2), heard(2);
    {
        RPL_ReplicationObserver observer(2);
        m_space.AddObserver(&observer);
        observer.AddObject(&owned);
        m_space.AddObject(&heard, nullptr, -1);
        EXPECT_EQ(1u, heard.GetListenerCount());
        EXPECT_EQ(1u, m_space.GetObserverCount());
    }
    EXPECT_EQ(nullptr, owned.GetObserver());
    EXPECT_EQ(1, owned.Value(0).stops);
    EXPECT_EQ(0u, heard.GetListenerCount());
    EXPECT_EQ(1, heard.Value(1).listenersRemoved);
    EXPECT_EQ(0u, m_space.GetObserverCount());
    EXPECT_EQ(0u, m_space.GetLocalCount());
}
