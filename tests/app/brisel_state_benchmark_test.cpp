// The benchmark run: creation and teardown of the run objects, the frame loop and its clocks,
// the ways a run ends, the head-up display lines, the result record and the results file.
#include "brisel_state_benchmark.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app.h"
#include "brisel_cache.h"
#include "brisel_programdata.h"
#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "brisel_simulation.h"
#include "brisel_soundsystem.h"
#include "brisel_spawn.h"
#include "brisel_state_menu.h"
#include "clock_fixture.h"
#include "dev_fake.h"
#include "dsp_display.h"
#include "hud_statistic.h"
#include "inp_fixture.h"
#include "inp_keyboard.h"
#include "nod_game.h"
#include "nod_hud.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_shieldedbody.h"
#include "plt_system.h"
#include "rti_class.h"
#include "sim_clock.h"
#include "snd_sounddevice.h"
#include "tools_sample_data.h"
#include "tools_sample_scenario.h"
#include "tools_scenario.h"

namespace
{

const char* const SCRIPT = "missions\\scene";

std::vector<std::string> SplitLines(const std::string& _text)
{
    std::vector<std::string> lines;
    std::istringstream in(_text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Everything a run needs around it, in the working directory: the renderer's files, the glue
// library, a scenario (a player and a camera following it, nothing else), the sound device and
// the recording display. Free of the test framework's assertions, so that a child process can
// use it too.
class TST_RunWorld
{
public:
    explicit TST_RunWorld(const TST_TempDir& _dir, bool _camera = true, bool _sample = false)
    {
        TST_WriteRendererData(_dir);
        for (const auto& file : TOOL_EmbeddedData())
            _dir.Write(file.first, file.second);
        _dir.Write("ini/sound.des", "[Sound]\n{\n    SoundOn = 1\n    NumOfChannels = 2\n    Rate = 22050\n"
                                    "    Bits = 16\n}\n");
        TOOL_Scenario scenario;
        scenario.terrain = scenario.plants = scenario.plankton = scenario.rays = false;
        scenario.camera = _camera;
        // The sample run's own scene, 3 seconds long.
        if (_sample)
            scenario = TOOL_SampleScenarioDescription(3.0f);
        for (const auto& file : TOOL_ScenarioFiles(scenario))
            _dir.Write(file.first, file.second);
        _dir.Write("missions/scene.sco", TOOL_ScenarioScript(scenario));

        SIM_GetSimulationClock().Reset();
        SIM_GetFrameClock().Reset();
        Brisel_SoundDevice = new SND_SoundDevice2D("ini\\sound.des");
        u32 ok = 0;
        m_display = new DSP_Display(&ok, nullptr, nullptr, 1);
        DSP_BoardInfo board;
        m_display->OpenBoard(&board);
        m_display->OpenResolution(640, 480, 32, 0);
        SITO_DISPLAY = m_display;
        m_keyboard = new INP_Keyboard();
        SITO_KEYBOARD = m_keyboard;
    }
    ~TST_RunWorld()
    {
        delete Brisel_CurrentState;
        Brisel_CurrentState = nullptr;
        Brisel_EmergencyCleanupDone = 0;
        SITO_KEYBOARD = nullptr;
        delete m_keyboard;
        delete Brisel_SoundDevice;  // the emergency clean-up may have taken it
        Brisel_SoundDevice = nullptr;
        SITO_DISPLAY = nullptr;
        delete m_display;
        SIM_GetSimulationClock().Reset();
        SIM_GetFrameClock().Set(0.0f, 0.0f);
    }
    TST_RunWorld(const TST_RunWorld&) = delete;
    TST_RunWorld& operator=(const TST_RunWorld&) = delete;

    TST_FakeGraphics fake;
    DSP_Display* m_display = nullptr;
    INP_Keyboard* m_keyboard = nullptr;
};

class BenchmarkRunTest : public INP_TestBase
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(INP_TestBase::SetUp());
        TST_ResetRendererGlobals();
        Brisel_EmergencyCleanupDone = 0;
        m_clock.Set(0.0);
    }
    void TearDown() override
    {
        m_state.reset();
        m_world.reset();
        ExpectNoRun();
        INP_TestBase::TearDown();
    }

    // The world and a state entered on it.
    void Start()
    {
        if (m_world == nullptr)
            m_world.reset(new TST_RunWorld(m_dir));
        m_state.reset(new Brisel_State_Benchmark(SCRIPT));
        m_state->Enter();
    }

    // One frame at real time _seconds; the successor state, deleted, or null while the run goes on.
    bool Frame(f64 _seconds = 0.0)
    {
        m_clock.Set(_seconds);
        Brisel_State* next = m_state->HeartBeat();
        if (next == m_state.get())
            return false;
        EXPECT_NE(nullptr, dynamic_cast<Brisel_State_Menu*>(next));
        delete next;
        return true;
    }

    void PressEscape()
    {
        PushKey(SDL_SCANCODE_ESCAPE, true);
        Pump();
    }
    static void EndGame()
    {
        NOD_Node* root = NOD_Node::GetRoot();
        delete root->ProcessMessage(NOD_Game_EndGame::Create());
    }

    static void ExpectNoRun()
    {
        EXPECT_EQ(nullptr, Brisel_TheCache);
        EXPECT_EQ(nullptr, Brisel_TheSoundSystem);
        EXPECT_EQ(nullptr, Brisel_Renderer::Get());
        EXPECT_EQ(nullptr, Brisel_TheSpawn);
        EXPECT_EQ(nullptr, Brisel_TheSimulation);
    }
    static void ExpectWholeRun()
    {
        EXPECT_NE(nullptr, Brisel_TheCache);
        EXPECT_NE(nullptr, Brisel_TheSoundSystem);
        EXPECT_NE(nullptr, Brisel_Renderer::Get());
        EXPECT_NE(nullptr, Brisel_TheSpawn);
        EXPECT_NE(nullptr, Brisel_TheSimulation);
    }

    // _visit on _node and everything under it.
    template <class F>
    static void Walk(NOD_Node* _node, const F& _visit)
    {
        _visit(_node);
        for (s32 i = 0; i < (s32)_node->GetNumOfSons(); ++i)
            Walk(_node->GetSon(i), _visit);
    }

    std::vector<std::string> Results() const { return SplitLines(m_dir.Read("quorvex.txt")); }
    static HUD_Statistic* Panel()
    {
        NOD_Hud* hud = NOD_Hud::DynamicCast(NOD_Node::GetRoot()->Find(SIM_Path("/hud")));
        return hud != nullptr ? hud->GetStatistic() : nullptr;
    }

    TST_ManualClock m_clock;  // before m_world, whose fake graphics replace the platform system after it
    std::unique_ptr<TST_RunWorld> m_world;
    std::unique_ptr<Brisel_State_Benchmark> m_state;
};

TEST_F(BenchmarkRunTest, TheFirstFourFramesStepTheClocksOneOneAndNone)
{
    Start();
    ExpectWholeRun();
    EXPECT_STREQ(SCRIPT, m_state->GetScriptPath());
    // The scene's loading frames count for nothing, and the panel shows.
    EXPECT_EQ(0u, Brisel_Renderer::Get()->GetStatistics().numFrames);
    ASSERT_NE(nullptr, Panel());
    EXPECT_EQ(1u, Panel()->IsVisible());

    const struct
    {
        u32 steps;
        f32 simulationTime;
        f32 frameTime;
        f32 fraction;
    } frames[] = {
        {0, 0.0f, 0.0f, 1.0f},
        {1, 0.05f, (f32)(1.0 / 30.0), 2.0f / 3.0f},
        {2, 0.1f, (f32)(2.0 / 30.0), 1.0f / 3.0f},
        {2, 0.1f, (f32)(3.0 / 30.0), 1.0f},
    };
    f64 runClock = 0.0;
    for (size_t i = 0; i < sizeof(frames) / sizeof(frames[0]); ++i) {
        SCOPED_TRACE(i);
        ASSERT_FALSE(Frame());
        const SIM_FrameClock& frame = SIM_GetFrameClock();
        EXPECT_EQ(frames[i].steps, Brisel_TheSimulation->stepCounter);
        EXPECT_FLOAT_EQ(frames[i].simulationTime, SIM_GetSimulationClock().time);
        EXPECT_FLOAT_EQ(frames[i].frameTime, frame.time);
        EXPECT_NEAR(frames[i].fraction, frame.fraction, 1e-5f);
        EXPECT_EQ((u32)(i + 1), Brisel_Renderer::Get()->GetStatistics().numFrames);
        if (i == 0) {
            // Frame step 0: infinite reciprocals, no trap.
            EXPECT_EQ(0.0f, frame.dt);
            EXPECT_TRUE(std::isinf(frame.oneOverDt));
            EXPECT_TRUE(std::isinf(frame.twoOverDtSquared));
        } else {
            EXPECT_FLOAT_EQ((f32)(1.0 / 30.0), frame.dt);
        }
        runClock += 1.0 / 30.0;
        EXPECT_EQ(runClock, m_state->GetRunClock());  // 1/30 added in double precision
    }
}

TEST_F(BenchmarkRunTest, EscapeOnTheFirstFrameEndsBeforeAnyFrameIsDrawn)
{
    Start();
    m_world->fake.Forget();
    PressEscape();
    EXPECT_TRUE(Frame());
    EXPECT_EQ(1u, m_state->IsUserBreak());
    EXPECT_EQ(0u, m_world->fake.Count("Present"));
    EXPECT_EQ(0u, Brisel_Renderer::Get()->GetStatistics().numFrames);
}

// The sample scene's fight, run headless twice: every bullet, torpedo, buzzer, debris and
// shrapnel node seen at the end of a frame counts once by its class; a frame in which the armed
// bodies' shields lost strength counts as a shield hit.
TEST_F(BenchmarkRunTest, TheSampleSceneFightsAndEveryRunFightsTheSame)
{
    std::vector<std::map<std::string, s32>> runs;
    for (s32 run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        m_clock.Set(0.0);
        m_world.reset(new TST_RunWorld(m_dir, true, true));
        m_state.reset(new Brisel_State_Benchmark(SCRIPT));
        m_state->Enter();
        std::map<std::string, std::set<u32>> seen;
        std::map<std::string, s32> counts;
        f64 lastShield = -1.0;
        const char* const classes[] = {"NOD_Bullet", "NOD_Torpedo", "NOD_Buzzer", "NOD_Debris", "NOD_Shrapnel"};
        bool ended = false;
        for (s32 frame = 1; frame < 400 && !ended; ++frame) {
            ended = Frame(frame / 30.0);
            if (ended)
                break;
            f64 shield = 0.0;
            Walk(NOD_Node::GetRoot(), [&](NOD_Node* _node) {
                for (const char* name : classes)
                    if (_node->IsKindOf(RTI_ClassDefinition::Find(name)))
                        seen[name].insert(_node->GetHandle());
                for (const char* name : {"NOD_Vessel", "NOD_Vehicle", "NOD_Generic"})
                    if (_node->IsKindOf(RTI_ClassDefinition::Find(name)))
                        for (s32 face = 0; face < 6; ++face)
                            shield += static_cast<NOD_ShieldedBody*>(_node)->GetShieldRef().GetFaceRatio(face);
            });
            if (lastShield >= 0.0 && shield < lastShield)
                ++counts["shield hits"];
            lastShield = shield;
        }
        ASSERT_TRUE(ended);
        // The weak vessel was shot to death.
        EXPECT_EQ(nullptr, NOD_Node::GetRoot()->Find(SIM_Path("/vessel1")));
        m_state->Leave();
        m_state.reset();
        m_world.reset();
        for (const char* name : classes) {
            counts[name] = (s32)seen[name].size();
            EXPECT_LT(0, counts[name]) << name;
        }
        EXPECT_LT(0, counts["shield hits"]);
        runs.push_back(counts);
    }
    EXPECT_EQ(runs[0], runs[1]);
}

TEST_F(BenchmarkRunTest, TheEndOfTheGameEndsTheRunAndEscapeOnTheSameFrameIsAUserBreak)
{
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape);
        Start();
        ASSERT_FALSE(Frame());
        EndGame();
        if (escape)
            PressEscape();
        EXPECT_TRUE(Frame());
        EXPECT_EQ(escape ? 1u : 0u, m_state->IsUserBreak());
        EXPECT_EQ(1u, Brisel_Renderer::Get()->GetStatistics().numFrames);
        m_state->Leave();
        ExpectNoRun();
        EXPECT_EQ(escape ? 1u : 0u, Brisel_GetProgramData().result.userBreak);
        m_state.reset();
        // Let the keyboard see Escape go up before the next run.
        PushKey(SDL_SCANCODE_ESCAPE, false);
        Pump();
        m_world->m_keyboard->UpdateKeymap();
    }
}

