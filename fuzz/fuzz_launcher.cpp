// Any bytes as an owner's description whose entry "Child0" describes its weapon, read by each of
// the torpedo launcher, the buzzer launcher and the NPC gun (fatal refusals are expected). Each
// weapon that reads hangs on a moving owner in a run with the spawner over a flat ground and is
// used for two seconds as the owners use them: torpedoes fired at a loud body and at nothing,
// buzzers ejected, the gun started, stopped and started again. Whatever the entry held, the
// steps end, the spawner's illegal types stop with its own texts, and every node, mesh, texture
// set and byte a run takes comes back. Render meshes load onto a small recording device.
#include <filesystem>
#include <string>

#include "app_register.h"
#include "brisel_cache.h"
#include "brisel_simulation.h"
#include "brisel_spawn.h"
#include "cos_collisionsystem.h"
#include "des_file.h"
#include "dev_device.h"
#include "dsp_display.h"
#include "fuzz_device.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_launcher.h"
#include "nod_message.h"
#include "nod_simulationworld.h"
#include "os_fatal.h"
#include "os_path.h"
#include "plt_system.h"
#include "sim_clock.h"
#include "snd_sounddevice.h"
#include "target_fixture.h"
#include "tools_spawner.h"

namespace
{
constexpr s32 STEPS = 40;

// The weapon of class T read from the entry "Child0" of the input's section "Owner"; null when
// there is none or its reader refused it.
template <class T>
T* ReadWeapon()
{
    T* weapon = new T;
    try {
        DES_File file;
        DES_Section root, owner, entry;
        file.Open(&root, "in.des");
        if (root.FindSection(&owner, "Owner") != 0 && owner.FindSectionIndexed(&entry, "Child", 0) != 0) {
            weapon->ParseIniFile_CtxDes(entry, entry);
            return weapon;
        }
    } catch (const OS_FatalError&) {
    }
    delete weapon;
    return nullptr;
}

MAT_Matrix34 Frame(f32 _x, f32 _y, f32 _z)
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = MAT_Vector3(_x, _y, _z);
    return frame;
}

void Enter(NOD_Node* _node)
{
    NOD_Node::GetRoot()->AddSon(_node);
    delete _node->ProcessMessage(NOD_Node_EnterSimulation::Create());
}

void Run(MRT_Terrain& _terrain)
{
    SIM_GetSimulationClock().Set(5.0f, SIM_STEP);
    Brisel_Simulation* simulation = new Brisel_Simulation();
    Brisel_TheSimulation = simulation;
    simulation->terrainCell->terrain = &_terrain;
    NOD_ConnectSimulation(simulation);
    NOD_Node* root = NOD_Node::CreateNode("NOD_Node", "root");
    NOD_Node::SetRoot(root);
    // Where bullets' trails wait for their samples to fade.
    root->AddSon(NOD_Node::CreateNode("NOD_Node", "garbage"));
    NOD_TorpedoLauncher* torpedoes = ReadWeapon<NOD_TorpedoLauncher>();
    NOD_BuzzerLauncher* buzzers = ReadWeapon<NOD_BuzzerLauncher>();
    NOD_NPC_Gun* gun = ReadWeapon<NOD_NPC_Gun>();
    try {
        TST_Target* target = new TST_Target(Frame(20.0f, 150.0f, 40.0f), MAT_Vector3());
        target->MakeParts("loud");
        Enter(target);
        TST_OwnerBody* owner = new TST_OwnerBody(Frame(0.0f, 0.0f, 40.0f), MAT_Vector3(0.0f, 5.0f, 0.0f));
        Enter(owner);
        // The owner holds the weapons from now on.
        NOD_TorpedoLauncher* launcher = torpedoes;
        NOD_BuzzerLauncher* ejector = buzzers;
        NOD_NPC_Gun* npc = gun;
        torpedoes = nullptr;
        buzzers = nullptr;
        gun = nullptr;
        if (launcher != nullptr) {
            launcher->SetOwner(owner);
            owner->Adopt(launcher);
        }
        if (ejector != nullptr) {
            ejector->SetOwner(owner);
            owner->Adopt(ejector);
        }
        if (npc != nullptr) {
            npc->SetShooter(owner);
            owner->Adopt(npc);
        }
        owner->onStep = [owner, target, launcher, ejector, npc](f32) {
            const s32 step = owner->steps;
            if (launcher != nullptr && (step == 1 || step == 2))
                launcher->Fire(step == 1 ? target : nullptr);
            if (ejector != nullptr && (step == 1 || step == 6))
                ejector->Launch();
            if (npc != nullptr && (step == 1 || step == 25))
                npc->StartFire();
            if (npc != nullptr && step == 20)
                npc->StopFire();
        };
        SIM_Clock& clock = SIM_GetSimulationClock();
        for (s32 step = 0; step < STEPS; ++step) {
            simulation->collisionSystem->Process(clock);
            root->HeartBeat();
            NOD_Node::GC_Collect();
            clock.SetTime(clock.time + clock.dt);
        }
    } catch (const OS_FatalError& error) {
        const std::string caption = error.Caption();
        Check(caption == "Brisel_Spawn::SpawnTorpedo()" || caption == "Brisel_Spawn::SpawnBullet()");
    }
    // Weapons not yet handed to the owner.
    delete gun;
    delete buzzers;
    delete torpedoes;
    NOD_ConnectSimulation(nullptr);
    Brisel_TheSimulation = nullptr;
    delete simulation;  // the tree with it
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x4000)
        return 0;
    static MRT_Terrain* terrain = nullptr;
    static Brisel_Cache* cache = nullptr;
    // Most inputs end in a fatal error, and each one logs a line.
    if (FUZZ_EnterWorkDirectory("launcher", FUZZ_LOG_SILENT)) {
        FUZZ_WriteFiles(TOOL_SpawnerFiles());
        const std::string hull = TST_TargetHullText();
        FUZZ_WriteFile("vfx/col/target.col", (const u8*)hull.data(), hull.size());
        Brisel_RegisterModules();
        FUZZ_OpenDisplay();
        // The bullets' impact samples are read through the sound output's files, with sound
        // switched off.
        std::filesystem::create_directories("ini");
        const std::string sound =
            "[Sound]\n{\n    SoundOn = 0\n    NumOfChannels = 2\n    Rate = 22050\n    Bits = 16\n}\n";
        FUZZ_WriteFile("ini/sound.des", (const u8*)sound.data(), sound.size());
        new SND_SoundDevice2D("ini\\sound.des");
        // The run's caches and spawner, and a flat ground at z = 0 over x, y in -320 .. 320,
        // kept for every input.
        cache = new Brisel_Cache();
        Brisel_TheCache = cache;
        Brisel_TheSpawn = new Brisel_Spawn();
        terrain = new MRT_Terrain();
        TST_BuildTerrain(*terrain, 2, 17, {-320.0f, -320.0f, 0.0f}, {20.0f, 20.0f, 1.0f},
                         [](s32, s32) { return (u16)0; });
    }
    FUZZ_WriteFile("in.des", _data, _size);

    const s32 meshes = cache->GetRenderMeshCache()->GetCount();
    const s32 sets = cache->GetTextureSetCache()->GetCount();
    // The first pass warms what the file, log and node layers keep; the second must give back
    // all it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Run(*terrain);
        Check(cache->GetRenderMeshCache()->GetCount() == meshes && cache->GetTextureSetCache()->GetCount() == sets);
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
