// Weak references: clearing on the target's death, list upkeep, copies.
// Run under the sanitizer configuration these also prove that no list link outlives its node.
#include <gtest/gtest.h>

#include "rti_class.h"
#include "rti_pointer.h"
#include "sim_name.h"

namespace
{
TEST(RtiPointerTest, AllPointersReadNullAfterTheTargetDies)
{
    RTI_Class* target = new RTI_Class();
    RTI_Pointer pointers[3];
    for (RTI_Pointer& pointer : pointers) {
        EXPECT_EQ(nullptr, pointer.Get());
        pointer.Set(target);
        EXPECT_EQ(target, pointer.Get());
    }
    delete target;
    for (RTI_Pointer& pointer : pointers)
        EXPECT_EQ(nullptr, pointer.Get());
    pointers[1].Set(nullptr);  // cleared pointers stay usable
    EXPECT_EQ(nullptr, pointers[1].Get());
}

TEST(RtiPointerTest, DeletingOnePointerKeepsTheOthersLinked)
{
    // The last one set heads the target's list: leave from the head, the middle and the tail.
    for (int leaving = 0; leaving < 3; ++leaving) {
        RTI_Class* target = new RTI_Class();
        RTI_Pointer* pointers[3];
        for (RTI_Pointer*& pointer : pointers) {
            pointer = new RTI_Pointer();
            pointer->Set(target);
        }
        delete pointers[leaving];
        for (int i = 0; i < 3; ++i) {
            if (i != leaving) {
                EXPECT_EQ(target, pointers[i]->Get()) << leaving << " " << i;
            }
        }
        delete target;
        for (int i = 0; i < 3; ++i) {
            if (i != leaving) {
                EXPECT_EQ(nullptr, pointers[i]->Get()) << leaving << " " << i;
                delete pointers[i];
            }
        }
    }
}

TEST(RtiPointerTest, SetMovesThePointerBetweenTargets)
{
    RTI_Class* first = new RTI_Class();
    RTI_Class* second = new RTI_Class();
    RTI_Pointer pointer;
    pointer.Set(first);
    pointer.Set(first);  // the same target changes nothing
    pointer.Set(second);
    delete first;  // no longer in its list
    EXPECT_EQ(second, pointer.Get());
    pointer.Unlink();
    EXPECT_EQ(nullptr, pointer.Get());
    pointer.Set(second);
    delete second;
    EXPECT_EQ(nullptr, pointer.Get());
}

TEST(RtiPointerTest, CopiesReferToTheSameTargetOnTheirOwn)
{
    RTI_Class* target = new RTI_Class();
    RTI_Class* other = new RTI_Class();
    RTI_Pointer* original = new RTI_Pointer();
    original->Set(target);

    RTI_Pointer copy(*original);
    RTI_Pointer assigned;
    assigned.Set(other);
    assigned = *original;
    RTI_Pointer& same = assigned;
    assigned = same;
    EXPECT_EQ(target, copy.Get());
    EXPECT_EQ(target, assigned.Get());

    delete original;  // the copies stay linked
    delete other;     // no longer referred to by the assigned pointer
    EXPECT_EQ(target, copy.Get());
    EXPECT_EQ(target, assigned.Get());
    delete target;
    EXPECT_EQ(nullptr, copy.Get());
    EXPECT_EQ(nullptr, assigned.Get());
}

TEST(RtiPointerTest, CopyingAnObjectLeavesItsPointersWithIt)
{
    SIM_Name* original = new SIM_Name("diver");
    RTI_Pointer pointer;
    pointer.Set(original);

    SIM_Name* copy = new SIM_Name(*original);
    SIM_Name assigned("other");
    RTI_Pointer toAssigned;
    toAssigned.Set(&assigned);
    assigned = *original;
    EXPECT_STREQ("diver", copy->GetName());
    EXPECT_STREQ("diver", assigned.GetName());

    delete copy;  // the pointer refers to the original only
    EXPECT_EQ(original, pointer.Get());
    EXPECT_EQ(&assigned, toAssigned.Get());
    delete original;
    EXPECT_EQ(nullptr, pointer.Get());
    EXPECT_EQ(&assigned, toAssigned.Get());
}
}  // namespace
