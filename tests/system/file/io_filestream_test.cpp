#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "io_exception.h"
#include "io_filestream.h"
#include "io_streamref.h"
#include "io_textoutputstream.h"
#include "test_dir.h"

namespace
{
bool IsOpen(s32 _descriptor) { return fcntl(_descriptor, F_GETFD) != -1; }

// A descriptor number that is certainly not open.
s32 ClosedDescriptor()
{
    const s32 descriptor = open("/dev/null", O_RDONLY);
    close(descriptor);
    return descriptor;
}

// The file streams' tests run on a file of their own in a temporary directory.
class IoFileStreamTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_dir.Write("data.bin", "0123456789");
        m_descriptor = open("data.bin", O_RDWR);
        ASSERT_NE(-1, m_descriptor);
    }
    void TearDown() override { close(m_descriptor); }

    TST_TempDir m_dir;
    s32 m_descriptor = -1;
};
}  // namespace

TEST(IoFileStreamDescriptorTest, ABadDescriptorLeavesTheStreamFailedAndMarked)
{
    const s32 closed = ClosedDescriptor();
    IO_FileOutputStream out(closed);
    IO_FileInputStream in(-1);
    for (IO_Stream* stream : {(IO_Stream*)&out, (IO_Stream*)&in}) {
        EXPECT_EQ(2u, stream->HasError());
        EXPECT_EQ(8u, stream->TestFlag8());
        EXPECT_EQ((u32)EBADF, stream->GetErrorCode());
        EXPECT_EQ(0u, stream->IsEOF());
    }
    EXPECT_EQ(-1, out.GetDescriptor());
}

TEST_F(IoFileStreamTest, TheStreamOwnsADuplicateThatOnlyCloseGivesBack)
{
    s32 duplicate = -1;
    {
        IO_FileInputStream in(m_descriptor);
        duplicate = in.GetDescriptor();
        EXPECT_NE(m_descriptor, duplicate);
        EXPECT_EQ(8u, in.TestFlag8());
        EXPECT_EQ(0u, in.HasError());
    }
    EXPECT_TRUE(IsOpen(duplicate)) << "destruction does not close";
    close(duplicate);

    IO_FileOutputStream out(m_descriptor);
    duplicate = out.GetDescriptor();
    EXPECT_EQ(0, out.Close());
    EXPECT_FALSE(IsOpen(duplicate));
    EXPECT_TRUE(IsOpen(m_descriptor));
}

TEST_F(IoFileStreamTest, ASecondCloseNeverReachesAReusedDescriptor)
{
    IO_FileOutputStream out(m_descriptor);
    const s32 duplicate = out.GetDescriptor();
    EXPECT_EQ(0, out.Close());
    EXPECT_EQ(-1, out.GetDescriptor());

    // The lowest free number comes back for the next open.
    const s32 reused = open("data.bin", O_RDONLY);
    ASSERT_EQ(duplicate, reused);
    EXPECT_EQ(-1, out.Close());
    EXPECT_TRUE(IsOpen(reused));
    EXPECT_EQ((u32)EBADF, out.GetErrorCode());
    out.WriteByte('x');
    char first = 0;
    EXPECT_EQ(1, pread(reused, &first, 1, 0));
    EXPECT_EQ('0', first) << "nothing was written through the old number";
    close(reused);
}

TEST_F(IoFileStreamTest, WritesAndReadsGoThroughTheSharedPosition)
{
    IO_FileOutputStream out(m_descriptor);
    IO_FileInputStream in(m_descriptor);
    const u8 text[] = "abcdef";
    EXPECT_EQ(3, out.Write(text, 3, 1));
    EXPECT_EQ(1, out.WriteByte('Z'));
    out.WriteU32(0x34333231u);
    EXPECT_EQ(8, out.Tell());
    EXPECT_EQ(2, out.Available());

    EXPECT_EQ(0, in.Seek(0, 0));
    u8 buffer[16] = {};
    EXPECT_EQ(4, in.Read(buffer, 4, 2));
    EXPECT_EQ(std::string("bcdZ"), std::string((char*)buffer + 2, 4));
    u32 value = 0;
    in.ReadU32(value);
    EXPECT_EQ(0x34333231u, value);
    EXPECT_EQ('8', in.ReadByte());
    EXPECT_EQ(1, in.Available());
    EXPECT_EQ(9, in.Tell()) << "Available puts the position back";
    EXPECT_EQ('9', in.ReadByte());
    EXPECT_EQ(-1, in.ReadByte());
    EXPECT_EQ(-1, in.Read(buffer, 4, 0));
    EXPECT_EQ(0, in.Read(buffer, 0, 0));
    EXPECT_EQ(0u, in.IsEOF()) << "the end of file is an answer, not a flag";
    EXPECT_EQ(0u, in.HasError());

    in.ReadS16(*(s16*)buffer);
    EXPECT_EQ(1u, in.IsEOF()) << "a short typed read is";
}

TEST_F(IoFileStreamTest, SeekModesAndSkip)
{
    IO_FileInputStream in(m_descriptor);
    EXPECT_EQ(7, in.Seek(2, -3));
    EXPECT_EQ(5, in.Seek(1, -2)) << "mode 1 is from the current position";
    EXPECT_EQ(6, in.Seek(9, 1)) << "so is any mode other than 0 and 2";
    EXPECT_EQ(2, in.Seek(0, 2));
    EXPECT_EQ(5, in.Skip(5));
    EXPECT_EQ(7, in.Tell());
    EXPECT_EQ(0u, in.HasError());

    EXPECT_EQ(-1, in.Seek(0, -5));
    EXPECT_EQ((u32)EINVAL, in.GetErrorCode());
}

TEST(IoFileStreamPipeTest, PositionsOfAPipeFailWithTheRuntimesError)
{
    int ends[2];
    ASSERT_EQ(0, pipe(ends));
    IO_FileInputStream in(ends[0]);
    IO_FileOutputStream out(ends[1]);
    EXPECT_EQ(0, out.Available());
    EXPECT_EQ((u32)ESPIPE, out.GetErrorCode());
    EXPECT_EQ(-1, in.Tell());
    EXPECT_EQ((u32)ESPIPE, in.GetErrorCode());
    EXPECT_EQ(0, in.Skip(3));

    IO_FileOutputStream fresh(ends[1]);
    EXPECT_EQ(2, fresh.Write((const u8*)"hi", 2, 0));
    u8 buffer[8] = {};
    EXPECT_EQ(2, in.Read(buffer, 8, 0)) << "one runtime read answers what is there";
    in.Close();
    out.Close();
    fresh.Close();
    close(ends[0]);
    close(ends[1]);
}

TEST_F(IoFileStreamTest, FailuresThrowWhenAsked)
{
    const s32 readOnly = open("data.bin", O_RDONLY);
    IO_StreamRef text(new IO_TextOutputStream(new IO_FileOutputStream(readOnly)));
    close(readOnly);
    IO_OutputStream* out = static_cast<IO_OutputStream*>(text.Get());
    out->WriteS32(5);
    EXPECT_EQ((u32)EBADF, out->GetErrorCode());
    out->SetThrowExceptions(true);
    try {
        out->WriteByte('x');
        ADD_FAILURE() << "no IO_IOException";
    } catch (const IO_IOException& error) {
        EXPECT_EQ((u32)EBADF, error.GetCode());
    }
    out->Close();
}
