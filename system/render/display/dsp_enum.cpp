// Adapter, mode and device enumeration over what the driver reports.
#include "dsp_enum.h"

#include <algorithm>

#include "os_fatal.h"
#include "plt_system.h"

namespace
{

const char* const s_buildCaption = "D3DUtil_Application::BuildAdpaterInfoArray()";

// Vertex-processing behaviours in the order they are tried on a device with hardware
// transform and lighting.
const u32 s_pureHardware = DEV_CREATE_PUREDEVICE | DEV_CREATE_HARDWARE_VERTEXPROCESSING;

// The kept modes of one adapter, freed however the build ends.
struct ModeBuffer
{
    explicit ModeBuffer(u32 _count)
        : modes((DEV_DisplayMode*)MEM_AllocOrDie(_count * (u32)sizeof(DEV_DisplayMode), s_buildCaption))
    {
    }
    ~ModeBuffer() { MEM_Free(modes); }
    ModeBuffer(const ModeBuffer&) = delete;
    ModeBuffer& operator=(const ModeBuffer&) = delete;
    DEV_DisplayMode* modes;
};

u32 Accepts(D3DUtil_ConfirmFunction _confirm, const DEV_Caps& _caps, u32 _behavior, u32 _format)
{
    return _confirm == nullptr || _confirm(&_caps, _behavior, _format) != 0;
}

}  // namespace

D3DUtil_Application::D3DUtil_Application(void* _window)
{
    m_driver = DEV_CreateDriver(_window);
    if (m_driver == nullptr)
        OS_Fatal("D3DUtil_Application::D3DUtil_Application()", "creation of d3d8 failed");
}

D3DUtil_Application::~D3DUtil_Application()
{
    delete[] m_adapters;
    delete m_driver;
}

s32 D3DUtil_Application::CompareModes(const DEV_DisplayMode& _a, const DEV_DisplayMode& _b)
{
    if (_a.format != _b.format)
        return _a.format > _b.format ? -1 : 1;
    if (_a.width != _b.width)
        return _a.width < _b.width ? -1 : 1;
    if (_a.height != _b.height)
        return _a.height < _b.height ? -1 : 1;
    return 0;
}

s32 D3DUtil_Application::FindDepthStencilFormat(u32 _adapter, u32 _deviceType, u32 _displayFormat,
                                                u32* _depthStencilFormat)
{
    struct Candidate
    {
        u32 format;
        u32 usable;
    };
    const u32 depth = m_minDepthBits;
    const u32 stencil = m_minStencilBits;
    const Candidate candidates[] = {
        {DEV_FMT_D16, depth <= 16 && stencil == 0},     {DEV_FMT_D15S1, depth <= 15 && stencil <= 1},
        {DEV_FMT_D24X8, depth <= 24 && stencil == 0},   {DEV_FMT_D24S8, depth <= 24 && stencil <= 8},
        {DEV_FMT_D24X4S4, depth <= 24 && stencil <= 4}, {DEV_FMT_D32, depth <= 32 && stencil == 0},
    };
    for (const Candidate& candidate : candidates) {
        if (!candidate.usable)
            continue;
        if (m_driver->CheckDeviceFormat(_adapter, _deviceType, _displayFormat, DEV_USAGE_DEPTHSTENCIL,
                                        DEV_RTYPE_SURFACE, candidate.format) != DEV_OK)
            continue;
        if (m_driver->CheckDepthStencilMatch(_adapter, _deviceType, _displayFormat, _displayFormat, candidate.format) !=
            DEV_OK)
            continue;
        *_depthStencilFormat = candidate.format;
        return 1;
    }
    return 0;
}

