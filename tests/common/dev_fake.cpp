// The recording fake of the graphics driver and device.
#include "dev_fake.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "forwarding_system.h"

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

// Locks the byte range of a buffer, as a device must: inside it or not at all.
s32 LockRange(TST_FakeBuffer& _buffer, u32 _offset, u32 _size, u8** _data)
{
    *_data = nullptr;
    const u64 end = _size == 0 ? _buffer.length : (u64)_offset + _size;
    if (_offset > _buffer.length || end > _buffer.length)
        return DEV_ERR_INVALIDCALL;
    _buffer.locked = 1;
    *_data = _buffer.data + _offset;
    return DEV_OK;
}

class FakeDriver : public DEV_Driver
{
public:
    explicit FakeDriver(TST_FakeGraphics* _graphics) : m_graphics(_graphics) {}

    u32 GetAdapterCount() override { return m_graphics->adapterCount; }
    s32 GetAdapterIdentifier(u32 _adapter, DEV_AdapterIdentifier* _identifier) override
    {
        if (_adapter >= m_graphics->adapterCount)
            return DEV_ERR_INVALIDCALL;
        *_identifier = DEV_AdapterIdentifier();
        snprintf(_identifier->driver, sizeof(_identifier->driver), "fake");
        if (_adapter == 0)
            snprintf(_identifier->description, sizeof(_identifier->description), "%s", m_graphics->description.c_str());
        else
            snprintf(_identifier->description, sizeof(_identifier->description), "%s %u",
                     m_graphics->description.c_str(), _adapter);
        return DEV_OK;
    }
    s32 GetAdapterDisplayMode(u32 _adapter, DEV_DisplayMode* _mode) override
    {
        if (_adapter >= m_graphics->adapterCount)
            return DEV_ERR_INVALIDCALL;
        *_mode = m_graphics->desktop;
        return DEV_OK;
    }
    u32 GetAdapterModeCount(u32 _adapter) override
    {
        return _adapter < m_graphics->adapterCount ? (u32)m_graphics->modes.size() : 0;
    }
    s32 EnumAdapterModes(u32 _adapter, u32 _mode, DEV_DisplayMode* _result) override
    {
        if (_adapter >= m_graphics->adapterCount || _mode >= m_graphics->modes.size())
            return DEV_ERR_INVALIDCALL;
        *_result = m_graphics->modes[_mode];
        return DEV_OK;
    }
    s32 GetDeviceCaps(u32 _adapter, u32 _deviceType, DEV_Caps* _caps) override
    {
        if (_adapter >= m_graphics->adapterCount)
            return DEV_ERR_INVALIDCALL;
        if (_deviceType == DEV_DEVTYPE_REF && !m_graphics->hasReference)
            return DEV_ERR_NOTAVAILABLE;
        *_caps = m_graphics->caps;
        _caps->deviceType = _deviceType;
        _caps->adapterOrdinal = _adapter;
        return DEV_OK;
    }
    s32 CheckDeviceType(u32 _adapter, u32 _deviceType, u32 _displayFormat, u32 _backBufferFormat,
                        u32 _windowed) override
    {
        (void)_windowed;
        if (_adapter >= m_graphics->adapterCount || _displayFormat != _backBufferFormat)
            return DEV_ERR_INVALIDCALL;
        if (_adapter < m_graphics->firstUsableAdapter)
            return DEV_ERR_NOTAVAILABLE;
        if (_deviceType == DEV_DEVTYPE_REF && !m_graphics->hasReference)
            return DEV_ERR_NOTAVAILABLE;
        return _displayFormat == DEV_FMT_R5G6B5 || _displayFormat == DEV_FMT_X8R8G8B8 ||
                       _displayFormat == DEV_FMT_X1R5G5B5
                   ? DEV_OK
                   : DEV_ERR_NOTAVAILABLE;
    }
    s32 CheckDeviceFormat(u32 _adapter, u32 _deviceType, u32 _adapterFormat, u32 _usage, u32 _resourceType,
                          u32 _checkFormat) override
    {
        (void)_adapter, (void)_deviceType, (void)_adapterFormat, (void)_resourceType;
        const std::vector<u32>& formats =
            (_usage & DEV_USAGE_DEPTHSTENCIL) ? m_graphics->depthFormats : m_graphics->textureFormats;
        for (u32 format : formats)
            if (format == _checkFormat)
                return DEV_OK;
        return DEV_ERR_NOTAVAILABLE;
    }
    s32 CheckDeviceMultiSampleType(u32 _adapter, u32 _deviceType, u32 _surfaceFormat, u32 _windowed,
                                   u32 _multiSampleType) override
    {
        (void)_adapter, (void)_surfaceFormat, (void)_windowed;
        if (_deviceType != DEV_DEVTYPE_HAL)
            return DEV_ERR_NOTAVAILABLE;
        return _multiSampleType <= m_graphics->maxSamples ? DEV_OK : DEV_ERR_NOTAVAILABLE;
    }
    s32 CheckDepthStencilMatch(u32, u32, u32, u32, u32) override { return DEV_OK; }
    s32 CreateDevice(u32 _adapter, u32 _deviceType, void* _focusWindow, u32 _behaviorFlags,
                     DEV_PresentParameters* _parameters, DEV_Device** _device) override
    {
        (void)_focusWindow;
        m_graphics->Record(Text("CreateDevice %u %u 0x%x %ux%u format %u samples %u windowed %u", _adapter, _deviceType,
                                _behaviorFlags, _parameters->backBufferWidth, _parameters->backBufferHeight,
                                _parameters->backBufferFormat, _parameters->multiSampleType, _parameters->windowed));
        *_device = nullptr;
        const s32 result = m_graphics->Override("CreateDevice", DEV_OK);
        if (result != DEV_OK)
            return result;
        *_device = new TST_FakeDevice(m_graphics, *_parameters, _behaviorFlags);
        return DEV_OK;
    }
    void GetWindowRects(void* _window, DEV_Rect* _windowRect, DEV_Rect* _clientRect) override
    {
        (void)_window;
        *_windowRect = m_graphics->windowRect;
        *_clientRect = m_graphics->clientRect;
    }

private:
    TST_FakeGraphics* m_graphics;
};

