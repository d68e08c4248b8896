// The patrol behaviours: a body keeps moving inside a NOD_PatrolArea. The vessel and vehicle
// patrols wander from random goal to random goal for a given time or forever; the park patrol
// drives a vehicle to one random point of the area and parks it there. Goals come from the
// simulation's random generator, so a run repeats from the same seed.
//
// The area is looked up at the start and its centre, radius and height band copied, so the
// patrols keep no reference to it. Set-up: the owner registers them with its record of parts
// (BHV_Owner: the body, the motion model of its kind, the active avoider and, for the park
// patrol, the physical description). Declared ahead of their logic: until filled, the
// behaviours are inert (bhv_inert.h).
#pragma once

#include "bhv_inert.h"
#include "mat_vector.h"
#include "os_types.h"

// Vessel_Patrol: goals drawn around the heading inside the area, each at a random height in
// the area's band clear of the terrain; reports the end of a timed patrol.
class BHV_Vessel_A_Patrol : public BHV_ActionBehaviour
{
public:
    BHV_Vessel_A_Patrol() = default;

    BHV_DECLARE_OPERATIONS()

private:
    MAT_Vector3 m_goal;
    f32 m_bandLow = 0.0f;  // absolute heights
    f32 m_bandHigh = 0.0f;
    f32 m_centreX = 0.0f;
    f32 m_centreY = 0.0f;
    f32 m_radius = 0.0f;
    f32 m_heightMean = 0.0f;  // absolute after the start
    f32 m_heightDeviation = 0.0f;
    f32 m_distanceMean = 0.0f;  // world units after the start
    f32 m_distanceDeviation = 0.0f;
    f32 m_directionDeviation = 0.0f;  // radians after the start
    f32 m_maxLegTime = 0.0f;          // s
    f32 m_duration = 0.0f;            // s, 0 or less: never ends
    f32 m_legTime = 0.0f;
    f32 m_patrolTime = 0.0f;
    s32 m_running = 0;
    f32 m_speed = 0.0f;
    f32 m_goalRadius = 0.0f;
};

// Vehicle_Patrol: as the vessel patrol on the terrain, at speed 1.0, without heights.
class BHV_Vehicle_A_Patrol : public BHV_ActionBehaviour
{
public:
    BHV_Vehicle_A_Patrol() = default;

    BHV_DECLARE_OPERATIONS()

private:
    MAT_Vector3 m_goal;
    f32 m_centreX = 0.0f;
    f32 m_centreY = 0.0f;
    f32 m_radius = 0.0f;
    f32 m_distanceMean = 0.0f;
    f32 m_distanceDeviation = 0.0f;
    f32 m_directionDeviation = 0.0f;
    f32 m_maxLegTime = 0.0f;
    f32 m_duration = 0.0f;
    f32 m_legTime = 0.0f;
    f32 m_patrolTime = 0.0f;
    s32 m_running = 0;
    f32 m_speed = 0.0f;  // 1.0 once started
    f32 m_goalRadius = 0.0f;
};

// Vehicle_ParkPatrol: drives to one uniform random point of the area and parks (brakes) when
// it gets there or touches something inside the area (the contacts of the step of the record's
// physical description).
class BHV_Vehicle_A_PatrolPark : public BHV_ActionBehaviour
{
public:
    BHV_Vehicle_A_PatrolPark() = default;

    BHV_DECLARE_OPERATIONS()

private:
    MAT_Vector3 m_goal;
    f32 m_centreX = 0.0f;
    f32 m_centreY = 0.0f;
    f32 m_radius = 0.0f;
    s32 m_running = 0;
    f32 m_speed = 0.0f;  // 1.0 once started
    f32 m_goalRadius = 0.0f;
};
