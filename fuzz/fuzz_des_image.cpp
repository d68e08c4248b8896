// Any bytes as a pre-parsed description image: a corrupt one must be refused, never
// followed, and an accepted one must be walkable through the node accessors.
#include <cstring>

#include "des_tree.h"
#include "fuzz_des_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x100000)
        return 0;
    DES_Tree* tree = DES_Image_LoadBuffer(_data, (u32)_size);
    if (tree) {
        // The image is used as loaded: the root at 0, the block exactly the input.
        if (tree->root != 0 || tree->used != _size || memcmp(tree->block, _data, _size) != 0)
            __builtin_trap();
        volatile u32 sum = FUZZ_WalkDesTree(tree);
        (void)sum;
    }
    DES_Tree_Free(tree);
    return 0;
}
