// The projectile spawner as a run has it, for the tests and benches of weapons and of whatever
// fires them: every file the spawner reads, the spawner made after the resource cache and
// before the simulation driver (TST_RunSpawner), and a small run around it without a scenario
// script (TST_SpawnWorld), stepped and drawn as the run does. Free of the test framework's
// assertions (the benches use it too). The working directory must hold the spawner's files
// before a spawner is made.
#pragma once

#include <string>

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "brisel_soundsystem.h"
#include "brisel_spawn.h"
#include "dev_fake.h"
#include "dsp_display.h"
#include "nod_camera.h"
#include "nod_message.h"
#include "nod_node.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "sim_scene_fixture.h"
#include "snd_sounddevice.h"
#include "test_dir.h"
#include "tools_spawner.h"

// Every file the spawner reads (descriptions, meshes, textures, sounds), into _dir.
inline void TST_WriteSpawnerFiles(const TST_TempDir& _dir)
{
    for (const auto& file : TOOL_SpawnerFiles())
        _dir.Write(file.first, file.second);
}

// The run's spawner (Brisel_TheSpawn) while it lives; the resource cache must exist and outlive
// it, and the driver comes after it, as in the run.
class TST_RunSpawner
{
public:
    TST_RunSpawner()
    {
        spawn = new Brisel_Spawn();
        Brisel_TheSpawn = spawn;
    }
    ~TST_RunSpawner()
    {
        Brisel_TheSpawn = nullptr;
        delete spawn;
    }
    TST_RunSpawner(const TST_RunSpawner&) = delete;
    TST_RunSpawner& operator=(const TST_RunSpawner&) = delete;

    Brisel_Spawn* spawn = nullptr;
};

// The objects of a run as the benchmark makes them, on the recording display and without a
// scenario script: the sound output, the resource cache, the sound manager, the renderer, the
// spawner, the driver, and a tree of "root" (a plain node) with the sons "camera" (a still
// camera in the simulation at the origin looking along +y) and "garbage". The renderer's own
// files, the sound settings and (unless told not to, for a test that writes its own) the
// spawner's files are written into _dir first. The simulation clock starts at 0 with the run's
// step.
class TST_SpawnWorld
{
public:
    explicit TST_SpawnWorld(const TST_TempDir& _dir, bool _writeSpawnerFiles = true)
    {
        TST_WriteRendererData(_dir);
        _dir.Write("ini/sound.des", "[Sound]\n{\n    SoundOn = 1\n    NumOfChannels = 2\n    Rate = 22050\n"
                                    "    Bits = 16\n}\n");
        if (_writeSpawnerFiles)
            TST_WriteSpawnerFiles(_dir);
        TST_ResetRendererGlobals();
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        u32 ok = 0;
        display = new DSP_Display(&ok, nullptr, nullptr, 1);
        DSP_BoardInfo board;
        display->OpenBoard(&board);
        display->OpenResolution(640, 480, 32, 0);
        SITO_DISPLAY = display;
        // Sample descriptions read their files through the sound output.
        sound = new SND_SoundDevice2D("ini\\sound.des");
        cache = new Brisel_Cache();
        Brisel_TheCache = cache;
        Brisel_TheSoundSystem = new Brisel_SoundSystem(sound);
        renderer = new Brisel_Renderer();
        renderer->CreateDisplay();
        // A spawner that stops the run leaves what was made so far to the destructor.
        try {
            spawner = new TST_RunSpawner();
        } catch (const OS_FatalError&) {
            TearDown();
            throw;
        }
        scene = new TST_SimScene();
        root = NOD_Node::CreateNode("NOD_Node", "root");
        NOD_Node::SetRoot(root);
        camera = NOD_Camera::DynamicCast(root->AddSon(NOD_Node::CreateNode("NOD_Camera", "camera")));
        garbage = root->AddSon(NOD_Node::CreateNode("NOD_Node", "garbage"));
        delete camera->ProcessMessage(NOD_Node_EnterSimulation::Create());
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
    }
    ~TST_SpawnWorld() { TearDown(); }
    TST_SpawnWorld(const TST_SpawnWorld&) = delete;
    TST_SpawnWorld& operator=(const TST_SpawnWorld&) = delete;

    // One step as the run takes it (collision pass, heartbeats, effects, deletion pass, clock).
    void Step() { scene->Step(); }
    void Steps(s32 _count)
    {
        for (s32 i = 0; i < _count; ++i)
            Step();
    }
    // One frame drawn at the simulation time.
    void Render()
    {
        TST_SimScene::SetFrameTime(SIM_GetSimulationClock().time);
        renderer->Render();
    }
    f32 Now() const { return SIM_GetSimulationClock().time; }
    NOD_Node* Find(const char* _path) const { return root->Find(SIM_Path(_path)); }
    Brisel_Spawn* Spawn() const { return spawner->spawn; }

    TST_FakeGraphics fake;
    DSP_Display* display = nullptr;
    SND_SoundDevice2D* sound = nullptr;
    Brisel_Cache* cache = nullptr;
    Brisel_Renderer* renderer = nullptr;
    TST_RunSpawner* spawner = nullptr;
    TST_SimScene* scene = nullptr;
    NOD_Node* root = nullptr;
    NOD_Camera* camera = nullptr;
    NOD_Node* garbage = nullptr;

private:
    // In the run's order: the driver (the tree with it), the spawner, the renderer, the sound
    // manager, the cache, the sound output, the display.
    void TearDown()
    {
        delete scene;
        scene = nullptr;
        delete spawner;
        spawner = nullptr;
        delete renderer;
        renderer = nullptr;
        delete Brisel_TheSoundSystem;
        Brisel_TheSoundSystem = nullptr;
        Brisel_TheCache = nullptr;
        delete cache;
        cache = nullptr;
        delete sound;
        sound = nullptr;
        SITO_DISPLAY = nullptr;
        delete display;
        display = nullptr;
        SIM_GetSimulationClock().Reset();
        SIM_GetFrameClock().Set(0.0f, 0.0f);
    }
};
