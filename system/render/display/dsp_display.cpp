// The display layer: boards, resolutions, the frame, device loss and result checking.
#include "dsp_display.h"

#include <cstring>

#include "dsp_display_local.h"
#include "dsp_enum.h"
#include "dsp_texturecache.h"
#include "os_fatal.h"
#include "os_shell.h"
#include "os_string.h"

#define DSP_SITE_BASE 1000

DSP_Display* SITO_DISPLAY = nullptr;
u32 DSP_DeviceLostPause = 0;
f32 DSP_ResetTime = 0.0f;

void DSP_RequireDevice(const DEV_Device* _device, const char* _caption)
{
    if (_device == nullptr)
        OS_Fatal(_caption, "no device available, call OpenResolution()");
}

DSP_Display::DSP_Display(u32* _ok, void* _window, void* _instance, u32 _fullscreen)
{
    if (D3DUtil_GetDXVersion() < 0x800) {
        *_ok = 0;
        return;
    }
    *_ok = 1;
    m_window = _window;
    m_instance = _instance;
    m_windowed = _fullscreen ? 0 : 1;
    m_enumeration = new D3DUtil_Application(_window);
    try {
        m_enumeration->BuildAdpaterInfoArray(ConfirmDevice, m_windowed);
    } catch (const OS_FatalError&) {
        // The constructor does not complete, so the destructor will not free this.
        delete m_enumeration;
        m_enumeration = nullptr;
        throw;
    }
}

DSP_Display::~DSP_Display()
{
    // The device goes before the driver that made it.
    CloseResolution();
    delete m_textureCache;
    m_textureCache = nullptr;
    ReleaseTextureTable();
    delete m_enumeration;
}

s32 DSP_Display::ConfirmDevice(const DEV_Caps* _caps, u32 _behavior, u32 _format)
{
    (void)_format;
    if (_behavior & (DEV_CREATE_HARDWARE_VERTEXPROCESSING | DEV_CREATE_MIXED_VERTEXPROCESSING))
        return _caps->vertexShaderVersion >= DEV_VS_VERSION(1, 0) ? 1 : 0;
    return 1;
}

u32 DSP_Display::HasHardwareVertexProcessing() const
{
    return (m_caps.devCaps & DEV_DEVCAPS_HWTRANSFORMANDLIGHT) ? 1 : 0;
}

// ---- boards and modes ----

s32 DSP_Display::QueryBoards(DSP_BoardInfo* _boards, s32* _count)
{
    if (_count == nullptr)
        return 1;
    const s32 available = (s32)m_enumeration->GetAdapterCount();
    if (_boards == nullptr) {
        *_count = available;
        return 0;
    }
    if (*_count > available)
        *_count = available;
    for (s32 i = 0; i < *_count; ++i) {
        // NUL-filled, cut to fit.
        memset(_boards[i].description, 0, sizeof(_boards[i].description));
        OS_StrCopyBounded(_boards[i].description, m_enumeration->GetAdapter((u32)i)->identifier.description,
                          sizeof(_boards[i].description));
        _boards[i].ordinal = i;
    }
    return 0;
}

s32 DSP_Display::OpenBoard(const DSP_BoardInfo* _board)
{
    const char* caption = "DSP_Display::OpenBoard()";
    if (m_board != -1)
        OS_Fatal(caption, "there is already an open board");
    if (_board == nullptr || _board->ordinal < 0 || _board->ordinal >= (s32)m_enumeration->GetAdapterCount())
        OS_Fatal(caption, "the ordinal has an illegal value");
    m_board = _board->ordinal;
    return 0;
}

s32 DSP_Display::QueryResolutions(DSP_ResolutionInfo* _resolutions, s32* _count)
{
    const char* caption = "DSP_Display::QueryResolutions()";
    if (m_board == -1)
        OS_Fatal(caption, "no board is open");
    if (m_board >= (s32)m_enumeration->GetAdapterCount())
        OS_Fatal(caption, "the ordinal has an illegal value");
    if (_count == nullptr)
        OS_Fatal(caption, "numofresolutions must not be NULL");
    const D3DUtil_DeviceInfo& device = m_enumeration->GetAdapter((u32)m_board)->devices[0];
    if (*_count > (s32)device.numModes)
        *_count = (s32)device.numModes;
    if (_resolutions == nullptr)
        return 0;
    u16 multisample = 0;
    for (u32 samples = 2; samples <= D3DUTIL_MAX_SAMPLES; ++samples)
        if (device.multiSampleCounts[samples - 1])
            multisample = (u16)(multisample | (1u << (samples - 1)));
    for (s32 i = 0; i < *_count; ++i) {
        _resolutions[i].width = device.modes[i].width;
        _resolutions[i].height = device.modes[i].height;
        _resolutions[i].bitsPerPixel = (u16)D3DUtil_BitsPerPixel(device.modes[i].format);
        _resolutions[i].multisampleBits = multisample;
    }
    return 0;
}

