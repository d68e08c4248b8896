// The DirectInput-shaped devices over SDL events and SDL's joystick API.
#include "plt_input.h"

#include <SDL.h>

#include <cmath>
#include <cstring>

#include "plt_input_local.h"

namespace
{

const u32 MAX_OBJECTS = 8;
const u32 MAX_DEVICES = 8;
const u32 MAX_BUFFER = 256;
const u32 NUM_AXES = 6;
const u32 MOUSE_STATE_SIZE = 16;
const s32 WHEEL_STEP = 120;  // one notch of the wheel, as Windows reports it

struct AxisSetting
{
    s32 minimum = 0;
    s32 maximum = 65535;
    u32 deadZone = 0;
};

struct DeviceState
{
    u32 used = 0;
    PLT_DIDeviceType type = PLT_DIDEVICE_KEYBOARD;
    PLT_DIDataFormat format = PLT_DIFORMAT_NONE;
    u32 cooperation = PLT_DISCL_NONEXCLUSIVE | PLT_DISCL_BACKGROUND;
    void* window = nullptr;
    u32 acquired = 0;
    u32 lost = 0;
    // The record ring.
    u32 bufferSize = 0;
    u32 head = 0;
    u32 count = 0;
    u32 overflow = 0;
    PLT_DIDeviceObjectData records[MAX_BUFFER];
    // The mouse's motion since its last immediate read.
    s32 motion[3] = {};
    SDL_Joystick* joystick = nullptr;
    u32 joystickInit = 0;
    AxisSetting axes[NUM_AXES];
};

struct InputState
{
    PLT_DirectInput objects[MAX_OBJECTS];
    u32 objectUsed[MAX_OBJECTS] = {};
    u32 objectJoystickInit[MAX_OBJECTS] = {};
    PLT_DIDevice handles[MAX_DEVICES];
    DeviceState devices[MAX_DEVICES];
    u8 keys[256] = {};
#ifdef QV_KEY_SCRIPT
    u8 scriptedKeys[256] = {};  // keys the key script holds down until the next keyboard read
#endif
    u8 mouseButtons[4] = {};
    u32 background = 0;  // the window lost the focus
    u32 relativeMouse = 0;
    u32 sequence = 0;
    u32 failArmed[PLT_DICALL_COUNT] = {};
    u32 failResult[PLT_DICALL_COUNT] = {};
};

InputState s_input;

// SDL's scan codes and the DirectInput scan codes they stand for. Keys without a DirectInput
// code are not reported at all.
struct ScanCodePair
{
    SDL_Scancode sdl;
    u8 dik;
};

const ScanCodePair SCAN_CODES[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},
    {SDL_SCANCODE_1, 0x02},
    {SDL_SCANCODE_2, 0x03},
    {SDL_SCANCODE_3, 0x04},
    {SDL_SCANCODE_4, 0x05},
    {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07},
    {SDL_SCANCODE_7, 0x08},
    {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A},
    {SDL_SCANCODE_0, 0x0B},
    {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D},
    {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10},
    {SDL_SCANCODE_W, 0x11},
    {SDL_SCANCODE_E, 0x12},
    {SDL_SCANCODE_R, 0x13},
    {SDL_SCANCODE_T, 0x14},
    {SDL_SCANCODE_Y, 0x15},
    {SDL_SCANCODE_U, 0x16},
    {SDL_SCANCODE_I, 0x17},
    {SDL_SCANCODE_O, 0x18},
    {SDL_SCANCODE_P, 0x19},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {SDL_SCANCODE_RETURN, 0x1C},
    {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_A, 0x1E},
    {SDL_SCANCODE_S, 0x1F},
    {SDL_SCANCODE_D, 0x20},
    {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22},
    {SDL_SCANCODE_H, 0x23},
    {SDL_SCANCODE_J, 0x24},
    {SDL_SCANCODE_K, 0x25},
    {SDL_SCANCODE_L, 0x26},
    {SDL_SCANCODE_SEMICOLON, 0x27},
    {SDL_SCANCODE_APOSTROPHE, 0x28},
    {SDL_SCANCODE_GRAVE, 0x29},
    {SDL_SCANCODE_LSHIFT, 0x2A},
    {SDL_SCANCODE_BACKSLASH, 0x2B},
    {SDL_SCANCODE_NONUSHASH, 0x2B},  // the same key position on ISO keyboards
    {SDL_SCANCODE_Z, 0x2C},
    {SDL_SCANCODE_X, 0x2D},
    {SDL_SCANCODE_C, 0x2E},
    {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30},
    {SDL_SCANCODE_N, 0x31},
    {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34},
    {SDL_SCANCODE_SLASH, 0x35},
    {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37},
    {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39},
    {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F1, 0x3B},
    {SDL_SCANCODE_F2, 0x3C},
    {SDL_SCANCODE_F3, 0x3D},
    {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F},
    {SDL_SCANCODE_F6, 0x40},
    {SDL_SCANCODE_F7, 0x41},
    {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43},
    {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45},
    {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47},
    {SDL_SCANCODE_KP_8, 0x48},
    {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B},
    {SDL_SCANCODE_KP_5, 0x4C},
    {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F},
    {SDL_SCANCODE_KP_2, 0x50},
    {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52},
    {SDL_SCANCODE_KP_PERIOD, 0x53},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    {SDL_SCANCODE_F11, 0x57},
    {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_F13, 0x64},
    {SDL_SCANCODE_F14, 0x65},
    {SDL_SCANCODE_F15, 0x66},
    {SDL_SCANCODE_INTERNATIONAL2, 0x70},  // katakana/hiragana
    {SDL_SCANCODE_INTERNATIONAL1, 0x73},  // ro
    {SDL_SCANCODE_INTERNATIONAL4, 0x79},  // henkan
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B},  // muhenkan
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D},  // yen
    {SDL_SCANCODE_KP_EQUALS, 0x8D},
    {SDL_SCANCODE_AUDIOPREV, 0x90},
    {SDL_SCANCODE_AUDIONEXT, 0x99},
    {SDL_SCANCODE_KP_ENTER, 0x9C},
    {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_MUTE, 0xA0},
    {SDL_SCANCODE_AUDIOMUTE, 0xA0},
    {SDL_SCANCODE_CALCULATOR, 0xA1},
    {SDL_SCANCODE_AUDIOPLAY, 0xA2},
    {SDL_SCANCODE_AUDIOSTOP, 0xA4},
    {SDL_SCANCODE_VOLUMEDOWN, 0xAE},
    {SDL_SCANCODE_VOLUMEUP, 0xB0},
    {SDL_SCANCODE_AC_HOME, 0xB2},
    {SDL_SCANCODE_KP_COMMA, 0xB3},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5},
    {SDL_SCANCODE_PRINTSCREEN, 0xB7},
    {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_PAUSE, 0xC5},
    {SDL_SCANCODE_HOME, 0xC7},
    {SDL_SCANCODE_UP, 0xC8},
    {SDL_SCANCODE_PAGEUP, 0xC9},
    {SDL_SCANCODE_LEFT, 0xCB},
    {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF},
    {SDL_SCANCODE_DOWN, 0xD0},
    {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2},
    {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_LGUI, 0xDB},
    {SDL_SCANCODE_RGUI, 0xDC},
    {SDL_SCANCODE_APPLICATION, 0xDD},
    {SDL_SCANCODE_POWER, 0xDE},
    {SDL_SCANCODE_SLEEP, 0xDF},
    {SDL_SCANCODE_AC_SEARCH, 0xE5},
    {SDL_SCANCODE_AC_BOOKMARKS, 0xE6},
    {SDL_SCANCODE_AC_REFRESH, 0xE7},
    {SDL_SCANCODE_AC_STOP, 0xE8},
    {SDL_SCANCODE_AC_FORWARD, 0xE9},
    {SDL_SCANCODE_AC_BACK, 0xEA},
    {SDL_SCANCODE_COMPUTER, 0xEB},
    {SDL_SCANCODE_MAIL, 0xEC},
    {SDL_SCANCODE_MEDIASELECT, 0xED},
};

