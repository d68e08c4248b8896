// Entry, the window procedure and the main loop with its status word.
//
// Fatal errors travel as OS_FatalError. The loop catches them around both event dispatch
// and the idle turn, so the application's emergency clean-up runs after the stack has
// unwound, and no object is deleted under a live frame.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "os_fatal.h"
#include "os_file.h"
#include "os_shell.h"
#include "os_shell_local.h"
#include "os_string.h"
#include "plt_system.h"

namespace
{

enum : s32
{
    STATUS_NOT_STARTED = -1,
    STATUS_RUNNING = 0,
    STATUS_QUIT_REQUESTED = 1,
    STATUS_STOPPED = -2
};

enum : s32
{
    EXIT_FAILURE_CODE = 1
};

const s32 WINDOW_CLIENT_WIDTH = 640;
const s32 WINDOW_CLIENT_HEIGHT = 480;
const s32 WINDOW_LEFT = 4;
const s32 WINDOW_TOP = 4;

// Everything the shell keeps for one run of OS_WinMain, reset at its entry.
struct OS_ShellState
{
    OS_Application application;
    s32 status = STATUS_NOT_STARTED;
    u32 active = 0;
    u32 firstActivation = 1;
    u32 fullscreen = 0;
    s64 frozenTicks = 0;
    u32 cleanupDone = 0;      // the emergency clean-up ran (or was tried)
    u32 shutdownBegun = 0;    // phase 3 was entered: no emergency clean-up any more
    u32 illegalReported = 0;  // the severe-error box was shown
    u32 fatalSeen = 0;        // a fatal error reached the loop
    char title[128] = {};
};

OS_ShellState s_shell;

s32 CallApp(s32 _phase) { return s_shell.application.app != nullptr ? s_shell.application.app(_phase) : 0; }

void PauseDevices()
{
    if (s_shell.application.pauseDevices != nullptr)
        s_shell.application.pauseDevices();
}

void ResumeDevices()
{
    if (s_shell.application.resumeDevices != nullptr)
        s_shell.application.resumeDevices();
}

void Activate(u32 _gaining)
{
    PLT_System* system = PLT_GetSystem();
    if (s_shell.firstActivation) {
        s_shell.firstActivation = 0;
        s_shell.active = 1;
        system->ShowCursor(0);
        return;
    }
    if (_gaining && !s_shell.active) {
        // Time spent in the background is not counted.
        OS_SetTicks(s_shell.frozenTicks);
        ResumeDevices();
        system->ShowCursor(0);
        s_shell.active = 1;
    } else if (!_gaining && s_shell.active) {
        s_shell.frozenTicks = OS_GetTicks();
        PauseDevices();
        system->ShowCursor(1);
        s_shell.active = 0;
    }
}

void IdleTurn()
{
    if (!s_shell.active)
        return;
    switch (s_shell.status) {
    case STATUS_NOT_STARTED:
        s_shell.status = CallApp(0);
        break;
    case STATUS_RUNNING:
        s_shell.status = CallApp(1);
        break;
    case STATUS_QUIT_REQUESTED:
        s_shell.shutdownBegun = 1;
        CallApp(3);
        s_shell.status = STATUS_STOPPED;
        PLT_GetSystem()->PostQuit(0);
        break;
    case STATUS_STOPPED:
        break;
    default:
        // The status keeps its value; the quit already posted ends the loop.
        if (!s_shell.illegalReported) {
            s_shell.illegalReported = 1;
            OS_MessageBox("OS - severe error", "illegal application return value", 1);
            PLT_GetSystem()->PostQuit(EXIT_FAILURE_CODE);
        }
        break;
    }
}

void HandleFatalError()
{
    s_shell.fatalSeen = 1;
    if (!s_shell.cleanupDone && !s_shell.shutdownBegun && s_shell.application.emergencyCleanup != nullptr) {
        s_shell.cleanupDone = 1;
        try {
            s_shell.application.emergencyCleanup();
        } catch (const OS_FatalError&) {
            // OS_Fatal has already logged the second error and replaced the texts: the box
            // below shows it, and the clean-up is not tried again.
        }
    }
    OS_MessageBox(OS_GetFatalCaption(), OS_GetFatalMessage(), 1);
    s_shell.status = STATUS_STOPPED;
    PLT_GetSystem()->PostQuit(EXIT_FAILURE_CODE);
}

s32 RunLoop()
{
    PLT_System* system = PLT_GetSystem();
    s32 exitCode = 0;
    for (;;) {
        try {
            PLT_Event event;
            if (system->PollEvent(&event)) {
                if (event.type == PLT_EVENT_QUIT) {
                    exitCode = event.code;
                    break;
                }
                OS_WindowProc(event);
            } else {
                IdleTurn();
            }
        } catch (const OS_FatalError&) {
            HandleFatalError();
        }
    }
    // A normal quit posted before a later fatal error still reports the failure.
    if (s_shell.fatalSeen && exitCode == 0)
        exitCode = EXIT_FAILURE_CODE;
    return exitCode;
}

// Start-up after the platform is up, the loop, and the archive around it. Returns the
// exit code; fatal errors before and after the loop propagate to OS_WinMain.
s32 StartAndRun()
{
    PLT_System* system = PLT_GetSystem();

    u32 version = 0, platform = 0;
    OS_GetDXVersion(&version, &platform);
    if (version < 0x700) {
        OS_MessageBox("Error", "This application needs at least DirectX7.0", 0);
        return -1;
    }

    OS_ClockStart();

    const char* title = s_shell.application.windowTitle != nullptr ? s_shell.application.windowTitle() : "";
    OS_StrCopyBounded(s_shell.title, title != nullptr ? title : "", sizeof(s_shell.title));

    const u32 windowSwitch = OS_HasSwitch("-window");
    const u32 fullscreenSwitch = OS_HasSwitch("-fullscreen");

    PLT_WindowDesc desc;
    desc.title = s_shell.title;
    desc.arrowCursor = windowSwitch;
    s32 desktopWidth = 0, desktopHeight = 0;
    system->DesktopSize(&desktopWidth, &desktopHeight);
    if (windowSwitch && !fullscreenSwitch) {
        s32 outerWidth = 0, outerHeight = 0;
        if (!system->OuterSize(WINDOW_CLIENT_WIDTH, WINDOW_CLIENT_HEIGHT, &outerWidth, &outerHeight)) {
            OS_MessageBox("window rectangle can not be determined", "AdjustWindowRectEx()", 1);
            return EXIT_FAILURE_CODE;
        }
        if (outerWidth > desktopWidth || outerHeight > desktopHeight) {
            OS_MessageBox("window can not be opened", "Screen resolution error", 1);
            return EXIT_FAILURE_CODE;
        }
        desc.x = WINDOW_LEFT;
        desc.y = WINDOW_TOP;
        desc.width = WINDOW_CLIENT_WIDTH;
        desc.height = WINDOW_CLIENT_HEIGHT;
        desc.fullscreen = 0;
    } else {
        desc.x = 0;
        desc.y = 0;
        desc.width = desktopWidth;
        desc.height = desktopHeight;
        desc.fullscreen = 1;
    }
    s_shell.fullscreen = desc.fullscreen;
    if (system->CreateWindow(desc) != 0) {
        OS_MessageBox("Error", system->ErrorText(), 0);
        return -1;
    }

    OS_Archive::Open();
    const s32 exitCode = RunLoop();
    OS_Archive::Close();
    return exitCode;
}

}  // namespace

