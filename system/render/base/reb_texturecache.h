// Texture-name registries: every texture name that is drawn with gets its id here first.
//
// A registry hands out the ids first id .. first id + capacity - 1, one per distinct name, in
// the order names arrive; names compare without regard to case and without their extension
// (folders kept). Entries are kept sorted by ascending priority (equal priorities in
// registration order), which is the order Rewind/Next walk them for loading. Entries are never
// removed one by one: the registry empties when it is destroyed. A full registry and a name of
// 64 characters or more (without its extension) are fatal.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class VEC_Mesh;
class REB_Mesh;

constexpr s32 REB_TEXTURE_NAME_BYTES = 64;
// The resource cache's global registry: ids 512 to 703.
constexpr s32 REB_GLOBAL_TEXTURE_CAPACITY = 192;
constexpr s32 REB_GLOBAL_TEXTURE_FIRST_ID = 512;

class REB_TextureCache : public MEM_Object
{
public:
    REB_TextureCache(s32 _capacity, s32 _firstId);
    ~REB_TextureCache();
    REB_TextureCache(const REB_TextureCache&) = delete;
    REB_TextureCache& operator=(const REB_TextureCache&) = delete;

    // The name's id; a new name is registered with reference count 1, a known one gains a
    // reference.
    s32 RegisterTextureName(const char* _name, s32 _priority);
    // Sets every part's diffuse and detail texture id from its map names (-1 for no name).
    void RegisterMeshTextures(VEC_Mesh* _mesh, s32 _priority);
    // The same for every material of a render mesh.
    void RegisterRebMeshTextures(REB_Mesh* _mesh, s32 _priority);

    void Rewind() { m_iterator = 0; }
    // The next entry in priority order; 0 at the end (outputs untouched then).
    u32 Next(const char** _name, s32* _id);

    s32 GetCount() const { return m_count; }
    s32 GetCapacity() const { return m_capacity; }
    // The reference count of a name (extension and case ignored); 0 when unknown.
    s32 GetReferenceCount(const char* _name) const;

private:
    struct Entry
    {
        char name[REB_TEXTURE_NAME_BYTES] = {};
        s32 priority = 0;
        s32 id = -1;
        s32 refCount = 0;
    };

    s32 Find(const char* _baseName) const;

    Entry* m_entries = nullptr;
    s32 m_capacity = 0;
    s32 m_count = 0;
    s32 m_firstId = 0;
    s32 m_iterator = 0;
};
