// The behaviour containers and the owner dispatch chain, driven by scripted fake behaviours
// inside a fake body that records what it sends to its script thread.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "bhv_attackerslots.h"
#include "bhv_behaviour.h"
#include "bhv_behaviourlist.h"
#include "bhv_owner.h"
#include "contactaggregate.h"
#include "des_fixture.h"
#include "nod_body.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_sections.h"

namespace
{
// Every call of every fake behaviour, in order: "<name>.<operation>[:id]".
std::vector<std::string> s_calls;

class FakeOwner;

// One fake for both kinds: the ids it starts on, stops on and takes as a setting, the code it
// starts with, what Handle answers, and optionally a self-stop from Handle through the owner of
// its record.
template <class BASE>
class FakeBehaviour : public BASE
{
public:
    FakeBehaviour(const char* _name, std::vector<u32> _starts, u32 _stop, s32 _code = 1, u32 _setting = 0)
        : m_name(_name), m_starts(std::move(_starts)), m_stop(_stop), m_code(_code), m_setting(_setting)
    {
    }

    s32 IsStartMessage(const NOD_Message* _message) override
    {
        for (u32 id : m_starts)
            if (_message->GetType() == id)
                return m_code;
        return 0;
    }
    s32 IsStopMessage(const NOD_Message* _message) override
    {
        return m_stop != 0 && _message->GetType() == m_stop ? 1 : 0;
    }
    NOD_Message* ProcessMessage(NOD_Message* _message, s32* _handled) override
    {
        const u32 id = _message->GetType();
        if (IsStartMessage(_message) == 0 && IsStopMessage(_message) == 0 && id != m_setting)
            return nullptr;
        s_calls.push_back(m_name + ".Process:" + std::to_string(id));
        *_handled = 1;
        delete _message;
        return nullptr;
    }
    s32 Handle() override
    {
        s_calls.push_back(m_name + ".Handle");
        if (m_selfStop)
            BHV_Behaviour::SendToOwner(BHV_Behaviour::GetOwner()->body, new NOD_Message(m_stop));
        return m_handleResult;
    }
    void Interrupt() override { s_calls.push_back(m_name + ".Interrupt"); }

    s32 m_handleResult = 1;
    bool m_selfStop = false;

private:
    std::string m_name;
    std::vector<u32> m_starts;
    u32 m_stop;
    s32 m_code;
    u32 m_setting;
};
using FakeState = FakeBehaviour<BHV_Behaviour>;
using FakeAction = FakeBehaviour<BHV_ActionBehaviour>;

// Message ids used below: real catalogue ids with the behaviours that own them.
enum : u32
{
    SHOT_HITS_START = NOD_Body_RequestShotHits::ID,
    SHOT_HITS_STOP = NOD_Body_RejectShotHits::ID,
    GUARD_START = NOD_Body_ActivateShieldGuard::ID,
    GUARD_STOP = NOD_Body_DeactivateShieldGuard::ID,
    SENSOR_START = NOD_Trigger_ActivateSensor::ID,
    SENSOR_STOP = NOD_Trigger_StopSensor::ID,
    SENSOR_SETTING = NOD_Trigger_SetPresenceSphere::ID,
    GOTO_START = NOD_Vessel_Goto::ID,
    GOTO_STOP = NOD_Vessel_GotoStop::ID,
    PATROL_START = NOD_Vessel_Patrol::ID,
    EMITTER_MESSAGE = 21000,
};

// A vessel-shaped owner: shot hits, sensor, shield guard; go to, patrol.
class FakeOwner : public NOD_Body
{
public:
    FakeOwner()
    {
        SetName("owner");
        m_parts.Fill(this);
        m_states.Register(&m_shotHits, &m_parts);
        m_states.Register(&m_sensor, &m_parts);
        m_states.Register(&m_guard, &m_parts);
        m_actions.Register(&m_goto, &m_parts);
        m_actions.Register(&m_patrol, &m_parts);
    }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        return BHV_DispatchToOwnerChain(this, _message, &GetAggregate(), &m_states, &m_actions);
    }
    NOD_Message* SendToThread(NOD_Message* _message, u32 _queued) override
    {
        m_sent.push_back(_message->GetType() * 10 + _queued);
        delete _message;
        // An immediate call answers with a reply the sender must delete.
        return _queued != 0 ? nullptr : new NOD_Message(1);
    }
    NOD_Message* Send(u32 _id) { return ProcessMessage(new NOD_Message(_id)); }

    FakeState m_shotHits{"hits", {SHOT_HITS_START}, SHOT_HITS_STOP};
    FakeState m_sensor{"sensor", {SENSOR_START}, SENSOR_STOP, 1, SENSOR_SETTING};
    FakeState m_guard{"guard", {GUARD_START}, GUARD_STOP, 2};
    FakeAction m_goto{"goto", {GOTO_START}, GOTO_STOP};
    FakeAction m_patrol{"patrol", {PATROL_START}, 0};
    BHV_Owner m_parts;
    BHV_StateBehaviourList m_states;
    BHV_ActionBehaviourSlot m_actions;
    std::vector<u32> m_sent;
};

