// The menu state's logic: entry and exit with their display-mode changes, the sub-states and
// their keys, the three pages' contents and animations, and the setup choices.
#include "brisel_state_menu.h"

#include <cstring>

#include "app.h"
#include "brisel_programdata.h"
#include "brisel_state_benchmark.h"
#include "crt_rand.h"
#include "dsp_display.h"
#include "gui_textmenu.h"
#include "inp_keyboard.h"
#include "os_clock.h"
#include "os_fatal.h"
#include "os_shell.h"
#include "snd_sounddevice.h"

u32 (*Brisel_State_Menu::s_isFullscreen)() = OS_IsFullscreen;

namespace
{

const f32 INTRO_PICTURE_SECONDS = 4.0f;
const f32 EXTRO_PICTURE_SECONDS = 30.0f;
const f32 PICTURE_REDRAW_SECONDS = 0.9f;

const f32 VOLUME_CLICK = 0.125f;
const f32 VOLUME_EFFECT = 0.25f;
const f32 VOLUME_MUSIC = 1.0f;

const f32 PAGE_X = 320.0f;
const f32 PAGE_CENTRE_Y = 240.0f;

// The mode a later menu entry and a windowed run use.
const s32 MENU_WIDTH = 640;
const s32 MENU_HEIGHT = 480;
const s32 MENU_DEPTH = 16;

const s32 MAIN_ITEMS = 4;
const s32 SETUP_ITEMS = 5;
const s32 RESULT_ITEMS = 15;
const s32 SETUP_BACK = 4;
const s32 RESULT_CONTINUE = 14;

const f32 MAIN_Y[MAIN_ITEMS] = {150.0f, 125.0f, 100.0f, 50.0f};
const f32 SETUP_Y[SETUP_ITEMS] = {175.0f, 150.0f, 125.0f, 100.0f, 50.0f};
const f32 RESULT_Y[RESULT_ITEMS] = {236.0f, 212.0f, 200.0f, 188.0f, 176.0f, 164.0f, 152.0f, 140.0f,
                                    128.0f, 116.0f, 104.0f, 92.0f,  80.0f,  68.0f,  44.0f};
const f32 RESULT_HIDDEN_Y = 236.0f;

const s32 TEXTURE_MEGABYTES[Brisel_MenuSetupData::TEXTURE_COUNT] = {8, 16, 24, 32, 40};
const char* const TEXTURE_TEXTS[Brisel_MenuSetupData::TEXTURE_COUNT] = {
    "TEXTURE: 8MB", "TEXTURE: 16MB", "TEXTURE: 24MB", "TEXTURE: 32MB", "TEXTURE: 40MB"};

const char* const SETUP_CAPTION = "Brisel_State_Menu::CreateSetupMenu()";

f32 Now() { return (f32)OS_Time(); }

// The program's rand() scaled to 0 .. _range.
f32 RandomUpTo(f32 _range) { return (f32)CRT_Rand() * _range / (f32)CRT_RAND_MAX; }

u32 IsPressed(u32 _key, u32 _code) { return _key == (_code | Brisel_State_Menu::KEY_DOWN_BIT); }

// Moves items 0.._count-1 of _page to (320, _y[i]) (or all to _sameY when _y is null) and fades
// them to _alpha, over _duration from _now.
void AnimatePage(GUI_TextMenu* _page, s32 _count, const f32* _y, f32 _sameY, f32 _alpha, f32 _now, f32 _duration)
{
    if (_page == nullptr)
        return;
    for (s32 i = 0; i < _count && i < _page->GetNumItems(); ++i) {
        GUI_TextItem* item = _page->GetTextItem(i);
        if (item == nullptr)
            continue;
        GUI_Vector2 position;
        position.x = PAGE_X;
        position.y = _y != nullptr ? _y[i] : _sameY;
        item->MoveTo(_now, _duration, position);
        item->FadeTo(_now, _duration, _alpha);
    }
}

// Adds _item to row _index of _page, invisible at the page centre.
void AddItem(GUI_TextMenu* _page, s32 _index, GUI_TextItem* _item, const MAT_Vector3& _colour)
{
    GUI_Vector2 centre;
    centre.x = PAGE_X;
    centre.y = PAGE_CENTRE_Y;
    GUI_Vector2 scale;
    scale.x = 1.0f;
    scale.y = 1.0f;
    _page->AddTextItem(_index, _item, centre, 0.0f, scale, _colour, 0.0f);
}

// A one-value item showing _text cut to _capacity characters: figures of a run (a MIN FPS of
// FLT_MAX after a run under a second) can be longer than a row holds.
GUI_TextItem* MakeCutItem(const char* _text, s32 _capacity)
{
    GUI_TextItem* item = new GUI_TextItem(1, _capacity);
    char cut[256];
    const size_t limit = _capacity < (s32)sizeof(cut) - 1 ? (size_t)(_capacity > 0 ? _capacity : 0) : sizeof(cut) - 1;
    const size_t length = strnlen(_text, limit);
    memcpy(cut, _text, length);
    cut[length] = '\0';
    item->SetText(0, cut);
    return item;
}

// A one-value item with a fixed text.
GUI_TextItem* MakeItem(const char* _text, s32 _capacity)
{
    GUI_TextItem* item = new GUI_TextItem(1, _capacity);
    item->SetText(0, _text);
    return item;
}

// Queries the display's modes into _list (QUERY_MODES records); fatal on failure or none.
s32 QueryModes(DSP_ResolutionInfo* _list)
{
    s32 count = Brisel_MenuSetupData::QUERY_MODES;
    if (SITO_DISPLAY->QueryResolutions(_list, &count) != 0)
        OS_Fatal(SETUP_CAPTION, "QueryResolution() failed");
    if (count <= 0)
        OS_Fatal(SETUP_CAPTION, "no resolution found");
    if (count > Brisel_MenuSetupData::QUERY_MODES)
        count = Brisel_MenuSetupData::QUERY_MODES;
    return count;
}

u32 HasPixelShaders()
{
    s32 major = 0;
    s32 minor = 0;
    SITO_DISPLAY->GetPixelShaderVersion(&major, &minor);
    return major >= 1 ? 1u : 0u;
}

}  // namespace

