// The menu's own scene and its drawing: the full-screen intro and outro pictures, the backdrop
// and title meshes, four plankton layers seen by a slowly drifting camera, the three pages of
// text, and the five menu sounds. Everything is drawn through the display layer and the sprite
// and overlay passes, independent of the benchmark's renderer.
#include <cmath>

#include "app.h"
#include "brisel_state_menu.h"
#include "dsp_display.h"
#include "dsp_texture.h"
#include "gfx_picture16.h"
#include "gfx_picturetga.h"
#include "gui_textmenu.h"
#include "mat_angle.h"
#include "mat_matrix.h"
#include "os_fatal.h"
#include "reb_mesh.h"
#include "reb_texturecache.h"
#include "rep_sprite.h"
#include "snd_sample.h"
#include "snd_sounddevice.h"
#include "vec_mesh.h"

namespace
{

constexpr f32 s_pi = 3.14159265358979f;

// The picture texture is 2^10 = 1024 texels square, 16 bits a texel.
constexpr s32 s_pictureLevel = 10;
constexpr s32 s_pictureSide = 1 << s_pictureLevel;

constexpr s32 s_menuTextureBudget = 0x1000000;
constexpr s32 s_pageExponent = 9;

// Plankton layer k sits at (ax sin(bx t), 0, sin(bz t)), turned by +t or -t, at scale s.
struct PlanktonLayer
{
    f32 ax, bx, bz, turn, scale;
};
constexpr PlanktonLayer s_layers[4] = {
    {1.0f, 0.1425f, 0.425f, 1.0f, 2.0f},
    {1.2f, 0.2675f, 1.0f, -1.0f, 4.0f},
    {1.1f, 0.1175f, 0.75f, 1.0f, 3.0f},
    {1.6f, 0.3925f, 0.65f, -1.0f, 3.0f},
};

template <class T>
void DeleteAndNull(T*& _pointer)
{
    delete _pointer;
    _pointer = nullptr;
}

// Passes own a vertex shader in the display; it goes with them.
template <class T>
void DeletePass(T*& _pass)
{
    if (_pass != nullptr && SITO_DISPLAY != nullptr)
        _pass->Release();
    DeleteAndNull(_pass);
}

void SetPassConstants()
{
    const f32 zero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const f32 one[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    SITO_DISPLAY->SetVertexShaderConstant(0, zero, 1);
    SITO_DISPLAY->SetVertexShaderConstant(1, one, 1);
}

// Deletes the old mesh and loads _path; the first material gets alpha 254.
REB_Mesh* LoadOverlayMesh(REB_Mesh* _old, const char* _path)
{
    delete _old;
    REB_Mesh* mesh = new REB_Mesh();
    mesh->LoadFromFile(_path);
    if (mesh->GetMaterialCount() > 0)
        mesh->GetMaterial(0)->material.diffuseMap.alpha = 254;
    return mesh;
}

MAT_Angle WrappedAngle(f32 _angle)
{
    MAT_Angle angle;
    angle = _angle;  // wraps into -pi .. pi and takes its sine and cosine, never snaps
    return angle;
}

}  // namespace

// ---- full-screen pictures ----

void Brisel_State_Menu::ShowPicture(const char* _file)
{
    DSP_Display* display = SITO_DISPLAY;
    display->Texture_Create(TEXTURE_PICTURE, DSP_TEXTURE_R5G6B5, s_pictureLevel, 1);

    // The reader converts the whole picture without clipping: one larger than the texture is
    // not read at all, and the texture stays black.
    GFX_Picture16* picture = new GFX_Picture16(s_pictureSide, s_pictureSide);
    {
        GFX_PictureTGA reader;
        reader.Open(_file, 1);
        if (reader.GetWidth() > s_pictureSide || reader.GetHeight() > s_pictureSide)
            OS_Log(OS_Format("Brisel_State_Menu::ShowPicture(): %s is %dx%d, larger than %dx%d: not shown", _file,
                             (int)reader.GetWidth(), (int)reader.GetHeight(), (int)s_pictureSide, (int)s_pictureSide));
        else
            // Bottom row first: texture row 0 lies at v = 0, the lower edge of the quad below.
            reader.ReadData_RGB565(picture->GetPixels(), s_pictureSide * 2, 1);
        reader.Close();
    }
    display->Texture_Refresh(TEXTURE_PICTURE, picture->GetPixels(), (u64)s_pictureSide * s_pictureSide * 2);

    // A unit quad in the overlay's x/z plane, v = 1 at its top edge.
    VEC_MeshPart* quad = new VEC_MeshPart();
    quad->Allocate(4, 2);
    const f32 corners[4][4] = {
        {-0.5f, -0.5f, 0.0f, 1.0f}, {0.5f, -0.5f, 1.0f, 1.0f}, {0.5f, 0.5f, 1.0f, 0.0f}, {-0.5f, 0.5f, 0.0f, 0.0f}};
    for (s32 i = 0; i < 4; ++i) {
        DSP_Vertex& vertex = quad->vertices[i];
        vertex.x = corners[i][0];
        vertex.y = 0.0f;
        vertex.z = corners[i][1];
        vertex.u = corners[i][2];
        vertex.v = corners[i][3];
        vertex.color = 0xFFFFFFFFu;
    }
    quad->vertexCount = 4;
    const u16 triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (s32 i = 0; i < 2; ++i)
        for (s32 k = 0; k < 3; ++k)
            quad->triangles[i].vertex[k] = triangles[i][k];
    quad->triangleCount = 2;
    VEC_Map& map = quad->material.diffuseMap;
    map.textureId = TEXTURE_PICTURE;
    map.blendMode = 0;
    map.alpha = 254;
    map.flags = (u8)(map.flags & ~VEC_MAP_DEPTHBUFFERED);

    // Both buffers of the flip chain get the picture.
    m_lightSet.SetAmbient(1.0f, 1.0f, 1.0f);
    for (s32 pass = 0; pass < 2; ++pass) {
        display->Clear(1, 1, 0);
        display->BeginScene();
        m_overlayPass->DrawQuads(quad, 512.5f, 512.5f, MAT_Angle(), (f32)s_pictureSide, -(f32)s_pictureSide,
                                 m_lightSet);
        display->EndScene();
        display->Flip();
    }

    delete quad;
    delete picture;
    display->Texture_Destroy(TEXTURE_PICTURE);
}

// ---- building and releasing ----

void Brisel_State_Menu::BuildMenuScene()
{
    m_backdropMesh = LoadOverlayMesh(m_backdropMesh, "vfx\\msh\\menu\\menu_background.msh");
    m_titleMesh = LoadOverlayMesh(m_titleMesh, "vfx\\msh\\menu\\menu_title.msh");

    LoadMenuTextures(s_menuTextureBudget);

    VEC_Material sprite;
    sprite.diffuseMap.textureId = TEXTURE_PLANKTON;
    sprite.diffuseMap.blendMode = 1;
    sprite.diffuseMap.alpha = 60;
    sprite.diffuseMap.flags = (u8)(sprite.diffuseMap.flags & ~VEC_MAP_DEPTHBUFFERED);
    for (REB_Mesh*& plankton : m_planktonMeshes) {
        VEC_MeshPart* field = REP_Sprite::GenerateField(sprite, 1500, 50.0f, 0.7f, 1.3f, -s_pi, s_pi);
        delete plankton;
        plankton = new REB_Mesh();
        plankton->Reconstruct(field);
        delete field;
    }

    DeletePass(m_spritePass);
    m_spritePass = new REP_Sprite();
    m_spritePass->Create();
    SetPassConstants();

    m_font1.Open("gfx\\font\\font1.tga");
    m_font2.Open("gfx\\font\\font2.tga");

    DeleteAndNull(m_mainPage);
    DeleteAndNull(m_setupPage);
    DeleteAndNull(m_resultPage);
    m_mainPage = CreateMainMenu(&m_font2, s_pageExponent, TEXTURE_MAIN_PAGE);
    m_mainPage->SelectItem(0, 0.0f);
    m_currentPage = nullptr;
    m_setupPage = CreateSetupMenu(&m_font2, s_pageExponent, TEXTURE_SETUP_PAGE, &m_setup);
    m_setupPage->SelectItem(0, 0.0f);
    m_resultPage = CreateResultMenu(&m_font1, s_pageExponent, TEXTURE_RESULTS_PAGE);
    m_resultPage->SelectItem(0, 0.0f);

    DeletePass(m_overlayPass);
    m_overlayPass = new REP_Overlay();
    m_overlayPass->Create();
    SetPassConstants();
    m_overlayPass->SetProjection(REP_ALIGN_LEFT | REP_ALIGN_BOTTOM, 640.0f, 480.0f, 1.33333f);
}

void Brisel_State_Menu::LoadMenuTextures(s32 _budget)
{
    DSP_Display* display = SITO_DISPLAY;
    REB_TextureCache* cache = new REB_TextureCache(64, 0);
    if (m_backdropMesh != nullptr)
        cache->RegisterRebMeshTextures(m_backdropMesh, 32);
    if (m_titleMesh != nullptr)
        cache->RegisterRebMeshTextures(m_titleMesh, 32);

    display->SetTextureCacheSize(256);
    cache->Rewind();
    const char* name = nullptr;
    s32 id = -1;
    while (cache->Next(&name, &id) != 0)
        display->RequestTexture(id, OS_Format("vfx\\tex\\menu\\%s", name));
    display->RequestTexture(TEXTURE_PLANKTON, "vfx\\tex\\menu\\plank01");
    display->Texture_ReloadTextures(-1, -1, _budget, 1, 1);
    delete cache;
}

void Brisel_State_Menu::ReleaseMenuScene()
{
    DeleteAndNull(m_resultPage);
    DeleteAndNull(m_setupPage);
    DeleteAndNull(m_mainPage);
    m_currentPage = nullptr;
    DeletePass(m_overlayPass);
    DeletePass(m_spritePass);
    DeleteAndNull(m_backdropMesh);
    DeleteAndNull(m_titleMesh);
    for (REB_Mesh*& plankton : m_planktonMeshes)
        DeleteAndNull(plankton);
    m_font2.Close();
    m_font1.Close();
}

// ---- the camera ----

void Brisel_State_Menu::ResetCamera(f32 _now)
{
    // A 90-degree view: the near-plane extent 5 is tan(pi/4) x the near distance 5.
    VEC_Camera camera;
    camera.SetProjection(-5.0f, 5.0f, -5.0f, 5.0f, 5.0f, 10000.0f, 4.0f / 3.0f);
    MAT_Matrix34 frame;
    frame.LookAt(MAT_Vector3(0.0f, 0.0f, 0.0f), MAT_Vector3(0.0f, 1.0f, 0.0f), MAT_Angle());
    camera.SetTransform(frame);
    m_transformState.SetView(camera.GetWorldTransform());
    m_transformState.SetProjection(camera.GetProjection());

    for (f32& offset : m_cameraOffset)
        offset = 0.0f;
    for (f32& target : m_driftTarget)
        target = 10.0f;
    m_frameTime = _now;
    m_actionTime = _now - 1.0f;
    m_frameDuration = 0.0f;
    m_blitTime = _now;
}

void Brisel_State_Menu::ChangeDrift(f32 _now, f32 _x, f32 _y, f32 _z)
{
    m_driftTarget[0] = _x;
    m_driftTarget[1] = _y;
    m_driftTarget[2] = _z;
    m_frameTime = _now;
    m_actionTime = _now - 1.0f;
    m_frameDuration = 0.0f;
}

void Brisel_State_Menu::DriftStep()
{
    // The target per second right after a change, easing as 1 / (1 + seconds since it).
    const f32 ease = 1.0f / (m_frameTime - m_actionTime);
    for (s32 i = 0; i < 3; ++i)
        m_cameraOffset[i] += m_frameDuration * m_driftTarget[i] * ease;
}

// ---- one frame ----

s32 Brisel_State_Menu::RenderMenu(f32 _now, s32 _title)
{
    DSP_Display* display = SITO_DISPLAY;
    const f32 t = _now;
    display->Clear(0, 1, 0);
    display->BeginScene();

    m_lightSet.SetAmbient(1.0f, 1.0f, 1.0f);
    m_overlayPass->DrawMesh(m_backdropMesh, 320.5f, 240.5f, MAT_Angle(), 642.0f, -482.0f, m_lightSet);

    DriftStep();
    MAT_Matrix34 view;
    view.r.SetDiagonal(1.0f);
    view.t = MAT_Vector3(m_cameraOffset[0], m_cameraOffset[1], m_cameraOffset[2]);
    m_transformState.SetView(view);

    for (s32 k = 0; k < 4; ++k) {
        const PlanktonLayer& layer = s_layers[k];
        const MAT_Vector3 position(layer.ax * std::sin(layer.bx * t), 0.0f, std::sin(layer.bz * t));
        m_spritePass->Render(m_planktonMeshes[k], position, WrappedAngle(layer.turn * t), layer.scale, layer.scale,
                             MAT_Angle(), 0.5f, m_transformState, m_lightSet);
    }

    if (_title != 0) {
        m_lightSet.SetAmbient(1.0f, 1.0f, 1.0f);
        m_overlayPass->DrawMesh(m_titleMesh, 320.5f, 240.5f, MAT_Angle(), 400.0f, -400.0f, m_lightSet);
    }

    m_lightSet.SetAmbient(0.0f, 0.0f, 0.0f);

    // Every page texture is refreshed at least every half second; in between only changed rows.
    u32 force = 0;
    if (m_blitTime + 0.5f < t) {
        m_blitTime = t;
        force = 1;
    }
    GUI_TextMenu* const uploads[3] = {m_setupPage, m_mainPage, m_resultPage};
    for (GUI_TextMenu* page : uploads)
        if (page != nullptr)
            page->UploadTextureToHardware(force);

    // Items of hidden pages are drawn too: transparent and gathered at the centre.
    GUI_TextMenu* const pages[3] = {m_mainPage, m_setupPage, m_resultPage};
    for (GUI_TextMenu* page : pages) {
        if (page == nullptr)
            continue;
        for (s32 i = 0; i < page->GetNumItems(); ++i) {
            GUI_TextItem* item = page->GetTextItem(i);
            if (item == nullptr)
                continue;
            const MAT_Angle angle = WrappedAngle(item->GetAngle(t));
            const GUI_Vector2 position = item->GetPosition(t);
            const GUI_Vector2 size = item->GetSize(t);
            const REB_Mesh* mesh = item->UpdateMaterial(t);
            m_overlayPass->DrawMesh(mesh, position.x + 0.5f, position.y + 0.5f, angle, size.x, size.y, m_lightSet);
        }
    }

    display->EndScene();
    display->Flip();

    m_frameDuration = t - m_frameTime;
    m_frameTime = t;
    return 1;
}

// ---- sounds ----

void Brisel_State_Menu::LoadSounds()
{
    SND_Sample** const samples[5] = {&m_sampleBackground, &m_sampleBuildup, &m_sampleClick, &m_sampleError,
                                     &m_sampleRollover};
    static const char* const files[5] = {
        "sfx\\sample\\menu\\menu_background.wav", "sfx\\sample\\menu\\menu_buildup.wav",
        "sfx\\sample\\menu\\menu_click.wav",      "sfx\\sample\\menu\\menu_error.wav",
        "sfx\\sample\\menu\\menu_rollover.wav",
    };
    for (s32 i = 0; i < 5; ++i) {
        DeleteAndNull(*samples[i]);
        if (Brisel_SoundDevice == nullptr)
            continue;
        // A sample that does not load stays, empty: playing it plays nothing.
        *samples[i] = new SND_Sample();
        (*samples[i])->Load(files[i]);
    }
}

void Brisel_State_Menu::PlaySound(SND_Sample* _sample, f32 _volume, s32 _loopCount)
{
    if (Brisel_SoundDevice == nullptr || _sample == nullptr)
        return;
    SND_PlayParams params;
    params.sample = _sample;
    params.rate = 22050;
    params.pan = 0.0f;
    params.loopCount = _loopCount;
    params.volume = _volume;
    params.minRange = 0.0f;
    params.maxRange = 0.0f;
    Brisel_SoundDevice->Play(params);
}

void Brisel_State_Menu::FreeSounds()
{
    if (Brisel_SoundDevice != nullptr) {
        const s32 channels = Brisel_SoundDevice->GetNumChannels();
        for (s32 channel = 0; channel < channels; ++channel) {
            Brisel_SoundDevice->SetVolume(channel, 0);
            Brisel_SoundDevice->Stop(channel);
        }
    }
    // Samples exist only with a device; should it be gone already, they still go.
    SND_Sample** const samples[5] = {&m_sampleBackground, &m_sampleBuildup, &m_sampleClick, &m_sampleError,
                                     &m_sampleRollover};
    for (SND_Sample** sample : samples) {
        if (*sample != nullptr)
            (*sample)->Free();
        DeleteAndNull(*sample);
    }
}
