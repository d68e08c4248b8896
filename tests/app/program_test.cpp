// The real program, run headless in a fresh directory.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "test_dir.h"

namespace
{

const char* const s_display =
    "[Display]\n{\n    Width = 640\n    Height = 480\n    Depth = 32\n    Texturecachesize = 24\n}\n";

const char* const s_sound = "[Sound]\n{\n    SoundOn = 1\n    NumOfChannels = 2\n    Rate = 44100\n    Bits = 16\n}\n";

// Runs the program in the current directory; standard output and error go to files there.
int RunProgram(const std::string& _arguments)
{
    const std::string command = std::string("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '") + QV_PROGRAM + "' " +
                                _arguments + " > stdout.txt 2> stderr.txt";
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status))
        return -1000;
    return WEXITSTATUS(status);
}

std::string LastLine(std::string _text)
{
    while (!_text.empty() && (_text.back() == '\n' || _text.back() == '\r'))
        _text.pop_back();
    const size_t start = _text.rfind('\n');
    return start == std::string::npos ? _text : _text.substr(start + 1);
}

// The sample data of a one-second scene, and a key script that goes through the intro to
// the main page and leaves the program from there (Escape, then Return on each outro picture).
// Answers false without the key script source, which only the test build has.
bool WriteDataAndLeavingKeys(TST_TempDir& _dir)
{
#ifdef QV_KEY_SCRIPT
    const std::string generate =
        std::string("'") + QV_DATAGEN + "' '" + _dir.Path() + "' --scene-seconds 1 > datagen.txt 2>&1";
    if (std::system(generate.c_str()) != 0)
        return false;
    _dir.Write("keys.txt", "flush\nflush\n0.2 escape\nflush\n0.2 return\n0.2 return\n0.2 return\n");
    setenv("QV_KEY_SCRIPT", (std::string(_dir.Path()) + "/keys.txt").c_str(), 1);
    return true;
#else
    (void)_dir;
    return false;
#endif
}

TEST(ProgramTest, RunsToANormalEndWithItsConfiguration)
{
    TST_TempDir dir;
    if (!WriteDataAndLeavingKeys(dir))
        GTEST_SKIP() << "the program waits for keys in its menu: only the key-script build drives it";
    dir.Write("ini/display.des", s_display);
    dir.Write("ini/sound.des", s_sound);
    EXPECT_EQ(0, RunProgram("-window")) << dir.Read("stderr.txt");
    unsetenv("QV_KEY_SCRIPT");
}

TEST(ProgramTest, MissingConfigurationStopsWithTheTextsAndAFailure)
{
    TST_TempDir dir;
    dir.Write("log.txt", "a line of the previous run\n");
    EXPECT_NE(0, RunProgram(""));
    // The first line a run logs replaces the previous run's log.
    EXPECT_EQ(std::string::npos, dir.Read("log.txt").find("previous run"));
    const std::string errors = dir.Read("stderr.txt");
    EXPECT_NE(std::string::npos, errors.find("Brisel_Renderer::ReadDisplayConfig() file not found")) << errors;
    EXPECT_NE(std::string::npos, errors.find("ini\\display.des")) << errors;
    EXPECT_EQ("[TERMINATION] Brisel_Renderer::ReadDisplayConfig() file not found ini\\display.des",
              LastLine(dir.Read("log.txt")));
}

TEST(ProgramTest, LogMemWritesOneLinePerAllocation)
{
    TST_TempDir dir;
    if (!WriteDataAndLeavingKeys(dir))
        GTEST_SKIP() << "the program waits for keys in its menu: only the key-script build drives it";
    dir.Write("ini/display.des", s_display);
    dir.Write("ini/sound.des", s_sound);
    EXPECT_EQ(0, RunProgram("-window -logmem")) << dir.Read("stderr.txt");
    unsetenv("QV_KEY_SCRIPT");
    ASSERT_TRUE(dir.Exists("logmem.txt"));
    std::istringstream text(dir.Read("logmem.txt"));
    std::string each;
    u32 lines = 0;
    while (std::getline(text, each)) {
        ++lines;
        // Each line must be exactly what "#%6d (%f): %8d [%9d] ()" prints for its own
        // numbers: the fields padded to their widths, an empty tag.
        int serial = 0, size = 0, inUse = 0;
        double seconds = 0;
        ASSERT_EQ(4, sscanf(each.c_str(), "#%d (%lf): %d [%d] ()", &serial, &seconds, &size, &inUse)) << each;
        char expected[128];
        snprintf(expected, sizeof(expected), "#%6d (%f): %8d [%9d] ()", serial, seconds, size, inUse);
        EXPECT_EQ(expected, each);
    }
    EXPECT_GT(lines, 0u);
}

}  // namespace
