// The program's front end: entry, the one window, the main loop with its four application
// phases, and the real clock. Everything runs on the program's one thread.
//
// The application is handed in as functions so that the engine does not depend on the
// benchmark: app(phase) -> status (phases 0 init, 1 step, 2 paint, 3 shut down), the
// emergency clean-up that runs after a fatal error, the window title, and the pause and
// resume steps of the devices, which belong to layers above the shell.
#pragma once

#include "os_clock.h"
#include "os_commandline.h"
#include "os_types.h"

struct OS_Application
{
    s32 (*app)(s32 _phase) = nullptr;
    void (*emergencyCleanup)() = nullptr;
    const char* (*windowTitle)() = nullptr;
    // The device steps when the program loses and regains the foreground (may be null).
    void (*pauseDevices)() = nullptr;
    void (*resumeDevices)() = nullptr;
};

// Runs the program: start-up, message loop, shutdown. _commandLine is the text after the
// program name. Returns the process exit code: 0 after a normal end, non-zero after a
// fatal error or a start-up failure.
s32 OS_WinMain(const OS_Application& _application, const char* _commandLine);

void* OS_GetWindow();
u32 OS_IsFullscreen();
u32 OS_IsActive();
s32 OS_GetStatus();

// Graphics runtime probe: version and platform (2, the NT family, once known).
void OS_GetDXVersion(u32* _version, u32* _platform);

// Shows a box and copies both texts to standard error (a box may not be visible).
void OS_MessageBox(const char* _caption, const char* _text, u32 _errorIcon);
