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
