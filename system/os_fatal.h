// The one way to stop on an error, the one log, and the shared format buffer.
//
// OS_Fatal keeps both texts (caption: where, as "Class::Method()"; message: what, lower
// case, no full stop), logs "[TERMINATION] caption message", breaks into a debugger with
// "-debugger" and throws OS_FatalError. The main loop catches it, runs the emergency
// clean-up once, shows the box and ends the process with a non-zero exit code.
// Nothing may swallow OS_FatalError: no catch (...) without rethrow. Never call OS_Fatal
// from a destructor.
#pragma once

#include "os_types.h"

// Thrown by OS_Fatal. Deliberately not derived from std::exception.
class OS_FatalError
{
public:
    const char* Caption() const;  // the process-wide caption buffer (last fatal error)
    const char* Message() const;  // the process-wide message buffer (last fatal error)
};

[[noreturn]] void OS_Fatal(const char* _caption, const char* _message);

// The texts of the last fatal error (char[512] each, always terminated).
const char* OS_GetFatalCaption();
const char* OS_GetFatalMessage();

// Appends one line to "log.txt" in the working directory. The first call of the process
// deletes the previous log; the file is opened and closed for every line.
void OS_Log(const char* _text);

// printf into one shared 2048-byte buffer, valid until the next call. Longer results are
// cut to 2047 characters.
const char* OS_Format(const char* _format, ...) __attribute__((format(printf, 1, 2)));

// Returns only when the file exists on disk or in the archive; otherwise fatal with the
// file name as caption and "ERROR: FILE NOT FOUND" as message.
void OS_RequireFile(const char* _name);

// The math-library error hook: logs one "MATHERR: ..." line and returns 0.
// _type: 1 domain, 2 singularity, 3 overflow, 4 underflow, 5 total loss, 6 partial loss.
s32 MAT_MathErrorHandler(s32 _type, const char* _function, f64 _arg1, f64 _arg2);

// Command-line switch test: 1 when the text occurs anywhere in the saved command line.
u32 OS_HasSwitch(const char* _switch);
