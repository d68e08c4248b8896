// What the keyboard, the mouse and the joystick have in common: a DirectInput object with one
// device of it, given back when the object goes, and acquisition on the program's behalf.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"
#include "plt_input.h"

class INP_Device : public MEM_Object
{
public:
    INP_Device(const INP_Device&) = delete;
    INP_Device& operator=(const INP_Device&) = delete;

    // Both answer 1. Without a device they do nothing; with one they log "<name> acquired" or
    // "<name> unacquired".
    s32 Acquire();
    s32 Unacquire();

protected:
    // _logName begins the log lines of Acquire and Unacquire; it must outlive the object.
    explicit INP_Device(const char* _logName);
    virtual ~INP_Device();

    // Runs when the program acquires the device, before the log line: a device that must not
    // hand out what arrived while it was away drops it here.
    virtual void OnAcquired() {}

    // Unacquires and frees the device; the DirectInput object stays.
    void ReleaseDevice();
    // The device first, then the DirectInput object. Safe on a half-built object, so that a
    // failed set-up can give back what it took.
    void ReleaseAll();

    PLT_DirectInput* m_directInput = nullptr;
    PLT_DIDevice* m_device = nullptr;

private:
    const char* m_logName;
};
