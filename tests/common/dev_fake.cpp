// The recording fake of the graphics driver and device.
#include "dev_fake.h"

#include <cstdarg>
#include <cstdio>

#include "plt_system.h"

namespace
{

TST_FakeGraphics* s_current = nullptr;

std::string Text(const char* _format, ...) __attribute__((format(printf, 1, 2)));
std::string Text(const char* _format, ...)
{
    char buffer[512];
    va_list arguments;
    va_start(arguments, _format);
    vsnprintf(buffer, sizeof(buffer), _format, arguments);
    va_end(arguments);
    return buffer;
}

class FakeDriver : public DEV_NullDriver
{
public:
    explicit FakeDriver(TST_FakeGraphics* _graphics) : DEV_NullDriver(_graphics), m_graphics(_graphics) {}

    s32 CreateDevice(u32 _adapter, u32 _deviceType, void* _focusWindow, u32 _behaviorFlags,
                     DEV_PresentParameters* _parameters, DEV_Device** _device) override
    {
        m_graphics->Record(Text("CreateDevice %u %u 0x%x %ux%u format %u samples %u windowed %u", _adapter, _deviceType,
                                _behaviorFlags, _parameters->backBufferWidth, _parameters->backBufferHeight,
                                _parameters->backBufferFormat, _parameters->multiSampleType, _parameters->windowed));
        *_device = nullptr;
        const s32 result = m_graphics->Override("CreateDevice", DEV_OK);
        if (result != DEV_OK)
            return result;
        return DEV_NullDriver::CreateDevice(_adapter, _deviceType, _focusWindow, _behaviorFlags, _parameters, _device);
    }

protected:
    DEV_NullDevice* NewDevice(const DEV_Caps& _caps, const DEV_PresentParameters& _present, u32 _behavior) override
    {
        return new TST_FakeDevice(m_graphics, _caps, _present, _behavior);
    }

private:
    TST_FakeGraphics* m_graphics;
};

// The real platform with the graphics probe answered by the fake: the display's constructor
// asks it before anything else, and without an initialised video system the real one says 0.
class ProbeSystem : public PLT_RelaySystem
{
public:
    ProbeSystem(PLT_System* _real, const TST_FakeGraphics* _graphics) : PLT_RelaySystem(_real), m_graphics(_graphics) {}

    u32 GraphicsVersion() override { return m_graphics->graphicsVersion; }

private:
    const TST_FakeGraphics* m_graphics;
};

ProbeSystem* s_probe = nullptr;

DEV_Driver* CreateFakeDriver(void* _window)
{
    (void)_window;
    if (s_current == nullptr || !s_current->driverAvailable)
        return nullptr;
    return new FakeDriver(s_current);
}

}  // namespace

// ---- TST_FakeGraphics ----

TST_FakeGraphics::TST_FakeGraphics()
{
    driver = "fake";
    description = "Fake Renderer";
    s_current = this;
    DEV_SetFactory(CreateFakeDriver);
    m_previousSystem = PLT_GetSystem();
    s_probe = new ProbeSystem(m_previousSystem, this);
    PLT_SetSystem(s_probe);
}

TST_FakeGraphics::~TST_FakeGraphics()
{
    PLT_SetSystem(m_previousSystem);
    delete s_probe;
    s_probe = nullptr;
    DEV_SetFactory(nullptr);
    s_current = nullptr;
}

TST_FakeGraphics* TST_FakeGraphics::Current() { return s_current; }

size_t TST_FakeGraphics::Count(const std::string& _prefix) const { return Matching(_prefix).size(); }

std::vector<std::string> TST_FakeGraphics::Matching(const std::string& _prefix) const
{
    std::vector<std::string> found;
    for (const std::string& call : calls)
        if (call.compare(0, _prefix.size(), _prefix) == 0)
            found.push_back(call);
    return found;
}

s32 TST_FakeGraphics::Override(const char* _operation, s32 _result) const
{
    auto found = results.find(_operation);
    return found != results.end() ? found->second : _result;
}

// ---- TST_FakeDevice ----

TST_FakeDevice::TST_FakeDevice(TST_FakeGraphics* _graphics, const DEV_Caps& _caps,
                               const DEV_PresentParameters& _present, u32 _behavior)
    : DEV_NullDevice(_caps, _present, _behavior), m_graphics(_graphics)
{
    m_graphics->device = this;
}

TST_FakeDevice::~TST_FakeDevice()
{
    Record("Release device");
    if (m_graphics->device == this)
        m_graphics->device = nullptr;
}

