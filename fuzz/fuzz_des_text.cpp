// Any bytes through the description-file parser: it must accept or reject them without
// reading or writing outside its buffers, and an accepted tree must be walkable.
#include <cstring>

#include "des_tree.h"
#include "fuzz_des_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x100000)
        return 0;
    DES_Tree* tree = DES_Text_ParseBuffer(_data, (u32)_size);
    if (tree) {
        volatile u32 sum = FUZZ_WalkDesTree(tree);
        (void)sum;
        if (tree->used > tree->size)
            __builtin_trap();
    }
    DES_Tree_Free(tree);
    return 0;
}
