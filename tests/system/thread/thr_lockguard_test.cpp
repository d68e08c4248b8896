#include <gtest/gtest.h>

#include "thr_lockguard.h"
#include "thr_mutex.h"
#include "thr_process.h"
#include "thr_test_thread.h"
#include "thr_thread.h"

namespace
{
class CountingCleanup : public THR_Cleanup
{
public:
    explicit CountingCleanup(bool _register) : THR_Cleanup(_register) {}
    void Release() override { ++releases; }
    u32 releases = 0;
};

class ThrLockGuardCancelledTest : public ThrFreshMain
{
};
}  // namespace

TEST(ThrLockGuardTest, GuardsFormAStackAndUnlockOnLeavingTheirScope)
{
    THR_Mutex outerMutex;
    THR_Mutex innerMutex;
    THR_Cleanup* const start = THR_Cleanup::GetChainHead();
    {
        THR_LockGuard outer(outerMutex);
        EXPECT_EQ(&outer, THR_Cleanup::GetChainHead());
        {
            THR_LockGuard inner(innerMutex);
            EXPECT_EQ(&inner, THR_Cleanup::GetChainHead());
            EXPECT_EQ(&outer, THR_Cleanup::GetPrevious(&inner));
        }
        EXPECT_EQ(&outer, THR_Cleanup::GetChainHead());
        EXPECT_SYNC_ERROR(innerMutex.Unlock(), "Releaseing of mutex failed");
    }
    EXPECT_EQ(start, THR_Cleanup::GetChainHead());
    EXPECT_SYNC_ERROR(outerMutex.Unlock(), "Releaseing of mutex failed");
}

TEST(ThrLockGuardTest, AnExceptionLeavingTheScopeUnlocks)
{
    THR_Mutex mutex;
    THR_Cleanup* const start = THR_Cleanup::GetChainHead();
    try {
        THR_LockGuard guard(mutex);
        throw THR_SyncException("inside");
    } catch (const THR_SyncException& error) {
        EXPECT_STREQ("inside", error.GetMessage());
    }
    EXPECT_EQ(start, THR_Cleanup::GetChainHead());
    EXPECT_SYNC_ERROR(mutex.Unlock(), "Releaseing of mutex failed");
}

TEST_F(ThrLockGuardCancelledTest, AGuardWhoseLockThrowsRegistersNothing)
{
    THR_Mutex mutex;
    THR_Handle locked = THR_CreateEvent(1);
    THR_Handle release = THR_CreateEvent(1);
    TST_Thread holder([&] {
        mutex.Lock();
        THR_SetEvent(locked);
        THR_WaitForObjects(1, &release, THR_INFINITE);
        mutex.Unlock();
    });
    THR_WaitForObjects(1, &locked, THR_INFINITE);
    THR_GetMainThread()->Cancel();
    THR_Cleanup* const start = THR_Cleanup::GetChainHead();
    EXPECT_THREAD_DEATH(THR_LockGuard guard(mutex));
    EXPECT_EQ(start, THR_Cleanup::GetChainHead());
    THR_SetEvent(release);
    holder.Join();
    THR_CloseHandle(locked);
    THR_CloseHandle(release);
}

TEST(ThrCleanupTest, PushPopAndTheChainsCleanUpFunction)
{
    CountingCleanup first(true);
    CountingCleanup second(false);
    EXPECT_TRUE(first.IsRegistered());
    EXPECT_FALSE(second.IsRegistered());
    second.Pop(true);
    EXPECT_EQ(0u, second.releases) << "popping an unregistered guard does nothing";
    second.Push();
    second.Push();
    EXPECT_EQ(&second, THR_Cleanup::GetChainHead());
    EXPECT_EQ(&first, THR_Cleanup::GetPrevious(&second));
    second.Pop(true);
    EXPECT_EQ(1u, second.releases);
    EXPECT_EQ(&first, THR_Cleanup::GetChainHead());
    second.Push();

    // The lock-guard key's clean-up releases the whole chain once and empties it.
    THR_Cleanup* const below = THR_Cleanup::GetPrevious(&first);
    THR_Cleanup::ReleaseChain(THR_Cleanup::GetChainHead());
    EXPECT_EQ(2u, second.releases);
    EXPECT_EQ(1u, first.releases);
    EXPECT_FALSE(first.IsRegistered());
    EXPECT_FALSE(second.IsRegistered());
    EXPECT_EQ(nullptr, THR_Cleanup::GetChainHead());
    EXPECT_EQ(nullptr, below) << "the test began with an empty chain";
}
