#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "nod_message.h"
#include "nod_plankton.h"
#include "plant_fixture.h"
#include "reb_mesh.h"
#include "reb_texturecache.h"

namespace
{
// Counts its HeartBeats and entries: the plankton passes neither on.
class TST_PlanktonSon : public NOD_Node
{
public:
    void HeartBeat() override { ++beats; }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        ++messages;
        delete _message;
        return nullptr;
    }
    s32 beats = 0;
    s32 messages = 0;
};

class PlanktonTest : public PlantWorldTest
{
protected:
    void Make()
    {
        Build();
        m_node.reset(NOD_Plankton::DynamicCast(NOD_Node::CreateNode("NOD_Plankton", "plankton")));
        ASSERT_NE(nullptr, m_node);
    }
    void TearDown() override
    {
        m_node.reset();
        PlantWorldTest::TearDown();
    }

    // One drawn frame with the camera at _position, _dt after the last.
    f32 Frame(const MAT_Vector3& _position, f32 _dt)
    {
        Look(DownCamera(_position, 100.0f));
        m_time += _dt;
        SIM_GetFrameClock().Set(m_time, _dt);
        m_renderer->Render();
        return m_node->GetLastFactor();
    }

    std::unique_ptr<NOD_Plankton> m_node;
    f32 m_time = 0.0f;
};

TEST_F(PlanktonTest, CreationDefinesTheFiveLayers)
{
    Make();
    EXPECT_EQ(8, m_node->GetRenderBucket());
    const char* const names[5] = {"vfx\\tex\\fx\\plankton04", "vfx\\tex\\fx\\plankton06", "vfx\\tex\\fx\\plankton10",
                                  "vfx\\tex\\fx\\plankton11", "vfx\\tex\\fx\\plankton12"};
    const u8 alphas[5] = {80, 75, 70, 65, 60};
    for (s32 k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(m_cache->GetTextureNames()->RegisterTextureName(names[k], 32), m_renderer->GetPlanktonTexture(k));
        const REB_Mesh* mesh = m_renderer->GetPlanktonMesh(k);
        ASSERT_NE(nullptr, mesh);
        const VEC_Map& map = mesh->GetMaterial(0)->material.diffuseMap;
        EXPECT_EQ(alphas[k], map.alpha);
        EXPECT_EQ(1, map.blendMode);
        EXPECT_EQ(VEC_MAP_ONESIDED, map.flags);
    }
    EXPECT_EQ(FLT_MAX, m_node->GetLastCameraPosition().x);
}

TEST_F(PlanktonTest, TheFactorFallsWithTheCameraSpeed)
{
    Make();
    delete m_node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    struct Case
    {
        const char* what;
        MAT_Vector3 position;
        f32 dt;
        f32 factor;
    };
    const Case cases[] = {
        {"the first frame counts as rest", {500.0f, 500.0f, 50.0f}, 1.0f / 30.0f, 1.2f},
        {"5 units in 1/30 s: 150 per second", {505.0f, 500.0f, 50.0f}, 1.0f / 30.0f, 0.45f},
        {"a jump", {3000.0f, 100.0f, 50.0f}, 1.0f / 30.0f, 0.2f},
        {"at rest again", {3000.0f, 100.0f, 50.0f}, 1.0f / 30.0f, 1.2f},
        {"no scene time at rest", {3000.0f, 100.0f, 50.0f}, 0.0f, 1.2f},
        {"no scene time while moving", {3001.0f, 100.0f, 50.0f}, 0.0f, 0.2f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const f32 factor = Frame(c.position, c.dt);
        EXPECT_FALSE(std::isnan(factor));
        EXPECT_NEAR(c.factor, factor, 1e-5f);
    }
    delete m_node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
}

TEST_F(PlanktonTest, EnteringTwiceRegistersOnceAndTheSonsAreLeftAlone)
{
    Make();
    TST_PlanktonSon* son = new TST_PlanktonSon();
    m_node->AddSon(son);
    const s32 before = m_renderer->GetPermanentBodyCount();
    delete m_node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    delete m_node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    EXPECT_TRUE(m_node->IsInSimulation());
    EXPECT_EQ(before + 1, m_renderer->GetPermanentBodyCount());
    m_node->HeartBeat();
    EXPECT_EQ(0, son->beats);
    EXPECT_EQ(0, son->messages);
    delete m_node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    delete m_node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(m_node->IsInSimulation());
    EXPECT_EQ(before, m_renderer->GetPermanentBodyCount());
    EXPECT_EQ(0, son->messages);

    // Deleted while registered: it leaves the renderer's list.
    delete m_node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    m_node.reset();
    EXPECT_EQ(before, m_renderer->GetPermanentBodyCount());
}
}  // namespace