class BehaviourFrameworkTest : public testing::Test
{
protected:
    void SetUp() override
    {
        s_calls.clear();
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        m_owner = new FakeOwner();
    }
    void TearDown() override
    {
        delete m_owner;
        SIM_GetSimulationClock().Reset();
    }
    bool Logged(const std::string& _line) const { return m_dir.Read("log.txt").find(_line) != std::string::npos; }
    // The calls since the last look, then forgets them.
    static std::vector<std::string> TakeCalls()
    {
        std::vector<std::string> calls;
        calls.swap(s_calls);
        return calls;
    }

    TST_TempDir m_dir;
    FakeOwner* m_owner = nullptr;
};

using Calls = std::vector<std::string>;

TEST_F(BehaviourFrameworkTest, StateListStartsRestartsAndStops)
{
    BHV_StateBehaviourList& states = m_owner->m_states;
    EXPECT_EQ(nullptr, m_owner->Send(GUARD_START));
    EXPECT_EQ(Calls{"guard.Process:1014"}, TakeCalls());
    EXPECT_EQ(2, states.GetCode(2));

    // A repeated start interrupts first, then restarts with the code again.
    m_owner->Send(GUARD_START);
    EXPECT_EQ((Calls{"guard.Interrupt", "guard.Process:1014"}), TakeCalls());
    EXPECT_EQ(2, states.GetCode(2));

    // The stop clears the code before the behaviour sees it, without Interrupt.
    m_owner->Send(GUARD_STOP);
    EXPECT_EQ(Calls{"guard.Process:1015"}, TakeCalls());
    EXPECT_EQ(0, states.GetCode(2));

    // A stop for an inactive behaviour reaches no behaviour and is lost.
    m_owner->Send(SENSOR_STOP);
    EXPECT_EQ(Calls{}, TakeCalls());
    EXPECT_TRUE(Logged("node \"owner\" received lost message of type 20007"));

    // A setting reaches an inactive behaviour.
    m_owner->Send(SENSOR_SETTING);
    EXPECT_EQ(Calls{"sensor.Process:" + std::to_string(SENSOR_SETTING)}, TakeCalls());
    EXPECT_EQ(0, states.GetCode(1));
}

TEST_F(BehaviourFrameworkTest, PassesRunActiveBehavioursByCodeInOrder)
{
    m_owner->Send(GUARD_START);
    m_owner->Send(SENSOR_START);
    m_owner->Send(SHOT_HITS_START);
    TakeCalls();
    m_owner->m_states.HandlePass1();
    EXPECT_EQ((Calls{"hits.Handle", "sensor.Handle"}), TakeCalls());
    m_owner->m_states.HandlePass2();
    EXPECT_EQ(Calls{"guard.Handle"}, TakeCalls());
}

TEST_F(BehaviourFrameworkTest, FirstRegisteredStartWins)
{
    BHV_Owner parts;
    BHV_StateBehaviourList states;
    FakeState first{"first", {SENSOR_START}, 0};
    FakeState second{"second", {SENSOR_START}, 0, 2};
    states.Register(&first, &parts);
    states.Register(&second, &parts);
    s32 handled = 0;
    states.ProcessMessage(new NOD_Message(SENSOR_START), &handled);
    EXPECT_EQ(1, handled);
    EXPECT_EQ(Calls{"first.Process:20006"}, TakeCalls());
    EXPECT_EQ(1, states.GetCode(0));
    EXPECT_EQ(0, states.GetCode(1));

    BHV_ActionBehaviourSlot slot;
    FakeAction a{"a", {GOTO_START}, 0};
    FakeAction b{"b", {GOTO_START}, 0};
    slot.Register(&a, &parts);
    slot.Register(&b, &parts);
    slot.ProcessMessage(new NOD_Message(GOTO_START), &handled);
    EXPECT_EQ(&a, slot.GetCurrent());
    EXPECT_EQ(Calls{"a.Process:15006"}, TakeCalls());
}

