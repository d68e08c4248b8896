#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "io_streamref.h"
#include "io_textinputstream.h"
#include "io_textoutputstream.h"
#include "tst_memorystream.h"

namespace
{
// A text output stream over memory, and what it wrote.
struct TextOut
{
    TST_MemoryOutput* bytes = new TST_MemoryOutput;
    IO_StreamRef ref{new IO_TextOutputStream(bytes)};
    IO_TextOutputStream& operator*() { return *static_cast<IO_TextOutputStream*>(ref.Get()); }
    IO_TextOutputStream* operator->() { return static_cast<IO_TextOutputStream*>(ref.Get()); }
};

struct TextIn
{
    explicit TextIn(const std::string& _text) : bytes(new TST_MemoryInput(_text)), ref(new IO_TextInputStream(bytes)) {}
    TST_MemoryInput* bytes;
    IO_StreamRef ref;
    IO_TextInputStream* operator->() { return static_cast<IO_TextInputStream*>(ref.Get()); }
};

std::string Written(const std::function<void(IO_TextOutputStream&)>& _write)
{
    TextOut out;
    _write(*out);
    return out.bytes->Bytes();
}

std::string Digits(u32 _count)
{
    std::string digits;
    for (u32 i = 0; i < _count; ++i)
        digits.push_back((char)('0' + i % 10));
    return digits;
}
}  // namespace