// 0 when the key has no DirectInput code.
u32 ScanCodeOf(SDL_Scancode _scancode)
{
    for (const ScanCodePair& pair : SCAN_CODES)
        if (pair.sdl == _scancode)
            return pair.dik;
    return 0;
}

u32 FormatSize(PLT_DIDataFormat _format)
{
    switch (_format) {
    case PLT_DIFORMAT_KEYBOARD:
        return 256;
    case PLT_DIFORMAT_MOUSE:
        return MOUSE_STATE_SIZE;
    case PLT_DIFORMAT_JOYSTICK:
        return sizeof(PLT_DIJoyState);
    default:
        return 0;
    }
}

// A test's armed failure for this call, taken once.
bool Injected(PLT_DICall _call, u32* _result)
{
    if (!s_input.failArmed[_call])
        return false;
    s_input.failArmed[_call] = 0;
    *_result = s_input.failResult[_call];
    return true;
}

// What every device call answers before its own work: an armed failure, or a released device.
bool Refused(PLT_DICall _call, const DeviceState& _device, u32* _result)
{
    if (Injected(_call, _result))
        return true;
    if (_device.used)
        return false;
    *_result = PLT_DIERR_NOTINITIALIZED;
    return true;
}

DeviceState& StateOf(const PLT_DIDevice* _device) { return s_input.devices[_device - s_input.handles]; }

