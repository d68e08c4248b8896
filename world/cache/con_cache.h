// A table of file-backed resources of one kind under one folder: each file is loaded once
// per name and shared by reference count.
//
// Users ask for a file name and get a 1-based handle (0: no resource); the first request
// loads the file, later ones for the same name (without regard to case) count a reference,
// and the release that brings the count to 0 destroys the object, after which the slot may
// serve another name. A handle outside 1..capacity or of a free slot names nothing: Get
// answers null and AddRef and Release ignore it. The capacity is fixed at construction.
//
// The slot is taken (object, count 1, name) before the object loads, so a load that asks
// other tables, or this one, for resources never meets a half-filled slot. A load that ends
// in a fatal error frees the slot, the name and the half-loaded object as the error unwinds.
// Destroying the table destroys every object it still holds, whatever its count.
//
// Each kind loads and is destroyed through CON_CacheKind<T>: by default T::Load (path) ->
// non-zero on success, and delete alone; kinds with another load or clean-up specialise it.
// One thread.
#pragma once

#include <new>

#include "mem_alloc.h"
#include "os_fatal.h"
#include "os_path.h"
#include "os_string.h"
#include "os_types.h"

class Brisel_Mesh;
class FX_TextureSet;
class REB_Mesh;
class VEC_Mesh;
class SND_Sample;
class VCA_Cache;

// The longest path a table loads from: folder and name together, without the terminator.
constexpr u32 CON_MAX_PATH_CHARS = 259;

template <class T>
struct CON_CacheKind
{
    static u32 Load(T* _object, const char* _path) { return _object->Load(_path) != 0 ? 1 : 0; }
    // The kind's clean-up, then the object freed.
    static void Destroy(T* _object) { delete _object; }
};

// The engine's kinds whose load or clean-up is not the default (defined with the caches).
// Mesh files that are not there fail the load, so the table reports them as its own.
template <>
struct CON_CacheKind<VEC_Mesh>
{
    static u32 Load(VEC_Mesh* _object, const char* _path);
    static void Destroy(VEC_Mesh* _object);
};
template <>
struct CON_CacheKind<REB_Mesh>
{
    static u32 Load(REB_Mesh* _object, const char* _path);
    static void Destroy(REB_Mesh* _object);
};
template <>
struct CON_CacheKind<Brisel_Mesh>
{
    static u32 Load(Brisel_Mesh* _object, const char* _path);
    static void Destroy(Brisel_Mesh* _object);
};
template <>
struct CON_CacheKind<SND_Sample>
{
    static u32 Load(SND_Sample* _object, const char* _path);
    static void Destroy(SND_Sample* _object);
};
template <>
struct CON_CacheKind<FX_TextureSet>
{
    static u32 Load(FX_TextureSet* _object, const char* _path);
    static void Destroy(FX_TextureSet* _object);
};
template <>
struct CON_CacheKind<VCA_Cache>
{
    static u32 Load(VCA_Cache* _object, const char* _path);
    static void Destroy(VCA_Cache* _object);
};

template <class T>
class CON_Cache : public MEM_Object
{
public:
    explicit CON_Cache(s32 _capacity);
    ~CON_Cache();
    CON_Cache(const CON_Cache&) = delete;
    CON_Cache& operator=(const CON_Cache&) = delete;

    // Takes the drive and directory of _path ("vfx\msh\"); a file name part is dropped.
    void SetPath(const char* _path) { OS_SplitPath(_path, m_drive, m_directory); }
    const char* GetDrive() const { return m_drive; }
    const char* GetDirectory() const { return m_directory; }

    // The handle of _name, loading folder + name on its first request. A full table is
    // fatal; a file that does not load is fatal with _mustExist non-zero, else logged and 0.
    s32 Allocate(const char* _name, s32 _mustExist);
    // Takes an object loaded elsewhere under _name, with one reference; the table owns it from
    // then on. For tests and fuzzers that load what the program cannot (an animation set): the
    // program never calls it. A name the table holds already, or a full table, is fatal (the object then stays
    // the caller's).
    s32 Insert(const char* _name, T* _object);
    T* Get(s32 _handle) const;
    // One more reference, for an object that holds the handle being copied.
    void AddRef(s32 _handle);
    void Release(s32 _handle);

    // The slot walk: slots 0..capacity - 1 (handle - 1), null for a free slot or any other index.
    T* GetSlot(s32 _slot) const { return _slot >= 0 && _slot < m_capacity ? m_entries[_slot].object : nullptr; }
    s32 GetCapacity() const { return m_capacity; }
    // Slots that hold a loaded object.
    s32 GetCount() const { return m_count; }
    // 0 for a handle that names nothing.
    s32 GetReferenceCount(s32 _handle) const;
    // The name as first requested; null for a handle that names nothing.
    const char* GetName(s32 _handle) const;

private:
    struct Entry
    {
        T* object = nullptr;  // null: the slot is free
        s32 referenceCount = 0;
        char* name = nullptr;  // heap copy, null when free
    };

    Entry* Find(s32 _handle) const;
    // The entry holding _name in *_named (null for none) and, when there is none, the first
    // free slot; a full table is fatal then.
    Entry* FindSlot(const char* _name, Entry** _named);
    static void Destroy(Entry* _entry);

    char m_drive[OS_PATH_DRIVE_BYTES] = {};
    char m_directory[OS_PATH_DIRECTORY_BYTES] = {};
    Entry* m_entries = nullptr;
    s32 m_count = 0;
    s32 m_capacity = 0;
};

