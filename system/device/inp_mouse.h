// The mouse: buffered events of relative motion, the wheel and four buttons.
//
// GetEvent hands out one event per call from a batch of at most 32 fetched from the device.
// In full screen the mouse is taken exclusively (the cursor is the program's). Set-up failures
// and unexpected device errors are fatal (caption: the DirectInput error name); a lost device
// is acquired again. One object exists, SITO_MOUSE, created and destroyed by
// UTL_QuickIntegrator.
#pragma once

#include "inp_buffereddevice.h"
#include "os_types.h"

enum INP_MouseEventType : u32
{
    INP_MOUSE_MOVE_X = 0,  // value: the relative motion, a signed 32-bit value
    INP_MOUSE_MOVE_Y = 1,
    INP_MOUSE_WHEEL = 2,      // value: the signed wheel delta (120 a notch)
    INP_MOUSE_BUTTON_UP = 3,  // value: button 0 to 3
    INP_MOUSE_BUTTON_DOWN = 4,
    INP_MOUSE_OTHER = 5
};

struct INP_MouseEvent
{
    u32 type = 0;
    u32 value = 0;
};

class INP_Mouse : public INP_BufferedDevice
{
public:
    INP_Mouse();

    // 1 with the next event in *_event, 0 when there is none.
    u32 GetEvent(INP_MouseEvent* _event);
};

extern INP_Mouse* SITO_MOUSE;
