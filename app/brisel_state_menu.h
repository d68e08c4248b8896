// The menu state: intro pictures, the main, setup and results pages over an animated underwater
// backdrop, and the outro pictures.
//
// Sub-states: 0 intro start, 1-3 intro pictures, 4 entry to the pages, 5 results page, 6 main or
// setup page, 7 outro start, 8-10 outro pictures. HeartBeat returns the state itself, a new
// benchmark state when the user starts a run, or null after the last outro picture.
//
// Enter builds the scene and the three pages and (on a later entry) switches the display back
// to 640x480x16; Leave releases them and applies the setup choices to the display and to the
// program-wide display settings (brisel_programdata.h) that the run reads. On the emergency
// path (Brisel_EmergencyCleanupDone set) Leave only releases. The state owns its pages, meshes,
// passes and samples; the destructor closes the two fonts only, since the application always
// calls Leave first. One thread.
//
// The menu logic lives in brisel_state_menu.cpp, the scene and its drawing in
// brisel_state_menu_scene.cpp.
#pragma once

#include "app_state.h"
#include "gfx_font.h"
#include "os_types.h"
#include "reb_lightset.h"
#include "vec_camera.h"

class GUI_TextMenu;
class REB_Mesh;
class REP_Overlay;
class REP_Sprite;
class SND_Sample;

// The choices the setup page offers and the ones last stored from it.
struct Brisel_MenuSetupData
{
    enum
    {
        MAX_MODES = 256,
        QUERY_MODES = 64,  // size of the display's mode query
        MAX_FSAA = 16,
        TEXTURE_COUNT = 5,
        MAX_PIXELSHADERS = 2
    };

    struct Mode
    {
        s32 width = 0;
        s32 height = 0;
        s32 depth = 0;
    };

    Mode modes[MAX_MODES];
    s32 modeCount = 0;
    s32 chosenMode = 0;
    s32 fsaaValues[MAX_FSAA] = {};
    s32 fsaaCount = 0;
    s32 chosenFsaa = 0;
    s32 textureValues[TEXTURE_COUNT] = {};
    s32 textureCount = 0;
    s32 chosenTexture = 0;
    s32 pixelShaderValues[MAX_PIXELSHADERS] = {};
    s32 pixelShaderCount = 0;
    s32 chosenPixelShader = 0;
};

class Brisel_State_Menu : public Brisel_State
{
public:
    // Sub-states.
    enum : s32
    {
        STATE_INTRO_START = 0,
        STATE_INTRO_1 = 1,
        STATE_INTRO_2 = 2,
        STATE_INTRO_3 = 3,
        STATE_MENU_ENTRY = 4,
        STATE_RESULTS = 5,
        STATE_PAGES = 6,
        STATE_EXTRO_START = 7,
        STATE_EXTRO_1 = 8,
        STATE_EXTRO_2 = 9,
        STATE_EXTRO_3 = 10
    };

    // Engine key codes the menu reacts to (INP_Keyboard::GetKey adds bit 31 for a key press).
    enum : u32
    {
        KEY_ESCAPE = 0,
        KEY_RETURN = 27,
        KEY_UP = 108,
        KEY_LEFT = 110,
        KEY_RIGHT = 111,
        KEY_DOWN = 113,
        KEY_DOWN_BIT = 0x80000000u,
        KEY_NONE = 0x40000000u
    };

    // Texture ids of the menu in the display's texture table.
    enum : s32
    {
        TEXTURE_PICTURE = 230,
        TEXTURE_RESULTS_PAGE = 252,
        TEXTURE_SETUP_PAGE = 253,
        TEXTURE_MAIN_PAGE = 254,
        TEXTURE_PLANKTON = 255
    };

    // The script the run started from the main page plays.
    static constexpr const char* RUN_SCRIPT = "map\\kovra1\\script\\quorvex";

    // Members only; no effect on globals.
    Brisel_State_Menu();
    // Closes the two fonts; Leave has released everything else.
    ~Brisel_State_Menu() override;
    Brisel_State_Menu(const Brisel_State_Menu&) = delete;
    Brisel_State_Menu& operator=(const Brisel_State_Menu&) = delete;

    void Enter() override;
    Brisel_State* HeartBeat() override;
    void Leave() override;

    // Page animations: every item moves and fades over _duration seconds from _now.
    void ShowMainMenu(f32 _now, f32 _duration);
    void HideMainMenu(f32 _now, f32 _duration);
    void ShowSetupMenu(f32 _now, f32 _duration);
    void HideSetupMenu(f32 _now, f32 _duration);
    void ShowResultMenu(f32 _now, f32 _duration);
    void HideResultMenu(f32 _now, f32 _duration);

    // Page construction, each picture 2^_sizeExponent pixels square, uploaded as texture
    // _textureId. CreateSetupMenu fills _setup first from the display (fatal on a failed or
    // empty mode query and on settings the page cannot show).
    GUI_TextMenu* CreateMainMenu(GFX_Font* _font, s32 _sizeExponent, s32 _textureId);
    GUI_TextMenu* CreateSetupMenu(GFX_Font* _font, s32 _sizeExponent, s32 _textureId, Brisel_MenuSetupData* _setup);
    GUI_TextMenu* CreateResultMenu(GFX_Font* _font, s32 _sizeExponent, s32 _textureId);

