// The device singletons' factory: creates the display and the input devices in phase 0 and destroys them in phase 3, in the emergency clean-up or at exit.
//
// Each device has a created-flag beside its singleton pointer; destroying skips a device whose
// flag is clear, so a second DestroyAll does nothing. Every failure is fatal.
#pragma once

#include "os_types.h"

class UTL_QuickIntegrator
{
public:
    UTL_QuickIntegrator() {}
    // The exit hook: destroys what phase 3 left, without the fatal checks (it runs during
    // static destruction, where nothing may stop the program).
    ~UTL_QuickIntegrator();

    // Creates SITO_DISPLAY on the shell's window and opens the first board and the first mode
    // of _width x _height at _depth bits (-1: any depth).
    static void CreateDisplay(s32 _width, s32 _height, s32 _depth);
    // Create SITO_KEYBOARD, SITO_MOUSE and SITO_JOYSTICK (acquired); each only once.
    static void CreateKeyboardInput();
    static void CreateMouseInput();
    static void CreateJoystickInput();
    // Destroys the display, the mouse, the keyboard and the joystick, in that order.
    static void DestroyAll();
    static void DestroyDisplay();
    static void DestroyMouse();
    static void DestroyKeyboard();
    static void DestroyJoystick();
};
