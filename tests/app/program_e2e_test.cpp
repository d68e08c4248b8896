// The real program end to end: "quorvex -window", headless, in a directory the sample-scene
// generator writes with a 10-second scene, driven by key scripts through the intro, the menu
// pages, runs, the results page and the outro.
//
// Each start plays the twelve seconds of intro, so these tests take a while; each keeps well
// within the test timeout.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "test_dir.h"

#ifdef QV_KEY_SCRIPT

namespace
{

const char* const SCENE_SECONDS = "10";

// The figures every machine writes for a run of the 10-second sample scene with the setup below
// (pixel shaders off: the pixel-shader paths draw a different number of polygons). The scene's
// timer ends the game at 10 s of scene time; the frames until the run sees it count too.
// A change to what the scene draws changes these figures: pin them again then.
const char* const NUM_FRAMES = "NUM FRAMES : 302";
const char* const NUM_POLYS = "NUM POLYS  : 6548674";
const char* const MIN_POLY_F = "MIN POLY/F : 2252";
const char* const MAX_POLY_F = "MAX POLY/F : 22498";
// The scene's probes, written by the end timer of each run: the emitters released under
// "/garbage" (by the debris and the fight) and the most sons that node held at once; the
// fight's bullets, launched torpedoes and buzzers, debris and shrapnel, and the bodies gone.
const char* const EFFECTS = "[LOG] effects: released 51 garbage 30";
const char* const ARMED = "[LOG] armed: bullets 9 launched 14 debris 17 gone 1";
// The ordered bodies' notifications, counted by kind.
const char* const ORDERS = "[LOG] orders: Vessel_PatrolFinished 1 Vessel_GotoPosReached 1 Vessel_GotoArrived 1 "
                           "Vessel_EscortPosReached 1 Vessel_EscortOverride 1 Vessel_EscapeToPositionFinished 1 "
                           "Vehicle_PatrolOverride 1 Vehicle_ParkPatrolFinished 1 Vehicle_GotoPosReached 1 "
                           "Vehicle_GotoArrived 1 Trigger_EnterPresence 2 Body_EnemyArrivalPatrol 1 "
                           "Body_EnemyArrival 1 Body_ObjectDestroyed 1";
// The story: its people and places, then the dialog's sentences, one per timer, in order.
const std::vector<std::string> STORY = {
    "[LOG] story: Maren and Toller at station 3 room 7",
    "[LOG] Maren: The patrol is out. Two boats and the crawler.",
    "[LOG] Toller: Mines are in their way. One of them is asleep.",
    "[LOG] Maren: Wake it when they pass. Keep the other one hungry.",
    "[LOG] Toller: Station three, room seven. I will be listening.",
};

// The key script steps of each page. The intro's first turn and the menu's entry each flush
// the keyboard, and so does the first turn of the outro; "flush" waits for those.
const char* const INTRO = "flush\nflush\n";
// On the main page (QUORVEX& selected): SETUP; on the setup page (DISPLAY selected): texture
// 24MB -> 32MB, pixel shaders YES -> NO (the GL device has them, so YES is where it starts),
// BACK.
const char* const SETUP = "0.2 down\n0.2 return\n"
                          "0.2 down\n0.2 down\n0.2 right\n0.2 down\n0.2 right\n0.2 down\n0.2 return\n";
// QUORVEX& (selected whenever the main page shows) starts a run; the next menu state flushes at
// its entry and opens on the results page.
const char* const RUN = "0.2 return\nflush\n";
// CONTINUE on the results page leads to the main page.
const char* const CONTINUE = "0.2 return\n";
// Escape on the main page starts the outro; Return leaves each of its three pictures.
const char* const EXIT = "0.2 escape\nflush\n0.2 return\n0.2 return\n0.2 return\n";

class ProgramEndToEndTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const std::string generate = std::string("'") + QV_DATAGEN + "' '" + m_dir.Path() + "' --scene-seconds " +
                                     SCENE_SECONDS + " > datagen.txt 2>&1";
        ASSERT_EQ(0, std::system(generate.c_str())) << m_dir.Read("datagen.txt");
    }

    // Runs the program with the key script; a program that is still running after _seconds
    // is stopped and reads as exit code -1000. Only a hung program takes that long: a start
    // takes half a minute, many minutes on a busy machine, and the test's own timeout is longer.
    int RunProgram(const std::string& _keys, int _seconds = 1400)
    {
        m_dir.Write("keys.txt", _keys);
        const std::string command = "QV_KEY_SCRIPT='" + m_dir.Path() +
                                    "/keys.txt' SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout -s KILL " +
                                    std::to_string(_seconds) + " '" + QV_PROGRAM +
                                    "' -window > stdout.txt 2> stderr.txt";
        const int status = std::system(command.c_str());
        if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) == 137)
            return -1000;
        return WEXITSTATUS(status);
    }

    std::vector<std::string> Lines(const std::string& _name) const
    {
        std::vector<std::string> lines;
        std::istringstream text(m_dir.Read(_name));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        return lines;
    }

    // What every results file holds: the frame of texts around the figures, the run's
    // settings, the pinned figures and the format of those that depend on the machine's speed.
    // _warning is the line between the empty lines after the dashes, or empty.
    void ExpectResults(const std::string& _warning, const char* _pixelShader, const char* _texture)
    {
        SCOPED_TRACE(m_dir.Read("quorvex.txt"));
        const std::string text = m_dir.Read("quorvex.txt");
        ASSERT_FALSE(text.empty());
        EXPECT_EQ('\n', text.back());
        std::vector<std::string> lines = Lines("quorvex.txt");
        ASSERT_EQ(_warning.empty() ? 24u : 25u, lines.size());
        EXPECT_NE("", lines[0]);  // the banner
        EXPECT_EQ(std::string(60, '-'), lines[1]);
        EXPECT_EQ("", lines[2]);
        u32 at = 3;
        if (!_warning.empty()) {
            EXPECT_EQ(_warning, lines[at++]);
        }
        EXPECT_EQ("", lines[at++]);
        EXPECT_EQ("RESOLUTION : 640x480x16", lines[at++]);
        EXPECT_EQ("FSAA       : NONE", lines[at++]);
        EXPECT_EQ(std::string("PIXELSHADER: ") + _pixelShader, lines[at++]);
        EXPECT_EQ(std::string("TEXTURE    : ") + _texture, lines[at++]);
        // "%.2f" and a blank before the end of the line.
        EXPECT_TRUE(std::regex_match(lines[at++], std::regex("SECONDS    : [0-9]+\\.[0-9]{2} "))) << lines[at - 1];
        const std::regex counter(" : -?[0-9]+");
        const std::regex fps(" : [0-9]+\\.[0-9]");
        const char* const machineCounters[] = {"MIN POLY/S", "MAX POLY/S"};
        const char* const machineRates[] = {"MIN FPS   ", "MAX FPS   ", "AVG FPS   "};
        if (_warning.empty() || _warning.find("USER BREAK") != std::string::npos) {
            EXPECT_EQ(NUM_FRAMES, lines[at++]);
            EXPECT_EQ(NUM_POLYS, lines[at++]);
            EXPECT_EQ(MIN_POLY_F, lines[at++]);
            EXPECT_EQ(MAX_POLY_F, lines[at++]);
        } else {
            for (const char* name : {"NUM FRAMES", "NUM POLYS ", "MIN POLY/F", "MAX POLY/F"}) {
                EXPECT_EQ(name, lines[at].substr(0, 10));
                EXPECT_TRUE(std::regex_match(lines[at].substr(10), counter)) << lines[at];
                ++at;
            }
        }
        for (const char* name : machineCounters) {
            EXPECT_EQ(name, lines[at].substr(0, 10));
            EXPECT_TRUE(std::regex_match(lines[at].substr(10), counter)) << lines[at];
            ++at;
        }
        for (const char* name : machineRates) {
            EXPECT_EQ(name, lines[at].substr(0, 10));
            EXPECT_TRUE(std::regex_match(lines[at].substr(10), fps)) << lines[at];
            ++at;
        }
        EXPECT_EQ("", lines[at++]);
        EXPECT_EQ("Thank you for using Quorvex.", lines[at++]);
        EXPECT_EQ("", lines[at++]);
        EXPECT_NE("", lines[at++]);  // the program's web page
        EXPECT_EQ("", lines[at++]);
        EXPECT_NE("", lines[at++]);  // the product family's web page
    }

    // A run that ended normally leaves neither script errors nor a fatal error in the log
    // (which a program that logs nothing does not write at all).
    void ExpectCleanLog() const
    {
        const std::string log = m_dir.Read("log.txt");
        EXPECT_EQ(std::string::npos, log.find("[SCRIPTERROR]")) << log;
        EXPECT_EQ(std::string::npos, log.find("[TERMINATION]")) << log;
        EXPECT_EQ(std::string::npos, log.find("key script")) << log;  // every key script line is good
    }

    // The probes' lines, once each for each run of the start.
    void ExpectEffects(size_t _runs) const
    {
        std::vector<std::string> lines;
        for (const std::string& line : Lines("log.txt"))
            if (line.compare(0, 14, "[LOG] effects:") == 0 || line.compare(0, 12, "[LOG] armed:") == 0 ||
                line.compare(0, 13, "[LOG] orders:") == 0 || line.compare(0, 12, "[LOG] story:") == 0 ||
                line.compare(0, 12, "[LOG] Maren:") == 0 || line.compare(0, 13, "[LOG] Toller:") == 0)
                lines.push_back(line);
        std::vector<std::string> expected;
        for (size_t run = 0; run < _runs; ++run) {
            expected.insert(expected.end(), STORY.begin(), STORY.end());
            expected.push_back(EFFECTS);
            expected.push_back(ARMED);
            expected.push_back(ORDERS);
        }
        EXPECT_EQ(expected, lines) << m_dir.Read("log.txt");
    }

    TST_TempDir m_dir;
};

