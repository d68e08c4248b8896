// Any bytes as a ".msh" file through VEC_Mesh::Load. Fatal refusals are expected; a loaded
// mesh must hold together: every index inside its part, at most 65536 vertices a part, and
// no memory left behind once the mesh is gone.
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "os_fatal.h"
#include "vec_mesh.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

void CheckMesh(const VEC_Mesh& _mesh)
{
    Check(_mesh.partCount >= 1 && _mesh.partCount <= (s32)VEC_MAX_MATERIALS && _mesh.partCount <= _mesh.partCapacity);
    for (s32 p = 0; p < _mesh.partCount; ++p) {
        const VEC_MeshPart& part = _mesh.parts[p];
        Check(part.vertexCount <= (s32)VEC_MAX_PART_VERTICES && part.vertexCount <= part.vertexCapacity);
        Check(part.triangleCount <= part.triangleCapacity);
        for (s32 t = 0; t < part.triangleCount; ++t)
            for (u32 c = 0; c < 3; ++c)
                Check(part.triangles[t].vertex[c] < part.vertexCount);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    // Loading costs the square of the triangle count (the cache reordering): keep inputs small.
    if (_size > 0x10000)
        return 0;
    FUZZ_EnterWorkDirectory("mesh");
    FUZZ_WriteFile("in.msh", _data, _size);
    // The first loads warm what the file and log layers keep; the last must give back all it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 3; ++pass) {
        before = MEM_GetBytesInUse();
        VEC_Mesh mesh;
        try {
            mesh.Load("in.msh");
            CheckMesh(mesh);
        } catch (const OS_FatalError&) {
        }
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
