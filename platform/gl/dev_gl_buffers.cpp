// Vertex and index buffers of the GL device: GL buffer objects mapped for locks.
//
// A lock maps only the range asked for, write-only for write-only buffers: bytes outside it
// keep their contents, as in a Direct3D lock. Discard gives the buffer new storage (the
// driver keeps the old one for draws still in flight); no-overwrite maps without waiting,
// which is what ring-wise writes into a dynamic buffer rely on.
#include "dev_gl_local.h"

s32 DEV_GLDevice::CreateBuffer(u32 _length, u32 _usage, u32 _pool, u32 _index, DEV_Handle* _buffer)
{
    if (_buffer == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_buffer = 0;
    if (!DEV_BufferFits(_length, _usage, _pool))
        return DEV_ERR_INVALIDCALL;
    std::unique_ptr<Buffer> buffer(new Buffer);
    buffer->length = _length;
    buffer->usage = _usage;
    buffer->pool = _pool;
    buffer->index = _index;
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenBuffers(1, &buffer->name);
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer->name);
    glBufferData(GL_COPY_WRITE_BUFFER, (GLsizeiptr)_length, nullptr,
                 (_usage & DEV_USAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &buffer->name);
        return DEV_ERR_OUTOFVIDEOMEMORY;
    }
    const GLuint name = buffer->name;
    *_buffer = Insert(m_buffers, KIND_BUFFER, std::move(buffer));
    if (*_buffer == 0) {
        glDeleteBuffers(1, &name);
        return DEV_E_OUTOFMEMORY;
    }
    return DEV_OK;
}

DEV_GLDevice::Buffer* DEV_GLDevice::FindBuffer(DEV_Handle _buffer, u32 _index)
{
    Buffer* buffer = Find(m_buffers, KIND_BUFFER, _buffer);
    return buffer != nullptr && buffer->index == _index ? buffer : nullptr;
}

s32 DEV_GLDevice::LockBuffer(Buffer* _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data)
{
    if (_data == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_data = nullptr;
    if (_buffer == nullptr || _buffer->locked)
        return DEV_ERR_INVALIDCALL;
    const u64 size = _size == 0 ? (u64)_buffer->length - _offset : _size;
    if (_offset >= _buffer->length || (u64)_offset + size > _buffer->length || size == 0)
        return DEV_ERR_INVALIDCALL;
    GLbitfield access = GL_MAP_WRITE_BIT;
    if (!(_buffer->usage & DEV_USAGE_WRITEONLY))
        access |= GL_MAP_READ_BIT;
    // Discard and no-overwrite are promises about dynamic buffers only; Direct3D ignores them
    // on the others.
    if (_buffer->usage & DEV_USAGE_DYNAMIC) {
        if (_flags & DEV_LOCK_DISCARD)
            access = GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT;
        else if (_flags & DEV_LOCK_NOOVERWRITE)
            access |= GL_MAP_UNSYNCHRONIZED_BIT;
    }
    glBindBuffer(GL_COPY_WRITE_BUFFER, _buffer->name);
    void* data = glMapBufferRange(GL_COPY_WRITE_BUFFER, (GLintptr)_offset, (GLsizeiptr)size, access);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    if (data == nullptr)
        return DEV_ERR_OUTOFVIDEOMEMORY;
    _buffer->locked = 1;
    *_data = (u8*)data;
    return DEV_OK;
}

s32 DEV_GLDevice::UnlockBuffer(Buffer* _buffer)
{
    if (_buffer == nullptr || !_buffer->locked)
        return DEV_ERR_INVALIDCALL;
    glBindBuffer(GL_COPY_WRITE_BUFFER, _buffer->name);
    glUnmapBuffer(GL_COPY_WRITE_BUFFER);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    _buffer->locked = 0;
    return DEV_OK;
}

void DEV_GLDevice::DestroyBuffer(Buffer* _buffer)
{
    if (_buffer->locked)
        UnlockBuffer(_buffer);
    if (m_glArrayBuffer == _buffer->name) {
        m_glArrayBuffer = 0;
        m_dirty |= DIRTY_STREAM;
    }
    if (m_glElementBuffer == _buffer->name) {
        m_glElementBuffer = 0;
        m_dirty |= DIRTY_INDICES;
    }
    glDeleteBuffers(1, &_buffer->name);
    _buffer->name = 0;
}

s32 DEV_GLDevice::CreateVertexBuffer(u32 _length, u32 _usage, u32 _pool, DEV_Handle* _buffer)
{
    return CreateBuffer(_length, _usage, _pool, 0, _buffer);
}

s32 DEV_GLDevice::LockVertexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data)
{
    return LockBuffer(FindBuffer(_buffer, 0), _offset, _size, _flags, _data);
}

s32 DEV_GLDevice::UnlockVertexBuffer(DEV_Handle _buffer) { return UnlockBuffer(FindBuffer(_buffer, 0)); }

void DEV_GLDevice::ReleaseVertexBuffer(DEV_Handle _buffer)
{
    Buffer* buffer = FindBuffer(_buffer, 0);
    if (buffer == nullptr)
        return;
    if (m_streamBuffer == _buffer)
        SetStreamSource(0, 0, 0);
    DestroyBuffer(buffer);
    Remove(m_buffers, KIND_BUFFER, _buffer);
}

s32 DEV_GLDevice::CreateIndexBuffer(u32 _length, u32 _usage, u32 _format, u32 _pool, DEV_Handle* _buffer)
{
    if (_format != DEV_FMT_INDEX16) {
        if (_buffer != nullptr)
            *_buffer = 0;
        return DEV_ERR_INVALIDCALL;
    }
    return CreateBuffer(_length, _usage, _pool, 1, _buffer);
}

s32 DEV_GLDevice::LockIndexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data)
{
    return LockBuffer(FindBuffer(_buffer, 1), _offset, _size, _flags, _data);
}

s32 DEV_GLDevice::UnlockIndexBuffer(DEV_Handle _buffer) { return UnlockBuffer(FindBuffer(_buffer, 1)); }

void DEV_GLDevice::ReleaseIndexBuffer(DEV_Handle _buffer)
{
    Buffer* buffer = FindBuffer(_buffer, 1);
    if (buffer == nullptr)
        return;
    if (m_indexBuffer == _buffer)
        SetIndices(0, 0);
    DestroyBuffer(buffer);
    Remove(m_buffers, KIND_BUFFER, _buffer);
}

s32 DEV_GLDevice::SetStreamSource(u32 _stream, DEV_Handle _buffer, u32 _stride)
{
    if (_stream != 0)
        return DEV_ERR_INVALIDCALL;
    if (_buffer != 0 && (FindBuffer(_buffer, 0) == nullptr || _stride < 40))
        return DEV_ERR_INVALIDCALL;
    if (_buffer != m_streamBuffer || _stride != m_streamStride)
        m_dirty |= DIRTY_STREAM;
    m_streamBuffer = _buffer;
    m_streamStride = _buffer != 0 ? _stride : 0;
    return DEV_OK;
}

s32 DEV_GLDevice::SetIndices(DEV_Handle _buffer, u32 _baseVertexIndex)
{
    if (_buffer != 0 && FindBuffer(_buffer, 1) == nullptr)
        return DEV_ERR_INVALIDCALL;
    if (_buffer != m_indexBuffer)
        m_dirty |= DIRTY_INDICES;
    m_indexBuffer = _buffer;
    m_baseVertex = _baseVertexIndex;
    return DEV_OK;
}
