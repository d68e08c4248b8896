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

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_gl_common.h"
#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "dev_device.h"
#include "dev_fake.h"
#include "dsp_display.h"
#include "plt_system.h"

namespace
{

constexpr s32 WARM_FRAMES = 3;  // untimed: llvmpipe compiles code for each new state at first use

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
            s32 pitch = (s32)(width * TST_TexelBytes(_format));
            if (TST_IsDxt(_format)) {
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

// ---- the scene ----

// The display and the scene of TST_FrameScene for one run, at 640x480.
class FrameScene
{
public:
    // On the GL device, or on the null device behind the same display.
    explicit FrameScene(bool _null)
    {
        if (bench_gl::Window() == nullptr || !m_dir.Made())
            return;
        TST_WriteFrameSceneData(m_dir);
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
        m_frame.reset(new TST_FrameScene());
        m_built = m_frame->Build();
    }

    ~FrameScene()
    {
        m_frame.reset();
        if (m_display != nullptr) {
            SITO_DISPLAY = nullptr;
            delete m_display;
        }
        if (m_factoryInstalled)
            DEV_SetFactory(nullptr);
    }

    bool Ready() const { return m_built; }

    // One frame at _time, flipped.
    void Frame(f32 _time) { m_frame->Frame(_time); }

    u32 Triangles() const { return m_frame->Renderer().GetStatistics().polygonsThisFrame; }

private:
    TempDir m_dir;
    bool m_factoryInstalled = false;
    DSP_Display* m_display = nullptr;
    std::unique_ptr<TST_FrameScene> m_frame;
    bool m_built = false;
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
        _state.SkipWithError("no window, no OpenGL 3.3 display or no scene");
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
