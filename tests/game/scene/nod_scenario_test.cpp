#include <gtest/gtest.h>

#include <string>

#include "contactaggregate.h"
#include "cos_world_fixture.h"
#include "nod_camera.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_scenario.h"
#include "sim_clock.h"

// Records the simulation messages it receives, by name, into one shared line.
static std::string s_seen;
class TST_ScenarioSon : public NOD_Node
{
    RTI_DECLARE_CLASS(TST_ScenarioSon)

public:
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        const u32 id = _message->GetType();
        if (id == NOD_Node_EnterSimulation::ID || id == NOD_Node_LeaveSimulation::ID) {
            s_seen += std::string(s_seen.empty() ? "" : " ") + (id == NOD_Node_EnterSimulation::ID ? "+" : "-") +
                      GetName().GetName();
            OnMessage();
            delete _message;
            return nullptr;
        }
        return NOD_Node::ProcessMessage(_message);
    }
    virtual void OnMessage() {}
};
RTI_IMPLEMENT_CLASS(TST_ScenarioSon, "NOD_Node")

// On entry it hangs a new son under its father, as a script run by a son may.
class TST_SpawningSon : public TST_ScenarioSon
{
    RTI_DECLARE_CLASS(TST_SpawningSon)

public:
    void OnMessage() override
    {
        if (GetFather() != nullptr && !m_spawned) {
            m_spawned = true;
            GetFather()->AddSon(NOD_Node::CreateNode("TST_ScenarioSon", "late"));
        }
    }

private:
    bool m_spawned = false;
};
RTI_IMPLEMENT_CLASS(TST_SpawningSon, "TST_ScenarioSon")

// On leaving it takes its brother after it out of the tree.
class TST_RemovingSon : public TST_ScenarioSon
{
    RTI_DECLARE_CLASS(TST_RemovingSon)

public:
    void OnMessage() override
    {
        NOD_Node* father = GetFather();
        if (father != nullptr && father->GetNumOfSons() > 1)
            delete father->GetSon(father->GetNumOfSons() - 1);
    }
};
RTI_IMPLEMENT_CLASS(TST_RemovingSon, "TST_ScenarioSon")

namespace
{
class ScenarioTest : public testing::Test
{
protected:
    void SetUp() override
    {
        TST_ScenarioSon::RegisterClassDefinition();
        TST_SpawningSon::RegisterClassDefinition();
        TST_RemovingSon::RegisterClassDefinition();
        s_seen.clear();
        SIM_GetSimulationClock().Set(1.0f, SIM_STEP);
        scenario = NOD_Node::CreateNode("nod_scenario", "scenario");
        ASSERT_NE(nullptr, NOD_Scenario::DynamicCast(scenario));
    }
    void TearDown() override
    {
        delete scenario;
        NOD_Node::GC_Collect();
        TST_RemovingSon::UnregisterClassDefinition();
        TST_SpawningSon::UnregisterClassDefinition();
        TST_ScenarioSon::UnregisterClassDefinition();
        SIM_GetSimulationClock().Reset();
    }

    NOD_Node* Son(const char* _className, const char* _name)
    {
        NOD_Node* son = NOD_Node::CreateNode(_className, _name);
        scenario->AddSon(son);
        return son;
    }
    NOD_Message* Enter() { return scenario->ProcessMessage(NOD_Node_EnterSimulation::Create()); }
    NOD_Message* Leave() { return scenario->ProcessMessage(NOD_Node_LeaveSimulation::Create()); }

