// The device pair the input classes share.
#include "inp_device.h"

#include "os_fatal.h"

INP_Device::INP_Device(const char* _logName) : m_logName(_logName) {}

INP_Device::~INP_Device() { ReleaseAll(); }

s32 INP_Device::Acquire()
{
    if (m_device == nullptr)
        return 1;
    m_device->Acquire();
    OnAcquired();
    OS_Log(OS_Format("%s acquired", m_logName));
    return 1;
}

s32 INP_Device::Unacquire()
{
    if (m_device == nullptr)
        return 1;
    m_device->Unacquire();
    OS_Log(OS_Format("%s unacquired", m_logName));
    return 1;
}

void INP_Device::ReleaseDevice()
{
    if (m_device == nullptr)
        return;
    m_device->Unacquire();
    m_device->Release();
    m_device = nullptr;
}

void INP_Device::ReleaseAll()
{
    ReleaseDevice();
    if (m_directInput != nullptr) {
        m_directInput->Release();
        m_directInput = nullptr;
    }
}
