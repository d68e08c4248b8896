// Secondary motion of a skinned character: named groups of bones (segments) switched from
// their animation to spring-like physical bones (FX_PhysicalSegment) and back, blended
// smoothly in between.
//
// The physical character initialises it from its description's PhysicalAnimation section,
// updates it once per simulation step with its world frame, switches segments from its
// messages and reads bone frames for the objects on its bones. The controller refers to the
// character's animation controller, skeleton and skin without owning them; it allocates only
// in Init. Segment descriptions are checked there (bone indices within the skeleton, stretch
// limits above 0, elasticities not negative, counts not negative), so updates never leave the
// bones. One thread.
#pragma once

#include "fx_physicalsegment.h"
#include "mat_matrix.h"
#include "mem_alloc.h"
#include "os_types.h"
#include "vca_animdata.h"

class DES_Section;
class VCA_AnimationController;
class VCA_Skeleton;
class VCA_Skin;
class VEC_Mesh;

struct FX_PhysicalSegmentInfo
{
    s32* bones = nullptr;  // skeleton bone indices, owned
    f32 PositionElasticity = 0.0f;
    f32 MinLengthStretch = 0.0f;
    f32 MaxLengthStretch = 0.0f;
    f32 OrientationElasticity = 0.0f;
    MAT_Vector3 Force;
    s32 NOB = 0;
};

struct FX_PhysicalBone
{
    MAT_Matrix34 result;    // model-space frame of the last update
    MAT_Matrix34 previous;  // result before the last update
    MAT_Matrix34 output;    // the world frame the segment drives
    FX_PhysicalSegment segment;
    MAT_Vector3 force;  // added to output's translation at every physical update
    f32 blend = 0.0f;   // 0 animated .. 1 physical
    f32 blendRate = 0.0f;
};

class FX_PhysicalAnimationController : public MEM_Object
{
public:
    FX_PhysicalAnimationController() = default;
    ~FX_PhysicalAnimationController();
    FX_PhysicalAnimationController(const FX_PhysicalAnimationController&) = delete;
    FX_PhysicalAnimationController& operator=(const FX_PhysicalAnimationController&) = delete;

    // Builds a physical bone per skeleton bone and reads the segments of _section
    // (PhysicalAnimation). A missing Segment<i> section, a negative count, a bone index outside
    // the skeleton, a stretch limit not above 0 or a negative elasticity is fatal with the
    // file name.
    void Init(DES_Section* _section, VCA_AnimationController* _controller, VCA_Skeleton* _skeleton, VCA_Skin* _skin);
    // One simulation step with the character's world frame.
    void Update(const MAT_Matrix34& _frame);
    // Blends segment _index towards physical over _blendTime seconds (at once for 0); an index
    // outside the segments does nothing. _frame is not used.
    void ActivateSegment(s32 _index, f32 _blendTime, const MAT_Matrix34& _frame);
    // Blends it back towards the animation.
    void DeactivateSegment(s32 _index, f32 _blendTime);
    // Model frame of bone _index after the last update; null outside the bones.
    const MAT_Matrix34* GetBoneMatrix(s32 _index) const;
    // Stops the program: "FX_PhysicalAnimationController::GetMesh()" / "not implemented
    // correctly". The interpolation that would follow is InterpolateBoneMatrices.
    VEC_Mesh* GetMesh(f32 _time);
    // Every bone frame between the last two updates: a = (simulation time - _time) / step,
    // frame = a previous + (1 - a) result, element by element.
    void InterpolateBoneMatrices(f32 _time);

    s32 GetNumOfSegment() const { return NumOfSegment; }
    s32 GetBoneCount() const { return boneCount; }
    const FX_PhysicalBone* GetBone(s32 _index) const
    {
        return _index >= 0 && _index < boneCount ? &bones[_index] : nullptr;
    }
    const FX_PhysicalSegmentInfo* GetSegment(s32 _index) const
    {
        return _index >= 0 && _index < NumOfSegment ? &segments[_index] : nullptr;
    }

private:
    void Clear();
    void ReadSegment(DES_Section* _segment, s32 _index, FX_PhysicalSegmentInfo* _info);

    VCA_AnimData animation;
    FX_PhysicalSegmentInfo* segments = nullptr;
    s32 NumOfSegment = 0;
    VCA_AnimationController* controller = nullptr;
    VCA_Skeleton* skeleton = nullptr;
    VCA_Skin* skin = nullptr;
    MAT_Matrix34* boneMatrices = nullptr;
    FX_PhysicalBone* bones = nullptr;
    s32* order = nullptr;
    s32 boneCount = 0;
};
