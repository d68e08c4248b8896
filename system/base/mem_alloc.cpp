// Pooled, guarded allocator. Small blocks are constant-time pops and pushes on segment
// pools reserved once; large blocks come from the C heap. Single-threaded, no locks.
#include "mem_alloc.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mem_local.h"
#include "os_clock.h"
#include "os_commandline.h"
#include "os_fatal.h"

namespace
{
enum : u32
{
    HEADER_GUARD = 0xAFFEAFFEu,
    FOOTER_GUARD = 0xABBAABBAu,
    HEADER_BYTES = 16,  // size, capacity, pad, guard: keeps the data 16-byte aligned
    FOOTER_BYTES = 4,
    OVERHEAD = HEADER_BYTES + FOOTER_BYTES,
    CLASS_COUNT = 28,
    POOL_COUNT = 7
};

struct MEM_Header
{
    u32 size;
    u32 capacity;
    u32 pad;
    u32 guard;  // last, right before the data
};
static_assert(sizeof(MEM_Header) == HEADER_BYTES, "block header layout");

// A segment pool: one reserved area cut into equal segments, and a stack of free ones.
struct SE_Pool
{
    u8* start = nullptr;
    u8* end = nullptr;
    u32 segmentSize = 0;
    u32 segmentCount = 0;
    u8** freeStack = nullptr;
    u32 freeCount = 0;
};

const u32 s_poolCounts[POOL_COUNT] = {16384, 16384, 16384, 8192, 4096, 1024, 4096};

SE_Pool s_pools[POOL_COUNT];
u32 s_poolsCreated = 0;
u32 s_commandLineTested = 0;
u32 s_logOn = 0;
u32 s_serial = 0;
u32 s_bytesInUse = 0;

void SE_Constructor(SE_Pool* _pool, s32 _segmentSize, s32 _segmentCount)
{
    if (_segmentSize <= 0)
        OS_Fatal("SE_Constructor()", "segment size must be >0");
    if (_segmentCount <= 0)
        OS_Fatal("SE_Constructor()", "num of segments must be >0");
    const size_t bytes = (size_t)_segmentSize * (size_t)_segmentCount;
    _pool->start = (u8*)aligned_alloc(HEADER_BYTES, bytes);
    _pool->freeStack = (u8**)malloc(sizeof(u8*) * (size_t)_segmentCount);
    if (_pool->start == nullptr || _pool->freeStack == nullptr)
        OS_Fatal("SE_Constructor()", "out of memory");
    _pool->end = _pool->start + bytes;
    _pool->segmentSize = (u32)_segmentSize;
    _pool->segmentCount = (u32)_segmentCount;
    // Ascending addresses: the first allocation takes the highest segment.
    for (u32 i = 0; i < _pool->segmentCount; ++i)
        _pool->freeStack[i] = _pool->start + (size_t)i * _pool->segmentSize;
    _pool->freeCount = _pool->segmentCount;
}

u8* SE_AllocateSegment(SE_Pool* _pool)
{
    if (_pool->freeCount == 0)
        OS_Fatal("SE_AllocateSegment()", OS_Format("out of segments [%d]", (s32)_pool->segmentSize));
    return _pool->freeStack[--_pool->freeCount];
}

void SE_FreeSegment(SE_Pool* _pool, u8* _segment)
{
    if ((size_t)(_segment - _pool->start) % _pool->segmentSize != 0)
        OS_Fatal("SE_FreeSegment()", "segment is not multiple of segmentsize");
    _pool->freeStack[_pool->freeCount++] = _segment;
}

SE_Pool* PoolOf(const u8* _block)
{
    for (u32 i = 0; i < POOL_COUNT; ++i)
        if (_block >= s_pools[i].start && _block < s_pools[i].end)
            return &s_pools[i];
    return nullptr;
}

// Index of the first class whose size holds _total bytes: 0..26 are 32 .. 2^31,
// 27 is the open-ended last class.
u32 ClassIndex(u64 _total)
{
    if (_total <= 32)
        return 0;
    const u32 index = (u32)std::bit_width(_total - 1) - 5;  // ceil(log2(total)) - log2(32)
    return index < CLASS_COUNT - 1 ? index : CLASS_COUNT - 1;
}

MEM_Header* HeaderOf(void* _data) { return (MEM_Header*)((u8*)_data - HEADER_BYTES); }

u32 ReadFooter(const void* _data, u32 _size)
{
    u32 guard;
    memcpy(&guard, (const u8*)_data + _size, sizeof(guard));
    return guard;
}

void WriteFooter(void* _data, u32 _size, u32 _guard) { memcpy((u8*)_data + _size, &_guard, sizeof(_guard)); }

// _caller names the entry point the damage was found in, so the report points at the caller.
void CheckGuards(void* _data, const char* _caller)
{
    MEM_Header* header = HeaderOf(_data);
    if (header->guard != HEADER_GUARD)
        OS_Fatal(_caller, OS_Format("memheader is corrupt guard is %x", header->guard));
    const u32 footer = ReadFooter(_data, header->size);
    if (footer != FOOTER_GUARD)
        OS_Fatal(_caller, OS_Format("memfooter is corrupt guard is %x", footer));
}

void LogAllocation(u32 _size)
{
    FILE* file = fopen("logmem.txt", "a+");
    if (file == nullptr)
        return;
    fprintf(file, "#%6d (%f): %8d [%9d] (%s)\n", (s32)s_serial, OS_Time(), (s32)_size, (s32)s_bytesInUse,
            MEM_GetAllocTag());
    fclose(file);
}
}  // namespace

