// The path resolver. Data names come from a case-insensitive file system with backslashes;
// here each component is matched against the real directory entries.
//
// An exact stat is tried first (the common case costs one system call). Only a component
// whose spelling differs from the disk needs a directory listing; listings are cached per
// absolute directory path and validated against the directory's identity and modification
// time, so a file created after the first lookup is seen by the next one.
#include "os_path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "mem_alloc.h"
#include "os_string.h"

namespace
{

enum
{
    PATH_BYTES = 4096,
    CACHE_SLOTS = 64
};

// Directory timestamps come from a coarse clock (and some file systems keep whole seconds),
// so a file created right after a listing was read may leave the modification time
// unchanged. A listing is trusted only once its directory has been quiet this long.
const s64 QUIET_NS = 2000000000;

// Data files larger than this are refused: sizes travel as u32 and the extra terminator
// byte must still fit.
const u64 MAX_DATA_FILE_BYTES = 0x80000000u;

struct OS_DirListing
{
    char* key = nullptr;    // absolute directory path
    char* names = nullptr;  // zero-terminated names back to back
    u32* order = nullptr;   // offsets into names, sorted by byte value
    u32 count = 0;
    dev_t device = 0;
    ino_t inode = 0;
    s64 modified = 0;  // directory modification time, ns
    s64 readAt = 0;    // wall-clock time the listing was read, ns
    u64 lastUse = 0;
};

OS_DirListing s_listings[CACHE_SLOTS];
u64 s_useClock = 0;

s64 StatTimeNs(const struct stat& _info) { return (s64)_info.st_mtim.tv_sec * 1000000000 + (s64)_info.st_mtim.tv_nsec; }

s64 NowNs()
{
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return (s64)now.tv_sec * 1000000000 + (s64)now.tv_nsec;
}

void FreeListing(OS_DirListing& _listing)
{
    MEM_Free(_listing.key);
    MEM_Free(_listing.names);
    MEM_Free(_listing.order);
    _listing = OS_DirListing();
}

// Reads the names of a directory into _listing (which must be empty). 0 on failure.
u32 ReadListing(const char* _directory, OS_DirListing& _listing)
{
    DIR* dir = opendir(_directory);
    if (dir == nullptr)
        return 0;
    u32 used = 0;
    u32 capacity = 0;
    u32 count = 0;
    char* names = nullptr;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
            continue;
        const u32 length = (u32)strlen(name) + 1;
        if (used + length > capacity) {
            u32 grown = capacity < 1024 ? 1024 : capacity * 2;
            while (grown < used + length)
                grown *= 2;
            char* larger = (char*)MEM_Realloc(names, grown);
            if (larger == nullptr)
                break;
            names = larger;
            capacity = grown;
        }
        memcpy(names + used, name, length);
        used += length;
        ++count;
    }
    closedir(dir);

    u32* order = (u32*)MEM_Alloc((count ? count : 1) * (u32)sizeof(u32));
    const u32 keyLength = (u32)strlen(_directory) + 1;
    char* key = (char*)MEM_Alloc(keyLength);
    if (order == nullptr || key == nullptr) {
        MEM_Free(order);
        MEM_Free(key);
        MEM_Free(names);
        return 0;
    }
    u32 offset = 0;
    for (u32 i = 0; i < count; ++i) {
        order[i] = offset;
        offset += (u32)strlen(names + offset) + 1;
    }
    // Sorted so that, of several names differing only in case, the same one always wins.
    std::sort(order, order + count, [names](u32 _a, u32 _b) { return strcmp(names + _a, names + _b) < 0; });
    memcpy(key, _directory, keyLength);
    _listing.key = key;
    _listing.names = names;
    _listing.order = order;
    _listing.count = count;
    return 1;
}