TEST_F(BehaviourFrameworkTest, ActionSlotStartsInterruptsAndStops)
{
    BHV_ActionBehaviourSlot& slot = m_owner->m_actions;
    m_owner->Send(GOTO_START);
    EXPECT_EQ(&m_owner->m_goto, slot.GetCurrent());

    // Restarting the current behaviour interrupts it (its override notification) first.
    m_owner->Send(GOTO_START);
    EXPECT_EQ((Calls{"goto.Process:15006", "goto.Interrupt", "goto.Process:15006"}), TakeCalls());

    // Another start takes the place; the go-to's stop then is lost.
    m_owner->Send(PATROL_START);
    EXPECT_EQ((Calls{"goto.Interrupt", "patrol.Process:15015"}), TakeCalls());
    m_owner->Send(GOTO_STOP);
    EXPECT_EQ(Calls{}, TakeCalls());
    EXPECT_EQ(&m_owner->m_patrol, slot.GetCurrent());
    EXPECT_TRUE(Logged("node \"owner\" received lost message of type 15007"));

    // A stop ends the current behaviour without Interrupt.
    m_owner->Send(GOTO_START);
    TakeCalls();
    m_owner->Send(GOTO_STOP);
    EXPECT_EQ(Calls{"goto.Process:15007"}, TakeCalls());
    EXPECT_EQ(nullptr, slot.GetCurrent());
}

TEST_F(BehaviourFrameworkTest, FinishedActionIsNoLongerCurrent)
{
    BHV_ActionBehaviourSlot& slot = m_owner->m_actions;
    m_owner->Send(GOTO_START);
    slot.Handle();
    EXPECT_EQ(&m_owner->m_goto, slot.GetCurrent());
    m_owner->m_goto.m_handleResult = 0;
    slot.Handle();
    EXPECT_EQ(nullptr, slot.GetCurrent());
    TakeCalls();
    slot.Handle();
    m_owner->Send(GOTO_STOP);
    EXPECT_EQ(Calls{}, TakeCalls());
    EXPECT_TRUE(Logged("node \"owner\" received lost message of type 15007"));
}

TEST_F(BehaviourFrameworkTest, SelfStopDuringAPass)
{
    // The sensor stops itself from Handle through the owner; the pass goes on to the shot hits
    // registered before it and the guard of the other pass is untouched.
    m_owner->Send(SHOT_HITS_START);
    m_owner->Send(SENSOR_START);
    m_owner->Send(GUARD_START);
    m_owner->m_shotHits.m_selfStop = true;
    TakeCalls();
    m_owner->m_states.HandlePass1();
    EXPECT_EQ((Calls{"hits.Handle", "hits.Process:1006", "sensor.Handle"}), TakeCalls());
    EXPECT_EQ(0, m_owner->m_states.GetCode(0));
    EXPECT_EQ(1, m_owner->m_states.GetCode(1));
    EXPECT_EQ(2, m_owner->m_states.GetCode(2));
    m_owner->m_states.HandlePass1();
    EXPECT_EQ(Calls{"sensor.Handle"}, TakeCalls());

    // An action behaviour stopping itself from Handle (and still answering 1) is not current.
    m_owner->Send(GOTO_START);
    m_owner->m_goto.m_selfStop = true;
    TakeCalls();
    m_owner->m_actions.Handle();
    EXPECT_EQ((Calls{"goto.Handle", "goto.Process:15007"}), TakeCalls());
    EXPECT_EQ(nullptr, m_owner->m_actions.GetCurrent());
}

TEST_F(BehaviourFrameworkTest, ChainEndsAtTheBodyBase)
{
    // Body messages reach the body base: Body_GetPosition answers a reply.
    NOD_Message* reply = m_owner->Send(NOD_Body_GetPosition::ID);
    ASSERT_NE(nullptr, reply);
    delete reply;
    // An emitter message on an owner without an emitter part is lost, not a crash.
    m_owner->Send(EMITTER_MESSAGE);
    EXPECT_TRUE(Logged("node \"owner\" received lost message of type 21000"));
    EXPECT_EQ(Calls{}, TakeCalls());
}