// The real platform with the graphics probe answered by the fake: the display's constructor
// asks it before anything else, and without an initialised video system the real one says 0.
class ProbeSystem : public TST_ForwardingSystem
{
public:
    ProbeSystem(PLT_System* _real, const TST_FakeGraphics* _graphics)
        : TST_ForwardingSystem(_real), m_graphics(_graphics)
    {
    }

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
    desktop.width = 1024;
    desktop.height = 768;
    desktop.refreshRate = 60;
    desktop.format = DEV_FMT_X8R8G8B8;
    DEV_DisplayMode list[64];
    const u32 count = DEV_BuildModeList(&desktop, 1, list, 64);
    modes.assign(list, list + count);

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

TST_FakeDevice::TST_FakeDevice(TST_FakeGraphics* _graphics, const DEV_PresentParameters& _present, u32 _behavior)
    : present(_present), behavior(_behavior), m_graphics(_graphics)
{
    m_graphics->device = this;
}

TST_FakeDevice::~TST_FakeDevice()
{
    m_graphics->Record("Release device");
    for (auto& each : vertexBuffers)
        free(each.second.data);
    for (auto& each : indexBuffers)
        free(each.second.data);
    if (m_graphics->device == this)
        m_graphics->device = nullptr;
}

s32 TST_FakeDevice::GetDeviceCaps(DEV_Caps* _caps)
{
    *_caps = m_graphics->caps;
    _caps->deviceType = DEV_DEVTYPE_HAL;
    return Answer("GetDeviceCaps", DEV_OK);
}

s32 TST_FakeDevice::GetBackBufferDesc(DEV_SurfaceDesc* _desc)
{
    *_desc = DEV_SurfaceDesc();
    _desc->width = present.backBufferWidth;
    _desc->height = present.backBufferHeight;
    _desc->format = present.backBufferFormat;
    _desc->multiSampleType = present.multiSampleType;
    return Answer("GetBackBufferDesc", DEV_OK);
}

s32 TST_FakeDevice::TestCooperativeLevel() { return Answer("TestCooperativeLevel", DEV_OK); }

s32 TST_FakeDevice::Reset(DEV_PresentParameters* _parameters)
{
    m_graphics->Record("Reset");
    const s32 result = Answer("Reset", DEV_OK);
    if (result != DEV_OK)
        return result;
    // What a device must not hold over a reset.
    for (const auto& each : vertexBuffers)
        if (each.second.pool == DEV_POOL_DEFAULT)
            return DEV_ERR_INVALIDCALL;
    for (const auto& each : indexBuffers)
        if (each.second.pool == DEV_POOL_DEFAULT)
            return DEV_ERR_INVALIDCALL;
    if (!vertexShaders.empty() || !pixelShaders.empty())
        return DEV_ERR_INVALIDCALL;
    present = *_parameters;
    renderStates.clear();
    for (auto& stage : stageStates)
        stage.clear();
    for (DEV_Handle& texture : stageTextures)
        texture = 0;
    stream = indices = 0;
    baseVertexIndex = 0;
    vertexShader = pixelShader = 0;
    return DEV_OK;
}

s32 TST_FakeDevice::Present()
{
    m_graphics->Record("Present");
    return Answer("Present", DEV_OK);
}

s32 TST_FakeDevice::GetFrontBuffer(u8* _pixels, u32 _width, u32 _height)
{
    m_graphics->Record(Text("GetFrontBuffer %u %u", _width, _height));
    if (_width != present.backBufferWidth || _height != present.backBufferHeight)
        return DEV_ERR_INVALIDCALL;
    // A pattern that shows each pixel's place: B = x, G = y, R = x + y, A = 0xFF.
    for (u32 y = 0; y < _height; ++y) {
        for (u32 x = 0; x < _width; ++x) {
            u8* pixel = _pixels + (y * _width + x) * 4;
            pixel[0] = (u8)x;
            pixel[1] = (u8)y;
            pixel[2] = (u8)(x + y);
            pixel[3] = 0xFF;
        }
    }
    return Answer("GetFrontBuffer", DEV_OK);
}

s32 TST_FakeDevice::BeginScene()
{
    m_graphics->Record("BeginScene");
    return Answer("BeginScene", DEV_OK);
}

s32 TST_FakeDevice::EndScene()
{
    m_graphics->Record("EndScene");
    return Answer("EndScene", DEV_OK);
}

s32 TST_FakeDevice::SetViewport(const DEV_Viewport& _viewport)
{
    m_graphics->Record(Text("SetViewport %u %u %u %u %g %g", _viewport.x, _viewport.y, _viewport.width,
                            _viewport.height, (double)_viewport.minZ, (double)_viewport.maxZ));
    return Answer("SetViewport", DEV_OK);
}

s32 TST_FakeDevice::Clear(u32 _flags, u32 _color, f32 _z, u32 _stencil)
{
    m_graphics->Record(Text("Clear %u 0x%08x %g %u", _flags, _color, (double)_z, _stencil));
    return Answer("Clear", DEV_OK);
}

s32 TST_FakeDevice::SetRenderState(u32 _state, u32 _value)
{
    m_graphics->Record(Text("SetRenderState %u %u", _state, _value));
    renderStates[_state] = _value;
    return Answer("SetRenderState", DEV_OK);
}

s32 TST_FakeDevice::SetTextureStageState(u32 _stage, u32 _type, u32 _value)
{
    m_graphics->Record(Text("SetTextureStageState %u %u %u", _stage, _type, _value));
    if (_stage >= 8)
        return DEV_ERR_INVALIDCALL;
    stageStates[_stage][_type] = _value;
    return Answer("SetTextureStageState", DEV_OK);
}

s32 TST_FakeDevice::CreateBuffer(const char* _kind, BufferMap& _buffers, s32 _check, u32 _length, u32 _usage, u32 _pool,
                                 DEV_Handle* _buffer)
{
    *_buffer = 0;
    const s32 result = Answer(Text("Create%sBuffer", _kind).c_str(), _check);
    if (result != DEV_OK)
        return result;
    TST_FakeBuffer buffer;
    buffer.length = _length;
    buffer.usage = _usage;
    buffer.pool = _pool;
    buffer.data = (u8*)calloc(_length, 1);
    *_buffer = m_next++;
    _buffers[*_buffer] = buffer;
    m_graphics->Record(Text("Create%sBuffer %u 0x%x %u -> %u", _kind, _length, _usage, _pool, *_buffer));
    return DEV_OK;
}

s32 TST_FakeDevice::LockBuffer(const char* _kind, BufferMap& _buffers, DEV_Handle _buffer, u32 _offset, u32 _size,
                               u32 _flags, u8** _data)
{
    m_graphics->Record(Text("Lock%sBuffer %u %u %u 0x%x", _kind, _buffer, _offset, _size, _flags));
    *_data = nullptr;
    auto found = _buffers.find(_buffer);
    if (found == _buffers.end())
        return DEV_ERR_INVALIDCALL;
    const s32 result = Answer(Text("Lock%sBuffer", _kind).c_str(), DEV_OK);
    return result != DEV_OK ? result : LockRange(found->second, _offset, _size, _data);
}

s32 TST_FakeDevice::UnlockBuffer(const char* _kind, BufferMap& _buffers, DEV_Handle _buffer)
{
    m_graphics->Record(Text("Unlock%sBuffer %u", _kind, _buffer));
    auto found = _buffers.find(_buffer);
    if (found == _buffers.end() || !found->second.locked)
        return DEV_ERR_INVALIDCALL;
    found->second.locked = 0;
    return Answer(Text("Unlock%sBuffer", _kind).c_str(), DEV_OK);
}

void TST_FakeDevice::ReleaseBuffer(const char* _kind, BufferMap& _buffers, DEV_Handle _buffer)
{
    m_graphics->Record(Text("Release%sBuffer %u", _kind, _buffer));
    auto found = _buffers.find(_buffer);
    if (found == _buffers.end()) {
        m_graphics->Record(Text("ERROR release of an unknown %s buffer", _kind));
        return;
    }
    free(found->second.data);
    _buffers.erase(found);
}

s32 TST_FakeDevice::CreateVertexBuffer(u32 _length, u32 _usage, u32 _pool, DEV_Handle* _buffer)
{
    return CreateBuffer("Vertex", vertexBuffers, _length == 0 ? DEV_ERR_INVALIDCALL : DEV_OK, _length, _usage, _pool,
                        _buffer);
}

s32 TST_FakeDevice::LockVertexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data)
{
    return LockBuffer("Vertex", vertexBuffers, _buffer, _offset, _size, _flags, _data);
}

