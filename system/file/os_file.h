// Data files: a loose file on disk first, then the packed archive ("dorim.hdr" index,
// "dorim.dat" data) in the working directory. Pictures, textures, fonts and sounds come
// through OS_File; description files, scripts and fog layers are read from disk only.
#pragma once

#include <cstdio>

#include "mem_alloc.h"
#include "os_types.h"

// A handle on one archive entry. Positions are relative to the entry's start.
struct OS_ArchiveEntry : MEM_Object
{
    u32 absolute = 0;  // position in the data file
    u32 start = 0;     // entry offset in the data file
    u32 size = 0;      // entry size in bytes
    u32 position = 0;  // position relative to the start
};

// The archive index, read once at start-up. Entry names compare without regard to case,
// with '/' equal to '\'. An index without its data file counts as no archive.
class OS_Archive
{
public:
    enum
    {
        SEEK_FROM_START = 1,
        SEEK_FROM_END = 2,
        SEEK_FROM_CURRENT = 3
    };
    enum
    {
        ENTRY_BYTES = 136,
        NAME_BYTES = 128,
        HEADER_BYTES = 16
    };

    // Reads the index from the working directory (through the path resolver) and keeps
    // the data file open; does nothing when already open. Release every handle before Close.
    static void Open();
    static void Close();
    static u32 IsOpen();
    static u32 GetCount();

    // A new handle on the entry: an exact name match first, else the first entry whose
    // name begins with _name. Null when none matches, _name is empty or the archive is
    // closed. Entries reaching past the data file are cut to the bytes that exist.
    static OS_ArchiveEntry* Find(const char* _name);
    static void Release(OS_ArchiveEntry* _entry);
    // Reads up to _itemSize x _count bytes, clamped to the entry and the data file;
    // returns the bytes read. Nothing is returned as data that was not read.
    static u32 Read(void* _buffer, u32 _itemSize, u32 _count, OS_ArchiveEntry* _entry);
    // From the end counts like SEEK_END (size + offset). Positions stay within 0..size.
    static void Seek(OS_ArchiveEntry* _entry, s32 _offset, u32 _mode);
    static u32 Tell(OS_ArchiveEntry* _entry);
};

class OS_File : public MEM_Object
{
public:
    OS_File();
    ~OS_File();
    OS_File(const OS_File&) = delete;
    OS_File& operator=(const OS_File&) = delete;

    // 1 when the name opens on disk (through the path resolver) or has an archive entry.
    static u32 Exists(const char* _name);

    u32 Open(const char* _name);       // disk ("rb"), else archive; 1 on success
    u32 OpenWrite(const char* _name);  // disk only ("wb"), the name as given
    void Close();
    u32 IsOpen() const;

    u32 SeekSet(s32 _offset);
    u32 SeekCur(s32 _offset);
    u32 SeekEnd(s32 _offset);
    u32 Tell() const;
    u32 Size();  // total size of the open file, 0 when closed

    // Reads up to _count bytes; the bytes not available are zero-filled. Returns the
    // bytes actually read.
    u32 Read(void* _buffer, u32 _count);
    u32 ReadByte(u8* _value);  // 1 when a byte was read, else 0 and *_value is 0

    // Disk files only: writes to an archive entry or a closed object are ignored.
    void Write(const void* _buffer, u32 _count);
    void WriteU8(u8 _value);
    void WriteU16(u16 _value);

private:
    FILE* m_disk = nullptr;
    OS_ArchiveEntry* m_entry = nullptr;
};

// Returns only when the file exists on disk or in the archive; otherwise fatal with the
// file name as caption and "ERROR: FILE NOT FOUND" as message.
void OS_RequireFile(const char* _name);
