// The null device: the checks of the GL device over memory, without a GL call.
#include <cstdlib>
#include <cstring>
#include <utility>

#include "dev_checks_local.h"
#include "dev_gl_local.h"
#include "dev_null.h"

namespace
{

DEV_NullCounters s_totals;

s32 Counted(s32 _result)
{
    ++s_totals.calls;
    return _result;
}

}  // namespace

const DEV_NullCounters& DEV_NullTotals() { return s_totals; }

// ---- DEV_NullBuffer ----

DEV_NullBuffer::DEV_NullBuffer(DEV_NullBuffer&& _other) noexcept { *this = std::move(_other); }

DEV_NullBuffer& DEV_NullBuffer::operator=(DEV_NullBuffer&& _other) noexcept
{
    if (this != &_other) {
        free(data);
        length = _other.length;
        usage = _other.usage;
        pool = _other.pool;
        data = _other.data;
        locked = _other.locked;
        _other.data = nullptr;
        _other.length = 0;
    }
    return *this;
}

DEV_NullBuffer::~DEV_NullBuffer() { free(data); }

// ---- DEV_NullDevice ----

DEV_NullDevice::DEV_NullDevice(const DEV_Caps& _caps, const DEV_PresentParameters& _present, u32 _behavior)
    : caps(_caps), present(_present), behavior(_behavior)
{
    SetDefaultViewport();
}

DEV_NullDevice::~DEV_NullDevice() {}

DEV_Handle DEV_NullDevice::NextHandle()
{
    if (m_next == 0)
        return 0;
    return m_next++;
}

void DEV_NullDevice::SetDefaultViewport()
{
    viewport = DEV_Viewport();
    viewport.width = present.backBufferWidth;
    viewport.height = present.backBufferHeight;
}