s32 DSP_Display::OpenResolution(s32 _width, s32 _height, s32 _bitsPerPixel, u32 _multisampleBits)
{
    const char* caption = "DSP_Display::OpenResolution()";
    if (m_board == -1)
        OS_Fatal(caption, "no board is open");
    if (m_device != nullptr)
        OS_Fatal(caption, "close the open resolution first");

    const D3DUtil_AdapterInfo* adapter = m_enumeration->GetAdapter((u32)m_board);
    const D3DUtil_DeviceInfo& device = adapter->devices[0];
    const D3DUtil_ModeInfo* mode = &device.modes[0];
    if (!m_windowed) {
        mode = nullptr;
        for (u32 i = 0; i < device.numModes && mode == nullptr; ++i) {
            const D3DUtil_ModeInfo& each = device.modes[i];
            if ((s32)each.width == _width && (s32)each.height == _height &&
                (s32)D3DUtil_BitsPerPixel(each.format) == _bitsPerPixel)
                mode = &each;
        }
        if (mode == nullptr)
            OS_Fatal(caption, "illegal resolution specified");
    }

    DEV_Driver* driver = m_enumeration->GetDriver();
    driver->GetWindowRects(m_window, &m_windowRect, &m_clientRect);

    m_present = DEV_PresentParameters();
    m_present.backBufferCount = 1;
    m_present.swapEffect = DEV_SWAPEFFECT_DISCARD;
    m_present.deviceWindow = m_window;
    m_present.windowed = m_windowed;
    m_present.enableAutoDepthStencil = 1;
    m_present.autoDepthStencilFormat = mode->depthStencilFormat;

    u32 samples = DEV_MULTISAMPLE_NONE;
    for (u32 bit = 1; bit < 16 && samples == DEV_MULTISAMPLE_NONE; ++bit)
        if (_multisampleBits & (1u << bit))
            samples = bit + 1;

    if (!m_windowed) {
        m_present.backBufferWidth = mode->width;
        m_present.backBufferHeight = mode->height;
        m_present.backBufferFormat = mode->format;
        m_present.fullScreenRefreshRate = 0;
        m_present.fullScreenPresentationInterval = DEV_PRESENT_INTERVAL_IMMEDIATE;
    } else {
        m_present.backBufferWidth = (u32)(m_clientRect.right - m_clientRect.left);
        m_present.backBufferHeight = (u32)(m_clientRect.bottom - m_clientRect.top);
        m_present.backBufferFormat = adapter->desktopMode.format;
        m_present.fullScreenPresentationInterval = DEV_PRESENT_INTERVAL_DEFAULT;
    }
    if (samples != DEV_MULTISAMPLE_NONE &&
        driver->CheckDeviceMultiSampleType(adapter->ordinal, DEV_DEVTYPE_HAL, m_present.backBufferFormat, m_windowed,
                                           samples) != DEV_OK)
        samples = DEV_MULTISAMPLE_NONE;
    m_present.multiSampleType = samples;

    DEV_Device* created = nullptr;
    DSP_CHECK(
        driver->CreateDevice(adapter->ordinal, device.deviceType, m_window, mode->behavior, &m_present, &created));
    m_device = created;
    m_behavior = mode->behavior;
    DSP_CHECK(m_device->GetDeviceCaps(&m_caps));
    if (m_caps.maxStreams == 0)
        OS_Fatal(caption, "the gfx card driver is not DX8 compliant");

    DSP_CHECK(m_device->GetBackBufferDesc(&m_backBuffer));
    DEV_Viewport viewport;
    viewport.width = m_present.backBufferWidth;
    viewport.height = m_present.backBufferHeight;
    DSP_CHECK(m_device->SetViewport(viewport));

    // Support flags in the order R5G6B5, A1R5G5B5, A8R8G8B8, A4R4G4B4, DXT1..DXT5.
    const u32 formats[9] = {DEV_FMT_R5G6B5, DEV_FMT_A1R5G5B5, DEV_FMT_A8R8G8B8, DEV_FMT_A4R4G4B4, DEV_FMT_DXT1,
                            DEV_FMT_DXT2,   DEV_FMT_DXT3,     DEV_FMT_DXT4,     DEV_FMT_DXT5};
    for (u32 i = 0; i < 9; ++i)
        m_formatSupported[i] =
            driver->CheckDeviceFormat(adapter->ordinal, device.deviceType, m_present.backBufferFormat, 0,
                                      DEV_RTYPE_TEXTURE, formats[i]) == DEV_OK;
    const char* formatCaption = "DSP_Display::OpenResoultion()";
    if (!m_formatSupported[0])
        OS_Fatal(formatCaption, "texture format rgb565 not supported");
    if (!m_formatSupported[1])
        OS_Fatal(formatCaption, "texture format argb1555 not supported");
    if (!m_formatSupported[2])
        OS_Fatal(formatCaption, "texture format argb8888 not supported");

    m_zBufferType = DEV_ZB_TRUE;
    ResetStateTables();
    m_renderStateCounters = DSP_CacheCounters();
    for (DSP_CacheCounters& counters : m_stageCounters)
        counters = DSP_CacheCounters();
    m_boundVertexBuffer = 0;
    m_boundIndexBuffer = 0;
    m_boundBaseVertexIndex = 0;
    WriteDefaultStates();

    CreateShaderTables();

    VertexBuffer_Create(&m_sharedVertexBuffer, BUFFER_DYNAMIC, DSP_SHARED_BUFFER_SIZE);
    IndexBuffer_Create(&m_sharedIndexBuffer, BUFFER_DYNAMIC, 0, DSP_SHARED_BUFFER_SIZE);

    m_flags &= ~FLAG_TEXTURE_OVERRIDE;
    return 0;
}