Brisel_State_Menu::Brisel_State_Menu() {}

Brisel_State_Menu::~Brisel_State_Menu()
{
    m_font2.Close();
    m_font1.Close();
}

void Brisel_State_Menu::Enter()
{
    LoadSounds();
    if (Brisel_SoundDevice != nullptr)
        PlaySound(m_sampleBackground, VOLUME_MUSIC, 0);
    SITO_DISPLAY->Texture_FlushTextures(-1, -1);

    Brisel_ProgramData& data = Brisel_GetProgramData();
    if (data.enterCount > 0) {
        // Back from a run: the menu shows in 640x480x16 without FSAA.
        const Brisel_DisplaySettings& display = data.display;
        if (display.width != MENU_WIDTH || display.height != MENU_HEIGHT || display.depth != MENU_DEPTH ||
            display.fsaaSamples != 1) {
            const char* caption = "Brisel_State_Menu::Enter()";
            if (SITO_DISPLAY->CloseResolution() != 0)
                OS_Fatal(caption, "CloseResolution() failed");
            if (SITO_DISPLAY->OpenResolution(MENU_WIDTH, MENU_HEIGHT, MENU_DEPTH, 0) != 0)
                OS_Fatal(caption, "OpenResolution() failed");
        }
        m_subState = STATE_MENU_ENTRY;
    } else {
        // The first entry keeps the mode that start-up opened.
        m_subState = STATE_INTRO_START;
        data.display.pixelShaders = HasPixelShaders();
    }
    m_stateTime = Now();
    ++data.enterCount;
    BuildMenuScene();
}

Brisel_State* Brisel_State_Menu::HeartBeat()
{
    SITO_KEYBOARD->UpdateKeymap();
    if (m_subState >= STATE_INTRO_START && m_subState <= STATE_INTRO_3)
        return HandleState_Intro();
    if (m_subState >= STATE_MENU_ENTRY && m_subState <= STATE_PAGES)
        return HandleState_Menu();
    if (m_subState >= STATE_EXTRO_START && m_subState <= STATE_EXTRO_3)
        return HandleState_Extro();
    OS_Fatal("Brisel_State_Menu::HeartBeat()", "illegal state");
}

