// DirectInput result names.
#include "inp_dierror.h"

#include <gtest/gtest.h>

TEST(DIErrorNameTest, NamesTheKnownCodesAndOnlyThose)
{
    const struct
    {
        u32 result;
        const char* name;
    } cases[] = {
        {0x00000000, "DI_OK"},
        {0x00000001, "DI_BUFFEROVERFLOW | DI_NOEFFECT | DI_NOTATTACHED | DI_PROPNOEFFECT"},
        {0x00000013, "DI_WRITEPROTECT"},
        {0x8000000A, "E_PENDING"},
        {0x80040206, "DIERR_INCOMPLETEEFFECT | DIERR_OTHERAPPHASPRIO"},
        {0x80070002, "DIERR_NOTFOUND | DIERR_OBJECTNOTFOUND"},
        {0x8007000C, "DIERR_NOTACQUIRED"},
        {0x8007001E, "DIERR_INPUTLOST"},
        {0x800704DF, "DIERR_ALREADYINITIALIZED"},
        {0x00000005, "UNKOWN DI ERROR CODE"},
        {0x80000000, "UNKOWN DI ERROR CODE"},
        {0xFFFFFFFF, "UNKOWN DI ERROR CODE"},
    };
    for (const auto& each : cases)
        EXPECT_STREQ(each.name, INP_DIErrorName(each.result)) << std::hex << each.result;
}