u32 ObjectIndex(const PLT_DirectInput* _object) { return (u32)(_object - s_input.objects); }

// SDL has one relative mode for the whole program: it is on while an exclusive mouse is
// acquired, which is what exclusive access to the mouse means here.
void UpdateRelativeMouse()
{
    u32 wanted = 0;
    for (const DeviceState& device : s_input.devices)
        if (device.used && device.type == PLT_DIDEVICE_MOUSE && device.acquired &&
            (device.cooperation & PLT_DISCL_EXCLUSIVE) != 0)
            wanted = 1;
    if (wanted == s_input.relativeMouse)
        return;
    s_input.relativeMouse = wanted;
    SDL_SetRelativeMouseMode(wanted ? SDL_TRUE : SDL_FALSE);
}

void ClearBuffer(DeviceState& _device)
{
    _device.head = 0;
    _device.count = 0;
    _device.overflow = 0;
    memset(_device.motion, 0, sizeof(_device.motion));
}

// Appends one record to every acquired, buffered device of the type.
void Record(PLT_DIDeviceType _type, u32 _offset, u32 _data, u32 _time)
{
    const u32 sequence = ++s_input.sequence;
    for (DeviceState& device : s_input.devices) {
        if (!device.used || device.type != _type || !device.acquired)
            continue;
        if (_type == PLT_DIDEVICE_MOUSE && _offset <= PLT_DIMOFS_Z)
            device.motion[_offset / 4] += (s32)_data;
        if (device.bufferSize == 0)
            continue;
        if (device.count == device.bufferSize) {
            // The oldest record goes, so the latest state of every key survives.
            device.head = (device.head + 1) % device.bufferSize;
            --device.count;
            device.overflow = 1;
        }
        PLT_DIDeviceObjectData& record = device.records[(device.head + device.count) % device.bufferSize];
        record.offset = _offset;
        record.data = _data;
        record.timeStamp = _time;
        record.sequence = sequence;
        ++device.count;
    }
}

void LoseForeground()
{
    s_input.background = 1;
    for (DeviceState& device : s_input.devices) {
        if (device.used && device.acquired && (device.cooperation & PLT_DISCL_FOREGROUND) != 0) {
            device.acquired = 0;
            device.lost = 1;
            ClearBuffer(device);
        }
    }
    UpdateRelativeMouse();
}

void FeedMouseButton(const SDL_MouseButtonEvent& _event, u32 _down)
{
    u32 button = 0;
    switch (_event.button) {
    case SDL_BUTTON_LEFT:
        button = 0;
        break;
    case SDL_BUTTON_RIGHT:
        button = 1;
        break;
    case SDL_BUTTON_MIDDLE:
        button = 2;
        break;
    case SDL_BUTTON_X1:
        button = 3;
        break;
    default:
        return;  // the mouse format has four buttons
    }
    s_input.mouseButtons[button] = _down ? 0x80 : 0;
    Record(PLT_DIDEVICE_MOUSE, PLT_DIMOFS_BUTTON0 + button, _down ? 0x80 : 0, _event.timestamp);
}

