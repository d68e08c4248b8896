// The game controller: the action table, the console hand-over, the Game_* messages, scripts,
// music, the clock and screenshots.
#include "nod_game.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "brisel_renderer.h"
#include "clock_fixture.h"
#include "dev_fake.h"
#include "dsp_display.h"
#include "inp_fixture.h"
#include "inp_keyboard.h"
#include "nod_camera.h"
#include "nod_console.h"
#include "nod_hud.h"
#include "nod_message.h"
#include "nod_player.h"
#include "os_clock.h"
#include "sim_clock.h"
#include "tools_sam.h"

namespace
{

// What the recording nodes received, in order: "<node>:<message> <arguments>".
std::vector<std::string> g_received;

std::string Describe(NOD_Message* _message)
{
    char text[160] = {};
    switch (_message->GetType()) {
    case NOD_Player_Input::ID: {
        const auto [command, pressed, value] = NOD_Player_Input::Read(_message);
        std::snprintf(text, sizeof text, "Player_Input %s %u %g", command.GetName(), pressed, (double)value);
        break;
    }
    case NOD_Camera_Follow::ID: {
        const auto [path, distance, alpha, beta] = NOD_Camera_Follow::Read(_message);
        char where[SIM_Path::STRING_BYTES];
        path.GetString(where, sizeof where);
        std::snprintf(text, sizeof text, "Camera_Follow %s %g %g %g", where, (double)distance, (double)alpha,
                      (double)beta);
        break;
    }
    case NOD_Camera_LookFrom::ID: {
        const auto [path] = NOD_Camera_LookFrom::Read(_message);
        char where[SIM_Path::STRING_BYTES];
        path.GetString(where, sizeof where);
        std::snprintf(text, sizeof text, "Camera_LookFrom %s", where);
        break;
    }
    case NOD_Camera_SetRelAlpha::ID:
    case NOD_Camera_SetRelBeta::ID:
    case NOD_Camera_SetRelDistance::ID: {
        const auto [value] = NOD_Camera_SetRelAlpha::Read(_message);  // the three carry one f32
        const char* name = _message->GetType() == NOD_Camera_SetRelAlpha::ID  ? "Camera_SetRelAlpha"
                           : _message->GetType() == NOD_Camera_SetRelBeta::ID ? "Camera_SetRelBeta"
                                                                              : "Camera_SetRelDistance";
        std::snprintf(text, sizeof text, "%s %g", name, (double)value);
        break;
    }
    case NOD_Console_Input::ID: {
        const auto [key] = NOD_Console_Input::Read(_message);
        std::snprintf(text, sizeof text, "Console_Input 0x%x", key);
        break;
    }
    default:
        std::snprintf(text, sizeof text, "%s", NOD_MessagePrototype::Find(_message->GetType())->GetName());
        break;
    }
    return text;
}

template <class Base>
class TST_Recording : public Base
{
public:
    explicit TST_Recording(const char* _who) : m_who(_who) {}
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        g_received.push_back(m_who + ":" + Describe(_message));
        delete _message;
        return nullptr;
    }

private:
    std::string m_who;
};

// A son that adds a sibling when it enters the simulation, as a son running a script may.
class TST_Spawner : public NOD_Node
{
public:
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        g_received.push_back(std::string(GetName().GetName()) + ":" + Describe(_message));
        if (_message->GetType() == NOD_Node_EnterSimulation::ID && GetFather()->GetNumOfSons() < 3) {
            NOD_Node* sibling = new TST_Spawner();
            sibling->SetName("spawned");
            GetFather()->AddSon(sibling);
        }
        delete _message;
        return nullptr;
    }
};

