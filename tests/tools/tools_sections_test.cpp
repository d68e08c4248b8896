// The "Child" writer read back through the description reader: the son loader's names, the
// frame keys in reading order with the values written, and the broken forms the fixtures use.
#include <gtest/gtest.h>

#include <string>

#include "des_file.h"
#include "des_fixture.h"
#include "mot_turn.h"
#include "mot_vehicle.h"
#include "mot_vessel.h"
#include "os_fatal.h"
#include "test_dir.h"
#include "tools_sections.h"

namespace
{

TEST(ToolsChildSection, ReadsBackInTheFrameReadersOrder)
{
    TST_TempDir dir;
    TOOL_ChildSection child;
    child.index = 31;
    child.nameCLA = "NOD_ShieldedBody";
    child.nameSON = "hull1";
    child.nameOSD = "hull.des";
    child.translation[0] = -12.5f;
    child.translation[2] = 1e6f;
    child.rotation[0][2] = 90.0f;
    child.rotation[1][0] = -0.015625f;
    child.rotation[2][1] = 360.0f;
    const std::string text = TOOL_ChildSectionText(child);
    // The frame reader reads its keys in this order, each found at the cursor's next entry.
    const size_t t = text.find("Translation"), r0 = text.find("Rotation0"), r1 = text.find("Rotation1"),
                 r2 = text.find("Rotation2");
    ASSERT_NE(std::string::npos, r2);
    EXPECT_LT(t, r0);
    EXPECT_LT(r0, r1);
    EXPECT_LT(r1, r2);

    dir.Write("father.des", "[Body]\n{\n" + text + "}\n");
    DES_File file;
    DES_Section root, body, section;
    ASSERT_EQ(1u, file.Open(&root, "father.des"));
    ASSERT_EQ(1u, root.FindSection(&body, "Body"));
    ASSERT_EQ(1u, body.FindSectionIndexed(&section, "Child", 31));
    char name[64];
    ASSERT_EQ(1u, section.GetString("NameCLA", name, sizeof(name)));
    EXPECT_STREQ("NOD_ShieldedBody", name);
    ASSERT_EQ(1u, section.GetString("NameSON", name, sizeof(name)));
    EXPECT_STREQ("hull1", name);
    ASSERT_EQ(1u, section.GetString("NameOSD", name, sizeof(name)));
    EXPECT_STREQ("hull.des", name);
    f32 v[3];
    ASSERT_EQ(1u, section.GetVector3("Translation", v));
    EXPECT_EQ(-12.5f, v[0]);
    EXPECT_EQ(0.0f, v[1]);
    EXPECT_EQ(1e6f, v[2]);
    const f32 expected[3][3] = {{0.0f, 0.0f, 90.0f}, {-0.015625f, 0.0f, 0.0f}, {0.0f, 360.0f, 0.0f}};
    for (s32 row = 0; row < 3; ++row) {
        ASSERT_EQ(1u, section.GetVector3(("Rotation" + std::to_string(row)).c_str(), v));
        for (s32 k = 0; k < 3; ++k)
            EXPECT_EQ(expected[row][k], v[k]) << row << " " << k;
    }
}

TEST(ToolsChildSection, BrokenEntriesAndUnnamedSons)
{
    struct Case
    {
        const char* omit;
        const char* mistype;
        const char* message;
    };
    const Case cases[] = {
        {"Translation", "", "data \"Translation\" not found in file \"child.des\""},
        {"Rotation1", "", "data \"Rotation1\" not found in file \"child.des\""},
        {"", "Rotation2", "data \"Rotation2\" in file \"child.des\" has wrong type"},
    };
    for (const Case& c : cases) {
        TST_TempDir dir;
        TOOL_ChildSection child;
        child.omitKey = c.omit;
        child.mistypedKey = c.mistype;
        const std::string text = TOOL_ChildSectionText(child);
        // Without names the son loader's keys are left out.
        EXPECT_EQ(std::string::npos, text.find("Name"));
        dir.Write("child.des", text);
        DES_File file;
        DES_Section root, section;
        ASSERT_EQ(1u, file.Open(&root, "child.des"));
        ASSERT_EQ(1u, root.FindSection(&section, "Child0"));
        f32 v[3];
        const auto readAll = [&]() {
            section.GetVector3("Translation", v);
            section.GetVector3("Rotation0", v);
            section.GetVector3("Rotation1", v);
            section.GetVector3("Rotation2", v);
        };
        EXPECT_FATAL(readAll(), "DesFile Error", c.message);
    }
}

// The "Control" writer read back by each motion model: every key it writes is taken with the
// value written (a model that lacks a key it reads stops in the getter), and a broken key stops
// the reader.
TEST(ToolsControlSection, EachModelReadsItsKeysBack)
{
    TST_TempDir dir;
    TOOL_ControlSection control;
    control.movePV = 30.0f;
    control.moveNV = 12.0f;
    control.turnPV = 90.0f;
    control.turnR = 20.0f;
    control.swingT = 0.5f;
    control.moveFriction[1] = 0.25f;
    control.turnFriction[2] = 0.75f;
    control.vMax = 250.0f;
    auto read = [&](TOOL_ControlReader _reader, auto& _model) {
        TST_WithSection(dir, TOOL_ControlSectionText(control, _reader), "Control",
                        [&](DES_Section* _section) { _model.Parse(_section); });
    };
    MOT_Vessel vessel;
    read(TOOL_CONTROL_VESSEL, vessel);
    EXPECT_EQ(30.0f, vessel.MovePV);
    EXPECT_EQ(-12.0f, vessel.MoveNV);
    EXPECT_EQ(20.0f, vessel.TurnR);
    EXPECT_EQ(0.5f, vessel.SwingT);
    EXPECT_EQ(0.25f, vessel.Friction.c[1]);
    EXPECT_EQ(0.75f, vessel.Friction.c[8]);
    MOT_Vehicle vehicle;
    read(TOOL_CONTROL_VEHICLE, vehicle);
    EXPECT_EQ(30.0f, vehicle.MovePV);
    MOT_Turn turn;
    read(TOOL_CONTROL_TURN, turn);
    EXPECT_FLOAT_EQ(90.0f * 0.017453292f, turn.TurnPV);

    EXPECT_EQ(std::string::npos, TOOL_ControlSectionText(control, TOOL_CONTROL_VMAX).find("MovePV"));
    TST_WithSection(dir, TOOL_ControlSectionText(control, TOOL_CONTROL_VMAX), "Control", [](DES_Section* _section) {
        f32 vMax = 0.0f;
        EXPECT_EQ(1u, _section->GetFloat("VMax", &vMax));
        EXPECT_EQ(250.0f, vMax);
    });

    for (const char* key : {"TurnR", "SwingA", "MoveFriction"}) {
        SCOPED_TRACE(key);
        TOOL_ControlSection broken = control;
        broken.omitKey = key;
        MOT_Vessel model;
        EXPECT_THROW(TST_WithSection(dir, TOOL_ControlSectionText(broken, TOOL_CONTROL_VESSEL), "Control",
                                     [&](DES_Section* _section) { model.Parse(_section); }),
                     OS_FatalError);
        broken.omitKey.clear();
        broken.mistypedKey = key;
        EXPECT_THROW(TST_WithSection(dir, TOOL_ControlSectionText(broken, TOOL_CONTROL_VESSEL), "Control",
                                     [&](DES_Section* _section) { model.Parse(_section); }),
                     OS_FatalError);
    }
}
}  // namespace