s32 TST_FakeDevice::UnlockVertexBuffer(DEV_Handle _buffer) { return UnlockBuffer("Vertex", vertexBuffers, _buffer); }

void TST_FakeDevice::ReleaseVertexBuffer(DEV_Handle _buffer) { ReleaseBuffer("Vertex", vertexBuffers, _buffer); }

s32 TST_FakeDevice::CreateIndexBuffer(u32 _length, u32 _usage, u32 _format, u32 _pool, DEV_Handle* _buffer)
{
    return CreateBuffer("Index", indexBuffers,
                        _length == 0 || _format != DEV_FMT_INDEX16 ? DEV_ERR_INVALIDCALL : DEV_OK, _length, _usage,
                        _pool, _buffer);
}

s32 TST_FakeDevice::LockIndexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data)
{
    return LockBuffer("Index", indexBuffers, _buffer, _offset, _size, _flags, _data);
}

s32 TST_FakeDevice::UnlockIndexBuffer(DEV_Handle _buffer) { return UnlockBuffer("Index", indexBuffers, _buffer); }

void TST_FakeDevice::ReleaseIndexBuffer(DEV_Handle _buffer) { ReleaseBuffer("Index", indexBuffers, _buffer); }

s32 TST_FakeDevice::SetStreamSource(u32 _stream, DEV_Handle _buffer, u32 _stride)
{
    m_graphics->Record(Text("SetStreamSource %u %u %u", _stream, _buffer, _stride));
    if (_stream != 0 || (_buffer != 0 && vertexBuffers.count(_buffer) == 0))
        return DEV_ERR_INVALIDCALL;
    stream = _buffer;
    return Answer("SetStreamSource", DEV_OK);
}

