// The application function and its state machine.
#include "app.h"

#include "app_state.h"
#include "brisel_renderer.h"
#include "brisel_state_menu.h"
#include "dsp_display.h"
#include "nod_body.h"
#include "nod_bullet.h"
#include "nod_buzzer.h"
#include "nod_fx_plant.h"
#include "nod_game.h"
#include "nod_generic.h"
#include "nod_mine.h"
#include "nod_plankton.h"
#include "nod_player.h"
#include "nod_raysystem.h"
#include "nod_scenario.h"
#include "nod_shieldedbody.h"
#include "nod_terrain.h"
#include "nod_torpedo.h"
#include "nod_turret_base.h"
#include "nod_turret_gun.h"
#include "nod_vehicle.h"
#include "nod_vessel.h"
#include "os_standardstreams.h"
#include "snd_sounddevice.h"
#include "utl_devicesteps.h"
#include "utl_quickintegrator.h"

Brisel_State* Brisel_CurrentState = nullptr;
SND_SoundDevice2D* Brisel_SoundDevice = nullptr;
u32 Brisel_ShutdownDone = 0;
u32 Brisel_EmergencyCleanupDone = 0;
Brisel_DisplayMode Brisel_StartMode;
s64 Brisel_ProfileTicks = 0;

namespace
{

void ReleaseSoundDevice()
{
    delete Brisel_SoundDevice;
    Brisel_SoundDevice = nullptr;
}

// The shell's pause and resume reach the sound device through these; each tests the pointer.
void PauseSound()
{
    if (Brisel_SoundDevice != nullptr)
        Brisel_SoundDevice->Release();
}

void ResumeSound()
{
    if (Brisel_SoundDevice != nullptr)
        Brisel_SoundDevice->Reacquire();
}

s32 Step()
{
    // Every frame, not only the run's sound manager's: the intro and menus play sounds too.
    if (Brisel_SoundDevice != nullptr)
        Brisel_SoundDevice->Update();
    if (Brisel_CurrentState == nullptr) {
        Brisel_CurrentState = new Brisel_State_Init();
        Brisel_CurrentState->Enter();
        return 0;
    }
    Brisel_State* successor = Brisel_CurrentState->HeartBeat();
    if (successor == Brisel_CurrentState)
        return 0;
    Brisel_CurrentState->Leave();
    delete Brisel_CurrentState;
    Brisel_CurrentState = successor;
    if (successor == nullptr)
        return 1;
    successor->Enter();
    return 0;
}

void Shutdown()
{
    Brisel_ShutdownDone = 1;
    ReleaseSoundDevice();
    UTL_QuickIntegrator::DestroyAll();
    OS_StandardStreams::Close();
    // The current state is neither left nor deleted: an exit from the window during a run
    // writes no results.
}

}  // namespace

s32 app(s32 _phase)
{
    switch (_phase) {
    case 0:
        Brisel_RegisterClassHandlers();
        Brisel_Init();
        Brisel_ProfileTicks = OS_GetTicks();
        return 0;
    case 1:
        return Step();
    case 2:
        if (Brisel_CurrentState != nullptr)
            Brisel_CurrentState->Paint();
        return 0;
    case 3:
        Shutdown();
        return 0;
    default:
        return 0;
    }
}

void Brisel_Init()
{
    OS_StandardStreams::Open();
    Brisel_DisplayMode mode;
    Brisel_Renderer::ReadDisplayConfig("ini\\display.des", &mode.width, &mode.height, &mode.depth,
                                       &mode.textureCacheSize);
    Brisel_StartMode = mode;
    UTL_QuickIntegrator::CreateDisplay(mode.width, mode.height, mode.depth);
    SITO_DISPLAY->Clear(1, 1, 0);
    UTL_QuickIntegrator::CreateKeyboardInput();
    UTL_QuickIntegrator::CreateMouseInput();
    UTL_QuickIntegrator::CreateJoystickInput();

    // A device that obtained no voice is dropped at once: the program then runs silent.
    Brisel_SoundDevice = new SND_SoundDevice2D("ini\\sound.des");
    if (Brisel_SoundDevice->GetNumChannels() == 0)
        ReleaseSoundDevice();
    UTL_DeviceSteps soundSteps;
    soundSteps.release = PauseSound;
    soundSteps.reacquire = ResumeSound;
    UTL_SetSoundSteps(soundSteps);
}

Brisel_State* Brisel_State_Init::HeartBeat() { return new Brisel_State_Menu(); }

void Brisel_RegisterClassHandlers()
{
    // The stream creators of the replicated classes; the terrain's is stored twice, the
    // second time over the same entry.
    NOD_Node::RegisterStreamCreator();
    NOD_Body::RegisterStreamCreator();
    NOD_Scenario::RegisterStreamCreator();
    NOD_ShieldedBody::RegisterStreamCreator();
    NOD_FX_Plant::RegisterStreamCreator();
    NOD_Plankton::RegisterStreamCreator();
    NOD_RaySystem::RegisterStreamCreator();
    NOD_Terrain::RegisterStreamCreator();
    NOD_Generic::RegisterStreamCreator();
    NOD_Turret_Gun::RegisterStreamCreator();
    NOD_Turret_Base::RegisterStreamCreator();
    NOD_Terrain::RegisterStreamCreator();
    NOD_Vehicle::RegisterStreamCreator();
    NOD_Vessel::RegisterStreamCreator();
    NOD_Buzzer::RegisterStreamCreator();
    NOD_Mine::RegisterStreamCreator();
    NOD_Player::RegisterStreamCreator();
    NOD_Game::RegisterStreamCreator();
    NOD_Torpedo::RegisterStreamCreator();
    NOD_Bullet::RegisterStreamCreator();
}

void Brisel_EmergencyCleanup()
{
    if (Brisel_ShutdownDone || Brisel_EmergencyCleanupDone)
        return;
    // Set first: a fatal error inside the clean-up must not start it again.
    Brisel_EmergencyCleanupDone = 1;
    if (Brisel_CurrentState != nullptr) {
        Brisel_CurrentState->Leave();
        delete Brisel_CurrentState;
        Brisel_CurrentState = nullptr;
    }
    ReleaseSoundDevice();
    UTL_QuickIntegrator::DestroyAll();
    OS_StandardStreams::Close();
}

const char* Brisel_GetWindowTitle() { return "Ostrel Development - HALVANE"; }

OS_Application Brisel_GetApplication()
{
    OS_Application application;
    application.app = app;
    application.emergencyCleanup = Brisel_EmergencyCleanup;
    application.windowTitle = Brisel_GetWindowTitle;
    application.pauseDevices = UTL_PauseDevices;
    application.resumeDevices = UTL_ResumeDevices;
    return application;
}
