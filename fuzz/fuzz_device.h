// A recording display device for fuzz targets that load render meshes: buffers and textures
// live in memory, every other call is accepted, so no GPU is needed; plus the checks and the
// system stand-in the targets share.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "dev_device.h"
#include "dsp_display.h"
#include "mem_alloc.h"
#include "plt_system.h"

namespace
{

void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

// ---- the recording device: memory for buffers and textures, every other call accepted ----

struct Memory
{
    std::vector<u8> bytes;
    u32 pitch = 0;
};

class FuzzDevice : public DEV_Device
{
public:
    explicit FuzzDevice(const DEV_PresentParameters& _present) : m_present(_present) {}

    s32 GetDeviceCaps(DEV_Caps* _caps) override;
    s32 GetBackBufferDesc(DEV_SurfaceDesc* _desc) override
    {
        *_desc = DEV_SurfaceDesc();
        _desc->width = m_present.backBufferWidth;
        _desc->height = m_present.backBufferHeight;
        _desc->format = m_present.backBufferFormat;
        return DEV_OK;
    }
    s32 TestCooperativeLevel() override { return DEV_OK; }
    s32 Reset(DEV_PresentParameters* _parameters) override
    {
        m_present = *_parameters;
        return DEV_OK;
    }
    s32 Present() override { return DEV_OK; }
    s32 GetFrontBuffer(u8* _pixels, u32 _width, u32 _height) override
    {
        std::memset(_pixels, 0, (size_t)_width * _height * 4);
        return DEV_OK;
    }
    s32 BeginScene() override { return DEV_OK; }
    s32 EndScene() override { return DEV_OK; }
    s32 SetViewport(const DEV_Viewport&) override { return DEV_OK; }
    s32 Clear(u32, u32, f32, u32) override { return DEV_OK; }
    s32 SetRenderState(u32, u32) override { return DEV_OK; }
    s32 SetTextureStageState(u32, u32, u32) override { return DEV_OK; }

    s32 CreateVertexBuffer(u32 _length, u32, u32, DEV_Handle* _buffer) override
    {
        return Create(m_vertexBuffers, _length, _buffer);
    }
    s32 LockVertexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32, u8** _data) override
    {
        return Lock(m_vertexBuffers, _buffer, _offset, _size, _data);
    }
    s32 UnlockVertexBuffer(DEV_Handle _buffer) override { return Known(m_vertexBuffers, _buffer); }
    void ReleaseVertexBuffer(DEV_Handle _buffer) override { m_vertexBuffers.erase(_buffer); }
    s32 CreateIndexBuffer(u32 _length, u32, u32, u32, DEV_Handle* _buffer) override
    {
        return Create(m_indexBuffers, _length, _buffer);
    }
    s32 LockIndexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32, u8** _data) override
    {
        return Lock(m_indexBuffers, _buffer, _offset, _size, _data);
    }
    s32 UnlockIndexBuffer(DEV_Handle _buffer) override { return Known(m_indexBuffers, _buffer); }
    void ReleaseIndexBuffer(DEV_Handle _buffer) override { m_indexBuffers.erase(_buffer); }
    s32 SetStreamSource(u32, DEV_Handle, u32) override { return DEV_OK; }
    s32 SetIndices(DEV_Handle, u32) override { return DEV_OK; }
    s32 DrawIndexedPrimitive(u32, u32, u32, u32, u32) override { return DEV_OK; }

    s32 CreateTexture(u32 _width, u32 _height, u32 _levels, u32, u32 _format, u32, DEV_Handle* _texture) override
    {
        std::vector<Memory>& levels = m_textures[m_next];
        for (u32 level = 0; level < (_levels == 0 ? 1 : _levels); ++level) {
            // Four bytes a texel, at least a 4 x 4 block: room for every format's rows.
            const u32 width = (_width >> level) > 4 ? (_width >> level) : 4;
            const u32 height = (_height >> level) > 4 ? (_height >> level) : 4;
            levels.push_back({std::vector<u8>((size_t)width * height * 4), width * 4});
        }
        m_formats[m_next] = _format;
        *_texture = m_next++;
        return DEV_OK;
    }
    s32 GetLevelDesc(DEV_Handle _texture, u32 _level, DEV_SurfaceDesc* _desc) override
    {
        auto found = m_textures.find(_texture);
        if (found == m_textures.end() || _level >= found->second.size())
            return DEV_ERR_INVALIDCALL;
        *_desc = DEV_SurfaceDesc();
        _desc->format = m_formats[_texture];
        _desc->width = found->second[_level].pitch / 4;
        _desc->height = (u32)(found->second[_level].bytes.size() / found->second[_level].pitch);
        _desc->size = (u32)found->second[_level].bytes.size();
        return DEV_OK;
    }
    s32 LockRect(DEV_Handle _texture, u32 _level, u8** _bits, s32* _pitch, u32) override
    {
        auto found = m_textures.find(_texture);
        if (found == m_textures.end() || _level >= found->second.size())
            return DEV_ERR_INVALIDCALL;
        *_bits = found->second[_level].bytes.data();
        *_pitch = (s32)found->second[_level].pitch;
        return DEV_OK;
    }
    s32 UnlockRect(DEV_Handle, u32) override { return DEV_OK; }
    void PreLoad(DEV_Handle) override {}
    void ReleaseTexture(DEV_Handle _texture) override { m_textures.erase(_texture); }
    s32 SetTexture(u32, DEV_Handle) override { return DEV_OK; }
    s32 CreateVertexShader(const char*, u32, DEV_Handle* _shader) override
    {
        *_shader = m_next++;
        return DEV_OK;
    }
    s32 DeleteVertexShader(DEV_Handle) override { return DEV_OK; }
    s32 SetVertexShader(DEV_Handle) override { return DEV_OK; }
    s32 SetVertexShaderConstant(u32, const f32*, u32) override { return DEV_OK; }
    s32 CreatePixelShader(const char*, DEV_Handle* _shader) override
    {
        *_shader = m_next++;
        return DEV_OK;
    }
    s32 DeletePixelShader(DEV_Handle) override { return DEV_OK; }
    s32 SetPixelShader(DEV_Handle) override { return DEV_OK; }

    size_t BufferCount() const { return m_vertexBuffers.size() + m_indexBuffers.size(); }

