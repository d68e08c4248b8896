#include <gtest/gtest.h>
#include <pthread.h>

#include <vector>

#include "thr_test_thread.h"
#include "thr_tlskey.h"

namespace
{
u32 s_cleanups = 0;
void CountCleanup(void*) { ++s_cleanups; }
}  // namespace

TEST(ThrTlsKeyTest, EachThreadSeesItsOwnValue)
{
    int mine = 1;
    int theirs = 2;
    THR_TlsKey key(CountCleanup);
    ASSERT_TRUE(key.IsValid());
    EXPECT_EQ(nullptr, key.Get());
    key.Set(&mine);
    void* seenThere = &mine;
    void* afterSet = nullptr;
    TST_Thread([&] {
        seenThere = key.Get();
        key.Set(&theirs);
        afterSet = key.Get();
    }).Join();
    EXPECT_EQ(nullptr, seenThere);
    EXPECT_EQ(&theirs, afterSet);
    EXPECT_EQ(&mine, key.Get());
    EXPECT_EQ(0u, s_cleanups) << "the clean-up function is kept, never called";
    EXPECT_EQ(&CountCleanup, key.GetCleanup());
}

TEST(ThrTlsKeyTest, AKeyWithoutIndexAnswersZeroAndIgnoresStores)
{
    THR_TlsKey key;
    int value = 0;
    key.Set(&value);
    EXPECT_FALSE(key.IsValid());
    EXPECT_EQ(nullptr, key.Get());
}

TEST(ThrTlsKeyTest, RunningOutOfIndicesThrows)
{
    std::vector<pthread_key_t> taken;
    pthread_key_t key;
    while (taken.size() < 4096 && pthread_key_create(&key, nullptr) == 0)
        taken.push_back(key);
    EXPECT_SYNC_ERROR(THR_TlsKey failing(nullptr), "Thread specific key allocation failed");
    for (pthread_key_t k : taken)
        pthread_key_delete(k);
    THR_TlsKey again(nullptr);
    EXPECT_TRUE(again.IsValid());
}
