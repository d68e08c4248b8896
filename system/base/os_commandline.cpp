// The saved command line and the switch test.
#include "os_commandline.h"
#include "os_fatal.h"
#include "os_string.h"

namespace
{
char s_commandLine[1024];
u32 s_commandLineSaved = 0;
}  // namespace

void OS_SetCommandLine(const char* _commandLine)
{
    OS_StrCopyBounded(s_commandLine, _commandLine ? _commandLine : "", sizeof(s_commandLine));
    s_commandLineSaved = 1;
}

const char* OS_GetCommandLine() { return s_commandLine; }
u32 OS_HasCommandLine() { return s_commandLineSaved; }

u32 OS_HasSwitch(const char* _switch) { return OS_StrStr(s_commandLine, _switch) != nullptr ? 1 : 0; }
