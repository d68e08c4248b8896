// The scene's particles: one fixed pool of records moved once per simulation step and retired
// at the end of their lifetime, and the emission source each emitter description embeds.
//
// A source creates the particles due since its previous emission at their exact birth times,
// interpolated along the emitter's path between the two frames, with random spreads drawn
// from the system's own generator (seeded 4357, never the driver's), so a scene emits the same
// particles in every run. A particle born inside a step is moved once at birth by the part of
// the step it has lived. Nothing is allocated after construction. One thread.
#pragma once

#include "brisel_scene.h"
#include "mat_matrix.h"
#include "mat_random.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "os_types.h"

struct SIM_Clock;

struct VFX_Particle
{
    f32 birth = 0.0f;
    f32 lifetime = 0.0f;
    f32 inverseLifetime = 0.0f;
    const Brisel_ParticleLook* emitter = nullptr;  // the description that created it
    MAT_Vector3 friction;                          // drag per axis
    MAT_Vector3 lift;                              // constant acceleration per axis
    MAT_Vector3 position;
    MAT_Vector3 velocity;
    MAT_Vector3 previousPosition;  // one step earlier
    f32 angle = 0.0f;              // billboard rotation, radians
    f32 previousAngle = 0.0f;
    f32 rotationSpeed = 0.0f;  // radians per second
    VFX_Particle* next = nullptr;
    VFX_Particle* prev = nullptr;

    // One step of _clock.dt: drag per axis (a drag that would reverse the motion leaves only
    // the lift's), lift, spin.
    void Move(const SIM_Clock& _clock);
};

class VFX_ParticleSystem final : public MEM_Object, public Brisel_ParticleSource
{
public:
    // _capacity particle records, all free; a flow table of _flowCapacity records that nothing
    // fills (particles move in still water).
    VFX_ParticleSystem(u32 _capacity, u32 _flowCapacity);
    ~VFX_ParticleSystem();

    VFX_ParticleSystem(const VFX_ParticleSystem&) = delete;
    VFX_ParticleSystem& operator=(const VFX_ParticleSystem&) = delete;

    // A copy of _template, moved from its birth to _clock's time; 0 when the pool is full.
    s32 Spawn(const VFX_Particle& _template, const SIM_Clock& _clock);
    // Retires the particles whose age reached their lifetime, then moves the others a step.
    void Update(const SIM_Clock& _clock);
    // _lo + (_hi - _lo) * a uniform draw in [0, 1) of the system's generator.
    f32 RandomRange(f32 _lo, f32 _hi);

    void VisitParticles(Brisel_ParticleVisitor& _visitor) const override;

    u32 GetCapacity() const { return m_capacity; }
    u32 GetLiveCount() const { return m_liveCount; }
    u32 GetFlowCapacity() const { return m_flowCapacity; }
    // Always 0: nothing fills the flow table.
    u32 GetFlowCount() const { return m_flowCount; }
    u32 GetSeed() const { return m_seed; }
    // The live list, oldest first.
    const VFX_Particle* GetHead() const { return m_head; }

private:
    struct Flow
    {
        MAT_Vector3 position;
        MAT_Vector3 velocity;
        f32 radius = 0.0f;
    };

    u32 m_capacity = 0;
    u32 m_liveCount = 0;
    VFX_Particle* m_particles = nullptr;
    VFX_Particle* m_head = nullptr;
    VFX_Particle* m_tail = nullptr;
    // Free records: a push lowers m_freeTop and stores there, a pop reads there and raises it;
    // empty when m_freeTop equals m_freeEnd.
    VFX_Particle** m_freeBase = nullptr;
    VFX_Particle** m_freeTop = nullptr;
    VFX_Particle** m_freeEnd = nullptr;
    Flow* m_flows = nullptr;
    u32 m_flowCapacity = 0;
    u32 m_flowCount = 0;
    u32 m_seed = MAT_RANDOM_SEED;
    MAT_Random m_random;
};

// The emission of one emitter description: the template every particle starts from, the rate
// and the spreads. Inactive after construction; the description starts and stops it.
class VFX_ParticleSource
{
public:
    virtual ~VFX_ParticleSource() = default;

    // Creates the particles due before _clock's time along the path from the frame of the
    // previous emission to _frame (the emitter's frame now); 0 when inactive, else 1.
    virtual s32 Emit(const SIM_Clock& _clock, VFX_ParticleSystem* _system, const MAT_Matrix34& _frame);

    VFX_Particle particleTemplate;  // lifetime, inverse lifetime, emitter, friction and lift set by the owner
    u32 active = 0;
    f32 rate = 0.0f;       // particles per second
    f32 interval = 0.0f;   // seconds between particles; 0: recomputed at the next Emit
    f32 coneAngle = 0.0f;  // radians
    f32 speedMin = 0.0f;
    f32 speedMax = 0.0f;
    f32 spinMin = 0.0f;  // radians per second
    f32 spinMax = 0.0f;
    f32 angleMin = 0.0f;  // radians
    f32 angleMax = 0.0f;
    f32 nextEmission = 0.0f;
    f32 previousTime = 0.0f;
    MAT_Matrix34 previousFrame;
    // Set once previousFrame holds a frame; before that an Emit takes the current frame as the
    // previous one.
    u32 frameRecorded = 0;
};