TEST_F(ProgramEndToEndTest, IntroSetupRunResultsAndOutro)
{
    const std::string keys = std::string(INTRO) + SETUP + RUN + CONTINUE + EXIT;
    ASSERT_EQ(0, RunProgram(keys)) << m_dir.Read("stderr.txt") << m_dir.Read("log.txt");
    ExpectResults("", "NO", "32MB");
    ExpectCleanLog();
    ExpectEffects(1);
}

TEST_F(ProgramEndToEndTest, TwoRunsOfOneStartWriteTheSameFigures)
{
    // The second run is built from nothing again and computes the same frames as the run of
    // the start above.
    const std::string keys = std::string(INTRO) + SETUP + RUN + CONTINUE + RUN + CONTINUE + EXIT;
    ASSERT_EQ(0, RunProgram(keys)) << m_dir.Read("stderr.txt") << m_dir.Read("log.txt");
    ExpectResults("", "NO", "32MB");
    ExpectCleanLog();
    ExpectEffects(2);
}

TEST_F(ProgramEndToEndTest, AScriptWithoutACameraStopsTheRunAndMarksTheResultsInvalid)
{
    // "/player1" but no camera: the run's first frame is rendered before any simulation step,
    // so the renderer is the first to find the camera missing.
    m_dir.Write("map/kovra1/script/quorvex.sco", "function __StartUp()\n"
                                                 "    local root = Node_Find(nil, '/')\n"
                                                 "    Node_AddSon(root, Node_CreateNode(nil, 'nod_body', 'player1'))\n"
                                                 "end\n");
    const std::string keys = std::string(INTRO) + RUN;
    const int code = RunProgram(keys);
    EXPECT_NE(0, code);
    EXPECT_NE(-1000, code) << "the program did not stop by itself";
    const std::string errors = m_dir.Read("stderr.txt");
    EXPECT_NE(std::string::npos, errors.find("no camera or wrong camera node type")) << errors;
    std::vector<std::string> terminations;
    for (const std::string& line : Lines("log.txt"))
        if (line.compare(0, 13, "[TERMINATION]") == 0)
            terminations.push_back(line);
    const std::vector<std::string> expected = {
        "[TERMINATION] Brisel_Renderer::Render() no camera or wrong camera node type"};
    EXPECT_EQ(expected, terminations);
    // The emergency clean-up writes the file with the warning; the menu applied the defaults.
    ExpectResults(">>>> WARNING - RESULTS ARE INVALID DUE TO FATAL ERROR <<<<", "YES", "24MB");
}

}  // namespace

#endif
