// Particle emitter descriptions read from node descriptions written by the tools, with the run's
// resource caches and a real simulation driver: the reader's tables and refusals, the curves,
// the rate near and far, how long a description must live, and the texture animation.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "brisel_cache.h"
#include "brisel_simulation.h"
#include "des_file.h"
#include "fx_particleemitter.h"
#include "fx_textureset.h"
#include "reb_texturecache.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_particles.h"
#include "tools_tse.h"
#include "vec_camera.h"
#include "vfx_particle.h"

namespace
{

const char* const FILE_NAME = "emitter.des";

class FXParticleEmitterTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_cache = new Brisel_Cache();
        Brisel_TheCache = m_cache;
        m_simulation = new Brisel_Simulation();
        Brisel_TheSimulation = m_simulation;
        m_dir.Write("vfx/tex/bubbles.tse", TOOL_TextureSetText("fx\\bubble", 8));
        m_dir.Write("vfx/tex/sparks.tse", TOOL_TextureSetText("fx\\spark", 3));
    }
    void TearDown() override
    {
        delete m_simulation;
        Brisel_TheSimulation = nullptr;
        delete m_cache;
        Brisel_TheCache = nullptr;
    }

    // Writes the section as a node description and reads it into _emitter.
    void Parse(FX_ParticleEmitter& _emitter, const TOOL_ParticleEmitterSection& _section)
    {
        m_dir.Write(FILE_NAME, "[Node]\n{\n    Name = \"emitter\"\n}\n" + TOOL_ParticleEmitterSectionText(_section));
        DES_File file;
        DES_Section root;
        file.Open(&root, FILE_NAME);
        DES_Section section;
        ASSERT_TRUE(root.FindSection(&section, "ParticleEmitter"));
        _emitter.Parse(&section);
    }
    static TOOL_ParticleEmitterSection Animated(const std::string& _type, const std::string& _set)
    {
        TOOL_ParticleEmitterSection section;
        section.texture.clear();
        section.animationType = _type;
        section.textureSet = _set;
        return section;
    }
    s32 References(s32 _handle) const { return m_cache->GetTextureSetCache()->GetReferenceCount(_handle); }
    s32 SetHandle(const char* _name) const
    {
        for (s32 handle = 1; handle <= m_cache->GetTextureSetCache()->GetCapacity(); ++handle)
            if (m_cache->GetTextureSetCache()->GetName(handle) != nullptr &&
                std::string(m_cache->GetTextureSetCache()->GetName(handle)) == _name)
                return handle;
        return 0;
    }
    // Births of the live particles, oldest first.
    std::vector<f32> Births() const
    {
        std::vector<f32> births;
        for (const VFX_Particle* p = m_simulation->particleSystem->GetHead(); p != nullptr; p = p->next)
            births.push_back(p->birth);
        return births;
    }
    static MAT_Matrix34 At(f32 _x, f32 _y, f32 _z)
    {
        MAT_Matrix34 frame;
        frame.SetFromVectors(MAT_Vector3(_x, _y, _z), MAT_Vector3(1, 0, 0), MAT_Vector3(0, 1, 0), MAT_Vector3(0, 0, 1));
        return frame;
    }

    TST_TempDir m_dir;
    Brisel_Cache* m_cache = nullptr;
    Brisel_Simulation* m_simulation = nullptr;
};

