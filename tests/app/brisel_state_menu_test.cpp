// The menu state: the intro's timing, the keys of each page, the setup data and its fatal
// texts, the page the menu opens on after a run, the outro, and what Leave applies.
#include "brisel_state_menu.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include "brisel_state_benchmark.h"
#include "gui_textmenu.h"
#include "menu_fixture.h"

namespace
{

class MenuTest : public TST_MenuTest
{
protected:
    std::string Text(GUI_TextMenu* _page, s32 _item) { return _page->GetTextItem(_item)->GetCurrentText(); }
    s32 Value(s32 _item) { return m_menu->GetSetupPage()->GetTextItem(_item)->GetCurrentValue(); }
    s32 Selected() { return m_menu->GetCurrentPage()->GetSelected(); }
    void Drift(f32* _out)
    {
        for (s32 i = 0; i < 3; ++i)
            _out[i] = m_menu->GetDriftTarget()[i];
    }
    // From the main page to the setup page.
    void OpenSetup()
    {
        Press(SDL_SCANCODE_DOWN);
        Press(SDL_SCANCODE_RETURN);
        ASSERT_EQ(m_menu->GetSetupPage(), m_menu->GetCurrentPage());
    }
    u32 Devices() const { return (u32)m_fake.Count("CreateDevice"); }
};

TEST_F(MenuTest, FirstEntryShowsTheThreeIntroPicturesForFourSecondsWhateverTheKeys)
{
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    m_menu = new Brisel_State_Menu();
    m_menu->Enter();
    EXPECT_EQ(Brisel_State_Menu::STATE_INTRO_START, m_menu->GetSubState());
    EXPECT_EQ(1u, Brisel_GetProgramData().enterCount);
    EXPECT_EQ(1u, Brisel_GetProgramData().display.pixelShaders);  // the fake device has PS 1.1

    struct Step
    {
        f64 time;
        s32 subState;
    };
    const Step steps[] = {{100.0, 1}, {101.0, 1}, {103.9, 1}, {104.1, 2}, {108.0, 2},
                          {108.2, 3}, {112.1, 3}, {112.3, 4}, {112.4, 6}};
    for (const Step& step : steps) {
        // Escape and Return in every second of the intro change nothing.
        PushKey(SDL_SCANCODE_ESCAPE, true);
        PushKey(SDL_SCANCODE_RETURN, true);
        Pump();
        SetClock(step.time);
        EXPECT_EQ(m_menu, m_menu->HeartBeat());
        EXPECT_EQ(step.subState, m_menu->GetSubState()) << "at " << step.time;
    }
    EXPECT_EQ(m_menu->GetMainPage(), m_menu->GetCurrentPage());
    EXPECT_EQ(1, Selected());
}

TEST_F(MenuTest, IntroRedrawsItsPictureAfterNineTenthsOfASecond)
{
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    m_menu = new Brisel_State_Menu();
    m_menu->Enter();
    SetClock(100.0);
    m_menu->HeartBeat();
    const f32 shown = m_menu->GetBlitTime();
    SetClock(100.8);
    m_menu->HeartBeat();
    EXPECT_EQ(shown, m_menu->GetBlitTime());
    SetClock(101.5);
    m_menu->HeartBeat();
    EXPECT_NEAR(101.5f, m_menu->GetBlitTime(), 0.2f);
    EXPECT_EQ(shown, m_menu->GetStateTime());
}

// What one key press on a page does.
struct KeyCase
{
    const char* name;
    bool setup;                      // on the setup page (else the main page)
    std::vector<SDL_Scancode> path;  // keys pressed first on that page
    SDL_Scancode key;
    s32 subState;
    bool onSetup;   // page afterwards
    s32 selection;  // of the page afterwards
    enum Drift
    {
        NONE,
        RANDOM,
        UP,
        DOWN
    } drift;
};

TEST_F(MenuTest, KeysOfTheMainPage)
{
    const KeyCase cases[] = {
        {"escape starts the outro", false, {}, SDL_SCANCODE_ESCAPE, 7, false, 1, KeyCase::RANDOM},
        {"return on SETUP opens setup", false, {SDL_SCANCODE_DOWN}, SDL_SCANCODE_RETURN, 6, true, 0, KeyCase::RANDOM},
        {"return on EXIT starts the outro",
         false,
         {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN},
         SDL_SCANCODE_RETURN,
         7,
         false,
         3,
         KeyCase::RANDOM},
        {"up on the first item is refused", false, {}, SDL_SCANCODE_UP, 6, false, 1, KeyCase::NONE},
        {"up moves the selection", false, {SDL_SCANCODE_DOWN}, SDL_SCANCODE_UP, 6, false, 1, KeyCase::UP},
        {"down moves the selection", false, {}, SDL_SCANCODE_DOWN, 6, false, 2, KeyCase::DOWN},
        {"down on EXIT is refused",
         false,
         {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN},
         SDL_SCANCODE_DOWN,
         6,
         false,
         3,
         KeyCase::NONE},
        {"left does nothing", false, {}, SDL_SCANCODE_LEFT, 6, false, 1, KeyCase::NONE},
        {"right does nothing", false, {}, SDL_SCANCODE_RIGHT, 6, false, 1, KeyCase::NONE},
        {"another key does nothing", false, {}, SDL_SCANCODE_A, 6, false, 1, KeyCase::NONE},
    };
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        EnterLater();
        m_menu->HeartBeat();
        ASSERT_EQ(6, m_menu->GetSubState());
        for (SDL_Scancode key : c.path)
            Press(key);
        f32 before[3];
        Drift(before);
        EXPECT_EQ(m_menu, Press(c.key));
        EXPECT_EQ(c.subState, m_menu->GetSubState());
        GUI_TextMenu* page = c.onSetup ? m_menu->GetSetupPage() : m_menu->GetMainPage();
        EXPECT_EQ(page, m_menu->GetCurrentPage());
        EXPECT_EQ(c.selection, page->GetSelected());
        f32 after[3];
        Drift(after);
        switch (c.drift) {
        case KeyCase::NONE:
            EXPECT_EQ(0, memcmp(before, after, sizeof(after)));
            break;
        case KeyCase::RANDOM:
            EXPECT_NE(0.0f, after[0]);
            for (f32 v : after) {
                EXPECT_GE(v, -40.0f);
                EXPECT_LE(v, 40.0f);
            }
            break;
        case KeyCase::UP:
        case KeyCase::DOWN:
            EXPECT_EQ(0.0f, after[0]);
            EXPECT_GE(after[1], 20.0f);
            EXPECT_LE(after[1], 40.0f);
            EXPECT_GE(std::abs(after[2]), 40.0f);
            EXPECT_LE(std::abs(after[2]), 80.0f);
            EXPECT_EQ(c.drift == KeyCase::UP, after[2] > 0.0f);
            break;
        }
        m_menu->Leave();
        delete m_menu;
        m_menu = nullptr;
    }
}

