// The keyboard's and the mouse's common ground: a set-up for buffered reading in which every
// failure is fatal (caption: the DirectInput error name), and batches of at most 32 records
// fetched from the device and handed out one a call. The next batch is fetched only when the
// last one is used up, so records already fetched are still handed out after the device is
// lost.
#pragma once

#include "inp_device.h"

class INP_BufferedDevice : public INP_Device
{
protected:
    // What sets one buffered device apart from the other.
    struct Setup
    {
        PLT_DIDeviceType type;
        PLT_DIDataFormat format;
        u32 cooperation;       // PLT_DISCL_ flags
        const char* owner;     // the class the fatal texts of the set-up name ("INP_Mouse")
        const char* readCall;  // the fatal text of a failed read; must outlive the object
        const char* logName;   // see INP_Device
    };

    // Creates, sets up and acquires the device. When a step fails, the INP_Device part, fully
    // built by then, gives back what the earlier steps took before the fatal error leaves.
    explicit INP_BufferedDevice(const Setup& _setup);

    // The next record (valid until the next call), or null when none is pending and the device
    // has none. A lost device is acquired again and answers null; any other failure is fatal.
    const PLT_DIDeviceObjectData* NextRecord();

private:
    enum : u32
    {
        BUFFER_RECORDS = 32
    };

    const char* m_readCall;
    PLT_DIDeviceObjectData m_records[BUFFER_RECORDS];
    u32 m_pending = 0;
    u32 m_readIndex = 0;
};