s32 DSP_Display::CloseResolution()
{
    if (m_device == nullptr)
        return 0;
    VertexBuffer_Destroy(m_sharedVertexBuffer);
    m_sharedVertexBuffer = 0;
    IndexBuffer_Destroy(m_sharedIndexBuffer);
    m_sharedIndexBuffer = 0;
    if (m_textures != nullptr)
        Texture_FlushTextures(-1, -1);
    DestroyShaderTables();
    ReleaseAllBuffers();
    delete m_device;
    m_device = nullptr;
    m_boundVertexBuffer = 0;
    m_boundIndexBuffer = 0;
    m_boundBaseVertexIndex = 0;
    DSP_DeviceLostPause = 0;
    return 0;
}

s32 DSP_Display::GetMode(s32* _width, s32* _height, s32* _bitsPerPixel)
{
    DSP_RequireDevice(m_device, "DSP_Display::GetMode()");
    *_width = (s32)m_backBuffer.width;
    *_height = (s32)m_backBuffer.height;
    *_bitsPerPixel = (s32)D3DUtil_BitsPerPixel(m_backBuffer.format);
    return 0;
}

s32 DSP_Display::GetPixelShaderVersion(s32* _major, s32* _minor)
{
    DSP_RequireDevice(m_device, "DSP_Display::GetPixelShaderVersion()");
    *_major = (s32)((m_caps.pixelShaderVersion >> 8) & 0xFF);
    *_minor = (s32)(m_caps.pixelShaderVersion & 0xFF);
    return 0;
}

s32 DSP_Display::IsTextureTypeSupported(s32 _type)
{
    // DSP_TextureType order -> support-flag order
    static const s32 s_flagOfType[9] = {4, 5, 6, 7, 8, 1, 0, 2, 3};
    if (_type < 0 || _type > 8)
        OS_Fatal("DSP_Display::IsTextureTypeSupported()", "illegal type");
    return (s32)m_formatSupported[s_flagOfType[_type]];
}

s32 DSP_Display::HasDevice() { return m_device != nullptr ? 1 : 0; }

// ---- frame ----