TEST_F(BenchmarkRunTest, RunObjectsGoOnceWhetherLeaveOrTheDestructorComesFirstAndASecondRunStartsAfresh)
{
    // Leave, then the deletion.
    Start();
    ASSERT_FALSE(Frame());
    m_state->Leave();
    EXPECT_EQ(1u, m_state->IsTornDown());
    ExpectNoRun();
    m_state.reset();
    ExpectNoRun();
    ASSERT_TRUE(m_dir.Exists("quorvex.txt"));

    // A second run builds everything again; deleted without Leave it writes no results.
    std::remove("quorvex.txt");
    Start();
    ExpectWholeRun();
    EXPECT_EQ(0u, Brisel_TheSimulation->stepCounter);
    for (s32 i = 0; i < 4; ++i)
        ASSERT_FALSE(Frame());
    EXPECT_EQ(2u, Brisel_TheSimulation->stepCounter);
    m_state.reset();
    ExpectNoRun();
    EXPECT_FALSE(m_dir.Exists("quorvex.txt"));
}

TEST_F(BenchmarkRunTest, TheHudShowsElevenLinesOnceARealSecondHasPassed)
{
    Start();
    HUD_Statistic* panel = Panel();
    ASSERT_NE(nullptr, panel);
    ASSERT_FALSE(Frame(0.5));
    EXPECT_STREQ("", panel->GetLine(0));  // not a second yet
    ASSERT_FALSE(Frame(0.9));
    ASSERT_FALSE(Frame(1.0));  // the renderer samples the fps too, after the lines
    EXPECT_STREQ("QUORVEX V2.1", panel->GetLine(0));
    // Before the first sample the minima are their sentinels: -1 and a float too long for a
    // line of 31 characters.
    EXPECT_STREQ("MIN PPS : -1", panel->GetLine(5));
    EXPECT_STREQ("MIN FPS : 340282346638528859811", panel->GetLine(8));
    EXPECT_STREQ("MAX FPS : 0.0", panel->GetLine(9));
    EXPECT_STREQ("", panel->GetLine(11));
    ASSERT_FALSE(Frame(1.5));
    EXPECT_STREQ("MIN FPS : 340282346638528859811", panel->GetLine(8));  // not again before 2.0
    // What the lines show next: the figures before the frame's own sample.
    const Brisel_Statistics statistics = Brisel_Renderer::Get()->GetStatistics();
    ASSERT_FALSE(Frame(2.1));  // the clock ran on a little after the refresh at 1.0
    const std::vector<std::string> expected = {
        "QUORVEX V2.1",
        "ACT PPF : " + std::to_string((s32)statistics.polygonsThisFrame),
        "MIN PPF : " + std::to_string((s32)statistics.minPolygonsPerFrame),
        "MAX PPF : " + std::to_string((s32)statistics.maxPolygonsPerFrame),
        "ACT PPS : " + std::to_string((s32)statistics.polygonsPerSecond),
        "MIN PPS : " + std::to_string((s32)statistics.minPolygonsPerSecond),
        "MAX PPS : " + std::to_string((s32)statistics.maxPolygonsPerSecond),
        "ACT FPS : 3.0",  // three frames in the second up to 1.0: sampled at 1.0 (the frames
        "MIN FPS : 3.0",  // before it), shown at 2.0
        "MAX FPS : 3.0",
        "AVG FPS : 3.0",
    };
    for (s32 i = 0; i < 11; ++i)
        EXPECT_EQ(expected[i], panel->GetLine(i)) << i;
}

