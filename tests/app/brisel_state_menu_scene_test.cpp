// The menu's scene: building and releasing it (twice), the camera drift, the sounds with and
// without a device on the recording display, and screenshots on the GL display of the main
// page and of full-screen pictures (upright, and refused when larger than the texture).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app.h"
#include "brisel_programdata.h"
#include "brisel_state_menu.h"
#include "crt_rand.h"
#include "dev_fake.h"
#include "dsp_display.h"
#include "gfx_font.h"
#include "gl_fixture.h"
#include "gui_textmenu.h"
#include "inp_keyboard.h"
#include "os_fatal.h"
#include "reb_mesh.h"
#include "sdl_fixture.h"
#include "snd_sample.h"
#include "snd_sounddevice.h"
#include "test_dir.h"
#include "tools_font.h"
#include "tools_mesh.h"
#include "tools_tga.h"
#include "tools_wav.h"

namespace
{

// ---- the menu's files ----

constexpr u32 BACKDROP_COLOR = 0xFF0000C0u;  // blue
constexpr u32 TITLE_COLOR = 0xFF00C000u;     // green

// A unit quad in the overlay's x/z plane (v = 0 at its top edge) textured with _bitmap.
TOOL_Mesh OverlayQuad(const std::string& _bitmap)
{
    TOOL_Mesh mesh;
    mesh.vertices = {{-0.5f, 0.0f, -0.5f}, {0.5f, 0.0f, -0.5f}, {0.5f, 0.0f, 0.5f}, {-0.5f, 0.0f, 0.5f}};
    TOOL_MeshTriangle first;
    first.vertex = {0, 1, 2};
    first.hasUV = true;
    first.uv = {0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f};
    TOOL_MeshTriangle second;
    second.vertex = {0, 2, 3};
    second.hasUV = true;
    second.uv = {0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    mesh.triangles = {first, second};
    TOOL_MeshMaterial material;
    material.diffuseBitmap = _bitmap;
    material.depthBuffered = 0;
    material.oneSided = 0;
    mesh.materials = {material};
    return mesh;
}

// Everything BuildMenuScene opens: both meshes and their textures, the plankton texture (black,
// so that its additive layers leave the picture as it is), and two fonts of solid 6 x 12 glyphs
// for every character from ' ' to 'z' (the space blank).
void WriteMenuSceneData(const TST_TempDir& _dir)
{
    _dir.Write("vfx/msh/menu/menu_background.msh", TOOL_MeshText(OverlayQuad("menu_back.tga")));
    _dir.Write("vfx/msh/menu/menu_title.msh", TOOL_MeshText(OverlayQuad("menu_title.tga")));
    _dir.Write("vfx/tex/menu/menu_back_l2.tga", TOOL_TGABytes(TOOL_MakeTGA(4, 4, 32, BACKDROP_COLOR)));
    _dir.Write("vfx/tex/menu/menu_title_l2.tga", TOOL_TGABytes(TOOL_MakeTGA(4, 4, 32, TITLE_COLOR)));
    _dir.Write("vfx/tex/menu/plank01_l2.tga", TOOL_TGABytes(TOOL_MakeTGA(4, 4, 32, 0xFF000000u)));

    TOOL_FontSheet sheet;
    for (char c = ' '; c <= 'z'; ++c) {
        TOOL_FontGlyph glyph;
        glyph.width = 6;
        glyph.height = 12;
        if (c == ' ')
            glyph.pixels.assign(6 * 12, sheet.backgroundColor);
        sheet.glyphs.push_back(glyph);
    }
    const std::string font = TOOL_TGABytes(TOOL_FontSheetPicture(sheet, nullptr));
    _dir.Write("gfx/font/font1.tga", font);
    _dir.Write("gfx/font/font2.tga", font);
}

// The lines of log.txt in _dir that contain _text.
std::vector<std::string> LogLinesWith(const TST_TempDir& _dir, const std::string& _text)
{
    std::vector<std::string> found;
    if (!_dir.Exists("log.txt"))
        return found;
    const std::string log = _dir.Read("log.txt");
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        const std::string line = log.substr(start, end - start);
        if (line.find(_text) != std::string::npos)
            found.push_back(line);
        start = end + 1;
    }
    return found;
}

// ---- a sound device that records what the menu asks of it ----

class RecordingSoundDevice : public SND_SoundDevice2D
{
public:
    // Sound switched off in the settings: no output is opened.
    RecordingSoundDevice() : SND_SoundDevice2D("ini\\sound.des") {}

