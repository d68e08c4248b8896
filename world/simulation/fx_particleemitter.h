// The description of one kind of particle effect, and the texture animation it may play.
//
// FX_ParticleEmitter holds how many particles a second leave the emitter, how they leave and
// move, how long they live and how they look over their life (five curves over the relative age
// 0..1, a texture or a texture animation, a blend mode). It owns the emission source that creates
// the particles; every particle points back at the description through its template, and the
// renderer reads the look (Brisel_ParticleLook) there. A description must therefore outlive its
// particles: IsActive answers 1 for as long as any of them may still be alive, counted with the
// largest lifetime the description ever gave its template.
//
// A description holds one reference on its texture set (the resource cache's texture-set table,
// Brisel_TheCache) from its parse or Assign until it is parsed again, overwritten or destroyed.
// Updates emit into the driver's particle system (Brisel_TheSimulation). One thread.
#pragma once

#include "brisel_scene.h"
#include "mat_matrix.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "os_types.h"
#include "vfx_particle.h"

class DES_Section;
class VEC_Camera;
struct SIM_Clock;

class FX_ParticleEmitter : public MEM_Object, public Brisel_ParticleLook
{
public:
    // Keys of each curve: relative age 0..1 in 15 steps.
    static constexpr s32 CURVE_KEYS = 16;
    // Particles per second of an emitter too far from the camera or out of its view.
    static constexpr f32 REMOTE_RATE = 0.01f;

    // Texture id -1, five curves of 16 zero keys, an inactive source at rate 0 whose particles
    // refer to this description, lifetime 0, no texture animation.
    FX_ParticleEmitter();
    // Gives back the texture set held.
    ~FX_ParticleEmitter();
    FX_ParticleEmitter(const FX_ParticleEmitter&) = delete;
    FX_ParticleEmitter& operator=(const FX_ParticleEmitter&) = delete;

    // Reads the subsections "Emitter", "Particle" and "Visual" (with "TextureAnim" when Visual
    // names no "Texture") of a "ParticleEmitter" section. Every failure is fatal.
    void Parse(DES_Section* _section);
    // Every field of _other, its curves' keys and its whole source: the copy's particles refer
    // to _other, which must outlive them. The copy holds _other's texture set.
    void Assign(const FX_ParticleEmitter& _other);

    // Emission from _time on; starts the texture animation when there is no single texture.
    void Start(f32 _time);
    void Stop();
    // Emits the particles due at _clock's time along the path to _frame into the driver's
    // particle system, at ParPerSecond when _camera is null or the emitter is near and in
    // view, else at REMOTE_RATE. 0 when stopped, else 1.
    s32 Update(const SIM_Clock& _clock, const MAT_Matrix34& _frame, const VEC_Camera* _camera);
    // 1 while emitting, else while particles it made may still live at _time.
    s32 IsActive(f32 _time) const;

    // The 16 keys of _curve from the cubic Bezier curve through the control points (x, y):
    // key i is y where x = i / 15, clamped to _min.._max. A curve whose x misses a target
    // takes y at the last of 64 halvings.
    static void SampleCurve(VFX_KeyTrack& _curve, const f32 _points[4][2], f32 _min, f32 _max);

    // What the emitter node's messages change.
    // Seconds; below 0 counts as 0. Sets the reciprocal and raises the largest lifetime.
    void SetLifeTime(f32 _lifetime);
    void SetLift(const MAT_Vector3& _lift) { source.particleTemplate.lift = _lift; }
    void SetFriction(const MAT_Vector3& _friction) { source.particleTemplate.friction = _friction; }
    // The near rate; a change of the source's rate restarts its emission clock.
    void SetParPerSecond(f32 _rate);
    void SetConeAngle(f32 _radians) { source.coneAngle = _radians; }
    void SetParVelocity(f32 _min, f32 _max)
    {
        source.speedMin = _min;
        source.speedMax = _max;
    }

    f32 GetLifeTime() const { return m_lifetime; }
    f32 GetLargestLifeTime() const { return m_largestLifetime; }

    f32 rejectDistanceSquared = 0.0f;  // "RejectDistance" squared
    f32 ratePerSecond = 0.0f;          // "ParPerSecond", the rate near and in view
    VFX_ParticleSource source;

private:
    // The source takes _rate when it differs from its own; its interval is then reset.
    void SetSourceRate(f32 _rate);
    void ReleaseTextureSet();

    f32 m_lifetime = 0.0f;         // "LifeTime", also in the template
    f32 m_largestLifetime = 0.0f;  // the largest lifetime any particle of this description has
};

// The "TextureAnim" section: "Type" ("oneshot" or "loop", exactly), "TextureSet" (taken from the
// resource cache's texture-set table; the set held before is given back) and "FPS". Fatal on an
// illegal type, a missing or mistyped key, a set that does not load or a full table.
void FX_ParseTextureAnim(FX_TextureAnim& _animation, DES_Section* _section);
// Frames over a particle's life: a oneshot plays the set's frames once (1 for a handle that names
// no set or an empty set), a loop runs _lifetime * fps frames. Any other type is fatal.
void FX_StartTextureAnim(FX_TextureAnim& _animation, f32 _lifetime);
