// The go-to behaviours: a vessel, a ground vehicle or a physical character walks a NOD_Path
// position by position (the whole path, from a named position to its end, or from one named
// position to another in either direction), reporting each position passed, the arrival and
// an interruption to the script thread bound to its owner.
//
// BHV_Goto3D holds the walk and steps it (Handle, the path follower); the three classes add
// the class's differences (the motion model they steer, steering call, speed band, reach test,
// avoidance goal). The path is found at each start and held as an RTI_Pointer, so a path
// deleted during a walk reads null.
//
// Set-up: the owner registers them with its record of parts (BHV_Owner: the body, the motion
// model of its kind and, for vessels and vehicles, the active avoider). Declared ahead of their
// logic: until filled, the behaviours are inert (bhv_inert.h).
#pragma once

#include "bhv_inert.h"
#include "mat_vector.h"
#include "os_types.h"
#include "rti_pointer.h"

// The path follower shared by the three go-to behaviours.
class BHV_Goto3D : public BHV_ActionBehaviour
{
public:
    // One step of the walk: steer to the current target, take the next one once it is reached,
    // report and finish (0) at the end of the walk or after a failed start; 1 while it goes on.
    s32 Handle() override;

protected:
    BHV_Goto3D() = default;

    RTI_Pointer m_path;    // the NOD_Path being walked
    s32 m_nextIndex = 0;   // the position after the current target, in the direction of travel
    s32 m_endIndex = 0;    // one past the last position to visit, in the direction of travel
    s32 m_needTarget = 0;  // 1 when a new target must be taken (at start, after a reach)
    MAT_Vector3 m_target;
    s32 m_first = 0;           // 1 until the first target is taken (the start point is not reported)
    s32 m_running = 0;         // 1 after a successful start
    f32 m_reachMargin = 0.0f;  // vessel and vehicle: reach factor x the body's root radius
    f32 m_speed = 0.0f;
    f32 m_reachRadius = 0.0f;  // vessel and vehicle: the target position's radius + reach margin
};

// Vessel_Goto, Vessel_GotoFromPosition, Vessel_GotoFromTo; stopped by Vessel_GotoStop. Steers
// with MOT_Vessel::MoveTo around the obstacles the avoider reports.
class BHV_Vessel_A_Goto : public BHV_Goto3D
{
public:
    BHV_Vessel_A_Goto() = default;

    BHV_DECLARE_OPERATIONS_EXCEPT_HANDLE()
};

// Vehicle_Goto, Vehicle_GotoFromPosition, Vehicle_GotoFromTo; stopped by Vehicle_GotoStop.
// Steers with MOT_Vehicle::GotoPosition around the obstacles the avoider reports.
class BHV_Vehicle_A_Goto : public BHV_Goto3D
{
public:
    BHV_Vehicle_A_Goto() = default;

    BHV_DECLARE_OPERATIONS_EXCEPT_HANDLE()
};

// PhysicalCharacter_GotoStart and its from-position and from-to forms; stopped by
// PhysicalCharacter_GotoStop. Steers straight at the target (no avoidance) and reaches it
// within a fixed radius.
class BHV_PhysicalCharacter_A_Goto : public BHV_Goto3D
{
public:
    BHV_PhysicalCharacter_A_Goto() = default;

    BHV_DECLARE_OPERATIONS_EXCEPT_HANDLE()

    // 1 selects the arriving steering call (MOT_OldOne::GotoPositionArrive).
    void SetSteeringMode(s32 _mode);

private:
    s32 m_steeringMode = 0;
};
