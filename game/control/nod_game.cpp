// The game controller: input to actions, actions to messages, and the Game_* messages.
#include "nod_game.h"

#include <cstring>

#include "brisel_renderer.h"
#include "brisel_soundsystem.h"
#include "dsp_display.h"
#include "inp_keyboard.h"
#include "nod_camera.h"
#include "nod_console.h"
#include "nod_gamereplicator.h"
#include "nod_hud.h"
#include "nod_message.h"
#include "nod_player.h"
#include "os_clock.h"
#include "os_fatal.h"
#include "os_string.h"

RTI_IMPLEMENT_CLASS(NOD_Game, "NOD_Node")

void NOD_Game::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_Game::CreateFromStream);
}

namespace
{
// The node flag of nodes driven by replicated state; no such node exists at run time.
constexpr u32 FLAG_REPLICA = 8;

// The camera placement of follow mode: distance and the two relative angles.
constexpr f32 FOLLOW_DISTANCE = 20.0f;
constexpr f32 FOLLOW_ALPHA = 0.0f;
constexpr f32 FOLLOW_BETA = -0.5f;
constexpr const char* PLAYER_PATH = "/player1";

// The commands of the player actions; null for the other actions.
const char* PlayerCommand(u32 _action)
{
    switch (_action) {
    case BRS_ACTION_HEAD:
        return "head";
    case BRS_ACTION_PITCH:
        return "pitch";
    case BRS_ACTION_THROTTLE:
        return "throttle";
    case BRS_ACTION_LAUNCH:
        return "launch";
    case BRS_ACTION_EJECT_BUZZER:
        return "ejectbuzzer";
    case BRS_ACTION_CYCLE_GUN:
        return "cyclegun";
    case BRS_ACTION_PRIMARY_FIRE:
        return "pfire";
    case BRS_ACTION_SECONDARY_FIRE:
        return "sfire";
    case BRS_ACTION_TURN_LEFT:
        return "turnleft";
    case BRS_ACTION_TURN_RIGHT:
        return "turnright";
    case BRS_ACTION_NOSE_UP:
        return "noseup";
    case BRS_ACTION_NOSE_DOWN:
        return "nosedown";
    case BRS_ACTION_INCREASE_SPEED:
        return "incspeed";
    case BRS_ACTION_DECREASE_SPEED:
        return "decspeed";
    default:
        return nullptr;
    }
}

// Player actions that count only when the key goes down.
bool PressOnly(u32 _action)
{
    return _action == BRS_ACTION_LAUNCH || _action == BRS_ACTION_EJECT_BUZZER || _action == BRS_ACTION_CYCLE_GUN;
}

// The real clock set back after a load, so that loading time does not count.
class ClockFreeze
{
public:
    explicit ClockFreeze(u32 _active) : m_active(_active)
    {
        if (m_active)
            m_ticks = OS_GetTicks();
    }
    ~ClockFreeze()
    {
        if (m_active)
            OS_SetTicks(m_ticks);
    }
    ClockFreeze(const ClockFreeze&) = delete;
    ClockFreeze& operator=(const ClockFreeze&) = delete;

private:
    u32 m_active = 0;
    s64 m_ticks = 0;
};

void PathText(const SIM_Path& _path, char* _text, u32 _size) { _path.GetString(_text, _size); }
}  // namespace

NOD_Game::NOD_Game()
{
    // The default bindings: keys 1 to 0 (codes 1 to 10) give the number keys' actions, S (30)
    // the statistics panel and Scroll Lock (69) a screenshot.
    for (u32 i = 0; i < 10; ++i)
        m_input.SetKeyBinding(1 + i, 0, BRS_ACTION_NUMBER_KEYS + i);
    m_input.SetKeyBinding(30, 0, BRS_ACTION_STATISTICS);
    m_input.SetKeyBinding(69, 0, BRS_ACTION_SCREENSHOT);
    m_music.ParseIniFile(MUSIC_FILE);
}

NOD_Game::~NOD_Game() { m_music.Release(); }

NOD_Game* NOD_Game::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Game*>(_node);
}

NOD_Player* NOD_Game::GetPlayer() const { return static_cast<NOD_Player*>(m_player.Get()); }

NOD_Camera* NOD_Game::GetCamera() const { return static_cast<NOD_Camera*>(m_camera.Get()); }

NOD_Console* NOD_Game::GetConsole() const { return static_cast<NOD_Console*>(m_console.Get()); }

void NOD_Game::Send(NOD_Node* _node, NOD_Message* _message)
{
    NOD_Message* reply = _node->ProcessMessage(_message);
    delete reply;
}

