// The math-library error hook: one log line per reported error, never fatal.
#pragma once

#include "os_types.h"

// Logs one "MATHERR: ..." line and returns 0.
// _type: 1 domain, 2 singularity, 3 overflow, 4 underflow, 5 total loss, 6 partial loss.
s32 MAT_MathErrorHandler(s32 _type, const char* _function, f64 _arg1, f64 _arg2);
