// The names of DirectInput's result codes, for the captions of the input devices' fatal errors.
#pragma once

#include "os_types.h"

// The name of a result code; "UNKOWN DI ERROR CODE" for codes it does not know.
const char* INP_DIErrorName(u32 _result);
