#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "des_tree.h"
#include "test_dir.h"
#include "tools_des_image.h"

namespace
{

struct TreeFree
{
    void operator()(DES_Tree* _tree) const { DES_Tree_Free(_tree); }
};
using TreePtr = std::unique_ptr<DES_Tree, TreeFree>;

TreePtr Parse(const std::string& _text)
{
    return TreePtr(DES_Text_ParseBuffer((const u8*)_text.data(), (u32)_text.size()));
}

TreePtr LoadImage(const std::string& _image)
{
    return TreePtr(DES_Image_LoadBuffer((const u8*)_image.data(), (u32)_image.size()));
}

std::string Number(const char* _format, double _value)
{
    char buffer[64];
    snprintf(buffer, sizeof(buffer), _format, _value);
    return buffer;
}

std::string Floats(const u8* _value, u32 _count)
{
    std::string text;
    for (u32 i = 0; i < _count; ++i) {
        const u32 bits = OS_ReadU32LE(_value + 4 * i);
        f32 f;
        memcpy(&f, &bits, 4);
        text += (i ? "," : "") + Number("%g", f);
    }
    return text;
}

// The tree as text: name{entries subsections}, each entry key=<type letter><value>;
// entries and subsections are two lists, each printed in its stored order.
std::string DumpSection(const DES_Tree* _tree, u32 _section)
{
    std::string text = std::string(DES_Node::SectionName(_tree, _section)) + "{";
    for (u32 e = DES_Node::SectionFirstEntry(_tree, _section); e != DES_NONE; e = DES_Node::EntryNext(_tree, e)) {
        text += std::string(DES_Node::EntryKey(_tree, e)) + "=";
        const u8* value = DES_Node::EntryValue(_tree, e);
        switch (DES_Node::EntryType(_tree, e)) {
        case DES_TYPE_INT:
            text += "i" + std::to_string(OS_ReadS32LE(value));
            break;
        case DES_TYPE_FLOAT:
            text += "f" + Floats(value, 1);
            break;
        case DES_TYPE_STRING:
            text += "s'" + std::string((const char*)value) + "'";
            break;
        case DES_TYPE_VECTOR3:
            text += "v(" + Floats(value, 3) + ")";
            break;
        case DES_TYPE_VECTOR2:
            text += "v(" + Floats(value, 2) + ")";
            break;
        default:
            text += "?";
            break;
        }
        text += ";";
    }
    for (u32 s = DES_Node::SectionFirstSub(_tree, _section); s != DES_NONE; s = DES_Node::SectionNext(_tree, s))
        text += DumpSection(_tree, s);
    return text + "}";
}

std::string Dump(const DES_Tree* _tree) { return _tree->root == DES_NONE ? "" : DumpSection(_tree, _tree->root); }

struct TextCase
{
    const char* what;
    std::string text;
    const char* tree;  // null: the text must fail with "parse error"
};

class DesTextCaseTest : public testing::TestWithParam<TextCase>
{
};

TEST_P(DesTextCaseTest, ParsesToTree)
{
    const TextCase& c = GetParam();
    TreePtr tree = Parse(c.text);
    if (c.tree == nullptr) {
        EXPECT_EQ(nullptr, tree.get());
        EXPECT_STREQ("parse error", DES_GetLastError());
        return;
    }
    ASSERT_NE(nullptr, tree.get()) << DES_GetLastError() << " at line " << DES_GetLastErrorLine();
    EXPECT_EQ(c.tree, Dump(tree.get()));
    EXPECT_LE(tree->used, tree->size);
}

// The longest match decides: '[', '{' and '=' are printable, so a section header, a brace and
// a key without blanks between them scan as one key. Real files put them on lines of their own.
const TextCase TEXT_CASES[] = {
    {"empty file has no root", "", ""},
    {"comments only have no root", "// a line\n/* a block */\n \t\v\f\n", ""},
    {"section and key are lower-cased", "[Display]\n{\n    Width = 640\n}\n", "HEAD{display{width=i640;}}"},
    {"blanks before the equals sign", "[a] { Key \t= \"x y\" }", "HEAD{a{key=s'x y';}}"},
    {"key ends at the first equals sign", "[a] { x==1 }", "HEAD{a{x=i1;}}"},
    {"key runs to the last equals sign of the run", "[a] { a=b=5 }", "HEAD{a{a=i5;}}"},
    {"header runs into a key without blanks", "[a]{x=1}", nullptr},
    {"only ASCII letters are lowered", "[a] { GR\xDC\xDF = 1 }", "HEAD{a{gr\xDC\xDF=i1;}}"},
    {"section name ends at the final bracket", "[A]B] {}", "HEAD{a]b{}}"},
    {"hexadecimal", "[a] { v = 0x10 w = 0XaB }", "HEAD{a{v=i16;w=i171;}}"},
    {"leading zero stays decimal", "[a] { v = 010 }", "HEAD{a{v=i10;}}"},
    {"negative integers", "[a] { v = -12 w = -0 }", "HEAD{a{v=i-12;w=i0;}}"},
    {"minus before hexadecimal", "[a] { v = -0x5 }", nullptr},
    {"float with a point only", "[a] { v = 3. }", "HEAD{a{v=f3;}}"},
    {"float without integer digits", "[a] { v = .5 }", nullptr},
    {"negative float", "[a] { v = -2.25 }", "HEAD{a{v=f-2.25;}}"},
    {"integers do not make a vector", "[a] { v = 1, 2, 3 }", nullptr},
    {"three floats", "[a] { v = 1., 2., 3. }", "HEAD{a{v=v(1,2,3);}}"},
    {"two floats", "[a] { v = 1.5, -2. }", "HEAD{a{v=v(1.5,-2);}}"},
    {"mixed vector", "[a] { v = 1., 2 }", nullptr},
    {"four floats", "[a] { v = 1., 2., 3., 4. }", nullptr},
    {"float entry ends at the next key", "[a] { f = 1.5 g = 2 }", "HEAD{a{f=f1.5;g=i2;}}"},
    {"two-float entry ends at a section", "[a] { v = 1., 2. [b] { } }", "HEAD{a{v=v(1,2);b{}}}"},
    {"empty string", "[a] { s = \"\" }", "HEAD{a{s=s'';}}"},
    {"string runs to the last quote of the line", "[a] { s = \"abc\" // the \"end\"\n}",
     "HEAD{a{s=s'abc\" // the \"end';}}"},
    {"tab ends a string", "[a] { s = \"a\tb\" }", nullptr},
    {"block comments swallow what lies between them",
     "[a] { x = 1 }\n/* one */\n[b] { y = 2 }\n/* two */\n[c] { z = 3 }", "HEAD{a{x=i1;}c{z=i3;}}"},
    {"entries, subsections, entries keep their order", "[s] { a = 1 [t] { } b = 2 [u] { u1 = 1 } c = 3 }",
     "HEAD{s{a=i1;b=i2;c=i3;t{}u{u1=i1;}}}"},
    {"top-level sections share the root", "[a] { } [b] { [c] { } } [d] { }", "HEAD{a{}b{c{}}d{}}"},
    {"entry outside every section", "x = 1", nullptr},
    {"unclosed section", "[a] {", nullptr},
    {"extra closing brace", "[a] { } }", nullptr},
    {"section without braces", "[a] x = 1", nullptr},
    {"key without value", "[a] { x = }", nullptr},
    {"lone carriage return is no white space", "[a] { x = 1 }\r\n", nullptr},
    {"control byte", "[a] { x = 1 }\x01", nullptr},
    {"zero byte", std::string("[a] { x = 1 }\0", 14), nullptr},
    // Integers saturate instead of overflowing; hexadecimal is unsigned 32 bits.
    {"largest integer", "[a] { v = 2147483647 }", "HEAD{a{v=i2147483647;}}"},
    {"decimal overflow clamps", "[a] { v = 2147483648 w = 99999999999999999999 }",
     "HEAD{a{v=i2147483647;w=i2147483647;}}"},
    {"smallest integer", "[a] { v = -2147483648 }", "HEAD{a{v=i-2147483648;}}"},
    {"negative overflow clamps", "[a] { v = -2147483649 w = -99999999999999999999 }",
     "HEAD{a{v=i-2147483648;w=i-2147483648;}}"},
    {"hex stores all bits", "[a] { v = 0xFFFFFFFF w = 0x80000000 }", "HEAD{a{v=i-1;w=i-2147483648;}}"},
    {"hex leading zeros are not significant", "[a] { v = 0x00000000000000FF }", "HEAD{a{v=i255;}}"},
    {"hex overflow clamps", "[a] { v = 0x100000000 }", "HEAD{a{v=i-1;}}"},
    {"float beyond f32 is infinite", "[a] { v = " + std::string(60, '9') + ". }", "HEAD{a{v=finf;}}"},
    {"float beyond f64 is infinite", "[a] { v = -" + std::string(400, '9') + ". }", "HEAD{a{v=f-inf;}}"},
    {"float below f64 is zero", "[a] { v = 0." + std::string(400, '0') + "1 }", "HEAD{a{v=f0;}}"},
};

INSTANTIATE_TEST_SUITE_P(Cases, DesTextCaseTest, testing::ValuesIn(TEXT_CASES),
                         [](const testing::TestParamInfo<TextCase>& _info) {
                             std::string name;
                             for (const char* p = _info.param.what; *p; ++p)
                                 name += isalnum((unsigned char)*p) ? *p : '_';
                             return name;
                         });

TEST(DesTextTest, ErrorReportsItsLine)
{
    EXPECT_EQ(nullptr, Parse("[a]\n{\n  x = 1\n  y =\n}\n").get());
    EXPECT_STREQ("parse error", DES_GetLastError());
    EXPECT_EQ(5u, DES_GetLastErrorLine());

    EXPECT_EQ(nullptr, Parse("/* one\n\n*/ [a] { x = 1 }\n]").get());
    EXPECT_EQ(4u, DES_GetLastErrorLine());
}

// Windows text mode: CR before LF disappears and 0x1A ends the text.
TEST(DesTextTest, ParsesFilesInTextMode)
{
    TST_TempDir dir;
    dir.Write("ini/crlf.des", "[A]\r\n{\r\n  x = 1\r\n  s = \"v\"\r\n}\r\n\x1A[b]{ junk");
    TreePtr tree(DES_Text_Parse("INI\\CRLF.DES"));
    ASSERT_NE(nullptr, tree.get()) << DES_GetLastError();
    EXPECT_EQ("HEAD{a{x=i1;s=s'v';}}", Dump(tree.get()));

    EXPECT_EQ(nullptr, DES_Text_Parse("ini\\missing.des"));
}

// The arena starts at four times the text size, which tiny texts outgrow at once.
TEST(DesTextTest, ArenaGrowsBeyondFourTimesTheText)
{
    const std::pair<std::string, std::string> cases[] = {
        {"[a]{}", "HEAD{a{}}"},
        {"[a]{ [b]{ [c]{ [d]{ }}}}", "HEAD{a{b{c{d{}}}}}"},
        {"[a]{ b=1}", "HEAD{a{b=i1;}}"},
        {"[a]{ b=\"\"}", "HEAD{a{b=s'';}}"},
        {"[a]{ b=1.,2.,3.}", "HEAD{a{b=v(1,2,3);}}"},
        {"[a]{} [b]{} [c]{} [d]{} [e]{}", "HEAD{a{}b{}c{}d{}e{}}"},
    };
    for (const auto& [text, expected] : cases) {
        TreePtr tree = Parse(text);
        ASSERT_NE(nullptr, tree.get()) << text;
        EXPECT_GT(tree->used, 4 * text.size()) << text;
        EXPECT_LE(tree->used, tree->size) << text;
        EXPECT_EQ(expected, Dump(tree.get()));
        // The built block is a sound image: every length, terminator and link checks out.
        EXPECT_NE(nullptr, LoadImage(TOOL_DesImageBytes(tree.get())).get()) << text;
    }
}

// Names and keys have a one-byte length that counts the terminator.
TEST(DesTextTest, RejectsNamesTheLengthByteCannotHold)
{
    for (u32 length : {254u, 255u}) {
        const std::string name(length, 'n');
        const bool fits = length <= 254;
        TreePtr section = Parse("[" + name + "]{}");
        TreePtr key = Parse("[a] { " + name + " = 1 }");
        EXPECT_EQ(fits, section != nullptr) << length;
        EXPECT_EQ(fits, key != nullptr) << length;
        if (!fits) {
            EXPECT_STREQ("parse error", DES_GetLastError());
            continue;
        }
        const u32 s = DES_Node::SectionFirstSub(section.get(), section->root);
        EXPECT_EQ(255, section->block[s]);
        const u32 e = DES_Node::SectionFirstEntry(key.get(), DES_Node::SectionFirstSub(key.get(), key->root));
        EXPECT_EQ(255, DES_Node::EntryKeyLength(key.get(), e));
    }
}

// One token, skipped ones included, must fit the scanner's 16384-byte buffer.
TEST(DesTextTest, TokenLongerThanTheInputBufferFails)
{
    const char* const OVERFLOW_TEXT = "input buffer overflow, can't enlarge buffer because scanner uses REJECT";
    struct Case
    {
        const char* what;
        std::string text;
        bool fits;
    };
    const Case cases[] = {
        {"line comment of 16384", "[a]{\n//" + std::string(16382, 'c') + "\n}", true},
        {"line comment of 16385", "[a]{\n//" + std::string(16383, 'c') + "\n}", false},
        {"string of 16384", "[a] { s = \"" + std::string(16382, 's') + "\" }", true},
        {"string of 16385", "[a] { s = \"" + std::string(16383, 's') + "\" }", false},
        {"white space", "[a]{" + std::string(20000, '\n') + "}", false},
        {"block comments far apart", "/* head */[a]{}" + std::string(17000, ' ') + "/* tail */", false},
    };
    for (const Case& c : cases) {
        TreePtr tree = Parse(c.text);
        EXPECT_EQ(c.fits, tree != nullptr) << c.what;
        if (!c.fits) {
            EXPECT_STREQ(OVERFLOW_TEXT, DES_GetLastError()) << c.what;
        }
    }
    TreePtr tree = Parse(cases[2].text);
    ASSERT_NE(nullptr, tree.get());
    const u32 e = DES_Node::SectionFirstEntry(tree.get(), DES_Node::SectionFirstSub(tree.get(), tree->root));
    EXPECT_EQ(16383, DES_Node::EntryValueSize(tree.get(), e));
}

// The parser stack holds 10000 entries: 2 for the file, 4 per open section, and the tokens
// of the entry being read. Hostile nesting ends there, not in a crash.
TEST(DesTextTest, DeepNestingOverflowsTheParserStack)
{
    auto nested = [](u32 _depth, const std::string& _inner) {
        std::string text;
        for (u32 i = 0; i < _depth; ++i)
            text += "[s] { ";
        std::string close;
        for (u32 i = 0; i < _depth; ++i)
            close += " }";
        return text + _inner + close;
    };
    TreePtr deepest = Parse(nested(2499, "k = 1"));
    ASSERT_NE(nullptr, deepest.get()) << DES_GetLastError();
    u32 depth = 0;
    for (u32 s = DES_Node::SectionFirstSub(deepest.get(), deepest->root); s != DES_NONE;
         s = DES_Node::SectionFirstSub(deepest.get(), s))
        ++depth;
    EXPECT_EQ(2499u, depth);

    for (const std::string& text : {nested(2500, ""), nested(2499, "v = 1., 2., 3."), nested(100000, "")}) {
        EXPECT_EQ(nullptr, Parse(text).get());
        EXPECT_STREQ("parser stack overflow", DES_GetLastError());
    }
}

// ---- pre-parsed images ----

const char* const IMAGE_SOURCE = "[a]\n{\n  i = 7\n  s = \"strings\"\n  f = 1.5\n  v = 1., 2., 3.\n  w = 1., 2.\n}\n"
                                 "[b]\n{\n  [c] { k = 1 }\n}\n";

TEST(DesImageTest, RoundTripGivesTheSameTree)
{
    TST_TempDir dir;
    TreePtr parsed = Parse(IMAGE_SOURCE);
    ASSERT_NE(nullptr, parsed.get());
    ASSERT_EQ(1u, TOOL_WriteDesImage(parsed.get(), "test~.des"));
    const std::string bytes = dir.Read("test~.des");
    EXPECT_EQ(parsed->used, bytes.size());

    TreePtr loaded(DES_Image_Load("TEST~.DES"));
    ASSERT_NE(nullptr, loaded.get()) << DES_GetLastError();
    EXPECT_EQ(0u, loaded->root);
    EXPECT_EQ(bytes.size(), loaded->size);
    EXPECT_EQ(bytes, std::string((const char*)loaded->block, loaded->used));
    EXPECT_EQ(Dump(parsed.get()), Dump(loaded.get()));
    EXPECT_EQ("HEAD{a{i=i7;s=s'strings';f=f1.5;v=v(1,2,3);w=v(1,2);}b{c{k=i1;}}}", Dump(loaded.get()));

    EXPECT_EQ(nullptr, DES_Image_Load("missing~.des"));
    // A file without sections has no image to load.
    EXPECT_EQ("", TOOL_DesImageBytes(Parse("// nothing").get()));
}

TEST(DesImageTest, ParentLinksAreKeptAsStored)
{
    TreePtr parsed = Parse(IMAGE_SOURCE);
    std::string image = TOOL_DesImageBytes(parsed.get());
    const u32 b = DES_Node::SectionNext(parsed.get(), DES_Node::SectionFirstSub(parsed.get(), 0));
    TOOL_DesImagePatchU32(&image, 4, 0x12345678);
    TOOL_DesImagePatchU32(&image, b + 4, b);
    TreePtr loaded = LoadImage(image);
    ASSERT_NE(nullptr, loaded.get()) << DES_GetLastError();
    EXPECT_EQ(0x12345678u, DES_Node::SectionParent(loaded.get(), 0));
    EXPECT_EQ(Dump(parsed.get()), Dump(loaded.get()));
}

struct ImageNodes
{
    u32 size, a, b, c, i, s, f, v, w, k;
};

struct CorruptCase
{
    const char* what;
    std::function<void(std::string*, const ImageNodes&)> corrupt;
};

TEST(DesImageTest, RejectsCorruptImages)
{
    TreePtr parsed = Parse(IMAGE_SOURCE);
    ASSERT_NE(nullptr, parsed.get());
    const DES_Tree* t = parsed.get();
    ImageNodes n = {};
    n.size = t->used;
    n.a = DES_Node::SectionFirstSub(t, 0);
    n.b = DES_Node::SectionNext(t, n.a);
    n.c = DES_Node::SectionFirstSub(t, n.b);
    n.i = DES_Node::SectionFirstEntry(t, n.a);
    n.s = DES_Node::EntryNext(t, n.i);
    n.f = DES_Node::EntryNext(t, n.s);
    n.v = DES_Node::EntryNext(t, n.f);
    n.w = DES_Node::EntryNext(t, n.v);
    n.k = DES_Node::SectionFirstEntry(t, n.c);
    const std::string image = TOOL_DesImageBytes(t);
    ASSERT_NE(nullptr, LoadImage(image).get());

    using P = std::string*;
    using N = const ImageNodes&;
    const CorruptCase cases[] = {
        {"empty", [](P _i, N) { _i->clear(); }},
        {"truncated by one byte", [](P _i, N _n) { _i->resize(_n.size - 1); }},
        {"truncated inside the root", [](P _i, N) { _i->resize(24); }},
        {"truncated inside a section header", [](P _i, N _n) { _i->resize(_n.a + 10); }},
        {"truncated inside an entry value", [](P _i, N _n) { _i->resize(_n.v + 14); }},
        {"root renamed", [](P _i, N) { TOOL_DesImagePatchU8(_i, 20, 'h'); }},
        {"root length byte", [](P _i, N) { TOOL_DesImagePatchU8(_i, 0, 6); }},
        {"link past the end", [](P _i, N _n) { TOOL_DesImagePatchU32(_i, 8, _n.size); }},
        {"link to the last byte", [](P _i, N _n) { TOOL_DesImagePatchU32(_i, _n.a + 12, _n.size - 1); }},
        {"link into a node", [](P _i, N _n) { TOOL_DesImagePatchU32(_i, 8, _n.a + 1); }},
        {"entry link past the end", [](P _i, N) { TOOL_DesImagePatchU32(_i, 16, 0xFFFFFFFE); }},
        {"entry link into a key", [](P _i, N _n) { TOOL_DesImagePatchU32(_i, _n.i + 4, _n.i + 8); }},
        {"section cycle back to the root", [](P _i, N _n) { TOOL_DesImagePatchU32(_i, _n.c + 12, 0); }},
        {"section is its own subsection", [](P _i, N _n) { TOOL_DesImagePatchU32(_i, _n.b + 8, _n.b); }},
        {"entry cycle", [](P _i, N _n) { TOOL_DesImagePatchU32(_i, _n.w + 4, _n.i); }},
        {"entry is its own next", [](P _i, N _n) { TOOL_DesImagePatchU32(_i, _n.k + 4, _n.k); }},
        {"shared entry list", [](P _i, N _n) { TOOL_DesImagePatchU32(_i, _n.b + 16, _n.k); }},
        {"shared section", [](P _i, N _n) { TOOL_DesImagePatchU32(_i, _n.a + 8, _n.c); }},
        {"name length too long", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.a, 3); }},
        {"name length too short", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.a, 1); }},
        {"name length zero", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.a, 0); }},
        {"name length past the end", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.c, 255); }},
        {"missing name terminator", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.a + 21, 'x'); }},
        {"key length too long", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.i + 1, 3); }},
        {"key length too short", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.i + 1, 1); }},
        {"key length zero", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.i + 1, 0); }},
        {"missing key terminator", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.i + 9, 'x'); }},
        {"missing string terminator", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.s + 17, 'x'); }},
        {"string size too small", [](P _i, N _n) { TOOL_DesImagePatchU16(_i, _n.s + 2, 7); }},
        {"string size too large", [](P _i, N _n) { TOOL_DesImagePatchU16(_i, _n.s + 2, 9); }},
        {"string size zero", [](P _i, N _n) { TOOL_DesImagePatchU16(_i, _n.s + 2, 0); }},
        {"integer value size", [](P _i, N _n) { TOOL_DesImagePatchU16(_i, _n.i + 2, 8); }},
        {"float value size", [](P _i, N _n) { TOOL_DesImagePatchU16(_i, _n.f + 2, 2); }},
        {"three-float value size", [](P _i, N _n) { TOOL_DesImagePatchU16(_i, _n.v + 2, 8); }},
        {"two-float value size", [](P _i, N _n) { TOOL_DesImagePatchU16(_i, _n.w + 2, 12); }},
        {"value past the end", [](P _i, N _n) { TOOL_DesImagePatchU16(_i, _n.k + 2, 0xFFFF); }},
        {"entry type 5", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.i, 5); }},
        {"entry type 255", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.k, 255); }},
        {"string typed as integer", [](P _i, N _n) { TOOL_DesImagePatchU8(_i, _n.s, DES_TYPE_INT); }},
    };
    for (const CorruptCase& c : cases) {
        std::string corrupt = image;
        c.corrupt(&corrupt, n);
        EXPECT_EQ(nullptr, LoadImage(corrupt).get()) << c.what;
        EXPECT_EQ(0, std::string(DES_GetLastError()).find("corrupt image")) << c.what << ": " << DES_GetLastError();
    }
}

}  // namespace
