// Helpers for the thread-layer tests: a real pthread with a bounded join, the check of a
// thrown exception's class and message, and a fixture that gives the test a fresh "Main".
#pragma once

#include <gtest/gtest.h>
#include <pthread.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "thr_exception.h"
#include "thr_process.h"

// Runs _body on a new thread. Join waits at most ten seconds: a thread that does not end
// means the layer lost a wake-up, and the test program stops instead of hanging.
class TST_Thread
{
public:
    explicit TST_Thread(std::function<void()> _body) : m_body(std::move(_body))
    {
        if (pthread_create(&m_thread, nullptr, &TST_Thread::Entry, this) != 0)
            std::abort();
    }
    ~TST_Thread() { Join(); }
    TST_Thread(const TST_Thread&) = delete;
    TST_Thread& operator=(const TST_Thread&) = delete;

    void Join()
    {
        if (m_joined)
            return;
        m_joined = true;
        timespec deadline{};
        clock_gettime(CLOCK_REALTIME, &deadline);
        deadline.tv_sec += 10;
        if (pthread_timedjoin_np(m_thread, nullptr, &deadline) != 0) {
            std::fprintf(stderr, "a test thread did not end\n");
            std::abort();
        }
    }
    pthread_t Native() const { return m_thread; }

private:
    static void* Entry(void* _self)
    {
        static_cast<TST_Thread*>(_self)->m_body();
        return nullptr;
    }

    std::function<void()> m_body;
    pthread_t m_thread{};
    bool m_joined = false;
};

// Expects _statement to throw _type with the class name and message given.
#define EXPECT_THROWABLE(_statement, _type, _className, _message)          \
    do {                                                                   \
        bool qv_thrown = false;                                            \
        try {                                                              \
            _statement;                                                    \
        } catch (const _type& qv_error) {                                  \
            qv_thrown = true;                                              \
            EXPECT_STREQ(_className, qv_error.GetClassName());             \
            EXPECT_STREQ(_message, qv_error.GetMessage());                 \
            EXPECT_EQ(0u, qv_error.GetCode());                             \
        }                                                                  \
        EXPECT_TRUE(qv_thrown) << "expected " #_type " from " #_statement; \
    } while (0)

#define EXPECT_SYNC_ERROR(_statement, _message) \
    EXPECT_THROWABLE(_statement, THR_SyncException, "THR_SyncException", _message)
#define EXPECT_THREAD_DEATH(_statement) \
    EXPECT_THROWABLE(_statement, THR_ThreadDeath, "THR_ThreadDeath", "Canceled while waiting.")

// For tests that cancel "Main" (its cancel event is never reset): the process state is built
// anew afterwards.
class ThrFreshMain : public testing::Test
{
protected:
    void TearDown() override
    {
        THR_ShutdownProcess();
        THR_InitProcess();
    }
};
