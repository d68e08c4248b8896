// A scene body's place on the renderer's permanent list, followed through the simulation's
// enter and leave messages: the in-simulation flag and the list entry change together, a body
// is listed once however often it enters, and other messages are left to the body.
#include <gtest/gtest.h>

#include <memory>

#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "nod_body.h"
#include "nod_message.h"
#include "nod_permanententry.h"
#include "test_dir.h"

namespace
{
// The smallest permanent body: everything but the two simulation messages is counted.
class TST_PermanentBody : public NOD_Body
{
public:
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        if (entry.ProcessSimulationMessage(this, _message))
            return nullptr;
        ++others;
        return _message;
    }
    NOD_PermanentEntry entry;
    s32 others = 0;
};

class PermanentEntryTest : public ::testing::Test
{
protected:
    s32 Listed(const TST_PermanentBody* _body) const
    {
        s32 count = 0;
        for (s32 i = 0; i < m_renderer->GetPermanentBodyCount(); ++i)
            count += m_renderer->GetPermanentBody(i) == _body ? 1 : 0;
        return count;
    }

    void SetUp() override
    {
        TST_WriteRendererData(m_dir);  // the fonts the renderer opens
        m_renderer.reset(new Brisel_Renderer());
        m_body.reset(new TST_PermanentBody());
    }

    TST_TempDir m_dir;
    std::unique_ptr<Brisel_Renderer> m_renderer;
    std::unique_ptr<TST_PermanentBody> m_body;
};

TEST_F(PermanentEntryTest, TheFlagAndTheListFollowEachMessage)
{
    TST_PermanentBody stranger;
    m_renderer->AddPermanentBody(&stranger);
    struct Step
    {
        bool enter;
        bool inSimulation;
        s32 listed;
    };
    const Step steps[] = {
        {true, true, 1},    // enters
        {true, true, 1},    // again: still once
        {false, false, 0},  // leaves
        {false, false, 0},  // again: nothing more to take off
        {true, true, 1},    // and comes back
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "after " << (&s - steps) << ": " << (s.enter ? "enter" : "leave"));
        delete m_body->ProcessMessage(s.enter ? NOD_Node_EnterSimulation::Create()
                                              : NOD_Node_LeaveSimulation::Create());
        EXPECT_EQ(s.inSimulation, m_body->IsInSimulation());
        EXPECT_EQ((u32)s.listed, m_body->entry.IsRegistered());
        EXPECT_EQ(s.listed, Listed(m_body.get()));
        EXPECT_EQ(1 + s.listed, m_renderer->GetPermanentBodyCount());
        EXPECT_EQ(1, Listed(&stranger));
    }
    EXPECT_EQ(0, m_body->others);

    // Destroyed while listed: only the stranger stays.
    m_body.reset();
    ASSERT_EQ(1, m_renderer->GetPermanentBodyCount());
    EXPECT_EQ(&stranger, m_renderer->GetPermanentBody(0));
    m_renderer->RemovePermanentBody(&stranger);
}

TEST_F(PermanentEntryTest, OtherMessagesAreLeftToTheBody)
{
    NOD_Message* message = NOD_Node_GetTime::Create();
    EXPECT_EQ(message, m_body->ProcessMessage(message));  // not deleted: the body answers it
    delete message;
    EXPECT_EQ(1, m_body->others);
    EXPECT_FALSE(m_body->IsInSimulation());
    EXPECT_EQ(0, m_renderer->GetPermanentBodyCount());
}

TEST_F(PermanentEntryTest, WithoutARendererOnlyTheFlagFollowsUntilTheNextEntry)
{
    m_renderer.reset();
    delete m_body->ProcessMessage(NOD_Node_EnterSimulation::Create());
    EXPECT_TRUE(m_body->IsInSimulation());
    EXPECT_EQ(0u, m_body->entry.IsRegistered());

    // A renderer made later lists the body at its next entry.
    m_renderer.reset(new Brisel_Renderer());
    delete m_body->ProcessMessage(NOD_Node_EnterSimulation::Create());
    EXPECT_EQ(1, Listed(m_body.get()));
    delete m_body->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(m_body->IsInSimulation());
    EXPECT_EQ(0, m_renderer->GetPermanentBodyCount());
}
}  // namespace
