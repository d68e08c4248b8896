// The log file and the shared format buffer.
#include <cstdarg>
#include <cstdio>

#include "os_fatal.h"
#include "os_string.h"

namespace
{
char s_formatBuffer[2048];
u32 s_logStarted = 0;
}  // namespace

const char* OS_Format(const char* _format, ...)
{
    va_list args;
    va_start(args, _format);
    // Bounded: a longer result is cut to 2047 characters.
    vsnprintf(s_formatBuffer, sizeof(s_formatBuffer), _format, args);
    va_end(args);
    return s_formatBuffer;
}

void OS_Log(const char* _text)
{
    if (!s_logStarted) {
        s_logStarted = 1;
        remove("log.txt");
    }
    FILE* file = fopen("log.txt", "a+");
    if (file == nullptr)
        return;
    fprintf(file, "%s\n", _text ? _text : "");
    fclose(file);
}
