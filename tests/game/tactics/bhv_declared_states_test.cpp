// The behaviours declared ahead of their logic: an owner holding every one of them by value
// constructs, makes its set-up calls and destroys cleanly, the behaviours stay inert, and the
// owner's chain logs their messages as lost.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bhv_behaviourlist.h"
#include "bhv_bodystates.h"
#include "bhv_escort.h"
#include "bhv_goto.h"
#include "bhv_patrol.h"
#include "bhv_stop.h"
#include "nod_body.h"
#include "nod_message.h"
#include "sim_clock.h"
#include "test_dir.h"

namespace
{
// A vessel-, vehicle- and character-shaped owner at once: every declared behaviour registered
// in its containers with one record of the owner's (absent) parts, then the set-up calls for
// what the record does not hold.
class AllBehavioursOwner : public NOD_Body
{
public:
    AllBehavioursOwner()
    {
        SetName("owner");
        m_parts.Fill(this);
        BHV_Behaviour* const states[] = {&m_shotHits, &m_sensor, &m_guard, &m_watch, &m_watchPatrol};
        for (BHV_Behaviour* state : states)
            m_states.Register(state, &m_parts);
        BHV_ActionBehaviour* const actions[] = {&m_vesselGoto,    &m_vehicleGoto, &m_characterGoto, &m_vesselPatrol,
                                                &m_vehiclePatrol, &m_park,        &m_vesselStop,    &m_vehicleStop,
                                                &m_sink,          &m_escort,      &m_escape};
        for (BHV_ActionBehaviour* action : actions)
            m_actions.Register(action, &m_parts);

        m_sensor.Init(16, 16, 16);
        m_characterGoto.SetSteeringMode(1);
        m_escape.ReadDataFrom(nullptr);
    }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        return BHV_DispatchToOwnerChain(this, _message, &GetAggregate(), &m_states, &m_actions);
    }

    BHV_Body_S_Sensor m_sensor;
    BHV_Body_S_ShieldGuard m_guard;
    BHV_Body_S_ShotHits m_shotHits;
    BHV_Body_S_WatchEnemies m_watch;
    BHV_Body_S_WatchEnemiePatrol m_watchPatrol;
    BHV_Vessel_A_Goto m_vesselGoto;
    BHV_Vehicle_A_Goto m_vehicleGoto;
    BHV_PhysicalCharacter_A_Goto m_characterGoto;
    BHV_Vessel_A_Patrol m_vesselPatrol;
    BHV_Vehicle_A_Patrol m_vehiclePatrol;
    BHV_Vehicle_A_PatrolPark m_park;
    BHV_Vessel_A_Stop m_vesselStop;
    BHV_Vehicle_A_Stop m_vehicleStop;
    BHV_Vessel_A_Sink m_sink;
    BHV_Vessel_A_Escort m_escort;
    BHV_Vessel_A_EscapeTo m_escape;
    BHV_Owner m_parts;
    BHV_StateBehaviourList m_states;
    BHV_ActionBehaviourSlot m_actions;
};

class DeclaredBehavioursTest : public testing::Test
{
protected:
    void SetUp() override
    {
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        m_owner = new AllBehavioursOwner();
    }
    void TearDown() override
    {
        delete m_owner;
        SIM_GetSimulationClock().Reset();
    }
    bool Logged(const std::string& _line) const { return m_dir.Read("log.txt").find(_line) != std::string::npos; }

    TST_TempDir m_dir;
    AllBehavioursOwner* m_owner = nullptr;
};

