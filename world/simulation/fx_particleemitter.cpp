#include "fx_particleemitter.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "brisel_cache.h"
#include "brisel_simulation.h"
#include "des_file.h"
#include "fx_textureset.h"
#include "mat_geometry.h"
#include "os_fatal.h"
#include "os_string.h"
#include "reb_texturecache.h"
#include "sim_clock.h"
#include "vec_camera.h"

namespace
{

const char* const PARSE = "FX_ParticleEmitter::Parse()";
const f32 DEGREES_TO_RADIANS = 0.017453292f;
const f32 RATE_EPSILON = 1.1920929e-7f;
// Texture names of particles are registered at the priority every texture of the program uses.
const s32 TEXTURE_PRIORITY = 32;
// Bound of the curve sampling: past this many halvings s no longer moves in f32.
const s32 MAX_HALVINGS = 64;
// Longer than any name the registry or the cache takes, so they refuse what does not fit.
const u32 NAME_BYTES = 260;

const char* FileName(DES_Section* _section)
{
    return _section->GetFile() != nullptr ? _section->GetFile()->GetName() : "";
}

void FindSub(DES_Section* _section, DES_Section* _out, const char* _name)
{
    if (!_section->FindSection(_out, _name))
        DES_FatalSection(PARSE, _name, FileName(_section));
}

Brisel_Cache* RequireCache(const char* _caption)
{
    if (Brisel_TheCache == nullptr)
        OS_Fatal(_caption, "no resource cache");
    return Brisel_TheCache;
}

f32 Bezier(const f32 _p[4], f32 _s)
{
    const f32 t = 1.0f - _s;
    return t * t * t * _p[0] + 3.0f * _s * t * t * _p[1] + 3.0f * _s * _s * t * _p[2] + _s * _s * _s * _p[3];
}

// Transparency names and the blend modes they give (compared without regard to case).
struct Transparency
{
    const char* name;
    u8 mode;
};
const Transparency TRANSPARENCIES[] = {
    {"Filter", 2}, {"Subtractive", 2}, {"Additive", 1}, {"Multiplicative", 3}, {"Invers", 4},
};

}  // namespace

// ---- texture animation ----------------------------------------------------------------------------

void FX_ParseTextureAnim(FX_TextureAnim& _animation, DES_Section* _section)
{
    char type[NAME_BYTES] = {};
    _section->GetString("Type", type, sizeof(type));
    if (strcmp(type, "oneshot") == 0)
        _animation.type = FX_TEXTUREANIM_ONESHOT;
    else if (strcmp(type, "loop") == 0)
        _animation.type = FX_TEXTUREANIM_LOOP;
    else
        OS_Fatal(OS_Format("FX_TextureAnim::Parse() - illegal type \"%s\"", type), FileName(_section));

    char name[NAME_BYTES] = {};
    _section->GetString("TextureSet", name, sizeof(name));
    Brisel_Cache* cache = RequireCache("FX_TextureAnim::Parse()");
    // The new set is taken before the old one goes, so a set named again is not reloaded and a
    // set that fails to load leaves the old reference in place for the destructor.
    const s32 held = _animation.textureSet;
    _animation.textureSet = cache->AllocateTextureSet(name);
    cache->ReleaseTextureSet(held);

    _section->GetFloat("FPS", &_animation.fps);
    _animation.frames = _animation.fps;
}

void FX_StartTextureAnim(FX_TextureAnim& _animation, f32 _lifetime)
{
    switch (_animation.type) {
    case FX_TEXTUREANIM_ONESHOT: {
        const FX_TextureSet* set =
            Brisel_TheCache != nullptr ? Brisel_TheCache->GetTextureSet(_animation.textureSet) : nullptr;
        _animation.frames = set != nullptr && set->GetCount() > 0 ? (f32)set->GetCount() : 1.0f;
        break;
    }
    case FX_TEXTUREANIM_LOOP:
        _animation.frames = _lifetime * _animation.fps;
        break;
    default:
        OS_Fatal("FX_TextureAnim::Start()", "illegal animation type");
    }
}

// ---- emitter description --------------------------------------------------------------------------

FX_ParticleEmitter::FX_ParticleEmitter()
{
    textureId = -1;
    for (VFX_KeyTrack* curve : {&red, &green, &blue, &alpha, &sizeCurve}) {
        curve->Allocate(CURVE_KEYS);
        curve->SetTiming(0.0f, 1.0f, VFX_KeyTrack::FLAG_CLAMP);
    }
    source.particleTemplate.emitter = this;
}

FX_ParticleEmitter::~FX_ParticleEmitter() { ReleaseTextureSet(); }