// ---- the step ----

void NOD_Game::HeartBeat()
{
    m_input.CollectKeyboard();
    m_input.CollectJoystick();
    m_input.CollectMouse();
    BRS_Action action;
    while (m_input.TakeAction(&action))
        HandleAction(action);
    NOD_Node::HeartBeat();
}

void NOD_Game::HandleAction(const BRS_Action& _action)
{
    const bool press = _action.pressed == 1;

    // A console that died cannot be switched off: the keyboard is the game's again.
    if (m_consoleActive && GetConsole() == nullptr)
        m_consoleActive = 0;
    if (m_consoleActive) {
        NOD_Console* console = GetConsole();
        if (_action.action == BRS_ACTION_CONSOLE && press) {
            Send(console, NOD_Console_Deactivate::Create());
            m_consoleActive = 0;
        } else if (_action.action == BRS_RAW_KEY) {
            Send(console, NOD_Console_Input::Create(_action.pressed));
        }
        return;
    }

    if (const char* command = PlayerCommand(_action.action)) {
        NOD_Player* player = GetPlayer();
        if (player != nullptr && (press || !PressOnly(_action.action)))
            Send(player, NOD_Player_Input::Create(SIM_Name(command), _action.pressed, _action.value));
        return;
    }

    NOD_Camera* camera = GetCamera();
    // The relative adjustments: alpha down on key-down, the others on key-up, only while following.
    const bool adjust =
        camera != nullptr && m_cameraDetached == 0 && (_action.action == BRS_ACTION_CAMERA_ALPHA_DOWN ? press : !press);
    switch (_action.action) {
    case BRS_ACTION_PLANKTON:
        if (press)
            Brisel_Renderer::SetPlanktonSwitch(Brisel_Renderer::GetPlanktonSwitch() ? 0 : 1);
        break;
    case BRS_ACTION_CAMERA_VIEW:
        if (press && camera != nullptr && GetPlayer() != nullptr) {
            if (m_cameraDetached) {
                Send(camera,
                     NOD_Camera_Follow::Create(SIM_Path(PLAYER_PATH), FOLLOW_DISTANCE, FOLLOW_ALPHA, FOLLOW_BETA));
                m_cameraDetached = 0;
            } else {
                Send(camera, NOD_Camera_LookFrom::Create(SIM_Path(PLAYER_PATH)));
                m_cameraDetached = 1;
            }
        }
        break;
    case BRS_ACTION_CAMERA_ALPHA_DOWN:
    case BRS_ACTION_CAMERA_ALPHA_UP:
        if (adjust)
            Send(camera,
                 NOD_Camera_SetRelAlpha::Create(_action.action == BRS_ACTION_CAMERA_ALPHA_DOWN ? -11.25f : 11.25f));
        break;
    case BRS_ACTION_CAMERA_BETA_DOWN:
    case BRS_ACTION_CAMERA_BETA_UP:
        if (adjust)
            Send(camera,
                 NOD_Camera_SetRelBeta::Create(_action.action == BRS_ACTION_CAMERA_BETA_DOWN ? -11.25f : 11.25f));
        break;
    case BRS_ACTION_CAMERA_DISTANCE_DOWN:
    case BRS_ACTION_CAMERA_DISTANCE_UP:
        if (adjust)
            Send(camera,
                 NOD_Camera_SetRelDistance::Create(_action.action == BRS_ACTION_CAMERA_DISTANCE_DOWN ? -5.0f : 5.0f));
        break;
    case BRS_ACTION_HUD:
        if (press)
            ToggleHud(0);
        break;
    case BRS_ACTION_CONSOLE:
        if (press && GetConsole() != nullptr) {
            Send(GetConsole(), NOD_Console_Activate::Create());
            m_consoleActive = 1;
        }
        break;
    case BRS_ACTION_STATISTICS:
        if (press)
            ToggleHud(1);
        break;
    case BRS_ACTION_SCREENSHOT:
        if (press)
            SaveScreenshot();
        break;
    default:
        break;
    }
}

void NOD_Game::ToggleHud(u32 _textPanel)
{
    NOD_Hud* hud = NOD_Hud::DynamicCast(Find(SIM_Path("/hud")));
    if (hud == nullptr)
        return;
    if (_textPanel)
        hud->SetTextPanelVisible(hud->IsTextPanelVisible() ? 0 : 1);
    else
        hud->SetHudFlags(hud->GetHudFlags() ^ (u32)NOD_Hud::FLAG_VISIBLE);
}

