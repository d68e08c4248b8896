// The engine's pooled, guarded allocator.
//
// Every block has a 16-byte header (size, capacity, pad, header guard 0xAFFEAFFE last) and a
// 4-byte footer guard 0xABBAABBA right after the data, so data is 16-byte aligned. Requests
// with n + 20 <= class size come from seven fixed segment pools (classes 32 .. 2048 bytes),
// reserved at the first allocation and never given back; larger ones from the C heap.
// Freeing checks both guards (fatal "MEM_Free()" on a corrupt one, so a double free or a
// one-byte overrun stops the program). Single-threaded: the audio thread never allocates here.
// With "-logmem" on the command line every allocation appends a line to "logmem.txt".
#pragma once

#include <new>

#include "os_types.h"

// A new block of _size bytes (not cleared), or null when the C heap refuses a large block.
void* MEM_Alloc(u32 _size);
void MEM_Free(void* _data);
void* MEM_Realloc(void* _data, u32 _size);

// Appends the text unchanged to "logmem.txt" while the allocation log is on.
void MEM_LogText(const char* _text);
const char* MEM_GetAllocTag();  // always empty

// Bytes requested by all live blocks.
u32 MEM_GetBytesInUse();

// Root of the engine's heap-allocated classes: their new and delete go through the pools.
// A refused allocation is fatal ("out of memory"), never a null pointer.
struct MEM_Object
{
    static void* operator new(size_t _size);
    static void* operator new[](size_t _size);
    static void operator delete(void* _data) noexcept;
    static void operator delete[](void* _data) noexcept;
};

// Allocates through the pools and fails fatally instead of returning null.
void* MEM_AllocOrDie(u32 _size, const char* _where);
