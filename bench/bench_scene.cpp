// A scripted scene stepped and drawn as the run drives it: a terrain of 2 x 2 tiles, the camera
// following a moving body "/player1", a plant field of about a thousand plants in the active
// cells, plankton and light rays, built by a scenario script through BuildSceneGraph on a
// 640x480 display of the GL device (SDL's offscreen window, Mesa's llvmpipe).
//
// BM_SceneStep: one simulation step as the run takes it (HandleSimulation and the deletion
// pass); counter ms_per_step (main-thread CPU), plants (in the active cells).
// BM_SceneFrames: three frames and the two simulation steps that fall between them; counters
// step_ms and frame_ms (main-thread CPU per step and per frame) and driver_share, the steps'
// part of the frames' time: 2 step_ms / (2 step_ms + 3 frame_ms).
#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app_register.h"
#include "bench_common.h"
#include "bench_gl_common.h"
#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "dsp_display.h"
#include "fx_plantcell.h"
#include "nod_fx_plant.h"
#include "plt_system.h"
#include "sim_scene_fixture.h"
#include "snd_sounddevice.h"
#include "tools_scenario.h"

namespace
{

using bench_common::TempDir;
using bench_common::ThreadSeconds;

constexpr s32 WARM_STEPS = 40;  // two seconds: the plant cells around the camera are active

// The script glue library, from the source tree beside this file.
std::string GlueText()
{
    const std::filesystem::path source = std::filesystem::path(__FILE__).parent_path().parent_path();
    std::ifstream in(source / "tools/data/dat/script/lib/glue.sco", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class BenchScene
{
public:
    BenchScene()
    {
        bench_common::RegisterModulesOnce();
        if (bench_gl::Window() == nullptr || !m_dir.Made())
            return;
        const std::string glue = GlueText();
        if (glue.empty())
            return;
        m_dir.Write("dat/script/lib/glue.sco", glue);
        TST_WriteRendererData(m_dir);
        TOOL_Scenario scenario;
        scenario.plantDensity = 27;  // about a thousand plants in the active cells
        // Slow enough that the longest run stays over the ground and the plant map.
        scenario.playerVelocity[0] = 1.0f;
        scenario.playerVelocity[1] = 0.5f;
        for (const auto& file : TOOL_ScenarioFiles(scenario))
            m_dir.Write(file.first, file.second);
        m_dir.Write("missions/bench.sco", TOOL_ScenarioScript(scenario));
        m_dir.Write("ini/sound.des", "[Sound]\n{\n    SoundOn = 1\n    NumOfChannels = 2\n    Rate = 22050\n"
                                     "    Bits = 16\n}\n");
        // The music the game controller loads is read through the sound output's file access.
        m_sound.reset(new SND_SoundDevice2D("ini\\sound.des"));

        u32 ok = 0;
        m_display = new DSP_Display(&ok, PLT_GetSystem()->Window(), nullptr, 1);
        DSP_BoardInfo board;
        if (ok == 1)
            m_display->OpenBoard(&board);
        if (ok != 1 || m_display->OpenResolution(640, 480, 32, 0) != 0)
            return;
        SITO_DISPLAY = m_display;
        TST_ResetRendererGlobals();
        m_cache = new Brisel_Cache();
        Brisel_TheCache = m_cache;
        m_renderer = new Brisel_Renderer();
        m_renderer->CreateDisplay();
        m_scene.reset(new TST_SimScene());
        m_scene->Build("missions\\bench");
        for (s32 i = 0; i < WARM_STEPS; ++i)
            Step();
        m_ready = true;
    }
    ~BenchScene()
    {
        m_scene.reset();
        delete m_renderer;
        Brisel_TheCache = nullptr;
        delete m_cache;
        SITO_DISPLAY = nullptr;
        delete m_display;
        m_sound.reset();
        SIM_GetSimulationClock().Reset();
    }
    BenchScene(const BenchScene&) = delete;
    BenchScene& operator=(const BenchScene&) = delete;

    bool Ready() const { return m_ready; }
    void Step() { m_scene->Step(); }
    // The next of three frames per two steps, at 30 frames per second of scene time.
    void Frame()
    {
        ++m_frame;
        TST_SimScene::SetFrameTime((f32)m_frame * SIM_STEP * 2.0f / 3.0f);
        m_renderer->Render();
        m_display->Flip();
    }
    // Steps until the simulation clock is past the next frame's time.
    s32 StepsBeforeFrame()
    {
        s32 steps = 0;
        while (3 * (u64)m_scene->simulation->stepCounter <= 2 * (u64)(m_frame + 1)) {
            Step();
            ++steps;
        }
        return steps;
    }
    void CatchUpFrames() { m_frame = (s64)m_scene->simulation->stepCounter * 3 / 2 - 1; }

    s32 Plants() const
    {
        NOD_FX_Plant* plants = NOD_FX_Plant::DynamicCast(NOD_Node::GetRoot()->Find(SIM_Path("/plants")));
        s32 count = 0;
        if (plants != nullptr)
            for (s32 i = 0; i < plants->GetActiveCount(); ++i)
                count += plants->GetCell(i)->GetPlantCount();
        return count;
    }

private:
    TempDir m_dir;
    std::unique_ptr<SND_SoundDevice2D> m_sound;
    DSP_Display* m_display = nullptr;
    Brisel_Cache* m_cache = nullptr;
    Brisel_Renderer* m_renderer = nullptr;
    std::unique_ptr<TST_SimScene> m_scene;
    s64 m_frame = 0;
    bool m_ready = false;
};

void BM_SceneStep(benchmark::State& _state)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    BenchScene scene;
    if (!scene.Ready()) {
        _state.SkipWithError("no window, no OpenGL 3.3 display or no scene");
        return;
    }
    f64 cpu = 0.0;
    s64 steps = 0;
    for (auto _ : _state) {
        const f64 start = ThreadSeconds();
        scene.Step();
        cpu += ThreadSeconds() - start;
        ++steps;
    }
    _state.counters["ms_per_step"] = steps > 0 ? cpu * 1000.0 / (f64)steps : 0.0;
    _state.counters["plants"] = scene.Plants();
}
BENCHMARK(BM_SceneStep)->Unit(benchmark::kMillisecond);

void BM_SceneFrames(benchmark::State& _state)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    BenchScene scene;
    if (!scene.Ready()) {
        _state.SkipWithError("no window, no OpenGL 3.3 display or no scene");
        return;
    }
    scene.CatchUpFrames();
    f64 stepCpu = 0.0;
    f64 frameCpu = 0.0;
    s64 steps = 0;
    s64 frames = 0;
    for (auto _ : _state) {
        for (s32 i = 0; i < 3; ++i) {
            f64 start = ThreadSeconds();
            steps += scene.StepsBeforeFrame();
            stepCpu += ThreadSeconds() - start;
            start = ThreadSeconds();
            scene.Frame();
            frameCpu += ThreadSeconds() - start;
            ++frames;
        }
    }
    const f64 stepMs = steps > 0 ? stepCpu * 1000.0 / (f64)steps : 0.0;
    const f64 frameMs = frames > 0 ? frameCpu * 1000.0 / (f64)frames : 0.0;
    _state.counters["step_ms"] = stepMs;
    _state.counters["frame_ms"] = frameMs;
    _state.counters["driver_share"] = stepMs + frameMs > 0.0 ? 2.0 * stepMs / (2.0 * stepMs + 3.0 * frameMs) : 0.0;
    _state.counters["plants"] = scene.Plants();
}
BENCHMARK(BM_SceneFrames)->Unit(benchmark::kMillisecond);

}  // namespace
