// The main of every test program: start-up registration runs in the same fixed order as in
// the program, then the tests.
#include <gtest/gtest.h>

#include <cstdlib>

#include "sys_register.h"

int main(int _argc, char** _argv)
{
    // Headless unless the caller chose otherwise: no display, no sound card.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    testing::InitGoogleTest(&_argc, _argv);
    SYS_RegisterAll();
    const int result = RUN_ALL_TESTS();
    SYS_UnregisterAll();
    return result;
}
