// Starts, weights and stops the animations of one character on the three channels of its
// skeleton.
//
// Animations are added once (a slot each, 64 in all) and activated by handle; the active list
// keeps activation order, newest last. Channel weights are kept normalised to sum 1 (unless all
// are 0) and given to every bone. The controller refers to the skeleton and to the animations
// without owning them; it owns its per-animation records. One thread.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class VCA_AnimData;
class VCA_Skeleton;

enum : s32
{
    VCA_MAX_ANIMATIONS = 64,
    // Activation takes handles below this, whatever the slots hold.
    VCA_ACTIVE_HANDLES = 32,
};

struct VCA_AnimationInfo : public MEM_Object
{
    // Bits of flags.
    enum : u8
    {
        FLAG_ONCE = 1,       // play once and hold the last key (else loop)
        FLAG_AUTO_STOP = 2,  // deactivated by Update once over
        FLAG_SLERP = 4,      // transitions of its bones turn spherically
        NO_CHANNEL = 255,
    };

    VCA_AnimData* animation = nullptr;
    f32 start = 0.0f;
    f32 parameter = 0.0f;
    u8 flags = FLAG_SLERP;
    u8 channel = NO_CHANNEL;
};

class VCA_AnimationController : public MEM_Object
{
public:
    VCA_AnimationController();
    ~VCA_AnimationController();
    VCA_AnimationController(const VCA_AnimationController&) = delete;
    VCA_AnimationController& operator=(const VCA_AnimationController&) = delete;

    void SetSkeleton(VCA_Skeleton* _skeleton) { skeleton = _skeleton; }
    // The handle of the first free slot, -1 when all are used.
    s32 AddAnimation(VCA_AnimData* _animation);
    // Makes the animation the newest active one on _channel (0..2) with the given weight,
    // start time and transition; _mode as SetAnimationMode. A handle outside 0..31, an empty
    // slot or a channel outside 0..2 is fatal.
    void ActivateAnimation(s32 _handle, s32 _channel, f32 _weight, f32 _start, f32 _transitionStart,
                           f32 _transitionLength, s8 _mode);
    // 1, 2 or 4 set that flag, their complements clear it, anything else changes nothing; then
    // the tracks and bones take the animation's clamp and turning flags.
    void SetAnimationMode(s32 _handle, s8 _mode);
    // weights[channel] = _weight, the three renormalised and given to every bone.
    void SetChannelWeight(s32 _channel, f32 _weight);
    // Nothing for an inactive handle.
    void DeactivateAnimation(s32 _handle);
    void RemoveAnimationFromChannel(s32 _channel);
    // 1 when start + duration <= _time; fatal checks as ActivateAnimation.
    s32 IsAnimationOver(s32 _handle, f32 _time);
    // Stops the newest animation when it asked to and is over, then updates every bone.
    void Update(f32 _time);

    s32 IsActive(s32 _handle) const;

    s32 active[VCA_MAX_ANIMATIONS];
    VCA_Skeleton* skeleton = nullptr;
    VCA_AnimationInfo* animations[VCA_MAX_ANIMATIONS] = {};
    s32 activeCount = 0;
    s32 addedCount = 0;
    f32 weights[3] = {};

private:
    VCA_AnimationInfo* CheckHandle(s32 _handle, const char* _where) const;
    void Leave(s32 _handle);
};
