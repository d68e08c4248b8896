// The vessel's escort and escape behaviours. The escort keeps the vessel on a station at a
// fixed offset from another body, in that body's smoothed heading frame, and ends when that
// body is gone. The escape takes the vessel to a position in randomised legs, breaking away
// across the line of sight of an enemy that sees it or of whoever hits it.
//
// Both steer with MOT_Vessel::MoveTo around the obstacles the vessel's avoider reports. Other
// bodies (the escorted one, the enemies) are held as RTI_Pointer, so a body destroyed
// meanwhile reads null. Set-up: the vessel registers them with its record of parts (BHV_Owner)
// and, when its description has an "EscapeBehaviour" section, hands it to ReadDataFrom. Declared ahead
// of their logic: until filled, the behaviours are inert (bhv_inert.h).
#pragma once

#include "bhv_inert.h"
#include "mat_matrix.h"
#include "mat_vector.h"
#include "os_types.h"
#include "rti_pointer.h"

class DES_Section;

// Vessel_Escort: keeps station by the escorted body, slowing down as it closes in; reports
// once per start when within the reach distance, and the loss of the escorted body.
class BHV_Vessel_A_Escort : public BHV_ActionBehaviour
{
public:
    BHV_Vessel_A_Escort() = default;

    BHV_DECLARE_OPERATIONS()

private:
    // x along the escorted body's first axis, y along its heading axis, z vertical
    MAT_Vector3 m_offset;
    RTI_Pointer m_escorted;      // the NOD_Body escorted
    MAT_Matrix33 m_frame;        // smoothed rotation of the escorted body
    f32 m_reachDistance = 0.0f;  // -1 after the report
};

// Vessel_EscapeToPosition (numbers from the message) and Vessel_EscapeToPosSim (numbers from
// the description): legs towards the position, break-aways from threats, the arrival report.
// Of the record it reads, besides the motion model and the avoider, the vessel's own attacker
// slots (their bodies are threats when they see the vessel), its emitter (what the enemies'
// sensors must see) and its physical description (its shot hits of the step, its root radius).
class BHV_Vessel_A_EscapeTo : public BHV_ActionBehaviour
{
public:
    BHV_Vessel_A_EscapeTo() = default;

    BHV_DECLARE_OPERATIONS()

    // The description's "EscapeBehaviour" section (EscVelocity, EscMeanDist, EscDevDist,
    // EscFactor, EscRatio, EscStrikeTimeOut, EscImpact, all required).
    void ReadDataFrom(DES_Section* _section);

private:
    RTI_Pointer m_enemies[3];  // NOD_Body each, or null
    MAT_Vector3 m_finalTarget;
    MAT_Vector3 m_goal;  // of the current leg
    f32 m_legTime = 0.0f;
    s32 m_running = 0;
    s32 m_finalLeg = 0;
    s32 m_escaping = 0;
    f32 m_hitCooldown = 0.0f;  // s
    f32 m_legMean = 0.0f;
    f32 m_legDeviation = 0.0f;
    f32 m_impact = 0.0f;  // 0 straight to the target, 1 straight across the threat
    f32 m_velocity = 0.0f;
    f32 m_ratio = 0.0f;  // -1 .. 1, between the threat's first and third axes
    f32 m_factor = 0.0f;
    f32 m_strikeTimeOut = 0.0f;
    // The description's values (zero without an "EscapeBehaviour" section).
    f32 m_descMeanDist = 0.0f;
    f32 m_descDevDist = 0.0f;
    f32 m_descImpact = 0.0f;
    f32 m_descVelocity = 0.0f;
    f32 m_descRatio = 0.0f;
    f32 m_descFactor = 0.0f;
    f32 m_descStrikeTimeOut = 0.0f;
    f32 m_reachRadius = 0.0f;
};
