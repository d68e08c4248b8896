// Names, class names and paths: limits, comparisons, parsing, and their byte forms.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rti_archive.h"
#include "sim_name.h"
#include "test_dir.h"

namespace
{
// A message argument buffer as the node messages keep it: 384 bytes, one cursor for writing
// and reading, a length byte before each byte field.
class TST_Message
{
public:
    TST_Message* PutU8(u8 _value)
    {
        *Allocate(1) = _value;
        return this;
    }
    TST_Message* PutBytes(const u8* _data, u8 _length)
    {
        PutU8(_length);
        memcpy(Allocate(_length), _data, _length);
        return this;
    }
    TST_Message* GetU8(u8* _value)
    {
        *_value = *Allocate(1);
        return this;
    }
    TST_Message* GetBytes(u8* _destination, s32* _capacity)
    {
        u8 length = 0;
        GetU8(&length);
        const u8* source = Allocate(length);
        const s32 count = length < *_capacity ? length : *_capacity;
        memcpy(_destination, source, (size_t)count);
        *_capacity = count;
        return this;
    }
    void Reset() { m_cursor = 0; }
    u32 GetCursor() const { return m_cursor; }
    u8* GetArguments() { return m_arguments; }

private:
    u8* Allocate(u32 _width)
    {
        if (m_cursor + _width > sizeof(m_arguments)) {
            ADD_FAILURE() << "message buffer overflow";
            static u8 s_scratch[256];
            return s_scratch;
        }
        m_cursor += _width;
        return m_arguments + m_cursor - _width;
    }