s32 DEV_NullDevice::GetDeviceCaps(DEV_Caps* _caps)
{
    if (_caps == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_caps = caps;
    return DEV_OK;
}

s32 DEV_NullDevice::GetBackBufferDesc(DEV_SurfaceDesc* _desc)
{
    if (_desc == nullptr)
        return DEV_ERR_INVALIDCALL;
    DEV_DescribeBackBuffer(present, _desc);
    return DEV_OK;
}

s32 DEV_NullDevice::TestCooperativeLevel() { return DEV_OK; }

s32 DEV_NullDevice::Reset(DEV_PresentParameters* _parameters)
{
    if (_parameters == nullptr)
        return DEV_ERR_INVALIDCALL;
    // As Direct3D: default-pool resources and shaders must be gone first.
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
    SetDefaultViewport();
    stream = indices = 0;
    streamStride = baseVertexIndex = 0;
    vertexShader = pixelShader = 0;
    memset(constants, 0, sizeof(constants));
    inScene = 0;
    return DEV_OK;
}

s32 DEV_NullDevice::Present() { return Counted(DEV_OK); }

s32 DEV_NullDevice::GetFrontBuffer(u8* _pixels, u32 _width, u32 _height)
{
    if (_pixels == nullptr || _width != present.backBufferWidth || _height != present.backBufferHeight)
        return DEV_ERR_INVALIDCALL;
    memset(_pixels, 0, (size_t)_width * _height * 4);
    return DEV_OK;
}

// ---- frame ----

s32 DEV_NullDevice::BeginScene()
{
    if (inScene)
        return Counted(DEV_ERR_INVALIDCALL);
    inScene = 1;
    return Counted(DEV_OK);
}

s32 DEV_NullDevice::EndScene()
{
    if (!inScene)
        return Counted(DEV_ERR_INVALIDCALL);
    inScene = 0;
    return Counted(DEV_OK);
}

s32 DEV_NullDevice::SetViewport(const DEV_Viewport& _viewport)
{
    if (!DEV_ViewportFits(_viewport, present))
        return Counted(DEV_ERR_INVALIDCALL);
    viewport = _viewport;
    return Counted(DEV_OK);
}

s32 DEV_NullDevice::Clear(u32 _flags, u32 /*_color*/, f32 /*_z*/, u32 /*_stencil*/)
{
    return Counted(DEV_ClearFits(_flags, present) ? DEV_OK : DEV_ERR_INVALIDCALL);
}

// ---- state ----

s32 DEV_NullDevice::SetRenderState(u32 _state, u32 _value)
{
    if (_state >= 256)
        return Counted(DEV_ERR_INVALIDCALL);
    renderStates[_state] = _value;
    return Counted(DEV_OK);
}

s32 DEV_NullDevice::SetTextureStageState(u32 _stage, u32 _type, u32 _value)
{
    if (_stage >= DEV_GL_STAGES || _type >= 32)
        return Counted(DEV_ERR_INVALIDCALL);
    stageStates[_stage][_type] = _value;
    return Counted(DEV_OK);
}

// ---- buffers ----

s32 DEV_NullDevice::CreateBuffer(BufferMap& _buffers, u32 _length, u32 _usage, u32 _pool, DEV_Handle* _buffer)
{
    if (_buffer == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_buffer = 0;
    if (!DEV_BufferFits(_length, _usage, _pool))
        return DEV_ERR_INVALIDCALL;
    DEV_NullBuffer buffer;
    buffer.data = (u8*)calloc(_length, 1);
    if (buffer.data == nullptr)
        return DEV_ERR_OUTOFVIDEOMEMORY;
    buffer.length = _length;
    buffer.usage = _usage;
    buffer.pool = _pool;
    const DEV_Handle handle = NextHandle();
    if (handle == 0)
        return DEV_E_OUTOFMEMORY;
    _buffers[handle] = std::move(buffer);
    *_buffer = handle;
    return DEV_OK;
}

s32 DEV_NullDevice::LockBuffer(BufferMap& _buffers, DEV_Handle _buffer, u32 _offset, u32 _size, u8** _data)
{
    if (_data == nullptr)
        return Counted(DEV_ERR_INVALIDCALL);
    *_data = nullptr;
    auto found = _buffers.find(_buffer);
    if (found == _buffers.end() || found->second.locked)
        return Counted(DEV_ERR_INVALIDCALL);
    DEV_NullBuffer& buffer = found->second;
    // Size 0 locks to the end; an empty range is refused.
    const u64 size = _size == 0 ? (u64)buffer.length - _offset : _size;
    if (_offset >= buffer.length || (u64)_offset + size > buffer.length || size == 0)
        return Counted(DEV_ERR_INVALIDCALL);
    buffer.locked = 1;
    *_data = buffer.data + _offset;
    return Counted(DEV_OK);
}

s32 DEV_NullDevice::UnlockBuffer(BufferMap& _buffers, DEV_Handle _buffer)
{
    auto found = _buffers.find(_buffer);
    if (found == _buffers.end() || !found->second.locked)
        return Counted(DEV_ERR_INVALIDCALL);
    found->second.locked = 0;
    return Counted(DEV_OK);
}

s32 DEV_NullDevice::CreateVertexBuffer(u32 _length, u32 _usage, u32 _pool, DEV_Handle* _buffer)
{
    return CreateBuffer(vertexBuffers, _length, _usage, _pool, _buffer);
}

s32 DEV_NullDevice::LockVertexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 /*_flags*/, u8** _data)
{
    return LockBuffer(vertexBuffers, _buffer, _offset, _size, _data);
}

s32 DEV_NullDevice::UnlockVertexBuffer(DEV_Handle _buffer) { return UnlockBuffer(vertexBuffers, _buffer); }

void DEV_NullDevice::ReleaseVertexBuffer(DEV_Handle _buffer)
{
    if (vertexBuffers.erase(_buffer) != 0 && stream == _buffer) {
        stream = 0;
        streamStride = 0;
    }
}

s32 DEV_NullDevice::CreateIndexBuffer(u32 _length, u32 _usage, u32 _format, u32 _pool, DEV_Handle* _buffer)
{
    if (_format != DEV_FMT_INDEX16) {
        if (_buffer != nullptr)
            *_buffer = 0;
        return DEV_ERR_INVALIDCALL;
    }
    return CreateBuffer(indexBuffers, _length, _usage, _pool, _buffer);
}

s32 DEV_NullDevice::LockIndexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 /*_flags*/, u8** _data)
{
    return LockBuffer(indexBuffers, _buffer, _offset, _size, _data);
}

s32 DEV_NullDevice::UnlockIndexBuffer(DEV_Handle _buffer) { return UnlockBuffer(indexBuffers, _buffer); }

void DEV_NullDevice::ReleaseIndexBuffer(DEV_Handle _buffer)
{
    if (indexBuffers.erase(_buffer) != 0 && indices == _buffer) {
        indices = 0;
        baseVertexIndex = 0;
    }
}