// An axis reading in the device's range: the dead zone around the centre reads as the centre,
// the travel beyond it is stretched over the whole half range.
s32 ScaleAxis(Sint16 _raw, const AxisSetting& _axis)
{
    const f64 position = _raw >= 0 ? _raw / 32767.0 : _raw / 32768.0;
    const f64 magnitude = std::fabs(position) * 10000.0;
    f64 travel = 0.0;
    if (magnitude >= 10000.0)
        travel = 1.0;
    else if (magnitude > (f64)_axis.deadZone)
        travel = (magnitude - _axis.deadZone) / (10000.0 - _axis.deadZone);
    const f64 centre = ((f64)_axis.minimum + (f64)_axis.maximum) * 0.5;
    const f64 half = ((f64)_axis.maximum - (f64)_axis.minimum) * 0.5;
    return (s32)std::lround(position < 0.0 ? centre - travel * half : centre + travel * half);
}

u32 PovOf(Uint8 _hat)
{
    switch (_hat) {
    case SDL_HAT_UP:
        return 0;
    case SDL_HAT_RIGHTUP:
        return 4500;
    case SDL_HAT_RIGHT:
        return 9000;
    case SDL_HAT_RIGHTDOWN:
        return 13500;
    case SDL_HAT_DOWN:
        return 18000;
    case SDL_HAT_LEFTDOWN:
        return 22500;
    case SDL_HAT_LEFT:
        return 27000;
    case SDL_HAT_LEFTUP:
        return 31500;
    default:
        return 0xFFFFFFFFu;
    }
}

// The axis a joystick property names by its data offset; -1 when the device is no joystick
// or the controller lacks that axis.
s32 JoystickAxis(const DeviceState& _device, u32 _offset)
{
    if (_device.type != PLT_DIDEVICE_JOYSTICK || _device.joystick == nullptr || _offset % 4 != 0 ||
        _offset / 4 >= NUM_AXES)
        return -1;
    const s32 axis = (s32)(_offset / 4);
    return axis < SDL_JoystickNumAxes(_device.joystick) ? axis : -1;
}

bool Unplugged(const DeviceState& _device)
{
    return _device.type == PLT_DIDEVICE_JOYSTICK &&
           (_device.joystick == nullptr || !SDL_JoystickGetAttached(_device.joystick));
}

u32 AcquisitionFailure(const DeviceState& _device)
{
    if (_device.lost)
        return PLT_DIERR_INPUTLOST;
    if (!_device.acquired)
        return PLT_DIERR_NOTACQUIRED;
    if (Unplugged(_device))
        return PLT_DIERR_UNPLUGGED;
    return PLT_DI_OK;
}

void CloseJoystick(DeviceState& _device)
{
    if (_device.joystick != nullptr)
        SDL_JoystickClose(_device.joystick);
    _device.joystick = nullptr;
    if (_device.joystickInit)
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    _device.joystickInit = 0;
}

}  // namespace

// ---- the DirectInput object ----

u32 PLT_DirectInput::Create(u32 _version, PLT_DirectInput** _directInput)
{
    u32 result = 0;
    if (_directInput == nullptr)
        return PLT_DIERR_INVALIDPARAM;
    *_directInput = nullptr;
    if (Injected(PLT_DICALL_CREATE, &result))
        return result;
    if (_version != PLT_DIRECTINPUT_VERSION)
        return PLT_DIERR_OLDDIRECTINPUTVERSION;
    for (u32 i = 0; i < MAX_OBJECTS; ++i) {
        if (!s_input.objectUsed[i]) {
            s_input.objectUsed[i] = 1;
            s_input.objectJoystickInit[i] = 0;
            *_directInput = &s_input.objects[i];
            return PLT_DI_OK;
        }
    }
    return PLT_DIERR_OUTOFMEMORY;
}

