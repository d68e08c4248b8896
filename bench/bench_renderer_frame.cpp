// One frame of a small scene through the whole frame renderer, Brisel_Renderer::Render: the sky,
// a terrain patch, two objects under fog, a billboard, a trail, a particle, plankton, an
// overlay quad and text, on a 640x480 full-screen display opened as the GL pixel tests open it
// (SDL's offscreen window, Mesa's llvmpipe).
//
// BM_RendererFrame/0 draws the frame on the GL device; BM_RendererFrame/1 draws the same frame
// on a null device behind the same display: it answers every query as the GL driver does (so
// the display and the passes take the same paths) and otherwise only keeps the memory of the
// buffers and textures it hands out. The null run's main-thread CPU time per frame is the
// engine's own cost (scene walk, passes, display layer, state caches); the GL run's is that
// plus the driver's work on the main thread (state validation, uploads, command building;
// llvmpipe rasterises on its own threads, which no figure here counts as CPU).
//
// Counters per run: fps and wall_ms_per_frame (wall clock, rasteriser threads included),
// cpu_ms_per_frame (main-thread CPU, CLOCK_THREAD_CPUTIME_ID), triangles per frame (the
// display's count) and, on the null run, the device calls and draws per frame. The GL run
// also shows our_share: the null run's CPU per frame over its own, when the null run came
// first (it is registered first). The same figures are printed as a summary at the end.
#include <time.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_gl_common.h"
#include "brisel_renderer.h"
#include "brisel_scene_fake.h"
#include "crt_rand.h"
#include "dev_device.h"
#include "dsp_display.h"
#include "dsp_texture.h"
#include "gfx_picture16.h"
#include "gfx_textwriter.h"
#include "os_commandline.h"
#include "plt_system.h"
#include "reb_mesh.h"
#include "sim_clock.h"
#include "tools_fog.h"
#include "tools_font.h"
#include "tools_mesh.h"
#include "tools_tga.h"
#include "tools_tse.h"

namespace
{

constexpr s32 TEXT_TEXTURE = 755;  // outside the ids LoadTextures reloads
constexpr s32 WARM_FRAMES = 3;     // untimed: llvmpipe compiles code for each new state at first use

// ---- the null device ----

// Calls the display made on the null device, for the per-frame figures.
struct NullCounts
{
    u64 calls = 0;
    u64 draws = 0;
};
NullCounts s_nullCounts;

struct NullTexture
{
    u32 width = 0, height = 0, levels = 0, format = 0, pool = 0;
    std::vector<std::vector<u8>> memory;  // per level
    std::vector<s32> pitch;               // per level
};

bool IsDxt(u32 _format)
{
    return _format == DEV_FMT_DXT1 || _format == DEV_FMT_DXT2 || _format == DEV_FMT_DXT3 || _format == DEV_FMT_DXT4 ||
           _format == DEV_FMT_DXT5;
}

u32 TexelBytes(u32 _format)
{
    switch (_format) {
    case DEV_FMT_A8R8G8B8:
    case DEV_FMT_X8R8G8B8:
        return 4;
    default:
        return 2;
    }
}

// Keeps the memory it hands out and nothing else; every other call only counts.
class NullDevice : public DEV_Device
{
public:
    NullDevice(const DEV_Caps& _caps, const DEV_PresentParameters& _present) : m_caps(_caps), m_present(_present) {}

    s32 GetDeviceCaps(DEV_Caps* _caps) override
    {
        *_caps = m_caps;
        return DEV_OK;
    }
    s32 GetBackBufferDesc(DEV_SurfaceDesc* _desc) override
    {
        *_desc = DEV_SurfaceDesc();
        _desc->width = m_present.backBufferWidth;
        _desc->height = m_present.backBufferHeight;
        _desc->format = m_present.backBufferFormat;
        _desc->multiSampleType = m_present.multiSampleType;
        return DEV_OK;
    }
    s32 TestCooperativeLevel() override { return DEV_OK; }
    s32 Reset(DEV_PresentParameters* _parameters) override
    {
        m_present = *_parameters;
        return DEV_OK;
    }
    s32 Present() override { return Count(); }
    s32 GetFrontBuffer(u8* _pixels, u32 _width, u32 _height) override
    {
        memset(_pixels, 0, (size_t)_width * _height * 4);
        return DEV_OK;
    }
    s32 BeginScene() override { return Count(); }
    s32 EndScene() override { return Count(); }
    s32 SetViewport(const DEV_Viewport&) override { return Count(); }
    s32 Clear(u32, u32, f32, u32) override { return Count(); }
    s32 SetRenderState(u32, u32) override { return Count(); }
    s32 SetTextureStageState(u32, u32, u32) override { return Count(); }