TEST_F(FXParticleEmitterTest, ReadsEveryKeyConvertingDegrees)
{
    TOOL_ParticleEmitterSection section;
    section.rejectDistance = 30.0f;
    section.coneAngle = 30.0f;
    section.parVelocity[0] = 2.0f;
    section.parVelocity[1] = 3.0f;
    section.parRotation[0] = -90.0f;
    section.parRotation[1] = 180.0f;
    section.parPerSecond = 20.0f;
    section.rotVelocity[0] = 45.0f;
    section.rotVelocity[1] = 90.0f;
    section.friction[1] = 0.5f;
    section.lift[2] = 1.5f;
    section.lifeTime = 4.0f;
    section.size = 2.5f;
    FX_ParticleEmitter emitter;
    Parse(emitter, section);

    const VFX_ParticleSource& s = emitter.source;
    EXPECT_FLOAT_EQ(900.0f, emitter.rejectDistanceSquared);
    EXPECT_FLOAT_EQ(30.0f * 0.017453292f, s.coneAngle);
    EXPECT_FLOAT_EQ(2.0f, s.speedMin);
    EXPECT_FLOAT_EQ(3.0f, s.speedMax);
    EXPECT_FLOAT_EQ(-90.0f * 0.017453292f, s.angleMin);
    EXPECT_FLOAT_EQ(180.0f * 0.017453292f, s.angleMax);
    EXPECT_FLOAT_EQ(45.0f * 0.017453292f, s.spinMin);
    EXPECT_FLOAT_EQ(90.0f * 0.017453292f, s.spinMax);
    EXPECT_FLOAT_EQ(20.0f, emitter.ratePerSecond);
    EXPECT_FLOAT_EQ(20.0f, s.rate);
    EXPECT_FLOAT_EQ(0.0f, s.interval);
    EXPECT_FLOAT_EQ(0.5f, s.particleTemplate.friction.y);
    EXPECT_FLOAT_EQ(1.5f, s.particleTemplate.lift.z);
    EXPECT_FLOAT_EQ(4.0f, s.particleTemplate.lifetime);
    EXPECT_FLOAT_EQ(0.25f, s.particleTemplate.inverseLifetime);
    EXPECT_FLOAT_EQ(2.5f, emitter.size);
    EXPECT_EQ(&emitter, s.particleTemplate.emitter);
    EXPECT_EQ(0u, s.active);
}

TEST_F(FXParticleEmitterTest, TransparencyTypesGiveTheirBlendModes)
{
    const struct
    {
        const char* name;
        u8 mode;
    } cases[] = {{"Filter", 2}, {"Subtractive", 2}, {"additive", 1}, {"Multiplicative", 3}, {"INVERS", 4}};
    for (const auto& c : cases) {
        TOOL_ParticleEmitterSection section;
        section.transparencyType = c.name;
        FX_ParticleEmitter emitter;
        Parse(emitter, section);
        EXPECT_EQ(c.mode, emitter.renderMode) << c.name;
    }
    TOOL_ParticleEmitterSection section;
    section.transparencyType = "Glow";
    FX_ParticleEmitter emitter;
    EXPECT_FATAL(Parse(emitter, section), "FX_ParticleEmitter::Parse() unknown transparency type \"Glow\"", FILE_NAME);
}