    u32 m_cursor = 0;
    u8 m_arguments[384] = {};
};
static_assert(SIM_Message<TST_Message>);

std::string PathText(const SIM_Path& _path)
{
    char text[SIM_Path::STRING_BYTES];
    _path.GetString(text, sizeof(text));
    return text;
}

const char* const kName14 = "abcdefghijklmn";
const char* const kName15 = "abcdefghijklmno";

// --- limits ---

TEST(SimNameTest, NameOfFourteenCharactersIsTheLongest)
{
    TST_TempDir dir;
    EXPECT_STREQ(kName14, SIM_Name(kName14).GetName());
    SIM_Name name;
    name.SetName(kName14);
    EXPECT_STREQ(kName14, name.GetName());
    name = "x";
    EXPECT_STREQ("x", name.GetName());
    name.SetName(nullptr);
    EXPECT_STREQ("", name.GetName());

    EXPECT_FATAL(SIM_Name{kName15}, "SIM_Name::SetName() : name too long", kName15);
    EXPECT_FATAL(name.SetName(kName15), "SIM_Name::SetName() : name too long", kName15);
    EXPECT_FATAL(name = kName15, "SIM_Name::oparator=() : name too long", kName15);
    EXPECT_STREQ("", name.GetName());  // a refused name changes nothing
}

TEST(SimNameTest, ClassNameOfSixtyTwoCharactersIsTheLongest)
{
    TST_TempDir dir;
    const std::string longest(62, 'c');
    const std::string tooLong(63, 'c');
    EXPECT_EQ(longest, SIM_ClassName(longest.c_str()).GetName());
    SIM_ClassName name("NOD_Node");
    EXPECT_FATAL(SIM_ClassName{tooLong.c_str()}, "SIM_ClassName::SetName() : name too long", tooLong.c_str());
    EXPECT_FATAL(name.SetName(tooLong.c_str()), "SIM_ClassName::SetName() : name too long", tooLong.c_str());
    EXPECT_FATAL(name = tooLong.c_str(), "SIM_ClassName::SetName() : name too long", tooLong.c_str());
    EXPECT_STREQ("NOD_Node", name.GetName());
}

// --- comparisons ---

TEST(SimNameTest, NamesCompareWithoutRegardToCase)
{
    EXPECT_TRUE(SIM_Name("camera") == SIM_Name("CAMERA"));
    EXPECT_TRUE(SIM_Name("camera") == "Camera");
    EXPECT_FALSE(SIM_Name("camera") == "camera1");
    EXPECT_FALSE(SIM_Name("camera") == nullptr);
    EXPECT_TRUE(SIM_Name() == "");
}

TEST(SimNameTest, PrefixTests)
{
    struct Case
    {
        const char* name;
        const char* other;
        u32 isPrefixOf;       // name begins other, any case
        u32 hasProperPrefix;  // other is a proper prefix of name, exact case
    };
    const Case cases[] = {
        {"x", "x1", 1, 0},      {"x1", "x", 0, 1},      {"X", "x1", 1, 0},  {"X1", "x", 0, 0},       {"x", "x", 1, 0},
        {"", "anything", 1, 0}, {"anything", "", 0, 1}, {"ab", "ac", 0, 0}, {"turret", "tur", 0, 1},
    };
    for (const Case& c : cases) {
        const SIM_Name name(c.name);
        const SIM_Name other(c.other);
        EXPECT_EQ(c.isPrefixOf, name.IsPrefixOf(other)) << c.name << " " << c.other;
        EXPECT_EQ(c.hasProperPrefix, name.HasProperPrefix(other)) << c.name << " " << c.other;
    }
}

// --- paths ---

TEST(SimPathTest, ParsingAndTextForm)
{
    struct Case
    {
        const char* text;
        u32 absolute;
        u32 depth;
        const char* written;
    };
    const Case cases[] = {
        {"/a/b", 1, 2, "/a/b"},
        {"a\\b", 0, 2, "a/b"},
        {"\\root/Camera\\eye", 1, 3, "/root/Camera/eye"},
        {"a/b/c/d/e/f", 0, 4, "a/b/c/d"},
        {"a//b", 0, 3, "a//b"},
        {"a/", 0, 1, "a"},
        {"/", 1, 0, "/"},
        {"", 0, 0, ""},
        {"abcdefghijklmn/x", 0, 2, "abcdefghijklmn/x"},
    };
    for (const Case& c : cases) {
        const SIM_Path path(c.text);
        EXPECT_EQ(c.absolute, path.IsAbsolute()) << c.text;
        EXPECT_EQ(c.depth, path.GetDepth()) << c.text;
        EXPECT_EQ(c.written, PathText(path)) << c.text;
    }
    EXPECT_STREQ("c", SIM_Path("a/b/c/d/e").GetName(2).GetName());
    EXPECT_EQ(0u, SIM_Path(nullptr).GetDepth());
}

TEST(SimPathTest, LongNameAndBadIndexAreFatal)
{
    TST_TempDir dir;
    SIM_Path path("/keep/me");
    EXPECT_FATAL(path.Set("/a/abcdefghijklmnopqrst/b"), "SIM_Name::SetName() : name too long", kName15);
    EXPECT_EQ("/keep/me", PathText(path));

    EXPECT_FATAL(path.GetName(2), "SIM_Path::GetName()", "illegal depth");
    EXPECT_FATAL(path.GetName(-1), "SIM_Path::GetName()", "illegal depth");
    EXPECT_FATAL(SIM_Path().GetName(0), "SIM_Path::GetName()", "illegal depth");
}

TEST(SimPathTest, TextFormIsCutToTheCallersBuffer)
{
    const SIM_Path path("/root/camera");
    char text[8];
    memset(text, 'x', sizeof(text));
    path.GetString(text, 6);
    EXPECT_STREQ("/root", text);
    EXPECT_EQ('x', text[6]);
    path.GetString(text, 1);
    EXPECT_STREQ("", text);
    path.GetString(text, 0);  // no room at all: nothing written
    EXPECT_STREQ("", text);
}

TEST(SimPathTest, EqualityNeedsSameKindDepthAndNames)
{
    EXPECT_TRUE(SIM_Path("/Root/Camera") == SIM_Path("\\root\\CAMERA"));
    EXPECT_FALSE(SIM_Path("/root/camera") == SIM_Path("root/camera"));
    EXPECT_FALSE(SIM_Path("/") == SIM_Path(""));
    EXPECT_FALSE(SIM_Path("/root") == SIM_Path("/root/camera"));
    EXPECT_FALSE(SIM_Path("/root/a") == SIM_Path("/root/b"));
}

TEST(SimPathTest, BuiltFromAtMostFourNames)
{
    SIM_Name names[5] = {SIM_Name("a"), SIM_Name("b"), SIM_Name("c"), SIM_Name("d"), SIM_Name("e")};
    SIM_Name* all[6] = {&names[0], &names[1], &names[2], &names[3], &names[4], nullptr};
    EXPECT_EQ("/a/b/c/d", PathText(SIM_Path(all, 1)));
    SIM_Name* two[3] = {&names[3], &names[4], nullptr};
    EXPECT_EQ("d/e", PathText(SIM_Path(two, 0)));
    SIM_Name* none[1] = {nullptr};
    EXPECT_EQ("/", PathText(SIM_Path(none, 1)));
}

// --- message forms ---

TEST(SimMessageFormTest, LayoutsAndRoundTrips)
{
    TST_Message message;
    SIM_Name name("Diver");
    name.PutToMessage(&message);
    EXPECT_EQ(17u, message.GetCursor());
    EXPECT_EQ(16, message.GetArguments()[0]);
    EXPECT_STREQ("Diver", (const char*)message.GetArguments() + 1);

    SIM_ClassName className("NOD_Vessel");
    className.PutToMessage(&message);
    EXPECT_EQ(17u + 65u, message.GetCursor());
    EXPECT_EQ(64, message.GetArguments()[17]);

    const SIM_Path path("/root/a/Bc");
    path.PutToMessage(&message);
    EXPECT_EQ(17u + 65u + 53u, message.GetCursor());
    EXPECT_EQ(3, message.GetArguments()[82]);
    EXPECT_EQ(1, message.GetArguments()[83]);
    SIM_Path().PutToMessage(&message);
    EXPECT_EQ(17u + 65u + 53u + 2u, message.GetCursor());

    message.Reset();
    SIM_Name nameBack;
    SIM_ClassName classNameBack;
    SIM_Path pathBack("x");
    SIM_Path emptyBack("/y");
    EXPECT_EQ(1u, nameBack.GetFromMessage(&message));
    EXPECT_EQ(1u, classNameBack.GetFromMessage(&message));
    EXPECT_EQ(1u, pathBack.GetFromMessage(&message));
    EXPECT_EQ(1u, emptyBack.GetFromMessage(&message));
    EXPECT_STREQ("Diver", nameBack.GetName());
    EXPECT_STREQ("NOD_Vessel", classNameBack.GetName());
    EXPECT_TRUE(path == pathBack);
    EXPECT_TRUE(SIM_Path() == emptyBack);
    EXPECT_EQ(17u + 65u + 53u + 2u, message.GetCursor());
}

TEST(SimMessageFormTest, MalformedNamesAreRefused)
{
    struct Case
    {
        const char* what;
        std::string field;  // the bytes after the length byte
        u32 valid;
        const char* read;
    };
    const Case cases[] = {
        {"no terminator", std::string(16, 'x'), 0, ""},
        {"fifteen characters", std::string(kName15) + std::string(1, '\0'), 0, ""},
        {"fourteen characters", std::string(kName14) + std::string(2, '\0'), 1, kName14},
        {"garbage after the terminator", std::string("ab\0garbagegarba", 16), 1, "ab"},
        {"short field", std::string("abc"), 1, "abc"},
    };
    for (const Case& c : cases) {
        TST_Message message;
        message.PutBytes((const u8*)c.field.data(), (u8)c.field.size());
        message.Reset();
        SIM_Name name("before");
        EXPECT_EQ(c.valid, name.GetFromMessage(&message)) << c.what;
        EXPECT_STREQ(c.read, name.GetName()) << c.what;
        EXPECT_EQ(1u + c.field.size(), message.GetCursor()) << c.what;
    }

    TST_Message message;
    const std::string unterminated(64, 'c');
    message.PutBytes((const u8*)unterminated.data(), 64);
    message.Reset();
    SIM_ClassName className("before");
    EXPECT_EQ(0u, className.GetFromMessage(&message));
    EXPECT_STREQ("", className.GetName());
}

TEST(SimMessageFormTest, MalformedPathsAreRefused)
{
    // A depth above four: nothing after it is read.
    TST_Message deep;
    deep.PutU8(5)->PutU8(1);
    deep.Reset();
    SIM_Path path("/before");
    EXPECT_EQ(0u, path.GetFromMessage(&deep));
    EXPECT_TRUE(SIM_Path() == path);
    EXPECT_EQ(2u, deep.GetCursor());

    // One bad element spoils the path, but every element is still consumed.
    TST_Message bad;
    const std::string good("ok\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16);
    const std::string unterminated(16, 'z');
    bad.PutU8(2)->PutU8(0);
    bad.PutBytes((const u8*)unterminated.data(), 16);
    bad.PutBytes((const u8*)good.data(), 16);
    bad.Reset();
    path.Set("/before");
    EXPECT_EQ(0u, path.GetFromMessage(&bad));
    EXPECT_TRUE(SIM_Path() == path);
    EXPECT_EQ(36u, bad.GetCursor());

    // Any flag other than 0 reads as absolute.
    TST_Message flag;
    flag.PutU8(1)->PutU8(7);
    flag.PutBytes((const u8*)good.data(), 16);
    flag.Reset();
    EXPECT_EQ(1u, path.GetFromMessage(&flag));
    EXPECT_EQ("/ok", PathText(path));
}

// --- archive forms ---

class SimArchiveFormTest : public testing::Test
{
protected:
    TST_TempDir m_dir;
    RTI_Archive m_archive;
};

TEST_F(SimArchiveFormTest, LayoutsAndRoundTrips)
{
    SIM_Name name("Diver");
    SIM_ClassName className("NOD_Vessel");
    SIM_Path path("/root/sub");
    ASSERT_EQ(1u, m_archive.OpenWrite("values.bin"));
    name.Serialize(m_archive);
    className.Serialize(m_archive);
    path.Serialize(m_archive);
    m_archive.Close();

    std::string expected = std::string("Diver", 5) + std::string(11, '\0');
    expected += std::string("NOD_Vessel", 10) + std::string(54, '\0');
    expected += std::string("\x02\x01", 2) + std::string("root", 4) + std::string(12, '\0');
    expected += std::string("sub", 3) + std::string(13, '\0');
    EXPECT_EQ(expected, m_dir.Read("values.bin"));

    ASSERT_EQ(1u, m_archive.OpenRead("values.bin"));
    SIM_Name nameBack;
    SIM_ClassName classNameBack;
    SIM_Path pathBack;
    nameBack.Serialize(m_archive);
    classNameBack.Serialize(m_archive);
    pathBack.Serialize(m_archive);
    EXPECT_EQ(0u, m_archive.HasFailed());
    EXPECT_TRUE(name == nameBack);
    EXPECT_STREQ("NOD_Vessel", classNameBack.GetName());
    EXPECT_TRUE(path == pathBack);
}

TEST_F(SimArchiveFormTest, MalformedRecordsReadAsEmptyAndFailTheArchive)
{
    struct Case
    {
        const char* what;
        std::string bytes;
        char kind;  // 'n' name, 'c' class name, 'p' path
    };
    const Case cases[] = {
        {"unterminated name", std::string(16, 'n'), 'n'},
        {"truncated name", std::string("abc"), 'n'},
        {"unterminated class name", std::string(64, 'c'), 'c'},
        {"path deeper than four", std::string("\x05\x01", 2) + std::string(80, '\0'), 'p'},
        {"path with a truncated name", std::string("\x01\x00", 2) + "ab", 'p'},
        {"path without its header", std::string("\x01", 1), 'p'},
    };
    for (const Case& c : cases) {
        m_dir.Write("bad.bin", c.bytes);
        ASSERT_EQ(1u, m_archive.OpenRead("bad.bin"));
        if (c.kind == 'n') {
            SIM_Name name("before");
            name.Serialize(m_archive);
            EXPECT_STREQ("", name.GetName()) << c.what;
        } else if (c.kind == 'c') {
            SIM_ClassName name("before");
            name.Serialize(m_archive);
            EXPECT_STREQ("", name.GetName()) << c.what;
        } else {
            SIM_Path path("/before");
            path.Serialize(m_archive);
            EXPECT_TRUE(SIM_Path() == path) << c.what;
        }
        EXPECT_EQ(1u, m_archive.HasFailed()) << c.what;
        m_archive.Close();
    }
}
}  // namespace
