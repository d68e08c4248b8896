// Vertex and index buffers, their ids and locks, and the indexed draw.
#include "dsp_display.h"
#include "dsp_display_local.h"
#include "os_fatal.h"

#define DSP_SITE_BASE 3000

namespace
{

const u32 s_vertexBytes = (u32)sizeof(DSP_Vertex);
const u32 s_indexBytes = 2;

u32 LockFlags(s32 _lockType)
{
    static const u32 s_flags[3] = {0, DEV_LOCK_DISCARD, DEV_LOCK_NOOVERWRITE};
    return s_flags[_lockType] | DEV_LOCK_NOSYSLOCK;
}

// 1 when first .. first + count lies within a buffer of _size elements.
u32 RangeInside(s64 _first, s64 _count, s64 _size) { return _first >= 0 && _count >= 0 && _first + _count <= _size; }

}  // namespace

void DSP_Display::CreateVertexBufferInSlot(s32 _slot, s32 _type, s32 _count, const char* _caption)
{
    (void)_caption;
    u32 usage = DEV_USAGE_WRITEONLY;
    u32 pool = DEV_POOL_MANAGED;
    if (_type == BUFFER_DYNAMIC) {
        usage = DEV_USAGE_DYNAMIC | (HasHardwareVertexProcessing() ? (u32)DEV_USAGE_WRITEONLY : 0u);
        pool = DEV_POOL_DEFAULT;
    }
    // A count that gives no buffer, or more bytes than a buffer can have, is the device's
    // refusal of the length.
    if (_count <= 0 || (u64)_count * s_vertexBytes > 0xFFFFFFFFu)
        DSP_CHECK(DEV_ERR_INVALIDCALL);
    DEV_Handle buffer = 0;
    DSP_CHECK(m_device->CreateVertexBuffer((u32)_count * s_vertexBytes, usage, pool, &buffer));
    m_vertexBuffers[_slot].buffer = buffer;
    m_vertexBuffers[_slot].type = _type;
    m_vertexBuffers[_slot].count = _count;
}

void DSP_Display::CreateIndexBufferInSlot(s32 _slot, s32 _type, s32 _entryType, s32 _count, const char* _caption)
{
    if (_entryType == 1)
        OS_Fatal(_caption, "32bit index buffers currently not supported");
    if (_entryType != 0)
        OS_Fatal(_caption, "illegal entrytype");
    u32 usage = DEV_USAGE_WRITEONLY;
    u32 pool = DEV_POOL_MANAGED;
    if (_type == BUFFER_DYNAMIC) {
        usage = DEV_USAGE_DYNAMIC | (HasHardwareVertexProcessing() ? (u32)DEV_USAGE_WRITEONLY : 0u);
        pool = DEV_POOL_DEFAULT;
    }
    if (_count <= 0 || (u64)_count * s_indexBytes > 0xFFFFFFFFu)
        DSP_CHECK(DEV_ERR_INVALIDCALL);
    DEV_Handle buffer = 0;
    DSP_CHECK(m_device->CreateIndexBuffer((u32)_count * s_indexBytes, usage, DEV_FMT_INDEX16, pool, &buffer));
    m_indexBuffers[_slot].buffer = buffer;
    m_indexBuffers[_slot].type = _type;
    m_indexBuffers[_slot].entryType = _entryType;
    m_indexBuffers[_slot].count = _count;
}

void DSP_Display::ReleaseAllBuffers()
{
    for (VertexBufferSlot& slot : m_vertexBuffers) {
        if (slot.buffer != 0)
            m_device->ReleaseVertexBuffer(slot.buffer);
        slot = VertexBufferSlot();
        slot.type = BUFFER_EMPTY_MARKED;
    }
    for (IndexBufferSlot& slot : m_indexBuffers) {
        if (slot.buffer != 0)
            m_device->ReleaseIndexBuffer(slot.buffer);
        slot = IndexBufferSlot();
        slot.type = BUFFER_EMPTY_MARKED;
    }
}

