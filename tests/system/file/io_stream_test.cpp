#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "io_exception.h"
#include "io_streamref.h"
#include "io_textinputstream.h"
#include "io_textoutputstream.h"
#include "mem_alloc.h"
#include "tst_memorystream.h"

namespace
{
std::string Bytes(std::initializer_list<int> _bytes)
{
    std::string bytes;
    for (int b : _bytes)
        bytes.push_back((char)b);
    return bytes;
}

// Tells whether a stream was deleted.
class TST_WatchedOutput : public TST_MemoryOutput
{
public:
    explicit TST_WatchedOutput(bool* _deleted) : m_deleted(_deleted) {}
    ~TST_WatchedOutput() override { *m_deleted = true; }

private:
    bool* m_deleted;
};

class TST_RecordingVisitor : public IO_StreamVisitor
{
public:
    void VisitTextOutput(IO_TextOutputStream&) override { visits.push_back("TextOutput"); }
    void VisitOutput(IO_OutputStream&) override { visits.push_back("Output"); }
    void VisitTextInput(IO_TextInputStream&) override { visits.push_back("TextInput"); }
    void VisitInput(IO_InputStream&) override { visits.push_back("Input"); }
    void VisitStream(IO_Stream&) override { visits.push_back("Stream"); }
    std::vector<std::string> visits;
};
}  // namespace

TEST(IoStreamTest, WriteTestsEndAndErrorBeforeEachByteAndAtTheEnd)
{
    TST_MemoryOutput clean;
    const u8 data[] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    EXPECT_EQ(0, clean.Write(data, 0, 0));
    EXPECT_EQ("", clean.Bytes());
    EXPECT_EQ(0, clean.Write(data, 3, 2));
    EXPECT_EQ("cde", clean.Bytes());

    TST_MemoryOutput failed;
    failed.SetError(5);
    EXPECT_EQ(2, failed.Write(data, 0, 0)) << "count 0 on a failed stream";
    EXPECT_EQ(2, failed.Write(data, 4, 0));
    EXPECT_EQ("", failed.Bytes());

    TST_MemoryOutput ended;
    ended.SetEOF(false);
    EXPECT_EQ(1, ended.Write(data, 4, 0));
    EXPECT_EQ("", ended.Bytes());

    // The third byte fails: the stream stops there and reports the error.
    TST_MemoryOutput full(2);
    EXPECT_EQ(2, full.Write(data, 5, 0));
    EXPECT_EQ("ab", full.Bytes());
    EXPECT_EQ(28u, full.GetErrorCode());
}

TEST(IoStreamTest, TypedWritesPutOutLittleEndianBytes)
{
    TST_MemoryOutput out;
    out.WriteU32(0x11223344u);
    out.WriteS16(-2);
    out.WriteF64(1.0);
    out.WriteF32(-2.0f);
    out.WriteS8(-1);
    out.WriteChar('z');
    EXPECT_EQ(Bytes({0x44, 0x33, 0x22, 0x11, 0xFE, 0xFF, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0xC0, 0xFF, 'z'}),
              out.Bytes());
}

TEST(IoStreamTest, ArrayWritesCoverTheRangeAndStopAtAnError)
{
    TST_MemoryOutput out;
    const u16 values[] = {0x0102, 0x0304, 0x0506, 0x0708};
    EXPECT_EQ(0, out.WriteU16Array(values, 2, 1));
    EXPECT_EQ(Bytes({0x04, 0x03, 0x06, 0x05}), out.Bytes());

    TST_MemoryOutput full(5);
    const s32 words[] = {1, 2, 3};
    EXPECT_EQ(2, full.WriteS32Array(words, 3, 0));
    EXPECT_EQ(5u, full.Bytes().size()) << "the second element broke off, the third was not tried";
}

TEST(IoStreamTest, BaseReadAnswersStartPlusCountOrMinusOne)
{
    TST_MemoryInput in("abcdef");
    u8 buffer[16] = {};
    EXPECT_EQ(5, in.Read(buffer, 0, 5));
    EXPECT_EQ(8, in.Read(buffer, 3, 5));
    EXPECT_EQ('a', buffer[5]);
    EXPECT_EQ('c', buffer[7]);
    EXPECT_EQ(-1, in.Read(buffer, 4, 0));
    EXPECT_EQ('d', buffer[0]);
    EXPECT_EQ('f', buffer[2]);
    EXPECT_FALSE(in.IsEOF()) << "Read itself sets no flag";
    EXPECT_EQ(7, in.Skip(7));
}

