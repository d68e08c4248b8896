// The benchmark-run state: creation and teardown of the run objects and the frame loop.
#include "brisel_state_benchmark.h"

#include "app.h"
#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_simulation.h"
#include "brisel_soundsystem.h"
#include "brisel_spawn.h"
#include "brisel_state_menu.h"
#include "dsp_display.h"
#include "inp_keyboard.h"
#include "mat_angle.h"
#include "mem_alloc.h"
#include "nod_game.h"
#include "nod_hud.h"
#include "nod_node.h"
#include "nod_simulationworld.h"
#include "os_clock.h"
#include "os_string.h"
#include "sim_clock.h"
#include "snd_sounddevice.h"

namespace
{

template <class T>
void DeleteAndClear(T*& _pointer)
{
    T* object = _pointer;
    _pointer = nullptr;
    delete object;
}

// The loading picture over the whole overlay screen, into the back buffer, then shown.
void ShowLoadingPicture(Brisel_Renderer* _renderer)
{
    static const u8 WHITE[4] = {255, 255, 255, 255};
    MAT_Angle upright;
    upright.Set(0.0f);
    SITO_DISPLAY->Clear(1, 1, 0);
    SITO_DISPLAY->BeginScene();
    _renderer->Draw2DQuad(Brisel_Renderer::LOADING_TEXTURE, 320.0f, 240.0f, upright, 640.0f, 480.0f, WHITE, 0, 255);
    SITO_DISPLAY->EndScene();
    SITO_DISPLAY->Flip();
}

}  // namespace

Brisel_State_Benchmark::Brisel_State_Benchmark(const char* _script)
{
    if (_script != nullptr) {
        const u32 size = OS_StrLen(_script) + 1;
        m_scriptPath = (char*)MEM_AllocOrDie(size, "Brisel_State_Benchmark()");
        OS_StrCopyBounded(m_scriptPath, _script, size);
    }
    m_tornDown = 0;
    m_lastHudUpdate = 0.0f;
}

Brisel_State_Benchmark::~Brisel_State_Benchmark()
{
    MEM_Free(m_scriptPath);
    m_scriptPath = nullptr;
    Destroy();
}

void Brisel_State_Benchmark::Enter()
{
    Create(m_scriptPath);
    m_runClock = 0.0;
    m_userBreak = 0;
}

void Brisel_State_Benchmark::Create(const char* _script)
{
    MEM_LogText("INFO: creating brisel cache\n");
    Brisel_TheCache = new Brisel_Cache();
    MEM_LogText("INFO: brisel cache created\n");

    MEM_LogText("INFO: creating brisel soundsystem\n");
    Brisel_TheSoundSystem = new Brisel_SoundSystem(Brisel_SoundDevice);
    MEM_LogText("INFO: brisel soundsystem created\n");

    MEM_LogText("INFO: creating brisel renderer\n");
    Brisel_Renderer* renderer = new Brisel_Renderer();  // Brisel_Renderer::Get() from here on
    MEM_LogText("INFO: brisel renderer created\n");

    MEM_LogText("INFO: creating brisel display\n");
    renderer->CreateDisplay();
    renderer->SetLogos("vfx\\tex\\logo\\logo_halvane", nullptr, "vfx\\tex\\logo\\logo_publisher",
                       "vfx\\tex\\logo\\logo_ostrel", "vfx\\tex\\logo\\logo_url");
    MEM_LogText("INFO: brisel display created\n");

    // Twice, so that both buffers of the flip chain hold it while the scene loads.
    ShowLoadingPicture(renderer);
    ShowLoadingPicture(renderer);

    MEM_LogText("INFO: creating brisel spawner\n");
    Brisel_TheSpawn = new Brisel_Spawn();
    MEM_LogText("INFO: brisel spawner created\n");

    MEM_LogText("INFO: creating brisel simulation\n");
    Brisel_TheSimulation = new Brisel_Simulation();
    NOD_ConnectSimulation(Brisel_TheSimulation);
    MEM_LogText("INFO: brisel simulation created\n");

    OS_SetTicks(0);
    ResetSceneClocks();

    MEM_LogText("INFO: creating brisel scene graph\n");
    Brisel_TheSimulation->BuildSceneGraph(_script);
    MEM_LogText("INFO: brisel scene graph created\n");

    // Loading the scene costs no run time, and its frames count for nothing.
    OS_SetTicks(0);
    ResetSceneClocks();
    Brisel_TheSimulation->stepCounter = 0;
    renderer->ResetStatistics();

    NOD_Node* root = NOD_Node::GetRoot();
    NOD_Hud* hud = root != nullptr ? NOD_Hud::DynamicCast(root->Find(SIM_Path("/hud"))) : nullptr;
    if (hud != nullptr)
        hud->SetTextPanelVisible(1);
}

void Brisel_State_Benchmark::Destroy()
{
    if (m_tornDown)
        return;
    m_tornDown = 1;
    // Each pointer is null before its object goes, and a half-built run skips what it lacks.
    if (Brisel_TheSimulation != nullptr) {
        NOD_ConnectSimulation(nullptr);
        DeleteAndClear(Brisel_TheSimulation);  // the scene tree with it
        NOD_Node::GC_Collect();
    }
    DeleteAndClear(Brisel_TheSpawn);
    delete Brisel_Renderer::Get();  // its destructor clears Get()
    DeleteAndClear(Brisel_TheSoundSystem);
    DeleteAndClear(Brisel_TheCache);
}

void Brisel_State_Benchmark::ResetSceneClocks()
{
    SIM_GetSimulationClock().Reset();
    SIM_GetFrameClock().Reset();  // the fraction keeps its value
}

void Brisel_State_Benchmark::Step()
{
    Brisel_TheSimulation->HandleSimulation();
    NOD_Node::GC_Collect();
    SIM_Clock& clock = SIM_GetSimulationClock();
    clock.SetTime(clock.time + clock.dt);
    ++Brisel_TheSimulation->stepCounter;
}

void Brisel_State_Benchmark::SetFrameClock()
{
    SIM_FrameClock& frame = SIM_GetFrameClock();
    const f32 step = (f32)(m_runClock - (f64)frame.time);
    frame.Set((f32)m_runClock, step);
    SIM_UpdateFrameFraction();
}

Brisel_State* Brisel_State_Benchmark::HeartBeat()
{
    if (SITO_KEYBOARD != nullptr) {
        SITO_KEYBOARD->UpdateKeymap();
        // Tested first: a frame with both Escape and the end of the game is a user break.
        if (SITO_KEYBOARD->IsKeyDown(INP_KC_ESCAPE)) {
            m_userBreak = 1;
            return new Brisel_State_Menu();
        }
    }
    NOD_Game* game = NOD_Game::DynamicCast(NOD_Node::GetRoot());
    if (game != nullptr && game->IsGameOver()) {
        m_userBreak = 0;
        return new Brisel_State_Menu();
    }

    while ((f64)SIM_GetSimulationClock().time < m_runClock)
        Step();
    SetFrameClock();
    UpdateHud();
    Brisel_Renderer::Get()->Render();
    Brisel_TheSoundSystem->Update();
    m_runClock += FRAME_STEP;
    return this;
}

void Brisel_State_Benchmark::Leave()
{
    WriteResults();
    Destroy();
}
