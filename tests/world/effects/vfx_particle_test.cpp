#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "mat_angle.h"
#include "mat_random.h"
#include "sim_clock.h"
#include "vfx_particle.h"

namespace
{
SIM_Clock ClockAt(f32 _time, f32 _dt = SIM_STEP)
{
    SIM_Clock clock;
    clock.Set(_time, _dt);
    return clock;
}

MAT_Matrix34 FrameAt(const MAT_Vector3& _position)
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = _position;
    return frame;
}

// The draws a source should make, from a second generator of the same seed.
f32 ReferenceRange(MAT_Random& _random, f32 _lo, f32 _hi)
{
    return (f32)((f64)_lo + (f64)(_hi - _lo) * ((f64)_random.Next() * 2.3283064376228985e-10));
}

std::vector<const VFX_Particle*> LiveParticles(const VFX_ParticleSystem& _system)
{
    std::vector<const VFX_Particle*> particles;
    for (const VFX_Particle* particle = _system.GetHead(); particle != nullptr; particle = particle->next)
        particles.push_back(particle);
    return particles;
}

// A source started at _start as its description starts it.
void Start(VFX_ParticleSource& _source, f32 _start, f32 _rate)
{
    _source.active = 1;
    _source.rate = _rate;
    _source.interval = 0.0f;
    _source.nextEmission = _start;
    _source.previousTime = _start;
    _source.particleTemplate.lifetime = 100.0f;
    _source.particleTemplate.inverseLifetime = 0.01f;
}

class Collector : public Brisel_ParticleVisitor
{
public:
    void Visit(const Brisel_ParticleState& _particle) override { states.push_back(_particle); }
    std::vector<Brisel_ParticleState> states;
};

TEST(VfxParticleTest, MovesInAStraightLineWithoutDragOrLift)
{
    VFX_Particle particle;
    particle.position = {10.0f, 20.0f, 30.0f};
    particle.velocity = {1.0f, -2.0f, 0.5f};
    const SIM_Clock clock = ClockAt(0.0f);
    for (s32 i = 0; i < 20; ++i)
        particle.Move(clock);
    EXPECT_EQ(MAT_Vector3(1.0f, -2.0f, 0.5f), particle.velocity);
    EXPECT_NEAR(11.0f, particle.position.x, 1e-5f);
    EXPECT_NEAR(18.0f, particle.position.y, 1e-5f);
    EXPECT_NEAR(30.5f, particle.position.z, 1e-5f);
}

TEST(VfxParticleTest, DragThatWouldReverseTheMotionLeavesOnlyTheLift)
{
    VFX_Particle particle;
    particle.position = {1.0f, 2.0f, 3.0f};
    particle.velocity = {2.0f, 4.0f, 0.0f};
    particle.friction = {1.0f, 30.0f, 0.0f};
    particle.lift = {0.0f, 5.0f, -10.0f};
    particle.angle = 0.5f;
    particle.rotationSpeed = 2.0f;
    particle.Move(ClockAt(7.0f, 0.05f));

    EXPECT_EQ(MAT_Vector3(1.0f, 2.0f, 3.0f), particle.previousPosition);
    // x: drag 2, slowed to 1.9 (no reversal): 1.9 * 0.05 + 2 * 0.00125.
    EXPECT_FLOAT_EQ(1.9f, particle.velocity.x);
    EXPECT_FLOAT_EQ(1.0975f, particle.position.x);
    // y: drag 120 would turn 4 into -2: only the lift's 5 * 0.05 remains.
    EXPECT_FLOAT_EQ(0.25f, particle.velocity.y);
    EXPECT_FLOAT_EQ(2.01875f, particle.position.y);
    // z: at rest, the lift alone: -0.5 * 0.05 - 10 * 0.00125.
    EXPECT_FLOAT_EQ(-0.5f, particle.velocity.z);
    EXPECT_FLOAT_EQ(2.9625f, particle.position.z);
    EXPECT_FLOAT_EQ(0.5f, particle.previousAngle);
    EXPECT_FLOAT_EQ(0.6f, particle.angle);
}

