// The program's one GL context and the adapter object over it.
#include <SDL.h>
#include <malloc.h>

#include <cstdio>
#include <cstring>

#include "dev_gl_local.h"

namespace
{

SDL_GLContext s_context = nullptr;
SDL_Window* s_window = nullptr;
DEV_GLInfo s_info;
u32 s_liveDevices = 0;

void CopyText(char* _target, size_t _capacity, const GLubyte* _text)
{
    strncpy(_target, _text != nullptr ? (const char*)_text : "", _capacity - 1);
    _target[_capacity - 1] = 0;
}

// A count the driver would quietly round up to another is not offered: the mode would not
// be what the user picked.
u32 ProbeSampleCounts()
{
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    u32 counts = 0;
    GLuint buffer = 0;
    glGenRenderbuffers(1, &buffer);
    glBindRenderbuffer(GL_RENDERBUFFER, buffer);
    for (GLint n = 2; n <= 16 && n <= maxSamples; ++n) {
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, n, GL_RGBA8, 4, 4);
        GLint samples = 0;
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &samples);
        if (glGetError() == GL_NO_ERROR && samples == n)
            counts |= 1u << n;
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glDeleteRenderbuffers(1, &buffer);
    return counts;
}

void ReadInfo()
{
    s_info = DEV_GLInfo();
    CopyText(s_info.renderer, sizeof(s_info.renderer), glGetString(GL_RENDERER));
    CopyText(s_info.version, sizeof(s_info.version), glGetString(GL_VERSION));
    s_info.hasS3TC = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc") ? 1 : 0;
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    s_info.maxTextureSize = (u32)size;
    s_info.sampleCounts = ProbeSampleCounts();
    while (glGetError() != GL_NO_ERROR) {
    }
}

bool IsDisplayFormat(u32 _format) { return _format == DEV_FMT_R5G6B5 || _format == DEV_FMT_X8R8G8B8; }

bool IsDepthFormat(u32 _format)
{
    return _format == DEV_FMT_D16 || _format == DEV_FMT_D24X8 || _format == DEV_FMT_D24S8;
}

u32 FormatOfBits(u32 _bits) { return _bits == 16 ? DEV_FMT_R5G6B5 : DEV_FMT_X8R8G8B8; }

// A software rasteriser allocates its binning memory in blocks and frees them after every
// frame. With the C library's default (and self-adjusting) thresholds that memory goes back to
// the system at each free and every page faults in again the next frame, which cost more than
// the draws themselves and made the cost depend on what the process had freed before. Kept
// fixed: blocks below 32 MiB come from the heap, and up to 128 MiB of freed heap stays mapped.
void KeepDriverMemoryMapped()
{
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
}

}  // namespace

s32 DEV_GLAcquireContext(void* _window, const DEV_GLInfo** _info)
{
    SDL_Window* window = (SDL_Window*)_window;
    if (window == nullptr)
        return -1;
    if (s_context != nullptr) {
        // The context outlives drivers and devices. It is gone only when the video
        // subsystem was shut down in between (tests that restart SDL), and then SDL has
        // already destroyed it.
        if (SDL_GL_GetCurrentContext() == s_context && SDL_GL_MakeCurrent(window, s_context) == 0) {
            s_window = window;
            *_info = &s_info;
            return 0;
        }
        s_context = nullptr;
        s_window = nullptr;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        fprintf(stderr, "OpenGL 3.3 context: %s\n", SDL_GetError());
        return -1;
    }
    if (epoxy_gl_version() < 33) {
        fprintf(stderr, "OpenGL 3.3 context: the driver offers version %d.%d\n", epoxy_gl_version() / 10,
                epoxy_gl_version() % 10);
        SDL_GL_DeleteContext(context);
        return -1;
    }
    s_context = context;
    s_window = window;
    KeepDriverMemoryMapped();
    ReadInfo();
    *_info = &s_info;
    return 0;
}

void DEV_GLSwapWindow()
{
    if (s_window != nullptr)
        SDL_GL_SwapWindow(s_window);
}

void DEV_GLSetSwapInterval(u32 _interval)
{
    // Some drivers cannot switch synchronisation off (or on); the frame is shown either way.
    SDL_GL_SetSwapInterval((int)_interval);
}

void DEV_GLDrawableSize(s32* _width, s32* _height)
{
    int width = 0, height = 0;
    if (s_window != nullptr)
        SDL_GL_GetDrawableSize(s_window, &width, &height);
    *_width = width;
    *_height = height;
}

DEV_Driver* DEV_CreateGLDevice(void* _window)
{
    const DEV_GLInfo* info = nullptr;
    if (DEV_GLAcquireContext(_window, &info) != 0)
        return nullptr;
    return new DEV_GLDriver(info, _window);
}

