// Any bytes as a shielded body's description: the "Shield" section of its "Body" and the frame
// of its "Child0" entry, read as a father's description hands them to a son. Missing, mistyped
// or refused entries are fatal refusals; a shield that parsed must take hits and answer its
// ratios, the frame must be readable, a clone must hold its own reference on the shield mesh,
// and once both bodies and the caches are gone no engine memory and no device buffer may be
// left behind. ShowShield loads "box.msh" through the render-mesh cache, so the display runs
// on a small recording device that keeps buffers and textures in memory.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app_register.h"
#include "brisel_cache.h"
#include "des_file.h"
#include "dev_device.h"
#include "dsp_display.h"
#include "fuzz_device.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "nod_shieldedbody.h"
#include "os_fatal.h"
#include "os_path.h"
#include "plt_system.h"
#include "reb_mesh.h"
#include "sim_clock.h"
#include "tools_mesh.h"

namespace
{

// ---- what a parsed body must survive ----

void ExerciseShield(SHL_Shield& _shield)
{
    const f32 ratio = _shield.GetPropagationRatio();
    Check(ratio >= 0.0f && ratio <= 1.0f);
    static const MAT_Vector3 DIRECTIONS[] = {
        {1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f}, {NAN, 1.0f, 0.0f}};
    MAT_Matrix34 identity;
    identity.r.SetDiagonal(1.0f);
    for (const MAT_Vector3& direction : DIRECTIONS) {
        const s32 face = SHL_Shield::SelectFace(direction, MAT_Vector3(1.0f, 2.0f, 3.0f));
        Check(face >= 0 && face < 6);
        _shield.Absorb(7, 3, 2, 0.5f, face);
        _shield.TerrainHit(direction, identity);
    }
    for (s32 face = 0; face < 6; ++face) {
        // Damage never takes a face below 0; untouched faces keep -1 ("never damaged").
        Check(_shield.GetFaceIn(face) >= -1);
        (void)_shield.GetFaceRatio(face);
    }
    Check(_shield.GetEmpIn() >= -1 && _shield.GetBioIn() >= -1);
    (void)_shield.IsExhausted();
    (void)_shield.GetWeakestRatio();
    (void)_shield.GetEmpRatio();
    (void)_shield.GetBioRatio();
    _shield.SetFaceRatio(0.5f, SHL_FACE_FRONT);
    _shield.SetEmpRatio(1.0f);
    _shield.SetBioRatio(0.0f);
}

// One input: the shield from "Body", the frame from "Child0", then a clone of the result.
void ParseOnce(Brisel_Cache& _cache)
{
    NOD_ShieldedBody* body = new NOD_ShieldedBody;
    NOD_ShieldedBody* clone = nullptr;
    try {
        DES_File file;
        DES_Section root, data, context;
        file.Open(&root, "in.des");
        if (root.FindSection(&data, "Body"))
            body->ParseIniFile(data);
        if (root.FindSection(&context, "Child0")) {
            body->ParseLCS(context);
            const MAT_Matrix34* frame = body->GetCS().GetTrack().GetAt(SIM_GetSimulationClock().time, nullptr);
            Check(frame != nullptr);
            volatile f32 sum = frame->t.x + frame->r.m[0] + frame->r.m[8];
            (void)sum;
        }
        const s32 handle = body->GetShieldRef().GetMeshHandle();
        clone = static_cast<NOD_ShieldedBody*>(body->Clone());
        Check(clone != nullptr && clone->GetShieldRef().GetMeshHandle() == handle);
        if (handle != 0)
            Check(_cache.GetRenderMeshCache()->GetReferenceCount(handle) == 2);
        ExerciseShield(clone->GetShieldRef());
    } catch (const OS_FatalError&) {
    }
    delete clone;
    delete body;
    // Every body that held the shield mesh is gone, and with it every reference.
    Check(_cache.GetRenderMeshCache()->GetCount() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x4000)
        return 0;
    // Most inputs end in a fatal error, and each one logs a line.
    if (FUZZ_EnterWorkDirectory("shield_child", FUZZ_LOG_SILENT)) {
        std::filesystem::create_directories("vfx/msh");
        const std::string box = TOOL_MeshText(TOOL_MeshGrid(1, 1, 1));
        FUZZ_WriteFile("vfx/msh/box.msh", (const unsigned char*)box.data(), box.size());
        Brisel_RegisterModules();
        FUZZ_OpenDisplay();
    }
    FUZZ_WriteFile("in.des", _data, _size);

    const size_t buffers = BufferCount();
    // The first pass warms what the file and log layers keep; the second must give back all
    // it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Brisel_Cache* cache = new Brisel_Cache();
        Brisel_TheCache = cache;
        ParseOnce(*cache);
        delete cache;
        Brisel_TheCache = nullptr;
        Check(BufferCount() == buffers);
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
