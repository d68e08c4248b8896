// Armed bodies in a run: 50 vessels (gun, torpedo and buzzer launchers, a turret with a turret
// gun) and 20 vehicles (turret "Turm1", four wheels) over a flat terrain, on the tests' run
// objects (TST_ArmedWorld: recording display, cache, spawner, driver), headless. Their
// behaviours are still inert, so the bench does their work: before every step each vessel and
// vehicle is steered through its motion model towards a goal that moves round a circle, every
// turret is given new angles every two seconds, and every NPC gun (vessels' and turrets') fires
// from the start. Shields are strong enough that nothing dies during the run.
//
// BM_ArmedStep: one iteration is one simulation step as the run takes it (HandleSimulation and
// the deletion pass), the steering included; its time is main-thread CPU. After the steps,
// frames are drawn on the same scene through the renderer (recording device) and timed alike.
// Counters: steps_per_second, ms_per_step, ms_per_frame (the renderer's Render), sim_share (the
// share of a frame's time the simulation takes at two steps per three frames: 2/3 of a step
// over that plus a frame), and the mean numbers of bullets and nodes under the root.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app_register.h"
#include "armed_fixture.h"
#include "bench_armed.h"
#include "bench_common.h"
#include "nod_bullet.h"
#include "nod_launcher.h"
#include "nod_turret_base.h"
#include "nod_vehicle.h"
#include "nod_vessel.h"
#include "tools_launch.h"
#include "tools_turret.h"

namespace
{
using bench_armed::Armour;
using bench_armed::VehicleText;
using bench_armed::VesselText;
using bench_common::ThreadSeconds;

constexpr s32 VESSELS = 50;
constexpr s32 VEHICLES = 20;
constexpr s32 WARM_STEPS = 60;
constexpr s32 FRAMES = 30;
constexpr s32 TURN_STEPS = 40;  // new turret angles every two seconds
constexpr f32 TWO_PI = 6.2831853f;

class Armada : public bench_armed::ArmedScene
{
public:
    Armada()
    {
        Field([this] { Populate(); });
    }
    ~Armada()
    {
        for (RTI_Pointer* pointer : m_bodies)
            delete pointer;
    }

    // Steering and turret angles for step _step.
    void Drive(s32 _step)
    {
        const SIM_Clock& clock = SIM_GetSimulationClock();
        const f32 phase = (f32)_step * 0.01f;
        for (size_t i = 0; i < m_bodies.size(); ++i) {
            NOD_Node* node = static_cast<NOD_Node*>(m_bodies[i]->Get());
            const f32 angle = phase + (f32)i * TWO_PI / (f32)m_bodies.size();
            const MAT_Vector3 goal(300.0f * std::cos(angle), 300.0f * std::sin(angle), 40.0f);
            if (NOD_Vessel* vessel = NOD_Vessel::DynamicCast(node))
                vessel->GetModel().MoveTo(clock, goal, 0.3f, 0.8f);
            else if (NOD_Vehicle* vehicle = NOD_Vehicle::DynamicCast(node))
                vehicle->GetModel().GotoPosition(clock, goal, 0.3f, 0.8f);
        }
        if (_step % TURN_STEPS != 0)
            return;
        const f32 sign = (_step / TURN_STEPS) % 2 == 0 ? 1.0f : -1.0f;
        for (RTI_Pointer* pointer : m_turrets)
            if (NOD_Turret_Base* turret = NOD_Turret_Base::DynamicCast(static_cast<NOD_Node*>(pointer->Get())))
                turret->SetTargetAngles(sign * 1.2f, 0.3f);
    }

