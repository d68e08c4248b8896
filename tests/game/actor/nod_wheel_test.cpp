// Wheels under a body in a run: the radius (plain mesh, body visual, flat mesh), the suspension
// on flat, raised and missing ground, rolling with the father's forward speed, a father that
// stands still, the fatal texts and death.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "armed_test.h"
#include "cod_physical.h"
#include "mrt_terrain.h"
#include "nod_vehicle.h"
#include "nod_wheel.h"
#include "tools_ash.h"
#include "tools_mesh.h"
#include "tools_turret.h"

namespace
{
class NodWheelTest : public TST_ArmedTest
{
protected:
    // A wheel description's file name under "vfx\".
    std::string WheelFile(const std::string& _name, const TOOL_WheelDescription& _description)
    {
        return m_world->Describe(_name, TOOL_WheelDescriptionText(_description));
    }
    // A vehicle at _position carrying one wheel (its centre on the hull's middle plane, which
    // rests on the ground) described by _description.
    NOD_Wheel* OnVehicle(const MAT_Vector3& _position, const TOOL_WheelDescription& _description = {},
                         const std::string& _name = "car")
    {
        TOOL_ChildSection child;
        child.nameCLA = "NOD_Wheel";
        child.nameSON = "wheel";
        child.nameOSD = WheelFile(_name + "w", _description);
        child.translation[0] = 3.0f;
        TOOL_VehicleDescription vehicle;
        vehicle.children = {TOOL_ChildSectionText(child)};
        m_vehicle = NOD_Vehicle::DynamicCast(
            m_world->Make("NOD_Vehicle", _name, TOOL_VehicleDescriptionText(vehicle), TST_HeadingAt(_position)));
        return NOD_Wheel::DynamicCast(m_vehicle->Find(SIM_Path("wheel")));
    }
    // The wheel's height in its father's frame after _steps.
    f32 LocalHeightAfter(NOD_Wheel* _wheel, s32 _steps)
    {
        m_world->Steps(_steps);
        return _wheel->GetState().frame.t.z;
    }

