#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "des_file.h"
#include "os_fatal.h"
#include "test_dir.h"
#include "tools_des_image.h"

namespace
{
const char* const SAMPLE = R"(// display settings
[Display]
{
    Width = 640
    Height= 480
    Gamma = 1.5
    Title = "Quorvex Bench"
    Pos = 1.0, 2.0, 3.0
    Uv = 0.25, 0.75
    Small = 300
    Negative = -2
    Wide = 70000
    Mask = 0xFFFFFFFF
    V12 = 7
    C3 = 4.0, 5.0, 6.0
    S2 = "two"
    [Mode1] { Bits = 16 }
    [Mode2]
    {
        Bits = 32
        [Inner] { Deep = 5 }
    }
}
[Sound]
{
    Rate = 22050
}
)";

// Writes the pre-parsed image of _text under _name (directories created).
u32 WriteImage(const char* _name, const std::string& _text)
{
    std::filesystem::create_directories(std::filesystem::path(_name).parent_path());
    DES_Tree* tree = DES_Text_ParseBuffer((const u8*)_text.data(), (u32)_text.size());
    if (tree == nullptr)
        return 0;
    const u32 written = TOOL_WriteDesImage(tree, _name);
    DES_Tree_Free(tree);
    return written;
}

class DesFileTest : public testing::Test
{
protected:
    // Writes the text under _name and opens it; the root cursor lands in m_root.
    void OpenText(const std::string& _text, const char* _name = "test.des")
    {
        m_dir.Write(_name, _text);
        ASSERT_EQ(1u, m_file.Open(&m_root, _name));
    }
    DES_Section Section(const char* _name)
    {
        DES_Section section;
        EXPECT_EQ(1u, m_root.FindSection(&section, _name)) << _name;
        return section;
    }
    std::string Log() const { return m_dir.Exists("log.txt") ? m_dir.Read("log.txt") : std::string(); }

    TST_TempDir m_dir;
    DES_File m_file;
    DES_Section m_root;
};

TEST_F(DesFileTest, TypedGettersReadEveryEntryType)
{
    OpenText(SAMPLE);
    DES_Section display = Section("Display");
    EXPECT_STREQ("display", display.GetName());

    s32 s32Value = 0;
    EXPECT_EQ(1u, display.GetS32("Width", &s32Value));
    EXPECT_EQ(640, s32Value);
    f32 f32Value = 0;
    EXPECT_EQ(1u, display.GetFloat("Gamma", &f32Value));
    EXPECT_EQ(1.5f, f32Value);
    char text[64] = {};
    EXPECT_EQ(1u, display.GetString("Title", text, sizeof(text)));
    EXPECT_STREQ("Quorvex Bench", text);
    f32 v3[3] = {};
    EXPECT_EQ(1u, display.GetVector3("Pos", v3));
    EXPECT_EQ(1.0f, v3[0]);
    EXPECT_EQ(2.0f, v3[1]);
    EXPECT_EQ(3.0f, v3[2]);
    f32 v2[2] = {};
    EXPECT_EQ(1u, display.GetVector2("Uv", v2));
    EXPECT_EQ(0.25f, v2[0]);
    EXPECT_EQ(0.75f, v2[1]);

    // The narrow forms keep the low bits of the stored 32-bit value.
    struct Narrow
    {
        const char* key;
        s8 s8Value;
        s16 s16Value;
        s32 s32Value;
    };
    const Narrow narrow[] = {
        {"Small", 44, 300, 300},
        {"Negative", -2, -2, -2},
        {"Wide", 112, 4464, 70000},
        {"Mask", -1, -1, -1},
    };
    for (const Narrow& n : narrow) {
        s8 a = 0;
        s16 b = 0;
        s32 c = 0;
        EXPECT_EQ(1u, display.GetS8(n.key, &a));
        EXPECT_EQ(1u, display.GetS16(n.key, &b));
        EXPECT_EQ(1u, display.GetS32(n.key, &c));
        EXPECT_EQ(n.s8Value, a) << n.key;
        EXPECT_EQ(n.s16Value, b) << n.key;
        EXPECT_EQ(n.s32Value, c) << n.key;
    }

    // Indexed getters read the stem followed by the decimal index.
    s8 i8 = 0;
    s16 i16 = 0;
    s32 i32 = 0;
    EXPECT_EQ(1u, display.GetS8Indexed("V", 12, &i8));
    EXPECT_EQ(1u, display.GetS16Indexed("v", 12, &i16));
    EXPECT_EQ(1u, display.GetS32Indexed("V", 12, &i32));
    EXPECT_EQ(7, i8);
    EXPECT_EQ(7, i16);
    EXPECT_EQ(7, i32);
    EXPECT_EQ(1u, display.GetVector3Indexed("C", 3, v3));
    EXPECT_EQ(4.0f, v3[0]);
    EXPECT_EQ(6.0f, v3[2]);
    EXPECT_EQ(1u, display.GetStringIndexed("S", 2, text, sizeof(text)));
    EXPECT_STREQ("two", text);
}

