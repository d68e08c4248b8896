// Fuzzes animation sets: the input, cut at its zero bytes, becomes the set file
// "dat\animation\in.des", the reference file "animation\walker.msh" and the animation files
// "animation\walker_walk.des" and "animation\walker_wave.des" (the fixture's names, which the
// seeds' set names; the fixture's mesh "vfx\msh\walker.msh" is there). A set that loads gives
// a skeleton from its reference file, a controller that adds every animation and activates
// them on channels, weights, modes and transitions taken from the input's last bytes, and
// three seconds of updates, each followed by the skin's deformation; then a physical animation
// controller over the skeleton with two fixed segments switched on and off over two seconds of
// steps. Fatal refusals are expected; once the set and the caches are gone no engine memory is left behind.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app_register.h"
#include "brisel_cache.h"
#include "des_file.h"
#include "fuzz_workdir.h"
#include "fx_physicalanimationcontroller.h"
#include "mem_alloc.h"
#include "os_fatal.h"
#include "os_path.h"
#include "sim_clock.h"
#include "tools_animation.h"
#include "vca_animationcontroller.h"
#include "vca_animdata.h"
#include "vca_cache.h"
#include "vca_skeleton.h"
#include "vca_skin.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

void Animate(VCA_Cache& _set, const u8* _data, size_t _size)
{
    VCA_Skeleton skeleton;
    skeleton.Load(_set.path);
    VCA_AnimationController controller;
    controller.SetSkeleton(&skeleton);
    for (s32 i = 0; i < _set.NumOfAnimation; ++i)
        controller.AddAnimation(&_set.animations[i]);
    // Four bytes per activation from the end of the input.
    const s32 activations = (s32)(_size / 4 < 6 ? _size / 4 : 6);
    for (s32 a = 0; a < activations; ++a) {
        const u8* b = _data + _size - 4 * (size_t)(a + 1);
        if (controller.addedCount == 0)
            break;
        const s32 handle = b[0] % controller.addedCount;
        const f32 start = 0.125f * (f32)(b[2] & 15);
        controller.ActivateAnimation(handle, b[1] % 3, 0.25f * (f32)(b[1] >> 6), start, start, 0.1f * (f32)(b[3] & 7),
                                     (s8)(b[2] >> 4) - 6);
        if ((b[3] & 0x80) != 0)
            controller.DeactivateAnimation((b[3] >> 3) % controller.addedCount);
    }
    for (s32 step = 0; step <= 60; ++step) {
        controller.Update(0.05f * (f32)step);
        _set.skin->ComputeAnimatedMesh(1.0f, &skeleton);
        for (s32 h = 0; h < controller.addedCount && h < VCA_ACTIVE_HANDLES; ++h)
            if (controller.animations[h]->animation->count > 0 && controller.IsActive(h))
                controller.IsAnimationOver(h, 0.05f * (f32)step);
    }

    // The fixed segments over bones 0..2 on this skeleton (a smaller one refuses them), one
    // switched on at once, the other blended in, then both back, while the character moves.
    DES_File file;
    DES_Section root;
    DES_Section section;
    file.Open(&root, "physical.des");
    root.FindSection(&section, "PhysicalAnimation");
    FX_PhysicalAnimationController physical;
    physical.Init(&section, &controller, &skeleton, _set.skin);
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    for (s32 step = 0; step < 40; ++step) {
        SIM_GetSimulationClock().SetTime(0.05f * (f32)step);
        if (step == 5) {
            physical.ActivateSegment(0, 0.0f, frame);
            physical.ActivateSegment(1, 0.3f, frame);
        }
        if (step == 25) {
            physical.DeactivateSegment(0, 0.2f);
            physical.DeactivateSegment(1, 0.0f);
        }
        frame.t = {0.1f * (f32)step, 0.0f, (f32)(step % 7)};
        physical.Update(frame);
        for (s32 b = 0; b < skeleton.count; ++b)
            Check(physical.GetBoneMatrix(b) != nullptr);
    }
}

void Run(const u8* _data, size_t _size)
{
    Brisel_Cache* cache = new Brisel_Cache();
    Brisel_TheCache = cache;
    SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
    SIM_GetFrameClock().Set(0.0f, SIM_STEP);
    VCA_Cache* set = new VCA_Cache();
    try {
        Check(set->LoadSet("dat\\animation\\in.des") == 1);
        Check(set->skin != nullptr && set->skin->GetMesh() != nullptr);
        Animate(*set, _data, _size);
    } catch (const OS_FatalError&) {
    }
    delete set;
    Check(cache->GetMeshCache()->GetCount() == 0);
    Brisel_TheCache = nullptr;
    delete cache;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x4000)
        return 0;
    if (FUZZ_EnterWorkDirectory("animation", FUZZ_LOG_SILENT)) {
        Brisel_RegisterModules();
        TOOL_AnimationFixture fixture = TOOL_MakeAnimationFixture();
        if (TOOL_WriteAnimationFixture(".", fixture, "walker.des") != 1)
            abort();
        TOOL_PhysicalAnimation physical;
        physical.segments.resize(2);
        physical.segments[0].bones = {2};
        physical.segments[0].force = {0.0f, 0.5f, 0.0f};
        physical.segments[1].bones = {0, 1};
        physical.segments[1].positionElasticity = 0.0f;
        const std::string text = TOOL_PhysicalAnimationText(physical);
        FUZZ_WriteFile("physical.des", (const u8*)text.data(), text.size());
    }
    const char* const files[4] = {"dat/animation/in.des", "animation/walker.msh", "animation/walker_walk.des",
                                  "animation/walker_wave.des"};
    size_t at = 0;
    for (const char* file : files) {
        const u8* zero = at < _size ? (const u8*)std::memchr(_data + at, 0, _size - at) : nullptr;
        const size_t end = zero != nullptr ? (size_t)(zero - _data) : _size;
        FUZZ_WriteFile(file, _data + at, end - at);
        at = end < _size ? end + 1 : _size;
    }

    // The first pass warms what the file and log layers keep; the second must give back all
    // it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Run(_data, _size);
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
