// Set-up and batch reading of the buffered input devices.
#include "inp_buffereddevice.h"

#include "inp_dierror.h"
#include "inp_local.h"
#include "os_fatal.h"
#include "os_shell.h"

namespace
{

// INP_Check for the set-up steps after the device exists, whose texts name the owner.
void CheckSetUp(u32 _result, const char* _owner, const char* _call)
{
    if (!INP_Succeeded(_result))
        OS_Fatal(INP_DIErrorName(_result), OS_Format("%s::Init() - %s()", _owner, _call));
}

}  // namespace

INP_BufferedDevice::INP_BufferedDevice(const Setup& _setup) : INP_Device(_setup.logName), m_readCall(_setup.readCall)
{
    // The first two texts name the keyboard whichever device is set up: the mouse has always
    // shared them, and the texts are what a user reports.
    INP_Check(PLT_DirectInput::Create(PLT_DIRECTINPUT_VERSION, &m_directInput),
              "INP_Keyboard::Init() - DirectInputCreate()");
    INP_Check(m_directInput->CreateDevice(_setup.type, &m_device), "INP_Keyboard::Init() - CreateDevice()");
    CheckSetUp(m_device->SetDataFormat(_setup.format), _setup.owner, "SetDataFormat");
    CheckSetUp(m_device->SetCooperativeLevel(OS_GetWindow(), _setup.cooperation), _setup.owner, "SetCooperativeLevel");
    CheckSetUp(m_device->SetBufferSize(BUFFER_RECORDS), _setup.owner, "SetProperty");
    CheckSetUp(m_device->Acquire(), _setup.owner, "Acquire");
}

const PLT_DIDeviceObjectData* INP_BufferedDevice::NextRecord()
{
    if (m_pending == 0) {
        u32 count = BUFFER_RECORDS;
        const u32 result = m_device->GetDeviceData(m_records, &count);
        if (INP_Lost(result)) {
            m_device->Acquire();
            return nullptr;
        }
        INP_Check(result, m_readCall);
        m_pending = count <= BUFFER_RECORDS ? count : BUFFER_RECORDS;
        m_readIndex = 0;
        if (m_pending == 0)
            return nullptr;
    }
    const PLT_DIDeviceObjectData* record = &m_records[m_readIndex];
    ++m_readIndex;
    --m_pending;
    return record;
}
