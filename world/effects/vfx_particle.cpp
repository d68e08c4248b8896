// The particle pool, its motion and the emission sources.
#include "vfx_particle.h"

#include <cmath>

#include "mat_angle.h"
#include "os_fatal.h"
#include "sim_clock.h"

namespace
{
// One axis of a step: the drag d = k * v slows the motion; a drag strong enough to reverse it
// within the step stops it instead, leaving only what the lift adds.
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

// _count records of _size bytes; a request beyond the allocator's 32-bit sizes is out of memory.
void* AllocRecords(u32 _count, u32 _size)
{
    const u64 bytes = (u64)_count * (u64)_size;
    if (bytes > 0xFFFF0000u)
        OS_Fatal("VFX_ParticleSystem::VFX_ParticleSystem()", "out of memory");
    return MEM_AllocOrDie((u32)bytes, "VFX_ParticleSystem::VFX_ParticleSystem()");
}

inline MAT_Vector3 Lerp(const MAT_Vector3& _a, const MAT_Vector3& _b, f32 _u) { return _a + (_b - _a) * _u; }
}  // namespace

void VFX_Particle::Move(const SIM_Clock& _clock)
{
    const f32 dt = _clock.dt;
    const f32 dtSquaredOverTwo = _clock.dtSquaredOverTwo;
    previousPosition = position;
    MoveAxis(position.x, velocity.x, friction.x, lift.x, dt, dtSquaredOverTwo);
    MoveAxis(position.y, velocity.y, friction.y, lift.y, dt, dtSquaredOverTwo);
    MoveAxis(position.z, velocity.z, friction.z, lift.z, dt, dtSquaredOverTwo);
    previousAngle = angle;
    angle += rotationSpeed * dt;
}

VFX_ParticleSystem::VFX_ParticleSystem(u32 _capacity, u32 _flowCapacity)
    : m_capacity(_capacity), m_flowCapacity(_flowCapacity), m_seed(MAT_RANDOM_SEED), m_random(MAT_RANDOM_SEED)
{
    m_particles = (VFX_Particle*)AllocRecords(_capacity, (u32)sizeof(VFX_Particle));
    for (u32 i = 0; i < _capacity; ++i)
        new (&m_particles[i]) VFX_Particle();
    m_freeBase = (VFX_Particle**)AllocRecords(_capacity, (u32)sizeof(VFX_Particle*));
    m_freeEnd = m_freeBase + _capacity;
    m_freeTop = m_freeEnd;
    // Record 0 is pushed first, so it is handed out last.
    for (u32 i = 0; i < _capacity; ++i)
        *--m_freeTop = &m_particles[i];
    m_flows = (Flow*)AllocRecords(_flowCapacity, (u32)sizeof(Flow));
    for (u32 i = 0; i < _flowCapacity; ++i)
        new (&m_flows[i]) Flow();
}

VFX_ParticleSystem::~VFX_ParticleSystem()
{
    MEM_Free(m_freeBase);
    MEM_Free(m_particles);
    MEM_Free(m_flows);
}

s32 VFX_ParticleSystem::Spawn(const VFX_Particle& _template, const SIM_Clock& _clock)
{
    if (m_freeTop == m_freeEnd)
        return 0;
    VFX_Particle* particle = *m_freeTop++;
    *particle = _template;
    particle->next = nullptr;
    particle->prev = m_tail;
    if (m_tail != nullptr)
        m_tail->next = particle;
    else
        m_head = particle;
    m_tail = particle;

    // A particle born inside the step catches up with the clock in one move of the time it
    // has lived.
    const f32 lived = _clock.time - particle->birth;
    if (std::fabs(lived) > MAT_EPSILON) {
        SIM_Clock ownClock;
        ownClock.Set(0.0f, lived);
        particle->Move(ownClock);
    }
    ++m_liveCount;
    return 1;
}

