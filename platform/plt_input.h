// DirectInput-shaped keyboard, mouse and joystick over SDL: the engine's input classes talk
// to devices in DirectInput's terms (result codes, scan codes, buffered records, acquisition)
// and this stand-in answers them from SDL's events and joystick state.
//
// Contract:
// - Keyboard and mouse records come from the SDL events that the platform system polls; an
//   event reaches a device only while that device is acquired, and a device keeps at most its
//   buffer size of records (the oldest go first; the next fetch answers PLT_DI_BUFFEROVERFLOW).
// - Keyboard records carry DirectInput scan codes (data 0x80 down, 0 up; auto-repeat is not a
//   record); mouse records carry relative motion, the wheel in steps of 120 and buttons 0 to 3.
// - The joystick is the first attached controller, read when polled. Axes x, y, z, rx, ry, rz
//   report in their range (0..65535 until set) with their dead zone (0..10000 of half the
//   travel); hats in hundredths of a degree clockwise from up, 0xFFFFFFFF when centred.
// - Foreground devices are lost when the window loses the focus (reads answer
//   PLT_DIERR_INPUTLOST) and cannot be acquired until it has the focus again.
// - Objects live in fixed tables, at most eight DirectInput objects and eight devices (no
//   allocation); every call is from the program's one thread.
#pragma once

#include "os_types.h"

// DirectInput's result codes; failures have bit 31 set.
enum : u32
{
    PLT_DI_OK = 0x00000000,
    PLT_DI_NOEFFECT = 0x00000001,  // also DI_BUFFEROVERFLOW
    PLT_DI_BUFFEROVERFLOW = 0x00000001,
    PLT_DIERR_GENERIC = 0x80004005,
    PLT_DIERR_DEVICENOTREG = 0x80040154,
    PLT_DIERR_OTHERAPPHASPRIO = 0x80040206,
    PLT_DIERR_NOTBUFFERED = 0x80040207,
    PLT_DIERR_UNPLUGGED = 0x80040209,
    PLT_DIERR_NOTACQUIRED = 0x8007000C,
    PLT_DIERR_OUTOFMEMORY = 0x8007000E,
    PLT_DIERR_NOTINITIALIZED = 0x80070015,
    PLT_DIERR_INPUTLOST = 0x8007001E,
    PLT_DIERR_INVALIDPARAM = 0x80070057,
    PLT_DIERR_ACQUIRED = 0x800700AA,
    PLT_DIERR_OLDDIRECTINPUTVERSION = 0x8007047E
};

inline bool PLT_DIFailed(u32 _result) { return (_result & 0x80000000u) != 0; }

const u32 PLT_DIRECTINPUT_VERSION = 0x0800;

enum PLT_DIDeviceType : u32
{
    PLT_DIDEVICE_KEYBOARD = 0,  // the system keyboard
    PLT_DIDEVICE_MOUSE,         // the system mouse
    PLT_DIDEVICE_JOYSTICK       // the first attached game controller
};

// The standard data formats, with the size of their immediate state in bytes.
enum PLT_DIDataFormat : u32
{
    PLT_DIFORMAT_NONE = 0,
    PLT_DIFORMAT_KEYBOARD,  // 256 bytes, one per scan code, bit 7 while down
    PLT_DIFORMAT_MOUSE,     // 16 bytes: x, y, wheel (s32), four button bytes
    PLT_DIFORMAT_JOYSTICK   // 80 bytes: PLT_DIJoyState
};

// Cooperative levels, DirectInput's bits: one of exclusive/non-exclusive and one of
// foreground/background.
enum : u32
{
    PLT_DISCL_EXCLUSIVE = 0x1,
    PLT_DISCL_NONEXCLUSIVE = 0x2,
    PLT_DISCL_FOREGROUND = 0x4,
    PLT_DISCL_BACKGROUND = 0x8
};

// Data offsets of the mouse format (the offset field of its records).
enum : u32
{
    PLT_DIMOFS_X = 0,
    PLT_DIMOFS_Y = 4,
    PLT_DIMOFS_Z = 8,
    PLT_DIMOFS_BUTTON0 = 12,
    PLT_DIMOFS_BUTTON1 = 13,
    PLT_DIMOFS_BUTTON2 = 14,
    PLT_DIMOFS_BUTTON3 = 15
};

