#include "reb_texturecache.h"

#include <new>

#include "os_fatal.h"
#include "os_string.h"
#include "reb_mesh.h"
#include "vec_mesh.h"

REB_TextureCache::REB_TextureCache(s32 _capacity, s32 _firstId)
{
    m_capacity = _capacity > 0 ? _capacity : 0;
    m_firstId = _firstId;
    const u32 slots = (u32)(m_capacity > 0 ? m_capacity : 1);
    m_entries = (Entry*)MEM_AllocOrDie(slots * sizeof(Entry), "REB_TextureCache::REB_TextureCache()");
    for (u32 i = 0; i < slots; i++)
        new (&m_entries[i]) Entry();
}

REB_TextureCache::~REB_TextureCache()
{
    MEM_Free(m_entries);  // Entry is trivially destructible
}

// The name without its extension: the last dot of the last path component starts it.
static u32 BaseNameLength(const char* _name)
{
    u32 length = OS_StrLen(_name);
    for (u32 i = length; i > 0; i--) {
        const char c = _name[i - 1];
        if (c == '.')
            return i - 1;
        if (c == '\\' || c == '/' || c == ':')
            break;
    }
    return length;
}

// The stored form of a name; fatal when it cannot be stored whole.
static void MakeBaseName(const char* _name, char (&_out)[REB_TEXTURE_NAME_BYTES], const char* _caption)
{
    const u32 length = BaseNameLength(_name);
    if (length >= (u32)REB_TEXTURE_NAME_BYTES)
        OS_Fatal(_caption, "texture name too long");
    for (u32 i = 0; i < length; i++)
        _out[i] = _name[i];
    _out[length] = 0;
}

s32 REB_TextureCache::Find(const char* _baseName) const
{
    for (s32 i = 0; i < m_count; i++)
        if (OS_StrICmp(m_entries[i].name, _baseName) == 0)
            return i;
    return -1;
}

s32 REB_TextureCache::RegisterTextureName(const char* _name, s32 _priority)
{
    static const char* const caption = "REB_TextureCache::RegisterTextureName()";
    char baseName[REB_TEXTURE_NAME_BYTES];
    MakeBaseName(_name, baseName, caption);

    const s32 existing = Find(baseName);
    if (existing >= 0) {
        m_entries[existing].refCount++;
        return m_entries[existing].id;
    }
    if (m_count >= m_capacity)
        OS_Fatal(caption, "texturedefinition overflow");

    s32 insert = 0;
    while (insert < m_count && m_entries[insert].priority <= _priority)
        insert++;
    for (s32 i = m_count; i > insert; i--)
        m_entries[i] = m_entries[i - 1];

    Entry& entry = m_entries[insert];
    OS_StrCopyBounded(entry.name, baseName, REB_TEXTURE_NAME_BYTES);
    entry.priority = _priority;
    // Entries are never removed, so the ids handed out so far are exactly the first m_count.
    entry.id = m_firstId + m_count;
    entry.refCount = 1;
    m_count++;
    return entry.id;
}

s32 REB_TextureCache::GetReferenceCount(const char* _name) const
{
    if (BaseNameLength(_name) >= (u32)REB_TEXTURE_NAME_BYTES)
        return 0;
    char baseName[REB_TEXTURE_NAME_BYTES];
    MakeBaseName(_name, baseName, "REB_TextureCache::GetReferenceCount()");
    const s32 index = Find(baseName);
    return index >= 0 ? m_entries[index].refCount : 0;
}

// -1 (as the maps store it) for a map without a texture name.
static u32 RegisterMap(REB_TextureCache* _cache, const VEC_Map& _map, s32 _priority)
{
    if (_map.name[0] == 0)
        return VEC_NO_TEXTURE;
    return (u32)_cache->RegisterTextureName(_map.name, _priority);
}

void REB_TextureCache::RegisterMeshTextures(VEC_Mesh* _mesh, s32 _priority)
{
    for (s32 i = 0; i < _mesh->partCount; i++) {
        VEC_Material& material = _mesh->parts[i].material;
        material.diffuseMap.textureId = RegisterMap(this, material.diffuseMap, _priority);
        material.detailMap.textureId = RegisterMap(this, material.detailMap, _priority);
    }
}

void REB_TextureCache::RegisterRebMeshTextures(REB_Mesh* _mesh, s32 _priority)
{
    for (s32 i = 0; i < _mesh->GetMaterialCount(); i++) {
        VEC_Material& material = _mesh->GetMaterial(i)->material;
        material.diffuseMap.textureId = RegisterMap(this, material.diffuseMap, _priority);
        material.detailMap.textureId = RegisterMap(this, material.detailMap, _priority);
    }
}

u32 REB_TextureCache::Next(const char** _name, s32* _id)
{
    if (m_iterator >= m_count)
        return 0;
    const Entry& entry = m_entries[m_iterator++];
    *_name = entry.name;
    *_id = entry.id;
    return 1;
}
