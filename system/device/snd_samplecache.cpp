// The table of named sound files.
#include "snd_samplecache.h"

#include "os_string.h"
#include "snd_sample.h"

SND_SampleCache::SND_SampleCache()
{
    for (Entry& entry : m_entries)
        entry = Entry();
    m_count = 0;
}

void SND_SampleCache::SetPath(const char* _path)
{
    u32 keep = 0;
    for (u32 i = 0; _path[i] != 0; ++i) {
        if (_path[i] == '\\' || _path[i] == '/' || (i == 1 && _path[i] == ':'))
            keep = i + 1;
    }
    const u32 length = keep < PATH_BYTES - 1 ? keep : PATH_BYTES - 1;
    OS_StrNCpy(m_path, _path, length);
    m_path[length] = 0;
}

SND_Sample* SND_SampleCache::Allocate(const char* _name)
{
    char key[NAME_BYTES];
    OS_StrCopyBounded(key, _name, sizeof(key));
    Entry* free = nullptr;
    for (Entry& entry : m_entries) {
        if (entry.sample == nullptr) {
            if (free == nullptr)
                free = &entry;
        } else if (OS_StrICmp(entry.name, key) == 0) {
            ++entry.references;
            return entry.sample;
        }
    }
    if (free == nullptr)
        return nullptr;
    char path[PATH_BYTES];
    if (OS_SNPrintf(path, sizeof(path), "%s%s", m_path, _name) >= (s32)sizeof(path))
        return nullptr;
    SND_Sample* sample = new SND_Sample;
    if (!sample->Load(path)) {
        delete sample;
        return nullptr;
    }
    free->sample = sample;
    free->references = 1;
    OS_StrCopyBounded(free->name, key, sizeof(free->name));
    ++m_count;
    return sample;
}

void SND_SampleCache::Release(SND_Sample* _sample)
{
    if (_sample == nullptr)
        return;
    for (Entry& entry : m_entries) {
        if (entry.sample == _sample) {
            if (--entry.references <= 0)
                Clear(&entry);
            return;
        }
    }
}

void SND_SampleCache::FreeAll()
{
    for (Entry& entry : m_entries) {
        if (entry.sample != nullptr && entry.references > 0)
            Clear(&entry);
    }
}

void SND_SampleCache::Clear(Entry* _entry)
{
    _entry->sample->Free();
    delete _entry->sample;
    *_entry = Entry();
    --m_count;
}