    s32 CreateVertexBuffer(u32 _length, u32, u32, DEV_Handle* _buffer) override { return MakeBuffer(_length, _buffer); }
    s32 LockVertexBuffer(DEV_Handle _buffer, u32 _offset, u32, u32, u8** _data) override
    {
        return LockBuffer(_buffer, _offset, _data);
    }
    s32 UnlockVertexBuffer(DEV_Handle) override { return Count(); }
    void ReleaseVertexBuffer(DEV_Handle _buffer) override { m_buffers.erase(_buffer); }
    s32 CreateIndexBuffer(u32 _length, u32, u32, u32, DEV_Handle* _buffer) override
    {
        return MakeBuffer(_length, _buffer);
    }
    s32 LockIndexBuffer(DEV_Handle _buffer, u32 _offset, u32, u32, u8** _data) override
    {
        return LockBuffer(_buffer, _offset, _data);
    }
    s32 UnlockIndexBuffer(DEV_Handle) override { return Count(); }
    void ReleaseIndexBuffer(DEV_Handle _buffer) override { m_buffers.erase(_buffer); }

    s32 SetStreamSource(u32, DEV_Handle, u32) override { return Count(); }
    s32 SetIndices(DEV_Handle, u32) override { return Count(); }
    s32 DrawIndexedPrimitive(u32, u32, u32, u32, u32) override
    {
        ++s_nullCounts.draws;
        return Count();
    }

    s32 CreateTexture(u32 _width, u32 _height, u32 _levels, u32, u32 _format, u32 _pool, DEV_Handle* _texture) override
    {
        NullTexture texture;
        texture.width = _width;
        texture.height = _height;
        texture.levels = _levels;
        texture.format = _format;
        texture.pool = _pool;
        for (u32 level = 0; level < _levels; ++level) {
            const u32 width = _width >> level ? _width >> level : 1;
            const u32 height = _height >> level ? _height >> level : 1;
            u32 rows = height;
            s32 pitch = (s32)(width * TexelBytes(_format));
            if (IsDxt(_format)) {
                pitch = (s32)(((width + 3) / 4) * (_format == DEV_FMT_DXT1 ? 8 : 16));
                rows = (height + 3) / 4;
            }
            texture.pitch.push_back(pitch);
            texture.memory.emplace_back((size_t)pitch * rows, (u8)0);
        }
        *_texture = m_next++;
        m_textures[*_texture] = std::move(texture);
        return DEV_OK;
    }
    s32 GetLevelDesc(DEV_Handle _texture, u32 _level, DEV_SurfaceDesc* _desc) override
    {
        auto found = m_textures.find(_texture);
        if (found == m_textures.end() || _level >= found->second.levels)
            return DEV_ERR_INVALIDCALL;
        const NullTexture& texture = found->second;
        *_desc = DEV_SurfaceDesc();
        _desc->format = texture.format;
        _desc->pool = texture.pool;
        _desc->width = texture.width >> _level ? texture.width >> _level : 1;
        _desc->height = texture.height >> _level ? texture.height >> _level : 1;
        _desc->size = (u32)texture.memory[_level].size();
        return DEV_OK;
    }
    s32 LockRect(DEV_Handle _texture, u32 _level, u8** _bits, s32* _pitch, u32) override
    {
        Count();
        auto found = m_textures.find(_texture);
        if (found == m_textures.end() || _level >= found->second.levels) {
            *_bits = nullptr;
            return DEV_ERR_INVALIDCALL;
        }
        *_bits = found->second.memory[_level].data();
        *_pitch = found->second.pitch[_level];
        return DEV_OK;
    }
    s32 UnlockRect(DEV_Handle, u32) override { return Count(); }
    void PreLoad(DEV_Handle) override {}
    void ReleaseTexture(DEV_Handle _texture) override { m_textures.erase(_texture); }
    s32 SetTexture(u32, DEV_Handle) override { return Count(); }

