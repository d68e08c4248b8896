#include <gtest/gtest.h>

#include "thr_local.h"
#include "thr_process.h"
#include "thr_test_thread.h"
#include "thr_thread.h"
#include "thr_threadgroup.h"

namespace
{
class ThrThreadCancelledTest : public ThrFreshMain
{
};

u32 IsSignalled(THR_Handle _handle) { return THR_WaitForObjects(1, &_handle, 0) == THR_WAIT_OBJECT_0; }
}  // namespace

TEST(ThrThreadTest, MainDescribesTheCallingThreadAndIsStarted)
{
    THR_Thread* main = THR_GetMainThread();
    ASSERT_NE(nullptr, main);
    EXPECT_EQ(1u, THR_AreThreadsRegistered());
    EXPECT_EQ(main, THR_GetCurrentThread());
    EXPECT_STREQ("Main", main->GetName());
    EXPECT_EQ(THR_GetMainGroup(), main->GetGroup());
    EXPECT_EQ(main, main->GetParent());
    EXPECT_EQ(1, main->IsStarted());
    EXPECT_EQ(1, main->IsRunning());
    EXPECT_EQ(1, main->IsNoJoinNeeded());
    EXPECT_EQ(1, main->IsMainThread());
    EXPECT_EQ(0, main->IsCancelRequested());
    EXPECT_EQ(THR_GetCurrentThreadId(), main->GetRecord().GetThreadId());
    EXPECT_FALSE(IsSignalled(main->GetRecord().GetThreadHandle())) << "the thread runs";

    THR_ThreadGroup* group = THR_GetMainGroup();
    EXPECT_STREQ("Main", group->GetName());
    EXPECT_EQ(group, group->GetParent());
    ASSERT_EQ(1u, group->GetThreadCount());
    EXPECT_EQ(main, group->GetThread(0));
}

TEST(ThrThreadTest, TheMainThreadCanNeitherJoinNorStopItself)
{
    THR_Thread* main = THR_GetMainThread();
    EXPECT_SYNC_ERROR(main->Join(), "Cant join myself");
    u32 code = 0;
    EXPECT_SYNC_ERROR(main->GetRecord().Join(&code), "deadlock, can not join myself.");
    EXPECT_SYNC_ERROR(main->Stop(), "Can not stop main thread");
}

TEST(ThrThreadTest, AnotherThreadJoiningMainReturnsAtOnce)
{
    u32 returned = 0;
    TST_Thread([&] {
        THR_GetMainThread()->Join();
        returned = 1;
    }).Join();
    EXPECT_EQ(1u, returned);
}

TEST(ThrThreadTest, AnUnstartedThreadIsRegisteredAndLeavesItsGroup)
{
    THR_ThreadGroup group("Workers", THR_GetMainGroup());
    THR_Thread* parent = new THR_Thread("Parent", &group, nullptr);
    THR_Thread* child = new THR_Thread("Child", &group, parent);
    EXPECT_EQ(parent, parent->GetParent());
    EXPECT_EQ(parent, child->GetParent());
    EXPECT_EQ(0, child->IsStarted());
    EXPECT_EQ(0u, child->Run());
    ASSERT_EQ(2u, group.GetThreadCount());

    child->Cancel();
    child->Stop();
    child->Join();
    EXPECT_EQ(0, child->IsCancelRequested());
    EXPECT_FALSE(IsSignalled(child->GetRecord().GetCancelEvent()));

    delete parent;
    ASSERT_EQ(1u, group.GetThreadCount());
    EXPECT_EQ(child, group.GetThread(0));
    delete child;
    EXPECT_EQ(0u, group.GetThreadCount());
}

TEST_F(ThrThreadCancelledTest, CancellingMainSetsItsCancelEventOnce)
{
    THR_Thread* main = THR_GetMainThread();
    main->Cancel();
    EXPECT_EQ(1, main->IsCancelRequested());
    EXPECT_TRUE(IsSignalled(main->GetRecord().GetCancelEvent()));

    // A wait on a signalled handle still succeeds: the handle is listed first.
    THR_Handle ready = THR_CreateEvent(1);
    THR_SetEvent(ready);
    EXPECT_EQ(THR_WAIT_OBJECT_0, THR_ThreadRecord::Wait(ready, THR_INFINITE));
    THR_CloseHandle(ready);

    THR_Handle never = THR_CreateEvent(1);
    EXPECT_THREAD_DEATH(THR_ThreadRecord::Wait(never, 0));
    THR_CloseHandle(never);
}