// ---- results ----

// The fixed part of the file: everything but the figures' values.
void ExpectStructure(const std::vector<std::string>& _lines, const char* _warning)
{
    std::vector<std::string> lines = _lines;
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(0u, lines[0].find("HALVANE - QUORVEX V2.1")) << lines[0];
    EXPECT_EQ(std::string(60, '-'), lines[1]);
    EXPECT_EQ("", lines[2]);
    size_t at = 3;
    if (_warning != nullptr) {
        EXPECT_EQ(_warning, lines[at]);
        ++at;
    }
    const char* const keys[] = {"",
                                "RESOLUTION : ",
                                "FSAA       : ",
                                "PIXELSHADER: ",
                                "TEXTURE    : ",
                                "SECONDS    : ",
                                "NUM FRAMES : ",
                                "NUM POLYS  : ",
                                "MIN POLY/F : ",
                                "MAX POLY/F : ",
                                "MIN POLY/S : ",
                                "MAX POLY/S : ",
                                "MIN FPS    : ",
                                "MAX FPS    : ",
                                "AVG FPS    : ",
                                "",
                                "Thank you for using Quorvex.",
                                ""};
    ASSERT_EQ(at + sizeof(keys) / sizeof(keys[0]) + 3, lines.size());
    for (const char* key : keys) {
        EXPECT_EQ(0u, lines[at].find(key)) << lines[at];
        if (*key == '\0' || (key[0] == 'T' && key[1] == 'h')) {
            EXPECT_EQ(key, lines[at]);
        }
        ++at;
    }
    EXPECT_NE(std::string::npos, lines[at].find("Quorvex"));
    EXPECT_EQ(std::string::npos, lines[at].find("://"));  // no address
    EXPECT_EQ("", lines[at + 1]);
    EXPECT_NE(std::string::npos, lines[at + 2].find("Halvane"));
    EXPECT_EQ(std::string::npos, lines[at + 2].find("://"));
}

