// A fixed table of named sound files under one folder, loaded once per name and shared by
// reference count. Owned by the resource caches, which empty it with FreeAll.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class SND_Sample;

class SND_SampleCache : public MEM_Object
{
public:
    enum
    {
        CAPACITY = 128,
        NAME_BYTES = 36,
        PATH_BYTES = 260
    };

    SND_SampleCache();
    ~SND_SampleCache() { FreeAll(); }
    SND_SampleCache(const SND_SampleCache&) = delete;
    SND_SampleCache& operator=(const SND_SampleCache&) = delete;

    // Keeps the drive and directory of _path ("sfx\sound\" stays "sfx\sound\"; a file name
    // after the last separator is dropped). Cut to 259 characters.
    void SetPath(const char* _path);
    const char* GetPath() const { return m_path; }

    // The sample of _name (folder + name), loaded on its first request; later requests
    // count a reference. Names compare without regard to case on their first 35 characters,
    // which is all an entry keeps. Null when the table is full or the file cannot be read.
    SND_Sample* Allocate(const char* _name);
    // Drops one reference; the last one frees the sample. Unknown samples are ignored.
    void Release(SND_Sample* _sample);
    // Frees the sample of every entry still referenced.
    void FreeAll();
    u32 GetCount() const { return m_count; }

private:
    struct Entry
    {
        SND_Sample* sample = nullptr;
        s32 references = 0;
        char name[NAME_BYTES] = {};
    };

    void Clear(Entry* _entry);

    char m_path[PATH_BYTES] = {};
    Entry m_entries[CAPACITY];
    u32 m_count = 0;
};
