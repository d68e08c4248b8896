// The archive writer: entries are laid out back to back in the data file in list order.
#include "tools_archive.h"

#include <cstring>
#include <fstream>

namespace
{

const size_t HEADER_BYTES = 12;
const size_t ENTRY_BYTES = 136;
const size_t NAME_BYTES = 128;

u32 WriteWhole(const std::string& _path, const std::string& _bytes)
{
    std::ofstream out(_path, std::ios::binary | std::ios::trunc);
    out.write(_bytes.data(), (std::streamsize)_bytes.size());
    out.close();
    return out.good() ? 1 : 0;
}

}  // namespace

std::string TOOL_ArchiveIndexBytes(const std::vector<TOOL_ArchiveRecord>& _records, s32 _count)
{
    std::string index(HEADER_BYTES + 4 + _records.size() * ENTRY_BYTES, '\0');
    u8* bytes = (u8*)index.data();
    OS_WriteU32LE(bytes + HEADER_BYTES, (u32)_count);
    u8* entry = bytes + HEADER_BYTES + 4;
    for (const TOOL_ArchiveRecord& record : _records) {
        memcpy(entry, record.name.data(), record.name.size() < NAME_BYTES ? record.name.size() : NAME_BYTES);
        OS_WriteU32LE(entry + NAME_BYTES, record.size);
        OS_WriteU32LE(entry + NAME_BYTES + 4, record.offset);
        entry += ENTRY_BYTES;
    }
    return index;
}

u32 TOOL_WriteArchive(const std::string& _directory, const std::vector<TOOL_ArchiveFile>& _files)
{
    std::vector<TOOL_ArchiveRecord> records;
    std::string data;
    for (const TOOL_ArchiveFile& file : _files) {
        if (file.name.size() >= NAME_BYTES || file.bytes.size() > 0xFFFFFFFFu - data.size())
            return 0;
        records.push_back({file.name, (u32)file.bytes.size(), (u32)data.size()});
        data += file.bytes;
    }
    const std::string base = _directory.empty() ? std::string(".") : _directory;
    if (!WriteWhole(base + "/dorim.hdr", TOOL_ArchiveIndexBytes(records, (s32)records.size())))
        return 0;
    return WriteWhole(base + "/dorim.dat", data);
}