// The cached listing of an absolute directory path, read again when it may be stale.
const OS_DirListing* GetListing(const char* _directory)
{
    struct stat info = {};
    if (stat(_directory, &info) != 0 || !S_ISDIR(info.st_mode))
        return nullptr;
    const s64 modified = StatTimeNs(info);

    OS_DirListing* slot = nullptr;
    for (OS_DirListing& listing : s_listings) {
        if (listing.key != nullptr && strcmp(listing.key, _directory) == 0) {
            slot = &listing;
            break;
        }
    }
    if (slot != nullptr && slot->device == info.st_dev && slot->inode == info.st_ino && slot->modified == modified &&
        slot->readAt - modified > QUIET_NS) {
        slot->lastUse = ++s_useClock;
        return slot;
    }
    if (slot == nullptr) {
        // An empty slot, else the least recently used one.
        slot = &s_listings[0];
        for (OS_DirListing& listing : s_listings) {
            if (listing.key == nullptr) {
                slot = &listing;
                break;
            }
            if (listing.lastUse < slot->lastUse)
                slot = &listing;
        }
    }
    FreeListing(*slot);
    const s64 readAt = NowNs();
    if (!ReadListing(_directory, *slot))
        return nullptr;
    slot->device = info.st_dev;
    slot->inode = info.st_ino;
    slot->modified = modified;
    slot->readAt = readAt;
    slot->lastUse = ++s_useClock;
    return slot;
}

// Appends "/" (unless _path is empty or ends in one) and _part. 0 when it does not fit.
u32 AppendComponent(char* _path, const char* _part, u32 _size)
{
    u32 length = (u32)strlen(_path);
    const u32 partLength = (u32)strlen(_part);
    const u32 slash = (length > 0 && _path[length - 1] != '/') ? 1 : 0;
    if (length + slash + partLength + 1 > _size)
        return 0;
    if (slash)
        _path[length++] = '/';
    memcpy(_path + length, _part, partLength + 1);
    return 1;
}

// Finds the entry of directory _resolved (relative to the working directory unless it
// starts with '/') whose name equals _component without regard to case.
const char* MatchInDirectory(const char* _resolved, const char* _component)
{
    char directory[PATH_BYTES];
    if (_resolved[0] == '/') {
        if (OS_StrCopyBounded(directory, _resolved, PATH_BYTES))
            return nullptr;
    } else {
        // Keyed by absolute path: the same relative name means another directory after a chdir.
        if (getcwd(directory, PATH_BYTES) == nullptr)
            return nullptr;
        if (_resolved[0] != 0 && !AppendComponent(directory, _resolved, PATH_BYTES))
            return nullptr;
    }
    const OS_DirListing* listing = GetListing(directory);
    if (listing == nullptr)
        return nullptr;
    for (u32 i = 0; i < listing->count; ++i) {
        const char* name = listing->names + listing->order[i];
        if (OS_StrICmp(name, _component) == 0)
            return name;
    }
    return nullptr;
}

// Separators unified to '/', repeated ones collapsed, a leading drive letter dropped.
// 0 when the name does not fit.
u32 NormaliseName(const char* _name, char* _out, u32 _size)
{
    if (((_name[0] >= 'a' && _name[0] <= 'z') || (_name[0] >= 'A' && _name[0] <= 'Z')) && _name[1] == ':')
        _name += 2;
    u32 length = 0;
    for (const char* c = _name; *c != 0; ++c) {
        const char ch = (*c == '\\') ? '/' : *c;
        if (ch == '/' && length > 0 && _out[length - 1] == '/')
            continue;
        if (length + 1 >= _size) {
            _out[length] = 0;
            return 0;
        }
        _out[length++] = ch;
    }
    // A trailing separator names the same thing as without it (except the root itself).
    if (length > 1 && _out[length - 1] == '/')
        --length;
    _out[length] = 0;
    return 1;
}

}  // namespace

u32 OS_ResolvePath(const char* _name, char* _out, u32 _outSize)
{
    if (_out == nullptr || _outSize == 0)
        return 0;
    _out[0] = 0;
    if (_name == nullptr)
        return 0;

    char normalised[PATH_BYTES];
    const u32 fits = NormaliseName(_name, normalised, PATH_BYTES);
    OS_StrCopyBounded(_out, normalised, _outSize);
    if (!fits || normalised[0] == 0)
        return 0;

    struct stat info = {};
    if (stat(normalised, &info) == 0)
        return OS_StrCopyBounded(_out, normalised, _outSize) ? 0 : 1;

    // Walk the components: the exact spelling where it exists, else a listing match.
    char resolved[PATH_BYTES];
    resolved[0] = 0;
    const char* cursor = normalised;
    if (*cursor == '/') {
        OS_StrCpy(resolved, "/");
        ++cursor;
    }
    char component[PATH_BYTES];
    while (*cursor != 0) {
        const char* end = strchr(cursor, '/');
        const u32 length = end ? (u32)(end - cursor) : (u32)strlen(cursor);
        memcpy(component, cursor, length);
        component[length] = 0;
        cursor += length;
        if (*cursor == '/')
            ++cursor;

        const u32 base = (u32)strlen(resolved);
        if (!AppendComponent(resolved, component, PATH_BYTES))
            return 0;
        if (stat(resolved, &info) == 0)
            continue;
        resolved[base] = 0;
        const char* match = MatchInDirectory(resolved, component);
        if (match == nullptr || !AppendComponent(resolved, match, PATH_BYTES))
            return 0;
    }
    if (OS_StrCopyBounded(_out, resolved, _outSize)) {
        OS_StrCopyBounded(_out, normalised, _outSize);
        return 0;
    }
    return 1;
}

