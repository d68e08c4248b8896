// The mouse over the DirectInput-shaped stand-in.
#include "inp_mouse.h"

#include "inp_dierror.h"
#include "inp_local.h"
#include "os_fatal.h"
#include "os_shell.h"

INP_Mouse* SITO_MOUSE = nullptr;

namespace
{

const u32 BUFFER_RECORDS = 32;

}  // namespace

INP_Mouse::INP_Mouse()
{
    // A constructor that stops runs no destructor: give back what the set-up took.
    try {
        Init();
    } catch (const OS_FatalError&) {
        Exit();
        throw;
    }
}

INP_Mouse::~INP_Mouse() { Exit(); }

void INP_Mouse::Init()
{
    // The first two texts name the keyboard: the mouse's set-up shares them.
    INP_Check(PLT_DirectInput::Create(PLT_DIRECTINPUT_VERSION, &m_directInput), "INP_Keyboard::Init() - DirectInputCreate()");
    INP_Check(m_directInput->CreateDevice(PLT_DIDEVICE_MOUSE, &m_device), "INP_Keyboard::Init() - CreateDevice()");
    INP_Check(m_device->SetDataFormat(PLT_DIFORMAT_MOUSE), "INP_Mouse::Init() - SetDataFormat()");
    const u32 cooperation = OS_IsFullscreen() ? PLT_DISCL_EXCLUSIVE | PLT_DISCL_FOREGROUND
                                              : PLT_DISCL_NONEXCLUSIVE | PLT_DISCL_FOREGROUND;
    INP_Check(m_device->SetCooperativeLevel(OS_GetWindow(), cooperation), "INP_Mouse::Init() - SetCooperativeLevel()");
    INP_Check(m_device->SetBufferSize(BUFFER_RECORDS), "INP_Mouse::Init() - SetProperty()");
    INP_Check(m_device->Acquire(), "INP_Mouse::Init() - Acquire()");
}

void INP_Mouse::Exit()
{
    if (m_device != nullptr) {
        m_device->Unacquire();
        m_device->Release();
        m_device = nullptr;
    }
    if (m_directInput != nullptr) {
        m_directInput->Release();
        m_directInput = nullptr;
    }
}

u32 INP_Mouse::GetEvent(INP_MouseEvent* _event)
{
    if (m_pending == 0) {
        u32 count = BUFFER_RECORDS;
        const u32 result = m_device->GetDeviceData(m_events, &count);
        if (INP_Lost(result)) {
            m_device->Acquire();
            return 0;
        }
        INP_Check(result, "INP_Mouse::GetEvent() - GetDeviceData()");
        m_pending = count <= BUFFER_RECORDS ? count : BUFFER_RECORDS;
        m_readIndex = 0;
    }
    if (m_pending == 0)
        return 0;
    const PLT_DIDeviceObjectData& record = m_events[m_readIndex];
    ++m_readIndex;
    --m_pending;
    switch (record.offset) {
    case PLT_DIMOFS_X:
        _event->type = INP_MOUSE_MOVE_X;
        _event->value = record.data;
        break;
    case PLT_DIMOFS_Y:
        _event->type = INP_MOUSE_MOVE_Y;
        _event->value = record.data;
        break;
    case PLT_DIMOFS_Z:
        _event->type = INP_MOUSE_WHEEL;
        _event->value = record.data;
        break;
    case PLT_DIMOFS_BUTTON0:
    case PLT_DIMOFS_BUTTON1:
    case PLT_DIMOFS_BUTTON2:
    case PLT_DIMOFS_BUTTON3:
        _event->type = record.data != 0 ? INP_MOUSE_BUTTON_DOWN : INP_MOUSE_BUTTON_UP;
        _event->value = record.offset - PLT_DIMOFS_BUTTON0;
        break;
    default:
        _event->type = INP_MOUSE_OTHER;
        _event->value = record.data;
        break;
    }
    return 1;
}

s32 INP_Mouse::Acquire()
{
    if (m_device == nullptr)
        return 1;
    m_device->Acquire();
    OS_Log("mous acquired");
    return 1;
}

s32 INP_Mouse::Unacquire()
{
    if (m_device == nullptr)
        return 1;
    m_device->Unacquire();
    OS_Log("mous unacquired");
    return 1;
}
