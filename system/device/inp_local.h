// Result tests shared by the three input devices.
#pragma once

#include "inp_dierror.h"
#include "os_fatal.h"
#include "plt_input.h"

inline bool INP_Succeeded(u32 _result) { return _result == PLT_DI_OK || _result == PLT_DI_NOEFFECT; }

// The device was taken away (focus lost, not acquired): acquire again and retry later.
inline bool INP_Lost(u32 _result) { return _result == PLT_DIERR_INPUTLOST || _result == PLT_DIERR_NOTACQUIRED; }

// A failed call is fatal with the DirectInput error name as caption and the call as message.
inline void INP_Check(u32 _result, const char* _call)
{
    if (!INP_Succeeded(_result))
        OS_Fatal(INP_DIErrorName(_result), _call);
}