void OS_SplitPath(const char* _path, char* _drive, char* _directory)
{
    _drive[0] = 0;
    _directory[0] = 0;
    if (_path == nullptr)
        return;
    const char* rest = _path;
    if (rest[0] != 0 && rest[1] == ':') {
        _drive[0] = rest[0];
        _drive[1] = ':';
        _drive[2] = 0;
        rest += 2;
    }
    u32 length = 0;
    for (u32 i = 0; rest[i] != 0; ++i)
        if (rest[i] == '\\' || rest[i] == '/')
            length = i + 1;
    if (length > OS_PATH_DIRECTORY_BYTES - 1)
        length = OS_PATH_DIRECTORY_BYTES - 1;
    memcpy(_directory, rest, length);
    _directory[length] = 0;
}

void OS_ResetPathCache()
{
    for (OS_DirListing& listing : s_listings)
        FreeListing(listing);
    s_useClock = 0;
}

FILE* OS_OpenDataFile(const char* _name, const char* _mode)
{
    char path[PATH_BYTES];
    if (_mode == nullptr || !OS_ResolvePath(_name, path, PATH_BYTES))
        return nullptr;
    // Only regular files: a directory does not open as a file on the original platform, and
    // a pipe could block.
    struct stat info = {};
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    char mode[8];
    u32 length = 0;
    u32 binary = 0;
    for (const char* c = _mode; *c != 0 && length < 6; ++c) {
        if (*c == 't')
            continue;
        if (*c == 'b')
            binary = 1;
        mode[length++] = *c;
    }
    if (!binary)
        mode[length++] = 'b';
    mode[length] = 0;
    return fopen(path, mode);
}

u32 OS_GetFileTime(const char* _name, s64* _time)
{
    if (_time != nullptr)
        *_time = 0;
    char path[PATH_BYTES];
    if (!OS_ResolvePath(_name, path, PATH_BYTES))
        return 0;
    struct stat info = {};
    if (stat(path, &info) != 0)
        return 0;
    if (_time != nullptr)
        *_time = StatTimeNs(info);
    return 1;
}

u32 OS_ReadDataFile(const char* _name, u32 _textMode, u8** _data, u32* _size)
{
    if (_data != nullptr)
        *_data = nullptr;
    if (_size != nullptr)
        *_size = 0;
    if (_data == nullptr || _size == nullptr)
        return 0;
    FILE* file = OS_OpenDataFile(_name, "rb");
    if (file == nullptr)
        return 0;
    struct stat info = {};
    if (fstat(fileno(file), &info) != 0 || info.st_size < 0 || (u64)info.st_size > MAX_DATA_FILE_BYTES) {
        fclose(file);
        return 0;
    }
    const u32 expected = (u32)info.st_size;
    u8* data = (u8*)MEM_Alloc(expected + 1);
    if (data == nullptr) {
        fclose(file);
        return 0;
    }
    // A file that shrank meanwhile gives what is there; one that grew, its first bytes.
    u32 size = 0;
    while (size < expected) {
        const size_t got = fread(data + size, 1, expected - size, file);
        if (got == 0)
            break;
        size += (u32)got;
    }
    const u32 failed = ferror(file) ? 1 : 0;
    fclose(file);
    if (failed) {
        MEM_Free(data);
        return 0;
    }
    if (_textMode)
        size = OS_TextModeConvert(data, size);
    data[size] = 0;
    *_data = data;
    *_size = size;
    return 1;
}

u32 OS_TextModeConvert(u8* _data, u32 _size)
{
    if (_data == nullptr)
        return 0;
    u32 out = 0;
    for (u32 in = 0; in < _size; ++in) {
        const u8 c = _data[in];
        if (c == 0x1A)
            break;
        if (c == '\r' && in + 1 < _size && _data[in + 1] == '\n')
            continue;
        _data[out++] = c;
    }
    return out;
}
