// The application function's phases, its state machine and the display configuration.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app.h"
#include "app_state.h"
#include "brisel_renderer.h"
#include "brisel_state_menu.h"
#include "dev_fake.h"
#include "dsp_display.h"
#include "inp_joystick.h"
#include "inp_keyboard.h"
#include "inp_mouse.h"
#include "os_shell.h"
#include "test_dir.h"
#include "utl_quickintegrator.h"

namespace
{

std::vector<std::string> s_calls;

// A state that logs what happens to it and answers HeartBeat as told.
class TestState : public Brisel_State
{
public:
    explicit TestState(const char* _name) : m_name(_name) { s_calls.push_back(m_name + ".ctor"); }
    ~TestState() override { s_calls.push_back(m_name + ".dtor"); }
    void Enter() override { s_calls.push_back(m_name + ".Enter"); }
    Brisel_State* HeartBeat() override
    {
        s_calls.push_back(m_name + ".HeartBeat");
        if (m_staySteps > 0) {
            --m_staySteps;
            return this;
        }
        return m_next != nullptr ? new TestState(m_next) : nullptr;
    }
    void Paint() override { s_calls.push_back(m_name + ".Paint"); }
    void Leave() override { s_calls.push_back(m_name + ".Leave"); }

    std::string m_name;
    u32 m_staySteps = 0;
    const char* m_next = nullptr;
};

class AppTest : public testing::Test
{
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset()
    {
        UTL_QuickIntegrator::DestroyAll();
        delete Brisel_CurrentState;
        Brisel_CurrentState = nullptr;
        Brisel_ShutdownDone = 0;
        Brisel_EmergencyCleanupDone = 0;
        s_calls.clear();
        OS_SetCommandLine("");
    }
};

TEST_F(AppTest, FirstStepEntersTheInitialStateWhichHandsOverToTheMenu)
{
    EXPECT_EQ(0, app(1));
    ASSERT_NE(nullptr, dynamic_cast<Brisel_State_Init*>(Brisel_CurrentState));
    // The menu is built by the initial state's step; building it touches nothing else.
    Brisel_State* next = Brisel_CurrentState->HeartBeat();
    EXPECT_NE(nullptr, dynamic_cast<Brisel_State_Menu*>(next));
    delete next;
    Brisel_CurrentState->Leave();
    delete Brisel_CurrentState;
    Brisel_CurrentState = nullptr;
}

TEST_F(AppTest, SwitchBuildsTheSuccessorBeforeLeavingAndEntersItAfterTheDelete)
{
    TestState* first = new TestState("a");
    first->m_staySteps = 1;
    first->m_next = "b";
    Brisel_CurrentState = first;
    s_calls.clear();

    EXPECT_EQ(0, app(1));  // stays
    EXPECT_EQ(first, Brisel_CurrentState);
    EXPECT_EQ(0, app(1));  // switches
    EXPECT_EQ((std::vector<std::string>{"a.HeartBeat", "a.HeartBeat", "b.ctor", "a.Leave", "a.dtor", "b.Enter"}),
              s_calls);

    s_calls.clear();
    EXPECT_EQ(1, app(1));  // b names no successor
    EXPECT_EQ((std::vector<std::string>{"b.HeartBeat", "b.Leave", "b.dtor"}), s_calls);
    EXPECT_EQ(nullptr, Brisel_CurrentState);
}

TEST_F(AppTest, PaintAndUnknownPhasesAnswerZero)
{
    EXPECT_EQ(0, app(2));  // a repaint before the first step
    EXPECT_EQ(nullptr, Brisel_CurrentState);
    for (s32 phase : {-1, 4, 1000})
        EXPECT_EQ(0, app(phase));
    EXPECT_TRUE(s_calls.empty());
    EXPECT_EQ(nullptr, Brisel_CurrentState);
    EXPECT_EQ(0u, Brisel_ShutdownDone);

    Brisel_CurrentState = new TestState("a");
    s_calls.clear();
    EXPECT_EQ(0, app(2));
    EXPECT_EQ((std::vector<std::string>{"a.Paint"}), s_calls);
}

TEST_F(AppTest, ShutdownKeepsTheStateAndDisablesTheCleanUp)
{
    Brisel_CurrentState = new TestState("a");
    s_calls.clear();
    EXPECT_EQ(0, app(3));
    EXPECT_EQ(1u, Brisel_ShutdownDone);
    EXPECT_NE(nullptr, Brisel_CurrentState);
    Brisel_EmergencyCleanup();
    EXPECT_TRUE(s_calls.empty());
    EXPECT_EQ(0u, Brisel_EmergencyCleanupDone);
}

TEST_F(AppTest, CleanUpLeavesAndDeletesTheStateOnce)
{
    Brisel_CurrentState = new TestState("a");
    s_calls.clear();
    Brisel_EmergencyCleanup();
    Brisel_EmergencyCleanup();
    EXPECT_EQ((std::vector<std::string>{"a.Leave", "a.dtor"}), s_calls);
    EXPECT_EQ(nullptr, Brisel_CurrentState);
    EXPECT_EQ(1u, Brisel_EmergencyCleanupDone);
    EXPECT_EQ(nullptr, Brisel_SoundDevice);
}

TEST_F(AppTest, WindowTitleAndApplicationFunctions)
{
    EXPECT_STREQ("Ostrel Development - HALVANE", Brisel_GetWindowTitle());
    const OS_Application application = Brisel_GetApplication();
    EXPECT_EQ(&app, application.app);
    EXPECT_EQ(&Brisel_EmergencyCleanup, application.emergencyCleanup);
    EXPECT_EQ(&Brisel_GetWindowTitle, application.windowTitle);
}

const char* const s_display = "// test configuration\n"
                              "[Display]\n"
                              "{\n"
                              "    Width = 800\n"
                              "    Height = 600\n"
                              "    Depth = 16\n"
                              "    Texturecachesize = 24\n"
                              "}\n";

const char* const s_sound = "[Sound]\n{\n    SoundOn = 1\n    NumOfChannels = 2\n    Rate = 44100\n    Bits = 16\n}\n";

class DisplayConfigTest : public AppTest
{
protected:
    TST_FakeGraphics m_graphics;
    TST_TempDir m_dir;
};

TEST_F(DisplayConfigTest, PhaseZeroOpensTheDisplayAndClearsItOnce)
{
    m_dir.Write("ini/display.des", s_display);
    m_dir.Write("ini/sound.des", s_sound);
    EXPECT_EQ(0, app(0));
    EXPECT_EQ(800, Brisel_StartMode.width);
    EXPECT_EQ(600, Brisel_StartMode.height);
    EXPECT_EQ(16, Brisel_StartMode.depth);
    EXPECT_EQ(24 * 1024, Brisel_StartMode.textureCacheSize);
    ASSERT_NE(nullptr, SITO_DISPLAY);
    EXPECT_EQ(1, SITO_DISPLAY->HasDevice());
    const std::vector<std::string> clears = {"Clear 3 0x00000000 1 0"};
    EXPECT_EQ(clears, m_graphics.Matching("Clear"));

    EXPECT_NE(nullptr, SITO_KEYBOARD);
    EXPECT_NE(nullptr, SITO_MOUSE);
    EXPECT_NE(nullptr, SITO_JOYSTICK);

    EXPECT_EQ(0, app(3));
    EXPECT_EQ(nullptr, SITO_DISPLAY);
    EXPECT_EQ(nullptr, SITO_KEYBOARD);
    EXPECT_EQ(nullptr, Brisel_SoundDevice);
    EXPECT_EQ(1u, m_graphics.Count("Release device"));
}

TEST_F(DisplayConfigTest, SoundSwitchedOffLeavesNoSoundDevice)
{
    m_dir.Write("ini/display.des", s_display);
    m_dir.Write("ini/sound.des", "[Sound]\n{\n    SoundOn = 0\n    NumOfChannels = 2\n    Rate = 44100\n"
                                 "    Bits = 16\n}\n");
    EXPECT_EQ(0, app(0));
    EXPECT_EQ(nullptr, Brisel_SoundDevice);
    EXPECT_EQ(0, app(3));
}

TEST_F(DisplayConfigTest, EmergencyCleanUpDestroysTheDisplay)
{
    m_dir.Write("ini/display.des", s_display);
    m_dir.Write("ini/sound.des", s_sound);
    app(0);
    Brisel_EmergencyCleanup();
    EXPECT_EQ(nullptr, SITO_DISPLAY);
    EXPECT_EQ(1u, m_graphics.Count("Release device"));
}

TEST_F(DisplayConfigTest, AModeTheDisplayDoesNotOfferStopsPhaseZero)
{
    m_dir.Write("ini/display.des", "[Display]\n{\n    Width = 700\n    Height = 500\n    Depth = 32\n"
                                   "    Texturecachesize = 24\n}\n");
    EXPECT_FATAL(app(0), "UTL_QuickIntegrator::CreateDisplay()", "desired resolution not found");
}

TEST_F(DisplayConfigTest, FirstModeSwitchOfTheTableWins)
{
    m_dir.Write("ini/display.des", s_display);
    struct Case
    {
        const char* commandLine;
        s32 width, height, depth;
    };
    const Case cases[] = {
        {"", 800, 600, 16},
        {"-window -nologo", 800, 600, 16},
        {"-640x480x24", 800, 600, 16},  // not a mode of the table
        {"-640x480x16", 640, 480, 16},
        {"-640x480x32 -1600x1200x16", 640, 480, 32},
        {"-1600x1200x16 -640x480x32", 640, 480, 32},  // the table's order, not the line's
        {"-1152x864x32", 1152, 864, 32},
        {"-1024x768x16", 1024, 768, 16},
        {"-1280x1024x32", 1280, 1024, 32},
        {"-1600x1200x32", 1600, 1200, 32},
        {"x-800x600x32y", 800, 600, 32},  // a substring test
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine);
        OS_SetCommandLine(c.commandLine);
        s32 width = 0, height = 0, depth = 0, textureCache = 0;
        Brisel_Renderer::ReadDisplayConfig("ini\\display.des", &width, &height, &depth, &textureCache);
        EXPECT_EQ(c.width, width);
        EXPECT_EQ(c.height, height);
        EXPECT_EQ(c.depth, depth);
        EXPECT_EQ(24 * 1024, textureCache);
    }
}

TEST_F(DisplayConfigTest, MissingFileSectionOrKeyIsFatal)
{
    s32 width = 0, height = 0, depth = 0, textureCache = 0;
    EXPECT_FATAL(Brisel_Renderer::ReadDisplayConfig("ini\\display.des", &width, &height, &depth, &textureCache),
                 "Brisel_Renderer::ReadDisplayConfig() file not found", "ini\\display.des");

    m_dir.Write("ini/display.des", "[Video]\n{\n    Width = 640\n}\n");
    EXPECT_FATAL(Brisel_Renderer::ReadDisplayConfig("ini\\display.des", &width, &height, &depth, &textureCache),
                 "DES FILE ERROR",
                 "(Brisel_Renderer::ReadDisplayConfig()): Get [\"Display\"] in file \"ini\\display.des\" failed");

    m_dir.Write("ini/display.des", "[Display]\n{\n    Width = 640\n    Height = 480\n    Depth = 32\n}\n");
    EXPECT_FATAL(Brisel_Renderer::ReadDisplayConfig("ini\\display.des", &width, &height, &depth, &textureCache),
                 "DesFile Error", "data \"Texturecachesize\" not found in file \"ini\\display.des\"");
}

}  // namespace