TEST_F(DesFileTest, KeysAndSectionsAreFoundInAnyOrderAndCase)
{
    OpenText(SAMPLE);
    DES_Section sound = Section("SOUND");
    DES_Section display = Section("dIsPlAy");
    const char* const keys[] = {"S2", "wIDTH", "Uv", "TITLE", "height", "Width", "s2"};
    for (const char* key : keys)
        EXPECT_EQ(1u, display.HasEntry(key)) << key;
    s32 value = 0;
    display.GetS32("HEIGHT", &value);
    EXPECT_EQ(480, value);
    display.GetS32("width", &value);
    EXPECT_EQ(640, value);
    sound.GetS32("RATE", &value);
    EXPECT_EQ(22050, value);
}

TEST_F(DesFileTest, SearchStartsAtTheLastMatchAndWrapsAround)
{
    OpenText("[S]\n{\n a = 1\n b = 2\n a = 3\n c = 4\n"
             " [X] { n = 1 }\n [Y] { n = 2 }\n [X] { n = 3 }\n}\n");
    DES_Section s = Section("S");
    // Each step reads the first "a" at or after the previous match, wrapping around.
    struct Step
    {
        const char* key;
        s32 expected;
    };
    const Step steps[] = {{"a", 1}, {"a", 1}, {"b", 2}, {"a", 3}, {"a", 3}, {"c", 4}, {"a", 1}, {"c", 4}, {"b", 2}};
    for (const Step& step : steps) {
        s32 value = 0;
        s.GetS32(step.key, &value);
        EXPECT_EQ(step.expected, value) << step.key;
    }
    // A failed search leaves the position where it was (on "b").
    EXPECT_EQ(0u, s.HasEntry("missing"));
    s32 value = 0;
    s.GetS32("a", &value);
    EXPECT_EQ(3, value);

    // Subsections keep a position of their own, untouched by the entry searches.
    const Step sections[] = {{"x", 1}, {"y", 2}, {"X", 3}, {"x", 3}, {"y", 2}, {"x", 3}};
    for (const Step& step : sections) {
        DES_Section found;
        ASSERT_EQ(1u, s.FindSection(&found, step.key));
        found.GetS32("n", &value);
        EXPECT_EQ(step.expected, value) << step.key;
        // The entry position was not moved by the section search: "a" still reads 3.
        s.GetS32("a", &value);
        EXPECT_EQ(3, value);
    }
    // A fresh cursor starts at the first entry and the first subsection.
    DES_Section fresh = Section("S");
    fresh.GetS32("a", &value);
    EXPECT_EQ(1, value);
    DES_Section x;
    ASSERT_EQ(1u, fresh.FindSection(&x, "x"));
    x.GetS32("n", &value);
    EXPECT_EQ(1, value);
}

TEST_F(DesFileTest, MissingKeyAndWrongTypeStopWithExactTexts)
{
    m_dir.Write("ini/display.des", SAMPLE);
    ASSERT_EQ(1u, m_file.Open(&m_root, "ini\\display.des"));
    DES_Section d = Section("display");
    s8 a = 0;
    s16 b = 0;
    s32 c = 0;
    f32 f = 0;
    f32 v[3] = {};
    char text[16] = {};
    struct Case
    {
        std::function<void()> call;
        const char* message;
    };
    const Case cases[] = {
        {[&] { d.GetS32("Depth", &c); }, "data \"Depth\" not found in file \"ini\\display.des\""},
        {[&] { d.GetString("nothing", text, sizeof(text)); },
         "data \"nothing\" not found in file \"ini\\display.des\""},
        {[&] { d.GetS32Indexed("V", 13, &c); }, "data \"V13\" not found in file \"ini\\display.des\""},
        {[&] { d.GetStringIndexed("Name", 0, text, sizeof(text)); },
         "data \"Name0\" not found in file \"ini\\display.des\""},
        {[&] { d.GetFloat("Width", &f); }, "data \"Width\" in file \"ini\\display.des\" has wrong type"},
        {[&] { d.GetS32("Gamma", &c); }, "data \"Gamma\" in file \"ini\\display.des\" has wrong type"},
        {[&] { d.GetS8("Title", &a); }, "data \"Title\" in file \"ini\\display.des\" has wrong type"},
        {[&] { d.GetString("Width", text, sizeof(text)); },
         "data \"Width\" in file \"ini\\display.des\" has wrong type"},
        {[&] { d.GetVector3("Uv", v); }, "data \"Uv\" in file \"ini\\display.des\" has wrong type"},
        {[&] { d.GetVector2("Pos", v); }, "data \"Pos\" in file \"ini\\display.des\" has wrong type"},
        {[&] { d.GetS16Indexed("C", 3, &b); }, "data \"C3\" in file \"ini\\display.des\" has wrong type"},
        {[&] { d.GetVector3Indexed("V", 12, v); }, "data \"V12\" in file \"ini\\display.des\" has wrong type"},
        // Entries belong to their section: the root holds none.
        {[&] { m_root.GetS32("Width", &c); }, "data \"Width\" not found in file \"ini\\display.des\""},
    };
    for (const Case& test : cases)
        EXPECT_FATAL(test.call(), "DesFile Error", test.message);
}