class NodGameTest : public INP_TestBase
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(INP_TestBase::SetUp());
        g_received.clear();
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        TOOL_SampleInfo music;
        music.name = "brisel_agressive.wav";
        m_dir.Write("sfx/sample/brisel_agressive.sam", TOOL_SampleInfoText(music));
        m_game = NOD_Game::DynamicCast(NOD_Node::CreateNode("nod_game", "root"));
        ASSERT_NE(nullptr, m_game);
        NOD_Node::SetRoot(m_game);
    }

    void TearDown() override
    {
        delete m_game;
        SITO_KEYBOARD = nullptr;
        m_keyboard.reset();
        INP_TestBase::TearDown();
    }

    template <class T>
    T* Add(T* _node, const char* _name, NOD_Node* _father = nullptr)
    {
        _node->SetName(_name);
        (_father != nullptr ? _father : m_game)->AddSon(_node);
        return _node;
    }
    NOD_Node* AddPlayer() { return Add(new TST_Recording<NOD_Player>("player"), "player1"); }
    NOD_Node* AddCamera() { return Add(new TST_Recording<NOD_Camera>("camera"), "camera"); }
    NOD_Node* AddConsole() { return Add(new TST_Recording<NOD_Console>("console"), "console"); }

    void Send(NOD_Message* _message) { delete m_game->ProcessMessage(_message); }
    void SetPlayer() { Send(NOD_Game_SetPlayer::Create(SIM_Path("/player1"))); }
    void SetCamera() { Send(NOD_Game_SetCamera::Create(SIM_Path("/camera"))); }
    void SetConsole() { Send(NOD_Game_SetConsole::Create(SIM_Path("/console"))); }
    void Act(u32 _action, u32 _pressed, f32 _value = 0.0f) { m_game->HandleAction({_action, _pressed, _value}); }

    // The keyboard device as SITO_KEYBOARD.
    void UseKeyboard()
    {
        m_keyboard.reset(new INP_Keyboard());
        SITO_KEYBOARD = m_keyboard.get();
    }

    NOD_Game* m_game = nullptr;
    std::unique_ptr<INP_Keyboard> m_keyboard;
};

using Lines = std::vector<std::string>;

TEST_F(NodGameTest, ActionTable)
{
    const struct
    {
        u32 action;
        u32 pressed;
        bool player, camera, following;
        Lines expected;
    } rows[] = {
        {0, 1, true, false, false, {"player:Player_Input head 1 0.25"}},
        {1, 0, true, false, false, {"player:Player_Input pitch 0 0.25"}},
        {2, 0, true, false, false, {"player:Player_Input throttle 0 0.25"}},
        {3, 1, true, false, false, {"player:Player_Input launch 1 0.25"}},
        {3, 0, true, false, false, {}},
        {4, 1, true, false, false, {"player:Player_Input ejectbuzzer 1 0.25"}},
        {4, 0, true, false, false, {}},
        {5, 1, true, false, false, {"player:Player_Input cyclegun 1 0.25"}},
        {5, 0, true, false, false, {}},
        {11, 0, true, false, false, {"player:Player_Input pfire 0 0.25"}},
        {12, 1, true, false, false, {"player:Player_Input sfire 1 0.25"}},
        {200, 1, true, false, false, {"player:Player_Input turnleft 1 0.25"}},
        {201, 1, true, false, false, {"player:Player_Input turnright 1 0.25"}},
        {202, 0, true, false, false, {"player:Player_Input noseup 0 0.25"}},
        {203, 1, true, false, false, {"player:Player_Input nosedown 1 0.25"}},
        {400, 1, true, false, false, {"player:Player_Input incspeed 1 0.25"}},
        {401, 0, true, false, false, {"player:Player_Input decspeed 0 0.25"}},
        {0, 1, false, false, false, {}},
        {6, 1, true, true, true, {}},
        {10, 1, true, true, true, {}},
        {301, 1, true, true, true, {}},
        {309, 1, true, true, true, {}},
        {BRS_RAW_KEY, 0x80000001u, true, true, true, {}},
        {501, 1, true, true, true, {"camera:Camera_SetRelAlpha -11.25"}},
        {501, 0, true, true, true, {}},
        {502, 0, true, true, true, {"camera:Camera_SetRelAlpha 11.25"}},
        {502, 1, true, true, true, {}},
        {503, 0, true, true, true, {"camera:Camera_SetRelBeta -11.25"}},
        {504, 0, true, true, true, {"camera:Camera_SetRelBeta 11.25"}},
        {505, 0, true, true, true, {"camera:Camera_SetRelDistance -5"}},
        {506, 0, true, true, true, {"camera:Camera_SetRelDistance 5"}},
        {506, 1, true, true, true, {}},
        // Camera detached: no relative adjustment.
        {501, 1, true, true, false, {}},
        {504, 0, true, true, false, {}},
        {506, 0, true, true, false, {}},
        // Camera following; the adjustments need no player.
        {505, 0, false, true, true, {"camera:Camera_SetRelDistance -5"}},
        {500, 1, false, true, true, {}},
        {500, 0, true, true, true, {}},
        {500, 1, true, false, false, {}},
        {500, 1, true, true, true, {"camera:Camera_LookFrom /player1"}},
        {500, 1, true, true, false, {"camera:Camera_Follow /player1 20 0 -0.5"}},
        {602, 1, true, true, true, {}},  // no console set
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "action " << row.action << " pressed " << row.pressed);
        NOD_Game* game = NOD_Game::DynamicCast(NOD_Node::CreateNode("nod_game", "root"));
        NOD_Node::SetRoot(game);
        if (row.player)
            Add(new TST_Recording<NOD_Player>("player"), "player1", game);
        if (row.camera)
            Add(new TST_Recording<NOD_Camera>("camera"), "camera", game);
        delete game->ProcessMessage(NOD_Game_SetPlayer::Create(SIM_Path("/player1")));
        delete game->ProcessMessage(NOD_Game_SetCamera::Create(SIM_Path("/camera")));
        if (row.camera && !row.following)
            game->HandleAction({500, 1, 0.0f});  // look from: detached
        EXPECT_EQ((u32)!row.following, game->IsCameraDetached());
        g_received.clear();
        game->HandleAction({row.action, row.pressed, 0.25f});
        EXPECT_EQ(row.expected, g_received);
        delete game;
    }
    NOD_Node::SetRoot(m_game);
}

