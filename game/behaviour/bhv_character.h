// The action behaviours of the characters: the look-to turns a physical character towards a
// point the script gives (three modes: heading and pitch, heading with level pitch, heading
// with a limited vertical speed) until another action takes over; the animation plays a named
// skeletal animation of the character's animation set until it is stopped or another action
// takes over (both character classes carry it).
//
// The character registers both with its record of parts (BHV_Owner: the look-to reads the
// character motion model). Neither needs more of the character than NOD_Body: the look-to
// reads the character's position through it, and the animation drives the animation
// controller the character hands to Init. The animation behaviour reads the set's names and
// the character's controller handles in place: neither array is copied or owned, and both
// outlive the behaviour (the set through the reference the character holds on it).
//
#pragma once

#include "bhv_inert.h"
#include "mat_vector.h"
#include "os_types.h"

class SIM_Name;
class VCA_AnimationController;

// PhysicalCharacter_LookTo (point, mode 0 to 2); the same id is its stop test, which never acts
// because the start test comes first. Sends PhysicalCharacter_LookToOverride when interrupted.
class BHV_PhysicalCharacter_A_LookTo : public BHV_ActionBehaviour
{
public:
    enum : s32
    {
        MODE_NONE = -1  // no start, or a start with a wrong mode: the next step ends it
    };

    BHV_PhysicalCharacter_A_LookTo() = default;

    BHV_DECLARE_OPERATIONS()

private:
    MAT_Vector3 m_point;  // world point to look at
    s32 m_mode = MODE_NONE;
};

// Character_StartAnimation (a name of the set, case ignored), Character_StopAnimation. The
// step never ends it; an interruption stops the running animation and sends nothing.
class BHV_Character_A_Animation : public BHV_ActionBehaviour
{
public:
    BHV_Character_A_Animation() = default;

    BHV_DECLARE_OPERATIONS()

    // The set's _count animation names and the controller handle of each (same order), and the
    // character's animation controller.
    void Init(s32 _count, const SIM_Name* _names, const s32* _handles, VCA_AnimationController* _controller);

    // Handle of the running animation, -1 when none.
    s32 GetCurrent() const { return m_current; }

private:
    // Deactivates the running animation, if any.
    void Stop();

    s32 m_count = 0;
    const SIM_Name* m_names = nullptr;  // [m_count], the set's names in the set's order
    const s32* m_handles = nullptr;     // [m_count], the controller handle of each
    VCA_AnimationController* m_controller = nullptr;
    s32 m_current = -1;  // handle of the running animation, -1 when none
};
