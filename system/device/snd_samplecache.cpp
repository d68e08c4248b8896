// The table of named sound files.
#include "snd_samplecache.h"

#include "os_path.h"
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
    char drive[OS_PATH_DRIVE_BYTES];
    char directory[OS_PATH_DIRECTORY_BYTES];
    OS_SplitPath(_path, drive, directory);
    OS_SNPrintf(m_path, sizeof(m_path), "%s%s", drive, directory);
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