TEST_F(NodGameTest, SetCameraFollowsThePlayerAnd500SwitchesBetweenLookFromAndFollow)
{
    AddPlayer();
    AddCamera();
    EXPECT_EQ(1u, m_game->IsCameraDetached());
    SetCamera();
    EXPECT_EQ(Lines({"camera:Camera_Follow /player1 20 0 -0.5"}), g_received);
    EXPECT_EQ(0u, m_game->IsCameraDetached());
    g_received.clear();
    Act(500, 1);  // no player set yet
    EXPECT_TRUE(g_received.empty());
    SetPlayer();
    Act(500, 1);
    Act(500, 1);
    Act(500, 1);
    EXPECT_EQ(Lines({"camera:Camera_LookFrom /player1", "camera:Camera_Follow /player1 20 0 -0.5",
                     "camera:Camera_LookFrom /player1"}),
              g_received);
    EXPECT_EQ(1u, m_game->IsCameraDetached());
}

TEST_F(NodGameTest, SetNodesLogMissingAndWrongNodesAndKeepThePrevious)
{
    AddPlayer();
    AddCamera();
    AddConsole();
    Add(new NOD_Node(), "other");
    SetPlayer();
    SetCamera();
    SetConsole();
    NOD_Node* player = m_game->Find(SIM_Path("/player1"));
    ASSERT_EQ(player, m_game->GetPlayer());
    ASSERT_NE(nullptr, m_game->GetCamera());
    ASSERT_NE(nullptr, m_game->GetConsole());
    g_received.clear();

    for (u32 id : {(u32)NOD_Game_SetPlayer::ID, (u32)NOD_Game_SetCamera::ID, (u32)NOD_Game_SetConsole::ID}) {
        NOD_Message* missing = new NOD_Message(id);
        SIM_Path("/nobody").PutToMessage(missing);
        Send(missing);
        NOD_Message* wrong = new NOD_Message(id);
        SIM_Path("other").PutToMessage(wrong);  // relative paths start at the controller
        Send(wrong);
    }
    EXPECT_EQ(Lines({"NOD_Game::PM_SetPlayer() node \"/nobody\" not found",
                     "NOD_Game::PM_SetPlayer() node \"other\" is not a player node",
                     "NOD_Game::PM_SetCamera() node \"/nobody\" not found",
                     "NOD_Game::PM_SetCamera() node \"other\" is not a camera node",
                     "NOD_Game::PM_SetConsole() node \"/nobody\" not found",
                     "NOD_Game::PM_SetConsole() node \"other\" is not a Console node"}),
              LogLines());
    EXPECT_EQ(player, m_game->GetPlayer());
    EXPECT_NE(nullptr, m_game->GetCamera());
    EXPECT_NE(nullptr, m_game->GetConsole());
    EXPECT_TRUE(g_received.empty());
}

