// The math-library error hook.
#include "mat_matherr.h"

#include "os_fatal.h"

s32 MAT_MathErrorHandler(s32 _type, const char* _function, f64 _arg1, f64 _arg2)
{
    static const char* const s_lines[] = {
        "MATHERR: unknown matherr type in %s(%f, %f)",         "MATHERR: Argument domain error in %s(%f, %f)",
        "MATHERR: Argument singularity in %s(%f, %f)",         "MATHERR: Overflow range error in %s(%f, %f)",
        "MATHERR: The result is too small in %s(%f, %f)",      "MATHERR: Total loss of significance in %s(%f, %f)",
        "MATHERR: Partial loss of significance in %s(%f, %f)",
    };
    const char* line = (_type >= 1 && _type <= 6) ? s_lines[_type] : s_lines[0];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    OS_Log(OS_Format(line, _function ? _function : "", _arg1, _arg2));
#pragma GCC diagnostic pop
    return 0;
}