void* MEM_Alloc(u32 _size)
{
    if (!s_poolsCreated) {
        s_poolsCreated = 1;
        for (u32 i = 0; i < POOL_COUNT; ++i)
            SE_Constructor(&s_pools[i], (s32)(32u << i), (s32)s_poolCounts[i]);
    }
    if (!s_commandLineTested && OS_HasCommandLine()) {
        s_commandLineTested = 1;
        if (OS_HasSwitch("-logmem")) {
            remove("logmem.txt");
            s_logOn = 1;
        }
    }
    ++s_serial;

    const u64 total = (u64)_size + OVERHEAD;
    if (total > 0xFFFFFFFFu)
        return nullptr;  // no class can describe the block
    const u32 index = ClassIndex(total);
    u8* block;
    u32 capacity;
    if (index < POOL_COUNT) {
        block = SE_AllocateSegment(&s_pools[index]);
        capacity = s_pools[index].segmentSize - OVERHEAD;
    } else {
        block = (u8*)malloc((size_t)total);
        if (block == nullptr)
            return nullptr;
        capacity = _size;
    }
    MEM_Header* header = (MEM_Header*)block;
    header->size = _size;
    header->capacity = capacity;
    header->pad = 0;
    header->guard = HEADER_GUARD;
    void* data = block + HEADER_BYTES;
    WriteFooter(data, _size, FOOTER_GUARD);
    s_bytesInUse += _size;
    if (s_logOn)
        LogAllocation(_size);
    return data;
}

void MEM_Free(void* _data)
{
    if (_data == nullptr)
        return;
    CheckGuards(_data, "MEM_Free()");
    MEM_Header* header = HeaderOf(_data);
    s_bytesInUse -= header->size;
    WriteFooter(_data, header->size, 0);
    header->guard = 0;  // a second free stops at the header check with guard 0
    u8* block = (u8*)header;
    SE_Pool* pool = PoolOf(block);
    if (pool != nullptr)
        SE_FreeSegment(pool, block);
    else
        free(block);
}

void* MEM_Realloc(void* _data, u32 _size)
{
    if (_data == nullptr)
        return MEM_Alloc(_size);
    // A block with broken guards must not be resized: it is no longer what we think it is.
    CheckGuards(_data, "MEM_Realloc()");
    if (_size == 0) {
        MEM_Free(_data);
        return nullptr;
    }
    MEM_Header* header = HeaderOf(_data);
    if (_size <= header->capacity) {
        s_bytesInUse -= header->size;
        header->size = _size;
        WriteFooter(_data, _size, FOOTER_GUARD);
        s_bytesInUse += _size;
        return _data;
    }
    void* moved = MEM_Alloc(_size);
    if (moved == nullptr)
        return nullptr;
    memcpy(moved, _data, header->size);
    MEM_Free(_data);
    return moved;
}

void MEM_LogText(const char* _text)
{
    if (!s_logOn)
        return;
    FILE* file = fopen("logmem.txt", "a+");
    if (file == nullptr)
        return;
    fputs(_text, file);
    fclose(file);
}

const char* MEM_GetAllocTag() { return ""; }

u32 MEM_GetBytesInUse() { return s_bytesInUse; }

u32 MEM_GetCapacity(const void* _data) { return HeaderOf((void*)_data)->capacity; }

u32 MEM_GetPoolFree(u32 _classSize)
{
    for (u32 i = 0; i < POOL_COUNT; ++i)
        if (s_pools[i].segmentSize == _classSize)
            return s_pools[i].freeCount;
    return 0;
}

u32 MEM_IsPooled(const void* _data) { return PoolOf((const u8*)_data - HEADER_BYTES) != nullptr ? 1 : 0; }

void* MEM_AllocOrDie(u32 _size, const char* _where)
{
    void* data = MEM_Alloc(_size);
    if (data == nullptr)
        OS_Fatal(_where, "out of memory");
    return data;
}

static void* AllocObject(size_t _size)
{
    if (_size > 0xFFFFFFFFu - OVERHEAD)
        OS_Fatal("MEM_Object::operator new()", "out of memory");
    return MEM_AllocOrDie((u32)_size, "MEM_Object::operator new()");
}

void* MEM_Object::operator new(size_t _size) { return AllocObject(_size); }
void* MEM_Object::operator new[](size_t _size) { return AllocObject(_size); }
void MEM_Object::operator delete(void* _data) noexcept { MEM_Free(_data); }
void MEM_Object::operator delete[](void* _data) noexcept { MEM_Free(_data); }
