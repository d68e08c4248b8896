// The null device for the engine's own share of frame time: a DEV_Device that answers every
// query as the GL driver does (its caps come from the GL driver behind it, so the display and
// the passes take the same paths) and otherwise only keeps the memory of the buffers and
// textures it hands out. Installed with DEV_SetFactory(bench_null::CreateNullDriver) before
// the display is made, it leaves the main thread with the engine's work alone: the scene walk,
// the passes, the display layer and its state caches, without the driver's.
//
// s_nullCounts counts the device calls and draws made on it, for per-frame figures.
#pragma once

#include <cstring>
#include <map>
#include <vector>

#include "dev_device.h"
#include "dev_fake.h"

namespace bench_null
{

// Calls the display made on the null device, for the per-frame figures.
struct NullCounts
{
    u64 calls = 0;
    u64 draws = 0;
};
inline NullCounts s_nullCounts;

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

inline DEV_Driver* CreateNullDriver(void* _window)
{
    DEV_Driver* gl = DEV_CreateGLDevice(_window);
    return gl != nullptr ? new NullDriver(gl) : nullptr;
}

}  // namespace bench_null