s32 DSP_Display::BeginScene()
{
    DSP_RequireDevice(m_device, "DSP_Display::BeginScene()");
    DEV_Viewport viewport;
    viewport.width = m_present.backBufferWidth;
    viewport.height = m_present.backBufferHeight;
    DSP_CHECK(m_device->SetViewport(viewport));
    DSP_CHECK(m_device->BeginScene());
    return 0;
}

s32 DSP_Display::EndScene()
{
    DSP_RequireDevice(m_device, "DSP_Display::EndScene()");
    DSP_CHECK(m_device->EndScene());
    return 0;
}

s32 DSP_Display::Clear(s32 _target, s32 _depth, u32 _color)
{
    const char* caption = "DSP_Display::Clear()";
    DSP_RequireDevice(m_device, caption);
    if (DSP_DeviceLostPause)
        return 0;
    u32 depthFlags = DEV_CLEAR_ZBUFFER;
    switch (m_present.autoDepthStencilFormat) {
    case DEV_FMT_D15S1:
    case DEV_FMT_D24S8:
    case DEV_FMT_D24X4S4:
        depthFlags |= DEV_CLEAR_STENCIL;
        break;
    case DEV_FMT_D16:
    case DEV_FMT_D24X8:
    case DEV_FMT_D32:
        break;
    default:
        OS_Fatal(caption, "illegal depthstencil format");
    }
    u32 flags = 0;
    if (_target)
        flags |= DEV_CLEAR_TARGET;
    if (_depth)
        flags |= depthFlags;
    DSP_CHECK(m_device->Clear(flags, _color, 1.0f, 0));
    return 0;
}

s32 DSP_Display::Flip()
{
    DSP_RequireDevice(m_device, "DSP_Display::Flip()");
    if (DSP_DeviceLostPause) {
        if (OS_Time() < (f64)DSP_ResetTime + 1.0)
            return 0;
        DSP_DeviceLostPause = 0;
    }
    DSP_CHECK(m_device->TestCooperativeLevel());
    // A lost device shows at the next cooperative-level test; Present's own answer adds nothing.
    m_device->Present();
    return 0;
}

// ---- device loss ----

s32 DSP_Display::OS_ReleaseResources()
{
    for (VertexBufferSlot& slot : m_vertexBuffers) {
        if (slot.buffer == 0) {
            slot.type = BUFFER_EMPTY_MARKED;
        } else if (slot.type == BUFFER_DYNAMIC) {
            m_device->ReleaseVertexBuffer(slot.buffer);
            slot.buffer = 0;
        }
    }
    for (IndexBufferSlot& slot : m_indexBuffers) {
        if (slot.buffer == 0) {
            slot.type = BUFFER_EMPTY_MARKED;
        } else if (slot.type == BUFFER_DYNAMIC) {
            m_device->ReleaseIndexBuffer(slot.buffer);
            slot.buffer = 0;
        }
    }
    DeleteDeviceShaders();
    return 1;
}

s32 DSP_Display::OS_ReAllocateResources()
{
    const char* caption = "DSP_Display::OS_ReAllocateResources()";
    DSP_CHECK(m_device->Reset(&m_present));
    for (s32 i = 0; i < 3; ++i) {
        DSP_CHECK(m_device->Clear(DEV_CLEAR_TARGET | DEV_CLEAR_ZBUFFER, 0x10101010, 1.0f, 0));
        m_device->Present();
    }
    for (s32 slot = 0; slot < DSP_NUM_VERTEXBUFFERS; ++slot)
        if (m_vertexBuffers[slot].type == BUFFER_DYNAMIC && m_vertexBuffers[slot].buffer == 0)
            CreateVertexBufferInSlot(slot, BUFFER_DYNAMIC, m_vertexBuffers[slot].count, caption);
    for (s32 slot = 0; slot < DSP_NUM_INDEXBUFFERS; ++slot)
        if (m_indexBuffers[slot].type == BUFFER_DYNAMIC && m_indexBuffers[slot].buffer == 0)
            CreateIndexBufferInSlot(slot, BUFFER_DYNAMIC, m_indexBuffers[slot].entryType, m_indexBuffers[slot].count,
                                    caption);
    RecreateDeviceShaders();

    const f32 constants[8] = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    DSP_CHECK(m_device->SetVertexShaderConstant(0, constants, 2));

    ResetStateTables();
    WriteDefaultStates();
    m_boundVertexBuffer = 0;
    m_boundIndexBuffer = 0;
    m_boundBaseVertexIndex = 0;
    m_selectedPixelShader = -1;
    m_selectedVertexShader = -1;

    DSP_DeviceLostPause = 1;
    DSP_ResetTime = (f32)OS_Time();
    PreloadTextures();
    return 1;
}

