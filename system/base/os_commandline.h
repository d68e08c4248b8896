// The saved command line. The fatal-error path ("-debugger") and the pools ("-logmem") test
// switches, so it lives at the bottom; the shell saves it at entry.
#pragma once

#include "os_types.h"

// Saves the command line (at most 1023 characters); done by OS_WinMain, and by tests.
void OS_SetCommandLine(const char* _commandLine);
const char* OS_GetCommandLine();
u32 OS_HasCommandLine();

// Command-line switch test: 1 when the text occurs anywhere in the saved command line.
u32 OS_HasSwitch(const char* _switch);