    s32 CreateVertexShader(const char*, u32, DEV_Handle* _shader) override
    {
        *_shader = m_next++;
        return DEV_OK;
    }
    s32 DeleteVertexShader(DEV_Handle) override { return DEV_OK; }
    s32 SetVertexShader(DEV_Handle) override { return Count(); }
    s32 SetVertexShaderConstant(u32, const f32*, u32) override { return Count(); }
    s32 CreatePixelShader(const char*, DEV_Handle* _shader) override
    {
        *_shader = m_next++;
        return DEV_OK;
    }
    s32 DeletePixelShader(DEV_Handle) override { return DEV_OK; }
    s32 SetPixelShader(DEV_Handle) override { return Count(); }

private:
    static s32 Count()
    {
        ++s_nullCounts.calls;
        return DEV_OK;
    }
    s32 MakeBuffer(u32 _length, DEV_Handle* _buffer)
    {
        *_buffer = m_next++;
        m_buffers[*_buffer].assign(_length, 0);
        return DEV_OK;
    }
    s32 LockBuffer(DEV_Handle _buffer, u32 _offset, u8** _data)
    {
        Count();
        auto found = m_buffers.find(_buffer);
        if (found == m_buffers.end() || _offset > found->second.size()) {
            *_data = nullptr;
            return DEV_ERR_INVALIDCALL;
        }
        *_data = found->second.data() + _offset;
        return DEV_OK;
    }

    DEV_Caps m_caps;
    DEV_PresentParameters m_present;
    std::map<DEV_Handle, std::vector<u8>> m_buffers;
    std::map<DEV_Handle, NullTexture> m_textures;
    DEV_Handle m_next = 1;
};

// The GL driver for every question, the null device for the device itself.
class NullDriver : public DEV_Driver
{
public:
    explicit NullDriver(DEV_Driver* _gl) : m_gl(_gl) {}
    ~NullDriver() override { delete m_gl; }

