// The physical animation controller.
#include "fx_physicalanimationcontroller.h"

#include <cmath>
#include <limits>
#include <new>

#include "des_file.h"
#include "os_fatal.h"
#include "os_string.h"
#include "sim_clock.h"
#include "vca_animationcontroller.h"
#include "vca_local.h"
#include "vca_skeleton.h"
#include "vca_skin.h"

namespace
{
const char* const INIT = "FX_PhysicalAnimationController::Init";
constexpr f32 EPSILON = 1.1920929e-7f;
constexpr f32 INSTANT_RATE = 100000.0f;

// a x _a + (1 - a) x _b on all twelve numbers.
MAT_Matrix34 Mix(const MAT_Matrix34& _a, const MAT_Matrix34& _b, f32 _weight)
{
    MAT_Matrix34 mixed;
    mixed.t = _a.t * _weight + _b.t * (1.0f - _weight);
    for (s32 k = 0; k < 9; ++k)
        mixed.r.m[k] = _a.r.m[k] * _weight + _b.r.m[k] * (1.0f - _weight);
    return mixed;
}

MAT_Matrix34 Identity()
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    return frame;
}
}  // namespace

FX_PhysicalAnimationController::~FX_PhysicalAnimationController() { Clear(); }

void FX_PhysicalAnimationController::Clear()
{
    for (s32 i = 0; i < NumOfSegment; ++i)
        MEM_Free(segments[i].bones);
    MEM_Free(segments);
    segments = nullptr;
    NumOfSegment = 0;
    MEM_Free(boneMatrices);
    MEM_Free(order);
    MEM_Free(bones);
    boneMatrices = nullptr;
    order = nullptr;
    bones = nullptr;
    boneCount = 0;
}

void FX_PhysicalAnimationController::Init(DES_Section* _section, VCA_AnimationController* _controller,
                                          VCA_Skeleton* _skeleton, VCA_Skin* _skin)
{
    Clear();
    controller = _controller;
    skeleton = _skeleton;
    skin = _skin;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    controller->Update(clock.time);

    const s32 count = skeleton->count;
    boneMatrices = (MAT_Matrix34*)VCA_AllocArray(count, (u32)sizeof(MAT_Matrix34), INIT);
    order = (s32*)VCA_AllocArray(count, (u32)sizeof(s32), INIT);
    bones = (FX_PhysicalBone*)VCA_AllocArray(count, (u32)sizeof(FX_PhysicalBone), INIT);
    for (s32 i = 0; i < count; ++i) {
        new (&boneMatrices[i]) MAT_Matrix34(Identity());
        new (&bones[i]) FX_PhysicalBone();
    }
    boneCount = count;

    for (s32 i = 0; i < count; ++i) {
        FX_PhysicalBone& bone = bones[i];
        const VCA_Bone& b = skeleton->bones[i];
        bone.segment.output = &bone.output;
        bone.result = Identity();
        bone.previous = Identity();
        if (b.parent >= 0) {
            bone.segment.local = b.pose.ToFrame();
            bone.segment.SetParent(&bones[b.parent].output);
        } else {
            bone.segment.local = Identity();
            bone.segment.SetParent(nullptr);
        }
    }

    // Fathers before sons: the lowest bone not yet placed whose father is.
    u8* placed = (u8*)VCA_AllocArray(count, 1, INIT);
    for (s32 i = 0; i < count; ++i)
        placed[i] = 0;
    for (s32 k = 0; k < count; ++k) {
        s32 next = -1;
        for (s32 i = 0; i < count && next < 0; ++i) {
            const s32 father = skeleton->bones[i].parent;
            if (placed[i] == 0 && (father < 0 || father >= count || placed[father] != 0))
                next = i;
        }
        if (next < 0)
            break;
        placed[next] = 1;
        order[k] = next;
    }
    MEM_Free(placed);

    const char* file = _section->GetFile()->GetName();
    s32 total = 0;
    _section->GetS32("NumOfSegment", &total);
    if (total < 0)
        OS_Fatal(INIT, OS_Format("negative NumOfSegment %d in file \"%s\"", total, file));
    // Only as many descriptions as there are sections: a missing one stops the reading at it.
    const s32 present = VCA_CountSections(_section, "Segment", total);
    segments = (FX_PhysicalSegmentInfo*)VCA_AllocArray(present, (u32)sizeof(FX_PhysicalSegmentInfo), INIT);
    DES_Section segment;
    for (s32 i = 0; i < total; ++i) {
        if (i >= present || !_section->FindSectionIndexed(&segment, "Segment", (u32)i))
            OS_Fatal("DES FILE ERROR",
                     OS_Format("(%s): Get [\"%s%d\"] in file \"%s\" failed", INIT, "Segment", (int)i, file));
        new (&segments[i]) FX_PhysicalSegmentInfo();
        NumOfSegment = i + 1;
        ReadSegment(&segment, i, &segments[i]);
    }
}