void OS_WindowProc(const PLT_Event& _event)
{
    switch (_event.type) {
    case PLT_EVENT_PAINT:
    case PLT_EVENT_MOVED:
        CallApp(2);
        break;
    case PLT_EVENT_CLOSE:
    case PLT_EVENT_CANCEL_KEY:
        // Takes effect at the next active idle turn, without a phase-1 step in between.
        s_shell.status = STATUS_QUIT_REQUESTED;
        break;
    case PLT_EVENT_ACTIVATE:
        Activate(_event.active);
        break;
    default:
        break;
    }
}

// A fatal error raised where no exception may pass (a release path marked noexcept) ends in
// std::terminate: the user still gets the box and a failure exit code. The log line was
// already written by OS_Fatal.
[[noreturn]] static void OS_TerminateHandler()
{
    try {
        if (std::exception_ptr pending = std::current_exception())
            std::rethrow_exception(pending);
    } catch (const OS_FatalError&) {
        OS_MessageBox(OS_GetFatalCaption(), OS_GetFatalMessage(), 1);
        _exit(EXIT_FAILURE_CODE);
    } catch (...) {
        abort();
    }
    abort();
}

s32 OS_WinMain(const OS_Application& _application, const char* _commandLine)
{
    std::set_terminate(OS_TerminateHandler);
    s_shell = OS_ShellState();
    s_shell.application = _application;
    OS_SetCommandLine(_commandLine);

    PLT_System* system = PLT_GetSystem();
    if (system->Init() != 0) {
        OS_MessageBox("Error", system->ErrorText(), 0);
        return -1;
    }
    s32 exitCode = 0;
    try {
        exitCode = StartAndRun();
    } catch (const OS_FatalError&) {
        // Before or after the loop there is no application state to clean up.
        OS_MessageBox(OS_GetFatalCaption(), OS_GetFatalMessage(), 1);
        exitCode = EXIT_FAILURE_CODE;
    }
    system->Shutdown();
    return exitCode;
}

void* OS_GetWindow() { return PLT_GetSystem()->Window(); }
u32 OS_IsFullscreen() { return s_shell.fullscreen; }
u32 OS_IsActive() { return s_shell.active; }
s32 OS_GetStatus() { return s_shell.status; }

void OS_GetDXVersion(u32* _version, u32* _platform)
{
    *_version = PLT_GetSystem()->GraphicsVersion();
    *_platform = 2;
}

void OS_MessageBox(const char* _caption, const char* _text, u32 _errorIcon)
{
    fprintf(stderr, "%s: %s\n", _caption, _text);
    fflush(stderr);
    PLT_GetSystem()->MessageBox(_caption, _text, _errorIcon ? PLT_BOX_ERROR : PLT_BOX_INFORMATION);
}