    u32 GetAdapterCount() override { return m_gl->GetAdapterCount(); }
    s32 GetAdapterIdentifier(u32 _adapter, DEV_AdapterIdentifier* _identifier) override
    {
        return m_gl->GetAdapterIdentifier(_adapter, _identifier);
    }
    s32 GetAdapterDisplayMode(u32 _adapter, DEV_DisplayMode* _mode) override
    {
        return m_gl->GetAdapterDisplayMode(_adapter, _mode);
    }
    u32 GetAdapterModeCount(u32 _adapter) override { return m_gl->GetAdapterModeCount(_adapter); }
    s32 EnumAdapterModes(u32 _adapter, u32 _mode, DEV_DisplayMode* _result) override
    {
        return m_gl->EnumAdapterModes(_adapter, _mode, _result);
    }
    s32 GetDeviceCaps(u32 _adapter, u32 _deviceType, DEV_Caps* _caps) override
    {
        return m_gl->GetDeviceCaps(_adapter, _deviceType, _caps);
    }
    s32 CheckDeviceType(u32 _adapter, u32 _deviceType, u32 _displayFormat, u32 _backBufferFormat,
                        u32 _windowed) override
    {
        return m_gl->CheckDeviceType(_adapter, _deviceType, _displayFormat, _backBufferFormat, _windowed);
    }
    s32 CheckDeviceFormat(u32 _adapter, u32 _deviceType, u32 _adapterFormat, u32 _usage, u32 _resourceType,
                          u32 _checkFormat) override
    {
        return m_gl->CheckDeviceFormat(_adapter, _deviceType, _adapterFormat, _usage, _resourceType, _checkFormat);
    }
    s32 CheckDeviceMultiSampleType(u32 _adapter, u32 _deviceType, u32 _surfaceFormat, u32 _windowed,
                                   u32 _multiSampleType) override
    {
        return m_gl->CheckDeviceMultiSampleType(_adapter, _deviceType, _surfaceFormat, _windowed, _multiSampleType);
    }
    s32 CheckDepthStencilMatch(u32 _adapter, u32 _deviceType, u32 _adapterFormat, u32 _renderTargetFormat,
                               u32 _depthStencilFormat) override
    {
        return m_gl->CheckDepthStencilMatch(_adapter, _deviceType, _adapterFormat, _renderTargetFormat,
                                            _depthStencilFormat);
    }
    s32 CreateDevice(u32 _adapter, u32 _deviceType, void*, u32, DEV_PresentParameters* _parameters,
                     DEV_Device** _device) override
    {
        *_device = nullptr;
        DEV_Caps caps;
        const s32 result = m_gl->GetDeviceCaps(_adapter, _deviceType, &caps);
        if (result != DEV_OK)
            return result;
        *_device = new NullDevice(caps, *_parameters);
        return DEV_OK;
    }
    void GetWindowRects(void* _window, DEV_Rect* _windowRect, DEV_Rect* _clientRect) override
    {
        m_gl->GetWindowRects(_window, _windowRect, _clientRect);
    }

private:
    DEV_Driver* m_gl;
};

DEV_Driver* CreateNullDriver(void* _window)
{
    DEV_Driver* gl = DEV_CreateGLDevice(_window);
    return gl != nullptr ? new NullDriver(gl) : nullptr;
}

// ---- the data files ----

// A fresh working directory for the renderer's files, removed again afterwards.
class TempDir
{
public:
    TempDir()
    {
        m_previous = std::filesystem::current_path().string();
        char pattern[] = "/tmp/qv_bench_XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            return;
        m_path = pattern;
        std::filesystem::current_path(m_path);
    }
    ~TempDir()
    {
        std::error_code error;
        std::filesystem::current_path(m_previous, error);
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool Made() const { return !m_path.empty(); }
    void Write(const std::string& _name, const std::string& _bytes) const
    {
        const std::filesystem::path path = std::filesystem::path(m_path) / _name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(_bytes.data(), (std::streamsize)_bytes.size());
    }

private:
    std::string m_path;
    std::string m_previous;
};

// A 4 x 4 picture of one colour, as the texture file _name.
void TextureFile(const TempDir& _dir, const std::string& _name, u32 _color)
{
    _dir.Write(_name + "_l2.tga", TOOL_TGABytes(TOOL_MakeTGA(4, 4, 32, _color)));
}

constexpr s32 CAUSTIC_FRAMES = 4;

// Configuration, fonts, a sky wall ahead of the eye, the caustic set, textures, the terrain's
// selector picture and a fog whose alpha grows with view depth.
void WriteScene(const TempDir& _dir)
{
    _dir.Write("ini/display.des",
               "[Display]\n{\n    Width = 800\n    Height = 600\n    Depth = 16\n    Texturecachesize = 8192\n"
               "    UseMipMap = 1\n    UseCompressedTextures = 0\n    RenderRays = 1\n    RenderPlankton = 5\n"
               "    RenderPlants = 1\n}\n");
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
    _dir.Write("vfx/tex/caustic/caustic.tse", TOOL_TextureSetText("caustic\\caustic", CAUSTIC_FRAMES));

    TOOL_Mesh sky;
    sky.vertices = {{-2.0f, 0.9f, -2.0f}, {-2.0f, 0.9f, 2.0f}, {2.0f, 0.9f, 2.0f}, {2.0f, 0.9f, -2.0f}};
    TOOL_MeshMaterial material;
    material.diffuseBitmap = "sky";
    sky.materials = {material};
    for (const std::array<s32, 3>& corners : {std::array<s32, 3>{0, 1, 2}, std::array<s32, 3>{0, 2, 3},
                                              std::array<s32, 3>{0, 2, 1}, std::array<s32, 3>{0, 3, 2}}) {
        TOOL_MeshTriangle triangle;
        triangle.vertex = corners;
        sky.triangles.push_back(triangle);
    }
    _dir.Write("vfx/msh/sky03.msh", TOOL_MeshText(sky));
    for (s32 frame = 1; frame <= CAUSTIC_FRAMES; ++frame)
        TextureFile(_dir, "caustic/caustic00" + std::to_string(frame), 0xFF000000u);

    TextureFile(_dir, "vfx/tex/sky", 0xFF0000A0u);
    TextureFile(_dir, "vfx/tex/objwhite", 0xFFFFFFFFu);
    TextureFile(_dir, "vfx/tex/fx/red", 0xFFFF0000u);
    TextureFile(_dir, "vfx/tex/fx/green", 0xFF00FF00u);
    TextureFile(_dir, "vfx/tex/fx/white", 0xFFFFFFFFu);
    TextureFile(_dir, "vfx/tex/fx/orange", 0xFFFF8000u);
    TextureFile(_dir, "vfx/tex/fx/plankton", 0xFF808000u);
    TextureFile(_dir, "terrain/ground", 0xFF808080u);
    TextureFile(_dir, "terrain/detail", 0xFF808080u);
    TextureFile(_dir, "terrain/light", 0xFFFFFFFFu);
    _dir.Write("terrain/material_s.tga", TOOL_TGABytes(TOOL_MakeTGA(256, 256, 32, 0x00C08040u)));

    TOOL_Fog fog;
    fog.rows = 64;
    fog.baseHeight = -100.0f;
    fog.depthStep = 2.0f;
    fog.layerSpacing = 4.0f;
    fog.pixels.resize((size_t)64 * 64 * 64);
    for (size_t i = 0; i < fog.pixels.size(); ++i)
        fog.pixels[i] = (u32)((i % 64) * 4) << 24 | 0x0000FF00u;
    _dir.Write("fog/green.fog", TOOL_FogBytes(fog));
    _dir.Write("fog/green.tga", TOOL_TGABytes(TOOL_MakeTGA(2, 1, 32, 0x00000000u)));
}

// ---- the scene ----

MAT_Matrix34 At(const MAT_Vector3& _position)
{
    MAT_Matrix34 world;
    world.r.SetDiagonal(1.0f);
    world.t = _position;
    return world;
}

// The display, the renderer and the scene for one run; the eye sits at the origin looking
// along +y with a 90 degree view.
class FrameScene
{
public:
    // On the GL device, or on the null device behind the same display.
    explicit FrameScene(bool _null)
    {
        if (bench_gl::Window() == nullptr || !m_dir.Made())
            return;
        WriteScene(m_dir);
        if (_null)
            DEV_SetFactory(CreateNullDriver);
        m_factoryInstalled = _null;
        u32 ok = 0;
        m_display = new DSP_Display(&ok, PLT_GetSystem()->Window(), nullptr, 1);
        DSP_BoardInfo board;
        if (ok == 1)
            m_display->OpenBoard(&board);
        if (ok != 1 || m_display->OpenResolution(640, 480, 32, 0) != 0) {
            delete m_display;
            m_display = nullptr;
            return;
        }
        SITO_DISPLAY = m_display;
        OS_SetCommandLine("");
        SIM_GetFrameClock().Set(0.0f, 0.0f);
        SIM_GetFrameClock().fraction = 0.0f;
        Brisel_Renderer::GetDisplaySetup() = Brisel_DisplaySetup();
        Brisel_Renderer::SetPlanktonSwitch(1);
        m_resources.reset(new TST_FakeResources());
        m_scene.reset(new TST_FakeScene());
        m_renderer = new Brisel_Renderer();
        m_renderer->CreateDisplay();
        Build();
    }