void DEV_GLFillCaps(const DEV_GLInfo& _info, DEV_Caps* _caps)
{
    *_caps = DEV_Caps();
    _caps->deviceType = DEV_DEVTYPE_HAL;
    _caps->adapterOrdinal = 0;
    _caps->caps2 = DEV_CAPS2_CANRENDERWINDOWED;
    _caps->devCaps = DEV_DEVCAPS_HWTRANSFORMANDLIGHT | DEV_DEVCAPS_PUREDEVICE;
    _caps->maxTextureWidth = _info.maxTextureSize;
    _caps->maxTextureHeight = _info.maxTextureSize;
    _caps->maxStreams = 1;
    _caps->vertexShaderVersion = DEV_VS_VERSION(1, 1);
    _caps->maxVertexShaderConst = DEV_GL_CONSTANTS;
    _caps->pixelShaderVersion = DEV_PS_VERSION(1, 1);
    _caps->maxSimultaneousTextures = DEV_GL_STAGES;
}

// ---- DEV_GLDriver ----

DEV_GLDriver::DEV_GLDriver(const DEV_GLInfo* _info, void* _window) : m_info(_info), m_window(_window) { BuildModes(); }

void DEV_GLDriver::BuildModes()
{
    DEV_DisplayMode desktop[64];
    u32 count = 0;
    const int total = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < total && count < 64; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0)
            continue;
        desktop[count].width = (u32)mode.w;
        desktop[count].height = (u32)mode.h;
        desktop[count].refreshRate = (u32)mode.refresh_rate;
        desktop[count].format = FormatOfBits(SDL_BITSPERPIXEL(mode.format));
        ++count;
    }
    m_modeCount = DEV_BuildModeList(desktop, count, m_modes, 64);
}

u32 DEV_GLDriver::GetAdapterCount() { return 1; }

