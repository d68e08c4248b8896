// A recording graphics driver and device for the display-layer tests: the null driver and
// device (dev_null.h) with what the tests add. What the driver reports is set by the test,
// every device call is written down as one line of text, any operation can be told to fail,
// and a release of an unknown handle or a refused draw is written down as an "ERROR" line, so
// the tests see the display layer's faults. The null device keeps what they read back.
//
// A TST_FakeGraphics installs itself as the device factory for its lifetime; delete every
// display before it goes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "dev_null.h"

class PLT_System;
class TST_FakeDevice;

// What the driver reports (set before the display is made) is the machine's; the description
// is "Fake Renderer".
class TST_FakeGraphics : public DEV_NullMachine
{
public:
    TST_FakeGraphics();
    ~TST_FakeGraphics();
    TST_FakeGraphics(const TST_FakeGraphics&) = delete;
    TST_FakeGraphics& operator=(const TST_FakeGraphics&) = delete;

    u32 graphicsVersion = 0x800;  // the platform's graphics probe
    u32 driverAvailable = 1;      // 0: the factory makes nothing

    // ---- recording ----
    std::vector<std::string> calls;
    // Operation name -> result the operation answers instead of doing anything (kept until
    // erased).
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

class TST_FakeDevice : public DEV_NullDevice
{
public:
    TST_FakeDevice(TST_FakeGraphics* _graphics, const DEV_Caps& _caps, const DEV_PresentParameters& _present,
                   u32 _behavior);
    ~TST_FakeDevice() override;

    s32 GetDeviceCaps(DEV_Caps* _caps) override;
    s32 GetBackBufferDesc(DEV_SurfaceDesc* _desc) override;
    s32 TestCooperativeLevel() override;
    s32 Reset(DEV_PresentParameters* _parameters) override;
    s32 Present() override;
    // A pattern that shows each pixel's place: B = x, G = y, R = x + y, A = 0xFF.
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

private:
    // The result the test told _operation to answer, or else what _call answers.
    template <typename Call>
    s32 Answer(const char* _operation, Call _call) const
    {
        const s32 told = m_graphics->Override(_operation, DEV_OK);
        return told != DEV_OK ? told : _call();
    }
    void Record(const std::string& _call) const { m_graphics->Record(_call); }

    // Vertex and index buffers are recorded alike; _kind ("Vertex" or "Index") names the calls.
    template <typename Call>
    s32 CreateBuffer(const char* _kind, u32 _length, u32 _usage, u32 _pool, DEV_Handle* _buffer, Call _create);
    template <typename Call>
    s32 LockBuffer(const char* _kind, DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data, Call _lock);
    template <typename Call>
    s32 UnlockBuffer(const char* _kind, DEV_Handle _buffer, Call _unlock);
    void RecordRelease(const char* _kind, const std::map<DEV_Handle, DEV_NullBuffer>& _buffers, DEV_Handle _buffer);

    TST_FakeGraphics* m_graphics = nullptr;
};
