// Particle steps per second: VFX_ParticleSystem::Update over 10,000 live particles (age test,
// list walk and move), beside a plain loop of the same motion arithmetic over a contiguous
// array of the same particles. "system_vs_plain" is the update's time over the plain loop's,
// both measured in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "mat_random.h"
#include "sim_clock.h"
#include "vfx_particle.h"

namespace
{
constexpr u32 COUNT = 10000;

// The state the motion reads and writes, packed as a plain array would hold it.
struct PlainParticle
{
    MAT_Vector3 position;
    MAT_Vector3 velocity;
    MAT_Vector3 previousPosition;
    MAT_Vector3 friction;
    MAT_Vector3 lift;
    f32 angle = 0.0f;
    f32 previousAngle = 0.0f;
    f32 rotationSpeed = 0.0f;
};

inline void MoveAxis(f32& _position, f32& _velocity, f32 _friction, f32 _lift, f32 _dt, f32 _dtSquaredOverTwo)
{
    const f32 v = _velocity;
    const f32 drag = _friction * v;
    const f32 slowed = v - _dt * drag;
    if (slowed * v < 0.0f) {
        _velocity = _lift * _dt;
        _position += _velocity * _dt + _lift * _dtSquaredOverTwo;
    } else {
        _velocity = slowed + _lift * _dt;
        _position += _velocity * _dt + (drag + _lift) * _dtSquaredOverTwo;
    }
}

void PlainMove(PlainParticle& _p, f32 _dt, f32 _dtSquaredOverTwo)
{
    _p.previousPosition = _p.position;
    MoveAxis(_p.position.x, _p.velocity.x, _p.friction.x, _p.lift.x, _dt, _dtSquaredOverTwo);
    MoveAxis(_p.position.y, _p.velocity.y, _p.friction.y, _p.lift.y, _dt, _dtSquaredOverTwo);
    MoveAxis(_p.position.z, _p.velocity.z, _p.friction.z, _p.lift.z, _dt, _dtSquaredOverTwo);
    _p.previousAngle = _p.angle;
    _p.angle += _p.rotationSpeed * _dt;
}

// Smoke-like particles: some drag, a rise, a spread of velocities; one in eight has a drag
// strong enough to stop it within a step.
VFX_Particle MakeParticle(MAT_Random& _random)
{
    auto unit = [&_random]() { return (f32)MAT_RandomUnit(_random.Next()); };
    VFX_Particle particle;
    particle.lifetime = 1e30f;
    particle.inverseLifetime = 0.0f;  // never retires during the run
    particle.friction = {0.5f + unit(), 0.5f + unit(), 0.2f};
    if ((_random.Next() & 7) == 0)
        particle.friction.x = 30.0f;
    particle.lift = {0.0f, 0.0f, 1.0f + unit()};
    particle.position = {100.0f * unit(), 100.0f * unit(), 10.0f * unit()};
    particle.velocity = {4.0f * unit() - 2.0f, 4.0f * unit() - 2.0f, unit()};
    particle.angle = unit();
    particle.rotationSpeed = unit() - 0.5f;
    return particle;
}

void BM_ParticleUpdateVersusPlainLoop(benchmark::State& _state)
{
    VFX_ParticleSystem system(COUNT, 16);
    std::vector<PlainParticle> plain(COUNT);
    MAT_Random random;
    SIM_Clock clock;
    clock.Set(0.0f, SIM_STEP);
    for (u32 i = 0; i < COUNT; ++i) {
        const VFX_Particle particle = MakeParticle(random);
        system.Spawn(particle, clock);
        PlainParticle& copy = plain[i];
        copy.position = particle.position;
        copy.velocity = particle.velocity;
        copy.friction = particle.friction;
        copy.lift = particle.lift;
        copy.angle = particle.angle;
        copy.rotationSpeed = particle.rotationSpeed;
    }
    if (system.GetLiveCount() != COUNT) {
        _state.SkipWithError("the pool did not take every particle");
        return;
    }

    using Clock = std::chrono::steady_clock;
    Clock::duration updateTime{};
    Clock::duration plainTime{};
    for (auto _ : _state) {
        clock.SetTime(clock.time + SIM_STEP);
        const Clock::time_point start = Clock::now();
        system.Update(clock);
        benchmark::ClobberMemory();
        const Clock::time_point middle = Clock::now();
        for (PlainParticle& particle : plain)
            PlainMove(particle, clock.dt, clock.dtSquaredOverTwo);
        benchmark::DoNotOptimize(plain.data());
        benchmark::ClobberMemory();
        const Clock::time_point end = Clock::now();
        updateTime += middle - start;
        plainTime += end - middle;
    }
    const f64 updateSeconds = std::chrono::duration<f64>(updateTime).count();
    const f64 plainSeconds = std::chrono::duration<f64>(plainTime).count();
    const f64 moves = (f64)_state.iterations() * COUNT;
    _state.counters["system_moves_per_s"] = updateSeconds > 0.0 ? moves / updateSeconds : 0.0;
    _state.counters["plain_moves_per_s"] = plainSeconds > 0.0 ? moves / plainSeconds : 0.0;
    _state.counters["system_vs_plain"] = plainSeconds > 0.0 ? updateSeconds / plainSeconds : 0.0;
    if (system.GetLiveCount() != COUNT)
        _state.SkipWithError("a particle retired during the run");
    // Both loops did the same arithmetic: the list, oldest first, matches the array.
    u32 index = 0;
    for (const VFX_Particle* particle = system.GetHead(); particle != nullptr; particle = particle->next, ++index) {
        if (!(particle->position == plain[index].position) || particle->angle != plain[index].angle) {
            _state.SkipWithError("the plain loop moved differently");
            break;
        }
    }
}
}  // namespace

BENCHMARK(BM_ParticleUpdateVersusPlainLoop);
