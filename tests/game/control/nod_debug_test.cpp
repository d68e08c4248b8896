#include <gtest/gtest.h>

#include <string>

#include "log_channellogger.h"
#include "mos_string.h"
#include "nod_console.h"
#include "nod_debug.h"
#include "nod_message.h"
#include "nod_node.h"
#include "os_standardstreams.h"
#include "test_dir.h"

namespace
{
// The debug node under a root with a console; the logger's plain settings are put back after
// each test (they live for the whole process).
class DebugTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_level = Logger().m_level;
        m_fileName = Logger().m_fileName;
        m_root = NOD_Node::CreateNode("NOD_Node", "root");
        NOD_Node::SetRoot(m_root);
        m_debug = m_root->AddSon(NOD_Node::CreateNode("nod_debug", "debug"));
        m_console = NOD_Console::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Console", "console")));
        ASSERT_NE(nullptr, m_debug);
        ASSERT_NE(nullptr, m_console);
    }
    void TearDown() override
    {
        delete m_root;
        Logger().m_level = m_level;
        Logger().m_fileName = m_fileName;
        Logger().DeactivateChannel("debugtest");
    }
    static LOG_ChannelLogger& Logger() { return OS_StandardStreams::Get().Logger(); }
    bool Listed(const char* _name) const
    {
        for (u32 i = 0; i < Logger().GetActivatedCount(); ++i)
            if (std::string(Logger().GetActivated(i).C_Str()) == _name)
                return true;
        return false;
    }
    std::string Log() const { return m_dir.Exists("log.txt") ? m_dir.Read("log.txt") : std::string(); }

    TST_TempDir m_dir;
    u32 m_level = 0;
    MOS_String m_fileName;
    NOD_Node* m_root = nullptr;
    NOD_Node* m_debug = nullptr;
    NOD_Console* m_console = nullptr;
};

TEST_F(DebugTest, LevelsUpToSixAreTakenAndSevenOrMoreIgnored)
{
    struct Case
    {
        u32 level;
        u32 expected;
    };
    const Case cases[] = {{6, 6}, {7, 6}, {0, 0}, {0xFFFFFFFFu, 0}, {3, 3}, {8, 3}};
    for (const Case& c : cases) {
        EXPECT_EQ(nullptr, m_debug->ProcessMessage(NOD_Debug_SetLevel::Create(c.level)));
        EXPECT_EQ(c.expected, Logger().m_level) << c.level;
    }
}

TEST_F(DebugTest, FileNameAndChannelsChangeOnlyTheLoggersSettings)
{
    const std::string logBefore = Log();
    EXPECT_EQ(nullptr, m_debug->ProcessMessage(NOD_Debug_SetFilename::Create(SIM_ClassName("other.txt"))));
    EXPECT_STREQ("other.txt", Logger().m_fileName.C_Str());
    EXPECT_FALSE(m_dir.Exists("other.txt"));

    const u32 channel = Logger().RegisterChannel("debugtest");
    EXPECT_EQ(nullptr, m_debug->ProcessMessage(NOD_Debug_ActivateChannel::Create(SIM_ClassName("DebugTest"))));
    EXPECT_TRUE(Listed("DebugTest"));
    EXPECT_EQ(1u, Logger().GetChannel(channel).on);
    EXPECT_EQ(nullptr, m_debug->ProcessMessage(NOD_Debug_DeactivateChannel::Create(SIM_ClassName("debugtest"))));
    EXPECT_FALSE(Listed("DebugTest"));
    EXPECT_EQ(0u, Logger().GetChannel(channel).on);

    // The VTune switches are taken without effect and without a log line.
    const u32 level = Logger().m_level;
    EXPECT_EQ(nullptr, m_debug->ProcessMessage(NOD_Debug_ActivateVTune::Create()));
    EXPECT_EQ(nullptr, m_debug->ProcessMessage(NOD_Debug_DeactivateVTune::Create()));
    EXPECT_EQ(level, Logger().m_level);
    EXPECT_EQ(logBefore, Log());
}

TEST_F(DebugTest, OtherMessagesAreTheNodesAndTheConsoleReachesTheNode)
{
    NOD_Message* reply = m_debug->ProcessMessage(NOD_Node_GetName::Create());
    ASSERT_NE(nullptr, reply);
    SIM_Name name;
    NOD_Node_GetName::ReadReply(reply, &name);
    EXPECT_STREQ("debug", name.GetName());
    delete reply;

    m_console->SubmitLine("cd debug");
    m_console->SubmitLine("Debug_SetLevel 2");
    EXPECT_STREQ("OK", m_console->GetLine(m_console->GetLineCount() - 1));
    EXPECT_EQ(2u, Logger().m_level);
    m_console->SubmitLine("Debug_SetLevel 7");
    EXPECT_EQ(2u, Logger().m_level);
    m_console->SubmitLine("Debug_SetFilename debug.log");
    EXPECT_STREQ("debug.log", Logger().m_fileName.C_Str());
}
}  // namespace