u32 PLT_DirectInput::CreateDevice(PLT_DIDeviceType _type, PLT_DIDevice** _device)
{
    u32 result = 0;
    if (_device == nullptr)
        return PLT_DIERR_INVALIDPARAM;
    *_device = nullptr;
    if (Injected(PLT_DICALL_CREATEDEVICE, &result))
        return result;
    if (!s_input.objectUsed[ObjectIndex(this)])
        return PLT_DIERR_NOTINITIALIZED;
    u32 slot = 0;
    while (slot < MAX_DEVICES && s_input.devices[slot].used)
        ++slot;
    if (slot == MAX_DEVICES)
        return PLT_DIERR_OUTOFMEMORY;

    DeviceState& device = s_input.devices[slot];
    device = DeviceState();
    device.type = _type;
    if (_type == PLT_DIDEVICE_JOYSTICK) {
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
            return PLT_DIERR_DEVICENOTREG;
        device.joystick = SDL_NumJoysticks() > 0 ? SDL_JoystickOpen(0) : nullptr;
        if (device.joystick == nullptr) {
            SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
            return PLT_DIERR_DEVICENOTREG;
        }
        device.joystickInit = 1;
    }
    device.used = 1;
    *_device = &s_input.handles[slot];
    return PLT_DI_OK;
}

u32 PLT_DirectInput::GameControllerCount()
{
    const u32 index = ObjectIndex(this);
    if (!s_input.objectUsed[index])
        return 0;
    if (!s_input.objectJoystickInit[index]) {
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
            return 0;
        s_input.objectJoystickInit[index] = 1;
    }
    const int count = SDL_NumJoysticks();
    return count > 0 ? (u32)count : 0;
}

void PLT_DirectInput::Release()
{
    const u32 index = ObjectIndex(this);
    if (!s_input.objectUsed[index])
        return;
    if (s_input.objectJoystickInit[index])
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    s_input.objectJoystickInit[index] = 0;
    s_input.objectUsed[index] = 0;
}

// ---- devices ----

u32 PLT_DIDevice::SetDataFormat(PLT_DIDataFormat _format)
{
    DeviceState& device = StateOf(this);
    u32 result = 0;
    if (Refused(PLT_DICALL_SETDATAFORMAT, device, &result))
        return result;
    if (device.acquired)
        return PLT_DIERR_ACQUIRED;
    const PLT_DIDataFormat expected = device.type == PLT_DIDEVICE_KEYBOARD ? PLT_DIFORMAT_KEYBOARD
                                      : device.type == PLT_DIDEVICE_MOUSE  ? PLT_DIFORMAT_MOUSE
                                                                           : PLT_DIFORMAT_JOYSTICK;
    // The stand-in knows only the standard format of each device kind.
    if (_format != expected)
        return PLT_DIERR_INVALIDPARAM;
    device.format = _format;
    return PLT_DI_OK;
}

u32 PLT_DIDevice::SetCooperativeLevel(void* _window, u32 _flags)
{
    DeviceState& device = StateOf(this);
    u32 result = 0;
    if (Refused(PLT_DICALL_SETCOOPERATIVELEVEL, device, &result))
        return result;
    const u32 exclusive = _flags & (PLT_DISCL_EXCLUSIVE | PLT_DISCL_NONEXCLUSIVE);
    const u32 foreground = _flags & (PLT_DISCL_FOREGROUND | PLT_DISCL_BACKGROUND);
    if ((exclusive != PLT_DISCL_EXCLUSIVE && exclusive != PLT_DISCL_NONEXCLUSIVE) ||
        (foreground != PLT_DISCL_FOREGROUND && foreground != PLT_DISCL_BACKGROUND) ||
        (_flags & ~(exclusive | foreground)) != 0)
        return PLT_DIERR_INVALIDPARAM;
    if (device.acquired)
        return PLT_DIERR_ACQUIRED;
    device.cooperation = _flags;
    device.window = _window;
    return PLT_DI_OK;
}

