// The run around the projectile spawner for the fuzz targets of projectile and effect
// descriptions: made once per process (registrations, the recording display of fuzz_device.h,
// sound files readable with sound off, the resource cache, the spawner over every file it
// reads), and per input a fresh simulation driver with a tree of "root", a still camera
// "camera" and "garbage" over a flat ground 10 units high (0..1024 in x and y), stepped as the
// run steps. Per input the driver goes again before the input's own prototypes are deleted, so
// no particle outlives the description it was made by. One input at a time, one thread.
#pragma once

#include <filesystem>
#include <string>

#include "app_register.h"
#include "brisel_cache.h"
#include "brisel_simulation.h"
#include "brisel_soundsystem.h"
#include "brisel_spawn.h"
#include "dev_device.h"
#include "dsp_display.h"
#include "fuzz_device.h"
#include "fuzz_workdir.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_simulationworld.h"
#include "os_fatal.h"
#include "os_path.h"
#include "plt_system.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "snd_sounddevice.h"
#include "tools_spawner.h"

namespace
{

void FUZZ_WriteText(const std::string& _name, const std::string& _bytes)
{
    const std::filesystem::path path(_name);
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    FUZZ_WriteFile(_name.c_str(), (const unsigned char*)_bytes.data(), _bytes.size());
}

class FUZZ_SpawnWorld
{
public:
    // The process-wide part, made at the first input (which enters the work directory _tag).
    static void Enter(const char* _tag)
    {
        if (!FUZZ_EnterWorkDirectory(_tag, FUZZ_LOG_SILENT))
            return;
        for (const auto& file : TOOL_SpawnerFiles())
            FUZZ_WriteText(file.first, file.second);
        FUZZ_WriteText("ini/sound.des", "[Sound]\n{\n    SoundOn = 0\n    NumOfChannels = 2\n    Rate = 22050\n"
                                        "    Bits = 16\n}\n");
        Brisel_RegisterModules();
        FUZZ_OpenDisplay();
        s_sound = new SND_SoundDevice2D("ini\\sound.des");
        Brisel_TheCache = new Brisel_Cache();
        Brisel_TheSoundSystem = new Brisel_SoundSystem(nullptr);
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        Brisel_TheSpawn = new Brisel_Spawn();
        s_ground = new MRT_Terrain();
        TST_BuildTerrain(*s_ground, 4, 17, {0.0f, 0.0f, 0.0f}, {16.0f, 16.0f, 1.0f}, [](s32, s32) { return (u16)10; });
    }

    // One input of the target working in _tag: the bytes as "vfx\in.osd" (larger ones are
    // passed over), then _run. Afterwards no node is left, queued or named root, and the caches
    // hold what they held before: whatever the description took has come back.
    template <class Run>
    static int TakeInput(const char* _tag, const u8* _data, size_t _size, Run _run)
    {
        if (_size > 0x4000)
            return 0;
        Enter(_tag);
        FUZZ_WriteFile("vfx/in.osd", _data, _size);
        OS_ResetPathCache();
        const s32 meshes = Brisel_TheCache->GetRenderMeshCache()->GetCount();
        const s32 samples = Brisel_TheCache->GetSampleCache()->GetCount();
        const s32 sets = Brisel_TheCache->GetTextureSetCache()->GetCount();
        _run();
        Check(NOD_Node::GetRoot() == nullptr && NOD_Node::GC_GetCount() == 0);
        Check(Brisel_TheCache->GetRenderMeshCache()->GetCount() == meshes);
        Check(Brisel_TheCache->GetSampleCache()->GetCount() == samples);
        Check(Brisel_TheCache->GetTextureSetCache()->GetCount() == sets);
        return 0;
    }

    // A fresh driver and tree at time 0.
    FUZZ_SpawnWorld()
    {
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        simulation = new Brisel_Simulation();
        Brisel_TheSimulation = simulation;
        NOD_ConnectSimulation(simulation);
        simulation->terrainCell->terrain = s_ground;
        root = NOD_Node::CreateNode("NOD_Node", "root");
        NOD_Node::SetRoot(root);
        NOD_Node* camera = root->AddSon(NOD_Node::CreateNode("NOD_Camera", "camera"));
        garbage = root->AddSon(NOD_Node::CreateNode("NOD_Node", "garbage"));
        delete camera->ProcessMessage(NOD_Node_EnterSimulation::Create());
    }
    // The tree with the driver, then whatever the deletion queue still names.
    ~FUZZ_SpawnWorld()
    {
        simulation->terrainCell->terrain = nullptr;
        NOD_ConnectSimulation(nullptr);
        Brisel_TheSimulation = nullptr;
        delete simulation;
        NOD_Node::GC_Collect();
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
    }
    FUZZ_SpawnWorld(const FUZZ_SpawnWorld&) = delete;
    FUZZ_SpawnWorld& operator=(const FUZZ_SpawnWorld&) = delete;

    // _count steps as the run takes them.
    void Steps(s32 _count)
    {
        for (s32 i = 0; i < _count; ++i) {
            simulation->HandleSimulation();
            NOD_Node::GC_Collect();
            SIM_Clock& clock = SIM_GetSimulationClock();
            clock.SetTime(clock.time + clock.dt);
            ++simulation->stepCounter;
        }
    }

    // A node of class _class named _name read from "vfx\in.osd", or null when the reader
    // refused the description.
    static NOD_Node* Parsed(const char* _class, const char* _name)
    {
        NOD_Node* node = NOD_Node::CreateNode(_class, _name);
        try {
            node->ParseIniFile_File("in.osd");
        } catch (const OS_FatalError&) {
            delete node;
            return nullptr;
        }
        return node;
    }

    // _node as the last son of _father, entered into the simulation.
    static void Enter(NOD_Node* _father, NOD_Node* _node)
    {
        _father->AddSon(_node);
        delete _node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    }

    Brisel_Simulation* simulation = nullptr;
    NOD_Node* root = nullptr;
    NOD_Node* garbage = nullptr;

private:
    static inline SND_SoundDevice2D* s_sound = nullptr;
    static inline MRT_Terrain* s_ground = nullptr;  // kept for the process, as the display is
};

}  // namespace