Brisel_State* Brisel_State_Menu::HandleState_Intro()
{
    static const char* const PICTURES[3] = {"gfx\\picture\\intro\\intro_01.tga", "gfx\\picture\\intro\\intro_02.tga",
                                            "gfx\\picture\\intro\\intro_03.tga"};
    const f32 now = Now();
    switch (m_subState) {
    case STATE_INTRO_START:
        SITO_KEYBOARD->FlushKeys();
        m_stateTime = m_blitTime = now;
        ShowPicture(PICTURES[0]);
        m_subState = STATE_INTRO_1;
        break;
    case STATE_INTRO_1:
    case STATE_INTRO_2:
    case STATE_INTRO_3:
        // Keys are not read: the intro always runs its full length.
        if (m_stateTime + INTRO_PICTURE_SECONDS < now) {
            m_stateTime = m_blitTime = now;
            if (m_subState < STATE_INTRO_3)
                ShowPicture(PICTURES[m_subState]);
            ++m_subState;
        } else if (m_blitTime + PICTURE_REDRAW_SECONDS < now) {
            m_blitTime = now;
            ShowPicture(PICTURES[m_subState - STATE_INTRO_1]);
        }
        break;
    default:
        OS_Fatal("Brisel_State_Menu::HandleState_Intro()", "illegal state");
    }
    return this;
}

Brisel_State* Brisel_State_Menu::HandleState_Menu()
{
    const f32 now = Now();
    if (m_subState == STATE_MENU_ENTRY) {
        SITO_KEYBOARD->FlushKeys();
        Brisel_ProgramData& data = Brisel_GetProgramData();
        const u32 runEnded = data.runStarted && data.result.userBreak == 0;
        data.runStarted = 0;
        if (runEnded) {
            ShowResultMenu(now, 0.3f);
            m_currentPage = m_resultPage;
            m_subState = STATE_RESULTS;
        } else {
            ShowMainMenu(now, 0.1f);
            m_currentPage = m_mainPage;
            m_subState = STATE_PAGES;
        }
        m_stateTime = now;
        ResetCamera(now);
        return this;
    }

    RenderMenu(now, 1);
    const u32 key = SITO_KEYBOARD->GetKey();
    if (m_subState == STATE_RESULTS) {
        if (IsPressed(key, KEY_ESCAPE) || IsPressed(key, KEY_RETURN)) {
            PlayClick();
            RandomDrift(now);
            PlayBuildup();
            HideResultMenu(now, 0.2f);
            ShowMainMenu(now, 0.3f);
            m_currentPage = m_mainPage;
            m_subState = STATE_PAGES;
            m_stateTime = now;
        }
        return this;
    }
    if ((key & KEY_DOWN_BIT) == 0)
        return this;
    m_stateTime = now;
    return HandlePageKey(key & ~KEY_DOWN_BIT, now);
}

Brisel_State* Brisel_State_Menu::HandlePageKey(u32 _key, f32 _now)
{
    GUI_TextMenu* page = m_currentPage;
    if (page == nullptr)
        return this;
    const u32 onMain = page == m_mainPage;
    const u32 onSetup = page == m_setupPage;
    const s32 selection = page->GetSelected();

    switch (_key) {
    case KEY_ESCAPE:
        if (onMain) {
            PlayClick();
            RandomDrift(_now);
            m_subState = STATE_EXTRO_START;
        } else if (onSetup) {
            PlayClick();
            RandomDrift(_now);
            PlayBuildup();
            StoreSetupChoices();
            HideSetupMenu(_now, 0.2f);
            ShowMainMenu(_now, 0.3f);
            m_currentPage = m_mainPage;
        }
        break;
    case KEY_RETURN:
        if (onMain) {
            page->NextValue(_now);
            PlayClick();
            RandomDrift(_now);
            if (selection == 0 || selection == 1) {
                Brisel_GetProgramData().runStarted = 1;
                return new Brisel_State_Benchmark(RUN_SCRIPT);
            }
            if (selection == 2) {
                PlayBuildup();
                HideMainMenu(_now, 0.2f);
                ShowSetupMenu(_now, 0.3f);
                m_currentPage = m_setupPage;
            } else if (selection == 3) {
                m_subState = STATE_EXTRO_START;
            }
        } else if (onSetup) {
            page->NextValue(_now);
            PlayClick();
            RandomDrift(_now);
            if (selection == SETUP_BACK) {
                PlayBuildup();
                StoreSetupChoices();
                HideSetupMenu(_now, 0.2f);
                ShowMainMenu(_now, 0.3f);
                m_currentPage = m_mainPage;
            }
        }
        break;
    case KEY_UP:
        if (onMain && selection == 1) {
            PlayError();  // item 0 is never selectable
        } else if (page->SelectPrevious(_now)) {
            PlayRollover();
            const f32 y = RandomUpTo(20.0f) + 20.0f;
            ChangeDrift(_now, 0.0f, y, RandomUpTo(40.0f) + 40.0f);
        } else {
            PlayError();
        }
        break;
    case KEY_DOWN:
        if (page->SelectNext(_now)) {
            PlayRollover();
            const f32 y = RandomUpTo(20.0f) + 20.0f;
            ChangeDrift(_now, 0.0f, y, -40.0f - RandomUpTo(40.0f));
        } else {
            PlayError();
        }
        break;
    case KEY_LEFT:
    case KEY_RIGHT:
        if (onSetup && selection != SETUP_BACK) {
            if (_key == KEY_LEFT)
                page->PreviousValue(_now);
            else
                page->NextValue(_now);
            PlayClick();
            RandomDrift(_now);
        }
        break;
    default:
        break;
    }
    return this;
}