u32 PLT_DIDevice::SetBufferSize(u32 _records)
{
    DeviceState& device = StateOf(this);
    u32 result = 0;
    if (Refused(PLT_DICALL_SETPROPERTY, device, &result))
        return result;
    if (device.acquired)
        return PLT_DIERR_ACQUIRED;
    if (_records > MAX_BUFFER)
        return PLT_DIERR_INVALIDPARAM;
    device.bufferSize = _records;
    ClearBuffer(device);
    return PLT_DI_OK;
}

u32 PLT_DIDevice::SetRange(u32 _axisOffset, s32 _minimum, s32 _maximum)
{
    DeviceState& device = StateOf(this);
    u32 result = 0;
    if (Refused(PLT_DICALL_SETPROPERTY, device, &result))
        return result;
    const s32 axis = JoystickAxis(device, _axisOffset);
    if (axis < 0 || _minimum >= _maximum)
        return PLT_DIERR_INVALIDPARAM;
    device.axes[axis].minimum = _minimum;
    device.axes[axis].maximum = _maximum;
    return PLT_DI_OK;
}

u32 PLT_DIDevice::SetDeadZone(u32 _axisOffset, u32 _deadZone)
{
    DeviceState& device = StateOf(this);
    u32 result = 0;
    if (Refused(PLT_DICALL_SETPROPERTY, device, &result))
        return result;
    const s32 axis = JoystickAxis(device, _axisOffset);
    if (axis < 0 || _deadZone > 10000)
        return PLT_DIERR_INVALIDPARAM;
    device.axes[axis].deadZone = _deadZone;
    return PLT_DI_OK;
}

u32 PLT_DIDevice::GetCapabilities(PLT_DIDevCaps* _caps)
{
    DeviceState& device = StateOf(this);
    u32 result = 0;
    if (_caps == nullptr)
        return PLT_DIERR_INVALIDPARAM;
    if (Refused(PLT_DICALL_GETCAPABILITIES, device, &result))
        return result;
    *_caps = PLT_DIDevCaps();
    switch (device.type) {
    case PLT_DIDEVICE_KEYBOARD:
        _caps->buttons = 256;
        break;
    case PLT_DIDEVICE_MOUSE:
        _caps->axes = 3;
        _caps->buttons = 4;
        break;
    case PLT_DIDEVICE_JOYSTICK:
        if (device.joystick == nullptr)
            return PLT_DIERR_UNPLUGGED;
        _caps->axes = (u32)SDL_max(SDL_JoystickNumAxes(device.joystick), 0);
        _caps->buttons = (u32)SDL_max(SDL_JoystickNumButtons(device.joystick), 0);
        _caps->povs = (u32)SDL_max(SDL_JoystickNumHats(device.joystick), 0);
        break;
    }
    return PLT_DI_OK;
}

u32 PLT_DIDevice::Acquire()
{
    DeviceState& device = StateOf(this);
    u32 result = 0;
    if (Refused(PLT_DICALL_ACQUIRE, device, &result))
        return result;
    if (device.format == PLT_DIFORMAT_NONE)
        return PLT_DIERR_INVALIDPARAM;
    if (device.acquired)
        return PLT_DI_NOEFFECT;
    if ((device.cooperation & PLT_DISCL_FOREGROUND) != 0 && s_input.background)
        return PLT_DIERR_OTHERAPPHASPRIO;
    if (Unplugged(device))
        return PLT_DIERR_UNPLUGGED;
    device.acquired = 1;
    device.lost = 0;
    memset(device.motion, 0, sizeof(device.motion));
    UpdateRelativeMouse();
    return PLT_DI_OK;
}

u32 PLT_DIDevice::Unacquire()
{
    DeviceState& device = StateOf(this);
    if (!device.used)
        return PLT_DIERR_NOTINITIALIZED;
    if (!device.acquired && !device.lost)
        return PLT_DI_NOEFFECT;
    device.acquired = 0;
    device.lost = 0;
    UpdateRelativeMouse();
    return PLT_DI_OK;
}

