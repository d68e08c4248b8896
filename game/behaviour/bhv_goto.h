// The go-to behaviours: a vessel, a ground vehicle or a physical character walks a NOD_Path
// position by position (the whole path, from a named position to its end, or from one named
// position to another in either direction), reporting each position passed, the arrival and
// an interruption to the script thread bound to its owner.
//
// BHV_Goto3D holds the walk and steps it (Handle, the path follower); a table per class names
// the class's differences (messages, log texts, the motion model it steers, steering call,
// speed band, reach test, avoidance goal). The path is found at each start and held as an RTI_Pointer, so a path
// deleted during a walk reads null.
//
// Set-up: the owner registers them with its record of parts (BHV_Owner: the body, the motion
// model of its kind and, for vessels and vehicles, the active avoider and the physical
// description whose root radius scales the reach margin).
#pragma once

#include "bhv_behaviour.h"
#include "mat_vector.h"
#include "os_types.h"
#include "rti_pointer.h"

class NOD_Message;
class NOD_Path;
class SIM_Name;
class SIM_Path;
struct BHV_GotoClass;

// The path follower shared by the three go-to behaviours: their starts, stop and interruption
// too, which differ only in ids, log texts and the forms that set the axis flags (a table
// per class, BHV_GotoClass).
class BHV_Goto3D : public BHV_ActionBehaviour
{
public:
    s32 IsStartMessage(const NOD_Message* _message) override;
    s32 IsStopMessage(const NOD_Message* _message) override;
    // The three start forms and the stop: handled, taken, no reply. A failed start is logged
    // and leaves the behaviour not running, so it finishes at its next step.
    NOD_Message* ProcessMessage(NOD_Message* _message, s32* _handled) override;
    // One step of the walk: steer to the current target, take the next one once it is reached,
    // report and finish (0) at the end of the walk, after a failed start or once the path is
    // gone; 1 while it goes on.
    s32 Handle() override;
    // The override notification: the path and the positions before and at the current target
    // ("None" for what does not exist).
    void Interrupt() override;

protected:
    explicit BHV_Goto3D(const BHV_GotoClass* _class) : m_class(_class) {}

    s32 m_steeringMode = 0;  // character: 1 selects the arriving steering call

private:
    // _form 0 whole path, 1 from a position, 2 from one position to another.
    void Start(s32 _form, const SIM_Path& _path, const SIM_Name& _from, const SIM_Name& _to, f32 _speed,
               f32 _reachFactor);
    NOD_Path* GetPath() const;
    // The name of the path's son at _index, "None" without a path or such a son.
    const char* SonName(s32 _index) const;
    void Steer(const MAT_Vector3& _point);
    s32 IsReached() const;

    const BHV_GotoClass* m_class;
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
    BHV_Vessel_A_Goto();
};

// Vehicle_Goto, Vehicle_GotoFromPosition, Vehicle_GotoFromTo; stopped by Vehicle_GotoStop.
// Steers with MOT_Vehicle::GotoPosition around the obstacles the avoider reports.
class BHV_Vehicle_A_Goto : public BHV_Goto3D
{
public:
    BHV_Vehicle_A_Goto();
};

// PhysicalCharacter_GotoStart and its from-position and from-to forms; stopped by
// PhysicalCharacter_GotoStop. Steers straight at the target (no avoidance) and reaches it
// within a fixed radius.
class BHV_PhysicalCharacter_A_Goto : public BHV_Goto3D
{
public:
    BHV_PhysicalCharacter_A_Goto();

    // 1 selects the arriving steering call (MOT_OldOne::GotoPositionArrive).
    void SetSteeringMode(s32 _mode) { m_steeringMode = _mode; }
};
