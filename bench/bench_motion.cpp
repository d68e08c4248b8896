// Motion-model steps per second: steering, the control step and the integration of one body,
// as a moving node runs them once per simulation step, for vessels in open space and for
// vehicles following a rolling ground.
//
// Each body chases a waypoint that moves on whenever the body comes close, so the controllers
// keep turning and accelerating instead of settling. model_steps_per_s counts one body's step.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "mot_vehicle.h"
#include "mot_vessel.h"
#include "mrt_terrain_fixture.h"
#include "sim_clock.h"

namespace
{

constexpr f32 DEGREES = 0.017453292f;

// The values a typical "Control" section gives, set as its parsing would.
template <class MODEL>
void Configure(MODEL& _model)
{
    _model.MovePV = 12.0f;
    _model.MoveNV = -4.0f;
    _model.MoveT = 12.0f / 3.0f;
    _model.TurnPV = 60.0f * DEGREES;
    _model.TurnNV = -60.0f * DEGREES;
    _model.TurnT = 30.0f * DEGREES;
    _model.SwingT = 1.0f;
    _model.SwingA = 0.1f;
    for (u32 axis = 0; axis < 3; ++axis)
        _model.Translation.SetAxis(axis, _model.MovePV, _model.MoveNV, _model.MoveT);
    _model.Friction.flags =
        MOT_Friction::BODY_X | MOT_Friction::BODY_Z | MOT_Friction::HEADING | MOT_Friction::PITCH | MOT_Friction::ROLL;
    _model.Friction.c[0] = _model.Friction.c[2] = 0.5f;
}

SIM_Clock StepClock()
{
    SIM_Clock clock;
    clock.Set(0.0f, 0.05f);
    return clock;
}

// Waypoints on a ring of the given radius, visited in turn.
MAT_Vector3 Waypoint(s32 _index, f32 _radius, f32 _height)
{
    const f32 angle = (f32)_index * 2.3999631f;  // the golden angle spreads them around
    return {_radius * std::cos(angle), _radius * std::sin(angle), _height};
}

void BM_VesselStep(benchmark::State& _state)
{
    const s32 count = (s32)_state.range(0);
    const SIM_Clock clock = StepClock();
    std::vector<MOT_Vessel> vessels((size_t)count);
    std::vector<s32> next((size_t)count);
    for (s32 i = 0; i < count; ++i) {
        MOT_Vessel& vessel = vessels[(size_t)i];
        Configure(vessel);
        vessel.TurnR = 1.0f;
        vessel.Rotation.SetAxis(0, vessel.TurnPV, vessel.TurnNV, vessel.TurnT);
        vessel.Rotation.SetAxis(1, vessel.TurnPV, vessel.TurnNV, vessel.TurnT);
        vessel.Rotation.SetSwing(2, vessel.SwingT, 0.01f, vessel.SwingA);
        vessel.State.flags = 0x27;
        vessel.State.SetPosition(Waypoint(i, 200.0f, 0.0f));
        next[(size_t)i] = i + 1;
    }

    s64 steps = 0;
    for (auto _ : _state) {
        for (s32 i = 0; i < count; ++i) {
            MOT_Vessel& vessel = vessels[(size_t)i];
            MAT_Vector3 target = Waypoint(next[(size_t)i], 200.0f, 30.0f);
            if ((vessel.State.frame.t - target).LengthSquared() < 100.0f)
                target = Waypoint(++next[(size_t)i], 200.0f, 30.0f);
            vessel.ControlStep(clock);
            vessel.AttackRun(clock, target, 0.2f, 1.0f);
            vessel.State.Integrate(clock, 1);
        }
        steps += count;
    }
    benchmark::DoNotOptimize(vessels.data());
    _state.counters["model_steps_per_s"] = benchmark::Counter((f64)steps, benchmark::Counter::kIsRate);
}

void BM_VehicleStep(benchmark::State& _state)
{
    const s32 count = (s32)_state.range(0);
    const SIM_Clock clock = StepClock();
    // 4 x 4 cells of 64 m with gentle bumps, centred on the origin.
    MRT_Terrain ground;
    TST_BuildTerrain(ground, 4, 33, {-128.0f, -128.0f, 0.0f}, {2.0f, 2.0f, 0.01f}, [](s32 _x, s32 _y) {
        return (u16)(400.0 + 150.0 * std::sin(_x * 0.39269908) * std::cos(_y * 0.19634954));
    });

    std::vector<MOT_Vehicle> vehicles((size_t)count);
    std::vector<s32> next((size_t)count);
    for (s32 i = 0; i < count; ++i) {
        MOT_Vehicle& vehicle = vehicles[(size_t)i];
        Configure(vehicle);
        vehicle.Rotation.SetAxis(0, vehicle.TurnPV, vehicle.TurnNV, vehicle.TurnT);
        vehicle.Rotation.SetSwing(1, vehicle.SwingT, 0.01f, vehicle.SwingA);
        vehicle.Rotation.SetSwing(2, vehicle.SwingT, 0.01f, vehicle.SwingA);
        const f32 box[6] = {-1.5f, -3.0f, -1.0f, 1.5f, 3.0f, 1.5f};
        for (s32 k = 0; k < 6; ++k)
            vehicle.FollowBox[k] = box[k];
        vehicle.HeightOffset = 0.2f;
        vehicle.Terrain = &ground;
        vehicle.State.flags = 0x23;
        vehicle.State.SetPosition(Waypoint(i, 80.0f, 0.0f));
        next[(size_t)i] = i + 1;
    }

    s64 steps = 0;
    for (auto _ : _state) {
        for (s32 i = 0; i < count; ++i) {
            MOT_Vehicle& vehicle = vehicles[(size_t)i];
            MAT_Vector3 target = Waypoint(next[(size_t)i], 80.0f, 0.0f);
            const MAT_Vector3 p = vehicle.State.frame.t;
            if ((p.x - target.x) * (p.x - target.x) + (p.y - target.y) * (p.y - target.y) < 64.0f)
                target = Waypoint(++next[(size_t)i], 80.0f, 0.0f);
            vehicle.ControlStep(clock);
            vehicle.GotoPositionReverse(clock, target, 0.2f, 1.0f);
            vehicle.State.Integrate(clock, 1);
        }
        steps += count;
    }
    benchmark::DoNotOptimize(vehicles.data());
    _state.counters["model_steps_per_s"] = benchmark::Counter((f64)steps, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_VesselStep)->Arg(1)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VehicleStep)->Arg(1)->Arg(256)->Unit(benchmark::kMicrosecond);
