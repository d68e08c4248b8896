// Adapter, mode and device enumeration: the list from which the display layer chooses its
// board, its resolution and its device, built once from what the graphics driver reports.
//
// Each usable adapter gets a record with up to two devices (hardware, then reference), each
// with its capabilities, up to 64 full-screen modes (with the vertex-processing behaviour and
// depth-stencil format to create the device with), whether it renders in a window, and the
// multisample counts it offers. Modes below 640x400 are dropped, refresh rates merged, and
// the rest sorted by format (larger code first: the 16-bit formats before the 32-bit ones),
// then width, then height. Adapters and devices without a usable mode do not appear; the
// records are compacted, so record i is usable board i and carries its adapter's ordinal.
// Owned by the display; read-only once built.
#pragma once

#include "dev_device.h"
#include "mem_alloc.h"
#include "os_types.h"

enum
{
    D3DUTIL_MAX_MODES = 64,
    D3DUTIL_MAX_DEVICES = 2,
    D3DUTIL_MAX_FORMATS = 8,
    D3DUTIL_MAX_SAMPLES = 16,
};

struct D3DUtil_ModeInfo
{
    u32 width = 0;
    u32 height = 0;
    u32 format = DEV_FMT_UNKNOWN;
    u32 behavior = 0;  // DEV_CREATE_* vertex processing
    u32 depthStencilFormat = DEV_FMT_UNKNOWN;
};

struct D3DUtil_DeviceInfo
{
    u32 deviceType = 0;
    DEV_Caps caps;
    const char* name = "";  // "HAL" or "REF"
    u32 canDoWindowed = 0;
    D3DUtil_ModeInfo modes[D3DUTIL_MAX_MODES];
    u32 numModes = 0;
    u32 currentMode = 0;
    u32 windowed = 0;
    u32 multiSampleType = 0;
    // Entry n-1: n samples per pixel available (entry 0 always set).
    u32 multiSampleCounts[D3DUTIL_MAX_SAMPLES] = {};
};

struct D3DUtil_AdapterInfo : MEM_Object
{
    u32 ordinal = 0;  // the driver's adapter ordinal
    DEV_AdapterIdentifier identifier;
    DEV_DisplayMode desktopMode;
    D3DUtil_DeviceInfo devices[D3DUTIL_MAX_DEVICES];
    u32 numDevices = 0;
    u32 currentDevice = 0;
};

// Answers 1 to accept a device with these capabilities, behaviour flags and display format.
typedef s32 (*D3DUtil_ConfirmFunction)(const DEV_Caps* _caps, u32 _behavior, u32 _format);

class D3DUtil_Application : public MEM_Object
{
public:
    // Creates the driver on the window; fatal "creation of d3d8 failed" when there is none.
    explicit D3DUtil_Application(void* _window);
    ~D3DUtil_Application();
    D3DUtil_Application(const D3DUtil_Application&) = delete;
    D3DUtil_Application& operator=(const D3DUtil_Application&) = delete;

    void BuildAdpaterInfoArray(D3DUtil_ConfirmFunction _confirm, u32 _windowed);
    // 1 with the first depth-stencil format that fits the display format, else 0.
    s32 FindDepthStencilFormat(u32 _adapter, u32 _deviceType, u32 _displayFormat, u32* _depthStencilFormat);
    // The mode order: negative when _a comes first.
    static s32 CompareModes(const DEV_DisplayMode& _a, const DEV_DisplayMode& _b);

    DEV_Driver* GetDriver() const { return m_driver; }
    u32 GetAdapterCount() const { return m_numAdapters; }  // usable adapters
    const D3DUtil_AdapterInfo* GetAdapter(u32 _index) const { return &m_adapters[_index]; }

private:
    void BuildDevice(D3DUtil_AdapterInfo* _adapter, u32 _deviceType, const DEV_DisplayMode* _modes, u32 _numModes,
                     const u32* _formats, u32 _numFormats, D3DUtil_ConfirmFunction _confirm, u32 _windowed);

    DEV_Driver* m_driver = nullptr;
    D3DUtil_AdapterInfo* m_adapters = nullptr;
    u32 m_numAdapters = 0;
    u32 m_useDepthBuffer = 1;
    u32 m_minDepthBits = 16;
    u32 m_minStencilBits = 0;
};

// The installed graphics runtime as a DirectX version: 0x800 with OpenGL, else 0.
u32 D3DUtil_GetDXVersion();
// Bits per pixel of a display or texture format (R8G8B8 24, X1R5G5B5 15, DXT1 2, ...; 0 for
// formats outside the table).
u32 D3DUtil_BitsPerPixel(u32 _format);
