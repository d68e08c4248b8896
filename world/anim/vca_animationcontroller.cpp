// The animation controller.
#include "vca_animationcontroller.h"

#include "os_fatal.h"
#include "vca_animdata.h"
#include "vca_bonetrack.h"
#include "vca_skeleton.h"

VCA_AnimationController::VCA_AnimationController()
{
    for (s32& handle : active)
        handle = -1;
}

VCA_AnimationController::~VCA_AnimationController()
{
    for (VCA_AnimationInfo*& info : animations) {
        delete info;
        info = nullptr;
    }
}

s32 VCA_AnimationController::AddAnimation(VCA_AnimData* _animation)
{
    for (s32 i = 0; i < VCA_MAX_ANIMATIONS; ++i) {
        if (animations[i] != nullptr)
            continue;
        VCA_AnimationInfo* info = new VCA_AnimationInfo();
        info->animation = _animation;
        animations[i] = info;
        ++addedCount;
        return i;
    }
    return -1;
}

VCA_AnimationInfo* VCA_AnimationController::CheckHandle(s32 _handle, const char* _where) const
{
    if (_handle < 0 || _handle >= VCA_ACTIVE_HANDLES)
        OS_Fatal("Error: Handle out of range.", _where);
    if (animations[_handle] == nullptr)
        OS_Fatal("Error: Handle points to no valid Animation.", _where);
    return animations[_handle];
}

s32 VCA_AnimationController::IsActive(s32 _handle) const
{
    for (s32 i = 0; i < activeCount; ++i)
        if (active[i] == _handle)
            return 1;
    return 0;
}

void VCA_AnimationController::Leave(s32 _handle)
{
    s32 to = 0;
    for (s32 i = 0; i < activeCount; ++i)
        if (active[i] != _handle)
            active[to++] = active[i];
    for (s32 i = to; i < activeCount; ++i)
        active[i] = -1;
    activeCount = to;
}

void VCA_AnimationController::ActivateAnimation(s32 _handle, s32 _channel, f32 _weight, f32 _start,
                                                f32 _transitionStart, f32 _transitionLength, s8 _mode)
{
    const char* const where = "VCA_AnimationController::ActivateAnimation()";
    VCA_AnimationInfo* info = CheckHandle(_handle, where);
    // The weight table has three entries: a channel outside them must not reach it.
    if (_channel < 0 || _channel >= VCA_CHANNELS)
        OS_Fatal("Error: Channel number is invalid.", where);
    Leave(_handle);
    active[activeCount++] = _handle;
    info->channel = (u8)_channel;
    info->start = _start;
    info->parameter = _transitionLength;
    SetAnimationMode(_handle, _mode);
    SetChannelWeight(_channel, _weight);
    if (skeleton != nullptr && info->animation != nullptr)
        skeleton->BindAnimation(info->animation, _channel, weights[_channel], _start, _transitionStart,
                                _transitionLength);
}

void VCA_AnimationController::SetAnimationMode(s32 _handle, s8 _mode)
{
    VCA_AnimationInfo* info = animations[_handle];
    switch (_mode) {
    case VCA_AnimationInfo::FLAG_ONCE:
    case VCA_AnimationInfo::FLAG_AUTO_STOP:
    case VCA_AnimationInfo::FLAG_SLERP:
        info->flags |= (u8)_mode;
        break;
    case ~VCA_AnimationInfo::FLAG_ONCE:
    case ~VCA_AnimationInfo::FLAG_AUTO_STOP:
    case ~VCA_AnimationInfo::FLAG_SLERP:
        info->flags &= (u8)_mode;
        break;
    default:
        break;
    }
    const VCA_AnimData* animation = info->animation;
    if (animation == nullptr)
        return;
    const u32 once = (info->flags & VCA_AnimationInfo::FLAG_ONCE) != 0;
    const bool slerp = (info->flags & VCA_AnimationInfo::FLAG_SLERP) != 0;
    for (s32 i = 0; i < animation->count; ++i) {
        VCA_BoneTrack* track = animation->GetTrack(i);
        if (track == nullptr)
            continue;
        track->SetClamp(once);
        if (skeleton != nullptr && i < skeleton->count) {
            VCA_Bone& bone = skeleton->bones[i];
            bone.flags = slerp ? bone.flags | VCA_Bone::FLAG_SLERP : bone.flags & ~VCA_Bone::FLAG_SLERP;
        }
    }
}

void VCA_AnimationController::SetChannelWeight(s32 _channel, f32 _weight)
{
    weights[_channel] = _weight;
    const f32 sum = weights[0] + weights[1] + weights[2];
    if (sum != 0.0f)
        for (f32& weight : weights)
            weight /= sum;
    if (skeleton == nullptr)
        return;
    for (s32 i = 0; i < skeleton->count; ++i)
        for (s32 c = 0; c < VCA_CHANNELS; ++c)
            skeleton->bones[i].SetChannelWeight(c, weights[c]);
}

void VCA_AnimationController::DeactivateAnimation(s32 _handle)
{
    if (!IsActive(_handle))
        return;
    VCA_AnimationInfo* info = animations[_handle];
    info->flags = 0;
    Leave(_handle);
    RemoveAnimationFromChannel(info->channel);
}

void VCA_AnimationController::RemoveAnimationFromChannel(s32 _channel)
{
    if (_channel < 0 || _channel >= VCA_CHANNELS)
        OS_Fatal("Error: Channel number is invalid.", "VCA_AnimationController::RemoveAnimationFromChannel()");
    if (skeleton != nullptr)
        for (s32 i = 0; i < skeleton->count; ++i)
            skeleton->bones[i].ClearChannel(_channel);
    for (s32 i = activeCount - 1; i >= 0; --i) {
        const VCA_AnimationInfo* info = animations[active[i]];
        if (info->channel != _channel) {
            SetChannelWeight(_channel, 0.0f);
        } else {
            SetChannelWeight(_channel, weights[_channel]);
            break;
        }
    }
}

s32 VCA_AnimationController::IsAnimationOver(s32 _handle, f32 _time)
{
    const char* const where = "VCA_AnimationController::IsAnimationOver()";
    const VCA_AnimationInfo* info = CheckHandle(_handle, where);
    if (info->animation == nullptr)
        OS_Fatal("Error: No animation set in AnimationInfo with specified handle.", where);
    const VCA_AnimData* animation = info->animation;
    for (s32 i = 0; i < animation->count; ++i) {
        const VCA_BoneTrack* track = animation->GetTrack(i);
        if (track != nullptr)
            return info->start + track->GetDuration() <= _time ? 1 : 0;
    }
    OS_Fatal("Error: No bone animation found in AnimationInfo[_Handle]->Animation.", where);
}

void VCA_AnimationController::Update(f32 _time)
{
    if (activeCount == 0)
        return;
    const s32 newest = active[activeCount - 1];
    if ((animations[newest]->flags & VCA_AnimationInfo::FLAG_AUTO_STOP) != 0 && IsAnimationOver(newest, _time))
        DeactivateAnimation(newest);
    if (skeleton != nullptr)
        skeleton->Update(_time);
}
