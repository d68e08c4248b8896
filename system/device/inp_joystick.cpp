// The joystick over the DirectInput-shaped stand-in.
#include "inp_joystick.h"

#include "inp_local.h"
#include "os_fatal.h"
#include "os_shell.h"

INP_Joystick* SITO_JOYSTICK = nullptr;

namespace
{

const s32 AXIS_RANGE = 1000;
const u32 DEAD_ZONE = 1000;  // a tenth of the travel

u32 HatCode(u32 _pov)
{
    if ((_pov & 0xFFFF) == 0xFFFF)
        return INP_HAT_CENTRED;
    switch (_pov) {
    case 0:
        return INP_HAT_UP;
    case 9000:
        return INP_HAT_RIGHT;
    case 18000:
        return INP_HAT_DOWN;
    case 27000:
        return INP_HAT_LEFT;
    default:
        return INP_HAT_OTHER;
    }
}

}  // namespace

INP_Joystick::INP_Joystick() : INP_Device("joystick")
{
    if (!INP_Succeeded(PLT_DirectInput::Create(PLT_DIRECTINPUT_VERSION, &m_directInput)))
        OS_Fatal("This application requires DX8 DirectInput", "");
    // The enumeration stops at the first controller.
    if (m_directInput->GameControllerCount() == 0 ||
        !INP_Succeeded(m_directInput->CreateDevice(PLT_DIDEVICE_JOYSTICK, &m_device))) {
        m_device = nullptr;
        ReleaseAll();
        return;
    }
    Init();
    if (m_device != nullptr)
        m_device->Acquire();
}

void INP_Joystick::Init()
{
    PLT_DIDevCaps caps;
    bool ok =
        INP_Succeeded(m_device->SetDataFormat(PLT_DIFORMAT_JOYSTICK)) &&
        INP_Succeeded(m_device->SetCooperativeLevel(OS_GetWindow(), PLT_DISCL_NONEXCLUSIVE | PLT_DISCL_FOREGROUND)) &&
        INP_Succeeded(m_device->GetCapabilities(&caps)) &&
        INP_Succeeded(m_device->SetRange(PLT_DIJOFS_X, -AXIS_RANGE, AXIS_RANGE)) &&
        INP_Succeeded(m_device->SetRange(PLT_DIJOFS_Y, -AXIS_RANGE, AXIS_RANGE));
    if (ok && caps.axes > 2)
        ok = INP_Succeeded(m_device->SetRange(PLT_DIJOFS_Z, -AXIS_RANGE, AXIS_RANGE));
    ok = ok && INP_Succeeded(m_device->SetDeadZone(PLT_DIJOFS_X, DEAD_ZONE)) &&
         INP_Succeeded(m_device->SetDeadZone(PLT_DIJOFS_Y, DEAD_ZONE));
    if (ok && caps.axes >= 3)
        ok = INP_Succeeded(m_device->SetDeadZone(PLT_DIJOFS_Z, DEAD_ZONE));
    if (!ok)
        ReleaseDevice();
}

u32 INP_Joystick::GetCapabilities(INP_JoystickCaps* _caps)
{
    if (m_device == nullptr)
        return 0;
    PLT_DIDevCaps caps;
    if (!INP_Succeeded(m_device->GetCapabilities(&caps)))
        return 0;
    *_caps = INP_JoystickCaps();
    _caps->hasThirdAxis = caps.axes > 2 ? 1 : 0;
    _caps->buttons = caps.buttons;
    _caps->hats = caps.povs;
    return 1;
}

u32 INP_Joystick::GetState(INP_JoystickState* _state)
{
    if (m_device == nullptr)
        return 0;
    PLT_DIJoyState raw;
    u32 result = m_device->Poll();
    if (INP_Succeeded(result))
        result = m_device->GetDeviceState(sizeof(raw), &raw);
    if (!INP_Succeeded(result)) {
        OS_Log("INP_Joystick::GetState() - GetDeviceState() failed");
        if (INP_Lost(result))
            m_device->Acquire();
        return 0;
    }
    for (u32 i = 0; i < 6; ++i)
        _state->axes[i] = (f32)raw.axes[i] * 0.001f;
    for (u32 i = 0; i < 32; ++i)
        _state->buttons[i] = raw.buttons[i];
    for (u32 i = 0; i < 4; ++i)
        _state->hats[i] = HatCode(raw.povs[i]);
    return 1;
}
