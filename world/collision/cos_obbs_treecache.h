// The shared collision trees: each tree is loaded once by name from the cache's folder and
// counted by its users. The resource caches own the one cache and give it its folder.
//
// Names compare without regard to case and are at most 32 characters. Entries 0..count - 1
// are in use in no particular order: releasing the last reference moves the last entry into
// the freed place, so users hold tree pointers, never positions. A load that stops with a
// fatal error leaves the cache as it was and keeps nothing of the broken tree.
#pragma once

#include "mem_alloc.h"
#include "os_path.h"
#include "os_types.h"

class COS_OBBS_Tree;

enum : u32
{
    COS_TREE_CACHE_ENTRIES = 512,
    COS_TREE_NAME_LENGTH = 32,  // characters, without the terminating zero
};

struct COS_OBBS_TreeCacheEntry
{
    COS_OBBS_Tree* tree = nullptr;  // owned while the entry is in use
    s32 referenceCount = 0;
    char name[COS_TREE_NAME_LENGTH + 1] = {};
};

class COS_OBBS_Tree_Cache : public MEM_Object
{
public:
    COS_OBBS_Tree_Cache() = default;
    // Destroys every tree still in use, whatever its count.
    ~COS_OBBS_Tree_Cache();
    COS_OBBS_Tree_Cache(const COS_OBBS_Tree_Cache&) = delete;
    COS_OBBS_Tree_Cache& operator=(const COS_OBBS_Tree_Cache&) = delete;

    // Keeps the drive and directory of _path ("vfx\col\"); a file name part is dropped.
    void SetPath(const char* _path);
    // The tree of that name, loaded on first use; the caller holds one reference.
    COS_OBBS_Tree* AllocateTree(const char* _name);
    // One more reference to a tree the cache holds; any other pointer changes nothing.
    void AddRef(COS_OBBS_Tree* _tree);
    // Gives one reference back (null: nothing); the last one destroys the tree. A tree the
    // cache does not hold is fatal.
    void ReleaseTree(COS_OBBS_Tree* _tree);

    // The run's tree cache, through which collision descriptions take their trees: the
    // resource caches install theirs for as long as they live (tests install their own).
    static void SetCurrent(COS_OBBS_Tree_Cache* _cache) { s_current = _cache; }
    static COS_OBBS_Tree_Cache* GetCurrent() { return s_current; }

    const char* GetDrive() const { return m_drive; }
    const char* GetDirectory() const { return m_directory; }
    s32 GetEntryCount() const { return m_entryCount; }
    const COS_OBBS_TreeCacheEntry& GetEntry(s32 _index) const { return m_entries[_index]; }

private:
    s32 FindTree(const COS_OBBS_Tree* _tree) const;

    char m_drive[OS_PATH_DRIVE_BYTES] = {};
    char m_directory[OS_PATH_DIRECTORY_BYTES] = {};
    COS_OBBS_TreeCacheEntry m_entries[COS_TREE_CACHE_ENTRIES];
    s32 m_entryCount = 0;

    static inline COS_OBBS_Tree_Cache* s_current = nullptr;
};