s32 DEV_NullDevice::SetStreamSource(u32 _stream, DEV_Handle _buffer, u32 _stride)
{
    if (_stream != 0 || (_buffer != 0 && (vertexBuffers.count(_buffer) == 0 || _stride < 40)))
        return Counted(DEV_ERR_INVALIDCALL);
    stream = _buffer;
    streamStride = _buffer != 0 ? _stride : 0;
    return Counted(DEV_OK);
}

s32 DEV_NullDevice::SetIndices(DEV_Handle _buffer, u32 _baseVertexIndex)
{
    if (_buffer != 0 && indexBuffers.count(_buffer) == 0)
        return Counted(DEV_ERR_INVALIDCALL);
    indices = _buffer;
    baseVertexIndex = _baseVertexIndex;
    return Counted(DEV_OK);
}

s32 DEV_NullDevice::DrawIndexedPrimitive(u32 _type, u32 _minIndex, u32 _numVertices, u32 _startIndex,
                                         u32 _primitiveCount)
{
    const u64 indexCount = DEV_IndexCount(_type, _primitiveCount);
    if (indexCount == 0 || !inScene || _primitiveCount == 0 || _numVertices == 0)
        return Counted(DEV_ERR_INVALIDCALL);
    auto vertices = vertexBuffers.find(stream);
    auto entries = indexBuffers.find(indices);
    if (vertices == vertexBuffers.end() || entries == indexBuffers.end() || vertices->second.locked ||
        entries->second.locked)
        return Counted(DEV_ERR_INVALIDCALL);
    if (!DEV_DrawFits(_startIndex, indexCount, entries->second.length, baseVertexIndex, _minIndex, _numVertices,
                      streamStride, vertices->second.length))
        return Counted(DEV_ERR_INVALIDCALL);
    ++s_totals.draws;
    return Counted(DEV_OK);
}

// ---- textures ----

