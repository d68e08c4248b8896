// The attack and turret behaviours declared ahead of their logic: an owner holding
// them by value builds, runs their set-up calls, and meanwhile the behaviours stay inert (no
// start or stop, nothing handled, finished at once), so the owner logs their messages as lost.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bhv_behaviourlist.h"
#include "bhv_turret.h"
#include "bhv_vehicle_attack.h"
#include "bhv_vessel_attack.h"
#include "des_file.h"
#include "nod_body.h"
#include "nod_message.h"
#include "test_dir.h"

namespace
{
// A body carrying every declared behaviour as a member, set up and registered the way the
// vessel, vehicle and turret owners will do it: one record of its (absent) parts,
// the registrations, then the set-up calls for what the record does not hold.
class FakeOwner : public NOD_Body
{
public:
    FakeOwner()
    {
        SetName("owner");
        m_parts.Fill(this);
        for (BHV_ActionBehaviour* behaviour : Behaviours())
            m_actions.Register(behaviour, &m_parts);

        DES_Section noSection;
        m_vehicleAttack.SetTurret(nullptr);
        m_vehicleAttack.ParseIniFile(noSection);
        m_complexAttack.SetGun(nullptr);
        m_complexAttack.ParseIniFile(noSection);
        m_patrol.ParseIniFile(noSection);
    }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        return BHV_DispatchToOwnerChain(this, _message, &GetAggregate(), nullptr, &m_actions);
    }
    NOD_Message* SendToThread(NOD_Message* _message, u32 /*_queued*/) override
    {
        m_sent.push_back(_message->GetType());
        delete _message;
        return nullptr;
    }
    std::vector<BHV_ActionBehaviour*> Behaviours()
    {
        return {&m_vehicleAttack, &m_follow, &m_patrol, &m_complexAttack};
    }

    BHV_Vehicle_A_Attack m_vehicleAttack;
    BHV_Turret_A_Follow m_follow;
    BHV_Turret_A_Patrol m_patrol;
    BHV_Turret_A_ComplexAttack m_complexAttack;
    BHV_Owner m_parts;
    BHV_ActionBehaviourSlot m_actions;
    std::vector<u32> m_sent;
};

// Each behaviour (in the owner's order) with the start, stop and setting messages it will take.
const std::vector<std::vector<u32>> s_messages = {
    {NOD_Vehicle_AttackPatrol::ID, NOD_Vehicle_SetPrimaryTarget::ID},
    {NOD_Turret_Base_Follow::ID},
    {NOD_Turret_Base_Patrol::ID},
    {NOD_Turret_Base_ComplexAttack::ID, NOD_Turret_Base_DirectAttack::ID, NOD_Turret_Base_DirectAttackStop::ID,
     NOD_Turret_Base_SetPrimaryTarget::ID},
};

NOD_Message* MakeMessage(u32 _id)
{
    NOD_Message* message = new NOD_Message(_id);
    message->PutF32(500.0f)->PutU8(2);
    return message;
}

class DeclaredAttacksTest : public testing::Test
{
protected:
    bool Logged(const std::string& _line) const { return m_dir.Read("log.txt").find(_line) != std::string::npos; }

    TST_TempDir m_dir;
    FakeOwner m_owner;
};

TEST_F(DeclaredAttacksTest, BehavioursStayInert)
{
    const std::vector<BHV_ActionBehaviour*> behaviours = m_owner.Behaviours();
    ASSERT_EQ(s_messages.size(), behaviours.size());
    for (size_t i = 0; i < behaviours.size(); ++i) {
        BHV_ActionBehaviour* behaviour = behaviours[i];
        for (u32 id : s_messages[i]) {
            SCOPED_TRACE("behaviour " + std::to_string(i) + ", message " + std::to_string(id));
            NOD_Message* message = MakeMessage(id);
            const u16 cursor = message->GetCursor();
            u8 arguments[8];
            std::memcpy(arguments, message->GetArguments(), sizeof(arguments));

            EXPECT_EQ(0, behaviour->IsStartMessage(message));
            EXPECT_EQ(0, behaviour->IsStopMessage(message));
            s32 handled = 0;
            EXPECT_EQ(nullptr, behaviour->ProcessMessage(message, &handled));
            EXPECT_EQ(0, handled);
            // Not taken: still ours, unread and unchanged.
            EXPECT_EQ(id, message->GetType());
            EXPECT_EQ(cursor, message->GetCursor());
            EXPECT_EQ(0, std::memcmp(arguments, message->GetArguments(), sizeof(arguments)));
            delete message;
        }
        EXPECT_EQ(0, behaviour->Handle());
        behaviour->Interrupt();
    }
    EXPECT_TRUE(m_owner.m_sent.empty());
}

TEST_F(DeclaredAttacksTest, OwnerLogsTheirMessagesAsLost)
{
    for (const std::vector<u32>& ids : s_messages)
        for (u32 id : ids) {
            EXPECT_EQ(nullptr, m_owner.ProcessMessage(MakeMessage(id)));
            EXPECT_TRUE(Logged("node \"owner\" received lost message of type " + std::to_string(id))) << id;
        }
    EXPECT_EQ(nullptr, m_owner.m_actions.GetCurrent());
    m_owner.m_actions.Handle();
    EXPECT_TRUE(m_owner.m_sent.empty());
}

TEST(DeclaredAttackStatesTest, TypesAndStay)
{
    BHV_Vessel_AttackState0 align;
    BHV_Vessel_AttackState1 escape;
    BHV_Vessel_AttackState2 sit;
    BHV_Vessel_AttackState3 wave;
    BHV_Vessel_AttackState4 escapeNewPosition;
    BHV_Vessel_AttackState5 castrated;
    BHV_Vessel_AttackState* vessel[] = {&align, &escape, &sit, &wave, &escapeNewPosition, &castrated};
    for (s32 type = 0; type < 6; ++type) {
        EXPECT_EQ(type, vessel[type]->GetType());
        vessel[type]->Enter(nullptr);
        EXPECT_EQ(BHV_Vessel_AttackState::STAY, vessel[type]->Handle());
        vessel[type]->Leave();
    }

    BHV_Vehicle_AttackState0 vehicleAlign;
    BHV_Vehicle_AttackState1 stick;
    BHV_Vehicle_AttackState2 vehicleCastrated;
    BHV_Vehicle_AttackState* vehicle[] = {&vehicleAlign, &stick, &vehicleCastrated};
    for (s32 type = 0; type < 3; ++type) {
        EXPECT_EQ(type, vehicle[type]->GetType());
        vehicle[type]->Enter(nullptr);
        EXPECT_EQ(BHV_Vehicle_AttackState::STAY, vehicle[type]->Handle());
        vehicle[type]->Leave();
    }
}
}  // namespace
