#include <gtest/gtest.h>

#include <cstring>

#include "io_exception.h"
#include "mem_alloc.h"
#include "thr_exception.h"

namespace
{
// Throws _thrown and reports which of the tree's handle types caught it, from the most
// derived down.
template <typename T>
std::string CaughtAs(const T& _thrown)
{
    std::string caught;
    try {
        throw _thrown;
    } catch (const THR_SyncException&) {
        caught = "THR_SyncException";
    } catch (const MOS_RuntimeException&) {
        caught = "MOS_RuntimeException";
    } catch (const IO_EOFException&) {
        caught = "IO_EOFException";
    } catch (const IO_IOException&) {
        caught = "IO_IOException";
    } catch (const MOS_Exception&) {
        caught = "MOS_Exception";
    } catch (const THR_ThreadDeath&) {
        caught = "THR_ThreadDeath";
    } catch (const MOS_Error&) {
        caught = "MOS_Error";
    } catch (const MOS_Throwable&) {
        caught = "MOS_Throwable";
    }
    return caught;
}

template <typename BASE, typename T>
bool CaughtAsBase(const T& _thrown)
{
    try {
        throw _thrown;
    } catch (const BASE&) {
        return true;
    } catch (const MOS_Throwable&) {
        return false;
    }
}
}  // namespace

TEST(MosThrowableTest, EachClassNamesItselfAndIsCaughtByItsOwnHandleType)
{
    const MOS_Throwable plain("a", 1);
    const MOS_RuntimeException runtime("b", 2);
    const THR_SyncException sync("c", 3);
    const THR_ThreadDeath death("d", 4);
    const IO_IOException io("e", 5);
    const IO_EOFException eof("f", 6);

    EXPECT_STREQ("MOS_Throwable", plain.GetClassName());
    EXPECT_STREQ("MOS_RuntimeException", runtime.GetClassName());
    EXPECT_STREQ("THR_SyncException", sync.GetClassName());
    EXPECT_STREQ("THR_ThreadDeath", death.GetClassName());
    EXPECT_STREQ("IO_IOException", io.GetClassName());
    EXPECT_STREQ("IO_EOFException", eof.GetClassName());

    EXPECT_EQ("MOS_Throwable", CaughtAs(plain));
    EXPECT_EQ("MOS_RuntimeException", CaughtAs(runtime));
    EXPECT_EQ("THR_SyncException", CaughtAs(sync));
    EXPECT_EQ("THR_ThreadDeath", CaughtAs(death));
    EXPECT_EQ("IO_IOException", CaughtAs(io));
    EXPECT_EQ("IO_EOFException", CaughtAs(eof));
}

TEST(MosThrowableTest, TheTreeSeparatesExceptionsFromErrors)
{
    const THR_SyncException sync("x");
    const IO_EOFException eof("x");
    const THR_ThreadDeath death("x");

    EXPECT_TRUE(CaughtAsBase<MOS_RuntimeException>(sync));
    EXPECT_TRUE(CaughtAsBase<MOS_Exception>(sync));
    EXPECT_FALSE(CaughtAsBase<MOS_Error>(sync));
    EXPECT_TRUE(CaughtAsBase<IO_IOException>(eof));
    EXPECT_TRUE(CaughtAsBase<MOS_Exception>(eof));
    EXPECT_FALSE(CaughtAsBase<MOS_RuntimeException>(eof));
    EXPECT_TRUE(CaughtAsBase<MOS_Error>(death));
    EXPECT_FALSE(CaughtAsBase<MOS_Exception>(death));
}

TEST(MosThrowableTest, TheBodyKeepsACopyOfTheMessageTheCodeAndANullCause)
{
    char text[] = "Mutex creation error";
    const THR_SyncException error(text, 7);
    std::memset(text, 'x', sizeof(text) - 1);
    EXPECT_STREQ("Mutex creation error", error.GetMessage());
    EXPECT_EQ(7u, error.GetCode());
    EXPECT_TRUE(error.GetCause().IsNull());

    const IO_IOException empty((const char*)nullptr);
    EXPECT_STREQ("", empty.GetMessage());

    const MOS_Throwable none;
    EXPECT_TRUE(none.IsNull());
    EXPECT_STREQ("", none.GetClassName());
    EXPECT_STREQ("", none.GetMessage());
}

TEST(MosThrowableTest, HandlesShareOneBodyThatTheLastOneDeletes)
{
    const u32 before = MEM_GetBytesInUse();
    {
        THR_ThreadDeath first("Canceled while waiting.");
        const u32 withBody = MEM_GetBytesInUse();
        EXPECT_GT(withBody, before);
        {
            MOS_Throwable copy = first;
            MOS_Throwable assigned;
            assigned = copy;
            const MOS_Throwable& same = assigned;
            assigned = same;  // self-assignment keeps the body
            EXPECT_EQ(withBody, MEM_GetBytesInUse()) << "copies share the body";
            EXPECT_STREQ("THR_ThreadDeath", assigned.GetClassName());
            EXPECT_EQ(first.GetMessage(), assigned.GetMessage());
        }
        EXPECT_EQ(withBody, MEM_GetBytesInUse());
        EXPECT_STREQ("Canceled while waiting.", first.GetMessage());
    }
    EXPECT_EQ(before, MEM_GetBytesInUse());
}
