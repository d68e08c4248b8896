// The math-library error hook.
#include <gtest/gtest.h>

#include <string>

#include "mat_matherr.h"
#include "test_dir.h"

namespace
{

TEST(OsMathErrorTest, LogsOneLinePerErrorType)
{
    TST_TempDir dir;
    const char* const expected[] = {
        "MATHERR: unknown matherr type in f(1.000000, 2.000000)",
        "MATHERR: Argument domain error in f(1.000000, 2.000000)",
        "MATHERR: Argument singularity in f(1.000000, 2.000000)",
        "MATHERR: Overflow range error in f(1.000000, 2.000000)",
        "MATHERR: The result is too small in f(1.000000, 2.000000)",
        "MATHERR: Total loss of significance in f(1.000000, 2.000000)",
        "MATHERR: Partial loss of significance in f(1.000000, 2.000000)",
        "MATHERR: unknown matherr type in f(1.000000, 2.000000)",
    };
    std::string all;
    for (s32 type = 0; type <= 7; ++type) {
        EXPECT_EQ(0, MAT_MathErrorHandler(type, "f", 1.0, 2.0));
        all += std::string(expected[type]) + "\n";
    }
    EXPECT_NE(std::string::npos, dir.Read("log.txt").find(all));
}

}  // namespace
