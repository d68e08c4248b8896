// The null driver: the adapter a machine description states, and the factory that states the
// GL driver's.
#include <cstdio>

#include "dev_null.h"

namespace
{

bool Contains(const std::vector<u32>& _list, u32 _value)
{
    for (u32 each : _list)
        if (each == _value)
            return true;
    return false;
}

// The null driver with the GL driver's answers: the display and the passes above it take the
// paths they take on the GL device, and only the device's own work is left out.
class NullDriverOverGL : public DEV_NullDriver
{
public:
    explicit NullDriverOverGL(DEV_Driver* _gl) : m_gl(_gl) {}
    ~NullDriverOverGL() override { delete m_gl; }

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
    void GetWindowRects(void* _window, DEV_Rect* _windowRect, DEV_Rect* _clientRect) override
    {
        m_gl->GetWindowRects(_window, _windowRect, _clientRect);
    }

private:
    DEV_Driver* m_gl;
};

}  // namespace

// ---- DEV_NullMachine ----

DEV_NullMachine::DEV_NullMachine()
{
    desktop.width = 1024;
    desktop.height = 768;
    desktop.refreshRate = 60;
    desktop.format = DEV_FMT_X8R8G8B8;
    DEV_DisplayMode list[64];
    const u32 count = DEV_BuildModeList(&desktop, 1, list, 64);
    modes.assign(list, list + count);

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

    textureFormats = {DEV_FMT_R5G6B5, DEV_FMT_A1R5G5B5, DEV_FMT_A8R8G8B8, DEV_FMT_A4R4G4B4, DEV_FMT_DXT1,
                      DEV_FMT_DXT2,   DEV_FMT_DXT3,     DEV_FMT_DXT4,     DEV_FMT_DXT5};
    depthFormats = {DEV_FMT_D16, DEV_FMT_D24S8};
    windowRect = {100, 100, 648, 527};
    clientRect = {0, 0, 640, 480};
}

// ---- DEV_NullDriver ----

DEV_NullDriver::DEV_NullDriver(const DEV_NullMachine* _machine) : m_machine(_machine ? _machine : &m_defaults) {}

u32 DEV_NullDriver::GetAdapterCount() { return m_machine->adapterCount; }