void D3DUtil_Application::BuildAdpaterInfoArray(D3DUtil_ConfirmFunction _confirm, u32 _windowed)
{
    const u32 adapterCount = m_driver->GetAdapterCount();
    if (adapterCount == 0)
        OS_Fatal(s_buildCaption, "adapter count is 0");
    delete[] m_adapters;
    m_adapters = new D3DUtil_AdapterInfo[adapterCount];
    m_numAdapters = 0;

    for (u32 ordinal = 0; ordinal < adapterCount; ++ordinal) {
        // Records are compacted: an adapter without a usable device leaves no gap.
        D3DUtil_AdapterInfo* adapter = &m_adapters[m_numAdapters];
        *adapter = D3DUtil_AdapterInfo();
        adapter->ordinal = ordinal;
        m_driver->GetAdapterIdentifier(ordinal, &adapter->identifier);
        adapter->identifier.description[sizeof(adapter->identifier.description) - 1] = 0;
        m_driver->GetAdapterDisplayMode(ordinal, &adapter->desktopMode);

        const u32 modeCount = m_driver->GetAdapterModeCount(ordinal);
        if (modeCount == 0)
            OS_Fatal(s_buildCaption, "adapter display mode count is 0");

        ModeBuffer buffer(modeCount);
        DEV_DisplayMode* modes = buffer.modes;
        u32 numModes = 0;
        u32 formats[D3DUTIL_MAX_FORMATS] = {};
        u32 numFormats = 1;
        formats[0] = adapter->desktopMode.format;
        for (u32 i = 0; i < modeCount; ++i) {
            DEV_DisplayMode mode;
            if (m_driver->EnumAdapterModes(ordinal, i, &mode) != DEV_OK)
                continue;
            if (mode.width < 640 || mode.height < 400)
                continue;
            u32 known = 0;
            for (u32 k = 0; k < numModes && !known; ++k)
                known =
                    modes[k].width == mode.width && modes[k].height == mode.height && modes[k].format == mode.format;
            if (known)
                continue;
            mode.refreshRate = 0;
            modes[numModes++] = mode;

            u32 formatKnown = 0;
            for (u32 f = 0; f < numFormats && !formatKnown; ++f)
                formatKnown = formats[f] == mode.format;
            if (!formatKnown) {
                if (numFormats == D3DUTIL_MAX_FORMATS)
                    OS_Fatal(s_buildCaption, "display format array overflow");
                formats[numFormats++] = mode.format;
            }
        }
        std::sort(modes, modes + numModes,
                  [](const DEV_DisplayMode& _a, const DEV_DisplayMode& _b) { return CompareModes(_a, _b) < 0; });

        const u32 deviceTypes[D3DUTIL_MAX_DEVICES] = {DEV_DEVTYPE_HAL, DEV_DEVTYPE_REF};
        for (u32 deviceType : deviceTypes)
            BuildDevice(adapter, deviceType, modes, numModes, formats, numFormats, _confirm, _windowed);

        if (adapter->numDevices > 0)
            ++m_numAdapters;
    }
}