Brisel_State* Brisel_State_Menu::HandleState_Extro()
{
    static const char* const PICTURES[3] = {"gfx\\picture\\mockup\\mock01.tga", "gfx\\picture\\mockup\\mock02.tga",
                                            "gfx\\picture\\mockup\\mock03.tga"};
    u32 confirmed = 0;
    for (u32 key = SITO_KEYBOARD->GetKey(); key != KEY_NONE; key = SITO_KEYBOARD->GetKey())
        if (IsPressed(key, KEY_ESCAPE) || IsPressed(key, KEY_RETURN))
            confirmed = 1;

    const f32 now = Now();
    switch (m_subState) {
    case STATE_EXTRO_START:
        SITO_KEYBOARD->FlushKeys();
        m_stateTime = m_blitTime = now;
        ShowPicture(PICTURES[0]);
        m_subState = STATE_EXTRO_1;
        break;
    case STATE_EXTRO_1:
    case STATE_EXTRO_2:
    case STATE_EXTRO_3:
        if (m_stateTime + EXTRO_PICTURE_SECONDS < now || confirmed) {
            if (m_subState == STATE_EXTRO_3)
                return nullptr;
            m_stateTime = m_blitTime = now;
            ShowPicture(PICTURES[m_subState - STATE_EXTRO_START]);
            ++m_subState;
        } else if (m_blitTime + PICTURE_REDRAW_SECONDS < now) {
            m_blitTime = now;
            ShowPicture(PICTURES[m_subState - STATE_EXTRO_1]);
        }
        break;
    default:
        OS_Fatal("Brisel_State_Menu::HandleState_Extro()", "illegal state");
    }
    return this;
}