    s32 Play(const SND_PlayParams& _params) override
    {
        plays.push_back(_params);
        return 0;
    }
    void Stop(s32 _voice) override { calls.push_back("Stop " + std::to_string(_voice)); }
    void SetVolume(s32 _voice, s32 _volume) override
    {
        calls.push_back("SetVolume " + std::to_string(_voice) + " " + std::to_string(_volume));
    }
    s32 GetNumChannels() override { return 3; }

    std::vector<SND_PlayParams> plays;
    std::vector<std::string> calls;
};

// ---- the recording display ----

// SDL up (for the keyboard), the menu's files in a fresh directory, a menu state on a display
// over the recording device, the program-wide data at its start values and no sound device.
class MenuSceneTest : public TST_SdlTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(TST_SdlTest::SetUp());
        WriteMenuSceneData(m_dir);
        m_graphics.reset(new TST_FakeGraphics());
        u32 ok = 0;
        m_display = new DSP_Display(&ok, nullptr, nullptr, 1);
        ASSERT_EQ(1u, ok);
        DSP_BoardInfo board;
        m_display->OpenBoard(&board);
        ASSERT_EQ(0, m_display->OpenResolution(640, 480, 32, 0));
        SITO_DISPLAY = m_display;
        m_keyboard.reset(new INP_Keyboard());
        SITO_KEYBOARD = m_keyboard.get();
        Brisel_ResetProgramData();
        Brisel_SoundDevice = nullptr;
        m_menu.reset(new Brisel_State_Menu());
    }

    void TearDown() override
    {
        if (m_menu) {
            m_menu->ReleaseMenuScene();
            m_menu->FreeSounds();
        }
        m_menu.reset();
        Brisel_SoundDevice = nullptr;
        SITO_KEYBOARD = nullptr;
        m_keyboard.reset();
        SITO_DISPLAY = nullptr;
        delete m_display;
        m_display = nullptr;
        m_graphics.reset();
        Brisel_ResetProgramData();
        TST_SdlTest::TearDown();
    }

    static void ExpectVector(const f32* _actual, f32 _x, f32 _y, f32 _z, f32 _tolerance = 1e-5f)
    {
        EXPECT_NEAR(_x, _actual[0], _tolerance);
        EXPECT_NEAR(_y, _actual[1], _tolerance);
        EXPECT_NEAR(_z, _actual[2], _tolerance);
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_FakeGraphics> m_graphics;
    DSP_Display* m_display = nullptr;
    std::unique_ptr<INP_Keyboard> m_keyboard;
    std::unique_ptr<Brisel_State_Menu> m_menu;
};