s32 TST_FakeDevice::GetDeviceCaps(DEV_Caps* _caps)
{
    return Answer("GetDeviceCaps", [&] { return DEV_NullDevice::GetDeviceCaps(_caps); });
}

s32 TST_FakeDevice::GetBackBufferDesc(DEV_SurfaceDesc* _desc)
{
    return Answer("GetBackBufferDesc", [&] { return DEV_NullDevice::GetBackBufferDesc(_desc); });
}

s32 TST_FakeDevice::TestCooperativeLevel()
{
    return Answer("TestCooperativeLevel", [&] { return DEV_NullDevice::TestCooperativeLevel(); });
}

s32 TST_FakeDevice::Reset(DEV_PresentParameters* _parameters)
{
    Record("Reset");
    return Answer("Reset", [&] { return DEV_NullDevice::Reset(_parameters); });
}

s32 TST_FakeDevice::Present()
{
    Record("Present");
    return Answer("Present", [&] { return DEV_NullDevice::Present(); });
}

s32 TST_FakeDevice::GetFrontBuffer(u8* _pixels, u32 _width, u32 _height)
{
    Record(Text("GetFrontBuffer %u %u", _width, _height));
    return Answer("GetFrontBuffer", [&] {
        const s32 result = DEV_NullDevice::GetFrontBuffer(_pixels, _width, _height);
        if (result != DEV_OK)
            return result;
        for (u32 y = 0; y < _height; ++y) {
            for (u32 x = 0; x < _width; ++x) {
                u8* pixel = _pixels + (y * _width + x) * 4;
                pixel[0] = (u8)x;
                pixel[1] = (u8)y;
                pixel[2] = (u8)(x + y);
                pixel[3] = 0xFF;
            }
        }
        return result;
    });
}

s32 TST_FakeDevice::BeginScene()
{
    Record("BeginScene");
    return Answer("BeginScene", [&] { return DEV_NullDevice::BeginScene(); });
}

s32 TST_FakeDevice::EndScene()
{
    Record("EndScene");
    return Answer("EndScene", [&] { return DEV_NullDevice::EndScene(); });
}

s32 TST_FakeDevice::SetViewport(const DEV_Viewport& _viewport)
{
    Record(Text("SetViewport %u %u %u %u %g %g", _viewport.x, _viewport.y, _viewport.width, _viewport.height,
                (double)_viewport.minZ, (double)_viewport.maxZ));
    return Answer("SetViewport", [&] { return DEV_NullDevice::SetViewport(_viewport); });
}

s32 TST_FakeDevice::Clear(u32 _flags, u32 _color, f32 _z, u32 _stencil)
{
    Record(Text("Clear %u 0x%08x %g %u", _flags, _color, (double)_z, _stencil));
    return Answer("Clear", [&] { return DEV_NullDevice::Clear(_flags, _color, _z, _stencil); });
}

s32 TST_FakeDevice::SetRenderState(u32 _state, u32 _value)
{
    Record(Text("SetRenderState %u %u", _state, _value));
    return Answer("SetRenderState", [&] { return DEV_NullDevice::SetRenderState(_state, _value); });
}

s32 TST_FakeDevice::SetTextureStageState(u32 _stage, u32 _type, u32 _value)
{
    Record(Text("SetTextureStageState %u %u %u", _stage, _type, _value));
    return Answer("SetTextureStageState", [&] { return DEV_NullDevice::SetTextureStageState(_stage, _type, _value); });
}

// ---- buffers ----

template <typename Call>
s32 TST_FakeDevice::CreateBuffer(const char* _kind, u32 _length, u32 _usage, u32 _pool, DEV_Handle* _buffer,
                                 Call _create)
{
    *_buffer = 0;
    const s32 result = Answer(Text("Create%sBuffer", _kind).c_str(), _create);
    if (result == DEV_OK)
        Record(Text("Create%sBuffer %u 0x%x %u -> %u", _kind, _length, _usage, _pool, *_buffer));
    return result;
}

template <typename Call>
s32 TST_FakeDevice::LockBuffer(const char* _kind, DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data,
                               Call _lock)
{
    Record(Text("Lock%sBuffer %u %u %u 0x%x", _kind, _buffer, _offset, _size, _flags));
    *_data = nullptr;
    return Answer(Text("Lock%sBuffer", _kind).c_str(), _lock);
}

