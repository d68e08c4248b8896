// Any bytes as a ".ash" body visual description, loaded through the run's caches: the visual
// names fixture meshes (one of several parts), patch files and, at will, any other file.
// Fatal refusals are expected; a loaded visual must hold together (at most eight pieces, each
// with a render mesh, the levels answering), and once the caches are gone no memory and no
// device buffer may be left behind. The display runs on a small recording device that keeps
// buffers and textures in memory, so no GPU is needed.
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "brisel_cache.h"
#include "brisel_mesh.h"
#include "con_cache.h"
#include "dev_device.h"
#include "dsp_display.h"
#include "fuzz_device.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "os_fatal.h"
#include "os_path.h"
#include "plt_system.h"
#include "reb_mesh.h"
#include "tools_mesh.h"
#include "tools_patch.h"
#include "vec_mesh.h"

namespace
{

// ---- fixtures ----

void WriteText(const std::string& _path, const std::string& _text)
{
    FUZZ_WriteFile(_path.c_str(), (const unsigned char*)_text.data(), _text.size());
}

// Ten triangles of one material, ten units apart, each its own patch; and a two-part mesh
// cut into one patch over both parts and one of a single triangle.
void WriteFixtures()
{
    std::filesystem::create_directories("vfx/msh");
    std::filesystem::create_directories("vfx/ash");
    std::filesystem::create_directories("vfx/top");
    WriteText("vfx/msh/a.msh", TOOL_MeshText(TOOL_MeshGrid(1, 1, 1)));
    WriteText("vfx/msh/b.msh", TOOL_MeshText(TOOL_MeshGrid(2, 2, 2)));

    TOOL_Mesh pieces;
    TOOL_Patch cut;
    for (s32 i = 0; i < 10; ++i) {
        const f32 base = 10.0f * (f32)i;
        const f32 size = 1.0f + (f32)(i % 4);
        pieces.vertices.push_back({base, 0.0f, 0.0f});
        pieces.vertices.push_back({base + size, 0.0f, 0.0f});
        pieces.vertices.push_back({base, size * 0.5f, 0.25f});
        TOOL_MeshTriangle triangle;
        triangle.vertex = {3 * i, 3 * i + 1, 3 * i + 2};
        pieces.triangles.push_back(triangle);
        TOOL_PatchTriangle record;
        record.triangle = i;
        cut.triangles.push_back(record);
        cut.patches.push_back({i, 1, 0.0f, {}, {}});
    }
    pieces.materials.resize(1);
    WriteText("vfx/msh/pieces.msh", TOOL_MeshText(pieces));
    WriteText("vfx/top/pieces.top", TOOL_PatchText(cut));

    TOOL_Patch joined;
    joined.triangles.resize(3);
    joined.triangles[1].part = 1;
    joined.triangles[2].triangle = 1;
    joined.patches.push_back({0, 2, 0.0f, {}, {}});
    joined.patches.push_back({2, 1, 0.0f, {}, {}});
    WriteText("vfx/top/joined.top", TOOL_PatchText(joined));
}

void CheckVisual(Brisel_Mesh& _visual)
{
    Check(_visual.GetShrapnelCount() >= 0 && _visual.GetShrapnelCount() <= Brisel_Mesh::MAX_SHRAPNELS);
    Check(_visual.GetRenderMeshCount() == _visual.GetShrapnelCount());
    for (s32 i = 0; i < _visual.GetShrapnelCount(); ++i)
        Check(_visual.GetShrapnelMesh(i) != nullptr && _visual.GetRenderMesh(i) == _visual.GetShrapnelMesh(i));
    Check(_visual.GetShrapnelMesh(_visual.GetShrapnelCount()) == nullptr);
    // M0 is mandatory, and a loaded visual always has its geometry.
    Check(_visual.GetMesh() != nullptr);
    // Below a positive D0 the level 0 mesh is drawn; from D0 on, the level 1 mesh or nothing.
    if (_visual.GetLevel0Distance() > 0.0f)
        Check(_visual.GetMeshByDistance(0.0f) != nullptr);
    Check(_visual.GetMeshByDistance(_visual.GetLevel0Distance()) == _visual.GetMeshByDistance(INFINITY));
    (void)_visual.GetCMesh();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x4000)
        return 0;
    // Nearly every input ends in a fatal error, and each one logs a line.
    if (FUZZ_EnterWorkDirectory("ash", FUZZ_LOG_SILENT)) {
        WriteFixtures();
        FUZZ_OpenDisplay();
    }
    FUZZ_WriteFile("vfx/ash/in.ash", _data, _size);

    const size_t buffers = BufferCount();
    // The first pass warms what the file and log layers keep; the second must give back all
    // it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        // Inputs may name any path, /tmp's ever-changing listing among them: the resolver's
        // cached listings are not the load's to keep.
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Brisel_Cache* cache = new Brisel_Cache();
        Brisel_TheCache = cache;
        try {
            const s32 handle = cache->GetVisualCache()->Allocate("in.ash", 1);
            Brisel_Mesh* visual = cache->GetVisualCache()->Get(handle);
            Check(visual != nullptr);
            CheckVisual(*visual);
            // A second body shares it; releasing one keeps it for the other.
            Check(cache->GetVisualCache()->Allocate("IN.ASH", 1) == handle);
            cache->GetVisualCache()->Release(handle);
            Check(cache->GetVisualCache()->Get(handle) == visual);
            CheckVisual(*visual);
            cache->GetVisualCache()->Release(handle);
            Check(cache->GetVisualCache()->GetCount() == 0);
            Check(cache->GetRenderMeshCache()->GetCount() == 0);
            Check(cache->GetMeshCache()->GetCount() == 0);
        } catch (const OS_FatalError&) {
            // A refused description gives back every reference it took.
            Check(cache->GetVisualCache()->GetCount() == 0);
            Check(cache->GetRenderMeshCache()->GetCount() == 0);
            Check(cache->GetMeshCache()->GetCount() == 0);
        }
        delete cache;
        Brisel_TheCache = nullptr;
        Check(BufferCount() == buffers);
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
