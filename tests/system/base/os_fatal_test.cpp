#include <gtest/gtest.h>

#include <string>

#include "os_commandline.h"
#include "os_fatal.h"
#include "os_string.h"
#include "test_dir.h"

namespace
{
TEST(OsFatalTest, KeepsBothTextsLogsTheTerminationLineAndThrows)
{
    TST_TempDir dir;
    OS_Log("first line");
    EXPECT_FATAL(OS_Fatal("NOD_Node::GC_AddNode()", "gc overflow"), "NOD_Node::GC_AddNode()", "gc overflow");
    EXPECT_STREQ("gc overflow", OS_GetFatalMessage());
    // The format string ends in a newline and the log adds its own: an empty line follows.
    EXPECT_EQ("first line\n[TERMINATION] NOD_Node::GC_AddNode() gc overflow\n\n", dir.Read("log.txt"));
}

TEST(OsFatalTest, TextsAreCutTo511Characters)
{
    TST_TempDir dir;
    const std::string longCaption(600, 'c');
    const std::string longMessage(700, 'm');
    try {
        OS_Fatal(longCaption.c_str(), longMessage.c_str());
    } catch (const OS_FatalError& error) {
        EXPECT_EQ(std::string(511, 'c'), error.Caption());
        EXPECT_EQ(std::string(511, 'm'), error.Message());
    }
    EXPECT_NE(std::string::npos, dir.Read("log.txt").find(std::string(511, 'c') + " " + std::string(511, 'm') + "\n"));
}

TEST(OsFatalTest, TextsFromTheFormatBufferSurviveTheLogLine)
{
    TST_TempDir dir;
    const char* message = OS_Format("value %d", 42);
    EXPECT_FATAL(OS_Fatal("Caller::Check()", message), "Caller::Check()", "value 42");
}

TEST(OsLogTest, EachCallAppendsOneLine)
{
    TST_TempDir dir;
    // The log-started flag is process-wide: whichever test logged first already deleted its
    // own log. Here a fresh directory shows the append behaviour line by line.
    OS_Log("one");
    OS_Log("two");
    const std::string log = dir.Read("log.txt");
    EXPECT_NE(std::string::npos, log.find("one\ntwo\n"));
}

TEST(OsFormatTest, SharesOneBufferAndCutsLongResults)
{
    const char* first = OS_Format("%s", "first");
    const char* second = OS_Format("%s", "second");
    EXPECT_EQ(first, second);
    EXPECT_STREQ("second", first);

    const std::string huge(5000, 'x');
    EXPECT_EQ(2047u, OS_StrLen(OS_Format("%s", huge.c_str())));
}

TEST(OsSwitchTest, ASwitchIsOnWhereverItsTextOccurs)
{
    struct Case
    {
        const char* commandLine;
        const char* sw;
        u32 on;
    };
    const Case cases[] = {
        {"-window", "-window", 1},     {"-windowed -nologo", "-window", 1},  // followed by more characters
        {"x-windowy", "-window", 1},                                         // inside a longer word
        {"-fullscreen", "-window", 0}, {"", "-logmem", 0},
    };
    for (const Case& c : cases) {
        OS_SetCommandLine(c.commandLine);
        EXPECT_EQ(c.on, OS_HasSwitch(c.sw)) << c.commandLine;
    }
    OS_SetCommandLine("");
}
}  // namespace