void NOD_Game::SaveScreenshot()
{
    if (SITO_DISPLAY == nullptr)
        return;
    SITO_DISPLAY->SaveScreenshot(SCREENSHOT_NAME, (s32)m_screenshotCounter);
    ++m_screenshotCounter;
}

// ---- messages ----

void NOD_Game::ForwardToSons(u32 _id)
{
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
        Send(GetSon(i), new NOD_Message(_id));
}

NOD_Message* NOD_Game::ProcessMessage(NOD_Message* _message)
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        m_flags |= FLAG_IN_SIMULATION;
        m_gameOver = 0;
        ForwardToSons(NOD_Node_EnterSimulation::ID);
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        ForwardToSons(NOD_Node_LeaveSimulation::ID);
        m_flags &= ~(u32)FLAG_IN_SIMULATION;
        return nullptr;
    case NOD_Game_LoadScript::ID: {
        const auto [script] = NOD_Game_LoadScript::Read(_message);
        delete _message;
        PM_LoadScript(script);
        return nullptr;
    }
    case NOD_Game_SetPlayer::ID:
    case NOD_Game_SetCamera::ID:
    case NOD_Game_SetConsole::ID: {
        // The three kinds carry the same argument.
        const auto [path] = NOD_Game_SetPlayer::Read(_message);
        const u32 id = _message->GetType();
        delete _message;
        if (id == NOD_Game_SetPlayer::ID)
            PM_SetPlayer(path);
        else if (id == NOD_Game_SetCamera::ID)
            PM_SetCamera(path);
        else
            PM_SetConsole(path);
        return nullptr;
    }
    case NOD_Game_LoadTextures::ID:
        delete _message;
        PM_LoadTextures();
        return nullptr;
    case NOD_Game_LoadFog::ID: {
        const auto [name] = NOD_Game_LoadFog::Read(_message);
        delete _message;
        PM_LoadFog(name);
        return nullptr;
    }
    case NOD_Game_StopTime::ID:
        delete _message;
        PM_StopTime();
        return nullptr;
    case NOD_Game_StartTime::ID:
        delete _message;
        PM_StartTime();
        return nullptr;
    case NOD_Game_PlayMusic::ID: {
        const auto [type] = NOD_Game_PlayMusic::Read(_message);
        delete _message;
        PM_PlayMusic(type);
        return nullptr;
    }
    case NOD_Game_SetCausticTerrain::ID:
    case NOD_Game_SetCausticObject::ID:
    case NOD_Game_SetCausticBuilding::ID:
    case NOD_Game_SetFog::ID: {
        // The four kinds carry the same arguments.
        const auto [a, b] = NOD_Game_SetFog::Read(_message);
        const u32 id = _message->GetType();
        delete _message;
        if (renderer == nullptr)
            return nullptr;
        if (id == NOD_Game_SetCausticTerrain::ID)
            renderer->SetCausticTerrain(a, b);
        else if (id == NOD_Game_SetCausticObject::ID)
            renderer->SetCausticObject(a, b);
        else if (id == NOD_Game_SetCausticBuilding::ID)
            renderer->SetCausticBuilding(a, b);
        else
            renderer->SetFog(a, b);
        return nullptr;
    }
    case NOD_Game_EndGame::ID:
        delete _message;
        m_gameOver = 1;
        return nullptr;
    case NOD_Game_FillMode::ID: {
        const auto [mode] = NOD_Game_FillMode::Read(_message);
        delete _message;
        if (renderer != nullptr && mode <= 1)
            renderer->SetFillMode((s32)mode);
        return nullptr;
    }
    case NOD_Game_SetLightCache::ID: {
        const auto [tableFile, textureFolder] = NOD_Game_SetLightCache::Read(_message);
        delete _message;
        PM_SetLightCache(tableFile, textureFolder);
        return nullptr;
    }
    default:
        // Game_LoadScenario included: the base logs it as lost.
        return NOD_Node::ProcessMessage(_message);
    }
}

void NOD_Game::PM_LoadScript(const SIM_ClassName& _script)
{
    m_scriptName = _script;
    ClockFreeze freeze((m_flags & FLAG_REPLICA) == 0);
    NOD_Node* directory = Find(SIM_Path("/script"));
    if (directory == nullptr)
        OS_Fatal("NOD_Game::PM_LoadScript()", "script directory not found");
    char name[SIM_Name::FIELD_BYTES];
    OS_SNPrintf(name, sizeof(name), "script%d", (s32)directory->GetNumOfSons());
    NOD_Node* script = NOD_Node::CreateNode("nod_script", name);
    if (script == nullptr)
        OS_Fatal("NOD_Game::PM_LoadScript()", "script node class not registered");
    directory->AddSon(script);
    Send(script, NOD_Script_SetScript::Create(_script));
    Send(script, NOD_Node_EnterSimulation::Create());
}

