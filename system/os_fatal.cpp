// OS_Fatal, the two error buffers, the file requirement and the math-error hook.
#include "os_fatal.h"

#include "../platform/plt_system.h"
#include "os_file.h"
#include "os_string.h"

namespace
{
char s_caption[512];
char s_message[512];
}

const char* OS_FatalError::Caption() const { return s_caption; }
const char* OS_FatalError::Message() const { return s_message; }

const char* OS_GetFatalCaption() { return s_caption; }
const char* OS_GetFatalMessage() { return s_message; }

void OS_Fatal(const char* _caption, const char* _message)
{
    // Copy first: either text may live in the format buffer that the log line reuses.
    OS_StrCopyBounded(s_caption, _caption ? _caption : "", sizeof(s_caption));
    OS_StrCopyBounded(s_message, _message ? _message : "", sizeof(s_message));
    OS_Log(OS_Format("[TERMINATION] %s %s\n", s_caption, s_message));
    if (OS_HasSwitch("-debugger"))
        PLT_GetSystem()->DebugBreak();
    throw OS_FatalError();
}

void OS_RequireFile(const char* _name)
{
    if (!OS_File::Exists(_name))
        OS_Fatal(_name, "ERROR: FILE NOT FOUND");
}

s32 MAT_MathErrorHandler(s32 _type, const char* _function, f64 _arg1, f64 _arg2)
{
    static const char* const s_lines[] = {
        "MATHERR: unknown matherr type in %s(%f, %f)",
        "MATHERR: Argument domain error in %s(%f, %f)",
        "MATHERR: Argument singularity in %s(%f, %f)",
        "MATHERR: Overflow range error in %s(%f, %f)",
        "MATHERR: The result is too small in %s(%f, %f)",
        "MATHERR: Total loss of significance in %s(%f, %f)",
        "MATHERR: Partial loss of significance in %s(%f, %f)",
    };
    const char* line = (_type >= 1 && _type <= 6) ? s_lines[_type] : s_lines[0];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    OS_Log(OS_Format(line, _function ? _function : "", _arg1, _arg2));
#pragma GCC diagnostic pop
    return 0;
}
