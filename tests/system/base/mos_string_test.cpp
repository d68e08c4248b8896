#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mem_alloc.h"
#include "mos_string.h"
#include "test_dir.h"

namespace
{
s32 RefCount(const MOS_String& _s) { return MOS_String::RepOf(_s.C_Str())->count; }

TEST(MosStringTest, RepresentationHeaderCapacityAndSizeFollowTheLength)
{
    struct Case
    {
        u32 length;
        u32 capacity;
    };
    const Case cases[] = {{1, 16}, {15, 16}, {16, 32}, {31, 32}, {32, 64}, {63, 64}, {64, 128}, {1000, 1024}};
    for (const Case& c : cases) {
        const std::string text(c.length, 'q');
        const u32 before = MEM_GetBytesInUse();
        {
            MOS_String s(text.c_str());
            const MOS_StringRep* rep = MOS_String::RepOf(s.C_Str());
            EXPECT_EQ(c.length, rep->length) << c.length;
            EXPECT_EQ(c.capacity, rep->capacity) << c.length;
            EXPECT_EQ(1, rep->count) << c.length;
            EXPECT_EQ(0u, rep->unshareable) << c.length;
            EXPECT_EQ(text, s.C_Str());
            EXPECT_EQ(0u, (uintptr_t)rep % 16) << "header and characters follow the allocator's alignment";
            EXPECT_EQ(before + c.capacity + 16, MEM_GetBytesInUse()) << c.length;
        }
        EXPECT_EQ(before, MEM_GetBytesInUse()) << "released with its last reference, length " << c.length;
    }
}

TEST(MosStringTest, EveryEmptyStringSharesOneRepresentationThatIsNeverFreed)
{
    const u32 before = MEM_GetBytesInUse();
    MOS_String a;
    const s32 base = RefCount(a);
    MOS_String b("");
    MOS_String c(nullptr);
    MOS_String d("text");
    d.Clear();
    MOS_String e("abc");
    e.Replace(0, 3, nullptr, 0);  // erased to nothing: a representation of its own, still empty
    EXPECT_EQ(a.C_Str(), b.C_Str());
    EXPECT_EQ(a.C_Str(), c.C_Str());
    EXPECT_EQ(a.C_Str(), d.C_Str());
    EXPECT_STREQ("", e.C_Str());
    EXPECT_EQ(0u, e.Length());
    EXPECT_EQ(16u, a.Capacity());
    EXPECT_EQ(0u, a.Length());
    EXPECT_EQ(base + 3, RefCount(a));
    e.Clear();
    EXPECT_EQ(a.C_Str(), e.C_Str());
    EXPECT_EQ(before, MEM_GetBytesInUse()) << "the empty representation takes nothing from the pools";
    {
        MOS_String f;
        MOS_String g(f);
        EXPECT_EQ(base + 6, RefCount(a));
    }
    EXPECT_EQ(base + 4, RefCount(a));
}

TEST(MosStringTest, CopiesShareUntilOneChangesAndAssignmentSwapsReferences)
{
    const u32 before = MEM_GetBytesInUse();
    {
        MOS_String a("hello");
        MOS_String b(a);
        EXPECT_EQ(a.C_Str(), b.C_Str());
        EXPECT_EQ(2, RefCount(a));

        b.Append(" world", 6);
        EXPECT_NE(a.C_Str(), b.C_Str());
        EXPECT_STREQ("hello", a.C_Str());
        EXPECT_STREQ("hello world", b.C_Str());
        EXPECT_EQ(1, RefCount(a));
        EXPECT_EQ(1, RefCount(b));

        MOS_String c("other");
        c = a;
        EXPECT_EQ(a.C_Str(), c.C_Str());
        EXPECT_EQ(2, RefCount(a));
        MOS_String& alias = c;
        c = alias;
        a = c;
        EXPECT_STREQ("hello", a.C_Str());
        EXPECT_EQ(2, RefCount(a));
        b = MOS_String();
        EXPECT_EQ(0u, b.Length());
    }
    EXPECT_EQ(before, MEM_GetBytesInUse());
}

TEST(MosStringTest, AppendStaysInPlaceWithinTheCapacityOfAnUnsharedString)
{
    MOS_String s("abc");
    const char* chars = s.C_Str();
    s.Append("defghijklmno", 12);  // 15 characters: still capacity 16
    EXPECT_EQ(chars, s.C_Str());
    EXPECT_STREQ("abcdefghijklmno", s.C_Str());
    s.Append("p", 1);  // 16 characters need capacity 32
    EXPECT_EQ(32u, s.Capacity());
    EXPECT_STREQ("abcdefghijklmnop", s.C_Str());
    EXPECT_EQ(16u, s.Length());
}

TEST(MosStringTest, ReplaceClampsCountAndPositionInPlaceAndWhenShared)
{
    struct Case
    {
        u32 position;
        u32 count;
        const char* chars;
        const char* expected;
    };
    const Case cases[] = {
        {2, 3, "ab", "01ab56789"},
        {0, 0, "xy", "xy0123456789"},     // insert
        {4, 2, "", "01236789"},           // erase
        {10, 0, "!", "0123456789!"},      // at the end
        {7, 100, "Z", "0123456Z"},        // count beyond the rest: only the rest
        {50, 2, "END", "0123456789END"},  // position beyond the end: the end
        {0xFFFFFFFFu, 0xFFFFFFFFu, "", "0123456789"},
        {0, 10, "0123456789ABCDEFGHIJ", "0123456789ABCDEFGHIJ"},  // grows past the capacity
    };
    for (const Case& c : cases) {
        MOS_String alone("0123456789");
        alone.Replace(c.position, c.count, c.chars, (u32)strlen(c.chars));
        EXPECT_STREQ(c.expected, alone.C_Str()) << c.position << "," << c.count << " unshared";
        EXPECT_EQ(strlen(c.expected), alone.Length());

        MOS_String original("0123456789");
        MOS_String copy(original);
        copy.Replace(c.position, c.count, c.chars, (u32)strlen(c.chars));
        EXPECT_STREQ(c.expected, copy.C_Str()) << c.position << "," << c.count << " shared";
        EXPECT_STREQ("0123456789", original.C_Str()) << "the other copy keeps its text";
        EXPECT_EQ(1, RefCount(original));
        EXPECT_EQ(1, RefCount(copy));
    }
}

TEST(MosStringTest, ReplaceWithCharactersOfTheSameString)
{
    MOS_String s("abcdef");
    s.Replace(0, 0, s.C_Str() + 2, 3);
    EXPECT_STREQ("cdeabcdef", s.C_Str());
    MOS_String t("abcdef");
    t.Append(t.C_Str(), t.Length());
    EXPECT_STREQ("abcdefabcdef", t.C_Str());
    MOS_String u("abcdef");
    u.Replace(1, 4, u.C_Str() + 3, 3);
    EXPECT_STREQ("adeff", u.C_Str());
}

TEST(MosStringTest, UnshareableRepresentationIsClonedAndChangingClearsTheMark)
{
    MOS_String a("marked");
    MOS_String::RepOf(a.C_Str())->unshareable = 1;
    MOS_String b(a);
    EXPECT_NE(a.C_Str(), b.C_Str());
    EXPECT_STREQ("marked", b.C_Str());
    EXPECT_EQ(6u, b.Length());
    EXPECT_EQ(1, RefCount(a));
    EXPECT_EQ(0u, MOS_String::RepOf(b.C_Str())->unshareable);

    a.Append("!", 1);
    EXPECT_EQ(0u, MOS_String::RepOf(a.C_Str())->unshareable);
    MOS_String c(a);
    EXPECT_EQ(a.C_Str(), c.C_Str());
}

TEST(MosStringTest, LengthsBeyondTheLargestCapacityAreFatalBeforeAnyCopy)
{
    TST_TempDir dir;  // the fatal path writes log.txt
    MOS_String s("ab");
    EXPECT_FATAL(s.Append(s.C_Str(), 0x7FFFFFFEu), "MOS_String::Replace()", "out of memory");
    EXPECT_STREQ("ab", s.C_Str());
    EXPECT_EQ(2u, s.Length());
    EXPECT_FATAL(MOS_String(s.C_Str(), 0x80000000u), "MOS_String::AllocRep()", "out of memory");
    EXPECT_EQ(0x80000000u, MOS_String::CapacityFor(0x7FFFFFFFu));
}
}  // namespace