TEST(VfxParticleSystemTest, StartsEmptyWithItsOwnGenerator)
{
    VFX_ParticleSystem system(8, 16);
    EXPECT_EQ(8u, system.GetCapacity());
    EXPECT_EQ(0u, system.GetLiveCount());
    EXPECT_EQ(nullptr, system.GetHead());
    EXPECT_EQ(16u, system.GetFlowCapacity());
    EXPECT_EQ(0u, system.GetFlowCount());
    EXPECT_EQ(4357u, system.GetSeed());
    system.Update(ClockAt(1.0f));
    EXPECT_EQ(0u, system.GetLiveCount());

    // 3510405877 is the first draw of seed 4357.
    EXPECT_EQ((f32)(3510405877.0 * 2.3283064376228985e-10), system.RandomRange(0.0f, 1.0f));
    MAT_Random reference;
    reference.Next();
    EXPECT_EQ(ReferenceRange(reference, -3.0f, 5.0f), system.RandomRange(-3.0f, 5.0f));
}

TEST(VfxParticleSystemTest, SpawnMovesAParticleBornInsideTheStepToTheClock)
{
    struct Case
    {
        f32 birth;
        f32 clockTime;
        bool moved;
    };
    const Case cases[] = {
        {0.02f, 0.05f, true},           // lived 0.03 s of the 0.05 s step
        {0.05f, 0.05f, false},          // born at the clock's time
        {0.05f - 1e-7f, 0.05f, false},  // within the single-precision epsilon
    };
    for (const Case& c : cases) {
        VFX_ParticleSystem system(4, 0);
        VFX_Particle particle;
        particle.birth = c.birth;
        particle.position = {1.0f, 1.0f, 1.0f};
        particle.previousPosition = particle.position;
        particle.velocity = {10.0f, 0.0f, -20.0f};
        particle.angle = particle.previousAngle = 1.0f;
        particle.rotationSpeed = 3.0f;
        const SIM_Clock clock = ClockAt(c.clockTime, 0.05f);
        ASSERT_EQ(1, system.Spawn(particle, clock));
        const VFX_Particle& live = *system.GetHead();
        const f32 lived = c.moved ? c.clockTime - c.birth : 0.0f;
        EXPECT_NEAR(1.0f + 10.0f * lived, live.position.x, 1e-6f) << c.birth;
        EXPECT_NEAR(1.0f - 20.0f * lived, live.position.z, 1e-6f) << c.birth;
        EXPECT_EQ(MAT_Vector3(1.0f, 1.0f, 1.0f), live.previousPosition) << c.birth;
        EXPECT_NEAR(1.0f + 3.0f * lived, live.angle, 1e-6f) << c.birth;
        EXPECT_EQ(1.0f, live.previousAngle) << c.birth;
        EXPECT_EQ(c.birth, live.birth);
        EXPECT_EQ(0.05f, clock.dt);
    }
}

TEST(VfxParticleSystemTest, RetiresAParticleOnceItsAgeReachesItsLifetime)
{
    VFX_ParticleSystem system(4, 0);
    VFX_Particle particle;
    particle.birth = 0.02f;
    particle.lifetime = 1.0f;
    particle.inverseLifetime = 1.0f;
    f32 time = 0.05f;
    ASSERT_EQ(1, system.Spawn(particle, ClockAt(time)));
    while (time < 1.02f) {
        EXPECT_EQ(1u, system.GetLiveCount()) << time;
        time += SIM_STEP;
        system.Update(ClockAt(time));
    }
    EXPECT_EQ(0u, system.GetLiveCount());
    EXPECT_EQ(nullptr, system.GetHead());

    // The edge itself: one float below 1.02 keeps it, 1.02 retires it.
    ASSERT_EQ(1, system.Spawn(particle, ClockAt(0.05f)));
    system.Update(ClockAt(std::nextafter(1.02f, 0.0f)));
    EXPECT_EQ(1u, system.GetLiveCount());
    system.Update(ClockAt(1.02f));
    EXPECT_EQ(0u, system.GetLiveCount());

    // A lifetime of 0 (an infinite rate) retires even when read at its birth time.
    particle.lifetime = 0.0f;
    particle.inverseLifetime = std::numeric_limits<f32>::infinity();
    particle.birth = 2.0f;
    ASSERT_EQ(1, system.Spawn(particle, ClockAt(2.0f)));
    system.Update(ClockAt(2.0f));
    EXPECT_EQ(0u, system.GetLiveCount());
}