s32 TST_FakeDevice::SetIndices(DEV_Handle _buffer, u32 _baseVertexIndex)
{
    m_graphics->Record(Text("SetIndices %u %u", _buffer, _baseVertexIndex));
    if (_buffer != 0 && indexBuffers.count(_buffer) == 0)
        return DEV_ERR_INVALIDCALL;
    indices = _buffer;
    baseVertexIndex = _baseVertexIndex;
    return Answer("SetIndices", DEV_OK);
}

s32 TST_FakeDevice::DrawIndexedPrimitive(u32 _type, u32 _minIndex, u32 _numVertices, u32 _startIndex,
                                         u32 _primitiveCount)
{
    m_graphics->Record(
        Text("DrawIndexedPrimitive %u %u %u %u %u", _type, _minIndex, _numVertices, _startIndex, _primitiveCount));
    auto vertices = vertexBuffers.find(stream);
    auto entries = indexBuffers.find(indices);
    if (vertices == vertexBuffers.end() || entries == indexBuffers.end()) {
        m_graphics->Record("ERROR draw without buffers");
        return DEV_ERR_INVALIDCALL;
    }
    u64 indexCount = 0;
    switch (_type) {
    case DEV_PT_TRIANGLELIST:
        indexCount = (u64)_primitiveCount * 3;
        break;
    case DEV_PT_TRIANGLESTRIP:
    case DEV_PT_TRIANGLEFAN:
        indexCount = (u64)_primitiveCount + 2;
        break;
    case DEV_PT_LINELIST:
        indexCount = (u64)_primitiveCount * 2;
        break;
    case DEV_PT_LINESTRIP:
        indexCount = (u64)_primitiveCount + 1;
        break;
    default:
        return DEV_ERR_INVALIDCALL;
    }
    if (((u64)_startIndex + indexCount) * 2 > entries->second.length ||
        ((u64)baseVertexIndex + _minIndex + _numVertices) * 40 > vertices->second.length) {
        m_graphics->Record("ERROR draw outside the buffers");
        return DEV_ERR_INVALIDCALL;
    }
    return Answer("DrawIndexedPrimitive", DEV_OK);
}

