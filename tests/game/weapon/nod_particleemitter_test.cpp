// Particle emitter nodes: the description, copies, the ParticleEmitter messages, the life time
// and the end in three collection modes (under "/garbage" frozen, kept while particles live,
// destroyed).
#include "nod_particleemitter.h"

#include <cmath>
#include <functional>

#include "nod_bullet.h"
#include "tools_projectiles.h"
#include "tools_spawner.h"
#include "weapon_fixture.h"

namespace
{

constexpr f32 DEGREES = 0.017453292f;

class EmitterTest : public WeaponTest
{
protected:
    // An emitter made by class name from the description of spawner type _type, as the root's
    // last son; entered unless told not to.
    NOD_ParticleEmitter* Parsed(s32 _type, bool _enter = true)
    {
        NOD_ParticleEmitter* emitter =
            NOD_ParticleEmitter::DynamicCast(NOD_Node::CreateNode("NOD_ParticleEmitter", "emitter"));
        emitter->ParseIniFile_File(TOOL_SpawnerEmitterFile(_type));
        m_world->root->AddSon(emitter);
        if (_enter)
            delete emitter->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return emitter;
    }

    // Live particles made by the description _look.
    u32 ParticlesOf(const FX_ParticleEmitter* _look) const
    {
        u32 count = 0;
        for (const VFX_Particle* p = m_world->scene->simulation->particleSystem->GetHead(); p != nullptr; p = p->next)
            count += p->emitter == _look ? 1u : 0u;
        return count;
    }

