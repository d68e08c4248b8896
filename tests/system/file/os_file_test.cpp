#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mem_alloc.h"
#include "os_file.h"
#include "os_path.h"
#include "test_dir.h"
#include "tools_archive.h"

namespace
{
// The whole contents of a data file opened through OS_File, or "<none>".
std::string Contents(const char* _name)
{
    OS_File file;
    if (!file.Open(_name))
        return "<none>";
    std::string bytes(file.Size(), '\0');
    EXPECT_EQ((u32)bytes.size(), file.Read(bytes.data(), (u32)bytes.size())) << _name;
    return bytes;
}

// A working directory holding a small archive, opened for the test and closed after it.
class OsArchiveTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(1u, TOOL_WriteArchive(".", {
                                                 {"dat\\tex\\Rock.tga", "ROCKDATA"},
                                                 {"logo10.tga", "TEN"},
                                                 {"logo1", "ONE"},
                                                 {"sound/Boom.wav", "BOOM!"},
                                                 {"shared.tga", "archive"},
                                             }));
        OS_Archive::Open();
        ASSERT_EQ(1u, OS_Archive::IsOpen());
    }
    void TearDown() override { OS_Archive::Close(); }

    TST_TempDir m_dir;
};

struct FindCase
{
    const char* name;
    const char* contents;
};

TEST_F(OsArchiveTest, FindsExactNamesFirstThenTheFirstLongerName)
{
    EXPECT_EQ(5u, OS_Archive::GetCount());
    const FindCase cases[] = {
        {"dat\\tex\\Rock.tga", "ROCKDATA"},
        {"DAT\\TEX\\ROCK.TGA", "ROCKDATA"},
        {"dat/tex/rock.tga", "ROCKDATA"},  // '/' and '\' are the same
        {"SOUND\\BOOM.WAV", "BOOM!"},
        {"logo1", "ONE"},  // exact, although "logo10.tga" comes first
        {"LOGO1", "ONE"},
        {"logo", "TEN"},  // only a beginning: the first entry it begins
        {"dat\\tex\\ro", "ROCKDATA"},
        {"logo100", "<none>"},
        {"rock.tga", "<none>"},
        {"", "<none>"},
    };
    for (const FindCase& c : cases)
        EXPECT_EQ(c.contents, Contents(c.name)) << c.name;
    EXPECT_EQ(nullptr, OS_Archive::Find(std::string(300, 'l').c_str()));
}

TEST_F(OsArchiveTest, DiskOverridesTheArchiveWhateverTheCase)
{
    m_dir.Write("Shared.TGA", "disk");
    EXPECT_EQ("disk", Contents("shared.tga"));
    m_dir.Write("dat/tex/rock.tga", "loose");
    EXPECT_EQ("loose", Contents("DAT\\TEX\\ROCK.TGA"));
}

struct SeekCase
{
    char mode;  // 's' SeekSet, 'c' SeekCur, 'e' SeekEnd
    s32 offset;
    u32 tell;
};

TEST_F(OsArchiveTest, SeeksStayWithinTheEntry)
{
    OS_File file;
    ASSERT_EQ(1u, file.Open("dat\\tex\\rock.tga"));  // "ROCKDATA", 8 bytes
    const SeekCase cases[] = {
        {'s', 3, 3},   {'c', 2, 5},    {'e', 0, 8}, {'e', -2, 6},   {'s', -5, 0},
        {'s', 100, 8}, {'c', -100, 0}, {'e', 4, 8}, {'e', -100, 0}, {'c', 7, 7},
    };
    for (const SeekCase& c : cases) {
        const u32 done = c.mode == 's'   ? file.SeekSet(c.offset)
                         : c.mode == 'c' ? file.SeekCur(c.offset)
                                         : file.SeekEnd(c.offset);
        EXPECT_EQ(1u, done);
        EXPECT_EQ(c.tell, file.Tell()) << c.mode << " " << c.offset;
    }
    file.SeekEnd(-2);
    char bytes[2] = {};
    EXPECT_EQ(2u, file.Read(bytes, 2));
    EXPECT_EQ(0, memcmp("TA", bytes, 2));
}

