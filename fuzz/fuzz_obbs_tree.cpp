// Any bytes as a collision-tree file through COS_OBBS_Tree_Cache::AllocateTree, then both
// segment queries on what loads. Fatal refusals are expected; a loaded tree must let the
// queries finish inside its arrays, name only triangles that exist, and leave no memory
// behind once released.
#include "cos_obbs_tree.h"
#include "cos_obbs_treecache.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "os_fatal.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

MAT_Segment Segment(const MAT_Vector3& _from, const MAT_Vector3& _to)
{
    MAT_Segment segment;
    segment.Set(_from, _to);
    return segment;
}

void Query(const COS_OBBS_Tree& _tree)
{
    // Segments through the tree's box: its diagonals and its three middle axes, both ways,
    // in place and turned a quarter about z.
    const MAT_Vector3 low = _tree.box.m_min;
    const MAT_Vector3 high = _tree.box.m_max;
    const MAT_Vector3 middle = (low + high) * 0.5f;
    const MAT_Segment segments[] = {
        Segment(low, high),
        Segment(MAT_Vector3(low.x, high.y, low.z), MAT_Vector3(high.x, low.y, high.z)),
        Segment(MAT_Vector3(low.x, middle.y, middle.z), MAT_Vector3(high.x, middle.y, middle.z)),
        Segment(MAT_Vector3(middle.x, low.y, middle.z), MAT_Vector3(middle.x, high.y, middle.z)),
        Segment(MAT_Vector3(middle.x, middle.y, high.z), MAT_Vector3(middle.x, middle.y, low.z)),
    };
    MAT_Matrix34 frames[2];
    frames[0].r.SetDiagonal(1.0f);
    frames[1].SetFromVectors(MAT_Vector3(), MAT_Vector3(0.0f, 1.0f, 0.0f), MAT_Vector3(-1.0f, 0.0f, 0.0f),
                             MAT_Vector3(0.0f, 0.0f, 1.0f));
    COS_CollisionTreeCounters counters;
    for (const MAT_Matrix34& frame : frames)
        for (const MAT_Segment& forward : segments)
            for (const MAT_Segment& segment : {forward, Segment(forward.m_end, forward.m_origin)}) {
                s32 triangle = -1;
                MAT_Vector3 point;
                f32 fraction = 0.0f;
                if (_tree.IntersectSegment(segment, frame, triangle, point, fraction, counters))
                    Check(_tree.mesh != nullptr && triangle >= 0 && triangle < _tree.mesh->triangleCount);
                _tree.TestSegment(segment, frame, counters);
            }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x10000)
        return 0;
    // Nearly every input ends in a fatal refusal, which logs: keep the log silent.
    FUZZ_EnterWorkDirectory("obbs_tree", FUZZ_LOG_SILENT);
    FUZZ_WriteFile("in", _data, _size);
    // The first passes warm what the file layer keeps; the last must give back all it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 3; ++pass) {
        before = MEM_GetBytesInUse();
        COS_OBBS_Tree_Cache cache;
        try {
            COS_OBBS_Tree* tree = cache.AllocateTree("in");
            Check(cache.GetEntryCount() == 1 && tree->nodeCount >= 1);
            Query(*tree);
            cache.ReleaseTree(tree);
            Check(cache.GetEntryCount() == 0);
        } catch (const OS_FatalError&) {
            Check(cache.GetEntryCount() == 0);
        }
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