    // Bullets and all nodes under the root.
    void Count(s32& _bullets, s32& _nodes) const
    {
        _bullets = 0;
        _nodes = 0;
        CountUnder(world->root, _bullets, _nodes);
    }

private:
    void Populate()
    {
        const std::string vessel = VesselText();
        const std::string vehicle = VehicleText();
        // The camera high over the middle, looking down: the whole fleet is in view.
        MAT_Matrix34 down;
        down.r.FromAngles(MAT_Angle(0.0f), MAT_Angle(-1.5707964f), MAT_Angle(0.0f));
        down.t = MAT_Vector3(0.0f, 0.0f, 900.0f);
        world->camera->GetCS().SetTransform(world->Now(), down);
        for (s32 i = 0; i < VESSELS; ++i) {
            const MAT_Vector3 at(-450.0f + 100.0f * (f32)(i % 10), -250.0f + 80.0f * (f32)(i / 10), 40.0f);
            Keep(world->Make("NOD_Vessel", "v" + std::to_string(i), vessel, TST_HeadingAt(at, 0.3f * (f32)i)));
        }
        for (s32 i = 0; i < VEHICLES; ++i) {
            const MAT_Vector3 at(-450.0f + 100.0f * (f32)(i % 10), 200.0f + 80.0f * (f32)(i / 10), 1.0f);
            Keep(world->Make("NOD_Vehicle", "c" + std::to_string(i), vehicle, TST_HeadingAt(at, 0.5f * (f32)i)));
        }
    }

    // The body, its turrets, and every gun started.
    void Keep(NOD_Body* _body)
    {
        m_bodies.push_back(new RTI_Pointer);
        m_bodies.back()->Set(_body);
        StartGuns(_body);
    }
    void StartGuns(NOD_Node* _node)
    {
        if (NOD_NPC_Gun* gun = NOD_NPC_Gun::DynamicCast(_node))
            gun->StartFire();
        if (NOD_Turret_Base::DynamicCast(_node) != nullptr) {
            m_turrets.push_back(new RTI_Pointer);
            m_turrets.back()->Set(_node);
        }
        for (s32 i = 0; i < (s32)_node->GetNumOfSons(); ++i)
            StartGuns(_node->GetSon(i));
    }
    static void CountUnder(NOD_Node* _node, s32& _bullets, s32& _nodes)
    {
        ++_nodes;
        if (NOD_Bullet::DynamicCast(_node) != nullptr)
            ++_bullets;
        for (s32 i = 0; i < (s32)_node->GetNumOfSons(); ++i)
            CountUnder(_node->GetSon(i), _bullets, _nodes);
    }

    std::vector<RTI_Pointer*> m_bodies;
    std::vector<RTI_Pointer*> m_turrets;
};

void BM_ArmedStep(benchmark::State& _state)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    try {
        Armada armada;
        if (!armada.Error().empty()) {
            _state.SkipWithError(armada.Error().c_str());
            return;
        }
        s32 step = 0;
        for (; step < WARM_STEPS; ++step) {
            armada.Drive(step);
            armada.world->Step();
        }
        f64 stepSeconds = 0.0;
        f64 bullets = 0.0;
        f64 nodes = 0.0;
        for (auto _ : _state) {
            s32 bulletCount = 0;
            s32 nodeCount = 0;
            armada.Count(bulletCount, nodeCount);
            bullets += bulletCount;
            nodes += nodeCount;
            const f64 start = ThreadSeconds();
            armada.Drive(step++);
            armada.world->Step();
            const f64 seconds = ThreadSeconds() - start;
            stepSeconds += seconds;
            _state.SetIterationTime(seconds);
        }
        const f64 start = ThreadSeconds();
        for (s32 frame = 0; frame < FRAMES; ++frame)
            armada.world->Render();
        const f64 frameSeconds = (ThreadSeconds() - start) / FRAMES;
        const f64 steps = (f64)_state.iterations();
        if (steps == 0.0 || stepSeconds <= 0.0)
            return;
        const f64 perStep = stepSeconds / steps;
        _state.counters["steps_per_second"] = 1.0 / perStep;
        _state.counters["ms_per_step"] = perStep * 1000.0;
        _state.counters["ms_per_frame"] = frameSeconds * 1000.0;
        _state.counters["sim_share"] = perStep * 2.0 / 3.0 / (perStep * 2.0 / 3.0 + frameSeconds);
        _state.counters["bullets"] = bullets / steps;
        _state.counters["nodes"] = nodes / steps;
    } catch (const OS_FatalError& error) {
        _state.SkipWithError((std::string(error.Caption()) + ": " + error.Message()).c_str());
    }
}
BENCHMARK(BM_ArmedStep)->UseManualTime()->Unit(benchmark::kMillisecond);
}  // namespace
