// Data files: a loose file on disk (found through the path resolver) overrides the packed
// copy in the archive.
#include "os_file.h"

#include <sys/types.h>

#include <cstring>

#include "os_fatal.h"
#include "os_path.h"

OS_File::OS_File() = default;

OS_File::~OS_File() { Close(); }

u32 OS_File::Exists(const char* _name)
{
    FILE* disk = OS_OpenDataFile(_name, "r");
    if (disk != nullptr) {
        fclose(disk);
        return 1;
    }
    OS_ArchiveEntry* entry = OS_Archive::Find(_name);
    if (entry == nullptr)
        return 0;
    OS_Archive::Release(entry);
    return 1;
}

u32 OS_File::Open(const char* _name)
{
    Close();
    m_disk = OS_OpenDataFile(_name, "rb");
    if (m_disk != nullptr)
        return 1;
    m_entry = OS_Archive::Find(_name);
    return m_entry != nullptr ? 1 : 0;
}

u32 OS_File::OpenWrite(const char* _name)
{
    Close();
    if (_name == nullptr)
        return 0;
    m_disk = fopen(_name, "wb");
    return m_disk != nullptr ? 1 : 0;
}

void OS_File::Close()
{
    if (m_disk != nullptr)
        fclose(m_disk);
    OS_Archive::Release(m_entry);
    m_disk = nullptr;
    m_entry = nullptr;
}

u32 OS_File::IsOpen() const { return (m_disk != nullptr || m_entry != nullptr) ? 1 : 0; }

namespace
{
// One seek on whichever source is open: the disk file with its stdio origin, the archive
// entry with the matching archive mode.
u32 Seek(FILE* _disk, OS_ArchiveEntry* _entry, s32 _offset, int _origin, u32 _archiveMode)
{
    if (_disk != nullptr)
        return fseeko(_disk, (off_t)_offset, _origin) == 0 ? 1 : 0;
    if (_entry == nullptr)
        return 0;
    OS_Archive::Seek(_entry, _offset, _archiveMode);
    return 1;
}
}  // namespace

u32 OS_File::SeekSet(s32 _offset) { return Seek(m_disk, m_entry, _offset, SEEK_SET, OS_Archive::SEEK_FROM_START); }

u32 OS_File::SeekCur(s32 _offset) { return Seek(m_disk, m_entry, _offset, SEEK_CUR, OS_Archive::SEEK_FROM_CURRENT); }

u32 OS_File::SeekEnd(s32 _offset) { return Seek(m_disk, m_entry, _offset, SEEK_END, OS_Archive::SEEK_FROM_END); }

u32 OS_File::Tell() const
{
    if (m_disk != nullptr) {
        const off_t position = ftello(m_disk);
        if (position < 0)
            return 0;
        return position > (off_t)0xFFFFFFFFu ? 0xFFFFFFFFu : (u32)position;
    }
    return OS_Archive::Tell(m_entry);
}

u32 OS_File::Size()
{
    if (m_entry != nullptr)
        return m_entry->size;
    if (m_disk == nullptr)
        return 0;
    // Through the stream, so that bytes still buffered by a writer count too.
    const off_t position = ftello(m_disk);
    if (position < 0 || fseeko(m_disk, 0, SEEK_END) != 0)
        return 0;
    const off_t end = ftello(m_disk);
    fseeko(m_disk, position, SEEK_SET);
    if (end < 0)
        return 0;
    return end > (off_t)0xFFFFFFFFu ? 0xFFFFFFFFu : (u32)end;
}

u32 OS_File::Read(void* _buffer, u32 _count)
{
    if (_buffer == nullptr || _count == 0)
        return 0;
    u32 got = 0;
    if (m_disk != nullptr)
        got = (u32)fread(_buffer, 1, _count, m_disk);
    else if (m_entry != nullptr)
        got = OS_Archive::Read(_buffer, 1, _count, m_entry);
    // Callers decode fixed-size records: what was not there reads as zeros, never as stale
    // buffer contents.
    memset((u8*)_buffer + got, 0, _count - got);
    return got;
}

u32 OS_File::ReadByte(u8* _value) { return Read(_value, 1); }

void OS_File::Write(const void* _buffer, u32 _count)
{
    if (m_disk == nullptr || _buffer == nullptr || _count == 0)
        return;
    fwrite(_buffer, 1, _count, m_disk);
}

void OS_File::WriteU8(u8 _value) { Write(&_value, 1); }

void OS_File::WriteU16(u16 _value)
{
    u8 bytes[2];
    OS_WriteU16LE(bytes, _value);
    Write(bytes, 2);
}

void OS_RequireFile(const char* _name)
{
    if (!OS_File::Exists(_name))
        OS_Fatal(_name, "ERROR: FILE NOT FOUND");
}
