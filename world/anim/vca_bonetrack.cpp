// Bone tracks: loading and Catmull-Rom evaluation.
#include "vca_bonetrack.h"

#include <cmath>
#include <limits>

#include "des_file.h"
#include "vca_local.h"

VCA_BoneTrack::VCA_BoneTrack(s32 _positionKeys, s32 _rotationKeys)
    : positionX(_positionKeys), positionY(_positionKeys), positionZ(_positionKeys), rotationW(_rotationKeys),
      rotationX(_rotationKeys), rotationY(_rotationKeys), rotationZ(_rotationKeys), positionKeys(_positionKeys),
      rotationKeys(_rotationKeys)
{
}

void VCA_BoneTrack::Load(VCA_BoneTrack** _entry, DES_Section* _bone, s32 _boneIndex)
{
    const s32 samples = VCA_CountSections(_bone, "SV", std::numeric_limits<s32>::max());
    delete *_entry;
    *_entry = nullptr;
    // The entry owns the new track at once, so a fatal key below frees it with the animation.
    VCA_BoneTrack* track = new VCA_BoneTrack(samples, samples);
    *_entry = track;

    DES_Section sample;
    MAT_Vector3 root;
    f32 first = 0.0f;
    f32 last = 0.0f;
    for (s32 k = 0; k < samples; ++k) {
        _bone->FindSectionIndexed(&sample, "SV", (u32)k);
        if (k == 0)
            sample.GetFloat("T", &first);
        if (k == samples - 1)
            sample.GetFloat("T", &last);
        VCA_Pose pose;
        VCA_ReadPose(&sample, &pose);
        if (_boneIndex == 0) {
            // The root walks from the origin; its height stays absolute.
            if (k == 0)
                root = pose.position;
            pose.position.x -= root.x;
            pose.position.y -= root.y;
        }
        track->positionX.GetKeys()[k] = pose.position.x;
        track->positionY.GetKeys()[k] = pose.position.y;
        track->positionZ.GetKeys()[k] = pose.position.z;
        track->rotationW.GetKeys()[k] = pose.rotation.w;
        track->rotationX.GetKeys()[k] = pose.rotation.x;
        track->rotationY.GetKeys()[k] = pose.rotation.y;
        track->rotationZ.GetKeys()[k] = pose.rotation.z;
    }
    track->duration = last - first;
    if (track->IsTimed()) {
        track->positionX.SetTiming(first, track->duration, 0);
        track->rotationW.SetTiming(first, track->duration, 0);
    }
}

bool VCA_BoneTrack::IsTimed() const
{
    return duration > 0.0f && std::isfinite(duration) && positionKeys >= 2 && rotationKeys >= 2;
}

void VCA_BoneTrack::SetStart(f32 _start)
{
    if (!IsTimed())
        return;
    positionX.SetTiming(_start, duration, positionX.GetFlags());
    rotationW.SetTiming(_start, duration, rotationW.GetFlags());
}

void VCA_BoneTrack::SetClamp(u32 _clamp)
{
    // An untimed track reads key 0 whatever its flags.
    if (!IsTimed())
        return;
    const u32 flag = _clamp != 0 ? MAT_Interpolator_Linear_Scalar::FLAG_CLAMP : 0u;
    positionX.SetTiming(positionX.GetStart(), positionX.GetLength(),
                        (positionX.GetFlags() & ~MAT_Interpolator_Linear_Scalar::FLAG_CLAMP) | flag);
    rotationW.SetTiming(rotationW.GetStart(), rotationW.GetLength(),
                        (rotationW.GetFlags() & ~MAT_Interpolator_Linear_Scalar::FLAG_CLAMP) | flag);
}

u32 VCA_BoneTrack::IsClamped() const
{
    return (positionX.GetFlags() & MAT_Interpolator_Linear_Scalar::FLAG_CLAMP) != 0;
}

void VCA_BoneTrack::GetSplineIndices(s32 _index, s32 _last, s32 _out[4]) const
{
    s32 a = _index - 1;
    s32 b = _index;
    s32 c = _index + 1;
    s32 d = _index + 2;
    if (IsClamped()) {
        if (a < 0)
            a = 0;
        if (c > _last)
            c = _last;
        if (d > _last)
            d = _last;
    } else {
        if (a < 0)
            a = _last;
        if (c == _last + 1) {
            c = 0;
            d = 1;
        } else if (d == _last + 1) {
            d = 0;
        }
    }
    _out[0] = a;
    _out[1] = b;
    _out[2] = c;
    _out[3] = d;
}

namespace
{
void CatmullRom(f32 _f, f32 _w[4])
{
    const f32 f2 = _f * _f;
    const f32 f3 = f2 * _f;
    _w[0] = (-f3 + 2.0f * f2 - _f) / 2.0f;
    _w[1] = (3.0f * f3 - 5.0f * f2 + 2.0f) / 2.0f;
    _w[2] = (-3.0f * f3 + 4.0f * f2 + _f) / 2.0f;
    _w[3] = (f3 - f2) / 2.0f;
}

f32 Spline(const MAT_Interpolator_Linear_Scalar& _curve, const s32 _at[4], const f32 _w[4])
{
    const f32* keys = _curve.GetKeys();
    return _w[0] * keys[_at[0]] + _w[1] * keys[_at[1]] + _w[2] * keys[_at[2]] + _w[3] * keys[_at[3]];
}
}  // namespace

void VCA_BoneTrack::Evaluate(f32 _time, VCA_Pose* _pose) const
{
    if (!IsTimed()) {
        // Nothing to play between: the first sample holds.
        _pose->position = {positionX.GetKeys()[0], positionY.GetKeys()[0], positionZ.GetKeys()[0]};
        _pose->rotation = {rotationW.GetKeys()[0], rotationX.GetKeys()[0], rotationY.GetKeys()[0],
                           rotationZ.GetKeys()[0]};
        return;
    }
    s32 index = 0;
    f32 fraction = 0.0f;
    f32 w[4];
    s32 at[4];
    positionX.Locate(_time, index, fraction);
    CatmullRom(fraction, w);
    GetSplineIndices(index, positionKeys - 1, at);
    _pose->position = {Spline(positionX, at, w), Spline(positionY, at, w), Spline(positionZ, at, w)};

    rotationW.Locate(_time, index, fraction);
    CatmullRom(fraction, w);
    GetSplineIndices(index, rotationKeys - 1, at);
    const MAT_Quaternion q[4] = {{rotationW.GetKeys()[at[0]], rotationX.GetKeys()[at[0]], rotationY.GetKeys()[at[0]],
                                  rotationZ.GetKeys()[at[0]]},
                                 {rotationW.GetKeys()[at[1]], rotationX.GetKeys()[at[1]], rotationY.GetKeys()[at[1]],
                                  rotationZ.GetKeys()[at[1]]},
                                 {rotationW.GetKeys()[at[2]], rotationX.GetKeys()[at[2]], rotationY.GetKeys()[at[2]],
                                  rotationZ.GetKeys()[at[2]]},
                                 {rotationW.GetKeys()[at[3]], rotationX.GetKeys()[at[3]], rotationY.GetKeys()[at[3]],
                                  rotationZ.GetKeys()[at[3]]}};
    _pose->rotation.WeightedSum4(q[0], w[0], q[1], w[1], q[2], w[2], q[3], w[3]);
}
