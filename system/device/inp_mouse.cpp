// The mouse over the DirectInput-shaped stand-in.
#include "inp_mouse.h"

#include "os_shell.h"

INP_Mouse* SITO_MOUSE = nullptr;

// In full screen the cursor is the program's: the mouse is taken exclusively.
INP_Mouse::INP_Mouse()
    : INP_BufferedDevice({PLT_DIDEVICE_MOUSE, PLT_DIFORMAT_MOUSE,
                          OS_IsFullscreen() ? PLT_DISCL_EXCLUSIVE | PLT_DISCL_FOREGROUND
                                            : PLT_DISCL_NONEXCLUSIVE | PLT_DISCL_FOREGROUND,
                          "INP_Mouse", "INP_Mouse::GetEvent() - GetDeviceData()",
                          "mous"})  // the log has always said "mous acquired"
{
}

u32 INP_Mouse::GetEvent(INP_MouseEvent* _event)
{
    const PLT_DIDeviceObjectData* record = NextRecord();
    if (record == nullptr)
        return 0;
    switch (record->offset) {
    case PLT_DIMOFS_X:
        _event->type = INP_MOUSE_MOVE_X;
        _event->value = record->data;
        break;
    case PLT_DIMOFS_Y:
        _event->type = INP_MOUSE_MOVE_Y;
        _event->value = record->data;
        break;
    case PLT_DIMOFS_Z:
        _event->type = INP_MOUSE_WHEEL;
        _event->value = record->data;
        break;
    case PLT_DIMOFS_BUTTON0:
    case PLT_DIMOFS_BUTTON1:
    case PLT_DIMOFS_BUTTON2:
    case PLT_DIMOFS_BUTTON3:
        _event->type = record->data != 0 ? INP_MOUSE_BUTTON_DOWN : INP_MOUSE_BUTTON_UP;
        _event->value = record->offset - PLT_DIMOFS_BUTTON0;
        break;
    default:
        _event->type = INP_MOUSE_OTHER;
        _event->value = record->data;
        break;
    }
    return 1;
}