u32 PLT_DIDevice::Poll()
{
    DeviceState& device = StateOf(this);
    u32 result = 0;
    if (Refused(PLT_DICALL_POLL, device, &result))
        return result;
    result = AcquisitionFailure(device);
    if (result != PLT_DI_OK)
        return result;
    if (device.type != PLT_DIDEVICE_JOYSTICK)
        return PLT_DI_NOEFFECT;  // keyboard and mouse need no polling
    SDL_JoystickUpdate();
    return PLT_DI_OK;
}

u32 PLT_DIDevice::GetDeviceState(u32 _size, void* _data)
{
    DeviceState& device = StateOf(this);
    u32 result = 0;
    if (_data == nullptr)
        return PLT_DIERR_INVALIDPARAM;
    if (Refused(PLT_DICALL_GETDEVICESTATE, device, &result))
        return result;
    if (device.format == PLT_DIFORMAT_NONE || _size != FormatSize(device.format))
        return PLT_DIERR_INVALIDPARAM;
    result = AcquisitionFailure(device);
    if (result != PLT_DI_OK)
        return result;

    switch (device.type) {
    case PLT_DIDEVICE_KEYBOARD:
        memcpy(_data, s_input.keys, sizeof(s_input.keys));
#ifdef QV_KEY_SCRIPT
        // A scripted key has been seen down once: it is up from now on.
        for (u32 i = 0; i < 256; ++i) {
            if (s_input.scriptedKeys[i]) {
                s_input.scriptedKeys[i] = 0;
                s_input.keys[i] = 0;
            }
        }
#endif
        break;
    case PLT_DIDEVICE_MOUSE: {
        u8* out = (u8*)_data;
        for (u32 i = 0; i < 3; ++i)
            OS_WriteU32LE(out + 4 * i, (u32)device.motion[i]);
        memcpy(out + 12, s_input.mouseButtons, sizeof(s_input.mouseButtons));
        memset(device.motion, 0, sizeof(device.motion));
        break;
    }
    case PLT_DIDEVICE_JOYSTICK: {
        PLT_DIJoyState state;
        const s32 axes = SDL_JoystickNumAxes(device.joystick);
        for (s32 i = 0; i < (s32)NUM_AXES && i < axes; ++i)
            state.axes[i] = ScaleAxis(SDL_JoystickGetAxis(device.joystick, i), device.axes[i]);
        const AxisSetting sliderRange;
        for (s32 i = 0; i < 2 && (s32)NUM_AXES + i < axes; ++i)
            state.sliders[i] = ScaleAxis(SDL_JoystickGetAxis(device.joystick, (s32)NUM_AXES + i), sliderRange);
        const s32 hats = SDL_JoystickNumHats(device.joystick);
        for (s32 i = 0; i < 4; ++i)
            state.povs[i] = i < hats ? PovOf(SDL_JoystickGetHat(device.joystick, i)) : 0xFFFFFFFFu;
        const s32 buttons = SDL_JoystickNumButtons(device.joystick);
        for (s32 i = 0; i < 32 && i < buttons; ++i)
            state.buttons[i] = SDL_JoystickGetButton(device.joystick, i) ? 0x80 : 0;
        memcpy(_data, &state, sizeof(state));
        break;
    }
    }
    return PLT_DI_OK;
}

u32 PLT_DIDevice::GetDeviceData(PLT_DIDeviceObjectData* _records, u32* _count)
{
    DeviceState& device = StateOf(this);
    u32 result = 0;
    if (_records == nullptr || _count == nullptr)
        return PLT_DIERR_INVALIDPARAM;
    const u32 room = *_count;
    *_count = 0;
    if (Refused(PLT_DICALL_GETDEVICEDATA, device, &result))
        return result;
    result = AcquisitionFailure(device);
    if (result != PLT_DI_OK)
        return result;
    if (device.bufferSize == 0)
        return PLT_DIERR_NOTBUFFERED;
    u32 taken = 0;
    while (taken < room && device.count > 0) {
        _records[taken++] = device.records[device.head];
        device.head = (device.head + 1) % device.bufferSize;
        --device.count;
    }
    *_count = taken;
    result = device.overflow ? PLT_DI_BUFFEROVERFLOW : PLT_DI_OK;
    device.overflow = 0;
    return result;
}