private:
    using Buffers = std::map<DEV_Handle, std::vector<u8>>;

    s32 Create(Buffers& _buffers, u32 _length, DEV_Handle* _buffer)
    {
        _buffers[m_next].resize(_length);
        *_buffer = m_next++;
        return DEV_OK;
    }
    // A lock inside the buffer or none, as the device contract says.
    static s32 Lock(Buffers& _buffers, DEV_Handle _buffer, u32 _offset, u32 _size, u8** _data)
    {
        *_data = nullptr;
        auto found = _buffers.find(_buffer);
        if (found == _buffers.end())
            return DEV_ERR_INVALIDCALL;
        const u64 length = found->second.size();
        const u64 end = _size == 0 ? length : (u64)_offset + _size;
        if (_offset > length || end > length)
            return DEV_ERR_INVALIDCALL;
        *_data = found->second.data() + _offset;
        return DEV_OK;
    }
    static s32 Known(const Buffers& _buffers, DEV_Handle _buffer)
    {
        return _buffers.count(_buffer) != 0 ? DEV_OK : DEV_ERR_INVALIDCALL;
    }

    DEV_PresentParameters m_present;
    Buffers m_vertexBuffers;
    Buffers m_indexBuffers;
    std::map<DEV_Handle, std::vector<Memory>> m_textures;
    std::map<DEV_Handle, u32> m_formats;
    DEV_Handle m_next = 1;
};

DEV_Caps Caps()
{
    DEV_Caps caps;
    caps.deviceType = DEV_DEVTYPE_HAL;
    caps.caps2 = DEV_CAPS2_CANRENDERWINDOWED;
    caps.devCaps = DEV_DEVCAPS_HWTRANSFORMANDLIGHT;
    caps.maxTextureWidth = 2048;
    caps.maxTextureHeight = 2048;
    caps.maxStreams = 1;
    caps.vertexShaderVersion = DEV_VS_VERSION(1, 1);
    caps.maxVertexShaderConst = 96;
    caps.pixelShaderVersion = DEV_PS_VERSION(1, 1);
    caps.maxSimultaneousTextures = 8;
    return caps;
}

s32 FuzzDevice::GetDeviceCaps(DEV_Caps* _caps)
{
    *_caps = Caps();
    return DEV_OK;
}

FuzzDevice* s_device = nullptr;

class FuzzDriver : public DEV_Driver
{
public:
    FuzzDriver()
    {
        m_desktop.width = 1024;
        m_desktop.height = 768;
        m_desktop.refreshRate = 60;
        m_desktop.format = DEV_FMT_X8R8G8B8;
        m_modeCount = DEV_BuildModeList(&m_desktop, 1, m_modes, 64);
    }

