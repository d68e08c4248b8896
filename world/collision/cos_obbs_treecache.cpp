#include "cos_obbs_treecache.h"

#include <initializer_list>

#include "cos_obbs_tree.h"
#include "des_file.h"
#include "os_fatal.h"
#include "os_path.h"
#include "os_string.h"

namespace
{
bool IsSeparator(char _c) { return _c == '\\' || _c == '/'; }

// Owns a tree while it loads, so a fatal error inside the load frees it on the way out.
class LoadingTree
{
public:
    LoadingTree() : m_tree(new COS_OBBS_Tree) {}
    ~LoadingTree() { delete m_tree; }
    LoadingTree(const LoadingTree&) = delete;
    LoadingTree& operator=(const LoadingTree&) = delete;
    COS_OBBS_Tree* Get() const { return m_tree; }
    COS_OBBS_Tree* Release()
    {
        COS_OBBS_Tree* tree = m_tree;
        m_tree = nullptr;
        return tree;
    }

private:
    COS_OBBS_Tree* m_tree;
};
}  // namespace

COS_OBBS_Tree_Cache::~COS_OBBS_Tree_Cache()
{
    for (s32 i = 0; i < m_entryCount; ++i) {
        delete m_entries[i].tree;
        m_entries[i] = COS_OBBS_TreeCacheEntry();
    }
    m_entryCount = 0;
}

void COS_OBBS_Tree_Cache::SetPath(const char* _path) { OS_SplitPath(_path, m_drive, m_directory); }

COS_OBBS_Tree* COS_OBBS_Tree_Cache::AllocateTree(const char* _name)
{
    // Checked before the search, so a long name fails even when a tree under its first 32
    // characters is cached.
    if (OS_StrLen(_name) > COS_TREE_NAME_LENGTH)
        OS_Fatal("COS_OBBS_Tree_Cache::AllocateTree() : name too long", _name);
    for (s32 i = 0; i < m_entryCount; ++i)
        if (OS_StrICmp(m_entries[i].name, _name) == 0) {
            ++m_entries[i].referenceCount;
            return m_entries[i].tree;
        }
    if (m_entryCount >= (s32)COS_TREE_CACHE_ENTRIES)
        OS_Fatal("COS_OBBS_Tree_Cache::AllocateTree()", "tree cache overflow");

    // Drive, directory (with a separator added when it lacks one) and name, as the C library
    // composes a path; no extension.
    char path[sizeof(m_drive) + sizeof(m_directory) + 1 + COS_TREE_NAME_LENGTH + 1] = {};
    u32 length = 0;
    for (const char* part : {(const char*)m_drive, (const char*)m_directory})
        for (u32 i = 0; part[i] != 0; ++i)
            path[length++] = part[i];
    if (m_directory[0] != 0 && !IsSeparator(path[length - 1]))
        path[length++] = '\\';
    for (u32 i = 0; _name[i] != 0; ++i)
        path[length++] = _name[i];
    path[length] = 0;

    // The entry is only written once the tree has loaded: a fatal error leaves the cache as
    // it was.
    LoadingTree loading;
    loading.Get()->mesh = new COS_CollisionMesh;
    DES_File file;
    DES_Section root;
    file.Open(&root, path);
    loading.Get()->LoadFile(&root);
    file.Close();

    COS_OBBS_TreeCacheEntry& entry = m_entries[m_entryCount];
    entry.tree = loading.Release();
    entry.referenceCount = 1;
    OS_StrCopyBounded(entry.name, _name, sizeof(entry.name));
    ++m_entryCount;
    return entry.tree;
}

s32 COS_OBBS_Tree_Cache::FindTree(const COS_OBBS_Tree* _tree) const
{
    for (s32 i = 0; i < m_entryCount; ++i)
        if (m_entries[i].tree == _tree)
            return i;
    return -1;
}

void COS_OBBS_Tree_Cache::AddRef(COS_OBBS_Tree* _tree)
{
    const s32 index = FindTree(_tree);
    if (index >= 0)
        ++m_entries[index].referenceCount;
}

void COS_OBBS_Tree_Cache::ReleaseTree(COS_OBBS_Tree* _tree)
{
    if (_tree == nullptr)
        return;
    const s32 index = FindTree(_tree);
    if (index < 0)
        OS_Fatal("tree does not exist", "COS_OBBS_Tree_Cache::ReleaseTree");
    COS_OBBS_TreeCacheEntry& entry = m_entries[index];
    if (--entry.referenceCount > 0)
        return;
    delete entry.tree;
    entry = m_entries[m_entryCount - 1];
    m_entries[m_entryCount - 1] = COS_OBBS_TreeCacheEntry();
    --m_entryCount;
}
