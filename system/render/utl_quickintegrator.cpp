// The device singletons' factory.
#include "utl_quickintegrator.h"

#include "dsp_display.h"
#include "inp_joystick.h"
#include "inp_keyboard.h"
#include "inp_mouse.h"
#include "os_fatal.h"
#include "os_shell.h"
#include "utl_devicesteps.h"

namespace
{

u32 s_displayCreated = 0;
u32 s_keyboardCreated = 0;
u32 s_mouseCreated = 0;
u32 s_joystickCreated = 0;
UTL_QuickIntegrator s_instance;

// The display's part of the shell's pause and resume.
void ReleaseDisplay()
{
    if (SITO_DISPLAY != nullptr && SITO_DISPLAY->HasDevice())
        SITO_DISPLAY->OS_ReleaseResources();
}

void ReacquireDisplay()
{
    if (SITO_DISPLAY != nullptr && SITO_DISPLAY->HasDevice())
        SITO_DISPLAY->OS_ReAllocateResources();
}

// The checks every input creation makes before it constructs its device.
void CheckInputSlot(u32 _created, const void* _singleton, const char* _caption, const char* _createdText,
                    const char* _singletonText)
{
    if (_created)
        OS_Fatal(_caption, _createdText);
    if (_singleton != nullptr)
        OS_Fatal(_caption, _singletonText);
}

// Destroys one input device: a set flag with a null singleton is fatal.
template <typename T>
void DestroyInput(u32* _created, T** _singleton, const char* _caption, const char* _message)
{
    if (!*_created)
        return;
    if (*_singleton == nullptr)
        OS_Fatal(_caption, _message);
    T* device = *_singleton;
    *_singleton = nullptr;
    *_created = 0;
    delete device;
}

}  // namespace

UTL_QuickIntegrator::~UTL_QuickIntegrator()
{
    if (s_displayCreated && SITO_DISPLAY != nullptr)
        delete SITO_DISPLAY;
    SITO_DISPLAY = nullptr;
    s_displayCreated = 0;
    if (s_mouseCreated && SITO_MOUSE != nullptr)
        delete SITO_MOUSE;
    SITO_MOUSE = nullptr;
    s_mouseCreated = 0;
    if (s_keyboardCreated && SITO_KEYBOARD != nullptr)
        delete SITO_KEYBOARD;
    SITO_KEYBOARD = nullptr;
    s_keyboardCreated = 0;
    if (s_joystickCreated && SITO_JOYSTICK != nullptr)
        delete SITO_JOYSTICK;
    SITO_JOYSTICK = nullptr;
    s_joystickCreated = 0;
}

void UTL_QuickIntegrator::CreateDisplay(s32 _width, s32 _height, s32 _depth)
{
    const char* caption = "UTL_QuickIntegrator::CreateDisplay()";
    if (s_displayCreated)
        OS_Fatal(caption, "display already created");
    if (SITO_DISPLAY != nullptr)
        OS_Fatal("UTL_QuickIntegrator::CreateVEngine()", "display singleton in non NULL");

    UTL_DeviceSteps steps;
    steps.release = ReleaseDisplay;
    steps.reacquire = ReacquireDisplay;
    UTL_SetDisplaySteps(steps);

    u32 ok = 0;
    DSP_Display* display = new DSP_Display(&ok, OS_GetWindow(), nullptr, OS_IsFullscreen());
    if (!ok) {
        delete display;
        OS_Fatal(caption, "instantiation of DSP_Direct3D() failed");
    }
    SITO_DISPLAY = display;
    s_displayCreated = 1;

    DSP_BoardInfo boards[8];
    s32 count = 8;
    if (display->QueryBoards(boards, &count) != 0)
        OS_Fatal(caption, "QueryBoards() failed");
    if (count < 1)
        OS_Fatal(caption, "no board(s) found");
    if (display->OpenBoard(&boards[0]) != 0)
        OS_Fatal(caption, "OpenBoard() failed");

    DSP_ResolutionInfo resolutions[64];
    count = 64;
    if (display->QueryResolutions(resolutions, &count) != 0)
        OS_Fatal(caption, "QueryResolution() failed");
    if (count < 1)
        OS_Fatal(caption, "no resolution found");
    const DSP_ResolutionInfo* chosen = nullptr;
    for (s32 i = 0; i < count && chosen == nullptr; ++i) {
        const DSP_ResolutionInfo& each = resolutions[i];
        if ((s32)each.width == _width && (s32)each.height == _height &&
            (_depth == -1 || (s32)each.bitsPerPixel == _depth))
            chosen = &each;
    }
    if (chosen == nullptr)
        OS_Fatal(caption, "desired resolution not found");
    if (display->OpenResolution((s32)chosen->width, (s32)chosen->height, (s32)chosen->bitsPerPixel, 0) != 0)
        OS_Fatal(caption, "OpenResolution() failed");
}

void UTL_QuickIntegrator::CreateKeyboardInput()
{
    CheckInputSlot(s_keyboardCreated, SITO_KEYBOARD, "UTL_QuickIntegrator::CreateKeyboardInput()",
                   "keyboardinput already created", "keyboardinput singleton in non NULL");
    SITO_KEYBOARD = new INP_Keyboard();
    s_keyboardCreated = 1;
}

void UTL_QuickIntegrator::CreateMouseInput()
{
    CheckInputSlot(s_mouseCreated, SITO_MOUSE, "UTL_QuickIntegrator::CreateMouseInput()", "mouseinput already created",
                   "mouseinput singleton in non NULL");
    SITO_MOUSE = new INP_Mouse();
    s_mouseCreated = 1;
}

void UTL_QuickIntegrator::CreateJoystickInput()
{
    CheckInputSlot(s_joystickCreated, SITO_JOYSTICK, "UTL_QuickIntegrator::CreateJoystickInput()",
                   "joystickinput already created", "joystickinput singleton in non NULL");
    SITO_JOYSTICK = new INP_Joystick();
    s_joystickCreated = 1;
}

void UTL_QuickIntegrator::DestroyAll()
{
    DestroyDisplay();
    DestroyMouse();
    DestroyKeyboard();
    DestroyJoystick();
}

void UTL_QuickIntegrator::DestroyDisplay()
{
    if (!s_displayCreated)
        return;
    if (SITO_DISPLAY == nullptr)
        OS_Fatal("UTL_QuickIntegrator::DestroyDisplay()", "display singleton is invalid");
    DSP_Display* display = SITO_DISPLAY;
    // Cleared first: a display whose destruction stops the program is not destroyed twice.
    SITO_DISPLAY = nullptr;
    s_displayCreated = 0;
    delete display;
}

void UTL_QuickIntegrator::DestroyMouse()
{
    DestroyInput(&s_mouseCreated, &SITO_MOUSE, "UTL_QuickIntegrator::DestroyMouse()", "mouse singleton is invalid");
}

void UTL_QuickIntegrator::DestroyKeyboard()
{
    DestroyInput(&s_keyboardCreated, &SITO_KEYBOARD, "UTL_QuickIntegrator::DestroyKeyboard()",
                 "keyboard singleton is invalid");
}

void UTL_QuickIntegrator::DestroyJoystick()
{
    DestroyInput(&s_joystickCreated, &SITO_JOYSTICK, "UTL_QuickIntegrator::DestroyJoystick()",
                 "joystick singleton is invalid");
}
