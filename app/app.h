// The benchmark application as the shell sees it: app(phase) with start-up (0), one
// state-machine step (1), repaint (2) and shutdown (3); the emergency clean-up that runs
// after a fatal error; the window title. Everything runs on the program's one thread.
#pragma once

#include "os_shell.h"
#include "os_types.h"

class Brisel_State;
class SND_SoundDevice2D;

// Answers 0 to keep running; phase 1 answers 1 when the current state names no successor.
// Any phase may end in OS_Fatal.
s32 app(s32 _phase);

// Phase 0's device and configuration start-up.
void Brisel_Init();
// Registers the per-class handlers of the node classes, in one fixed order.
void Brisel_RegisterClassHandlers();
// Leaves and deletes the current state and releases the devices; does nothing once phase 3
// has begun or once it has run.
void Brisel_EmergencyCleanup();
const char* Brisel_GetWindowTitle();
// The three functions that OS_WinMain drives.
OS_Application Brisel_GetApplication();

// The display mode read at start-up (the texture cache size in bytes).
struct Brisel_DisplayMode
{
    s32 width = 0;
    s32 height = 0;
    s32 depth = 0;
    s32 textureCacheSize = 0;
};

// Application globals. The current state is owned here; the sound device is owned here and
// null while the program runs silent (every user tests it).
extern Brisel_State* Brisel_CurrentState;
extern SND_SoundDevice2D* Brisel_SoundDevice;
extern u32 Brisel_ShutdownDone;
extern u32 Brisel_EmergencyCleanupDone;
extern Brisel_DisplayMode Brisel_StartMode;
// The tick counter as phase 0 left it, the base of the profiling figures.
extern s64 Brisel_ProfileTicks;