void PLT_DIDevice::Release()
{
    DeviceState& device = StateOf(this);
    if (!device.used)
        return;
    device.acquired = 0;
    device.lost = 0;
    CloseJoystick(device);
    device.used = 0;
    UpdateRelativeMouse();
}

void PLT_DIFailNext(PLT_DICall _call, u32 _result)
{
    if (_call >= PLT_DICALL_COUNT)
        return;
    s_input.failArmed[_call] = 1;
    s_input.failResult[_call] = _result;
}

#ifdef QV_KEY_SCRIPT
u32 PLT_DIScriptKey(u32 _scanCode)
{
    if (_scanCode == 0 || _scanCode > 255)
        return 0;
    u32 recorded = 0;
    for (const DeviceState& device : s_input.devices)
        if (device.used && device.type == PLT_DIDEVICE_KEYBOARD && device.acquired)
            ++recorded;
    if (recorded == 0)
        return 0;
    const u32 time = SDL_GetTicks();
    Record(PLT_DIDEVICE_KEYBOARD, _scanCode, 0x80, time);
    Record(PLT_DIDEVICE_KEYBOARD, _scanCode, 0, time);
    s_input.keys[_scanCode] = 0x80;
    s_input.scriptedKeys[_scanCode] = 1;
    return recorded;
}
#endif

// ---- the feed from the SDL system ----

void PLT_InputFeed(const SDL_Event& _event)
{
    switch (_event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        // DirectInput reports the change of a key, never the typematic repeat.
        if (_event.key.repeat)
            break;
        const u32 dik = ScanCodeOf(_event.key.keysym.scancode);
        if (dik == 0)
            break;
        const u8 data = _event.type == SDL_KEYDOWN ? 0x80 : 0;
        s_input.keys[dik] = data;
        Record(PLT_DIDEVICE_KEYBOARD, dik, data, _event.key.timestamp);
        break;
    }
    case SDL_MOUSEMOTION:
        if (_event.motion.xrel != 0)
            Record(PLT_DIDEVICE_MOUSE, PLT_DIMOFS_X, (u32)_event.motion.xrel, _event.motion.timestamp);
        if (_event.motion.yrel != 0)
            Record(PLT_DIDEVICE_MOUSE, PLT_DIMOFS_Y, (u32)_event.motion.yrel, _event.motion.timestamp);
        break;
    case SDL_MOUSEWHEEL: {
        s32 steps = _event.wheel.y;
        if (_event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            steps = -steps;
        if (steps != 0)
            Record(PLT_DIDEVICE_MOUSE, PLT_DIMOFS_Z, (u32)(steps * WHEEL_STEP), _event.wheel.timestamp);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
        FeedMouseButton(_event.button, 1);
        break;
    case SDL_MOUSEBUTTONUP:
        FeedMouseButton(_event.button, 0);
        break;
    case SDL_WINDOWEVENT:
        if (_event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            LoseForeground();
        else if (_event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
            s_input.background = 0;
        break;
    default:
        break;
    }
}

void PLT_InputShutdown()
{
    for (DeviceState& device : s_input.devices) {
        device.acquired = 0;
        device.lost = 0;
        ClearBuffer(device);
        CloseJoystick(device);
    }
    for (u32 i = 0; i < MAX_OBJECTS; ++i) {
        if (s_input.objectJoystickInit[i])
            SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        s_input.objectJoystickInit[i] = 0;
    }
    if (s_input.relativeMouse)
        SDL_SetRelativeMouseMode(SDL_FALSE);
    s_input.relativeMouse = 0;
    memset(s_input.keys, 0, sizeof(s_input.keys));
#ifdef QV_KEY_SCRIPT
    memset(s_input.scriptedKeys, 0, sizeof(s_input.scriptedKeys));
#endif
    memset(s_input.mouseButtons, 0, sizeof(s_input.mouseButtons));
    s_input.background = 0;
    memset(s_input.failArmed, 0, sizeof(s_input.failArmed));
}