TEST_F(MenuTest, ReturnOnTheFirstItemStartsARun)
{
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    EnterLater();
    m_menu->HeartBeat();
    PushKey(SDL_SCANCODE_RETURN, true);
    Pump();
    Brisel_State* next = m_menu->HeartBeat();
    ASSERT_NE(m_menu, next);
    Brisel_State_Benchmark* run = dynamic_cast<Brisel_State_Benchmark*>(next);
    ASSERT_NE(nullptr, run);
    EXPECT_STREQ("map\\kovra1\\script\\quorvex", run->GetScriptPath());
    EXPECT_EQ(1u, Brisel_GetProgramData().runStarted);
    delete run;
}

// Setup page: values 0 display mode, 1 FSAA, 2 texture, 3 pixel shader, 4 BACK.
struct SetupKeyCase
{
    const char* name;
    std::vector<SDL_Scancode> path;
    SDL_Scancode key;
    bool onSetup;
    s32 selection;
    s32 values[4];
};

TEST_F(MenuTest, KeysOfTheSetupPage)
{
    // The settings 640x480x16 (mode 0), FSAA none (0 of 1, 2, 3, 4), 24 MB (2), no shaders (0).
    const SetupKeyCase cases[] = {
        {"escape goes back", {}, SDL_SCANCODE_ESCAPE, false, 1, {0, 0, 2, 0}},
        {"return cycles the mode", {}, SDL_SCANCODE_RETURN, true, 0, {1, 0, 2, 0}},
        {"right cycles forward", {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN}, SDL_SCANCODE_RIGHT, true, 2, {0, 0, 3, 0}},
        {"left cycles back", {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN}, SDL_SCANCODE_LEFT, true, 2, {0, 0, 1, 0}},
        {"left on the first value wraps", {SDL_SCANCODE_DOWN}, SDL_SCANCODE_LEFT, true, 1, {0, 3, 2, 0}},
        {"left on BACK does nothing",
         {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN},
         SDL_SCANCODE_LEFT,
         true,
         4,
         {0, 0, 2, 0}},
        {"right on BACK does nothing",
         {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN},
         SDL_SCANCODE_RIGHT,
         true,
         4,
         {0, 0, 2, 0}},
        {"return on BACK goes back",
         {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN},
         SDL_SCANCODE_RETURN,
         false,
         1,
         {0, 0, 2, 0}},
        {"up on the first item is refused", {}, SDL_SCANCODE_UP, true, 0, {0, 0, 2, 0}},
        {"down on BACK is refused",
         {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN},
         SDL_SCANCODE_DOWN,
         true,
         4,
         {0, 0, 2, 0}},
    };
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    for (const SetupKeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        EnterLater();
        m_menu->HeartBeat();
        ASSERT_NO_FATAL_FAILURE(OpenSetup());
        for (SDL_Scancode key : c.path)
            Press(key);
        EXPECT_EQ(m_menu, Press(c.key));
        EXPECT_EQ(6, m_menu->GetSubState());
        GUI_TextMenu* page = c.onSetup ? m_menu->GetSetupPage() : m_menu->GetMainPage();
        EXPECT_EQ(page, m_menu->GetCurrentPage());
        EXPECT_EQ(c.selection, page->GetSelected());
        for (s32 i = 0; i < 4; ++i)
            EXPECT_EQ(c.values[i], Value(i)) << "item " << i;
        m_menu->Leave();
        delete m_menu;
        m_menu = nullptr;
    }
}

