#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "io_filestream.h"
#include "rpl_compactcount.h"
#include "test_dir.h"
#include "tst_memorystream.h"

namespace
{
struct CountCase
{
    u32 value;
    std::string bytes;
};

// Each form's bounds, and the largest value.
const std::vector<CountCase> s_counts = {
    {0, std::string("\x00", 1)},
    {0x7F, "\x7F"},
    {0x80, "\x80\x80"},
    {0x3FFF, "\xBF\xFF"},
    {0x4000, std::string("\xC0\x40\x00", 3)},
    {0x1FFFFF, "\xDF\xFF\xFF"},
    {0x200000, std::string("\xE0\x20\x00\x00", 4)},
    {0xFFFFFFF, "\xEF\xFF\xFF\xFF"},
    {0x10000000, std::string("\xF0\x10\x00\x00\x00", 5)},
    {0x12345678, "\xF0\x12\x34\x56\x78"},
    {0xFFFFFFFF, "\xF0\xFF\xFF\xFF\xFF"},
};

std::string Hex(const std::string& _bytes)
{
    std::string text;
    char digits[4];
    for (char byte : _bytes) {
        snprintf(digits, sizeof(digits), "%02X ", (u8)byte);
        text += digits;
    }
    return text;
}
}  // namespace

TEST(RplCompactCountTest, EachValueTakesItsShortestFormAndReadsBack)
{
    for (const CountCase& row : s_counts) {
        TST_MemoryOutput out;
        MOS_WriteCompactCount(out, row.value);
        EXPECT_EQ(Hex(row.bytes), Hex(out.Bytes())) << std::hex << row.value;

        TST_MemoryInput in(row.bytes + "\x55");
        EXPECT_EQ(row.value, MOS_ReadCompactCount(in)) << Hex(row.bytes);
        EXPECT_EQ(row.bytes.size(), in.Position());
        EXPECT_EQ(0u, in.IsEOF());
        EXPECT_EQ(0u, in.HasError());
    }
}

TEST(RplCompactCountTest, TheFiveByteFormIgnoresTheLowBitsOfItsFirstByte)
{
    TST_MemoryInput in("\xF7\x12\x34\x56\x78");
    EXPECT_EQ(0x12345678u, MOS_ReadCompactCount(in));
    TST_MemoryInput full(std::string("\xFF\x00\x00\x00\x01", 5));
    EXPECT_EQ(1u, MOS_ReadCompactCount(full));
}

// A count cut short anywhere, even before its first byte, answers 0 and marks the stream's end
// (a file stream does not mark it by itself).
TEST(RplCompactCountTest, AnEndInsideAnyFormAnswersZeroAndSetsTheEnd)
{
    TST_TempDir dir;
    for (const CountCase& row : s_counts) {
        for (size_t length = 0; length < row.bytes.size(); ++length) {
            const std::string cut = row.bytes.substr(0, length);
            TST_MemoryInput memory(cut);
            EXPECT_EQ(0u, MOS_ReadCompactCount(memory)) << Hex(cut);
            EXPECT_NE(0u, memory.IsEOF()) << Hex(cut);

            dir.Write("count.bin", cut);
            const s32 descriptor = open("count.bin", O_RDONLY);
            ASSERT_NE(-1, descriptor);
            {
                IO_FileInputStream file(descriptor);
                EXPECT_EQ(0u, MOS_ReadCompactCount(file)) << Hex(cut);
                EXPECT_NE(0u, file.IsEOF()) << Hex(cut);
                EXPECT_EQ(0u, file.HasError()) << Hex(cut);
                file.Close();
            }
            close(descriptor);
        }
    }
}