// A slot is free when it holds no buffer and is not a dynamic buffer waiting to be created
// again after a device loss.
s32 DSP_Display::VertexBuffer_Create(s32* _id, s32 _type, s32 _count)
{
    const char* caption = "DSP_Display::VertexBuffer_Create()";
    DSP_RequireDevice(m_device, caption);
    s32 slot = 0;
    while (slot < DSP_NUM_VERTEXBUFFERS &&
           (m_vertexBuffers[slot].buffer != 0 || m_vertexBuffers[slot].type == BUFFER_DYNAMIC))
        ++slot;
    if (slot == DSP_NUM_VERTEXBUFFERS)
        OS_Fatal(caption, "overflow");
    if (_type != BUFFER_STATIC && _type != BUFFER_DYNAMIC)
        OS_Fatal(caption, "illegal type");
    CreateVertexBufferInSlot(slot, _type, _count, caption);
    *_id = slot + 1;
    return 0;
}

s32 DSP_Display::VertexBuffer_Destroy(s32 _id)
{
    const char* caption = "DSP_Display::VertexBuffer_Destroy()";
    if (_id == 0)
        return 0;
    if (_id < 1 || _id > DSP_NUM_VERTEXBUFFERS)
        OS_Fatal(caption, "ID is out of range");
    VertexBufferSlot& slot = m_vertexBuffers[_id - 1];
    if (slot.buffer == 0)
        OS_Fatal(caption, "ID specified no valid vertexbuffer");
    if (m_boundVertexBuffer == _id) {
        m_device->SetStreamSource(0, 0, 0);
        m_boundVertexBuffer = 0;
    }
    m_device->ReleaseVertexBuffer(slot.buffer);
    slot = VertexBufferSlot();
    slot.type = BUFFER_EMPTY_MARKED;
    return 0;
}

s32 DSP_Display::VertexBuffer_Lock(s32 _id, s32 _lockType, void** _data, s32 _first, s32 _count)
{
    const char* caption = "DSP_Display::VertexBuffer_Lock()";
    if (_id < 1 || _id > DSP_NUM_VERTEXBUFFERS)
        OS_Fatal(caption, "illegal ID");
    const VertexBufferSlot& slot = m_vertexBuffers[_id - 1];
    if (slot.buffer == 0)
        OS_Fatal(caption, "vb has not been created");
    if (_lockType < 0 || _lockType > 2)
        OS_Fatal(caption, "illegal lock type");
    *_data = nullptr;
    if (!RangeInside(_first, _count, slot.count))
        DSP_CHECK(DEV_ERR_INVALIDCALL);
    u8* data = nullptr;
    DSP_CHECK(m_device->LockVertexBuffer(slot.buffer, (u32)_first * s_vertexBytes, (u32)_count * s_vertexBytes,
                                         LockFlags(_lockType), &data));
    *_data = data;
    return 0;
}

s32 DSP_Display::VertexBuffer_Unlock(s32 _id)
{
    // The caption is the lock's, as it always was.
    const char* caption = "DSP_Display::VertexBuffer_Lock()";
    if (_id < 1 || _id > DSP_NUM_VERTEXBUFFERS)
        OS_Fatal(caption, "illegal vb ID");
    const VertexBufferSlot& slot = m_vertexBuffers[_id - 1];
    if (slot.buffer == 0)
        OS_Fatal(caption, "vb has not been created");
    DSP_CHECK(m_device->UnlockVertexBuffer(slot.buffer));
    return 0;
}