    NOD_Node* scenario = nullptr;
};

TEST_F(ScenarioTest, IsARegisteredNodeClassThatCastsOnlyItself)
{
    const RTI_ClassDefinition* definition = RTI_ClassDefinition::Find("NOD_Scenario");
    ASSERT_NE(nullptr, definition);
    EXPECT_EQ(RTI_ClassDefinition::Find("NOD_Node"), definition->GetBaseDefinition());
    NOD_Node* plain = NOD_Node::CreateNode("NOD_Node", "plain");
    EXPECT_EQ(nullptr, NOD_Scenario::DynamicCast(plain));
    EXPECT_EQ(nullptr, NOD_Scenario::DynamicCast(nullptr));
    delete plain;
}

TEST_F(ScenarioTest, WithoutSonsEntryAndExitDoNothing)
{
    EXPECT_EQ(nullptr, Enter());
    EXPECT_EQ(nullptr, Leave());
    EXPECT_FALSE(scenario->IsInSimulation());
    EXPECT_EQ("", s_seen);
}

TEST_F(ScenarioTest, EntryAndExitReachEverySonInOrderButNotTheNodeItself)
{
    Son("TST_ScenarioSon", "a");
    Son("TST_ScenarioSon", "b");
    Son("TST_ScenarioSon", "c");
    EXPECT_EQ(nullptr, Enter());
    EXPECT_EQ("+a +b +c", s_seen);
    EXPECT_FALSE(scenario->IsInSimulation());
    s_seen.clear();
    EXPECT_EQ(nullptr, Leave());
    EXPECT_EQ("-a -b -c", s_seen);
}

TEST_F(ScenarioTest, TheSonCountIsReadAgainBeforeEverySon)
{
    // A son added during the pass gets the message too.
    Son("TST_SpawningSon", "spawner");
    Son("TST_ScenarioSon", "b");
    Enter();
    EXPECT_EQ("+spawner +b +late", s_seen);
    ASSERT_EQ(3, scenario->GetNumOfSons());

    // A son removed during the pass is not reached, and nothing reads past the end.
    s_seen.clear();
    delete scenario->GetSon(0);
    delete scenario->GetSon(0);
    Son("TST_RemovingSon", "remover");
    Son("TST_ScenarioSon", "doomed");
    Leave();
    EXPECT_EQ("-late -remover", s_seen);
    EXPECT_EQ(2, scenario->GetNumOfSons());
}

TEST_F(ScenarioTest, ABodyBelowEntersWithItsContactPartsAndLeavesAgain)
{
    TST_CollisionWorld world;
    NOD_ContactWorld contact;
    contact.system = &world.system;
    contact.handlers[0] = &world.physical;
    contact.handlers[3] = &world.viewers;
    contact.handlers[9] = &world.receivers;
    contact.getViewBox = &NOD_Camera::GetViewBoxOf;
    ContactAggregate::SetWorld(&contact);

    NOD_Camera* camera = NOD_Camera::DynamicCast(Son("NOD_Camera", "camera"));
    ASSERT_NE(nullptr, camera);
    Enter();
    EXPECT_TRUE(camera->IsInSimulation());
    EXPECT_FALSE(scenario->IsInSimulation());
    EXPECT_EQ(NOD_PART_REGISTERED, camera->GetAggregate().GetState(NOD_PART_PHYSICAL));
    EXPECT_EQ(NOD_PART_REGISTERED, camera->GetAggregate().GetState(NOD_PART_VIEWER));
    Leave();
    EXPECT_FALSE(camera->IsInSimulation());
    EXPECT_EQ(NOD_PART_GENERATED, camera->GetAggregate().GetState(NOD_PART_PHYSICAL));
    EXPECT_EQ(NOD_PART_GENERATED, camera->GetAggregate().GetState(NOD_PART_VIEWER));
    ContactAggregate::SetWorld(nullptr);
}

TEST_F(ScenarioTest, OtherMessagesBehaveAsForAPlainNode)
{
    NOD_Message* reply = scenario->ProcessMessage(NOD_Node_GetName::Create());
    ASSERT_NE(nullptr, reply);
    SIM_Name name;
    NOD_Node_GetName::ReadReply(reply, &name);
    EXPECT_STREQ("scenario", name.GetName());
    delete reply;

    Son("TST_ScenarioSon", "a");
    reply = scenario->ProcessMessage(NOD_Node_GetNumOfSons::Create());
    ASSERT_NE(nullptr, reply);
    u16 count = 0;
    NOD_Node_GetNumOfSons::ReadReply(reply, &count);
    EXPECT_EQ(1, count);
    delete reply;
}
}  // namespace
