// Any bytes as a node description whose "ParticleEmitter" section a particle emitter description
// reads, with the run's caches (a texture set "fire.tse" of 4 frames under "vfx\tex\") and a
// simulation driver; then a start, a few updates near and far from a camera, and the renderer's
// lookups of every live particle's colour, size and frame. Fatal refusals are expected. Whatever
// the description held, updates end, lookups stay inside the keys and the set, and every texture
// set reference and byte taken comes back.
#include <sys/stat.h>

#include <cmath>

#include "brisel_cache.h"
#include "brisel_simulation.h"
#include "des_file.h"
#include "fuzz_workdir.h"
#include "fx_particleemitter.h"
#include "fx_textureset.h"
#include "mem_alloc.h"
#include "os_fatal.h"
#include "sim_clock.h"
#include "vec_camera.h"
#include "vfx_particle.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

const char TEXTURE_SET[] = "[TextureSet]\n{\n    Name = \"fx\\fire\"\n    NumT = 4\n}\n";

// The renderer's reading of one particle.
struct Lookups : Brisel_ParticleVisitor
{
    f32 time = 0.0f;
    s32 frames = 0;
    void Visit(const Brisel_ParticleState& _particle) override
    {
        const Brisel_ParticleLook* look = _particle.look;
        Check(look != nullptr);
        const f32 age = (time - _particle.birth) * _particle.ageRate;
        s32 index = 0;
        f32 fraction = 0.0f;
        look->red.Locate(age, index, fraction);
        Check(index >= 0 && index <= look->red.GetCount() - 2);
        for (const VFX_KeyTrack* curve : {&look->red, &look->green, &look->blue, &look->alpha, &look->sizeCurve}) {
            const f32 value = curve->Interpolate(index, fraction);
            Check(std::isnan(fraction) || (value >= 0.0f && value <= 1.0f));
        }
        if (look->textureId == -1) {
            const s32 id = FX_TextureSet::GetTextureID(look->animation, age);
            Check(id == -1 || (id >= 512 && id < 512 + 4));
            ++frames;
        }
    }
};

void Run()
{
    Brisel_Cache* cache = new Brisel_Cache();
    Brisel_TheCache = cache;
    Brisel_Simulation* simulation = new Brisel_Simulation();
    Brisel_TheSimulation = simulation;
    FX_ParticleEmitter* emitter = new FX_ParticleEmitter();
    try {
        DES_File file;
        DES_Section root;
        file.Open(&root, "in.des");
        DES_Section section;
        if (root.FindSection(&section, "ParticleEmitter")) {
            emitter->Parse(&section);
            file.Close();
            emitter->Start(0.0f);
            VEC_Camera camera;
            SIM_Clock clock;
            const f32 places[4] = {0.0f, 50.0f, -50.0f, 5000.0f};
            Lookups lookups;
            for (s32 step = 0; step < 8; ++step) {
                clock.Set(0.05f * (f32)step, 0.05f);
                MAT_Matrix34 frame;
                frame.SetFromVectors(MAT_Vector3(0.0f, places[step & 3], 0.0f), MAT_Vector3(1, 0, 0),
                                     MAT_Vector3(0, 1, 0), MAT_Vector3(0, 0, 1));
                Check(emitter->Update(clock, frame, (step & 1) != 0 ? &camera : nullptr) == 1);
                simulation->particleSystem->Update(clock);
                lookups.time = clock.time + 0.025f;
                simulation->particleSystem->VisitParticles(lookups);
            }
            emitter->Stop();
        }
    } catch (const OS_FatalError&) {
    }
    // The particles go with the driver, before the description they refer to.
    delete simulation;
    Brisel_TheSimulation = nullptr;
    delete emitter;
    Check(cache->GetTextureSetCache()->GetCount() == 0);
    delete cache;
    Brisel_TheCache = nullptr;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x10000)
        return 0;
    if (FUZZ_EnterWorkDirectory("particleemitter", FUZZ_LOG_SILENT)) {
        if (mkdir("vfx", 0700) != 0 || mkdir("vfx/tex", 0700) != 0)
            abort();
        FUZZ_WriteFile("vfx/tex/fire.tse", (const u8*)TEXTURE_SET, sizeof(TEXTURE_SET) - 1);
    }
    FUZZ_WriteFile("in.des", _data, _size);
    // The first pass warms what the file layer keeps; the second must give back all it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        before = MEM_GetBytesInUse();
        Run();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
