// What the menu-state tests share: SDL headless with the keyboard, the recording display, a
// clock the test sets, no sound device, and the files the menu reads (fonts, pictures, meshes,
// textures) written small with the tools writers.
#pragma once

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "app.h"
#include "brisel_programdata.h"
#include "brisel_state_menu.h"
#include "clock_fixture.h"
#include "crt_rand.h"
#include "dev_fake.h"
#include "dsp_display.h"
#include "inp_fixture.h"
#include "inp_keyboard.h"
#include "tools_font.h"
#include "tools_mesh.h"
#include "tools_tga.h"
#include "utl_quickintegrator.h"

// A font sheet of the 96 characters from ' ', each a solid cell of 6 x _lineHeight pixels.
inline std::string TST_MenuFontBytes(s32 _lineHeight)
{
    TOOL_FontSheet sheet;
    sheet.depth = 32;
    sheet.keyColor = 0x00000000;
    sheet.backgroundColor = 0x00000000;
    for (s32 glyph = 0; glyph < 96; ++glyph) {
        TOOL_FontGlyph cell;
        cell.width = 6;
        cell.height = _lineHeight;
        cell.pixels.assign((size_t)(cell.width * cell.height), glyph == 0 ? 0x00000000u : 0xFFFFFFFFu);
        sheet.glyphs.push_back(cell);
    }
    return TOOL_TGABytes(TOOL_FontSheetPicture(sheet, nullptr));
}

// A unit quad mesh in the x-z plane with one material showing texture _texture.
inline std::string TST_MenuQuadText(const std::string& _texture)
{
    TOOL_Mesh mesh;
    mesh.vertices = {{0.5f, 0.0f, -0.5f}, {-0.5f, 0.0f, -0.5f}, {-0.5f, 0.0f, 0.5f}, {0.5f, 0.0f, 0.5f}};
    for (const std::array<s32, 3>& corners : {std::array<s32, 3>{0, 1, 2}, std::array<s32, 3>{0, 2, 3}}) {
        TOOL_MeshTriangle triangle;
        triangle.vertex = corners;
        mesh.triangles.push_back(triangle);
    }
    TOOL_MeshMaterial material;
    material.depthBuffered = 0;
    material.diffuseBitmap = _texture;
    mesh.materials.push_back(material);
    return TOOL_MeshText(mesh);
}

// Writes every file the menu state reads into _dir. Font 1 (the results page) has line height
// _font1Height: 14 gives rows of 16 pixels, 32 characters on a 512-pixel page.
inline void TST_WriteMenuFiles(const TST_TempDir& _dir, s32 _font1Height = 14, s32 _font2Height = 16)
{
    _dir.Write("gfx/font/font1.tga", TST_MenuFontBytes(_font1Height));
    _dir.Write("gfx/font/font2.tga", TST_MenuFontBytes(_font2Height));
    const char* pictures[] = {"intro/intro_01", "intro/intro_02", "intro/intro_03",
                              "mockup/mock01",  "mockup/mock02",  "mockup/mock03"};
    for (const char* picture : pictures)
        _dir.Write(std::string("gfx/picture/") + picture + ".tga",
                   TOOL_TGABytes(TOOL_MakeTGA(64, 48, 24, 0xFF406080u)));
    _dir.Write("vfx/msh/menu/menu_background.msh", TST_MenuQuadText("menu_background"));
    _dir.Write("vfx/msh/menu/menu_title.msh", TST_MenuQuadText("menu_title"));
    for (const char* texture : {"menu_background", "menu_title", "plank01"})
        for (s32 level = 0; level <= 3; ++level)
            _dir.Write(std::string("vfx/tex/menu/") + texture + "_l" + std::to_string(level) + ".tga",
                       TOOL_TGABytes(TOOL_MakeTGA(1 << level, 1 << level, 32, 0xFF808080u)));
}