    ~FrameScene()
    {
        if (m_display != nullptr) {
            delete m_renderer;
            m_scene.reset();
            m_resources->renderMeshes.clear();
            m_meshes.clear();
            m_resources.reset();
            SITO_DISPLAY = nullptr;
            delete m_display;
        }
        if (m_factoryInstalled)
            DEV_SetFactory(nullptr);
    }

    bool Ready() const { return m_display != nullptr; }

    // One frame at _time, flipped.
    void Frame(f32 _time)
    {
        SIM_GetFrameClock().SetTime(_time);
        m_renderer->Render();
    }

    u32 Triangles() const { return m_renderer->GetStatistics().polygonsThisFrame; }

private:
    // A square facing the eye (its normal along -y), _side wide, for the object pass.
    REB_Mesh* Square(f32 _side)
    {
        VEC_MeshPart part;
        part.Allocate(4, 2);
        const f32 corners[4][2] = {{-0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, -0.5f}};
        for (s32 i = 0; i < 4; ++i) {
            part.vertices[i].x = corners[i][0] * _side;
            part.vertices[i].z = corners[i][1] * _side;
            part.vertices[i].ny = -1.0f;
            part.vertices[i].u = corners[i][0] + 0.5f;
            part.vertices[i].v = 0.5f - corners[i][1];
        }
        const u16 triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (s32 t = 0; t < 2; ++t)
            for (s32 k = 0; k < 3; ++k)
                part.triangles[t].vertex[k] = triangles[t][k];
        part.vertexCount = 4;
        part.triangleCount = 2;
        part.ComputeBoundingBox();
        part.material.diffuseMap.SetTextureName("objwhite");
        m_meshes.emplace_back(new REB_Mesh());
        m_meshes.back()->Reconstruct(&part);
        m_resources->renderMeshes.push_back(m_meshes.back().get());
        return m_meshes.back().get();
    }

