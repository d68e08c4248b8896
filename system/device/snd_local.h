// The file callbacks the sound device gives the sound library: every sound file is read
// through OS_File, so it comes from disk or from the packed archive.
#pragma once

#include "os_types.h"

// A new OS_File in *_handle: 1, or 0 with a null handle when the file does not open.
u32 SND_FileOpen(const char* _name, void** _handle);
void SND_FileClose(void* _handle);
// _type 0 from the start, 1 from the current position, 2 from the end; the position after
// it. Any other type is fatal.
s32 SND_FileSeek(void* _handle, s32 _offset, u32 _type);
// The bytes actually read.
u32 SND_FileRead(void* _handle, void* _buffer, u32 _bytes);