void D3DUtil_Application::BuildDevice(D3DUtil_AdapterInfo* _adapter, u32 _deviceType, const DEV_DisplayMode* _modes,
                                      u32 _numModes, const u32* _formats, u32 _numFormats,
                                      D3DUtil_ConfirmFunction _confirm, u32 _windowed)
{
    D3DUtil_DeviceInfo device;
    device.deviceType = _deviceType;
    device.name = _deviceType == DEV_DEVTYPE_HAL ? "HAL" : "REF";
    device.multiSampleCounts[0] = 1;
    // A device type the driver does not know (the reference rasteriser here) has no modes.
    if (m_driver->GetDeviceCaps(_adapter->ordinal, _deviceType, &device.caps) != DEV_OK)
        return;

    u32 accepted[D3DUTIL_MAX_FORMATS] = {};
    u32 behavior[D3DUTIL_MAX_FORMATS] = {};
    u32 depthStencil[D3DUTIL_MAX_FORMATS] = {};
    for (u32 f = 0; f < _numFormats; ++f) {
        const u32 format = _formats[f];
        if (m_driver->CheckDeviceType(_adapter->ordinal, _deviceType, format, format, _windowed) != DEV_OK)
            continue;
        if (_deviceType == DEV_DEVTYPE_HAL) {
            for (u32 samples = 2; samples <= D3DUTIL_MAX_SAMPLES; ++samples)
                if (m_driver->CheckDeviceMultiSampleType(_adapter->ordinal, _deviceType, format, _windowed, samples) ==
                    DEV_OK)
                    device.multiSampleCounts[samples - 1] = 1;
        }

        u32 chosen = 0;
        if (device.caps.devCaps & DEV_DEVCAPS_HWTRANSFORMANDLIGHT) {
            u32 candidates[3] = {};
            u32 numCandidates = 0;
            if (device.caps.devCaps & DEV_DEVCAPS_PUREDEVICE)
                candidates[numCandidates++] = s_pureHardware;
            candidates[numCandidates++] = DEV_CREATE_HARDWARE_VERTEXPROCESSING;
            candidates[numCandidates++] = DEV_CREATE_MIXED_VERTEXPROCESSING;
            for (u32 c = 0; c < numCandidates && chosen == 0; ++c)
                if (Accepts(_confirm, device.caps, candidates[c], format))
                    chosen = candidates[c];
        }
        if (chosen == 0 && Accepts(_confirm, device.caps, DEV_CREATE_SOFTWARE_VERTEXPROCESSING, format))
            chosen = DEV_CREATE_SOFTWARE_VERTEXPROCESSING;
        if (chosen == 0)
            continue;

        if (m_useDepthBuffer && !FindDepthStencilFormat(_adapter->ordinal, _deviceType, format, &depthStencil[f]))
            continue;
        accepted[f] = 1;
        behavior[f] = chosen;
    }

    for (u32 m = 0; m < _numModes; ++m) {
        for (u32 f = 0; f < _numFormats; ++f) {
            if (!accepted[f] || _formats[f] != _modes[m].format)
                continue;
            if (device.numModes == D3DUTIL_MAX_MODES)
                OS_Fatal(s_buildCaption, "num of display modes overflow");
            D3DUtil_ModeInfo& mode = device.modes[device.numModes++];
            mode.width = _modes[m].width;
            mode.height = _modes[m].height;
            mode.format = _modes[m].format;
            mode.behavior = behavior[f];
            mode.depthStencilFormat = depthStencil[f];
        }
    }

    if (accepted[0] && (device.caps.caps2 & DEV_CAPS2_CANRENDERWINDOWED)) {
        device.canDoWindowed = 1;
        device.windowed = 1;
    }
    if (device.numModes == 0)
        return;
    if (_adapter->numDevices == D3DUTIL_MAX_DEVICES)
        OS_Fatal(s_buildCaption, "device info array overflow");
    _adapter->devices[_adapter->numDevices++] = device;
}

u32 D3DUtil_GetDXVersion() { return PLT_GetSystem()->GraphicsVersion() >= 0x800 ? 0x800 : 0; }

u32 D3DUtil_BitsPerPixel(u32 _format)
{
    switch (_format) {
    case DEV_FMT_R8G8B8:
        return 24;
    case DEV_FMT_A8R8G8B8:
    case DEV_FMT_X8R8G8B8:
        return 32;
    case DEV_FMT_R5G6B5:
    case DEV_FMT_A1R5G5B5:
    case DEV_FMT_A4R4G4B4:
    case DEV_FMT_A8R3G3B2:
        return 16;
    case DEV_FMT_X1R5G5B5:
        return 15;
    case DEV_FMT_R3G3B2:
    case DEV_FMT_A8:
        return 8;
    case DEV_FMT_X4R4G4B4:
        return 12;
    case DEV_FMT_DXT1:
        return 2;
    case DEV_FMT_DXT2:
    case DEV_FMT_DXT3:
    case DEV_FMT_DXT4:
    case DEV_FMT_DXT5:
        return 4;
    default:
        return 0;
    }
}
