#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mos_string.h"
#include "rpl_string.h"
#include "tst_memorystream.h"

namespace
{

// Records the size of every character read asked of it.
class RplStringTestInput : public TST_MemoryInput
{
public:
    using TST_MemoryInput::TST_MemoryInput;
    s32 ReadCharArray(char* _base, s32 _count, s32 _start) override
    {
        chunks.push_back(_count);
        return TST_MemoryInput::ReadCharArray(_base, _count, _start);
    }
    std::vector<s32> chunks;
};

TEST(RplStringTest, WrittenWithCountUnlessFlag4)
{
    TST_MemoryOutput counted;
    RPL_WriteString(counted, "abc", 3);
    RPL_WriteString(counted, "", 0);
    EXPECT_EQ(counted.Bytes(), std::string("\x03"
                                           "abc\x00",
                                           5));

    TST_MemoryOutput bare;
    bare.SetFlag4(true);
    RPL_WriteString(bare, MOS_String("abc"));
    RPL_WriteString(bare, "", 0);
    EXPECT_EQ(bare.Bytes(), "abc");
}

TEST(RplStringTest, LongStringTravelsInChunksOf256)
{
    std::string text;
    for (int i = 0; i < 600; ++i)
        text.push_back((char)('a' + i % 26));
    TST_MemoryOutput out;
    RPL_WriteString(out, text.c_str(), (u32)text.size());
    EXPECT_EQ(out.Bytes().substr(0, 2), "\x82\x58");  // 600 as a two-byte count

    RplStringTestInput in(out.Bytes() + "tail");
    MOS_String read("old");
    EXPECT_EQ(RPL_ReadString(in, read), 1u);
    EXPECT_EQ(std::string(read.C_Str(), read.Length()), text);
    EXPECT_EQ(in.chunks, (std::vector<s32>{256, 256, 88}));
    EXPECT_EQ(in.Position(), out.Bytes().size());
    EXPECT_FALSE(in.IsEOF());
}

// A stream that ends inside a string keeps only the chunks that arrived whole.
TEST(RplStringTest, StringCutShortKeepsCompleteChunks)
{
    const struct
    {
        std::string bytes;
        u32 length;
    } cases[] = {
        {"", 0},  // no count at all
        {"\x05"
         "ab",
         0},                                        // inside the only chunk
        {"\x82\x58" + std::string(300, 'x'), 256},  // inside the second chunk
    };
    for (const auto& c : cases) {
        TST_MemoryInput in(c.bytes);
        MOS_String read("old");
        EXPECT_EQ(RPL_ReadString(in, read), 0u);
        EXPECT_EQ(read.Length(), c.length);
        EXPECT_TRUE(in.IsEOF());
    }
}

}  // namespace