// Data offsets of the joystick axes, for the range and dead-zone properties.
enum : u32
{
    PLT_DIJOFS_X = 0,
    PLT_DIJOFS_Y = 4,
    PLT_DIJOFS_Z = 8,
    PLT_DIJOFS_RX = 12,
    PLT_DIJOFS_RY = 16,
    PLT_DIJOFS_RZ = 20
};

// One buffered record: the data offset (the scan code for the keyboard), the value, the event
// time in milliseconds and a sequence number shared by all devices.
struct PLT_DIDeviceObjectData
{
    u32 offset = 0;
    u32 data = 0;
    u32 timeStamp = 0;
    u32 sequence = 0;
};

// The joystick format's immediate state.
struct PLT_DIJoyState
{
    s32 axes[6] = {};  // x, y, z, rx, ry, rz
    s32 sliders[2] = {};
    u32 povs[4] = {};
    u8 buttons[32] = {};  // 0x80 while pressed
};
static_assert(sizeof(PLT_DIJoyState) == 80, "the joystick format is 80 bytes");

struct PLT_DIDevCaps
{
    u32 axes = 0;
    u32 buttons = 0;
    u32 povs = 0;
};

class PLT_DIDevice
{
public:
    u32 SetDataFormat(PLT_DIDataFormat _format);
    // _window is the engine's window handle; the stand-in keeps it only as DirectInput does.
    u32 SetCooperativeLevel(void* _window, u32 _flags);
    // DIPROP_BUFFERSIZE for the whole device: the number of records kept (at most 256).
    u32 SetBufferSize(u32 _records);
    // DIPROP_RANGE and DIPROP_DEADZONE of one joystick axis (a PLT_DIJOFS_ offset).
    u32 SetRange(u32 _axisOffset, s32 _minimum, s32 _maximum);
    u32 SetDeadZone(u32 _axisOffset, u32 _deadZone);
    u32 GetCapabilities(PLT_DIDevCaps* _caps);
    // PLT_DI_OK, PLT_DI_NOEFFECT when already acquired.
    u32 Acquire();
    u32 Unacquire();
    u32 Poll();
    // _size must be the data format's size.
    u32 GetDeviceState(u32 _size, void* _data);
    // In: *_count the room in _records; out: the records taken, oldest first.
    u32 GetDeviceData(PLT_DIDeviceObjectData* _records, u32* _count);
    // Unacquires and frees the device; the pointer is dead afterwards.
    void Release();
};

class PLT_DirectInput
{
public:
    // DirectInput8Create: _version must be PLT_DIRECTINPUT_VERSION.
    static u32 Create(u32 _version, PLT_DirectInput** _directInput);
    u32 CreateDevice(PLT_DIDeviceType _type, PLT_DIDevice** _device);
    // How many game controllers are attached (the enumeration; the first is the one created).
    u32 GameControllerCount();
    void Release();
};

// Tests only: the next call of the named kind answers _result instead of doing its work.
enum PLT_DICall : u32
{
    PLT_DICALL_CREATE = 0,
    PLT_DICALL_CREATEDEVICE,
    PLT_DICALL_SETDATAFORMAT,
    PLT_DICALL_SETCOOPERATIVELEVEL,
    PLT_DICALL_SETPROPERTY,
    PLT_DICALL_GETCAPABILITIES,
    PLT_DICALL_ACQUIRE,
    PLT_DICALL_POLL,
    PLT_DICALL_GETDEVICESTATE,
    PLT_DICALL_GETDEVICEDATA,
    PLT_DICALL_COUNT
};
void PLT_DIFailNext(PLT_DICall _call, u32 _result);

#ifdef QV_KEY_SCRIPT
// Test builds only (the key script): the key goes down and up as two records of every
// acquired keyboard and reads as down in the keyboard's immediate state until one keyboard
// has read that state. Answers the number of keyboards that recorded it (0: none acquired).
u32 PLT_DIScriptKey(u32 _scanCode);
#endif