void FX_ParticleEmitter::ReleaseTextureSet()
{
    if (animation.textureSet != 0 && Brisel_TheCache != nullptr)
        Brisel_TheCache->ReleaseTextureSet(animation.textureSet);
    animation.textureSet = 0;
}

void FX_ParticleEmitter::SetSourceRate(f32 _rate)
{
    if (std::fabs(_rate - source.rate) > RATE_EPSILON) {
        source.rate = _rate;
        source.interval = 0.0f;
    }
}

void FX_ParticleEmitter::SetParPerSecond(f32 _rate)
{
    ratePerSecond = _rate;
    SetSourceRate(_rate);
}

void FX_ParticleEmitter::SetLifeTime(f32 _lifetime)
{
    // A negative lifetime would give a negative reciprocal, and particles that never retire.
    m_lifetime = _lifetime > 0.0f ? _lifetime : 0.0f;
    source.particleTemplate.lifetime = m_lifetime;
    // No lifetime: retired at the first update after birth; the largest finite reciprocal keeps
    // an age of 0 at 0 rather than 0 * infinity.
    source.particleTemplate.inverseLifetime = m_lifetime > 0.0f ? 1.0f / m_lifetime : FLT_MAX;
    if (m_lifetime > m_largestLifetime)
        m_largestLifetime = m_lifetime;
}

void FX_ParticleEmitter::SampleCurve(VFX_KeyTrack& _curve, const f32 _points[4][2], f32 _min, f32 _max)
{
    const f32 xs[4] = {_points[0][0], _points[1][0], _points[2][0], _points[3][0]};
    const f32 ys[4] = {_points[0][1], _points[1][1], _points[2][1], _points[3][1]};
    const s32 count = _curve.GetCount();
    f32* keys = _curve.GetKeys();
    if (count < 2)
        return;
    const f32 tolerance = 0.0625f / (f32)count;
    for (s32 i = 0; i < count; ++i) {
        const f32 target = (f32)i / (f32)(count - 1);
        f32 s = 0.5f;
        f32 step = 0.5f;
        for (s32 halving = 0; halving < MAX_HALVINGS; ++halving) {
            const f32 x = Bezier(xs, s);
            if (std::fabs(x - target) <= tolerance)
                break;
            if (x > target)
                s -= step;
            else
                s += step;
            step *= 0.5f;
        }
        f32 y = Bezier(ys, s);
        // Written so that a NaN takes the lower bound.
        if (!(y >= _min))
            y = _min;
        if (y > _max)
            y = _max;
        keys[i] = y;
    }
}

void FX_ParticleEmitter::Parse(DES_Section* _section)
{
    const char* file = FileName(_section);
    VFX_Particle& particle = source.particleTemplate;

    DES_Section emitter;
    FindSub(_section, &emitter, "Emitter");
    f32 rejectDistance = 0.0f;
    emitter.GetFloat("RejectDistance", &rejectDistance);
    rejectDistanceSquared = rejectDistance * rejectDistance;
    f32 coneAngle = 0.0f;
    emitter.GetFloat("ConeAngle", &coneAngle);
    source.coneAngle = coneAngle * DEGREES_TO_RADIANS;
    f32 pair[2] = {};
    emitter.GetVector2("ParVelocity", pair);
    source.speedMin = pair[0];
    source.speedMax = pair[1];
    emitter.GetVector2("ParRotation", pair);
    source.angleMin = pair[0] * DEGREES_TO_RADIANS;
    source.angleMax = pair[1] * DEGREES_TO_RADIANS;
    f32 rate = 0.0f;
    emitter.GetFloat("ParPerSecond", &rate);
    SetParPerSecond(rate);

    DES_Section part;
    FindSub(_section, &part, "Particle");
    part.GetVector2("RotVelocity", pair);
    source.spinMin = pair[0] * DEGREES_TO_RADIANS;
    source.spinMax = pair[1] * DEGREES_TO_RADIANS;
    f32 xyz[3] = {};
    part.GetVector3("Friction", xyz);
    particle.friction = MAT_Vector3(xyz[0], xyz[1], xyz[2]);
    part.GetVector3("Lift", xyz);
    particle.lift = MAT_Vector3(xyz[0], xyz[1], xyz[2]);
    f32 life = 0.0f;
    part.GetFloat("LifeTime", &life);
    SetLifeTime(life);
    part.GetFloat("Size", &size);

    DES_Section visual;
    FindSub(_section, &visual, "Visual");
    char text[NAME_BYTES] = {};
    visual.GetString("TrancparencyType", text, sizeof(text));
    bool known = false;
    for (const Transparency& entry : TRANSPARENCIES)
        if (OS_StrICmp(text, entry.name) == 0) {
            renderMode = entry.mode;
            known = true;
            break;
        }
    if (!known)
        OS_Fatal(OS_Format("FX_ParticleEmitter::Parse() unknown transparency type \"%s\"", text), file);

    static const char STEMS[5] = {'r', 'g', 'b', 'a', 's'};
    VFX_KeyTrack* curves[5] = {&red, &green, &blue, &alpha, &sizeCurve};
    for (s32 c = 0; c < 5; ++c) {
        f32 points[4][2] = {};
        for (s32 k = 0; k < 4; ++k) {
            const char key[3] = {STEMS[c], (char)('0' + k), 0};
            visual.GetVector2(key, points[k]);
        }
        SampleCurve(*curves[c], points, 0.0f, 1.0f);
    }

    if (visual.HasEntry("Texture")) {
        visual.GetString("Texture", text, sizeof(text));
        const s32 id = RequireCache(PARSE)->GetTextureNames()->RegisterTextureName(text, TEXTURE_PRIORITY);
        // A single texture needs no set: the one read before is given back.
        ReleaseTextureSet();
        textureId = id;
    } else {
        DES_Section textureAnim;
        FindSub(&visual, &textureAnim, "TextureAnim");
        FX_ParseTextureAnim(animation, &textureAnim);
        textureId = -1;
    }
}