    void Body(s16 _bucket, const MAT_Vector3& _position, std::function<void()> _render)
    {
        m_bodies.emplace_back(new TST_FakeBody(nullptr, _bucket, _position));
        m_bodies.back()->onRender = std::move(_render);
        m_scene->camera->visible.push_back(m_bodies.back().get());
    }

    void Build()
    {
        REB_TextureCache& names = m_resources->names;
        const s32 red = names.RegisterTextureName("vfx\\tex\\fx\\red", 32);
        const s32 green = names.RegisterTextureName("vfx\\tex\\fx\\green", 32);
        const s32 white = names.RegisterTextureName("vfx\\tex\\fx\\white", 32);
        const s32 orange = names.RegisterTextureName("vfx\\tex\\fx\\orange", 32);

        // The terrain: one flat tile of 80 x 50 units, 10 below the eye, from 10 to 60 ahead.
        m_renderer->Terrain_SetMaterial(0, "terrain\\ground", 0.1f);
        m_renderer->Terrain_SetMaterial(3, "terrain\\detail", 0.5f);
        m_renderer->Terrain_SetLightmap("terrain\\light");
        const f32 tint[3] = {0.5f, 0.5f, 0.5f};
        m_renderer->Terrain_CreateSelectors("terrain\\", tint, tint, tint);
        m_terrain.tiles.resize(1);
        TST_FakeTerrainTile& tile = m_terrain.tiles[0];
        tile.vertices.resize(4);
        for (u32 i = 0; i < 4; ++i) {
            tile.vertices[i].x = i & 1;
            tile.vertices[i].y = i >> 1;
        }
        tile.triangles.resize(2);
        const u16 corners[2][3] = {{0, 3, 1}, {0, 2, 3}};
        for (s32 t = 0; t < 2; ++t)
            for (s32 k = 0; k < 3; ++k)
                tile.triangles[(size_t)t].vertex[k] = corners[t][k];
        tile.origin = {-40.0f, 10.0f, -10.0f};
        tile.scale = {80.0f, 50.0f, 1.0f};

        // Plankton: one layer of small triangles around the eye.
        CRT_SRand(7);
        VEC_Material planktonMaterial;
        planktonMaterial.diffuseMap.blendMode = 1;
        m_renderer->Plankton_Set(0, "vfx\\tex\\fx\\plankton", planktonMaterial, 60, 20.0f, 0.4f, 0.6f, 0.0f,
                                 6.2831855f);

        REB_Mesh* nearSquare = Square(4.0f);
        REB_Mesh* farSquare = Square(20.0f);
        m_renderer->LoadFog("fog\\green");
        m_renderer->LoadTextures();
        m_renderer->Terrain_Triangulate(&m_terrain, 1.0f);

        // The text picture: four "!" at its top left.
        GFX_Picture16 text(64, 64);
        GFX_TextWriter writer;
        writer.SetTarget(&text);
        writer.SetFont(&m_renderer->GetFont(0));
        writer.PutString("!!!!");
        m_display->Texture_Create(TEXT_TEXTURE, DSP_TEXTURE_A1R5G5B5, 6, 1);
        m_display->Texture_Refresh(TEXT_TEXTURE, text.GetPixels());

        Body(BRISEL_BUCKET_SOLID, {-6.0f, 20.0f, 4.0f}, [this, nearSquare] {
            m_renderer->RenderMesh(nearSquare, At({-6.0f, 20.0f, 4.0f}));
        });
        Body(BRISEL_BUCKET_SOLID, {50.0f, 110.0f, 22.0f}, [this, farSquare] {
            m_renderer->RenderMesh(farSquare, At({50.0f, 110.0f, 22.0f}));
        });
        Body(BRISEL_BUCKET_TERRAIN, {}, [this] { m_renderer->Terrain_Render(); });
        m_trail.quads = 4;
        m_trail.start = {-20.0f, 40.0f, 20.0f};
        m_trail.length = 15.0f;
        m_trail.halfWidth = 1.0f;
        Body(BRISEL_BUCKET_TRAILS, {}, [this, white] { m_renderer->RenderTrail(&m_trail, white); });
        Body(BRISEL_BUCKET_HALOS, {}, [this, red] {
            m_renderer->RenderBillboard(red, {0.0f, 30.0f, 6.0f}, 4.0f, 4.0f, s_opaque);
        });
        Body(BRISEL_BUCKET_PLANKTON, {}, [this] { m_renderer->Plankton_Render(1.0f); });

        m_look.textureId = green;
        m_look.sizeScale = 4.0f;
        m_look.blendMode = 1;
        for (VFX_KeyTrack* curve : {&m_look.red, &m_look.green, &m_look.blue, &m_look.alpha, &m_look.size}) {
            curve->Allocate(2);
            curve->Fill(1.0f);
            curve->SetTiming(0.0f, 1.0f, VFX_KeyTrack::FLAG_CLAMP);
        }
        m_particles.reset(new TST_FakeParticles());
        Brisel_ParticleState particle;
        particle.ageRate = 0.5f;
        particle.position = particle.previousPosition = {20.0f, 30.0f, 6.0f};
        particle.look = &m_look;
        m_particles->particles.push_back(particle);

        TST_FakeScreenNode* hud = m_scene->AddScreen("hud");
        hud->onRender = [this, orange] {
            m_renderer->Draw2DQuad(orange, 560.0f, 400.0f, MAT_Angle(), 64.0f, 64.0f, s_opaque, 2, 255);
            m_renderer->Draw2DQuad(TEXT_TEXTURE, 100.0f, 400.0f, MAT_Angle(), 64.0f, 64.0f, s_opaque, 2, 255);
        };
    }