TEST_F(MenuTest, ResultsPageTakesEscapeOrReturnOnly)
{
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    for (SDL_Scancode leave : {SDL_SCANCODE_ESCAPE, SDL_SCANCODE_RETURN}) {
        Brisel_GetProgramData().runStarted = 1;
        EnterLater();
        m_menu->HeartBeat();
        ASSERT_EQ(5, m_menu->GetSubState());
        for (SDL_Scancode ignored : {SDL_SCANCODE_UP, SDL_SCANCODE_DOWN, SDL_SCANCODE_LEFT, SDL_SCANCODE_A})
            Press(ignored);
        EXPECT_EQ(5, m_menu->GetSubState());
        EXPECT_EQ(14, Selected());
        Press(leave);
        EXPECT_EQ(6, m_menu->GetSubState());
        EXPECT_EQ(m_menu->GetMainPage(), m_menu->GetCurrentPage());
        EXPECT_EQ(1, Selected());
        m_menu->Leave();
        delete m_menu;
        m_menu = nullptr;
    }
}

TEST_F(MenuTest, SetupDataFollowsTheDeviceAndTheSettings)
{
    m_fake.maxSamples = 4;
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    Brisel_DisplaySettings& display = Brisel_GetProgramData().display;
    display.width = 640;
    display.height = 480;
    display.depth = 32;
    display.fsaaSamples = 3;
    display.textureMegabytes = 40;
    display.pixelShaders = 1;
    m_menu = new Brisel_State_Menu();
    m_menu->Enter();
    const Brisel_MenuSetupData& setup = m_menu->GetSetupData();
    ASSERT_EQ(4, setup.modeCount);
    EXPECT_EQ(2, setup.chosenMode);
    EXPECT_EQ(800, setup.modes[1].width);
    EXPECT_EQ(16, setup.modes[1].depth);
    ASSERT_EQ(4, setup.fsaaCount);
    EXPECT_EQ(1, setup.fsaaValues[0]);
    EXPECT_EQ(4, setup.fsaaValues[3]);
    EXPECT_EQ(2, setup.chosenFsaa);
    EXPECT_EQ(5, setup.textureCount);
    EXPECT_EQ(4, setup.chosenTexture);
    EXPECT_EQ(2, setup.pixelShaderCount);
    EXPECT_EQ(1, setup.chosenPixelShader);
    // The page opens on the settings.
    GUI_TextMenu* page = m_menu->GetSetupPage();
    EXPECT_EQ("DISPLAY: 640x480x32", Text(page, 0));
    EXPECT_EQ("FSAA: 3 SAMPLES", Text(page, 1));
    EXPECT_EQ("TEXTURE: 40MB", Text(page, 2));
    EXPECT_EQ("PIXELSHADER: YES", Text(page, 3));
    EXPECT_EQ("BACK", Text(page, 4));
    EXPECT_STREQ("FSAA: NONE", page->GetTextItem(1)->GetValue(0)->GetText());
    EXPECT_EQ("QUORVEX&", Text(m_menu->GetMainPage(), 1));
}

