// Allocator internals that tests and diagnostics read.
#pragma once

#include "os_types.h"

// Bytes the block can hold without moving.
u32 MEM_GetCapacity(const void* _data);
// Free segments left in the pool of the given class size (32 .. 2048), 0 for other sizes.
u32 MEM_GetPoolFree(u32 _classSize);
// 1 when the block lives in a segment pool.
u32 MEM_IsPooled(const void* _data);