    static MAT_Vector3 WorldPosition(NOD_ParticleEmitter* _emitter, f32 _time)
    {
        return _emitter->GetWorldTransform(_time)->t;
    }
};

TEST_F(EmitterTest, TheDescriptionGivesTheLifeTimeAndTheEmitterStopped)
{
    Make();
    NOD_ParticleEmitter* emitter = Parsed(1, false);
    const TOOL_EmitterNodeDescription description = TOOL_SpawnerEmitter(1);
    EXPECT_EQ(description.lifeTime, emitter->GetLifeTime());
    EXPECT_EQ(description.emitter.parPerSecond, emitter->GetEmitter().ratePerSecond);
    EXPECT_EQ(description.emitter.lifeTime, emitter->GetEmitter().GetLifeTime());
    EXPECT_EQ(0u, emitter->IsStarted());
    EXPECT_EQ(0u, emitter->IsFading());
    EXPECT_EQ(0u, emitter->GetEmitter().source.active);
    EXPECT_EQ(BRISEL_BUCKET_NONE, emitter->GetRenderBucket()) << "never drawn itself";
}

TEST_F(EmitterTest, BrokenDescriptionsStopTheReaderWithTheirTexts)
{
    Make();
    struct Case
    {
        const char* what;
        void (*breakIt)(TOOL_EmitterNodeDescription&);
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {"no OSD", [](TOOL_EmitterNodeDescription& _d) { _d.omitSection = "OSD"; }, "DES FILE ERROR",
         "(NOD_ParticleEmitter::ParseIniFile()): Get [\"OSD\"] in file \"vfx\\broken.osd\" failed"},
        {"no ParticleEmitter", [](TOOL_EmitterNodeDescription& _d) { _d.omitSection = "ParticleEmitter"; },
         "DES FILE ERROR",
         "(NOD_ParticleEmitter::ParseIniFile()): Get [\"ParticleEmitter\"] in file \"vfx\\broken.osd\" failed"},
        {"no LifeTime", [](TOOL_EmitterNodeDescription& _d) { _d.omitKey = "LifeTime"; }, "DesFile Error",
         "data \"LifeTime\" not found in file \"vfx\\broken.osd\""},
        {"LifeTime a string", [](TOOL_EmitterNodeDescription& _d) { _d.mistypedKey = "LifeTime"; }, "DesFile Error",
         "data \"LifeTime\" in file \"vfx\\broken.osd\" has wrong type"},
        {"the emitter's own key", [](TOOL_EmitterNodeDescription& _d) { _d.emitter.omitKey = "ParPerSecond"; },
         "DesFile Error", "data \"ParPerSecond\" not found in file \"vfx\\broken.osd\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TOOL_EmitterNodeDescription description = TOOL_SpawnerEmitter(0);
        c.breakIt(description);
        // A section beside it, so that the file is not empty without "OSD".
        m_dir.Write("vfx/broken.osd", TOOL_EmitterNodeDescriptionText(description) + "[Info]\n{\n    Kind = 1\n}\n");
        std::unique_ptr<NOD_ParticleEmitter> emitter(new NOD_ParticleEmitter());
        EXPECT_FATAL(emitter->ParseIniFile_File("broken.osd"), c.caption, c.text);
    }
}

TEST_F(EmitterTest, TheMessagesChangeARunningNodeAndNothingOfAFadingOne)
{
    Make();
    struct Case
    {
        const char* what;
        std::function<NOD_Message*()> message;
        std::function<bool(NOD_ParticleEmitter&)> changed;
    };
    const Case cases[] = {
        {"SetLifeTime", [] { return NOD_ParticleEmitter_SetLifeTime::Create(3.0f); },
         [](NOD_ParticleEmitter& _e) {
             return _e.GetEmitter().GetLifeTime() == 3.0f &&
                    _e.GetEmitter().source.particleTemplate.inverseLifetime == 1.0f / 3.0f &&
                    _e.GetEmitter().GetLargestLifeTime() == 3.0f;
         }},
        {"SetAccelerationOffset",
         [] { return NOD_ParticleEmitter_SetAccelerationOffset::Create(MAT_Vector3(1.0f, 2.0f, 3.0f)); },
         [](NOD_ParticleEmitter& _e) {
             return _e.GetEmitter().source.particleTemplate.lift == MAT_Vector3(1.0f, 2.0f, 3.0f);
         }},
        {"SetFriction", [] { return NOD_ParticleEmitter_SetFriction::Create(MAT_Vector3(0.25f, 0.5f, 0.75f)); },
         [](NOD_ParticleEmitter& _e) {
             return _e.GetEmitter().source.particleTemplate.friction == MAT_Vector3(0.25f, 0.5f, 0.75f);
         }},
        {"SetPPS", [] { return NOD_ParticleEmitter_SetPPS::Create(77.0f); },
         [](NOD_ParticleEmitter& _e) { return _e.GetEmitter().ratePerSecond == 77.0f; }},
        {"SetConeAngle takes radians", [] { return NOD_ParticleEmitter_SetConeAngle::Create(0.5f); },
         [](NOD_ParticleEmitter& _e) { return _e.GetEmitter().source.coneAngle == 0.5f; }},
        {"SetVelocity", [] { return NOD_ParticleEmitter_SetVelocity::Create(3.0f, 4.0f); },
         [](NOD_ParticleEmitter& _e) {
             return _e.GetEmitter().source.speedMin == 3.0f && _e.GetEmitter().source.speedMax == 4.0f;
         }},
        {"Stop", [] { return NOD_ParticleEmitter_Stop::Create(); },
         [](NOD_ParticleEmitter& _e) { return _e.IsStarted() == 0 && _e.GetEmitter().source.active == 0; }},
        {"Start after a Stop",
         [] {
             delete NOD_Node::GetRoot()->Find(SIM_Path("/subject"))->ProcessMessage(NOD_ParticleEmitter_Stop::Create());
             return NOD_ParticleEmitter_Start::Create();
         },
         [](NOD_ParticleEmitter& _e) { return _e.IsStarted() == 1 && _e.GetEmitter().source.active == 1; }},
        {"SetCone takes degrees and places the node",
         [] {
             return NOD_ParticleEmitter_SetCone::Create(MAT_Vector3(1.0f, 2.0f, 3.0f), MAT_Vector3(90.0f, 0.0f, 0.0f),
                                                        123.0f, 30.0f);
         },
         [](NOD_ParticleEmitter& _e) {
             const f32 now = SIM_GetSimulationClock().time;
             const MAT_Matrix34& frame = *_e.GetCS().GetTrack().GetAt(now, nullptr);
             return _e.GetEmitter().source.coneAngle == 30.0f * DEGREES && frame.t == MAT_Vector3(1.0f, 2.0f, 3.0f) &&
                    std::fabs(frame.r.GetY().x + 1.0f) < 1e-6f;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool fading : {false, true}) {
            SCOPED_TRACE(fading ? "fading" : "running");
            NOD_ParticleEmitter* emitter = Parsed(0);
            emitter->SetName("subject");
            m_world->Step();
            if (fading) {
                ASSERT_EQ(NOD_Node::GC_MOVE_TO_GARBAGE, emitter->GetGCMode());
            }
            EXPECT_EQ(nullptr, emitter->ProcessMessage(c.message()));
            EXPECT_EQ(!fading, c.changed(*emitter));
            delete emitter->ProcessMessage(NOD_Node_LeaveSimulation::Create());
            delete emitter;
        }
    }
}

TEST_F(EmitterTest, ARateWithinRoundingLeavesTheEmissionClockAlone)
{
    Make();
    NOD_ParticleEmitter* emitter = Parsed(0);
    m_world->Step();
    FX_ParticleEmitter& look = emitter->GetEmitter();
    const f32 rate = look.ratePerSecond;
    look.source.interval = 0.125f;
    delete emitter->ProcessMessage(NOD_ParticleEmitter_SetPPS::Create(rate + 1e-7f));
    EXPECT_EQ(0.125f, look.source.interval);
    EXPECT_EQ(rate, look.ratePerSecond);
    delete emitter->ProcessMessage(NOD_ParticleEmitter_SetPPS::Create(rate + 1.0f));
    EXPECT_EQ(0.0f, look.source.interval);
    EXPECT_EQ(rate + 1.0f, look.ratePerSecond);
}

TEST_F(EmitterTest, AShorterParticleLifeKeepsTheLargestForTheEnd)
{
    Make();
    NOD_ParticleEmitter* emitter = Parsed(0);
    const f32 largest = emitter->GetEmitter().GetLargestLifeTime();
    delete emitter->ProcessMessage(NOD_ParticleEmitter_SetLifeTime::Create(largest * 0.25f));
    EXPECT_EQ(largest * 0.25f, emitter->GetEmitter().GetLifeTime());
    EXPECT_EQ(largest, emitter->GetEmitter().GetLargestLifeTime());
}

TEST_F(EmitterTest, ANodeOutsideTheSimulationEmitsNothingUntilItEnters)
{
    Make();
    NOD_ParticleEmitter* emitter = Parsed(0, false);
    delete emitter->ProcessMessage(NOD_ParticleEmitter_Start::Create());
    EXPECT_EQ(1u, emitter->IsStarted());
    m_world->Steps(5);
    EXPECT_EQ(0u, ParticlesOf(&emitter->GetEmitter()));
    delete emitter->ProcessMessage(NOD_Node_EnterSimulation::Create());
    m_world->Steps(5);
    EXPECT_LT(0u, ParticlesOf(&emitter->GetEmitter()));
}

TEST_F(EmitterTest, ItsLifeTimeEndsItOnlyWhenItHasOne)
{
    Make();
    // Type 0 lives 0.5 s; the shrapnel types have no limit.
    TST_Watch limited(m_world->Spawn()->SpawnEmitter(0, m_world->root, Frame(MAT_Vector3(50.0f, 50.0f, 50.0f))));
    NOD_ParticleEmitter* unlimited =
        m_world->Spawn()->SpawnEmitter(3, m_world->root, Frame(MAT_Vector3(60.0f, 50.0f, 50.0f)));
    ASSERT_EQ(0.0f, unlimited->GetLifeTime());
    NOD_ParticleEmitter* first = NOD_ParticleEmitter::DynamicCast(limited.Get());
    const f32 start = first->GetStartTime();
    // Collected in the first step whose time lies past start + life time: moved under
    // "/garbage", fading.
    s32 steps = 0;
    for (f32 t = 0.0f; !(start + first->GetLifeTime() < t); t += SIM_STEP)
        ++steps;
    m_world->Steps(steps);
    EXPECT_EQ(m_world->root, first->GetFather());
    m_world->Step();
    ASSERT_TRUE(limited.Alive());
    EXPECT_EQ(m_world->garbage, first->GetFather());
    EXPECT_EQ(1u, first->IsFading());
    EXPECT_TRUE(first->IsInSimulation());
    // The other one runs on for good.
    m_world->Steps(200);
    EXPECT_FALSE(limited.Alive());
    EXPECT_EQ(m_world->root, unlimited->GetFather());
    EXPECT_EQ(0u, unlimited->IsFading());
    EXPECT_EQ(1u, unlimited->IsStarted());
}

TEST_F(EmitterTest, UnderADyingBodyItFreezesThenWaitsForItsParticlesThenGoes)
{
    Make();
    TST_OwnerBody* father = Body(MAT_Vector3(100.0f, 100.0f, 100.0f), MAT_Vector3(10.0f, 0.0f, 0.0f));
    NOD_ParticleEmitter* emitter = m_world->Spawn()->SpawnEmitter(3, father, Frame(MAT_Vector3(0.0f, 0.0f, 2.0f)));
    TST_Watch watch(emitter);
    EXPECT_EQ(father->GetSon(father->GetNumOfSons() - 1), emitter);
    m_world->Steps(10);
    // It follows the father at its offset.
    MAT_Vector3 place;
    father->GetMatrixAtTime(&place, m_world->Now());
    EXPECT_NEAR(place.x, WorldPosition(emitter, m_world->Now()).x, 1e-3f);
    EXPECT_NEAR(place.z + 2.0f, WorldPosition(emitter, m_world->Now()).z, 1e-3f);

    // Mode 1: the father goes, the node stays where the father was, under "/garbage".
    NOD_Node::GC_AddNode(father);
    const f32 collected = m_world->Now();
    father->GetMatrixAtTime(&place, collected);
    m_world->Step();
    ASSERT_TRUE(watch.Alive());
    EXPECT_EQ(m_world->garbage, emitter->GetFather());
    EXPECT_EQ(nullptr, emitter->GetCS().GetParent());
    EXPECT_EQ(1u, emitter->IsFading());
    EXPECT_EQ(0u, emitter->GetEmitter().source.active);
    for (s32 i = 0; i < 5; ++i) {
        const MAT_Vector3 still = WorldPosition(emitter, m_world->Now());
        EXPECT_NEAR(place.x, still.x, 1e-3f);
        EXPECT_NEAR(place.z + 2.0f, still.z, 1e-3f);
        m_world->Step();
    }
    // Mode 2 while particles may live, then mode 0: gone in the first step that finds none can.
    while (watch.Alive() && emitter->GetEmitter().IsActive(m_world->Now()) != 0) {
        EXPECT_EQ(NOD_Node::GC_KEEP, emitter->GetGCMode());
        m_world->Step();
    }
    ASSERT_TRUE(watch.Alive());
    m_world->Step();
    EXPECT_FALSE(watch.Alive());
}

TEST_F(EmitterTest, AParsedEmitterOutlivesNoneOfItsParticles)
{
    Make();
    TST_OwnerBody* father = Body(MAT_Vector3(0.0f, 40.0f, 0.0f));
    NOD_ParticleEmitter* emitter = NOD_ParticleEmitter::DynamicCast(NOD_Node::CreateNode("NOD_ParticleEmitter", "e"));
    emitter->ParseIniFile_File(TOOL_SpawnerEmitterFile(0));
    father->Adopt(emitter);
    TST_Watch watch(emitter);
    const FX_ParticleEmitter* look = &emitter->GetEmitter();
    m_world->Steps(4);
    EXPECT_LT(0u, ParticlesOf(look)) << "its particles read their look from the node itself";
    NOD_Node::GC_AddNode(father);
    // Drawn every step until it is gone and after: the particles read the description as they
    // are drawn, which the address sanitizer watches.
    while (watch.Alive()) {
        m_world->Step();
        m_world->Render();
    }
    EXPECT_EQ(0u, ParticlesOf(look));
    m_world->Steps(3);
    m_world->Render();
}

TEST_F(EmitterTest, AFadingNodeThatLeftTheSimulationWithItsFatherStillGoes)
{
    // Seen all the way, so that it emits at its own rate and its last emission stays near
    // (an emitter out of sight emits once in 100 s, and may be fading as long).
    TST_WriteSpawnerFiles(m_dir);
    TOOL_EmitterNodeDescription seen = TOOL_SpawnerEmitter(4);
    seen.emitter.rejectDistance = 10000.0f;
    m_dir.Write(std::string("vfx/") + TOOL_SpawnerEmitterFile(4), TOOL_EmitterNodeDescriptionText(seen));
    Make(false);
    // A bullet that dies of age takes its sons out of the simulation before it is collected.
    NOD_Bullet* bullet = m_world->Spawn()->SpawnBullet(0, nullptr, Frame(MAT_Vector3(0.0f, 10.0f, 0.0f)));
    TST_Watch emitter(m_world->Spawn()->SpawnEmitter(4, bullet, Frame(MAT_Vector3())));
    TST_Watch watch(bullet);
    StepUntil([&] { return !watch.Alive(); });
    ASSERT_TRUE(emitter.Alive());
    NOD_ParticleEmitter* node = NOD_ParticleEmitter::DynamicCast(emitter.Get());
    EXPECT_EQ(m_world->garbage, node->GetFather());
    EXPECT_FALSE(node->IsInSimulation());
    EXPECT_EQ(1u, node->IsFading());
    EXPECT_LT(StepUntil([&] { return !emitter.Alive(); }), 400);
}

TEST_F(EmitterTest, ACopyTakesTheEmitterAndItsStateButNoNameOrPlace)
{
    Make();
    NOD_ParticleEmitter* original = Parsed(2);
    delete original->ProcessMessage(NOD_ParticleEmitter_SetPPS::Create(12.0f));
    delete original->ProcessMessage(
        NOD_ParticleEmitter_SetCone::Create(MAT_Vector3(5.0f, 6.0f, 7.0f), MAT_Vector3(), 0.0f, 10.0f));
    m_world->Steps(2);
    std::unique_ptr<NOD_ParticleEmitter> copy(NOD_ParticleEmitter::DynamicCast(original->Clone()));
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(original->IsStarted(), copy->IsStarted());
    EXPECT_EQ(original->IsFading(), copy->IsFading());
    EXPECT_EQ(original->GetStartTime(), copy->GetStartTime());
    EXPECT_EQ(original->GetLifeTime(), copy->GetLifeTime());
    EXPECT_EQ(12.0f, copy->GetEmitter().ratePerSecond);
    EXPECT_EQ(10.0f * DEGREES, copy->GetEmitter().source.coneAngle);
    EXPECT_STREQ("", copy->GetName().GetName());
    EXPECT_EQ(MAT_Vector3(), copy->GetCS().GetTrack().GetAt(m_world->Now(), nullptr)->t);
    EXPECT_FALSE(copy->IsInSimulation());
}
}  // namespace