s32 DSP_Display::IndexBuffer_Create(s32* _id, s32 _type, s32 _entryType, s32 _count)
{
    const char* caption = "DSP_Display::IndexBuffer_Create()";
    DSP_RequireDevice(m_device, caption);
    s32 slot = 0;
    while (slot < DSP_NUM_INDEXBUFFERS &&
           (m_indexBuffers[slot].buffer != 0 || m_indexBuffers[slot].type == BUFFER_DYNAMIC))
        ++slot;
    if (slot == DSP_NUM_INDEXBUFFERS)
        OS_Fatal(caption, "overflow");
    if (_type != BUFFER_STATIC && _type != BUFFER_DYNAMIC)
        OS_Fatal(caption, "illegal type");
    CreateIndexBufferInSlot(slot, _type, _entryType, _count, caption);
    *_id = slot + 1;
    return 0;
}

s32 DSP_Display::IndexBuffer_Destroy(s32 _id)
{
    const char* caption = "DSP_Display::IndexBuffer_Destroy()";
    if (_id == 0)
        return 0;
    if (_id < 1 || _id > DSP_NUM_INDEXBUFFERS)
        OS_Fatal(caption, "ID is out of range");
    IndexBufferSlot& slot = m_indexBuffers[_id - 1];
    if (slot.buffer == 0)
        OS_Fatal(caption, "ID specified no valid IndexBuffer");
    if (m_boundIndexBuffer == _id) {
        m_device->SetIndices(0, 0);
        m_boundIndexBuffer = 0;
        m_boundBaseVertexIndex = 0;
    }
    m_device->ReleaseIndexBuffer(slot.buffer);
    slot = IndexBufferSlot();
    slot.type = BUFFER_EMPTY_MARKED;
    return 0;
}

s32 DSP_Display::IndexBuffer_Lock(s32 _id, s32 _lockType, void** _data, s32 _first, s32 _count)
{
    const char* caption = "DSP_Display::IndexBuffer_Lock()";
    if (_id < 1 || _id > DSP_NUM_INDEXBUFFERS)
        OS_Fatal(caption, "illegal ID");
    const IndexBufferSlot& slot = m_indexBuffers[_id - 1];
    if (slot.buffer == 0)
        OS_Fatal(caption, "ib has not been created");
    if (_lockType < 0 || _lockType > 2)
        OS_Fatal(caption, "illegal lock type");
    *_data = nullptr;
    if (!RangeInside(_first, _count, slot.count))
        DSP_CHECK(DEV_ERR_INVALIDCALL);
    u8* data = nullptr;
    DSP_CHECK(m_device->LockIndexBuffer(slot.buffer, (u32)_first * s_indexBytes, (u32)_count * s_indexBytes,
                                        LockFlags(_lockType), &data));
    *_data = data;
    return 0;
}

s32 DSP_Display::IndexBuffer_Unlock(s32 _id)
{
    const char* caption = "DSP_Display::IndexBuffer_Lock()";
    if (_id < 1 || _id > DSP_NUM_INDEXBUFFERS)
        OS_Fatal(caption, "illegal ib ID");
    const IndexBufferSlot& slot = m_indexBuffers[_id - 1];
    if (slot.buffer == 0)
        OS_Fatal(caption, "ib has not been created");
    DSP_CHECK(m_device->UnlockIndexBuffer(slot.buffer));
    return 0;
}

s32 DSP_Display::VertexBuffer_TouchAll()
{
    for (const VertexBufferSlot& slot : m_vertexBuffers) {
        if (slot.buffer == 0)
            continue;
        const u32 bytes = (u32)slot.count * s_vertexBytes;
        for (s32 pass = 0; pass < 8; ++pass) {
            u8* data = nullptr;
            if (slot.type == BUFFER_DYNAMIC) {
                DSP_CHECK(m_device->LockVertexBuffer(slot.buffer, 0, bytes, DEV_LOCK_DISCARD, &data));
                data[0] = 0;
                data[bytes - 1] = 0;
            } else {
                DSP_CHECK(m_device->LockVertexBuffer(slot.buffer, 0, bytes, 0, &data));
            }
            DSP_CHECK(m_device->UnlockVertexBuffer(slot.buffer));
        }
    }
    return 0;
}

