// A frame renderer over the recording display, with the data files it reads and fakes of the
// scene it draws, shared by the renderer's tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "brisel_renderer.h"
#include "brisel_scene_fake.h"
#include "display_fixture.h"
#include "os_clock.h"
#include "os_commandline.h"
#include "sim_clock.h"
#include "tools_font.h"
#include "tools_mesh.h"
#include "tools_tga.h"
#include "tools_tse.h"

struct TST_RendererData
{
    s32 renderPlankton = 5;
    s32 renderPlants = 1;
    s32 causticFrames = 4;
};

inline std::string TST_DisplayDes(const TST_RendererData& _data)
{
    return "[Display]\n{\n    Width = 800\n    Height = 600\n    Depth = 16\n    Texturecachesize = 8192\n"
           "    UseMipMap = 1\n    UseCompressedTextures = 0\n    RenderRays = 1\n    RenderPlankton = " +
           std::to_string(_data.renderPlankton) + "\n    RenderPlants = " + std::to_string(_data.renderPlants) +
           "\n}\n";
}

// Everything the renderer opens by itself: configuration, fonts, sky mesh, caustic set.
inline void TST_WriteRendererData(const TST_TempDir& _dir, const TST_RendererData& _data = TST_RendererData())
{
    _dir.Write("ini/display.des", TST_DisplayDes(_data));
    TOOL_FontSheet sheet;
    for (s32 i = 0; i < 3; ++i) {
        TOOL_FontGlyph glyph;
        glyph.width = 3;
        glyph.height = 5;
        sheet.glyphs.push_back(glyph);
    }
    const std::string font = TOOL_TGABytes(TOOL_FontSheetPicture(sheet, nullptr));
    _dir.Write("gfx/font/font1.tga", font);
    _dir.Write("gfx/font/font2.tga", font);
    TOOL_Mesh sky = TOOL_MeshGrid(2, 2, 1);
    sky.materials[0].diffuseBitmap = "sky";
    _dir.Write("vfx/msh/sky03.msh", TOOL_MeshText(sky));
    _dir.Write("vfx/tex/caustic/caustic.tse", TOOL_TextureSetText("caustic\\caustic", _data.causticFrames));
}

class RendererTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        TST_WriteRendererData(m_dir, m_data);
        OS_SetCommandLine(m_commandLine.c_str());
        SIM_GetFrameClock().Set(0.0f, 0.0f);
        SIM_GetFrameClock().fraction = 0.0f;
        Brisel_Renderer::GetDisplaySetup() = Brisel_DisplaySetup();
        Brisel_Renderer::SetPlanktonSwitch(1);
        SITO_DISPLAY = Open();
        m_resources.reset(new TST_FakeResources());
        m_scene.reset(new TST_FakeScene());
        m_renderer = new Brisel_Renderer();
        m_renderer->CreateDisplay();
        m_fake.Forget();
    }

    void TearDown() override
    {
        delete m_renderer;
        m_renderer = nullptr;
        m_scene.reset();
        m_resources.reset();
        SITO_DISPLAY = nullptr;
        OS_SetCommandLine("");
        DisplayTest::TearDown();
    }

    // One frame at _time.
    void Frame(f32 _time = 0.0f)
    {
        SIM_GetFrameClock().SetTime(_time);
        m_renderer->Render();
    }

    // A body filed by the camera (owned by the fixture).
    TST_FakeBody* Body(s16 _bucket, const MAT_Vector3& _position, bool _visible = true)
    {
        m_bodies.emplace_back(new TST_FakeBody(&m_drawn, _bucket, _position));
        if (_visible)
            m_scene->camera->visible.push_back(m_bodies.back().get());
        return m_bodies.back().get();
    }

    size_t Draws() const { return m_fake.Count("DrawIndexedPrimitive"); }

    TST_TempDir m_dir;
    TST_RendererData m_data;
    std::string m_commandLine;
    std::unique_ptr<TST_FakeResources> m_resources;
    std::unique_ptr<TST_FakeScene> m_scene;
    Brisel_Renderer* m_renderer = nullptr;
    std::vector<std::unique_ptr<TST_FakeBody>> m_bodies;
    std::vector<const TST_FakeBody*> m_drawn;
};