    static constexpr u8 s_opaque[4] = {255, 255, 255, 255};

    TempDir m_dir;
    bool m_factoryInstalled = false;
    DSP_Display* m_display = nullptr;
    std::unique_ptr<TST_FakeResources> m_resources;
    std::unique_ptr<TST_FakeScene> m_scene;
    Brisel_Renderer* m_renderer = nullptr;
    std::vector<std::unique_ptr<REB_Mesh>> m_meshes;
    std::vector<std::unique_ptr<TST_FakeBody>> m_bodies;
    TST_FakeTerrain m_terrain;
    TST_FakeTrail m_trail;
    Brisel_ParticleLook m_look;
    std::unique_ptr<TST_FakeParticles> m_particles;
};

// ---- the runs ----

f64 ThreadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return (f64)now.tv_sec + (f64)now.tv_nsec * 1e-9;
}

// The null run's main-thread CPU per frame (ms), for the GL run's our_share.
f64 s_nullCpuMs = 0.0;

// Argument 0: the GL device; 1: the null device.
void BM_RendererFrame(benchmark::State& _state)
{
    const bool null = _state.range(0) != 0;
    FrameScene scene(null);
    if (!scene.Ready()) {
        _state.SkipWithError("no window or no OpenGL 3.3 display");
        return;
    }
    u64 frame = 0;
    const auto time = [&frame]() { return (f32)(frame % 600) / 60.0f; };
    for (s32 i = 0; i < WARM_FRAMES; ++i, ++frame)
        scene.Frame(time());

    const NullCounts countsBefore = s_nullCounts;
    const auto wallStart = std::chrono::steady_clock::now();
    const f64 cpuStart = ThreadSeconds();
    for (auto _ : _state) {
        scene.Frame(time());
        ++frame;
    }
    const f64 cpu = ThreadSeconds() - cpuStart;
    const f64 wall = std::chrono::duration<f64>(std::chrono::steady_clock::now() - wallStart).count();

    const f64 frames = (f64)_state.iterations();
    const f64 cpuMs = cpu * 1e3 / frames;
    _state.counters["fps"] = frames / wall;
    _state.counters["wall_ms_per_frame"] = wall * 1e3 / frames;
    _state.counters["cpu_ms_per_frame"] = cpuMs;
    _state.counters["triangles"] = scene.Triangles();
    if (null) {
        _state.counters["device_calls"] = (f64)(s_nullCounts.calls - countsBefore.calls) / frames;
        _state.counters["draws"] = (f64)(s_nullCounts.draws - countsBefore.draws) / frames;
        s_nullCpuMs = cpuMs;
    } else if (s_nullCpuMs > 0.0) {
        _state.counters["our_share"] = s_nullCpuMs / cpuMs;
    }
}

// The console report, keeping each run's figures for the summary (with repetitions: the
// medians).
class FrameReporter : public benchmark::ConsoleReporter
{
public:
    FrameReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& _runs) override
    {
        for (const Run& run : _runs) {
            const bool usable = run.run_type == Run::RT_Iteration || run.aggregate_name == "median";
            if (run.error_occurred || !usable || run.counters.count("cpu_ms_per_frame") == 0)
                continue;
            Figures& figures = run.run_name.args == "1" ? m_null : m_gl;
            figures.fps = run.counters.at("fps").value;
            figures.wallMs = run.counters.at("wall_ms_per_frame").value;
            figures.cpuMs = run.counters.at("cpu_ms_per_frame").value;
        }
        ConsoleReporter::ReportRuns(_runs);
    }