    u32 GetAdapterCount() override { return 1; }
    s32 GetAdapterIdentifier(u32 _adapter, DEV_AdapterIdentifier* _identifier) override
    {
        if (_adapter != 0)
            return DEV_ERR_INVALIDCALL;
        *_identifier = DEV_AdapterIdentifier();
        std::strcpy(_identifier->driver, "fuzz");
        std::strcpy(_identifier->description, "Fuzz Renderer");
        return DEV_OK;
    }
    s32 GetAdapterDisplayMode(u32 _adapter, DEV_DisplayMode* _mode) override
    {
        *_mode = m_desktop;
        return _adapter == 0 ? DEV_OK : DEV_ERR_INVALIDCALL;
    }
    u32 GetAdapterModeCount(u32 _adapter) override { return _adapter == 0 ? m_modeCount : 0; }
    s32 EnumAdapterModes(u32 _adapter, u32 _mode, DEV_DisplayMode* _result) override
    {
        if (_adapter != 0 || _mode >= m_modeCount)
            return DEV_ERR_INVALIDCALL;
        *_result = m_modes[_mode];
        return DEV_OK;
    }
    s32 GetDeviceCaps(u32 _adapter, u32 _deviceType, DEV_Caps* _caps) override
    {
        if (_adapter != 0 || _deviceType != DEV_DEVTYPE_HAL)
            return DEV_ERR_NOTAVAILABLE;
        *_caps = Caps();
        return DEV_OK;
    }
    s32 CheckDeviceType(u32 _adapter, u32 _deviceType, u32 _displayFormat, u32 _backBufferFormat, u32) override
    {
        if (_adapter != 0 || _deviceType != DEV_DEVTYPE_HAL || _displayFormat != _backBufferFormat)
            return DEV_ERR_NOTAVAILABLE;
        return _displayFormat == DEV_FMT_R5G6B5 || _displayFormat == DEV_FMT_X8R8G8B8 ? DEV_OK : DEV_ERR_NOTAVAILABLE;
    }
    s32 CheckDeviceFormat(u32, u32, u32, u32 _usage, u32, u32 _checkFormat) override
    {
        if (_usage & DEV_USAGE_DEPTHSTENCIL)
            return _checkFormat == DEV_FMT_D16 || _checkFormat == DEV_FMT_D24S8 ? DEV_OK : DEV_ERR_NOTAVAILABLE;
        return _checkFormat == DEV_FMT_R5G6B5 || _checkFormat == DEV_FMT_A1R5G5B5 || _checkFormat == DEV_FMT_A8R8G8B8 ||
                       _checkFormat == DEV_FMT_A4R4G4B4
                   ? DEV_OK
                   : DEV_ERR_NOTAVAILABLE;
    }
    s32 CheckDeviceMultiSampleType(u32, u32, u32, u32, u32) override { return DEV_ERR_NOTAVAILABLE; }
    s32 CheckDepthStencilMatch(u32, u32, u32, u32, u32) override { return DEV_OK; }
    s32 CreateDevice(u32, u32, void*, u32, DEV_PresentParameters* _parameters, DEV_Device** _device) override
    {
        s_device = new FuzzDevice(*_parameters);
        *_device = s_device;
        return DEV_OK;
    }
    void GetWindowRects(void*, DEV_Rect* _windowRect, DEV_Rect* _clientRect) override
    {
        *_windowRect = {100, 100, 648, 527};
        *_clientRect = {0, 0, 640, 480};
    }

private:
    DEV_DisplayMode m_desktop;
    DEV_DisplayMode m_modes[64];
    u32 m_modeCount = 0;
};

DEV_Driver* CreateDriver(void*) { return new FuzzDriver(); }

// The platform as it is, but reporting the graphics runtime the fake stands for: without an
// initialised video system the real one reports none.
class FuzzSystem : public PLT_System
{
public:
    explicit FuzzSystem(PLT_System* _real) : m_real(_real) {}

    s32 Init() override { return m_real->Init(); }
    void Shutdown() override { m_real->Shutdown(); }
    const char* ErrorText() override { return m_real->ErrorText(); }
    u64 Counter() override { return m_real->Counter(); }
    u64 Frequency() override { return m_real->Frequency(); }
    u32 Milliseconds() override { return m_real->Milliseconds(); }
    void DesktopSize(s32* _width, s32* _height) override { m_real->DesktopSize(_width, _height); }
    s32 OuterSize(s32 _clientWidth, s32 _clientHeight, s32* _width, s32* _height) override
    {
        return m_real->OuterSize(_clientWidth, _clientHeight, _width, _height);
    }
    s32 CreateWindow(const PLT_WindowDesc& _desc) override { return m_real->CreateWindow(_desc); }
    void* Window() override { return m_real->Window(); }
    u32 PollEvent(PLT_Event* _event) override { return m_real->PollEvent(_event); }
    void PostQuit(s32 _code) override { m_real->PostQuit(_code); }
    void MessageBox(const char*, const char*, PLT_BoxIcon) override {}
    void ShowCursor(u32 _visible) override { m_real->ShowCursor(_visible); }
    void DebugBreak() override {}
    u32 GraphicsVersion() override { return 0x800; }

private:
    PLT_System* m_real;
};

// The fake in place of the graphics runtime and a display open at 640 x 480 x 32 on it, as
// SITO_DISPLAY for the rest of the process.
void FUZZ_OpenDisplay()
{
    PLT_SetSystem(new FuzzSystem(PLT_GetSystem()));
    DEV_SetFactory(CreateDriver);
    u32 ok = 0;
    SITO_DISPLAY = new DSP_Display(&ok, nullptr, nullptr, 1);
    DSP_BoardInfo board;
    Check(ok == 1 && SITO_DISPLAY->OpenBoard(&board) == 0 && SITO_DISPLAY->OpenResolution(640, 480, 32, 0) == 0);
}

}  // namespace