// ---- results ----

const char* DSP_Display::GetResultName(s32 _result)
{
    struct Name
    {
        s32 code;
        const char* name;
    };
    static const Name s_names[] = {
        {DEV_ERR_WRONGTEXTUREFORMAT, "D3DERR_WRONGTEXTUREFORMAT"},
        {DEV_ERR_UNSUPPORTEDCOLOROPERATION, "D3DERR_UNSUPPORTEDCOLOROPERATION"},
        {DEV_ERR_UNSUPPORTEDCOLORARG, "D3DERR_UNSUPPORTEDCOLORARG"},
        {DEV_ERR_UNSUPPORTEDALPHAOPERATION, "D3DERR_UNSUPPORTEDALPHAOPERATION"},
        {DEV_ERR_UNSUPPORTEDALPHAARG, "D3DERR_UNSUPPORTEDALPHAARG"},
        {DEV_ERR_TOOMANYOPERATIONS, "D3DERR_TOOMANYOPERATIONS"},
        {DEV_ERR_CONFLICTINGTEXTUREFILTER, "D3DERR_CONFLICTINGTEXTUREFILTER"},
        {DEV_ERR_UNSUPPORTEDFACTORVALUE, "D3DERR_UNSUPPORTEDFACTORVALUE"},
        {DEV_ERR_CONFLICTINGRENDERSTATE, "D3DERR_CONFLICTINGRENDERSTATE"},
        {DEV_ERR_UNSUPPORTEDTEXTUREFILTER, "D3DERR_UNSUPPORTEDTEXTUREFILTER"},
        {DEV_ERR_CONFLICTINGTEXTUREPALETTE, "D3DERR_CONFLICTINGTEXTUREPALETTE"},
        {DEV_ERR_DRIVERINTERNALERROR, "D3DERR_DRIVERINTERNALERROR"},
        {DEV_ERR_NOTFOUND, "D3DERR_NOTFOUND"},
        {DEV_ERR_MOREDATA, "D3DERR_MOREDATA"},
        {DEV_ERR_DEVICELOST, "D3DERR_DEVICELOST"},
        {DEV_ERR_DEVICENOTRESET, "D3DERR_DEVICENOTRESET"},
        {DEV_ERR_NOTAVAILABLE, "D3DERR_NOTAVAILABLE"},
        {DEV_ERR_OUTOFVIDEOMEMORY, "D3DERR_OUTOFVIDEOMEMORY"},
        {DEV_ERR_INVALIDDEVICE, "D3DERR_INVALIDDEVICE"},
        {DEV_ERR_INVALIDCALL, "D3DERR_INVALIDCALL"},
        {DEV_E_FAIL, "E_FAIL"},
        {DEV_E_OUTOFMEMORY, "E_OUTOFMEMORY"},
        {DEV_E_INVALIDARG, "E_INVALIDARG"},
    };
    for (const Name& name : s_names)
        if (name.code == _result)
            return name.name;
    return "UNKNOWN D3DERROR";
}

void DSP_Display::CheckResult(s32 _result, s32 _callSite)
{
    if (_result == 0)
        return;
    OS_Fatal("D3D Error", OS_Format("%s (%d)", GetResultName(_result), _callSite));
}

s32 DSP_BlitToScreen(const void* _pixels, s32 _width, s32 _height, s32 _pitch, s32 _x, s32 _y)
{
    (void)_pixels, (void)_width, (void)_height, (void)_pitch, (void)_x, (void)_y;
    return 0;
}

s32 DSP_BlitToScreenKeyed(const void* _pixels, s32 _width, s32 _height, s32 _pitch, s32 _x, s32 _y, u16 _key)
{
    (void)_pixels, (void)_width, (void)_height, (void)_pitch, (void)_x, (void)_y, (void)_key;
    return 0;
}
