#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "mem_alloc.h"
#include "os_path.h"
#include "test_dir.h"

namespace
{
struct ResolveCase
{
    const char* name;
    u32 found;
    const char* path;  // the resolved path, or the normalised name when not found
};

TEST(OsPathTest, ResolvesNamesWithoutRegardToCaseOrSeparator)
{
    TST_TempDir dir;
    dir.Write("data/tex/a.tga", "a");
    dir.Write("Sounds/Boom.WAV", "b");
    const ResolveCase cases[] = {
        {"data/tex/a.tga", 1, "data/tex/a.tga"},
        {"DATA\\Tex\\A.TGA", 1, "data/tex/a.tga"},
        {"data//TEX\\\\a.tga", 1, "data/tex/a.tga"},
        {"sounds\\boom.wav", 1, "Sounds/Boom.WAV"},
        {"C:data\\tex\\A.tga", 1, "data/tex/a.tga"},  // the drive letter is dropped
        {"data\\TEX\\", 1, "data/tex"},
        {"data\\tex\\missing.tga", 0, "data/tex/missing.tga"},
        {"data\\tex\\a.tga\\x", 0, "data/tex/a.tga/x"},
        {"d:\\Data\\x.tga", 0, "/Data/x.tga"},  // absolute without its drive letter
        {"", 0, ""},
        {"c:", 0, ""},
    };
    for (const ResolveCase& c : cases) {
        char out[256];
        memset(out, 'X', sizeof(out));
        EXPECT_EQ(c.found, OS_ResolvePath(c.name, out, sizeof(out))) << c.name;
        EXPECT_STREQ(c.path, out) << c.name;
    }
}

TEST(OsPathTest, AbsolutePathStaysAbsoluteAndIsMatchedToo)
{
    TST_TempDir dir;
    dir.Write("data/tex/a.tga", "a");
    const std::string name = "C:" + dir.Path() + "\\DATA\\TEX\\A.TGA";
    char out[512];
    ASSERT_EQ(1u, OS_ResolvePath(name.c_str(), out, sizeof(out)));
    EXPECT_EQ(dir.Path() + "/data/tex/a.tga", out);
}

TEST(OsPathTest, ExactSpellingWinsOverOtherCaseVariants)
{
    TST_TempDir dir;
    dir.Write("a.tga", "lower");
    dir.Write("A.tga", "upper");
    char out[64];
    ASSERT_EQ(1u, OS_ResolvePath("a.tga", out, sizeof(out)));
    EXPECT_STREQ("a.tga", out);
    ASSERT_EQ(1u, OS_ResolvePath("A.tga", out, sizeof(out)));
    EXPECT_STREQ("A.tga", out);
    // Neither spelled exactly: always the same one.
    ASSERT_EQ(1u, OS_ResolvePath("a.TGA", out, sizeof(out)));
    const std::string first = out;
    ASSERT_EQ(1u, OS_ResolvePath("A.TGA", out, sizeof(out)));
    EXPECT_EQ(first, out);
}

TEST(OsPathTest, ResultThatDoesNotFitIsNotFound)
{
    TST_TempDir dir;
    dir.Write("data/tex/a.tga", "a");
    char out[8];
    EXPECT_EQ(0u, OS_ResolvePath("DATA/TEX/A.TGA", out, sizeof(out)));
    EXPECT_EQ(7u, strlen(out));
}

TEST(OsPathTest, DirectoryListingSeesChangesAfterTheFirstLookup)
{
    TST_TempDir dir;
    dir.Write("data/old.tga", "old");
    // A directory untouched for long, so that its listing is kept rather than re-read.
    const timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, "data", past, 0));
    char out[64];
    ASSERT_EQ(1u, OS_ResolvePath("DATA/OLD.TGA", out, sizeof(out)));  // lists data/
    EXPECT_EQ(0u, OS_ResolvePath("DATA/NEW.TGA", out, sizeof(out)));

    dir.Write("data/new.tga", "new");
    ASSERT_EQ(1u, OS_ResolvePath("DATA/NEW.TGA", out, sizeof(out)));
    EXPECT_STREQ("data/new.tga", out);

    ASSERT_EQ(0, unlink("data/old.tga"));
    EXPECT_EQ(0u, OS_ResolvePath("DATA/OLD.TGA", out, sizeof(out)));
}

TEST(OsPathTest, ListingsBelongToTheDirectoryNotToTheRelativeName)
{
    char out[64];
    {
        TST_TempDir first;
        first.Write("data/a.tga", "a");
        ASSERT_EQ(1u, OS_ResolvePath("DATA/A.TGA", out, sizeof(out)));
    }
    TST_TempDir second;
    second.Write("data/b.tga", "b");
    EXPECT_EQ(0u, OS_ResolvePath("DATA/A.TGA", out, sizeof(out)));
    EXPECT_EQ(1u, OS_ResolvePath("DATA/B.TGA", out, sizeof(out)));
}