s32 TST_FakeDevice::CreateTexture(u32 _width, u32 _height, u32 _levels, u32 _usage, u32 _format, u32 _pool,
                                  DEV_Handle* _texture)
{
    *_texture = 0;
    const u32 known = TST_IsDxt(_format) || TST_TexelBytes(_format) != 0;
    const s32 result =
        Answer("CreateTexture",
               known && _levels >= 1 && _levels <= 12 && _width > 0 && _height > 0 ? DEV_OK : DEV_ERR_INVALIDCALL);
    if (result != DEV_OK)
        return result;
    TST_FakeTexture texture;
    texture.width = _width;
    texture.height = _height;
    texture.levels = _levels;
    texture.format = _format;
    texture.pool = _pool;
    for (u32 level = 0; level < _levels; ++level) {
        const u32 width = _width >> level ? _width >> level : 1;
        const u32 height = _height >> level ? _height >> level : 1;
        s32 pitch = 0;
        u32 rows = height;
        if (TST_IsDxt(_format)) {
            pitch = (s32)(((width + 3) / 4) * (_format == DEV_FMT_DXT1 ? 8 : 16));
            rows = (height + 3) / 4;
        } else {
            pitch = (s32)(width * TST_TexelBytes(_format));
        }
        texture.pitch.push_back(pitch);
        texture.memory.emplace_back((size_t)pitch * rows, (u8)0);
    }
    *_texture = m_next++;
    textures[*_texture] = texture;
    m_graphics->Record(
        Text("CreateTexture %u %u %u %u %u %u -> %u", _width, _height, _levels, _usage, _format, _pool, *_texture));
    return DEV_OK;
}

s32 TST_FakeDevice::GetLevelDesc(DEV_Handle _texture, u32 _level, DEV_SurfaceDesc* _desc)
{
    auto found = textures.find(_texture);
    if (found == textures.end() || _level >= found->second.levels)
        return DEV_ERR_INVALIDCALL;
    const TST_FakeTexture& texture = found->second;
    *_desc = DEV_SurfaceDesc();
    _desc->format = texture.format;
    _desc->pool = texture.pool;
    _desc->width = texture.width >> _level ? texture.width >> _level : 1;
    _desc->height = texture.height >> _level ? texture.height >> _level : 1;
    _desc->size = (u32)texture.memory[_level].size();
    return Answer("GetLevelDesc", DEV_OK);
}

s32 TST_FakeDevice::LockRect(DEV_Handle _texture, u32 _level, u8** _bits, s32* _pitch, u32 _flags)
{
    m_graphics->Record(Text("LockRect %u %u 0x%x", _texture, _level, _flags));
    *_bits = nullptr;
    auto found = textures.find(_texture);
    if (found == textures.end() || _level >= found->second.levels)
        return DEV_ERR_INVALIDCALL;
    const s32 result = Answer("LockRect", DEV_OK);
    if (result != DEV_OK)
        return result;
    *_bits = found->second.memory[_level].data();
    *_pitch = found->second.pitch[_level];
    return DEV_OK;
}