// Stem and index are joined into one bounded key: the longest key a file can hold (254
// characters) is still found through its stem, and a longer stem is cut to 255 characters
// instead of being written past the key.
TEST_F(DesFileTest, IndexedKeysOfLongStemsStayWithinTheirBound)
{
    const std::string stem(251, 'k');
    OpenText("[S]\n{\n " + stem + "123 = 9\n " + stem + "4 = 1.0, 2.0, 3.0\n " + stem + "56 = \"text\"\n [" + stem +
             "7] { n = 5 }\n}\n");
    DES_Section section = Section("S");
    s8 a = 0;
    s16 b = 0;
    s32 c = 0;
    f32 v[3] = {};
    char text[8] = {};
    EXPECT_EQ(1u, section.GetS8Indexed(stem.c_str(), 123, &a));
    EXPECT_EQ(1u, section.GetS16Indexed(stem.c_str(), 123, &b));
    EXPECT_EQ(1u, section.GetS32Indexed(stem.c_str(), 123, &c));
    EXPECT_EQ(9, a);
    EXPECT_EQ(9, b);
    EXPECT_EQ(9, c);
    EXPECT_EQ(1u, section.GetVector3Indexed(stem.c_str(), 4, v));
    EXPECT_EQ(3.0f, v[2]);
    EXPECT_EQ(1u, section.GetStringIndexed(stem.c_str(), 56, text, sizeof(text)));
    EXPECT_STREQ("text", text);
    DES_Section inner;
    ASSERT_EQ(1u, section.FindSectionIndexed(&inner, stem.c_str(), 7));
    inner.GetS32("n", &c);
    EXPECT_EQ(5, c);

    // Far longer than any key: the join keeps the first 255 characters, which no key matches.
    const std::string longStem(4000, 'k');
    const char* const longKey = longStem.c_str();
    const std::string notFound = "data \"" + std::string(255, 'k') + "\" not found in file \"test.des\"";
    const std::function<void()> calls[] = {
        [&] { section.GetS8Indexed(longKey, 123, &a); },
        [&] { section.GetS16Indexed(longKey, 123, &b); },
        [&] { section.GetS32Indexed(longKey, 123, &c); },
        [&] { section.GetVector3Indexed(longKey, 4, v); },
        [&] { section.GetStringIndexed(longKey, 56, text, sizeof(text)); },
    };
    for (const std::function<void()>& call : calls)
        EXPECT_FATAL(call(), "DesFile Error", notFound.c_str());
    EXPECT_EQ(0u, section.FindSectionIndexed(&inner, longKey, 7));
}

TEST_F(DesFileTest, GetStringCutsToTheBufferAndLogs)
{
    OpenText(SAMPLE);
    DES_Section d = Section("display");
    char exact[14];
    d.GetString("Title", exact, sizeof(exact));
    EXPECT_STREQ("Quorvex Bench", exact);
    EXPECT_EQ(std::string::npos, Log().find("Title"));

    char buffer[12];
    memset(buffer, 'x', sizeof(buffer));
    d.GetString("Title", buffer, 8);
    EXPECT_STREQ("Quorvex", buffer);
    EXPECT_EQ('x', buffer[8]);
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("data \"Title\" in file \"test.des\" cut")) << log;
    EXPECT_EQ(1, std::count(log.begin(), log.end(), '\n')) << log;

    d.GetStringIndexed("S", 2, buffer, 1);
    EXPECT_STREQ("", buffer);
    EXPECT_NE(std::string::npos, Log().find("data \"S2\" in file \"test.des\" cut"));
}