std::string Value(const std::vector<std::string>& _lines, const std::string& _key)
{
    for (const std::string& line : _lines)
        if (line.compare(0, _key.size(), _key) == 0)
            return line.substr(_key.size());
    return "<missing>";
}

TEST_F(BenchmarkRunTest, ANormalEndFillsTheRecordAndTheFileFromTheSettingsAndStatistics)
{
    Brisel_DisplaySettings& display = Brisel_GetProgramData().display;
    display.width = 800;
    display.height = 600;
    display.depth = 16;
    display.fsaaSamples = 4;
    display.textureMegabytes = 32;
    display.pixelShaders = 1;
    Start();
    for (s32 i = 0; i < 8; ++i)
        ASSERT_FALSE(Frame(i * 0.4));
    EndGame();
    EXPECT_TRUE(Frame(3.2));
    const Brisel_Statistics statistics = Brisel_Renderer::Get()->GetStatistics();
    m_clock.Set(3.25);
    m_state->Leave();

    const Brisel_ResultRecord& record = Brisel_GetProgramData().result;
    EXPECT_EQ(0u, record.userBreak);
    EXPECT_EQ(800, record.width);
    EXPECT_EQ(600, record.height);
    EXPECT_EQ(16, record.depth);
    EXPECT_EQ(4, record.fsaaSamples);
    EXPECT_EQ(32, record.textureMegabytes);
    EXPECT_EQ(1u, record.pixelShaders);
    EXPECT_NEAR(3.25f, record.seconds, 0.05f);
    EXPECT_EQ(8u, record.frames);
    EXPECT_EQ(statistics.numPolygons, record.polygons);
    EXPECT_EQ(statistics.minPolygonsPerFrame, record.minPolygonsPerFrame);
    EXPECT_EQ(statistics.maxPolygonsPerSecond, record.maxPolygonsPerSecond);
    EXPECT_EQ(statistics.minFps, record.minFps);
    EXPECT_EQ(statistics.avgFps, record.avgFps);

    const std::vector<std::string> lines = Results();
    ExpectStructure(lines, nullptr);
    EXPECT_EQ("800x600x16", Value(lines, "RESOLUTION : "));
    EXPECT_EQ("4 SAMPLE", Value(lines, "FSAA       : "));
    EXPECT_EQ("YES", Value(lines, "PIXELSHADER: "));
    EXPECT_EQ("32MB", Value(lines, "TEXTURE    : "));
    EXPECT_EQ("3.2", Value(lines, "SECONDS    : ").substr(0, 3));
    EXPECT_EQ(' ', Value(lines, "SECONDS    : ").back());  // the blank after the figure
    EXPECT_EQ("8", Value(lines, "NUM FRAMES : "));
    EXPECT_EQ(std::to_string(statistics.numPolygons), Value(lines, "NUM POLYS  : "));
    EXPECT_EQ(OS_Format("%.1f", (f64)statistics.minFps), Value(lines, "MIN FPS    : "));
    EXPECT_EQ(OS_Format("%.1f", (f64)statistics.avgFps), Value(lines, "AVG FPS    : "));
}

