// The class registry: alphabetical indices, lookups, base links, duplicates.
#include <gtest/gtest.h>

#include <vector>

#include "os_string.h"
#include "rti_class.h"
#include "sim_name.h"
#include "test_dir.h"

namespace
{
class TST_Base : public RTI_Class
{
    RTI_DECLARE_CLASS(TST_Base)
};

class TST_Derived : public TST_Base
{
    RTI_DECLARE_CLASS(TST_Derived)

public:
    u32 payload = 7;
};
}  // namespace

RTI_IMPLEMENT_CLASS(TST_Base, "RTI_Class")
RTI_IMPLEMENT_CLASS(TST_Derived, "TST_Base")

namespace
{
RTI_Class* CreateNothing() { return nullptr; }

// An object that claims whatever record the test gives it.
class TST_AnyClass : public RTI_Class
{
public:
    RTI_ClassDefinition* GetClassDefinition() const override { return record; }
    RTI_ClassDefinition* record = nullptr;
};

// Registers records of its own and removes them again, so every test sees the start-up registry.
class RtiRegistryTest : public testing::Test
{
protected:
    void TearDown() override
    {
        for (auto it = m_records.rbegin(); it != m_records.rend(); ++it)
            delete *it;
        TST_Derived::UnregisterClassDefinition();
        TST_Base::UnregisterClassDefinition();
    }

    RTI_ClassDefinition* Register(const char* _name, const char* _baseName = "RTI_Class")
    {
        m_records.push_back(new RTI_ClassDefinition(_baseName, _name, &CreateNothing, 4));
        return m_records.back();
    }

    void Unregister(RTI_ClassDefinition* _record)
    {
        std::erase(m_records, _record);
        delete _record;
    }

    // Every index 0..count-1 answers the record that carries it, in strictly ascending
    // case-insensitive name order, and each is found by its name.
    static void ExpectConsistent()
    {
        const s32 count = RTI_ClassDefinition::GetCount();
        ASSERT_GT(count, 0);
        for (s32 i = 0; i < count; ++i) {
            RTI_ClassDefinition* record = RTI_ClassDefinition::GetByIndex(i);
            ASSERT_NE(nullptr, record) << i;
            EXPECT_EQ(i, record->GetIndex());
            EXPECT_EQ(record, RTI_ClassDefinition::Find(record->GetName()));
            if (i > 0) {
                EXPECT_LT(OS_StrICmp(RTI_ClassDefinition::GetByIndex(i - 1)->GetName(), record->GetName()), 0);
            }
        }
        EXPECT_EQ(nullptr, RTI_ClassDefinition::GetByIndex(-1));
        EXPECT_EQ(nullptr, RTI_ClassDefinition::GetByIndex(count));
    }

