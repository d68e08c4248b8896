// The sample scene the generator writes, run as the benchmark runs it: the generator's short
// option into a fresh directory and nothing else (the glue library is among its files), the
// run's objects on the recording display, then the script "map\kovra1\script\quorvex" stepped
// and drawn at 30 frames per second of scene time until the game ends.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "brisel_simulation.h"
#include "crt_rand.h"
#include "mrt_terrain.h"
#include "nod_body.h"
#include "nod_camera.h"
#include "nod_fx_plant.h"
#include "nod_game.h"
#include "nod_node.h"
#include "scene_render_fixture.h"
#include "sim_clock.h"
#include "sim_scene_fixture.h"
#include "snd_sounddevice.h"
#include "test_dir.h"
#include "vec_camera.h"

namespace
{

class DatagenSceneTest : public TST_SceneRenderTest
{
protected:
    void SetUp() override
    {
        Generate("2");
        CreateWorld();
    }

    // The generator into the working directory with a scene of _seconds.
    void Generate(const char* _seconds)
    {
        const std::string command =
            std::string("'") + QV_DATAGEN + "' . --scene-seconds " + _seconds + " > datagen.txt 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << m_dir.Read("datagen.txt");
    }

    void Build() { BuildScene("map\\kovra1\\script\\quorvex"); }

    NOD_Game* Game() const { return static_cast<NOD_Game*>(NOD_Node::GetRoot()); }

    // Frames at 30 per second of scene time as the run draws them (the steps until the
    // simulation clock passes the frame's time, then the frame), until the game is over or
    // _frames were drawn; answers the frames drawn. _eachFrame runs after every frame.
    template <typename F>
    s32 Run(s32 _frames, F _eachFrame)
    {
        s32 k = 0;
        while (k < _frames && !Game()->IsGameOver()) {
            const f64 runClock = (f64)k / 30.0;
            while ((f64)SIM_GetSimulationClock().time < runClock)
                m_scene->Step();
            TST_SimScene::SetFrameTime((f32)runClock);
            m_renderer->Render();
            ++k;
            _eachFrame();
        }
        return k;
    }
};

// The scene is there as the script makes it, the camera stays above the ground all the way, the
// game ends by itself once the scene time passed the length asked for, and it tears down clean.
TEST_F(DatagenSceneTest, TheShortSceneFliesAboveTheGroundAndEndsTheGame)
{
    Build();
    for (const char* path : {"/terrain", "/player1", "/camera", "/flight", "/plants", "/plankton", "/rays"}) {
        SCOPED_TRACE(path);
        ASSERT_NE(nullptr, Find(path));
    }
    Brisel_Simulation* simulation = m_scene->simulation;
    ASSERT_NE(nullptr, simulation->terrainCell);
    ASSERT_NE(nullptr, simulation->terrainCell->terrain);
    const MRT_Terrain* terrain = simulation->terrainCell->terrain;
    m_fake.Forget();

    MAT_Vector3 first;
    f32 lowest = 1e9f;  // the camera's least height above the ground under it
    const s32 frames = Run(120, [&] {
        if (simulation->stepCounter == 0)
            return;  // the first frame comes before the first step
        ASSERT_EQ(Find("/camera"), simulation->cameraNode);
        const MAT_Vector3 eye = simulation->camera->GetWorldTransform().t;
        if (simulation->stepCounter == 1)
            first = eye;
        lowest = std::min(lowest, eye.z - terrain->GetHeightAt(eye.x, eye.y));
    });
    ASSERT_TRUE(Game()->IsGameOver()) << "after " << frames << " frames";
    // Frames 0 to 60 cover the 2 s; the timer fires in the first step after 2 s (at 2.05, run
    // before frame 62), and the turn after that frame sees the game over.
    EXPECT_EQ(63, frames);
    EXPECT_GT(lowest, 10.0f);
    // The camera left its loop for the player's eyes and then follows the player at 20 units.
    const MAT_Vector3 last = simulation->camera->GetWorldTransform().t;
    NOD_Body* player = NOD_Body::DynamicCast(Find("/player1"));
    ASSERT_NE(nullptr, player);
    EXPECT_GT((last - first).Length(), 10.0f);
    EXPECT_NEAR(20.0f, (last - player->GetWorldTransform(SIM_GetSimulationClock().time)->t).Length(), 5.0f);
    EXPECT_GT(m_fake.Count("DrawIndexedPrimitive"), 0u);
    // Nothing the script asked for went wrong (a failed message logs a script error).
    const std::string log = m_dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("[SCRIPTERROR]")) << log;
    EXPECT_EQ(std::string::npos, log.find("not found")) << log;

    m_scene.reset();
    EXPECT_EQ(nullptr, NOD_Node::GetRoot());
}

// Two builds of the scene make the same frames and polygons: the script seeds the C-runtime
// generator first, whatever was drawn from it before (the menu draws from it too).
TEST_F(DatagenSceneTest, TheSceneDoesNotDependOnTheGeneratorsStateBefore)
{
    std::vector<f32> eyes[2];
    std::vector<s32> plants[2];
    std::vector<u32> polygons[2];
    for (s32 run = 0; run < 2; ++run) {
        CRT_SRand(run == 0 ? 5u : 99u);
        for (s32 i = 0; i < run * 7; ++i)
            CRT_Rand();
        Build();
        m_renderer->ResetStatistics();
        Run(20, [&] {
            if (m_scene->simulation->stepCounter == 0)
                return;
            const MAT_Vector3 eye = m_scene->simulation->camera->GetWorldTransform().t;
            eyes[run].insert(eyes[run].end(), {eye.x, eye.y, eye.z});
            plants[run].push_back(NOD_FX_Plant::DynamicCast(Find("/plants"))->GetActiveCount());
            polygons[run].push_back(m_renderer->GetStatistics().polygonsThisFrame);
        });
        eyes[run].push_back((f32)CRT_Rand());
        m_scene.reset();
        SIM_GetSimulationClock().Reset();
    }
    EXPECT_EQ(eyes[0], eyes[1]);
    EXPECT_EQ(plants[0], plants[1]);
    EXPECT_EQ(polygons[0], polygons[1]);
    EXPECT_LT(0u, polygons[0].back());
}

}  // namespace
