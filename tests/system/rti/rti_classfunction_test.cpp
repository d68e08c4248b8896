// The creator table: a creator stays with its class record whatever registers later.
#include <gtest/gtest.h>

#include "rti_class.h"

namespace
{
RTI_Class* CreateNothing() { return nullptr; }
RTI_Class* CreatorA(u32, s32, IO_InputStream&) { return nullptr; }
RTI_Class* CreatorB(u32, s32, IO_InputStream&) { return nullptr; }

TEST(RtiClassFunctionTest, CreatorFollowsItsRecordThroughLaterRegistrations)
{
    RTI_ClassDefinition* late = new RTI_ClassDefinition("RTI_Class", "TST_Mzz", &CreateNothing, 4);
    RTI_SetClassFunction(late, &CreatorA);
    const s32 before = late->GetIndex();
    EXPECT_EQ(&CreatorA, RTI_GetClassFunction((u32)before));

    // A class sorting in front renumbers the record: the creator moves with it, and the new
    // class has none.
    RTI_ClassDefinition* early = new RTI_ClassDefinition("RTI_Class", "TST_Aaa", &CreateNothing, 4);
    EXPECT_EQ(before + 1, late->GetIndex());
    EXPECT_EQ(&CreatorA, RTI_GetClassFunction((u32)late->GetIndex()));
    EXPECT_EQ(nullptr, RTI_GetClassFunction((u32)early->GetIndex()));

    // Storing again replaces; a null definition stores nothing.
    RTI_SetClassFunction(late, &CreatorB);
    RTI_SetClassFunction(nullptr, &CreatorA);
    EXPECT_EQ(&CreatorB, late->GetClassFunction());

    // Indices outside the registry have no creator.
    EXPECT_EQ(nullptr, RTI_GetClassFunction((u32)RTI_ClassDefinition::GetCount()));
    EXPECT_EQ(nullptr, RTI_GetClassFunction(0xFFFFFFFFu));
    EXPECT_EQ(nullptr, RTI_GetClassFunction(0x80000000u));
    delete early;
    delete late;
}
}  // namespace
