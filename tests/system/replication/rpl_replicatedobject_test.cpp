#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "mem_alloc.h"
#include "rpl_bitset.h"
#include "rpl_fixture.h"
#include "rpl_replicationobserver.h"
#include "tst_memorystream.h"

namespace
{
std::string U32Bytes(u32 _value)
{
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += (char)(u8)(_value >> (8 * i));
    return bytes;
}

std::string S32Bytes(s32 _value) { return U32Bytes((u32)_value); }

// A changed-properties record: the count byte (below 0x80), the words, then the data.
std::string Record(u32 _bits, const std::vector<u32>& _words, const std::vector<s32>& _data)
{
    std::string bytes(1, (char)_bits);
    for (u32 word : _words)
        bytes += U32Bytes(word);
    for (s32 value : _data)
        bytes += S32Bytes(value);
    return bytes;
}

std::vector<s32> Values(TST_ValueObject& _object)
{
    std::vector<s32> values;
    for (u32 i = 0; i < _object.GetPropertyCount(); ++i)
        values.push_back(_object.Value(i).value);
    return values;
}
}  // namespace

TEST(RplReplicatedObjectTest, ThirtyThreePropertiesTravelAsCountTwoWordsAndTheMarkedDataInOrder)
{
    TST_ValueObject sender(33, 100);
    RPL_BitSet bits;
    bits.Resize(33);
    bits.Set(32);
    bits.Set(0);
    bits.Set(5);
    TST_MemoryOutput out;
    sender.WriteChanged(out, bits, nullptr);
    EXPECT_EQ(Record(33, {0x21, 1}, {100, 105, 132}), out.Bytes());
    EXPECT_EQ(0, sender.Value(1).writes);

    TST_ValueObject receiver(33, 0);
    TST_MemoryInput in(out.Bytes());
    receiver.ReadChanged(in, 0, 0);
    EXPECT_EQ(out.Bytes().size(), in.Position());
    for (u32 i = 0; i < 33; ++i) {
        const bool marked = i == 0 || i == 5 || i == 32;
        EXPECT_EQ(marked ? 100 + (s32)i : (s32)i, receiver.Value(i).value) << i;
        EXPECT_EQ(marked ? 1 : 0, receiver.Value(i).reads) << i;
    }
}

TEST(RplReplicatedObjectTest, MarkChangedAsksOnlyUnmarkedPropertiesAndNeverClears)
{
    TST_ValueObject object(3);
    RPL_ObjectRecord record;
    record.dirty.Resize(3);
    object.Value(1).changed = true;
    object.MarkChanged(record, nullptr);
    EXPECT_EQ(0x2u, record.dirty.Words()[0]);

    object.Value(1).changed = false;
    object.Value(2).changed = true;
    object.MarkChanged(record, nullptr);
    EXPECT_EQ(0x6u, record.dirty.Words()[0]);
    EXPECT_EQ(1, object.Value(1).changeTests);  // once marked, not asked again
    EXPECT_EQ(2, object.Value(0).changeTests);
}

// The receiving object has three properties at 0, 1, 2; the records carry 11, 22, 33.
TEST(RplReplicatedObjectTest, ReadChangedAppliesOnlyCompleteRecordsThatFitTheObject)
{
    struct ReadCase
    {
        const char* name;
        std::string bytes;
        std::vector<s32> values;
        bool error;
        bool end;
    };
    const std::string full = Record(3, {0x5}, {11, 33});
    const std::vector<ReadCase> cases = {
        {"equal count", full, {11, 1, 33}, false, false},
        {"count below: bits past it clear",
         Record(2, {0xFFFFFFFF}, {11, 22}) + S32Bytes(33),
         {11, 22, 2},
         false,
         false},
        {"empty record", Record(0, {}, {}), {0, 1, 2}, false, false},
        {"count above", Record(4, {0x1}, {11}), {0, 1, 2}, true, false},
        {"huge count", std::string("\xF0\xFF\xFF\xFF\xFF") + U32Bytes(1), {0, 1, 2}, true, false},
        {"cut in the count", "\x80", {0, 1, 2}, false, true},
        {"cut in the words", full.substr(0, 3), {0, 1, 2}, false, true},
        {"cut in the second value", full.substr(0, full.size() - 1), {11, 1, 2}, false, true},
    };
    for (const ReadCase& row : cases) {
        SCOPED_TRACE(row.name);
        TST_ValueObject receiver(3, 0);
        const u32 before = MEM_GetBytesInUse();
        TST_MemoryInput in(row.bytes);
        receiver.ReadChanged(in, 0, 0);
        EXPECT_EQ(row.values, Values(receiver));
        EXPECT_EQ(row.error, in.HasError() != 0);
        EXPECT_EQ(row.end, in.IsEOF() != 0);
        EXPECT_EQ(row.error ? (u32)EINVAL : 0u, in.GetErrorCode());
        EXPECT_EQ(before, MEM_GetBytesInUse());
    }
}
