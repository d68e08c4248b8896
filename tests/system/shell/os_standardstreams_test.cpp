#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "io_filestream.h"
#include "io_textinputstream.h"
#include "io_textoutputstream.h"
#include "os_standardstreams.h"

namespace
{
bool IsOpen(s32 _descriptor) { return fcntl(_descriptor, F_GETFD) != -1; }

IO_FileInputStream* InFile()
{
    auto* text = static_cast<IO_TextInputStream*>(OS_StandardStreams::Get().In().Get());
    return static_cast<IO_FileInputStream*>(text->GetWrapped());
}

IO_FileOutputStream* OutFile(IO_StreamRef& _ref)
{
    auto* text = static_cast<IO_TextOutputStream*>(_ref.Get());
    return static_cast<IO_FileOutputStream*>(text->GetWrapped());
}

// The stream objects are process-wide: every test leaves them closed.
class OsStandardStreamsTest : public testing::Test
{
protected:
    void TearDown() override { OS_StandardStreams::Close(); }
};
}  // namespace

TEST_F(OsStandardStreamsTest, OpenBuildsTextStreamsOverDuplicatesWithTheModeFlag)
{
    OS_StandardStreams& streams = OS_StandardStreams::Get();
    EXPECT_FALSE(streams.In());
    OS_StandardStreams::Open();
    ASSERT_TRUE(streams.In());
    ASSERT_TRUE(streams.Out());
    ASSERT_TRUE(streams.Err());

    IO_FileInputStream* in = InFile();
    IO_FileOutputStream* out = OutFile(streams.Out());
    IO_FileOutputStream* err = OutFile(streams.Err());
    for (IO_Stream* stream : {(IO_Stream*)in, (IO_Stream*)out, (IO_Stream*)err}) {
        EXPECT_EQ(4u, stream->TestFlag4());
        EXPECT_EQ(8u, stream->TestFlag8());
        EXPECT_EQ(0u, stream->HasError());
        EXPECT_EQ(1u, stream->GetReferenceCount());
    }
    EXPECT_GT(in->GetDescriptor(), 2);
    EXPECT_GT(out->GetDescriptor(), 2);
    EXPECT_GT(err->GetDescriptor(), 2);
    EXPECT_EQ(4u, streams.In().Get()->TestFlag4()) << "seen through the text stream too";
    EXPECT_STREQ("log.txt", streams.Logger().m_fileName.C_Str());
}

TEST_F(OsStandardStreamsTest, CloseGivesTheDuplicatesBackAndLeavesTheHandlesNull)
{
    OS_StandardStreams::Open();
    OS_StandardStreams& streams = OS_StandardStreams::Get();
    const s32 duplicates[3] = {InFile()->GetDescriptor(), OutFile(streams.Out())->GetDescriptor(),
                               OutFile(streams.Err())->GetDescriptor()};
    OS_StandardStreams::Close();
    EXPECT_FALSE(streams.In());
    EXPECT_FALSE(streams.Out());
    EXPECT_FALSE(streams.Err());
    for (s32 duplicate : duplicates)
        EXPECT_FALSE(IsOpen(duplicate)) << duplicate;
    EXPECT_TRUE(IsOpen(0) && IsOpen(1) && IsOpen(2));

    // A second close, after the numbers were taken again, closes nothing.
    const s32 reused = open("/dev/null", O_RDONLY);
    EXPECT_EQ(duplicates[0], reused);
    OS_StandardStreams::Close();
    EXPECT_TRUE(IsOpen(reused));
    close(reused);
}

TEST_F(OsStandardStreamsTest, CloseWithoutOpenDoesNothing)
{
    const s32 descriptor = open("/dev/null", O_RDONLY);
    OS_StandardStreams::Close();
    OS_StandardStreams::Close();
    EXPECT_TRUE(IsOpen(descriptor));
    EXPECT_FALSE(OS_StandardStreams::Get().Out());
    close(descriptor);
}

TEST_F(OsStandardStreamsTest, OpeningAgainGivesThePreviousDuplicatesBack)
{
    OS_StandardStreams::Open();
    const s32 first = InFile()->GetDescriptor();
    OS_StandardStreams::Open();
    EXPECT_EQ(first, InFile()->GetDescriptor()) << "the number was free again";
}

TEST_F(OsStandardStreamsTest, AStandardDescriptorThatCannotBeDuplicatedLeavesItsStreamFailed)
{
    const s32 saved = dup(0);
    ASSERT_NE(-1, saved);
    close(0);
    OS_StandardStreams::Open();
    IO_FileInputStream* in = InFile();
    EXPECT_EQ(2u, in->HasError());
    EXPECT_EQ(8u, in->TestFlag8());
    EXPECT_EQ((u32)EBADF, in->GetErrorCode());
    EXPECT_EQ(2u, OS_StandardStreams::Get().In().Get()->HasError());
    EXPECT_EQ(0u, OutFile(OS_StandardStreams::Get().Out())->HasError());
    OS_StandardStreams::Close();
    EXPECT_FALSE(OS_StandardStreams::Get().In());
    dup2(saved, 0);
    close(saved);
}