template <typename Call>
s32 TST_FakeDevice::UnlockBuffer(const char* _kind, DEV_Handle _buffer, Call _unlock)
{
    Record(Text("Unlock%sBuffer %u", _kind, _buffer));
    return Answer(Text("Unlock%sBuffer", _kind).c_str(), _unlock);
}

void TST_FakeDevice::RecordRelease(const char* _kind, const std::map<DEV_Handle, DEV_NullBuffer>& _buffers,
                                   DEV_Handle _buffer)
{
    Record(Text("Release%sBuffer %u", _kind, _buffer));
    if (_buffers.count(_buffer) == 0)
        Record(Text("ERROR release of an unknown %s buffer", _kind));
}

s32 TST_FakeDevice::CreateVertexBuffer(u32 _length, u32 _usage, u32 _pool, DEV_Handle* _buffer)
{
    return CreateBuffer("Vertex", _length, _usage, _pool, _buffer,
                        [&] { return DEV_NullDevice::CreateVertexBuffer(_length, _usage, _pool, _buffer); });
}

s32 TST_FakeDevice::LockVertexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data)
{
    return LockBuffer("Vertex", _buffer, _offset, _size, _flags, _data,
                      [&] { return DEV_NullDevice::LockVertexBuffer(_buffer, _offset, _size, _flags, _data); });
}

s32 TST_FakeDevice::UnlockVertexBuffer(DEV_Handle _buffer)
{
    return UnlockBuffer("Vertex", _buffer, [&] { return DEV_NullDevice::UnlockVertexBuffer(_buffer); });
}

void TST_FakeDevice::ReleaseVertexBuffer(DEV_Handle _buffer)
{
    RecordRelease("Vertex", vertexBuffers, _buffer);
    DEV_NullDevice::ReleaseVertexBuffer(_buffer);
}

s32 TST_FakeDevice::CreateIndexBuffer(u32 _length, u32 _usage, u32 _format, u32 _pool, DEV_Handle* _buffer)
{
    return CreateBuffer("Index", _length, _usage, _pool, _buffer,
                        [&] { return DEV_NullDevice::CreateIndexBuffer(_length, _usage, _format, _pool, _buffer); });
}

s32 TST_FakeDevice::LockIndexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data)
{
    return LockBuffer("Index", _buffer, _offset, _size, _flags, _data,
                      [&] { return DEV_NullDevice::LockIndexBuffer(_buffer, _offset, _size, _flags, _data); });
}

s32 TST_FakeDevice::UnlockIndexBuffer(DEV_Handle _buffer)
{
    return UnlockBuffer("Index", _buffer, [&] { return DEV_NullDevice::UnlockIndexBuffer(_buffer); });
}

void TST_FakeDevice::ReleaseIndexBuffer(DEV_Handle _buffer)
{
    RecordRelease("Index", indexBuffers, _buffer);
    DEV_NullDevice::ReleaseIndexBuffer(_buffer);
}

s32 TST_FakeDevice::SetStreamSource(u32 _stream, DEV_Handle _buffer, u32 _stride)
{
    Record(Text("SetStreamSource %u %u %u", _stream, _buffer, _stride));
    return Answer("SetStreamSource", [&] { return DEV_NullDevice::SetStreamSource(_stream, _buffer, _stride); });
}

s32 TST_FakeDevice::SetIndices(DEV_Handle _buffer, u32 _baseVertexIndex)
{
    Record(Text("SetIndices %u %u", _buffer, _baseVertexIndex));
    return Answer("SetIndices", [&] { return DEV_NullDevice::SetIndices(_buffer, _baseVertexIndex); });
}

s32 TST_FakeDevice::DrawIndexedPrimitive(u32 _type, u32 _minIndex, u32 _numVertices, u32 _startIndex,
                                         u32 _primitiveCount)
{
    Record(Text("DrawIndexedPrimitive %u %u %u %u %u", _type, _minIndex, _numVertices, _startIndex, _primitiveCount));
    return Answer("DrawIndexedPrimitive", [&] {
        // The pass tests draw a pass alone, outside a scene: the fake draws whatever the scene
        // state and checks everything else.
        const u32 wasInScene = inScene;
        inScene = 1;
        const s32 result =
            DEV_NullDevice::DrawIndexedPrimitive(_type, _minIndex, _numVertices, _startIndex, _primitiveCount);
        inScene = wasInScene;
        if (result != DEV_OK)
            Record("ERROR draw refused");
        return result;
    });
}

// ---- textures ----