TEST_F(BenchmarkRunTest, EscapeWritesTheUserBreakWarningOverTheMeasuredFiguresAndAZeroRecord)
{
    Start();
    for (s32 i = 0; i < 5; ++i)
        ASSERT_FALSE(Frame(i * 0.5));
    PressEscape();
    EXPECT_TRUE(Frame(2.5));
    m_state->Leave();
    const Brisel_ResultRecord& record = Brisel_GetProgramData().result;
    EXPECT_EQ(1u, record.userBreak);
    EXPECT_EQ(0, record.width);
    EXPECT_EQ(0u, record.frames);
    EXPECT_EQ(0.0f, record.seconds);
    const std::vector<std::string> lines = Results();
    ExpectStructure(lines, ">>>> WARNING - RESULTS ARE INVALID DUE TO USER BREAK <<<<");
    EXPECT_EQ("5", Value(lines, "NUM FRAMES : "));
    EXPECT_EQ("1024x768x32", Value(lines, "RESOLUTION : "));
    EXPECT_EQ("NONE", Value(lines, "FSAA       : "));
    EXPECT_EQ("NO", Value(lines, "PIXELSHADER: "));
}

TEST_F(BenchmarkRunTest, ARunUnderOneSecondShowsTheUnsampledSentinels)
{
    Start();
    for (s32 i = 0; i < 3; ++i)
        ASSERT_FALSE(Frame(i * 0.2));
    EndGame();
    EXPECT_TRUE(Frame(0.6));
    m_state->Leave();
    const Brisel_ResultRecord& record = Brisel_GetProgramData().result;
    EXPECT_EQ(0u, record.userBreak);
    EXPECT_EQ(3.4028235e38f, record.minFps);
    EXPECT_EQ(0xFFFFFFFFu, record.minPolygonsPerSecond);
    const std::vector<std::string> lines = Results();
    ExpectStructure(lines, nullptr);
    EXPECT_EQ("340282346638528859811704183484516925440.0", Value(lines, "MIN FPS    : "));
    EXPECT_EQ("0.0", Value(lines, "MAX FPS    : "));
    EXPECT_EQ("0.0", Value(lines, "AVG FPS    : "));
    EXPECT_EQ("-1", Value(lines, "MIN POLY/S : "));
    EXPECT_EQ("3", Value(lines, "NUM FRAMES : "));
}