void NOD_Game::PM_SetPlayer(const SIM_Path& _path)
{
    char text[SIM_Path::STRING_BYTES];
    PathText(_path, text, sizeof(text));
    NOD_Node* node = Find(_path);
    if (node == nullptr) {
        OS_Log(OS_Format("NOD_Game::PM_SetPlayer() node \"%s\" not found", text));
        return;
    }
    NOD_Player* player = NOD_Player::DynamicCast(node);
    if (player == nullptr) {
        OS_Log(OS_Format("NOD_Game::PM_SetPlayer() node \"%s\" is not a player node", text));
        return;
    }
    m_player.Set(player);
}

void NOD_Game::PM_SetCamera(const SIM_Path& _path)
{
    char text[SIM_Path::STRING_BYTES];
    PathText(_path, text, sizeof(text));
    NOD_Node* node = Find(_path);
    if (node == nullptr) {
        OS_Log(OS_Format("NOD_Game::PM_SetCamera() node \"%s\" not found", text));
        return;
    }
    NOD_Camera* camera = NOD_Camera::DynamicCast(node);
    if (camera == nullptr) {
        OS_Log(OS_Format("NOD_Game::PM_SetCamera() node \"%s\" is not a camera node", text));
        return;
    }
    m_camera.Set(camera);
    Send(camera, NOD_Camera_Follow::Create(SIM_Path(PLAYER_PATH), FOLLOW_DISTANCE, FOLLOW_ALPHA, FOLLOW_BETA));
    m_cameraDetached = 0;
}

void NOD_Game::PM_SetConsole(const SIM_Path& _path)
{
    char text[SIM_Path::STRING_BYTES];
    PathText(_path, text, sizeof(text));
    NOD_Node* node = Find(_path);
    if (node == nullptr) {
        OS_Log(OS_Format("NOD_Game::PM_SetConsole() node \"%s\" not found", text));
        return;
    }
    NOD_Console* console = NOD_Console::DynamicCast(node);
    if (console == nullptr) {
        OS_Log(OS_Format("NOD_Game::PM_SetConsole() node \"%s\" is not a Console node", text));
        return;
    }
    m_console.Set(console);
}

void NOD_Game::PM_LoadTextures()
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr)
        return;
    ClockFreeze freeze((m_flags & FLAG_REPLICA) == 0);
    renderer->LoadTextures();
}

void NOD_Game::PM_LoadFog(const SIM_ClassName& _name)
{
    m_fogName = _name;
    if (Brisel_Renderer* renderer = Brisel_Renderer::Get())
        renderer->LoadFog(_name.GetName());
}

void NOD_Game::PM_StopTime()
{
    m_stoppedTicks = OS_GetTicks();
    m_timeStopped = 1;
}

void NOD_Game::PM_StartTime()
{
    // Only a stopped clock is set back, and only once: setting it back again would take the
    // time since the first restart off the run a second time.
    if (!m_timeStopped)
        return;
    OS_SetTicks(m_stoppedTicks);
    m_timeStopped = 0;
}

void NOD_Game::PM_PlayMusic(const SIM_Name& _type)
{
    // Compared with regard to case: "Atmo" is not a music type.
    if (std::strcmp(_type.GetName(), "agressive") != 0 && std::strcmp(_type.GetName(), "atmo") != 0) {
        OS_Log(OS_Format("NOD_Game::PM_PlayMusic() \"%s\" is not a valid music type", _type.GetName()));
        return;
    }
    if (Brisel_TheSoundSystem != nullptr)
        Brisel_TheSoundSystem->GetMusicVoice().Play(m_music);
}

void NOD_Game::PM_SetLightCache(const SIM_ClassName& _tableFile, const SIM_ClassName& _textureFolder)
{
    // The renderer hands the table file to the light-mesh cache, which keeps its drive and
    // directory; the texture folder is kept as given (at most 259 characters).
    if (Brisel_Renderer* renderer = Brisel_Renderer::Get())
        renderer->SetLightCache(_tableFile.GetName(), _textureFolder.GetName());
}

NOD_Replicator* NOD_Game::CreateReplicator() { return new NOD_GameReplicator(); }