s32 DEV_NullDriver::GetAdapterIdentifier(u32 _adapter, DEV_AdapterIdentifier* _identifier)
{
    if (_adapter >= m_machine->adapterCount || _identifier == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_identifier = DEV_AdapterIdentifier();
    snprintf(_identifier->driver, sizeof(_identifier->driver), "%s", m_machine->driver.c_str());
    if (_adapter == 0)
        snprintf(_identifier->description, sizeof(_identifier->description), "%s", m_machine->description.c_str());
    else
        snprintf(_identifier->description, sizeof(_identifier->description), "%s %u", m_machine->description.c_str(),
                 _adapter);
    return DEV_OK;
}

s32 DEV_NullDriver::GetAdapterDisplayMode(u32 _adapter, DEV_DisplayMode* _mode)
{
    if (_adapter >= m_machine->adapterCount || _mode == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_mode = m_machine->desktop;
    return DEV_OK;
}

u32 DEV_NullDriver::GetAdapterModeCount(u32 _adapter)
{
    return _adapter < m_machine->adapterCount ? (u32)m_machine->modes.size() : 0;
}

s32 DEV_NullDriver::EnumAdapterModes(u32 _adapter, u32 _mode, DEV_DisplayMode* _result)
{
    if (_adapter >= m_machine->adapterCount || _mode >= m_machine->modes.size() || _result == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_result = m_machine->modes[_mode];
    return DEV_OK;
}

s32 DEV_NullDriver::GetDeviceCaps(u32 _adapter, u32 _deviceType, DEV_Caps* _caps)
{
    if (_adapter >= m_machine->adapterCount || _caps == nullptr)
        return DEV_ERR_INVALIDCALL;
    if (_deviceType != DEV_DEVTYPE_HAL && !(_deviceType == DEV_DEVTYPE_REF && m_machine->hasReference))
        return DEV_ERR_NOTAVAILABLE;
    *_caps = m_machine->caps;
    _caps->deviceType = _deviceType;
    _caps->adapterOrdinal = _adapter;
    return DEV_OK;
}

s32 DEV_NullDriver::CheckDeviceType(u32 _adapter, u32 _deviceType, u32 _displayFormat, u32 _backBufferFormat,
                                    u32 /*_windowed*/)
{
    if (_adapter >= m_machine->adapterCount || _displayFormat != _backBufferFormat)
        return DEV_ERR_INVALIDCALL;
    if (_adapter < m_machine->firstUsableAdapter)
        return DEV_ERR_NOTAVAILABLE;
    if (_deviceType == DEV_DEVTYPE_REF && !m_machine->hasReference)
        return DEV_ERR_NOTAVAILABLE;
    return _displayFormat == DEV_FMT_R5G6B5 || _displayFormat == DEV_FMT_X8R8G8B8 || _displayFormat == DEV_FMT_X1R5G5B5
               ? DEV_OK
               : DEV_ERR_NOTAVAILABLE;
}

s32 DEV_NullDriver::CheckDeviceFormat(u32 /*_adapter*/, u32 /*_deviceType*/, u32 /*_adapterFormat*/, u32 _usage,
                                      u32 /*_resourceType*/, u32 _checkFormat)
{
    const std::vector<u32>& formats =
        (_usage & DEV_USAGE_DEPTHSTENCIL) ? m_machine->depthFormats : m_machine->textureFormats;
    return Contains(formats, _checkFormat) ? DEV_OK : DEV_ERR_NOTAVAILABLE;
}

s32 DEV_NullDriver::CheckDeviceMultiSampleType(u32 /*_adapter*/, u32 _deviceType, u32 /*_surfaceFormat*/,
                                               u32 /*_windowed*/, u32 _multiSampleType)
{
    if (_deviceType != DEV_DEVTYPE_HAL)
        return DEV_ERR_NOTAVAILABLE;
    return _multiSampleType <= m_machine->maxSamples ? DEV_OK : DEV_ERR_NOTAVAILABLE;
}

s32 DEV_NullDriver::CheckDepthStencilMatch(u32, u32, u32, u32, u32) { return DEV_OK; }

s32 DEV_NullDriver::CreateDevice(u32 _adapter, u32 _deviceType, void* /*_focusWindow*/, u32 _behaviorFlags,
                                 DEV_PresentParameters* _parameters, DEV_Device** _device)
{
    if (_device == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_device = nullptr;
    if (_parameters == nullptr)
        return DEV_ERR_INVALIDCALL;
    DEV_Caps caps;
    const s32 result = GetDeviceCaps(_adapter, _deviceType, &caps);
    if (result != DEV_OK)
        return result;
    *_device = NewDevice(caps, *_parameters, _behaviorFlags);
    return DEV_OK;
}

void DEV_NullDriver::GetWindowRects(void* /*_window*/, DEV_Rect* _windowRect, DEV_Rect* _clientRect)
{
    if (_windowRect != nullptr)
        *_windowRect = m_machine->windowRect;
    if (_clientRect != nullptr)
        *_clientRect = m_machine->clientRect;
}

DEV_NullDevice* DEV_NullDriver::NewDevice(const DEV_Caps& _caps, const DEV_PresentParameters& _present, u32 _behavior)
{
    return new DEV_NullDevice(_caps, _present, _behavior);
}

DEV_Driver* DEV_CreateNullDriver(void* _window)
{
    DEV_Driver* gl = DEV_CreateGLDevice(_window);
    if (gl == nullptr)
        return new DEV_NullDriver();
    return new NullDriverOverGL(gl);
}