s32 DSP_Display::IndexBuffer_TouchAll()
{
    for (const IndexBufferSlot& slot : m_indexBuffers) {
        if (slot.buffer == 0)
            continue;
        const u32 bytes = (u32)slot.count * s_indexBytes;
        for (s32 pass = 0; pass < 8; ++pass) {
            u8* data = nullptr;
            if (slot.type == BUFFER_DYNAMIC) {
                DSP_CHECK(m_device->LockIndexBuffer(slot.buffer, 0, bytes, DEV_LOCK_DISCARD, &data));
                data[0] = 0;
                data[bytes - 1] = 0;
            } else {
                DSP_CHECK(m_device->LockIndexBuffer(slot.buffer, 0, bytes, 0, &data));
            }
            DSP_CHECK(m_device->UnlockIndexBuffer(slot.buffer));
        }
    }
    return 0;
}

s32 DSP_Display::DrawVertexArray(s32 _mode, s32 _indexBuffer, s32 _startIndex, s32 _indexCount, s32 _vertexBuffer,
                                 s32 _baseVertexIndex, s32 _minIndex, s32 _vertexCount)
{
    const char* caption = "DSP_Display::DrawVertexArray()";
    DSP_RequireDevice(m_device, caption);
    if (DSP_DeviceLostPause || _vertexCount == 0 || _indexCount == 0)
        return 0;

    u32 type = 0;
    s32 primitives = 0;
    switch (_mode) {
    case 0:
        type = DEV_PT_TRIANGLELIST;
        primitives = _indexCount / 3;
        break;
    case 1:
        type = DEV_PT_TRIANGLESTRIP;
        primitives = _indexCount - 2;
        break;
    case 2:
        type = DEV_PT_TRIANGLEFAN;
        primitives = _indexCount - 2;
        break;
    case 3:
        type = DEV_PT_LINELIST;
        primitives = _indexCount / 2;
        break;
    case 4:
        type = DEV_PT_LINESTRIP;
        primitives = _indexCount - 1;
        break;
    default:
        OS_Fatal(caption, "illegal mode");
    }

    // The ranges must lie inside the buffers, so no draw reads past them.
    const u32 vertexValid =
        _vertexBuffer >= 1 && _vertexBuffer <= DSP_NUM_VERTEXBUFFERS && m_vertexBuffers[_vertexBuffer - 1].buffer != 0;
    const u32 indexValid =
        _indexBuffer >= 1 && _indexBuffer <= DSP_NUM_INDEXBUFFERS && m_indexBuffers[_indexBuffer - 1].buffer != 0;
    if (!vertexValid || !indexValid || primitives < 0 ||
        !RangeInside(_startIndex, _indexCount, m_indexBuffers[_indexBuffer - 1].count) || _baseVertexIndex < 0 ||
        !RangeInside((s64)_baseVertexIndex + _minIndex, _vertexCount, m_vertexBuffers[_vertexBuffer - 1].count) ||
        _minIndex < 0)
        DSP_CHECK(DEV_ERR_INVALIDCALL);

    if (_mode <= 2)
        m_frame.triangles += (u32)primitives;

    if (_vertexBuffer != m_boundVertexBuffer) {
        m_device->SetStreamSource(0, m_vertexBuffers[_vertexBuffer - 1].buffer, s_vertexBytes);
        m_boundVertexBuffer = _vertexBuffer;
        ++m_frame.streamBinds;
    }
    if (_indexBuffer != m_boundIndexBuffer || _baseVertexIndex != m_boundBaseVertexIndex) {
        m_device->SetIndices(m_indexBuffers[_indexBuffer - 1].buffer, (u32)_baseVertexIndex);
        m_boundIndexBuffer = _indexBuffer;
        m_boundBaseVertexIndex = _baseVertexIndex;
        ++m_frame.indexBufferBinds;
    }
    if (primitives > 0)
        m_device->DrawIndexedPrimitive(type, (u32)_minIndex, (u32)_vertexCount, (u32)_startIndex, (u32)primitives);
    return 0;
}