TEST_F(OsArchiveTest, ReadsStopAtTheEntryEndAndZeroFillTheRest)
{
    OS_File file;
    ASSERT_EQ(1u, file.Open("dat\\tex\\rock.tga"));
    ASSERT_EQ(1u, file.SeekSet(5));
    u8 buffer[8];
    memset(buffer, 0xCC, sizeof(buffer));
    EXPECT_EQ(3u, file.Read(buffer, sizeof(buffer)));  // the next entry's bytes never show
    EXPECT_EQ(0, memcmp("ATA\0\0\0\0\0", buffer, 8));
    EXPECT_EQ(8u, file.Tell());
    u8 byte = 0xCC;
    EXPECT_EQ(0u, file.ReadByte(&byte));
    EXPECT_EQ(0, byte);

    OS_ArchiveEntry* entry = OS_Archive::Find("logo1");
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(3u, OS_Archive::Read(buffer, 2, 4, entry));  // item size x count, clamped
    EXPECT_EQ(3u, OS_Archive::Tell(entry));
    OS_Archive::Seek(entry, 1, OS_Archive::SEEK_FROM_START);
    EXPECT_EQ(2u, OS_Archive::Read(buffer, 0x10000, 0x10000, entry));  // the product overflows u32
    EXPECT_EQ(0, memcmp("NE", buffer, 2));
    OS_Archive::Release(entry);
}

TEST_F(OsArchiveTest, InterleavedHandlesKeepTheirOwnPositions)
{
    OS_File rock;
    OS_File boom;
    ASSERT_EQ(1u, rock.Open("dat\\tex\\rock.tga"));
    ASSERT_EQ(1u, boom.Open("sound\\boom.wav"));
    std::string mixed;
    for (int i = 0; i < 4; ++i) {
        u8 byte = 0;
        rock.ReadByte(&byte);
        mixed += (char)byte;
        boom.ReadByte(&byte);
        mixed += (char)byte;
    }
    EXPECT_EQ("RBOOCOKM", mixed);
}

TEST_F(OsArchiveTest, ReopeningAnObjectClosesWhatItHad)
{
    OS_ResetPathCache();  // lookups of missing names cache directory listings
    const u32 before = MEM_GetBytesInUse();
    {
        OS_File file;
        ASSERT_EQ(1u, file.Open("logo1"));
        ASSERT_EQ(1u, file.Open("logo10.tga"));
        EXPECT_EQ(3u, file.Size());
        char bytes[3] = {};
        file.Read(bytes, 3);
        EXPECT_EQ(0, memcmp("TEN", bytes, 3));
        EXPECT_EQ(0u, file.Open("missing"));
        EXPECT_EQ(0u, file.IsOpen());
        ASSERT_EQ(1u, file.Open("logo1"));
    }
    OS_ResetPathCache();
    EXPECT_EQ(before, MEM_GetBytesInUse());  // every handle released
}

TEST_F(OsArchiveTest, WritesToAnArchiveEntryAreIgnored)
{
    OS_File file;
    ASSERT_EQ(1u, file.Open("logo1"));
    file.Write("XYZ", 3);
    file.WriteU8(1);
    file.WriteU16(2);
    EXPECT_EQ(0u, file.Tell());
    file.Close();
    EXPECT_EQ("ONE", Contents("logo1"));
    EXPECT_EQ(std::string("ROCKDATATENONEBOOM!archive"), m_dir.Read("dorim.dat"));
}

TEST_F(OsArchiveTest, ExistsLooksOnDiskAndInTheArchive)
{
    m_dir.Write("Sub/File.txt", "x");
    EXPECT_EQ(1u, OS_File::Exists("SUB\\FILE.TXT"));
    EXPECT_EQ(1u, OS_File::Exists("Sound\\Boom.wav"));
    EXPECT_EQ(1u, OS_File::Exists("logo"));
    EXPECT_EQ(0u, OS_File::Exists("sub"));  // a directory is not a file
    EXPECT_EQ(0u, OS_File::Exists("nothing.tga"));
}

