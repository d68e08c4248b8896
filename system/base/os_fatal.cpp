// OS_Fatal and the two error buffers.
#include "os_fatal.h"

#include "os_commandline.h"
#include "os_string.h"
#include "plt_system.h"

namespace
{
char s_caption[512];
char s_message[512];
}  // namespace

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