    // The menu scene (brisel_state_menu_scene.cpp).
    // Shows a picture full screen at once, in both buffers of the flip chain.
    void ShowPicture(const char* _file);
    // Meshes, textures, passes, fonts and the three pages; the end of Enter.
    void BuildMenuScene();
    // Registers and loads the backdrop, title and plankton textures within _budget bytes.
    void LoadMenuTextures(s32 _budget);
    // Releases what BuildMenuScene made; nulls each pointer, so a second call does nothing.
    void ReleaseMenuScene();
    // Draws and presents one frame at real time _now; the title mesh when _title is set.
    s32 RenderMenu(f32 _now, s32 _title);
    // The five samples; all stay null without a sound device.
    void LoadSounds();
    void FreeSounds();
    // Plays _sample at _volume, _loopCount times (0 = until stopped); nothing without a sound
    // device or sample.
    void PlaySound(SND_Sample* _sample, f32 _volume, s32 _loopCount = 1);
    // The menu camera at the origin with the start drift; the entry sub-state calls it.
    void ResetCamera(f32 _now);
    // A new drift target; restarts the camera's easing.
    void ChangeDrift(f32 _now, f32 _x, f32 _y, f32 _z);
    // One frame's camera movement along the drift target.
    void DriftStep();

    // Whether the program runs full screen: OS_IsFullscreen unless a test replaces it.
    static u32 (*s_isFullscreen)();

    // For tests and the scene.
    s32 GetSubState() const { return m_subState; }
    f32 GetStateTime() const { return m_stateTime; }
    f32 GetBlitTime() const { return m_blitTime; }
    const Brisel_MenuSetupData& GetSetupData() const { return m_setup; }
    GUI_TextMenu* GetMainPage() const { return m_mainPage; }
    GUI_TextMenu* GetResultPage() const { return m_resultPage; }
    GUI_TextMenu* GetSetupPage() const { return m_setupPage; }
    GUI_TextMenu* GetCurrentPage() const { return m_currentPage; }
    const f32* GetCameraOffset() const { return m_cameraOffset; }
    const f32* GetDriftTarget() const { return m_driftTarget; }
    f32 GetFrameDuration() const { return m_frameDuration; }
    f32 GetFrameTime() const { return m_frameTime; }
    f32 GetActionTime() const { return m_actionTime; }
    const REB_Mesh* GetBackdropMesh() const { return m_backdropMesh; }
    const REB_Mesh* GetTitleMesh() const { return m_titleMesh; }
    const REB_Mesh* GetPlanktonMesh(s32 _index) const { return m_planktonMeshes[_index]; }
    const REP_Sprite* GetSpritePass() const { return m_spritePass; }
    const REP_Overlay* GetOverlayPass() const { return m_overlayPass; }
    const GFX_Font& GetFont1() const { return m_font1; }
    const GFX_Font& GetFont2() const { return m_font2; }
    SND_Sample* GetBackgroundSample() const { return m_sampleBackground; }
    SND_Sample* GetBuildupSample() const { return m_sampleBuildup; }
    SND_Sample* GetClickSample() const { return m_sampleClick; }
    SND_Sample* GetErrorSample() const { return m_sampleError; }
    SND_Sample* GetRolloverSample() const { return m_sampleRollover; }

private:
    Brisel_State* HandleState_Intro();
    Brisel_State* HandleState_Menu();
    Brisel_State* HandleState_Extro();
    // One key event on the main or setup page; returns a new run or null.
    Brisel_State* HandlePageKey(u32 _key, f32 _now);
    // Stores the value indices of setup items 0-3 as the four choices.
    void StoreSetupChoices();
    // Click, buildup, error and rollover.
    void PlayClick();
    void PlayBuildup();
    void PlayError();
    void PlayRollover();
    // A drift target uniform in -40..40 per component.
    void RandomDrift(f32 _now);

    GUI_TextMenu* m_mainPage = nullptr;
    GUI_TextMenu* m_resultPage = nullptr;
    GUI_TextMenu* m_setupPage = nullptr;
    GUI_TextMenu* m_currentPage = nullptr;
    Brisel_MenuSetupData m_setup;

    // The scene.
    REB_Mesh* m_planktonMeshes[4] = {};
    REB_Mesh* m_backdropMesh = nullptr;
    REB_Mesh* m_titleMesh = nullptr;
    REB_LightSet m_lightSet;
    VEC_TransformState m_transformState;
    REP_Sprite* m_spritePass = nullptr;
    REP_Overlay* m_overlayPass = nullptr;
    GFX_Font m_font1;
    GFX_Font m_font2;
    f32 m_cameraOffset[3] = {};
    f32 m_driftTarget[3] = {};
    f32 m_frameDuration = 0.0f;
    f32 m_frameTime = 0.0f;
    f32 m_actionTime = 0.0f;
    f32 m_blitTime = 0.0f;

    SND_Sample* m_sampleBackground = nullptr;
    SND_Sample* m_sampleBuildup = nullptr;
    SND_Sample* m_sampleClick = nullptr;
    SND_Sample* m_sampleError = nullptr;
    SND_Sample* m_sampleRollover = nullptr;

    s32 m_subState = STATE_INTRO_START;
    f32 m_stateTime = 0.0f;
};
