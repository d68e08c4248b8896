// The one path resolver for every disk open of data. Backslash and slash both separate,
// a drive letter ("c:") is dropped, and each component is matched without regard to case
// (directory listings are cached and re-read when a directory changes).
// Writers (log, results, screenshots) do not resolve: they create the name as given.
#pragma once

#include <cstdio>

#include "os_types.h"

// The drive and directory fields of a data folder, sized as the caches keep them.
enum : u32
{
    OS_PATH_DRIVE_BYTES = 3,        // "c:" and its terminator
    OS_PATH_DIRECTORY_BYTES = 256,  // up to 255 characters with the trailing separator
};

// Splits _path as the C runtime splits a path: an optional drive "x:" into _drive, then
// everything up to and including the last separator ('\\' or '/') into _directory; the file
// name and extension after it are dropped. A directory longer than 255 characters is cut.
// _drive holds OS_PATH_DRIVE_BYTES, _directory OS_PATH_DIRECTORY_BYTES; both are always
// terminated (empty for a null path).
void OS_SplitPath(const char* _path, char* _drive, char* _directory);

// Maps a data name onto an existing Linux path. Returns 1 and fills _out when the file or
// directory exists; otherwise 0, and _out holds the name with '/' separators.
u32 OS_ResolvePath(const char* _name, char* _out, u32 _outSize);

// Frees the cached directory listings (at shutdown; the cache refills on demand).
void OS_ResetPathCache();

// fopen of a resolved data name; null when it does not exist or is not a regular file.
// Text modes ("r", "rt") are opened as binary: read text through OS_ReadDataFile with
// _textMode set, which does the Windows conversion.
FILE* OS_OpenDataFile(const char* _name, const char* _mode);

// Last-write time of a data file (nanoseconds since the epoch); 0 when missing.
u32 OS_GetFileTime(const char* _name, s64* _time);

// Reads a whole data file; files larger than 2 GiB are refused. _textMode drops CR before
// LF and ends the text at 0x1A. Returns 1 and a buffer from MEM_Alloc (free with MEM_Free,
// terminated by an extra zero byte not counted in _size), or 0 when the file cannot be read.
u32 OS_ReadDataFile(const char* _name, u32 _textMode, u8** _data, u32* _size);

// The Windows text-mode conversion in place; returns the new length.
u32 OS_TextModeConvert(u8* _data, u32 _size);
