// Writer of the packed archive pair "dorim.hdr" / "dorim.dat", for test fixtures and the
// sample scene. The index is 12 ignored header bytes, an s32 entry count and 136-byte
// entries (128-byte zero-padded name, u32 size, u32 offset), all little-endian.
#pragma once

#include <string>
#include <vector>

#include "os_types.h"

struct TOOL_ArchiveFile
{
    std::string name;   // as the program asks for it, e.g. "dat\\tex\\a.tga"
    std::string bytes;  // contents, any bytes
};

// One raw index entry: the fields written exactly as given, so that tests can describe
// broken indexes (offsets past the data, a name filling all 128 bytes).
struct TOOL_ArchiveRecord
{
    std::string name;  // the first 128 bytes are written, zero-padded; no terminator at 128
    u32 size = 0;
    u32 offset = 0;
};

// The bytes of an index file declaring _count entries, followed by _records.
std::string TOOL_ArchiveIndexBytes(const std::vector<TOOL_ArchiveRecord>& _records, s32 _count);

// Writes "<_directory>/dorim.hdr" and "<_directory>/dorim.dat" holding _files in order.
// Returns 0 when a name does not fit (127 characters at most) or a file cannot be written.
u32 TOOL_WriteArchive(const std::string& _directory, const std::vector<TOOL_ArchiveFile>& _files);
