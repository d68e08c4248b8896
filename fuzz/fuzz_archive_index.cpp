// Fuzzes the archive index: the input becomes "dorim.hdr" beside a fixed 256-byte
// "dorim.dat" whose byte i is (i * 7 + 3) & 0xFF, so every byte a read hands back can be
// checked against where it must have come from. Any breach of the archive's promises
// (a handle outside its entry or the data file, unread bytes returned, a leak) traps.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "os_file.h"

namespace
{

const u32 DATA_BYTES = 256;

u8 DataByte(u32 _offset) { return (u8)(_offset * 7 + 3); }

void Prepare()
{
    if (!FUZZ_EnterWorkDirectory("archive"))
        return;
    u8 data[DATA_BYTES];
    for (u32 i = 0; i < DATA_BYTES; ++i)
        data[i] = DataByte(i);
    FUZZ_WriteFile("dorim.dat", data, sizeof(data));
}

void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

void CheckHandle(const OS_ArchiveEntry* _entry)
{
    Check(_entry->position <= _entry->size);
    Check((u64)_entry->start + _entry->size <= DATA_BYTES);
    Check(_entry->absolute == _entry->start + _entry->position);
}

void CheckRead(OS_ArchiveEntry* _entry, u32 _itemSize, u32 _count)
{
    u8 buffer[DATA_BYTES + 8];
    const u32 before = _entry->position;
    const u64 wanted = (u64)_itemSize * _count;
    const u32 got = OS_Archive::Read(buffer, _itemSize, _count, _entry);
    Check(got <= wanted && got <= sizeof(buffer));
    Check(got == (wanted < _entry->size - before ? wanted : _entry->size - before));
    for (u32 i = 0; i < got; ++i)
        Check(buffer[i] == DataByte(_entry->start + before + i));
    Check(_entry->position == before + got);
    CheckHandle(_entry);
}

void Exercise(OS_ArchiveEntry* _entry, const u8* _input, size_t _size)
{
    CheckHandle(_entry);
    Check(_entry->position == 0);
    CheckRead(_entry, 1, 5);
    CheckRead(_entry, 4, 64);
    // Seek offsets come from the input too, so extreme values turn up.
    const s32 offsets[] = {0, -1, 3, 0x7FFFFFFF, (s32)0x80000000u, _size >= 4 ? (s32)OS_ReadU32LE(_input) : 17};
    for (s32 offset : offsets) {
        for (u32 mode = 0; mode <= 4; ++mode) {
            OS_Archive::Seek(_entry, offset, mode);
            CheckHandle(_entry);
            Check(OS_Archive::Tell(_entry) == _entry->position);
            CheckRead(_entry, 2, 3);
        }
    }
    OS_Archive::Seek(_entry, 0, OS_Archive::SEEK_FROM_END);
    Check(OS_Archive::Tell(_entry) == _entry->size);
    CheckRead(_entry, 1, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    Prepare();
    FUZZ_WriteFile("dorim.hdr", _data, _size);
    const u32 bytesBefore = MEM_GetBytesInUse();

    OS_Archive::Open();
    Check(OS_Archive::IsOpen() == 1);
    const u64 held = _size > 16 ? (_size - 16) / 136 : 0;
    Check(OS_Archive::GetCount() <= held);

    // Fixed names, and the input's first entry name whole and cut short, so that lookups
    // find something as often as not.
    char own[160] = {};
    if (_size > 16)
        memcpy(own, _data + 16, _size - 16 < 140 ? _size - 16 : 140);
    char prefix[4] = {own[0], own[1], own[2], 0};
    const char* names[] = {"a", "logo1", "dat\\tex\\rock.tga", "DAT/TEX/ROCK.TGA", "", own, prefix};
    for (const char* name : names) {
        OS_ArchiveEntry* entry = OS_Archive::Find(name);
        if (entry != nullptr) {
            Check(OS_Archive::GetCount() > 0);
            Exercise(entry, _data, _size);
        }
        OS_Archive::Release(entry);
    }

    OS_Archive::Close();
    Check(OS_Archive::IsOpen() == 0 && OS_Archive::Find("a") == nullptr);
    Check(MEM_GetBytesInUse() == bytesBefore);
    return 0;
}