    std::vector<RTI_ClassDefinition*> m_records;
};

TEST_F(RtiRegistryTest, StartUpClassesAreNumberedAlphabetically)
{
    ExpectConsistent();
    RTI_ClassDefinition* root = RTI_ClassDefinition::Find("rti_class");
    ASSERT_NE(nullptr, root);
    EXPECT_STREQ("RTI_Class", root->GetName());
    EXPECT_STREQ("RTI_Class", root->GetBaseName());
    EXPECT_EQ(nullptr, root->GetBaseDefinition());

    s32 before = 0;
    for (s32 i = 0; i < RTI_ClassDefinition::GetCount(); ++i)
        before += OS_StrICmp(RTI_ClassDefinition::GetByIndex(i)->GetName(), "RTI_Class") < 0;
    EXPECT_EQ(before, root->GetIndex());

    for (const char* name : {"SIM_Name", "SIM_Path", "SIM_ClassName"}) {
        RTI_ClassDefinition* record = RTI_ClassDefinition::Find(name);
        ASSERT_NE(nullptr, record) << name;
        EXPECT_EQ(root, record->GetBaseDefinition()) << name;
    }
    EXPECT_EQ(nullptr, RTI_ClassDefinition::Find("SIM_Nam"));
    EXPECT_EQ(nullptr, RTI_ClassDefinition::Find(nullptr));
}

TEST_F(RtiRegistryTest, UnderscoreSortsBeforeLetters)
{
    RTI_ClassDefinition* ab = Register("TST_AB");
    RTI_ClassDefinition* underscore = Register("tst_a_z");
    EXPECT_EQ(underscore->GetIndex() + 1, ab->GetIndex());
    ExpectConsistent();
}

TEST_F(RtiRegistryTest, IndexLookupFollowsEveryChangeOfTheRegistry)
{
    const s32 count = RTI_ClassDefinition::GetCount();
    RTI_ClassDefinition* formerLast = RTI_ClassDefinition::GetByIndex(count - 1);  // builds the array

    RTI_ClassDefinition* last = Register("zzzz_TstLast");
    EXPECT_EQ(count + 1, RTI_ClassDefinition::GetCount());
    EXPECT_EQ(last, RTI_ClassDefinition::GetByIndex(count));
    EXPECT_EQ(formerLast, RTI_ClassDefinition::GetByIndex(count - 1));

    RTI_ClassDefinition* first = Register("AAAA_TstFirst");
    EXPECT_EQ(first, RTI_ClassDefinition::GetByIndex(0));
    EXPECT_EQ(last, RTI_ClassDefinition::GetByIndex(count + 1));
    ExpectConsistent();

    Unregister(first);
    EXPECT_EQ(count + 1, RTI_ClassDefinition::GetCount());
    EXPECT_EQ(last, RTI_ClassDefinition::GetByIndex(count));
    ExpectConsistent();

    Unregister(last);
    EXPECT_EQ(count, RTI_ClassDefinition::GetCount());
    EXPECT_EQ(formerLast, RTI_ClassDefinition::GetByIndex(count - 1));
    EXPECT_EQ(nullptr, RTI_ClassDefinition::Find("zzzz_TstLast"));
    ExpectConsistent();
}

TEST_F(RtiRegistryTest, BaseLinksDoNotDependOnRegistrationOrder)
{
    TST_Derived::RegisterClassDefinition();
    RTI_ClassDefinition* derived = TST_Derived::GetStaticClassDefinition();
    ASSERT_NE(nullptr, derived);
    EXPECT_EQ(nullptr, derived->GetBaseDefinition());

    TST_Base::RegisterClassDefinition();
    RTI_ClassDefinition* base = TST_Base::GetStaticClassDefinition();
    EXPECT_EQ(base, derived->GetBaseDefinition());
    EXPECT_EQ(RTI_Class::GetStaticClassDefinition(), base->GetBaseDefinition());

    // Creation by name, as the node tree does it.
    RTI_Class* object = RTI_ClassDefinition::Find("tst_DERIVED")->CreateInstance();
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(derived, object->GetClassDefinition());
    EXPECT_EQ(7u, static_cast<TST_Derived*>(object)->payload);
    EXPECT_EQ((u32)sizeof(TST_Derived), derived->GetSize());
    EXPECT_EQ(1u, object->IsKindOf(derived));
    EXPECT_EQ(1u, object->IsKindOf(base));
    EXPECT_EQ(1u, object->IsKindOf(RTI_Class::GetStaticClassDefinition()));
    EXPECT_EQ(0u, object->IsKindOf(SIM_Name::GetStaticClassDefinition()));
    EXPECT_EQ(0u, object->IsKindOf(nullptr));
    delete object;

    TST_Base plain;
    EXPECT_EQ(0u, plain.IsKindOf(derived));

    // The base leaves: its derived class forgets it, and learns it again when it returns.
    TST_Base::UnregisterClassDefinition();
    EXPECT_EQ(nullptr, derived->GetBaseDefinition());
    TST_Base::RegisterClassDefinition();
    EXPECT_EQ(TST_Base::GetStaticClassDefinition(), derived->GetBaseDefinition());
}

TEST_F(RtiRegistryTest, ClassesNamingEachOtherAsBaseDoNotHangIsKindOf)
{
    RTI_ClassDefinition* a = Register("TST_CycleA", "TST_CycleB");
    RTI_ClassDefinition* b = Register("TST_CycleB", "TST_CycleA");
    ASSERT_EQ(a, b->GetBaseDefinition());
    ASSERT_EQ(b, a->GetBaseDefinition());
    TST_AnyClass object;
    object.record = a;
    EXPECT_EQ(1u, object.IsKindOf(b));
    EXPECT_EQ(0u, object.IsKindOf(RTI_Class::GetStaticClassDefinition()));
}

TEST_F(RtiRegistryTest, DuplicateNameIsFatalWithoutRegardToCase)
{
    TST_TempDir dir;
    RTI_ClassDefinition* original = Register("TST_Node");
    const s32 count = RTI_ClassDefinition::GetCount();
    EXPECT_FATAL(Register("tst_node"), "RTI_ClassDefinition::RTI_ClassDefinition() - duplicate classname", "tst_node");
    EXPECT_EQ(count, RTI_ClassDefinition::GetCount());
    EXPECT_EQ(original, RTI_ClassDefinition::Find("TST_NODE"));
    ExpectConsistent();
}
}  // namespace