s32 TST_FakeDevice::CreateTexture(u32 _width, u32 _height, u32 _levels, u32 _usage, u32 _format, u32 _pool,
                                  DEV_Handle* _texture)
{
    *_texture = 0;
    const s32 result = Answer("CreateTexture", [&] {
        return DEV_NullDevice::CreateTexture(_width, _height, _levels, _usage, _format, _pool, _texture);
    });
    if (result == DEV_OK)
        Record(
            Text("CreateTexture %u %u %u %u %u %u -> %u", _width, _height, _levels, _usage, _format, _pool, *_texture));
    return result;
}

s32 TST_FakeDevice::GetLevelDesc(DEV_Handle _texture, u32 _level, DEV_SurfaceDesc* _desc)
{
    return Answer("GetLevelDesc", [&] { return DEV_NullDevice::GetLevelDesc(_texture, _level, _desc); });
}

s32 TST_FakeDevice::LockRect(DEV_Handle _texture, u32 _level, u8** _bits, s32* _pitch, u32 _flags)
{
    Record(Text("LockRect %u %u 0x%x", _texture, _level, _flags));
    *_bits = nullptr;
    return Answer("LockRect", [&] { return DEV_NullDevice::LockRect(_texture, _level, _bits, _pitch, _flags); });
}

s32 TST_FakeDevice::UnlockRect(DEV_Handle _texture, u32 _level)
{
    Record(Text("UnlockRect %u %u", _texture, _level));
    return Answer("UnlockRect", [&] { return DEV_NullDevice::UnlockRect(_texture, _level); });
}

void TST_FakeDevice::PreLoad(DEV_Handle _texture)
{
    Record(Text("PreLoad %u", _texture));
    DEV_NullDevice::PreLoad(_texture);
}

void TST_FakeDevice::ReleaseTexture(DEV_Handle _texture)
{
    Record(Text("ReleaseTexture %u", _texture));
    if (textures.count(_texture) == 0)
        Record("ERROR release of an unknown texture");
    DEV_NullDevice::ReleaseTexture(_texture);
}

s32 TST_FakeDevice::SetTexture(u32 _stage, DEV_Handle _texture)
{
    Record(Text("SetTexture %u %u", _stage, _texture));
    return Answer("SetTexture", [&] { return DEV_NullDevice::SetTexture(_stage, _texture); });
}

// ---- shaders ----

s32 TST_FakeDevice::CreateVertexShader(const char* _source, u32 _usage, DEV_Handle* _shader)
{
    *_shader = 0;
    const s32 result =
        Answer("CreateVertexShader", [&] { return DEV_NullDevice::CreateVertexShader(_source, _usage, _shader); });
    if (result == DEV_OK)
        Record(Text("CreateVertexShader 0x%x -> %u", _usage, *_shader));
    return result;
}

s32 TST_FakeDevice::DeleteVertexShader(DEV_Handle _shader)
{
    Record(Text("DeleteVertexShader %u", _shader));
    return Answer("DeleteVertexShader", [&] { return DEV_NullDevice::DeleteVertexShader(_shader); });
}

s32 TST_FakeDevice::SetVertexShader(DEV_Handle _shader)
{
    Record(Text("SetVertexShader %u", _shader));
    return Answer("SetVertexShader", [&] { return DEV_NullDevice::SetVertexShader(_shader); });
}

s32 TST_FakeDevice::SetVertexShaderConstant(u32 _register, const f32* _data, u32 _count)
{
    Record(Text("SetVertexShaderConstant %u %u", _register, _count));
    return Answer("SetVertexShaderConstant",
                  [&] { return DEV_NullDevice::SetVertexShaderConstant(_register, _data, _count); });
}

s32 TST_FakeDevice::CreatePixelShader(const char* _source, DEV_Handle* _shader)
{
    *_shader = 0;
    const s32 result = Answer("CreatePixelShader", [&] { return DEV_NullDevice::CreatePixelShader(_source, _shader); });
    if (result == DEV_OK)
        Record(Text("CreatePixelShader -> %u", *_shader));
    return result;
}

s32 TST_FakeDevice::DeletePixelShader(DEV_Handle _shader)
{
    Record(Text("DeletePixelShader %u", _shader));
    return Answer("DeletePixelShader", [&] { return DEV_NullDevice::DeletePixelShader(_shader); });
}

s32 TST_FakeDevice::SetPixelShader(DEV_Handle _shader)
{
    Record(Text("SetPixelShader %u", _shader));
    return Answer("SetPixelShader", [&] { return DEV_NullDevice::SetPixelShader(_shader); });
}