TEST_F(DesFileTest, AbsentSectionsAndEntriesAreReportedSilently)
{
    OpenText(SAMPLE);
    DES_Section display = Section("display");
    DES_Section out = display;
    EXPECT_EQ(0u, m_root.FindSection(&out, "Mode1"));  // not a child of the root
    EXPECT_EQ(0u, display.FindSection(&out, "Video"));
    EXPECT_EQ(0u, display.FindSectionIndexed(&out, "Mode", 3));
    EXPECT_EQ(0u, display.HasEntry("Depth"));
    EXPECT_STREQ("display", out.GetName());  // left as it was
    EXPECT_EQ(1u, display.HasEntry("Width"));
    EXPECT_FALSE(m_dir.Exists("log.txt"));

    // Nested sections, found by stem and index.
    DES_Section mode;
    ASSERT_EQ(1u, display.FindSectionIndexed(&mode, "Mode", 2));
    EXPECT_STREQ("mode2", mode.GetName());
    DES_Section inner;
    ASSERT_EQ(1u, mode.FindSection(&inner, "INNER"));
    s32 value = 0;
    inner.GetS32("deep", &value);
    EXPECT_EQ(5, value);
    EXPECT_EQ(0u, inner.HasEntry("Bits"));  // the parent's key is not the child's
    // A cursor may be replaced by its own subsection.
    ASSERT_EQ(1u, mode.FindSection(&mode, "Inner"));
    EXPECT_STREQ("inner", mode.GetName());
}

TEST_F(DesFileTest, ImageIsUsedOnlyWhenStrictlyNewerOrAlone)
{
    // The text says 1, the image 2.
    struct Case
    {
        const char* what;
        bool text;
        int imageAge;  // seconds relative to the text
        s32 expected;
    };
    const Case cases[] = {
        {"image newer", true, 10, 2},
        {"image as old", true, 0, 1},
        {"image older", true, -10, 1},
        {"image alone", false, 0, 2},
    };
    for (const Case& test : cases) {
        TST_TempDir dir;
        if (test.text)
            dir.Write("dat/unit.des", "[Unit] { Value = 1 }\n");
        ASSERT_EQ(1u, WriteImage("dat/unit~.des", "[Unit] { Value = 2 }\n")) << test.what;
        if (test.text) {
            const auto base = std::filesystem::last_write_time("dat/unit.des");
            std::filesystem::last_write_time("dat/unit~.des", base + std::chrono::seconds(test.imageAge));
        }
        DES_File file;
        DES_Section root;
        ASSERT_EQ(1u, file.Open(&root, "dat\\unit.des")) << test.what;
        EXPECT_STREQ("dat\\unit.des", file.GetName());  // the name as given, also for the image
        DES_Section unit;
        ASSERT_EQ(1u, root.FindSection(&unit, "unit")) << test.what;
        s32 value = 0;
        unit.GetS32("value", &value);
        EXPECT_EQ(test.expected, value) << test.what;
    }
}

TEST_F(DesFileTest, OpenFailuresAreFatal)
{
    DES_Section root;
    EXPECT_FATAL(m_file.Open(&root, "ini\\missing.des"), "DES_File::Open() file not found", "ini\\missing.des");

    m_dir.Write("broken.des", "[A]\n{\n x = 1\n y = \n}\n");
    EXPECT_FATAL(m_file.Open(&root, "broken.des"), "DES_File::Open() root is NULL", "broken.des");
    // The box names only the file; the log says why.
    EXPECT_NE(std::string::npos, Log().find("DES_File::Open() \"broken.des\"")) << Log();

    m_dir.Write("comments.des", "// nothing here\n/* nor here */\n");
    EXPECT_FATAL(m_file.Open(&root, "comments.des"), "DES_File::Open() file has no sections", "comments.des");
    m_dir.Write("empty.des", "");
    EXPECT_FATAL(m_file.Open(&root, "empty.des"), "DES_File::Open() file has no sections", "empty.des");

    // A corrupt image is used because it is alone, and gives no tree.
    m_dir.Write("bad~.des", std::string("\x05\x00\x00\x00\x10\x20", 6));
    EXPECT_FATAL(m_file.Open(&root, "bad.des"), "DES_File::Open() root is NULL", "bad.des");

    // The object stays usable after every failure.
    OpenText(SAMPLE);
    EXPECT_STREQ("display", Section("display").GetName());
}