void Brisel_State_Menu::Leave()
{
    ReleaseMenuScene();
    FreeSounds();
    if (SITO_DISPLAY != nullptr)
        SITO_DISPLAY->Texture_FlushTextures(-1, -1);

    // After a fatal error the clean-up only releases: switching the mode could stop the
    // program a second time and hide the error that ended it.
    if (Brisel_EmergencyCleanupDone)
        return;
    if (m_subState == STATE_EXTRO_3)
        return;  // the user exits: nothing to apply

    Brisel_ProgramData& data = Brisel_GetProgramData();
    Brisel_DisplaySettings& display = data.display;
    const Brisel_MenuSetupData::Mode& mode = m_setup.modes[m_setup.chosenMode];
    const s32 fsaa = m_setup.fsaaValues[m_setup.chosenFsaa];
    if (s_isFullscreen()) {
        const char* caption = "Brisel_State_Menu::Leave()";
        s32 width = 0;
        s32 height = 0;
        s32 depth = 0;
        SITO_DISPLAY->GetMode(&width, &height, &depth);
        const u32 menuModeChosen =
            mode.width == MENU_WIDTH && mode.height == MENU_HEIGHT && mode.depth == MENU_DEPTH && fsaa == 1;
        const u32 displayInMenuMode = width == MENU_WIDTH && height == MENU_HEIGHT && depth == MENU_DEPTH &&
                                      SITO_DISPLAY->GetMultisampleType() == 0;
        if (menuModeChosen && displayInMenuMode) {
            display.width = MENU_WIDTH;
            display.height = MENU_HEIGHT;
            display.depth = MENU_DEPTH;
            display.fsaaSamples = 1;
        } else {
            u32 bits = 0;
            if (fsaa >= 2 && fsaa <= 16)
                bits = 1u << (fsaa - 1);
            else if (fsaa != 1)
                OS_Fatal(caption, "illegal fsaa mode");
            display.fsaaSamples = fsaa;
            if (SITO_DISPLAY->CloseResolution() != 0)
                OS_Fatal(caption, "CloseResolution() failed");
            if (SITO_DISPLAY->OpenResolution(mode.width, mode.height, mode.depth, bits) != 0)
                OS_Fatal(caption, "OpenResolution() failed");
            display.width = mode.width;
            display.height = mode.height;
            display.depth = mode.depth;
        }
    } else {
        // A window keeps its display whatever mode was chosen.
        display.width = MENU_WIDTH;
        display.height = MENU_HEIGHT;
        display.depth = MENU_DEPTH;
        display.fsaaSamples = 1;
    }
    display.textureMegabytes = m_setup.textureValues[m_setup.chosenTexture];
    display.pixelShaders = (u32)m_setup.pixelShaderValues[m_setup.chosenPixelShader];
}

void Brisel_State_Menu::ShowMainMenu(f32 _now, f32 _duration)
{
    AnimatePage(m_mainPage, MAIN_ITEMS, MAIN_Y, 0.0f, 1.0f, _now, _duration);
    if (m_mainPage == nullptr)
        return;
    // The item selected before returns to normal at once, and "QUORVEX&" is highlighted at once.
    m_mainPage->SelectItem(m_mainPage->GetSelected(), _now);
    m_mainPage->SelectItem(1, 0.0f);
}

void Brisel_State_Menu::HideMainMenu(f32 _now, f32 _duration)
{
    AnimatePage(m_mainPage, MAIN_ITEMS, nullptr, PAGE_CENTRE_Y, 0.0f, _now, _duration);
}

void Brisel_State_Menu::ShowSetupMenu(f32 _now, f32 _duration)
{
    AnimatePage(m_setupPage, SETUP_ITEMS, SETUP_Y, 0.0f, 1.0f, _now, _duration);
    if (m_setupPage != nullptr)
        m_setupPage->SelectItem(m_setupPage->GetSelected(), _now);
}

void Brisel_State_Menu::HideSetupMenu(f32 _now, f32 _duration)
{
    AnimatePage(m_setupPage, SETUP_ITEMS, nullptr, PAGE_CENTRE_Y, 0.0f, _now, _duration);
}

void Brisel_State_Menu::ShowResultMenu(f32 _now, f32 _duration)
{
    AnimatePage(m_resultPage, RESULT_ITEMS, RESULT_Y, 0.0f, 1.0f, _now, _duration);
    if (m_resultPage != nullptr)
        m_resultPage->SelectItem(RESULT_CONTINUE, _now);
}

void Brisel_State_Menu::HideResultMenu(f32 _now, f32 _duration)
{
    AnimatePage(m_resultPage, RESULT_ITEMS, nullptr, RESULT_HIDDEN_Y, 0.0f, _now, _duration);
}

GUI_TextMenu* Brisel_State_Menu::CreateMainMenu(GFX_Font* _font, s32 _sizeExponent, s32 _textureId)
{
    static const char* const TEXTS[MAIN_ITEMS] = {"", "QUORVEX&", "SETUP", "EXIT"};
    GUI_TextMenu* page = new GUI_TextMenu();
    page->AllocateRessrources(_sizeExponent, _font);
    const s32 capacity = page->GetTextCapacity();
    const MAT_Vector3 red(1.0f, 0.0f, 0.0f);
    for (s32 i = 0; i < MAIN_ITEMS; ++i)
        AddItem(page, i, MakeItem(TEXTS[i], capacity), red);
    page->CreateTextureInHardware(_textureId);
    page->SelectItem(0, 0.0f);
    return page;
}