template <class T>
CON_Cache<T>::CON_Cache(s32 _capacity)
{
    m_capacity = _capacity > 0 ? _capacity : 0;
    if (m_capacity > 0) {
        m_entries = (Entry*)MEM_Alloc((u32)m_capacity * (u32)sizeof(Entry));
        for (s32 i = 0; i < m_capacity; ++i)
            new (&m_entries[i]) Entry();
    }
}

template <class T>
CON_Cache<T>::~CON_Cache()
{
    // A clean-up may release other slots of this table; a slot emptied that way is skipped.
    for (s32 i = 0; i < m_capacity; ++i)
        if (m_entries[i].object != nullptr)
            Destroy(&m_entries[i]);
    m_count = 0;
    if (m_entries != nullptr)
        MEM_Free(m_entries);
    m_entries = nullptr;
}

template <class T>
s32 CON_Cache<T>::Allocate(const char* _name, s32 _mustExist)
{
    if (_name == nullptr)
        _name = "";
    Entry* named = nullptr;
    Entry* free = FindSlot(_name, &named);
    if (named != nullptr) {
        ++named->referenceCount;
        return (s32)(named - m_entries) + 1;
    }

    // A path the loaders cannot take is a file that is not there, never a cut or an overrun.
    char path[CON_MAX_PATH_CHARS + 1];
    const s32 written = OS_SNPrintf(path, sizeof(path), "%s%s%s", m_drive, m_directory, _name);
    if (written < 0 || (u32)written > CON_MAX_PATH_CHARS) {
        if (_mustExist != 0)
            OS_Fatal("CON_Cache::Allocate() file not found", OS_Format("%s%s%s", m_drive, m_directory, _name));
        OS_Log(OS_Format("CON_Cache::Allocate() file \"%s%s%s\" not found", m_drive, m_directory, _name));
        return 0;
    }

    free->object = new T;
    free->referenceCount = 1;
    free->name = OS_StrDup(_name);
    u32 loaded = 0;
    try {
        loaded = CON_CacheKind<T>::Load(free->object, path);
    } catch (const OS_FatalError&) {
        // The emergency clean-up destroys this table after the stack has unwound.
        Destroy(free);
        throw;
    }
    if (loaded != 0) {
        ++m_count;
        return (s32)(free - m_entries) + 1;
    }
    Destroy(free);
    if (_mustExist != 0)
        OS_Fatal("CON_Cache::Allocate() file not found", path);
    OS_Log(OS_Format("CON_Cache::Allocate() file \"%s\" not found", path));
    return 0;
}

template <class T>
s32 CON_Cache<T>::Insert(const char* _name, T* _object)
{
    Entry* named = nullptr;
    Entry* free = FindSlot(_name, &named);
    if (named != nullptr)
        OS_Fatal("CON_Cache<T>::Insert() - name taken", _name);
    free->object = _object;
    free->referenceCount = 1;
    free->name = OS_StrDup(_name);
    ++m_count;
    return (s32)(free - m_entries) + 1;
}

template <class T>
T* CON_Cache<T>::Get(s32 _handle) const
{
    const Entry* entry = Find(_handle);
    return entry != nullptr ? entry->object : nullptr;
}

template <class T>
void CON_Cache<T>::AddRef(s32 _handle)
{
    Entry* entry = Find(_handle);
    if (entry != nullptr)
        ++entry->referenceCount;
}

template <class T>
void CON_Cache<T>::Release(s32 _handle)
{
    Entry* entry = Find(_handle);
    if (entry == nullptr)
        return;
    if (--entry->referenceCount > 0)
        return;
    Destroy(entry);
    --m_count;
}

template <class T>
s32 CON_Cache<T>::GetReferenceCount(s32 _handle) const
{
    const Entry* entry = Find(_handle);
    return entry != nullptr ? entry->referenceCount : 0;
}

template <class T>
const char* CON_Cache<T>::GetName(s32 _handle) const
{
    const Entry* entry = Find(_handle);
    return entry != nullptr ? entry->name : nullptr;
}

template <class T>
typename CON_Cache<T>::Entry* CON_Cache<T>::FindSlot(const char* _name, Entry** _named)
{
    Entry* free = nullptr;
    for (s32 i = 0; i < m_capacity; ++i) {
        Entry& entry = m_entries[i];
        if (entry.object == nullptr) {
            if (free == nullptr)
                free = &entry;
        } else if (OS_StrICmp(entry.name, _name) == 0) {
            *_named = &entry;
            return nullptr;
        }
    }
    if (free == nullptr)
        OS_Fatal("CON_Cache<T>::Allocate() - cache overflow", _name);
    return free;
}

template <class T>
typename CON_Cache<T>::Entry* CON_Cache<T>::Find(s32 _handle) const
{
    if (_handle < 1 || _handle > m_capacity)
        return nullptr;
    Entry* entry = &m_entries[_handle - 1];
    return entry->object != nullptr ? entry : nullptr;
}

template <class T>
void CON_Cache<T>::Destroy(Entry* _entry)
{
    // The slot is emptied before the clean-up runs: a clean-up that releases other resources
    // of this table must find this slot free, not half torn down.
    T* object = _entry->object;
    char* name = _entry->name;
    _entry->object = nullptr;
    _entry->referenceCount = 0;
    _entry->name = nullptr;
    CON_CacheKind<T>::Destroy(object);
    OS_StrFree(name);
}
