// The device steps of the shell's pause and resume.
#include "utl_devicesteps.h"

#include "inp_joystick.h"
#include "inp_keyboard.h"
#include "inp_mouse.h"

namespace
{

UTL_DeviceSteps s_display;
UTL_DeviceSteps s_sound;

}  // namespace

void UTL_SetDisplaySteps(const UTL_DeviceSteps& _steps) { s_display = _steps; }

void UTL_SetSoundSteps(const UTL_DeviceSteps& _steps) { s_sound = _steps; }

void UTL_PauseDevices()
{
    if (s_display.release != nullptr)
        s_display.release();
    if (SITO_MOUSE != nullptr)
        SITO_MOUSE->Unacquire();
    if (SITO_JOYSTICK != nullptr)
        SITO_JOYSTICK->Unacquire();
    if (SITO_KEYBOARD != nullptr)
        SITO_KEYBOARD->Unacquire();
    if (s_sound.release != nullptr)
        s_sound.release();
}

void UTL_ResumeDevices()
{
    if (s_display.reacquire != nullptr)
        s_display.reacquire();
    if (SITO_MOUSE != nullptr)
        SITO_MOUSE->Acquire();
    if (SITO_JOYSTICK != nullptr)
        SITO_JOYSTICK->Acquire();
    if (SITO_KEYBOARD != nullptr)
        SITO_KEYBOARD->Acquire();
    if (s_sound.reacquire != nullptr)
        s_sound.reacquire();
}