TEST_F(MenuTest, DeviceWithoutPixelShadersOffersOnlyNo)
{
    m_fake.caps.pixelShaderVersion = 0;
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    m_menu = new Brisel_State_Menu();
    m_menu->Enter();
    EXPECT_EQ(0u, Brisel_GetProgramData().display.pixelShaders);
    EXPECT_EQ(1, m_menu->GetSetupData().pixelShaderCount);
    EXPECT_EQ(1, m_menu->GetSetupPage()->GetTextItem(3)->GetValueCount());
    EXPECT_EQ("PIXELSHADER: NO", Text(m_menu->GetSetupPage(), 3));
}

TEST_F(MenuTest, SetupDataFatalTexts)
{
    struct Case
    {
        s32 textureMegabytes;
        u32 pixelShaders;
        const char* message;
    };
    const Case cases[] = {{20, 0, "illegal texture cache size"}, {24, 1, "illegal pixelshader mode"}};
    m_fake.caps.pixelShaderVersion = 0;
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    GFX_Font font;
    ASSERT_TRUE(font.Open("gfx\\font\\font2.tga"));
    for (const Case& c : cases) {
        Brisel_DisplaySettings& display = Brisel_GetProgramData().display;
        display.textureMegabytes = c.textureMegabytes;
        display.pixelShaders = c.pixelShaders;
        Brisel_State_Menu menu;
        Brisel_MenuSetupData setup;
        EXPECT_FATAL(menu.CreateSetupMenu(&font, 9, 253, &setup), "Brisel_State_Menu::CreateSetupMenu()", c.message);
    }
}

TEST_F(MenuTest, EscapeStoresTheChoicesLikeBack)
{
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    const std::vector<SDL_Scancode> ways[] = {{SDL_SCANCODE_ESCAPE},
                                              {SDL_SCANCODE_DOWN, SDL_SCANCODE_RETURN}};  // from the pixel-shader item
    for (const std::vector<SDL_Scancode>& way : ways) {
        Brisel_ResetProgramData();
        EnterLater();
        m_menu->HeartBeat();
        ASSERT_NO_FATAL_FAILURE(OpenSetup());
        for (SDL_Scancode key : {SDL_SCANCODE_DOWN, SDL_SCANCODE_RIGHT, SDL_SCANCODE_DOWN, SDL_SCANCODE_RIGHT,
                                 SDL_SCANCODE_DOWN, SDL_SCANCODE_RIGHT})
            Press(key);  // FSAA 2 samples, 32 MB, pixel shaders on
        for (SDL_Scancode key : way)
            Press(key);
        ASSERT_EQ(m_menu->GetMainPage(), m_menu->GetCurrentPage());
        const Brisel_MenuSetupData& setup = m_menu->GetSetupData();
        EXPECT_EQ(1, setup.chosenFsaa);
        EXPECT_EQ(3, setup.chosenTexture);
        EXPECT_EQ(1, setup.chosenPixelShader);
        m_menu->Leave();
        EXPECT_EQ(32, Brisel_GetProgramData().display.textureMegabytes);
        EXPECT_EQ(1u, Brisel_GetProgramData().display.pixelShaders);
        EXPECT_EQ(1, Brisel_GetProgramData().display.fsaaSamples);  // windowed: no FSAA
        delete m_menu;
        m_menu = nullptr;
    }
}

TEST_F(MenuTest, AfterANormalRunTheResultsPageShowsTheRecordCutToTheRow)
{
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    Brisel_ProgramData& data = Brisel_GetProgramData();
    data.runStarted = 1;
    Brisel_ResultRecord& result = data.result;
    result.width = 640;
    result.height = 480;
    result.depth = 16;
    result.fsaaSamples = 2;
    result.textureMegabytes = 24;
    result.seconds = 0.5f;
    result.polygons = 1234;
    result.minPolygonsPerSecond = 0xFFFFFFFFu;
    result.minFps = FLT_MAX;  // a run under one second
    result.avgFps = 29.5f;
    EnterLater();
    m_menu->HeartBeat();
    EXPECT_EQ(5, m_menu->GetSubState());
    EXPECT_EQ(0u, data.runStarted);
    GUI_TextMenu* page = m_menu->GetResultPage();
    ASSERT_EQ(page, m_menu->GetCurrentPage());
    EXPECT_EQ(14, Selected());
    EXPECT_EQ(32, page->GetTextCapacity());
    EXPECT_EQ("QUORVEX V2.1 RESULTS", Text(page, 0));
    EXPECT_EQ("RESOLUTION : 640x480x16", Text(page, 1));
    EXPECT_EQ("FSAA : 2 SAMPLE", Text(page, 2));
    EXPECT_EQ("PIXELSHADER : NO", Text(page, 3));
    EXPECT_EQ("TEXTURE : 24MB", Text(page, 4));
    EXPECT_EQ("SECONDS : 0.50", Text(page, 5));
    EXPECT_EQ("NUM POLYS : 1234", Text(page, 6));
    EXPECT_EQ("MIN POLY/S : -1", Text(page, 9));
    EXPECT_EQ(std::string("MIN FPS : 340282346638528859811704183484516925440.0").substr(0, 32), Text(page, 11));
    EXPECT_EQ("AVG FPS : 29.5", Text(page, 13));
    EXPECT_EQ("CONTINUE", Text(page, 14));
    // The page is drawn: the frame shows the texts.
    EXPECT_EQ(m_menu, m_menu->HeartBeat());
}