GUI_TextMenu* Brisel_State_Menu::CreateResultMenu(GFX_Font* _font, s32 _sizeExponent, s32 _textureId)
{
    const Brisel_ResultRecord& result = Brisel_GetProgramData().result;
    GUI_TextMenu* page = new GUI_TextMenu();
    page->AllocateRessrources(_sizeExponent, _font);
    const s32 capacity = page->GetTextCapacity();
    const MAT_Vector3 grey(0.7f, 0.7f, 0.7f);
    const MAT_Vector3 white(1.0f, 1.0f, 1.0f);

    // OS_Format's one buffer: each text is copied into its item before the next is formatted.
    s32 row = 0;
    auto add = [&](const char* _text) {
        AddItem(page, row, MakeCutItem(_text, capacity), row == RESULT_CONTINUE ? white : grey);
        ++row;
    };
    add("QUORVEX V2.1 RESULTS");
    add(OS_Format("RESOLUTION : %dx%dx%d", result.width, result.height, result.depth));
    add(result.fsaaSamples > 1 ? OS_Format("FSAA : %d SAMPLE", result.fsaaSamples) : "FSAA : NONE");
    add(result.pixelShaders ? "PIXELSHADER : YES" : "PIXELSHADER : NO");
    add(OS_Format("TEXTURE : %dMB", result.textureMegabytes));
    add(OS_Format("SECONDS : %.2f", (f64)result.seconds));
    // The counters keep "%d": an unset minimum reads -1.
    add(OS_Format("NUM POLYS : %d", (s32)result.polygons));
    add(OS_Format("MIN POLY/F : %d", (s32)result.minPolygonsPerFrame));
    add(OS_Format("MAX POLY/F : %d", (s32)result.maxPolygonsPerFrame));
    add(OS_Format("MIN POLY/S : %d", (s32)result.minPolygonsPerSecond));
    add(OS_Format("MAX POLY/S : %d", (s32)result.maxPolygonsPerSecond));
    add(OS_Format("MIN FPS : %.1f", (f64)result.minFps));
    add(OS_Format("MAX FPS : %.1f", (f64)result.maxFps));
    add(OS_Format("AVG FPS : %.1f", (f64)result.avgFps));
    add("CONTINUE");

    page->CreateTextureInHardware(_textureId);
    page->SelectItem(RESULT_CONTINUE, 0.0f);
    return page;
}

