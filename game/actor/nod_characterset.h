// What both character classes build from their animation set: the reference they hold on the
// set in the run's animation-set table, the skeleton read from the set's reference file, the
// set's shared skin, one animation-controller handle per animation of the set (the set's
// order) and the controller itself.
//
// A character embeds one and fills it from its description's "Animation" section. The set is
// released when the character goes, after the skeleton and controller that point into it.
// The set's collision data is the unit box about the character. One thread.
#pragma once

#include "mat_matrix.h"
#include "os_types.h"
#include "vca_animationcontroller.h"
#include "vca_skeleton.h"

class BHV_ActionBehaviourSlot;
class DES_Section;
class MOT_OldOne;
class NOD_Body;
class VCA_Cache;
class VCA_Skin;

// The reference on one entry of the animation-set table; dropped with the holder.
class NOD_AnimationSetReference
{
public:
    NOD_AnimationSetReference() = default;
    ~NOD_AnimationSetReference();
    NOD_AnimationSetReference(const NOD_AnimationSetReference&) = delete;
    NOD_AnimationSetReference& operator=(const NOD_AnimationSetReference&) = delete;

    // The set named _name (case ignored) gets one more reference, or is loaded into the first
    // free entry; a full table and a set that does not load are fatal in the table.
    void Acquire(const char* _name);
    // 1-based handle in the table, 0 = none.
    s32 GetHandle() const { return m_handle; }
    VCA_Cache* Get() const;

private:
    s32 m_handle = 0;
};

class NOD_CharacterSet
{
    // First, so it goes after the skeleton and the controller that point into the set.
    NOD_AnimationSetReference m_set;

public:
    NOD_CharacterSet() = default;
    ~NOD_CharacterSet();
    NOD_CharacterSet(const NOD_CharacterSet&) = delete;
    NOD_CharacterSet& operator=(const NOD_CharacterSet&) = delete;

    // Section "Animation" of _data (missing: fatal for the reader _where) with AnimationFile:
    // the set, the skin, the skeleton and one controller handle per animation. A character
    // reads its description once: a second one is fatal.
    void Load(DES_Section& _data, const char* _where);
    // The world box at _time of the set's collision data (the unit box) placed by _body's
    // world transform: min xyz in _box[0..2], max xyz in _box[3..5].
    static void GetBoundingBox(NOD_Body& _body, f32* _box, f32 _time);
    // The render step's deformation: the controller at _time, then the skin from the skeleton.
    void Animate(f32 _time);

    VCA_Cache* GetSet() const { return m_set.Get(); }
    s32 GetSetHandle() const { return m_set.GetHandle(); }
    s32 GetAnimationCount() const { return m_count; }
    const s32* GetHandles() const { return m_handles; }

    VCA_Skeleton skeleton;
    VCA_Skin* skin = nullptr;  // the set's, shared
    VCA_AnimationController controller;

private:
    s32* m_handles = nullptr;  // [m_count]
    s32 m_count = 0;
};

// The start of a character's step on the simulation clock: its current action behaviour,
// then one step of its motion model (friction on the axes no controller drives, the
// controllers, the integration) with the new state recorded in _body's track at clock + dt.
void NOD_StepCharacter(NOD_Body& _body, BHV_ActionBehaviourSlot& _actions, MOT_OldOne& _motion);
