// The program's entry: the command line as one text, as the shell expects it.
#include <string>

#include "app.h"
#include "app_register.h"
#include "os_shell.h"

#if defined(QV_SANITIZE)
// Sanitizer builds (the test build runs the program end to end): the graphics stack unloads its
// driver libraries before the leak check at exit, which would leave their own small leaks
// without a library name for tools/lsan.supp to match. The program keeps every library it has
// loaded instead, as the test programs do (tests/common/test_main.cpp).
extern "C" int dlclose(void*) { return 0; }
#endif

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