GUI_TextMenu* Brisel_State_Menu::CreateSetupMenu(GFX_Font* _font, s32 _sizeExponent, s32 _textureId,
                                                 Brisel_MenuSetupData* _setup)
{
    const Brisel_DisplaySettings& display = Brisel_GetProgramData().display;
    DSP_ResolutionInfo list[Brisel_MenuSetupData::QUERY_MODES];

    // Display modes: the chosen one is the last equal to the settings, else the first.
    _setup->modeCount = QueryModes(list);
    _setup->chosenMode = 0;
    for (s32 i = 0; i < _setup->modeCount; ++i) {
        Brisel_MenuSetupData::Mode& mode = _setup->modes[i];
        mode.width = (s32)list[i].width;
        mode.height = (s32)list[i].height;
        mode.depth = (s32)list[i].bitsPerPixel;
        if (mode.width == display.width && mode.height == display.height && mode.depth == display.depth)
            _setup->chosenMode = i;
    }

    // FSAA: none, then every sample count the first mode offers.
    QueryModes(list);
    _setup->fsaaCount = 0;
    _setup->fsaaValues[_setup->fsaaCount++] = 1;
    for (s32 samples = 2; samples <= 16; ++samples)
        if (list[0].multisampleBits & (1u << (samples - 1)))
            _setup->fsaaValues[_setup->fsaaCount++] = samples;
    _setup->chosenFsaa = 0;
    for (s32 i = 0; i < _setup->fsaaCount; ++i)
        if (_setup->fsaaValues[i] == display.fsaaSamples)
            _setup->chosenFsaa = i;

    _setup->textureCount = Brisel_MenuSetupData::TEXTURE_COUNT;
    _setup->chosenTexture = -1;
    for (s32 i = 0; i < _setup->textureCount; ++i) {
        _setup->textureValues[i] = TEXTURE_MEGABYTES[i];
        if (TEXTURE_MEGABYTES[i] == display.textureMegabytes)
            _setup->chosenTexture = i;
    }
    if (_setup->chosenTexture < 0)
        OS_Fatal(SETUP_CAPTION, "illegal texture cache size");

    _setup->pixelShaderValues[0] = 0;
    _setup->pixelShaderValues[1] = 1;
    _setup->pixelShaderCount = HasPixelShaders() ? 2 : 1;
    if (display.pixelShaders == 0)
        _setup->chosenPixelShader = 0;
    else if (_setup->pixelShaderCount == 2)
        _setup->chosenPixelShader = 1;
    else
        OS_Fatal(SETUP_CAPTION, "illegal pixelshader mode");

    GUI_TextMenu* page = new GUI_TextMenu();
    page->AllocateRessrources(_sizeExponent, _font);
    const s32 capacity = page->GetTextCapacity();
    const MAT_Vector3 red(1.0f, 0.0f, 0.0f);

    GUI_TextItem* modes = new GUI_TextItem(_setup->modeCount, capacity);
    for (s32 i = 0; i < _setup->modeCount; ++i) {
        const Brisel_MenuSetupData::Mode& mode = _setup->modes[i];
        modes->SetText(i, OS_Format("DISPLAY: %dx%dx%d", mode.width, mode.height, mode.depth));
    }
    AddItem(page, 0, modes, red);

    GUI_TextItem* fsaa = new GUI_TextItem(_setup->fsaaCount, capacity);
    for (s32 i = 0; i < _setup->fsaaCount; ++i)
        fsaa->SetText(i,
                      _setup->fsaaValues[i] == 1 ? "FSAA: NONE" : OS_Format("FSAA: %d SAMPLES", _setup->fsaaValues[i]));
    AddItem(page, 1, fsaa, red);

    GUI_TextItem* texture = new GUI_TextItem(_setup->textureCount, capacity);
    for (s32 i = 0; i < _setup->textureCount; ++i)
        texture->SetText(i, TEXTURE_TEXTS[i]);
    AddItem(page, 2, texture, red);

    GUI_TextItem* shaders = new GUI_TextItem(_setup->pixelShaderCount, capacity);
    for (s32 i = 0; i < _setup->pixelShaderCount; ++i)
        shaders->SetText(i, _setup->pixelShaderValues[i] != 0 ? "PIXELSHADER: YES" : "PIXELSHADER: NO");
    AddItem(page, 3, shaders, red);

    AddItem(page, SETUP_BACK, MakeItem("BACK", capacity), red);

    page->CreateTextureInHardware(_textureId);
    page->SelectItem(0, 0.0f);
    page->GetTextItem(0)->SetValue(_setup->chosenMode);
    page->GetTextItem(1)->SetValue(_setup->chosenFsaa);
    page->GetTextItem(2)->SetValue(_setup->chosenTexture);
    page->GetTextItem(3)->SetValue(_setup->chosenPixelShader);
    return page;
}

void Brisel_State_Menu::StoreSetupChoices()
{
    if (m_setupPage == nullptr)
        return;
    m_setup.chosenMode = m_setupPage->GetTextItem(0)->GetCurrentValue();
    m_setup.chosenFsaa = m_setupPage->GetTextItem(1)->GetCurrentValue();
    m_setup.chosenTexture = m_setupPage->GetTextItem(2)->GetCurrentValue();
    m_setup.chosenPixelShader = m_setupPage->GetTextItem(3)->GetCurrentValue();
}

void Brisel_State_Menu::PlayClick() { PlaySound(m_sampleClick, VOLUME_CLICK); }
void Brisel_State_Menu::PlayBuildup() { PlaySound(m_sampleBuildup, VOLUME_EFFECT); }
void Brisel_State_Menu::PlayError() { PlaySound(m_sampleError, VOLUME_EFFECT); }
void Brisel_State_Menu::PlayRollover() { PlaySound(m_sampleRollover, VOLUME_EFFECT); }

void Brisel_State_Menu::RandomDrift(f32 _now)
{
    // One rand() per component, in order.
    const f32 x = RandomUpTo(80.0f) - 40.0f;
    const f32 y = RandomUpTo(80.0f) - 40.0f;
    const f32 z = RandomUpTo(80.0f) - 40.0f;
    ChangeDrift(_now, x, y, z);
}
