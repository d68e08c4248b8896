// The null graphics driver and device: the whole device interface over memory, drawing
// nothing. Buffers keep their bytes, textures their levels, and every handle and state a
// caller set can be read back; so the layers above run without a GPU (tests, fuzz targets)
// and a benchmark can measure their own share of a frame.
//
// Contract:
// - Calls are checked as the GL device checks them: handles, lock and draw ranges, locks,
//   scenes, stages, registers, the Reset rules. A caller's fault fails here with the same
//   result as there.
// - Handles count up from 1 across every kind and are never reused: a stale handle, or one
//   of another kind, names nothing.
// - Buffer memory is zero-filled on demand (calloc), so a large buffer costs only the pages
//   written. Texture levels are sized as the GL device sizes them; every compressed format
//   is made, and sides up to the device caps' maximum.
// - renderStates and stageStates hold the values set since creation or the last Reset; a
//   state never set is absent (Direct3D's defaults are not filled in).
// - The front buffer stays black.
// - What the device holds is public for reading back; change it only through the interface.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "dev_device.h"

struct DEV_NullBuffer
{
    DEV_NullBuffer() = default;
    DEV_NullBuffer(DEV_NullBuffer&& _other) noexcept;
    DEV_NullBuffer& operator=(DEV_NullBuffer&& _other) noexcept;
    DEV_NullBuffer(const DEV_NullBuffer&) = delete;
    DEV_NullBuffer& operator=(const DEV_NullBuffer&) = delete;
    ~DEV_NullBuffer();

    u32 length = 0;
    u32 usage = 0;
    u32 pool = 0;
    u8* data = nullptr;  // length bytes, owned
    u32 locked = 0;
};

struct DEV_NullTexture
{
    u32 width = 0;
    u32 height = 0;
    u32 levels = 0;
    u32 format = 0;
    u32 usage = 0;
    u32 pool = 0;
    std::vector<std::vector<u8>> memory;  // per level, as a lock hands it out
    std::vector<s32> pitch;               // per level
    u32 lockedLevels = 0;                 // bit n: level n is locked
};

// Calls made on null devices, for per-frame figures.
struct DEV_NullCounters
{
    u64 calls = 0;  // calls that set state, lock, draw or present
    u64 draws = 0;  // draws accepted
};

// The totals of every null device since the program started.
const DEV_NullCounters& DEV_NullTotals();

class DEV_NullDevice : public DEV_Device
{
public:
    DEV_NullDevice(const DEV_Caps& _caps, const DEV_PresentParameters& _present, u32 _behavior);
    ~DEV_NullDevice() override;
    DEV_NullDevice(const DEV_NullDevice&) = delete;
    DEV_NullDevice& operator=(const DEV_NullDevice&) = delete;

    s32 GetDeviceCaps(DEV_Caps* _caps) override;
    s32 GetBackBufferDesc(DEV_SurfaceDesc* _desc) override;
    s32 TestCooperativeLevel() override;
    s32 Reset(DEV_PresentParameters* _parameters) override;
    s32 Present() override;
    s32 GetFrontBuffer(u8* _pixels, u32 _width, u32 _height) override;
    s32 BeginScene() override;
    s32 EndScene() override;
    s32 SetViewport(const DEV_Viewport& _viewport) override;
    s32 Clear(u32 _flags, u32 _color, f32 _z, u32 _stencil) override;
    s32 SetRenderState(u32 _state, u32 _value) override;
    s32 SetTextureStageState(u32 _stage, u32 _type, u32 _value) override;
    s32 CreateVertexBuffer(u32 _length, u32 _usage, u32 _pool, DEV_Handle* _buffer) override;
    s32 LockVertexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data) override;
    s32 UnlockVertexBuffer(DEV_Handle _buffer) override;
    void ReleaseVertexBuffer(DEV_Handle _buffer) override;
    s32 CreateIndexBuffer(u32 _length, u32 _usage, u32 _format, u32 _pool, DEV_Handle* _buffer) override;
    s32 LockIndexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data) override;
    s32 UnlockIndexBuffer(DEV_Handle _buffer) override;
    void ReleaseIndexBuffer(DEV_Handle _buffer) override;
    s32 SetStreamSource(u32 _stream, DEV_Handle _buffer, u32 _stride) override;
    s32 SetIndices(DEV_Handle _buffer, u32 _baseVertexIndex) override;
    s32 DrawIndexedPrimitive(u32 _type, u32 _minIndex, u32 _numVertices, u32 _startIndex, u32 _primitiveCount) override;
    s32 CreateTexture(u32 _width, u32 _height, u32 _levels, u32 _usage, u32 _format, u32 _pool,
                      DEV_Handle* _texture) override;
    s32 GetLevelDesc(DEV_Handle _texture, u32 _level, DEV_SurfaceDesc* _desc) override;
    s32 LockRect(DEV_Handle _texture, u32 _level, u8** _bits, s32* _pitch, u32 _flags) override;
    s32 UnlockRect(DEV_Handle _texture, u32 _level) override;
    void PreLoad(DEV_Handle _texture) override;
    void ReleaseTexture(DEV_Handle _texture) override;
    s32 SetTexture(u32 _stage, DEV_Handle _texture) override;
    s32 CreateVertexShader(const char* _source, u32 _usage, DEV_Handle* _shader) override;
    s32 DeleteVertexShader(DEV_Handle _shader) override;
    s32 SetVertexShader(DEV_Handle _shader) override;
    s32 SetVertexShaderConstant(u32 _register, const f32* _data, u32 _count) override;
    s32 CreatePixelShader(const char* _source, DEV_Handle* _shader) override;
    s32 DeletePixelShader(DEV_Handle _shader) override;
    s32 SetPixelShader(DEV_Handle _shader) override;

    // ---- what the device holds ----
    DEV_Caps caps;
    DEV_PresentParameters present;
    u32 behavior = 0;
    std::map<DEV_Handle, DEV_NullBuffer> vertexBuffers;
    std::map<DEV_Handle, DEV_NullBuffer> indexBuffers;
    std::map<DEV_Handle, DEV_NullTexture> textures;
    std::map<DEV_Handle, std::string> vertexShaders;  // the program text
    std::map<DEV_Handle, std::string> pixelShaders;
    std::map<u32, u32> renderStates;
    std::map<u32, u32> stageStates[8];
    DEV_Handle stageTextures[8] = {};
    DEV_Viewport viewport;
    DEV_Handle stream = 0;
    u32 streamStride = 0;
    DEV_Handle indices = 0;
    u32 baseVertexIndex = 0;
    DEV_Handle vertexShader = 0;
    DEV_Handle pixelShader = 0;
    f32 constants[96][4] = {};
    u32 inScene = 0;