TEST(VfxParticleSystemTest, AFullPoolLosesTheParticleAndRecordsComeBack)
{
    VFX_ParticleSystem system(8192, 16);
    Brisel_ParticleLook look;
    VFX_Particle particle;
    particle.emitter = &look;
    particle.inverseLifetime = 1.0f;
    const SIM_Clock clock = ClockAt(0.0f);
    for (s32 i = 0; i < 8192; ++i) {
        particle.birth = -0.5f + (f32)i * 1e-5f;
        ASSERT_EQ(1, system.Spawn(particle, clock));
    }
    EXPECT_EQ(0, system.Spawn(particle, clock));
    EXPECT_EQ(0, system.Spawn(particle, clock));
    EXPECT_EQ(8192u, system.GetLiveCount());

    // The renderer sees them oldest first, with the description they came from.
    Collector collector;
    system.VisitParticles(collector);
    ASSERT_EQ(8192u, collector.states.size());
    for (size_t i = 1; i < collector.states.size(); ++i)
        ASSERT_LT(collector.states[i - 1].birth, collector.states[i].birth);
    EXPECT_EQ(&look, collector.states[0].look);
    EXPECT_EQ(1.0f, collector.states[0].ageRate);

    // Retiring the older half frees records for new particles.
    system.Update(ClockAt(0.5f + 4096.0f * 1e-5f - 0.5f * 1e-5f));
    EXPECT_EQ(4096u, system.GetLiveCount());
    EXPECT_EQ(1, system.Spawn(particle, clock));
    EXPECT_EQ(4097u, system.GetLiveCount());
    system.Update(ClockAt(10.0f));
    EXPECT_EQ(0u, system.GetLiveCount());
    EXPECT_EQ(nullptr, system.GetHead());
}