TEST(OsArchiveFilesTest, AreFoundWithoutRegardToCase)
{
    TST_TempDir dir;
    ASSERT_EQ(1u, TOOL_WriteArchive(".", {{"a.tga", "A"}}));
    ASSERT_EQ(0, rename("dorim.hdr", "DORIM.HDR"));
    ASSERT_EQ(0, rename("dorim.dat", "Dorim.Dat"));
    OS_Archive::Open();
    EXPECT_EQ(1u, OS_Archive::IsOpen());
    EXPECT_EQ("A", Contents("A.TGA"));
    OS_Archive::Close();
}

TEST(OsArchiveFilesTest, OpenAndCloseLeaveNothingBehind)
{
    TST_TempDir dir;
    ASSERT_EQ(1u, TOOL_WriteArchive(".", {{"a.tga", "A"}, {"b.tga", "B"}}));
    const u32 before = MEM_GetBytesInUse();
    OS_Archive::Open();
    OS_Archive::Open();  // a second open changes nothing
    EXPECT_EQ(2u, OS_Archive::GetCount());
    OS_Archive::Close();
    EXPECT_EQ(0u, OS_Archive::IsOpen());
    EXPECT_EQ(0u, OS_Archive::GetCount());
    EXPECT_EQ(nullptr, OS_Archive::Find("a.tga"));
    EXPECT_EQ(before, MEM_GetBytesInUse());
}

TEST(OsArchiveFilesTest, WithoutIndexOrDataEverythingComesFromDisk)
{
    for (const char* present : {"", "dorim.hdr"}) {
        TST_TempDir dir;
        ASSERT_EQ(1u, TOOL_WriteArchive(".", {{"a.tga", "A"}, {"b.tga", "B"}}));
        remove("dorim.dat");
        if (present[0] == 0)
            remove("dorim.hdr");
        dir.Write("b.tga", "disk");
        OS_Archive::Open();
        EXPECT_EQ(0u, OS_Archive::IsOpen()) << present;
        EXPECT_EQ(0u, OS_Archive::GetCount()) << present;
        EXPECT_EQ(nullptr, OS_Archive::Find("a.tga")) << present;
        EXPECT_EQ(0u, OS_File::Exists("a.tga")) << present;
        EXPECT_EQ("<none>", Contents("a.tga")) << present;
        EXPECT_EQ("disk", Contents("B.TGA")) << present;
        OS_Archive::Close();
    }
}

struct LookupCase
{
    std::string name;
    std::string contents;  // "<none>" when not found
};

struct IndexCase
{
    const char* what;
    std::string index;
    u32 count;
    std::vector<LookupCase> lookups;
};

std::string Bytes(const std::string& _index, u32 _size) { return _index.substr(0, _size); }

