// The trigger: its sensing parts and behaviour, entering and leaving, its place, and the
// Trigger_* messages that reach its sensor behaviour.
#include "nod_trigger.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cod_sensor.h"
#include "coh_sense.h"
#include "mat_fixture.h"
#include "nod_message.h"
#include "run_world_fixture.h"
#include "sim_name.h"
#include "test_dir.h"

class NodTriggerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        try {
            m_world.reset(new TST_RunWorld(m_dir));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
        m_trigger = NOD_Trigger::DynamicCast(m_world->root->AddSon(NOD_Node::CreateNode("NOD_Trigger", "trigger")));
        ASSERT_NE(nullptr, m_trigger);
    }
    void TearDown() override { m_world.reset(); }

    bool Logged(const std::string& _line) const
    {
        return m_dir.Exists("log.txt") && m_dir.Read("log.txt").find(_line + "\n") != std::string::npos;
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_RunWorld> m_world;
    NOD_Trigger* m_trigger = nullptr;
};

TEST_F(NodTriggerTest, ItsSensorAndBehaviourAreRegistered)
{
    const ContactAggregate& aggregate = m_trigger->GetAggregate();
    COD_Sensor* sensor = aggregate.GetSensor1();
    ASSERT_NE(nullptr, sensor);
    EXPECT_EQ(128, sensor->m_blockingCapacity);
    EXPECT_EQ(32, sensor->m_heardCapacity);
    EXPECT_EQ(32, sensor->m_presentCapacity);
    EXPECT_EQ(32, sensor->m_seenCapacity);
    EXPECT_EQ(NOD_PART_GENERATED, aggregate.GetState(NOD_PART_SENSOR1));
    EXPECT_EQ(nullptr, aggregate.GetPhysical());

    const BHV_StateBehaviourList& states = m_trigger->GetStates();
    ASSERT_EQ(1, states.GetCount());
    EXPECT_EQ(m_trigger, m_trigger->GetOwnerRecord().body);
    EXPECT_EQ(sensor, m_trigger->GetOwnerRecord().sensors[BHV_SENSOR_PERCEPTION]);

    delete m_trigger->ProcessMessage(NOD_Node_EnterSimulation::Create());
    EXPECT_TRUE(m_trigger->IsInSimulation());
    EXPECT_EQ(NOD_PART_IDLE, aggregate.GetState(NOD_PART_SENSOR1)) << "idle until a sense is on";
    m_world->Steps(2);
    delete m_trigger->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(m_trigger->IsInSimulation());
    EXPECT_NE(NOD_PART_REGISTERED, aggregate.GetState(NOD_PART_SENSOR1));
}

TEST_F(NodTriggerTest, TriggerMessagesReachTheSensorBehaviourAndOthersAreLost)
{
    delete m_trigger->ProcessMessage(NOD_Node_EnterSimulation::Create());
    delete m_trigger->ProcessMessage(NOD_Trigger_SetPresenceSphere::Create(25.0f));
    delete m_trigger->ProcessMessage(NOD_Trigger_ActivateSensor::Create((u8)1, (u8)0, (u8)0));
    const COD_Sensor* sensor = m_trigger->GetAggregate().GetSensor1();
    EXPECT_EQ(25.0f, sensor->m_presenceRange);
    EXPECT_NE(0u, sensor->m_flags & COD_SENSOR_PRESENCE);
    EXPECT_EQ(1, m_trigger->GetStates().GetCode(0)) << "the sensor runs in pass 1";
    EXPECT_EQ(NOD_PART_IDLE, m_trigger->GetAggregate().GetState(NOD_PART_SENSOR1));
    m_world->Steps(COH_SENSING_PERIOD);
    EXPECT_EQ(NOD_PART_REGISTERED, m_trigger->GetAggregate().GetState(NOD_PART_SENSOR1))
        << "registered by the next sensing step";

    delete m_trigger->ProcessMessage(NOD_Camera_SetRelDistance::Create(3.0f));
    EXPECT_TRUE(Logged("NOD_Node::ProcessMessage() : node \"trigger\" received lost message of type 7002 "
                       "[Camera_SetRelDistance]."));
    EXPECT_FALSE(Logged("NOD_Node::ProcessMessage() : node \"trigger\" received lost message of type 20006 "
                        "[Trigger_ActivateSensor]."));
}

TEST_F(NodTriggerTest, ItStaysWherePositionMessagesPutIt)
{
    delete m_trigger->ProcessMessage(NOD_Node_EnterSimulation::Create());
    delete m_trigger->ProcessMessage(NOD_Body_SetPosition::Create(MAT_Vector3(30.0f, -40.0f, 5.0f)));
    m_world->Steps(3);
    TST_ExpectNear(MAT_Vector3(30.0f, -40.0f, 5.0f), m_trigger->GetWorldTransform(m_world->Now())->t, 0.0f,
                   "placed and still");
    TST_ExpectNear(MAT_Vector3(30.0f, -40.0f, 5.0f), m_trigger->GetAggregate().GetMatrix().t, 0.0f,
                   "its parts with it");
}