TEST(OsPathTest, MoreDirectoriesThanTheCacheHoldsStillResolve)
{
    TST_TempDir dir;
    for (int i = 0; i < 150; ++i)
        dir.Write("d" + std::to_string(i) + "/f.txt", "x");
    char out[64];
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 150; ++i) {
            const std::string name = "D" + std::to_string(i) + "\\F.TXT";
            ASSERT_EQ(1u, OS_ResolvePath(name.c_str(), out, sizeof(out))) << name;
            EXPECT_EQ("d" + std::to_string(i) + "/f.txt", std::string(out));
        }
    }
    const u32 before = MEM_GetBytesInUse();
    OS_ResetPathCache();
    EXPECT_LT(MEM_GetBytesInUse(), before);
    ASSERT_EQ(1u, OS_ResolvePath("D0\\F.TXT", out, sizeof(out)));
}

TEST(OsPathTest, OpenDataFileOpensRegularFilesInBinaryMode)
{
    TST_TempDir dir;
    dir.Write("Ini/Sound.des", "a\r\nb");
    FILE* file = OS_OpenDataFile("ini\\sound.des", "rt");
    ASSERT_NE(nullptr, file);
    char text[8] = {};
    EXPECT_EQ(4u, fread(text, 1, sizeof(text), file));
    EXPECT_STREQ("a\r\nb", text);
    fclose(file);
    EXPECT_EQ(nullptr, OS_OpenDataFile("ini", "rb"));  // a directory is not a data file
    EXPECT_EQ(nullptr, OS_OpenDataFile("ini\\missing.des", "rb"));
}

TEST(OsPathTest, FileTimeHasNanoseconds)
{
    TST_TempDir dir;
    dir.Write("data/a.tga", "a");
    const timespec times[2] = {{1600000000, 123456789}, {1600000000, 987654321}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, "data/a.tga", times, 0));
    s64 time = -1;
    ASSERT_EQ(1u, OS_GetFileTime("DATA\\A.TGA", &time));
    EXPECT_EQ(1600000000987654321LL, time);
    EXPECT_EQ(0u, OS_GetFileTime("data\\b.tga", &time));
    EXPECT_EQ(0, time);
}

struct TextCase
{
    std::string in;
    std::string out;
};

TEST(OsPathTest, TextModeDropsCarriageReturnBeforeLineFeedAndStopsAtEof)
{
    const TextCase cases[] = {
        {"", ""},
        {"a\r\nb\r\n", "a\nb\n"},
        {"a\rb", "a\rb"},        // a lone CR stays
        {"a\r\r\nb", "a\r\nb"},  // only the CR right before LF goes
        {"a\r", "a\r"},
        {"ab\x1A"
         "cd",
         "ab"},
        {"\x1A"
         "ab",
         ""},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const TextCase& c : cases) {
        std::string bytes = c.in;
        const u32 size = OS_TextModeConvert((u8*)bytes.data(), (u32)bytes.size());
        EXPECT_EQ(c.out, bytes.substr(0, size)) << testing::PrintToString(c.in);
    }
}

TEST(OsPathTest, ReadDataFileReadsWholeFilesWithATerminator)
{
    TST_TempDir dir;
    dir.Write("Scripts/Main.lua", "x = 1\r\ny = 2\r\n\x1Agarbage");
    u8* data = nullptr;
    u32 size = 0;
    ASSERT_EQ(1u, OS_ReadDataFile("scripts\\main.lua", 0, &data, &size));
    EXPECT_EQ(22u, size);
    EXPECT_EQ(0, data[size]);
    EXPECT_EQ(0, memcmp("x = 1\r\ny = 2\r\n\x1Agarbage", data, size));
    MEM_Free(data);

    ASSERT_EQ(1u, OS_ReadDataFile("scripts\\main.lua", 1, &data, &size));
    EXPECT_EQ(std::string("x = 1\ny = 2\n"), std::string((const char*)data, size));
    EXPECT_EQ(0, data[size]);
    MEM_Free(data);

    dir.Write("empty.txt", "");
    ASSERT_EQ(1u, OS_ReadDataFile("EMPTY.TXT", 1, &data, &size));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(0, data[0]);
    MEM_Free(data);
}

TEST(OsPathTest, ReadDataFileRefusesMissingDirectoriesAndHugeFiles)
{
    TST_TempDir dir;
    dir.Write("sub/x", "x");
    // Sparse: nothing is written, only the size is announced.
    const int handle = open("huge.bin", O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(handle, 0);
    ASSERT_EQ(0, ftruncate(handle, (off_t)0x80000001LL));
    close(handle);
    OS_ResetPathCache();  // a missing name caches a directory listing
    const u32 before = MEM_GetBytesInUse();
    for (const char* name : {"missing.txt", "sub", "huge.bin"}) {
        u8* data = (u8*)&dir;
        u32 size = 7;
        EXPECT_EQ(0u, OS_ReadDataFile(name, 0, &data, &size)) << name;
        EXPECT_EQ(nullptr, data) << name;
        EXPECT_EQ(0u, size) << name;
    }
    OS_ResetPathCache();
    EXPECT_EQ(before, MEM_GetBytesInUse());  // nothing allocated for the refused files
}

}  // namespace
