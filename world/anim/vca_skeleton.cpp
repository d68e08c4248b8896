// Skeleton loading, channel binding and the per-bone blend.
#include "vca_skeleton.h"

#include <cstring>

#include "des_file.h"
#include "mat_sqrt.h"
#include "os_fatal.h"
#include "os_string.h"
#include "vca_animdata.h"
#include "vca_bonetrack.h"
#include "vca_local.h"

namespace
{
const char* const SET_CHANNEL = "VCA_Bone::SetWeightOfBoneChannel()";

void CheckChannel(s32 _channel, f32 _weight, const char* _where)
{
    if (_channel < 0 || _channel >= VCA_CHANNELS)
        OS_Fatal("Error: _Channel out of range.", _where);
    if (_weight < 0.0f)
        OS_Fatal("Error: _Weight can't be negative.", _where);
}

// Weighted sum of two quaternions with b's sign turned into a's hemisphere, normalised unless
// it is near zero.
MAT_Quaternion QBlend(const MAT_Quaternion& _a, f32 _wa, const MAT_Quaternion& _b, f32 _wb)
{
    const f32 apart = (_a - _b).LengthSquared();
    const f32 together = (_a + _b).LengthSquared();
    MAT_Quaternion r = apart > together ? _a * _wa - _b * _wb : _a * _wa + _b * _wb;
    const f32 length = r.LengthSquared();
    if (length > 1.1920929e-7f)
        r = r * MAT_FastInvSqrt(length);
    return r;
}
}  // namespace

// ---- VCA_Bone ----

void VCA_Bone::SetWeightOfBoneChannel(VCA_BoneTrack* _track, s32 _channel, f32 _weight, f32 _start,
                                      f32 _transitionStart, f32 _transitionLength)
{
    CheckChannel(_channel, _weight, SET_CHANNEL);
    VCA_BoneChannel& c = channels[_channel];
    const bool wasFree = c.track == nullptr;
    if (wasFree) {
        _track->SetStart(_start);
        _track->Evaluate(_transitionStart, &c.pose);
    } else {
        // The old animation's pose at the switch is where the transition starts.
        Update(_transitionStart);
    }
    c.track = _track;
    c.animationStart = _start;
    c.lastUpdate = _transitionStart;
    c.transitionStart = _transitionStart;
    c.transitionLength = _transitionLength;
    c.weight = _weight;
    if (wasFree && _weight != 0.0f)
        ++boundCount;
}

void VCA_Bone::SetChannelWeight(s32 _channel, f32 _weight)
{
    CheckChannel(_channel, _weight, "VCA_Bone::SetChannelWeight()");
    channels[_channel].weight = _weight;
}

s32 VCA_Bone::ClearChannel(s32 _channel)
{
    if (_channel < 0 || _channel >= VCA_CHANNELS)
        return 0;
    VCA_BoneChannel& c = channels[_channel];
    if (c.track == nullptr)
        return 0;
    if (boundCount > 0)
        --boundCount;
    c.track = nullptr;
    c.lastUpdate = 0.0f;
    c.animationStart = 0.0f;
    c.transitionStart = 0.0f;
    c.transitionLength = 0.0f;
    c.weight = 0.0f;
    return 1;
}

void VCA_Bone::Update(f32 _time)
{
    for (VCA_BoneChannel& c : channels) {
        if (c.track == nullptr)
            continue;
        c.track->SetStart(c.animationStart);
        VCA_Pose p;
        c.track->Evaluate(_time, &p);
        if (_time - c.transitionStart < c.transitionLength) {
            // The part of what remained of the transition that this update covers.
            const f32 remaining = c.transitionLength - (c.lastUpdate - c.transitionStart);
            const f32 u = remaining > 0.0f ? (_time - c.lastUpdate) / remaining : 1.0f;
            p.position = c.pose.position + (p.position - c.pose.position) * u;
            MAT_Quaternion q;
            if ((flags & FLAG_SLERP) != 0)
                q.Slerp(c.pose.rotation, p.rotation, u, 1);
            else
                q.Blend(c.pose.rotation, p.rotation, u, 1);
            p.rotation = q;
        }
        c.lastUpdate = _time;
        c.pose = p;
    }

    if (boundCount == 1) {
        for (const VCA_BoneChannel& c : channels)
            if (c.track != nullptr) {
                pose = c.pose;
                return;
            }
        return;
    }
    const VCA_BoneChannel* weighted[VCA_CHANNELS];
    s32 n = 0;
    for (const VCA_BoneChannel& c : channels)
        if (c.track != nullptr && c.weight != 0.0f)
            weighted[n++] = &c;
    if (n == 1) {
        // One weighted channel among several bound: its pose alone.
        pose = weighted[0]->pose;
    } else if (n >= 2) {
        const VCA_BoneChannel& a = *weighted[0];
        const VCA_BoneChannel& b = *weighted[1];
        pose.position = a.pose.position * a.weight + b.pose.position * b.weight;
        pose.rotation = QBlend(a.pose.rotation, a.weight, b.pose.rotation, b.weight);
        if (n == 3) {
            const VCA_BoneChannel& c = *weighted[2];
            pose.position = pose.position + c.pose.position * c.weight;
            pose.rotation = QBlend(pose.rotation, 1.0f, c.pose.rotation, c.weight);
        }
    }
}

