// The stop and sink behaviours: they end or replace a body's travel through the control
// requests of its motion controller. The vessel stop lets the vessel drift, brakes it, brakes
// it facing a position, or lets it sink at a rate; the vehicle stop brakes; the sink moves a
// vessel vertically to a position's height and reports when it got there or touched something.
//
// The stops without sinking and the vehicle stop act once, in their start, and leave the
// action slot at the next step. Set-up: the owner registers them with its record of parts
// (BHV_Owner: the body, the motion model of its kind and, for the sink, the physical
// description). Declared ahead of their logic: until filled, the behaviours are inert
// (bhv_inert.h).
#pragma once

#include "bhv_inert.h"
#include "os_types.h"

// Vessel_Stop, Vessel_StopWithHeading, Vessel_StopWithSinking; the sinking form stays
// current, and its interruption puts the motion state's rotation-integration mode back.
class BHV_Vessel_A_Stop : public BHV_ActionBehaviour
{
public:
    BHV_Vessel_A_Stop() = default;

    BHV_DECLARE_OPERATIONS()

private:
    f32 m_sinkingRate = 0.0f;
    s32 m_previousMode = 0;  // 1 when the rotation-integration mode was not 0 before sinking
};

// Vehicle_Stop: brakes; one-shot.
class BHV_Vehicle_A_Stop : public BHV_ActionBehaviour
{
public:
    BHV_Vehicle_A_Stop() = default;

    BHV_DECLARE_OPERATIONS()
};

// Vessel_Sink: holds the attitude and moves vertically towards a position's height; reports
// Vessel_SinkFinished on a contact (of the record's physical description) or within one step
// of that height.
class BHV_Vessel_A_Sink : public BHV_ActionBehaviour
{
public:
    BHV_Vessel_A_Sink() = default;

    BHV_DECLARE_OPERATIONS()

private:
    f32 m_sinkingSpeed = 0.0f;  // units per second
    f32 m_targetHeight = 0.0f;
    f32 m_stepDistance = 0.0f;  // sinking speed x one step
};
