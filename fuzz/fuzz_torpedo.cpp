// Any bytes as the prototype description of a torpedo and of a buzzer decoy, read with the run's
// caches and simulation driver over a flat ground. Fatal refusals are expected. A prototype that
// reads must clone; the clone is launched as the spawner launches one (placed at rest, its
// launch values set, made the root's last son, entered) beside a loud body it may home on and
// that ejects the decoy, and the whole run is stepped through the collision system for a second
// and a half. Whatever the description held, the steps end and every mesh, collision tree and
// byte taken comes back. Render meshes load onto a small recording device that keeps buffers
// and textures in memory.
#include <filesystem>
#include <string>

#include "app_register.h"
#include "brisel_cache.h"
#include "brisel_simulation.h"
#include "cos_collisionsystem.h"
#include "dev_device.h"
#include "dsp_display.h"
#include "fuzz_device.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_buzzer.h"
#include "nod_message.h"
#include "nod_simulationworld.h"
#include "nod_torpedo.h"
#include "os_fatal.h"
#include "os_path.h"
#include "plt_system.h"
#include "sim_clock.h"
#include "target_fixture.h"
#include "tools_launch.h"

namespace
{
constexpr s32 STEPS = 30;

MAT_Matrix34 Frame(f32 _x, f32 _y, f32 _z)
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = MAT_Vector3(_x, _y, _z);
    return frame;
}

// The prototype of class T read from the input; null when the reader refused it.
template <class T>
T* ReadPrototype()
{
    T* prototype = new T;
    try {
        prototype->ParseIniFile_File("osd/weapon/in.osd");
    } catch (const OS_FatalError&) {
        delete prototype;
        return nullptr;
    }
    return prototype;
}

// A clone placed at _frame at rest, as the spawner places its clones.
template <class T>
T* Place(T* _prototype, const MAT_Matrix34& _frame)
{
    T* clone = static_cast<T*>(_prototype->Clone());
    Check(clone != nullptr && clone->GetMesh().GetHandle() == _prototype->GetMesh().GetHandle());
    clone->GetCS().GetTrack().SetTransform(SIM_GetSimulationClock().time, _frame, MAT_Vector3());
    clone->GetAttachedFrame()->SetMatrix(_frame);
    return clone;
}

void Enter(NOD_Node* _node)
{
    NOD_Node::GetRoot()->AddSon(_node);
    delete _node->ProcessMessage(NOD_Node_EnterSimulation::Create());
}

void Run(MRT_Terrain& _terrain)
{
    Brisel_Cache* cache = new Brisel_Cache();
    Brisel_TheCache = cache;
    SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
    Brisel_Simulation* simulation = new Brisel_Simulation();
    Brisel_TheSimulation = simulation;
    simulation->terrainCell->terrain = &_terrain;
    NOD_ConnectSimulation(simulation);
    NOD_Node* root = NOD_Node::CreateNode("NOD_Node", "root");
    NOD_Node::SetRoot(root);
    NOD_Torpedo* torpedoPrototype = ReadPrototype<NOD_Torpedo>();
    NOD_Buzzer* buzzerPrototype = ReadPrototype<NOD_Buzzer>();
    try {
        TST_Target* target = new TST_Target(Frame(20.0f, 150.0f, 40.0f), MAT_Vector3());
        target->MakeParts("loud");
        Enter(target);
        if (torpedoPrototype != nullptr) {
            NOD_Torpedo* torpedo = Place(torpedoPrototype, Frame(0.0f, 0.0f, 40.0f));
            torpedo->SetLaunch(0.0f, target, MAT_Vector3(0.0f, 1.0f, 0.0f), target, 1);
            target->GetTorpedoSlots()->Add(torpedo);
            Enter(torpedo);
        }
        if (buzzerPrototype != nullptr) {
            NOD_Buzzer* buzzer = Place(buzzerPrototype, Frame(20.0f, 150.0f, 40.0f));
            buzzer->Launch(target, Frame(20.0f, 150.0f, 40.0f), 3.0f, MAT_Vector3(1.0f, -2.0f, 0.5f));
            Enter(buzzer);
        }
        SIM_Clock& clock = SIM_GetSimulationClock();
        for (s32 step = 0; step < STEPS; ++step) {
            simulation->collisionSystem->Process(clock);
            root->HeartBeat();
            NOD_Node::GC_Collect();
            clock.SetTime(clock.time + clock.dt);
        }
    } catch (const OS_FatalError&) {
    }
    delete buzzerPrototype;
    delete torpedoPrototype;
    NOD_ConnectSimulation(nullptr);
    Brisel_TheSimulation = nullptr;
    delete simulation;  // the tree with it
    Check(cache->GetRenderMeshCache()->GetCount() == 0);
    Brisel_TheCache = nullptr;
    delete cache;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x8000)
        return 0;
    static MRT_Terrain* terrain = nullptr;
    // Most inputs end in a fatal error, and each one logs a line.
    if (FUZZ_EnterWorkDirectory("torpedo", FUZZ_LOG_SILENT)) {
        FUZZ_WriteFiles(TOOL_LaunchFiles());
        std::filesystem::create_directories("vfx/col");
        const std::string hull = TST_TargetHullText();
        FUZZ_WriteFile("vfx/col/target.col", (const u8*)hull.data(), hull.size());
        Brisel_RegisterModules();
        FUZZ_OpenDisplay();
        // Flat ground at z = 0 over x, y in -320 .. 320, kept for every input.
        terrain = new MRT_Terrain();
        TST_BuildTerrain(*terrain, 2, 17, {-320.0f, -320.0f, 0.0f}, {20.0f, 20.0f, 1.0f},
                         [](s32, s32) { return (u16)0; });
    }
    FUZZ_WriteFile("vfx/osd/weapon/in.osd", _data, _size);

    const size_t buffers = BufferCount();
    // The first pass warms what the file and log layers keep; the second must give back all
    // it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Run(*terrain);
        Check(BufferCount() == buffers);
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
