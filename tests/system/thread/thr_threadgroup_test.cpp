#include <gtest/gtest.h>

#include <vector>

#include "thr_process.h"
#include "thr_test_thread.h"
#include "thr_thread.h"
#include "thr_threadgroup.h"

namespace
{
std::vector<THR_Thread*> Threads(const THR_ThreadGroup& _group)
{
    std::vector<THR_Thread*> threads;
    for (u32 i = 0; i < _group.GetThreadCount(); ++i)
        threads.push_back(_group.GetThread(i));
    return threads;
}
}  // namespace

TEST(ThrThreadGroupTest, RemovingTheFirstOfThreeKeepsTheOrderOfTheOthers)
{
    THR_ThreadGroup group("Group", THR_GetMainGroup());
    THR_Thread first("1", &group, nullptr);
    THR_Thread second("2", &group, nullptr);
    THR_Thread third("3", &group, nullptr);
    group.RemoveThread(&first);
    EXPECT_EQ(std::vector<THR_Thread*>({&second, &third}), Threads(group));

    // Every occurrence goes.
    group.AddThread(&second);
    group.AddThread(&third);
    group.RemoveThread(&second);
    EXPECT_EQ(std::vector<THR_Thread*>({&third, &third}), Threads(group));
}

TEST(ThrThreadGroupTest, AChildCopiesItsParentsSettingsAndLeavesItOnDestruction)
{
    THR_ThreadGroup* root = THR_GetMainGroup();
    const u32 expected[5] = {0, 0, 50, 100, 0};
    for (u32 i = 0; i < 5; ++i)
        EXPECT_EQ(expected[i], root->GetSetting(i));
    const u32 before = root->GetGroupCount();
    {
        THR_ThreadGroup child("Child", root);
        THR_ThreadGroup grandchild("Grandchild", &child);
        EXPECT_EQ(&child, grandchild.GetParent());
        for (u32 i = 0; i < 5; ++i)
            EXPECT_EQ(expected[i], grandchild.GetSetting(i));
        ASSERT_EQ(before + 1, root->GetGroupCount());
        EXPECT_EQ(&child, root->GetGroup(before));
        ASSERT_EQ(1u, child.GetGroupCount());
        EXPECT_EQ(&grandchild, child.GetGroup(0));
    }
    EXPECT_EQ(before, root->GetGroupCount());
}

TEST(ThrThreadGroupTest, ListsGrowPastTheirFirstCapacity)
{
    THR_ThreadGroup group("Many", THR_GetMainGroup());
    std::vector<THR_Thread*> threads;
    for (u32 i = 0; i < 9; ++i)
        threads.push_back(new THR_Thread("T", &group, nullptr));
    EXPECT_EQ(threads, Threads(group));
    for (THR_Thread* thread : threads)
        delete thread;
    EXPECT_EQ(0u, group.GetThreadCount());
}

TEST(ThrThreadGroupTest, StopAllEmptiesTheGroupAndItsChildren)
{
    THR_ThreadGroup group("Group", THR_GetMainGroup());
    THR_ThreadGroup child("Child", &group);
    THR_Thread first("1", &group, nullptr);
    THR_Thread second("2", &child, nullptr);
    group.StopAll();
    EXPECT_EQ(0u, group.GetThreadCount());
    EXPECT_EQ(0u, group.GetGroupCount());
    EXPECT_EQ(0u, child.GetThreadCount());
    EXPECT_EQ(0, first.IsStarted()) << "an unstarted thread stops as a no-op";
}

TEST(ThrThreadGroupTest, StoppingTheRootReachesMainWhichRefuses)
{
    THR_ThreadGroup* root = THR_GetMainGroup();
    EXPECT_SYNC_ERROR(root->StopAll(), "Can not stop main thread");
    EXPECT_EQ(0u, root->GetThreadCount());
    // Put "Main" back the way the process state has it.
    root->AddThread(THR_GetMainThread());
}