TEST(IoStreamTest, ShortTypedReadSetsEndAndKeepsTheBytesThatArrived)
{
    TST_MemoryInput in(Bytes({0x44, 0x33, 0x22, 0x11, 0x01, 0x02}));
    u32 value = 0;
    in.ReadU32(value);
    EXPECT_EQ(0x11223344u, value);
    EXPECT_FALSE(in.IsEOF());

    value = 0xAABBCCDDu;
    in.ReadU32(value);
    EXPECT_EQ(0xAABB0201u, value);
    EXPECT_TRUE(in.IsEOF());

    u8 byte = 9;
    in.ReadU8(byte);
    EXPECT_EQ(9, byte) << "a one-byte read at the end leaves the value";
}

TEST(IoStreamTest, ArrayReadsCountTheReadThatMetTheEnd)
{
    TST_MemoryInput in(Bytes({1, 0, 0, 0, 2, 0}));
    s32 values[5] = {-1, -1, -1, -1, -1};
    EXPECT_EQ(3, in.ReadS32Array(values, 3, 1));
    EXPECT_EQ(-1, values[0]);
    EXPECT_EQ(1, values[1]);
    EXPECT_EQ((s32)0xFFFF0002u, values[2]);
    EXPECT_EQ(-1, values[3]) << "not tried after the end";
    EXPECT_EQ(4, in.ReadS32Array(values, 2, 4)) << "an ended stream reads nothing";

    TST_MemoryInput chars("xyz");
    char text[4] = {};
    EXPECT_EQ(3, chars.ReadCharArray(text, 3, 0));
    EXPECT_STREQ("xyz", text);
}

TEST(IoStreamTest, StreamsWithoutPositionsRefuseSeek)
{
    TST_MemoryOutput out;
    TST_MemoryInput in("");
    EXPECT_EQ(0, out.Tell());
    out.Seek(0, 4);
    in.Seek(2, 0);
    for (IO_Stream* stream : {(IO_Stream*)&out, (IO_Stream*)&in}) {
        EXPECT_EQ(2u, stream->HasError());
        EXPECT_EQ((u32)ERANGE, stream->GetErrorCode());
        EXPECT_EQ(34u, stream->GetErrorCode());
        EXPECT_EQ(0u, stream->IsEOF());
    }
}

TEST(IoStreamTest, FlagsAreStickyAndThrowOnlyWhenAsked)
{
    TST_MemoryOutput out;
    EXPECT_EQ(0u, out.TestFlag4());
    out.SetFlag4(true);
    EXPECT_EQ(4u, out.TestFlag4());
    out.SetFlag4(false);
    EXPECT_EQ(0u, out.TestFlag4());
    EXPECT_EQ(0u, out.TestFlag8());

    out.SetError(5);
    out.SetError(7);
    EXPECT_EQ(7u, out.GetErrorCode());
    out.SetEOF(false);
    EXPECT_EQ(1u, out.IsEOF());
    EXPECT_EQ(2u, out.HasError());

    out.SetThrowExceptions(true);
    EXPECT_EQ(16u, out.GetThrowExceptions());
    EXPECT_NO_THROW(out.SetEOF(false));
    try {
        out.SetEOF(true);
        ADD_FAILURE() << "no IO_EOFException";
    } catch (const IO_EOFException& eof) {
        EXPECT_STREQ("IO_EOFException", eof.GetClassName());
        EXPECT_STREQ("", eof.GetMessage());
        EXPECT_EQ(0u, eof.GetCode());
    }
    try {
        out.SetError(13);
        ADD_FAILURE() << "no IO_IOException";
    } catch (const IO_EOFException&) {
        ADD_FAILURE() << "an error is not an end";
    } catch (const IO_IOException& error) {
        EXPECT_STREQ("IO_IOException", error.GetClassName());
        EXPECT_STREQ("", error.GetMessage());
        EXPECT_EQ(13u, error.GetCode());
    }
    EXPECT_EQ(13u, out.GetErrorCode()) << "the state is recorded before the throw";
    out.SetThrowExceptions(false);
    EXPECT_NO_THROW(out.SetError(1));
}

TEST(IoStreamTest, ShortTypedReadThrowsEndWhenAsked)
{
    TST_MemoryInput in("ab");
    in.SetThrowExceptions(true);
    s32 value = 0;
    EXPECT_THROW(in.ReadS32(value), IO_EOFException);
    EXPECT_EQ(0x6261, value);
}

