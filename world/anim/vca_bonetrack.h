// One bone's samples in an animation: seven evenly keyed curves (position x, y, z and the
// rotation quaternion w, x, y, z) read through Catmull-Rom splines.
//
// positionX and rotationW carry the timing (start, duration) and the clamp flag; the others
// only hold keys and are read at the index the timing curves locate. The clamp flag of
// positionX also decides the neighbour indices of both splines. The skinned animation sets the
// timing of both before every evaluation and sets or clears both clamp flags together, so a
// track shared by several characters is timed by whichever evaluates it. A track whose
// duration is not above 0 (a single sample, or samples with one time) answers its key 0 at
// every time. Owned by its VCA_AnimData. One thread.
#pragma once

#include "mat_interpolator.h"
#include "mem_alloc.h"
#include "os_types.h"
#include "vca_pose.h"

class DES_Section;

class VCA_BoneTrack : public MEM_Object
{
public:
    // Seven curves of zero keys, clamp flags clear, duration -1.0; a count below 1 is fatal
    // in the curve.
    VCA_BoneTrack(s32 _positionKeys, s32 _rotationKeys);
    VCA_BoneTrack(const VCA_BoneTrack&) = delete;
    VCA_BoneTrack& operator=(const VCA_BoneTrack&) = delete;

    // Replaces *_entry by a track read from the bone section _bone (samples SV0, SV1, ... up to
    // the first missing one); _boneIndex 0 is the skeleton's root, whose horizontal position
    // is made to start at 0. Only the first and the last sample time are read: samples are
    // taken as evenly spaced. A section without SV0 makes curves of no keys, which is fatal.
    static void Load(VCA_BoneTrack** _entry, DES_Section* _bone, s32 _boneIndex);

    // Key 0 sits at _start; the duration stays the track's own.
    void SetStart(f32 _start);
    // Play once and hold the last key (set), or loop (clear); both timing curves together.
    void SetClamp(u32 _clamp);
    u32 IsClamped() const;

    void Evaluate(f32 _time, VCA_Pose* _pose) const;
    // The four key indices around segment _index of keys 0.._last, clamped or wrapped by the
    // clamp flag of positionX.
    void GetSplineIndices(s32 _index, s32 _last, s32 _out[4]) const;

    f32 GetDuration() const { return duration; }

    MAT_Interpolator_Linear_Scalar positionX, positionY, positionZ;
    MAT_Interpolator_Linear_Scalar rotationW, rotationX, rotationY, rotationZ;
    f32 duration = -1.0f;
    s32 positionKeys = 0;
    s32 rotationKeys = 0;

private:
    // Duration above 0 and finite, and two keys at least in each curve.
    bool IsTimed() const;
};
