#include <gtest/gtest.h>

#include "mem_alloc.h"
#include "mos_map.h"
#include "test_dir.h"

namespace
{
const char* const PLACE_ARGS = "MOS_Map::Reconstruct(const s32 _W, const s32 _H)";
const char* const PLACE_RECONSTRUCT = "void MOS_Map<T>::Reconstruct()";
const char* const CELLS_FAILED = "couldn't allocate data field (out of memory).";
const char* const ROWS_FAILED = "couldn't allocate dataline field (out of memory).";

// A 4 x 3 map whose cell at (x, y) holds 100 y + x.
class MosMapTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_map.Reconstruct(4, 3);
        for (s32 y = 0; y < 3; ++y)
            for (s32 x = 0; x < 4; ++x)
                m_map[y][x] = (u32)(100 * y + x);
    }

    void ExpectRowsOver(const MOS_Map<u32>& _map, s32 _width, s32 _height)
    {
        ASSERT_EQ(_width, _map.m_width);
        ASSERT_EQ(_height, _map.m_height);
        ASSERT_EQ(_width * _height, _map.m_count);
        for (s32 y = 0; y < _height; ++y)
            EXPECT_EQ(_map.m_cells + y * _width, _map[y]) << "row " << y;
    }

    TST_TempDir m_dir;  // the fatal paths write log.txt
    MOS_Map<u32> m_map;
};

TEST_F(MosMapTest, CellsAreRowMajorBehindTheRowPointers)
{
    ExpectRowsOver(m_map, 4, 3);
    for (s32 i = 0; i < 12; ++i)
        EXPECT_EQ((u32)(100 * (i / 4) + i % 4), m_map.m_cells[i]);
}

TEST_F(MosMapTest, SameCellCountKeepsTheBlockAndItsValuesUnderTheNewRows)
{
    u32* cells = m_map.m_cells;
    m_map.Reconstruct(3, 4);
    EXPECT_EQ(cells, m_map.m_cells);
    ExpectRowsOver(m_map, 3, 4);
    EXPECT_EQ(m_map.m_cells + 3, m_map[1]);
    EXPECT_EQ(100u, m_map[1][1]);  // the old (0, 1) is now (1, 1)

    u32** rows = m_map.m_rows;
    m_map.Reconstruct(3, 4);
    EXPECT_EQ(cells, m_map.m_cells);
    EXPECT_EQ(rows, m_map.m_rows);
    ExpectRowsOver(m_map, 3, 4);
    EXPECT_EQ(100u, m_map[1][1]);
}

TEST_F(MosMapTest, OtherSizesGetBlocksOfTheirOwnSize)
{
    const u32 before = MEM_GetBytesInUse();
    m_map.Reconstruct(5, 3);  // 15 cells, same height
    ExpectRowsOver(m_map, 5, 3);
    EXPECT_EQ(before + 3 * 4, MEM_GetBytesInUse());
    m_map.Reconstruct(2, 2);
    ExpectRowsOver(m_map, 2, 2);
    EXPECT_EQ(before - 8 * 4 - 1 * sizeof(u32*), MEM_GetBytesInUse());
    m_map.Free();
    EXPECT_EQ(0, m_map.m_count);
    EXPECT_EQ(nullptr, m_map.m_cells);
    EXPECT_EQ(nullptr, m_map.m_rows);
    EXPECT_EQ(before - 12 * 4 - 3 * sizeof(u32*), MEM_GetBytesInUse());
}

TEST_F(MosMapTest, BadSizesAreFatalAndLeaveTheMapAsItWas)
{
    struct Case
    {
        s32 width;
        s32 height;
        const char* caption;
        const char* message;
    };
    const Case cases[] = {
        {0, 3, "Width of map must be > 0.", PLACE_ARGS},
        {-1, 3, "Width of map must be > 0.", PLACE_ARGS},
        {0, 0, "Width of map must be > 0.", PLACE_ARGS},
        {4, 0, "Height of map must be > 0.", PLACE_ARGS},
        {4, -2, "Height of map must be > 0.", PLACE_ARGS},
        {65536, 65536, CELLS_FAILED, PLACE_RECONSTRUCT},  // 2^32 cells would wrap to 0
        {0x7FFFFFFF, 2, CELLS_FAILED, PLACE_RECONSTRUCT},
        {40000, 40000, CELLS_FAILED, PLACE_RECONSTRUCT},  // the count fits, 4-byte cells do not
    };
    for (const Case& c : cases) {
        EXPECT_FATAL(m_map.Reconstruct(c.width, c.height), c.caption, c.message);
        ExpectRowsOver(m_map, 4, 3);
        EXPECT_EQ(102u, m_map[1][2]);
    }
}

TEST(MosMapBlocksTest, OversizedByteMapsAreFatalBeforeAnyAllocation)
{
    TST_TempDir dir;
    MOS_Map<u8> map;
    const u32 before = MEM_GetBytesInUse();
    // 2^31 - 1 one-byte cells would fit, their row pointers would not.
    EXPECT_FATAL(map.Reconstruct(1, 0x7FFFFFFF), ROWS_FAILED, PLACE_RECONSTRUCT);
    EXPECT_FATAL(map.Reconstruct(0x10000, 0x8000), CELLS_FAILED, PLACE_RECONSTRUCT);
    EXPECT_EQ(before, MEM_GetBytesInUse());
    EXPECT_EQ(0, map.m_count);

    map.Reconstruct(7, 2);
    map[1][6] = 0xAB;
    EXPECT_EQ(0xAB, map.m_cells[13]);
}

TEST_F(MosMapTest, RefusedAllocationIsFatalAndLeavesAnEmptyMap)
{
    // Almost 4 GB of cells: the count and the byte size fit, the allocator cannot hold them.
    EXPECT_FATAL(m_map.Reconstruct(0x3FFFFFFF, 1), CELLS_FAILED, PLACE_RECONSTRUCT);
    EXPECT_EQ(0, m_map.m_count);
    EXPECT_EQ(0, m_map.m_height);
    EXPECT_EQ(nullptr, m_map.m_cells);
    EXPECT_EQ(nullptr, m_map.m_rows);
    m_map.Reconstruct(2, 2);
    ExpectRowsOver(m_map, 2, 2);
}

TEST_F(MosMapTest, CopyNeedsEqualCellCountsOnly)
{
    MOS_Map<u32> tall;
    tall.Reconstruct(2, 6);
    tall.Copy(m_map);
    for (s32 i = 0; i < 12; ++i)
        EXPECT_EQ(m_map.m_cells[i], tall.m_cells[i]);
    EXPECT_EQ(101u, tall[2][1]);  // storage order: cell 5 was the source's (1, 1)

    MOS_Map<u32> square;
    square.Reconstruct(4, 4);
    square[0][0] = 7;
    EXPECT_FATAL(square.Copy(m_map), "difference sizes of maps in copy operation.", "void MOS_Map<T>::Copy()");
    EXPECT_EQ(7u, square[0][0]);

    MOS_Map<u32> empty;
    EXPECT_FATAL(empty.Copy(m_map), "difference sizes of maps in copy operation.", "void MOS_Map<T>::Copy()");
}

TEST(MosMapBlocksTest, DestructionReleasesBothBlocks)
{
    const u32 before = MEM_GetBytesInUse();
    {
        MOS_Map<u8> map;
        map.Reconstruct(300, 200);
        EXPECT_EQ(before + 300 * 200 + 200 * sizeof(u8*), MEM_GetBytesInUse());
    }
    EXPECT_EQ(before, MEM_GetBytesInUse());
}
}  // namespace