void VFX_ParticleSystem::Update(const SIM_Clock& _clock)
{
    // Retiring and moving in one pass visits the particles in the same order as two passes:
    // a particle's move depends on nothing but itself.
    VFX_Particle* particle = m_head;
    while (particle != nullptr) {
        VFX_Particle* next = particle->next;
        const f32 age = (_clock.time - particle->birth) * particle->inverseLifetime;
        // Written so that a not-a-number age (a lifetime of 0 read at its birth time) retires too.
        if (!(age < 1.0f)) {
            if (particle->prev != nullptr)
                particle->prev->next = next;
            else
                m_head = next;
            if (next != nullptr)
                next->prev = particle->prev;
            else
                m_tail = particle->prev;
            particle->next = particle->prev = nullptr;
            *--m_freeTop = particle;
            --m_liveCount;
        } else {
            particle->Move(_clock);
        }
        particle = next;
    }
}

f32 VFX_ParticleSystem::RandomRange(f32 _lo, f32 _hi)
{
    // The uniform value in double precision, the result rounded once.
    return (f32)((f64)_lo + (f64)(_hi - _lo) * MAT_RandomUnit(m_random.Next()));
}

void VFX_ParticleSystem::VisitParticles(Brisel_ParticleVisitor& _visitor) const
{
    Brisel_ParticleState state;
    for (const VFX_Particle* particle = m_head; particle != nullptr; particle = particle->next) {
        state.birth = particle->birth;
        state.ageRate = particle->inverseLifetime;
        state.position = particle->position;
        state.previousPosition = particle->previousPosition;
        state.angle = particle->angle;
        state.previousAngle = particle->previousAngle;
        state.look = particle->emitter;
        _visitor.Visit(state);
    }
}

s32 VFX_ParticleSource::Emit(const SIM_Clock& _clock, VFX_ParticleSystem* _system, const MAT_Matrix34& _frame)
{
    if (active == 0)
        return 0;
    const f32 now = _clock.time;
    // A source that has never recorded a frame starts from the current one: no streak from
    // wherever the previous frame happened to be.
    if (frameRecorded == 0) {
        previousFrame = _frame;
        frameRecorded = 1;
    }
    // A rate not above 0 (or not a number) creates nothing; nextEmission waits for a rate.
    const bool emitting = rate > 0.0f;
    if (interval == 0.0f && emitting) {
        interval = 1.0f / rate;
        nextEmission = now;
    }
    const f32 elapsed = now - previousTime;
    if (std::fabs(elapsed) <= MAT_EPSILON) {
        previousFrame = _frame;
        return 1;
    }
    const MAT_Vector3 travel = _frame.t - previousFrame.t;
    const MAT_Vector3 emitterVelocity(travel.x / elapsed, travel.y / elapsed, travel.z / elapsed);

    while (emitting && nextEmission < now) {
        particleTemplate.birth = nextEmission;
        const f32 u = (nextEmission - previousTime) / elapsed;
        particleTemplate.position = Lerp(previousFrame.t, _frame.t, u);
        particleTemplate.previousPosition = particleTemplate.position;
        MAT_Matrix33 axes;
        axes.SetFromRows(Lerp(previousFrame.r.GetX(), _frame.r.GetX(), u),
                         Lerp(previousFrame.r.GetY(), _frame.r.GetY(), u),
                         Lerp(previousFrame.r.GetZ(), _frame.r.GetZ(), u));
        if (std::fabs(coneAngle) > MAT_EPSILON) {
            const f32 a1 = _system->RandomRange(-coneAngle, coneAngle);
            const f32 a2 = _system->RandomRange(-coneAngle, coneAngle);
            // Assignment wraps without snapping small angles to 0.
            MAT_Angle turnX;
            turnX = a1;
            MAT_Angle turnZ;
            turnZ = a2;
            axes.RotateX(turnX);
            axes.RotateZ(turnZ);
        }
        const f32 speed = _system->RandomRange(speedMin, speedMax);
        particleTemplate.velocity = axes.GetY() * speed + emitterVelocity;
        particleTemplate.angle = _system->RandomRange(angleMin, angleMax);
        particleTemplate.previousAngle = particleTemplate.angle;
        particleTemplate.rotationSpeed = _system->RandomRange(spinMin, spinMax);
        _system->Spawn(particleTemplate, _clock);

        // An interval too small to move nextEmission at this magnitude (or one that is not a
        // positive number) would never end the loop: the rest of the due particles are dropped.
        const f32 following = nextEmission + interval;
        if (!(following > nextEmission)) {
            nextEmission = now;
            break;
        }
        nextEmission = following;
    }
    previousTime = now;
    previousFrame = _frame;
    return 1;
}
