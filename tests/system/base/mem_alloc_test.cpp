#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "mem_alloc.h"
#include "mem_local.h"
#include "test_dir.h"

namespace
{
struct ClassCase
{
    u32 request;
    u32 capacity;  // class size - 20, or the request itself for C-heap blocks
    bool pooled;
};

TEST(MemAllocTest, RequestsFallIntoTheFirstClassThatHoldsHeaderAndFooter)
{
    const ClassCase cases[] = {
        {0, 12, true},   {12, 12, true},     {13, 44, true},      {44, 44, true},
        {45, 108, true}, {2028, 2028, true}, {2029, 2029, false}, {100000, 100000, false},
    };
    for (const ClassCase& c : cases) {
        void* data = MEM_Alloc(c.request);
        ASSERT_NE(nullptr, data) << c.request;
        EXPECT_EQ(0u, (uintptr_t)data % 16) << "data must be 16-byte aligned, request " << c.request;
        EXPECT_EQ(c.capacity, MEM_GetCapacity(data)) << c.request;
        EXPECT_EQ(c.pooled ? 1u : 0u, MEM_IsPooled(data)) << c.request;
        memset(data, 0x5A, c.request);  // the whole requested size is usable
        MEM_Free(data);
    }
}

TEST(MemAllocTest, BytesInUseFollowAllocationsAndResizes)
{
    const u32 before = MEM_GetBytesInUse();
    void* a = MEM_Alloc(100);
    void* b = MEM_Alloc(5000);
    EXPECT_EQ(before + 5100, MEM_GetBytesInUse());
    a = MEM_Realloc(a, 50);
    EXPECT_EQ(before + 5050, MEM_GetBytesInUse());
    MEM_Free(a);
    MEM_Free(b);
    EXPECT_EQ(before, MEM_GetBytesInUse());
}

TEST(MemAllocTest, ReallocKeepsTheBlockWithinItsCapacityAndMovesPastIt)
{
    u8* data = (u8*)MEM_Alloc(10);
    for (u8 i = 0; i < 10; ++i)
        data[i] = i;
    EXPECT_EQ(data, MEM_Realloc(data, 12));  // still in class 32
    u8* grown = (u8*)MEM_Realloc(data, 300);
    EXPECT_NE(data, grown);
    for (u8 i = 0; i < 10; ++i)
        EXPECT_EQ(i, grown[i]);

    // Shrunk in place, the block still goes back to its own pool when freed.
    const u32 freeBefore = MEM_GetPoolFree(512);
    u8* shrunk = (u8*)MEM_Realloc(grown, 4);
    EXPECT_EQ(grown, shrunk);
    MEM_Free(shrunk);
    EXPECT_EQ(freeBefore + 1, MEM_GetPoolFree(512));

    EXPECT_EQ(nullptr, MEM_Realloc(MEM_Alloc(8), 0));
    void* fresh = MEM_Realloc(nullptr, 8);
    EXPECT_NE(nullptr, fresh);
    MEM_Free(fresh);
    MEM_Free(nullptr);
}

TEST(MemAllocTest, CorruptGuardsAreFatal)
{
    TST_TempDir dir;
    // One byte past the requested size hits the footer guard.
    u8* overrun = (u8*)MEM_Alloc(7);
    overrun[7] = 0;
    EXPECT_FATAL(MEM_Free(overrun), "MEM_Free()", "memfooter is corrupt guard is abbaab00");

    // A second free finds the cleared header guard.
    void* twice = MEM_Alloc(40);
    MEM_Free(twice);
    EXPECT_FATAL(MEM_Free(twice), "MEM_Free()", "memheader is corrupt guard is 0");
}

// Damage found while resizing names MEM_Realloc, whichever way the resize would have gone;
// the damaged blocks are left as they are.
TEST(MemAllocTest, CorruptGuardsFoundByReallocNameIt)
{
    TST_TempDir dir;
    struct Case
    {
        const char* what;
        s32 damagedByte;  // from the data, its guard byte flipped; negative: in the header
        u32 newSize;
        const char* message;
    };
    const Case cases[] = {
        {"footer, grown in place", 5, 6, "memfooter is corrupt guard is abbaab45"},
        {"footer, moved", 5, 500, "memfooter is corrupt guard is abbaab45"},
        {"footer, shrunk", 5, 2, "memfooter is corrupt guard is abbaab45"},
        {"footer, freed by size 0", 5, 0, "memfooter is corrupt guard is abbaab45"},
        {"header, grown in place", -4, 6, "memheader is corrupt guard is affeaf01"},
        {"header, moved", -4, 500, "memheader is corrupt guard is affeaf01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        u8* damaged = (u8*)MEM_Alloc(5);
        damaged[c.damagedByte] ^= 0xFF;
        EXPECT_FATAL(MEM_Realloc(damaged, c.newSize), "MEM_Realloc()", c.message);
    }

    void* freed = MEM_Alloc(40);
    MEM_Free(freed);
    EXPECT_FATAL(MEM_Realloc(freed, 8), "MEM_Realloc()", "memheader is corrupt guard is 0");
}

TEST(MemAllocTest, AnExhaustedPoolIsFatalAndRecovers)
{
    TST_TempDir dir;
    std::vector<void*> blocks;
    MEM_Free(MEM_Alloc(40));  // the pools are set up by the first allocation
    const u32 available = MEM_GetPoolFree(64);
    ASSERT_GT(available, 0u);
    for (u32 i = 0; i < available; ++i)
        blocks.push_back(MEM_Alloc(40));
    EXPECT_EQ(0u, MEM_GetPoolFree(64));
    EXPECT_FATAL(MEM_Alloc(40), "SE_AllocateSegment()", "out of segments [64]");
    for (void* block : blocks)
        MEM_Free(block);
    EXPECT_EQ(available, MEM_GetPoolFree(64));
}

TEST(MemAllocTest, EngineObjectsUseThePools)
{
    struct Thing : MEM_Object
    {
        u32 value[4] = {};
    };
    const u32 before = MEM_GetBytesInUse();
    Thing* thing = new Thing;
    EXPECT_EQ(1u, MEM_IsPooled(thing));
    EXPECT_EQ(before + sizeof(Thing), MEM_GetBytesInUse());
    delete thing;
    EXPECT_EQ(before, MEM_GetBytesInUse());
}

TEST(MemAllocTest, SizesWithoutAClassAreRefused)
{
    EXPECT_EQ(nullptr, MEM_Alloc(0xFFFFFFFFu));
    EXPECT_EQ(nullptr, MEM_Alloc(0xFFFFFFFFu - 19));
    TST_TempDir dir;
    EXPECT_FATAL(MEM_AllocOrDie(0xFFFFFFF0u, "Caller::Make()"), "Caller::Make()", "out of memory");
}
}  // namespace