TEST_F(NodGameTest, DeadNodesCountAsNotSet)
{
    // The controller used to keep plain pointers and send to nodes that had been deleted.
    NOD_Node* player = AddPlayer();
    NOD_Node* camera = AddCamera();
    NOD_Node* console = AddConsole();
    SetPlayer();
    SetCamera();
    SetConsole();
    Act(602, 1);
    ASSERT_EQ(1u, m_game->IsConsoleActive());
    g_received.clear();

    delete player;
    delete camera;
    delete console;
    EXPECT_EQ(nullptr, m_game->GetPlayer());
    EXPECT_EQ(nullptr, m_game->GetCamera());
    EXPECT_EQ(nullptr, m_game->GetConsole());
    // The console that died while active no longer holds the keyboard.
    Act(BRS_RAW_KEY, 0x8000001Bu);
    EXPECT_EQ(0u, m_game->IsConsoleActive());
    Act(0, 1, 1.0f);
    Act(500, 1);
    Act(501, 1);
    Act(602, 1);
    EXPECT_EQ(0u, m_game->IsConsoleActive());
    EXPECT_TRUE(g_received.empty());
    Act(700, 1);  // still handled: no display, no file, but the action is not swallowed
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(NodGameTest, ConsoleHandOverOrderFromTheKeyboard)
{
    UseKeyboard();
    AddConsole();
    AddPlayer();
    SetConsole();
    SetPlayer();
    m_game->GetInput().SetKeyBinding(2, 0, 602);  // key 2 (code 2) switches the console
    m_game->GetInput().SetKeyBinding(3, 0, 0);    // key 3 steers the player
    g_received.clear();

    // The activating key: its raw event is dropped (console still off), then 602 switches on;
    // while the console is on, every key's raw event goes to it and its actions are dropped.
    PushKey(SDL_SCANCODE_1, true);
    PushKey(SDL_SCANCODE_2, true);
    PushKey(SDL_SCANCODE_2, false);
    PushKey(SDL_SCANCODE_3, true);
    Pump();
    m_keyboard->UpdateKeymap();
    m_game->HeartBeat();
    EXPECT_EQ(Lines({"console:Console_Activate", "console:Console_Input 0x2", "console:Console_Input 0x80000003"}),
              g_received);
    EXPECT_EQ(1u, m_game->IsConsoleActive());
    EXPECT_EQ(0u, Brisel_Renderer::GetPlanktonSwitch());  // key 1 came before the console
    Brisel_Renderer::SetPlanktonSwitch(1);

    // The deactivating key: its raw event goes to the console, then 602 switches it off.
    g_received.clear();
    PushKey(SDL_SCANCODE_2, true);
    PushKey(SDL_SCANCODE_3, false);
    Pump();
    m_game->HeartBeat();
    EXPECT_EQ(Lines({"console:Console_Input 0x80000002", "console:Console_Deactivate", "player:Player_Input head 0 0"}),
              g_received);
    EXPECT_EQ(0u, m_game->IsConsoleActive());
}

TEST_F(NodGameTest, DefaultKeysTogglePlanktonAndSendNothingForKeys2To10)
{
    UseKeyboard();
    AddPlayer();
    AddCamera();
    SetPlayer();
    SetCamera();
    g_received.clear();
    Brisel_Renderer::SetPlanktonSwitch(1);
    for (s32 i = 0; i < 10; ++i) {
        PushKey((SDL_Scancode)(SDL_SCANCODE_1 + i), true);
        PushKey((SDL_Scancode)(SDL_SCANCODE_1 + i), false);
    }
    Pump();
    m_game->HeartBeat();
    EXPECT_EQ(0u, Brisel_Renderer::GetPlanktonSwitch());
    EXPECT_TRUE(g_received.empty());
    Act(300, 0);  // release: nothing
    EXPECT_EQ(0u, Brisel_Renderer::GetPlanktonSwitch());
    Act(300, 1);
    EXPECT_EQ(1u, Brisel_Renderer::GetPlanktonSwitch());
}

TEST_F(NodGameTest, HudActionsToggleTheDisplayAndTheTextPanel)
{
    UseKeyboard();
    AddPlayer();  // the display's step reads "/player1"
    Act(601, 1);  // no "/hud": nothing
    Act(603, 1);
    Add(new NOD_Node(), "hud");
    Act(601, 1);  // "/hud" of another class: nothing
    delete m_game->Find(SIM_Path("/hud"));
    NOD_Hud* hud = Add(static_cast<NOD_Hud*>(NOD_Node::CreateNode("nod_hud", "hud")), "hud");
    ASSERT_NE(nullptr, NOD_Hud::DynamicCast(hud));
    const u32 panel = hud->IsTextPanelVisible();
    Act(601, 1);
    EXPECT_EQ(0u, hud->GetHudFlags() & NOD_Hud::FLAG_VISIBLE);
    Act(601, 0);
    EXPECT_EQ(0u, hud->GetHudFlags() & NOD_Hud::FLAG_VISIBLE);
    Act(601, 1);
    EXPECT_EQ((u32)NOD_Hud::FLAG_VISIBLE, hud->GetHudFlags() & NOD_Hud::FLAG_VISIBLE);

    // Key 30 (S) is bound to the text panel.
    PushKey(SDL_SCANCODE_S, true);
    PushKey(SDL_SCANCODE_S, false);
    Pump();
    m_game->HeartBeat();
    EXPECT_EQ(panel ? 0u : 1u, hud->IsTextPanelVisible());
    Act(603, 1);
    EXPECT_EQ(panel, hud->IsTextPanelVisible());
}

TEST_F(NodGameTest, EnterAndLeaveGoToEverySonReReadingTheCount)
{
    Add(new TST_Spawner(), "first");
    Add(new TST_Spawner(), "second");
    Send(NOD_Game_EndGame::Create());
    EXPECT_EQ(1u, m_game->IsGameOver());
    Send(NOD_Node_EnterSimulation::Create());
    EXPECT_EQ(0u, m_game->IsGameOver());
    EXPECT_TRUE(m_game->IsInSimulation());
    Send(NOD_Node_LeaveSimulation::Create());
    EXPECT_EQ(Lines({"first:Node_EnterSimulation", "second:Node_EnterSimulation", "spawned:Node_EnterSimulation",
                     "first:Node_LeaveSimulation", "second:Node_LeaveSimulation", "spawned:Node_LeaveSimulation"}),
              g_received);
    Send(NOD_Game_EndGame::Create());
    EXPECT_EQ(1u, m_game->IsGameOver());
}

TEST_F(NodGameTest, LoadScriptNamesTheNodesByTheSonCount)
{
    m_dir.Write("dat/script/lib/glue.sco", [] {
        std::ifstream in(std::string(QV_DATA_SOURCE_DIR) + "/dat/script/lib/glue.sco", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }());
    m_dir.Write("missions/start.sco", "function __StartUp() started = (started or 0) + 1 end");
    EXPECT_FATAL(Send(NOD_Game_LoadScript::Create(SIM_ClassName("missions\\start"))), "NOD_Game::PM_LoadScript()",
                 "script directory not found");

    NOD_Node* directory = Add(new NOD_Node(), "script");
    Send(NOD_Game_LoadScript::Create(SIM_ClassName("missions\\start")));
    Send(NOD_Game_LoadScript::Create(SIM_ClassName("missions\\start")));
    ASSERT_EQ(2, directory->GetNumOfSons());
    EXPECT_TRUE(directory->GetSon(0)->GetName() == "script0");
    EXPECT_TRUE(directory->GetSon(1)->GetName() == "script1");
    EXPECT_STREQ("missions\\start", m_game->GetScriptName().GetName());
    EXPECT_TRUE(directory->GetSon(1)->IsKindOf(RTI_ClassDefinition::Find("NOD_Script")));
    EXPECT_TRUE(LogLines().empty());

    Add(new NOD_Node(), "third", directory);
    Send(NOD_Game_LoadScript::Create(SIM_ClassName("missions\\start")));
    ASSERT_EQ(4, directory->GetNumOfSons());
    EXPECT_TRUE(directory->GetSon(3)->GetName() == "script3");
}

TEST_F(NodGameTest, MusicTypesAreCaseSensitive)
{
    for (const char* type : {"agressive", "atmo", "Atmo", "AGRESSIVE", "rock", ""})
        Send(NOD_Game_PlayMusic::Create(SIM_Name(type)));
    EXPECT_EQ(Lines({"NOD_Game::PM_PlayMusic() \"Atmo\" is not a valid music type",
                     "NOD_Game::PM_PlayMusic() \"AGRESSIVE\" is not a valid music type",
                     "NOD_Game::PM_PlayMusic() \"rock\" is not a valid music type",
                     "NOD_Game::PM_PlayMusic() \"\" is not a valid music type"}),
              LogLines());
}

TEST_F(NodGameTest, AMissingMusicDescriptionIsFatal)
{
    std::remove("sfx/sample/brisel_agressive.sam");
    NOD_Node* game = nullptr;
    try {
        game = NOD_Node::CreateNode("nod_game", "root");
    } catch (const OS_FatalError&) {
    }
    EXPECT_EQ(nullptr, game);
}

TEST_F(NodGameTest, StartTimeSetsTheClockBackOnlyAfterAStop)
{
    TST_ManualClock clock;  // the clock moves only where the test sets it
    OS_SetTicks(1000000000);
    Send(NOD_Game_StartTime::Create());  // no stop before: nothing
    EXPECT_EQ(1000000000, OS_GetTicks());

    OS_SetTicks(1000);
    Send(NOD_Game_StopTime::Create());
    OS_SetTicks(5000000000LL);
    Send(NOD_Game_StartTime::Create());
    EXPECT_EQ(1000, OS_GetTicks());

    // A second start without a new stop does not set the clock back again.
    OS_SetTicks(7000000000LL);
    Send(NOD_Game_StartTime::Create());
    EXPECT_EQ(7000000000LL, OS_GetTicks());
}

TEST_F(NodGameTest, ScreenshotsAreNumberedFromZero)
{
    TST_FakeGraphics fake;
    u32 ok = 0;
    DSP_Display* display = new DSP_Display(&ok, nullptr, nullptr, 1);
    ASSERT_EQ(1u, ok);
    DSP_BoardInfo board;
    display->OpenBoard(&board);
    ASSERT_EQ(0, display->OpenResolution(640, 480, 32, 0));
    SITO_DISPLAY = display;
    Act(700, 0);  // release: nothing
    for (s32 i = 0; i < 3; ++i)
        Act(700, 1);
    SITO_DISPLAY = nullptr;
    delete display;
    EXPECT_EQ(3u, m_game->GetScreenshotCounter());
    EXPECT_TRUE(m_dir.Exists("vurizezaza00000.tga"));
    EXPECT_TRUE(m_dir.Exists("vurizezaza00001.tga"));
    EXPECT_TRUE(m_dir.Exists("vurizezaza00002.tga"));
    EXPECT_FALSE(m_dir.Exists("vurizezaza00003.tga"));
}

TEST_F(NodGameTest, LoadScenarioIsALostMessageAndRendererSettingsNeedARenderer)
{
    Send(NOD_Game_LoadScenario::Create(SIM_Name("any")));
    ASSERT_EQ(1u, LogLines().size());
    EXPECT_NE(std::string::npos, LogLines()[0].find("received lost message of type 11004"));
    // Without a renderer the settings change nothing and stop nothing.
    Send(NOD_Game_FillMode::Create(1u));
    Send(NOD_Game_SetFog::Create(0.25f, 1.0f));
    Send(NOD_Game_SetCausticTerrain::Create(0.1f, 0.2f));
    Send(NOD_Game_LoadTextures::Create());
    Send(NOD_Game_LoadFog::Create(SIM_ClassName("fog\\green")));
    EXPECT_STREQ("fog\\green", m_game->GetFogName().GetName());
    Send(NOD_Game_SetLightCache::Create(SIM_ClassName("c:\\dat\\lm\\x.tab"), SIM_ClassName("tex")));
    EXPECT_EQ(1u, LogLines().size());
}

}  // namespace