TEST_F(BenchmarkRunTest, AFatalErrorDuringTheRunLeavesItWithTheFatalErrorWarning)
{
    // The script makes no camera: the first frame stops the program.
    m_world.reset(new TST_RunWorld(m_dir, false));
    Start();
    EXPECT_FATAL(Frame(0.0), "Brisel_Renderer::Render()", "no camera or wrong camera node type");
    // As OS_Fatal's clean-up does next.
    Brisel_CurrentState = m_state.release();
    Brisel_EmergencyCleanup();
    EXPECT_EQ(nullptr, Brisel_CurrentState);
    ExpectNoRun();
    const Brisel_ResultRecord& record = Brisel_GetProgramData().result;
    EXPECT_EQ(1u, record.userBreak);
    EXPECT_EQ(0u, record.frames);
    const std::vector<std::string> lines = Results();
    ExpectStructure(lines, ">>>> WARNING - RESULTS ARE INVALID DUE TO FATAL ERROR <<<<");
    EXPECT_EQ("0", Value(lines, "NUM FRAMES : "));
}

TEST_F(BenchmarkRunTest, AHalfBuiltRunIsLeftWithWhatExists)
{
    // No display: the renderer exists, its display set-up stops the run; the clean-up leaves
    // what was made.
    m_world.reset(new TST_RunWorld(m_dir));
    SITO_DISPLAY = nullptr;
    Brisel_CurrentState = new Brisel_State_Benchmark(SCRIPT);
    EXPECT_FATAL(Brisel_CurrentState->Enter(), "Brisel_Renderer::CreateDisplay()", "no display");
    EXPECT_NE(nullptr, Brisel_Renderer::Get());
    EXPECT_EQ(nullptr, Brisel_TheSpawn);
    Brisel_EmergencyCleanup();
    SITO_DISPLAY = m_world->m_display;
    ExpectNoRun();
    ExpectStructure(Results(), ">>>> WARNING - RESULTS ARE INVALID DUE TO FATAL ERROR <<<<");
    EXPECT_EQ("0", Value(Results(), "NUM FRAMES : "));

    // Without a renderer the statistics read as zero.
    Brisel_EmergencyCleanupDone = 0;
    Brisel_State_Benchmark never(SCRIPT);
    never.Leave();
    const std::vector<std::string> lines = Results();
    ExpectStructure(lines, nullptr);
    for (const char* key : {"MIN POLY/F : ", "MIN POLY/S : ", "NUM POLYS  : "})
        EXPECT_EQ("0", Value(lines, key)) << key;
    for (const char* key : {"MIN FPS    : ", "MAX FPS    : ", "AVG FPS    : "})
        EXPECT_EQ("0.0", Value(lines, key)) << key;
}