void FX_PhysicalAnimationController::ReadSegment(DES_Section* _segment, s32 _index, FX_PhysicalSegmentInfo* _info)
{
    const char* file = _segment->GetFile()->GetName();
    _segment->GetFloat("PositionElasticity", &_info->PositionElasticity);
    _segment->GetFloat("MinLengthStretch", &_info->MinLengthStretch);
    _segment->GetFloat("MaxLengthStretch", &_info->MaxLengthStretch);
    _segment->GetFloat("OrientationElasticity", &_info->OrientationElasticity);
    f32 force[3];
    _segment->GetVector3("Force", force);
    _info->Force = {force[0], force[1], force[2]};
    s32 nob = 0;
    _segment->GetS32("NOB", &nob);
    // The filters' weight dt / (tau + dt) leaves 0..1 for a negative time constant, and a
    // length limit of 0 thins the bone by 1 / sqrt(0).
    if (!(_info->PositionElasticity >= 0.0f) || !(_info->OrientationElasticity >= 0.0f))
        OS_Fatal(INIT, OS_Format("negative elasticity in Segment%d of file \"%s\"", _index, file));
    if (!(_info->MinLengthStretch > 0.0f) || !(_info->MaxLengthStretch > 0.0f))
        OS_Fatal(INIT, OS_Format("length stretch not above 0 in Segment%d of file \"%s\"", _index, file));
    if (nob < 0)
        OS_Fatal(INIT, OS_Format("negative NOB %d in Segment%d of file \"%s\"", nob, _index, file));
    // Every key is read before the list is made, so a count the section does not back
    // stops in the getter, not in the allocator.
    s32 bone = 0;
    for (s32 k = 0; k < nob; ++k) {
        _segment->GetS32Indexed("B", (u32)k, &bone);
        if (bone < 0 || bone >= boneCount)
            OS_Fatal(INIT, OS_Format("bone %d outside the skeleton's %d bones in Segment%d of file \"%s\"", bone,
                                     boneCount, _index, file));
    }
    _info->bones = (s32*)VCA_AllocArray(nob, (u32)sizeof(s32), INIT);
    for (s32 k = 0; k < nob; ++k)
        _segment->GetS32Indexed("B", (u32)k, &_info->bones[k]);
    _info->NOB = nob;
}

void FX_PhysicalAnimationController::Update(const MAT_Matrix34& _frame)
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    controller->Update(clock.time + clock.dt);
    const MAT_Matrix34 inverse = _frame.InvertRigid();
    const f32 frameStep = SIM_GetFrameClock().dt;
    for (s32 k = 0; k < boneCount; ++k) {
        const s32 b = order[k];
        const VCA_Bone& skeletal = skeleton->bones[b];
        FX_PhysicalBone& r = bones[b];
        r.previous = r.result;
        MAT_Matrix34 animated = skeletal.pose.ToFrame();
        if (skeletal.parent >= 0)
            animated = bones[skeletal.parent].result.Compose(animated);

        r.blend += frameStep * r.blendRate;
        if (r.blend <= 0.0f)
            r.blend = 0.0f;
        else if (r.blend >= 1.0f)
            r.blend = 1.0f;

        if (r.blend == 0.0f) {
            // Animated: the physical state follows, so a switch starts from this pose.
            r.result = animated;
            r.output = _frame.Compose(animated);
        } else {
            r.output.t += r.force;
            r.segment.Update(clock);
            const MAT_Matrix34 physical = inverse.Compose(r.output);
            if (std::fabs(r.blend - 1.0f) <= EPSILON) {
                r.result = physical;
            } else {
                const f32 s = 3.0f * r.blend * r.blend - 2.0f * r.blend * r.blend * r.blend;
                r.result = Mix(physical, animated, s);
                r.output = _frame.Compose(r.result);
            }
        }
        boneMatrices[b] = r.result;
    }
}

void FX_PhysicalAnimationController::ActivateSegment(s32 _index, f32 _blendTime, const MAT_Matrix34& _frame)
{
    (void)_frame;
    if ((u32)_index >= (u32)NumOfSegment)
        return;
    const FX_PhysicalSegmentInfo& info = segments[_index];
    const f32 rate = std::fabs(_blendTime) <= EPSILON ? INSTANT_RATE : 1.0f / _blendTime;
    for (s32 k = 0; k < info.NOB; ++k) {
        FX_PhysicalBone& bone = bones[info.bones[k]];
        bone.blendRate = rate;
        bone.force = info.Force;
        bone.segment.minStretch = info.MinLengthStretch;
        bone.segment.maxStretch = info.MaxLengthStretch;
        bone.segment.lengthSmoother.tau = 1.0f / info.PositionElasticity;
        bone.segment.orientationSmoother.tau = 1.0f / info.OrientationElasticity;
    }
}

void FX_PhysicalAnimationController::DeactivateSegment(s32 _index, f32 _blendTime)
{
    if ((u32)_index >= (u32)NumOfSegment)
        return;
    const FX_PhysicalSegmentInfo& info = segments[_index];
    const f32 rate = std::fabs(_blendTime) <= EPSILON ? -INSTANT_RATE : -1.0f / _blendTime;
    for (s32 k = 0; k < info.NOB; ++k)
        bones[info.bones[k]].blendRate = rate;
}

const MAT_Matrix34* FX_PhysicalAnimationController::GetBoneMatrix(s32 _index) const
{
    return _index >= 0 && _index < boneCount ? &boneMatrices[_index] : nullptr;
}

VEC_Mesh* FX_PhysicalAnimationController::GetMesh(f32 _time)
{
    (void)_time;
    // The physical frames never reached the skin: asking for the mesh stops the program.
    OS_Fatal("FX_PhysicalAnimationController::GetMesh()", "not implemented correctly");
}

void FX_PhysicalAnimationController::InterpolateBoneMatrices(f32 _time)
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const f32 a = (clock.time - _time) / clock.dt;
    for (s32 b = 0; b < boneCount; ++b)
        boneMatrices[b] = Mix(bones[b].previous, bones[b].result, a);
}
