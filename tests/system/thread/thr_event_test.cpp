#include <gtest/gtest.h>

#include <atomic>

#include "thr_event.h"
#include "thr_local.h"
#include "thr_mutex.h"
#include "thr_process.h"
#include "thr_test_thread.h"
#include "thr_thread.h"

namespace
{
class ThrEventCancelledTest : public ThrFreshMain
{
};
}  // namespace

TEST(ThrEventTest, DestructionReleasesEachRegisteredWaiter)
{
    const u32 objects = THR_KernelObjectCount();
    THR_Mutex mutex;
    THR_Event* event = new THR_Event;
    const THR_Handle handle = event->GetHandle();
    std::atomic<u32> woken{0};
    auto waiter = [&] {
        mutex.Lock();
        event->Wait(mutex);
        ++woken;
        mutex.Unlock();
    };
    {
        TST_Thread first(waiter);
        TST_Thread second(waiter);
        TST_Thread third(waiter);
        THR_KernelAwaitWaiters(handle, 3);
        EXPECT_EQ(3u, event->GetWaiterCount());
        EXPECT_EQ(0u, woken.load());
        // Three sets of an auto-reset event: each releases one waiter.
        delete event;
    }
    EXPECT_EQ(3u, woken.load());
    EXPECT_EQ(objects + 1, THR_KernelObjectCount()) << "only the mutex is left";
}

TEST(ThrEventTest, WaitNeedsTheMutexHeld)
{
    THR_Mutex mutex;
    THR_Event event;
    EXPECT_SYNC_ERROR(event.Wait(mutex), "Releaseing of mutex failed");
    EXPECT_EQ(0u, event.GetWaiterCount());
}

TEST(ThrEventTest, CreationFailuresThrowAndLeaveNothingOpen)
{
    const u32 before = THR_KernelObjectCount();
    THR_KernelFailCreation(0);
    EXPECT_SYNC_ERROR(THR_Event failing, "Event creation error");
    THR_KernelFailCreation(1);
    EXPECT_SYNC_ERROR(THR_Event failing, "Mutex creation error");
    EXPECT_EQ(before, THR_KernelObjectCount()) << "the event was closed again";
}

TEST_F(ThrEventCancelledTest, ACancelledWaitRestoresTheCountAndTheCallersLock)
{
    THR_Mutex mutex;
    THR_Event event;
    mutex.Lock();
    THR_GetMainThread()->Cancel();
    EXPECT_THREAD_DEATH(event.Wait(mutex));
    EXPECT_EQ(0u, event.GetWaiterCount());
    mutex.Unlock();
    EXPECT_SYNC_ERROR(mutex.Unlock(), "Releaseing of mutex failed");
}

TEST_F(ThrEventCancelledTest, ACancelledWaitRetakesAMutexThatAnotherThreadTookMeanwhile)
{
    THR_Mutex mutex;
    THR_Event event;
    THR_Handle release = THR_CreateEvent(1);
    mutex.Lock();
    // Once the main thread waits (and so released the mutex), the helper takes the mutex
    // and cancels the main thread; the main thread must wait for the mutex, uncancellably.
    TST_Thread helper([&] {
        THR_KernelAwaitWaiters(event.GetHandle(), 1);
        mutex.Lock();
        THR_GetMainThread()->Cancel();
        THR_WaitForObjects(1, &release, THR_INFINITE);
        mutex.Unlock();
    });
    TST_Thread releaser([&] {
        THR_KernelAwaitWaiters(mutex.GetHandle(), 1);
        THR_SetEvent(release);
    });
    EXPECT_THREAD_DEATH(event.Wait(mutex));
    mutex.Unlock();
    helper.Join();
    releaser.Join();
    THR_CloseHandle(release);
}