s32 DEV_NullDevice::CreateTexture(u32 _width, u32 _height, u32 _levels, u32 _usage, u32 _format, u32 _pool,
                                  DEV_Handle* _texture)
{
    if (_texture == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_texture = 0;
    // Sized and refused as on a GL device with every compressed format.
    const DEV_GLFormat* format = DEV_GLFindFormat(_format, 1);
    if (format == nullptr || _usage != 0 || (_pool != DEV_POOL_MANAGED && _pool != DEV_POOL_DEFAULT) || _width == 0 ||
        _height == 0 || _width > caps.maxTextureWidth || _height > caps.maxTextureHeight)
        return DEV_ERR_INVALIDCALL;
    const u32 levels = DEV_TextureLevels(_width, _height, _levels);
    if (levels == 0)
        return DEV_ERR_INVALIDCALL;
    const DEV_Handle handle = NextHandle();
    if (handle == 0)
        return DEV_E_OUTOFMEMORY;
    DEV_NullTexture& texture = textures[handle];
    texture.width = _width;
    texture.height = _height;
    texture.levels = levels;
    texture.format = _format;
    texture.usage = _usage;
    texture.pool = _pool;
    for (u32 level = 0; level < levels; ++level) {
        const u32 width = _width >> level ? _width >> level : 1;
        const u32 height = _height >> level ? _height >> level : 1;
        texture.pitch.push_back((s32)DEV_GLLevelPitch(*format, width));
        texture.memory.emplace_back(DEV_GLLevelSize(*format, width, height), (u8)0);
    }
    *_texture = handle;
    return DEV_OK;
}

s32 DEV_NullDevice::GetLevelDesc(DEV_Handle _texture, u32 _level, DEV_SurfaceDesc* _desc)
{
    auto found = textures.find(_texture);
    if (found == textures.end() || _level >= found->second.levels || _desc == nullptr)
        return DEV_ERR_INVALIDCALL;
    const DEV_NullTexture& texture = found->second;
    *_desc = DEV_SurfaceDesc();
    _desc->format = texture.format;
    _desc->usage = texture.usage;
    _desc->pool = texture.pool;
    _desc->size = (u32)texture.memory[_level].size();
    _desc->width = texture.width >> _level ? texture.width >> _level : 1;
    _desc->height = texture.height >> _level ? texture.height >> _level : 1;
    return DEV_OK;
}

s32 DEV_NullDevice::LockRect(DEV_Handle _texture, u32 _level, u8** _bits, s32* _pitch, u32 /*_flags*/)
{
    if (_bits == nullptr || _pitch == nullptr)
        return Counted(DEV_ERR_INVALIDCALL);
    *_bits = nullptr;
    *_pitch = 0;
    auto found = textures.find(_texture);
    if (found == textures.end() || _level >= found->second.levels || (found->second.lockedLevels & (1u << _level)))
        return Counted(DEV_ERR_INVALIDCALL);
    DEV_NullTexture& texture = found->second;
    texture.lockedLevels |= 1u << _level;
    *_bits = texture.memory[_level].data();
    *_pitch = texture.pitch[_level];
    return Counted(DEV_OK);
}

s32 DEV_NullDevice::UnlockRect(DEV_Handle _texture, u32 _level)
{
    auto found = textures.find(_texture);
    if (found == textures.end() || _level >= found->second.levels || !(found->second.lockedLevels & (1u << _level)))
        return Counted(DEV_ERR_INVALIDCALL);
    found->second.lockedLevels &= ~(1u << _level);
    return Counted(DEV_OK);
}

void DEV_NullDevice::PreLoad(DEV_Handle /*_texture*/) {}

void DEV_NullDevice::ReleaseTexture(DEV_Handle _texture)
{
    if (textures.erase(_texture) == 0)
        return;
    // A stage that still has it bound has no texture afterwards.
    for (DEV_Handle& bound : stageTextures)
        if (bound == _texture)
            bound = 0;
}

s32 DEV_NullDevice::SetTexture(u32 _stage, DEV_Handle _texture)
{
    if (_stage >= DEV_GL_STAGES || (_texture != 0 && textures.count(_texture) == 0))
        return Counted(DEV_ERR_INVALIDCALL);
    stageTextures[_stage] = _texture;
    return Counted(DEV_OK);
}

// ---- shaders ----

s32 DEV_NullDevice::CreateShader(ShaderMap& _shaders, const char* _source, DEV_Handle* _shader)
{
    const DEV_Handle handle = NextHandle();
    if (handle == 0)
        return DEV_E_OUTOFMEMORY;
    _shaders[handle] = _source;
    *_shader = handle;
    return DEV_OK;
}

s32 DEV_NullDevice::DeleteShader(ShaderMap& _shaders, DEV_Handle* _bound, DEV_Handle _shader)
{
    if (_shaders.erase(_shader) == 0)
        return DEV_ERR_INVALIDCALL;
    if (*_bound == _shader)
        *_bound = 0;
    return DEV_OK;
}

s32 DEV_NullDevice::SetShader(const ShaderMap& _shaders, DEV_Handle* _bound, DEV_Handle _shader)
{
    if (_shader != 0 && _shaders.count(_shader) == 0)
        return Counted(DEV_ERR_INVALIDCALL);
    *_bound = _shader;
    return Counted(DEV_OK);
}

s32 DEV_NullDevice::CreateVertexShader(const char* _source, u32 _usage, DEV_Handle* _shader)
{
    if (_shader == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_shader = 0;
    if (_source == nullptr || (_usage & ~(u32)DEV_USAGE_SOFTWAREPROCESSING) != 0)
        return DEV_ERR_INVALIDCALL;
    return CreateShader(vertexShaders, _source, _shader);
}

s32 DEV_NullDevice::DeleteVertexShader(DEV_Handle _shader)
{
    return DeleteShader(vertexShaders, &vertexShader, _shader);
}

s32 DEV_NullDevice::SetVertexShader(DEV_Handle _shader) { return SetShader(vertexShaders, &vertexShader, _shader); }

s32 DEV_NullDevice::SetVertexShaderConstant(u32 _register, const f32* _data, u32 _count)
{
    if (_data == nullptr || _register >= DEV_GL_CONSTANTS || _count > DEV_GL_CONSTANTS - _register)
        return Counted(DEV_ERR_INVALIDCALL);
    memcpy(constants[_register], _data, (size_t)_count * sizeof(constants[0]));
    return Counted(DEV_OK);
}

s32 DEV_NullDevice::CreatePixelShader(const char* _source, DEV_Handle* _shader)
{
    if (_shader == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_shader = 0;
    if (_source == nullptr)
        return DEV_ERR_INVALIDCALL;
    return CreateShader(pixelShaders, _source, _shader);
}

s32 DEV_NullDevice::DeletePixelShader(DEV_Handle _shader) { return DeleteShader(pixelShaders, &pixelShader, _shader); }

s32 DEV_NullDevice::SetPixelShader(DEV_Handle _shader) { return SetShader(pixelShaders, &pixelShader, _shader); }