TEST(OsArchiveFilesTest, CorruptIndexesNeverReachOutsideTheirData)
{
    const std::string longName(128, 'n');  // fills its field: no terminator
    const std::vector<TOOL_ArchiveRecord> two = {{"a.tga", 3, 0}, {"b.tga", 4, 3}};
    const IndexCase cases[] = {
        {"count larger than the records", TOOL_ArchiveIndexBytes(two, 1000), 2, {{"a.tga", "012"}, {"b.tga", "3456"}}},
        {"huge count", TOOL_ArchiveIndexBytes({}, 0x7FFFFFFF), 0, {{"a", "<none>"}}},
        {"negative count", TOOL_ArchiveIndexBytes(two, -1), 0, {{"a.tga", "<none>"}}},
        {"last record cut short",
         Bytes(TOOL_ArchiveIndexBytes(two, 2), 16 + 136 + 50),
         1,
         {{"a.tga", "012"}, {"b.tga", "<none>"}}},
        {"header too short for the count", Bytes(TOOL_ArchiveIndexBytes(two, 2), 14), 0, {{"a.tga", "<none>"}}},
        {"empty index", "", 0, {{"a.tga", "<none>"}}},
        {"name without terminator",
         TOOL_ArchiveIndexBytes({{longName, 3, 7}}, 1),
         1,
         {{longName, "789"}, {"nnnnn", "789"}, {longName + "x", "<none>"}}},
        {"entries past the data",
         TOOL_ArchiveIndexBytes({{"far", 4, 20}, {"edge", 100, 8}, {"wrap", 0x20, 0xFFFFFFF0u}}, 3),
         3,
         {{"far", ""}, {"edge", "89"}, {"wrap", ""}}},
    };
    for (const IndexCase& c : cases) {
        TST_TempDir dir;
        dir.Write("dorim.hdr", c.index);
        dir.Write("dorim.dat", "0123456789");
        OS_Archive::Open();
        EXPECT_EQ(1u, OS_Archive::IsOpen()) << c.what;
        EXPECT_EQ(c.count, OS_Archive::GetCount()) << c.what;
        for (const LookupCase& lookup : c.lookups)
            EXPECT_EQ(lookup.contents, Contents(lookup.name.c_str())) << c.what << ": " << lookup.name;
        OS_Archive::Close();
    }
}

TEST(OsFileTest, DiskFilesReadSeekAndZeroFillPastTheEnd)
{
    TST_TempDir dir;
    dir.Write("Data/Level.bin", "abcdef");
    OS_File file;
    ASSERT_EQ(1u, file.Open("data\\level.bin"));
    EXPECT_EQ(6u, file.Size());
    EXPECT_EQ(1u, file.SeekEnd(-2));
    EXPECT_EQ(4u, file.Tell());
    char bytes[4];
    memset(bytes, 'X', sizeof(bytes));
    EXPECT_EQ(2u, file.Read(bytes, 4));
    EXPECT_EQ(0, memcmp("ef\0\0", bytes, 4));
    EXPECT_EQ(1u, file.SeekSet(1));
    EXPECT_EQ(1u, file.SeekCur(1));
    u8 byte = 0;
    EXPECT_EQ(1u, file.ReadByte(&byte));
    EXPECT_EQ('c', byte);
    EXPECT_EQ(0u, file.SeekCur(-100));  // a disk seek error is reported
}

TEST(OsFileTest, ClosedObjectDoesNothing)
{
    OS_File file;
    char bytes[3] = {'x', 'y', 'z'};
    EXPECT_EQ(0u, file.IsOpen());
    EXPECT_EQ(0u, file.Read(bytes, 3));
    EXPECT_EQ(0, memcmp("\0\0\0", bytes, 3));
    EXPECT_EQ(0u, file.SeekSet(1));
    EXPECT_EQ(0u, file.SeekCur(1));
    EXPECT_EQ(0u, file.SeekEnd(0));
    EXPECT_EQ(0u, file.Tell());
    EXPECT_EQ(0u, file.Size());
    file.Write("abc", 3);
    file.Close();
}

TEST(OsFileTest, WritesLittleEndianBytesUnderTheNameAsGiven)
{
    TST_TempDir dir;
    OS_File file;
    ASSERT_EQ(1u, file.OpenWrite("Shot.tga"));
    file.Write("ab", 2);
    file.WriteU8(0x7F);
    file.WriteU16(0x1234);
    EXPECT_EQ(5u, file.Size());
    EXPECT_EQ(5u, file.Tell());
    file.Close();
    EXPECT_TRUE(dir.Exists("Shot.tga"));
    EXPECT_EQ(std::string("ab\x7F\x34\x12"), dir.Read("Shot.tga"));
    EXPECT_EQ(0u, file.OpenWrite("no/such/dir/x.tga"));
}

TEST(OsRequireFileTest, NamesTheMissingFile)
{
    TST_TempDir dir;
    dir.Write("present.txt", "x");
    OS_RequireFile("present.txt");
    EXPECT_FATAL(OS_RequireFile("missing\\file.tga"), "missing\\file.tga", "ERROR: FILE NOT FOUND");
}

}  // namespace