s32 DEV_GLDriver::GetAdapterIdentifier(u32 _adapter, DEV_AdapterIdentifier* _identifier)
{
    if (_adapter != 0 || _identifier == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_identifier = DEV_AdapterIdentifier();
    snprintf(_identifier->driver, sizeof(_identifier->driver), "OpenGL %s", m_info->version);
    snprintf(_identifier->description, sizeof(_identifier->description), "%s", m_info->renderer);
    return DEV_OK;
}

s32 DEV_GLDriver::GetAdapterDisplayMode(u32 _adapter, DEV_DisplayMode* _mode)
{
    if (_adapter != 0 || _mode == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_mode = DEV_DisplayMode();
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        _mode->width = (u32)mode.w;
        _mode->height = (u32)mode.h;
        _mode->refreshRate = (u32)mode.refresh_rate;
        _mode->format = FormatOfBits(SDL_BITSPERPIXEL(mode.format));
    } else {
        _mode->format = DEV_FMT_X8R8G8B8;
    }
    return DEV_OK;
}

u32 DEV_GLDriver::GetAdapterModeCount(u32 _adapter) { return _adapter == 0 ? m_modeCount : 0; }

s32 DEV_GLDriver::EnumAdapterModes(u32 _adapter, u32 _mode, DEV_DisplayMode* _result)
{
    if (_adapter != 0 || _mode >= m_modeCount || _result == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_result = m_modes[_mode];
    return DEV_OK;
}

s32 DEV_GLDriver::GetDeviceCaps(u32 _adapter, u32 _deviceType, DEV_Caps* _caps)
{
    if (_adapter != 0 || _caps == nullptr)
        return DEV_ERR_INVALIDCALL;
    if (_deviceType != DEV_DEVTYPE_HAL)
        return DEV_ERR_NOTAVAILABLE;
    DEV_GLFillCaps(*m_info, _caps);
    return DEV_OK;
}

s32 DEV_GLDriver::CheckDeviceType(u32 _adapter, u32 _deviceType, u32 _displayFormat, u32 _backBufferFormat,
                                  u32 /*_windowed*/)
{
    if (_adapter != 0)
        return DEV_ERR_INVALIDCALL;
    if (_deviceType != DEV_DEVTYPE_HAL || !IsDisplayFormat(_displayFormat))
        return DEV_ERR_NOTAVAILABLE;
    if (_backBufferFormat == _displayFormat ||
        (_displayFormat == DEV_FMT_X8R8G8B8 && _backBufferFormat == DEV_FMT_A8R8G8B8))
        return DEV_OK;
    return DEV_ERR_NOTAVAILABLE;
}

s32 DEV_GLDriver::CheckDeviceFormat(u32 _adapter, u32 _deviceType, u32 _adapterFormat, u32 _usage, u32 _resourceType,
                                    u32 _checkFormat)
{
    if (_adapter != 0)
        return DEV_ERR_INVALIDCALL;
    if (_deviceType != DEV_DEVTYPE_HAL || !IsDisplayFormat(_adapterFormat))
        return DEV_ERR_NOTAVAILABLE;
    if (_usage & DEV_USAGE_DEPTHSTENCIL)
        return _resourceType == DEV_RTYPE_SURFACE && IsDepthFormat(_checkFormat) ? DEV_OK : DEV_ERR_NOTAVAILABLE;
    if (_resourceType == DEV_RTYPE_TEXTURE && _usage == 0)
        return DEV_GLFindFormat(_checkFormat, m_info->hasS3TC) != nullptr ? DEV_OK : DEV_ERR_NOTAVAILABLE;
    return DEV_ERR_NOTAVAILABLE;
}

s32 DEV_GLDriver::CheckDeviceMultiSampleType(u32 _adapter, u32 _deviceType, u32 _surfaceFormat, u32 /*_windowed*/,
                                             u32 _multiSampleType)
{
    if (_adapter != 0)
        return DEV_ERR_INVALIDCALL;
    if (_deviceType != DEV_DEVTYPE_HAL || !IsDisplayFormat(_surfaceFormat))
        return DEV_ERR_NOTAVAILABLE;
    if (_multiSampleType == DEV_MULTISAMPLE_NONE)
        return DEV_OK;
    if (_multiSampleType >= 2 && _multiSampleType <= 16 && (m_info->sampleCounts & (1u << _multiSampleType)))
        return DEV_OK;
    return DEV_ERR_NOTAVAILABLE;
}

s32 DEV_GLDriver::CheckDepthStencilMatch(u32 _adapter, u32 _deviceType, u32 _adapterFormat, u32 _renderTargetFormat,
                                         u32 _depthStencilFormat)
{
    if (_adapter != 0)
        return DEV_ERR_INVALIDCALL;
    if (_deviceType != DEV_DEVTYPE_HAL || !IsDisplayFormat(_adapterFormat))
        return DEV_ERR_NOTAVAILABLE;
    if (CheckDeviceType(_adapter, _deviceType, _adapterFormat, _renderTargetFormat, 1) != DEV_OK ||
        !IsDepthFormat(_depthStencilFormat))
        return DEV_ERR_NOTAVAILABLE;
    return DEV_OK;
}

s32 DEV_GLDriver::CreateDevice(u32 _adapter, u32 _deviceType, void* /*_focusWindow*/, u32 /*_behaviorFlags*/,
                               DEV_PresentParameters* _parameters, DEV_Device** _device)
{
    if (_device == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_device = nullptr;
    if (_adapter != 0 || _parameters == nullptr)
        return DEV_ERR_INVALIDCALL;
    if (_deviceType != DEV_DEVTYPE_HAL)
        return DEV_ERR_NOTAVAILABLE;
    // The GL state of the context is the device's: a second device would fight over it.
    if (s_liveDevices != 0)
        return DEV_ERR_INVALIDCALL;
    const DEV_GLInfo* info = nullptr;
    if (DEV_GLAcquireContext(m_window, &info) != 0)
        return DEV_ERR_NOTAVAILABLE;
    DEV_GLDevice* device = new DEV_GLDevice(info, m_window);
    const s32 result = device->Init(*_parameters);
    if (result != DEV_OK) {
        delete device;
        return result;
    }
    *_parameters = device->Parameters();
    *_device = device;
    return DEV_OK;
}

void DEV_GLDriver::GetWindowRects(void* _window, DEV_Rect* _windowRect, DEV_Rect* _clientRect)
{
    SDL_Window* window = (SDL_Window*)_window;
    int x = 0, y = 0, width = 0, height = 0;
    int top = 0, left = 0, bottom = 0, right = 0;
    if (window != nullptr) {
        SDL_GetWindowPosition(window, &x, &y);
        SDL_GetWindowSize(window, &width, &height);
        if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0)
            top = left = bottom = right = 0;
    }
    if (_windowRect != nullptr) {
        _windowRect->left = x - left;
        _windowRect->top = y - top;
        _windowRect->right = x + width + right;
        _windowRect->bottom = y + height + bottom;
    }
    if (_clientRect != nullptr) {
        _clientRect->left = 0;
        _clientRect->top = 0;
        _clientRect->right = width;
        _clientRect->bottom = height;
    }
}

// Counted here so that CreateDevice can refuse a second device.
void DEV_GLCountDevice(s32 _delta) { s_liveDevices = (u32)((s32)s_liveDevices + _delta); }
