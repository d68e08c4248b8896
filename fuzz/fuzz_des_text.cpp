// Any bytes through the description-file parser: it must accept or reject them without
// reading or writing outside its buffers, and an accepted tree must be walkable.
#include <cstring>
#include <vector>

#include "des_tree.h"

namespace {

// Touches every section name, key and value of an accepted tree.
u32 Walk(const DES_Tree* _tree)
{
    u32 sum = 0;
    if (_tree->root == DES_NONE)
        return 0;
    std::vector<u32> pending = {_tree->root};
    while (!pending.empty()) {
        const u32 section = pending.back();
        pending.pop_back();
        sum += (u32)strlen(DES_Node::SectionName(_tree, section));
        for (u32 e = DES_Node::SectionFirstEntry(_tree, section); e != DES_NONE; e = DES_Node::EntryNext(_tree, e)) {
            sum += (u32)strlen(DES_Node::EntryKey(_tree, e)) + DES_Node::EntryType(_tree, e);
            const u8* value = DES_Node::EntryValue(_tree, e);
            for (u32 i = 0; i < DES_Node::EntryValueSize(_tree, e); ++i)
                sum += value[i];
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
    DES_Tree* tree = DES_Text_ParseBuffer(_data, (u32)_size);
    if (tree) {
        volatile u32 sum = Walk(tree);
        (void)sum;
        if (tree->used > tree->size)
            __builtin_trap();
    }
    DES_Tree_Free(tree);
    return 0;
}
