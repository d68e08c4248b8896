// A recording graphics driver and device for the display-layer tests: what it reports is set
// by the test, every device call is written down as one line of text, any operation can be
// told to fail, and it checks what a real device would refuse (lock and draw ranges, released
// handles, constant registers), so the tests see the display layer's faults.
//
// A TST_FakeGraphics installs itself as the device factory for its lifetime; delete every
// display before it goes.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "dev_device.h"

// Texture formats as a device sizes them: the compressed ones, and bytes per texel of the
// others (0 for a format no device here offers).
inline bool TST_IsDxt(u32 _format)
{
    return _format == DEV_FMT_DXT1 || _format == DEV_FMT_DXT2 || _format == DEV_FMT_DXT3 || _format == DEV_FMT_DXT4 ||
           _format == DEV_FMT_DXT5;
}

inline u32 TST_TexelBytes(u32 _format)
{
    switch (_format) {
    case DEV_FMT_A8R8G8B8:
    case DEV_FMT_X8R8G8B8:
        return 4;
    case DEV_FMT_R5G6B5:
    case DEV_FMT_A1R5G5B5:
    case DEV_FMT_X1R5G5B5:
    case DEV_FMT_A4R4G4B4:
        return 2;
    default:
        return 0;
    }
}

class PLT_System;
class TST_FakeDevice;

struct TST_FakeBuffer
{
    u32 length = 0;
    u32 usage = 0;
    u32 pool = 0;
    u8* data = nullptr;  // calloc'ed: untouched pages cost nothing
    u32 locked = 0;
};

struct TST_FakeTexture
{
    u32 width = 0;
    u32 height = 0;
    u32 levels = 0;
    u32 format = 0;
    u32 pool = 0;
    std::vector<std::vector<u8>> memory;  // per level
    std::vector<s32> pitch;               // per level
};

class TST_FakeGraphics
{
public:
    TST_FakeGraphics();
    ~TST_FakeGraphics();
    TST_FakeGraphics(const TST_FakeGraphics&) = delete;
    TST_FakeGraphics& operator=(const TST_FakeGraphics&) = delete;

    // ---- what the driver reports (set before the display is made) ----
    u32 graphicsVersion = 0x800;  // the platform's graphics probe
    u32 driverAvailable = 1;      // 0: the factory makes nothing
    u32 adapterCount = 1;
    u32 firstUsableAdapter = 0;                 // the device refuses every format on adapters below it
    std::string description = "Fake Renderer";  // adapter n > 0: with " <n>" appended
    DEV_DisplayMode desktop;                    // 1024x768 X8R8G8B8
    // Reported as they are; by default DEV_BuildModeList over the desktop mode.
    std::vector<DEV_DisplayMode> modes;
    DEV_Caps caps;         // hardware device: HW T&L, VS and PS 1.1, 96 constants, 2048 texels
    u32 hasReference = 0;  // a reference device besides the hardware one
    u32 maxSamples = 4;
    std::vector<u32> textureFormats;  // default: 565, 1555, 8888, 4444, DXT1..DXT5
    std::vector<u32> depthFormats;    // default: D16, D24S8
    DEV_Rect windowRect;
    DEV_Rect clientRect;  // 640x480

    // ---- recording ----
    std::vector<std::string> calls;
    // Operation name -> result the operation answers instead of its own (kept until erased).
    std::map<std::string, s32> results;
    TST_FakeDevice* device = nullptr;  // the live device, if any

    // Calls whose text starts with _prefix.
    size_t Count(const std::string& _prefix) const;
    std::vector<std::string> Matching(const std::string& _prefix) const;
    void Forget() { calls.clear(); }

    static TST_FakeGraphics* Current();

    // Internal to the fake.
    void Record(const std::string& _call) { calls.push_back(_call); }
    s32 Override(const char* _operation, s32 _result) const;

private:
    PLT_System* m_previousSystem = nullptr;
};

class TST_FakeDevice : public DEV_Device
{
public:
    TST_FakeDevice(TST_FakeGraphics* _graphics, const DEV_PresentParameters& _present, u32 _behavior);
    ~TST_FakeDevice() override;

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

    // ---- what the device holds, for the tests to look at ----
    DEV_PresentParameters present;
    u32 behavior = 0;
    std::map<DEV_Handle, TST_FakeBuffer> vertexBuffers;
    std::map<DEV_Handle, TST_FakeBuffer> indexBuffers;
    std::map<DEV_Handle, TST_FakeTexture> textures;
    std::map<DEV_Handle, std::string> vertexShaders;
    std::set<DEV_Handle> pixelShaders;
    std::map<u32, u32> renderStates;
    std::map<u32, u32> stageStates[8];
    DEV_Handle stageTextures[8] = {};
    DEV_Handle stream = 0;
    DEV_Handle indices = 0;
    u32 baseVertexIndex = 0;
    DEV_Handle vertexShader = 0;
    DEV_Handle pixelShader = 0;
    f32 constants[96][4] = {};

private:
    s32 Answer(const char* _operation, s32 _result) const { return m_graphics->Override(_operation, _result); }

    // Vertex and index buffers behave alike; _kind ("Vertex" or "Index") names the recorded calls.
    using BufferMap = std::map<DEV_Handle, TST_FakeBuffer>;
    s32 CreateBuffer(const char* _kind, BufferMap& _buffers, s32 _check, u32 _length, u32 _usage, u32 _pool,
                     DEV_Handle* _buffer);
    s32 LockBuffer(const char* _kind, BufferMap& _buffers, DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags,
                   u8** _data);
    s32 UnlockBuffer(const char* _kind, BufferMap& _buffers, DEV_Handle _buffer);
    void ReleaseBuffer(const char* _kind, BufferMap& _buffers, DEV_Handle _buffer);

    TST_FakeGraphics* m_graphics = nullptr;
    DEV_Handle m_next = 1;
};
