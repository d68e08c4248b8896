// A character's skeleton: bones that each blend up to three animation channels, with smooth
// transitions when a channel changes its track, into one pose in the father's frame.
//
// The skeleton reads its bones from the set's reference file (every father listed before its
// sons) and keeps the inverse of every bone's model frame in the reference pose, which the
// skin composes with the animated frames. Channels refer to tracks owned by the animation set;
// the set must outlive every skeleton bound to it. One thread.
#pragma once

#include "mat_matrix.h"
#include "mem_alloc.h"
#include "os_types.h"
#include "vca_pose.h"

class VCA_AnimData;
class VCA_BoneTrack;

enum : s32
{
    VCA_CHANNELS = 3,
    VCA_BONE_NAME_BYTES = 128,
};

struct VCA_BoneChannel
{
    VCA_BoneTrack* track = nullptr;  // none: the channel is free
    VCA_Pose pose;
    f32 lastUpdate = 0.0f;
    f32 animationStart = 0.0f;
    f32 transitionStart = 0.0f;
    f32 transitionLength = 0.0f;
    f32 weight = 0.0f;
};

class VCA_Bone
{
public:
    // Bit 0 of flags: transitions turn spherically (else by normalised linear blend).
    enum : s32
    {
        FLAG_SLERP = 1
    };

    // Binds _track to _channel from _transitionStart: a free channel starts from the track's
    // own pose then, a bound one blends from its current pose over _transitionLength. Fatal
    // for a channel outside 0..2 or a negative weight.
    void SetWeightOfBoneChannel(VCA_BoneTrack* _track, s32 _channel, f32 _weight, f32 _start, f32 _transitionStart,
                                f32 _transitionLength);
    // The same checks, then the channel's weight.
    void SetChannelWeight(s32 _channel, f32 _weight);
    // 0 for a free channel; else frees it and returns 1.
    s32 ClearChannel(s32 _channel);
    // Every bound channel evaluated at _time (through its transition), then blended into pose.
    void Update(f32 _time);

    s32 id = 0;
    s32 parent = -1;
    char name[VCA_BONE_NAME_BYTES] = {};
    s32 flags = FLAG_SLERP;
    VCA_BoneChannel channels[VCA_CHANNELS];
    VCA_Pose pose;
    s32 boundCount = 0;
};

class VCA_Skeleton : public MEM_Object
{
public:
    VCA_Skeleton() = default;
    ~VCA_Skeleton();
    VCA_Skeleton(const VCA_Skeleton&) = delete;
    VCA_Skeleton& operator=(const VCA_Skeleton&) = delete;

    // Reads the bones of the reference file _path (names, ids, fathers, reference poses) and
    // computes the inverse reference frames; the bones held before are dropped. A missing
    // AnimData, bone or SV0 section, a negative NOB and a father id that names no earlier bone
    // are fatal with the file name; a missing key is fatal in the getter.
    void Load(const char* _path);
    void Clear();

    // Binds every bone the animation moves to its track on _channel.
    void BindAnimation(const VCA_AnimData* _animation, s32 _channel, f32 _weight, f32 _start, f32 _transitionStart,
                       f32 _transitionLength);
    void Update(f32 _time);

    // Model frames of the current poses, fathers first: _frames[i] for bone i (count entries).
    void ComputeModelFrames(MAT_Matrix34* _frames) const;

    MAT_Matrix34* inverseReference = nullptr;
    VCA_Bone* bones = nullptr;
    s32 count = 0;
};
