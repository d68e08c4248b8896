// A scripted scene as the run draws it, for tests that build one on the recording display: the
// script glue beside the test's data (unless the data brings it), the sound output (the scene's
// sample descriptions read their files through it, so its settings file must be in the data),
// the resource cache and the renderer, and the scene itself (TST_SimScene). Derive, open the
// display in SetUp and call CreateWorld; TearDown takes everything down in reverse.
#pragma once

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "display_fixture.h"
#include "nod_node.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "sim_scene_fixture.h"
#include "snd_sounddevice.h"
#include "test_dir.h"

class TST_SceneRenderTest : public DisplayTest
{
protected:
    // The glue from the source tree (none: the data holds it already), the sound output, the
    // renderer globals, a 640x480 display, the cache and the renderer with its display set up.
    void CreateWorld(const char* _glueSourceDir = nullptr)
    {
        if (_glueSourceDir != nullptr) {
            std::ifstream in(std::string(_glueSourceDir) + "/dat/script/lib/glue.sco", std::ios::binary);
            std::stringstream glue;
            glue << in.rdbuf();
            m_dir.Write("dat/script/lib/glue.sco", glue.str());
        }
        m_sound.reset(new SND_SoundDevice2D("ini\\sound.des"));
        TST_ResetRendererGlobals();
        SITO_DISPLAY = Open();
        m_cache = new Brisel_Cache();
        Brisel_TheCache = m_cache;
        m_renderer = new Brisel_Renderer();
        m_renderer->CreateDisplay();
    }
    void TearDown() override
    {
        m_scene.reset();
        delete m_renderer;
        m_renderer = nullptr;
        Brisel_TheCache = nullptr;
        delete m_cache;
        m_cache = nullptr;
        SIM_GetSimulationClock().Reset();
        SITO_DISPLAY = nullptr;
        m_sound.reset();
        DisplayTest::TearDown();
    }

    // Builds the scene of the scenario script _script (a data name without extension).
    void BuildScene(const char* _script)
    {
        m_scene.reset(new TST_SimScene());
        m_scene->Build(_script);
    }
    NOD_Node* Find(const char* _path) const { return NOD_Node::GetRoot()->Find(SIM_Path(_path)); }

    TST_TempDir m_dir;
    std::unique_ptr<SND_SoundDevice2D> m_sound;
    Brisel_Cache* m_cache = nullptr;
    Brisel_Renderer* m_renderer = nullptr;
    std::unique_ptr<TST_SimScene> m_scene;
};
