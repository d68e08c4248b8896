// The objects of a run as the benchmark makes them, on the recording display and without a
// scenario script, for the tests and benches of scene nodes: the sound output, the resource
// cache, the sound manager, the renderer, then (StartDriver) the driver and a tree of "root"
// (a plain node) with the sons "camera" (a still camera in the simulation at the origin looking
// along +y) and "garbage". The renderer's own files and the sound settings are written into
// _dir first. The simulation clock starts at 0 with the run's step. A derived world makes what
// belongs between the renderer and the driver before it calls StartDriver, and takes it down
// after StopDriver. Free of the test framework's assertions (the benches use it too).
#pragma once

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "brisel_soundsystem.h"
#include "dev_fake.h"
#include "dsp_display.h"
#include "nod_camera.h"
#include "nod_message.h"
#include "nod_node.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "sim_scene_fixture.h"
#include "snd_sounddevice.h"

class TST_RunWorld
{
public:
    // Everything up to the renderer; with _start the driver and the tree too. _dir is any
    // directory with Write(name, bytes): the tests' or the benches'.
    template <class Dir>
    explicit TST_RunWorld(const Dir& _dir, bool _start = true)
    {
        TST_WriteRendererData(_dir);
        _dir.Write("ini/sound.des", "[Sound]\n{\n    SoundOn = 1\n    NumOfChannels = 2\n    Rate = 22050\n"
                                    "    Bits = 16\n}\n");
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
        if (_start)
            StartDriver();
    }
    virtual ~TST_RunWorld() { TearDown(); }
    TST_RunWorld(const TST_RunWorld&) = delete;
    TST_RunWorld& operator=(const TST_RunWorld&) = delete;

    // The driver and the tree around the still camera.
    void StartDriver()
    {
        scene = new TST_SimScene();
        root = NOD_Node::CreateNode("NOD_Node", "root");
        NOD_Node::SetRoot(root);
        camera = NOD_Camera::DynamicCast(root->AddSon(NOD_Node::CreateNode("NOD_Camera", "camera")));
        garbage = root->AddSon(NOD_Node::CreateNode("NOD_Node", "garbage"));
        delete camera->ProcessMessage(NOD_Node_EnterSimulation::Create());
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
    }
    // The driver, and the tree with it.
    void StopDriver()
    {
        delete scene;
        scene = nullptr;
        root = nullptr;
        camera = nullptr;
        garbage = nullptr;
    }

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

    TST_FakeGraphics fake;
    DSP_Display* display = nullptr;
    SND_SoundDevice2D* sound = nullptr;
    Brisel_Cache* cache = nullptr;
    Brisel_Renderer* renderer = nullptr;
    TST_SimScene* scene = nullptr;
    NOD_Node* root = nullptr;
    NOD_Camera* camera = nullptr;
    NOD_Node* garbage = nullptr;

private:
    // In the run's order: the driver (the tree with it), the renderer, the sound manager, the
    // cache, the sound output, the display.
    void TearDown()
    {
        StopDriver();
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