TEST(IoTextOutputStreamTest, NumbersGoOutInTheirPrintfForm)
{
    struct Case
    {
        std::function<void(IO_TextOutputStream&)> write;
        const char* text;
    };
    const Case cases[] = {
        {[](IO_TextOutputStream& _s) { _s.WriteS32(-1); }, "-1"},
        {[](IO_TextOutputStream& _s) { _s.WriteS32(INT_MIN); }, "-2147483648"},
        {[](IO_TextOutputStream& _s) { _s.WriteS32(INT_MAX); }, "2147483647"},
        {[](IO_TextOutputStream& _s) { _s.WriteU32(0xFFFFFFFFu); }, "4294967295"},
        {[](IO_TextOutputStream& _s) { _s.WriteU32(0); }, "0"},
        {[](IO_TextOutputStream& _s) { _s.WriteS16(-32768); }, "-32768"},
        {[](IO_TextOutputStream& _s) { _s.WriteU16(65535); }, "65535"},
        {[](IO_TextOutputStream& _s) { _s.WriteF32(0.1f); }, "0.100000"},
        {[](IO_TextOutputStream& _s) { _s.WriteF32(-1.5f); }, "-1.500000"},
        {[](IO_TextOutputStream& _s) { _s.WriteF64(-2.25); }, "-2.250000"},
        {[](IO_TextOutputStream& _s) { _s.WriteF64(1e20); }, "100000000000000000000.000000"},
        {[](IO_TextOutputStream& _s) { _s.WriteF64(-0.0); }, "-0.000000"},
        {[](IO_TextOutputStream& _s) { _s.WriteF64(1.0 / 0.0); }, "inf"},
        // Back to back, without separators.
        {[](IO_TextOutputStream& _s) {
             _s.WriteS16(-5);
             _s.WriteU16(7);
         },
         "-57"},
        {[](IO_TextOutputStream& _s) {
             const s32 values[] = {9, 1, -2, 3};
             _s.WriteS32Array(values, 3, 1);
         },
         "1-23"},
        {[](IO_TextOutputStream& _s) {
             const f32 values[] = {0.5f, 2.0f};
             _s.WriteF32Array(values, 2, 0);
         },
         "0.5000002.000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, Written(c.write));
}

TEST(IoTextOutputStreamTest, BytesAndCharactersGoOutRaw)
{
    const std::string raw = Written([](IO_TextOutputStream& _s) {
        _s.WriteU8(200);
        _s.WriteS8(-1);
        _s.WriteChar('A');
        const char text[] = "xyz";
        _s.WriteCharArray(text, 2, 1);
        const u8 bytes[] = {1, 2};
        _s.WriteU8Array(bytes, 2, 0);
    });
    EXPECT_EQ(std::string("\xC8\xFF"
                          "Ayz\x01\x02",
                          7),
              raw);
}

TEST(IoTextOutputStreamTest, AnF64BeyondTheBufferIsCutTo127Characters)
{
    const std::string text = Written([](IO_TextOutputStream& _s) { _s.WriteF64(-1e200); });
    char full[512];
    std::snprintf(full, sizeof(full), "%f", -1e200);
    ASSERT_EQ(208u, std::string(full).size());
    EXPECT_EQ(std::string(full, 127), text);

    // 2e119 still fits: 120 digits, the point and six decimals.
    const std::string fits = Written([](IO_TextOutputStream& _s) { _s.WriteF64(2e119); });
    EXPECT_EQ(127u, fits.size());
    EXPECT_EQ(".000000", fits.substr(120));
}

TEST(IoTextOutputStreamTest, NothingGoesOutOnceTheWrappedStreamFailed)
{
    TextOut out;
    out->SetError(5);
    out->WriteS32(12);
    out->WriteU8(1);  // a single raw byte goes straight to the wrapped WriteByte
    EXPECT_EQ("\x01", out.bytes->Bytes());
    const s32 values[] = {1, 2};
    EXPECT_EQ(2, out->WriteS32Array(values, 2, 0));
}

TEST(IoTextInputStreamTest, TokensConvertWithTheThirtyTwoBitForms)
{
    // Each value is read into the middle of three; the guards show how many bytes the read
    // stored. The last column is what ReadByte gives next.
    struct Case
    {
        const char* text;
        s32 expected;
        s32 next;
    };
    const Case s32Cases[] = {
        {"  12,5x", 12, 'x'},
        {"-7 8", -7, ' '},
        {"+3", 3, -1},
        {"1e3", 1, -1},
        {"3.9;", 3, ';'},
        {"2147483647", INT_MAX, -1},
        {"-2147483648", INT_MIN, -1},
        {"\t\n42\r", 42, '\r'},
    };
    for (const Case& c : s32Cases) {
        TextIn in(c.text);
        s32 values[3] = {0x5A5A5A5A, 0, 0x5A5A5A5A};
        in->ReadS32(values[1]);
        EXPECT_EQ(c.expected, values[1]) << c.text;
        EXPECT_EQ(0x5A5A5A5A, values[0]);
        EXPECT_EQ(0x5A5A5A5A, values[2]) << c.text;
        EXPECT_EQ(c.next, in->ReadByte()) << c.text;
        EXPECT_FALSE(in->IsEOF());
        EXPECT_FALSE(in->HasError());
    }

    struct U32Case
    {
        const char* text;
        u32 expected;
    };
    for (const U32Case& c : {U32Case{"4294967295", 0xFFFFFFFFu}, U32Case{"17", 17u}, U32Case{"-1", 0xFFFFFFFFu}}) {
        TextIn in(c.text);
        u32 values[3] = {0xA5A5A5A5u, 0, 0xA5A5A5A5u};
        in->ReadU32(values[1]);
        EXPECT_EQ(c.expected, values[1]) << c.text;
        EXPECT_EQ(0xA5A5A5A5u, values[2]) << c.text;
    }
}

TEST(IoTextInputStreamTest, SixteenBitReadsKeepTheLowerSixteenBits)
{
    struct Case
    {
        const char* text;
        s32 asS16;
        u32 asU16;
    };
    const Case cases[] = {
        {"-1", -1, 0xFFFF}, {"70000", 4464, 4464},      {"40000", -25536, 40000},
        {"65537", 1, 1},    {"-32768", -32768, 0x8000},
    };
    for (const Case& c : cases) {
        TextIn signedIn(c.text);
        s16 signedValues[3] = {0x5A5A, 0, 0x5A5A};
        signedIn->ReadS16(signedValues[1]);
        EXPECT_EQ(c.asS16, signedValues[1]) << c.text;
        EXPECT_EQ(0x5A5A, signedValues[0]);
        EXPECT_EQ(0x5A5A, signedValues[2]) << c.text;

        TextIn unsignedIn(c.text);
        u16 unsignedValues[3] = {0xA5A5, 0, 0xA5A5};
        unsignedIn->ReadU16(unsignedValues[1]);
        EXPECT_EQ(c.asU16, unsignedValues[1]) << c.text;
        EXPECT_EQ(0xA5A5, unsignedValues[2]) << c.text;
    }
}

TEST(IoTextInputStreamTest, FloatsConvertAndACommaEndsTheNumber)
{
    struct Case
    {
        const char* text;
        f64 expected;
    };
    const Case cases[] = {
        {"2.5e-1", 0.25}, {"1,5", 1.0}, {"-.5", -0.5}, {"1E3x", 1000.0}, {"+7.", 7.0},
    };
    for (const Case& c : cases) {
        TextIn in(c.text);
        f64 value = 0;
        in->ReadF64(value);
        EXPECT_EQ(c.expected, value) << c.text;
    }
    TextIn in("0.1 3e38");
    f32 first = 0;
    f32 second = 0;
    in->ReadF32(first);
    in->ReadF32(second);
    EXPECT_EQ(0.1f, first);
    EXPECT_EQ(3e38f, second);
}

TEST(IoTextInputStreamTest, ATokenThatDoesNotConvertLeavesTheValue)
{
    for (const char* text : {"", "   ", ".", "-", ",", "e5", "abc"}) {
        TextIn in(text);
        s32 integer = 77;
        f64 real = 7.5;
        u16 half = 9;
        in->ReadS32(integer);
        in->ReadF64(real);
        in->ReadU16(half);
        EXPECT_EQ(77, integer) << '"' << text << '"';
        EXPECT_EQ(7.5, real) << '"' << text << '"';
        EXPECT_EQ(9, half) << '"' << text << '"';
        EXPECT_FALSE(in->IsEOF()) << "typed text reads set no flag";
    }
}

TEST(IoTextInputStreamTest, TokenLengthIsBoundedByTheBudget)
{
    const std::string digits = Digits(70);
    char token[64];

    TextIn plain(digits);
    plain->ReadToken(token, 64);
    EXPECT_EQ(digits.substr(0, 62), token);
    // The token's last character is not pushed back: the next read is the 63rd digit.
    EXPECT_EQ(digits[62], plain->ReadByte());
    EXPECT_EQ(digits[63], plain->ReadByte());

    TextIn spaced("   " + digits);
    spaced->ReadToken(token, 64);
    EXPECT_EQ(digits.substr(0, 59), token) << "each skipped white space shortens the token";
    EXPECT_EQ(digits[59], spaced->ReadByte());

    // The budget runs out in the white space: the last one read is pushed back.
    TextIn blank(std::string(63, ' ') + "5");
    blank->ReadToken(token, 64);
    EXPECT_STREQ("", token);
    EXPECT_EQ(' ', blank->ReadByte());
    EXPECT_EQ('5', blank->ReadByte());

    TextIn tiny("123");
    tiny->ReadToken(token, 4);
    EXPECT_STREQ("12", token);
    EXPECT_EQ('3', tiny->ReadByte());
}

TEST(IoTextInputStreamTest, AZeroByteThatEndsATokenIsLost)
{
    TextIn in(std::string("7\0x", 3));
    s32 value = 0;
    in->ReadS32(value);
    EXPECT_EQ(7, value);
    EXPECT_EQ(0, in->GetPushedBack());
    EXPECT_EQ('x', in->ReadByte()) << "the zero byte is not seen again";

    TextIn leading(std::string("\0"
                               "5",
                               2));
    leading->ReadS32(value);
    EXPECT_EQ(5, value);
}

TEST(IoTextInputStreamTest, RawReadsBypassThePushedBackCharacter)
{
    TextIn in("12xyz");
    s32 value = 0;
    in->ReadS32(value);
    EXPECT_EQ('x', in->GetPushedBack());
    char c = 0;
    in->ReadChar(c);
    EXPECT_EQ('y', c);
    u8 bytes[2] = {};
    EXPECT_EQ(-1, in->ReadU8Array(bytes, 2, 0)) << "the wrapped Read answers, one byte was left";
    EXPECT_EQ('z', bytes[0]);
    EXPECT_EQ('x', in->ReadByte());
    EXPECT_EQ(-1, in->ReadByte());
}

TEST(IoTextInputStreamTest, ArraysReadOneTokenPerElement)
{
    TextIn in("1 -2,3 4");
    s32 values[4] = {};
    EXPECT_EQ(4, in->ReadS32Array(values, 3, 1));
    EXPECT_EQ(0, values[0]);
    EXPECT_EQ(1, values[1]);
    EXPECT_EQ(-2, values[2]);
    EXPECT_EQ(4, values[3]);
}