TEST_F(ThrThreadCancelledTest, ANotCancellableRecordIgnoresStop)
{
    THR_ThreadRecord& record = THR_GetMainThread()->GetRecord();
    record.SetNotCancellable(1);
    THR_GetMainThread()->Cancel();
    EXPECT_FALSE(IsSignalled(record.GetCancelEvent()));
    THR_Handle never = THR_CreateEvent(1);
    EXPECT_EQ(THR_WAIT_TIMEOUT, THR_ThreadRecord::Wait(never, 0));
    THR_CloseHandle(never);
}

TEST(ThrThreadRecordTest, WaitRuleAnswersTimeOutsAndRejectsBadHandles)
{
    THR_Handle never = THR_CreateEvent(0);
    EXPECT_EQ(THR_WAIT_TIMEOUT, THR_ThreadRecord::Wait(never, 0));
    EXPECT_EQ(THR_WAIT_TIMEOUT, THR_ThreadRecord::Wait(never, 1));
    THR_SetEvent(never);
    EXPECT_EQ(THR_WAIT_OBJECT_0, THR_ThreadRecord::Wait(never, THR_INFINITE));
    EXPECT_EQ(THR_WAIT_TIMEOUT, THR_ThreadRecord::Wait(never, 0)) << "auto-reset";
    THR_CloseHandle(never);
    EXPECT_SYNC_ERROR(THR_ThreadRecord::Wait(nullptr, THR_INFINITE), "Waiting failed.");
}

TEST(ThrThreadRecordTest, JoinWaitsForTheThreadAndTakesItsExitCode)
{
    THR_ThreadRecord record;
    THR_Handle attached = THR_CreateEvent(1);
    THR_Handle finish = THR_CreateEvent(1);
    TST_Thread thread([&] {
        record.AttachCurrent();
        THR_SetEvent(attached);
        THR_WaitForObjects(1, &finish, THR_INFINITE);
    });
    THR_WaitForObjects(1, &attached, THR_INFINITE);
    EXPECT_NE(THR_GetCurrentThreadId(), record.GetThreadId());
    u32 code = 7;
    THR_GetExitCodeThread(record.GetThreadHandle(), &code);
    EXPECT_EQ(THR_STILL_ACTIVE, code);
    THR_SetEvent(finish);
    record.Join(&code);
    EXPECT_EQ(0u, code);
    EXPECT_EQ(nullptr, record.GetThreadHandle());
    thread.Join();
    THR_CloseHandle(attached);
    THR_CloseHandle(finish);
}

TEST(ThrThreadRecordTest, StopTerminatesWhenAskedWithExitCodeAllOnes)
{
    THR_ThreadRecord record;
    record.SetTerminateWhenStopped(1);
    THR_Handle never = THR_CreateEvent(1);
    u32 finished = 0;
    TST_Thread thread([&] {
        record.AttachCurrent();
        THR_ThreadRecord::Wait(never, THR_INFINITE);
        finished = 1;
    });
    THR_KernelAwaitWaiters(never, 1);
    record.Stop();
    u32 code = 0;
    record.Join(&code);
    EXPECT_EQ(0xFFFFFFFFu, code);
    thread.Join();
    EXPECT_EQ(0u, finished) << "the thread ended inside its wait";
    EXPECT_FALSE(IsSignalled(record.GetCancelEvent()));
    THR_CloseHandle(never);
}

TEST(ThrProcessTest, ShutdownAndInitBuildTheStateAnewWithoutLeaks)
{
    const u32 objects = THR_KernelObjectCount();
    THR_ShutdownProcess();
    EXPECT_EQ(0u, THR_AreThreadsRegistered());
    EXPECT_EQ(nullptr, THR_GetMainThread());
    EXPECT_EQ(nullptr, THR_GetMainGroup());
    EXPECT_EQ(nullptr, THR_GetCurrentThread());
    THR_ShutdownProcess();
    THR_InitProcess();
    THR_InitProcess();
    EXPECT_EQ(1u, THR_AreThreadsRegistered());
    EXPECT_EQ(THR_GetMainThread(), THR_GetCurrentThread());
    EXPECT_EQ(objects, THR_KernelObjectCount());
}
