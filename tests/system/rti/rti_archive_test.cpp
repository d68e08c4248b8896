// The byte archive: both directions, reading past the end, illegal modes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rti_archive.h"
#include "test_dir.h"

namespace
{
class RtiArchiveTest : public testing::Test
{
protected:
    TST_TempDir m_dir;
    RTI_Archive m_archive;
};

TEST_F(RtiArchiveTest, WrittenBytesReadBackInOrder)
{
    ASSERT_EQ(1u, m_archive.OpenWrite("bytes.bin"));
    EXPECT_EQ(RTI_Archive::MODE_WRITE, m_archive.GetMode());
    u8 first[3] = {1, 0, 255};
    u8 second[2] = {'a', 'b'};
    s32 length = 3;
    m_archive.Serialize(first, &length);
    EXPECT_EQ(3, length);
    length = 2;
    m_archive.Serialize(second, &length);
    m_archive.Close();
    EXPECT_EQ(std::string("\x01\x00\xff"
                          "ab",
                          5),
              m_dir.Read("bytes.bin"));

    ASSERT_EQ(1u, m_archive.OpenRead("bytes.bin"));
    EXPECT_EQ(RTI_Archive::MODE_READ, m_archive.GetMode());
    u8 back[5] = {};
    length = 5;
    m_archive.Serialize(back, &length);
    EXPECT_EQ(5, length);
    EXPECT_EQ(0, memcmp(back,
                        "\x01\x00\xff"
                        "ab",
                        5));
    EXPECT_EQ(0u, m_archive.HasFailed());
}

TEST_F(RtiArchiveTest, ReadingPastTheEndZeroFillsAndFails)
{
    m_dir.Write("short.bin", "xyz");
    ASSERT_EQ(1u, m_archive.OpenRead("short.bin"));
    std::vector<u8> buffer(8, 0xEE);  // exactly the requested size
    s32 length = 8;
    m_archive.Serialize(buffer.data(), &length);
    EXPECT_EQ(3, length);
    EXPECT_EQ((std::vector<u8>{'x', 'y', 'z', 0, 0, 0, 0, 0}), buffer);
    EXPECT_EQ(1u, m_archive.HasFailed());

    // At the end nothing more arrives, and the flag stays until the archive is reopened.
    length = 1;
    m_archive.Serialize(buffer.data(), &length);
    EXPECT_EQ(0, length);
    EXPECT_EQ(1u, m_archive.HasFailed());
    ASSERT_EQ(1u, m_archive.OpenRead("short.bin"));
    EXPECT_EQ(0u, m_archive.HasFailed());
}

TEST_F(RtiArchiveTest, NegativeLengthMovesNothing)
{
    m_dir.Write("short.bin", "xyz");
    ASSERT_EQ(1u, m_archive.OpenRead("short.bin"));
    u8 byte = 0x55;
    s32 length = -4;
    m_archive.Serialize(&byte, &length);
    EXPECT_EQ(0, length);
    EXPECT_EQ(0x55, byte);
    EXPECT_EQ(1u, m_archive.HasFailed());
}

TEST_F(RtiArchiveTest, ClosedArchiveHasNoLegalMode)
{
    u8 byte = 0;
    s32 length = 1;
    EXPECT_EQ(RTI_Archive::MODE_CLOSED, m_archive.GetMode());
    EXPECT_FATAL(m_archive.Serialize(&byte, &length), "RTI_Archive::Serialize(u8)", "illegal mode");

    EXPECT_EQ(0u, m_archive.OpenRead("missing.bin"));
    EXPECT_EQ(RTI_Archive::MODE_CLOSED, m_archive.GetMode());
    EXPECT_FATAL(m_archive.Serialize(&byte, &length), "RTI_Archive::Serialize(u8)", "illegal mode");

    ASSERT_EQ(1u, m_archive.OpenWrite("out.bin"));
    m_archive.Close();
    EXPECT_FATAL(m_archive.Serialize(&byte, &length), "RTI_Archive::Serialize(u8)", "illegal mode");
}
}  // namespace