TEST_F(DeclaredBehavioursTest, EveryBehaviourStaysInertForItsOwnMessages)
{
    struct Case
    {
        BHV_Behaviour* behaviour;
        std::vector<u32> ids;  // its start, stop and setting messages
    };
    AllBehavioursOwner& o = *m_owner;
    const std::vector<Case> cases = {
        {&o.m_sensor, {NOD_Trigger_ActivateSensor::ID, NOD_Trigger_StopSensor::ID, NOD_Trigger_SetPresenceSphere::ID}},
        {&o.m_guard,
         {NOD_Body_ActivateShieldGuard::ID, NOD_Body_DeactivateShieldGuard::ID, NOD_Body_RequestKinInfo::ID}},
        {&o.m_shotHits, {NOD_Body_RequestShotHits::ID, NOD_Body_RejectShotHits::ID}},
        {&o.m_watch, {NOD_Body_InformEnemies::ID, NOD_Body_RejectEnemies::ID}},
        {&o.m_watchPatrol, {NOD_Body_InformEnemyPatrol::ID, NOD_Body_RejectEnemyPatrol::ID}},
        {&o.m_vesselGoto, {NOD_Vessel_Goto::ID, NOD_Vessel_GotoFromTo::ID, NOD_Vessel_GotoStop::ID}},
        {&o.m_vehicleGoto, {NOD_Vehicle_Goto::ID, NOD_Vehicle_GotoFromPosition::ID, NOD_Vehicle_GotoStop::ID}},
        {&o.m_characterGoto, {NOD_PhysicalCharacter_GotoStart::ID, NOD_PhysicalCharacter_GotoStop::ID}},
        {&o.m_vesselPatrol, {NOD_Vessel_Patrol::ID}},
        {&o.m_vehiclePatrol, {NOD_Vehicle_Patrol::ID}},
        {&o.m_park, {NOD_Vehicle_ParkPatrol::ID}},
        {&o.m_vesselStop, {NOD_Vessel_Stop::ID, NOD_Vessel_StopWithHeading::ID, NOD_Vessel_StopWithSinking::ID}},
        {&o.m_vehicleStop, {NOD_Vehicle_Stop::ID}},
        {&o.m_sink, {NOD_Vessel_Sink::ID}},
        {&o.m_escort, {NOD_Vessel_Escort::ID}},
        {&o.m_escape, {NOD_Vessel_EscapeToPosition::ID, NOD_Vessel_EscapeToPosSim::ID}},
    };
    for (const Case& c : cases) {
        for (u32 id : c.ids) {
            SCOPED_TRACE(id);
            NOD_Message message(id);
            message.PutU32(0x12345678u)->PutF32(2.5f);
            NOD_Message before(id);
            before.PutU32(0x12345678u)->PutF32(2.5f);

            EXPECT_EQ(0, c.behaviour->IsStartMessage(&message));
            EXPECT_EQ(0, c.behaviour->IsStopMessage(&message));
            s32 handled = 0;
            EXPECT_EQ(nullptr, c.behaviour->ProcessMessage(&message, &handled));
            EXPECT_EQ(0, handled);
            EXPECT_EQ(id, message.GetType());
            EXPECT_EQ(before.GetCursor(), message.GetCursor());
            EXPECT_EQ(0, std::memcmp(before.GetArguments(), message.GetArguments(), NOD_Message::MAX_BYTES));
        }
        c.behaviour->Interrupt();
        EXPECT_EQ(0, c.behaviour->Handle());
    }
}

TEST_F(DeclaredBehavioursTest, OwnerLogsTheirStartsAsLost)
{
    // An action start: no behaviour becomes current.
    EXPECT_EQ(nullptr, m_owner->ProcessMessage(new NOD_Message(NOD_Vessel_Goto::ID)));
    EXPECT_EQ(nullptr, m_owner->m_actions.GetCurrent());
    EXPECT_TRUE(Logged("node \"owner\" received lost message of type 15006"));

    // A state start: no behaviour becomes active, the passes run nothing.
    EXPECT_EQ(nullptr, m_owner->ProcessMessage(new NOD_Message(NOD_Body_ActivateShieldGuard::ID)));
    for (s32 i = 0; i < m_owner->m_states.GetCount(); ++i)
        EXPECT_EQ(0, m_owner->m_states.GetCode(i));
    EXPECT_TRUE(Logged("node \"owner\" received lost message of type 1014"));
    m_owner->m_states.HandlePass1();
    m_owner->m_states.HandlePass2();
    m_owner->m_actions.Handle();
    EXPECT_EQ(nullptr, m_owner->m_actions.GetCurrent());
}
}  // namespace