s32 TST_FakeDevice::UnlockRect(DEV_Handle _texture, u32 _level)
{
    m_graphics->Record(Text("UnlockRect %u %u", _texture, _level));
    auto found = textures.find(_texture);
    if (found == textures.end() || _level >= found->second.levels)
        return DEV_ERR_INVALIDCALL;
    return Answer("UnlockRect", DEV_OK);
}

void TST_FakeDevice::PreLoad(DEV_Handle _texture) { m_graphics->Record(Text("PreLoad %u", _texture)); }

void TST_FakeDevice::ReleaseTexture(DEV_Handle _texture)
{
    m_graphics->Record(Text("ReleaseTexture %u", _texture));
    if (textures.erase(_texture) == 0)
        m_graphics->Record("ERROR release of an unknown texture");
    // A released texture is bound nowhere any more.
    for (DEV_Handle& bound : stageTextures)
        if (bound == _texture)
            bound = 0;
}

s32 TST_FakeDevice::SetTexture(u32 _stage, DEV_Handle _texture)
{
    m_graphics->Record(Text("SetTexture %u %u", _stage, _texture));
    if (_stage >= 8 || (_texture != 0 && textures.count(_texture) == 0))
        return DEV_ERR_INVALIDCALL;
    stageTextures[_stage] = _texture;
    return Answer("SetTexture", DEV_OK);
}

s32 TST_FakeDevice::CreateVertexShader(const char* _source, u32 _usage, DEV_Handle* _shader)
{
    *_shader = 0;
    const s32 result = Answer("CreateVertexShader", _source != nullptr ? DEV_OK : DEV_ERR_INVALIDCALL);
    if (result != DEV_OK)
        return result;
    *_shader = m_next++;
    vertexShaders[*_shader] = _source;
    m_graphics->Record(Text("CreateVertexShader 0x%x -> %u", _usage, *_shader));
    return DEV_OK;
}

s32 TST_FakeDevice::DeleteVertexShader(DEV_Handle _shader)
{
    m_graphics->Record(Text("DeleteVertexShader %u", _shader));
    if (vertexShaders.erase(_shader) == 0)
        return DEV_ERR_INVALIDCALL;
    if (vertexShader == _shader)
        vertexShader = 0;
    return DEV_OK;
}

s32 TST_FakeDevice::SetVertexShader(DEV_Handle _shader)
{
    m_graphics->Record(Text("SetVertexShader %u", _shader));
    if (vertexShaders.count(_shader) == 0)
        return DEV_ERR_INVALIDCALL;
    vertexShader = _shader;
    return Answer("SetVertexShader", DEV_OK);
}

s32 TST_FakeDevice::SetVertexShaderConstant(u32 _register, const f32* _data, u32 _count)
{
    m_graphics->Record(Text("SetVertexShaderConstant %u %u", _register, _count));
    if ((u64)_register + _count > 96)
        return DEV_ERR_INVALIDCALL;
    memcpy(constants[_register], _data, (size_t)_count * 16);
    return Answer("SetVertexShaderConstant", DEV_OK);
}

s32 TST_FakeDevice::CreatePixelShader(const char* _source, DEV_Handle* _shader)
{
    *_shader = 0;
    const s32 result = Answer("CreatePixelShader", _source != nullptr ? DEV_OK : DEV_ERR_INVALIDCALL);
    if (result != DEV_OK)
        return result;
    *_shader = m_next++;
    pixelShaders.insert(*_shader);
    m_graphics->Record(Text("CreatePixelShader -> %u", *_shader));
    return DEV_OK;
}

s32 TST_FakeDevice::DeletePixelShader(DEV_Handle _shader)
{
    m_graphics->Record(Text("DeletePixelShader %u", _shader));
    if (pixelShaders.erase(_shader) == 0)
        return DEV_ERR_INVALIDCALL;
    if (pixelShader == _shader)
        pixelShader = 0;
    return DEV_OK;
}

s32 TST_FakeDevice::SetPixelShader(DEV_Handle _shader)
{
    m_graphics->Record(Text("SetPixelShader %u", _shader));
    if (_shader != 0 && pixelShaders.count(_shader) == 0)
        return DEV_ERR_INVALIDCALL;
    pixelShader = _shader;
    return Answer("SetPixelShader", DEV_OK);
}