TEST_F(MenuTest, AfterARunEndedByEscapeTheMainPageOpens)
{
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    Brisel_GetProgramData().runStarted = 1;
    Brisel_GetProgramData().result.userBreak = 1;
    EnterLater();
    EXPECT_EQ(4, m_menu->GetSubState());
    m_menu->HeartBeat();
    EXPECT_EQ(6, m_menu->GetSubState());
    EXPECT_EQ(m_menu->GetMainPage(), m_menu->GetCurrentPage());
    EXPECT_EQ(0u, Brisel_GetProgramData().runStarted);
}

TEST_F(MenuTest, OutroPicturesLastThirtySecondsOrUntilAKeyThenTheProgramEnds)
{
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    EnterLater();
    m_menu->HeartBeat();
    Press(SDL_SCANCODE_ESCAPE);
    EXPECT_EQ(7, m_menu->GetSubState());
    SetClock(100.0);
    m_menu->HeartBeat();
    EXPECT_EQ(8, m_menu->GetSubState());
    SetClock(129.9);
    m_menu->HeartBeat();
    EXPECT_EQ(8, m_menu->GetSubState());
    SetClock(130.2);
    m_menu->HeartBeat();
    EXPECT_EQ(9, m_menu->GetSubState());
    // A release does not count; a press does.
    PushKey(SDL_SCANCODE_A, true);
    PushKey(SDL_SCANCODE_RETURN, false);
    Pump();
    m_menu->HeartBeat();
    EXPECT_EQ(9, m_menu->GetSubState());
    PushKey(SDL_SCANCODE_RETURN, true);
    Pump();
    m_menu->HeartBeat();
    EXPECT_EQ(10, m_menu->GetSubState());
    PushKey(SDL_SCANCODE_ESCAPE, true);
    Pump();
    EXPECT_EQ(nullptr, m_menu->HeartBeat());

    // Leave applies nothing when the user exits.
    const Brisel_DisplaySettings before = Brisel_GetProgramData().display;
    m_menu->Leave();
    EXPECT_EQ(before.width, Brisel_GetProgramData().display.width);
    EXPECT_EQ(before.fsaaSamples, Brisel_GetProgramData().display.fsaaSamples);
    EXPECT_EQ(nullptr, m_menu->GetMainPage());
    delete m_menu;
    m_menu = nullptr;
}

TEST_F(MenuTest, WindowedLeaveRecordsTheWindowModeWhateverWasChosen)
{
    ASSERT_NO_FATAL_FAILURE(StartDevices());
    m_menu = new Brisel_State_Menu();
    m_menu->Enter();  // first entry: 1024x768x32 chosen, as the settings say
    EXPECT_EQ(3, m_menu->GetSetupData().chosenMode);
    const u32 devices = Devices();
    m_menu->Leave();
    const Brisel_DisplaySettings& display = Brisel_GetProgramData().display;
    EXPECT_EQ(640, display.width);
    EXPECT_EQ(480, display.height);
    EXPECT_EQ(16, display.depth);
    EXPECT_EQ(1, display.fsaaSamples);
    EXPECT_EQ(24, display.textureMegabytes);
    EXPECT_EQ(devices, Devices());
}

