#include <gtest/gtest.h>

#include <string>

#include "os_string.h"

namespace
{
TEST(OsStringTest, IToAWritesDigitsInAnyBase)
{
    struct Case
    {
        u32 value;
        u32 base;
        const char* text;
    };
    const Case cases[] = {
        {0, 10, "0"}, {255, 16, "FF"}, {255, 10, "255"}, {5, 2, "101"}, {0xFFFFFFFFu, 16, "FFFFFFFF"}, {35, 36, "Z"},
    };
    for (const Case& c : cases) {
        char buffer[40];
        EXPECT_STREQ(c.text, OS_IToA(c.value, buffer, c.base));
    }
}

TEST(OsStringTest, CaseInsensitiveCompareIsAsciiAndSortsUnderscoreBeforeLetters)
{
    EXPECT_EQ(0, OS_StrICmp("NOD_Node", "nod_node"));
    EXPECT_LT(OS_StrICmp("a_b", "aab"), 0);  // '_' (0x5F) before 'a' once both are lower case
    EXPECT_LT(OS_StrICmp("A_B", "AAB"), 0);
    EXPECT_LT(OS_StrICmp("abc", "abcd"), 0);
    EXPECT_NE(0, OS_StrICmp("\xC4", "\xE4"));  // no locale: only ASCII letters fold
    EXPECT_EQ(0, OS_StrNICmp("TEXTURE1", "texture2", 7));
}

TEST(OsStringTest, CompareAnswersExactlyMinusOneZeroOrOne)
{
    EXPECT_EQ(-1, OS_StrCmp("a", "z"));
    EXPECT_EQ(1, OS_StrCmp("z", "a"));
    EXPECT_EQ(0, OS_StrCmp("same", "same"));
}

TEST(OsStringTest, BoundedCopyAlwaysTerminates)
{
    char buffer[5];
    EXPECT_EQ(1u, OS_StrCopyBounded(buffer, "abcdefgh", sizeof(buffer)));
    EXPECT_STREQ("abcd", buffer);
    EXPECT_EQ(0u, OS_StrCopyBounded(buffer, "ab", sizeof(buffer)));
    EXPECT_STREQ("ab", buffer);

    char* copy = OS_StrDup("pooled copy");
    EXPECT_STREQ("pooled copy", copy);
    OS_StrFree(copy);
}
}  // namespace
