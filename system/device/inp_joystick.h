// The joystick: the first attached game controller, polled for six axes, 32 buttons and four
// hats.
//
// Without a controller the object exists with no device and every query answers 0; only a
// missing DirectInput stops the program. x and y (and z when the device has a third axis) read
// -1.0..1.0 with a dead zone of a tenth of the travel around the centre. One object exists,
// SITO_JOYSTICK, created and destroyed by UTL_QuickIntegrator.
#pragma once

#include "inp_device.h"
#include "os_types.h"

// Hat direction codes.
enum : u32
{
    INP_HAT_DOWN = 0,
    INP_HAT_CENTRED = 1,
    INP_HAT_UP = 2,
    INP_HAT_LEFT = 3,
    INP_HAT_RIGHT = 4,
    INP_HAT_OTHER = 5  // a diagonal
};

struct INP_JoystickState
{
    f32 axes[6] = {};     // x, y, z, rotation x, y, z: the device value x 0.001
    u8 buttons[32] = {};  // bit 7 while pressed
    u32 hats[4] = {};     // INP_HAT_ codes
};

struct INP_JoystickCaps
{
    u32 hasThirdAxis = 0;  // 1 when the device has more than two axes
    u32 reserved[3] = {};
    u32 buttons = 0;
    u32 hats = 0;
};

class INP_Joystick : public INP_Device
{
public:
    INP_Joystick();

    // 1 with the capabilities; 0 without a device or when they cannot be read.
    u32 GetCapabilities(INP_JoystickCaps* _caps);
    // 1 with the state; 0 without a device or when it cannot be read (logged, not fatal).
    u32 GetState(INP_JoystickState* _state);

private:
    void Init();
};

extern INP_Joystick* SITO_JOYSTICK;