TEST_F(FXParticleEmitterTest, MissingSectionsAndKeysStopWithTheirTexts)
{
    const char* sections[] = {"Emitter", "Particle", "Visual"};
    for (const char* name : sections) {
        TOOL_ParticleEmitterSection section;
        section.omitSection = name;
        FX_ParticleEmitter emitter;
        EXPECT_FATAL(
            Parse(emitter, section), "DES FILE ERROR",
            (std::string("(FX_ParticleEmitter::Parse()): Get [\"") + name + "\"] in file \"emitter.des\" failed")
                .c_str());
    }
    // Without a texture the animation subsection is mandatory.
    TOOL_ParticleEmitterSection noAnimation = Animated("oneshot", "bubbles.tse");
    noAnimation.writeTextureAnim = false;
    FX_ParticleEmitter emitter;
    EXPECT_FATAL(Parse(emitter, noAnimation), "DES FILE ERROR",
                 "(FX_ParticleEmitter::Parse()): Get [\"TextureAnim\"] in file \"emitter.des\" failed");

    const char* keys[] = {"RejectDistance",
                          "ConeAngle",
                          "ParVelocity",
                          "ParRotation",
                          "ParPerSecond",
                          "RotVelocity",
                          "Friction",
                          "Lift",
                          "LifeTime",
                          "Size",
                          "TrancparencyType",
                          "r0",
                          "g2",
                          "b3",
                          "a1",
                          "s3",
                          "Type",
                          "TextureSet",
                          "FPS"};
    for (const char* key : keys) {
        TOOL_ParticleEmitterSection missing = Animated("loop", "bubbles.tse");
        missing.omitKey = key;
        FX_ParticleEmitter a;
        EXPECT_FATAL(Parse(a, missing), "DesFile Error",
                     (std::string("data \"") + key + "\" not found in file \"emitter.des\"").c_str());
        TOOL_ParticleEmitterSection mistyped = Animated("loop", "bubbles.tse");
        mistyped.mistypedKey = key;
        if (key == std::string("TrancparencyType") || key == std::string("Type") || key == std::string("TextureSet"))
            continue;  // strings already
        FX_ParticleEmitter b;
        EXPECT_FATAL(Parse(b, mistyped), "DesFile Error",
                     (std::string("data \"") + key + "\" in file \"emitter.des\" has wrong type").c_str());
    }
}

TEST_F(FXParticleEmitterTest, TextureOrTextureAnimation)
{
    FX_ParticleEmitter single;
    Parse(single, TOOL_ParticleEmitterSection());
    EXPECT_EQ(m_cache->GetTextureNames()->RegisterTextureName("fx\\bubble", 32), single.textureId);
    EXPECT_EQ(0, single.animation.textureSet);
    EXPECT_EQ(FX_TEXTUREANIM_NONE, single.animation.type);

    TOOL_ParticleEmitterSection section = Animated("loop", "bubbles.tse");
    section.fps = 12.0f;
    FX_ParticleEmitter animated;
    Parse(animated, section);
    EXPECT_EQ(-1, animated.textureId);
    EXPECT_EQ(FX_TEXTUREANIM_LOOP, animated.animation.type);
    EXPECT_EQ(SetHandle("bubbles.tse"), animated.animation.textureSet);
    EXPECT_EQ(1, References(animated.animation.textureSet));
    EXPECT_FLOAT_EQ(12.0f, animated.animation.fps);
    EXPECT_FLOAT_EQ(12.0f, animated.animation.frames);

    // Read again with another set and then with a single texture: each set read before goes.
    const s32 bubbles = animated.animation.textureSet;
    Parse(animated, Animated("oneshot", "sparks.tse"));
    EXPECT_EQ(0, References(bubbles));
    EXPECT_EQ(1, References(animated.animation.textureSet));
    const s32 sparks = animated.animation.textureSet;
    Parse(animated, TOOL_ParticleEmitterSection());
    EXPECT_NE(-1, animated.textureId);
    EXPECT_EQ(0, References(sparks));

    FX_ParticleEmitter capital;
    EXPECT_FATAL(Parse(capital, Animated("Loop", "bubbles.tse")), "FX_TextureAnim::Parse() - illegal type \"Loop\"",
                 FILE_NAME);
    // A set that is not there stops the program in the set's loader.
    FX_ParticleEmitter missing;
    bool stopped = false;
    try {
        Parse(missing, Animated("loop", "nothere.tse"));
    } catch (const OS_FatalError& error) {
        stopped = std::string(error.Caption()).find("file not found") != std::string::npos;
    }
    EXPECT_TRUE(stopped);
    EXPECT_EQ(0, SetHandle("nothere.tse"));
}

