// The program's entry: the command line as one text, as the shell expects it.
#include <string>

#include "app.h"
#include "app_register.h"
#include "os_shell.h"

int main(int _argc, char** _argv)
{
    std::string commandLine;
    for (int i = 1; i < _argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += _argv[i];
    }
    Brisel_RegisterModules();
    const int exitCode = OS_WinMain(Brisel_GetApplication(), commandLine.c_str());
    Brisel_UnregisterModules();
    return exitCode;
}
