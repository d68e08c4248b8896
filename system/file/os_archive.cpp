// The packed archive: the index "dorim.hdr" is decoded once into a table, the data file
// "dorim.dat" stays open and is shared by every handle (each read positions it first).
//
// The index is untrusted input: the count is clamped to the records the file holds, each
// name is terminated whatever its 128 bytes contain, and every entry is cut to the bytes
// the data file really has, so no read or seek can leave its entry or the data file.
#include <sys/stat.h>

#include <cstring>

#include "os_file.h"
#include "os_path.h"
#include "os_string.h"

namespace
{

struct OS_ArchiveRecord
{
    char name[OS_Archive::NAME_BYTES + 1] = {};  // '/' stored as '\', always terminated
    u32 size = 0;
    u32 offset = 0;
};

u32 s_open = 0;
FILE* s_data = nullptr;
OS_ArchiveRecord* s_records = nullptr;
u32 s_count = 0;

u64 FileBytes(FILE* _file)
{
    struct stat info = {};
    if (fstat(fileno(_file), &info) != 0 || info.st_size < 0)
        return 0;
    return (u64)info.st_size;
}

// Entry names are compared with '/' and '\' equal: both sides use '\'.
void ToBackslashes(char* _name)
{
    for (char* c = _name; *c != 0; ++c) {
        if (*c == '/')
            *c = '\\';
    }
}

// Decodes the index records. Returns the table (null when empty) and sets _count.
OS_ArchiveRecord* ReadIndex(FILE* _index, u32* _count)
{
    *_count = 0;
    u8 header[OS_Archive::HEADER_BYTES];
    if (fread(header, 1, sizeof(header), _index) != sizeof(header))
        return nullptr;
    const s32 declared = OS_ReadS32LE(header + 12);
    if (declared <= 0)
        return nullptr;
    // Never more records than the file holds, nor a table too large for one allocation.
    const u64 fileBytes = FileBytes(_index);
    u64 count = (u64)declared;
    const u64 held =
        fileBytes > OS_Archive::HEADER_BYTES ? (fileBytes - OS_Archive::HEADER_BYTES) / OS_Archive::ENTRY_BYTES : 0;
    if (count > held)
        count = held;
    const u64 tableLimit = 0x7FFFFFFFu / sizeof(OS_ArchiveRecord);
    if (count > tableLimit)
        count = tableLimit;
    if (count == 0)
        return nullptr;
    OS_ArchiveRecord* records = (OS_ArchiveRecord*)MEM_Alloc((u32)(count * sizeof(OS_ArchiveRecord)));
    if (records == nullptr)
        return nullptr;
    u32 decoded = 0;
    u8 raw[OS_Archive::ENTRY_BYTES];
    while (decoded < count && fread(raw, 1, sizeof(raw), _index) == sizeof(raw)) {
        OS_ArchiveRecord& record = records[decoded++];
        memcpy(record.name, raw, OS_Archive::NAME_BYTES);
        record.name[OS_Archive::NAME_BYTES] = 0;
        ToBackslashes(record.name);
        record.size = OS_ReadU32LE(raw + OS_Archive::NAME_BYTES);
        record.offset = OS_ReadU32LE(raw + OS_Archive::NAME_BYTES + 4);
    }
    *_count = decoded;
    return records;
}

// An entry reaching past the data file is as short as the data that exists, and one that
// starts beyond it is empty at its end: every handle lies within the data file. (Positions
// are u32, so nothing beyond 4 GiB is reachable either.)
void ClampToData(u64 _dataBytes)
{
    const u64 limit = _dataBytes < 0xFFFFFFFFu ? _dataBytes : 0xFFFFFFFFu;
    for (u32 i = 0; i < s_count; ++i) {
        OS_ArchiveRecord& record = s_records[i];
        if (record.offset >= limit) {
            record.offset = (u32)limit;
            record.size = 0;
        } else if ((u64)record.offset + record.size > limit)
            record.size = (u32)(limit - record.offset);
    }
}

OS_ArchiveEntry* NewHandle(const OS_ArchiveRecord& _record)
{
    OS_ArchiveEntry* entry = new OS_ArchiveEntry;
    entry->absolute = _record.offset;
    entry->start = _record.offset;
    entry->size = _record.size;
    entry->position = 0;
    return entry;
}

}  // namespace

