// Vehicles in a run: the description with its fatal texts, the turret "Turm1" and the firing
// cone, a turret that dies first, ground following on a terrain loaded, reloaded and dropped
// under it, the switches, leaving and entering, and death without debris.
#include <gtest/gtest.h>

#include <string>

#include "armed_test.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "mrt_terrain.h"
#include "nod_turret_base.h"
#include "nod_vehicle.h"
#include "nod_wheel.h"
#include "tools_turret.h"

namespace
{
// The turret "Turm1" with its own gun firing bullet type _bulletType, Child<_index> on the
// hull's top.
std::string TurretSon(s32 _index, s32 _bulletType, const char* _name = "Turm1")
{
    TOOL_TurretDescription turret;
    turret.turretName = _name;
    turret.gun.bulletType = _bulletType;
    const f32 top[3] = {0.0f, 0.0f, 2.0f};
    return TOOL_TurretChildText(_index, turret, top);
}

class NodVehicleTest : public TST_ArmedTest
{
protected:
    NOD_Vehicle* Vehicle(const TOOL_VehicleDescription& _description, const MAT_Vector3& _position = MAT_Vector3(),
                         const std::string& _name = "vehicle", bool _enter = true)
    {
        return NOD_Vehicle::DynamicCast(m_world->Make("NOD_Vehicle", _name, TOOL_VehicleDescriptionText(_description),
                                                      TST_HeadingAt(_position), nullptr, _enter));
    }
    // A vehicle with its turret and four wheels.
    NOD_Vehicle* Armed(const MAT_Vector3& _position = MAT_Vector3(1.0f, 0.0f, 1.0f), s32 _bulletType = 2)
    {
        TOOL_VehicleDescription description;
        description.children = TOOL_VehicleWheelChildren(1);
        description.children.insert(description.children.begin(), TurretSon(0, _bulletType));
        return Vehicle(description, _position);
    }
    f32 HeightAfter(NOD_Vehicle* _vehicle, s32 _steps)
    {
        m_world->Steps(_steps);
        MAT_Vector3 position;
        return _vehicle->GetMatrixAtTime(&position, m_world->Now())->z;
    }
};

TEST_F(NodVehicleTest, DescriptionWiresTurretWheelsBehavioursAndParts)
{
    NOD_Vehicle* vehicle = Armed();
    ASSERT_NE(nullptr, vehicle);
    EXPECT_TRUE(vehicle->IsInSimulation());
    NOD_Turret_Base* turret = vehicle->GetTurret();
    ASSERT_NE(nullptr, turret);
    EXPECT_STREQ("Turm1", turret->GetName().GetName());
    EXPECT_EQ(turret, vehicle->GetAttack().GetTurret());
    EXPECT_EQ(4, Count("NOD_Wheel"));
    EXPECT_EQ(5, vehicle->GetActionSlot().GetCount());
    EXPECT_EQ(4, vehicle->GetStateList().GetCount());
    EXPECT_EQ(39u, vehicle->GetModel().State.flags);

    // A ground body of the vehicle's mass, whatever "Mass" says; its sons collide with it too.
    COD_Physical_Vessel* physical = vehicle->GetAggregate().GetPhysical()->GetVessel();
    EXPECT_EQ(COD_KIND_GROUND_BODY, physical->m_kind);
    EXPECT_EQ(1.0e20f, vehicle->GetMass());
    EXPECT_EQ(1.0e20f, physical->m_mass);
    EXPECT_TRUE(physical->CollidesWithGround());

    // Ground following rests the hull's box on the terrain the driver publishes.
    EXPECT_EQ(&m_world->terrain, vehicle->GetModel().Terrain);
    EXPECT_FLOAT_EQ(-1.0f, vehicle->GetModel().FollowBox[2]);
    EXPECT_FLOAT_EQ(3.0f, vehicle->GetModel().FollowBox[4]);

    // The firing cone is the turret's; its own reaches as far as the turret gun.
    EXPECT_EQ(turret->GetSensor(), vehicle->GetSensor());
    const COD_Sensor* cone = vehicle->GetAggregate().GetSensor4();
    EXPECT_FLOAT_EQ(m_world->Spawn()->GetBulletRange(2) * 1.1f, cone->m_seeingRange);
    EXPECT_NEAR(0.9659258f, cone->m_coneCosine, 1e-6f);
}

TEST_F(NodVehicleTest, WithoutTurretItAimsWithItsOwnCone)
{
    TOOL_VehicleDescription description;
    // A turret under another name is no "Turm1".
    description.children = {TurretSon(0, 1, "Turm2")};
    NOD_Vehicle* vehicle = Vehicle(description);
    EXPECT_EQ(nullptr, vehicle->GetTurret());
    EXPECT_EQ(vehicle->GetAggregate().GetSensor4(), vehicle->GetSensor());
    EXPECT_FLOAT_EQ(300.0f, vehicle->GetAggregate().GetSensor4()->m_seeingRange);
}

TEST_F(NodVehicleTest, DeadTurretLeavesTheVehicleItsOwnCone)
{
    NOD_Vehicle* vehicle = Armed();
    NOD_Turret_Base* turret = vehicle->GetTurret();
    ASSERT_NE(nullptr, turret);
    turret->GetShieldRef().SetFaceRatio(0.0f, 0);
    m_world->Steps(2);
    ASSERT_FALSE(Alive(turret));
    EXPECT_EQ(nullptr, vehicle->GetTurret());
    EXPECT_EQ(nullptr, vehicle->GetAttack().GetTurret());
    EXPECT_EQ(vehicle->GetAggregate().GetSensor4(), vehicle->GetSensor());
    // It goes on stepping without it.
    m_world->Steps(3);
    EXPECT_TRUE(Alive(vehicle));
}

TEST_F(NodVehicleTest, FollowsTheGroundTheTerrainNodePublishesEachStep)
{
    NOD_Vehicle* vehicle = Armed(MAT_Vector3(0.0f, 0.0f, 4.0f));
    EXPECT_NEAR(1.0f, HeightAfter(vehicle, 60), 0.05f);

    // A terrain loaded anew, higher: the vehicle climbs onto it.
    MRT_Terrain raised;
    TST_FlatGround(raised, 10.0f);
    MRT_TerrainCell* cell = m_world->scene->simulation->terrainCell;
    cell->terrain = &raised;
    EXPECT_NEAR(11.0f, HeightAfter(vehicle, 80), 0.05f);
    EXPECT_EQ(&raised, vehicle->GetModel().Terrain);

    // The terrain gone: the vehicle keeps its height and reads no freed ground.
    cell->terrain = nullptr;
    EXPECT_NEAR(11.0f, HeightAfter(vehicle, 10), 0.05f);
    EXPECT_EQ(nullptr, vehicle->GetModel().Terrain);
    cell->terrain = &m_world->terrain;
    EXPECT_NEAR(1.0f, HeightAfter(vehicle, 80), 0.05f);
}

TEST_F(NodVehicleTest, SetUpBeforeTheTerrainStillFollowsItLater)
{
    MRT_TerrainCell* cell = m_world->scene->simulation->terrainCell;
    cell->terrain = nullptr;
    NOD_Vehicle* vehicle = Armed(MAT_Vector3(0.0f, 0.0f, 4.0f));
    EXPECT_EQ(nullptr, vehicle->GetModel().Terrain);
    EXPECT_NEAR(4.0f, HeightAfter(vehicle, 5), 0.05f);
    cell->terrain = &m_world->terrain;
    EXPECT_NEAR(1.0f, HeightAfter(vehicle, 60), 0.05f);
}

TEST_F(NodVehicleTest, MissingSectionsAreFatal)
{
    for (const char* section : {"Visual", "Control", "Collision", "Avoidance", "Emitter"}) {
        SCOPED_TRACE(section);
        TOOL_VehicleDescription description;
        description.omitSection = section;
        const std::string name = std::string("no") + section;
        const std::string text = std::string("(NOD_Vehicle::ParseIniFile()): Get [\"") + section +
                                 "\"] in file \"vfx\\osd/test/" + name + ".osd\" failed";
        EXPECT_FATAL(Vehicle(description, MAT_Vector3(), name, false), "DES FILE ERROR", text.c_str());
    }
    TOOL_VehicleDescription description;
    description.omitKey = "NameMesh";
    EXPECT_FATAL(Vehicle(description, MAT_Vector3(), "nomesh", false), "DesFile Error",
                 "data \"BriselMesh\" not found in file \"vfx\\osd/test/nomesh.osd\"");
}

TEST_F(NodVehicleTest, SwitchesAndBodyMessages)
{
    NOD_Vehicle* vehicle = Armed();
    COD_Physical* own = vehicle->GetAggregate().GetPhysical();
    COD_Physical* turrets = vehicle->GetTurret()->GetAggregate().GetPhysical();
    delete vehicle->ProcessMessage(NOD_Vehicle_CollisionTerrain::Create((u8)0));
    EXPECT_FALSE(own->CollidesWithGround());
    EXPECT_FALSE(turrets->CollidesWithGround());
    delete vehicle->ProcessMessage(NOD_Vehicle_CollisionObjects::Create((u8)0));
    EXPECT_FALSE(own->CollidesWithObjects());
    EXPECT_FALSE(turrets->CollidesWithObjects());
    delete vehicle->ProcessMessage(NOD_Vehicle_CollisionTerrain::Create((u8)1));
    EXPECT_TRUE(own->CollidesWithGround());
    EXPECT_EQ(COD_KIND_GROUND_BODY, own->m_kind);

    COD_ActiveAvoid* avoider = vehicle->GetAggregate().GetAvoider();
    avoider->m_avoidanceFlags = COD_AVOID_OBJECTS | COD_AVOID_TERRAIN;
    delete vehicle->ProcessMessage(NOD_Vehicle_AvoidanceTerrain::Create((u8)0));
    EXPECT_EQ(COD_AVOID_OBJECTS, avoider->m_avoidanceFlags);
    delete vehicle->ProcessMessage(NOD_Vehicle_AvoidanceObjects::Create((u8)0));
    EXPECT_EQ(0u, avoider->m_avoidanceFlags);

    NOD_Vehicle* other = Vehicle(TOOL_VehicleDescription(), MAT_Vector3(50.0f, 0.0f, 1.0f), "other");
    delete vehicle->ProcessMessage(NOD_Vehicle_NonCollideAvoid::Create(other, other));
    EXPECT_EQ(other, own->GetVessel()->m_ignore.Get());
    EXPECT_EQ(other, turrets->GetVessel()->m_ignore.Get());
    EXPECT_EQ(other, avoider->m_ignore.Get());

    // Body_SetCS places the vehicle itself.
    delete vehicle->ProcessMessage(NOD_Body_SetCS::Create(MAT_Vector3(30.0f, 40.0f, 1.0f), MAT_Vector3()));
    MAT_Vector3 position;
    vehicle->GetMatrixAtTime(&position, m_world->Now());
    EXPECT_FLOAT_EQ(30.0f, position.x);
    EXPECT_FLOAT_EQ(40.0f, position.y);

    // The attack takes its start.
    delete vehicle->ProcessMessage(NOD_Vehicle_AttackPatrol::Create(100.0f, SIM_Name("a"), SIM_Name(""), SIM_Name(""),
                                                                    SIM_Name(""), SIM_Path("")));
    EXPECT_FALSE(Logged("received lost message of type 14017"));
    EXPECT_EQ(&vehicle->GetAttack(), vehicle->GetActionSlot().GetCurrent());
}

TEST_F(NodVehicleTest, LeavingAndEnteringKeepsItWhereItWasAtRest)
{
    NOD_Vehicle* vehicle = Armed(MAT_Vector3(0.0f, 0.0f, 1.0f));
    vehicle->GetModel().State.SetVelocity(MAT_Vector3(0.0f, 5.0f, 0.0f));
    m_world->Steps(2);
    MAT_Vector3 before;
    vehicle->GetMatrixAtTime(&before, m_world->Now());
    delete vehicle->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(vehicle->IsInSimulation());
    m_world->Steps(3);
    delete vehicle->ProcessMessage(NOD_Node_EnterSimulation::Create());
    MAT_Vector3 after;
    vehicle->GetMatrixAtTime(&after, m_world->Now());
    EXPECT_NEAR(before.y, after.y, 1e-4f);
    MAT_Vector3 velocity;
    EXPECT_EQ(0.0f, vehicle->GetVelocity(&velocity)->Length());
}

TEST_F(NodVehicleTest, DeathLeavesNothingBehind)
{
    // Wheels only: a turret leaves debris of its own when it dies with its carrier.
    TOOL_VehicleDescription description;
    description.children = TOOL_VehicleWheelChildren(0);
    NOD_Vehicle* vehicle = Vehicle(description, MAT_Vector3(0.0f, 0.0f, 1.0f));
    const s32 debris = Count("NOD_Debris");
    vehicle->GetShieldRef().SetFaceRatio(0.0f, 0);
    m_world->Step();
    EXPECT_FALSE(Alive(vehicle));
    EXPECT_EQ(0, Count("NOD_Wheel"));
    EXPECT_EQ(debris, Count("NOD_Debris"));
    EXPECT_EQ(0, Count("NOD_Shrapnel"));
}
}  // namespace