TEST_F(DesFileTest, ReopenReleasesTheOldTree)
{
    m_dir.Write("a.des", "[A] { Value = 1 }\n");
    m_dir.Write("b.des", "[B] { Value = 2 }\n");
    DES_Section root;
    DES_Section section;
    s32 value = 0;
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(1u, m_file.Open(&root, "a.des"));
        ASSERT_EQ(1u, root.FindSection(&section, "A"));
        ASSERT_EQ(1u, m_file.Open(&root, "b.des"));
        EXPECT_STREQ("b.des", m_file.GetName());
        EXPECT_EQ(0u, root.FindSection(&section, "A"));
        ASSERT_EQ(1u, root.FindSection(&section, "B"));
        section.GetS32("Value", &value);
        EXPECT_EQ(2, value);
        // Opening the file under its own kept name.
        ASSERT_EQ(1u, m_file.Open(&root, m_file.GetName()));
        EXPECT_STREQ("b.des", m_file.GetName());
        m_file.Close();
        EXPECT_EQ(nullptr, m_file.GetTree());
    }
    // A failed re-open leaves the object closed, not holding the old tree.
    ASSERT_EQ(1u, m_file.Open(&root, "a.des"));
    EXPECT_FATAL(m_file.Open(&root, "gone.des"), "DES_File::Open() file not found", "gone.des");
    EXPECT_EQ(nullptr, m_file.GetTree());
}

TEST_F(DesFileTest, LongNamesOpenAndAreKeptCut)
{
    // 5 directories of 60 characters: the name is well over 259 characters.
    std::string name;
    for (int i = 0; i < 5; ++i)
        name += std::string(59, (char)('a' + i)) + "\\";
    name += "long.des";
    ASSERT_GT(name.size(), 259u);
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    m_dir.Write(path, "[L] { Value = 9 }\n");

    DES_Section root;
    ASSERT_EQ(1u, m_file.Open(&root, name.c_str()));
    const std::string kept = name.substr(0, 259);
    EXPECT_EQ(kept, m_file.GetName());
    DES_Section l;
    ASSERT_EQ(1u, root.FindSection(&l, "l"));
    s32 value = 0;
    EXPECT_FATAL(l.GetS32("other", &value), "DesFile Error",
                 ("data \"other\" not found in file \"" + kept + "\"").c_str());

    const std::string missing = name + "x";
    EXPECT_FATAL(m_file.Open(&root, missing.c_str()), "DES_File::Open() file not found", missing.c_str());
}

TEST(DesImageNameTest, TildeGoesAfterTheBaseName)
{
    struct Case
    {
        const char* name;
        const char* image;
    };
    const Case cases[] = {
        {"ini\\display.des", "ini\\display~.des"}, {"display.des", "display~.des"}, {"noext", "noext~"},
        {"dir.v\\file", "dir.v\\file~"},           {"a/b.c.des", "a/b.c~.des"},     {"", "~"},
    };
    for (const Case& test : cases) {
        char out[64] = {};
        ASSERT_EQ(1u, DES_ImageName(test.name, out, sizeof(out))) << test.name;
        EXPECT_STREQ(test.image, out);
    }
    char small[12];
    EXPECT_EQ(1u, DES_ImageName("abcd.des", small, 10));  // 9 characters and the terminator
    EXPECT_EQ(0u, DES_ImageName("abcde.des", small, 10));
}

TEST(DesCallerFatalTest, FormsNameCallerKeyAndFile)
{
    TST_TempDir dir;
    EXPECT_FATAL(DES_FatalSection("SND_Device::Init()", "Sound", "ini\\sound.des"), "DES FILE ERROR",
                 "(SND_Device::Init()): Get [\"Sound\"] in file \"ini\\sound.des\" failed");
    EXPECT_FATAL(DES_FatalSectionIndexed("X::Load()", "Layer", 3, "a.des"), "DES FILE ERROR",
                 "(X::Load()): Get [\"Layer3\"] in file \"a.des\" failed");
    EXPECT_FATAL(DES_FatalKey("X::Load()", "Width", "a.des"), "DES FILE ERROR",
                 "(X::Load()): Get \"Width\" in file \"a.des\" failed");
    EXPECT_FATAL(DES_FatalKeyIndexed("X::Load()", "V", 12, "a.des"), "DES FILE ERROR",
                 "(X::Load()): Get \"V12\" in file \"a.des\" failed");
}
}  // namespace