TEST_F(FXParticleEmitterTest, SampledCurvesRiseAndStayWithinBounds)
{
    VFX_KeyTrack curve(16);
    const f32 rising[4][2] = {{0.0f, 0.0f}, {0.33f, 0.0f}, {0.66f, 1.0f}, {1.0f, 1.0f}};
    FX_ParticleEmitter::SampleCurve(curve, rising, 0.0f, 1.0f);
    const f32* keys = curve.GetKeys();
    EXPECT_FLOAT_EQ(0.0f, keys[0]);
    EXPECT_FLOAT_EQ(1.0f, keys[15]);
    for (s32 i = 1; i < 16; ++i)
        EXPECT_LT(keys[i - 1], keys[i]) << i;
    EXPECT_NEAR(0.5f, keys[7] + (keys[8] - keys[7]) * 0.5f, 0.02f);

    const f32 high[4][2] = {{0.0f, 1.5f}, {0.33f, 3.0f}, {0.66f, 3.0f}, {1.0f, 2.0f}};
    FX_ParticleEmitter::SampleCurve(curve, high, 0.0f, 1.0f);
    for (s32 i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(1.0f, keys[i]) << i;

    // x starts at 0.5 and never reaches the first targets: bounded, with values in range.
    const f32 late[4][2] = {{0.5f, -1.0f}, {0.6f, 0.3f}, {0.8f, 0.6f}, {0.9f, 2.0f}};
    FX_ParticleEmitter::SampleCurve(curve, late, 0.0f, 1.0f);
    EXPECT_FLOAT_EQ(0.0f, keys[0]);  // s runs to 0, where y is -1
    EXPECT_FLOAT_EQ(1.0f, keys[15]);
    for (s32 i = 0; i < 16; ++i) {
        EXPECT_GE(keys[i], 0.0f);
        EXPECT_LE(keys[i], 1.0f);
    }

    // The description's own curves: 16 keys over the relative age 0..1, clamped.
    FX_ParticleEmitter emitter;
    TOOL_ParticleEmitterSection section;
    for (s32 k = 0; k < 4; ++k)
        for (s32 j = 0; j < 2; ++j)
            section.curves[4][k][j] = rising[k][j];
    Parse(emitter, section);
    EXPECT_EQ(16, emitter.sizeCurve.GetCount());
    EXPECT_FLOAT_EQ(15.0f, emitter.sizeCurve.GetKeysPerUnit());
    EXPECT_FLOAT_EQ(1.0f, emitter.sizeCurve.Evaluate(2.0f));
    EXPECT_FLOAT_EQ(0.0f, emitter.sizeCurve.Evaluate(-1.0f));
    EXPECT_FLOAT_EQ(1.0f, emitter.red.Evaluate(0.5f));
}

TEST_F(FXParticleEmitterTest, RateFollowsDistanceAndView)
{
    TOOL_ParticleEmitterSection section;
    section.rejectDistance = 100.0f;
    section.parPerSecond = 20.0f;
    FX_ParticleEmitter emitter;
    Parse(emitter, section);
    const VEC_Camera camera;  // at the origin looking along +y
    SIM_Clock clock;
    clock.Set(0.0f, 0.05f);
    emitter.Start(0.0f);

    // Beyond the reject distance: 0.01 a second, the emission clock restarted.
    EXPECT_EQ(1, emitter.Update(clock, At(0, 500, 0), &camera));
    EXPECT_FLOAT_EQ(FX_ParticleEmitter::REMOTE_RATE, emitter.source.rate);
    clock.Set(0.05f, 0.05f);
    emitter.Update(clock, At(0, 500, 0), &camera);
    EXPECT_EQ(std::vector<f32>({0.0f}), Births());

    // Near and in view: back to ParPerSecond; the first particle is born at the changing update
    // and made by the next one.
    clock.Set(0.1f, 0.05f);
    emitter.Update(clock, At(0, 50, 0), &camera);
    EXPECT_FLOAT_EQ(20.0f, emitter.source.rate);
    EXPECT_EQ(1u, m_simulation->particleSystem->GetLiveCount());
    clock.Set(0.15f, 0.05f);
    emitter.Update(clock, At(0, 50, 0), &camera);
    EXPECT_EQ(std::vector<f32>({0.0f, 0.1f}), Births());

    // Near but behind the camera: out of view.
    emitter.Update(clock, At(0, -50, 0), &camera);
    EXPECT_FLOAT_EQ(FX_ParticleEmitter::REMOTE_RATE, emitter.source.rate);
    // No camera: always the full rate.
    emitter.Update(clock, At(0, -50, 0), nullptr);
    EXPECT_FLOAT_EQ(20.0f, emitter.source.rate);

    emitter.Stop();
    EXPECT_EQ(0, emitter.Update(clock, At(0, 50, 0), &camera));
}

TEST_F(FXParticleEmitterTest, ActiveUntilTheLastParticleMayHaveGone)
{
    TOOL_ParticleEmitterSection section;
    section.lifeTime = 2.0f;
    FX_ParticleEmitter emitter;
    Parse(emitter, section);
    emitter.Start(0.0f);
    EXPECT_EQ(1, emitter.IsActive(1000.0f));
    emitter.Stop();
    emitter.source.nextEmission = 10.0f;
    EXPECT_EQ(1, emitter.IsActive(12.99f));
    EXPECT_EQ(0, emitter.IsActive(13.0f));

    // A shorter lifetime later (a message, a new reading) keeps the longest one given.
    emitter.SetLifeTime(0.5f);
    EXPECT_FLOAT_EQ(2.0f, emitter.source.particleTemplate.inverseLifetime);
    EXPECT_EQ(1, emitter.IsActive(12.99f));
    section.lifeTime = 1.0f;
    Parse(emitter, section);
    EXPECT_FLOAT_EQ(1.0f, emitter.source.particleTemplate.lifetime);
    EXPECT_FLOAT_EQ(2.0f, emitter.GetLargestLifeTime());
    EXPECT_EQ(1, emitter.IsActive(12.99f));
}

TEST_F(FXParticleEmitterTest, NegativeLifeTimeCountsAsZero)
{
    TOOL_ParticleEmitterSection section;
    section.lifeTime = -3.0f;
    section.parPerSecond = 20.0f;
    FX_ParticleEmitter emitter;
    Parse(emitter, section);
    EXPECT_FLOAT_EQ(0.0f, emitter.source.particleTemplate.lifetime);
    EXPECT_GT(emitter.source.particleTemplate.inverseLifetime, 0.0f);
    EXPECT_FALSE(std::isinf(emitter.source.particleTemplate.inverseLifetime));

    SIM_Clock clock;
    clock.Set(0.0f, 0.05f);
    emitter.Start(0.0f);
    emitter.Update(clock, At(0, 0, 0), nullptr);
    clock.Set(0.05f, 0.05f);
    emitter.Update(clock, At(0, 0, 0), nullptr);
    EXPECT_EQ(1u, m_simulation->particleSystem->GetLiveCount());
    // They leave the pool at the first update after their birth.
    clock.Set(0.1f, 0.05f);
    m_simulation->particleSystem->Update(clock);
    EXPECT_EQ(0u, m_simulation->particleSystem->GetLiveCount());
    emitter.Stop();
    EXPECT_EQ(0, emitter.IsActive(0.05f + 1.0f));
}

TEST_F(FXParticleEmitterTest, OneshotAndLoopFrames)
{
    FX_ParticleEmitter oneshot;
    Parse(oneshot, Animated("oneshot", "bubbles.tse"));
    oneshot.Start(0.0f);
    EXPECT_FLOAT_EQ(8.0f, oneshot.animation.frames);
    const FX_TextureSet* bubbles = m_cache->GetTextureSet(oneshot.animation.textureSet);
    ASSERT_NE(nullptr, bubbles);
    const struct
    {
        f32 age;
        s32 frame;
    } oneshotCases[] = {{-0.5f, 0}, {0.0f, 0}, {0.4f, 3}, {0.99f, 7}, {1.0f, 7}, {1.5f, 7}};
    for (const auto& c : oneshotCases)
        EXPECT_EQ(bubbles->GetID(c.frame), FX_TextureSet::GetTextureID(oneshot.animation, c.age)) << c.age;

    // A loop runs lifetime x fps frames over the life, wrapped at the set's count.
    TOOL_ParticleEmitterSection section = Animated("loop", "sparks.tse");
    section.lifeTime = 2.0f;
    section.fps = 4.0f;
    FX_ParticleEmitter loop;
    Parse(loop, section);
    loop.Start(0.0f);
    EXPECT_FLOAT_EQ(8.0f, loop.animation.frames);
    const FX_TextureSet* sparks = m_cache->GetTextureSet(loop.animation.textureSet);
    ASSERT_NE(nullptr, sparks);
    const struct
    {
        f32 age;
        s32 frame;
    } loopCases[] = {{0.0f, 0}, {0.25f, 2}, {0.5f, 1}, {0.9f, 1}, {1.25f, 2}};
    for (const auto& c : loopCases)
        EXPECT_EQ(sparks->GetID(c.frame), FX_TextureSet::GetTextureID(loop.animation, c.age)) << c.age;
}

TEST_F(FXParticleEmitterTest, StartChecksTheAnimationType)
{
    // Never read: no texture and no animation type.
    FX_ParticleEmitter empty;
    EXPECT_FATAL(empty.Start(0.0f), "FX_TextureAnim::Start()", "illegal animation type");
    // A oneshot over no set plays one frame; a single texture starts no animation.
    FX_TextureAnim animation;
    animation.type = FX_TEXTUREANIM_ONESHOT;
    animation.frames = 5.0f;
    FX_StartTextureAnim(animation, 1.0f);
    EXPECT_FLOAT_EQ(1.0f, animation.frames);
    FX_ParticleEmitter single;
    Parse(single, TOOL_ParticleEmitterSection());
    single.Start(2.0f);
    EXPECT_EQ(1u, single.source.active);
    EXPECT_FLOAT_EQ(2.0f, single.source.nextEmission);
    EXPECT_FLOAT_EQ(2.0f, single.source.previousTime);
}

TEST_F(FXParticleEmitterTest, AssignCopiesAndKeepsSetReferencesBalanced)
{
    FX_ParticleEmitter* prototype = new FX_ParticleEmitter();
    TOOL_ParticleEmitterSection section = Animated("loop", "bubbles.tse");
    section.lifeTime = 3.0f;
    section.curves[0][1][1] = 0.0f;
    Parse(*prototype, section);
    const s32 bubbles = prototype->animation.textureSet;

    FX_ParticleEmitter* copy = new FX_ParticleEmitter();
    Parse(*copy, Animated("oneshot", "sparks.tse"));
    const s32 sparks = copy->animation.textureSet;
    copy->Assign(*prototype);
    EXPECT_EQ(0, References(sparks));
    EXPECT_EQ(2, References(bubbles));
    EXPECT_EQ(bubbles, copy->animation.textureSet);
    EXPECT_EQ(FX_TEXTUREANIM_LOOP, copy->animation.type);
    EXPECT_EQ(-1, copy->textureId);
    EXPECT_EQ(prototype->renderMode, copy->renderMode);
    EXPECT_FLOAT_EQ(3.0f, copy->GetLifeTime());
    EXPECT_EQ(prototype, copy->source.particleTemplate.emitter);  // its particles refer to the prototype
    // The keys are copied, not shared.
    EXPECT_NE(prototype->red.GetKeys(), copy->red.GetKeys());
    for (s32 i = 0; i < 16; ++i)
        EXPECT_EQ(prototype->red.GetKeys()[i], copy->red.GetKeys()[i]) << i;
    EXPECT_FLOAT_EQ(15.0f, copy->red.GetKeysPerUnit());
    copy->red.GetKeys()[3] = 0.25f;
    EXPECT_NE(0.25f, prototype->red.GetKeys()[3]);

    FX_ParticleEmitter* second = new FX_ParticleEmitter();
    second->Assign(*copy);
    second->Assign(*copy);  // assigned twice: still one reference of its own
    EXPECT_EQ(3, References(bubbles));
    delete copy;
    EXPECT_EQ(2, References(bubbles));
    delete second;
    EXPECT_EQ(1, References(bubbles));
    delete prototype;
    EXPECT_EQ(0, References(bubbles));
}

// Under ASan: the node deletes its description once IsActive turns 0; the renderer may read
// every live particle's description after that, so none may be left.
TEST_F(FXParticleEmitterTest, DescriptionOutlivesItsParticlesAfterAShorterReading)
{
    FX_ParticleEmitter* emitter = new FX_ParticleEmitter();
    TOOL_ParticleEmitterSection section;
    section.lifeTime = 3.0f;
    section.parPerSecond = 20.0f;
    Parse(*emitter, section);
    SIM_Clock clock;
    clock.Set(0.0f, 0.05f);
    emitter->Start(0.0f);
    VFX_ParticleSystem* system = m_simulation->particleSystem;
    for (s32 step = 0; step < 40; ++step) {
        emitter->Update(clock, At(0, 0, 0), nullptr);
        system->Update(clock);
        clock.Set(clock.time + 0.05f, 0.05f);
    }
    emitter->Stop();
    section.lifeTime = 0.5f;
    Parse(*emitter, section);

    struct Reader : Brisel_ParticleVisitor
    {
        f32 sizes = 0.0f;
        void Visit(const Brisel_ParticleState& _particle) override { sizes += _particle.look->size; }
    } reader;
    bool deleted = false;
    for (s32 step = 0; step < 200; ++step) {
        system->Update(clock);
        system->VisitParticles(reader);
        if (!deleted && emitter->IsActive(clock.time) == 0) {
            for (const VFX_Particle* p = system->GetHead(); p != nullptr; p = p->next)
                EXPECT_NE(emitter, p->emitter) << "a particle outlives its description at " << clock.time;
            delete emitter;
            deleted = true;
        }
        clock.Set(clock.time + 0.05f, 0.05f);
    }
    EXPECT_TRUE(deleted);
    EXPECT_EQ(0u, system->GetLiveCount());
}

TEST_F(FXParticleEmitterTest, SettersOfTheNodeMessages)
{
    FX_ParticleEmitter emitter;
    Parse(emitter, TOOL_ParticleEmitterSection());
    emitter.source.interval = 0.1f;
    emitter.SetParPerSecond(10.0f + 1e-8f);  // no change
    EXPECT_FLOAT_EQ(0.1f, emitter.source.interval);
    emitter.SetParPerSecond(5.0f);
    EXPECT_FLOAT_EQ(5.0f, emitter.source.rate);
    EXPECT_FLOAT_EQ(0.0f, emitter.source.interval);
    emitter.SetConeAngle(30.0f);  // radians, as the message sends them
    EXPECT_FLOAT_EQ(30.0f, emitter.source.coneAngle);
    emitter.SetParVelocity(1.0f, 2.0f);
    EXPECT_FLOAT_EQ(2.0f, emitter.source.speedMax);
    emitter.SetLift(MAT_Vector3(0, 0, 3));
    emitter.SetFriction(MAT_Vector3(1, 0, 0));
    EXPECT_FLOAT_EQ(3.0f, emitter.source.particleTemplate.lift.z);
    EXPECT_FLOAT_EQ(1.0f, emitter.source.particleTemplate.friction.x);
    emitter.SetLifeTime(4.0f);
    EXPECT_FLOAT_EQ(0.25f, emitter.source.particleTemplate.inverseLifetime);
    EXPECT_FLOAT_EQ(4.0f, emitter.GetLargestLifeTime());
}

}  // namespace