private:
    using BufferMap = std::map<DEV_Handle, DEV_NullBuffer>;
    s32 CreateBuffer(BufferMap& _buffers, u32 _length, u32 _usage, u32 _pool, DEV_Handle* _buffer);
    s32 LockBuffer(BufferMap& _buffers, DEV_Handle _buffer, u32 _offset, u32 _size, u8** _data);
    s32 UnlockBuffer(BufferMap& _buffers, DEV_Handle _buffer);
    using ShaderMap = std::map<DEV_Handle, std::string>;
    s32 CreateShader(ShaderMap& _shaders, const char* _source, DEV_Handle* _shader);
    // _bound: the shader of that kind in use, which a deleted one no longer is.
    s32 DeleteShader(ShaderMap& _shaders, DEV_Handle* _bound, DEV_Handle _shader);
    s32 SetShader(const ShaderMap& _shaders, DEV_Handle* _bound, DEV_Handle _shader);
    // The next handle; 0 once every handle has been handed out.
    DEV_Handle NextHandle();
    void SetDefaultViewport();

    DEV_Handle m_next = 1;
};

// What the null driver reports: by default one adapter with a hardware device (transform and
// lighting, vertex and pixel shaders 1.1, 96 constants, 2048-texel textures, 8 stages), a
// 1024x768 X8R8G8B8 desktop with DEV_BuildModeList's modes over it, textures in 565, 1555,
// 8888, 4444 and DXT1 .. DXT5, depth formats D16 and D24S8, up to 4 samples, and a 640x480
// client area.
struct DEV_NullMachine
{
    DEV_NullMachine();

    u32 adapterCount = 1;
    u32 firstUsableAdapter = 0;  // adapters below it offer no display format
    std::string driver = "null";
    std::string description = "Null Renderer";  // adapter n > 0: with " <n>" appended
    DEV_DisplayMode desktop;
    std::vector<DEV_DisplayMode> modes;  // reported as they are
    DEV_Caps caps;
    u32 hasReference = 0;  // a reference device besides the hardware one
    u32 maxSamples = 4;
    std::vector<u32> textureFormats;
    std::vector<u32> depthFormats;
    DEV_Rect windowRect;
    DEV_Rect clientRect;
};

class DEV_NullDriver : public DEV_Driver
{
public:
    // Reports *_machine, read at each question (it must outlive the driver), or the defaults
    // when _machine is null.
    explicit DEV_NullDriver(const DEV_NullMachine* _machine = nullptr);

    u32 GetAdapterCount() override;
    s32 GetAdapterIdentifier(u32 _adapter, DEV_AdapterIdentifier* _identifier) override;
    s32 GetAdapterDisplayMode(u32 _adapter, DEV_DisplayMode* _mode) override;
    u32 GetAdapterModeCount(u32 _adapter) override;
    s32 EnumAdapterModes(u32 _adapter, u32 _mode, DEV_DisplayMode* _result) override;
    s32 GetDeviceCaps(u32 _adapter, u32 _deviceType, DEV_Caps* _caps) override;
    s32 CheckDeviceType(u32 _adapter, u32 _deviceType, u32 _displayFormat, u32 _backBufferFormat,
                        u32 _windowed) override;
    s32 CheckDeviceFormat(u32 _adapter, u32 _deviceType, u32 _adapterFormat, u32 _usage, u32 _resourceType,
                          u32 _checkFormat) override;
    s32 CheckDeviceMultiSampleType(u32 _adapter, u32 _deviceType, u32 _surfaceFormat, u32 _windowed,
                                   u32 _multiSampleType) override;
    s32 CheckDepthStencilMatch(u32 _adapter, u32 _deviceType, u32 _adapterFormat, u32 _renderTargetFormat,
                               u32 _depthStencilFormat) override;
    // A null device with the caps GetDeviceCaps reports for that adapter and device type.
    s32 CreateDevice(u32 _adapter, u32 _deviceType, void* _focusWindow, u32 _behaviorFlags,
                     DEV_PresentParameters* _parameters, DEV_Device** _device) override;
    void GetWindowRects(void* _window, DEV_Rect* _windowRect, DEV_Rect* _clientRect) override;

protected:
    // Makes the device CreateDevice hands out; a driver of a device that adds to the null one
    // makes its own here.
    virtual DEV_NullDevice* NewDevice(const DEV_Caps& _caps, const DEV_PresentParameters& _present, u32 _behavior);

private:
    DEV_NullMachine m_defaults;
    const DEV_NullMachine* m_machine = nullptr;
};

// The null driver as a device factory: it answers every question as the GL driver on that
// window does, when the machine offers one (so the layers above take the paths they take on
// the GL device), else as the default machine.
DEV_Driver* DEV_CreateNullDriver(void* _window);