TEST_F(BenchmarkRunTest, AResultsFileThatCannotBeWrittenIsLoggedAndTheRunEndsAsUsual)
{
    ASSERT_EQ(0, mkdir("quorvex.txt", 0755));
    Start();
    ASSERT_FALSE(Frame());
    EndGame();
    EXPECT_TRUE(Frame(0.1));
    m_state->Leave();
    ExpectNoRun();
    EXPECT_EQ(0u, Brisel_GetProgramData().result.userBreak);
    EXPECT_EQ(1u, Brisel_GetProgramData().result.frames);
    bool logged = false;
    for (const std::string& line : LogLines())
        logged = logged || line.find("results file \"quorvex.txt\" cannot be opened") != std::string::npos;
    EXPECT_TRUE(logged);
    rmdir("quorvex.txt");
}

// ---- the allocation log, in a process of its own (the log is chosen at the first allocation
// after the command line is known) ----

void RunWithAllocationLog()
{
    OS_SetCommandLine("-logmem");
    PLT_GetSystem()->Init();
    {
        TST_TempDir dir;
        int status = 1;
        {
            TST_RunWorld world(dir);
            Brisel_State_Benchmark* state = new Brisel_State_Benchmark(SCRIPT);
            state->Enter();
            state->Leave();
            delete state;
            std::vector<std::string> info;
            for (const std::string& line : SplitLines(dir.Read("logmem.txt")))
                if (line.compare(0, 6, "INFO: ") == 0)
                    info.push_back(line);
            const std::vector<std::string> expected = {
                "INFO: creating brisel cache",       "INFO: brisel cache created",
                "INFO: creating brisel soundsystem", "INFO: brisel soundsystem created",
                "INFO: creating brisel renderer",    "INFO: brisel renderer created",
                "INFO: creating brisel display",     "INFO: brisel display created",
                "INFO: creating brisel spawner",     "INFO: brisel spawner created",
                "INFO: creating brisel simulation",  "INFO: brisel simulation created",
                "INFO: creating brisel scene graph", "INFO: brisel scene graph created",
            };
            if (info == expected) {
                status = 0;
            } else {
                for (const std::string& line : info)
                    fprintf(stderr, "%s\n", line.c_str());
            }
        }
        PLT_GetSystem()->Shutdown();
        fflush(stderr);
        _exit(status);
    }
}

TEST(BenchmarkRunLogTest, EachCreationStepIsFramedInTheAllocationLogInOrder)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunWithAllocationLog(), testing::ExitedWithCode(0), "");
}

}  // namespace