TEST(IoStreamTest, FilterStreamsLeaveAllStateToTheWrappedStream)
{
    TST_MemoryOutput* inner = new TST_MemoryOutput;
    IO_StreamRef text(new IO_TextOutputStream(inner));
    IO_OutputStream* filter = static_cast<IO_OutputStream*>(text.Get());
    filter->SetFlag4(true);
    filter->SetError(3);
    filter->SetEOF(false);
    EXPECT_EQ(4u, inner->TestFlag4());
    EXPECT_EQ(2u, inner->HasError());
    EXPECT_EQ(3u, inner->GetErrorCode());
    EXPECT_EQ(1u, inner->IsEOF());
    EXPECT_EQ(1u, filter->IsEOF());
    filter->Seek(0, 0);
    EXPECT_EQ(34u, filter->GetErrorCode());
    filter->SetThrowExceptions(true);
    EXPECT_EQ(16u, inner->GetThrowExceptions());
    EXPECT_THROW(filter->SetError(4), IO_IOException);
}

TEST(IoStreamTest, DispatchNamesTheKindOfStream)
{
    TST_RecordingVisitor visitor;
    IO_Stream plain;
    TST_MemoryOutput out;
    TST_MemoryInput in("");
    IO_StreamRef textOut(new IO_TextOutputStream(new TST_MemoryOutput));
    IO_StreamRef textIn(new IO_TextInputStream(new TST_MemoryInput("")));
    plain.DispatchTo(visitor);
    out.DispatchTo(visitor);
    in.DispatchTo(visitor);
    textOut.Get()->DispatchTo(visitor);
    textIn.Get()->DispatchTo(visitor);
    EXPECT_EQ(std::vector<std::string>({"Stream", "Output", "Input", "TextOutput", "TextInput"}), visitor.visits);
}

TEST(IoStreamRefTest, CountsTheStreamAndDeletesItWithTheLastReference)
{
    bool deleted = false;
    TST_WatchedOutput* stream = new TST_WatchedOutput(&deleted);
    EXPECT_EQ(0u, stream->GetReferenceCount());
    IO_StreamRef first(stream);
    IO_StreamRef second = first;
    IO_StreamRef third;
    third = second;
    third = third.Get();
    EXPECT_EQ(3u, stream->GetReferenceCount());

    // A release that is not the last still forgets the pointer.
    second.Release();
    EXPECT_EQ(nullptr, second.Get());
    EXPECT_EQ(2u, stream->GetReferenceCount());
    second.Release();
    EXPECT_EQ(2u, stream->GetReferenceCount()) << "a null handle releases nothing";

    third = (IO_Stream*)nullptr;
    EXPECT_EQ(1u, stream->GetReferenceCount());
    EXPECT_FALSE(deleted);
    first.Release();
    EXPECT_TRUE(deleted);
    EXPECT_EQ(nullptr, first.Get());
}

TEST(IoStreamRefTest, AssigningReleasesTheOldStream)
{
    bool firstDeleted = false;
    bool secondDeleted = false;
    IO_StreamRef ref(new TST_WatchedOutput(&firstDeleted));
    ref = new TST_WatchedOutput(&secondDeleted);
    EXPECT_TRUE(firstDeleted);
    EXPECT_FALSE(secondDeleted);
    {
        IO_StreamRef scoped = ref;
    }
    EXPECT_FALSE(secondDeleted);
    ref.Release();
    EXPECT_TRUE(secondDeleted);
}

TEST(IoStreamRefTest, TransferCharsWritesOrReadsByDirection)
{
    TST_MemoryOutput* out = new TST_MemoryOutput;
    IO_StreamRef outRef(out);
    char text[] = "abcdef";
    EXPECT_EQ(0, outRef.TransferChars(text, 3, 2));
    EXPECT_EQ("cde", out->Bytes());

    IO_StreamRef inRef(new TST_MemoryInput("xyz"));
    char read[6] = "-----";
    EXPECT_EQ(3, inRef.TransferChars(read, 2, 1));
    EXPECT_STREQ("-xy--", read);

    IO_StreamRef none;
    EXPECT_EQ(0, none.TransferChars(read, 2, 0));
}

TEST(IoStreamRefTest, StreamsComeFromThePools)
{
    const u32 before = MEM_GetBytesInUse();
    {
        IO_StreamRef ref(new IO_TextInputStream(new TST_MemoryInput("1")));
        EXPECT_GT(MEM_GetBytesInUse(), before);
    }
    EXPECT_EQ(before, MEM_GetBytesInUse()) << "the filter released its wrapped stream";
}