TEST_F(MenuSceneTest, BuildMakesEverythingAndASecondReleaseFindsNothingLeft)
{
    m_menu->BuildMenuScene();
    for (s32 k = 0; k < 4; ++k)
        ASSERT_NE(nullptr, m_menu->GetPlanktonMesh(k)) << k;
    ASSERT_NE(nullptr, m_menu->GetBackdropMesh());
    ASSERT_NE(nullptr, m_menu->GetTitleMesh());
    EXPECT_NE(nullptr, m_menu->GetSpritePass());
    EXPECT_NE(nullptr, m_menu->GetOverlayPass());
    ASSERT_NE(nullptr, m_menu->GetMainPage());
    ASSERT_NE(nullptr, m_menu->GetSetupPage());
    ASSERT_NE(nullptr, m_menu->GetResultPage());
    EXPECT_EQ(nullptr, m_menu->GetCurrentPage());
    const s32 font1 = m_menu->GetFont1().GetIndex();
    const s32 font2 = m_menu->GetFont2().GetIndex();
    ASSERT_GE(font1, 0);
    ASSERT_GE(font2, 0);

    // The backdrop's and title's textures are ids 0 and 1 of the menu's registry; overlays are
    // drawn nearly opaque.
    EXPECT_EQ(0u, m_menu->GetBackdropMesh()->GetMaterial(0)->material.diffuseMap.textureId);
    EXPECT_EQ(1u, m_menu->GetTitleMesh()->GetMaterial(0)->material.diffuseMap.textureId);
    EXPECT_EQ(254, m_menu->GetBackdropMesh()->GetMaterial(0)->material.diffuseMap.alpha);
    EXPECT_EQ(254, m_menu->GetTitleMesh()->GetMaterial(0)->material.diffuseMap.alpha);
    // The plankton: 1500 additive, undepth-buffered sprites of texture 255 per layer.
    const VEC_Map& sprite = m_menu->GetPlanktonMesh(0)->GetMaterial(0)->material.diffuseMap;
    EXPECT_EQ(255u, sprite.textureId);
    EXPECT_EQ(1, sprite.blendMode);
    EXPECT_EQ(60, sprite.alpha);
    EXPECT_EQ(0, sprite.flags & VEC_MAP_DEPTHBUFFERED);
    EXPECT_EQ(3 * 1500, m_menu->GetPlanktonMesh(0)->GetMaterial(0)->indexCount);
    // Each page picture is 512 pixels square, the main page selected on item 0.
    EXPECT_EQ(9, m_menu->GetMainPage()->GetSizeExponent());
    EXPECT_EQ(Brisel_State_Menu::TEXTURE_MAIN_PAGE, m_menu->GetMainPage()->GetTextureId());
    EXPECT_EQ(Brisel_State_Menu::TEXTURE_SETUP_PAGE, m_menu->GetSetupPage()->GetTextureId());
    EXPECT_EQ(Brisel_State_Menu::TEXTURE_RESULTS_PAGE, m_menu->GetResultPage()->GetTextureId());
    EXPECT_EQ(0, m_menu->GetMainPage()->GetSelected());

    // Three textures were loaded from files: backdrop, title, plankton (and the pages made theirs).
    EXPECT_EQ(6u, m_graphics->Count("CreateTexture"));

    for (s32 round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        m_menu->ReleaseMenuScene();
        for (s32 k = 0; k < 4; ++k)
            EXPECT_EQ(nullptr, m_menu->GetPlanktonMesh(k));
        EXPECT_EQ(nullptr, m_menu->GetBackdropMesh());
        EXPECT_EQ(nullptr, m_menu->GetTitleMesh());
        EXPECT_EQ(nullptr, m_menu->GetSpritePass());
        EXPECT_EQ(nullptr, m_menu->GetOverlayPass());
        EXPECT_EQ(nullptr, m_menu->GetMainPage());
        EXPECT_EQ(nullptr, m_menu->GetSetupPage());
        EXPECT_EQ(nullptr, m_menu->GetResultPage());
        EXPECT_EQ(-1, m_menu->GetFont1().GetIndex());
        EXPECT_EQ(-1, m_menu->GetFont2().GetIndex());
        EXPECT_EQ(0, GFX_Font::GetReferenceCount(font1));
        EXPECT_EQ(0, GFX_Font::GetReferenceCount(font2));
    }

    // A later entry builds the scene again from nothing.
    m_menu->BuildMenuScene();
    EXPECT_NE(nullptr, m_menu->GetMainPage());
    EXPECT_NE(nullptr, m_menu->GetOverlayPass());
}

TEST_F(MenuSceneTest, OneFrameClearsOnlyTheDepthAndPresents)
{
    m_menu->BuildMenuScene();
    m_menu->ResetCamera(1.0f);
    m_graphics->Forget();
    EXPECT_EQ(1, m_menu->RenderMenu(2.0f, 1));
    const std::vector<std::string> clears = m_graphics->Matching("Clear ");
    ASSERT_EQ(1u, clears.size());
    EXPECT_EQ(0u, clears[0].find("Clear 2 0x00000000")) << clears[0];  // the depth buffer only
    EXPECT_EQ(1u, m_graphics->Count("BeginScene"));
    EXPECT_EQ(1u, m_graphics->Count("EndScene"));
    EXPECT_EQ(1u, m_graphics->Count("Present"));
}

