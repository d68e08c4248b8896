// Touches every section name, key and value of an accepted description tree, so the fuzzers
// see any read outside the block.
#pragma once

#include <cstring>
#include <vector>

#include "des_tree.h"

inline u32 FUZZ_WalkDesTree(const DES_Tree* _tree)
{
    u32 sum = 0;
    std::vector<u32> pending;
    for (u32 s = _tree->root; s != DES_NONE; s = DES_Node::SectionNext(_tree, s))
        pending.push_back(s);
    while (!pending.empty()) {
        const u32 section = pending.back();
        pending.pop_back();
        sum += (u32)strlen(DES_Node::SectionName(_tree, section));
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