TEST_F(BehaviourFrameworkTest, AMessageSeveralCouldTakeGoesToTheEarliestInTheChain)
{
    // One state and one action behaviour; per row each starts on the row's message or ignores
    // it. The chain's order: emitter part, states, action, body.
    constexpr u32 EMITTER_QUERY = NOD_Emitter_GetVisibilityStatus::ID;
    constexpr u32 BODY_QUERY = NOD_Body_GetPosition::ID;
    struct Case
    {
        const char* what;
        u32 message;
        bool emitter;  // the owner has an emitter part
        bool stateClaims;
        bool actionClaims;
        const char* taker;  // the fake that takes it, or null when the reply comes from the owner
    };
    const Case cases[] = {
        {"emitter before the states", EMITTER_QUERY, true, true, true, nullptr},
        {"states before the action", GOTO_START, false, true, true, "state"},
        {"states before the body", BODY_QUERY, false, true, false, "state"},
        {"action before the body", BODY_QUERY, false, false, true, "action"},
        {"the body last", BODY_QUERY, false, false, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<u32> claimed = {c.message};
        FakeState state{"state", c.stateClaims ? claimed : std::vector<u32>{}, 0};
        FakeAction action{"action", c.actionClaims ? claimed : std::vector<u32>{}, 0};
        NOD_Body owner;
        if (c.emitter)
            TST_WithSection(m_dir, TOOL_EmitterSectionText(TOOL_EmitterSection()), "Emitter",
                            [&](DES_Section* _s) { owner.GetAggregate().GenerateEmitter(_s); });
        BHV_Owner parts;
        parts.Fill(&owner);
        BHV_StateBehaviourList states;
        BHV_ActionBehaviourSlot actions;
        states.Register(&state, &parts);
        actions.Register(&action, &parts);

        NOD_Message* reply =
            BHV_DispatchToOwnerChain(&owner, new NOD_Message(c.message), &owner.GetAggregate(), &states, &actions);
        if (c.taker != nullptr) {
            EXPECT_EQ(nullptr, reply);
            EXPECT_EQ(Calls{std::string(c.taker) + ".Process:" + std::to_string(c.message)}, TakeCalls());
        } else {
            ASSERT_NE(nullptr, reply);
            EXPECT_EQ(c.message, reply->GetType());
            EXPECT_EQ(Calls{}, TakeCalls());
        }
        EXPECT_EQ(c.taker != nullptr && std::string(c.taker) == "action" ? &action : nullptr, actions.GetCurrent());
        delete reply;
    }
}

TEST_F(BehaviourFrameworkTest, NotifyPassesTheQueuedFlagAndDeletesTheReply)
{
    BHV_Behaviour::Notify(m_owner, NOD_Vessel_GotoArrived::Create(SIM_Name("a")), 1);
    BHV_Behaviour::Notify(m_owner, NOD_Vessel_GotoArrived::Create(SIM_Name("b")), 0);
    EXPECT_EQ((std::vector<u32>{NOD_Vessel_GotoArrived::ID * 10 + 1, NOD_Vessel_GotoArrived::ID * 10}),
              m_owner->m_sent);
    // An owner with no bound thread drops the notification (the leak checker sees any leak).
    NOD_Body plain;
    BHV_Behaviour::Notify(&plain, NOD_Vessel_GotoArrived::Create(SIM_Name("c")), 1);
}

TEST_F(BehaviourFrameworkTest, RegisteringPastTheCapacityIsFatal)
{
    BHV_Owner parts;
    std::deque<FakeState> states;
    BHV_StateBehaviourList list;
    for (s32 i = 0; i <= BHV_StateBehaviourList::CAPACITY; ++i)
        states.emplace_back("s", std::vector<u32>{}, 0);
    for (s32 i = 0; i < BHV_StateBehaviourList::CAPACITY; ++i)
        list.Register(&states[i], &parts);
    EXPECT_FATAL(list.Register(&states.back(), &parts), "BHV_StateBehaviourList::Register()",
                 "too many state behaviours");
    EXPECT_EQ(BHV_StateBehaviourList::CAPACITY, list.GetCount());
    // The rejected behaviour belongs to no owner.
    EXPECT_EQ(nullptr, states.back().GetOwner());

    std::deque<FakeAction> actions;
    for (s32 i = 0; i <= BHV_ActionBehaviourSlot::CAPACITY; ++i)
        actions.emplace_back("a", std::vector<u32>{}, 0);
    BHV_ActionBehaviourSlot slot;
    for (s32 i = 0; i < BHV_ActionBehaviourSlot::CAPACITY; ++i)
        slot.Register(&actions[i], &parts);
    EXPECT_FATAL(slot.Register(&actions.back(), &parts), "BHV_ActionBehaviourSlot::Register()",
                 "too many action behaviours");
    EXPECT_EQ(BHV_ActionBehaviourSlot::CAPACITY, slot.GetCount());
    EXPECT_EQ(nullptr, actions.back().GetOwner());
}

TEST_F(BehaviourFrameworkTest, RegistrationGivesEachBehaviourTheOwnersRecord)
{
    // Before registration a behaviour has no owner.
    FakeState loose{"loose", {}, 0};
    EXPECT_EQ(nullptr, loose.GetOwner());

    // Both containers hand over the one record the owner keeps, not a copy of it: a part the
    // owner sets after registering is seen by every behaviour.
    const BHV_Behaviour* const registered[] = {&m_owner->m_shotHits, &m_owner->m_sensor, &m_owner->m_guard,
                                               &m_owner->m_goto, &m_owner->m_patrol};
    for (const BHV_Behaviour* behaviour : registered) {
        ASSERT_EQ(&m_owner->m_parts, behaviour->GetOwner());
        EXPECT_EQ(m_owner, behaviour->GetOwner()->body);
    }
    BHV_AttackerSlots slots;
    m_owner->m_parts.attackers = &slots;
    for (const BHV_Behaviour* behaviour : registered)
        EXPECT_EQ(&slots, behaviour->GetOwner()->attackers);
}
}  // namespace