TEST_F(MenuSceneTest, CameraDriftEasesAfterEachChange)
{
    m_menu->BuildMenuScene();
    m_menu->ResetCamera(10.0f);
    ExpectVector(m_menu->GetCameraOffset(), 0.0f, 0.0f, 0.0f);
    ExpectVector(m_menu->GetDriftTarget(), 10.0f, 10.0f, 10.0f);
    EXPECT_EQ(10.0f, m_menu->GetFrameTime());
    EXPECT_EQ(9.0f, m_menu->GetActionTime());
    EXPECT_EQ(0.0f, m_menu->GetFrameDuration());
    EXPECT_EQ(10.0f, m_menu->GetBlitTime());

    // The first frame after a change has no duration yet and does not move.
    m_menu->RenderMenu(10.25f, 1);
    ExpectVector(m_menu->GetCameraOffset(), 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(0.25f, m_menu->GetFrameDuration());
    // Right after the change the camera moves at about the target per second: 0.25 s x 10 / 1.25.
    m_menu->RenderMenu(10.5f, 1);
    ExpectVector(m_menu->GetCameraOffset(), 2.0f, 2.0f, 2.0f);
    // Each step moves by the previous frame's duration, slower as the change grows older: the
    // 0.25 s frame at 1 / 1.5, then the ten-second frame at 1 / 11.5.
    m_menu->RenderMenu(20.5f, 0);
    m_menu->RenderMenu(21.5f, 0);
    const f32 after = 2.0f + 0.25f * 10.0f / 1.5f + 10.0f * 10.0f / 11.5f;
    ExpectVector(m_menu->GetCameraOffset(), after, after, after, 1e-3f);

    // A new target restarts the easing from where the camera is.
    m_menu->ChangeDrift(30.0f, -40.0f, 0.0f, 20.0f);
    EXPECT_EQ(30.0f, m_menu->GetFrameTime());
    EXPECT_EQ(29.0f, m_menu->GetActionTime());
    EXPECT_EQ(0.0f, m_menu->GetFrameDuration());
    m_menu->RenderMenu(30.001f, 0);
    m_menu->RenderMenu(30.002f, 0);
    // A very short frame moves it only a little.
    ExpectVector(m_menu->GetCameraOffset(), after - 0.04f, after, after + 0.02f, 2e-3f);
}

TEST_F(MenuSceneTest, ARandomDriftTakesEachComponentFromTheProgramsGenerator)
{
    // A later entry on the main page: no mode switch, no sound device.
    Brisel_ProgramData& data = Brisel_GetProgramData();
    data.display.width = 640;
    data.display.height = 480;
    data.display.depth = 16;
    data.enterCount = 1;
    m_menu->Enter();
    EXPECT_EQ(nullptr, m_menu->GetBackgroundSample());
    EXPECT_EQ(m_menu.get(), m_menu->HeartBeat());
    ASSERT_EQ(Brisel_State_Menu::STATE_PAGES, m_menu->GetSubState());
    ExpectVector(m_menu->GetDriftTarget(), 10.0f, 10.0f, 10.0f);

    // Escape on the main page: click (silent), a random drift, the outro.
    CRT_SRand(1234);
    f32 expected[3];
    for (f32& component : expected)
        component = (f32)CRT_Rand() * 80.0f / 32767.0f - 40.0f;
    CRT_SRand(1234);
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushKey(SDL_SCANCODE_ESCAPE, false);
    Pump();
    EXPECT_EQ(m_menu.get(), m_menu->HeartBeat());
    EXPECT_EQ(Brisel_State_Menu::STATE_EXTRO_START, m_menu->GetSubState());
    ExpectVector(m_menu->GetDriftTarget(), expected[0], expected[1], expected[2]);
    EXPECT_EQ(m_menu->GetFrameTime() - 1.0f, m_menu->GetActionTime());

    m_menu->Leave();
    EXPECT_EQ(nullptr, m_menu->GetMainPage());
    EXPECT_EQ(nullptr, m_menu->GetClickSample());
}

TEST_F(MenuSceneTest, WithoutASoundDeviceNothingIsLoadedOrPlayed)
{
    m_menu->LoadSounds();
    EXPECT_EQ(nullptr, m_menu->GetBackgroundSample());
    EXPECT_EQ(nullptr, m_menu->GetBuildupSample());
    EXPECT_EQ(nullptr, m_menu->GetClickSample());
    EXPECT_EQ(nullptr, m_menu->GetErrorSample());
    EXPECT_EQ(nullptr, m_menu->GetRolloverSample());
    SND_Sample sample;
    m_menu->PlaySound(&sample, 1.0f, 0);
    m_menu->FreeSounds();
    m_menu->FreeSounds();
}

TEST_F(MenuSceneTest, WithASoundDeviceSamplesLoadPlayAndStopEveryChannel)
{
    m_dir.Write("ini/sound.des",
                "[Sound]\n{\n    SoundOn = 0\n    NumOfChannels = 2\n    Rate = 22050\n    Bits = 16\n}\n");
    m_dir.Write("sfx/sample/menu/menu_click.wav",
                TOOL_WavPcmBytes(1, 22050, 16, TOOL_WavTone(1, 22050, 256, 440.0, 8000)));
    RecordingSoundDevice device;
    Brisel_SoundDevice = &device;

    // A sample whose file is missing stays, empty.
    m_menu->LoadSounds();
    SND_Sample* const samples[5] = {m_menu->GetBackgroundSample(), m_menu->GetBuildupSample(), m_menu->GetClickSample(),
                                    m_menu->GetErrorSample(), m_menu->GetRolloverSample()};
    for (SND_Sample* sample : samples)
        ASSERT_NE(nullptr, sample);
    EXPECT_NE(nullptr, m_menu->GetClickSample()->GetData());
    EXPECT_EQ(nullptr, m_menu->GetErrorSample()->GetData());

    struct Case
    {
        SND_Sample* sample;
        f32 volume;
        s32 loops;
    };
    const Case cases[] = {{samples[0], 1.0f, 0}, {samples[2], 0.125f, 1}, {samples[4], 0.25f, 1}};
    for (const Case& c : cases)
        m_menu->PlaySound(c.sample, c.volume, c.loops);
    ASSERT_EQ(3u, device.plays.size());
    for (size_t i = 0; i < 3; ++i) {
        const SND_PlayParams& play = device.plays[i];
        EXPECT_EQ(cases[i].sample, play.sample);
        EXPECT_EQ(22050, play.rate);
        EXPECT_EQ(0.0f, play.pan);
        EXPECT_EQ(cases[i].loops, play.loopCount);
        EXPECT_EQ(cases[i].volume, play.volume);
        EXPECT_EQ(0.0f, play.minRange);
        EXPECT_EQ(0.0f, play.maxRange);
    }

    m_menu->FreeSounds();
    EXPECT_EQ(
        (std::vector<std::string>{"SetVolume 0 0", "Stop 0", "SetVolume 1 0", "Stop 1", "SetVolume 2 0", "Stop 2"}),
        device.calls);
    EXPECT_EQ(nullptr, m_menu->GetBackgroundSample());
    EXPECT_EQ(nullptr, m_menu->GetClickSample());
    EXPECT_EQ(nullptr, m_menu->GetRolloverSample());
    Brisel_SoundDevice = nullptr;
}

// ---- the GL display ----

class MenuSceneGLTest : public TST_GLTest
{
protected:
    void SetUp() override
    {
        TST_GLTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        WriteMenuSceneData(m_dir);
        Brisel_ResetProgramData();
        Brisel_SoundDevice = nullptr;
        m_menu.reset(new Brisel_State_Menu());
        m_menu->BuildMenuScene();
    }

    void TearDown() override
    {
        if (m_menu)
            m_menu->ReleaseMenuScene();
        m_menu.reset();
        Brisel_ResetProgramData();
        TST_GLTest::TearDown();
    }

    TST_TempDir m_dir;
    std::unique_ptr<Brisel_State_Menu> m_menu;
};

TEST_F(MenuSceneGLTest, MainPageScreenshot)
{
    m_menu->ResetCamera(0.0f);
    m_menu->ShowMainMenu(0.0f, 0.1f);
    m_menu->RenderMenu(1.0f, 1);
    ReadBack();

    // The backdrop fills the screen; the title covers 400 x 400 in the middle.
    EXPECT_TRUE(TST_RgbNear(BACKDROP_COLOR, Pixel(20, 20), 4));
    EXPECT_TRUE(TST_RgbNear(BACKDROP_COLOR, Pixel(620, 460), 4));
    EXPECT_TRUE(TST_RgbNear(TITLE_COLOR, Pixel(140, 60), 4));
    // The hidden pages wait transparent at the centre.
    EXPECT_TRUE(TST_RgbNear(TITLE_COLOR, Pixel(320, 240), 4));
    // The texts in their item colours over the title: "QUORVEX&" selected (white) on screen row
    // 480 - 125, "EXIT" (red) on row 480 - 50; each line is a bar of solid glyphs.
    EXPECT_TRUE(TST_RgbNear(0xFFFFFFu, Pixel(320, 356), 8)) << std::hex << Pixel(320, 356);
    EXPECT_TRUE(TST_RgbNear(0xFF0000u, Pixel(320, 432), 8)) << std::hex << Pixel(320, 432);
    // Beside the texts the title shows through.
    EXPECT_TRUE(TST_RgbNear(TITLE_COLOR, Pixel(160, 356), 4));
}

// A 640 x 480 picture of four coloured quarters, stored with either row order.
TEST_F(MenuSceneGLTest, IntroPictureIsShownUpright)
{
    TOOL_TGA picture = TOOL_MakeTGA(640, 480, 24, 0);
    for (s32 y = 0; y < 480; ++y)
        for (s32 x = 0; x < 640; ++x)
            picture.pixels[(size_t)y * 640 + x] =
                y < 240 ? (x < 320 ? 0xFF0000u : 0x00FF00u) : (x < 320 ? 0x0000FFu : 0xFFFFFFu);
    for (u8 origin : {u8(0), u8(2)}) {
        SCOPED_TRACE(origin);
        picture.origin = origin;
        m_dir.Write("gfx/picture/intro/intro_01.tga", TOOL_TGABytes(picture));
        m_menu->ShowPicture("gfx\\picture\\intro\\intro_01.tga");
        ReadBack();
        EXPECT_TRUE(TST_RgbNear(0xFF0000u, Pixel(100, 100)));
        EXPECT_TRUE(TST_RgbNear(0x00FF00u, Pixel(540, 100)));
        EXPECT_TRUE(TST_RgbNear(0x0000FFu, Pixel(100, 380)));
        EXPECT_TRUE(TST_RgbNear(0xFFFFFFu, Pixel(540, 380)));
        EXPECT_TRUE(TST_RgbNear(0xFF0000u, Pixel(1, 1)));
        EXPECT_TRUE(TST_RgbNear(0xFFFFFFu, Pixel(638, 478)));
    }
}

// The picture texture is 1024 texels square and the reader does not clip: a larger picture is
// refused with a log line and the screen stays black.
TEST_F(MenuSceneGLTest, APictureLargerThanTheTextureIsNotRead)
{
    struct Case
    {
        s32 width, height;
        bool shown;
    };
    const Case cases[] = {{1024, 8, true}, {1025, 8, false}, {8, 1024, true}, {8, 1025, false}};
    for (const Case& c : cases) {
        const std::string name = "pic_" + std::to_string(c.width) + "x" + std::to_string(c.height) + ".tga";
        SCOPED_TRACE(name);
        m_dir.Write("gfx/picture/" + name, TOOL_TGABytes(TOOL_MakeTGA(c.width, c.height, 24, 0xFF0000u)));
        const std::string file = "gfx\\picture\\" + name;
        m_menu->ShowPicture(file.c_str());
        ReadBack();
        // The picture's bottom-left corner lies at the screen's.
        EXPECT_TRUE(TST_RgbNear(c.shown ? 0xFF0000u : 0u, Pixel(3, 476)));
        EXPECT_TRUE(TST_RgbNear(0u, Pixel(320, 240)));
        const std::vector<std::string> lines = LogLinesWith(m_dir, file);
        if (c.shown) {
            EXPECT_TRUE(lines.empty());
        } else {
            ASSERT_EQ(1u, lines.size());
            EXPECT_NE(std::string::npos, lines[0].find("ShowPicture")) << lines[0];
        }
    }
}

}  // namespace
