#include <gtest/gtest.h>

#include <atomic>

#include "thr_local.h"
#include "thr_mutex.h"
#include "thr_process.h"
#include "thr_test_thread.h"
#include "thr_thread.h"

namespace
{
// A helper thread that holds the mutex until it is told to let go.
class Holder
{
public:
    explicit Holder(THR_Mutex& _mutex)
        : m_thread([this, &_mutex] {
              _mutex.Lock();
              THR_SetEvent(m_locked);
              THR_WaitForObjects(1, &m_release, THR_INFINITE);
              _mutex.Unlock();
          })
    {
        THR_WaitForObjects(1, &m_locked, THR_INFINITE);
    }
    ~Holder()
    {
        THR_SetEvent(m_release);
        m_thread.Join();
        THR_CloseHandle(m_locked);
        THR_CloseHandle(m_release);
    }

private:
    THR_Handle m_locked = THR_CreateEvent(1);
    THR_Handle m_release = THR_CreateEvent(1);
    TST_Thread m_thread;
};

class ThrMutexCancelledTest : public ThrFreshMain
{
};
}  // namespace

TEST(ThrMutexTest, TheOwnerMayLockAgainAndMustUnlockEachTime)
{
    THR_Mutex mutex;
    mutex.Lock();
    mutex.Lock();
    mutex.Unlock();
    mutex.Unlock();
    EXPECT_SYNC_ERROR(mutex.Unlock(), "Releaseing of mutex failed");
}

TEST(ThrMutexTest, OnlyTheOwnerCanUnlock)
{
    THR_Mutex mutex;
    Holder holder(mutex);
    EXPECT_SYNC_ERROR(mutex.Unlock(), "Releaseing of mutex failed");
}

TEST(ThrMutexTest, AWaitingThreadGetsTheMutexWhenItIsUnlocked)
{
    THR_Mutex mutex;
    std::atomic<u32> got{0};
    mutex.Lock();
    // The helper has no thread object: its wait cannot be cancelled and must not need one.
    TST_Thread waiter([&] {
        mutex.Lock();
        got = 1;
        mutex.Unlock();
    });
    THR_KernelAwaitWaiters(mutex.GetHandle(), 1);
    EXPECT_EQ(0u, got.load());
    mutex.Unlock();
    waiter.Join();
    EXPECT_EQ(1u, got.load());
}

TEST(ThrMutexTest, AMutexWhoseOwnerEndedIsTaken)
{
    THR_Mutex mutex;
    TST_Thread([&] { mutex.Lock(); }).Join();
    mutex.Lock();
    mutex.Unlock();
    EXPECT_SYNC_ERROR(mutex.Unlock(), "Releaseing of mutex failed");
}

TEST(ThrMutexTest, CreationFailureThrows)
{
    const u32 before = THR_KernelObjectCount();
    THR_KernelFailCreation(0);
    EXPECT_SYNC_ERROR(THR_Mutex failing, "Mutex creation error");
    EXPECT_EQ(before, THR_KernelObjectCount());
}

TEST_F(ThrMutexCancelledTest, AFreeOrOwnMutexIsTakenEvenWhenTheCancelEventIsSet)
{
    THR_GetMainThread()->Cancel();
    THR_Mutex mutex;
    EXPECT_NO_THROW({
        mutex.Lock();
        mutex.Lock();
        mutex.Unlock();
        mutex.Unlock();
    });
}

TEST_F(ThrMutexCancelledTest, AMutexHeldElsewhereThrowsThreadDeathOnceCancelled)
{
    THR_Mutex mutex;
    Holder holder(mutex);
    THR_GetMainThread()->Cancel();
    EXPECT_THREAD_DEATH(mutex.Lock());
}

TEST_F(ThrMutexCancelledTest, ACancelWhileBlockedEndsTheLock)
{
    THR_Mutex mutex;
    Holder holder(mutex);
    // The main thread blocks in Lock; a second helper cancels it once it waits.
    TST_Thread canceller([&] {
        THR_KernelAwaitWaiters(mutex.GetHandle(), 1);
        THR_GetMainThread()->Cancel();
    });
    EXPECT_THREAD_DEATH(mutex.Lock());
    canceller.Join();
    EXPECT_TRUE(THR_GetMainThread()->IsCancelRequested());
}

TEST_F(ThrMutexCancelledTest, WithoutRegisteredThreadsTheCancelEventIsNotConsulted)
{
    THR_GetMainThread()->Cancel();
    THR_ShutdownProcess();
    EXPECT_EQ(0u, THR_AreThreadsRegistered());
    THR_Mutex mutex;
    Holder holder(mutex);
    EXPECT_EQ(THR_WAIT_TIMEOUT, THR_ThreadRecord::Wait(mutex.GetHandle(), 0));
    EXPECT_SYNC_ERROR(THR_ThreadRecord::Wait(nullptr, THR_INFINITE), "Waiting on single object failed");
}