void FX_ParticleEmitter::Assign(const FX_ParticleEmitter& _other)
{
    if (&_other == this)
        return;
    textureId = _other.textureId;
    rejectDistanceSquared = _other.rejectDistanceSquared;
    size = _other.size;
    ratePerSecond = _other.ratePerSecond;
    const VFX_KeyTrack* from[5] = {&_other.red, &_other.green, &_other.blue, &_other.alpha, &_other.sizeCurve};
    VFX_KeyTrack* to[5] = {&red, &green, &blue, &alpha, &sizeCurve};
    for (s32 c = 0; c < 5; ++c) {
        const s32 count = from[c]->GetCount();
        if (count < 1)
            continue;
        if (to[c]->GetCount() != count)
            to[c]->Allocate(count);
        memcpy(to[c]->GetKeys(), from[c]->GetKeys(), (size_t)count * sizeof(f32));
        to[c]->SetTiming(from[c]->GetStart(), from[c]->GetLength(), from[c]->GetFlags());
    }
    source = _other.source;
    m_lifetime = _other.m_lifetime;
    // Particles made before the copy still refer to this description with its own lifetimes.
    if (_other.m_largestLifetime > m_largestLifetime)
        m_largestLifetime = _other.m_largestLifetime;
    // The other set is referenced before the held one goes, so a shared set stays loaded.
    if (_other.animation.textureSet != 0 && Brisel_TheCache != nullptr)
        Brisel_TheCache->GetTextureSetCache()->AddRef(_other.animation.textureSet);
    ReleaseTextureSet();
    animation = _other.animation;
    if (Brisel_TheCache == nullptr)
        animation.textureSet = 0;
    renderMode = _other.renderMode;
}

void FX_ParticleEmitter::Start(f32 _time)
{
    source.active = 1;
    source.nextEmission = _time;
    source.previousTime = _time;
    if (textureId == -1)
        FX_StartTextureAnim(animation, m_lifetime);
}

void FX_ParticleEmitter::Stop() { source.active = 0; }

s32 FX_ParticleEmitter::Update(const SIM_Clock& _clock, const MAT_Matrix34& _frame, const VEC_Camera* _camera)
{
    f32 wanted = ratePerSecond;
    if (_camera != nullptr) {
        const MAT_Vector3 offset = _camera->GetWorldTransform().t - _frame.t;
        const f32 distanceSquared = offset.x * offset.x + offset.y * offset.y + offset.z * offset.z;
        bool seen = false;
        if (distanceSquared <= rejectDistanceSquared) {
            MAT_AABox box;
            box.m_min = _frame.t - MAT_Vector3(1.0f, 1.0f, 1.0f);
            box.m_max = _frame.t + MAT_Vector3(1.0f, 1.0f, 1.0f);
            seen = _camera->TestBox(box) != 1;
        }
        if (!seen)
            wanted = REMOTE_RATE;
    }
    SetSourceRate(wanted);
    if (Brisel_TheSimulation == nullptr)
        OS_Fatal("FX_ParticleEmitter::Update()", "no simulation");
    return source.Emit(_clock, Brisel_TheSimulation->particleSystem, _frame);
}

s32 FX_ParticleEmitter::IsActive(f32 _time) const
{
    if (source.active != 0)
        return 1;
    // The largest lifetime, not the current one: a lifetime lowered by a message or a new
    // parse must not end the description under particles made with the longer one.
    return _time < source.nextEmission + m_largestLifetime + 1.0f ? 1 : 0;
}
