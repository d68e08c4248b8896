// Any bytes as a pre-parsed description image: a corrupt one must be refused, never
// followed, and an accepted one must be walkable through the node accessors.
#include <cstring>
#include <vector>

#include "des_tree.h"

namespace {

u32 Walk(const DES_Tree* _tree)
{
    u32 sum = 0;
    std::vector<u32> pending;
    for (u32 s = _tree->root; s != DES_NONE; s = DES_Node::SectionNext(_tree, s))
        pending.push_back(s);
    while (!pending.empty()) {
        const u32 section = pending.back();
        pending.pop_back();
        sum += (u32)strlen(DES_Node::SectionName(_tree, section)) + DES_Node::SectionParent(_tree, section);
        for (u32 e = DES_Node::SectionFirstEntry(_tree, section); e != DES_NONE; e = DES_Node::EntryNext(_tree, e)) {
            sum += (u32)strlen(DES_Node::EntryKey(_tree, e)) + DES_Node::EntryType(_tree, e);
            const u8* value = DES_Node::EntryValue(_tree, e);
            for (u32 i = 0; i < DES_Node::EntryValueSize(_tree, e); ++i)
                sum += value[i];
            if (DES_Node::EntryType(_tree, e) == DES_TYPE_STRING)
                sum += (u32)strlen((const char*)value);
        }
        for (u32 s = DES_Node::SectionFirstSub(_tree, section); s != DES_NONE; s = DES_Node::SectionNext(_tree, s))
            pending.push_back(s);
    }
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x100000)
        return 0;
    DES_Tree* tree = DES_Image_LoadBuffer(_data, (u32)_size);
    if (tree) {
        // The image is used as loaded: the root at 0, the block exactly the input.
        if (tree->root != 0 || tree->used != _size || memcmp(tree->block, _data, _size) != 0)
            __builtin_trap();
        volatile u32 sum = Walk(tree);
        (void)sum;
    }
    DES_Tree_Free(tree);
    return 0;
}