TEST(VfxParticleSourceTest, TwentyPerSecondLeavesBirthsOneIntervalApartAlongThePath)
{
    VFX_ParticleSystem system(64, 0);
    VFX_ParticleSource source;
    Start(source, 0.0f, 20.0f);
    source.speedMin = source.speedMax = 2.0f;  // along the frame's y axis
    const f32 emitterSpeed = 3.0f;             // along x

    f32 time = 0.0f;
    source.Emit(ClockAt(time), &system, FrameAt({0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(0u, system.GetLiveCount());
    for (s32 step = 0; step < 20; ++step) {
        time += SIM_STEP;
        system.Update(ClockAt(time));
        source.Emit(ClockAt(time), &system, FrameAt({emitterSpeed * time, 0.0f, 0.0f}));
    }

    const std::vector<const VFX_Particle*> particles = LiveParticles(system);
    ASSERT_GE(particles.size(), 19u);
    EXPECT_EQ(0.0f, particles[0]->birth);
    for (size_t i = 0; i < particles.size(); ++i) {
        const VFX_Particle& particle = *particles[i];
        if (i > 0) {
            EXPECT_EQ(particles[i - 1]->birth + 0.05f, particle.birth) << i;
        }
        // Born on the path, carried by the emitter's velocity and its own, advanced to now.
        EXPECT_NEAR(emitterSpeed, particle.velocity.x, 1e-3f) << i;
        EXPECT_NEAR(2.0f, particle.velocity.y, 1e-6f) << i;
        EXPECT_NEAR(emitterSpeed * time, particle.position.x, 1e-4f) << i;
        EXPECT_NEAR(2.0f * (time - particle.birth), particle.position.y, 1e-5f) << i;
    }
    EXPECT_LT(particles.back()->birth, time);
    EXPECT_GE(particles.back()->birth + 0.05f, time);
    EXPECT_EQ(particles.back()->birth + 0.05f, source.nextEmission);
    EXPECT_EQ(time, source.previousTime);
}

TEST(VfxParticleSourceTest, DrawsConeAnglesSpeedAngleAndSpinInThatOrder)
{
    for (f32 cone : {0.0f, 0.5f, 4.0f}) {
        VFX_ParticleSystem system(64, 0);
        VFX_ParticleSource source;
        Start(source, 0.0f, 10.0f);
        source.coneAngle = cone;
        source.speedMin = 1.0f;
        source.speedMax = 3.0f;
        source.angleMin = -1.0f;
        source.angleMax = 1.0f;
        source.spinMin = 2.0f;
        source.spinMax = 4.0f;
        const MAT_Matrix34 frame = FrameAt({5.0f, 6.0f, 7.0f});
        source.Emit(ClockAt(0.0f), &system, frame);
        source.Emit(ClockAt(0.55f), &system, frame);
        source.Emit(ClockAt(1.0f), &system, frame);

        MAT_Random reference(4357);
        const std::vector<const VFX_Particle*> particles = LiveParticles(system);
        ASSERT_EQ(10u, particles.size()) << cone;
        for (const VFX_Particle* particle : particles) {
            MAT_Vector3 direction(0.0f, 1.0f, 0.0f);
            if (cone != 0.0f) {
                f32 s1, c1, s2, c2;
                MAT_SinCos(MAT_WrapAngle(ReferenceRange(reference, -cone, cone)), s1, c1);
                MAT_SinCos(MAT_WrapAngle(ReferenceRange(reference, -cone, cone)), s2, c2);
                // The y axis turned about x by a1, then about the turned z by a2.
                direction = {-s2, c1 * c2, s1 * c2};
            }
            const f32 speed = ReferenceRange(reference, 1.0f, 3.0f);
            const f32 angle = ReferenceRange(reference, -1.0f, 1.0f);
            const f32 spin = ReferenceRange(reference, 2.0f, 4.0f);
            EXPECT_FLOAT_EQ(direction.x * speed, particle->velocity.x) << cone;
            EXPECT_FLOAT_EQ(direction.y * speed, particle->velocity.y) << cone;
            EXPECT_FLOAT_EQ(direction.z * speed, particle->velocity.z) << cone;
            EXPECT_EQ(angle, particle->previousAngle) << cone;
            EXPECT_EQ(spin, particle->rotationSpeed) << cone;
        }
        // Nothing else drew: the next draw of both generators is the same.
        EXPECT_EQ(ReferenceRange(reference, 0.0f, 1.0f), system.RandomRange(0.0f, 1.0f)) << cone;
    }
}

TEST(VfxParticleSourceTest, FirstEmitAtTheStartTimeOnlyRecordsTheFrame)
{
    VFX_ParticleSystem system(8, 0);
    VFX_ParticleSource source;
    const MAT_Matrix34 frame = FrameAt({1.0f, 2.0f, 3.0f});
    EXPECT_EQ(0, source.Emit(ClockAt(2.0f), &system, frame));  // inactive after construction
    EXPECT_EQ(0u, source.frameRecorded);

    Start(source, 2.0f, 20.0f);
    EXPECT_EQ(1, source.Emit(ClockAt(2.0f), &system, frame));
    EXPECT_EQ(0u, system.GetLiveCount());
    EXPECT_EQ(frame.t, source.previousFrame.t);
    EXPECT_EQ(1u, source.frameRecorded);
    EXPECT_EQ(2.0f, source.nextEmission);
    EXPECT_EQ(0.05f, source.interval);
}

TEST(VfxParticleSourceTest, ARateNotAboveZeroCreatesNothingAndKeepsTheNextEmission)
{
    for (f32 rate : {0.0f, -5.0f, std::numeric_limits<f32>::quiet_NaN()}) {
        VFX_ParticleSystem system(8, 0);
        VFX_ParticleSource source;
        Start(source, 1.0f, rate);
        EXPECT_EQ(1, source.Emit(ClockAt(1.0f), &system, FrameAt({})));
        EXPECT_EQ(1, source.Emit(ClockAt(1.5f), &system, FrameAt({})));
        EXPECT_EQ(0u, system.GetLiveCount()) << rate;
        EXPECT_EQ(1.0f, source.nextEmission) << rate;
        EXPECT_EQ(1.5f, source.previousTime) << rate;

        // A rate given later restarts the emission clock.
        source.rate = 20.0f;
        source.interval = 0.0f;
        source.Emit(ClockAt(2.0f), &system, FrameAt({}));
        source.Emit(ClockAt(2.05f), &system, FrameAt({}));
        EXPECT_EQ(1u, system.GetLiveCount()) << rate;
    }
}

TEST(VfxParticleSourceTest, AnIntervalThatNoLongerAdvancesEndsTheLoopAtNow)
{
    struct Case
    {
        f32 rate;
        f32 interval;  // 0: computed from the rate
    };
    // 1e6 per second: at t = 100 the interval is below half a float step of the time.
    for (const Case& c : {Case{1e6f, 0.0f}, Case{5.0f, -0.1f}}) {
        VFX_ParticleSystem system(8, 0);
        VFX_ParticleSource source;
        Start(source, 100.0f, c.rate);
        source.Emit(ClockAt(100.0f), &system, FrameAt({}));
        if (c.interval != 0.0f)
            source.interval = c.interval;
        EXPECT_EQ(1, source.Emit(ClockAt(100.05f), &system, FrameAt({})));
        EXPECT_EQ(1u, system.GetLiveCount()) << c.rate;
        EXPECT_EQ(100.05f, source.nextEmission) << c.rate;
        source.Emit(ClockAt(100.1f), &system, FrameAt({}));
        EXPECT_EQ(2u, system.GetLiveCount()) << c.rate;
        EXPECT_EQ(100.1f, source.nextEmission) << c.rate;
    }
}

TEST(VfxParticleSourceTest, ASourceWithoutARecordedFrameStartsFromTheCurrentFrame)
{
    VFX_ParticleSystem system(32, 0);
    const MAT_Matrix34 far = FrameAt({1000.0f, 0.0f, 0.0f});

    // Never emitted: particles appear at the emitter, at rest.
    VFX_ParticleSource fresh;
    Start(fresh, 0.0f, 10.0f);
    fresh.interval = 0.1f;
    fresh.Emit(ClockAt(1.0f), &system, far);
    ASSERT_EQ(10u, system.GetLiveCount());
    for (const VFX_Particle* particle : LiveParticles(system)) {
        EXPECT_EQ(far.t, particle->position);
        EXPECT_EQ(MAT_Vector3(), particle->velocity);
    }
    EXPECT_EQ(1u, fresh.frameRecorded);
    system.Update(ClockAt(1000.0f));
    ASSERT_EQ(0u, system.GetLiveCount());

    // The frame of an earlier activity stays in use: particles spread along the way from it.
    VFX_ParticleSource restarted;
    restarted.previousFrame = FrameAt({0.0f, 0.0f, 0.0f});
    restarted.frameRecorded = 1;
    Start(restarted, 0.0f, 10.0f);
    restarted.interval = 0.1f;
    restarted.Emit(ClockAt(1.0f), &system, far);
    ASSERT_EQ(10u, system.GetLiveCount());
    for (const VFX_Particle* particle : LiveParticles(system)) {
        EXPECT_FLOAT_EQ(1000.0f, particle->velocity.x);
        EXPECT_NEAR(1000.0f, particle->position.x, 1e-3f);
        EXPECT_NEAR(1000.0f * particle->birth, particle->previousPosition.x, 1e-3f);
    }
}
}  // namespace
