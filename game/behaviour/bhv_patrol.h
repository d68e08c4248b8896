// The patrol behaviours: a body keeps moving inside a NOD_PatrolArea. The vessel and vehicle
// patrols wander from random goal to random goal for a given time or forever; the park patrol
// drives a vehicle to one random point of the area and parks it there. Goals come from the
// simulation's random generator, so a run repeats from the same seed.
//
// The area is looked up at the start and its centre, radius and height band copied, so the
// patrols keep no reference to it. Set-up: the owner registers them with its record of parts
// (BHV_Owner: the body, the motion model of its kind, the active avoider and the physical
// description, whose root radius is the body's size and whose contacts park the park patrol).
//
// Goals are drawn on the simulation driver's generator (Brisel_TheSimulation), in a fixed
// order per try: the distance, the direction unless the goal lies on the far edge, then the
// vessel's height; the park patrol draws pairs of uniform values. Times add up in f32 steps.
#pragma once

#include "bhv_behaviour.h"
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

    // A new goal, height and all: up to 10 draws until one is valid, else the tenth.
    void NewGoal();

private:
    // One planar goal around the heading inside the area (z 0).
    void DrawGoal();
    // Gives the goal its height in the band, lifted clear of the terrain under it; valid when
    // that height is not above the band.
    s32 IsGoalValid();

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
    // One planar goal around the heading inside the area, at the vehicle's height, handed to
    // the avoider at the ground ahead.
    void DrawGoal();

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