class TST_MenuTest : public INP_TestBase
{
protected:
    void SetUp() override
    {
        INP_TestBase::SetUp();
        TST_WriteMenuFiles(m_dir);
        Brisel_ResetProgramData();
        Brisel_SoundDevice = nullptr;
        Brisel_EmergencyCleanupDone = 0;
        Brisel_State_Menu::s_isFullscreen = Windowed;
        CRT_SRand(1);
        // 640x480 and 800x600 at 16 bits, 640x480 and 1024x768 at 32.
        m_fake.modes = {Mode(640, 480, DEV_FMT_R5G6B5), Mode(800, 600, DEV_FMT_R5G6B5),
                        Mode(640, 480, DEV_FMT_X8R8G8B8), Mode(1024, 768, DEV_FMT_X8R8G8B8)};
        SetClock(100.0);
    }

    void TearDown() override
    {
        if (m_menu != nullptr) {
            m_menu->Leave();
            delete m_menu;
            m_menu = nullptr;
        }
        Brisel_EmergencyCleanupDone = 0;
        Brisel_State_Menu::s_isFullscreen = Windowed;
        UTL_QuickIntegrator::DestroyAll();
        if (m_ownDisplay) {
            delete SITO_DISPLAY;
            SITO_DISPLAY = nullptr;
            m_ownDisplay = false;
        }
        Brisel_ResetProgramData();
        INP_TestBase::TearDown();
    }

    static DEV_DisplayMode Mode(u32 _width, u32 _height, u32 _format)
    {
        DEV_DisplayMode mode;
        mode.width = _width;
        mode.height = _height;
        mode.refreshRate = 60;
        mode.format = _format;
        return mode;
    }

    static u32 Windowed() { return 0; }
    static u32 Fullscreen() { return 1; }

    // The devices as start-up makes them: a window (or full screen) at 1024x768x32 and the keyboard.
    void StartDevices(bool _fullscreen = false)
    {
        if (_fullscreen) {
            u32 ok = 0;
            SITO_DISPLAY = new DSP_Display(&ok, nullptr, nullptr, 1);
            m_ownDisplay = true;
            ASSERT_EQ(1u, ok);
            DSP_BoardInfo board;
            SITO_DISPLAY->OpenBoard(&board);
            ASSERT_EQ(0, SITO_DISPLAY->OpenResolution(1024, 768, 32, 0));
            Brisel_State_Menu::s_isFullscreen = Fullscreen;
        } else {
            UTL_QuickIntegrator::CreateDisplay(1024, 768, 32);
        }
        UTL_QuickIntegrator::CreateKeyboardInput();
    }

    void SetClock(f64 _seconds) { m_clock.Set(_seconds); }

    // A menu entered as after a run (no intro): the display settings of the last run are
    // 640x480x16 without FSAA, so the entry keeps the display as it is.
    void EnterLater()
    {
        Brisel_ProgramData& data = Brisel_GetProgramData();
        data.enterCount = 1;
        data.display.width = 640;
        data.display.height = 480;
        data.display.depth = 16;
        data.display.fsaaSamples = 1;
        m_menu = new Brisel_State_Menu();
        m_menu->Enter();
    }

    // One turn with _scancode going down; on the pages, one more with it going up.
    Brisel_State* Press(SDL_Scancode _scancode)
    {
        PushKey(_scancode, true);
        Pump();
        Brisel_State* next = m_menu->HeartBeat();
        const s32 subState = m_menu->GetSubState();
        if (next == m_menu &&
            (subState == Brisel_State_Menu::STATE_RESULTS || subState == Brisel_State_Menu::STATE_PAGES)) {
            PushKey(_scancode, false);
            Pump();
            next = m_menu->HeartBeat();
        }
        return next;
    }

    TST_ManualClock m_clock;  // before m_fake, which replaces the platform system after it
    TST_FakeGraphics m_fake;
    Brisel_State_Menu* m_menu = nullptr;
    bool m_ownDisplay = false;
};
