// What each device singleton does when the application loses or regains the foreground; the
// shell runs these between its clock step and its cursor step.
//
// Pause: the display releases its device resources, then the mouse, the joystick and the
// keyboard are unacquired, then the sound device releases its voices. Resume does the reverse
// steps in the same order. A device that does not exist is skipped. The display and the sound
// device belong to libraries above the shell, so their owners hand in their steps here; a step
// that was never handed in is skipped, and each step tests its own singleton.
#pragma once

struct UTL_DeviceSteps
{
    void (*release)() = nullptr;
    void (*reacquire)() = nullptr;
};

void UTL_SetDisplaySteps(const UTL_DeviceSteps& _steps);
void UTL_SetSoundSteps(const UTL_DeviceSteps& _steps);

void UTL_PauseDevices();
void UTL_ResumeDevices();
