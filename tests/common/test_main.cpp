// The main of every test program: start-up registration runs in the same fixed order as in
// the program, then the tests.
#include <gtest/gtest.h>

#include "sys_register.h"

int main(int _argc, char** _argv)
{
    testing::InitGoogleTest(&_argc, _argv);
    SYS_RegisterAll();
    const int result = RUN_ALL_TESTS();
    SYS_UnregisterAll();
    return result;
}