TEST_F(MenuTest, FullScreenLeaveSwitchesToTheChosenMode)
{
    struct Case
    {
        const char* name;
        bool laterEntry;       // entered after a run: the display is in 640x480x16
        s32 modeDownPresses;   // Right presses on the mode item (from the settings' mode)
        s32 fsaaRightPresses;  // on the FSAA item
        const char* device;    // the device Leave makes, or null
        s32 width, depth, fsaa;
    };
    const Case cases[] = {
        {"another mode with FSAA", false, 2, 1, "800x600 format 23 samples 2", 800, 16, 2},
        // The display is still in the start-up mode: 640x480x16 needs a switch.
        {"640x480x16 at the first entry", false, 1, 0, "640x480 format 23 samples 0", 640, 16, 1},
        {"640x480x16 after a run", true, 0, 0, nullptr, 640, 16, 1},
        {"640x480x16 with FSAA after a run", true, 0, 2, "640x480 format 23 samples 3", 640, 16, 3},
    };
    ASSERT_NO_FATAL_FAILURE(StartDevices(true));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.laterEntry) {
            SITO_DISPLAY->CloseResolution();
            SITO_DISPLAY->OpenResolution(640, 480, 16, 0);
            EnterLater();
        } else {
            Brisel_ResetProgramData();
            SITO_DISPLAY->CloseResolution();
            SITO_DISPLAY->OpenResolution(1024, 768, 32, 0);
            m_menu = new Brisel_State_Menu();
            m_menu->Enter();
            SetClock(100.0);
            for (f64 t : {100.0, 104.1, 108.2, 112.3, 112.4}) {  // through the intro
                SetClock(t);
                m_menu->HeartBeat();
            }
        }
        m_menu->HeartBeat();
        ASSERT_EQ(6, m_menu->GetSubState());
        ASSERT_NO_FATAL_FAILURE(OpenSetup());
        for (s32 i = 0; i < c.modeDownPresses; ++i)
            Press(SDL_SCANCODE_RIGHT);
        Press(SDL_SCANCODE_DOWN);
        for (s32 i = 0; i < c.fsaaRightPresses; ++i)
            Press(SDL_SCANCODE_RIGHT);
        Press(SDL_SCANCODE_ESCAPE);
        m_fake.Forget();
        m_menu->Leave();
        const std::vector<std::string> created = m_fake.Matching("CreateDevice");
        if (c.device == nullptr) {
            EXPECT_TRUE(created.empty());
        } else {
            ASSERT_EQ(1u, created.size());
            EXPECT_NE(std::string::npos, created[0].find(c.device)) << created[0];
        }
        const Brisel_DisplaySettings& display = Brisel_GetProgramData().display;
        EXPECT_EQ(c.width, display.width);
        EXPECT_EQ(c.depth, display.depth);
        EXPECT_EQ(c.fsaa, display.fsaaSamples);
        delete m_menu;
        m_menu = nullptr;
    }
}

TEST_F(MenuTest, LaterEntrySwitchesBackToTheMenuModeOnlyWhenTheRunUsedAnother)
{
    ASSERT_NO_FATAL_FAILURE(StartDevices(true));
    Brisel_ProgramData& data = Brisel_GetProgramData();
    data.enterCount = 1;
    data.display.fsaaSamples = 2;  // the run used 1024x768x32 with FSAA
    m_fake.Forget();
    m_menu = new Brisel_State_Menu();
    m_menu->Enter();
    const std::vector<std::string> created = m_fake.Matching("CreateDevice");
    ASSERT_EQ(1u, created.size());
    EXPECT_NE(std::string::npos, created[0].find("640x480 format 23 samples 0")) << created[0];
    EXPECT_EQ(4, m_menu->GetSubState());
    EXPECT_EQ(2u, data.enterCount);
}

TEST_F(MenuTest, EmergencyLeaveOnlyReleases)
{
    ASSERT_NO_FATAL_FAILURE(StartDevices(true));
    m_menu = new Brisel_State_Menu();
    m_menu->Enter();
    // A fatal error while the menu is current: the clean-up calls Leave.
    const Brisel_DisplaySettings before = Brisel_GetProgramData().display;
    Brisel_EmergencyCleanupDone = 1;
    m_fake.Forget();
    m_menu->Leave();
    EXPECT_EQ(0u, m_fake.Count("CreateDevice"));
    EXPECT_EQ(nullptr, m_menu->GetMainPage());
    EXPECT_EQ(nullptr, m_menu->GetSetupPage());
    EXPECT_EQ(before.width, Brisel_GetProgramData().display.width);
    EXPECT_EQ(before.textureMegabytes, Brisel_GetProgramData().display.textureMegabytes);
    delete m_menu;
    m_menu = nullptr;
}

}  // namespace
