// The class-handler registration of phase 0: the stream creators of the replicated classes.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app.h"
#include "rti_class.h"

namespace
{
TEST(AppClassHandlersTest, PhaseZeroRegistersNineteenStreamCreators)
{
    Brisel_RegisterClassHandlers();
    std::set<std::string> withCreator;
    for (s32 i = 0; i < RTI_ClassDefinition::GetCount(); ++i) {
        if (RTI_GetClassFunction((u32)i) != nullptr)
            withCreator.insert(RTI_ClassDefinition::GetByIndex(i)->GetName());
    }
    const std::set<std::string> expected = {"NOD_Body",         "NOD_Bullet",  "NOD_Buzzer",    "NOD_FX_Plant",
                                            "NOD_Game",         "NOD_Generic", "NOD_Mine",      "NOD_Node",
                                            "NOD_Plankton",     "NOD_Player",  "NOD_RaySystem", "NOD_Scenario",
                                            "NOD_ShieldedBody", "NOD_Terrain", "NOD_Torpedo",   "NOD_Turret_Base",
                                            "NOD_Turret_Gun",   "NOD_Vehicle", "NOD_Vessel"};
    EXPECT_EQ(expected, withCreator);
    // Classes without one (the wheel, the camera) stay without.
    EXPECT_EQ(nullptr, RTI_ClassDefinition::Find("NOD_Wheel")->GetClassFunction());
    EXPECT_EQ(nullptr, RTI_ClassDefinition::Find("NOD_Camera")->GetClassFunction());
    // Registering again stores the same entries again.
    Brisel_RegisterClassHandlers();
    EXPECT_EQ(RTI_ClassDefinition::Find("NOD_Terrain")->GetClassFunction(),
              RTI_GetClassFunction((u32)RTI_ClassDefinition::Find("NOD_Terrain")->GetIndex()));
}
}  // namespace