void OS_Archive::Open()
{
    if (s_open)
        return;
    FILE* index = OS_OpenDataFile("dorim.hdr", "rb");
    if (index == nullptr)
        return;
    u32 count = 0;
    OS_ArchiveRecord* records = ReadIndex(index, &count);
    fclose(index);

    // Without its data file the index is useless: no archive at all.
    FILE* data = OS_OpenDataFile("dorim.dat", "rb");
    if (data == nullptr) {
        MEM_Free(records);
        return;
    }
    s_data = data;
    s_records = records;
    s_count = count;
    s_open = 1;
    ClampToData(FileBytes(data));
}

void OS_Archive::Close()
{
    if (s_data != nullptr)
        fclose(s_data);
    MEM_Free(s_records);
    s_data = nullptr;
    s_records = nullptr;
    s_count = 0;
    s_open = 0;
}

u32 OS_Archive::IsOpen() { return s_open; }

u32 OS_Archive::GetCount() { return s_count; }

OS_ArchiveEntry* OS_Archive::Find(const char* _name)
{
    if (!s_open || _name == nullptr || _name[0] == 0)
        return nullptr;
    // A request longer than any stored name can match neither way.
    char wanted[NAME_BYTES + 1];
    if (OS_StrCopyBounded(wanted, _name, sizeof(wanted)))
        return nullptr;
    ToBackslashes(wanted);

    // The exact name first, so that "logo1" does not open "logo10.tga" listed before it.
    for (u32 i = 0; i < s_count; ++i) {
        if (OS_StrICmp(s_records[i].name, wanted) == 0)
            return NewHandle(s_records[i]);
    }
    // Then the first entry that begins with the request, as names were always looked up.
    const u32 length = OS_StrLen(wanted);
    for (u32 i = 0; i < s_count; ++i) {
        if (OS_StrNICmp(s_records[i].name, wanted, length) == 0)
            return NewHandle(s_records[i]);
    }
    return nullptr;
}

void OS_Archive::Release(OS_ArchiveEntry* _entry) { delete _entry; }

u32 OS_Archive::Read(void* _buffer, u32 _itemSize, u32 _count, OS_ArchiveEntry* _entry)
{
    if (!s_open || _entry == nullptr || _buffer == nullptr || _entry->position >= _entry->size)
        return 0;
    u64 wanted = (u64)_itemSize * _count;
    const u32 remaining = _entry->size - _entry->position;
    if (wanted > remaining)
        wanted = remaining;
    if (wanted == 0)
        return 0;
    _entry->absolute = _entry->start + _entry->position;
    if (fseeko(s_data, (off_t)_entry->absolute, SEEK_SET) != 0)
        return 0;
    // The data file may have shrunk since the index was checked: fread stops at its end.
    const u32 got = (u32)fread(_buffer, 1, (size_t)wanted, s_data);
    _entry->position += got;
    _entry->absolute = _entry->start + _entry->position;
    return got;
}

// From the end counts like SEEK_END: size + offset, so -n stands n bytes before the end.
// Every position is kept within 0..size of the entry.
void OS_Archive::Seek(OS_ArchiveEntry* _entry, s32 _offset, u32 _mode)
{
    if (_entry == nullptr)
        return;
    s64 position = 0;
    if (_mode == SEEK_FROM_START)
        position = _offset;
    else if (_mode == SEEK_FROM_CURRENT)
        position = (s64)_entry->position + _offset;
    else if (_mode == SEEK_FROM_END)
        position = (s64)_entry->size + _offset;
    else
        return;
    if (position < 0)
        position = 0;
    if (position > (s64)_entry->size)
        position = _entry->size;
    _entry->position = (u32)position;
    _entry->absolute = _entry->start + _entry->position;
}

u32 OS_Archive::Tell(OS_ArchiveEntry* _entry) { return _entry != nullptr ? _entry->position : 0; }
