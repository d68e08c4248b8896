// Lights and halos in a run on the recording device: milliseconds per simulation step of 100
// moving bodies carrying 1,000 lights and 1,000 halos (each keeping its visible box with the
// collision world's handler every step), beside the same tree with plain bodies in their place;
// and halo Render calls per second (two billboards each) beside as many pairs of plain
// RenderBillboard calls. Each second run shows the ratio to the first as "ratio".
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "app_register.h"
#include "bench_common.h"
#include "mover_fixture.h"
#include "nod_halo.h"
#include "nod_light.h"
#include "run_world_fixture.h"
#include "tools_lights.h"

namespace
{
using bench_common::TempDir;

constexpr s32 BODIES = 100;
constexpr s32 PER_BODY = 10;  // lights and halos each

// The run with 100 bodies in a 10 x 10 grid in front of the camera, moving sideways; under
// each, ten lights and ten halos, or with _plain twenty plain bodies.
class GlowScene
{
public:
    explicit GlowScene(bool _plain)
    {
        bench_common::RegisterModulesOnce();
        m_dir.Write("vfx/light.osd", TOOL_LightDescriptionText(TOOL_LightDescription()));
        TOOL_HaloDescription halo;
        halo.hasRadius = true;
        halo.radius = 2.0f;
        m_dir.Write("vfx/halo.osd", TOOL_HaloDescriptionText(halo));
        world.reset(new TST_RunWorld(m_dir));
        for (s32 i = 0; i < BODIES; ++i) {
            TST_Mover* mover =
                new TST_Mover(MAT_Vector3((f32)(i % 10) * 8.0f - 40.0f, 80.0f, (f32)(i / 10) * 6.0f - 30.0f),
                              MAT_Vector3(1.0f, 0.0f, 0.5f));
            world->root->AddSon(mover);
            for (s32 k = 0; k < 2 * PER_BODY; ++k) {
                NOD_Body* son = nullptr;
                if (_plain) {
                    son = new NOD_Body();
                } else {
                    son = NOD_Body::DynamicCast(NOD_Node::CreateNode(k < PER_BODY ? "NOD_Light" : "NOD_Halo", "glow"));
                    son->ParseIniFile_File(k < PER_BODY ? "light.osd" : "halo.osd");
                }
                son->GetCS().SetTransform(0.0f, Offset((f32)k * 0.2f));
                mover->AddSon(son);
            }
            delete mover->ProcessMessage(NOD_Node_EnterSimulation::Create());
            if (m_first == nullptr)
                m_first = mover;
        }
    }
    ~GlowScene() { world.reset(); }

    static MAT_Matrix34 Offset(f32 _y)
    {
        MAT_Matrix34 frame;
        frame.r.SetDiagonal(1.0f);
        frame.t = MAT_Vector3(0.0f, _y, 0.0f);
        return frame;
    }
    NOD_Halo* FirstHalo() const { return NOD_Halo::DynamicCast(m_first->GetSon(PER_BODY)); }

    TempDir m_dir;
    std::unique_ptr<TST_RunWorld> world;

private:
    TST_Mover* m_first = nullptr;
};

f64 s_plainStepMs = 0.0;
f64 s_billboardPairsPerSecond = 0.0;

// Argument 0: plain bodies; 1: lights and halos.
void BM_GlowStep(benchmark::State& _state)
{
    const bool glow = _state.range(0) != 0;
    GlowScene scene(!glow);
    scene.world->Steps(4);
    const f64 start = bench_common::ThreadSeconds();
    for (auto _ : _state)
        scene.world->Step();
    const f64 ms = (bench_common::ThreadSeconds() - start) * 1e3 / (f64)_state.iterations();
    _state.counters["ms_per_step"] = ms;
    if (!glow)
        s_plainStepMs = ms;
    else if (s_plainStepMs > 0.0)
        _state.counters["ratio"] = ms / s_plainStepMs;
}
BENCHMARK(BM_GlowStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Argument 0: pairs of plain billboards; 1: halo Render calls.
void BM_HaloRender(benchmark::State& _state)
{
    const bool halo = _state.range(0) != 0;
    GlowScene scene(false);
    scene.world->Step();
    scene.world->Render();
    NOD_Halo* node = scene.FirstHalo();
    Brisel_Renderer* renderer = scene.world->renderer;
    const MAT_Vector3 at = node->GetWorldTransform(SIM_GetFrameClock().time)->t;
    const u8* color = node->GetColor();
    const f64 start = bench_common::ThreadSeconds();
    for (auto _ : _state) {
        if (halo) {
            node->Render();
        } else {
            renderer->RenderBillboard(node->GetTextureId(), at, 4.0f, 4.0f, color);
            renderer->RenderBillboard(node->GetTextureId(), at, 4.0f, 4.0f, color);
        }
        // The recording device keeps every call and draw of a frame; a frame here never ends.
        scene.world->fake.device->draws.clear();
        scene.world->fake.Forget();
    }
    const f64 rate = (f64)_state.iterations() / (bench_common::ThreadSeconds() - start);
    _state.counters["calls_per_second"] = rate;
    if (!halo)
        s_billboardPairsPerSecond = rate;
    else if (s_billboardPairsPerSecond > 0.0)
        _state.counters["ratio"] = rate / s_billboardPairsPerSecond;
}
BENCHMARK(BM_HaloRender)->Arg(0)->Arg(1);

}  // namespace