    NOD_Vehicle* m_vehicle = nullptr;
};

TEST_F(NodWheelTest, RadiusFromTheMeshBox)
{
    NOD_Wheel* wheel = OnVehicle(MAT_Vector3(0.0f, 0.0f, 1.0f));
    ASSERT_NE(nullptr, wheel);
    EXPECT_FLOAT_EQ(1.0f, wheel->GetRadius());
    EXPECT_EQ(0, wheel->GetRenderBucket());
    EXPECT_EQ(COD_KIND_GROUND_BODY, wheel->GetAggregate().GetPhysical()->m_kind);
    EXPECT_NE(nullptr, wheel->GetAggregate().GetObstacle());
    // A wheel collides with the mass of its vehicle.
    EXPECT_EQ(NOD_Vehicle::MASS, wheel->GetMass());

    // A body visual has no render mesh: its level-0 box gives the radius.
    TOOL_Ash ash;
    ash.m0 = TOOL_WHEEL_MESH;
    m_dir.Write("vfx/ash/wheel.ash", TOOL_AshText(ash));
    TOOL_WheelDescription visual;
    visual.visual = {"", "wheel.ash"};
    NOD_Wheel* drawn = OnVehicle(MAT_Vector3(100.0f, 0.0f, 1.0f), visual, "ashcar");
    EXPECT_NE(0, drawn->GetVisual().GetVisualHandle());
    EXPECT_FLOAT_EQ(1.0f, drawn->GetRadius());
}

TEST_F(NodWheelTest, SuspensionOnFlatRaisedAndMissingGround)
{
    NOD_Wheel* wheel = OnVehicle(MAT_Vector3(0.0f, 0.0f, 1.0f));
    const f32 rest = wheel->GetRestHeight();
    EXPECT_FLOAT_EQ(0.0f, rest);
    // Flat ground under a vehicle resting on it: the wheel stays at rest height.
    EXPECT_NEAR(rest, LocalHeightAfter(wheel, 5), 1e-3f);

    // Ground raised by more than the radius: the travel stops one radius up.
    MRT_Terrain raised;
    TST_FlatGround(raised, 5.0f);
    MRT_TerrainCell* cell = m_world->scene->simulation->terrainCell;
    cell->terrain = &raised;
    const f32 up = wheel->GetRadius();
    EXPECT_NEAR(rest + up, LocalHeightAfter(wheel, 1), 1e-3f);

    // No terrain at all, and off the grid: the ground is out of reach, the travel at its top.
    cell->terrain = nullptr;
    EXPECT_NEAR(rest + up, LocalHeightAfter(wheel, 2), 1e-3f);
    cell->terrain = &m_world->terrain;
    NOD_Wheel* far = OnVehicle(MAT_Vector3(5000.0f, 0.0f, 1.0f), {}, "far");
    EXPECT_NEAR(far->GetRestHeight() + far->GetRadius(), LocalHeightAfter(far, 2), 1e-3f);
    EXPECT_TRUE(std::isfinite(far->GetState().frame.t.z));
}

TEST_F(NodWheelTest, RollsWithTheFathersForwardSpeed)
{
    NOD_Wheel* wheel = OnVehicle(MAT_Vector3(0.0f, 0.0f, 1.0f));
    m_world->Step();
    EXPECT_EQ(0.0f, wheel->GetState().rotation[0].rate);
    for (f32 speed : {4.0f, -2.0f}) {
        SCOPED_TRACE(speed);
        m_vehicle->GetModel().State.SetVelocity(MAT_Vector3(0.0f, speed, 0.0f));
        m_world->Step();
        // The vehicle's own step ran first: the wheel rolls with the speed it left.
        MAT_Vector3 velocity;
        m_vehicle->GetVelocity(&velocity);
        EXPECT_NE(0.0f, velocity.y);
        EXPECT_FLOAT_EQ(-velocity.y / wheel->GetRadius(), wheel->GetState().rotation[0].rate);
        EXPECT_EQ(0.0f, wheel->GetState().rotation[1].rate);
        EXPECT_EQ(0.0f, wheel->GetState().rotation[2].rate);
    }
    // Sideways motion turns no wheel.
    m_vehicle->GetModel().State.SetVelocity(MAT_Vector3(3.0f, 0.0f, 0.0f));
    m_world->Step();
    EXPECT_NEAR(0.0f, wheel->GetState().rotation[0].rate, 1e-6f);
}

TEST_F(NodWheelTest, FlatMeshAndStillFatherGiveNoRoll)
{
    // A mesh without height or length: radius 0, no roll and no division by it.
    TOOL_Mesh flat;
    flat.vertices = {{-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
    TOOL_MeshTriangle triangle;
    triangle.vertex = {0, 1, 2};
    flat.triangles.push_back(triangle);
    flat.materials.resize(1);
    m_dir.Write("vfx/msh/flat.msh", TOOL_MeshText(flat));
    TOOL_WheelDescription description;
    description.visual.nameMesh = "flat.msh";
    NOD_Wheel* wheel = OnVehicle(MAT_Vector3(0.0f, 0.0f, 1.0f), description);
    EXPECT_EQ(0.0f, wheel->GetRadius());
    m_vehicle->GetModel().State.SetVelocity(MAT_Vector3(0.0f, 5.0f, 0.0f));
    m_world->Steps(2);
    EXPECT_EQ(0.0f, wheel->GetState().rotation[0].rate);
    EXPECT_TRUE(std::isfinite(wheel->GetState().frame.t.z));

    // Under a body without a motion state (a building): it stands still.
    NOD_Body* stand = m_world->Make("NOD_Generic", "stand", TOOL_GenericDescriptionText({}),
                                    TST_HeadingAt(MAT_Vector3(200.0f, 0.0f, 5.0f)));
    ASSERT_EQ(nullptr, stand->GetAttachedFrame());
    NOD_Wheel* loose =
        NOD_Wheel::DynamicCast(m_world->Make("NOD_Wheel", "loose", TOOL_WheelDescriptionText(TOOL_WheelDescription()),
                                             TST_HeadingAt(MAT_Vector3(0.0f, 0.0f, -4.0f)), stand));
    m_world->Steps(3);
    EXPECT_EQ(0.0f, loose->GetState().rotation[0].rate);
    EXPECT_NEAR(loose->GetRestHeight(), loose->GetState().frame.t.z, 1e-3f);
}

TEST_F(NodWheelTest, FatalTexts)
{
    for (const char* section : {"Visual", "Collision", "Avoidance"}) {
        SCOPED_TRACE(section);
        TOOL_WheelDescription description;
        description.omitSection = section;
        const std::string name = std::string("no") + section;
        const std::string text = std::string("(NOD_Wheel::ParseIniFile()): Get [\"") + section +
                                 "\"] in file \"vfx\\osd/test/" + name + ".osd\" failed";
        EXPECT_FATAL(
            m_world->Make("NOD_Wheel", name, TOOL_WheelDescriptionText(description), TST_HeadingAt({}), nullptr, false),
            "DES FILE ERROR", text.c_str());
    }
    TOOL_WheelDescription mistyped;
    mistyped.mistypedKey = "NameMesh";
    EXPECT_FATAL(
        m_world->Make("NOD_Wheel", "typed", TOOL_WheelDescriptionText(mistyped), TST_HeadingAt({}), nullptr, false),
        "DesFile Error", "data \"NameMesh\" in file \"vfx\\osd/test/typed.osd\" has wrong type");

    // Entering without a father.
    const std::string file = WheelFile("orphan", TOOL_WheelDescription());
    NOD_Node* orphan = NOD_Node::CreateNode("NOD_Wheel", "orphan");
    orphan->ParseIniFile_File(file.c_str());
    EXPECT_FATAL(delete orphan->ProcessMessage(NOD_Node_EnterSimulation::Create()), "NOD_Wheel::PM_EnterSimulation()",
                 "a wheel needs a parent node");
    delete orphan;
}

TEST_F(NodWheelTest, DiesWhenItsShieldGivesOut)
{
    NOD_Wheel* wheel = OnVehicle(MAT_Vector3(0.0f, 0.0f, 1.0f));
    wheel->GetShieldRef().SetFaceRatio(0.0f, 0);
    // Its own step tests the shield only with contacts.
    m_world->Step();
    EXPECT_TRUE(Alive(wheel));
    wheel->ApplyContactsToShield();
    m_world->Step();
    EXPECT_FALSE(Alive(wheel));
    EXPECT_TRUE(Alive(m_vehicle));

    // Leaving stops it where it is.
    NOD_Wheel* other = OnVehicle(MAT_Vector3(50.0f, 0.0f, 1.0f), {}, "other");
    m_world->Steps(2);
    const f32 height = other->GetState().frame.t.z;
    delete m_vehicle->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(other->IsInSimulation());
    EXPECT_FLOAT_EQ(height, other->GetState().frame.t.z);
}
}  // namespace