// ---- VCA_Skeleton ----

VCA_Skeleton::~VCA_Skeleton() { Clear(); }

void VCA_Skeleton::Clear()
{
    MEM_Free(inverseReference);
    MEM_Free(bones);
    inverseReference = nullptr;
    bones = nullptr;
    count = 0;
}

void VCA_Skeleton::Load(const char* _path)
{
    const char* const where = "VCA_Skeleton::Load()";
    DES_File file;
    DES_Section animData;
    VCA_OpenAnimData(&file, &animData, _path, where);
    const s32 total = VCA_ReadBoneCount(&animData, where);
    Clear();
    const s32 present = VCA_CountSections(&animData, "B", total);
    if (present < total)
        DES_FatalSectionIndexed(where, "B", (u32)present, file.GetName());

    bones = (VCA_Bone*)VCA_AllocArray(total, (u32)sizeof(VCA_Bone), where);
    inverseReference = (MAT_Matrix34*)VCA_AllocArray(total, (u32)sizeof(MAT_Matrix34), where);
    for (s32 i = 0; i < total; ++i) {
        new (&bones[i]) VCA_Bone();
        new (&inverseReference[i]) MAT_Matrix34();
    }
    count = total;

    DES_Section bone;
    DES_Section sample;
    for (s32 i = 0; i < total; ++i) {
        VCA_Bone& b = bones[i];
        VCA_FindBone(&animData, i, &bone, where);
        bone.GetString("N", b.name, sizeof(b.name));
        bone.GetS32("Id", &b.id);
        s32 father = 0;
        bone.GetS32("F", &father);
        VCA_FindFirstSample(&bone, &sample, where);
        VCA_ReadPose(&sample, &b.pose);
        if (i == 0)
            continue;
        for (s32 k = i - 1; k >= 0 && b.parent < 0; --k)
            if (bones[k].id == father)
                b.parent = k;
        // Its model frame would be composed with a frame that does not exist.
        if (b.parent < 0)
            OS_Fatal(where, OS_Format("bone %d names father id %d, which no earlier bone has, in file \"%s\"", i,
                                      father, file.GetName()));
    }

    ComputeModelFrames(inverseReference);
    for (s32 i = 0; i < total; ++i)
        inverseReference[i] = inverseReference[i].InvertRigid();
}

void VCA_Skeleton::ComputeModelFrames(MAT_Matrix34* _frames) const
{
    for (s32 i = 0; i < count; ++i) {
        const VCA_Bone& b = bones[i];
        const MAT_Matrix34 own = b.pose.ToFrame();
        _frames[i] = b.parent >= 0 ? _frames[b.parent].Compose(own) : own;
    }
}

void VCA_Skeleton::BindAnimation(const VCA_AnimData* _animation, s32 _channel, f32 _weight, f32 _start,
                                 f32 _transitionStart, f32 _transitionLength)
{
    const s32 bound = _animation->count < count ? _animation->count : count;
    for (s32 i = 0; i < bound; ++i) {
        VCA_BoneTrack* track = _animation->GetTrack(i);
        if (track != nullptr)
            bones[i].SetWeightOfBoneChannel(track, _channel, _weight, _start, _transitionStart, _transitionLength);
    }
}

void VCA_Skeleton::Update(f32 _time)
{
    for (s32 i = 0; i < count; ++i)
        bones[i].Update(_time);
}
