// Fuzzes debris descriptions: the input up to its first zero byte becomes
// "vfx\osd\debris\in.osd", the rest "vfx\osd\debris\more.osd", which the first may name among
// its children (so may the spawner's emitter and debris descriptions, which are there too). A
// description that parses is cloned twice, each clone launched and entered under a root, and
// the run stepped for two seconds with the releases, the particles and the deletion pass.
// Fatal refusals (the description's, a child of a class that cannot be released) are expected.
// Whatever the description held, a prototype keeps no sons and owns children that no father
// holds, a debris carries emitters only, and once the tree, the prototype and the caches are
// gone no engine memory is left behind.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app_register.h"
#include "brisel_cache.h"
#include "brisel_simulation.h"
#include "crt_rand.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "nod_debris.h"
#include "nod_message.h"
#include "nod_particleemitter.h"
#include "os_fatal.h"
#include "os_path.h"
#include "sim_clock.h"
#include "snd_sounddevice.h"
#include "tools_debris.h"
#include "tools_spawner.h"
#include "vfx_particle.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

void CheckPrototype(const NOD_Debris& _prototype)
{
    Check(_prototype.GetNumOfSons() == 0);
    for (s32 i = 0; i < _prototype.GetEmitCount(); ++i) {
        const NOD_Node* child = _prototype.GetEmitChild(i);
        Check(child != nullptr && child->GetFather() == nullptr);
        if (const NOD_Debris* debris = NOD_Debris::DynamicCast(const_cast<NOD_Node*>(child)))
            CheckPrototype(*debris);
    }
}

// Every debris under the root carries emitters only.
void CheckTree(NOD_Node* _root)
{
    for (s32 i = 0; i < _root->GetNumOfSons(); ++i) {
        NOD_Debris* debris = NOD_Debris::DynamicCast(_root->GetSon(i));
        if (debris == nullptr)
            continue;
        for (s32 s = 0; s < debris->GetNumOfSons(); ++s)
            Check(NOD_ParticleEmitter::DynamicCast(debris->GetSon(s)) != nullptr);
    }
}

void Step(Brisel_Simulation& _simulation, NOD_Node* _root)
{
    SIM_Clock& clock = SIM_GetSimulationClock();
    _root->HeartBeat();
    _simulation.particleSystem->Update(clock);
    NOD_Node::GC_Collect();
    clock.SetTime(clock.time + clock.dt);
}

void Run(Brisel_Simulation& _simulation, const u8* _data, size_t _size)
{
    SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
    CRT_SRand(_size > 0 ? _data[0] : 1u);
    Brisel_Cache* cache = new Brisel_Cache();
    Brisel_TheCache = cache;
    NOD_Node* root = NOD_Node::CreateNode("NOD_Node", "root");
    NOD_Node::SetRoot(root);
    root->AddSon(NOD_Node::CreateNode("NOD_Node", "garbage"));

    NOD_Debris* prototype = new NOD_Debris();
    try {
        prototype->ParseIniFile_File("osd\\debris\\in.osd");
        CheckPrototype(*prototype);
        MAT_Matrix34 frame;
        frame.r.FromAngles(MAT_Angle(0.3f), MAT_Angle(-0.2f), MAT_Angle(0.1f));
        frame.t = {10.0f, -20.0f, 30.0f};
        NOD_DebrisEmit emit;
        emit.coneMin = -1.0f;
        emit.coneMax = 2.0f;
        emit.rollMax = 7.0f;
        emit.velocityMax = 20.0f;
        emit.lift = {0.0f, 0.0f, -9.81f};
        for (s32 launch = 0; launch < 2; ++launch) {
            NOD_Debris* debris = NOD_Debris::DynamicCast(prototype->Clone());
            Check(debris != nullptr && debris->GetEmitCount() == prototype->GetEmitCount());
            debris->Init(frame, {0.0f, 5.0f * (f32)launch, 0.0f}, emit);
            root->AddSon(debris);
            delete debris->ProcessMessage(NOD_Node_EnterSimulation::Create());
        }
        for (s32 step = 0; step < 40; ++step) {
            Step(_simulation, root);
            CheckTree(root);
        }
    } catch (const OS_FatalError&) {
    }
    // The tree and the particles first: the particles read the looks of the prototype's
    // emitters. Every particle is past its life a million seconds on.
    NOD_Node::GC_Collect();
    delete root;
    NOD_Node::GC_Collect();
    SIM_Clock later;
    later.Set(1.0e6f, SIM_STEP);
    _simulation.particleSystem->Update(later);
    Check(_simulation.particleSystem->GetLiveCount() == 0);
    delete prototype;
    Brisel_TheCache = nullptr;
    delete cache;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    // Each child may name the description again: bounded nesting still reads 32 children four
    // lists deep, so inputs stay small.
    if (_size > 0x1000)
        return 0;
    // The driver is made once (its pools are large); each input's particles are gone at its end.
    static SND_SoundDevice2D* sound = nullptr;
    static Brisel_Simulation* simulation = nullptr;
    if (FUZZ_EnterWorkDirectory("debris", FUZZ_LOG_SILENT)) {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        Brisel_RegisterModules();
        FUZZ_WriteFiles(TOOL_SpawnerFiles());
        const char SOUND[] = "[Sound]\n{\n    SoundOn = 1\n    NumOfChannels = 2\n    Rate = 22050\n    Bits = 16\n}\n";
        std::filesystem::create_directories("ini");
        std::filesystem::create_directories("vfx/osd/debris");
        FUZZ_WriteFile("ini/sound.des", (const u8*)SOUND, sizeof(SOUND) - 1);
        // The launch sound's sample is read through the sound output.
        sound = new SND_SoundDevice2D("ini\\sound.des");
        simulation = new Brisel_Simulation();
        Brisel_TheSimulation = simulation;
    }
    const u8* zero = (const u8*)std::memchr(_data, 0, _size);
    const size_t textSize = zero != nullptr ? (size_t)(zero - _data) : _size;
    FUZZ_WriteFile("vfx/osd/debris/in.osd", _data, textSize);
    const size_t moreStart = zero != nullptr ? textSize + 1 : _size;
    FUZZ_WriteFile("vfx/osd/debris/more.osd", _data + moreStart, _size - moreStart);

    // The first pass warms what the file and log layers keep; the second must give back all
    // it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Run(*simulation, _data, _size);
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