    void PrintSummary() const
    {
        if (m_gl.cpuMs <= 0.0)
            return;
        printf("\nOne frame of the fixture scene at 640x480 (llvmpipe)\n");
        printf("  GL device:   %.1f fps, %.3f ms wall, %.3f ms main-thread CPU per frame\n", m_gl.fps, m_gl.wallMs,
               m_gl.cpuMs);
        if (m_null.cpuMs <= 0.0)
            return;
        printf("  null device: %.3f ms main-thread CPU per frame (the engine's own)\n", m_null.cpuMs);
        printf("  our share:   %.1f%% of the GL run's main-thread CPU, %.1f%% of its wall time\n",
               100.0 * m_null.cpuMs / m_gl.cpuMs, 100.0 * m_null.cpuMs / m_gl.wallMs);
    }

private:
    struct Figures
    {
        f64 fps = 0.0, wallMs = 0.0, cpuMs = 0.0;
    };
    Figures m_gl, m_null;
};

}  // namespace

// The null run first, so that the GL run can show our_share.
BENCHMARK(BM_RendererFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

int main(int _argc, char** _argv)
{
    benchmark::Initialize(&_argc, _argv);
    if (benchmark::ReportUnrecognizedArguments(_argc, _argv))
        return 1;
    FrameReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
